// The file-import commands as programs: import with the estimated format and
// with options, the warning that undoes the import unless accepted, the
// preview's JSON, import-to-csv read back by the shell, and usage errors.
#include "common/Process.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace sky::test {
namespace {

class FileImportCli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        db = dir.filePath("f.db");
        Shell(db, "CREATE TABLE keep(x);");
        csv = Write("in.csv", "id;name;price\r\n1;\"a;b\";1.5\r\n2;\"say \"\"hi\"\"\";2\r\n");
    }
    QString Write(const QString& name, const QByteArray& bytes) {
        const QString f = dir.filePath(name);
        QFile out(f);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        return f;
    }
    QTemporaryDir dir;
    QString db, csv;
};

TEST_F(FileImportCli, ImportPreviewAndCsv) {
    ProcessResult r = Cli({"import-preview", csv, "--header"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(o.value("separator").toString(), "059");
    EXPECT_EQ(o.value("quote").toString(), "034");
    const QJsonArray cols = o.value("columns").toArray();
    ASSERT_EQ(cols.size(), 3);
    EXPECT_EQ(cols[2].toObject().value("type").toString(), "REAL");
    r = Cli({"import", db, csv, "--table", "t", "--header", "--names", "id,,price"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "t\t2\n");
    EXPECT_EQ(Shell(db, "SELECT group_concat(id || ':' || price || ':' || typeof(price)) FROM t"),
              "1:1.5:real,2:2.0:real");
    EXPECT_EQ(Shell(db, "SELECT count(*) FROM pragma_table_info('t')"), "2");
    const QString out = dir.filePath("out.csv");
    r = Cli({"import-to-csv", csv, out, "--header"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QString back = dir.filePath("back.db");
    RunProgram(QStringLiteral(SQLITE3_SHELL_PATH), {back, ".import --csv " + out + " t"});
    EXPECT_EQ(Shell(back, "SELECT name FROM t ORDER BY rowid"), "a;b\nsay \"hi\"");
}

TEST_F(FileImportCli, WarningsUndoUnlessAcceptedAndUsage) {
    // The longer row lies beyond the preview's 64 KiB: the sheet has two columns.
    QByteArray rows = "a,b\r\n";
    for (int i = 0; i < 14000; ++i)
        rows += "1,2\r\n";
    const QString extra = Write("extra.csv", rows + "3,4,5\r\n");
    ProcessResult r = Cli({"import", db, extra, "--table", "w", "--header"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("has more columns than the Header: 3,4   +[, 5]"))
        << r.err.toStdString();
    EXPECT_EQ(Shell(db, "SELECT count(*) FROM sqlite_master WHERE name='w'"), "0");
    r = Cli({"import", db, extra, "--table", "w", "--header", "--accept-warnings"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Shell(db, "SELECT count(*) || ' ' || max(a || b) FROM w"), "14001 34");
    // An existing table, a bad encoding, no file.
    EXPECT_EQ(Cli({"import", db, extra, "--table", "KEEP"}).code, 1);
    EXPECT_EQ(Cli({"import", db, extra, "--table", "x", "--encoding", "ebcdic"}).code, 2);
    r = Cli({"import", db, dir.filePath("none.csv"), "--table", "x"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("not Found"));
    EXPECT_EQ(Cli({"import-to-csv", extra, extra}).code, 1);
}

} // namespace
} // namespace sky::test
