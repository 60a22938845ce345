// The schema dialogs: loading a record, editing through the controls, the
// preview, and Accept/Cancel handing the record back or not.
#include "common/TempDb.h"
#include "common/ThemeShots.h"
#include "common/UiAnswer.h"
#include "design/ui/CheckDialog.h"
#include "design/ui/ForeignKeyDialog.h"
#include "design/ui/IndexDialog.h"
#include "design/ui/KeyDialog.h"
#include "design/ui/TriggerDialog.h"
#include "design/ui/ViewDialog.h"
#include "shell/ui/KMessg.h"
#include "shell/ui/Scintilla.h"
#include "shell/ui/SqlEditorTheme.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

namespace sky::ui {
namespace {

// Presses the named button of the next modal dialog once it shows.
void PressNext(const char* button) {
    auto* poll = new QTimer(qApp);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, button] {
        QWidget* m = QApplication::activeModalWidget();
        if (!m) return;
        poll->stop();
        poll->deleteLater();
        if (auto* b = m->findChild<QPushButton*>(QLatin1String(button))) b->click();
    });
    poll->start();
}

TEST(SchemaDialogs, IndexGridPreviewAndAccept) {
    TIndexLayout ix;
    ASSERT_TRUE(
        parseIndex(QStringLiteral("CREATE INDEX i ON t (b COLLATE NOCASE DESC, lower(a))"), ix));
    TfrmSKYIdx& d = frmSKYIdx();
    d.Load(ix, {"a", "b", "c"});
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Index on t"));
    const QList<ColumnRow> rows = d.Grid()->Rows();
    ASSERT_EQ(rows.size(), 4); // b, lower(a), a, c
    EXPECT_EQ(rows[0].column, QStringLiteral("b"));
    EXPECT_TRUE(rows[0].descending);
    EXPECT_EQ(rows[1].column, QStringLiteral("lower(a)"));
    EXPECT_EQ(d.Preview(),
              QStringLiteral("CREATE INDEX i ON t (b COLLATE NOCASE DESC, lower(a));"));
    // Use column c, ascending, move it first; unique with a condition.
    d.Grid()->Table()->setCurrentCell(3, 0);
    d.Grid()->Use()->setChecked(true);
    d.Grid()->MoveSelected(-3);
    d.UniqueBox()->setChecked(true);
    d.WhereEdit()->setText(QStringLiteral("c > 0"));
    EXPECT_EQ(d.Preview(),
              QStringLiteral(
                  "CREATE UNIQUE INDEX i ON t (c, b COLLATE NOCASE DESC, lower(a)) WHERE c > 0;"));
    PressNext("btnCancel");
    TIndexLayout kept = ix;
    EXPECT_FALSE(d.editIndex(kept, {"a", "b", "c"}));
    EXPECT_EQ(kept.Entries, ix.Entries);
    PressNext("btnAccept");
    EXPECT_TRUE(d.editIndex(kept, {"a", "b", "c"}));
    // Nothing used: the placeholder.
    TIndexLayout empty;
    empty.IdxName = QStringLiteral("e");
    empty.IdxTable = QStringLiteral("t");
    d.Load(empty, {"a"});
    EXPECT_EQ(d.Preview(), kNoSelectedColumns);
}

TEST(SchemaDialogs, KeyCheckAndForeignKey) {
    TFKeyLayout key;
    key.iKeyKind = KeyKind::Unique;
    key.TableSelf = QStringLiteral("t");
    key.OwnFields = QStringLiteral("b");
    TfrmSKYPKey& k = frmSKYPKey();
    k.Load(key, {"a", "b"});
    EXPECT_EQ(k.Preview(), QStringLiteral("UNIQUE (b)"));
    k.PrimaryBox()->setChecked(true);
    k.ConflictBox()->setCurrentIndex(5);
    k.Grid()->Table()->setCurrentCell(1, 0); // a
    k.Grid()->Use()->setChecked(true);
    k.Grid()->Descending()->click();
    EXPECT_EQ(k.Preview(), QStringLiteral("PRIMARY KEY (b, a DESC) ON CONFLICT REPLACE"));

    TFKeyLayout chk;
    chk.iKeyKind = KeyKind::Check;
    chk.TableSelf = QStringLiteral("t");
    TfrmSKYChk& c = frmSKYChk();
    c.Load(chk);
    EXPECT_EQ(c.Preview(), kNoCheckExpression);
    c.CheckEdit()->setPlainText(QStringLiteral("a >\n   0"));
    EXPECT_EQ(c.Preview(), QStringLiteral("CHECK (a > 0)"));

    QTemporaryDir dir;
    TSQLite3Database db;
    ASSERT_TRUE(db.Open(dir.filePath(QStringLiteral("f.db"))));
    ASSERT_TRUE(
        db.ExecuteList(QStringLiteral("CREATE TABLE p(id INTEGER PRIMARY KEY, code TEXT UNIQUE);"
                                      "CREATE TABLE c(x, y);")));
    TFKeyLayout fk;
    fk.iKeyKind = KeyKind::ForeignKey;
    TfrmSKYFKey& f = frmSKYFKey();
    f.Load(fk, &db, {}, QStringLiteral("c"));
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Foreign Key constraint in c"));
    EXPECT_EQ(f.Preview(), kNoSelectedColumns);
    f.ParentBox()->setCurrentText(QStringLiteral("p"));
    EXPECT_EQ(f.ParentKeyBox()->count(), 2);
    f.UseRow(1, QStringLiteral("code"));
    f.DeleteAction()->setCurrentIndex(5);
    f.DeferModeBox()->setCurrentIndex(2);
    EXPECT_EQ(f.Preview(),
              QStringLiteral("REFERENCES \"p\"(code)\r\n  ON DELETE CASCADE\r\n  DEFERRABLE"));
    EXPECT_EQ(f.Current().OwnFields, QStringLiteral("y"));
}

