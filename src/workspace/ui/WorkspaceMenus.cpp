// The workspace window's menus: the menu bar (Database, Query, View, Help),
// the context help item, and the schema tree's node menus built from
// WorkspaceController's menu models.
#include "workspace/ui/WorkspaceWindow.h"

#include "codeexport/Codify.h"
#include "codeexport/ui/CodeExWindow.h"
#include "completion/ui/HighlighterOptions.h"
#include "shell/InfoPages.h"
#include "shell/ui/AboutBox.h"
#include "shell/ui/DocsPage.h"
#include "shell/ui/HelpPanel.h"
#include "shell/ui/PopOuts.h"
#include "shell/ui/QtFileChooser.h"
#include "support/TextUtil.h"
#include "workspace/DatabaseMenu.h"
#include "workspace/ui/NotYet.h"
#include "workspace/ui/QueryArea.h"
#include "workspace/ui/ResultsView.h"
#include "workspace/ui/SchemaTreeModel.h"

#include "shell/ui/Scintilla.h"
#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QUrl>

namespace sky::ui {
namespace {

const QString kGutterAction = QStringLiteral("mnuQryOptShowGutter1");
const QString kWrapAction = QStringLiteral("mnuQryOptWordWrap1");

} // namespace

void TfrmSKYMain::BuildMenus() {
    // "Database      ": built from the controller's model each time it opens,
    // so the recent, attached and extension lists are always current.
    mmnuDatabase1 = menuBar()->addMenu(QStringLiteral("Database      "));
    mmnuDatabase1->setObjectName(QStringLiteral("mmnuDatabase1"));
    FSortMenu = new QMenu(QStringLiteral("Sort Tables by"), this);
    FSortMenu->setObjectName(QStringLiteral("mmnuDatabaseSortTablesBy1"));
    FSortGroup = new QActionGroup(this);
    const struct {
        const char* caption;
        const char* name;
        int order;
        bool enabled;
    } orders[] = {{"Creation order", "mmnuDatabaseSortTablesByCreation", 0, true},
                  {"Alphabetical order", "mmnuDatabaseSortTablesByAlpha", 1, true},
                  {"Size", "mmnuDatabaseSortTablesBySize1", 2, false}};
    for (const auto& o : orders) {
        QAction* a = FSortMenu->addAction(QLatin1String(o.caption));
        a->setObjectName(QLatin1String(o.name));
        a->setCheckable(true);
        a->setEnabled(o.enabled);
        a->setData(o.order);
        FSortGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, order = o.order] {
            FQuery->ReadEditor();
            FCtl->SetTreeOrder(order);
        });
    }
    FSortGroup->actions().first()->setChecked(true);
    // Ctrl+L works whether the menu has been opened or not.
    auto* overview = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    connect(overview, &QShortcut::activated, this, [this] { SysCallback(kWsShowOverview); });
    connect(mmnuDatabase1, &QMenu::aboutToShow, this, [this] { FillDatabaseMenu(); });
    FillDatabaseMenu();
    BuildQueryMenu();
    BuildResultsMenu();
    BuildEditorMenu();
    QMenu* view = menuBar()->addMenu(QStringLiteral("View"));
    for (int tag = 0; tag < 8; ++tag)
        view->addAction(PageControl1->tabText(tag), this, [this, tag] { ShowPage(tag); });
    view->addSeparator();
    view->addAction(QStringLiteral("Show any Open Result-lists  (Pop-outs)"), this,
                    [] { PopOuts().ShowAll(); })
        ->setObjectName(QStringLiteral("mmnuViewPopUps1"));
    QMenu* help = menuBar()->addMenu(QStringLiteral("Help"));
    help->addAction(QStringLiteral("SQLite && System versions (About)"), this,
                    [] { frmSKYAbout().About(); });
    help->addAction(QStringLiteral("About"), this, [] { frmSKYAbout().About(); });
}

