// The documentation window under the offscreen platform: ShowDoc and ShowChk
// with the buttons, the colour panel (a swatch through the colour picker, the
// slider, the scheme menu, the hover sample), the preferences and placement
// written on close only once restored, and screenshots in both themes.
#include "analysis/ui/DocWindow.h"

#include "common/FakeChooser.h"
#include "common/FakeDesktop.h"
#include "common/ScriptedPrompter.h"
#include "common/TempConfig.h"
#include "common/TempDb.h"
#include "common/ThemeShots.h"
#include "common/UiAnswer.h"
#include "support/Settings.h"

#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <gtest/gtest.h>

namespace sky::ui {
namespace {

class DocWindowTest : public test::TempDbTest {
protected:
    void SetUp() override {
        TempDbTest::SetUp();
        test::UseTempConfig(config);
        Run("CREATE TABLE customers(id INTEGER PRIMARY KEY, name TEXT NOT NULL, city TEXT);"
            "CREATE TABLE orders(id INTEGER PRIMARY KEY, customer INT REFERENCES customers(id),"
            " total REAL DEFAULT 0);"
            "CREATE INDEX orders_customer ON orders(customer);"
            "CREATE VIEW big AS SELECT * FROM orders WHERE total > 100;");
        db.Close();
    }
    QPushButton* Button(TfrmSKYDBDoc& w, const char* name) {
        return w.findChild<QPushButton*>(QLatin1String(name));
    }
    QTemporaryDir config;
    test::ScriptedPrompter prompts;
    test::Chooser files;
    test::FakeClipboard board;
    test::FakeOpener opener;
};

TEST_F(DocWindowTest, CommandsAndTheColourPanel) {
    TfrmSKYDBDoc w(&prompts, &files, &board, &opener);
    // Nothing shown: the buttons do nothing.
    Button(w, "btnRemake")->click();
    Button(w, "btnCopy")->click();
    EXPECT_TRUE(w.Text()->toPlainText().isEmpty());
    EXPECT_TRUE(board.text.isEmpty());
    w.ShowDoc(dir.filePath("missing.db"));
    EXPECT_FALSE(w.isVisible());

    w.ShowDoc(path);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.windowTitle(), "SQL Documentation for test.db");
    EXPECT_TRUE(w.Text()->toPlainText().startsWith("Database:    test\nData Tables: 2\n"));
    EXPECT_EQ(Button(w, "btnCheck")->text(), "  Check for Schema problems");
    EXPECT_EQ(Button(w, "btnExport")->toolTip(), "Export full Schema to SQL script...");
    Button(w, "btnCheck")->click();
    EXPECT_TRUE(w.Text()->toPlainText().startsWith("Checking Database test"));
    Button(w, "btnPrototypes")->click();
    EXPECT_TRUE(w.Text()->toPlainText().contains("Tables with Fields:"));
    Button(w, "btnCopy")->click();
    EXPECT_EQ(board.text, w.Text()->toPlainText());
    w.ShowChk(path);
    EXPECT_TRUE(w.Text()->toPlainText().startsWith("Checking Database test"));

