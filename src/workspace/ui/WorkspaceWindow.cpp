#include "workspace/ui/WorkspaceWindow.h"

#include "analysis/ui/CompareWindow.h"
#include "analysis/ui/DocWindow.h"
#include "calculator/ui/CalcWindow.h"
#include "completion/ui/CompletionPopup.h"
#include "design/ui/QueryPopOutWindow.h"
#include "design/ui/TableDesigner.h"
#include "design/ui/ViewDialog.h"
#include "engine/SystemLog.h"
#include "script/ui/ScriptWindow.h"
#include "shell/ui/DocsPage.h"
#include "shell/ui/FormBehaviour.h"
#include "shell/ui/KMessg.h"
#include "shell/ui/KProgress.h"
#include "shell/ui/PopOuts.h"
#include "shell/ui/QtPrompter.h"
#include "shell/ui/SqlEditorTheme.h"
#include "shell/ui/WidgetPlacement.h"
#include "support/TextUtil.h"
#include "transfer/ui/CsvImportWindow.h"
#include "transfer/ui/FileImportDialog.h"
#include "workspace/ui/AnalyzerPage.h"
#include "workspace/ui/DataEditorPage.h"
#include "workspace/ui/HistoryPage.h"
#include "workspace/ui/PragmaPage.h"
#include "workspace/ui/QueryArea.h"
#include "workspace/ui/QuickSqlPage.h"
#include "workspace/ui/ResultsView.h"
#include "workspace/ui/SchemaTreeModel.h"
#include "workspace/ui/StatsPanel.h"
#include "workspace/ui/TablePage.h"
#include "workspace/ui/WorkspaceSettingsPage.h"

#include "shell/ui/Scintilla.h"
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QTreeView>
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
const QString kPrepHeader = QStringLiteral("Executing Query...");
const QString kPrepText = QStringLiteral("Please wait while preparing, this may take a while...");
const QString kPlacementKey = QStringLiteral("FormSpec");

} // namespace

TfrmSKYMain::TfrmSKYMain(QWidget* parent)
    : QMainWindow(parent), FCtl(std::make_unique<WorkspaceController>(*this, Prompts())) {
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
    BuildPages();
    pnlHeaderSplit->addWidget(PageControl1);
    pnlHeaderSplit->setStretchFactor(1, 1);
    v->addWidget(pnlHeaderSplit);
    setCentralWidget(central);
    BuildHelpPanel();
    BuildMenus();
    BuildKeys();
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int page) {
        HideHelpPanel();
        FResults->HideColumnPopUp();
        if (page == kPageEdit && !FDestroying) FCtl->EditPageShown();
    });
    PageControl1->setCurrentIndex(kPageResults);
    FCtl->SetStatus(QStringLiteral("Starting..."));
}

