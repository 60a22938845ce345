// The workspace window (TfrmSKYMain) without its widgets: the one
// connection, the per-database settings and history, opening, schema
// refresh, table selection, the schema tree and its commands, the query
// editor's commands, the query run and the data editor page. Its window
// implements WorkspaceView: the controller tells it which part of the state
// changed, the window renders that part and forwards its events here.
//
// The state is grouped by what shows it: the editor, the table page, the
// results, the history and the data editor; the file's own fields keep the
// window's names.
#pragma once

#include "design/QueryPopOut.h"
#include "engine/Database.h"
#include "engine/ResultTable.h"
#include "support/Settings.h"
#include "workspace/DataEditor.h"
#include "workspace/QueryRun.h"
#include "workspace/QuickSql.h"
#include "workspace/ResultsExport.h"
#include "workspace/ResultsGrid.h"
#include "workspace/SchemaTree.h"
#include "workspace/SqlTemplate.h"
#include "workspace/TablePageModel.h"
#include "workspace/TreeMenus.h"
#include "workspace/WorkspaceView.h"

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QIODevice;

namespace sky {

class ClipboardPort;
class DesktopOpener;
class FileChooser;
class Prompter;
class ProgressSink;

// Headings of the table page's field grid.
inline const QStringList kFieldHeadings = {QStringLiteral("Col"),
                                           QStringLiteral("Names and Types"),
                                           QStringLiteral("Constraints"),
                                           QStringLiteral("Comments and Defaults"),
                                           QStringLiteral("Other Constraints"),
                                           QStringLiteral("Index and Trigger References")};

// The options stored in "CFG_" + file id, as the menus show them.
struct WorkspaceOptions {
    bool showLineNos = false;
    bool showStretched = true;
    bool showHighlights = true;
    bool showQueryGutter = false;
    bool showQueryWWrap = true;
    QString custHiLite[3];
    int tableDesignSorted = 0; // 0 creation order, 1 alphabetical, 2 size
    int alignText = 1, alignVals = 2;
    int headerHeight = 280;
    int treeWidth = -1; // -1: the panel's own width
    QString lastAttachedDB, lastCompare;
};

// The query editor (the SQL editor widget mirrors it).
struct EditorState {
    QString text;
    qsizetype selStart = 0, selEnd = 0;
    // fSkipHist: set by commands that run SQL on the user's behalf; the next
    // run asks no confirmation and makes no history entry. Cleared at the end
    // of every run.
    bool skipHistory = false;
    QueryStack stack; // pgs: the query-text stack behind Previous / Next
};

// One column of the selected table or view as the table page knows it.
struct FieldInfo {
    QString name;
    QString comment;    // tables only
    QString references; // the index and trigger names, each followed by ", "
    QStringList cells;  // the field grid's six cells
};

// The table page's operations (its buttons and the tree's table, column,
// index and trigger items).
enum class TableCommandKind {
    CountRows,
    Drop,
    Empty,
    Copy,
    Rename,
    Compare,
    Alter,
    AddIndex,       // on curCol, through the index dialog
    AddTrigger,     // on curCol, through the trigger dialog
    ShowIndexSql,   // the proposed index statement into the editor only
    ShowTriggerSql, // the proposed trigger statement into the editor only
    EditObject,     // the object row chosen in the object grid
    RemoveObject,
    ShowObjectSql,
    AddColumn, // after curCol
    RenameColumn,
    RemoveColumn,
    ColumnReferences,
    NewFromDesigner, // a new table, the selected one as its template
    NewInDesigner,   // a new table without a template
};

// The table page: the selected table or view.
struct TablePageState {
    QString name, schema; // curTable, curSchema
    int type = 4;         // curTableType: 0 table, 1 view, 4 nothing
    QString lastTable;    // fLastTable: selected after the next refresh
    QList<FieldInfo> fields;
    QStringList columns; // the quick-SQL column list
    QStringList primaryKey;
    QList<TreeMenuContext::Object> indexes, triggers;
    QString caption = QStringLiteral("...");
    QString nameLabel = QStringLiteral("(None)"), keyLabel, columnCount = QStringLiteral("---"),
            rowCount = QStringLiteral("---");
    QString menuTitle;
    bool tableButtons = false;  // a table with columns
    bool objectButtons = false; // a table or view with columns
    QString curCol;             // CurCol: the column chosen in the field grid
    int objectRow = -1;         // the object grid's chosen row (-1 none)
    int fieldRow = -1;          // the field grid's chosen row (-1 none)
    QList<ObjectRow> objects;   // the object grid: the table, its indexes and triggers
    ObjectButtons objectChoice; // the object buttons for objectRow
    QString rowCountHint, countButtonHint;
};

// What the cell actions may do at a cell: each empty "why" allows its
// group (row actions need the row, value actions also a table column).
struct CellActionState {
    QString rowWhy, valueWhy;
    QString column;     // the table column the value actions edit
    bool table = false; // a current table for the table actions
};
enum class CellAction {
    EditValue,
    ShowEdit,
    ShowSelect,
    ShowUpdate,
    ShowUnique,
    ListUnique,
    ShowInEditor,
    Duplicate,
    Remove,
    RemoveKey,
    RowShowUpdate,
    RowShowInsert,
    RowShowDelete,
    TableShowCreate,
    TableShowRename,
    TableShowDrop
};

// The results grid's rows and what the last run left.
struct ResultsState {
    TResultTable rows;
    bool createFromResults = false;
    // fSelectedEnumerationLost: the grid no longer shows the selected table.
    bool enumerationLost = false;
    QString lastQuery; // fLastSuccQry
    // fOldGridRow: the grid's current data row (0-based, -1 none), written by
    // the window; a run selects it again when the new rows reach it.
    int currentRow = -1;
};

// The data editor page ("Edit Data"): the model and what the page shows.
struct DataEditorState {
    DataEditorModel model;
    QString where = QStringLiteral("1"); // edtEditorWhere
    QStringList whereHistory;            // its list: the table's WHERE history
    QString tableButton = kEditorTableButton;
    QString tableLabel; // lblEditorTableName
    bool headerShown = false, editorShown = false, invalidShown = false, loadingShown = false;
    int row = -1, col = -1; // the chosen cell (-1: none)
    EditRowButtons buttons;
    int loads = 0; // counts the loads: the grid reads its rows afresh
};

// The history page.
struct HistoryState {
    QStringList lines; // newest entry first
};

class WorkspaceController {
public:
    WorkspaceController(WorkspaceView& view, Prompter& prompts);
    ~WorkspaceController();

