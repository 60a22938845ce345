// The highlighting options window under the offscreen platform: its sample
// with the table names main, sub1 and sub2, the gutter's numbering, bookmark
// 5 by a click, the pop-up on the sample, and screenshots in both themes.
#include "completion/ui/HighlighterOptions.h"

#include "common/ThemeShots.h"
#include "common/UiAnswer.h"
#include "completion/ui/CompletionPopup.h"
#include "shell/ui/Scintilla.h"

#include <Qsci/qscilexersql.h>
#include <gtest/gtest.h>

namespace sky::ui {
namespace {

TEST(HighlighterOptions, SampleGutterBookmarkAndPopup) {
    TfrmSKYSQLHilite w;
    EXPECT_EQ(w.windowTitle(), "Skylark Syntax Highlighting Options");
    QsciScintilla* e = w.Sample();
    EXPECT_TRUE(e->text().startsWith("CREATE TABLE SysGlobalValues ( "));
    EXPECT_EQ(TfrmSKYSQLHilite::GutterText(0), "1");
    EXPECT_EQ(TfrmSKYSQLHilite::GutterText(1), ".");
    EXPECT_EQ(TfrmSKYSQLHilite::GutterText(4), "5");
    EXPECT_EQ(TfrmSKYSQLHilite::GutterText(9), "10");
    EXPECT_EQ(w.BookmarkLine(), -1);
    w.ClickGutter(3);
    EXPECT_EQ(w.BookmarkLine(), 3);
    w.ClickGutter(7); // one bookmark 5 only
    EXPECT_EQ(w.BookmarkLine(), 7);
    // main is a table name of the sample.
    w.show();
    RunEventsFor(50);
    const long at = long(e->text().indexOf("main.SysGlobalValues"));
    ASSERT_GT(at, 0);
    EXPECT_EQ(e->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, at),
              long(QsciLexerSQL::KeywordSet5));
    EXPECT_TRUE(e->findChild<TCompletionPopup*>());
}

// For a look by eye in each theme (SKYLARK_SHOT_DIR=folder, under Xvfb).
TEST(HighlighterOptions, ScreenshotsInThemes) {
    const QString shots = test::ShotDir();
    if (shots.isEmpty()) GTEST_SKIP() << "SKYLARK_SHOT_DIR not set";
    test::InEachTheme([&](const QString& name) {
        TfrmSKYSQLHilite w;
        w.show();
        w.ClickGutter(4);
        RunEventsFor(200);
        EXPECT_TRUE(w.grab().save(shots + "/highlighter-" + name + ".png", "PNG"));
    });
}

} // namespace
} // namespace sky::ui
