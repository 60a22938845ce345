// The table designer window offscreen: a design opened on a table, a column
// added and made the key through the window's own controls, Accept's name
// question cancelled (the window stays open), and the accepted layout
// handed back.
#include "common/TempDb.h"
#include "common/UiAnswer.h"
#include "design/ui/TableDesigner.h"
#include "shell/ui/Scintilla.h"
#include "shell/ui/Themes.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

namespace sky::ui {
namespace {

class TableDesignerWindow : public test::TempDbTest {
protected:
    void SetUp() override {
        TempDbTest::SetUp();
        Run(QStringLiteral("CREATE TABLE t(a INTEGER PRIMARY KEY, b TEXT);"
                           "CREATE TABLE other(x);"));
        layout.tblName = QStringLiteral("t");
        layout.OldName = QStringLiteral("t");
    }
    TTableLayout layout;
};

TEST_F(TableDesignerWindow, CancellingTheNameQuestionKeepsTheWindowOpen) {
    TfrmSKYTblDesign& d = frmSKYTblDesign();
    bool openAfterCancel = false;
    QString script;
    QTimer::singleShot(0, &d, [&] {
        d.AddColumnAction()->trigger();
        EXPECT_EQ(d.Sheet()->columnCount(), 3);
        d.Sheet()->setCurrentCell(1, 1); // column 2, "b"
        d.PrimaryKeyBox()->setChecked(true);
        script = d.ScriptView()->text();
        // Another existing table's name, then Accept: the question is cancelled.
        d.Controller().SetTableName(QStringLiteral("other"));
        d.Render();
        EXPECT_EQ(d.NameEdit()->toolTip(), kNameHintTaken);
        AnswerNext(How::Cancel, QString(), true);
        d.AcceptButton()->click();
        openAfterCancel = d.isVisible();
        EXPECT_EQ(d.NameEdit()->text(), QStringLiteral("other"));
        d.CancelButton()->click();
    });
    EXPECT_FALSE(d.GetDesignerTableLayout(layout, &db, false));
    EXPECT_TRUE(openAfterCancel);
    EXPECT_TRUE(script.contains(QStringLiteral("\"b\" TEXT PRIMARY KEY"))) << script.toStdString();
    EXPECT_FALSE(script.contains(QStringLiteral("\"a\" INTEGER PRIMARY KEY")));
    EXPECT_TRUE(layout.Cols.isEmpty()); // the caller's layout is untouched

    // Accepted under its own name: the edited layout and its column map come back.
    QTimer::singleShot(0, &d, [&] {
        // Hovering a help mark shows its text; leaving it hides it.
        auto* mark = d.findChild<QLabel*>(QStringLiteral("imgHelpColumn"));
        auto* help = d.findChild<QFrame*>(QStringLiteral("pnlHelp"));
        EXPECT_TRUE(mark && help);
        if (mark && help) {
            QEvent enter(QEvent::Enter), leave(QEvent::Leave);
            QCoreApplication::sendEvent(mark, &enter);
            EXPECT_TRUE(help->isVisible());
            const QList<QLabel*> texts = help->findChildren<QLabel*>();
            EXPECT_TRUE(!texts.isEmpty() &&
                        texts[0]->text() == QStringLiteral("- Column Properties -"));
            QCoreApplication::sendEvent(mark, &leave);
            EXPECT_FALSE(help->isVisible());
        }
        d.AddColumnAction()->trigger();
        d.AcceptButton()->click();
    });
    ASSERT_TRUE(d.GetDesignerTableLayout(layout, &db, false));
    EXPECT_EQ(layout.Cols.size(), 3);
    EXPECT_EQ(layout.colReassigns, QStringLiteral("a=a\r\nb=b"));
}

// For a look by eye in each theme (SKYLARK_SHOT_DIR=folder, under Xvfb):
// the designer with a taken name, an index row and the script.
TEST_F(TableDesignerWindow, ScreenshotsInThemes) {
    const QString shots = qEnvironmentVariable("SKYLARK_SHOT_DIR");
    if (shots.isEmpty()) GTEST_SKIP() << "SKYLARK_SHOT_DIR not set";
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    ASSERT_TRUE(app);
    Run(QStringLiteral("CREATE INDEX ix_b ON t(b);"));
    for (const QString& theme : {QStringLiteral("Cyan Dusk"), QStringLiteral("Paper White")}) {
        ASSERT_TRUE(ApplyTheme(*app, theme));
        TfrmSKYTblDesign d;
        TTableLayout t = layout;
        d.Load(t, &db, true);
        d.Controller().SetTableName(QStringLiteral("other"));
        d.Render();
        d.show();
        RunEventsFor(300);
        const QString name = QString(theme).remove(u' ');
        EXPECT_TRUE(d.grab().save(shots + QStringLiteral("/designer-") + name + ".png", "PNG"));
        d.hide();
    }
    ApplyTheme(*app, kDefaultTheme);
}

} // namespace
} // namespace sky::ui
