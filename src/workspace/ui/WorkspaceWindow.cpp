#include "workspace/ui/WorkspaceWindow.h"

#include "engine/SystemLog.h"
#include "shell/InfoPages.h"
#include "shell/ui/AboutBox.h"
#include "shell/ui/FormBehaviour.h"
#include "shell/ui/QtPrompter.h"
#include "shell/ui/WidgetPlacement.h"
#include "support/TextUtil.h"
#include "workspace/ui/SchemaTreeModel.h"

#include "workspace/ui/Scintilla.h"
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

namespace sky::ui {
namespace {

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
    FResults = Grid(PageControl1, QStringLiteral("sgResults"));
    PageControl1->addTab(FResults, QStringLiteral("Query Results"));
    PageControl1->addTab(new QWidget(PageControl1), QStringLiteral("Edit Data"));
    memHist = new QPlainTextEdit(PageControl1);
    memHist->setObjectName(QStringLiteral("memHist"));
    PageControl1->addTab(memHist, QStringLiteral("History"));
    PageControl1->addTab(new QWidget(PageControl1), QStringLiteral("Pragma"));
    PageControl1->addTab(new QWidget(PageControl1), QStringLiteral("Analysis"));
    PageControl1->addTab(new QWidget(PageControl1), QStringLiteral("Settings"));
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
        return !self.isNull() && !FClosing;
    };
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
    c.RunQuery = [this] {
        // The run pipeline of the editor is the next step; a text runs straight
        // into the results meanwhile.
        FCtl->ShowQueryRows(FCtl->editorText, true, false);
    };
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] { HideHelpPanel(); });
    PageControl1->setCurrentIndex(kPageResults);
    c.SetStatus(QStringLiteral("Starting..."));
}

