#include "workspace/ui/WorkspaceWindow.h"

#include "engine/SystemLog.h"
#include "shell/InfoPages.h"
#include "shell/ui/AboutBox.h"
#include "shell/ui/DocsPage.h"
#include "shell/ui/FormBehaviour.h"
#include "shell/ui/KMessg.h"
#include "shell/ui/KProgress.h"
#include "shell/ui/QtPrompter.h"
#include "shell/ui/WidgetPlacement.h"
#include "support/TextFile.h"
#include "support/TextUtil.h"
#include "workspace/EditorCommands.h"
#include "workspace/ui/ResultsView.h"
#include "workspace/ui/SchemaTreeModel.h"
#include "workspace/ui/StatsPanel.h"

#include "workspace/ui/Scintilla.h"
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

namespace sky::ui {
namespace {

const QString kEditorHelpTitle = QStringLiteral("Query Editor");
const QString kEditorHelpText = QStringLiteral(
    "Type your Query here, then click either the \"Query\" button to Run the current Query "
    "(showing max 16MB of results) or \"Query to file\" to save the output (Unlimited size).\r"
    "Press Ctrl-Space while editing to complete the current word.\r\rPut the Cursor in any SQL "
    "Keyword and press F1 to See the On-line help for it.\rSuccessful Queries will be added to the "
    "History Page automatically.");
const QString kHistHelpTitle = QStringLiteral("Query History");
const QString kHistHelpText = QStringLiteral(
    "Successful Queries are added to the top of this History sheet.\rDouble-Click inside any Query "
    "here to display it in the editor above. \rCtrl-Shift-k sets a bookmark and Ctrl-k finds it "
    "(k being a number key from 0 to 9).\rPlease note that this History sheet is editable and "
    "supports all copy/paste/edit/code-completion functions to review, revise or even add SQL "
    "from another source. This means that you CAN break it by adding garbage or otherwise "
    "confusing the lines which separate queries.");

// The editor's positions are UTF-8 byte offsets; the controller's UTF-16 units.
int BytePos(const QString& text, qsizetype pos) {
    return int(QStringView(text).left(std::clamp<qsizetype>(pos, 0, text.size())).toUtf8().size());
}
qsizetype UnitPos(const QByteArray& utf8, long pos) {
    return QString::fromUtf8(utf8.left(int(std::max<long>(0, pos)))).size();
}

QTableWidget* Grid(QWidget* parent, const QString& name) {
    auto* g = new QTableWidget(parent);
    g->setObjectName(name);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->verticalHeader()->hide();
    return g;
}

void Fill(QTableWidget* g, const QStringList& headings, const QList<QStringList>& rows) {
    g->setUpdatesEnabled(false);
    g->clear();
    g->setColumnCount(int(headings.size()));
    g->setHorizontalHeaderLabels(headings);
    g->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size() && c < headings.size(); ++c)
            g->setItem(r, c, new QTableWidgetItem(rows[r][c]));
    g->setUpdatesEnabled(true);
}

} // namespace

