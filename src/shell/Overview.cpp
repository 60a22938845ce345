#include "shell/Overview.h"

#include "shell/Search.h"

#include "support/Prompter.h"
#include "support/Settings.h"
#include "support/SettingsCatalogue.h"

#include <QFileInfo>

namespace sky {
OverviewController::OverviewController(OverviewView& view, Prompter& prompts, FileChooser& files)
    : FView(view), FPrompts(prompts), FChooser(files) {}

OverviewController::~OverviewController() {
    for (const OpenDB& d : FDBs)
        d.window->fSysCallback = nullptr;
}

void OverviewController::LoadProjects() {
    FProjects.Load();
    const QString last = CfgGet(setting::LastOpenedProject, kDefaultProject);
    FProject = FProjects.Names().contains(last) ? last : kDefaultProject;
    LoadProjectLists();
}

void OverviewController::LoadProjectLists() {
    ListLoad(FFiles, ProjectFilesList(FProject));
    ListLoad(FAutoOpen, ProjectAutoOpenList(FProject));
    CfgPut(setting::LastOpenedProject, FProject);
}

void OverviewController::SaveProjectLists() {
    ListSave(FFiles, ProjectFilesList(FProject));
    ListSave(FAutoOpen, ProjectAutoOpenList(FProject));
}

void OverviewController::SelectProject(const QString& name) {
    FProject = FProjects.Names().contains(name) ? name : kDefaultProject;
    LoadProjectLists();
    CheckAllFiles();
    FView.ProjectsChanged();
}

void OverviewController::NewProject() {
    const QString answer =
        FPrompts
            .AskText(QStringLiteral("Add New Project"), QStringLiteral("Project Name:"),
                     QStringLiteral("Project ") + QString::number(FProjects.Names().size()), {},
                     false, 60, QString())
            .trimmed();
    if (ProjectKey(answer).isEmpty() &&
        answer.compare(QLatin1String("Default"), Qt::CaseInsensitive) != 0)
        return;
    bool added = false;
    const QString project = FProjects.Add(answer, added);
    if (project.isEmpty()) return;
    if (added) {
        FProjects.Save();
        if (!FFiles.isEmpty() &&
            FPrompts.AskYesNo(
                QStringLiteral("Add New Project"),
                QStringLiteral("Use the current listed files in this new project too?"), 30,
                QStringLiteral("No"), QStringLiteral("Yes"))) {
            ListSave(FFiles, ProjectFilesList(project));
        }
        ListSave(QStringList(), ProjectAutoOpenList(project));
    }
    SelectProject(project);
}

void OverviewController::DeleteProject() {
    if (ProjectKey(FProject).isEmpty()) return;
    if (!FPrompts.AskYesNo(QStringLiteral("Remove Project"),
                           QStringLiteral("Remove Project \"") + FProject +
                               QStringLiteral("\" now?"),
                           30, QStringLiteral("No"), QStringLiteral("Yes")))
        return;
    const qsizetype at = FProjects.Names().indexOf(FProject);
    FProjects.Remove(FProject);
    FProjects.Save();
    const QStringList& names = FProjects.Names();
    SelectProject(at >= 0 && at < names.size() ? names[at] : names.first());
}

void OverviewController::CheckAllFiles() {
    ProgressSink* p = FFiles.isEmpty()
                          ? nullptr
                          : FView.StartProgress(QStringLiteral("Loading Project..."), false);
    FStatus.Check(FFiles, p);
    if (p) FView.EndProgress(p);
    FView.FilesChanged();
}

bool OverviewController::OpenListed(const QString& entry) {
    const TSQLite3FileHeader* h = FStatus.Find(FileOfEntry(entry));
    if (!h) {
        FPrompts.ShowNotice(
            QStringLiteral("Open Database"),
            QStringLiteral("Error opening Database: The selected Database Status is missing..."), 9,
            true);
        return false;
    }
    if (h->Status == -1) {
        FPrompts.ShowNotice(
            QStringLiteral("Open Database"),
            QStringLiteral("Error opening Database: The selected Database file is ") +
                StatusWord(h->Status) + QStringLiteral("..."),
            9, true);
        return false;
    }
    return OpenEntry(entry);
}

bool OverviewController::OpenEntry(const QString& entry) {
    QString file, table;
    SplitFileEntry(entry, file, table);
    if (file.isEmpty()) {
        BrowseAndOpen();
        return false;
    }
    const bool listed = FStatus.Find(file) != nullptr;
    const TSQLite3FileHeader h = FStatus.Probe(file);
    if (h.Status != 0) {
        CheckAllFiles();
        return false;
    }
    const QString whole = entry.trimmed();
    const qsizetype at = FFiles.indexOf(whole);
    bool changed = false;
    if (at < 0) {
        FFiles.prepend(whole);
        changed = true;
    } else if (at > 0 && keepLastAtTop) {
        FFiles.move(at, 0);
        changed = true;
    }
    if (changed) SaveProjectLists();
    bool ok = true;
    if (WorkspaceHandle* open = Workspace(file)) {
        open->ShowAndRaise();
    } else if (WorkspaceHandle* w = NewWorkspace()) {
        const QString key = file.toUpper();
        qsizetype at = 0;
        while (at < FDBs.size() && FDBs[at].file.toUpper() <= key)
            ++at;
        FDBs.insert(at, {file, w});
        w->SetShowTooltips(FTooltips);
        w->fSysCallback = [this](WorkspaceHandle* sender, int kind, const QString& s1,
                                 const QString& s2, int i1,
                                 int i2) { return OnWorkspaceEvent(sender, kind, s1, s2, i1, i2); };
        w->Init(file, table);
        w->ShowAndRaise();
    } else {
        ok = false;
    }
    if (!listed) CheckAllFiles();
    FView.FilesChanged();
    return ok;
}

WorkspaceHandle* OverviewController::Workspace(const QString& file) const {
    for (const OpenDB& d : FDBs)
        if (d.file == file) return d.window;
    return nullptr;
}

QList<WorkspaceHandle*> OverviewController::Workspaces() const {
    QList<WorkspaceHandle*> all;
    for (const OpenDB& d : FDBs)
        all << d.window;
    return all;
}

int OverviewController::OnWorkspaceEvent(WorkspaceHandle* sender, int eventKind,
                                         const QString& sPar1, const QString&, int, int) {
    qsizetype at = -1;
    for (qsizetype i = 0; i < FDBs.size(); ++i)
        if (FDBs[i].window == sender) at = i;
    if (at < 0) return 0;
    switch (eventKind) {
    case kWsBrowseAndOpen:
        BrowseAndOpen();
        break;
    case kWsOpenFile:
        OpenEntry(sPar1);
        break;
    case kWsShowInFolder:
        FView.ShowInFolder(sPar1);
        break;
    case kWsShowOverview:
        FView.BringToFront();
        break;
    case kWsClosed: // the window frees itself
        FDBs.removeAt(at);
        FView.FilesChanged();
        break;
    default: // forgotten, and freed once the sender's own call has returned
        FDBs.removeAt(at);
        sender->fSysCallback = nullptr;
        sender->FreeLater();
        FView.FilesChanged();
        break;
    }
    return 0;
}

bool OverviewController::Disconnect(const QString& entry) {
    WorkspaceHandle* w = Workspace(FileOfEntry(entry));
    if (!w) {
        FPrompts.ShowNotice(
            QStringLiteral("Unlink Database"),
            QStringLiteral("Error unlinking Database: The selected Database Status is missing..."),
            9, true);
        return false;
    }
    w->CloseAndFree();
    return true;
}

void OverviewController::CloseAll() {
    const QList<WorkspaceHandle*> all = Workspaces();
    for (qsizetype i = all.size() - 1; i >= 0; --i)
        if (Workspaces().contains(all[i])) all[i]->CloseAndFree();
    FView.FreePopOuts();
}

void OverviewController::ShowAll() {
    for (WorkspaceHandle* w : Workspaces())
        w->SetShown(true);
}

void OverviewController::HideAll() {
    for (WorkspaceHandle* w : Workspaces())
        w->SetShown(false);
    FView.ShowPopOuts(false);
}

void OverviewController::ShowPopOuts() {
    FView.ShowPopOuts(true);
}

void OverviewController::SetShowTooltips(bool on) {
    FTooltips = on;
    for (WorkspaceHandle* w : Workspaces())
        w->SetShowTooltips(on);
}

void OverviewController::BrowseAndOpen() {
    const QString f = FChooser.OpenFile(QStringLiteral("Find Database..."),
                                        QStringLiteral("Databases (*.*db);;All files (*)"),
                                        CfgGet(setting::LastDbFile));
    if (f.isEmpty()) return;
    CfgPut(setting::LastDbFile, f);
    OpenEntry(f);
}

void OverviewController::RemoveEntry(const QString& entry) {
    // The entry itself (exact line), else the first line of the same file.
    qsizetype at = FFiles.indexOf(entry);
    if (at < 0)
        for (qsizetype i = 0; i < FFiles.size() && at < 0; ++i)
            if (FileOfEntry(FFiles[i]) == FileOfEntry(entry)) at = i;
    if (at < 0) return;
    FFiles.removeAt(at);
    SaveProjectLists();
    FView.FilesChanged();
}

void OverviewController::MoveEntry(int from, int to) {
    if (from < 0 || to < 0 || from >= FFiles.size() || to >= FFiles.size() || from == to) return;
    FFiles.move(from, to);
    SaveProjectLists();
}

void OverviewController::Purge() {
    if (FFiles.isEmpty()) return;
    bool confirm =
        FPrompts.AskYesNo(QStringLiteral("Remove non-Ready Items"),
                          QStringLiteral("This will remove all links for missing, inaccessible or "
                                         "invalid databases.\rConfirm every item?"),
                          30, QStringLiteral("No"), QStringLiteral("Yes"));
    if (!confirm &&
        !FPrompts.AskYesNo(
            QStringLiteral("Remove non-Ready Items"),
            QStringLiteral("Are you sure you want to remove all bad links without confirmation?."),
            30, QStringLiteral("No"), QStringLiteral("Yes")))
        return;
    bool cancelled = false;
    QStringList kept = FFiles;
    for (QString& e : kept) {
        const int s = FStatus.StatusOf(e);
        if (s == kStatusNotListed || s == 0) continue;
        QString file, table;
        SplitFileEntry(e, file, table);
        if (confirm) {
            bool cancel = false;
            const bool yes = FPrompts.AskYesNoCancel(
                QStringLiteral("Remove File..."),
                QStringLiteral("Remove the ") + StatusWord(s) +
                    QStringLiteral(" link to database file \"") + QFileInfo(file).fileName() +
                    QLatin1Char('"') +
                    (table.isEmpty() ? QString()
                                     : QStringLiteral(" and Table \"") + table + QLatin1Char('"')) +
                    QStringLiteral(" now?"),
                cancel, QStringLiteral("No"), QStringLiteral("Yes"), 30);
            if (cancel) {
                cancelled = true;
                break;
            }
            if (!yes) continue;
        }
        e.clear();
    }
    if (cancelled) {
        LoadProjectLists(); // nothing removed
    } else {
        kept.removeAll(QString());
        FFiles = kept;
        SaveProjectLists();
    }
    CheckAllFiles();
}

void OverviewController::AddSearchResults(const QStringList& entries) {
    for (const QString& e : entries)
        AddSearchResult(FFiles, e);
    SaveProjectLists();
    CheckAllFiles();
}

bool OverviewController::NewDatabase(const QString& selectedEntry) {
    QString start = FileOfEntry(selectedEntry);
    if (start.isEmpty()) start = CfgGet(setting::LastDbFile);
    if (start.isEmpty()) start = QStringLiteral("NewDatabase.sqlitedb");
    const QString chosen =
        FChooser.SaveFile(QStringLiteral("Save DB File..."),
                          QStringLiteral("All files (*);;General DB files (*.*db)"),
                          QFileInfo(start).absolutePath() + QStringLiteral("/NewDatabase.sqlitedb"),
                          QStringLiteral("sqlitedb"));
    if (chosen.isEmpty()) return false;
    const QString file = NewDatabaseName(chosen);
    if (file != chosen && QFileInfo::exists(file) &&
        !FPrompts.AskYesNo(QStringLiteral("Create New Database"),
                           QStringLiteral("The file already exists, Overwrite it?\r") + file, 30,
                           QStringLiteral("No"), QStringLiteral("Yes")))
        return false;
    QString error;
    if (!CreateNewDatabase(
            file, [this](const QString& f) { return IsOpen(f); }, error)) {
        lastError = error;
        FPrompts.ShowNotice(QStringLiteral("New Database Error"),
                            QStringLiteral("Failed to Create Database:\r") + error, 9, true);
        return false;
    }
    return OpenEntry(QFileInfo(file).absoluteFilePath());
}

bool OverviewController::Transfer(const QString& source, const QString& target, bool openAfter) {
    if (FTransferring) {
        lastError = QStringLiteral("A file transfer is already in Progress");
        FPrompts.ShowNotice(QStringLiteral("DB Backup Error"), lastError, 9, true);
        return false;
    }
    FTransferring = true;
    ProgressSink* p = FView.StartProgress(QStringLiteral("Transferring Database file..."), true);
    QString error;
    const bool ok = TransferDatabase(source, target, p, error);
    if (p) FView.EndProgress(p);
    FTransferring = false;
    if (!ok) {
        lastError = error;
        FPrompts.ShowNotice(QStringLiteral("DB Backup Error"), error, 9, true);
        return false;
    }
    if (openAfter && QFileInfo::exists(target)) OpenEntry(target);
    FPrompts.ShowNotice(
        QStringLiteral("DB Backup"),
        QStringLiteral("Successfuly transferred Data to: \"") + target + QLatin1Char('"'), 9, true);
    return true;
}

bool OverviewController::QuickBackup(const QString& entry) {
    const QString file = FileOfEntry(entry);
    if (IsQuickBackup(file)) {
        FPrompts.ShowNotice(
            QStringLiteral("Database Backup..."),
            QStringLiteral(
                "The selected file is already a Backup - Please choose a normal DB File."),
            9, true);
        return false;
    }
    return Transfer(file, QuickBackupName(file), false);
}

bool OverviewController::QuickRestore(const QString& entry) {
    const QString file = FileOfEntry(entry);
    if (IsQuickBackup(file)) {
        FPrompts.ShowNotice(
            QStringLiteral("Database Restore"),
            QStringLiteral(
                "The Opened Database is already a Backup - Please open a normal Database File."),
            9, true);
        return false;
    }
    const QString backup = QuickBackupName(file);
    if (!QFileInfo::exists(backup)) {
        FPrompts.ShowNotice(
            QStringLiteral("Database Restore"),
            QStringLiteral("There is no previously made Quick-Backup found for this database."), 9,
            true);
        return false;
    }
    if (!FPrompts.AskYesNo(QStringLiteral("WARNING:"),
                           QStringLiteral("Quick-Restoring will revert all changes since ") +
                               FileTimeText(backup) + QStringLiteral(". Continue?"),
                           30, QStringLiteral("No"), QStringLiteral("Yes")))
        return false;
    if (!Transfer(backup, file, true)) return false;
    FPrompts.ShowNotice(QStringLiteral("Database Restore"),
                        QStringLiteral("Database Restored successfuly."), 9, true);
    return true;
}

void OverviewController::RunAutoOpen() {
    FAutoOpen.removeAll(QString());
    bool opening = true, listed = false;
    const qsizetype count = FAutoOpen.size();
    for (qsizetype i = 0; i < count; ++i) {
        const QString f = FAutoOpen[i].trimmed();
        if (f.isEmpty() || !QFileInfo::exists(FileOfEntry(f))) continue;
        if (opening && count - i > 3 && i % 4 == 3) {
            bool cancelled = false;
            opening = FPrompts.AskYesNoCancel(
                QStringLiteral("Auto-Open"),
                QString::number(count - i) +
                    QStringLiteral(" more Databases are selected to Auto-Open, this may take a "
                                   "while. Continue Auto-Opening?"),
                cancelled, QStringLiteral("No"), QStringLiteral("Yes"), 30);
        }
        if (opening) {
            OpenEntry(f);
        } else if (!FFiles.contains(f)) {
            FFiles << f;
            listed = true;
        }
    }
    if (listed) SaveProjectLists();
}

QList<OverviewController::MenuItem> OverviewController::ProjectMenu() const {
    QList<MenuItem> menu;
    for (qsizetype i = 0; i < FFiles.size() && i < 20; ++i) {
        const QString file = FileOfEntry(FFiles[i]);
        const TSQLite3FileHeader* h = FStatus.Find(file);
        const int status = h ? h->Status : -1;
        const QString word = h ? StatusWord(status) : QStringLiteral("*Unknown*");
        const bool open = IsOpen(file);
        MenuItem m;
        m.caption = file;
        m.subItems << (open || status == 0
                           ? QStringLiteral("Open this Database")
                           : QStringLiteral("Re-Check Status (") + word + QLatin1Char(')'));
        if (open || status == 0) m.subItems << QStringLiteral("Open Script Processor for Database");
        m.subItems << QStringLiteral("-");
        if (status == 0) m.subItems << QStringLiteral("Quick-Backup");
        if (status != 1) m.subItems << QStringLiteral("Open in Folder");
        if (!open)
            m.subItems << QStringLiteral("Remove reference (Status: ") + word + QLatin1Char(')');
        menu << m;
    }
    return menu;
}

bool OverviewController::FullBackup(const QString& entry) {
    const QString file = FileOfEntry(entry);
    const QString target =
        FChooser.SaveFile(QStringLiteral("Full Backup..."), QString(), file, QString());
    if (target.isEmpty() || target == file) return false;
    return Transfer(file, target, false);
}

bool OverviewController::FullRestore(const QString& entry) {
    const QString file = FileOfEntry(entry);
    const QString source = FChooser.OpenFile(QStringLiteral("Find Database..."), QString(), file);
    if (source.isEmpty() || !QFileInfo::exists(source)) return false;
    if (source == file) {
        FPrompts.ShowNotice(
            QStringLiteral("Database Restore"),
            QStringLiteral("Restoring a file from within itself is an area of quantum physics not "
                           "covered by this application..."),
            9, true);
        return false;
    }
    if (!FPrompts.AskYesNo(
            QStringLiteral("WARNING:"),
            QStringLiteral("Restoring from this back-up will revert all changes since ") +
                FileTimeText(source) + QStringLiteral(". Continue?"),
            30, QStringLiteral("No"), QStringLiteral("Yes")))
        return false;
    if (!Transfer(source, file, true)) return false;
    FPrompts.ShowNotice(QStringLiteral("Database Restore"),
                        QStringLiteral("Database Restored successfuly."), 9, true);
    return true;
}

bool OverviewController::Duplicate(const QString& entry) {
    const QString file = FileOfEntry(entry);
    const QString target =
        FChooser.SaveFile(QStringLiteral("Duplicate Database..."), QString(), file, QString());
    if (target.isEmpty() || target == file) return false;
    if (!Transfer(file, target, false)) return false;
    return OpenEntry(target);
}

} // namespace sky