    // The panel: a swatch through the picker (the dialog's custom colours
    // preloaded), the slider, a scheme.
    w.RestoreSettings();
    w.pickColour = [](QColor& c, const QString& title) {
        EXPECT_EQ(title, "Documentation Background colour");
        c = QColor(0x12, 0x34, 0x56);
        return true;
    };
    QLabel* back = w.findChild<QLabel*>("colHTMLBack");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->toolTip(), "Documentation Background colour");
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(back, &release);
    EXPECT_EQ(w.Session().Prefs().BGStd, 0x123456u);
    EXPECT_EQ(QColorDialog::customColor(0), QColor(Qt::black));
    EXPECT_EQ(QColorDialog::customColor(1), QColor(Qt::white));
    EXPECT_EQ(QColorDialog::customColor(3).rgb() & 0xFFFFFF, 0xCCCCCCu); // BlockBar
    EXPECT_TRUE(back->styleSheet().contains("#123456"));
    w.StrengthSlider()->setValue(4);
    EXPECT_EQ(w.Session().Prefs().lineStrength, 12);
    ASSERT_EQ(w.SchemeMenu()->actions().size(), 8);
    w.SchemeMenu()->actions()[6]->trigger(); // Dark - Blue-Gray
    EXPECT_EQ(w.Session().Prefs().BGStd, 0x404040u);
    EXPECT_EQ(w.StrengthSlider()->value(), 2);
    // Pointing at a header swatch shows the header text on its colour.
    QLabel* sample = w.findChild<QLabel*>("colHTMLFontHeader");
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(w.findChild<QLabel*>("colHTMLKeys"), &enter);
    EXPECT_TRUE(sample->styleSheet().contains("background: #62335F; color: #EEEEEE"))
        << sample->styleSheet().toStdString();
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(w.findChild<QLabel*>("colHTMLKeys"), &leave);
    EXPECT_TRUE(sample->styleSheet().contains("background: #727272"));

    // The HTML export with these colours.
    files.next = dir.filePath("doc.html");
    Button(w, "btnExportHTML")->click();
    EXPECT_EQ(opener.opened, QStringList{files.next});
    QFile page(files.next);
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    EXPECT_TRUE(page.readAll().contains("background: #5C6872; cursor: pointer;"));
    EXPECT_TRUE(prompts.notices.isEmpty());
    // A failing save keeps the text area.
    const QString text = w.Text()->toPlainText();
    files.next = dir.filePath("doc.html") + "/x.txt";
    Button(w, "btnSave")->click();
    ASSERT_EQ(prompts.notices.size(), 1);
    EXPECT_TRUE(prompts.notices[0].startsWith("Failed to Save file: "));
    EXPECT_EQ(w.Text()->toPlainText(), text);

    // Closing writes the colours and the placement; a new window reads them.
    w.close();
    EXPECT_EQ(CfgGetInt("HTMLColBGStd", 0, 0, 0xFFFFFF), 0x404040);
    EXPECT_EQ(CfgGetInt("HTMLLineStrength", 0, 0, 18), 6);
    EXPECT_FALSE(CfgGet(kDocPlacementKey, QString()).isEmpty());
    TfrmSKYDBDoc again(&prompts, &files, &board, &opener);
    EXPECT_FALSE(again.Session().PrefsRead());
    ASSERT_TRUE(WaitFor([&] { return again.Session().PrefsRead(); }, 4000));
    EXPECT_EQ(again.Session().Prefs().HdrBarKeys, 0x62335Fu);
}

TEST_F(DocWindowTest, ClosedAtOnceKeepsTheStoredPreferences) {
    HtmlPrefs stored = HtmlPrefs::Scheme(4);
    stored.Write();
    {
        TfrmSKYDBDoc w(&prompts, &files, &board, &opener);
        w.close();
    }
    HtmlPrefs q = HtmlPrefs::Initial();
    q.Read();
    EXPECT_EQ(q.BGStd, stored.BGStd);
    EXPECT_TRUE(CfgGet(kDocPlacementKey, QString()).isEmpty());
}

// For a look by eye in each theme (SKYLARK_SHOT_DIR=folder, under Xvfb).
TEST_F(DocWindowTest, ScreenshotsInThemes) {
    const QString shots = test::ShotDir();
    if (shots.isEmpty()) GTEST_SKIP() << "SKYLARK_SHOT_DIR not set";
    test::InEachTheme([&](const QString& name) {
        TfrmSKYDBDoc w(&prompts, &files, &board, &opener);
        w.RestoreSettings();
        w.resize(1200, 800);
        w.ShowDoc(path);
        RunEventsFor(300);
        EXPECT_TRUE(w.grab().save(shots + "/docwindow-" + name + ".png", "PNG"));
    });
}

} // namespace
} // namespace sky::ui
