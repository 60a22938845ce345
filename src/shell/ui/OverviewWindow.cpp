#include "shell/ui/OverviewWindow.h"

#include "engine/Database.h"
#include "engine/SystemLog.h"
#include "shell/Startup.h"
#include "shell/ui/AboutBox.h"
#include "shell/ui/AppFrame.h"
#include "shell/ui/FormBehaviour.h"
#include "shell/ui/QtPrompter.h"
#include "shell/ui/ThemeViewer.h"
#include "shell/ui/Themes.h"
#include "shell/ui/WidgetPlacement.h"
#include "support/Folders.h"
#include "support/PulseCall.h"
#include "support/Settings.h"
#include "support/TextUtil.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace sky::ui {

const QString kRestartNotice = QStringLiteral(
    "This setting will only take effect next time you open Skylark.\r\rClick here to re-open "
    "now...");

TfrmSKYOview::TfrmSKYOview(TfrmSKYApp* frame, StartOptions options)
    : FFrame(frame), FOptions(std::move(options)) {
    setObjectName(QStringLiteral("frmSKYOview"));
    setWindowTitle(QStringLiteral("Skylark"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(900, 600);
    auto* central = new QWidget(this);
    auto* v = new QVBoxLayout(central);
    v->addWidget(new QLabel(QStringLiteral("Database files:"), central));
    FFileList = new QListWidget(central);
    FFileList->setObjectName(QStringLiteral("lstFiles"));
    v->addWidget(FFileList, 1);
    v->addWidget(new QLabel(QStringLiteral("System log:"), central));
    FLog = new QPlainTextEdit(central);
    FLog->setObjectName(QStringLiteral("memLog"));
    FLog->setReadOnly(true);
    v->addWidget(FLog, 2);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Theme:"), central));
    FTheme = new QComboBox(central);
    FTheme->setObjectName(QStringLiteral("cbTheme"));
    row->addWidget(FTheme);
    FViewer = new QPushButton(QStringLiteral("Theme Viewer"), central);
    FViewer->setObjectName(QStringLiteral("btnStylePreview"));
    row->addWidget(FViewer);
    FStatus = new QLabel(central);
    row->addWidget(FStatus, 1);
    auto* about = new QPushButton(QStringLiteral("  About Skylark"), central);
    about->setObjectName(QStringLiteral("btnDocsAbout"));
    row->addWidget(about);
    connect(about, &QPushButton::clicked, this, [] { frmSKYAbout().About(); });
    auto* exit = new QPushButton(QStringLiteral("Exit Skylark"), central);
    exit->setObjectName(QStringLiteral("btnExit"));
    row->addWidget(exit);
    v->addLayout(row);
    setCentralWidget(central);

    FLauncher = new ThemeViewerLauncher(this);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    connect(FTheme, &QComboBox::activated, this,
            [this](int i) { ChooseTheme(FTheme->itemText(i)); });
    connect(FViewer, &QPushButton::clicked, this, [this] {
        QStringList names;
        for (int i = 0; i < FTheme->count(); ++i)
            names << FTheme->itemText(i);
        FLauncher->Launch(FViewer, ThemeViewerLauncher::ViewerProgram(), ActiveTheme(), names,
                          ScratchDir() + QStringLiteral("ViewerDataSet.cfg"),
                          [this](const QString& name) {
                              const int i = FTheme->findText(name);
                              if (i < 0) return;
                              FTheme->setCurrentIndex(i);
                              ChooseTheme(name);
                          });
    });
    FLogTimer = new QTimer(this);
    connect(FLogTimer, &QTimer::timeout, this, [this] { RefreshLog(); });
    FLogTimer->start(500);

    // The theme list: the active theme selected, else "Windows", else the first.
    FTheme->addItems(ThemeNames());
    int sel = FTheme->findText(ActiveTheme());
    if (sel < 0) sel = FTheme->findText(kPlatformTheme);
    FTheme->setCurrentIndex(sel < 0 ? 0 : sel);

    PulseCall(100, 1, this, [this] { DeferredStart(); });
}

void TfrmSKYOview::DeferredStart() {
    RestorePlacement(objectName(), this, false);
    TKFormFilter::Instance()->SetShowTooltips(CfgGetBool(QStringLiteral("ShowTooltips"), true));
    WriteLog(TLogKind::System, QStringLiteral("Skylark Started"));
    SetLogLevel(CfgGetInt(QStringLiteral("SysLogKind"), 2, 0, 2));
    QCoreApplication::processEvents();
    try {
        TSQLite3Database probe;
        FVersionInfo = SQLiteInfoText(probe.SQLiteSoftwVersion(), probe.SQLiteVersion());
        frmSKYAbout().SetUtilsText(FVersionInfo, probe.SQLiteSoftwVersion());
        LogApplication(FVersionInfo);
        setWindowTitle(QStringLiteral("Skylark v") + FileVersionText());
    } catch (const std::exception& e) {
        WriteLog(TLogKind::System,
                 QStringLiteral("Exception initializing versioning information ") +
                     ExceptionText(e));
    }
    const QString example = DocumentsDir() + QStringLiteral("ExampleData.Tarndb");
    if (FFiles.isEmpty() && QFileInfo::exists(example)) AddFile(example);
    const CommandLineFiles cl = TakeCommandLineFiles(FOptions.params, FFiles, FOptions.currentDir);
    for (const QString& f : cl.added)
        AddFile(f);
    if (!cl.open.isEmpty()) OpenEntry(cl.open);
    if (FFrame) FFrame->SetCaption(windowTitle());
    show();
    FStarted = true;
    RefreshLog();
    Q_EMIT StartFinished();
    if (FOptions.quitAfterStart) PulseCall(1, 1, this, [this] { close(); });
}

void TfrmSKYOview::AddFile(const QString& file) {
    FFiles.append(file);
    FFileList->addItem(file);
}

void TfrmSKYOview::OpenEntry(const QString& file) {
    // Workspaces arrive with their own window; until then the request is noted.
    FOpened = file;
    FStatus->setText(QStringLiteral("Selected: ") + QFileInfo(file).fileName());
    LogApplication(QStringLiteral("Open requested: ") + file);
}

void TfrmSKYOview::RefreshLog() {
    QStringList lines;
    GetLogLines(lines, true);
    for (const QString& l : lines)
        FLog->appendPlainText(l);
}

void TfrmSKYOview::ChooseTheme(const QString& name) {
    if (name.isEmpty() || name == ActiveTheme()) return;
    CfgPut(QStringLiteral("DXStyle"), name);
    Prompts().ShowClickableNotice(QStringLiteral("Theme"), kRestartNotice, 9,
                                  [this] { RestartNow(); });
}

void TfrmSKYOview::RestartNow() {
    CfgFlush();
    if (FFrame) FFrame->RestartRequested = true;
    PulseCall(50, 1, this, [this] { close(); });
}

void TfrmSKYOview::closeEvent(QCloseEvent* e) {
    SavePlacement(objectName(), this);
    // Workspaces and pop-outs close here once they exist.
    if (FFrame) {
        TfrmSKYApp* frame = FFrame;
        PulseCall(10, 1, frame, [frame] { frame->Close(); });
    }
    e->accept();
}

} // namespace sky::ui
