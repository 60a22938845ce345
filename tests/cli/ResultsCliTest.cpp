// The results commands as programs: quick-sql's texts and selections, and
// its refusals.
#include "common/Process.h"

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

} // namespace
} // namespace sky::test
