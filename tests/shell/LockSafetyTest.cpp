// Everything the overview does to a database file keeps the locks of a
// connection of this program that holds it. On Linux, closing any
// descriptor of a file drops every lock the process holds on it: a probe that
// opened and closed the file would let another process write under a
// workspace's transaction (its row is then lost), and in WAL mode let it
// delete the -wal file the workspace still uses.
//
// Each case: a connection holds a write transaction; the operation runs; a
// second process (the sqlite3 shell) must still get "database is locked"
// and, in WAL mode, must not remove the -wal file by opening and closing the
// database; the held transaction commits with nothing lost, and the file
// passes integrity_check.
#include "common/FaultInject.h"
#include "common/Process.h"
#include "common/TempDb.h"
#include "engine/FileHeader.h"
#include "shell/InfoPages.h"
#include "shell/OverviewOps.h"
#include "shell/Search.h"
#include "support/HeldFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <functional>
#include <unistd.h>

namespace sky::test {
namespace {

struct Operation {
    const char* name;
    // Runs the operation on the held file; the expectations are its own.
    std::function<void(const QString& file, const QString& folder)> run;
    bool dropsLocks = false; // the harness's own check: a raw open and close
};

const Operation kOperations[] = {
    {"probe",
     [](const QString& file, const QString&) {
         TSQLite3FileHeader h;
         ReadDBFileHeader(file, h);
         EXPECT_EQ(h.Status, 0) << h.StatusText.toStdString();
         EXPECT_GT(h.FileSize, 100);
     }},
    {"info page",
     [](const QString& file, const QString&) {
         TSQLite3FileHeader h;
         ReadDBFileHeader(file, h);
         EXPECT_FALSE(DatabaseInfoLines(file, h).isEmpty());
     }},
    {"file search looking inside",
     [](const QString& file, const QString& folder) {
         QStringList messages;
         const QStringList found =
             FindDatabaseFiles({folder}, QStringLiteral("*.db"), false, messages);
         EXPECT_TRUE(found.contains(file)) << found.join(u' ').toStdString();
         const QStringList tables = FindTables({file}, QStringLiteral("t"), false);
         EXPECT_EQ(tables, QStringList{file + QStringLiteral(" | t")});
     }},
    {"quick backup",
     [](const QString& file, const QString&) {
         QString error;
         EXPECT_TRUE(TransferDatabase(file, QuickBackupName(file), nullptr, error))
             << error.toStdString();
         // The backup holds what was committed, not the open transaction.
         EXPECT_EQ(Shell(QuickBackupName(file), QStringLiteral("select count(*) from t")), "2");
     }},
    {"duplicate",
     [](const QString& file, const QString& folder) {
         QString error;
         const QString copy = folder + QStringLiteral("/copy.sqlitedb");
         EXPECT_TRUE(TransferDatabase(file, copy, nullptr, error)) << error.toStdString();
         EXPECT_INTEGRITY_OK(copy);
     }},
    {"restore over the held file",
     [](const QString& file, const QString& folder) {
         const QString backup = folder + QStringLiteral("/old.dbBackup");
         Shell(backup, QStringLiteral("create table t(x); insert into t values(42);"));
         QString error;
         EXPECT_FALSE(TransferDatabase(backup, file, nullptr, error));
         EXPECT_FALSE(error.isEmpty());
     }},
    {"new database over the held file",
     [](const QString& file, const QString&) {
         QString error;
         // Not known as a workspace under this name, but held all the same.
         EXPECT_FALSE(CreateNewDatabase(
             file, [](const QString&) { return false; }, error));
         EXPECT_EQ(error, HeldFileError(file));
     }},
    {"raw open and close (drops the locks)",
     [](const QString& file, const QString&) {
         const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY);
         ASSERT_GE(fd, 0);
         ::close(fd);
     },
     true},
};

const char* const kModes[] = {"delete", "truncate", "persist", "wal"};

class LockSafety : public ::testing::TestWithParam<std::tuple<const char*, int>> {};

TEST_P(LockSafety, HeldTransactionSurvivesTheOperation) {
    const auto [mode, index] = GetParam();
    const Operation& op = kOperations[index];
    const bool wal = QByteArray(mode) == "wal";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("held.db"));
    Shell(file,
          QStringLiteral("pragma journal_mode=%1; create table t(x); insert into t values(0);")
              .arg(QLatin1String(mode)));

