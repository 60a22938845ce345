// The overview window's state and commands without its widgets: the
// projects and their file lists, the status list, opening entries (through a
// workspace opener the window supplies), removal and purge, moving entries,
// new databases, backups, restores and copies.
#pragma once

#include "shell/FileList.h"
#include "shell/OverviewOps.h"
#include "shell/Workspace.h"

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
    // Workspaces that outlive the overview no longer call it.
    ~OverviewController();

    // Creates a workspace window (not yet opened); nullptr when none can be made.
    std::function<WorkspaceHandle*()> CreateWorkspace;
    // The file shown selected in the platform's file browser.
    std::function<void(const QString& file)> ShowInFolder;
    // The overview brought to the front; the file list redrawn.
    std::function<void()> BringToFront, Changed;
    // The query-data pop-outs: shown, hidden, freed.
    std::function<void(bool shown)> ShowPopOuts;
    std::function<void()> FreePopOuts;
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

    // --- workspaces (fDBs: sorted by upper-cased file path, looked up exactly)
    bool IsOpen(const QString& file) const { return Workspace(file) != nullptr; }
    WorkspaceHandle* Workspace(const QString& file) const;
    QList<WorkspaceHandle*> Workspaces() const;
    // TSysCallbackEvent of every workspace: does nothing for an unknown sender.
    int OnWorkspaceEvent(WorkspaceHandle* sender, int eventKind, const QString& sPar1,
                         const QString& sPar2, int iPar1, int iPar2);
    // "Disconnect Database": the entry's workspace closed and freed.
    bool Disconnect(const QString& entry);
    // "Close and Disconnect All": every workspace (last first), then the pop-outs.
    void CloseAll();
    // "Show All Open Databases" / "Close All" (hides workspaces and pop-outs).
    void ShowAll();
    void HideAll();
    void SetShowTooltips(bool on);

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
    struct OpenDB {
        QString file;
        WorkspaceHandle* window;
    };
    QList<OpenDB> FDBs;
    bool FTooltips = true;
    bool FTransferring = false;
};

} // namespace sky
