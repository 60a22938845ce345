// The schema dialogs' rules without their widgets: the foreign key dialog's
// questions to the database, its row and control rules, the trigger
// dialog's record, and the view test with its questions and warnings.
#include "design/DialogModels.h"
#include "common/TempDb.h"
#include "support/Prompter.h"

#include <gtest/gtest.h>

namespace sky {
namespace {

using test::TempDbTest;

// Answers the yes/no questions from a list and records what was shown.
class ScriptedPrompter : public Prompter {
public:
    QList<bool> answers;
    QStringList questions, warnings;
    void ShowNotice(const QString&, const QString&, int, bool) override {}
    bool AskYesNo(const QString& title, const QString& text, int, const QString&,
                  const QString&) override {
        questions << title + QLatin1Char('|') + text;
        return !answers.isEmpty() && answers.takeFirst();
    }
    bool AskYesNoCancel(const QString&, const QString&, bool& cancelled, const QString&,
                        const QString&, int) override {
        cancelled = true;
        return false;
    }
    QString AskText(const QString&, const QString&, const QString&, const QStringList&, bool, int,
                    const QString& cancelValue) override {
        return cancelValue;
    }
    void ShowNote(const QString&, const QString&) override {}
    void ShowWarning(const QString& text, const QString& headline) override {
        warnings << headline + QLatin1Char('|') + text;
    }
};

class DialogModelsDb : public TempDbTest {};

TEST_F(DialogModelsDb, ParentChoicesAreTheTablesOfMainByName) {
    Run(QStringLiteral("CREATE TABLE zeta(a); CREATE TABLE \"Alpha\"(id INTEGER PRIMARY KEY, "
                       "code TEXT); CREATE TABLE beta(x, y, z); CREATE VIEW v AS SELECT 1;"
                       "CREATE INDEX i ON beta(x); CREATE TEMP TABLE scratch(q);"));
    EXPECT_EQ(FKeyParentTables(db), (QStringList{"Alpha", "beta", "zeta"}));
    struct Case {
        const char* parent;
        QStringList columns;
    } cases[] = {
        {"beta", {"x", "y", "z"}},
        {"  Alpha ", {"id", "code"}}, // typed with blanks around it
        {"alpha", {}},                // names are matched exactly
        {"v", {}},                    // a view is no parent
        {"scratch", {}},              // only tables of main
        {"missing", {}},
        {"", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FKeyParentColumns(db, QLatin1String(c.parent)), c.columns) << c.parent;
}

TEST_F(DialogModelsDb, OwnColumnsComeFromTheCallerOrElseFromTheTable) {
    Run(QStringLiteral("CREATE TABLE child(a, b);"));
    EXPECT_EQ(FKeyOwnColumns(&db, {"given"}, QStringLiteral("child")), QStringList{"given"});
    EXPECT_EQ(FKeyOwnColumns(&db, {}, QStringLiteral("child")), (QStringList{"a", "b"}));
    EXPECT_EQ(FKeyOwnColumns(nullptr, {}, QStringLiteral("child")), QStringList());
    TFKeyLayout k;
    k.TableSelf = QStringLiteral("recorded");
    EXPECT_EQ(FKeyOwnTable(k, QString()), QStringLiteral("recorded"));
    EXPECT_EQ(FKeyOwnTable(k, QStringLiteral("given")), QStringLiteral("given"));
}

TEST(DialogModels, ParentColumnsAreReadAgainOnlyForAnotherParent) {
    struct Case {
        const char* typed;
        const char* last;
        bool changed;
        const char* lastAfter;
    } cases[] = {
        {"p", "", true, "p"},   {"P", "p", false, "p"}, {" p ", "p", false, "p"},
        {"q ", "p", true, "q"}, {"", "p", true, ""},    {"", "", false, ""},
    };
    for (const Case& c : cases) {
        QString last = QLatin1String(c.last);
        EXPECT_EQ(FKeyParentChanged(QLatin1String(c.typed), last), c.changed) << c.typed;
        EXPECT_EQ(last, QLatin1String(c.lastAfter)) << c.typed;
    }
}

TEST(DialogModels, UsingAForeignKeyRowFillsItsReference) {
    auto rows = [] {
        QList<ColumnRow> r(2);
        r[0].column = QStringLiteral("a");
        r[1].column = QStringLiteral("b");
        r[1].references = QStringLiteral("pb");
        return r;
    };
    struct Case {
        int row;
        const char* parent;
        const char* refA;
        const char* refB;
    } cases[] = {
        {0, "", "a", "pb"},  // no reference yet: the column's own name
        {1, "", "", "pb"},   // a reference stays
        {1, "pk", "", "pk"}, // a picked parent column replaces it
        {5, "pk", "", "pb"}, // no such row
        {-1, "pk", "", "pb"},
    };
    for (const Case& c : cases) {
        QList<ColumnRow> r = rows();
        UseFKeyRow(r, c.row, QLatin1String(c.parent));
        EXPECT_EQ(r[0].references, QLatin1String(c.refA)) << c.row << c.parent;
        EXPECT_EQ(r[1].references, QLatin1String(c.refB)) << c.row << c.parent;
        EXPECT_EQ(r[0].used, c.row == 0);
        EXPECT_EQ(r[1].used, c.row == 1);
    }
    QList<ColumnRow> r = rows();
    UseFKeyRow(r, 0, QString());
    UnuseFKeyRow(r, 0);
    UnuseFKeyRow(r, 7);
    EXPECT_FALSE(r[0].used);
    EXPECT_TRUE(r[0].references.isEmpty());
    EXPECT_EQ(r[1].references, QStringLiteral("pb"));
}

TEST(DialogModels, ForeignKeyRecordFromTheControls) {
    TFKeyLayout read;
    ASSERT_TRUE(parseFKey(QStringLiteral("CONSTRAINT fk FOREIGN KEY (a, b) REFERENCES p(x, y) "
                                         "ON UPDATE CASCADE NOT DEFERRABLE INITIALLY DEFERRED"),
                          read));
    const QList<ColumnRow> rows = FKeyRows(read, {"a", "b", "c"});
    // Loaded and rebuilt unchanged, the deferred start the checkbox cannot
    // show as NOT DEFERRABLE is no longer stated.
    TFKeyLayout k = read;
    FKeyFromChoices(k, FKeyChoicesOf(read), rows);
    EXPECT_EQ(FKeyPreview(k), QStringLiteral("CONSTRAINT fk FOREIGN KEY (a, b)\r\n"
                                             "  REFERENCES \"p\"(x, y)\r\n"
                                             "  ON UPDATE CASCADE\r\n"
                                             "  NOT DEFERRABLE"));
    struct Case {
        DeferMode mode;
        bool initially;
        const char* tail;
    } cases[] = {
        {DeferMode::NotStated, false, ""},
        {DeferMode::NotDeferrable, false, "\r\n  NOT DEFERRABLE"},
        {DeferMode::Deferrable, false, "\r\n  DEFERRABLE"},
        {DeferMode::NotStated, true, "\r\n  DEFERRABLE INITIALLY DEFERRED"},
        {DeferMode::Deferrable, true, "\r\n  DEFERRABLE INITIALLY DEFERRED"},
    };
    for (const Case& c : cases) {
        FKeyChoices choices;
        choices.name = QStringLiteral("  ");
        choices.parent = QStringLiteral(" p ");
        choices.delAction = 5;
        choices.deferMode = c.mode;
        choices.deferInitially = c.initially;
        TFKeyLayout edited;
        edited.iConflictClause = 3;
        FKeyFromChoices(edited, choices, rows);
        EXPECT_EQ(edited.iKeyKind, KeyKind::ForeignKey);
        EXPECT_EQ(edited.iConflictClause, 0);
        EXPECT_EQ(FKeyPreview(edited),
                  QStringLiteral("FOREIGN KEY (a, b)\r\n  REFERENCES \"p\"(x, y)\r\n"
                                 "  ON DELETE CASCADE") +
                      QLatin1String(c.tail))
            << int(c.mode) << c.initially;
    }
}

TEST(DialogModels, TriggerRecordFromTheControlsIsComposedAnew) {
    TTriggerLayout t;
    ASSERT_TRUE(parseTrigger(QStringLiteral("create trigger tr after update of B, c on t\n"
                                            "begin select 1; end"),
                             t));
    EXPECT_EQ(t.trigEvent, TrigEvent::UpdateOf);
    EXPECT_EQ(TriggerColumnsUsed(t, {"a", "b", "C"}), (QList<bool>{false, true, true}));
    TriggerChoices c;
    c.name = QStringLiteral(" tr ");
    c.timing = t.trigExecTiming;
    c.event = t.trigEvent;
    c.statements = QStringLiteral("  select 1 ");
    c.when = QStringLiteral(" new.b > 0 ");
    c.columns = QStringList{"b", "C"};
    TriggerFromChoices(t, c);
    EXPECT_TRUE(t.RawText.isEmpty());
    EXPECT_EQ(sqlFrom(t), QStringLiteral("CREATE TRIGGER IF NOT EXISTS tr\r\n  AFTER UPDATE OF b, C"
                                         "\r\n  ON t FOR EACH ROW WHEN new.b > 0\r\nBEGIN\r\n"
                                         "  select 1;\r\nEND;"));
    EXPECT_TRUE(TriggerShowsColumns(TrigEvent::UpdateOf));
    for (TrigEvent e : {TrigEvent::None, TrigEvent::Delete, TrigEvent::Insert, TrigEvent::Update})
        EXPECT_FALSE(TriggerShowsColumns(e));
    EXPECT_EQ(TriggerRowKind(TrigEvent::Delete), QStringLiteral("deleted row"));
    EXPECT_EQ(TriggerRowKind(TrigEvent::Insert), QStringLiteral("inserted row"));
    EXPECT_EQ(TriggerRowKind(TrigEvent::UpdateOf), QStringLiteral("updated row"));
}

TEST_F(DialogModelsDb, ViewTestAsksBeforeRunningTheQueryAndLeavesNothingBehind) {
    Run(QStringLiteral("CREATE TABLE t(a); CREATE TABLE empty(a);"
                       "CREATE VIEW keep AS SELECT a FROM t;"));
    TViewLayout v;
    v.vName = QStringLiteral("keep");
    v.vSelect = QStringLiteral("SELECT a FROM empty");
    EXPECT_EQ(ViewPreview(v), QStringLiteral("CREATE VIEW keep AS \r\nSELECT a FROM empty\r\n"));
    const QString question =
        QStringLiteral("View-CREATE Test|Success\rWould you like to test the View Query?");
    const QString created = QStringLiteral("View creation test success - SQL is valid.");

    ScriptedPrompter no;
    QString message;
    EXPECT_TRUE(RunViewTest(&db, v, no, message));
    EXPECT_EQ(message, created);
    EXPECT_EQ(no.questions, QStringList{question});
    EXPECT_TRUE(no.warnings.isEmpty());

    ScriptedPrompter yes;
    yes.answers = {true};
    EXPECT_TRUE(RunViewTest(&db, v, yes, message));
    EXPECT_EQ(yes.warnings, QStringList{QStringLiteral("View-SELECT Test Failed|SELECT query is "
                                                       "valid SQL, but produces no results.")});

    ScriptedPrompter failing;
    v.vSelect = QStringLiteral("SELECT a FROM t WHERE )");
    EXPECT_FALSE(RunViewTest(&db, v, failing, message));
    EXPECT_TRUE(message.startsWith(QStringLiteral("Failed to create VIEW: ")));
    EXPECT_TRUE(failing.questions.isEmpty());
    ASSERT_EQ(failing.warnings.size(), 1);
    EXPECT_EQ(failing.warnings[0],
              QStringLiteral("View-CREATE Test Failed|Failed to create VIEW\r") +
                  message.mid(QStringLiteral("Failed to create VIEW: ").size()));

    // The view that was there is still the one that was there.
    EXPECT_FALSE(db.TransactionOpen());
    EXPECT_EQ(Value(QStringLiteral("SELECT sql FROM sqlite_master WHERE name='keep'")),
              QStringLiteral("CREATE VIEW keep AS SELECT a FROM t"));
    EXPECT_EQ(Value(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
}

TEST(DialogModels, ViewTestWithoutConnectionOrNameDoesNothing) {
    ScriptedPrompter p;
    TViewLayout v;
    v.vName = QStringLiteral("v");
    v.vSelect = QStringLiteral("SELECT 1");
    QString message = QStringLiteral("old");
    EXPECT_FALSE(RunViewTest(nullptr, v, p, message));
    EXPECT_TRUE(message.isEmpty());
    TSQLite3Database closed;
    EXPECT_FALSE(RunViewTest(&closed, v, p, message));
    EXPECT_TRUE(p.questions.isEmpty() && p.warnings.isEmpty());
    EXPECT_EQ(ViewPreview(TViewLayout()), kNoValidStatement);
    EXPECT_EQ(ViewTestFailureText(QStringLiteral("a: b: c")), QStringLiteral("a\rb: c"));
}

} // namespace
} // namespace sky
