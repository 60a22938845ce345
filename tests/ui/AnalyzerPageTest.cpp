// The analysis page in the workspace window under the offscreen platform: a
// run of the real analyzer with the "space_used" question answered, the
// sections and figures, an item's explanation, the graph and a bar opening
// its table's section, a failed run keeping the report, and screenshots in
// both themes.
#include "workspace/ui/AnalyzerPage.h"

#include "common/ExampleDb.h"
#include "common/ScriptedPrompter.h"
#include "common/ThemeShots.h"
#include "common/UiAnswer.h"
#include "workspace/ui/WorkspaceWindow.h"

#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QTabWidget>
#include <QTableWidget>

namespace sky::ui {
namespace {

class AnalyzerPageTest : public test::ExampleDbTest {};

TEST_F(AnalyzerPageTest, RunSectionsFiguresGraphAndAFailedRun) {
    if (FindAnalyzer().isEmpty()) GTEST_SKIP() << "sqlite3_analyzer not found";
    QPointer<TfrmSKYMain> w = new TfrmSKYMain;
    w->Init(file, QStringLiteral("customer"));
    w->show();
    test::ScriptedPrompter prompts;
    prompts.otherwise = test::ScriptedPrompter::Reply::Yes;
    TAnalyzerPage page(w->Controller(), *w, nullptr, &prompts);
    ASSERT_TRUE(page.Run());
    EXPECT_EQ(prompts.questions, QStringList{"Databse Analysis Success: " + kSpaceUsedQuestion});
    EXPECT_EQ(w->Controller().status, "Analysis Table Import Success");
    ASSERT_GT(page.Sections()->count(), 5);
    EXPECT_EQ(page.Sections()->item(0)->text(), "Disk-Space Utilization Report");
    EXPECT_EQ(page.Figures()->item(0, 0)->text(), "Page size in bytes");
    Q_EMIT page.Figures()->cellClicked(0, 0);
    EXPECT_TRUE(page.HelpLabel()->text().startsWith("Page size in bytes: "));
    ASSERT_FALSE(page.Graph()->Rows().isEmpty());
    int rental = -1;
    for (int k = 0; k < page.Graph()->Rows().size(); ++k)
        if (page.Graph()->Rows()[k].name == "rental") rental = k;
    ASSERT_GE(rental, 0);
    page.Graph()->Choose(rental);
    EXPECT_TRUE(page.Sections()->currentItem()->text().startsWith("Table RENTAL "));
    // A failed run keeps the report shown.
    const int sections = page.Sections()->count();
    EXPECT_FALSE(page.Run("/bin/false"));
    EXPECT_TRUE(w->Controller().status.startsWith(kAnalyzerBadOutput));
    EXPECT_EQ(page.Sections()->count(), sections);
    w->close();
    RunEventsFor(50);
}

// For a look by eye in each theme (SKYLARK_SHOT_DIR=folder, under Xvfb).
TEST_F(AnalyzerPageTest, ScreenshotsInThemes) {
    const QString shots = test::ShotDir();
    if (shots.isEmpty()) GTEST_SKIP() << "SKYLARK_SHOT_DIR not set";
    if (FindAnalyzer().isEmpty()) GTEST_SKIP() << "sqlite3_analyzer not found";
    test::ScriptedPrompter prompts;
    prompts.otherwise = test::ScriptedPrompter::Reply::Yes;
    test::InEachTheme([&](const QString& name) {
        QPointer<TfrmSKYMain> w = new TfrmSKYMain;
        w->Init(file, QStringLiteral("customer"));
        w->resize(1280, 800);
        w->ShowAndRaise();
        TAnalyzerPage* page = w->AnalyzerPage();
        w->Pages()->setCurrentWidget(page);
        TAnalyzerPage runner(w->Controller(), *w, nullptr, &prompts);
        ASSERT_TRUE(runner.Run());
        page->LoadReport();
        page->Sections()->setCurrentRow(4);
        page->Graph()->Choose(1);
        RunEventsFor(300);
        EXPECT_TRUE(w->grab().save(shots + "/analysis-" + name + ".png", "PNG"));
        w->close();
        RunEventsFor(50);
    });
}

} // namespace
} // namespace sky::ui
