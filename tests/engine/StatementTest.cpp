// Prepared statements and blob access against a real database file.
#include "engine/Statement.h"
#include "common/TempDb.h"
#include "engine/CsvFields.h"

#include <QBuffer>
#include <sqlite3.h>

namespace sky::test {
namespace {

class StatementTest : public TempDbTest {};

TEST_F(StatementTest, CommentOnlyTextPreparesNothingAndIsNoError) {
    EXPECT_EQ(db.Prepare(QStringLiteral("-- just a note")), nullptr);
    EXPECT_TRUE(db.LastError().isEmpty());
    EXPECT_EQ(db.Prepare(QStringLiteral("SELEKT 1")), nullptr);
    EXPECT_EQ(db.LastError(), QStringLiteral("DB Error: near \"SELEKT\": syntax error"));
}

TEST_F(StatementTest, LastQueryIsShortenedAndFlattened) {
    auto s = db.Prepare(QStringLiteral("SELECT\t1,\n2"));
    EXPECT_EQ(db.LastQuery(), QStringLiteral("SELECT 1, 2"));
    const QString longSql =
        QStringLiteral("SELECT '") + QString(200, QLatin1Char('x')) + QStringLiteral("'");
    s = db.Prepare(longSql);
    EXPECT_EQ(db.LastQuery(), longSql.left(125) + QStringLiteral("..."));
}

TEST_F(StatementTest, BindsEveryTypeByIndexAndName) {
    auto s = db.Prepare(
        QStringLiteral("SELECT ?1, ?2, ?3, ?4, ?5, ?6, ?7, :named, typeof(?7), length(?9), @w"));
    ASSERT_NE(s, nullptr);
    const QByteArray blob("\x01\x00\xFF", 3);
    s->BindInt(1, -5);
    s->BindInt64(2, Q_INT64_C(9007199254740993));
    s->BindDouble(3, 2.5);
    s->BindText(4, QStringLiteral("Grüße 🙂"));
    s->BindTextW(5, QStringLiteral("wide ü"));
    s->BindBlob(6, blob.constData(), int(blob.size()));
    s->BindNull(7);
    s->BindText(QStringLiteral(":named"), QStringLiteral("by name"));
    s->BindZeroBlob(9, 10);
    s->BindInt64(QStringLiteral("@w"), 77);
    EXPECT_TRUE(s->LastBindOk());
    ASSERT_EQ(s->Step(), SQLITE_ROW);
    EXPECT_EQ(s->ColumnCount(), 11);
    EXPECT_EQ(s->ColumnInt(0), -5);
    EXPECT_EQ(s->ColumnInt64(1), Q_INT64_C(9007199254740993));
    EXPECT_DOUBLE_EQ(s->ColumnDouble(2), 2.5);
    EXPECT_EQ(s->ColumnText(3), QStringLiteral("Grüße 🙂"));
    EXPECT_EQ(s->ColumnTextRAW(3), QStringLiteral("Grüße 🙂").toUtf8());
    EXPECT_EQ(s->ColumnText(4), QStringLiteral("wide ü"));
    EXPECT_EQ(s->ColumnType(5), int(sctBlob));
    EXPECT_EQ(QByteArray(static_cast<const char*>(s->ColumnBlob(5)), s->ColumnBytes(5)), blob);
    EXPECT_EQ(s->ColumnType(6), int(sctNull));
    EXPECT_EQ(s->ColumnText(7), QStringLiteral("by name"));
    EXPECT_EQ(s->ColumnText(8), QStringLiteral("null"));
    EXPECT_EQ(s->ColumnInt(9), 10);
    EXPECT_EQ(s->ColumnInt(10), 77);
    EXPECT_EQ(s->ColumnName(7), QStringLiteral(":named"));
    EXPECT_EQ(s->Step(), SQLITE_DONE);
}

TEST_F(StatementTest, BindingAMissingNameIsARangeErrorAndKeepsTheOthers) {
    auto s = db.Prepare(QStringLiteral("SELECT :a, :b"));
    ASSERT_NE(s, nullptr);
    s->BindText(QStringLiteral(":a"), QStringLiteral("one"));
    s->BindText(QStringLiteral(":nosuch"), QStringLiteral("lost"));
    EXPECT_FALSE(s->LastBindOk());
    EXPECT_EQ(db.LastError(), QStringLiteral("DB Error: column index out of range"));
    s->BindText(QStringLiteral(":b"), QStringLiteral("two"));
    ASSERT_EQ(s->Step(), SQLITE_ROW);
    EXPECT_EQ(s->ColumnText(0), QStringLiteral("one"));
    EXPECT_EQ(s->ColumnText(1), QStringLiteral("two"));
    // Reset keeps the bindings; ClearBindings sets them to NULL.
    EXPECT_EQ(s->Reset(), SQLITE_OK);
    ASSERT_EQ(s->Step(), SQLITE_ROW);
    EXPECT_EQ(s->ColumnText(1), QStringLiteral("two"));
    s->Reset();
    s->ClearBindings();
    ASSERT_EQ(s->Step(), SQLITE_ROW);
    EXPECT_EQ(s->ColumnType(0), int(sctNull));
}

TEST(BlobHexText, ConvertsAsTheGridShowsIt) {
    EXPECT_EQ(BlobToHexText("\x01\xAB\xFF", 3), QByteArray("0x01ABFF"));
    EXPECT_EQ(BlobToHexText("", 0), QByteArray());
    EXPECT_EQ(BlobToHexText("x", std::numeric_limits<qint32>::max() / 2),
              QByteArray("** BLOB-to-text conversion failed: BLOB length > 32-Bit max **"));
}

TEST_F(StatementTest, ColumnBlobTextWithAndWithoutConversion) {
    auto s = db.Prepare(QStringLiteral("SELECT X'01ABFF', X''"));
    ASSERT_EQ(s->Step(), SQLITE_ROW);
    EXPECT_EQ(s->ColumnBlobText(0, true), QByteArray("0x01ABFF"));
    EXPECT_EQ(s->ColumnBlobText(0, false), QByteArray("[Blob]"));
    EXPECT_EQ(s->ColumnBlobText(1, true), QByteArray());
}

TEST_F(StatementTest, CloseFinalizesAndDetachesLiveStatementsOnce) {
    auto a = db.Prepare(QStringLiteral("SELECT 1"));
    auto b = db.Prepare(QStringLiteral("SELECT 2"));
    Run(QStringLiteral("CREATE TABLE t(x BLOB); INSERT INTO t VALUES(X'00');"));
    auto blob = db.BlobOpen(QString(), QStringLiteral("t"), QStringLiteral("x"), 1, false);
    ASSERT_NE(blob->Handle(), nullptr);
    ASSERT_EQ(a->Step(), SQLITE_ROW);
    db.Close();
    EXPECT_EQ(a->Handle(), nullptr);
    EXPECT_EQ(b->Handle(), nullptr);
    EXPECT_EQ(blob->Handle(), nullptr);
    EXPECT_EQ(a->OwnerDatabase(), nullptr);
    EXPECT_EQ(b->Step(), SQLITE_MISUSE);
    EXPECT_EQ(blob->Bytes(), 0);
    // Destroying them afterwards is harmless (checked by the sanitizers).
    a.reset();
    b.reset();
    blob.reset();
}

// --- whole-cell blob copies ------------------------------------------------

// A stream that records the size of every write and can fail reading.
class RecordingBuffer : public QBuffer {
public:
    std::vector<qint64> writes;
    qint64 failReadsAfter = -1;

protected:
    qint64 writeData(const char* data, qint64 len) override {
        writes.push_back(len);
        return QBuffer::writeData(data, len);
    }
    qint64 readData(char* data, qint64 maxlen) override {
        if (failReadsAfter >= 0 && pos() >= failReadsAfter) return -1;
        return QBuffer::readData(data, maxlen);
    }
};

class BlobTest : public TempDbTest {
protected:
    void SetUp() override {
        TempDbTest::SetUp();
        Run(QStringLiteral("CREATE TABLE \"my files\"(id TEXT, grp INT, data BLOB);\n"
                           "INSERT INTO \"my files\" VALUES('a', 1, randomblob(100000)),"
                           "('b', 1, X'CAFE'), ('c', 2, NULL);"));
    }
    QString Hex(const QString& id) {
        return Value(QStringLiteral("SELECT hex(data) FROM \"my files\" WHERE id='") + id +
                     QStringLiteral("'"));
    }
    const QString table = QStringLiteral("\"my files\"");
};

TEST_F(BlobTest, ReadCopiesTheCellInChunks) {
    RecordingBuffer buf;
    buf.open(QIODevice::ReadWrite);
    ASSERT_TRUE(db.BlobRead(QString(), table, QStringLiteral("data"), QStringLiteral("id"),
                            QStringLiteral("a"), &buf))
        << db.LastError().toStdString();
    EXPECT_EQ(buf.writes, (std::vector<qint64>{32768, 32768, 32768, 1696}));
    EXPECT_EQ(QString::fromLatin1(buf.data().toHex().toUpper()), Hex(QStringLiteral("a")));
}

TEST_F(BlobTest, ReadOfAMissingRowFails) {
    QBuffer buf;
    buf.open(QIODevice::ReadWrite);
    EXPECT_FALSE(db.BlobRead(QString(), table, QStringLiteral("data"), QStringLiteral("id"),
                             QStringLiteral("zz"), &buf));
    EXPECT_EQ(db.LastError(), QStringLiteral("No row found where id=zz"));
    EXPECT_TRUE(buf.data().isEmpty());
    // A quote in the key value is a value, not SQL.
    EXPECT_FALSE(db.BlobRead(QString(), table, QStringLiteral("data"), QStringLiteral("id"),
                             QStringLiteral("' OR 1=1 --"), &buf));
    EXPECT_TRUE(buf.data().isEmpty());
}

TEST_F(BlobTest, WriteReplacesOnlyTheRowItWrites) {
    QBuffer src;
    src.setData(QByteArray(70000, '\x5A'));
    src.open(QIODevice::ReadOnly);
    const QString before = Hex(QStringLiteral("a"));
    ASSERT_TRUE(db.BlobWrite(QString(), table, QStringLiteral("data"), QStringLiteral("grp"),
                             QStringLiteral("1"), &src))
        << db.LastError().toStdString();
    // Both rows of group 1 match; exactly one row was written.
    const QString a = Hex(QStringLiteral("a")), b = Hex(QStringLiteral("b"));
    const QString written =
        QString(140000, QLatin1Char('5')).replace(QStringLiteral("55"), QStringLiteral("5A"));
    EXPECT_TRUE((a == written && b == QStringLiteral("CAFE")) || (b == written && a == before));
}

TEST_F(BlobTest, WriteOfAnEmptyStreamOrAMissingRowChangesNothing) {
    QBuffer empty;
    empty.open(QIODevice::ReadOnly);
    EXPECT_FALSE(db.BlobWrite(QString(), table, QStringLiteral("data"), QStringLiteral("id"),
                              QStringLiteral("b"), &empty));
    EXPECT_EQ(Hex(QStringLiteral("b")), QStringLiteral("CAFE"));
    QBuffer src;
    src.setData("xyz");
    src.open(QIODevice::ReadOnly);
    EXPECT_FALSE(db.BlobWrite(QString(), table, QStringLiteral("data"), QStringLiteral("id"),
                              QStringLiteral("nosuch"), &src));
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM \"my files\" WHERE id='nosuch'")),
              QStringLiteral("0"));
}