TfrmSKYMain::TfrmSKYMain(QWidget* parent)
    : QMainWindow(parent), FCtl(std::make_unique<WorkspaceController>(Prompts())) {
    setObjectName(QStringLiteral("frmSKYMain"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Database View"));
    TKFormFilter::SetNoMinimizeApp(this, true);
    TKFormFilter::SetCloseOnEscape(this, false);
    resize(1100, 760);

    auto* central = new QWidget(this);
    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(2, 2, 2, 2);
    pnlHeaderSplit = new QSplitter(Qt::Vertical, central);
    pnlHeaderSplit->addWidget(BuildHeader());
    PageControl1 = new QTabWidget(pnlHeaderSplit);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->addTab(BuildTablePage(), QStringLiteral("Table Structure"));
    FResults = new TResultsPage(*FCtl, PageControl1);
    PageControl1->addTab(FResults, QStringLiteral("Query Results"));
    PageControl1->addTab(new QWidget(PageControl1), QStringLiteral("Edit Data"));
    memHist = new QsciScintilla(PageControl1);
    memHist->setObjectName(QStringLiteral("memHist"));
    SetupEditor(memHist);
    connect(memHist, &QsciScintillaBase::SCN_DOUBLECLICK, this, [this](int position, int, int) {
        const QString text = memHist->text();
        const QString entry =
            PickHistoryEntry(text, QString::fromUtf8(text.toUtf8().left(position)).size());
        if (entry.isEmpty()) return;
        ReadEditor();
        FCtl->AddToQueryStack(FCtl->editorText);
        FCtl->editorText = entry;
        FCtl->selStart = FCtl->selEnd = entry.size();
        RenderEditor();
        RenderStack();
    });
    memHist->setEdgeMode(QsciScintilla::EdgeLine);
    memHist->setEdgeColumn(128);
    auto* histPage = new QWidget(PageControl1);
    auto* hl = new QVBoxLayout(histPage);
    hl->setContentsMargins(0, 0, 0, 0);
    auto* btnHelpHist = new QLabel(QStringLiteral(" ? "), histPage);
    btnHelpHist->setObjectName(QStringLiteral("btnHelpHist"));
    hl->addWidget(btnHelpHist, 0, Qt::AlignRight);
    hl->addWidget(memHist, 1);
    PageControl1->addTab(histPage, QStringLiteral("History"));
    btnHelpHist->installEventFilter(this);
    FHelpImages.insert(btnHelpHist, {kHistHelpTitle, kHistHelpText});
    PageControl1->addTab(new QWidget(PageControl1), QStringLiteral("Pragma"));
    PageControl1->addTab(new QWidget(PageControl1), QStringLiteral("Analysis"));
    PageControl1->addTab(BuildSettingsPage(), QStringLiteral("Settings"));
    PageControl1->addTab(BuildDocsPage(), QStringLiteral("Documentation"));
    pnlHeaderSplit->addWidget(PageControl1);
    pnlHeaderSplit->setStretchFactor(1, 1);
    v->addWidget(pnlHeaderSplit);
    setCentralWidget(central);

    // The floating help panel.
    pnlHelp = new QWidget(this);
    pnlHelp->setObjectName(QStringLiteral("pnlHelp"));
    pnlHelp->setAutoFillBackground(true);
    auto* hv = new QVBoxLayout(pnlHelp);
    lblHelpHeader = new QLabel(pnlHelp);
    QFont bold = lblHelpHeader->font();
    bold.setBold(true);
    lblHelpHeader->setFont(bold);
    lblHelp = new QLabel(pnlHelp);
    lblHelp->setWordWrap(true);
    hv->addWidget(lblHelpHeader);
    hv->addWidget(lblHelp);
    pnlHelp->hide();

    BuildMenus();

    WorkspaceController& c = *FCtl;
    c.RaiseEvent = [this](int kind, const QString& s1) { return SysCallback(kind, s1); };
    c.ShowPage = [this](int tag) { ShowPage(tag); };
    c.LetEventsRun = [this] {
        const QPointer<TfrmSKYMain> self(this);
        QCoreApplication::processEvents();
        return !self.isNull() && !FClosing && !FCtl->ClosePending();
    };
    c.ReadWindow = [this] {
        FCtl->history = SplitListText(memHist->text());
        FCtl->opts.headerHeight = pnlHeaderSplit->sizes().value(0);
        FCtl->opts.treeWidth = FHSplit->sizes().value(0);
    };
    c.PrepNotice = [this](bool shown) { PrepNotice(shown); };
    c.StartProgress = [this](const QString& title) -> ProgressSink* {
        return ProgressStart(title, false, true, -1, -1, true, true, this);
    };
    c.EndProgress = [](ProgressSink* p) { static_cast<TKProgress*>(p)->EndProgress(); };
    c.CurrentPage = [this] { return PageControl1->currentIndex(); };
    c.HistoryChanged = [this] { RenderHistory(); };
    c.StatsChanged = [this] { ShowStats(); };
    c.SavePlacement = [this](SettingList& list) {
        WidgetPlacement p(this);
        PlacementSave(list, QStringLiteral("FormSpec"), p);
    };
    c.RestorePlacement = [this](SettingList& list) {
        WidgetPlacement p(this);
        PlacementRestore(list, QStringLiteral("FormSpec"), p, false);
    };
    c.ClipboardText = [] { return QGuiApplication::clipboard()->text(); };
    c.TreeChanged = [this] { RenderTree(); };
    c.TableChanged = [this] { RenderTable(); };
    c.ResultsChanged = [this] { RenderResults(); };
    c.EditorChanged = [this] { RenderEditor(); };
    c.StatusChanged = [this] { RenderStatus(); };
    connect(FResults, &TResultsPage::AddFilterAsSql, this, [this](const QString& condition) {
        ReadEditor();
        const SqlMerge m = AddFilterToQuery(FCtl->editorText, FCtl->selStart, FCtl->selEnd,
                                            condition, FCtl->curTable);
        if (!m.changed) return;
        FCtl->AddToQueryStack(FCtl->editorText);
        FCtl->editorText = m.text;
        FCtl->selStart = FCtl->selEnd = m.caret;
        RenderEditor();
        memQry->setFocus();
    });
    // Window-wide keys.
    const struct {
        QKeySequence keys;
        int page;
    } pages[] = {{QKeySequence(Qt::CTRL | Qt::Key_T), kPageTable},
                 {QKeySequence(Qt::CTRL | Qt::Key_R), kPageResults},
                 {QKeySequence(Qt::CTRL | Qt::Key_E), kPageEdit},
                 {QKeySequence(Qt::CTRL | Qt::Key_H), kPageHistory},
                 {QKeySequence(Qt::CTRL | Qt::Key_P), kPagePragma},
                 {QKeySequence(Qt::CTRL | Qt::Key_S), kPageSettings},
                 {QKeySequence(Qt::CTRL | Qt::Key_D), kPageDocs}};
    for (const auto& p : pages) {
        auto* sc = new QShortcut(p.keys, this);
        connect(sc, &QShortcut::activated, this, [this, page = p.page] { ShowPage(page); });
    }
    auto* findKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
    // In the grid itself its own key handling finds.
    connect(findKey, &QShortcut::activated, this, [this] {
        if (!FResults->Grid()->hasFocus()) FResults->Find();
    });
    auto* nextKey = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(nextKey, &QShortcut::activated, this, [this] {
        if (!FResults->Grid()->hasFocus()) FResults->FindNext();
    });
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] { HideHelpPanel(); });
    PageControl1->setCurrentIndex(kPageResults);
    c.SetStatus(QStringLiteral("Starting..."));
}

TfrmSKYMain::~TfrmSKYMain() {
    FCtl->TreeChanged = FCtl->TableChanged = FCtl->ResultsChanged = FCtl->EditorChanged =
        FCtl->StatusChanged = nullptr;
    FCtl->history = SplitListText(memHist->text());
    FCtl->Shutdown(); // settings and history stored, connection closed, event -1
}