// One item per code language, then "Codify Settings..."; filled again
// whenever it opens, so edited settings show at once in every window.
void TfrmSKYMain::FillCodeMenu(QMenu* code) {
    auto fill = [this, code] {
        code->clear();
        QStringList names;
        CodifyNames(names);
        for (int k = 0; k < names.size(); ++k)
            code->addAction(names[k], this, [this, k, code] {
                FQuery->ReadEditor();
                const QString out = Codify(TrimText(FCtl->editor.text), k);
                if (!out.isEmpty()) QGuiApplication::clipboard()->setText(out);
                code->setDefaultAction(code->actions().value(k));
            });
        code->addSeparator();
        code->addAction(QStringLiteral("Codify Settings..."), this, [this] {
            if (EditCodifySettings(-1, -1, this)) CodifySaveStored();
        });
    };
    fill();
    connect(code, &QMenu::aboutToShow, this, fill);
}

void TfrmSKYMain::BuildQueryMenu() {
    QMenu* q = menuBar()->addMenu(QStringLiteral("Query"));
    const struct {
        const char* caption;
        const char* name;
        RunMode mode;
    } runs[] = {{"Run Query", "mmnuQueryRunQuery1", RunMode::Plain},
                {"Explain Query", "mmnuQueryRunExplain1", RunMode::Explain},
                {"Query Plan", "mmnuQueryRUnPlan1", RunMode::QueryPlan}};
    for (const auto& r : runs)
        q->addAction(QLatin1String(r.caption), this, [this, mode = r.mode] {
             RunQuery(mode);
         })->setObjectName(QLatin1String(r.name));
    q->addSeparator();
    q->addAction(QStringLiteral("Previous Query"), this, [this] { FQuery->StepStack(-1); });
    q->addAction(QStringLiteral("Next Query"), this, [this] { FQuery->StepStack(+1); });
    q->addAction(QStringLiteral("Clear Query"), this, [this] { FQuery->EmptyEditor(); });
    q->addAction(QStringLiteral("Clear && Paste"), this, [this] { FQuery->ClearQuery(true); });
    q->addAction(QStringLiteral("Copy"), this, [this] {
        const QString sel = Editor()->selectedText();
        QGuiApplication::clipboard()->setText(sel.size() >= 2 ? sel : Editor()->text());
    });
    q->addSeparator();
    q->addAction(QStringLiteral("Load Query from file..."), this, [this] {
         LoadQueryFile();
     })->setObjectName(QStringLiteral("mmnuQueryQryFileLoad1"));
    q->addAction(QStringLiteral("Save Query to file..."), this, [this] {
         SaveQueryFile();
     })->setObjectName(QStringLiteral("mmnuQueryQryFileSave1"));
    AddQueryExportMenu(*q, "mmnuQueryExportFile1", "mmnuQueryExportToTable1",
                       QStringLiteral("to New Table"));
    QMenu* code = q->addMenu(QStringLiteral("Copy as code"));
    code->menuAction()->setObjectName(QStringLiteral("mmnuQueryCopyCode1"));
    FillCodeMenu(code);
    q->addAction(QStringLiteral("Add Calculator value..."), this, [this] {
         AddCalculatorValue();
     })->setObjectName(QStringLiteral("mmnuQueryCalc1"));
    q->addSeparator();
    QAction* gutter = q->addAction(QStringLiteral("Show line-numbers (Gutter)"));
    gutter->setObjectName(kGutterAction);
    gutter->setCheckable(true);
    connect(gutter, &QAction::toggled, this, [this](bool on) {
        FCtl->opts.showQueryGutter = on;
        FQuery->ShowGutter(on);
    });
    QAction* wrap = q->addAction(QStringLiteral("Word-Wrap"));
    wrap->setObjectName(kWrapAction);
    wrap->setCheckable(true);
    wrap->setChecked(true);
    connect(wrap, &QAction::toggled, this, [this](bool on) {
        FCtl->opts.showQueryWWrap = on;
        FQuery->SetWordWrap(on);
    });
    q->addSeparator();
    mnuQryHelpSel1 = q->addAction(QStringLiteral("Context Help"));
    mnuQryHelpSel1->setObjectName(QStringLiteral("mnuQryHelpSel1"));
    mnuQryHelpSel1->setEnabled(false);
    connect(mnuQryHelpSel1, &QAction::triggered, this, [this] { OpenContextHelp(); });
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [this] { OpenContextHelp(); });
    FGutterAction = gutter;
    FWrapAction = wrap;
}

