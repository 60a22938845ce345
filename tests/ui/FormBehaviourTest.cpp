// Keys every window shares, themes, placement of a real window, the theme
// viewer protocol, and the program's start and stop.
#include "shell/ui/FormBehaviour.h"
#include "common/Process.h"
#include "common/TempConfig.h"
#include "common/UiAnswer.h"
#include "shell/Startup.h"
#include "shell/ui/AppFrame.h"
#include "shell/ui/OverviewWindow.h"
#include "shell/ui/StyleViewerWindow.h"
#include "shell/ui/ThemeViewer.h"
#include "shell/ui/Themes.h"
#include "support/Folders.h"
#include "support/Settings.h"
#include "workspace/ui/WorkspaceWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace sky::ui {
namespace {

void Key(QWidget* w, QEvent::Type type, int key, bool repeat = false) {
    QKeyEvent e(type, key, Qt::NoModifier, QString(), repeat);
    QCoreApplication::sendEvent(w, &e);
}

// A child that takes F5 for itself, as the query editor does.
class F5Taker : public QLineEdit {
public:
    using QLineEdit::QLineEdit;
    int taken = 0;

protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_F5) {
            ++taken;
            e->accept();
            return;
        }
        QLineEdit::keyPressEvent(e);
    }
};

TEST(FormKeys, FunctionKeysEscapeAndMoves) {
    TKFormFilter* f = TKFormFilter::Instance();
    QWidget main, w;
    f->SetMainForm(&main);
    main.show();
    w.show();

    Key(&w, QEvent::KeyPress, Qt::Key_F4);
    EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
    Key(&w, QEvent::KeyPress, Qt::Key_F4);
    EXPECT_FALSE(w.windowState() & Qt::WindowMaximized);

    Key(&w, QEvent::KeyPress, Qt::Key_F5);
    EXPECT_NEAR(w.windowOpacity(), TKFormFilter::kTranslucent, 0.01);
    Key(&w, QEvent::KeyPress, Qt::Key_F5, true); // repeats change nothing
    Key(&w, QEvent::KeyRelease, Qt::Key_F5, true);
    EXPECT_NEAR(w.windowOpacity(), TKFormFilter::kTranslucent, 0.01);
    Key(&w, QEvent::KeyRelease, Qt::Key_F5);
    EXPECT_DOUBLE_EQ(w.windowOpacity(), 1.0);
    // A window translucent of its own is left alone.
    w.setWindowOpacity(0.5);
    Key(&w, QEvent::KeyPress, Qt::Key_F5);
    Key(&w, QEvent::KeyRelease, Qt::Key_F5);
    EXPECT_NEAR(w.windowOpacity(), 0.5, 0.01);
    w.setWindowOpacity(1.0);

    // A widget that takes F5 keeps it from the window.
    auto* taker = new F5Taker(&w);
    taker->show();
    Key(taker, QEvent::KeyPress, Qt::Key_F5);
    EXPECT_EQ(taker->taken, 1);
    EXPECT_DOUBLE_EQ(w.windowOpacity(), 1.0);

    QGuiApplication::clipboard()->clear();
    Key(&w, QEvent::KeyRelease, Qt::Key_F9);
    EXPECT_FALSE(QGuiApplication::clipboard()->image().isNull());

    int moved = 0;
    QObject::connect(f, &TKFormFilter::Moved, &w, [&](QWidget* m) { moved += m == &w; });
    w.move(w.pos() + QPoint(30, 20));
    RunEventsFor(20);
    EXPECT_GE(moved, 1);

    Key(&w, QEvent::KeyRelease, Qt::Key_Escape);
    EXPECT_TRUE(w.isVisible()); // not marked
    TKFormFilter::SetCloseOnEscape(&w, true);
    TKFormFilter::SetCloseOnEscape(&main, true);
    Key(&main, QEvent::KeyRelease, Qt::Key_Escape);
    EXPECT_TRUE(main.isVisible()); // the main window never closes on Esc
    Key(&w, QEvent::KeyRelease, Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());

    Key(&main, QEvent::KeyPress, Qt::Key_F3);
    EXPECT_TRUE(main.windowState() & Qt::WindowMinimized);
    Key(&main, QEvent::KeyPress, Qt::Key_F3);
    EXPECT_FALSE(main.windowState() & Qt::WindowMinimized);
    f->SetMainForm(nullptr);
}

