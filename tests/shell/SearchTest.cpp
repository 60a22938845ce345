// The overview's searches over real files.
#include "shell/Search.h"
#include "common/Process.h"
#include "engine/Database.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace sky {
namespace {

void MakeDb(const QString& file, const QString& sql) {
    TSQLite3Database db;
    ASSERT_TRUE(db.Open(file));
    ASSERT_TRUE(db.ExecuteList(sql)) << db.LastError().toStdString();
}

TEST(Search, FilesTablesAndFields) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("sub"));
    const QString a = dir.filePath(QStringLiteral("shop.sqlitedb")),
                  b = dir.filePath(QStringLiteral("sub/test_shop.db")),
                  junk = dir.filePath(QStringLiteral("junk.db"));
    MakeDb(a, QStringLiteral("CREATE TABLE Customers(id, email); CREATE TABLE cust_x(a);"
                             "CREATE TABLE items(n); CREATE INDEX i_mail ON Customers(email);"));
    MakeDb(b, QStringLiteral("CREATE TABLE CUSTOMER(id); CREATE TABLE log(m);"
                             "CREATE TRIGGER t AFTER INSERT ON log BEGIN SELECT 'email'; END;"));
    QFile j(junk);
    ASSERT_TRUE(j.open(QIODevice::WriteOnly));
    j.write(QByteArray(300, 'x'));
    j.close();

    EXPECT_EQ(FileSearchPattern(QStringLiteral("test")), QStringLiteral("*test*.*"));
    EXPECT_EQ(FileSearchPattern(QStringLiteral("*.*db")), QStringLiteral("*.*db"));
    QStringList messages;
    EXPECT_EQ(FindDatabaseFiles({dir.path()}, QStringLiteral("*.*db"), false, messages),
              QStringList{a});
    const QStringList all =
        FindDatabaseFiles({dir.path()}, QStringLiteral("*.*db"), true, messages);
    EXPECT_EQ(all, (QStringList{a, b}));
    EXPECT_EQ(FindDatabaseFiles({dir.path()}, FileSearchPattern("test"), true, messages),
              QStringList{b});
    EXPECT_TRUE(messages.isEmpty());

    EXPECT_EQ(LikeText(QStringLiteral("cust")), QStringLiteral("%cust%"));
    EXPECT_EQ(LikeText(QStringLiteral("c_st")), QStringLiteral("c_st"));
    EXPECT_EQ(FindTables(all, QStringLiteral("cust"), false),
              (QStringList{a + " | Customers", a + " | cust_x", b + " | CUSTOMER"}));
    EXPECT_EQ(FindTables(all, QStringLiteral("email"), true),
              (QStringList{a + " | Customers", b + " | log"}));
    // A quote in the text is data, not SQL.
    EXPECT_TRUE(FindTables(all, QStringLiteral("x' OR '1'='1"), false).isEmpty());

    QStringList list{a, a + "2 | t", b};
    AddSearchResult(list, a + " | Customers");
    EXPECT_EQ(list, (QStringList{a + " | Customers", a + "2 | t", b}));
    AddSearchResult(list, dir.filePath("new.db"));
    EXPECT_EQ(list.size(), 4);

    QStringList history{"alpha", "beta"};
    PushSearchHistory(history, QStringLiteral(" BE "));
    EXPECT_EQ(history, (QStringList{"beta", "alpha"}));
    PushSearchHistory(history, QStringLiteral("gamma"));
    EXPECT_EQ(history.first(), QStringLiteral("gamma"));

    const test::ProcessResult r =
        test::Cli({"find-db", dir.path(), "--recursive", "--table", "cust"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(QString::fromUtf8(r.out).split('\n', Qt::SkipEmptyParts).size(), 3);
}

TEST(Search, LookInLocationAndHelp) {
    const QStringList project{"p"}, results{"r"};
    EXPECT_EQ(LookInCandidates(0, project, results), QStringList{"p"});
    EXPECT_EQ(LookInCandidates(1, project, results), QStringList{"r"});
    EXPECT_EQ(LookInCandidates(2, project, results), (QStringList{"p", "r"}));
    EXPECT_EQ(SearchLocationText(true, true), QStringLiteral("Search in Folders:"));
    EXPECT_EQ(SearchLocationText(true, false), QStringLiteral("Search in Folder:"));
    EXPECT_EQ(SearchLocationText(false, true), QStringLiteral("Search in the"));
    const char* firsts[] = {"Find Database files", "Find Data Tables",
                            "Find Database Fields or Objects"};
    for (int tab = 0; tab < 3; ++tab) {
        const QString first = SearchHelpText(tab).section(QLatin1Char('\n'), 0, 0);
        EXPECT_TRUE(first.startsWith(QLatin1String(firsts[tab]))) << tab;
        EXPECT_TRUE(first.endsWith(QLatin1String("(Click to expand Help)"))) << tab;
    }
}

} // namespace
} // namespace sky
