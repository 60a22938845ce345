// The import of a sheet into a real database file: names that need quotes,
// and every way it can fail (a full disk, a failing row, an existing table
// in another letter case, a COMMIT refused by another process's read lock,
// a cancel) leaves no table, the file byte for byte as it was and a file
// that passes PRAGMA integrity_check.
#include "transfer/CsvImport.h"

#include "common/FaultInject.h"
#include "common/TempDb.h"
#include "support/Csv.h"
#include "support/Prompter.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <sqlite3.h>

namespace sky {
namespace {

std::shared_ptr<TCSVTableRec> Read(QString text) {
    auto t = std::make_shared<TCSVTableRec>();
    CSVConfigure(*t, true, false, false, true, false, QChar());
    CSVRead(text, *t);
    return t;
}

QString Rows(int n) {
    QString text = QStringLiteral("id,name,note\n");
    for (int i = 1; i <= n; ++i)
        text += QStringLiteral("%1,name %1,\"say \"\"hi\"\", \u00E9t\u00E9 %1\"\n").arg(i);
    return text;
}

// Cancels when first asked after the given number of progress calls.
class CancelAfter : public ProgressSink {
public:
    explicit CancelAfter(int calls) : FLeft(calls) {}
    void Advance(const QString&, double, double) override { --FLeft; }
    bool IsCancelled() const override { return FLeft <= 0; }
    void SetOverallDescription(const QString&) override {}

private:
    int FLeft;
};

class CsvImportRun : public test::TempDbTest {
protected:
    void SetUp() override {
        TempDbTest::SetUp();
        Run(QStringLiteral("CREATE TABLE keep(a, b); INSERT INTO keep VALUES (1, 'one');"));
    }
    QByteArray FileBytes() {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
    }
    void Import(const QString& text, const QString& table) {
        sheet.Fill(Read(text));
        sheet.Analyse(nullptr);
        before = FileBytes();
        ok = sheet.RunImport(db, table, progress, error);
    }
    // The failed import left nothing behind.
    void ExpectUntouched(const QString& table) {
        EXPECT_FALSE(ok);
        EXPECT_FALSE(db.TransactionOpen());
        EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = '") +
                        table + QStringLiteral("'")),
                  QStringLiteral("0"));
        EXPECT_EQ(FileBytes(), before);
        EXPECT_INTEGRITY_OK(path);
    }
    // True once another connection holds a read lock: an exclusive lock is refused.
    bool WaitForReadLock() {
        for (int tries = 0; tries < 500; ++tries) {
            sqlite3* probe = nullptr;
            sqlite3_open_v2(path.toUtf8().constData(), &probe, SQLITE_OPEN_READWRITE, nullptr);
            const int rc =
                sqlite3_exec(probe, "BEGIN EXCLUSIVE; ROLLBACK;", nullptr, nullptr, nullptr);
            sqlite3_close_v2(probe);
            if (rc == SQLITE_BUSY) return true;
            QThread::msleep(20);
        }
        return false;
    }
    CsvImportSheet sheet;
    NullProgress progress;
    QString error;
    QByteArray before;
    bool ok = false;
};

TEST_F(CsvImportRun, NamesThatNeedQuotesImportEveryRowAsText) {
    Import(QStringLiteral("order,Order Date,\"q\"\"t\"\n1,2024-01-01,\u4E2D\n2,,x\n"),
           QStringLiteral("2023sales"));
    ASSERT_TRUE(ok) << error.toStdString();
    EXPECT_EQ(Value(QStringLiteral("SELECT group_concat(\"order\" || '|' || \"Order Date\" || '|' "
                                   "|| \"q\"\"t\", ';') FROM \"2023sales\"")),
              QStringLiteral("1|2024-01-01|\u4E2D;2||x"));
    // The key column took the analysis's PRIMARY KEY and integer values.
    EXPECT_EQ(Value(QStringLiteral("SELECT typeof(\"order\") FROM \"2023sales\" LIMIT 1")),
              QStringLiteral("integer"));
    EXPECT_INTEGRITY_OK(path);
}