    TSQLite3Database held;
    ASSERT_TRUE(held.Open(file));
    ASSERT_TRUE(held.ExecuteList(QStringLiteral(
        "pragma wal_autocheckpoint=0; insert into t values(1);"))); // committed, in the -wal
    ASSERT_TRUE(held.BeginTransaction());
    ASSERT_TRUE(held.Execute(QStringLiteral("insert into t values(2);")));
    EXPECT_TRUE(IsHeldDatabaseFile(file));
    if (wal) {
        ASSERT_TRUE(QFileInfo::exists(file + QStringLiteral("-wal")));
    }

    op.run(file, dir.path());

    const ProcessResult other = RunProgram(QStringLiteral(SQLITE3_SHELL_PATH),
                                           {file, QStringLiteral("insert into t values(99);")});
    if (op.dropsLocks && !wal) {
        // The harness itself: without the locks the other process writes.
        EXPECT_EQ(other.code, 0) << other.err.toStdString();
        return;
    }
    if (op.dropsLocks) {
        // In WAL mode the other process may now delete the -wal file in use.
        Shell(file, QStringLiteral("select count(*) from t;"));
        EXPECT_FALSE(QFileInfo::exists(file + QStringLiteral("-wal")));
        return;
    }
    EXPECT_NE(other.code, 0);
    EXPECT_TRUE(other.err.contains("locked")) << other.err.toStdString();
    if (wal) {
        Shell(file, QStringLiteral("select count(*) from t;"));
        EXPECT_TRUE(QFileInfo::exists(file + QStringLiteral("-wal")));
    }
    ASSERT_TRUE(held.Commit()) << held.LastError().toStdString();
    QString rows;
    ASSERT_TRUE(held.QuerySingleValue(rows, QStringLiteral("select group_concat(x) from t;")));
    EXPECT_EQ(rows, QStringLiteral("0,1,2"));
    held.Close();
    EXPECT_FALSE(IsHeldDatabaseFile(file));
    EXPECT_INTEGRITY_OK(file);
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<const char*, int>>& info) {
    std::string name =
        std::string(std::get<0>(info.param)) + "_" + kOperations[std::get<1>(info.param)].name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(EveryMode, LockSafety,
                         ::testing::Combine(::testing::ValuesIn(kModes),
                                            ::testing::Range(0, int(std::size(kOperations)))),
                         CaseName);

// Another name for the same file (a link) is recognised as held, and so are
// the file's companions; an attached database is held too.
TEST(HeldFiles, AnyNameOfAHeldFileAndItsCompanions) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a.db"));
    const QString other = dir.filePath(QStringLiteral("b.db"));
    const QString link = dir.filePath(QStringLiteral("link.db"));
    Shell(file, QStringLiteral("pragma journal_mode=wal; create table t(x);"));
    Shell(other, QStringLiteral("create table u(x);"));
    ASSERT_TRUE(QFile::link(file, link));
    TSQLite3Database db;
    ASSERT_TRUE(db.Open(file));
    ASSERT_TRUE(db.Execute(QStringLiteral("insert into t values(1);")));
    EXPECT_TRUE(IsHeldDatabaseFile(link));
    EXPECT_TRUE(IsHeldDatabaseFile(file + QStringLiteral("-wal")));
    EXPECT_TRUE(IsHeldDatabaseFile(file + QStringLiteral("-shm")));
    EXPECT_FALSE(IsHeldDatabaseFile(other));
    EXPECT_FALSE(IsHeldDatabaseFile(dir.filePath(QStringLiteral("missing.db"))));
    ASSERT_TRUE(db.Execute(QStringLiteral("attach '%1' as o;").arg(other)));
    EXPECT_TRUE(IsHeldDatabaseFile(other));
    db.Close();
    EXPECT_FALSE(IsHeldDatabaseFile(file));
    EXPECT_FALSE(IsHeldDatabaseFile(other));
}

} // namespace
} // namespace sky::test
