// The table compare on real files: layout blocks and counts, the pairing key
// (shared primary key, composite, rowid, none possible), the typed value
// test, the 1000-row note, fixes (quoting, key literals, duplicates), the
// apply with one row per fix and failures rolled back, and a hostile corpus
// whose fixes, applied by the program and by the sqlite3 shell, leave
// sqldiff nothing to report but rows the compared table has on its own.
#include "analysis/TableCompare.h"

#include "common/FaultInject.h"
#include "common/Process.h"
#include "common/TempDb.h"

#include <QFile>
#include <tuple>

namespace sky::test {
namespace {

class TableCompareTest : public TempDbTest {
protected:
    TableCompare c;
    bool Open(const char* t1 = "t1", const char* t2 = "t2") {
        return c.compare(&db, QString::fromUtf8(t1), QString::fromUtf8(t2));
    }
    QString Scalar(const QString& sql) {
        QString v;
        db.QuerySingleValue(v, sql);
        return v;
    }
};

TEST_F(TableCompareTest, LayoutsBlockByBlock) {
    Run("CREATE TABLE t1(id INTEGER PRIMARY KEY, Name TEXT NOT NULL, qty INT DEFAULT 0, only1);"
        "CREATE TABLE t2(qty INTEGER DEFAULT 0, name TEXT NOT NULL, ID INTEGER PRIMARY KEY,"
        " only2 TEXT COLLATE NOCASE);"
        "CREATE TABLE same1(a INT, b TEXT); CREATE TABLE same2(a INT, b TEXT);"
        "CREATE TABLE other(x, y);");
    ASSERT_TRUE(Open()) << c.lastError.toStdString();
    const LayoutComparison& l = c.layout;
    EXPECT_EQ(l.caption, "DB Comparison:   [ t1 ]   vs.  [ t2 ]");
    EXPECT_EQ(l.headers,
              (QStringList{"Item", "Property", "t1 properties", "t2 properties", " ! "}));
    ASSERT_EQ(l.rows.size(), 5 * 8); // four of t1, one left over of t2
    EXPECT_EQ(l.rows[0].left, "id");
    EXPECT_EQ(l.rows[0].right, "ID");
    EXPECT_TRUE(l.rows[0].mark); // names differ in case
    EXPECT_EQ(l.rows[2].left, "P/K");
    EXPECT_EQ(l.rows[8 + 2].left, "Not Null");
    // qty: INT against INTEGER.
    EXPECT_EQ(l.rows[16 + 1].item, "  !  ");
    EXPECT_EQ(l.rows[16 + 1].left, "INT");
    EXPECT_TRUE(l.rows[16 + 1].mark);
    EXPECT_FALSE(l.rows[16 + 4].mark); // same default
    EXPECT_EQ(l.rows[24].left, "only1");
    EXPECT_TRUE(l.rows[24].right.isEmpty());
    EXPECT_EQ(l.rows[32].right, "only2");
    EXPECT_EQ(l.similar, 3);
    EXPECT_EQ(l.missing, 2);
    // id and Name (case), qty (type): one-sided blocks do not count.
    EXPECT_EQ(l.discrepancies, 3);
    EXPECT_TRUE(l.banner.isEmpty());
    EXPECT_TRUE(l.dataEnabled);

    ASSERT_TRUE(Open("same1", "same2"));
    EXPECT_EQ(c.layout.banner, kSameBanner);
    EXPECT_EQ(c.layout.headers[4], "");
    ASSERT_TRUE(Open("same1", "other"));
    EXPECT_EQ(c.layout.banner, kNothingBanner);
    EXPECT_FALSE(c.layout.dataEnabled);
    DataComparison d;
    EXPECT_FALSE(c.CompareData(d));
    EXPECT_EQ(d.error, kNothingInCommon);

    // Refusals.
    EXPECT_FALSE(Open("t1", "T1"));
    EXPECT_EQ(c.lastError, kCompareSelf);
    EXPECT_FALSE(Open("t1", "nope"));
    EXPECT_EQ(c.lastError, kTableNotFound);
    EXPECT_FALSE(c.compare(nullptr, "t1", "t2"));
    EXPECT_EQ(c.lastError, kNullDbReference);
}

TEST_F(TableCompareTest, PairingTypedValuesAndTheNote) {
    Run("CREATE TABLE a(k TEXT, v, n REAL, PRIMARY KEY (k));"
        "CREATE TABLE b(k TEXT PRIMARY KEY, v, n REAL);"
        "INSERT INTO a VALUES ('007', 1, 0.0), ('7', 'x', 1), ('1,000', NULL, 2),"
        " ('O''Hara', x'00', 3), ('same', 'abc', -0.0), ('gone', 1, 1);"
        "INSERT INTO b VALUES ('007', '1', 0.0), ('7', 'X', 1.0), ('1,000', '', 2),"
        " ('O''Hara', x'01', 3), ('same', 'abc', 0.0), ('extra', 1, 1);");
    ASSERT_TRUE(Open("a", "b"));
    DataComparison d;
    ASSERT_TRUE(c.CompareData(d)) << d.error.toStdString();
    EXPECT_TRUE(d.sharedKey);
    EXPECT_EQ(d.keyColumns, QStringList{"k"});
    EXPECT_EQ(d.compared, (QStringList{"v", "n"}));
    EXPECT_EQ(d.GridHeaders(), (QStringList{"PK", "TableB", "v", "v", "n", "n"}));
    // 1 against '1', 'x' against 'X', NULL against '', two blobs: all differ;
    // 0.0 against -0.0 and 1 against 1.0 do not; 'same' is not listed.
    ASSERT_EQ(d.rows.size(), 5);
    EXPECT_EQ(d.rows[0].KeyText(), "007");
    EXPECT_EQ(d.rows[0].differs, (QList<bool>{true, false}));
    EXPECT_EQ(d.rows[1].differs, (QList<bool>{true, false}));
    EXPECT_EQ(d.rows[2].differs, (QList<bool>{true, false}));
    EXPECT_EQ(d.rows[3].differs, (QList<bool>{true, false}));
    EXPECT_TRUE(d.rows[4].missing);
    EXPECT_EQ(d.rows[4].KeyText(), "gone");
    EXPECT_EQ(d.missingRows, 1);
    EXPECT_EQ(d.discrepancies, 4);
    EXPECT_EQ(d.note, "  (Showing All) ");
    EXPECT_EQ(d.header, "Data discrepancies between \"a\" and \"b\"");
    // Text keys are quoted from their type: '007' never becomes 7.
    EXPECT_EQ(c.FixStatement(d, d.rows[0], 1, 0),
              "UPDATE \"b\" SET \"v\"=(SELECT \"v\" FROM a WHERE \"k\"='007') WHERE \"k\"='007';");
    EXPECT_EQ(c.FixStatement(d, d.rows[2], 2, 0),
              "UPDATE \"a\" SET \"v\"=(SELECT \"v\" FROM b WHERE \"k\"='1,000') WHERE "
              "\"k\"='1,000';");
    EXPECT_EQ(c.FixStatement(d, d.rows[4], 3, 0),
              "INSERT INTO b (k, v, n) SELECT k, v, n FROM a WHERE \"k\"='gone';");
    EXPECT_TRUE(c.FixStatement(d, d.rows[0], 1, 1).isEmpty()); // equal values: no fix
    EXPECT_TRUE(c.FixStatement(d, d.rows[0], 3, 0).isEmpty()); // not a missing row
    FixList fixes;
    EXPECT_TRUE(fixes.Add(c.FixStatement(d, d.rows[3], 1, 0)));
    EXPECT_FALSE(fixes.Add(c.FixStatement(d, d.rows[3], 1, 0))); // once
    EXPECT_TRUE(fixes.Add(c.FixStatement(d, d.rows[4], 3, 0)));
    EXPECT_EQ(fixes.Lines().size(), 2);
    EXPECT_TRUE(fixes.Script().startsWith("BEGIN TRANSACTION;\r\n\r\n  UPDATE \"b\" SET \"v\"="));
    EXPECT_TRUE(fixes.Script().endsWith(";\r\n\r\nEND TRANSACTION;"));
    QString message;
    ASSERT_TRUE(ApplyFixes(db, fixes.Statements(), message)) << message.toStdString();
    EXPECT_EQ(message, kFixesApplied);
    EXPECT_EQ(Scalar("SELECT hex(v) FROM b WHERE k = 'O''Hara'"), "00");
    EXPECT_EQ(Scalar("SELECT count(*) FROM b"), "7");
    fixes.Clear();
    EXPECT_TRUE(fixes.Script().isEmpty());
}

TEST_F(TableCompareTest, RowidCompositeKeysAndTheLimit) {
    Run("CREATE TABLE r1(name TEXT, qty INT); CREATE TABLE r2(name TEXT, qty INT);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000)"
        " INSERT INTO r1 SELECT 'n' || i, i FROM n;"
        "INSERT INTO r2 SELECT name, qty + 1 FROM r1 WHERE rowid < 1000;"
        "CREATE TABLE w1(a INT, b TEXT, v, PRIMARY KEY (a, b)) WITHOUT ROWID;"
        "CREATE TABLE w2(a INT, b TEXT, v, PRIMARY KEY (a, b)) WITHOUT ROWID;"
        "INSERT INTO w1 VALUES (1, 'x', 1), (1, 'y', 2), (2, 'x', 3);"
        "INSERT INTO w2 VALUES (1, 'x', 1), (1, 'y', 20);"
        "CREATE TABLE n1(a INT, v) ; CREATE TABLE n2(a INT PRIMARY KEY, v) WITHOUT ROWID;");
    ASSERT_TRUE(Open("r1", "r2"));
    DataComparison d;
    ASSERT_TRUE(c.CompareData(d));
    EXPECT_FALSE(d.sharedKey);
    EXPECT_EQ(d.keyColumns, QStringList{"rowid"});
    EXPECT_EQ(d.GridHeaders()[0], "rowid");
    ASSERT_EQ(d.rows.size(), 1000); // 999 differ, one missing
    EXPECT_EQ(d.note, "  (Showing first 1000) ");
    EXPECT_EQ(d.missingRows, 1);
    ASSERT_TRUE(c.CompareData(d, 0));
    EXPECT_EQ(d.note, "  (Showing All) ");
    Run("DELETE FROM r1 WHERE rowid = 1000;");
    ASSERT_TRUE(c.CompareData(d));
    EXPECT_EQ(d.rows.size(), 999);
    EXPECT_EQ(d.note, "  (Showing All) ");
    EXPECT_EQ(c.FixStatement(d, d.rows[0], 1, 1),
              "UPDATE \"r2\" SET \"qty\"=(SELECT \"qty\" FROM r1 WHERE \"rowid\"=1) WHERE "
              "\"rowid\"=1;");

    ASSERT_TRUE(Open("w1", "w2"));
    ASSERT_TRUE(c.CompareData(d));
    EXPECT_EQ(d.keyColumns, (QStringList{"a", "b"}));
    ASSERT_EQ(d.rows.size(), 2);
    EXPECT_EQ(d.rows[0].KeyText(), "1, y");
    EXPECT_EQ(c.FixStatement(d, d.rows[0], 1, 0),
              "UPDATE \"w2\" SET \"v\"=(SELECT \"v\" FROM w1 WHERE \"a\"=1 AND \"b\"='y') WHERE "
              "\"a\"=1 AND \"b\"='y';");
    EXPECT_EQ(c.FixStatement(d, d.rows[1], 3, 0),
              "INSERT INTO w2 (a, b, v) SELECT a, b, v FROM w1 WHERE \"a\"=2 AND \"b\"='x';");

    ASSERT_TRUE(Open("n1", "n2")); // no shared key, and no rowid to pair by
    EXPECT_FALSE(c.CompareData(d));
    EXPECT_EQ(d.error, kNoPairing);
}

TEST_F(TableCompareTest, QuotedNamesAndTheExampleQuery) {
    Run("CREATE TABLE t1(id INTEGER PRIMARY KEY, name TEXT, qty INT);"
        "CREATE TABLE t2(id INTEGER PRIMARY KEY, name TEXT, qty INT);"
        "CREATE TABLE \"my table\"(\"order\" INTEGER PRIMARY KEY, \"odd \"\"name\" TEXT);"
        "CREATE TABLE \"order\"(\"order\" INTEGER PRIMARY KEY, \"odd \"\"name\" TEXT);"
        "INSERT INTO \"my table\" VALUES (1, 'a'), (2, 'b');"
        "INSERT INTO \"order\" VALUES (1, 'z');");
    ASSERT_TRUE(Open());
    DataComparison d;
    ASSERT_TRUE(c.PrepareData(d));
    EXPECT_EQ(d.query,
              "SELECT A.\"id\", ifNull(B.\"id\",'<#NULLROW>') AS TableB, A.\"name\",B.\"name\", "
              "A.\"qty\",B.\"qty\"\r\nFROM t1 AS A LEFT JOIN t2 AS B ON A.\"id\"=B.\"id\"\r\n"
              "WHERE (B.\"id\" IS NULL) OR (A.\"id\"<>B.\"id\") OR (A.\"name\" IS NOT "
              "B.\"name\") OR (A.\"qty\" IS NOT B.\"qty\")\r\nLIMIT 1000;");
    ASSERT_TRUE(Open("my table", "order"));
    ASSERT_TRUE(c.CompareData(d)) << d.error.toStdString();
    ASSERT_EQ(d.rows.size(), 2);
    FixList fixes;
    fixes.Add(c.FixStatement(d, d.rows[0], 1, 0));
    fixes.Add(c.FixStatement(d, d.rows[1], 3, 0));
    EXPECT_EQ(fixes.Statements()[1], "INSERT INTO \"order\" (\"order\", \"odd \"\"name\") SELECT "
                                     "\"order\", \"odd \"\"name\" FROM \"my table\" WHERE "
                                     "\"order\"=2;");
    QString message;
    ASSERT_TRUE(ApplyFixes(db, fixes.Statements(), message)) << message.toStdString();
    EXPECT_FALSE(c.CompareData(d));
    EXPECT_EQ(d.error, kNoDiscrepancy);
}

TEST_F(TableCompareTest, FailedAppliesChangeNothing) {
    Run("CREATE TABLE t1(id INTEGER PRIMARY KEY, v INT);"
        "CREATE TABLE t2(id INTEGER PRIMARY KEY, v INT CHECK (v < 100));"
        "INSERT INTO t1 VALUES (1, 5), (2, 500), (3, 7);"
        "INSERT INTO t2 VALUES (1, 6), (2, 50);");
    ASSERT_TRUE(Open());
    DataComparison d;
    ASSERT_TRUE(c.CompareData(d));
    ASSERT_EQ(d.rows.size(), 3);
    FixList fixes;
    for (const CmpRow& r : d.rows)
        fixes.Add(r.missing ? c.FixStatement(d, r, 3, 0) : c.FixStatement(d, r, 1, 0));
    QString message;
    EXPECT_FALSE(ApplyFixes(db, fixes.Statements(), message)); // 500 breaks the CHECK
    EXPECT_TRUE(message.startsWith("DB Error while loading transaction: "))
        << message.toStdString();
    EXPECT_EQ(Scalar("SELECT group_concat(id || '=' || v) FROM t2"), "1=6,2=50");
    EXPECT_EQ(fixes.Lines().size(), 3); // kept for another try
    // A fix that no longer meets its row.
    EXPECT_FALSE(ApplyFixes(
        db, {"UPDATE \"t2\" SET \"v\"=(SELECT \"v\" FROM t1 WHERE \"id\"=9) WHERE \"id\"=9;"},
        message));
    EXPECT_EQ(message, "DB Error while loading transaction: Fix did not change exactly one row: "
                       "UPDATE \"t2\" SET \"v\"=(SELECT \"v\" FROM t1 WHERE \"id\"=9) WHERE "
                       "\"id\"=9;");
    // Disk full in the middle.
    Run("CREATE TABLE big1(id INTEGER PRIMARY KEY, v TEXT); CREATE TABLE big2(id INTEGER "
        "PRIMARY KEY, v TEXT);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300)"
        " INSERT INTO big1 SELECT i, randomblob(2000) FROM n;");
    ASSERT_TRUE(Open("big1", "big2"));
    ASSERT_TRUE(c.CompareData(d));
    fixes.Clear();
    for (const CmpRow& r : d.rows)
        fixes.Add(c.FixStatement(d, r, 3, 0));
    SetMaxPageCount(db.Handle(), 20);
    EXPECT_FALSE(ApplyFixes(db, fixes.Statements(), message));
    EXPECT_TRUE(message.startsWith("DB Error while loading transaction: "))
        << message.toStdString();
    EXPECT_EQ(Scalar("SELECT count(*) FROM big2"), "0");
    db.Close();
    EXPECT_EQ(IntegrityCheck(path), "ok");
}

// Pairs of tables with the same schema and hostile values: after the fixes
// (by --apply, and by the shell running --fix-sql) sqldiff finds only rows
// the compared table has on its own.
TEST_F(TableCompareTest, FixesLeaveSqldiffNothingToSay) {
    const struct {
        const char* schema; // with %1 for the table name
        const char* rows1;
        const char* rows2;
        bool key;
    } pairs[] = {
        {"CREATE TABLE %1(id INTEGER PRIMARY KEY, v, n REAL)",
         "(1, NULL, 1), (2, 1, 1e999), (3, x'00ff', -0.0), (4, 'NaN', 0), (5, 'same', 5)",
         "(1, '', 1.0), (2, '1', 1e999), (3, x'00fe', 0.0), (4, 'nan', 0), (5, 'same', 5), (9, 1, "
         "1)",
         true},
        {"CREATE TABLE %1(code TEXT PRIMARY KEY, qty)",
         "('007', 1), ('7', 2), ('1,000', 3), ('O''Hara', 4)", "('007', 2), ('7', 2), ('x', 0)",
         true},
        {"CREATE TABLE %1(a INT, b TEXT, v, PRIMARY KEY (b, a)) WITHOUT ROWID",
         "(1, 'x', 1), (2, 'x', NULL), (1, 'y', 'Infinity')", "(1, 'x', 2), (1, 'y', 'infinity')",
         true},
        {"CREATE TABLE %1(v TEXT, w)", "('a', 1), ('a', 1), ('b', 2)", "('a', 1), ('c', 2)", false},
        {"CREATE TABLE %1(\"select\" INTEGER, \"my col\" TEXT, PRIMARY KEY (\"select\"))",
         "(1, 'o\"q'), (2, 'b')", "(1, 'o''q'), (3, 'z')", true},
    };
    int n = 0;
    for (const auto& p : pairs) {
        for (int via = 0; via < 2; ++via) {
            const QString file = dir.filePath(QStringLiteral("pair%1_%2.db").arg(n).arg(via));
            {
                TSQLite3Database d;
                ASSERT_TRUE(d.Open(file));
                const QString s = QString::fromUtf8(p.schema);
                ASSERT_TRUE(d.ExecuteList(s.arg("\"left one\"") + ";" + s.arg("\"right one\"") +
                                          ";INSERT INTO \"left one\" VALUES " + p.rows1 +
                                          ";INSERT INTO \"right one\" VALUES " + p.rows2 + ";"))
                    << d.LastError().toStdString();
            }
            if (via == 0) {
                const ProcessResult r = Cli({"compare", file, "left one", "right one", "--apply"});
                ASSERT_EQ(r.code, 0) << p.schema << " " << r.err.toStdString();
                EXPECT_EQ(r.out, "All Fixes applied.\r\n");
            } else {
                const ProcessResult r =
                    Cli({"compare", file, "left one", "right one", "--fix-sql"});
                ASSERT_EQ(r.code, 0) << r.err.toStdString();
                const ProcessResult shell =
                    RunProgram(QStringLiteral(SQLITE3_SHELL_PATH), {"-bail", file}, r.out);
                ASSERT_EQ(shell.code, 0) << shell.err.toStdString() << r.out.toStdString();
            }
            // Each table alone as T in its own file.
            const QString a = file + ".left", b = file + ".right";
            for (const auto& [copy, keep, drop] :
                 {std::tuple{a, "left one", "right one"}, std::tuple{b, "right one", "left one"}}) {
                QFile::remove(copy);
                const QByteArray out = Shell(file, QStringLiteral("VACUUM INTO '%1'").arg(copy));
                EXPECT_TRUE(out.isEmpty()) << out.toStdString();
                Shell(copy, QStringLiteral("DROP TABLE \"%1\"; ALTER TABLE \"%2\" RENAME TO T;")
                                .arg(QLatin1String(drop), QLatin1String(keep)));
            }
            QStringList args;
            if (p.key) args << "--primarykey";
            args << "--table"
                 << "T" << b << a;
            const ProcessResult diff = RunProgram(QStringLiteral(SQLDIFF_PATH), args);
            ASSERT_EQ(diff.code, 0) << diff.err.toStdString();
            for (const QByteArray& line : diff.out.split('\n')) {
                if (line.trimmed().isEmpty()) continue;
                EXPECT_TRUE(line.startsWith("DELETE FROM"))
                    << p.schema << " via " << via << ": " << line.toStdString();
            }
            // And the compare agrees: nothing left.
            const ProcessResult again = Cli({"compare", file, "left one", "right one", "--data"});
            EXPECT_EQ(again.out, (kNoDiscrepancy + "\r\n").toUtf8()) << p.schema;
        }
        ++n;
    }
}

TEST_F(TableCompareTest, CommandLine) {
    Run("CREATE TABLE t1(id INTEGER PRIMARY KEY, name TEXT, qty INT);"
        "CREATE TABLE t2(id INTEGER PRIMARY KEY, name TEXT, qty INT);"
        "INSERT INTO t1 VALUES (1, 'a, b', 1), (2, 'b', 2), (7, 'x', 5);"
        "INSERT INTO t2 VALUES (1, 'a, b', 1), (7, 'x', 6);");
    db.Close();
    ProcessResult r = Cli({"compare", path, "t1", "t2"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("DB Comparison:   [ t1 ]   vs.  [ t2 ]\r\nItem,Property,t1 "
                                 "properties,t2 properties,\r\nColumn,,id,id,\r\n"));
    EXPECT_TRUE(r.out.endsWith("Similar Objects: 3\r\nMissing Objects: 0\r\nProperty "
                               "discrepancies: 0\r\n" +
                               kSameBanner.toUtf8() + "\r\n"));
    r = Cli({"compare", path, "t1", "t2", "--data"});
    EXPECT_EQ(r.out, "PK,TableB,name,name,qty,qty\r\n2,<#NULLROW>,b,NULL,2,NULL\r\n"
                     "7,7,x,x,5,6\r\nTotal missing Rows: 1\r\nTotal Data discrepancies: 1\r\n"
                     "(Showing All)\r\nData discrepancies between \"t1\" and \"t2\"\r\n");
    r = Cli({"compare", path, "t1", "t2", "--fix-sql", "--direction", "left"});
    EXPECT_EQ(r.out, "BEGIN TRANSACTION;\r\n\r\n  UPDATE \"t1\" SET \"qty\"=(SELECT \"qty\" FROM "
                     "t2 WHERE \"id\"=7) WHERE \"id\"=7;\r\n\r\nEND TRANSACTION;\r\n");
    EXPECT_EQ(Cli({"compare", path, "t1", "T1"}).err.trimmed(), kCompareSelf);
    // A failed apply: its reason, exit 1, the file as it was.
    {
        TSQLite3Database d;
        ASSERT_TRUE(d.Open(path));
        ASSERT_TRUE(d.ExecuteList("CREATE TABLE t3(id INTEGER PRIMARY KEY, name TEXT, qty INT "
                                  "CHECK (qty < 6)); INSERT INTO t3 VALUES (7, 'x', 5);"));
    }
    const QByteArray before = Shell(path, "SELECT * FROM t3;");
    r = Cli({"compare", path, "t2", "t3", "--apply"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith("DB Error while loading transaction: ")) << r.err.toStdString();
    EXPECT_EQ(Shell(path, "SELECT * FROM t3;"), before);
    EXPECT_EQ(IntegrityCheck(path), "ok");
    EXPECT_EQ(Cli({"compare", path, "t1", "none"}).code, 1);
    EXPECT_EQ(Cli({"compare", path, "t1", "t2", "--data", "--query"}).code, 2);
    EXPECT_EQ(Cli({"compare", path, "t1", "t2", "--direction", "up"}).code, 2);
}

} // namespace
} // namespace sky::test
