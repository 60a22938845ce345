// The overview window under the offscreen platform: first start, the file
// list's status texts, opening a file and its connected state.
#include "shell/ui/OverviewWindow.h"
#include "common/FakeChooser.h"
#include "common/Process.h"
#include "common/TempConfig.h"
#include "common/UiAnswer.h"
#include "engine/Database.h"
#include "shell/ui/AppFrame.h"
#include "shell/ui/KProgress.h"
#include "support/Folders.h"
#include "support/Prompter.h"
#include "support/Settings.h"
#include "workspace/ui/WorkspaceWindow.h"

#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace sky::ui {
namespace {

// The options with the workspace windows as the program makes them
// (src/app/main.cpp).
StartOptions WithWorkspaces(StartOptions o) {
    o.workspaces = []() -> WorkspaceHandle* { return new TfrmSKYMain; };
    return o;
}

class OverviewWindowTest : public ::testing::Test {
protected:
    void SetUp() override { test::UseTempConfig(config); }
    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }
    QTemporaryDir config, data;
};

TEST_F(OverviewWindowTest, FirstStartShowsTheSearchPage) {
    TfrmSKYApp frame;
    QPointer<TfrmSKYOview> ov = new TfrmSKYOview(&frame, StartOptions{});
    ASSERT_TRUE(WaitFor([&] { return ov->Started(); }));
    EXPECT_EQ(ov->Pages()->tabText(ov->Pages()->currentIndex()), QStringLiteral("  Search  "));
    EXPECT_EQ(ov->FileList()->count(), 0);
    ov->close();
    ASSERT_TRUE(WaitFor([&] { return frame.Closed(); }));
}

TEST_F(OverviewWindowTest, StatusTextsAndConnectedFiles) {
    const QString good = data.filePath(QStringLiteral("shop.db")),
                  bad = data.filePath(QStringLiteral("bad.db"));
    {
        TSQLite3Database db;
        ASSERT_TRUE(db.Open(good));
        ASSERT_TRUE(db.ExecuteList(QStringLiteral("CREATE TABLE customers(a);")));
    }
    QFile b(bad);
    ASSERT_TRUE(b.open(QIODevice::WriteOnly));
    b.write(QByteArray(200, 'x'));
    b.close();
    TfrmSKYApp frame;
    QPointer<TfrmSKYOview> ov =
        new TfrmSKYOview(&frame, WithWorkspaces({{bad, good}, data.path(), false, QString()}));
    ASSERT_TRUE(WaitFor([&] { return ov->Started(); }));
    // The first parameter is invalid: listed but not opened.
    EXPECT_TRUE(ov->OpenedFile().isEmpty());
    ASSERT_EQ(ov->FileList()->count(), 2);
    EXPECT_EQ(ov->FileList()->item(0)->text(), QStringLiteral("bad.db - \u2718"));
    EXPECT_EQ(ov->FileList()->item(1)->text(), QStringLiteral("shop.db - \u2713"));
    ASSERT_TRUE(ov->Controller().OpenEntry(good + QStringLiteral(" | customers")));
    EXPECT_EQ(ov->OpenedFile(), good);
    EXPECT_EQ(ov->FileList()->item(0)->text(), QStringLiteral("shop.db - \u2714 (customers)"));
    // The expanded pane: folders, long suffixes, captions and hints.
    ov->LayoutFilePane(1);
    EXPECT_TRUE(ov->Expanded());
    EXPECT_EQ(ov->FileList()->item(0)->text(),
              data.path() + QStringLiteral("/shop.db --- \u2714 Connected (customers)"));
    EXPECT_EQ(ov->FileList()->item(1)->text(),
              data.path() + QStringLiteral("/bad.db --- \u2718 Invalid"));
    QStringList captions;
    for (QPushButton* b : ov->HeaderButtons())
        captions << b->text();
    EXPECT_EQ(captions, (QStringList{"  Collapse", "  Add Project...", "  Delete Project",
                                     "  Add Database...", "  Purge Items", "  Menu"}));
    EXPECT_EQ(ov->HeaderButtons()[0]->toolTip(),
              QStringLiteral(" Collapse file pane (Show names only) "));
    EXPECT_GT(ov->FilePane()->width(), 400); // as wide as the pages beside it allow
    ov->LayoutFilePane(-1);
    EXPECT_FALSE(ov->Expanded());
    EXPECT_TRUE(ov->HeaderButtons()[5]->text().isEmpty());
    EXPECT_LE(std::abs(ov->FilePane()->width() - 280), 12);
    // Ctrl+C copies every entry.
    QGuiApplication::clipboard()->clear();
    for (QShortcut* s : ov->FileList()->findChildren<QShortcut*>())
        Q_EMIT s->activated();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), ov->Files().join(QStringLiteral("\r\n")));
    ov->close();
    ASSERT_TRUE(WaitFor([&] { return frame.Closed(); }));
}