TfrmSKYMain::~TfrmSKYMain() {
    FCtl->TreeChanged = FCtl->TableChanged = FCtl->ResultsChanged = FCtl->EditorChanged =
        FCtl->StatusChanged = nullptr;
    FCtl->history = memHist->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
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
    btnQry = new QPushButton(QStringLiteral(" Run Query\r     F5"), query);
    btnQryToFile = new QPushButton(QStringLiteral(" Query to File\r      F8"), query);
    btnQrySelected = new QPushButton(QStringLiteral(" Query Selected\r       F6"), query);
    btnQry->setObjectName(QStringLiteral("btnQry"));
    btnQrySelected->setEnabled(false);
    btnQryToFile->setEnabled(false); // the file export comes with the query pipeline
    for (QPushButton* b : {btnQry, btnQrySelected, btnQryToFile}) {
        b->setText(b->text().replace(QLatin1Char('\r'), QLatin1Char('\n')));
        b->setMinimumHeight(40);
        buttons->addWidget(b, b == btnQry ? 2 : 1);
    }
    buttons->insertSpacing(0, 80);
    qv->addLayout(buttons);
    memQry = new QsciScintilla(query);
    memQry->setObjectName(QStringLiteral("memQry"));
    memQry->setUtf8(true);
    memQry->setWrapMode(QsciScintilla::WrapWord);
    memQry->setMarginWidth(0, 0);
    memQry->setMarginWidth(1, 0);
    qv->addWidget(memQry, 1);
    lblStatus = new QLabel(query);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    qv->addWidget(lblStatus);
    connect(memQry, &QsciScintilla::textChanged, this, [this] { ReadEditor(); });
    connect(memQry, &QsciScintilla::selectionChanged, this, [this] {
        ReadEditor();
        btnQrySelected->setEnabled(memQry->hasSelectedText());
    });
    connect(btnQry, &QPushButton::clicked, this, [this] {
        ReadEditor();
        if (FCtl->RunQuery) FCtl->RunQuery();
    });
    auto* f5 = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(f5, &QShortcut::activated, btnQry, &QPushButton::click);
    // The right-hand pages.
    pgcQRight = new QTabWidget(FHSplit);
    pgcQRight->setObjectName(QStringLiteral("pgcQRight"));
    pgcQRight->addTab(new QWidget(pgcQRight), QStringLiteral("Query "));
    auto* preview = new QLabel(QStringLiteral("Selected Data item Preview... TBA"), pgcQRight);
    preview->setAlignment(Qt::AlignCenter);
    pgcQRight->addTab(preview, QStringLiteral(" Preview"));
    auto* stats = new QLabel(pgcQRight);
    stats->setObjectName(QStringLiteral("imgStats"));
    pgcQRight->addTab(stats, QStringLiteral(" Stats"));
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
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("tsDocs"));
    auto* form = new QFormLayout(page);
    cbDocsSQLItem = new QComboBox(page);
    cbDocsSQLItem->setObjectName(QStringLiteral("cbDocsSQLItem"));
    cbDocsSQLItem->addItems(DocStatements());
    cbDocsSQLItem->setCurrentText(QStringLiteral("SELECT"));
    auto* open = new QPushButton(QStringLiteral("Open"), page);
    open->setObjectName(QStringLiteral("btnDocsSQLItem"));
    edtDocsSearch = new QLineEdit(page);
    edtDocsSearch->setObjectName(QStringLiteral("edtDocsSearch"));
    auto* search = new QPushButton(QStringLiteral("Search"), page);
    search->setObjectName(QStringLiteral("btnDocsSearch"));
    auto* r1 = new QHBoxLayout;
    r1->addWidget(cbDocsSQLItem, 1);
    r1->addWidget(open);
    auto* r2 = new QHBoxLayout;
    r2->addWidget(edtDocsSearch, 1);
    r2->addWidget(search);
    form->addRow(QStringLiteral("SQL statement:"), r1);
    form->addRow(QStringLiteral("Search the documentation:"), r2);
    auto* links = new QHBoxLayout;
    for (const DocLink& l : DocLinks()) {
        auto* b = new QPushButton(l.caption, page);
        b->setObjectName(l.name);
        b->setToolTip(l.address);
        const QString address = l.address;
        connect(b, &QPushButton::clicked, this,
                [address] { QDesktopServices::openUrl(QUrl(TrimText(address))); });
        links->addWidget(b);
    }
    form->addRow(links);
    auto* about = new QPushButton(QStringLiteral("  About Skylark"), page);
    about->setObjectName(QStringLiteral("btnDocsAbout"));
    form->addRow(about);
    connect(open, &QPushButton::clicked, this, [this] {
        const QString page = DocPage(cbDocsSQLItem->currentText());
        if (!page.isEmpty()) QDesktopServices::openUrl(QUrl(kSqliteDocsBase + page));
    });
    connect(search, &QPushButton::clicked, this, [this] {
        if (TrimText(edtDocsSearch->text()).isEmpty()) return;
        CfgPut(QStringLiteral("LastDocSearch"), DocSearchText(edtDocsSearch->text()));
        QDesktopServices::openUrl(QUrl(DocSearchUrl(edtDocsSearch->text())));
    });
    connect(about, &QPushButton::clicked, this, [] { frmSKYAbout().About(); });
    return page;
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
    QMenu* view = menuBar()->addMenu(QStringLiteral("View"));
    for (int tag = 0; tag < 8; ++tag)
        view->addAction(PageControl1->tabText(tag), this, [this, tag] { ShowPage(tag); });
    QMenu* help = menuBar()->addMenu(QStringLiteral("Help"));
    help->addAction(QStringLiteral("SQLite && System versions (About)"), this,
                    [] { frmSKYAbout().About(); });
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
    memQry->setWrapMode(FCtl->opts.showQueryWWrap ? QsciScintilla::WrapWord
                                                  : QsciScintilla::WrapNone);
    memQry->setMarginWidth(0, FCtl->opts.showQueryGutter ? 32 : 0);
    memHist->setPlainText(FCtl->history.join(QLatin1Char('\n')));
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
}

void TfrmSKYMain::ShowAndRaise() {
    show();
    raise();
    activateWindow();
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

bool TfrmSKYMain::eventFilter(QObject* o, QEvent* e) {
    return QMainWindow::eventFilter(o, e);
}

void TfrmSKYMain::ShowPage(int tag) {
    PageControl1->setCurrentIndex(tag >= 0 && tag < 8 ? tag : int(kPageResults));
}

void TfrmSKYMain::ShowHelpPanel(int x, int y, const QString& text, const QString& title,
                                int alignment) {
    lblHelpHeader->setText(QStringLiteral("- ") + title + QStringLiteral(" -"));
    lblHelp->setText(text);
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
    const QList<QStringList>& rows = FCtl->resultRows;
    FResults->setVisible(false);
    Fill(FResults, rows.value(0), rows.mid(1));
    FResults->resizeColumnsToContents();
    FResults->setVisible(true);
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
    if (!item.children.isEmpty()) {
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