TEST_F(BlobTest, AFailedWriteRestoresTheOldCell) {
    RecordingBuffer src;
    src.setData(QByteArray(100000, '\x11'));
    src.open(QIODevice::ReadOnly);
    src.failReadsAfter = 40000;
    const QString before = Hex(QStringLiteral("a"));
    EXPECT_FALSE(db.BlobWrite(QString(), table, QStringLiteral("data"), QStringLiteral("id"),
                              QStringLiteral("a"), &src));
    EXPECT_TRUE(db.LastError().startsWith(QStringLiteral("Exception writing BLOB")));
    EXPECT_EQ(Hex(QStringLiteral("a")), before);
    EXPECT_EQ(sqlite3_get_autocommit(db.Handle()), 1);
}

TEST_F(BlobTest, BusyConnectionRefusesBlobCopies) {
    QBuffer buf;
    buf.open(QIODevice::ReadWrite);
    QString readErr, writeErr;
    bool ran = false;
    db.SetProgressHandler([&](TSQLite3Database* s, qint64 done, qint64 total, bool&) {
        if (ran || done == total) return;
        ran = true;
        s->BlobRead(QString(), table, QStringLiteral("data"), QStringLiteral("id"),
                    QStringLiteral("a"), &buf);
        readErr = s->LastError();
        s->BlobWrite(QString(), table, QStringLiteral("data"), QStringLiteral("id"),
                     QStringLiteral("a"), &buf);
        writeErr = s->LastError();
    });
    Value(QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE "
                         "x<5000) SELECT count(*) FROM c"));
    ASSERT_TRUE(ran);
    EXPECT_EQ(readErr, QStringLiteral("Database busy"));
    EXPECT_EQ(writeErr, QStringLiteral("Database Busy"));
}

