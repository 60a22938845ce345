// The table operations on real files: their statements, questions and
// status texts, names needing quotes, another schema, and rebuilds that
// keep rows, counters and behaviour or change nothing.
#include "workspace/TableOps.h"
#include "common/FaultInject.h"
#include "common/Process.h"
#include "common/ScriptedPrompter.h"
#include "common/TempDb.h"
#include "design/IndexTrigger.h"
#include "design/TableDesigner.h"

namespace sky::test {
namespace {

using Reply = ScriptedPrompter::Reply;

TEST(TableOpsTexts, CountsNamesAndDefaults) {
    const struct {
        qint64 count;
        const char *stored, *status;
    } counts[] = {{0, "Empty", "Success - Table \"t\" is Empty."},
                  {1, "One", "Success - Table \"t\" has a single row."},
                  {1234, "1 234", "Success - Table \"t\" has 1 234 rows."},
                  {1234567, "1 234 567", "Success - Table \"t\" has 1 234 567 rows."},
                  {-1, "Broken", "Success - Table \"t\" is broken."}};
    for (const auto& c : counts) {
        EXPECT_EQ(tableops::RowCountText(c.count), QString::fromUtf8(c.stored));
        EXPECT_EQ(tableops::RowCountStatus(QStringLiteral("t"), c.count),
                  QString::fromUtf8(c.status));
    }
    const struct {
        const char* typed;
        QStringList existing;
        bool numbering;
        const char* adjusted;
    } names[] = {{"my col.x", {}, true, "my_col_x"},
                 {"Name", {"ID", "NAME"}, true, "Name01"},
                 {"Name", {"name", "Name01", "NAME02"}, true, "Name03"},
                 {" a , . b ", {}, true, "a_b"},
                 {"Name", {"NAME"}, false, "Name"},
                 {"x__y", {}, false, "x_y"}};
    for (const auto& n : names)
        EXPECT_EQ(tableops::AdjustColumnName(QString::fromUtf8(n.typed), n.existing, n.numbering),
                  QString::fromUtf8(n.adjusted))
            << n.typed;
    const struct {
        const char *value, *source;
    } defaults[] = {{"", "''"},
                    {"NULL", "NULL"},
                    {"'x'", "'x'"},
                    {"(datetime('Now','localtime'))", "(datetime('Now','localtime'))"},
                    {"-12.5", "-12.5"},
                    {"0x1F", "0x1F"},
                    {"current_date", "CURRENT_DATE"},
                    {"CURRENT_TIMESTAMP", "CURRENT_TIMESTAMP"},
                    {"it's", "'it''s'"},
                    {"New", "'New'"}};
    for (const auto& d : defaults)
        EXPECT_EQ(tableops::DefaultSource(QString::fromUtf8(d.value)), QString::fromUtf8(d.source))
            << d.value;
}

class TableOpsTest : public TempDbTest {
protected:
    TableOpOutcome Op(TableOpOutcome (*op)(TableOpContext&), const QString& table,
                      const QString& schema = QString(), const QString& col = QString()) {
        TableOpContext c{db, prompts, table, schema, col};
        return op(c);
    }
    ScriptedPrompter prompts;
};

// Drop, empty and count work on the schema's own table: aux."my t" is
// changed, main."my t" is not.
TEST_F(TableOpsTest, SimpleOperationsStayInTheirSchema) {
    const QString aux = dir.filePath(QStringLiteral("aux.db"));
    Run(QStringLiteral("CREATE TABLE \"my t\"(a); INSERT INTO \"my t\" VALUES (1), (2);"
                       "CREATE INDEX ix ON \"my t\"(a);"
                       "ATTACH '") +
        aux +
        QStringLiteral(
            "' AS aux; CREATE TABLE aux.\"my t\"(a); INSERT INTO aux.\"my t\" VALUES (3);"
            "CREATE INDEX aux.ix ON \"my t\"(a);"));
    TableOpOutcome o = Op(&tableops::CountRows, QStringLiteral("my t"), QStringLiteral("aux"));
    EXPECT_EQ(o.status, QStringLiteral("Success - Table \"my t\" has a single row."));
    EXPECT_EQ(o.rowCountText, QStringLiteral("One"));

    prompts.replies = {Reply::Yes};
    o = Op(&tableops::EmptyTable, QStringLiteral("my t"), QStringLiteral("aux"));
    EXPECT_TRUE(o.ok);
    EXPECT_EQ(o.status, QStringLiteral("Execution Success."));
    EXPECT_EQ(o.selectTable, QStringLiteral("my t"));
    EXPECT_EQ(prompts.questions.last(),
              QStringLiteral("WARNING: Deleting Data: Clear the contents of Table my t now?"));
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM aux.\"my t\"")), QStringLiteral("0"));
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM main.\"my t\"")), QStringLiteral("2"));

    // Declined: nothing happens.
    o = Op(&tableops::DropTable, QStringLiteral("my t"), QStringLiteral("aux"));
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(prompts.questions.last(),
              QStringLiteral("WARNING: Deleting Table: Do you really want to Drop Table my t?"));
    // An index of the same name in main stays when aux's goes.
    prompts.replies = {Reply::Yes};
    TableOpContext ctx{db, prompts, QStringLiteral("my t"), QStringLiteral("aux"), QString()};
    o = tableops::RemoveObject(ctx, QStringLiteral("index"), QStringLiteral("ix"));
    EXPECT_EQ(o.status, QStringLiteral("INDEX Removed Success."));
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM aux.sqlite_master WHERE name='ix'")),
              QStringLiteral("0"));
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM main.sqlite_master WHERE name='ix'")),
              QStringLiteral("1"));
    prompts.replies = {Reply::Yes};
    o = Op(&tableops::DropTable, QStringLiteral("my t"), QStringLiteral("aux"));
    EXPECT_TRUE(o.refreshSchema);
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM aux.sqlite_master")), QStringLiteral("0"));
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM main.sqlite_master")),
              QStringLiteral("2"));
}