TEST(FormKeys, MinimisingOneWindowMinimisesTheOthersUnlessMarked) {
    TKFormFilter::Instance();
    QWidget a, b, alone;
    a.show();
    b.show();
    alone.show();
    TKFormFilter::SetNoMinimizeApp(&alone, true);
    alone.showMinimized();
    RunEventsFor(20);
    EXPECT_FALSE(a.windowState() & Qt::WindowMinimized);
    alone.showNormal();
    a.showMinimized();
    RunEventsFor(20);
    EXPECT_TRUE(a.windowState() & Qt::WindowMinimized);
    EXPECT_TRUE(a.isMinimized());
    EXPECT_TRUE(b.windowState() & Qt::WindowMinimized);
    EXPECT_FALSE(alone.windowState() & Qt::WindowMinimized);
}

TEST(Themes, NamesApplyAndPreview) {
    const QStringList names = ThemeNames();
    EXPECT_GE(names.size(), 6);
    EXPECT_TRUE(names.contains(kDefaultTheme));
    EXPECT_TRUE(names.contains(kPlatformTheme));
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end(),
              [](const QString& a, const QString& b) { return a.toUpper() < b.toUpper(); });
    EXPECT_EQ(names, sorted);
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    const QString platform = app->style()->name();
    EXPECT_FALSE(ApplyTheme(*app, QStringLiteral("No Such Theme")));
    ASSERT_TRUE(ApplyTheme(*app, QStringLiteral("Slate")));
    EXPECT_EQ(app->styleSheet(), ThemeStyleSheet(QStringLiteral("Slate")));
    EXPECT_EQ(app->palette().color(QPalette::Window),
              ThemePalette(QStringLiteral("Slate")).color(QPalette::Window));
    EXPECT_EQ(ActiveTheme(), QStringLiteral("Slate"));
    ASSERT_TRUE(ApplyTheme(*app, kPlatformTheme));
    EXPECT_EQ(app->style()->name(), platform);
}

TEST(ThemeViewer, AnswerFileProtocolBothSides) {
    QTemporaryDir dir;
    const QString answer = dir.filePath(QStringLiteral("ViewerDataSet.cfg"));
    // The viewer writes the chosen name.
    ThemeViewerRequest req = ParseThemeViewerArguments(ThemeViewerArguments(
        0, 0, QStringLiteral("Skylark Themes"), QStringLiteral("Forest"), answer, ThemeNames()));
    StyleViewerWindow viewer(req);
    EXPECT_EQ(viewer.Names()->currentItem()->text(), QStringLiteral("Forest"));
    viewer.Names()->setCurrentRow(int(ThemeNames().indexOf(QStringLiteral("Slate"))));
    viewer.Apply();
    EXPECT_EQ(ReadThemeAnswer(answer), QStringLiteral("Slate"));

    // The launcher polls for it; the button comes back either way.
    const QString fake = dir.filePath(QStringLiteral("viewer.sh"));
    QFile script(fake);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nfor a in \"$@\"; do case \"$a\" in f=*) printf 'Amber Night\\r\\n' "
                 "> \"${a#f=}\";; esac; done\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QPushButton button;
    ThemeViewerLauncher launcher;
    QString chosen;
    ASSERT_TRUE(launcher.Launch(&button, fake, QStringLiteral("Forest"), ThemeNames(), answer,
                                [&](const QString& n) { chosen = n; }));
    EXPECT_FALSE(button.isEnabled());
    ASSERT_TRUE(WaitFor([&] { return !chosen.isEmpty(); }));
    EXPECT_EQ(chosen, QStringLiteral("Amber Night"));
    EXPECT_TRUE(button.isEnabled());
    EXPECT_FALSE(QFile::exists(answer));

    EXPECT_FALSE(launcher.Launch(&button, dir.filePath(QStringLiteral("missing")),
                                 QStringLiteral("Forest"), ThemeNames(), answer, nullptr));
    EXPECT_TRUE(button.isEnabled());
    EXPECT_FALSE(launcher.Launch(&button, fake, QStringLiteral("Forest"), {QStringLiteral("x")},
                                 answer, nullptr));
    EXPECT_TRUE(button.isEnabled());
}