QWidget* TfrmSKYMain::BuildHeader() {
    FHSplit = new QSplitter(Qt::Horizontal, this);
    FHSplit->setObjectName(QStringLiteral("pnlHeader"));
    // The schema tree.
    pnlDBTables = new QWidget(FHSplit);
    pnlDBTables->setObjectName(QStringLiteral("pnlDBTables"));
    pnlDBTables->setMinimumWidth(120);
    auto* tv = new QVBoxLayout(pnlDBTables);
    tv->setContentsMargins(0, 0, 0, 0);
    vtsDB = new QTreeView(pnlDBTables);
    vtsDB->setObjectName(QStringLiteral("vtsDB"));
    vtsDB->setHeaderHidden(true);
    vtsDB->setContextMenuPolicy(Qt::CustomContextMenu);
    vtsDB->setExpandsOnDoubleClick(false);
    FTreeModel = new SchemaTreeModel(vtsDB);
    FTreeModel->SetDarkBase(vtsDB->palette().color(QPalette::Base).lightness() < 128);
    vtsDB->setModel(FTreeModel);
    tv->addWidget(vtsDB);
    FTreeEmpty = new QLabel(kNoDatabaseObjects, vtsDB->viewport());
    FTreeEmpty->move(8, 8);
    FTreeEmpty->adjustSize();
    connect(vtsDB->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& i) {
                if (const TDBObjRec* r = FTreeModel->Record(i)) FCtl->FocusNode(*r);
            });
    connect(vtsDB, &QTreeView::doubleClicked, this, [this](const QModelIndex& i) {
        const TDBObjRec* r = FTreeModel->Record(i);
        if (!r || r->NodeKind == 0) return;
        ReadEditor();
        FCtl->DoubleClickNode(*r);
        memQry->setFocus();
    });
    connect(vtsDB, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex i = vtsDB->indexAt(at);
        if (!i.isValid()) return;
        vtsDB->setCurrentIndex(i);
        QMenu m(this);
        BuildNodeMenu(m, i);
        m.exec(vtsDB->viewport()->mapToGlobal(at));
    });
    // The query area.
    auto* query = new QWidget(FHSplit);
    query->setObjectName(QStringLiteral("pnlDBQuery"));
    auto* qv = new QVBoxLayout(query);
    qv->setContentsMargins(2, 0, 2, 0);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    auto small = [&](const char* name, const char* text, const char* hint) {
        auto* b = new QPushButton(QLatin1String(text), query);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(QLatin1String(hint));
        b->setFixedWidth(26);
        b->setMinimumHeight(40);
        buttons->addWidget(b);
        return b;
    };
    btnQryHistPrev = small("btnQryHistPrev", "<", "Previous Query");
    btnQryHistNext = small("btnQryHistNext", ">", "Next Query");
    btnClrQry = small("btnClrQry", "X", "Clear the Query\r\n(Right-click: Clear && Paste)");
    btnQryHistPrev->hide();
    btnQryHistNext->hide();
    buttons->addSpacing(4);
    btnQry = new QPushButton(QStringLiteral(" Run Query\n     F5"), query);
    btnQry->setObjectName(QStringLiteral("btnQry"));
    btnExplain = new QPushButton(QStringLiteral("Explain"), query);
    btnExplain->setObjectName(QStringLiteral("btnExplain"));
    btnQryPlan = new QPushButton(QStringLiteral("Query Plan"), query);
    btnQryPlan->setObjectName(QStringLiteral("btnQryPlan"));
    btnQrySelected = new QPushButton(QStringLiteral(" Query Selected\n       F6"), query);
    btnQrySelected->setObjectName(QStringLiteral("btnQrySelected"));
    btnQrySelected->setEnabled(false);
    btnQryToFile = new QPushButton(QStringLiteral(" Query to File\n      F8"), query);
    btnQryToFile->setObjectName(QStringLiteral("btnQryToFile"));
    btnQryToFile->setEnabled(false); // the file export comes with the results export
    for (QPushButton* b : {btnQry, btnExplain, btnQryPlan, btnQrySelected, btnQryToFile}) {
        b->setMinimumHeight(40);
        buttons->addWidget(b, b == btnQry ? 3 : 1);
    }
    qv->addLayout(buttons);
    memQry = new QsciScintilla(query);
    memQry->setObjectName(QStringLiteral("memQry"));
    SetupEditor(memQry);
    memQry->installEventFilter(this);
    auto* imgHelpQueryEditor = new QLabel(QStringLiteral(" ? "), query);
    imgHelpQueryEditor->setObjectName(QStringLiteral("imgHelpQueryEditor"));
    imgHelpQueryEditor->installEventFilter(this);
    FHelpImages.insert(imgHelpQueryEditor, {kEditorHelpTitle, kEditorHelpText});
    buttons->addWidget(imgHelpQueryEditor);
    memQry->viewport()->installEventFilter(this);
    qv->addWidget(memQry, 1);
    lblStatus = new QLabel(query);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setAutoFillBackground(true);
    lblStatus->setMargin(2);
    qv->addWidget(lblStatus);
    connect(memQry, &QsciScintilla::textChanged, this, [this] { ReadEditor(); });
    connect(memQry, &QsciScintilla::selectionChanged, this, [this] {
        ReadEditor();
        btnQrySelected->setEnabled(memQry->hasSelectedText());
    });
    connect(btnQry, &QPushButton::clicked, this, [this] { RunQuery(0); });
    connect(btnExplain, &QPushButton::clicked, this, [this] { RunQuery(1); });
    connect(btnQryPlan, &QPushButton::clicked, this, [this] { RunQuery(2); });
    connect(btnQrySelected, &QPushButton::clicked, this, [this] { RunQuery(10); });
    connect(btnQryHistPrev, &QPushButton::clicked, this, [this] {
        ReadEditor();
        FCtl->StepQueryStack(-1);
        RenderStack();
        memQry->setFocus();
    });
    connect(btnQryHistNext, &QPushButton::clicked, this, [this] {
        ReadEditor();
        FCtl->StepQueryStack(+1);
        RenderStack();
        memQry->setFocus();
    });
    connect(btnClrQry, &QPushButton::clicked, this, [this] {
        ReadEditor();
        FCtl->AddToQueryStack(FCtl->editorText);
        memQry->clear();
        RenderStack();
    });
    btnClrQry->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(btnClrQry, &QWidget::customContextMenuRequested, this, [this] {
        ReadEditor();
        FCtl->AddToQueryStack(FCtl->editorText);
        memQry->setText(QGuiApplication::clipboard()->text());
        RenderStack();
    });
    auto* f5 = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(f5, &QShortcut::activated, this, [this] {
        if (btnQry->isEnabled()) RunQuery(0);
    });
    auto* f6 = new QShortcut(QKeySequence(Qt::Key_F6), this);
    connect(f6, &QShortcut::activated, this, [this] {
        if (btnQrySelected->isEnabled()) RunQuery(10);
    });
    auto* selectAll = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_A), this);
    connect(selectAll, &QShortcut::activated, this, [this] { memQry->selectAll(); });
    // The right-hand pages.
    pgcQRight = new QTabWidget(FHSplit);
    pgcQRight->setObjectName(QStringLiteral("pgcQRight"));
    pgcQRight->addTab(new QWidget(pgcQRight), QStringLiteral("Query "));
    auto* preview = new QLabel(QStringLiteral("Selected Data item Preview... TBA"), pgcQRight);
    preview->setAlignment(Qt::AlignCenter);
    pgcQRight->addTab(preview, QStringLiteral(" Preview"));
    FStats = new TStatsPanel(pgcQRight);
    pgcQRight->addTab(FStats, QStringLiteral(" Stats"));
    connect(pgcQRight, &QTabWidget::currentChanged, this, [this] { ShowStats(); });
    FHSplit->setStretchFactor(1, 1);
    connect(FHSplit, &QSplitter::splitterMoved, this, [this] { LayoutHeader(); });
    return FHSplit;
}