    // --- the window's frame
    void Init(const QString& dbFile, const QString& dbTable);
    bool OpenDB();
    void RefreshSchema();
    void SelectTable(const QString& newTableName, const QString& schemaDBName);
    bool ShowQueryRows(const QString& sql, bool showResults, bool intoEditor);
    void SaveSettings();
    // The window is going away: settings and history stored, the connection closed.
    void Shutdown();
    void SetStatus(const QString& text);
    // The settings page's scales ("dbs_" + name in the file's settings).
    int Scale(const QString& name, int def, int min, int max) const;
    void SetScale(const QString& name, int value);

    // --- the schema tree
    const QList<SchemaNode>& Tree() const { return FTree; }
    // A node got the focus.
    void FocusNode(const TDBObjRec& node);
    // A node was double-clicked: its name into the editor at the selection.
    void DoubleClickNode(const TDBObjRec& node);
    void SetTreeOrder(int order);
    TreeMenuContext MenuContext() const;
    MenuModel MenuOf(const TDBObjRec& node);
    // Carries out a menu item's command (the dispatchers of database, view,
    // column and index/trigger commands).
    void RunCommand(const TreeCommand& command);
    // A named menu action the controller carries out (table operations,
    // designer, quick SQL, views); false for the window's own actions.
    bool RunMenuAction(const QString& action);

