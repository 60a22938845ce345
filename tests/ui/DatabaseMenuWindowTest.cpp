// The workspace's "Database      " menu under the offscreen platform: its
// items in order and which are usable, Quick Backup then Quick Restore with
// the question answered, attaching twice and detaching from the generated
// menu, the extension statement in the editor, the "+" buttons, and a look
// at the open menu in each theme.
#include "common/ExampleDb.h"
#include "common/FakeChooser.h"
#include "common/TestExtension.h"
#include "common/ThemeShots.h"
#include "common/UiAnswer.h"
#include "engine/DbTransfer.h"
#include "shell/ui/Scintilla.h"
#include "workspace/DatabaseMenu.h"
#include "workspace/ui/WorkspaceWindow.h"

#include <QGuiApplication>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

namespace sky::ui {
namespace {

class DatabaseMenuWindowTest : public test::ExampleDbTest {
protected:
    // The item of the menu at that path of shown captions ("&" as shown).
    static QAction* Item(QMenu* menu, const QStringList& path) {
        QMenu* at = menu;
        for (qsizetype i = 0; i < path.size(); ++i) {
            QAction* found = nullptr;
            for (QAction* a : at->actions())
                if (QString(a->text()).replace(QStringLiteral("&&"), QStringLiteral("&")) ==
                    path[i])
                    found = a;
            if (!found) return nullptr;
            if (i + 1 == path.size()) return found;
            at = found->menu();
            if (!at) return nullptr;
        }
        return nullptr;
    }
    static QStringList Captions(QMenu* menu) {
        QStringList all;
        for (QAction* a : menu->actions())
            if (!a->isSeparator()) all << QString(a->text()).replace("&&", "&");
        return all;
    }
};

TEST_F(DatabaseMenuWindowTest, BackupRestoreAttachAndDetach) {
    QPointer<TfrmSKYMain> w = new TfrmSKYMain;
    w->Init(file, QStringLiteral("customer"));
    w->show();
    test::Chooser chooser;
    w->SetFileChooser(&chooser);
    w->FillDatabaseMenu();
    QMenu* db = w->DatabaseMenu();
    EXPECT_EQ(db->title(), "Database      ");
    const QStringList top = Captions(db);
    ASSERT_GE(top.size(), 20);
    EXPECT_EQ(top.first(), "Re-Open (Refresh Schema)");
    EXPECT_EQ(top.last(), "Close");
    EXPECT_EQ(top.indexOf("Attach"), 3);
    EXPECT_EQ(top.indexOf("Database Backup & Restore"), top.indexOf("Create New Database") + 1);
    EXPECT_FALSE(Item(db, {"Attached Databases"})->isEnabled());
    EXPECT_TRUE(Item(db, {"Add New Table", "from large file ( Manual columns / Unconstrained / "
                                           "Any Size )"})
                    ->isEnabled());
    // Quick Backup, then Quick Restore after "Yes".
    Item(db, {"Database Backup & Restore", "Quick Backup"})->trigger();
    const QString backup = QuickBackupName(file);
    ASSERT_TRUE(QFileInfo::exists(backup)) << w->Controller().status.toStdString();
    EXPECT_TRUE(test::SqlDiff(file, backup).isEmpty());
    ASSERT_TRUE(w->Controller().sql.ExecuteList("DELETE FROM payment;"));
    AnswerNext(How::Yes, QString(), true);
    Item(db, {"Database Backup & Restore", "Quick Restore (from last Quick Backup)"})->trigger();
    EXPECT_EQ(w->Controller().status, "Success: DB Restored and Opened.");
    EXPECT_TRUE(test::SqlDiff(file, backup).isEmpty());
    // Attach twice (an in-memory database, then the backup file), proposals
    // DB2 and DB3 accepted; the attached menu lists both.
    w->FillDatabaseMenu();
    AnswerNext(How::Enter, QString(), true);
    Item(db, {"Attach", "Attach In-Memory Database"})->trigger();
    chooser.next = backup;
    w->FillDatabaseMenu();
    AnswerNext(How::Enter, QString(), true);
    Item(db, {"Attach", "Attach from Database File..."})->trigger();
    w->FillDatabaseMenu();
    QAction* attached = Item(db, {"Attached Databases"});
    ASSERT_TRUE(attached->isEnabled());
    ASSERT_EQ(attached->menu()->actions().size(), 2);
    EXPECT_EQ(attached->menu()->actions()[1]->text(),
              "Database DB3 in " + QFileInfo(backup).fileName());
    EXPECT_TRUE(w->Controller().fFiles.contains(backup));
    // Detach DB3 from its submenu.
    Item(db, {"Attached Databases", "Database DB3 in " + QFileInfo(backup).fileName(),
              "Detach Database DB3"})
        ->trigger();
    w->FillDatabaseMenu();
    EXPECT_EQ(Item(db, {"Attached Databases"})->menu()->actions().size(), 1);
    // The extension statement: in the editor, the caret before "');".
    chooser.next = QStringLiteral("/usr/lib/o'k.so");
    Item(db, {"Loadable Extensions", "Show Load Extension SQL"})->trigger();
    EXPECT_EQ(w->Editor()->text(), "SELECT load_extension('/usr/lib/o''k.so');");
    int line = 0, index = 0;
    w->Editor()->getCursorPosition(&line, &index);
    EXPECT_EQ(index, w->Editor()->text().size() - 3);
    // An extension built by the test, loaded from the menu, then listed.
    const QString lib = test::BuildHalfExtension(data.path());
    ASSERT_FALSE(lib.isEmpty());
    chooser.next = lib;
    Item(db, {"Loadable Extensions", "Load an external Extension..."})->trigger();
    EXPECT_EQ(w->Controller().status, "Success loading extension libhalf.so");
    QString half;
    ASSERT_TRUE(w->Controller().sql.QuerySingleValue(half, "SELECT half(7);"));
    EXPECT_EQ(half, "3.5");
    w->FillDatabaseMenu();
    EXPECT_TRUE(Item(db, {"Loadable Extensions", "Recent Extensions", lib}));
    // The "+" buttons: a cancelled file choice says so.
    chooser.next.clear();
    auto* plus = w->findChild<QPushButton*>(QStringLiteral("btnCSVFullImport"));
    ASSERT_TRUE(plus);
    EXPECT_EQ(plus->toolTip(),
              "Adjust and Import data File into new SQLite Table  (Only <5MB files)");
    plus->click();
    EXPECT_EQ(w->Controller().status, "Importing Cancelled. Ready.");
    w->close();
    RunEventsFor(50);
}

// For a look by eye in each theme (SKYLARK_SHOT_DIR=folder, under Xvfb): the
// open menu with its backup submenu.
TEST_F(DatabaseMenuWindowTest, ScreenshotsInThemes) {
    const QString shots = test::ShotDir();
    if (shots.isEmpty()) GTEST_SKIP() << "SKYLARK_SHOT_DIR not set";
    test::InEachTheme([&](const QString& name) {
        QPointer<TfrmSKYMain> w = new TfrmSKYMain;
        w->Init(file, QStringLiteral("customer"));
        w->resize(1280, 800);
        w->move(0, 0);
        w->ShowAndRaise();
        RunEventsFor(200);
        QMenu* db = w->DatabaseMenu();
        db->popup(w->mapToGlobal(QPoint(4, 24)));
        RunEventsFor(200);
        QAction* sub = Item(db, {"Database Backup & Restore"});
        db->setActiveAction(sub);
        sub->menu()->popup(db->geometry().topRight() + QPoint(0, db->actionGeometry(sub).top()));
        RunEventsFor(300);
        EXPECT_TRUE(QGuiApplication::primaryScreen()->grabWindow(0).save(
            shots + "/dbmenu-" + name + ".png", "PNG"));
        sub->menu()->hide();
        db->hide();
        w->close();
        RunEventsFor(50);
    });
}

} // namespace
} // namespace sky::ui