TfrmSKYMain::~TfrmSKYMain() {
    FDestroying = true;
    if (const auto h = ConnectionOf(&FCtl->sql).lock()) h->completion = nullptr;
    FCtl->history.lines = FHistory->Lines();
    FCtl->Shutdown(); // settings and history stored, connection closed, event -1
    // The pages read the controller while they are hidden: they go before it.
    hide();
    qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

// The header: the schema tree, the query area and the right-hand pages.
QWidget* TfrmSKYMain::BuildHeader() {
    FHSplit = new QSplitter(Qt::Horizontal, this);
    FHSplit->setObjectName(QStringLiteral("pnlHeader"));
    pnlDBTables = BuildTreePanel(FHSplit);
    FQuery = new TQueryArea(*FCtl, FHSplit);
    AddHelpImage(FQuery->HelpImage(), kEditorHelpTitle, kEditorHelpText);
    connect(FQuery, &TQueryArea::CaretMoved, this, [this] { UpdateContextHelp(); });
    connect(FQuery, &TQueryArea::CalculatorWanted, this, [this] { AddCalculatorValue(); });
    connect(FQuery, &TQueryArea::ImportWanted, this, [this](const QString& action) {
        FQuery->ReadEditor();
        RunAction(action);
    });
    new TCompletionPopup(
        Editor(), [this] { return &FCompletion; }, 12);
    pgcQRight = new QTabWidget(FHSplit);
    pgcQRight->setObjectName(QStringLiteral("pgcQRight"));
    FQuick = new TQuickSqlPage(*FCtl, pgcQRight);
    pgcQRight->addTab(FQuick, QStringLiteral("Query "));
    connect(FQuick, &TQuickSqlPage::EditorWanted, this,
            [this](bool before) { EditorWanted(before); });
    auto* preview = new QLabel(QStringLiteral("Selected Data item Preview... TBA"), pgcQRight);
    preview->setAlignment(Qt::AlignCenter);
    pgcQRight->addTab(preview, QStringLiteral(" Preview"));
    FStats = new TStatsPanel(pgcQRight);
    pgcQRight->addTab(FStats, QStringLiteral(" Stats"));
    connect(pgcQRight, &QTabWidget::currentChanged, this, [this] { StatsChanged(); });
    FHSplit->setStretchFactor(1, 1);
    connect(FHSplit, &QSplitter::splitterMoved, this, [this] { LayoutHeader(); });
    return FHSplit;
}

QWidget* TfrmSKYMain::BuildTreePanel(QWidget* parent) {
    auto* panel = new QWidget(parent);
    panel->setObjectName(QStringLiteral("pnlDBTables"));
    panel->setMinimumWidth(120);
    auto* tv = new QVBoxLayout(panel);
    tv->setContentsMargins(0, 0, 0, 0);
    vtsDB = new QTreeView(panel);
    vtsDB->setObjectName(QStringLiteral("vtsDB"));
    vtsDB->setHeaderHidden(true);
    vtsDB->setContextMenuPolicy(Qt::CustomContextMenu);
    vtsDB->setExpandsOnDoubleClick(false);
    FTreeModel = new SchemaTreeModel(vtsDB);
    FTreeModel->SetDarkBase(vtsDB->palette().color(QPalette::Base).lightness() < 128);
    vtsDB->setModel(FTreeModel);
    tv->addWidget(vtsDB);
    auto* pops = new QPushButton(QStringLiteral("Pop-outs"), panel);
    pops->setObjectName(QStringLiteral("btnShowPopOuts"));
    pops->setToolTip(QStringLiteral("Show any Open Result-lists  (Pop-outs)"));
    connect(pops, &QPushButton::clicked, this, [] { PopOuts().ShowAll(); });
    tv->addWidget(pops);
    FTreeEmpty = new QLabel(kNoDatabaseObjects, vtsDB->viewport());
    FTreeEmpty->move(8, 8);
    FTreeEmpty->adjustSize();
    connect(vtsDB->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& i) {
                if (const TDBObjRec* r = FTreeModel->Record(i)) FCtl->FocusNode(*r);
            });
    connect(vtsDB, &QTreeView::doubleClicked, this, [this](const QModelIndex& i) {
        const TDBObjRec* r = FTreeModel->Record(i);
        if (!r || r->NodeKind == TreeNodeKind::Database) return;
        FQuery->ReadEditor();
        FCtl->DoubleClickNode(*r);
        Editor()->setFocus();
    });
    connect(vtsDB, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex i = vtsDB->indexAt(at);
        if (!i.isValid()) return;
        vtsDB->setCurrentIndex(i);
        QMenu m(this);
        BuildNodeMenu(m, i);
        m.exec(vtsDB->viewport()->mapToGlobal(at));
    });
    return panel;
}

// The page area: Table, Results, Edit, History, Pragma, Analysis, Settings, Docs.
void TfrmSKYMain::BuildPages() {
    FTable = new TTablePage(*FCtl, PageControl1);
    PageControl1->addTab(FTable, QStringLiteral("Table Structure"));
    FTableHelp = FTable->HelpImage();
    FTableHelp->installEventFilter(this);
    connect(FTable, &TTablePage::EditorWanted, this, [this](bool before) { EditorWanted(before); });
    FResults = new TResultsPage(*FCtl, PageControl1);
    PageControl1->addTab(FResults, QStringLiteral("Query Results"));
    connect(FResults, &TResultsPage::AddFilterAsSql, this, [this](const QString& condition) {
        FQuery->ReadEditor();
        if (FCtl->AddFilterAsSql(condition)) Editor()->setFocus();
    });
    connect(FResults, &TResultsPage::EditorWanted, this,
            [this](bool before) { EditorWanted(before); });
    connect(FResults, &TResultsPage::PopOutWanted, this, [this] { FCtl->PopOutResults(); });
    connect(FResults, &TResultsPage::TableMenuWanted, this, [this] {
        if (!FocusTreeNode(FCtl->table.schema, FCtl->table.name)) return;
        QMenu m(this);
        BuildNodeMenu(m, vtsDB->currentIndex());
        m.exec(QCursor::pos() - QPoint(40, 0));
    });
    FEdit = new TDataEditorPage(*FCtl, PageControl1);
    PageControl1->addTab(FEdit, QStringLiteral("Edit Data"));
    new TCompletionPopup(
        FEdit->Script(), [this] { return &FCompletion; }, 12);
    FEdit->HelpImage()->installEventFilter(this);
    FHistory = new THistoryPage(*FCtl, PageControl1);
    TCompletionPopup::AttachBuiltin(FHistory->Editor(), 24);
    PageControl1->addTab(FHistory, QStringLiteral("History"));
    AddHelpImage(FHistory->HelpImage(), kHistHelpTitle, kHistHelpText);
    connect(FHistory, &THistoryPage::Picked, this, [this] { FQuery->RenderStack(); });
    FPragma = new TPragmaPage(*FCtl, PageControl1);
    PageControl1->addTab(FPragma, QStringLiteral("Pragma"));
    FAnalyzer = new TAnalyzerPage(*FCtl, *this, PageControl1);
    PageControl1->addTab(FAnalyzer, QStringLiteral("Analysis"));
    AddHelpImage(FAnalyzer->HelpImage(), kAnalyzerHelpTitle, kAnalyzerHelpText);
    FSettings = new TWorkspaceSettingsPage(*FCtl, PageControl1);
    PageControl1->addTab(FSettings, QStringLiteral("Settings"));
    FDocs = new TDocsPage(this, false);
    PageControl1->addTab(FDocs, QStringLiteral("Documentation"));
}