    // --- the query editor
    void AddToQueryStack(const QString& text, bool keep = false);
    void InsertSQLTemplate(const QString& tmpl);
    // Previous (-1) / Next (+1) through the query-text stack.
    void StepQueryStack(int step);
    // The editor text replaced (the old one pushed onto the stack first), the
    // caret at the end.
    void ReplaceEditorText(const QString& text);
    // The same with a part of the new text selected.
    void ReplaceEditorText(const QString& text, qsizetype selStart, qsizetype selEnd);
    // A comment command on the selection (block or line comments; add or remove).
    void CommentSelection(bool block, bool add);
    // A double-click on the history page's text (lines joined by CR LF) at a
    // caret: the entry around it into the editor. False when there is none.
    bool PickHistory(const QString& historyText, qsizetype caret);
    // "Add as SQL" of the results filter: the condition merged into the
    // editor's query. False when the query stays as it was.
    bool AddFilterAsSql(const QString& condition);
    // The editor text from a file / into a file; the status says how it went.
    void LoadQuery(const QString& file);
    void SaveQuery(const QString& file);

    // --- the quick-SQL buttons (WorkspaceQuickSql.cpp): each edits the
    // editor text only (the old text pushed onto the stack first).
    // The chosen column (quoted where needed) replaces the selection.
    void QuickInsertColumn(const QString& column);
    // A comparison button: the column unless it stands just before the
    // caret, then the hint with the caret at its "|".
    void QuickCompare(const QString& column, const QString& hint);
    // A template button for the selected table or view; whether it is offered.
    void QuickSql(QuickKind kind);
    bool QuickOffered(QuickKind kind) const;
    // "New": the designer's create statement of a new table (not run), its
    // name selected. Cancelling the designer does nothing.
    void QuickNewTable();

    // --- the table page's operations (WorkspaceTableOps.cpp); the status
    // says how each went.
    void TableCommand(TableCommandKind kind);
    // Whether the window has a table compare for the Compare items.
    bool CompareReady() const;
    // The index and trigger lines of the tree and the page (ALTER, REMOVE):
    // the object edited in its dialog or removed.
    void ObjectCommand(const QString& kind, const QString& name, const QString& objectSql,
                       bool remove);

    // --- the table page's display (WorkspaceTablePage.cpp)
    // A field-grid row chosen: curCol, and the object row of its first
    // reference. -1 chooses none.
    void ChooseFieldRow(int row);
    // An object-grid row chosen: the object buttons follow it.
    void ChooseObjectRow(int row);
    // Double-click on the field grid: the metadata notice of curCol and its
    // name into the editor at the selection. Nothing without a table or curCol.
    void ShowColumnMetadata();
    // "Show selected SQL": the chosen object's SQL replaces the editor text.
    void ShowObjectSql();
    // The row-count label and its hints from the stored count.
    void RefreshRowCount();

    // --- the results' actions (WorkspaceResults.cpp)
    // A view made from the results: its SELECT and a free name proposed,
    // edited in the view dialog, then created (replacing a view of that
    // name in its schema once the user agreed) in one transaction.
    void MakeViewFromResults(bool temporary);
    // The copies of the grid (rows in the grid's order, 0-based; shown
    // tells the filter's rows for the CSV and tab copies).
    void CopyResults(GridCopy shape, ClipboardPort& clipboard, const RowShown& shown = {});
    void CopyResultRow(int row, RowCopy shape, ClipboardPort& clipboard);
    void CopyResultColumn(int col, ColumnCopy shape, ClipboardPort& clipboard);
    void CopyResultHeadings(HeaderCopy shape, ClipboardPort& clipboard);
    void CopyResultHeading(int col, ClipboardPort& clipboard);
    void CopyResultValue(int row, int col, ClipboardPort& clipboard);
    // "Save these Results": the save dialog, the file, then it is opened.
    void SaveResults(SaveKind kind, FileChooser& files, DesktopOpener& opener);
    // "to New Table..." and "Create from these Results" > "New Table...":
    // the grid into the CSV import window.
    void ResultsToNewTable(bool fromMenu);
    // Query to File (F8 and the export items) and "into New Table...".
    void QueryToFile(QueryFileKind kind, FileChooser& files);
    void QueryIntoNewTable();
    // The cell, row and table actions of a grid cell (row 0-based in the
    // grid's order): what they may do there, and their run. Executions that
    // succeed run the last query again; failures leave the grid.
    CellActionState CellActionsAt(int row, int col);
    void RunCellAction(CellAction action, int row, int col);
    // The pop-outs: the results (their rows and the last query), the
    // selected table's rows, or a query; refused while a transaction is open
    // or without a query.
    void PopOutResults();
    void PopOutTable();
    void PopOutQuery(const QString& sql);

