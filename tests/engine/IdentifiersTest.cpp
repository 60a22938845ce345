// Identifier quoting, qualified names, word lists, builders and numbers.
#include "engine/Identifiers.h"
#include "common/TempDb.h"
#include "engine/SqlLiteral.h"
#include "engine/Statement.h"

#include <cmath>
#include <limits>
#include <sqlite3.h>

namespace sky::test {
namespace {

TEST(QuoteIdent, QuotesWhatNeedsQuotes) {
    struct Case {
        const char* name;
        bool split, force;
        const char* quoted;
    } cases[] = {
        {"plain", false, false, "plain"},
        {"Plain_9", false, false, "Plain_9"},
        {"with space", false, false, "\"with space\""},
        {"a\"b", false, false, "\"a\"\"b\""},
        {"a.b", true, false, "\"a\".\"b\""},
        {"a.b", false, false, "\"a.b\""},
        {"plain", false, true, "\"plain\""},
        {"", false, false, "\"\""},
        {"1abc", false, false, "\"1abc\""},
        {"order", false, false, "\"order\""},
        {"SELECT", false, false, "\"SELECT\""},
        {"main.order", true, false, "\"main\".\"order\""},
        {"grüße", false, false, "\"grüße\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(QuoteIdent(QString::fromUtf8(c.name), c.split, c.force),
                  QString::fromUtf8(c.quoted));
    }
    EXPECT_EQ(QuoteIdentList({QStringLiteral(" a "), QStringLiteral("b c")}, false),
              QStringLiteral("a, \"b c\""));
}

TEST(QuoteIdent, QuotedNamesWorkInTheEngine) {
    // Every awkward name, once quoted, names a real column.
    const QStringList names{QStringLiteral("order"), QStringLiteral("a\"b"),
                            QStringLiteral("1st"),   QStringLiteral("with space"),
                            QStringLiteral("x.y"),   QStringLiteral("[br]"),
                            QStringLiteral("`bq`")};
    TSQLite3Database db;
    ASSERT_TRUE(db.Open(QStringLiteral(":memory:")));
    QStringList cols;
    for (const QString& n : names)
        cols << QuoteIdent(n);
    ASSERT_TRUE(db.ExecuteList(QStringLiteral("CREATE TABLE t(") + cols.join(',') + ");"))
        << db.LastError().toStdString();
    QStringList got;
    ASSERT_EQ(db.EnumColNames(got, QStringLiteral("t")), names.size());
    EXPECT_EQ(got, names);
}

TEST(UnquoteIdent, RemovesTheOuterPairOnly) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"[x]", "x"},           {"\"a\"\"b\"", "a\"b"}, {"`a``b`", "a`b"}, {"'it''s'", "it's"},
        {"  plain  ", "plain"}, {"\"open", "open"},     {"[a]]", "a]"},    {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UnquoteIdent(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

TEST(Identifiers, MasterTablesAndQualifiedNames) {
    EXPECT_EQ(MasterTableOf(QString()), QStringLiteral("sqlite_master"));
    EXPECT_EQ(MasterTableOf(QStringLiteral(" MAIN ")), QStringLiteral("sqlite_master"));
    EXPECT_EQ(MasterTableOf(QStringLiteral("temp")), QStringLiteral("sqlite_temp_master"));
    EXPECT_EQ(MasterTableOf(QStringLiteral("aux")), QStringLiteral("aux.sqlite_master"));
    EXPECT_EQ(MasterTableOf(QStringLiteral("my db")), QStringLiteral("\"my db\".sqlite_master"));
    EXPECT_EQ(MasterTableOf(QStringLiteral("\"my db\"")),
              QStringLiteral("\"my db\".sqlite_master"));

    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"main.t1", "\"main\".\"t1\""},       {"t1", "\"t1\""},
        {"\"my.table\"", "\"my.table\""},     {"\"s\".\"t\"", "\"s\".\"t\""},
        {"[s].[t u]", "\"s\".\"t u\""},       {"\"a\"\"b\"", "\"a\"\"b\""},
        {"main.\"x.y\"", "\"main\".\"x.y\""}, {"s.", "\"s\"."},
        {"ab\xC3\xBE", "\"ab\xC3\xBE\""},     {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QualifiedTableName(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

TEST(Identifiers, WordListsBuildersAndConflictWords) {
    EXPECT_TRUE(IsSQLWord(QStringLiteral(" select "), 4));
    EXPECT_TRUE(IsSQLWord(QStringLiteral("select"), 0));
    EXPECT_FALSE(IsSQLWord(QStringLiteral("md5"), 1));
    EXPECT_TRUE(IsSQLWord(QStringLiteral("varchar"), 2));
    EXPECT_TRUE(IsSQLWord(QStringLiteral("page_size"), 3));
    EXPECT_TRUE(IsSQLWord(QStringLiteral("page_size"), 0));
    EXPECT_FALSE(IsSQLWord(QString(), 0));
    EXPECT_FALSE(IsSQLWord(QStringLiteral("SEL"), 4));
    EXPECT_TRUE(SQLWordList(0).startsWith(QStringLiteral(",ABORT,")));
    EXPECT_TRUE(SQLWordList(0).endsWith(QStringLiteral(",WRITABLE_SCHEMA,")));
    EXPECT_FALSE(SQLWordList(0).contains(QStringLiteral(",,")));

    EXPECT_EQ(ConflictClauseWord(chCancelConflictingItem), QStringLiteral("IGNORE"));
    EXPECT_EQ(ConflictClauseWord(chCancelPendingItems), QStringLiteral("FAIL"));
    EXPECT_EQ(ConflictClauseWord(chCancelAllItems), QStringLiteral("ABORT"));
    EXPECT_EQ(ConflictClauseWord(chUpdateItemData), QStringLiteral("REPLACE"));

    const QStringList pairs{QStringLiteral("id=1"), QStringLiteral("na\"me=O'Brien=x")};
    EXPECT_EQ(BuildInsertSQL(pairs, QStringLiteral("t"), QStringLiteral("INSERT")),
              QStringLiteral("INSERT INTO t (\"id\", \"na\"\"me\") VALUES ('1', 'O''Brien=x');"));
    EXPECT_EQ(
        BuildUpdateSQL(pairs, QStringLiteral("my t"), QStringLiteral("rowid=3")),
        QStringLiteral("UPDATE \"my t\" SET \"id\"='1', \"na\"\"me\"='O''Brien=x' WHERE rowid=3;"));
    EXPECT_TRUE(BuildInsertSQL({}, QStringLiteral("t"), QStringLiteral("INSERT")).isEmpty());
    EXPECT_EQ(
        IndexOfName(QStringLiteral(" NAME "), {QStringLiteral("id"), QStringLiteral("name ")}), 1);
    EXPECT_EQ(IndexOfName(QString(), {QString()}), -1);
}

TEST(Identifiers, NumberCleaning) {
    struct Case {
        const char* in;
        const char* clean;
    } cases[] = {
        {"", "0"},         {"abc", "0"},    {"-", "0"},  {"12a3", "123"}, {"x-5", "-5"},
        {"1.5.6", "1.56"}, {"2e5e", "2E5"}, {"7e", "7"}, {"1-2", "-12"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CleanNumberText(QString::fromUtf8(c.in)), QString::fromUtf8(c.clean)) << c.in;
    EXPECT_DOUBLE_EQ(double(NumberOf(QStringLiteral(" 2.5 "))), 2.5);
    EXPECT_DOUBLE_EQ(double(NumberOf(QStringLiteral("x12y"))), 12.0);
    EXPECT_EQ(IntegerOf(QStringLiteral("-7.9")), -7);
    EXPECT_EQ(IntegerOf(QStringLiteral("1e40")), 0);
}

TEST(SqlLiteral, ValuesReadBackExactly) {
    TSQLite3Database db;
    ASSERT_TRUE(db.Open(QStringLiteral(":memory:")));
    const double reals[] = {1.0,
                            0.1,
                            -2.5,
                            1e300,
                            123456789012345678.0,
                            3.0000000000000004,
                            5e-324,
                            std::numeric_limits<double>::max()};
    for (double v : reals) {
        const QString lit = SqlRealLiteral(v);
        QString type, same;
        ASSERT_TRUE(db.QuerySingleValue(type, QStringLiteral("SELECT typeof(") + lit + ")"));
        EXPECT_EQ(type, QStringLiteral("real")) << lit.toStdString();
        auto s = db.Prepare(QStringLiteral("SELECT ") + lit);
        ASSERT_EQ(s->Step(), SQLITE_ROW);
        EXPECT_EQ(s->ColumnDouble(0), v) << lit.toStdString();
    }
    EXPECT_EQ(SqlRealLiteral(std::numeric_limits<double>::infinity()), QStringLiteral("1e999"));
    EXPECT_EQ(SqlRealLiteral(-std::numeric_limits<double>::infinity()), QStringLiteral("-1e999"));
    EXPECT_EQ(SqlBlobLiteral("\x01\xAB", 2), QStringLiteral("X'01AB'"));
    EXPECT_EQ(SqlBlobLiteral("", 0), QStringLiteral("X''"));
    EXPECT_EQ(QuoteSqlString(u"it's"), QStringLiteral("'it''s'"));
    EXPECT_EQ(QuoteSqlString(u"a\\b", SqlDialect::MySQL), QStringLiteral("'a\\\\b'"));
    EXPECT_EQ(QuoteSqlString(u"grüß", SqlDialect::MSSQL), QStringLiteral("N'grüß'"));
    EXPECT_EQ(QuoteSqlString(u"plain", SqlDialect::MSSQL), QStringLiteral("'plain'"));
}

} // namespace
} // namespace sky::test