class StartTest : public ::testing::Test {
protected:
    void SetUp() override { test::UseTempConfig(config); }
    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }
    QTemporaryDir config;
};

TEST_F(StartTest, TwoFileParametersAreListedAndTheFirstOpened) {
    QTemporaryDir data;
    const QString a = data.filePath(QStringLiteral("one.db")),
                  b = data.filePath(QStringLiteral("two.db"));
    for (const QString& f : {a, b}) {
        QFile w(f);
        ASSERT_TRUE(w.open(QIODevice::WriteOnly));
    }
    TfrmSKYApp frame;
    StartOptions o{
        {QStringLiteral("one.db"), b, QStringLiteral("nothere.db")}, data.path(), false, QString()};
    o.workspaces = []() -> WorkspaceHandle* { return new TfrmSKYMain; }; // as the program does
    QPointer<TfrmSKYOview> ov = new TfrmSKYOview(&frame, o);
    EXPECT_FALSE(ov->isVisible()); // shown by the deferred start
    ASSERT_TRUE(WaitFor([&] { return ov->Started(); }));
    EXPECT_TRUE(ov->isVisible());
    EXPECT_EQ(ov->Files(), (QStringList{a, b}));
    EXPECT_EQ(ov->OpenedFile(), a);
    EXPECT_EQ(ov->windowTitle(), QStringLiteral("Skylark v") + FileVersionText());
    EXPECT_EQ(frame.Caption(), ov->windowTitle());
    EXPECT_TRUE(ov->VersionInfo().startsWith(QStringLiteral("SQLite Info: \r  Release: ")));
    EXPECT_EQ(ov->ThemeBox()->count(), ThemeNames().size());

    ov->close();
    ASSERT_TRUE(WaitFor([&] { return frame.Closed(); }));
    EXPECT_TRUE(ov.isNull());
    EXPECT_FALSE(KVGet(SystemConfig(), QStringLiteral("frmSKYOview"), QString()).isEmpty());
}

TEST_F(StartTest, ThemeChoiceStoresItAndOffersTheRestart) {
    TfrmSKYApp frame;
    QPointer<TfrmSKYOview> ov =
        new TfrmSKYOview(&frame, StartOptions{{}, QString(), false, QString()});
    ASSERT_TRUE(WaitFor([&] { return ov->Started(); }));
    ov->ChooseTheme(QStringLiteral("Midnight Blue"));
    EXPECT_EQ(CfgGet(QStringLiteral("DXStyle"), QString()), QStringLiteral("Midnight Blue"));
    ov->RestartNow();
    EXPECT_FALSE(SystemConfigChanged()); // stored at once
    ASSERT_TRUE(WaitFor([&] { return frame.Closed(); }));
    EXPECT_TRUE(frame.RestartRequested);
    // The notice is still up: close it.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible()) w->close();
}

TEST_F(StartTest, ProgramStartsWithEmptySettingsAndSavesThem) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (int run = 0; run < 2; ++run) {
        QProcess p;
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(SKYLARK_APP_PATH), {QStringLiteral("--quit-after-start")});
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    }
    QStringList lines;
    ASSERT_TRUE(ListLoad(lines, QStringLiteral("SystemConfig"),
                         config.path() + QStringLiteral("/skylark/")));
    EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^FRMSKYOVIEW=HEIGHT="))).size(), 1)
        << lines.join(';').toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("QRYLIMIT=1000")));
    EXPECT_TRUE(lines.contains(QStringLiteral("SYSLOGKIND=2")));
    // The first start found no files: the search page was shown.
    EXPECT_TRUE(lines.contains(QStringLiteral("LASTOPENEDPROJECT=! Default")));
}

} // namespace
} // namespace sky::ui