QWidget* TfrmSKYMain::BuildTablePage() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("tsTable"));
    auto* v = new QVBoxLayout(page);
    auto* labels = new QHBoxLayout;
    lblTableName = new QLabel(QStringLiteral("(None)"), page);
    lblTableName->setObjectName(QStringLiteral("lblTableName"));
    QFont f = lblTableName->font();
    f.setBold(true);
    lblTableName->setFont(f);
    lblTablePriKey = new QLabel(page);
    lblTableSizeCC = new QLabel(QStringLiteral("---"), page);
    lblTableSizeRC = new QLabel(QStringLiteral("---"), page);
    labels->addWidget(lblTableName);
    labels->addSpacing(16);
    labels->addWidget(new QLabel(QStringLiteral("Primary Key:"), page));
    labels->addWidget(lblTablePriKey);
    labels->addStretch(1);
    labels->addWidget(new QLabel(QStringLiteral("Cols: "), page));
    labels->addWidget(lblTableSizeCC);
    labels->addSpacing(12);
    labels->addWidget(new QLabel(QStringLiteral("Rows: "), page));
    labels->addWidget(lblTableSizeRC);
    v->addLayout(labels);
    auto* split = new QSplitter(Qt::Horizontal, page);
    sgFields = Grid(split, QStringLiteral("sgFields"));
    sgIndices = Grid(split, QStringLiteral("sgIndices"));
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    v->addWidget(split, 1);
    Fill(sgFields, kFieldHeadings, {});
    return page;
}

QWidget* TfrmSKYMain::BuildDocsPage() {
    FDocs = new TDocsPage(this, false);
    cbDocsSQLItem = FDocs->Statements();
    edtDocsSearch = FDocs->SearchBox();
    return FDocs;
}

