#include "shell/ui/OverviewWindow.h"

#include "shell/InfoPages.h"
#include "shell/ui/AboutBox.h"
#include "shell/ui/AlignedForm.h"
#include "shell/ui/AppFrame.h"
#include "shell/ui/DocsPage.h"
#include "shell/ui/FilePane.h"
#include "shell/ui/FormBehaviour.h"
#include "shell/ui/KProgress.h"
#include "shell/ui/LogPage.h"
#include "shell/ui/OverviewSettingsPage.h"
#include "shell/ui/PopOuts.h"
#include "shell/ui/QtFileChooser.h"
#include "shell/ui/QtPrompter.h"
#include "shell/ui/SearchPage.h"
#include "shell/ui/Themes.h"
#include "shell/ui/WidgetPlacement.h"
#include "support/PulseCall.h"
#include "support/Settings.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace sky::ui {

const QString kRestartNotice = QStringLiteral(
    "This setting will only take effect next time you open Skylark.\r\rClick here to re-open "
    "now...");

namespace {

const QString kLogPage = QStringLiteral("  SQLite Log  ");
const QString kInfoPage = QStringLiteral("  Database Info  ");
const QString kInvalidName = QStringLiteral("---");
const QString kInvalidSelection = QStringLiteral("(Invalid selection)");
const QString kTransferRunning =
    QStringLiteral("A file transfer is in Progress - close the window when it has ended.");

} // namespace

TfrmSKYOview::TfrmSKYOview(TfrmSKYApp* frame, StartOptions options)
    : FFrame(frame), FOptions(std::move(options)),
      FOwnChooser(FOptions.files ? nullptr : std::make_unique<QtFileChooser>()),
      FChooser(FOptions.files ? FOptions.files : FOwnChooser.get()),
      FCtl(std::make_unique<OverviewController>(*this, Prompts(), *FChooser)) {
    setObjectName(QStringLiteral("frmSKYOview"));
    setWindowTitle(QStringLiteral("Skylark"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(1100, 680);
    // The workspace windows come from the program's factory; the one made
    // last is remembered for OpenedFile and the screenshot.
    FCtl->SetWorkspaceFactory([this, make = FOptions.workspaces]() -> WorkspaceHandle* {
        WorkspaceHandle* w = make ? make() : nullptr;
        FLastWorkspace = dynamic_cast<QWidget*>(w);
        return w;
    });
    FSplit = new QSplitter(this);
    FPane = new TFilePane(*FCtl, FSplit);
    FPane->SetScriptOpener(FOptions.scripts);
    FPane->SetDocOpener(FOptions.docs);
    FPages = new QTabWidget(FSplit);
    FPages->setMinimumWidth(320); // the file pane may take the room the pages' captions ask for
    BuildPages();
    FSplit->setStretchFactor(1, 1);
    FSplit->setSizes({kCollapsedPaneWidth, width() - kCollapsedPaneWidth});
    setCentralWidget(FSplit);
    FStatus = new QLabel(this);
    FStatus->hide();
    ConnectFilePane();
    FLogTimer = new QTimer(this);
    connect(FLogTimer, &QTimer::timeout, this, [this] {
        if (FPages->currentWidget() == FLog) FLog->Refresh();
    });
    FLogTimer->start(1000);
    PulseCall(100, 1, this, [this] { DeferredStart(); });
}

TfrmSKYOview::~TfrmSKYOview() = default;

void TfrmSKYOview::BuildPages() {
    FSearch = new TSearchPage(*FCtl, *FChooser, this);
    FLog = new TLogPage(*FChooser, this);
    FSettings = new TOverviewSettingsPage(*FCtl, this);
    FPages->addTab(FSearch, QStringLiteral("  Search  "));
    FPages->addTab(FLog, kLogPage);
    FPages->addTab(FSettings, QStringLiteral("  Settings  "));
    FPages->addTab(BuildInfoPage(), kInfoPage);
    FPages->addTab(BuildDocsPage(), QStringLiteral("  SQL Documentation  "));
    connect(FPages, &QTabWidget::currentChanged, this, [this](int i) {
        if (FPages->tabText(i) == kLogPage) FLog->Refresh();
        if (FPages->tabText(i) == kInfoPage) ShowInfo(FPane->SelectedEntry());
    });
    connect(FSearch, &TSearchPage::ToggleExpanded, this, [this] { LayoutFilePane(-1); });
    connect(FSettings, &TOverviewSettingsPage::ThemeChosen, this,
            [this](const QString& name) { ChooseTheme(name); });
}

void TfrmSKYOview::ConnectFilePane() {
    connect(FPane, &TFilePane::ToggleExpanded, this, [this] { LayoutFilePane(-1); });
    connect(FPane, &TFilePane::EntryEntered, this, [this](const QString& entry) {
        if (FPages->tabText(FPages->currentIndex()) == kInfoPage) ShowInfo(entry);
    });
    connect(FPane, &TFilePane::ShowInFolder, this, [this](const QString& f) { ShowInFolder(f); });
    connect(FPane, &TFilePane::CascadeWindows, this, [this] { CascadeWindows(); });
    connect(FPane, &TFilePane::MinimizeRequested, this, [this] { showMinimized(); });
    connect(FPane, &TFilePane::ExitRequested, this, &QWidget::close);
}

QWidget* TfrmSKYOview::BuildInfoPage() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("tsDBInfo"));
    FInfoForm = NewAlignedForm(page);
    FInfoName = new QLabel(page);
    FInfoName->setObjectName(QStringLiteral("lblDBName"));
    QFont bold = FInfoName->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    FInfoName->setFont(bold);
    FInfoFolder = new QLabel(page);
    FInfoFolder->setObjectName(QStringLiteral("lblDBFolder"));
    FInfoFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    FInfoFolder->setWordWrap(true);
    auto* outer = static_cast<QVBoxLayout*>(page->layout());
    outer->insertWidget(0, FInfoName);
    outer->insertWidget(1, FInfoFolder);
    outer->insertSpacing(2, 8);
    FInfoName->setText(kInvalidName);
    FInfoFolder->setText(kInvalidSelection);
    return page;
}