QAction* FindAction(QMenu& m, const QString& text) {
    for (QAction* a : m.actions()) {
        if (a->text() == text) return a;
        if (a->menu())
            if (QAction* in = FindAction(*a->menu(), text)) return in;
    }
    return nullptr;
}

// Triggers an item of the file list's menu for an entry.
bool Command(TfrmSKYOview* ov, const QString& entry, const QString& text) {
    QMenu m;
    ov->BuildEntryMenu(m, entry);
    QAction* a = FindAction(m, text);
    if (!a || !a->isEnabled()) return false;
    a->trigger();
    return true;
}

QString One(const QString& file, const QString& sql) {
    TSQLite3Database db;
    QStringList rows;
    if (!db.Open(file) || !db.QuerySingleColumn(rows, sql, 0, false)) return QStringLiteral("?");
    return rows.value(0);
}

TEST_F(OverviewWindowTest, NewDatabaseBackupRestoreDisconnectAndProjects) {
    const QString shop = data.filePath(QStringLiteral("shop.sqlitedb"));
    {
        TSQLite3Database db;
        ASSERT_TRUE(db.Open(shop));
        ASSERT_TRUE(db.ExecuteList(QStringLiteral("CREATE TABLE t(a); INSERT INTO t VALUES (1);")));
    }
    test::Chooser files;
    TfrmSKYApp frame;
    StartOptions o{{shop}, data.path(), false, QString()};
    o.files = &files;
    QStringList documented;
    o.docs = [&documented](const QString& db) { documented << db; };
    QPointer<TfrmSKYOview> ov = new TfrmSKYOview(&frame, WithWorkspaces(o));
    ASSERT_TRUE(WaitFor([&] { return ov->Started(); }));
    ASSERT_TRUE(ov->Controller().IsOpen(shop));
    ASSERT_TRUE(Command(ov, shop, "Generate Schema Documentation"));
    EXPECT_EQ(documented, QStringList{shop});
    // Opening an open file brings it forward: no second window.
    ASSERT_TRUE(Command(ov, shop, "Open the selected Database"));
    EXPECT_EQ(ov->Controller().Workspaces().size(), 1);
    // New database, named without extension.
    files.next = data.filePath(QStringLiteral("fresh"));
    ASSERT_TRUE(Command(ov, shop, "Create a New empty Database..."));
    const QString fresh = files.next + QStringLiteral(".sqlitedb");
    EXPECT_EQ(ov->OpenedFile(), fresh);
    EXPECT_EQ(ov->Files().first(), fresh);
    EXPECT_EQ(One(fresh, "PRAGMA application_id"), "5174");
    EXPECT_EQ(One(fresh, "PRAGMA page_size"), "4096");
    EXPECT_EQ(One(fresh, "PRAGMA journal_mode"), "wal");
    // Disconnect closes its workspace.
    ASSERT_TRUE(Command(ov, fresh, "Disconnect Database"));
    ASSERT_TRUE(WaitFor([&] { return !ov->Controller().IsOpen(fresh); }));
    EXPECT_FALSE(Command(ov, fresh, "Disconnect Database")); // disabled now
    // Quick backup beside the file, then a change, then the quick restore.
    ASSERT_TRUE(Command(ov, shop, "Quick-Backup the selected Database"));
    const QString backup = data.filePath(QStringLiteral("shop.dbBackup"));
    EXPECT_TRUE(QFileInfo::exists(backup));
    EXPECT_TRUE(ShownNotices().contains("Successfuly transferred Data to: \"" + backup + "\""));
    {
        TSQLite3Database db;
        ASSERT_TRUE(db.Open(shop));
        ASSERT_TRUE(db.ExecuteList(QStringLiteral("INSERT INTO t VALUES (2);")));
    }
    EXPECT_EQ(One(shop, "SELECT count(*) FROM t"), "2");
    AnswerInOrder({{How::Yes, QString()}});
    ASSERT_TRUE(Command(ov, shop, "Quick-Restore (from last Quick-Backup)"));
    EXPECT_EQ(One(shop, "SELECT count(*) FROM t"), "1");
    EXPECT_TRUE(ShownNotices().contains("Database Restored successfuly."));
    // A quick backup of a backup is refused.
    ov->Controller().OpenEntry(backup);
    ov->Controller().CheckAllFiles();
    ASSERT_TRUE(Command(ov, backup, "Quick-Backup the selected Database"));
    EXPECT_TRUE(ShownNotices().contains(
        "The selected file is already a Backup - Please choose a normal DB File."));
    // Close all, then remove an entry (the file stays).
    ASSERT_TRUE(Command(ov, shop, "Close and Disconnect All"));
    ASSERT_TRUE(WaitFor([&] { return ov->Controller().Workspaces().isEmpty(); }));
    ASSERT_TRUE(Command(ov, backup, "Remove from Project  (File remains on-disk)"));
    EXPECT_FALSE(ov->Files().contains(backup));
    EXPECT_TRUE(QFileInfo::exists(backup));
    // A new project taking the listed files; its delete button is shown.
    AnswerInOrder({{How::Enter, QStringLiteral("Work")}, {How::Yes, QString()}});
    ov->findChild<QPushButton*>(QStringLiteral("btnProjectNew"))->click();
    EXPECT_EQ(ov->Controller().CurrentProject(), QStringLiteral("Work"));
    EXPECT_EQ(ov->Files().size(), 2);
    auto* del = ov->findChild<QPushButton*>(QStringLiteral("btnProjectDelete"));
    EXPECT_FALSE(del->isHidden());
    AnswerInOrder({{How::Yes, QString()}});
    del->click();
    EXPECT_EQ(ov->Controller().CurrentProject(), kDefaultProject);
    EXPECT_TRUE(del->isHidden());
    // The header menu holds the project's databases and the window commands.
    QMenu menu;
    ov->BuildWindowMenu(menu);
    EXPECT_TRUE(FindAction(menu, fresh));
    for (const char* item :
         {"Show Pop-Outs", "Close All", "Show All Open Databases", "Cascade Windows",
          "Create New Database...", "Close and Unlink All", "Minimize", "About Skylark",
          "Check for Updates", "Report a Bug", "Exit Skylark"})
        EXPECT_TRUE(FindAction(menu, QLatin1String(item))) << item;
    EXPECT_TRUE(FindAction(menu, "Report a Bug")->toolTip().startsWith("https://"));
    ov->close();
    ASSERT_TRUE(WaitFor([&] { return frame.Closed(); }));
}