void TfrmSKYMain::BuildMenus() {
    QMenu* db = menuBar()->addMenu(QStringLiteral("Database"));
    db->addAction(QStringLiteral("Open another Database..."), this,
                  [this] { SysCallback(kWsBrowseAndOpen); });
    QAction* refresh = db->addAction(QStringLiteral("Re-Open (Refresh Schema)"), this,
                                     [this] { FCtl->RefreshSchema(); });
    refresh->setObjectName(QStringLiteral("mmnuDatabaseRefresh1"));
    QMenu* sort = db->addMenu(QStringLiteral("Sort Tables by"));
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
        QAction* a = sort->addAction(QLatin1String(o.caption));
        a->setObjectName(QLatin1String(o.name));
        a->setCheckable(true);
        a->setEnabled(o.enabled);
        a->setData(o.order);
        FSortGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, order = o.order] {
            ReadEditor();
            FCtl->SetTreeOrder(order);
        });
    }
    FSortGroup->actions().first()->setChecked(true);
    db->addSeparator();
    QAction* overview =
        db->addAction(QStringLiteral("Show Main Project Databases      [ Ctrl + L ]"), this,
                      [this] { SysCallback(kWsShowOverview); });
    overview->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    db->addAction(QStringLiteral("Open in folder"), this,
                  [this] { SysCallback(kWsShowInFolder, FCtl->sqlFile); });
    db->addSeparator();
    db->addAction(QStringLiteral("Close"), this, &QWidget::close);
    QMenu* q = menuBar()->addMenu(QStringLiteral("Query"));
    q->addAction(QStringLiteral("Run Query"), this, [this] {
         RunQuery(0);
     })->setObjectName(QStringLiteral("mmnuQueryRunQuery1"));
    q->addAction(QStringLiteral("Explain Query"), this, [this] {
         RunQuery(1);
     })->setObjectName(QStringLiteral("mmnuQueryRunExplain1"));
    q->addAction(QStringLiteral("Query Plan"), this, [this] {
         RunQuery(2);
     })->setObjectName(QStringLiteral("mmnuQueryRUnPlan1"));
    q->addSeparator();
    q->addAction(QStringLiteral("Previous Query"), this, [this] { btnQryHistPrev->click(); });
    q->addAction(QStringLiteral("Next Query"), this, [this] { btnQryHistNext->click(); });
    q->addAction(QStringLiteral("Clear Query"), this, [this] { memQry->clear(); });
    q->addAction(QStringLiteral("Clear && Paste"), this, [this] {
        ReadEditor();
        FCtl->AddToQueryStack(FCtl->editorText);
        memQry->setText(QGuiApplication::clipboard()->text());
    });
    q->addAction(QStringLiteral("Copy"), this, [this] {
        const QString sel = memQry->selectedText();
        QGuiApplication::clipboard()->setText(sel.size() >= 2 ? sel : memQry->text());
    });
    q->addSeparator();
    q->addAction(QStringLiteral("Load Query from file..."), this, [this] {
        const QString f =
            QFileDialog::getOpenFileName(this, QStringLiteral("Open SQL file..."), QString(),
                                         QStringLiteral("SQL files (*.sql*);;All files (*)"));
        if (f.isEmpty()) return;
        ReadEditor();
        FCtl->AddToQueryStack(FCtl->editorText);
        QString text, why;
        if (!ReadTextFile(f, text, &why)) {
            FCtl->SetStatus(QStringLiteral("Error Loading Query from \"") + f +
                            QStringLiteral("\": ") + why);
            return;
        }
        memQry->setText(text);
        FCtl->SetStatus(QStringLiteral("Query Loaded successfuly."));
    });
    q->addAction(QStringLiteral("Save Query to file..."), this, [this] {
        QString f =
            QFileDialog::getSaveFileName(this, QStringLiteral("Save SQL file..."), QString(),
                                         QStringLiteral("SQL Files (*.sql*);;All files (*)"));
        if (f.isEmpty()) return;
        if (QFileInfo(f).suffix().isEmpty()) f += QStringLiteral(".sql");
        QString why;
        if (WriteFileAtomic(f, memQry->text().toUtf8(), &why))
            FCtl->SetStatus(QStringLiteral("Query Saved successfuly."));
        else
            FCtl->SetStatus(QStringLiteral("Error Saving Query to: \"") + f +
                            QStringLiteral("\": ") + why);
    });
    q->addSeparator();
    QAction* gutter = q->addAction(QStringLiteral("Show line-numbers (Gutter)"));
    gutter->setObjectName(QStringLiteral("mnuQryOptShowGutter1"));
    gutter->setCheckable(true);
    connect(gutter, &QAction::toggled, this, [this](bool on) {
        FCtl->opts.showQueryGutter = on;
        memQry->setMarginType(0, QsciScintilla::NumberMargin);
        memQry->setMarginWidth(0, on ? 36 : 0);
    });
    QAction* wrap = q->addAction(QStringLiteral("Word-Wrap"));
    wrap->setObjectName(QStringLiteral("mnuQryOptWordWrap1"));
    wrap->setCheckable(true);
    wrap->setChecked(true);
    connect(wrap, &QAction::toggled, this, [this](bool on) {
        FCtl->opts.showQueryWWrap = on;
        memQry->setWrapMode(on ? QsciScintilla::WrapWord : QsciScintilla::WrapNone);
    });
    q->addSeparator();
    mnuQryHelpSel1 = q->addAction(QStringLiteral("Context Help"));
    mnuQryHelpSel1->setObjectName(QStringLiteral("mnuQryHelpSel1"));
    mnuQryHelpSel1->setEnabled(false);
    connect(mnuQryHelpSel1, &QAction::triggered, this, [this] { OpenContextHelp(); });
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [this] { OpenContextHelp(); });
    QMenu* view = menuBar()->addMenu(QStringLiteral("View"));
    for (int tag = 0; tag < 8; ++tag)
        view->addAction(PageControl1->tabText(tag), this, [this, tag] { ShowPage(tag); });
    QMenu* help = menuBar()->addMenu(QStringLiteral("Help"));
    help->addAction(QStringLiteral("SQLite && System versions (About)"), this,
                    [] { frmSKYAbout().About(); });
    help->addAction(QStringLiteral("About"), this, [] { frmSKYAbout().About(); });
}

void TfrmSKYMain::Init(const QString& dbFile, const QString& dbTable) {
    const QPointer<TfrmSKYMain> self(this);
    setProperty("dbFile", TrimText(dbFile));
    LogApplication(QStringLiteral("Opened: ") + TrimText(dbFile));
    FCtl->Init(dbFile, dbTable);
    if (!self) return;
    setWindowTitle(FCtl->caption);
    // The stored options the window shows.
    for (QAction* a : FSortGroup->actions())
        a->setChecked(a->data().toInt() == FCtl->opts.tableDesignSorted);
    FSyncing = true;
    for (QSpinBox* spin : FScales)
        spin->setValue(KVGetInt(FCtl->cfg, QStringLiteral("dbs_") + spin->objectName(),
                                spin->value(), spin->minimum(), spin->maximum()));
    FSyncing = false;
    for (QAction* a : findChildren<QAction*>()) {
        if (a->objectName() == QLatin1String("mnuQryOptShowGutter1"))
            a->setChecked(FCtl->opts.showQueryGutter);
        if (a->objectName() == QLatin1String("mnuQryOptWordWrap1"))
            a->setChecked(FCtl->opts.showQueryWWrap);
    }
    memQry->setWrapMode(FCtl->opts.showQueryWWrap ? QsciScintilla::WrapWord
                                                  : QsciScintilla::WrapNone);
    memQry->setMarginWidth(0, FCtl->opts.showQueryGutter ? 36 : 0);
    RenderHistory();
    ShowStats();
    if (isVisible()) ApplyLayout();
}