    // --- the data editor page (WorkspaceDataEditor.cpp); the status says
    // how each went.
    // Offers a table (none hides the header); an editor without a table
    // takes it at once.
    void OfferEditTable(const QString& name, const QString& schema);
    // The table button: the offered table becomes the editor's, with its
    // WHERE history, and is loaded.
    void EditorSelectTable();
    // Enter in the WHERE box, "Refresh Editor" and "Reset all Changes": the
    // rows loaded again, after asking when the script holds changes.
    void RefreshEditor();
    void ChooseEditorCell(int row, int col);
    void EditorSetCell(int row, int col, const QString& text);
    void EditorAddRecord();
    void EditorDeleteLine();
    void EditorResetLine();
    void EditorCopyGrid(ClipboardPort& clipboard);
    // The script as the user typed it.
    void EditorScriptTyped(const QString& text);
    // "Copy the selected SQL": the selection, or the whole script.
    void EditorCopyScript(ClipboardPort& clipboard, qsizetype selStart, qsizetype selEnd);
    void EditorCommit();
    // The "Edit Data" page became active.
    void EditPageShown();
    // "Edit Table Data" of the table menu: the selected table into the
    // editor, then the page shown.
    void EditTableData();

    // --- the Database menu (WorkspaceDatabaseMenu.cpp); the status says how
    // each went
    MenuModel DatabaseMenuModel();
    // Carries out one of the menu's actions (also the tree's attach, import
    // and script-export items); false for an action it does not know.
    bool RunDatabaseAction(const QString& action, FileChooser& files, ClipboardPort& clipboard);
    // Copies source (empty: this database) onto target page by page; with
    // reopen the workspace then opens target.
    bool TransferFile(const QString& source, const QString& target, bool reopen,
                      const QString& targetSchema = QString(),
                      const QString& sourceSchema = QString());
    bool QuickBackup();
    bool FullBackup(FileChooser& files);
    bool QuickRestore();
    bool FullRestore(FileChooser& files);
    bool SaveDatabaseAs(FileChooser& files);
    bool NewEmptyDatabase(FileChooser& files);
    bool NewDatabaseFromTable(FileChooser& files);
    // Attach: tag 0 a file, 1 in memory, 2 temporary; a tens digit of 1
    // shows the statement instead of running it.
    bool Attach(int tag, FileChooser& files);
    bool AttachListed(const QString& file);
    bool ChooseExtension(bool showOnly, FileChooser& files);
    bool LoadExtensionFile(const QString& library);
    void ShowExtensionSql(const QString& library);
    bool ExportDatabaseScript(FileChooser& files);
    bool ExportTableScript(FileChooser& files);
    // 0 its last script, 1 a new one, 2 the clipboard's, 3 a file to choose.
    void OpenScriptEditor(int item, ClipboardPort& clipboard);
    void ShowSchemaListing();
    // Tag 0 ANALYZE, 1 REINDEX, each after its question.
    bool AnalyzeOrReindex(int tag);
    bool Vacuum();
    bool ReleaseMemory();
    // Tag 0 small files into the CSV import window, 1 any file into the file import.
    bool ImportFromFile(int tag, FileChooser& files);
    bool ImportFromClipboard(ClipboardPort& clipboard);