// Renaming proposes corrections until one is accepted unchanged; copying
// keeps the CREATE text exactly and rolls back as a whole.
TEST_F(TableOpsTest, RenameAndCopy) {
    Run(QStringLiteral("CREATE TABLE t(a, b); INSERT INTO t VALUES (1, 'x');"
                       "CREATE TABLE u(z);"
                       "CREATE TABLE c /* keep */ (\n  \"a,b\" TEXT, -- note\n  \"q\"\"x\" INT\n);"
                       "INSERT INTO c VALUES ('v', 7);"));
    prompts.texts = {QStringLiteral("u"), QStringLiteral("u2"), QStringLiteral("u2")};
    TableOpOutcome o = Op(&tableops::RenameTable, QStringLiteral("t"));
    EXPECT_TRUE(o.ok) << o.status.toStdString();
    EXPECT_EQ(prompts.prompts,
              QStringList({QStringLiteral("Rename Table \"t\": New Table Name: "),
                           QStringLiteral("Rename Table \"t\": This table already exists - Please "
                                          "accept or edit the correction: ")}));
    EXPECT_EQ(prompts.initials, QStringList({QStringLiteral("t"), QStringLiteral("u2")}));
    EXPECT_EQ(o.status, QStringLiteral("Success Renaming Table \"t\" to \"u2\"."));
    EXPECT_EQ(o.selectTable, QStringLiteral("u2"));

    prompts.texts = {QString()};
    o = Op(&tableops::RenameTable, QStringLiteral("u2"));
    EXPECT_EQ(o.status, QStringLiteral("Table Rename for u2 cancelled."));

    prompts.texts = {QStringLiteral("u")}; // a copy under a taken name fails as a whole
    o = Op(&tableops::CopyTable, QStringLiteral("u2"));
    EXPECT_FALSE(o.ok);
    EXPECT_TRUE(o.status.startsWith(QStringLiteral(
        "Error while Creating Table \"u\"...:  DB Error: table \"u\" already exists")))
        << o.status.toStdString();
    EXPECT_TRUE(o.status.endsWith(QStringLiteral(" - Changes rolled back.")));
    EXPECT_FALSE(db.TransactionOpen());

    prompts.texts = {QStringLiteral("new c")};
    o = Op(&tableops::CopyTable, QStringLiteral("c"));
    EXPECT_TRUE(o.ok) << o.status.toStdString();
    EXPECT_EQ(o.status, QStringLiteral("Success Copying Table \"c\" to \"new c\"."));
    EXPECT_EQ(Value(QStringLiteral("SELECT sql FROM sqlite_master WHERE name='new c'")),
              Value(QStringLiteral("SELECT sql FROM sqlite_master WHERE name='c'"))
                  .replace(QStringLiteral("TABLE c "), QStringLiteral("TABLE \"new c\" ")));
    EXPECT_EQ(Value(QStringLiteral("SELECT \"a,b\" || \"q\"\"x\" FROM \"new c\"")),
              QStringLiteral("v7"));
    EXPECT_EQ(prompts.initials.last(), QStringLiteral("CopyOfc"));
}