void TfrmSKYMain::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (FLaidOut) return;
    FLaidOut = true;
    ApplyLayout();
}

// The header height and the tree width: stored values, else the defaults.
void TfrmSKYMain::ApplyLayout() {
    const int total = std::max(400, pnlHeaderSplit->height());
    const int header = std::clamp(FCtl->opts.headerHeight, 200, std::max(200, height() / 2));
    pnlHeaderSplit->setSizes({header, std::max(100, total - header)});
    const int width = std::max(600, FHSplit->width());
    const int tree = std::clamp(FCtl->opts.treeWidth > 0 ? FCtl->opts.treeWidth : 240, 120, 900);
    const int right = 280;
    FHSplit->setSizes({tree, std::max(200, width - tree - right), right});
}

void TfrmSKYMain::SetShowTooltips(bool on) {
    FTips = on;
    FTreeModel->SetHints(on);
}

void TfrmSKYMain::ShowAndRaise() {
    show();
    raise();
    activateWindow();
    memQry->setFocus(); // type and press F5 at once
}

void TfrmSKYMain::SetShown(bool shown) {
    setVisible(shown);
}

void TfrmSKYMain::CloseAndFree() {
    close();
}

void TfrmSKYMain::FreeLater() {
    deleteLater();
}

void TfrmSKYMain::closeEvent(QCloseEvent* e) {
    if (FCtl->Busy()) {
        // The statement is interrupted; the window closes when it has returned.
        e->ignore();
        const QPointer<TfrmSKYMain> self(this);
        FCtl->RequestClose([self] {
            if (self) QTimer::singleShot(0, self, [self] { self->close(); });
        });
        return;
    }
    FClosing = true;
    FCtl->opts.headerHeight = pnlHeaderSplit->sizes().value(0);
    FCtl->opts.treeWidth = FHSplit->sizes().value(0);
    e->accept();
}

void TfrmSKYMain::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    LayoutHeader();
}

void TfrmSKYMain::LayoutHeader() {
    QList<int> h = FHSplit->sizes();
    if (h.size() < 3) return;
    const int tree = std::clamp(h[0], 120, 900);
    if (tree != h[0]) {
        h[1] += h[0] - tree;
        h[0] = tree;
        FHSplit->setSizes(h);
    }
}

QWidget* TfrmSKYMain::BuildSettingsPage() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("tsSettings"));
    auto* form = new QFormLayout(page);
    const struct {
        const char* name;
        const char* caption;
        int lo, hi, def;
    } scales[] = {{"seCfgMemScaleDB", "Memory usage High-level (MB):", 2, 1000, 3},
                  {"seCfgMemScaleSchema", "Statement memory High-level (KB):", 2, 10000, 32}};
    for (const auto& sc : scales) {
        auto* spin = new QSpinBox(page);
        spin->setObjectName(QLatin1String(sc.name));
        spin->setRange(sc.lo, sc.hi);
        spin->setValue(sc.def);
        form->addRow(QLatin1String(sc.caption), spin);
        const QString key = QStringLiteral("dbs_") + QLatin1String(sc.name);
        // A change is stored at once in the database's settings and repaints the gauges.
        connect(spin, &QSpinBox::valueChanged, this, [this, key](int v) {
            if (FSyncing) return;
            KVPutNum(FCtl->cfg, key, v);
            ShowStats();
        });
        FScales << spin;
    }
    return page;
}

bool TfrmSKYMain::eventFilter(QObject* o, QEvent* e) {
    if (auto it = FHelpImages.constFind(o); it != FHelpImages.constEnd()) {
        auto* w = static_cast<QWidget*>(o);
        if (e->type() == QEvent::Enter) {
            const QPoint at = w->mapTo(this, QPoint(w->width(), w->height()));
            ShowHelpPanel(at.x(), at.y(), it->second, it->first, 2);
        } else if (e->type() == QEvent::Leave) {
            HideHelpPanel();
        }
    }
    if ((o == memQry || o == memQry->viewport()) && e->type() == QEvent::MouseButtonRelease) {
        UpdateContextHelp();
        btnQrySelected->setEnabled(memQry->hasSelectedText());
    } else if (o == memQry && e->type() == QEvent::KeyRelease) {
        EditorKey(static_cast<QKeyEvent*>(e));
        btnQrySelected->setEnabled(memQry->hasSelectedText());
    } else if (o == memQry && e->type() == QEvent::KeyPress) {
        // Escape never closes the window.
        if (static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) return true;
    }
    return QMainWindow::eventFilter(o, e);
}

void TfrmSKYMain::ShowPage(int tag) {
    PageControl1->setCurrentIndex(tag >= 0 && tag < 8 ? tag : int(kPageResults));
}

void TfrmSKYMain::ShowHelpPanel(int x, int y, const QString& text, const QString& title,
                                int alignment) {
    lblHelpHeader->setText(QStringLiteral("- ") + title + QStringLiteral(" -"));
    lblHelp->setText(QString(text).replace(QLatin1Char('\r'), QLatin1Char('\n')));
    lblHelp->setMaximumWidth(420);
    pnlHelp->adjustSize();
    int left = x;
    if (alignment == 1) left = x - pnlHelp->width() / 2;
    if (alignment == 2) left = x - pnlHelp->width();
    pnlHelp->move(left, y);
    pnlHelp->raise();
    pnlHelp->show();
}

void TfrmSKYMain::HideHelpPanel() {
    pnlHelp->hide();
}

// --- rendering the controller

void TfrmSKYMain::RenderTree() {
    FTreeModel->Reset(FCtl->Tree());
    FTreeEmpty->setVisible(FTreeModel->rowCount({}) == 0);
    if (FTreeModel->rowCount({}) > 0) vtsDB->expand(FTreeModel->index(0, 0, {}));
}