TEST_F(OverviewWindowTest, SearchPageHistoryLocationAndHelp) {
    TSQLite3Database db;
    ASSERT_TRUE(db.Open(data.filePath(QStringLiteral("orders.db"))));
    ASSERT_TRUE(db.ExecuteList(QStringLiteral("CREATE TABLE customers(id);")));
    db.Close();
    TfrmSKYApp frame;
    QPointer<TfrmSKYOview> ov = new TfrmSKYOview(&frame, StartOptions{});
    ASSERT_TRUE(WaitFor([&] { return ov->Started(); }));
    auto* folder = ov->findChild<QLineEdit*>(QStringLiteral("edtSearchDBFolder"));
    auto* text = ov->findChild<QComboBox*>(QStringLiteral("edtSearchDBText"));
    auto* label = ov->findChild<QLabel*>(QStringLiteral("lblSearchH1"));
    ASSERT_TRUE(folder && text && label);
    RunEventsFor(300); // the first-start search has run
    folder->setText(data.path());
    for (const char* t : {"ord", "*.db", "ORD"}) {
        text->setEditText(QLatin1String(t));
        ov->FindFiles();
    }
    // "ORD" moved "ord" to the top instead of adding a line.
    QStringList history;
    for (int i = 0; i < text->count(); ++i)
        history << text->itemText(i);
    EXPECT_EQ(history.mid(0, 2), (QStringList{"ord", "*.db"}));
    ASSERT_EQ(ov->SearchResults()->count(), 1);
    EXPECT_EQ(ov->SearchResults()->item(0)->text(), data.filePath(QStringLiteral("orders.db")));
    // A table search inside the results.
    auto* tables = ov->findChild<QComboBox*>(QStringLiteral("edtSearchTableSearch"));
    tables->setEditText(QStringLiteral("cust"));
    ov->FindTables(false);
    ASSERT_EQ(ov->SearchResults()->count(), 1);
    EXPECT_EQ(ov->SearchResults()->item(0)->text(),
              data.filePath(QStringLiteral("orders.db")) + QStringLiteral(" | customers"));
    // The help label: one line, a click shows all of it.
    EXPECT_EQ(label->text().count(QLatin1Char('\n')), 0);
    QMouseEvent press(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(label, &press);
    EXPECT_GT(label->text().count(QLatin1Char('\n')), 1);
    ov->close();
    ASSERT_TRUE(WaitFor([&] { return frame.Closed(); }));
}

TEST_F(OverviewWindowTest, TransferShowsProgressRefusesClosingAndCancels) {
    const QString big = data.filePath(QStringLiteral("big.db"));
    test::Shell(big, "PRAGMA page_size=4096; CREATE TABLE b(x); WITH RECURSIVE n(i) AS "
                     "(SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<3000) "
                     "INSERT INTO b SELECT randomblob(8000) FROM n;");
    ASSERT_EQ(One(big, "SELECT count(*) FROM b"), "3000");
    test::Chooser files;
    TfrmSKYApp frame;
    StartOptions o{{}, data.path(), false, QString()};
    o.files = &files;
    QPointer<TfrmSKYOview> ov = new TfrmSKYOview(&frame, o);
    ASSERT_TRUE(WaitFor([&] { return ov->Started(); }));
    // While the progress shows: closing the overview is refused, then Cancel.
    bool refused = false, cancelled = false;
    auto* poll = new QTimer(ov);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<TKProgress*>(w); p && p->isVisible() && !cancelled) {
                refused = !ov->close() && ov->isVisible();
                p->CancelButton()->click();
                cancelled = true;
            }
    });
    poll->start();
    const QString copy = data.filePath(QStringLiteral("copy.db"));
    EXPECT_FALSE(ov->Controller().Transfer(big, copy, false));
    poll->stop();
    EXPECT_TRUE(cancelled);
    EXPECT_TRUE(refused);
    EXPECT_FALSE(ov->Controller().TransferRunning());
    EXPECT_FALSE(ov->Controller().lastError.isEmpty());
    // Without a cancel the copy is whole.
    EXPECT_TRUE(ov->Controller().Transfer(big, copy, false));
    EXPECT_EQ(One(copy, "SELECT count(*) FROM b"), "3000");
    ov->close();
    ASSERT_TRUE(WaitFor([&] { return frame.Closed(); }));
}

} // namespace
} // namespace sky::ui