// Adding a column asks type, name (adjusted and confirmed), default and
// comment; CURRENT_TIMESTAMP becomes the local time expression and every
// copied row gets its value.
TEST_F(TableOpsTest, AddColumnDialogs) {
    Run(QStringLiteral("CREATE TABLE t(id INTEGER PRIMARY KEY, NAME TEXT);"
                       "INSERT INTO t VALUES (1, 'a'), (4, 'b');"));
    prompts.texts = {QStringLiteral("TEXT"), QStringLiteral("Name"), QStringLiteral("Name01"),
                     QStringLiteral("current_timestamp"), QStringLiteral("when")};
    const TableOpOutcome o =
        Op(&tableops::AddColumn, QStringLiteral("t"), QString(), QStringLiteral("id"));
    EXPECT_TRUE(o.ok) << o.status.toStdString();
    EXPECT_EQ(o.status, QStringLiteral("Success adding Column Name01"));
    EXPECT_EQ(prompts.prompts[2], QStringLiteral("Add TEXT Column to t: Please confirm/change the "
                                                 "adjusted Column Name:"));
    EXPECT_EQ(prompts.prompts[3],
              QStringLiteral("Adding Column Name01 to t: Default value for TEXT "
                             "column Name01?"));
    EXPECT_EQ(Value(QStringLiteral("SELECT group_concat(name) FROM pragma_table_info('t')")),
              QStringLiteral("id,Name01,NAME"));
    EXPECT_TRUE(Value(QStringLiteral("SELECT sql FROM sqlite_master WHERE name='t'"))
                    .contains(QStringLiteral("DEFAULT (datetime('Now','localtime'))")));
    EXPECT_EQ(
        Value(QStringLiteral("SELECT count(*) FROM t WHERE Name01 LIKE '____-__-__ __:__:__'")),
        QStringLiteral("2"));
    EXPECT_EQ(Value(QStringLiteral("SELECT group_concat(rowid) FROM t")), QStringLiteral("1,4"));
}

// The only column: dropping the table is offered instead. A removal whose
// rebuild fails changes nothing.
TEST_F(TableOpsTest, RemovingColumns) {
    Run(QStringLiteral("CREATE TABLE one(a); INSERT INTO one VALUES (1);"
                       "CREATE TABLE p(id INTEGER PRIMARY KEY, k TEXT UNIQUE, v);"
                       "INSERT INTO p VALUES (1, 'x', 2);"
                       "CREATE TABLE ch(r REFERENCES p(k)); INSERT INTO ch VALUES ('x');"
                       "PRAGMA foreign_keys=ON;"));
    TableOpOutcome o =
        Op(&tableops::RemoveColumn, QStringLiteral("one"), QString(), QStringLiteral("a"));
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(prompts.questions.last(),
              QStringLiteral("WARNING: Deleting Table: This is the only column left in Table "
                             "\"one\".\rDrop the Table entirely?"));
    prompts.replies = {Reply::Yes};
    o = Op(&tableops::RemoveColumn, QStringLiteral("p"), QString(), QStringLiteral("k"));
    EXPECT_FALSE(o.ok);
    EXPECT_TRUE(o.status.startsWith(QStringLiteral("Failed to delete column: ")))
        << o.status.toStdString();
    EXPECT_EQ(Value(QStringLiteral("SELECT group_concat(name) FROM pragma_table_info('p')")),
              QStringLiteral("id,k,v"));
    bool fk = false;
    EXPECT_TRUE(db.CheckForeignKeys(fk));
    EXPECT_TRUE(fk);
    EXPECT_EQ(Value(QStringLiteral("PRAGMA legacy_alter_table")), QStringLiteral("0"));
    prompts.replies = {Reply::Yes};
    o = Op(&tableops::RemoveColumn, QStringLiteral("p"), QString(), QStringLiteral("v"));
    EXPECT_TRUE(o.ok) << o.status.toStdString();
    EXPECT_EQ(o.status, QStringLiteral("Success deleting Column v"));
    EXPECT_EQ(Value(QStringLiteral("SELECT group_concat(name) FROM pragma_table_info('p')")),
              QStringLiteral("id,k"));
}

