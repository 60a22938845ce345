// The workspace window (TfrmSKYMain) without its widgets: the one
// connection, the per-database settings and history, opening, schema
// refresh, table selection, the schema tree and its commands. The window
// renders this state and forwards its events here.
#pragma once

#include "engine/Database.h"
#include "engine/ResultTable.h"
#include "support/Settings.h"
#include "workspace/QueryRun.h"
#include "workspace/SchemaTree.h"
#include "workspace/SqlTemplate.h"
#include "workspace/TreeMenus.h"

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace sky {

class Prompter;
class ProgressSink;

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

class WorkspaceController {
public:
    explicit WorkspaceController(Prompter& prompts);
    ~WorkspaceController();

    // --- what the window supplies
    // Raises an event to the overview (TSysCallbackEvent through the window).
    std::function<int(int kind, const QString& sPar1)> RaiseEvent;
    // Shows a page by its tag.
    std::function<void(int tag)> ShowPage;
    // Lets pending window messages run; false when the window went away meanwhile.
    std::function<bool()> LetEventsRun;
    // Window placement under "FormSpec" (store / restore).
    std::function<void(SettingList&)> SavePlacement, RestorePlacement;
    // Reads what the window holds into the state before it is stored
    // (history lines, header height, tree width).
    std::function<void()> ReadWindow;
    // The clipboard text for templates.
    std::function<QString()> ClipboardText;
    // Something shown changed: the tree, the table page, the results, the
    // editor, the status line, the caption.
    std::function<void()> TreeChanged, TableChanged, ResultsChanged, EditorChanged, StatusChanged;

    // --- the window's frame
    void Init(const QString& dbFile, const QString& dbTable);
    bool OpenDB();
    void RefreshSchema();
    void SelectTable(const QString& newTableName, const QString& schemaDBName);
    bool ShowQueryRows(const QString& sql, bool showResults, bool intoEditor);
    void SaveSettings();
    // The window is going away: settings and history stored, the connection closed.
    void Shutdown();

    // --- the schema tree
    const QList<SchemaNode>& Tree() const { return FTree; }
    // A node got the focus.
    void FocusNode(const TDBObjRec& node);
    // A node was double-clicked: its name into the editor at the selection.
    void DoubleClickNode(const TDBObjRec& node);
    void SetTreeOrder(int order);
    TreeMenuContext MenuContext() const;
    MenuModel MenuOf(const TDBObjRec& node);
    // Runs a menu item's command text (the dispatchers of database, view,
    // column and index/trigger commands).
    void RunCommand(const QString& command);

    // --- the query editor (the SQL editor widget mirrors this)
    QString editorText;
    qsizetype selStart = 0, selEnd = 0;
    // Set by commands that run SQL on the user's behalf: the next run asks no
    // confirmation and makes no history entry. Cleared at the end of every run.
    bool fSkipHist = false;
    QueryStack pgs; // the query-text stack
    void AddToQueryStack(const QString& text, bool keep = false);
    void InsertSQLTemplate(const QString& tmpl);
    // Previous (-1) / Next (+1) through the query-text stack.
    void StepQueryStack(int step);
    // Runs the editor text (run mode: units 0 plain, 1 EXPLAIN, 2 EXPLAIN
    // QUERY PLAN; tens 1 the selected text only).
    void RunQuery(int runMode);
    void AddToHistory(const QString& text);
    // The run's progress display: the "Executing Query..." notice, and the
    // progress dialog opened on demand (nullptr: none shown).
    std::function<void(bool shown)> PrepNotice;
    std::function<ProgressSink*(const QString& title)> StartProgress;
    std::function<void(ProgressSink*)> EndProgress;
    // The shown page of the page area (its tag), and the figures changed.
    std::function<int()> CurrentPage;
    std::function<void()> HistoryChanged, StatsChanged;
    StatFigures Stats() const;

    // --- state (field names of the window)
    TSQLite3Database sql;
    QString sqlFile, fFileID, LastDB;
    SettingList cfg;
    QStringList fExts, fFiles, dba;
    QString curTable, curSchema;
    int curTableType = 4;
    QString fLastTable;
    TDBObjRec selObj;
    bool fSelectedEnumerationLost = false;
    int fPageSize = 1024, fCacheSize = 1;
    int fQryLimit = 1000, fEdtLimit = 200;
    WorkspaceOptions opts;
    QStringList history; // lines of the history page
    QString status;
    QString caption = QStringLiteral("Database View");
    QString fLastSuccQry;

    // The table page and the results.
    QList<QStringList> fieldRows; // six cells per column
    QStringList columnList;       // the quick-SQL column list
    QStringList primaryKey;
    QList<TreeMenuContext::Object> indexRows, triggerRows;
    QString tablePageCaption = QStringLiteral("...");
    QString lblTableName = QStringLiteral("(None)"), lblTablePriKey,
            lblTableSizeCC = QStringLiteral("---"), lblTableSizeRC = QStringLiteral("---");
    QString tableMenuTitle;
    bool tableButtons = false;  // table with columns
    bool objectButtons = false; // table or view with columns
    TResultTable results;
    // A result row's texts (-1: the headings), as the grid shows them.
    QStringList ResultRow(int row) const;
    bool createFromResults = false;

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

    void SetStatus(const QString& text);
    TemplateContext TemplateState() const;
    // The automatic query of the selected table.
    QString TableQuery(const QString& table, const QString& schema) const;

private:
    void LoadSettings();
    bool ObjectStored(const QString& name, const QString& schema, const char* type);
    void SelectTableRows();
    void ExecuteAndRefresh(const QString& script, const QString& success);
    void DatabaseCommand(const QString& code, const QString& value);
    void ViewCommand(const QString& code, const QString& value);
    void ColumnCommand(const QString& code, const QString& value);
    void Changed(const std::function<void()>& f) const {
        if (f) f();
    }

    Prompter& FPrompts;
    QList<SchemaNode> FTree;
    int FDepth = 0;
    std::function<void()> FCloseNow;
    bool FOpenedOnce = false;
    QElapsedTimer FTick;
    bool fShowProgress = false;
    ProgressSink* fQryProgress = nullptr;
    void QueryProgress(qint64 done, qint64 target, bool& cancelled);
    void EndRun();
};

// "Empty", "One" or the number with a space as thousands separator.
QString RowCountText(qint64 rows);

} // namespace sky
