// The overview window's state and commands without its widgets: the
// projects and their file lists, the status list, opening entries (in
// workspaces made by the factory the program sets), removal and purge,
// moving entries, new databases, backups, restores and copies, the
// user-wide settings and the start sequence. Its window implements
// OverviewView.
#pragma once

#include "shell/FileList.h"
#include "shell/OverviewOps.h"
#include "shell/OverviewView.h"
#include "shell/Workspace.h"

#include <QString>
#include <QStringList>

namespace sky {

class Prompter;
class FileChooser;
class ProgressSink;

// The overview's user-wide settings: the settings page, the search page's
// fields, the log mode and the file pane. Read at start; stored when the
// window closes, and the settings page's fields also when they are left.
struct OverviewSettings {
    QString queryLimit = QStringLiteral("1000");  // QryLimit, as the field shows it
    QString editLimit = QStringLiteral("200");    // EdtLimit, as the field shows it
    QString nullText = QStringLiteral("NULL");    // ResNULLs
    int maxHistory = 300;                         // Max_Hist
    int maxExportValues = 64;                     // MaxSQLExportValuesLines
    bool showTooltips = true;                     // ShowTooltips
    bool lastDbAtTop = false;                     // LastDBatTop
    QString searchFolder;                         // edtSearchDBFolder (default: the home folder)
    QString searchText = QStringLiteral("*.*db"); // edtSearchDBText
    QString tableSearch, fieldSearch;             // edtSearchTableSearch, edtSearchFieldSearch
    QString docSearch;                            // LastDocSearch (read only; the page stores it)
    int logKind = 2;                              // SysLogKind
    bool expandedPane = false;                    // ExpandedPane
    int fileListWidth = 280;                      // FileListWidth (stored; read by FileListWidth())
};

class OverviewController {
public:
    OverviewController(OverviewView& view, Prompter& prompts, FileChooser& files);
    // Workspaces that outlive the overview no longer call it.
    ~OverviewController();

    // Makes the workspace windows (the program's composition root sets it).
    void SetWorkspaceFactory(WorkspaceFactory make) { FMakeWorkspace = std::move(make); }

    // --- start-up: the steps of the deferred start after the window's
    // placement: projects, settings, tooltips, log, version information, the
    // example database and the command line's files, then the status check
    // and the auto-open, or the first search when the list is empty.
    void Start(const QStringList& params, const QString& currentDir);
    // "SQLite Info: ..." once the start has read it.
    QString VersionInfo() const { return FVersionInfo; }
    QString Caption() const { return FCaption; }

    // --- settings
    OverviewSettings LoadSettings() const;
    // Stores what the window holds when it closes (not the placement).
    void SaveSettings(const OverviewSettings& s);
    // The file pane's stored width within 280..80 % of the window's width.
    int FileListWidth(int windowWidth) const;
    // The settings page's fields when they are left: each stored at once;
    // the limits come back clamped, as the fields then show them.
    int StoreQueryLimit(const QString& text);
    int StoreEditLimit(const QString& text);
    void StoreNullText(const QString& text);
    void StoreMaxHistory(int lines);
    void StoreMaxExportValues(int lines);
    // A theme chosen: stored; true when it differs from the active one (the
    // restart notice is then shown).
    bool ChooseTheme(const QString& name, const QString& activeTheme);

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
    // "Open the selected Database": a listed entry whose status is known and
    // not invalid is opened; otherwise a notice says why not.
    bool OpenListed(const QString& entry);
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
    // "Show Pop-Outs".
    void ShowPopOuts();
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
    WorkspaceHandle* NewWorkspace() { return FMakeWorkspace ? FMakeWorkspace() : nullptr; }

    OverviewView& FView;
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
    WorkspaceFactory FMakeWorkspace;
    QString FVersionInfo;
    QString FCaption = QStringLiteral("Skylark");
};

} // namespace sky