// --- CSV fields of the engine layer -----------------------------------------

TEST(CsvFields, SplitsQuotedAndPlainFields) {
    struct Case {
        const char* line;
        QStringList fields;
    } cases[] = {
        {"a,\"b,c\",d,", {"a", "b,c", "d", ""}},
        {"a,\"b \"\"q\"\" c\",", {"a", "b \"q\" c", ""}},
        {"  lead,trail  ", {"lead", "trail  "}},
        {"\"open to end", {"open to end"}},
        {"\"x\"junk,y", {"x", "y"}},
        {"plain\"\"doubled", {"plain\"doubled"}},
        {",", {"", ""}},
        {"", {}},
    };
    QStringList fields{QStringLiteral("stale"), QStringLiteral("entries"), QStringLiteral("a"),
                       QStringLiteral("b"), QStringLiteral("c")};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(SplitCSVFields(QString::fromUtf8(c.line), fields, QLatin1Char(',')),
                  c.fields.size());
        EXPECT_EQ(fields, c.fields);
    }
}

TEST(CsvFields, QuotesLongOrSpecialFields) {
    EXPECT_EQ(CSVQuote("5"), QByteArray("5"));
    EXPECT_EQ(CSVQuote("a,b"), QByteArray("\"a,b\""));
    EXPECT_EQ(CSVQuote("say \"x\""), QByteArray("\"say \"\"x\"\"\""));
    EXPECT_EQ(CSVQuote(QByteArray(64, 'a')), QByteArray(64, 'a'));
    EXPECT_EQ(CSVQuote(QByteArray(65, 'a')), '"' + QByteArray(65, 'a') + '"');
    // Line breaks and outer blanks are quoted so that the field reads back as it was.
    EXPECT_EQ(CSVQuote("line\nbreak"), QByteArray("\"line\nbreak\""));
    EXPECT_EQ(CSVQuote(" lead"), QByteArray("\" lead\""));
    EXPECT_EQ(CSVQuote("trail\t"), QByteArray("\"trail\t\""));
    EXPECT_EQ(CSVQuote(""), QByteArray(""));
}