TEST_F(CsvImportRun, ALargeImportStoresEveryRowExactly) {
    Import(Rows(25000) + QStringLiteral("25001,\u4E2D\u6587,\"\"\n"), QStringLiteral("big"));
    ASSERT_TRUE(ok) << error.toStdString();
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM big")), QStringLiteral("25001"));
    EXPECT_EQ(Value(QStringLiteral("SELECT note FROM big WHERE id = 12345")),
              QStringLiteral("say \"hi\", \u00E9t\u00E9 12345"));
    EXPECT_EQ(Value(QStringLiteral("SELECT name || '|' || note || '|' || typeof(note) FROM big "
                                   "WHERE id = 25001")),
              QStringLiteral("\u4E2D\u6587||text"));
    EXPECT_INTEGRITY_OK(path);
}

TEST_F(CsvImportRun, AFailingRowRollsTheWholeImportBack) {
    // 1 and 01 are the same INTEGER PRIMARY KEY.
    Import(QStringLiteral("ID,Name\n1,Ann\n01,Bob\n"), QStringLiteral("People"));
    EXPECT_EQ(error, QStringLiteral("Failed to Create Imported Table: DB Error: UNIQUE constraint "
                                    "failed: People.ID (row 2)"));
    ExpectUntouched(QStringLiteral("People"));
}

TEST_F(CsvImportRun, AnExistingTableInAnyLetterCaseIsNeverAppendedTo) {
    Run(QStringLiteral("CREATE TABLE people(x); INSERT INTO people VALUES ('old');"));
    Import(QStringLiteral("ID,Name\n1,Ann\n"), QStringLiteral("People"));
    EXPECT_EQ(error, QStringLiteral("Failed to Create Table People: table People already exists"));
    EXPECT_FALSE(ok);
    EXPECT_EQ(Value(QStringLiteral("SELECT group_concat(x) FROM people")), QStringLiteral("old"));
    EXPECT_EQ(FileBytes(), before);
}

TEST_F(CsvImportRun, AFullDiskLeavesNoTable) {
    test::SetMaxPageCount(db.Handle(), 2);
    Import(Rows(3000), QStringLiteral("big"));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Failed to Create Imported Table: DB Error: "
                                                "database or disk is full (row ")))
        << error.toStdString();
    ExpectUntouched(QStringLiteral("big"));
}

TEST_F(CsvImportRun, ACancelThroughProgressLeavesNoTable) {
    CancelAfter cancel(2);
    sheet.Fill(Read(Rows(30000)));
    sheet.Analyse(nullptr);
    before = FileBytes();
    ok = sheet.RunImport(db, QStringLiteral("big"), cancel, error);
    EXPECT_EQ(error, kImportCancelled);
    ExpectUntouched(QStringLiteral("big"));
}

TEST_F(CsvImportRun, ACommitRefusedByAnotherReaderIsRolledBack) {
    // Another process holds a read transaction open on the file.
    QProcess reader;
    reader.start(QStringLiteral(SQLITE3_SHELL_PATH), {path});
    ASSERT_TRUE(reader.waitForStarted());
    reader.write("BEGIN; SELECT count(*) FROM keep;\n");
    reader.waitForBytesWritten(5000);
    ASSERT_TRUE(WaitForReadLock());

    Import(Rows(20), QStringLiteral("small"));
    EXPECT_EQ(error, QStringLiteral("Failed to Commit - DB Error: database is locked"));
    reader.write(".quit\n");
    reader.closeWriteChannel();
    reader.waitForFinished(10000);
    ExpectUntouched(QStringLiteral("small"));
    // The connection is usable again: the same import now succeeds.
    ok = sheet.RunImport(db, QStringLiteral("small"), progress, error);
    EXPECT_TRUE(ok) << error.toStdString();
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM small")), QStringLiteral("20"));
}

} // namespace
} // namespace sky