void TfrmSKYMain::BuildResultsMenu() {
    QMenu* r = menuBar()->addMenu(QStringLiteral("Results"));
    r->menuAction()->setObjectName(QStringLiteral("mmnuResults1"));
    mmnuResultsMakeView1 =
        new QAction(QStringLiteral("Create View  (from these Results)..."), this);
    mmnuResultsMakeView1->setObjectName(QStringLiteral("mmnuResultsMakeView1"));
    mmnuResultsMakeView1->setEnabled(false);
    connect(mmnuResultsMakeView1, &QAction::triggered, this,
            [this] { FCtl->MakeViewFromResults(false); });
    // Built afresh when it opens: the items follow the grid's current cell.
    auto build = [this, r] {
        r->clear();
        FResults->AddCopyMenus(*r, FResults->CurrentRow(), FResults->CurrentColumn());
        r->addSeparator();
        FResults->AddSaveMenu(*r, QStringLiteral("Save this Result-set"), "mmnuResultsSave1");
        r->addAction(mmnuResultsMakeView1);
        r->addSeparator();
        r->addAction(QStringLiteral("Pop this Result-set out to a separate view"), this, [this] {
             FCtl->PopOutResults();
         })->setObjectName(QStringLiteral("mmnuResultsPopOut1"));
    };
    connect(r, &QMenu::aboutToShow, this, build);
    build();
}

// "Export full Query data": the editor's query straight into a file of a
// kind, or into a new table.
void TfrmSKYMain::AddQueryExportMenu(QMenu& m, const char* name, const char* tableName,
                                     const QString& tableCaption) {
    QMenu* e = m.addMenu(QStringLiteral("Export full Query data"));
    e->menuAction()->setObjectName(QLatin1String(name));
    const struct {
        const char* caption;
        QueryFileKind kind;
    } kinds[] = {{"to CSV File...", QueryFileKind::Csv},
                 {"to XML File...", QueryFileKind::Xml},
                 {"to JSON File...", QueryFileKind::Json},
                 {"using INSERT statements...", QueryFileKind::Insert},
                 {"using REPLACE statements...", QueryFileKind::Replace},
                 {"using UPDATE on Primary Keys...", QueryFileKind::Update}};
    for (int i = 0; i < int(std::size(kinds)); ++i) {
        if (i == 3) e->addSeparator();
        e->addAction(QLatin1String(kinds[i].caption), this,
                     [this, kind = kinds[i].kind] { QueryToFile(kind); });
    }
    e->addSeparator();
    e->addAction(tableCaption, this, [this] {
         FQuery->ReadEditor();
         FCtl->QueryIntoNewTable();
     })->setObjectName(QLatin1String(tableName));
}

void TfrmSKYMain::QueryToFile(QueryFileKind kind) {
    FQuery->ReadEditor();
    QtFileChooser files;
    FCtl->QueryToFile(kind, files);
}

void TfrmSKYMain::LoadQueryFile() {
    const QString f =
        QFileDialog::getOpenFileName(this, QStringLiteral("Open SQL file..."), QString(),
                                     QStringLiteral("SQL files (*.sql*);;All files (*)"));
    if (f.isEmpty()) return;
    FQuery->ReadEditor();
    FCtl->LoadQuery(f);
}

void TfrmSKYMain::SaveQueryFile() {
    QFileDialog d(this, QStringLiteral("Save SQL file..."), QString(),
                  QStringLiteral("SQL Files (*.sql*);;All files (*)"));
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setDefaultSuffix(QStringLiteral("sql"));
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return;
    FQuery->ReadEditor();
    FCtl->SaveQuery(d.selectedFiles().constFirst());
}

