// The SQL statements exporter, byte for byte, and its output run back
// through the engine.
#include "common/Process.h"
#include "common/TempDb.h"

#include <QBuffer>
#include <QFile>

namespace sky::test {
namespace {

class ExportSqlTest : public TempDbTest {
protected:
    void SetUp() override {
        TempDbTest::SetUp();
        Run(QStringLiteral(
            "CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT, r REAL, b BLOB);\n"
            "INSERT INTO t VALUES(1, 'O''Brien', 1.0, X''), (2, 'a\\b', 0.1, X'00FF'),"
            " (3, NULL, 1e999, NULL);\n"
            "CREATE TABLE k(a, b, v, PRIMARY KEY(b, a));\n"
            "INSERT INTO k VALUES(1, 'x', 'one'), (2, 'y', 'two');\n"
            "CREATE TABLE \"my t\"(x);\n"
            "CREATE TABLE s(n);"));
    }
    QString Export(const QString& sql, TSQLiteExportOperation op, TSQLiteExportLanguage lang,
                   const QString& table, int rows, bool expectOk = true) {
        QString out;
        EXPECT_EQ(db.QueryToSQL(out, sql, op, lang, table, rows, 0), expectOk)
            << db.LastError().toStdString();
        return out;
    }
};

TEST_F(ExportSqlTest, InsertStatementsGroupedByRowCount) {
    EXPECT_EQ(
        Export(QStringLiteral("SELECT id FROM t"), seoINSERT, selSQLite, QStringLiteral("t"), 2),
        QStringLiteral("INSERT INTO t (\"id\") VALUES \r\n(1), \r\n(2);\r\n\r\n"
                       "INSERT INTO t (\"id\") VALUES \r\n(3);"));
    EXPECT_EQ(
        Export(QStringLiteral("SELECT id FROM t"), seoINSERT, selSQLite, QStringLiteral("t"), 1),
        QStringLiteral(
            "INSERT INTO t (\"id\") VALUES \r\n (1);INSERT INTO t (\"id\") VALUES \r\n (2);"
            "INSERT INTO t (\"id\") VALUES \r\n (3);;"));
    EXPECT_EQ(
        Export(QStringLiteral("SELECT id FROM t"), seoREPLACE, selSQLite, QStringLiteral("t"), 0),
        QStringLiteral("REPLACE INTO t (\"id\") VALUES \r\n(1), \r\n(2), \r\n(3);"));
    EXPECT_EQ(Export(QStringLiteral("SELECT id FROM t WHERE 0"), seoINSERT, selSQLite,
                     QStringLiteral("t"), 1),
              QString());
}

TEST_F(ExportSqlTest, ValuesAreExactLiterals) {
    EXPECT_EQ(
        Export(QStringLiteral("SELECT * FROM t"), seoINSERT, selSQLite, QStringLiteral("t"), 0),
        QStringLiteral("INSERT INTO t (\"id\", \"name\", \"r\", \"b\") VALUES \r\n"
                       "(1, 'O''Brien', 1.0, X''), \r\n(2, 'a\\b', 0.1, X'00FF'), \r\n"
                       "(3, NULL, 1e999, NULL);"));
    // The export runs back into a copy of the table with the same values.
    const QString script =
        Export(QStringLiteral("SELECT * FROM t"), seoINSERT, selSQLite, QStringLiteral("t2"), 2);
    Run(QStringLiteral("CREATE TABLE t2 AS SELECT * FROM t WHERE 0;"));
    Run(script);
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM t JOIN t2 USING(id) WHERE "
                                   "t.name IS t2.name AND t.r IS t2.r AND t.b IS t2.b AND "
                                   "typeof(t.r)=typeof(t2.r) AND typeof(t.b)=typeof(t2.b)")),
              QStringLiteral("3"));
}