// Disk full and failing writes or syncs: every rebuild either succeeds or
// leaves the file as it was.
TEST_F(TableOpsTest, FailedWritesLeaveTheFileAsItWas) {
    Run(QStringLiteral("CREATE TABLE t(id INTEGER PRIMARY KEY AUTOINCREMENT, a, b);"
                       "CREATE INDEX tb ON t(b);"
                       "CREATE TRIGGER tr AFTER INSERT ON t BEGIN SELECT 1; END;"
                       "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                       "300) INSERT INTO t(a, b) SELECT i, printf('%0100d', i) FROM n;"));
    db.Close();
    const QString pristine = dir.filePath(QStringLiteral("pristine.db"));
    ASSERT_TRUE(QFile::copy(path, pristine));
    for (FaultOp op : {FaultOp::Write, FaultOp::Sync}) {
        bool done = false;
        for (int n = 1; n < 300 && !done; ++n) {
            SCOPED_TRACE(testing::Message() << (op == FaultOp::Write ? "write " : "sync ") << n);
            const QString file = dir.filePath(QStringLiteral("f.db"));
            QFile::remove(file);
            ASSERT_TRUE(QFile::copy(pristine, file));
            TSQLite3Database f;
            ScriptedPrompter p;
            p.replies = {Reply::Yes};
            bool fired = false;
            TableOpOutcome o;
            {
                ScopedFault fault(op, n, kAnyFile, SQLITE_IOERR_WRITE, false);
                ASSERT_TRUE(f.Open(file)) << f.LastError().toStdString();
                TableOpContext c{f, p, QStringLiteral("t"), QString(), QStringLiteral("a")};
                o = tableops::RemoveColumn(c);
                fired = fault.Fired();
            }
            EXPECT_FALSE(f.TransactionOpen());
            f.Close();
            EXPECT_INTEGRITY_OK(file);
            if (!fired) {
                EXPECT_TRUE(o.ok) << o.status.toStdString();
                done = true;
            } else if (!o.ok) {
                EXPECT_EQ(SqlDiff(pristine, file), QByteArray());
            }
        }
        EXPECT_TRUE(done);
    }
    // Disk full: a rebuild, and an index replaced by a larger one.
    ASSERT_TRUE(db.Open(path));
    SetMaxPageCount(db.Handle());
    {
        struct Replace : DesignerDialogs {
            bool EditIndex(TIndexLayout& ix, const QStringList&) override {
                return parseIndex(QStringLiteral("CREATE INDEX tb ON t(b, b || b)"), ix);
            }
            bool EditTrigger(TTriggerLayout&, const QStringList&) override { return false; }
            bool EditKey(TFKeyLayout&, const QStringList&) override { return false; }
            bool EditCheck(TFKeyLayout&, const QStringList&) override { return false; }
            bool EditFKey(TFKeyLayout&, TSQLite3Database*, const QStringList&,
                          const QString&) override {
                return false;
            }
        } replace;
        TableOpContext c{db, prompts, QStringLiteral("t"), QString(), QString()};
        c.dialogs = &replace;
        const TableOpOutcome edit = tableops::EditObject(
            c, QStringLiteral("index"), QStringLiteral("tb"),
            Value(QStringLiteral("SELECT sql FROM sqlite_master WHERE name='tb'")));
        EXPECT_FALSE(edit.ok);
        EXPECT_TRUE(edit.status.startsWith(QStringLiteral("Error while Adding INDEX tb...:  ")))
            << edit.status.toStdString();
        EXPECT_EQ(Value(QStringLiteral("SELECT sql FROM sqlite_master WHERE name='tb'")),
                  QStringLiteral("CREATE INDEX tb ON t(b)"));
    }
    // A default much longer than the rows: the new table cannot fit into
    // the pages the old index leaves.
    prompts.texts = {QStringLiteral("TEXT"), QStringLiteral("c"),
                     QLatin1Char('\'') + QString(500, QLatin1Char('x')) + QLatin1Char('\''),
                     QString()};
    const TableOpOutcome o = Op(&tableops::AddColumn, QStringLiteral("t"));
    EXPECT_FALSE(o.ok);
    EXPECT_TRUE(o.status.startsWith(QStringLiteral("Failed to add column: ")))
        << o.status.toStdString();
    db.Close();
    EXPECT_EQ(SqlDiff(pristine, path), QByteArray());
    EXPECT_INTEGRITY_OK(path);
}

} // namespace
} // namespace sky::test