void TfrmSKYOview::ShowInfo(const QString& entry) {
    while (FInfoForm->rowCount() > 0)
        FInfoForm->removeRow(0);
    const QString file = FileOfEntry(entry);
    if (file.isEmpty()) {
        FInfoName->setText(kInvalidName);
        FInfoFolder->setText(kInvalidSelection);
        return;
    }
    TSQLite3FileHeader h;
    if (const TSQLite3FileHeader* known = FCtl->Status().Find(file))
        h = *known;
    else
        ReadDBFileHeader(file, h);
    FInfoName->setText(
        QFileInfo(file).completeBaseName().replace(QLatin1Char('_'), QLatin1Char(' ')));
    FInfoFolder->setText(QFileInfo(file).absolutePath() + QLatin1Char('/'));
    QWidget* page = FInfoName->parentWidget();
    for (const auto& [caption, value] : DatabaseInfoLines(file, h)) {
        auto* v = new QLabel(value, page);
        v->setTextInteractionFlags(Qt::TextSelectableByMouse);
        FInfoForm->addRow(caption.trimmed(), v);
    }
}

QWidget* TfrmSKYOview::BuildDocsPage() {
    auto* page = new TDocsPage(this, true);
    cbDocsSQLItem = page->Statements();
    edtDocsSearch = page->SearchBox();
    return page;
}

// --- what the tests and the menus reach