TEST_F(ExportSqlTest, DialectsQuoteNamesAndStrings) {
    EXPECT_EQ(Export(QStringLiteral("SELECT name AS \"a]b\", name FROM t WHERE id=2"), seoINSERT,
                     selMSSQL, QStringLiteral("t"), 1),
              QStringLiteral("INSERT INTO t (\"a]b\", [name]) VALUES \r\n ('a\\b', 'a\\b');;"));
    EXPECT_EQ(Export(QStringLiteral("SELECT name FROM t WHERE id=2"), seoINSERT, selMySQL,
                     QStringLiteral("my t"), 1),
              QStringLiteral("INSERT INTO `my t` (`name`) VALUES \r\n ('a\\\\b');;"));
    Run(QStringLiteral("INSERT INTO s VALUES('Grüße');"));
    EXPECT_EQ(
        Export(QStringLiteral("SELECT n FROM s"), seoINSERT, selMSSQL, QStringLiteral("s"), 5),
        QStringLiteral("INSERT INTO s ([n]) VALUES \r\n(N'Grüße');"));
    // Oracle always writes one row per statement.
    EXPECT_EQ(
        Export(QStringLiteral("SELECT id FROM t WHERE id<3"), seoINSERT, selOracle,
               QStringLiteral("t"), 10),
        QStringLiteral(
            "INSERT INTO t (\"id\") VALUES \r\n (1);INSERT INTO t (\"id\") VALUES \r\n (2);;"));
}

TEST_F(ExportSqlTest, UpdatesUseTheWholePrimaryKey) {
    EXPECT_EQ(
        Export(QStringLiteral("SELECT * FROM k"), seoUPDATE, selSQLite, QStringLiteral("k"), 1),
        QStringLiteral("UPDATE k SET \"v\"='one' WHERE \"b\"='x' AND \"a\"=1;\r\n"
                       "UPDATE k SET \"v\"='two' WHERE \"b\"='y' AND \"a\"=2;\r\n"));
    Export(QStringLiteral("SELECT a, v FROM k"), seoUPDATE, selSQLite, QStringLiteral("k"), 1,
           false);
    EXPECT_EQ(db.LastError(), QStringLiteral("Cannot Update a Table without a Primary Key"));
    Export(QStringLiteral("SELECT x FROM \"my t\""), seoUPDATE, selSQLite, QStringLiteral("my t"),
           1, false);
    EXPECT_EQ(db.LastError(), QStringLiteral("Cannot Update a Table without a Primary Key"));
    // The statements run and change exactly the rows they name.
    const QString fix = Export(QStringLiteral("SELECT a, b, upper(v) AS v FROM k"), seoUPDATE,
                               selSQLite, QStringLiteral("k"), 1);
    Run(fix);
    EXPECT_EQ(Value(QStringLiteral("SELECT group_concat(v) FROM k ORDER BY a")),
              QStringLiteral("ONE,TWO"));
}

TEST_F(ExportSqlTest, TableNameIsGuessedFromWholeNames) {
    // "s" occurs inside SELECT and "t" inside "FROM t2"-like words: only real names count.
    Run(QStringLiteral("CREATE TABLE ts(x); INSERT INTO ts VALUES(1);"));
    EXPECT_EQ(Export(QStringLiteral("SELECT x FROM ts"), seoINSERT, selSQLite, QString(), 0),
              QStringLiteral("INSERT INTO ts (\"x\") VALUES \r\n(1);"));
    EXPECT_EQ(Export(QStringLiteral("SELECT x FROM main.\"my t\" UNION SELECT 5"), seoINSERT,
                     selSQLite, QStringLiteral("new_table"), 0),
              QStringLiteral("INSERT INTO \"my t\" (\"x\") VALUES \r\n(5);"));
}

TEST_F(ExportSqlTest, MemoryLimitStopsAfterARow) {
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    ASSERT_TRUE(db.QueryToSQLStream(&buf, QStringLiteral("SELECT id FROM t"), seoINSERT, selSQLite,
                                    QStringLiteral("t"), 0, 10));
    EXPECT_EQ(buf.data(), QByteArray("INSERT INTO t (\"id\") VALUES \r\n(1);"));
}