namespace sky::test {
namespace {

TEST(TableOpsTexts, NameSimilarityAndTheCompareProposal) {
    EXPECT_NEAR(tableops::NameSimilarity(QStringLiteral("ABC"), QStringLiteral("abc")), 121.64,
                0.01);
    EXPECT_EQ(tableops::NameSimilarity(QStringLiteral("--"), QStringLiteral("abc")), 0);
    EXPECT_GT(tableops::NameSimilarity(QStringLiteral("customers"), QStringLiteral("customer_old")),
              tableops::NameSimilarity(QStringLiteral("customers"), QStringLiteral("orders")));
    const QStringList tables{QStringLiteral("orders"), QStringLiteral("Customers"),
                             QStringLiteral("customers_2019"), QStringLiteral("zz")};
    const struct {
        const char *current, *last, *proposal;
    } cases[] = {{"Customers", "zz", "zz"},               // the last compared, still there
                 {"Customers", "gone", "customers_2019"}, // else the most similar
                 {"customers_2019", "", "Customers"},
                 {"zz", "", ""}, // nothing similar enough
                 {"orders", "ORDERS", ""}};
    for (const auto& c : cases)
        EXPECT_EQ(tableops::CompareProposal(QString::fromUtf8(c.current), tables,
                                            QString::fromUtf8(c.last)),
                  QString::fromUtf8(c.proposal))
            << c.current;
}

} // namespace
} // namespace sky::test

namespace sky::test {
namespace {

// A compare that answers as told and records what it was asked.
class FakeCompare : public TableComparePort {
public:
    bool CompareTables(const QString& table, const QString& other, QString& error) override {
        asked << table + QStringLiteral(" ~ ") + other;
        error = failure;
        return failure.isEmpty();
    }
    QStringList asked;
    QString failure;
};

TEST_F(TableOpsTest, CompareAsksForTheOtherTable) {
    Run(QStringLiteral("CREATE TABLE customers(a); CREATE TABLE customers_old(a); "
                       "CREATE TABLE zz(a);"));
    FakeCompare compare;
    TableOpContext c{db, prompts, QStringLiteral("customers"), QString(), QString()};
    c.compare = &compare;
    const QStringList tables{QStringLiteral("customers"), QStringLiteral("customers_old"),
                             QStringLiteral("zz")};
    QString last;
    prompts.texts = {QStringLiteral(" CUSTOMERS ")};
    TableOpOutcome o = tableops::CompareTable(c, tables, last);
    EXPECT_EQ(o.status,
              QStringLiteral("Comparing a table to itself yields very predictable results."));
    EXPECT_EQ(prompts.prompts.last(),
              QStringLiteral("Compare \"customers\" to...: Table to Compare with:\r\r(Format: [ "
                             "attached-db-name . ] tablename )"));
    EXPECT_EQ(prompts.initials.last(), QStringLiteral("customers_old")); // the most similar
    EXPECT_TRUE(compare.asked.isEmpty());

    prompts.texts = {QStringLiteral("zz")};
    o = tableops::CompareTable(c, tables, last);
    EXPECT_TRUE(o.ok);
    EXPECT_EQ(compare.asked, QStringList{QStringLiteral("customers ~ zz")});
    EXPECT_EQ(last, QStringLiteral("zz"));

    compare.failure = QStringLiteral("the tables have no common key");
    prompts.texts = {QStringLiteral("zz")};
    o = tableops::CompareTable(c, tables, last);
    EXPECT_EQ(prompts.initials.last(), QStringLiteral("zz"));
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.status, QStringLiteral("the tables have no common key"));
    EXPECT_EQ(
        prompts.notices.last(),
        QStringLiteral("Compare Tables Error:: Comparing \"customers\" to \"zz\":\rthe tables "
                       "have no common key."));
}

} // namespace
} // namespace sky::test