bool TfrmSKYMain::FocusTreeNode(const QString& schema, const QString& name) {
    for (int s = 0; s < FTreeModel->rowCount({}); ++s) {
        const QModelIndex db = FTreeModel->index(s, 0, {});
        if (FTreeModel->Record(db)->sName.compare(schema, Qt::CaseInsensitive) != 0 &&
            !(schema.isEmpty() && s == 0))
            continue;
        for (int t = 0; t < FTreeModel->rowCount(db); ++t) {
            const QModelIndex node = FTreeModel->index(t, 0, db);
            if (FTreeModel->Record(node)->sName == name) {
                vtsDB->setCurrentIndex(node);
                return true;
            }
        }
    }
    return false;
}

void TfrmSKYMain::RenderTable() {
    const WorkspaceController& c = *FCtl;
    PageControl1->setTabText(kPageTable, c.tablePageCaption);
    Fill(sgFields, kFieldHeadings, c.fieldRows);
    sgFields->setColumnWidth(0, 40);
    sgFields->setColumnWidth(1, 180);
    sgFields->setColumnWidth(2, 120);
    sgFields->horizontalHeader()->setStretchLastSection(true);
    QList<QStringList> objects;
    for (const auto& i : c.indexRows)
        objects << QStringList{QStringLiteral("index"), i.name};
    for (const auto& t : c.triggerRows)
        objects << QStringList{QStringLiteral("trigger"), t.name};
    Fill(sgIndices, {QStringLiteral("-"), QStringLiteral("DB Object Name and Definition")},
         objects);
    sgIndices->horizontalHeader()->setStretchLastSection(true);
    lblTableName->setText(c.lblTableName);
    lblTablePriKey->setText(c.lblTablePriKey);
    lblTableSizeCC->setText(c.lblTableSizeCC);
    lblTableSizeRC->setText(c.lblTableSizeRC);
}

void TfrmSKYMain::RenderResults() {
    FResults->Loaded();
}

void TfrmSKYMain::RunQuery(int mode) {
    ReadEditor();
    FCtl->history = SplitListText(memHist->text()); // the user may have edited it
    const QPointer<TfrmSKYMain> self(this);
    FCtl->RunQuery(mode);
    if (!self) return;
    RenderStack();
    // "Create View (from these Results)" follows "Create from these Results".
}

QPushButton* TfrmSKYMain::RunButton(int mode) const {
    switch (mode) {
    case 1:
        return btnExplain;
    case 2:
        return btnQryPlan;
    case 10:
        return btnQrySelected;
    default:
        return btnQry;
    }
}

void TfrmSKYMain::SetupEditor(QsciScintilla* e) {
    e->setUtf8(true);
    auto* lexer = new QsciLexerSQL(e);
    QFont mono(QStringLiteral("Courier New"));
    mono.setStyleHint(QFont::TypeWriter);
    mono.setFixedPitch(true);
    mono.setPointSize(10);
    lexer->setDefaultFont(mono);
    lexer->setFont(mono);
    lexer->setFoldComments(true);
    e->setLexer(lexer);
    e->setWrapMode(QsciScintilla::WrapWord);
    e->setIndentationsUseTabs(false);
    e->setTabWidth(4);
    e->setMarginWidth(0, 0);
    e->setMarginWidth(1, 0);
    e->setBraceMatching(QsciScintilla::SloppyBraceMatch);
    e->setEolMode(QsciScintilla::EolWindows);
    // Keys that belong to the window (pages, overview, comments, calculator)
    // are taken from the editor's own bindings.
    for (int key : {Qt::Key_T, Qt::Key_D, Qt::Key_L, Qt::Key_Minus, Qt::Key_Slash,
                    Qt::Key_BracketLeft, Qt::Key_BracketRight})
        for (int mods : {int(Qt::CTRL), int(Qt::CTRL | Qt::SHIFT)})
            while (QsciCommand* c = e->standardCommands()->boundTo(key | mods)) {
                if (c->key() == (key | mods))
                    c->setKey(0);
                else
                    c->setAlternateKey(0);
            }
}

void TfrmSKYMain::RenderHistory() {
    if (memHist->text() != FCtl->history.join(QStringLiteral("\r\n")))
        memHist->setText(FCtl->history.join(QStringLiteral("\r\n")));
}

void TfrmSKYMain::RenderStack() {
    btnQryHistPrev->setVisible(FCtl->pgs.PrevVisible());
    btnQryHistNext->setVisible(FCtl->pgs.NextVisible());
}

void TfrmSKYMain::ShowStats() {
    // A negative cache size counts KiB, a positive one pages.
    const qint64 cache = FCtl->fCacheSize < 0 ? -qint64(FCtl->fCacheSize) * 1024
                                              : qint64(FCtl->fCacheSize) * FCtl->fPageSize;
    FStats->Show(FCtl->Stats(), cache, FScales[0]->value(), FScales[1]->value());
}

void TfrmSKYMain::PrepNotice(bool shown) {
    if (!shown) {
        if (fQueryPrep) fQueryPrep->close();
        fQueryPrep = nullptr;
        return;
    }
    if (fQueryPrep) return;
    auto* m = new TKMessg(this);
    m->setAttribute(Qt::WA_DeleteOnClose);
    m->SetHeader(QStringLiteral("Executing Query..."));
    m->SetMsgText(QStringLiteral("Please wait while preparing, this may take a while..."));
    m->SetModalMode(false);
    m->SetButtonsVisible(false);
    m->PlaceOnScreen();
    m->show();
    fQueryPrep = m;
}