// The floating help panel of the help images.
void TfrmSKYMain::BuildHelpPanel() {
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
}

void TfrmSKYMain::AddHelpImage(QWidget* image, const QString& title, const QString& text) {
    image->installEventFilter(this);
    FHelpImages.insert(image, {title, text});
}

// Window-wide keys: the pages, and find in the results.
void TfrmSKYMain::BuildKeys() {
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
    auto* toFile = new QShortcut(QKeySequence(Qt::Key_F8), this);
    connect(toFile, &QShortcut::activated, this, [this] { QueryToFile(QueryFileKind::Csv); });
    connect(FQuery->QueryToFileButton(), &QPushButton::clicked, this,
            [this] { QueryToFile(QueryFileKind::Csv); });
    auto* nextKey = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(nextKey, &QShortcut::activated, this, [this] {
        if (!FResults->Grid()->hasFocus()) FResults->FindNext();
    });
}

// --- what the tests and the overview reach

QsciScintilla* TfrmSKYMain::Editor() const {
    return FQuery->Editor();
}
QsciScintilla* TfrmSKYMain::History() const {
    return FHistory->Editor();
}
QPushButton* TfrmSKYMain::RunButton(RunMode mode) const {
    return FQuery->RunButton(mode);
}
void TfrmSKYMain::RunQuery(RunMode mode) {
    FQuery->RunQuery(mode);
}
QTableWidget* TfrmSKYMain::Fields() const {
    return FTable->Fields();
}
QLabel* TfrmSKYMain::Status() const {
    return FQuery->Status();
}

// --- WorkspaceHandle

void TfrmSKYMain::Init(const QString& dbFile, const QString& dbTable) {
    const QPointer<TfrmSKYMain> self(this);
    setProperty("dbFile", TrimText(dbFile));
    LogApplication(QStringLiteral("Opened: ") + TrimText(dbFile));
    FCtl->Init(dbFile, dbTable);
    if (!self) return;
    setWindowTitle(FCtl->caption);
    ApplyOptions();
    FSettings->Load();
    FAnalyzer->LoadReport(); // the stored report, without running the analyzer
    HistoryChanged();
    StatsChanged();
    if (isVisible()) ApplyLayout();
}

void TfrmSKYMain::SetShowTooltips(bool on) {
    FTips = on;
    FTreeModel->SetHints(on);
}