TEST(SchemaDialogs, TriggerAndView) {
    TTriggerLayout t;
    t.trigTable = QStringLiteral("t");
    t.trigName = QStringLiteral("tr");
    TfrmSKYTrig& d = frmSKYTrig();
    d.Load(t, {"a", "b"});
    d.TimingBox()->setCurrentIndex(2);
    d.EventBox()->setCurrentIndex(4);
    d.FieldList()->item(1)->setCheckState(Qt::Checked);
    d.StatementEdit()->setText(QStringLiteral("SELECT 1"));
    EXPECT_EQ(d.RowKindLabel()->text(),
              QStringLiteral("Execute the following SQL statements for each updated row"));
    EXPECT_EQ(d.Preview(),
              QStringLiteral("CREATE TRIGGER IF NOT EXISTS tr\r\n  AFTER UPDATE OF b\r\n"
                             "  ON t FOR EACH ROW\r\nBEGIN\r\n  SELECT 1;\r\nEND;"));

    QTemporaryDir dir;
    TSQLite3Database db;
    ASSERT_TRUE(db.Open(dir.filePath(QStringLiteral("v.db"))));
    ASSERT_TRUE(db.ExecuteList(QStringLiteral("CREATE TABLE t(a); INSERT INTO t VALUES (1);")));
    TViewLayout v;
    v.vName = QStringLiteral("v");
    TfrmSKYView& w = frmSKYView();
    w.Load(&db, v);
    EXPECT_EQ(w.Preview(), kNoValidStatement);
    w.SelectEdit()->setPlainText(QStringLiteral("SELECT a\nFROM t"));
    EXPECT_EQ(w.Preview(), QStringLiteral("CREATE VIEW v AS \r\nSELECT a\r\n  FROM t\r\n"));
    PressNext("btnNo"); // the "test the query?" question
    QString message;
    EXPECT_TRUE(w.TestView(message));
    EXPECT_EQ(message, QStringLiteral("View creation test success - SQL is valid."));
    EXPECT_FALSE(db.TransactionOpen());
}

// For a look by eye in each theme (SKYLARK_SHOT_DIR=folder, under Xvfb): the
// trigger dialog with its statement editor.
TEST(SchemaDialogs, TriggerScreenshotsInThemes) {
    const QString shots = test::ShotDir();
    if (shots.isEmpty()) GTEST_SKIP() << "SKYLARK_SHOT_DIR not set";
    test::InEachTheme([&](const QString& name) {
        TfrmSKYTrig& d = frmSKYTrig();
        StyleSqlEditor(d.StatementEdit()); // the dialog lives longer than one theme here
        TTriggerLayout t;
        t.trigTable = QStringLiteral("rental");
        t.trigName = QStringLiteral("rental_audit");
        t.trigEvent = TrigEvent(2);
        t.trigExecCode = QStringLiteral(
            "INSERT INTO audit_log(what, at) VALUES ('rental ' || new.id, CURRENT_TIMESTAMP);\r\n"
            "-- the audit trail\r\nUPDATE sqlite_sequence SET seq = seq WHERE 0");
        d.Load(t, {"id", "customer_id"});
        d.resize(640, 620);
        d.show();
        RunEventsFor(200);
        EXPECT_TRUE(d.grab().save(shots + "/trigger-" + name + ".png", "PNG"));
        d.hide();
    });
}

} // namespace
} // namespace sky::ui
