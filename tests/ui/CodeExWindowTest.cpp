// The code export settings window under the offscreen platform: the list,
// a field edit recomputing the sample, add and rename through a scripted
// prompter, accept making the settings, the editor's "Copy as code" items,
// and screenshots in both themes.
#include "codeexport/ui/CodeExWindow.h"

#include "common/ExampleDb.h"
#include "common/FakeDesktop.h"
#include "common/ScriptedPrompter.h"
#include "common/ThemeShots.h"
#include "common/UiAnswer.h"
#include "shell/ui/Scintilla.h"
#include "workspace/ui/WorkspaceWindow.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

namespace sky::ui {
namespace {

class CodeExWindowTest : public test::ExampleDbTest {
protected:
    void SetUp() override {
        ExampleDbTest::SetUp();
        CodifySetup(QString());
    }
    test::ScriptedPrompter prompts;
    test::FakeClipboard board;
};

TEST_F(CodeExWindowTest, EditAddRenameAccept) {
    TfrmCodeEx w(nullptr, &prompts, &board);
    EXPECT_EQ(w.windowTitle(), "Code Exporter Settings");
    ASSERT_EQ(w.Names()->count(), 6);
    EXPECT_EQ(w.Names()->currentRow(), 0);
    EXPECT_TRUE(
        w.Output()->toPlainText().startsWith("= \"This is quite a long line: The \\\"crazy\\\""));
    w.Field("edtCodeTerminate")->setText(";;");
    EXPECT_TRUE(w.Output()->toPlainText().endsWith("final line.\";;\n"));
    prompts.texts = {"Mine"};
    w.findChild<QPushButton*>("tbtnAdd")->click();
    EXPECT_EQ(w.Names()->count(), 7);
    EXPECT_EQ(w.Names()->currentItem()->text(), "Mine");
    prompts.texts = {"Yours"};
    w.Rename();
    EXPECT_EQ(w.Names()->currentItem()->text(), "Yours");
    w.findChild<QPushButton*>("btnCopy")->click();
    EXPECT_EQ(board.text, w.Controller().Output());
    w.findChild<QPushButton*>("btnAccept")->click();
    QStringList names;
    CodifyNames(names);
    EXPECT_EQ(names.last(), "Yours");
    EXPECT_EQ(CodifyItems()[0].ltcs, ";;");
}

TEST_F(CodeExWindowTest, CopyAsCodeFromTheEditor) {
    QPointer<TfrmSKYMain> w = new TfrmSKYMain;
    w->Init(file, QStringLiteral("customer"));
    w->show();
    w->Editor()->setText("SELECT \"a\"\r\nFROM t");
    auto* menu = w->findChild<QAction*>("mmnuQueryCopyCode1");
    ASSERT_TRUE(menu && menu->menu());
    QAction* csharp = nullptr;
    for (QAction* a : menu->menu()->actions())
        if (a->text() == "C#") csharp = a;
    ASSERT_TRUE(csharp);
    csharp->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              "= \"SELECT \\\"a\\\"\\r\\n\" + \r\n    \"FROM t\";\r\n");
    w->close();
    RunEventsFor(50);
}

// For a look by eye in each theme (SKYLARK_SHOT_DIR=folder, under Xvfb).
TEST_F(CodeExWindowTest, ScreenshotsInThemes) {
    const QString shots = test::ShotDir();
    if (shots.isEmpty()) GTEST_SKIP() << "SKYLARK_SHOT_DIR not set";
    test::InEachTheme([&](const QString& name) {
        TfrmCodeEx w(nullptr, &prompts, &board);
        w.show();
        w.Names()->setCurrentRow(3);
        RunEventsFor(200);
        EXPECT_TRUE(w.grab().save(shots + "/codeex-" + name + ".png", "PNG"));
        w.close();
    });
}

} // namespace
} // namespace sky::ui