TEST_F(ExportSqlTest, TextKeepsEveryByteThroughThePeerShell) {
    Run(QStringLiteral("CREATE TABLE f(k INTEGER PRIMARY KEY, v);"
                       "INSERT INTO f VALUES (1, 'a' || char(0) || 'b'), (2, CAST(X'FF' AS TEXT)),"
                       " (3, 'after'), (4, 'cr' || char(13) || char(10) || 'lf ''q''');"));
    for (int rows : {0, 1, 2}) {
        QBuffer buf;
        buf.open(QIODevice::WriteOnly);
        ASSERT_TRUE(db.QueryToSQLStream(&buf, QStringLiteral("SELECT * FROM f"), seoINSERT,
                                        selSQLite, QStringLiteral("t2"), rows, 0))
            << db.LastError().toStdString();
        EXPECT_FALSE(buf.data().contains('\0'));
        // Loaded by the sqlite3 shell into t2, the rows equal the originals.
        const QString want = dir.filePath(QStringLiteral("want%1.db").arg(rows));
        const QString got = dir.filePath(QStringLiteral("got%1.db").arg(rows));
        Shell(want, QStringLiteral("ATTACH '%1' AS o; CREATE TABLE t2(k INTEGER PRIMARY KEY, v);"
                                   "INSERT INTO t2 SELECT * FROM o.f;")
                        .arg(path));
        Shell(got, QStringLiteral("CREATE TABLE t2(k INTEGER PRIMARY KEY, v);"));
        const ProcessResult r = RunProgram(QStringLiteral(SQLITE3_SHELL_PATH),
                                           {QStringLiteral("-bail"), got}, buf.data());
        EXPECT_EQ(r.code, 0) << r.err.toStdString() << buf.data().toStdString();
        EXPECT_EQ(Shell(got, QStringLiteral("SELECT count(*) FROM t2;")), QByteArray("4"));
        EXPECT_EQ(QString::fromUtf8(SqlDiff(want, got)), QString());
    }
}

TEST_F(ExportSqlTest, UpdateWithNothingToSetIsRefusedBeforeWriting) {
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    EXPECT_FALSE(db.QueryToSQLStream(&buf, QStringLiteral("SELECT id FROM t"), seoUPDATE, selSQLite,
                                     QStringLiteral("t"), 1, 0));
    EXPECT_EQ(db.LastError(), QStringLiteral("Cannot Update: every column of the result belongs "
                                             "to the Primary Key, so there is nothing to set"));
    EXPECT_TRUE(buf.data().isEmpty()) << buf.data().toStdString();
    Export(QStringLiteral("SELECT b, a FROM k"), seoUPDATE, selSQLite, QStringLiteral("k"), 1,
           false);
    EXPECT_TRUE(db.LastError().startsWith(QStringLiteral("Cannot Update: every column")));
}

TEST_F(ExportSqlTest, SchemaQualifiedTableIsWrittenInTwoParts) {
    EXPECT_EQ(Export(QStringLiteral("SELECT id FROM t WHERE id=1"), seoINSERT, selSQLite,
                     QStringLiteral("main.t"), 0),
              QStringLiteral("INSERT INTO \"main\".\"t\" (\"id\") VALUES \r\n(1);"));
    EXPECT_EQ(Export(QStringLiteral("SELECT id FROM t WHERE id=1"), seoINSERT, selMySQL,
                     QStringLiteral("main.\"my t\""), 0),
              QStringLiteral("INSERT INTO `main`.`my t` (`id`) VALUES \r\n(1);"));
    // A dot inside a quoted name is part of the name.
    EXPECT_EQ(Export(QStringLiteral("SELECT id FROM t WHERE id=1"), seoINSERT, selSQLite,
                     QStringLiteral("\"a.b\""), 0),
              QStringLiteral("INSERT INTO \"a.b\" (\"id\") VALUES \r\n(1);"));
    // The key of an UPDATE is looked up in the named schema.
    const QString update = Export(QStringLiteral("SELECT id, name FROM t WHERE id=1"), seoUPDATE,
                                  selSQLite, QStringLiteral("main.t"), 1);
    EXPECT_EQ(update,
              QStringLiteral("UPDATE \"main\".\"t\" SET \"name\"='O''Brien' WHERE \"id\"=1;\r\n"));
    Run(update);
}

TEST_F(ExportSqlTest, FailedWritesFailTheExport) {
    QFile full(QStringLiteral("/dev/full"));
    ASSERT_TRUE(full.open(QIODevice::WriteOnly));
    for (TSQLiteExportOperation op : {seoINSERT, seoUPDATE}) {
        EXPECT_FALSE(db.QueryToSQLStream(&full, QStringLiteral("SELECT * FROM t"), op, selSQLite,
                                         QStringLiteral("t"), 1, 0));
        EXPECT_TRUE(db.LastError().startsWith(QStringLiteral("Cannot write the export: ")))
            << db.LastError().toStdString();
        EXPECT_FALSE(db.IsBusy());
    }
}

} // namespace
} // namespace sky::test
