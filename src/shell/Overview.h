// The overview window's state and commands without its widgets: the
// projects and their file lists, the status list, opening entries (through a
// workspace opener the window supplies), removal and purge, moving entries,
// new databases, backups, restores and copies.
#pragma once

#include "shell/FileList.h"
#include "shell/OverviewOps.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>

namespace sky {

class Prompter;
class FileChooser;
class ProgressSink;

class OverviewController {
public:
    OverviewController(Prompter& prompts, FileChooser& files);

    // The window opens (or shows) a workspace for a file and table; true when it did.
    std::function<bool(const QString& file, const QString& table)> OpenWorkspace;
    // Progress of the status check and of transfers (nullptr: none shown).
    std::function<ProgressSink*(const QString& title, bool canCancel)> StartProgress;
    std::function<void(ProgressSink*)> EndProgress;

    // --- projects
    void LoadProjects();
    const QStringList& Projects() const { return FProjects.Names(); }
    QString CurrentProject() const { return FProject; }
    void SelectProject(const QString& name);
    void NewProject();
    void DeleteProject();
    void LoadProjectLists();
    void SaveProjectLists();

    // --- the file list
    const QStringList& Files() const { return FFiles; }
    const QStringList& AutoOpen() const { return FAutoOpen; }
    void SetFiles(const QStringList& entries) { FFiles = entries; }
    const TFileStatusList& Status() const { return FStatus; }
    int StatusOf(const QString& entry) const { return FStatus.StatusOf(entry); }
    void CheckAllFiles();
    bool OpenEntry(const QString& entry);
    void BrowseAndOpen();
    void RemoveEntry(const QString& entry);
    void MoveEntry(int from, int to);
    void Purge();
    void AddSearchResults(const QStringList& entries);

    // Opens the auto-open entries whose files exist; past every fourth one,
    // with more than three left, asks whether to go on (any answer but yes
    // stops the opening; the rest are then only listed).
    void RunAutoOpen();
    void SetAutoOpen(const QStringList& files) { FAutoOpen = files; }

    // The project-databases menu: one item per entry (at most 20) with its
    // sub-items in order; a sub-item "-" is a separator.
    struct MenuItem {
        QString caption;
        QStringList subItems;
    };
    QList<MenuItem> ProjectMenu() const;

    // --- workspaces
    bool IsOpen(const QString& file) const { return FOpen.contains(file); }
    void WorkspaceOpened(const QString& file) { FOpen.insert(file); }
    void WorkspaceClosed(const QString& file) { FOpen.remove(file); }

    // --- database files
    bool NewDatabase(const QString& selectedEntry);
    bool QuickBackup(const QString& entry);
    bool QuickRestore(const QString& entry);
    bool Duplicate(const QString& entry);
    bool FullBackup(const QString& entry);
    bool FullRestore(const QString& entry);
    bool Transfer(const QString& source, const QString& target, bool openAfter);
    bool TransferRunning() const { return FTransferring; }

    bool keepLastAtTop = false;
    QString lastError;

private:
    Prompter& FPrompts;
    FileChooser& FChooser;
    ProjectList FProjects;
    QString FProject;
    QStringList FFiles;
    QStringList FAutoOpen;
    TFileStatusList FStatus;
    QSet<QString> FOpen;
    bool FTransferring = false;
};

} // namespace sky