// puQry, the query editor's pop-up menu.
void TfrmSKYMain::BuildEditorMenu() {
    puQry = new QMenu(this);
    puQry->setObjectName(QStringLiteral("puQry"));
    auto item = [this](QMenu* m, const char* caption, const char* name, auto&& slot) {
        QAction* a = m->addAction(QLatin1String(caption), this, slot);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    puQry->addAction(mnuQryHelpSel1);
    puQry->addSeparator();
    item(puQry, "Previous Query", "mnuQryQryPrev1", [this] { FQuery->StepStack(-1); });
    item(puQry, "Next Query", "mnuQryQryNext1", [this] { FQuery->StepStack(+1); });
    puQry->addSeparator();
    QAction* undo = item(puQry, "Undo", "mnuQryUndo1", [this] {
        if (Editor()->isUndoAvailable()) Editor()->undo();
    });
    item(puQry, "Copy", "mnuQryCopy1", [this] {
        const QString sel = Editor()->selectedText();
        QGuiApplication::clipboard()->setText(sel.size() >= 2 ? sel : Editor()->text());
    });
    item(puQry, "Paste", "mnuQryPaste1", [this] {
        FQuery->ReadEditor();
        FCtl->AddToQueryStack(FCtl->editor.text);
        Editor()->replaceSelectedText(QGuiApplication::clipboard()->text());
    });
    item(puQry, "Clear", "mnuQryClear1", [this] { FQuery->EmptyEditor(); });
    item(puQry, "Clear && Paste", "mnuQryPasteClear1", [this] { FQuery->ClearQuery(true); });
    puQry->addSeparator();
    QMenu* comments = puQry->addMenu(QStringLiteral("Comments"));
    comments->menuAction()->setObjectName(QStringLiteral("mnuQryComment1"));
    const struct {
        const char* caption;
        const char* name;
        bool block, add;
    } commentItems[] = {
        {"Add SQL Line-Comment prefixes to selection ( -- ... )      [Ctrl + - ]",
         "mnuQryCommentAddLineCmt1", false, true},
        {"Add C-style Block-Comments to selection ( /*... */ )      [Ctrl + / ]",
         "mnuQryCommentAddBlockCmt1", true, true},
        {"Remove SQL prefixed Line-Comments from selection         [Shift + Ctrl + - ]",
         "mnuQryCommentRemLineCmt1", false, false},
        {"Remove C-style Block-Comments from selection         [Shift + Ctrl + / ]",
         "mnuQryCommentRemBlockCmt1", true, false}};
    for (const auto& c : commentItems)
        item(comments, c.caption, c.name, [this, block = c.block, add = c.add] {
            FQuery->ReadEditor();
            FCtl->CommentSelection(block, add);
        });
    item(puQry, "Calculator value...      [Ctrl + K ]", "mnuQryCalc1",
         [this] { AddCalculatorValue(); });
    puQry->addSeparator();
    item(puQry, "Load Query from file...", "mnuQryQryFileLoad1", [this] { LoadQueryFile(); });
    item(puQry, "Save Query to file...", "mnuQryQryFileSave1", [this] { SaveQueryFile(); });
    AddQueryExportMenu(*puQry, "mnuQryExportFile1", "mnuQryExportTable1",
                       QStringLiteral("into New Table..."));
    QMenu* code = puQry->addMenu(QStringLiteral("Copy as code"));
    code->menuAction()->setObjectName(QStringLiteral("mnuQryCopyCode1"));
    FillCodeMenu(code);
    puQry->addSeparator();
    puQry->addAction(FGutterAction);
    puQry->addAction(FWrapAction);
    item(puQry, "SQL Code Highlighter", "mnuQryOptHighlighter1", [this] {
        TfrmSKYSQLHilite options(this);
        options.exec();
    });
    connect(puQry, &QMenu::aboutToShow, this,
            [this, undo] { undo->setEnabled(Editor()->isUndoAvailable()); });
    Editor()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Editor(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { puQry->popup(Editor()->viewport()->mapToGlobal(at)); });
}

// The stored options the menus and the editor show.
void TfrmSKYMain::ApplyOptions() {
    const WorkspaceOptions& o = FCtl->opts;
    for (QAction* a : FSortGroup->actions())
        a->setChecked(a->data().toInt() == o.tableDesignSorted);
    for (QAction* a : findChildren<QAction*>()) {
        if (a->objectName() == kGutterAction) a->setChecked(o.showQueryGutter);
        if (a->objectName() == kWrapAction) a->setChecked(o.showQueryWWrap);
    }
    FQuery->SetWordWrap(o.showQueryWWrap);
    Editor()->setMarginWidth(0, o.showQueryGutter ? 36 : 0);
}

void TfrmSKYMain::UpdateContextHelp() {
    FQuery->ReadEditor();
    FHelp = FindContextHelp(FCtl->editor.text, FCtl->editor.selStart, DocStatements());
    mnuQryHelpSel1->setText(ContextHelpCaption(FHelp, DocStatements()));
    mnuQryHelpSel1->setEnabled(FHelp.item >= 0 || !FHelp.word.isEmpty());
}

void TfrmSKYMain::OpenContextHelp() {
    if (FHelp.item >= 0) {
        FDocs->Statements()->setCurrentIndex(FHelp.item);
        FDocs->OpenStatement();
    } else if (!FHelp.word.isEmpty()) {
        QDesktopServices::openUrl(QUrl(DocSearchUrl(FHelp.word.toLower(), false)));
        FHelp.word.clear();
    }
    ShowPage(kPageDocs);
}

// --- the tree's node menus

void TfrmSKYMain::BuildNodeMenu(QMenu& menu, const QModelIndex& node) {
    const TDBObjRec* r = FTreeModel->Record(node);
    if (!r) return;
    FQuery->ReadEditor();
    const MenuModel model = FCtl->MenuOf(*r);
    for (const MenuModel& item : model.children)
        AddMenu(menu, item);
}

void TfrmSKYMain::AddMenu(QMenu& menu, const MenuModel& item) {
    if (item.IsSeparator()) {
        menu.addSeparator();
        return;
    }
    QString caption = item.caption;
    caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
    if (item.isSubmenu || !item.children.isEmpty()) {
        QMenu* sub = menu.addMenu(caption);
        sub->setEnabled(item.enabled);
        for (const MenuModel& c : item.children)
            AddMenu(*sub, c);
        return;
    }
    QAction* a = menu.addAction(caption);
    a->setEnabled(item.enabled);
    if (!item.enabled && !item.byState && item.command.IsNone() && !item.action.isEmpty())
        MarkNotYet(a, &menu);
    if (item.isDefault) menu.setDefaultAction(a);
    const TreeCommand command = item.command;
    const QString action = item.action;
    connect(a, &QAction::triggered, this, [this, command, action] {
        const QPointer<TfrmSKYMain> self(this);
        FQuery->ReadEditor();
        if (!command.IsNone())
            FCtl->RunCommand(command);
        else if (!action.isEmpty())
            RunAction(action);
        if (self) Editor()->setFocus();
    });
}

void TfrmSKYMain::FillDatabaseMenu() {
    mmnuDatabase1->clear(); // the sort submenu is the window's and stays
    for (QMenu* sub : mmnuDatabase1->findChildren<QMenu*>(Qt::FindDirectChildrenOnly))
        if (sub != FSortMenu) sub->deleteLater(); // the submenus of the last filling
    FQuery->ReadEditor();
    const MenuModel model = FCtl->DatabaseMenuModel();
    for (const MenuModel& item : model.children) {
        if (item.action == act::kSortTables)
            mmnuDatabase1->addMenu(FSortMenu);
        else
            AddMenu(*mmnuDatabase1, item);
    }
    for (QAction* a : mmnuDatabase1->actions())
        if (a->text() == QLatin1String("Re-Open (Refresh Schema)"))
            a->setObjectName(QStringLiteral("mmnuDatabaseRefresh1"));
        else if (a->text() == QLatin1String("Check Schema"))
            a->setObjectName(QStringLiteral("mmnuDatabaseCheckSchema1"));
        else if (a->text() == QLatin1String("Schema Documentation"))
            a->setObjectName(QStringLiteral("mmnuDatabaseSchemaDoc1"));
}

void TfrmSKYMain::RunAction(const QString& action) {
    if (action == act::kOpenAnother) SysCallback(kWsBrowseAndOpen);
    if (action == act::kShowOverview) SysCallback(kWsShowOverview);
    if (action == act::kOpenInFolder) SysCallback(kWsShowInFolder, FCtl->sqlFile);
    if (action == act::kClose) {
        close();
        return;
    }
    if (action == act::kRefresh) FCtl->RefreshSchema();
    if (action == act::kTableStructure) ShowPage(kPageTable);
    if (action == act::kEditData) FCtl->EditTableData();
    if (action == act::kPopOut) FCtl->PopOutTable();
    // Table operations, the designer, quick SQL and views are the
    // controller's, as are the Database menu's operations; the actions of
    // windows still to come are disabled.
    if (FCtl->RunMenuAction(action)) return;
    QtFileChooser dialogs;
    FCtl->RunDatabaseAction(action, FFileChooser ? *FFileChooser : dialogs, Clipboard());
}

} // namespace sky::ui
