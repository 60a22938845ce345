// The results commands as programs: quick-sql's texts and selections; the
// copies and saves; query to file against the sqlite3 shell's output and
// onto a full disk; query into a table; the cell actions and their refusals.
#include "common/FaultInject.h"
#include "common/Process.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace sky::test {
namespace {

class ResultsCli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        db = dir.filePath(QStringLiteral("results.db"));
        Shell(db, QStringLiteral("CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT, qty INT);"
                                 "INSERT INTO t VALUES (1, 'one', 1), (2, 'two,2', NULL);"
                                 "CREATE VIEW v AS SELECT name FROM t;"));
    }
    QTemporaryDir dir;
    QString db;
};

TEST_F(ResultsCli, QuickSqlTextsAndSelections) {
    ProcessResult r = Cli({"quick-sql", db, "t", "--kind", "update", "--json"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(r.out).object();
    const QString text = o.value("text").toString();
    EXPECT_EQ(text, "UPDATE t\r\n   SET (name, qty)\r\n     = ('', 0)\r\n WHERE id = NULL\r\n;");
    EXPECT_EQ(text.mid(o.value("selStart").toInt(),
                       o.value("selEnd").toInt() - o.value("selStart").toInt()),
              "NULL");
    r = Cli({"quick-sql", db, "v", "--kind", "create"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "CREATE VIEW v AS SELECT name FROM t;\n");
    // Refusals and usage.
    r = Cli({"quick-sql", db, "v", "--kind", "insert"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.trimmed(), "Not offered for a view: v is a view");
    EXPECT_EQ(Cli({"quick-sql", db, "t", "--kind", "merge"}).code, 2);
    EXPECT_EQ(Cli({"quick-sql", db, "nosuch", "--kind", "select"}).code, 1);
}

TEST_F(ResultsCli, CopiesAndSaves) {
    ProcessResult r = Cli({"results-copy", db, "SELECT * FROM t", "--all", "tab"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "id\tname\tqty\r\n1\tone\t1\r\n2\t\"two,2\"\tNULL");
    r = Cli({"results-copy", db, "SELECT * FROM t", "--row", "2", "--as", "sql-values"});
    EXPECT_EQ(r.out, "VALUES \r\n(2, 'two,2', NULL)");
    r = Cli({"results-copy", db, "SELECT * FROM t", "--column", "name", "--as", "brackets"});
    EXPECT_EQ(r.out, "[one], [two,2]");
    r = Cli({"results-copy", db, "SELECT * FROM t", "--headers", "double"});
    EXPECT_EQ(r.out, "\"id\", \"name\", \"qty\"");
    EXPECT_EQ(Cli({"results-copy", db, "SELECT * FROM t", "--row", "3", "--as", "csv"}).code, 1);
    EXPECT_EQ(
        Cli({"results-copy", db, "SELECT * FROM t", "--all", "csv", "--headers", "list"}).code, 2);
    const QString out = dir.filePath("s.json");
    r = Cli({"results-save", db, "SELECT * FROM t", "--format", "json", "-o", out});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray saved = f.readAll();
    ASSERT_TRUE(saved.startsWith("\xEF\xBB\xBF"));
    QJsonParseError err;
    QJsonDocument::fromJson(saved.mid(3), &err);
    EXPECT_EQ(err.error, QJsonParseError::NoError);
    r = Cli({"results-save", db, "SELECT * FROM t WHERE 0", "--format", "csv", "-o", out});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(QFile::exists(out)); // the old file stays
}

TEST_F(ResultsCli, QueryToFileAgainstTheShellAndAFullDisk) {
    Shell(db, "CREATE TABLE big(i INTEGER, s TEXT, r REAL);"
              "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000)"
              " INSERT INTO big SELECT i, 'row \"' || i || '\", x', i / 7.0 FROM n;");
    const QString csv = dir.filePath("q.csv");
    ProcessResult r = Cli({"query-to-file", db, "SELECT * FROM big", "--kind", "csv", "-o", csv});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const ProcessResult shell = RunProgram(QStringLiteral(SQLITE3_SHELL_PATH),
                                           {"-csv", "-header", db, "SELECT * FROM big"});
    EXPECT_EQ(f.readAll().replace("\r\n", "\n"), shell.out); // the shell ends lines with LF
    f.close();
    // A disk that fills after 20,000 bytes: exit 1, the old file as it was.
    r = RunProgramWithFileLimit(
        QStringLiteral(SKYLARK_CLI_PATH),
        {"query-to-file", db, "SELECT * FROM big", "--kind", "json", "-o", csv}, 20000);
    EXPECT_EQ(r.code, 1);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().replace("\r\n", "\n"), shell.out); // the shell ends lines with LF
    // UPDATE without a table: the notice and the status, exit 1.
    r = Cli(
        {"query-to-file", db, "SELECT * FROM t", "--kind", "update", "--table", "v", "-o", csv});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("\"v\" is not a a valid table")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Invalid Table selected for Export..."));
}

TEST_F(ResultsCli, QueryIntoATable) {
    ProcessResult r = Cli({"query-to-table", db, "SELECT name FROM t", "--table", "r"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "Success importing Query to Table \"r\".\n");
    r = Cli({"query-to-table", db, "SELECT 1", "--table", "r"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith("Table already Exists: r"));
    EXPECT_EQ(Cli({"query-to-table", db, "SELECT 1 AS one", "--table", "r", "--replace"}).code, 0);
    EXPECT_EQ(Shell(db, "SELECT * FROM r"), "1");
    r = Cli({"query-to-table", db, "SELECT 1", "--table", "my table"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("try: mytable")) << r.err.toStdString();
}

TEST_F(ResultsCli, CellActions) {
    auto act = [&](const QStringList& extra) {
        return Cli(QStringList{"cell-action", db, "t", "SELECT id, name AS n, qty FROM t"} + extra);
    };
    ProcessResult r = act({"--row", "2", "--column", "n", "--action", "edit", "--value", "007"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "Value for \"n\" Updated to: '007'\n");
    r = act({"--row", "1", "--column", "qty", "--action", "show-update"});
    EXPECT_EQ(r.out, "UPDATE t\r\n   SET qty = 1 \r\n WHERE id=1;\n");
    r = act({"--row", "1", "--action", "duplicate"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    r = act({"--row", "1", "--action", "remove"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.trimmed(),
              "Permanently remove Row with key values \"id=1\" now? (--yes removes it)");
    EXPECT_EQ(act({"--row", "1", "--action", "remove", "--yes"}).code, 0);
    EXPECT_EQ(Shell(db, "SELECT group_concat(id || quote(name), ' ') FROM t"), "2'007' 3'one'");
    r = act({"--row", "1", "--column", "n", "--action", "unique"});
    EXPECT_EQ(r.out, "name,Count\r\n007,1\r\none,1\n");
    // Refusals: a view's rows, a computed column.
    r = Cli({"cell-action", db, "v", "SELECT name FROM v", "--row", "1", "--action", "duplicate"});
    EXPECT_EQ(r.code, 1);
    r = Cli({"cell-action", db, "t", "SELECT id, qty + 1 FROM t", "--row", "1", "--column", "2",
             "--action", "edit", "--value", "5"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.trimmed(), "A computed value is not a column of t");
}

} // namespace
} // namespace sky::test