QComboBox* TfrmSKYOview::ThemeBox() const {
    return FSettings->ThemeBox();
}
QPushButton* TfrmSKYOview::ThemeViewerButton() const {
    return FSettings->ThemeViewerButton();
}
QListWidget* TfrmSKYOview::FileList() const {
    return FPane->FileList();
}
QWidget* TfrmSKYOview::FilePane() const {
    return FPane;
}
const QList<QPushButton*>& TfrmSKYOview::HeaderButtons() const {
    return FPane->HeaderButtons();
}
QListWidget* TfrmSKYOview::SearchResults() const {
    return FSearch->Results();
}
QString TfrmSKYOview::EntryText(const QString& entry) const {
    return FPane->EntryText(entry);
}
void TfrmSKYOview::BuildEntryMenu(QMenu& m, const QString& entry) {
    FPane->BuildEntryMenu(m, entry);
}
void TfrmSKYOview::BuildWindowMenu(QMenu& m) {
    FPane->BuildWindowMenu(m);
}
void TfrmSKYOview::FindFiles() {
    FSearch->FindFiles();
}
void TfrmSKYOview::FindTables(bool inDefinitions) {
    FSearch->FindTables(inDefinitions);
}

QString TfrmSKYOview::OpenedFile() const {
    return FLastWorkspace ? FLastWorkspace->property("dbFile").toString() : QString();
}

void TfrmSKYOview::RefreshFiles() {
    FPane->RefreshFiles();
    FSearch->RefreshResults();
}

// --- OverviewView

void TfrmSKYOview::ProjectsChanged() {
    FPane->RefreshProjects();
    FSearch->RefreshResults();
}

void TfrmSKYOview::FilesChanged() {
    RefreshFiles();
}

void TfrmSKYOview::BringToFront() {
    showNormal();
    raise();
    activateWindow();
}

void TfrmSKYOview::ShowInFolder(const QString& file) {
    if (QFileInfo::exists(file))
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absolutePath()));
}

// The query-data pop-outs come with their own window.
void TfrmSKYOview::ShowPopOuts(bool shown) {
    if (shown)
        PopOuts().ShowAll();
    else
        PopOuts().HideAll();
}
void TfrmSKYOview::FreePopOuts() {
    PopOuts().CloseAll();
}

ProgressSink* TfrmSKYOview::StartProgress(const QString& title, bool canCancel) {
    return ProgressStart(title, false, canCancel, -1, -1, true, true);
}

void TfrmSKYOview::EndProgress(ProgressSink* p) {
    static_cast<TKProgress*>(p)->EndProgress();
}

void TfrmSKYOview::ShowSettings(const OverviewSettings& s) {
    FSettings->ShowSettings(s);
    FSearch->ShowSettings(s);
    edtDocsSearch->setText(s.docSearch);
    FLog->ShowLevel(s.logKind);
    FStartExpanded = s.expandedPane;
}

void TfrmSKYOview::ApplyTooltips(bool on) {
    TKFormFilter::Instance()->SetShowTooltips(on);
}

void TfrmSKYOview::LetEventsRun() {
    QCoreApplication::processEvents();
}

void TfrmSKYOview::ShowVersionInfo(const QString& info, const QString& sourceId) {
    frmSKYAbout().SetUtilsText(info, sourceId);
}

void TfrmSKYOview::ShowCaption(const QString& caption) {
    setWindowTitle(caption);
    if (FFrame) FFrame->SetCaption(caption);
}

void TfrmSKYOview::SearchForDatabases() {
    FPages->setCurrentIndex(0);
    FSearch->StartFirstSearch();
}

// --- the file pane's width

void TfrmSKYOview::CascadeWindows() {
    // Columns of at most six windows, each column offset down and right.
    const QRect area = screen() ? screen()->availableGeometry() : QRect(0, 0, 1280, 800);
    const QList<WorkspaceHandle*> all = FCtl->Workspaces();
    const int columns = std::max<int>(1, (int(all.size()) + 5) / 6);
    const int colWidth = area.width() / columns;
    for (int i = 0; i < all.size(); ++i) {
        auto* w = dynamic_cast<QWidget*>(all[i]);
        if (!w) continue;
        const int col = i / 6, row = i % 6;
        w->showNormal();
        w->move(area.left() + col * colWidth + row * 32, area.top() + row * 32);
        KeepOnScreen(w); // a large window in a late column stays on the screen
        w->raise();
    }
}