TEST_F(StatementTest, CsvExportOfAQuery) {
    Run(QStringLiteral("CREATE TABLE t(id, name, data);\n"
                       "INSERT INTO t VALUES(1, 'a,b', NULL), (2, 'two\nlines', X'FF');"));
    QString csv;
    ASSERT_TRUE(db.QueryToCSV(csv, QStringLiteral("SELECT * FROM t"), true, false, 0, 1, true));
    EXPECT_EQ(csv,
              QStringLiteral("No,id,name,data\r\n1,1,\"a,b\",NULL\r\n2,2,\"two lines\",0xFF\r\n"));
    SetNullDisplayText(QStringLiteral("<null>"));
    ASSERT_TRUE(db.QueryToCSV(csv, QStringLiteral("SELECT data FROM t WHERE id=1"), false, true, 0,
                              -1, false));
    SetNullDisplayText(QStringLiteral("NULL"));
    EXPECT_EQ(csv, QStringLiteral("<null>\r\n"));
    EXPECT_FALSE(
        db.QueryToCSV(csv, QStringLiteral("SELECT * FROM nosuch"), false, false, 0, -1, false));
    EXPECT_EQ(db.LastError(), QStringLiteral("DB Error: no such table: nosuch"));
}

} // namespace
} // namespace sky::test

namespace sky::test {
namespace {

// Growing a cell beyond the space left fails and keeps the old value.
TEST_F(BlobTest, DiskFullDuringAWriteKeepsTheOldCell) {
    const int pages = Value(QStringLiteral("PRAGMA page_count")).toInt();
    Run(QStringLiteral("PRAGMA max_page_count=%1;").arg(pages + 1));
    QBuffer src;
    src.setData(QByteArray(400000, '\x22'));
    src.open(QIODevice::ReadOnly);
    EXPECT_FALSE(db.BlobWrite(QString(), table, QStringLiteral("data"), QStringLiteral("id"),
                              QStringLiteral("b"), &src));
    EXPECT_EQ(db.LastError(), QStringLiteral("DB Error: database or disk is full"));
    EXPECT_EQ(Hex(QStringLiteral("b")), QStringLiteral("CAFE"));
    EXPECT_EQ(Value(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
}

} // namespace
} // namespace sky::test
