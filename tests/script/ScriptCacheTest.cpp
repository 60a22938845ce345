// The script cache on real files: item tables per script path, the parse in
// one transaction with the statement count, the file-time check, every item
// command (new, delete and undelete, reset, log modes, store with a split and
// a move, commit), and hostile texts that stay texts.
#include "script/ScriptCache.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace sky {
namespace {

class ScriptCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QString error;
        ASSERT_TRUE(cache.Open(dir.filePath("cache.sqlitedb"), error)) << error.toStdString();
        script = Write("my script-1.sql", "CREATE TABLE t(a);\r\n-- only a comment\r\n;\r\n"
                                          "INSERT INTO t VALUES ('x''); DROP TABLE t; --');\r\n");
    }
    QString Write(const QString& name, const QByteArray& bytes) {
        const QString f = dir.filePath(name);
        QFile out(f);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        return f;
    }
    QStringList Texts() {
        QStringList t;
        for (const CacheItem& i : cache.Items(script))
            t << QString::number(i.srt) + ":" + QString::number(i.status) + ":" + i.sqlEdit;
        return t;
    }
    QTemporaryDir dir;
    ScriptCache cache;
    QString script;
};

TEST_F(ScriptCacheTest, TablesParseAndAge) {
    EXPECT_TRUE(ScriptCache::TableName(script).startsWith("MYSCRIPT1_"));
    const QString other = dir.filePath("sub/my script-1.sql");
    EXPECT_NE(ScriptCache::TableName(script), ScriptCache::TableName(other));
    EXPECT_TRUE(ScriptCache::TableName(dir.filePath("---.sql")).startsWith("SCRIPT_"));
    EXPECT_FALSE(cache.IsCurrent(script));
    QString error;
    EXPECT_EQ(cache.Parse(script, error), 3) << error.toStdString();
    EXPECT_TRUE(cache.IsCurrent(script));
    EXPECT_EQ(Texts(), (QStringList{"1:1:CREATE TABLE t(a);", "2:1:-- only a comment\r\n;",
                                    "3:1:INSERT INTO t VALUES ('x''); DROP TABLE t; --');"}));
    EXPECT_TRUE(cache.Forget(script));
    EXPECT_FALSE(cache.IsCurrent(script));
    EXPECT_TRUE(cache.Touch(script));
    EXPECT_TRUE(cache.IsCurrent(script));
    // A script that cannot be read: the old items stay (the parse rolled back).
    const QString gone = dir.filePath("gone.sql");
    EXPECT_EQ(cache.Parse(gone, error), 0);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(cache.Items(script).size(), 3);
    ScriptCache bad;
    EXPECT_FALSE(bad.Open(dir.filePath("no/such/dir/cache.db"), error));
}

TEST_F(ScriptCacheTest, ItemCommands) {
    QString error;
    ASSERT_EQ(cache.Parse(script, error), 3);
    const QList<CacheItem> items = cache.Items(script);
    const qint64 first = items[0].id, last = items[2].id;
    ASSERT_TRUE(cache.NewItem(script, 1, "", error)) << error.toStdString();
    EXPECT_EQ(Texts()[1], "2:2:-- New Script Item");
    ASSERT_TRUE(cache.ToggleDeleted(script, first, error));
    EXPECT_EQ(cache.Items(script)[0].status, 0);
    ASSERT_TRUE(cache.ToggleDeleted(script, first, error));
    EXPECT_EQ(cache.Items(script)[0].status, 1);
    // An edit into two statements, moved to the front: the item moves, the
    // split-off statement follows it.
    ASSERT_TRUE(cache.Store(script, last, "SELECT 'one';\r\nSELECT 'two';", 1, error))
        << error.toStdString();
    EXPECT_EQ(Texts(),
              (QStringList{"1:2:SELECT 'one';", "2:2:SELECT 'two';", "3:1:CREATE TABLE t(a);",
                           "4:2:-- New Script Item", "5:1:-- only a comment\r\n;"}));
    ASSERT_TRUE(cache.SetLogMode(script, 0, -1, error));
    for (const CacheItem& i : cache.Items(script))
        EXPECT_EQ(i.logMode, -1);
    ASSERT_TRUE(cache.Reset(script, last, error));
    EXPECT_EQ(cache.Items(script)[0].sqlEdit, "INSERT INTO t VALUES ('x''); DROP TABLE t; --');");
    // Commit: deleted items go, "SQL" takes the edits.
    ASSERT_TRUE(cache.ToggleDeleted(script, first, error));
    ASSERT_TRUE(cache.Commit(script, error));
    const QStringList saved = cache.SavedTexts(script);
    EXPECT_EQ(saved.size(), 4);
    EXPECT_FALSE(saved.contains("CREATE TABLE t(a);"));
    for (const CacheItem& i : cache.Items(script))
        EXPECT_EQ(i.status, 1);
}

} // namespace
} // namespace sky