void TfrmSKYOview::LayoutFilePane(int mode) {
    if (mode == -1)
        FExpanded = !FExpanded;
    else if (mode > 0)
        FExpanded = true;
    else if (mode < 0)
        FExpanded = false;
    if (mode == 0) {
        // keep the widths; captions and drawing follow the state
    } else if (FExpanded) {
        const int monitor = screen() ? screen()->availableGeometry().width() : 1280;
        const FilePaneSize size = ExpandedPaneSize(monitor, width());
        if (size.windowWidth > width()) resize(size.windowWidth, height());
        SetPaneWidth(size.paneWidth);
    } else {
        SetPaneWidth(FCollapsedWidth);
    }
    FPane->SetExpanded(FExpanded);
    FSearch->SetPaneExpanded(FExpanded);
    // Back inside the monitor.
    if (isVisible()) KeepOnScreen(this);
}

void TfrmSKYOview::SetPaneWidth(int w) {
    QList<int> sizes = FSplit->sizes();
    if (sizes.size() < 2) return;
    const int total = sizes[0] + sizes[1] > 0 ? sizes[0] + sizes[1] : width();
    sizes[0] = w;
    sizes[1] = std::max(total - w, 100);
    FSplit->setSizes(sizes);
}

// --- start, theme, close

void TfrmSKYOview::DeferredStart() {
    // The stored placement once the window is mapped: a window manager
    // places a window when it maps it and would override an earlier one.
    show();
    RestorePlacement(objectName(), this, false);
    FCtl->Start(FOptions.params, FOptions.currentDir);
    FinishStart();
}

// Once shown: the pane's stored width and state (the splitter takes widths
// once it is laid out), then the quit or the screenshot asked for.
void TfrmSKYOview::FinishStart() {
    SetPaneWidth(FCtl->FileListWidth(width()));
    LayoutFilePane(FStartExpanded ? 1 : 0);
    FStarted = true;
    Q_EMIT StartFinished();
    if (FOptions.quitAfterStart) PulseCall(1, 1, this, [this] { close(); });
    if (!FOptions.screenshot.isEmpty())
        PulseCall(500, 1, this, [this] {
            grab().save(FOptions.screenshot, "PNG");
            // The workspace opened last beside it, as FILE-workspace.png.
            if (FLastWorkspace) {
                QString name = FOptions.screenshot;
                if (name.endsWith(QLatin1String(".png"), Qt::CaseInsensitive)) name.chop(4);
                FLastWorkspace->grab().save(name + QStringLiteral("-workspace.png"), "PNG");
            }
            close();
        });
}

void TfrmSKYOview::ChooseTheme(const QString& name) {
    if (!FCtl->ChooseTheme(name, ActiveTheme())) return;
    Prompts().ShowClickableNotice(QStringLiteral("Theme"), kRestartNotice, 9,
                                  [this] { RestartNow(); });
}

void TfrmSKYOview::RestartNow() {
    CfgFlush();
    if (FFrame) FFrame->RestartRequested = true;
    PulseCall(50, 1, this, [this] { close(); });
}

void TfrmSKYOview::StoreSettings() {
    OverviewSettings s;
    FSettings->ReadSettings(s);
    FSearch->ReadSettings(s);
    s.logKind = FLog->Level();
    s.expandedPane = FExpanded;
    s.fileListWidth = FSplit->sizes().value(0);
    SavePlacement(objectName(), this);
    FCtl->SaveSettings(s);
}

void TfrmSKYOview::closeEvent(QCloseEvent* e) {
    // A running transfer owns the files: the window stays until it ends.
    if (FCtl->TransferRunning()) {
        e->ignore();
        Prompts().ShowNotice(QStringLiteral("DB Backup"), kTransferRunning, 9, true);
        return;
    }
    if (FStarted) StoreSettings();
    // Busy workspaces close when their operation returns; the overview waits for them.
    FCtl->CloseAll();
    if (!FCtl->Workspaces().isEmpty()) {
        e->ignore();
        PulseCall(100, 1, this, [this] { close(); });
        return;
    }
    if (FFrame) {
        TfrmSKYApp* frame = FFrame;
        PulseCall(10, 1, frame, [frame] { frame->Close(); });
    }
    e->accept();
}

} // namespace sky::ui
