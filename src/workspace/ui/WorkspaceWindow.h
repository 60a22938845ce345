// The workspace window (TfrmSKYMain): one database file worked on. The
// header area holds the schema tree, the query area (QueryArea.cpp) and the
// right-hand pages; the page area the eight pages (TablePage.cpp,
// ResultsView.cpp, HistoryPage.cpp, WorkspaceSettingsPage.cpp, the docs
// page). State and commands are WorkspaceController's; this class
// implements WorkspaceView and renders what the controller says changed.
// The menus are built in WorkspaceMenus.cpp.
#pragma once

#include "completion/Completion.h"
#include "shell/Workspace.h"
#include "workspace/EditorCommands.h"
#include "workspace/TableOps.h"
#include "workspace/WorkspaceController.h"
#include "workspace/WorkspaceView.h"

#include <QHash>
#include <QMainWindow>
#include <QPair>
#include <QPointer>
#include <QRect>
#include <memory>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTableWidget;
class QTreeView;
class QsciScintilla;

namespace sky::ui {

class SchemaTreeModel;
class TResultsPage;
class TDocsPage;
class TStatsPanel;
class TKMessg;
class TQueryArea;
class TQuickSqlPage;
class TTablePage;
class TDataEditorPage;
class THistoryPage;
class TPragmaPage;
class TAnalyzerPage;
class TWorkspaceSettingsPage;

class TfrmSKYMain : public QMainWindow,
                    public WorkspaceHandle,
                    public WorkspaceView,
                    public TableComparePort {
    Q_OBJECT
public:
    explicit TfrmSKYMain(QWidget* parent = nullptr);
    ~TfrmSKYMain() override;

    // WorkspaceHandle
    void Init(const QString& dbFile, const QString& dbTable) override;
    void SetShowTooltips(bool on) override;
    void ShowAndRaise() override;
    void SetShown(bool shown) override;
    void CloseAndFree() override;
    void FreeLater() override;

    // WorkspaceView
    int RaiseEvent(int kind, const QString& sPar1) override;
    void ShowPage(int tag) override; // any tag but a page's: "Query Results"
    int CurrentPage() const override;
    bool LetEventsRun() override;
    void SavePlacement(SettingList& list) override;
    void RestorePlacement(const SettingList& list) override;
    void ReadWindow() override;
    QString ClipboardText() const override;
    bool EditView(TViewLayout& view) override;
    TableDesignerPort* TableDesigner() override;
    bool ImportCsv(TSQLite3Database& db, const QString& csv, QString& tableName, QString& why,
                   const QString& replaceTable) override;
    bool PopOutsReady() const override { return true; }
    bool ScriptWindowsReady() const override { return true; }
    void OpenScriptWindow(const QString& dbFile, const QString& scriptFile,
                          const QString& script) override;
    bool CsvImportReady() const override { return true; }
    bool FileImportReady() const override { return true; }
    bool ImportFile(TSQLite3Database& db, const QString& file, QString& tableName,
                    QString& why) override;
    void BusyNotice(const QString& title, const QString& text) override;
    // The Database menu's file dialogs (a test's chooser; null: the system's).
    void SetFileChooser(FileChooser* files) { FFileChooser = files; }
    // Fills "Database      " from the controller's model (done as it opens).
    void FillDatabaseMenu();
    QMenu* DatabaseMenu() const { return mmnuDatabase1; }
    bool DocWindowReady() const override { return true; }
    void ShowDocumentation(const QString& dbFile, bool check) override;
    void OpenPopOut(const QString& sql, const QStringList& lines) override;
    DesignerDialogs* SchemaDialogs() override;
    // The compare window on this workspace's connection.
    TableComparePort* TableCompare() override { return this; }
    bool CompareTables(const QString& table, const QString& other, QString& error) override;
    TPragmaPage* PragmaPage() const { return FPragma; }
    TAnalyzerPage* AnalyzerPage() const { return FAnalyzer; }
    // The calculator's submitted value replaces the editor's selection.
    void AddCalculatorValue();
    void FillCodeMenu(QMenu* code);
    const CompletionModel& Completion() const { return FCompletion; }
    void PrepNotice(bool shown) override;
    ProgressSink* StartProgress(const QString& title) override;
    void EndProgress(ProgressSink* p) override;
    void TreeChanged() override;
    void TableChanged() override;
    void ResultsChanged() override;
    void EditorChanged() override;
    void StatusChanged() override;
    void HistoryChanged() override;
    void StatsChanged() override;
    void StackChanged() override;
    void EditDataChanged() override;

    WorkspaceController& Controller() { return *FCtl; }
    QTreeView* Tree() const { return vtsDB; }
    QsciScintilla* Editor() const;
    TQueryArea* Query() const { return FQuery; }
    QTabWidget* Pages() const { return PageControl1; }
    TResultsPage* Results() const { return FResults; }
    TQuickSqlPage* QuickSql() const { return FQuick; }
    TDataEditorPage* DataEditor() const { return FEdit; }
    QsciScintilla* History() const;
    QPushButton* RunButton(RunMode mode) const;
    // Runs the editor text in a run mode.
    void RunQuery(RunMode mode);
    QTableWidget* Fields() const;
    QLabel* Status() const;
    // The tree node's menu as the window shows it.
    void BuildNodeMenu(QMenu& menu, const QModelIndex& node);
    // Selects the tree node of a table (or any node whose text starts so).
    bool FocusTreeNode(const QString& schema, const QString& name);
    void ShowHelpPanel(int x, int y, const QString& text, const QString& title, int alignment);
    void HideHelpPanel();

protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    QWidget* BuildHeader();
    QWidget* BuildTreePanel(QWidget* parent);
    void BuildPages();
    void BuildHelpPanel();
    void BuildKeys();
    void AddHelpImage(QWidget* image, const QString& title, const QString& text);
    // WorkspaceMenus.cpp
    void BuildMenus();
    void BuildQueryMenu();
    void BuildResultsMenu();
    void AddQueryExportMenu(QMenu& m, const char* name, const char* tableName,
                            const QString& tableCaption);
    // F8 and the export items: the editor's query into a file.
    void QueryToFile(QueryFileKind kind);
    // puQry: the editor's pop-up menu.
    void BuildEditorMenu();
    void LoadQueryFile();
    void SaveQueryFile();
    void AddMenu(QMenu& menu, const MenuModel& model);
    void RunAction(const QString& action);
    void UpdateContextHelp();
    void OpenContextHelp();
    void ApplyOptions();

    void EditorWanted(bool before);
    void LayoutHeader();
    void ApplyLayout();

    std::unique_ptr<WorkspaceController> FCtl;
    SchemaTreeModel* FTreeModel;
    QSplitter *pnlHeaderSplit, *FHSplit;
    QWidget* pnlDBTables;
    QTreeView* vtsDB;
    QLabel* FTreeEmpty;
    TQueryArea* FQuery;
    QTabWidget *pgcQRight, *PageControl1;
    TTablePage* FTable = nullptr;
    TQuickSqlPage* FQuick = nullptr;
    TResultsPage* FResults;
    TDataEditorPage* FEdit = nullptr;
    THistoryPage* FHistory;
    TPragmaPage* FPragma = nullptr;
    TAnalyzerPage* FAnalyzer = nullptr;
    // This window's completion vocabulary (its database's objects).
    CompletionModel FCompletion;
    TWorkspaceSettingsPage* FSettings;
    TDocsPage* FDocs;
    TStatsPanel* FStats;
    QPointer<TKMessg> fQueryPrep;
    QAction* mnuQryHelpSel1;
    QAction* mmnuResultsMakeView1;
    QMenu* puQry;
    QAction *FGutterAction, *FWrapAction;
    QActionGroup* FSortGroup;
    QMenu *mmnuDatabase1 = nullptr, *FSortMenu = nullptr;
    FileChooser* FFileChooser = nullptr;
    QPointer<QWidget> FBusyNotice;
    QWidget* pnlHelp;
    QLabel *lblHelpHeader, *lblHelp;
    bool FClosing = false;
    bool FDestroying = false; // nothing is rendered any more
    bool FTips = true;
    bool FLaidOut = false;
    QRect FRestored; // the stored placement, applied again once mapped
    ContextHelp FHelp;
    QHash<QObject*, QPair<QString, QString>> FHelpImages; // title, text
    QString FTableEditorText;      // the editor text before a table page command
    QObject* FTableHelp = nullptr; // the table page's help image
};

} // namespace sky::ui
