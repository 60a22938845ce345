// Statements written from the table and view models must run in the sqlite3
// shell whatever the stored text ends with, and a script of every table of a
// database must not create a table twice.
#include "common/Process.h"
#include "common/TempDb.h"
#include "design/ScriptTables.h"
#include "design/TableLayout.h"
#include "design/Views.h"

#include <sqlite3.h>

namespace sky::test {
namespace {

class ScriptStatementsTest : public TempDbTest {
protected:
    // Runs SQL exactly as given through the C interface.
    void Raw(const char* sql) {
        char* err = nullptr;
        ASSERT_EQ(sqlite3_exec(db.Handle(), sql, nullptr, nullptr, &err), SQLITE_OK)
            << (err ? err : "") << " in " << sql;
    }
    // The script run by the sqlite3 shell in a new database; its schema.
    QByteArray Load(const QString& script) {
        const QString target = dir.filePath(QStringLiteral("load%1.db").arg(++FLoads));
        const ProcessResult r = RunProgram(QStringLiteral(SQLITE3_SHELL_PATH),
                                           {QStringLiteral("-bail"), target}, script.toUtf8());
        EXPECT_EQ(r.code, 0) << r.err.toStdString() << "\n" << script.toStdString();
        return Shell(target, QStringLiteral("SELECT type, name FROM sqlite_master ORDER BY 1, 2;"));
    }
    QString TableSql(const QString& table) {
        TTableLayout layout;
        QString why;
        EXPECT_TRUE(convDBTableToLayout(db, QString(), layout, table, &why)) << why.toStdString();
        return convTableLayoutToSQL(layout);
    }

private:
    int FLoads = 0;
};

TEST_F(ScriptStatementsTest, ColumnCheckEndingInACommentStaysOpenToItsBracket) {
    Raw("CREATE TABLE t1(a int check(a > 0 -- positive\n), b)");
    Raw("CREATE TABLE t2(a int CONSTRAINT c check(a < 9 /* block */ -- line\n) NOT NULL)");
    for (const char* t : {"t1", "t2"}) {
        const QString sql = TableSql(QLatin1String(t));
        EXPECT_EQ(Load(sql), QByteArray("table|") + t) << sql.toStdString();
    }
    // The CHECK still works in the copy.
    const QString sql = TableSql(QStringLiteral("t1"));
    const QString copy = dir.filePath(QStringLiteral("check.db"));
    RunProgram(QStringLiteral(SQLITE3_SHELL_PATH), {copy}, sql.toUtf8());
    EXPECT_NE(RunProgram(QStringLiteral(SQLITE3_SHELL_PATH),
                         {copy, QStringLiteral("INSERT INTO t1 VALUES (-1, 0);")})
                  .code,
              0);
}

TEST_F(ScriptStatementsTest, ViewColumnListAndSelectEndingInComments) {
    Raw("CREATE TABLE t(a, b)");
    Raw("CREATE VIEW v(x -- c\n) AS SELECT a FROM t");
    Raw("CREATE VIEW w AS SELECT a FROM t -- note");
    Raw("CREATE VIEW u(p, q /* c */ -- d\n) AS SELECT a, b FROM t /* open");
    for (const char* name : {"v", "w", "u"}) {
        TViewLayout view;
        ASSERT_TRUE(readView(db, QLatin1String(name), view, QString()))
            << view.Comment.toStdString();
        const QString sql =
            QStringLiteral("CREATE TABLE t(a, b);\n") + sqlFrom(view) + QStringLiteral(";\n");
        EXPECT_EQ(Load(sql), QByteArray("table|t\nview|") + name) << sql.toStdString();
    }
}

TEST_F(ScriptStatementsTest, ShadowTablesAreLeftToTheirVirtualTable) {
    Raw("CREATE TABLE first(a)");
    Raw("CREATE VIRTUAL TABLE ft USING fts5(a)");
    Raw("CREATE TABLE last(b)");
    QStringList names;
    QString why;
    ASSERT_TRUE(TablesForScript(db, QString(), names, &why)) << why.toStdString();
    EXPECT_EQ(names,
              (QStringList{QStringLiteral("first"), QStringLiteral("ft"), QStringLiteral("last")}));
    QString script;
    for (const QString& t : names)
        script += TableSql(t);
    const QByteArray schema = Load(script);
    EXPECT_TRUE(schema.contains("table|ft\n")) << schema.toStdString();
    EXPECT_TRUE(schema.contains("table|ft_data\n")) << schema.toStdString();

    // An attached schema, named in any letter case, is read from its own catalogue.
    Raw("ATTACH ':memory:' AS aux");
    Raw("CREATE VIRTUAL TABLE aux.af USING fts5(x)");
    ASSERT_TRUE(TablesForScript(db, QStringLiteral("AUX"), names, &why)) << why.toStdString();
    EXPECT_EQ(names, QStringList{QStringLiteral("af")});
    EXPECT_FALSE(TablesForScript(db, QStringLiteral("nosuch"), names, &why));
    EXPECT_FALSE(why.isEmpty());
}

} // namespace
} // namespace sky::test