namespace sky::test {
namespace {

// A table of another schema that shares its name with one of main: its
// rebuild, a new index and a replaced one stay in its schema.
TEST_F(TableOpsTest, AnotherSchemasTableKeepsItsObjects) {
    const QString aux = dir.filePath(QStringLiteral("aux2.db"));
    Run(QStringLiteral("CREATE TABLE t(a, b); INSERT INTO t VALUES (1, 2);"
                       "ATTACH '") +
        aux +
        QStringLiteral("' AS aux;"
                       "CREATE TABLE aux.t(a, b); INSERT INTO aux.t VALUES (3, 4);"
                       "CREATE INDEX aux.ix ON t(a);"
                       "CREATE TRIGGER aux.tr AFTER INSERT ON t BEGIN SELECT 1; END;"));
    const QString kObjects = QStringLiteral("SELECT group_concat(type || ':' || name, ',') FROM "
                                            "(SELECT type, name FROM %1.sqlite_master "
                                            "ORDER BY name)");
    prompts.texts = {QStringLiteral("TEXT"), QStringLiteral("c"), QString(), QString()};
    TableOpOutcome o = Op(&tableops::AddColumn, QStringLiteral("t"), QStringLiteral("aux"));
    EXPECT_TRUE(o.ok) << o.status.toStdString();
    EXPECT_EQ(Value(kObjects.arg(QStringLiteral("aux"))),
              QStringLiteral("index:ix,table:t,trigger:tr"));
    EXPECT_EQ(Value(kObjects.arg(QStringLiteral("main"))), QStringLiteral("table:t"));
    EXPECT_EQ(Value(QStringLiteral("SELECT group_concat(name) FROM pragma_table_info('t', 'aux')")),
              QStringLiteral("a,b,c"));

    TableOpContext c{db, prompts, QStringLiteral("t"), QStringLiteral("aux"), QStringLiteral("b")};
    struct Accept : DesignerDialogs {
        bool EditIndex(TIndexLayout&, const QStringList&) override { return true; }
        bool EditTrigger(TTriggerLayout&, const QStringList&) override { return true; }
        bool EditKey(TFKeyLayout&, const QStringList&) override { return true; }
        bool EditCheck(TFKeyLayout&, const QStringList&) override { return true; }
        bool EditFKey(TFKeyLayout&, TSQLite3Database*, const QStringList&,
                      const QString&) override {
            return true;
        }
    } accept;
    c.dialogs = &accept;
    o = tableops::AddIndexOrTrigger(c, false, false);
    EXPECT_TRUE(o.ok) << o.status.toStdString();
    o = tableops::EditObject(c, QStringLiteral("index"), QStringLiteral("ix"),
                             QStringLiteral("CREATE INDEX ix ON t(a)"));
    EXPECT_TRUE(o.ok) << o.status.toStdString();
    EXPECT_EQ(Value(kObjects.arg(QStringLiteral("aux"))),
              QStringLiteral("index:Idx_t_b,index:ix,table:t,trigger:tr"));
    EXPECT_EQ(Value(kObjects.arg(QStringLiteral("main"))), QStringLiteral("table:t"));
}

} // namespace
} // namespace sky::test