void TfrmSKYMain::UpdateContextHelp() {
    ReadEditor();
    FHelp = FindContextHelp(FCtl->editorText, FCtl->selStart, DocStatements());
    mnuQryHelpSel1->setText(ContextHelpCaption(FHelp, DocStatements()));
    mnuQryHelpSel1->setEnabled(FHelp.item >= 0 || !FHelp.word.isEmpty());
}

void TfrmSKYMain::OpenContextHelp() {
    if (FHelp.item >= 0) {
        cbDocsSQLItem->setCurrentIndex(FHelp.item);
        FDocs->OpenStatement();
    } else if (!FHelp.word.isEmpty()) {
        QDesktopServices::openUrl(QUrl(DocSearchUrl(FHelp.word.toLower(), false)));
        FHelp.word.clear();
    }
    ShowPage(kPageDocs);
}

// Keys released in the query editor: comments, the stack steps and the key notice.
bool TfrmSKYMain::EditorKey(QKeyEvent* k) {
    const Qt::KeyboardModifiers mods = k->modifiers() & ~Qt::KeypadModifier;
    if (!memQry->hasSelectedText() && mods == Qt::NoModifier) UpdateContextHelp();
    const bool ctrl = mods == Qt::ControlModifier,
               ctrlShift = mods == (Qt::ControlModifier | Qt::ShiftModifier);
    if (ctrl || ctrlShift) {
        const int key = k->key();
        const bool line = key == Qt::Key_Minus || key == Qt::Key_Underscore;
        const bool block = key == Qt::Key_Slash || key == Qt::Key_Question ||
                           key == Qt::Key_Asterisk || key == Qt::Key_8;
        if (line || block) {
            ReadEditor();
            const CommentEdit e =
                CommentSelection(FCtl->editorText, FCtl->selStart, FCtl->selEnd, block, ctrl);
            FCtl->editorText = e.text;
            FCtl->selStart = e.keepSelection ? e.selStart : e.selEnd;
            FCtl->selEnd = e.selEnd;
            RenderEditor();
            return true;
        }
    }
    if (!ctrl) return false;
    switch (k->key()) {
    case Qt::Key_Up:
        if (btnQryHistPrev->isVisible()) btnQryHistPrev->click();
        return true;
    case Qt::Key_Down:
        if (btnQryHistNext->isVisible()) btnQryHistNext->click();
        return true;
    case Qt::Key_Left:
        btnQryHistPrev->click();
        return true;
    case Qt::Key_Right:
        btnQryHistNext->click();
        return true;
    case Qt::Key_Control:
    case Qt::Key_Shift:
    case Qt::Key_A:
    case Qt::Key_C:
    case Qt::Key_V:
    case Qt::Key_X:
    case Qt::Key_Z:
    case Qt::Key_Y:
    case Qt::Key_Space:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_F:
    case Qt::Key_T:
    case Qt::Key_R:
    case Qt::Key_E:
    case Qt::Key_H:
    case Qt::Key_P:
    case Qt::Key_S:
    case Qt::Key_D:
    case Qt::Key_L:
        return false; // the editor's and the window's own keys
    default:
        if (k->key() >= 0x20 && k->key() < 0x100)
            Prompts().ShowNotice(QStringLiteral("Key..."),
                                 QStringLiteral("Key: 0x") +
                                     QString::number(k->key(), 16).toUpper() +
                                     QStringLiteral(" - ") + QString::number(k->key()),
                                 9, false);
        return false;
    }
}

void TfrmSKYMain::RenderEditor() {
    if (FSyncing) return;
    FSyncing = true;
    const QString& text = FCtl->editorText;
    if (memQry->text() != text) memQry->setText(text);
    memQry->SendScintilla(QsciScintillaBase::SCI_SETSEL, BytePos(text, FCtl->selStart),
                          BytePos(text, FCtl->selEnd));
    FSyncing = false;
}

void TfrmSKYMain::ReadEditor() {
    if (FSyncing) return;
    const QByteArray utf8 = memQry->text().toUtf8();
    FCtl->editorText = memQry->text();
    FCtl->selStart = UnitPos(utf8, memQry->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART));
    FCtl->selEnd = UnitPos(utf8, memQry->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND));
}

void TfrmSKYMain::RenderStatus() {
    lblStatus->setText(FCtl->status);
    QPalette p = lblStatus->palette();
    switch (StatusKind(FCtl->status)) {
    case 1:
        p.setColor(QPalette::Window, QColor(255, 206, 206));
        p.setColor(QPalette::WindowText, QColor(204, 0, 0));
        break;
    case 2:
        p.setColor(QPalette::Window, QColor(221, 255, 221));
        p.setColor(QPalette::WindowText, QColor(52, 103, 103));
        break;
    default:
        p.setColor(QPalette::Window, palette().color(QPalette::Window));
        p.setColor(QPalette::WindowText, QColor(52, 103, 103));
        break;
    }
    lblStatus->setPalette(p);
}

// --- menus

void TfrmSKYMain::BuildNodeMenu(QMenu& menu, const QModelIndex& node) {
    const TDBObjRec* r = FTreeModel->Record(node);
    if (!r) return;
    ReadEditor();
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
    if (item.isDefault) menu.setDefaultAction(a);
    const QString command = item.command, action = item.action;
    connect(a, &QAction::triggered, this, [this, command, action] {
        const QPointer<TfrmSKYMain> self(this);
        ReadEditor();
        if (!command.isEmpty())
            FCtl->RunCommand(command);
        else if (!action.isEmpty())
            RunAction(action);
        if (self) memQry->setFocus();
    });
}

void TfrmSKYMain::RunAction(const QString& action) {
    if (action == act::kRefresh) FCtl->RefreshSchema();
    if (action == act::kTableStructure) ShowPage(kPageTable);
    // The other actions belong to windows still to come; their items are disabled.
}

} // namespace sky::ui
