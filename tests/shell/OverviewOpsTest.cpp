// New databases, quick-backup names, transfers and the project list.
#include "shell/OverviewOps.h"
#include "common/Process.h"
#include "common/TempDb.h"
#include "shell/FileList.h"
#include "support/Folders.h"
#include "support/Prompter.h"

#include <QFile>

namespace sky::test {
namespace {

class Cancelling : public ProgressSink {
public:
    int calls = 0;
    QString last;
    int cancelAfter = 1000000;
    void Advance(const QString& d, double, double) override {
        ++calls;
        last = d;
    }
    bool IsCancelled() const override { return calls >= cancelAfter; }
    void SetOverallDescription(const QString&) override {}
};

TEST(OverviewOps, NewDatabaseGetsTheTemplate) {
    QTemporaryDir dir;
    const QString chosen = dir.filePath(QStringLiteral("fresh"));
    EXPECT_EQ(NewDatabaseName(chosen), chosen + QStringLiteral(".sqlitedb"));
    EXPECT_EQ(NewDatabaseName(QStringLiteral("/a/b.db")), QStringLiteral("/a/b.db"));
    const QString file = chosen + QStringLiteral(".sqlitedb");
    // An old file of the final name and its companions are replaced.
    for (const QString& f : {file, file + QStringLiteral("-wal")}) {
        QFile w(f);
        ASSERT_TRUE(w.open(QIODevice::WriteOnly));
        w.write("old junk");
    }
    QString error;
    ASSERT_TRUE(CreateNewDatabase(chosen, nullptr, error)) << error.toStdString();
    TSQLite3Database db;
    ASSERT_TRUE(db.Open(file, 0, true, true));
    QString v;
    db.QuerySingleValue(v, QStringLiteral("PRAGMA page_size"));
    EXPECT_EQ(v, QStringLiteral("4096"));
    db.QuerySingleValue(v, QStringLiteral("PRAGMA journal_mode"));
    EXPECT_EQ(v, QStringLiteral("wal"));
    db.QuerySingleValue(v, QStringLiteral("PRAGMA application_id"));
    EXPECT_EQ(v, QStringLiteral("5174"));
    db.Close();
    // A file open in a workspace is refused and left alone.
    EXPECT_FALSE(CreateNewDatabase(
        file, [&](const QString& f) { return f == file; }, error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("The file is open in a workspace")));
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_FALSE(CreateNewDatabase(dir.filePath(QStringLiteral("no/such/x.db")), nullptr, error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("DB Error - "))) << error.toStdString();
}

TEST(OverviewOps, QuickBackupNamesAndTransfers) {
    EXPECT_EQ(QuickBackupName(QStringLiteral("/d/x.sqlitedb")), QStringLiteral("/d/x.dbBackup"));
    EXPECT_TRUE(IsQuickBackup(QStringLiteral("/d/x.dbBackup")));
    EXPECT_FALSE(IsQuickBackup(QStringLiteral("/d/x.db")));
    QTemporaryDir dir;
    const QString src = dir.filePath(QStringLiteral("src.db"));
    {
        TSQLite3Database db;
        ASSERT_TRUE(db.Open(src));
        ASSERT_TRUE(db.ExecuteList(QStringLiteral(
            "CREATE TABLE t(b); WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n+1 FROM c "
            "WHERE n < 1500) INSERT INTO t SELECT randomblob(3000) FROM c;")));
    }
    Cancelling p;
    QString error;
    const QString copy = QuickBackupName(src);
    ASSERT_TRUE(TransferDatabase(src, copy, &p, error)) << error.toStdString();
    EXPECT_TRUE(p.last.startsWith(QStringLiteral("Transferring Page "))) << p.last.toStdString();
    EXPECT_EQ(SqlDiff(src, copy), QByteArray());
    Cancelling stop;
    stop.cancelAfter = 1;
    EXPECT_FALSE(TransferDatabase(src, dir.filePath(QStringLiteral("c2.db")), &stop, error));
    EXPECT_EQ(error, QStringLiteral("Error: Back-up Aborted by User"));
    EXPECT_FALSE(
        TransferDatabase(src, dir.filePath(QStringLiteral("no/dir/x.db")), nullptr, error));
    EXPECT_EQ(error, QStringLiteral("Error accessing the Target folder"));
    EXPECT_FALSE(
        TransferDatabase(dir.filePath(QStringLiteral("missing.db")), copy, nullptr, error));
}

TEST(OverviewOps, ProjectsShareNoKeys) {
    ProjectList p;
    p.SetNames({QStringLiteral("Work")});
    EXPECT_EQ(p.Names(), (QStringList{kDefaultProject, "Work"}));
    bool added = false;
    EXPECT_EQ(p.Add(QStringLiteral(" W-O-R-K "), added), QStringLiteral("Work"));
    EXPECT_FALSE(added);
    EXPECT_EQ(p.Add(QStringLiteral("default"), added), kDefaultProject);
    EXPECT_FALSE(added);
    EXPECT_EQ(p.Add(QStringLiteral("Alpha 2"), added), QStringLiteral("Alpha 2"));
    EXPECT_TRUE(added);
    EXPECT_EQ(p.Names(), (QStringList{kDefaultProject, "Alpha 2", "Work"}));
    EXPECT_EQ(p.Add(QStringLiteral("!!!"), added), QString());
    EXPECT_FALSE(p.Remove(kDefaultProject));
    EXPECT_TRUE(p.Remove(QStringLiteral("Work")));
    EXPECT_EQ(p.Names().size(), 2);
}

} // namespace
} // namespace sky::test
