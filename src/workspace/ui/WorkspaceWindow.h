// The workspace window (TfrmSKYMain): one database file worked on. The
// header area holds the schema tree, the query area and the right-hand
// pages; the page area the eight pages. State and commands are
// WorkspaceController's; this class renders them.
#pragma once

#include "shell/Workspace.h"
#include "workspace/EditorCommands.h"
#include "workspace/WorkspaceController.h"

#include <QHash>
#include <QMainWindow>
#include <QPair>
#include <QPointer>
#include <memory>

class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTableWidget;
class QTreeView;
class QsciScintilla;
class QComboBox;
class QLineEdit;
class QActionGroup;
class QKeyEvent;
class QSpinBox;

namespace sky::ui {

class SchemaTreeModel;
class TResultsPage;
class TDocsPage;
class TStatsPanel;
class TKMessg;

class TfrmSKYMain : public QMainWindow, public WorkspaceHandle {
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

    WorkspaceController& Controller() { return *FCtl; }
    QTreeView* Tree() const { return vtsDB; }
    QsciScintilla* Editor() const { return memQry; }
    QTabWidget* Pages() const { return PageControl1; }
    TResultsPage* Results() const { return FResults; }
    QsciScintilla* History() const { return memHist; }
    QPushButton* RunButton(int mode) const;
    // Runs the editor text in a run mode (0 plain, 1 EXPLAIN, 2 plan, 10 selection).
    void RunQuery(int mode);
    QTableWidget* Fields() const { return sgFields; }
    QLabel* Status() const { return lblStatus; }
    // The tree node's menu as the window shows it.
    void BuildNodeMenu(QMenu& menu, const QModelIndex& node);
    // Selects a page by its tag (any other tag: "Query Results").
    void ShowPage(int tag);
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
    QWidget* BuildTablePage();
    QWidget* BuildDocsPage();
    QWidget* BuildSettingsPage();
    void BuildMenus();
    void RenderTree();
    void RenderTable();
    void RenderResults();
    void RenderEditor();
    void ReadEditor();
    void RenderStatus();
    void RunAction(const QString& action);
    void AddMenu(QMenu& menu, const MenuModel& model);
    void LayoutHeader();
    void RenderHistory();
    void RenderStack();
    void ShowStats();
    void SetupEditor(QsciScintilla* e);
    void PrepNotice(bool shown);
    bool EditorKey(QKeyEvent* k);
    void UpdateContextHelp();
    void OpenContextHelp();
    void ApplyLayout();

    std::unique_ptr<WorkspaceController> FCtl;
    SchemaTreeModel* FTreeModel;
    QSplitter *pnlHeaderSplit, *FHSplit;
    QWidget* pnlDBTables;
    QTreeView* vtsDB;
    QLabel* FTreeEmpty;
    QsciScintilla* memQry;
    QLabel* lblStatus;
    QPushButton *btnQry, *btnQryToFile, *btnQrySelected;
    QTabWidget *pgcQRight, *PageControl1;
    QTableWidget *sgFields, *sgIndices;
    TResultsPage* FResults;
    TDocsPage* FDocs;
    TStatsPanel* FStats;
    QPointer<TKMessg> fQueryPrep;
    QPushButton *btnExplain, *btnQryPlan, *btnQryHistPrev, *btnQryHistNext, *btnClrQry;
    QAction* mnuQryHelpSel1;
    QLabel *lblTableName, *lblTablePriKey, *lblTableSizeCC, *lblTableSizeRC;
    QsciScintilla* memHist;
    QComboBox* cbDocsSQLItem;
    QLineEdit* edtDocsSearch;
    QWidget* pnlHelp;
    QLabel *lblHelpHeader, *lblHelp;
    QActionGroup* FSortGroup;
    bool FSyncing = false;
    bool FClosing = false;
    bool FTips = true;
    bool FLaidOut = false;
    ContextHelp FHelp;
    QList<QSpinBox*> FScales;
    QHash<QObject*, QPair<QString, QString>> FHelpImages; // title, text
};

} // namespace sky::ui