    // --- running queries
    void RunQuery(RunMode mode);
    void AddToHistory(const QString& text);
    StatFigures Stats() const;
    // A result row's texts (-1: the headings), as the grid shows them.
    QStringList ResultRow(int row) const;
    // The statistics of a results column, with the comment and the index and
    // trigger references the table page has for a column of that name.
    TColStats ColumnStatistics(const GridView& grid, int column) const;

    // Busy-safe closing: a close asked for while an operation runs is done
    // once it has returned.
    bool Busy() const { return sql.IsBusy() || FDepth > 0; }
    void RequestClose(std::function<void()> closeNow);
    bool ClosePending() const { return bool(FCloseNow); }
    class Operation {
    public:
        explicit Operation(WorkspaceController& c) : FC(c) { ++FC.FDepth; }
        ~Operation();

    private:
        WorkspaceController& FC;
    };

    TemplateContext TemplateState() const;
    // The automatic query of the selected table.
    QString TableQuery(const QString& table, const QString& schema) const;

    // --- state
    EditorState editor;
    TablePageState table;
    ResultsState results;
    HistoryState history;
    DataEditorState edit;
    WorkspaceOptions opts;
    // The file (field names of the window).
    TSQLite3Database sql;
    QString sqlFile, fFileID, LastDB;
    SettingList cfg;
    QStringList fExts, fFiles, dba;
    TDBObjRec selObj;
    int fPageSize = 1024, fCacheSize = 1;
    int fQryLimit = 1000, fEdtLimit = 200;
    QString status;
    QString caption = QStringLiteral("Database View");

private:
    void LoadSettings();
    bool ObjectStored(const QString& name, const QString& schema, const char* type);
    bool SelectStoredTable(const QString& name, const QString& schema);
    bool SelectStoredView(const QString& name, const QString& schema);
    void ReadTableObjects(const QString& name, const QString& schema);
    void SelectTableRows();
    void ExecuteAndRefresh(const QString& script, const QString& success);
    // The Database menu's parts (WorkspaceDatabaseMenu.cpp).
    bool SwitchToFile(const QString& file);
    bool RefuseWhileBusy();
    bool Restore(const QString& from, const QString& question);
    bool AttachDatabase(const QString& file, const QString& identifier, QString& error);
    bool AskScriptFile(FileChooser& files, const QString& title, QString& file);
    struct ScriptExport {
        QString title, notice, createError, success, exceptionNotice, exceptionStatus;
    };
    bool ExportScript(FileChooser& files, const ScriptExport& e,
                      const std::function<bool(QIODevice*)>& write);
    bool RunMaintenance(const QString& verb);
    bool RunImport(const QString& source, const std::function<bool(QString&, QString&)>& import,
                   QString name);
    void DatabaseCommand(const TreeCommand& c);
    void ViewCommand(const TreeCommand& c);
    void ColumnCommand(const TreeCommand& c);
    void QueryProgress(qint64 done, qint64 target, bool& cancelled);
    // The data editor's loading; asks first (when `ask`) when the script
    // holds changes. False when it was not loaded.
    bool LoadEditor(bool ask);
    bool ConfirmEditorDiscard(const QString& newTable);
    void EditorRowsChanged();
    void EndRun();

    WorkspaceView& FView;
    Prompter& FPrompts;
    QList<SchemaNode> FTree;
    int FDepth = 0;
    std::function<void()> FCloseNow;
    std::shared_ptr<ConnectionHandle> FHandle; // the pop-outs' weak handle on sql
    bool FOpenedOnce = false;
    bool FTransferring = false; // fBUProgress: one file transfer at a time
    QElapsedTimer FTick;
    bool fShowProgress = false;
    ProgressSink* fQryProgress = nullptr;
};

// "Empty", "One" or the number with a space as thousands separator.
QString RowCountText(qint64 rows);

} // namespace sky
