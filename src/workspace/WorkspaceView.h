// What the workspace controller asks of its window: the one contract between
// WorkspaceController and the Qt window that renders it (TfrmSKYMain). The
// controller owns the state and the decisions; the window builds widgets,
// forwards events to the controller and, when told that a part of the state
// changed, renders that part. Tests implement it without a display.
#pragma once

#include <QString>
#include <QStringList>

namespace sky {

class TableDesignerPort;
class DesignerDialogs;
class TableComparePort;
class TSQLite3Database;

class ProgressSink;
struct SettingList;
struct TViewLayout;

// Page tags of the page area.
enum WorkspacePage {
    kPageTable = 0,
    kPageResults = 1,
    kPageEdit = 2,
    kPageHistory = 3,
    kPagePragma = 4,
    kPageAnalysis = 5,
    kPageSettings = 6,
    kPageDocs = 7
};

class WorkspaceView {
public:
    virtual ~WorkspaceView() = default;

    // --- the window and the overview
    // Raises an event to the overview (WorkspaceEventKind); its answer.
    virtual int RaiseEvent(int kind, const QString& sPar1) = 0;
    // Shows a page by its tag; the tag of the page shown.
    virtual void ShowPage(int tag) = 0;
    virtual int CurrentPage() const = 0;
    // Lets pending window messages run; false when the window went away (or
    // began to close) meanwhile.
    virtual bool LetEventsRun() = 0;
    // The window's placement stored in / restored from a settings list.
    virtual void SavePlacement(SettingList& list) = 0;
    virtual void RestorePlacement(const SettingList& list) = 0;
    // Writes what the user changed in the window itself into the controller
    // before it is stored or used: the history page's text, the header height
    // and the tree width.
    virtual void ReadWindow() = 0;
    virtual QString ClipboardText() const = 0;
    // The view dialog on a view; false when the user cancelled it.
    virtual bool EditView(TViewLayout& view) {
        (void)view;
        return false;
    }
    // The table designer (none: the operations that need it do nothing).
    virtual TableDesignerPort* TableDesigner() { return nullptr; }
    // The index and trigger dialogs (none: adding and editing do nothing).
    virtual DesignerDialogs* SchemaDialogs() { return nullptr; }
    // Whether the window opens pop-out windows (their items are enabled),
    // and the opening of one on the connection with a query and result
    // lines (none: it runs the query itself).
    virtual bool PopOutsReady() const { return false; }
    virtual void OpenPopOut(const QString& sql, const QStringList& lines) {
        (void)sql, (void)lines;
    }
    // The script processor window on a database file (none: its items are
    // disabled).
    virtual bool ScriptWindowsReady() const { return false; }
    // The script window on dbFile with a script file ("*FORCESELECT": one to
    // choose) or text; both empty: its last script.
    virtual void OpenScriptWindow(const QString& dbFile, const QString& scriptFile = QString(),
                                  const QString& script = QString()) {
        (void)dbFile, (void)scriptFile, (void)script;
    }
    // The documentation window on a database file: its text documentation,
    // or its schema check (none: the items are disabled).
    virtual bool DocWindowReady() const { return false; }
    virtual void ShowDocumentation(const QString& dbFile, bool check) { (void)dbFile, (void)check; }
    // The table compare (none yet: the compare items are disabled).
    virtual TableComparePort* TableCompare() { return nullptr; }
    // The CSV import window on a CSV text for a new table of db: true with
    // the created table's name; otherwise false with why. replaceTable is a
    // table of main the import of its name replaces in its transaction.
    virtual bool ImportCsv(TSQLite3Database& db, const QString& csv, QString& tableName,
                           QString& why, const QString& replaceTable) {
        (void)db, (void)csv, (void)tableName, (void)replaceTable;
        why = QStringLiteral("The CSV import is not available here");
        return false;
    }

    // The file import window on a file for a new table of db: true with the
    // created table's name; otherwise false with why.
    virtual bool FileImportReady() const { return false; }
    virtual bool ImportFile(TSQLite3Database& db, const QString& file, QString& tableName,
                            QString& why) {
        (void)db, (void)file, (void)tableName;
        why = QStringLiteral("The file import is not available here");
        return false;
    }
    virtual bool CsvImportReady() const { return false; }
    // A notice that stays up while a long operation runs; an empty title
    // takes it down.
    virtual void BusyNotice(const QString& title, const QString& text) { (void)title, (void)text; }

    // --- a query's progress: the "Executing Query..." notice, and the
    // progress dialog opened on demand (nullptr: none shown)
    virtual void PrepNotice(bool shown) = 0;
    virtual ProgressSink* StartProgress(const QString& title) = 0;
    virtual void EndProgress(ProgressSink* p) = 0;

    // --- a part of the state changed and is to be rendered again
    virtual void TreeChanged() = 0;
    virtual void TableChanged() = 0;
    virtual void ResultsChanged() = 0;
    virtual void EditorChanged() = 0;
    virtual void StatusChanged() = 0;
    virtual void HistoryChanged() = 0;
    virtual void StatsChanged() = 0;
    // The query-text stack moved: Previous/Next visibility.
    virtual void StackChanged() {}
    // The data editor page's state changed.
    virtual void EditDataChanged() {}
};

} // namespace sky
