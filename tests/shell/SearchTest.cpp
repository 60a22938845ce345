// The overview's searches over real files.
#include "shell/Search.h"
#include "common/Process.h"
#include "engine/Database.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

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

// A file held by another connection's exclusive lock cannot be searched:
// it is reported, the other files are searched.
TEST(Search, FilesThatCannotBeSearchedAreReported) {
    QTemporaryDir dir;
    const QString free = dir.filePath(QStringLiteral("free.db")),
                  held = dir.filePath(QStringLiteral("held.db"));
    MakeDb(free, QStringLiteral("CREATE TABLE t(a);"));
    MakeDb(held, QStringLiteral("CREATE TABLE t(a);"));
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(held).constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);

    QStringList failures;
    EXPECT_EQ(FindTables({free, held}, QStringLiteral("t"), false, nullptr, &failures),
              QStringList{free + " | t"});
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].startsWith("Could not search \"" + held + "\": "));
    EXPECT_TRUE(failures[0].contains("database is locked")) << failures[0].toStdString();
    failures.clear();
    EXPECT_EQ(FindTables({free, held}, QStringLiteral("a"), true, nullptr, &failures),
              QStringList{free + " | t"});
    EXPECT_EQ(failures.size(), 1);

    // The command line, another process: the file on standard error, exit 0.
    for (const char* how : {"--table", "--field"}) {
        const test::ProcessResult r =
            test::Cli({"find-db", dir.path(), QString::fromLatin1(how), "t"});
        EXPECT_EQ(r.code, 0) << how;
        EXPECT_EQ(QString::fromUtf8(r.out), free + " | t\n") << how;
        EXPECT_TRUE(r.err.contains(("Could not search \"" + held + "\"").toUtf8())) << how;
    }
    // A report that cannot be written is a failure, not silence.
    QProcess p;
    p.setStandardErrorFile(QStringLiteral("/dev/full"));
    p.start(QStringLiteral(SKYLARK_CLI_PATH), {"find-db", dir.path(), "--table", "t"});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 1);
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
}

// A file name that is not UTF-8 cannot be opened by its text: it is
// reported as skipped, not listed under another name.
TEST(Search, NamesThatAreNotUtf8AreSkipped) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("sub"));
    const QString good = dir.filePath(QStringLiteral("good.db"));
    MakeDb(good, QStringLiteral("CREATE TABLE t(a);"));
    // The names are made and removed by the shell: no text names them.
    auto shell = [&](const char* command) {
        return test::RunProgram(QStringLiteral("/bin/bash"),
                                {"-c", QString::fromLatin1(command), dir.path()})
            .code;
    };
    ASSERT_EQ(shell("cp \"$0/good.db\" \"$0/\"$'bad\\xff.db' && "
                    "cp \"$0/good.db\" \"$0/sub/\"$'deep\\xfe.db'"),
              0);
    const auto cleanup =
        qScopeGuard([&] { shell("rm -f -- \"$0/\"$'bad\\xff.db' \"$0/sub/\"$'deep\\xfe.db'"); });
    QStringList messages;
    EXPECT_EQ(FindDatabaseFiles({dir.path()}, QStringLiteral("*.db"), true, messages),
              QStringList{good});
    ASSERT_EQ(messages.size(), 2);
    for (const QString& m : messages)
        EXPECT_TRUE(m.endsWith("\": its name is not valid UTF-8")) << m.toStdString();
    EXPECT_TRUE(messages[0].startsWith("Skipped \"" + dir.filePath("bad")));
    messages.clear();
    FindDatabaseFiles({dir.path()}, QStringLiteral("*.txt"), true, messages);
    EXPECT_TRUE(messages.isEmpty());
    const test::ProcessResult r = test::Cli({"find-db", dir.path()});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(QString::fromUtf8(r.out), good + "\n");
    EXPECT_TRUE(r.err.contains("not valid UTF-8"));
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