void TfrmSKYMain::ShowAndRaise() {
    show();
    raise();
    activateWindow();
    Editor()->setFocus(); // type and press F5 at once
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

// --- WorkspaceView

int TfrmSKYMain::RaiseEvent(int kind, const QString& sPar1) {
    return SysCallback(kind, sPar1);
}

void TfrmSKYMain::ShowPage(int tag) {
    PageControl1->setCurrentIndex(tag >= 0 && tag < 8 ? tag : int(kPageResults));
}

int TfrmSKYMain::CurrentPage() const {
    return PageControl1->currentIndex();
}

bool TfrmSKYMain::LetEventsRun() {
    const QPointer<TfrmSKYMain> self(this);
    QCoreApplication::processEvents();
    return !self.isNull() && !FClosing && !FCtl->ClosePending();
}

void TfrmSKYMain::SavePlacement(SettingList& list) {
    WidgetPlacement p(this);
    PlacementSave(list, kPlacementKey, p);
}

void TfrmSKYMain::RestorePlacement(const SettingList& list) {
    WidgetPlacement p(this);
    const QRect before = geometry();
    PlacementRestore(list, kPlacementKey, p, false);
    if (geometry() != before) FRestored = geometry();
}

void TfrmSKYMain::ReadWindow() {
    FCtl->history.lines = FHistory->Lines();
    FCtl->opts.headerHeight = pnlHeaderSplit->sizes().value(0);
    FCtl->opts.treeWidth = FHSplit->sizes().value(0);
}

QString TfrmSKYMain::ClipboardText() const {
    return QGuiApplication::clipboard()->text();
}

bool TfrmSKYMain::EditView(TViewLayout& view) {
    return frmSKYView().editView(&FCtl->sql, view);
}

void TfrmSKYMain::AddCalculatorValue() {
    double value = 0; // the calculator goes on where it was
    if (!frmSKYCalc().getCalcValue(value)) return;
    FQuery->ReadEditor();
    FCtl->AddToQueryStack(FCtl->editor.text);
    Editor()->replaceSelectedText(CalcEngine::NumberText(value)); // "." in every locale
    FQuery->ReadEditor();
}

bool TfrmSKYMain::CompareTables(const QString& table, const QString& other, QString& error) {
    // The window forgets the connection once this workspace is gone.
    TfrmSKYComp& w = frmSKYComp();
    if (w.compare(&FCtl->sql, table, other, this)) return true;
    error = w.lastError();
    return false;
}

TableDesignerPort* TfrmSKYMain::TableDesigner() {
    return &frmSKYTblDesign();
}

bool TfrmSKYMain::ImportCsv(TSQLite3Database& db, const QString& csv, QString& tableName,
                            QString& why, const QString& replaceTable) {
    TfrmSKYCSVImp window(this);
    return window.EditCSVList(&db, csv, why, tableName, replaceTable);
}

// 16 pixels right of the window's left edge, 12 below its monitor's top.
void TfrmSKYMain::OpenScriptWindow(const QString& dbFile, const QString& scriptFile,
                                   const QString& script) {
    sky::ui::OpenScriptWindow(dbFile, scriptFile, script);
}

bool TfrmSKYMain::ImportFile(TSQLite3Database& db, const QString& file, QString& tableName,
                             QString& why) {
    TfrmSKYFileImp window(this);
    return window.ImportFromFile(&db, file, why, tableName);
}

// Up and left of its usual place by 0.8 of its width and 1.2 of its height,
// kept on the window's monitor.
void TfrmSKYMain::BusyNotice(const QString& title, const QString& text) {
    if (FBusyNotice) FBusyNotice->close();
    if (title.isEmpty()) return;
    auto* m = new TKMessg(this);
    m->setAttribute(Qt::WA_DeleteOnClose);
    m->SetHeader(title);
    m->SetMsgText(text);
    m->SetModalMode(false);
    m->SetButtonsVisible(false);
    m->adjustSize();
    const QRect frame = geometry();
    QPoint at(frame.center().x() - m->width() / 2 - int(0.8 * m->width()),
              frame.center().y() - m->height() / 2 - int(1.2 * m->height()));
    if (const QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - m->width())));
        at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() - m->height())));
    }
    m->move(at);
    m->show();
    FBusyNotice = m;
    LetEventsRun();
}

void TfrmSKYMain::ShowDocumentation(const QString& dbFile, bool check) {
    if (check)
        frmSKYDBDoc().ShowChk(dbFile);
    else
        frmSKYDBDoc().ShowDoc(dbFile);
}

void TfrmSKYMain::OpenPopOut(const QString& sql, const QStringList& lines) {
    const QScreen* s = screen();
    const int top = (s ? s->geometry().top() : 0) + 12;
    TfrmSKYQryData::Open(x() + 16, top, &FCtl->sql, FTips, lines, sql);
}

DesignerDialogs* TfrmSKYMain::SchemaDialogs() {
    return &schemaDialogs();
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
    m->SetHeader(kPrepHeader);
    m->SetMsgText(kPrepText);
    m->SetModalMode(false);
    m->SetButtonsVisible(false);
    m->PlaceOnScreen();
    m->show();
    fQueryPrep = m;
}

ProgressSink* TfrmSKYMain::StartProgress(const QString& title) {
    return ProgressStart(title, false, true, -1, -1, true, true, this);
}

void TfrmSKYMain::EndProgress(ProgressSink* p) {
    static_cast<TKProgress*>(p)->EndProgress();
}

