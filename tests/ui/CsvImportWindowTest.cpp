// The CSV import window under the offscreen platform: the sheet fills 200 ms
// after the window shows, a taken name is fixed by clicking its label, the
// editors follow the selected column, the pop-up menu reshapes the sheet,
// the wheel scrolls by its rule, Accept imports (read back by the sqlite3
// shell) and Cancel Import aborts; and screenshots in two themes.
#include "transfer/ui/CsvImportWindow.h"

#include "common/Process.h"
#include "common/TempDb.h"
#include "common/UiAnswer.h"
#include "shell/ui/Themes.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QWheelEvent>

namespace sky::ui {
namespace {

const QString kPeople =
    QStringLiteral("ID,Name,City\n1,Ann,Oslo\n2,Bob,Rome\n3,Cy,\"Paris, TX\"\n");

// The action of the pop-up menu at the end of a path of captions.
QAction* MenuAction(QMenu* menu, const QStringList& path) {
    for (QAction* a : menu->actions()) {
        if (a->text() != path.first()) continue;
        if (path.size() == 1) return a;
        return a->menu() ? MenuAction(a->menu(), path.mid(1)) : nullptr;
    }
    return nullptr;
}

class CsvImportWindow : public test::TempDbTest {
protected:
    void SetUp() override {
        TempDbTest::SetUp();
        Run(QStringLiteral("CREATE TABLE People(x);"));
    }
    // Opens the sheet's menu on a data cell and triggers the entry.
    static void Menu(TfrmSKYCSVImp& w, int row, int col, const QStringList& path) {
        QTableView* v = w.DataView();
        const QPoint at = v->visualRect(v->model()->index(row, col)).center();
        Q_EMIT v->customContextMenuRequested(at);
        QAction* a = MenuAction(w.GridMenuWidget(), path);
        ASSERT_NE(a, nullptr) << path.join(u'/').toStdString();
        a->trigger();
        w.GridMenuWidget()->hide();
    }
};

TEST_F(CsvImportWindow, FillsAfterTheDelayAndAcceptImports) {
    TfrmSKYCSVImp& w = frmSKYCSVImp();
    QElapsedTimer clock;
    qint64 filledAfter = -1;
    QTimer::singleShot(0, &w, [&] {
        clock.start();
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Table Data  -  Edit & Import"));
        EXPECT_EQ(w.DataView()->model()->rowCount(), 0);
        EXPECT_FALSE(w.AcceptButton()->isEnabled());
        ASSERT_TRUE(WaitFor([&] { return w.DataView()->model()->rowCount() == 3; }));
        filledAfter = clock.elapsed();
        QAbstractItemModel* head = w.HeadView()->model();
        EXPECT_EQ(head->rowCount(), 5);
        EXPECT_EQ(head->headerData(0, Qt::Vertical).toString(), QStringLiteral("Line 1"));
        EXPECT_EQ(head->index(2, 0).data().toString(), QStringLiteral("INTEGER"));
        EXPECT_EQ(head->index(3, 0).data().toString(), QStringLiteral("PRIMARY KEY"));
        EXPECT_EQ(head->index(4, 0).data().toString(), QStringLiteral("_I_U_____"));
        EXPECT_EQ(w.DataView()->model()->index(2, 2).data().toString(),
                  QStringLiteral("Paris, TX"));

        // The requested name is taken: the label says so; a click fixes it.
        EXPECT_EQ(w.NameErrorLabel()->text(),
                  QStringLiteral("Tablename already Exists, try: People2"));
        EXPECT_EQ(w.ErrorLabel()->text(), QStringLiteral("Problem with Table Name."));
        EXPECT_FALSE(w.AcceptButton()->isEnabled());
        QMouseEvent click(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                          Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w.NameErrorLabel(), &click);
        EXPECT_EQ(w.NameEdit()->text(), QStringLiteral("People2"));
        EXPECT_TRUE(w.NameErrorLabel()->text().isEmpty());
        EXPECT_TRUE(w.AcceptButton()->isEnabled());

        // The editors follow the selected column.
        w.DataView()->setCurrentIndex(w.DataView()->model()->index(1, 1));
        auto* name = w.findChild<QLineEdit*>(QStringLiteral("edtColName"));
        auto* constraint = w.findChild<QComboBox*>(QStringLiteral("cbConstraint"));
        ASSERT_TRUE(name && constraint);
        EXPECT_EQ(name->text(), QStringLiteral("Name"));
        EXPECT_EQ(constraint->count(), 6); // ---, NOT NULL, UNIQUE, 3 x PRIMARY KEY
        constraint->setCurrentText(QStringLiteral("UNIQUE"));
        EXPECT_EQ(head->index(3, 1).data().toString(), QStringLiteral("UNIQUE"));
        name->setText(QStringLiteral("ID"));
        Q_EMIT name->textEdited(name->text());
        EXPECT_EQ(w.ErrorLabel()->text(), QStringLiteral("Duplicate Column: \"ID\""));
        EXPECT_FALSE(w.AcceptButton()->isEnabled());
        name->setText(QStringLiteral("Full Name"));
        Q_EMIT name->textEdited(name->text());

        // The menu: a line inserted, then the import.
        Menu(w, 0, 0, {QStringLiteral("Insert Line"), QStringLiteral("Copy of current Line")});
        EXPECT_EQ(w.DataView()->model()->rowCount(), 4);
        Menu(w, 0, 0, {QStringLiteral("Delete Line")});
        EXPECT_EQ(w.DataView()->model()->rowCount(), 3);
        w.AcceptButton()->click();
    });
    QString error, name = QStringLiteral("People");
    ASSERT_TRUE(w.EditCSVList(&db, kPeople, error, name)) << error.toStdString();
    EXPECT_GE(filledAfter, 190);
    EXPECT_EQ(name, QStringLiteral("People2"));
    EXPECT_EQ(test::Shell(path, QStringLiteral("SELECT sql FROM sqlite_master WHERE name = "
                                               "'People2'")),
              QByteArray("CREATE TABLE People2 (\"ID\" INTEGER PRIMARY KEY, \"Full Name\" TEXT "
                         "UNIQUE, \"City\" TEXT)"));
    EXPECT_EQ(test::Shell(path, QStringLiteral("SELECT group_concat(City, '|') FROM People2")),
              QByteArray("Oslo|Rome|Paris, TX"));
}

TEST_F(CsvImportWindow, WheelScrollsByItsRuleAndCancelImportAborts) {
    QString csv = QStringLiteral("n,v\n");
    for (int i = 1; i <= 300; ++i)
        csv += QStringLiteral("%1,value %1\n").arg(i);
    TfrmSKYCSVImp& w = frmSKYCSVImp();
    QTimer::singleShot(0, &w, [&] {
        ASSERT_TRUE(WaitFor([&] { return w.DataView()->model()->rowCount() == 300; }));
        QScrollBar* bar = w.DataView()->verticalScrollBar();
        auto wheel = [&](Qt::KeyboardModifiers mods) {
            QWheelEvent e(QPointF(5, 5), w.DataView()->viewport()->mapToGlobal(QPointF(5, 5)),
                          QPoint(), QPoint(0, -120), Qt::NoButton, mods, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(w.DataView()->viewport(), &e);
        };
        bar->setValue(0);
        wheel(Qt::NoModifier);
        EXPECT_EQ(bar->value(), 5);
        wheel(Qt::ShiftModifier);
        EXPECT_EQ(bar->value(), 6);
        wheel(Qt::ControlModifier);
        EXPECT_GT(bar->value(), 7);
        Menu(w, 0, 0, {QStringLiteral("Cancel Import")});
    });
    QString error, name = QStringLiteral("numbers");
    EXPECT_FALSE(w.EditCSVList(&db, csv, error, name));
    EXPECT_EQ(error, QStringLiteral("User aborted Importing"));
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'numbers'")),
              QStringLiteral("0"));
}

// For a look by eye in each theme (SKYLARK_SHOT_DIR=folder, under Xvfb): the
// filled sheet with a taken name, a column selected and the help panel.
TEST_F(CsvImportWindow, ScreenshotsInThemes) {
    const QString shots = qEnvironmentVariable("SKYLARK_SHOT_DIR");
    if (shots.isEmpty()) GTEST_SKIP() << "SKYLARK_SHOT_DIR not set";
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    ASSERT_TRUE(app);
    QString csv = QStringLiteral("ID,Name,City,Amount,Empty\n");
    for (int i = 1; i <= 60; ++i)
        csv += QStringLiteral("%1,Person %1,%2,%3.5,\n")
                   .arg(i)
                   .arg(i % 3 ? QStringLiteral("Oslo") : QStringLiteral("\"Paris, TX\""))
                   .arg(i * 7);
    for (const QString& theme : {QStringLiteral("Cyan Dusk"), QStringLiteral("Paper White")}) {
        ASSERT_TRUE(ApplyTheme(*app, theme));
        TfrmSKYCSVImp& w = frmSKYCSVImp();
        QTimer::singleShot(0, &w, [&] {
            ASSERT_TRUE(WaitFor([&] { return w.DataView()->model()->rowCount() == 60; }));
            w.DataView()->setCurrentIndex(w.DataView()->model()->index(2, 1));
            auto* mark = w.findChild<QLabel*>(QStringLiteral("imgHelpLegend"));
            QEvent enter(QEvent::Enter);
            QCoreApplication::sendEvent(mark, &enter);
            RunEventsFor(300);
            const QString name = QString(theme).remove(u' ');
            EXPECT_TRUE(
                w.grab().save(shots + QStringLiteral("/csvimport-") + name + ".png", "PNG"));
            w.CancelButton()->click();
        });
        QString error, table = QStringLiteral("People");
        w.EditCSVList(&db, csv, error, table);
    }
    ApplyTheme(*app, kDefaultTheme);
}

} // namespace
} // namespace sky::ui
