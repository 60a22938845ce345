// The script processor window under the offscreen platform: an edit typed
// into the editor and saved (the file's bytes), the grid popup's items, Step
// through to the end-mode question, Close during a run asking and rolling
// back, and screenshots of the three pages in both themes.
#include "script/ui/ScriptWindow.h"

#include "script/ui/ScriptRunPage.h"

#include "completion/ui/CompletionPopup.h"

#include "common/TempConfig.h"
#include "common/TempDb.h"
#include "common/UiAnswer.h"
#include "shell/ui/Scintilla.h"
#include "shell/ui/Themes.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <gtest/gtest.h>

namespace sky::ui {
namespace {

class ScriptWindowTest : public test::TempDbTest {
protected:
    void SetUp() override {
        TempDbTest::SetUp();
        test::UseTempConfig(config);
        qputenv("XDG_CACHE_HOME", dir.filePath("cache").toUtf8());
        Run("CREATE TABLE t(a); INSERT INTO t VALUES ('x'), (NULL), (42);");
        db.Close();
        script = dir.filePath("load.sql");
        QFile f(script);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("-- <@ Who DEFAULT me @>\r\nINSERT INTO t VALUES ('<@Who@>');\r\nSELECT * FROM "
                "t;\r\nUPDATE t SET a = 1 WHERE a = 42;\r\n");
    }
    QByteArray Bytes(const QString& f) {
        QFile in(f);
        EXPECT_TRUE(in.open(QIODevice::ReadOnly));
        return in.readAll();
    }
    int Count() {
        TSQLite3Database c;
        EXPECT_TRUE(c.Open(path));
        QString v;
        c.QuerySingleValue(v, "SELECT count(*) FROM t");
        return v.toInt();
    }
    QTemporaryDir config;
    QString script;
};

QAction* ActionOf(QMenu* m, const QString& text) {
    for (QAction* a : m->actions())
        if (a->text() == text) return a;
    return nullptr;
}

TEST_F(ScriptWindowTest, TypeSaveAndThePopups) {
    TfrmSKYScript* w = OpenScriptWindow(path, script, QString());
    ASSERT_TRUE(w);
    ASSERT_TRUE(WaitFor([w] { return w->isVisible(); }));
    EXPECT_EQ(w->windowTitle(), "Script Editor  [ " + QFileInfo(script).absoluteFilePath() + " ]");
    EXPECT_EQ(w->Grid()->model()->rowCount(), 3);
    EXPECT_EQ(w->Status()->text(), "Loaded 3 Script items.");
    EXPECT_EQ(w->Controller().Params().Lines(), QStringList{"Who=me"});
    // Typed into the editor, saved with the Save button.
    w->Grid()->selectRow(2);
    QsciScintilla* e = w->Editor();
    EXPECT_EQ(e->text(), "UPDATE t SET a = 1 WHERE a = 42;");
    // The statement editor completes from the built-in vocabulary.
    ASSERT_TRUE(e->findChild<TCompletionPopup*>());
    e->selectAll();
    e->replaceSelectedText("UPDATE t SET a = 2 WHERE a = 42;");
    w->findChild<QPushButton*>("btnSaveScript2")->click();
    EXPECT_EQ(Bytes(script), "-- <@ Who DEFAULT me @>\r\nINSERT INTO t VALUES ('<@Who@>');\r\n\r\n"
                             "SELECT * FROM t;\r\n\r\nUPDATE t SET a = 2 WHERE a = 42;\r\n\r\n");
    EXPECT_EQ(Bytes(dir.filePath("load.param.txt")), "Who=me\r\n");
    // The grid popup: the item's captions, paste by the clipboard.
    w->PrepareRunMenu();
    ASSERT_TRUE(ActionOf(w->RunMenu(), "Exclude / Ignore this Item"));
    EXPECT_FALSE(ActionOf(w->RunMenu(), "Undo / Discard changes for this Item")->isEnabled());
    w->Controller().DeleteItem();
    w->PrepareRunMenu();
    EXPECT_TRUE(ActionOf(w->RunMenu(), "Reinstate this Item  ( Un-delete )")->isEnabled());
    // The editor popup: Cut/Copy/Delete follow the selection.
    e->selectAll(false);
    w->PrepareEditMenu();
    EXPECT_FALSE(ActionOf(w->EditMenu(), "Cut")->isEnabled());
    e->selectAll(true);
    w->PrepareEditMenu();
    EXPECT_TRUE(ActionOf(w->EditMenu(), "Copy")->isEnabled());
    w->Controller().DeleteItem(); // reinstated, so Close asks nothing more
    w->Controller().ResetItem(true);
    QPointer<TfrmSKYScript> alive(w);
    AnswerNext(How::No, QString(), true); // the question, not a notice still shown
    w->close();
    EXPECT_TRUE(WaitFor([&] { return alive.isNull(); }));
}

TEST_F(ScriptWindowTest, StepToTheEndQuestionAndCloseDuringARun) {
    TfrmSKYScript* w = OpenScriptWindow(path, script, QString());
    ASSERT_TRUE(WaitFor([w] { return w->isVisible(); }));
    w->findChild<QRadioButton*>()->parentWidget()->findChildren<QRadioButton*>()[1]->click();
    ASSERT_EQ(w->Controller().Settings().runMode, 1);
    EXPECT_EQ(w->RunPage()->RunButton()->text(), "  Step");
    // Three items, one per click, then the click that ends the run asks
    // (User mode) and commits on Yes.
    for (int k = 0; k < 3; ++k) {
        w->RunPage()->RunButton()->click();
        EXPECT_TRUE(w->Controller().Running());
        EXPECT_EQ(w->Pages()->currentIndex(), 1);
    }
    EXPECT_EQ(Count(), 3) << "nothing committed between steps";
    AnswerNext(How::Yes, QString(), true);
    w->RunPage()->RunButton()->click();
    EXPECT_FALSE(w->Controller().Running());
    EXPECT_EQ(Count(), 4);
    EXPECT_TRUE(w->OutputView()->toPlainText().contains("Transaction Committed."));
    EXPECT_TRUE(w->OutputView()->toPlainText().contains("INSERT INTO t VALUES ('me');"));
    // A new run, closed half-way: the question, Stop rolls back, the window goes.
    w->RunPage()->RunButton()->click();
    ASSERT_TRUE(w->Controller().Running());
    QPointer<TfrmSKYScript> alive(w);
    AnswerNext(How::Yes, QString(), true);
    w->close();
    EXPECT_TRUE(WaitFor([&] { return alive.isNull(); }));
    EXPECT_EQ(Count(), 4);
}

TEST_F(ScriptWindowTest, ScreenshotsOfThePagesInThemes) {
    const QString shots = qEnvironmentVariable("SKYLARK_SHOT_DIR");
    if (shots.isEmpty()) GTEST_SKIP() << "SKYLARK_SHOT_DIR not set";
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    ASSERT_TRUE(app);
    for (const QString& theme : {QStringLiteral("Cyan Dusk"), QStringLiteral("Paper White")}) {
        ASSERT_TRUE(ApplyTheme(*app, theme));
        TfrmSKYScript* w = OpenScriptWindow(path, script, QString());
        ASSERT_TRUE(WaitFor([w] { return w->isVisible(); }));
        w->Controller().Settings().endMode = 1;
        w->Controller().RunToEnd();
        w->Grid()->selectRow(1);
        w->Controller().DeleteItem();
        const QString name = QString(theme).remove(u' ');
        for (int page = 0; page < 3; ++page) {
            w->Pages()->setCurrentIndex(page);
            RunEventsFor(200);
            EXPECT_TRUE(w->grab().save(
                shots + QStringLiteral("/script-%1-%2.png").arg(page).arg(name), "PNG"));
        }
        w->Controller().DeleteItem();
        AnswerNext(How::No);
        w->close();
        RunEventsFor(100);
    }
    ApplyTheme(*app, kDefaultTheme);
}

} // namespace
} // namespace sky::ui