void TfrmSKYMain::TreeChanged() {
    if (FDestroying) return;
    FTreeModel->Reset(FCtl->Tree());
    if (FPragma) FPragma->ReadValues(); // the values on every schema refresh
    FCompletion.Build(&FCtl->sql);      // and the editor's vocabulary,
    SetEditorTableNames(Editor(), FCompletion.TableNames());
    if (FEdit) SetEditorTableNames(FEdit->Script(), FCompletion.TableNames());
    // which the windows opened on this connection complete from too
    if (const auto h = ConnectionOf(&FCtl->sql).lock()) h->completion = &FCompletion;
    FTreeEmpty->setVisible(FTreeModel->rowCount({}) == 0);
    if (FTreeModel->rowCount({}) > 0) vtsDB->expand(FTreeModel->index(0, 0, {}));
}

void TfrmSKYMain::TableChanged() {
    if (FDestroying) return;
    PageControl1->setTabText(kPageTable, FCtl->table.caption);
    FTable->Render();
    if (!FQuick) return;
    FQuick->Render();
    if (!FCtl->table.curCol.isEmpty()) FQuick->ChooseColumn(FCtl->table.curCol);
}

// A page command that changed the editor text leaves the focus there.
void TfrmSKYMain::EditorWanted(bool before) {
    if (before) {
        FQuery->ReadEditor();
        FTableEditorText = FCtl->editor.text;
    } else if (FCtl->editor.text != FTableEditorText) {
        Editor()->setFocus();
    }
}

void TfrmSKYMain::ResultsChanged() {
    if (FDestroying) return;
    FResults->Loaded();
    mmnuResultsMakeView1->setEnabled(FCtl->results.createFromResults);
}

void TfrmSKYMain::EditorChanged() {
    if (FDestroying) return;
    FQuery->RenderEditor();
}

void TfrmSKYMain::StatusChanged() {
    if (FDestroying) return;
    FQuery->RenderStatus();
}

void TfrmSKYMain::StackChanged() {
    if (FDestroying) return;
    FQuery->RenderStack();
}

void TfrmSKYMain::EditDataChanged() {
    if (FDestroying) return;
    FEdit->Render();
}

void TfrmSKYMain::HistoryChanged() {
    if (FDestroying) return;
    FHistory->Render();
}

void TfrmSKYMain::StatsChanged() {
    if (FDestroying) return;
    // A negative cache size counts KiB, a positive one pages.
    const qint64 cache = FCtl->fCacheSize < 0 ? -qint64(FCtl->fCacheSize) * 1024
                                              : qint64(FCtl->fCacheSize) * FCtl->fPageSize;
    FStats->Show(FCtl->Stats(), cache, FSettings->MemoryScaleMB(), FSettings->StatementScaleKB());
}

// --- the tree

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

// --- window events and layout

void TfrmSKYMain::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (FLaidOut) return;
    FLaidOut = true;
    ApplyLayout();
    // Once mapped, so the window manager's own first placement does not
    // override the stored one; the frame is known by then.
    QTimer::singleShot(0, this, [this] {
        if (FDestroying || isMaximized() || isFullScreen()) return;
        if (FRestored.isValid() && geometry() != FRestored) setGeometry(FRestored);
        KeepOnScreen(this);
    });
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
    // The table page's help: beside the field grid, below the page tabs.
    if (o == FTableHelp && !FDestroying && e->type() == QEvent::Enter) {
        const int x = FTable->Fields()->mapTo(this, QPoint(0, 0)).x() + 12;
        const int y = PageControl1->mapTo(this, QPoint(0, 0)).y() + 64;
        ShowHelpPanel(x, y, TableHelpText(FCtl->table.name), kTableHelpTitle, 0);
    } else if (o == FTableHelp && !FDestroying && e->type() == QEvent::Leave) {
        HideHelpPanel();
    }
    // The data editor's help: centred on the page, below the page tabs.
    if (!FDestroying && FEdit && o == FEdit->HelpImage() && e->type() == QEvent::Enter) {
        const QPoint page = FEdit->mapTo(this, QPoint(FEdit->width() / 2, 0));
        ShowHelpPanel(page.x(), page.y() + 32, kValueEditorHelpText, kValueEditorHelpTitle, 1);
    } else if (!FDestroying && FEdit && o == FEdit->HelpImage() && e->type() == QEvent::Leave) {
        HideHelpPanel();
    }
    if (auto it = FHelpImages.constFind(o); it != FHelpImages.constEnd()) {
        auto* w = static_cast<QWidget*>(o);
        if (e->type() == QEvent::Enter) {
            const QPoint at = w->mapTo(this, QPoint(w->width(), w->height()));
            ShowHelpPanel(at.x(), at.y(), it->second, it->first, 2);
        } else if (e->type() == QEvent::Leave) {
            HideHelpPanel();
        }
    }
    return QMainWindow::eventFilter(o, e);
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

} // namespace sky::ui
