// The file-header probe on generated files, real databases and paths that
// are not regular files or do not exist.
#include "engine/FileHeader.h"
#include "common/TempDb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <sqlite3.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace sky::test {
namespace {

// A well-formed 100-byte header: 4096-byte pages, payload fractions 64/32/32.
QByteArray ValidHeader() {
    QByteArray b(100, '\0');
    std::memcpy(b.data(), "SQLite format 3", 16);
    b[16] = 0x10;
    b[18] = b[19] = 1;
    b[21] = 64;
    b[22] = b[23] = 32;
    b[59] = 1; // UTF-8
    return b;
}

class FileHeaderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString Path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    QString Write(const char* name, const QByteArray& bytes) {
        const QString p = Path(name);
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        EXPECT_EQ(f.write(bytes), bytes.size());
        return p;
    }
    static TSQLite3FileHeader Probe(const QString& path) {
        TSQLite3FileHeader h;
        ReadDBFileHeader(path, h);
        EXPECT_EQ(h.StatusText, FileStatusText(h.Status));
        EXPECT_EQ(h.userInt, 0);
        return h;
    }
    QTemporaryDir dir;
};

TEST(FileHeaderStatusText, NamesEveryStatus) {
    const struct {
        int status;
        const char* text;
    } cases[] = {{0, "Ready"},    {1, "Inaccessible"}, {2, "Missing"},  {3, "Locked"},
                 {-1, "Invalid"}, {4, "*Error*"},      {-2, "*Error*"}, {1000, "*Error*"}};
    for (const auto& c : cases)
        EXPECT_EQ(FileStatusText(c.status), QString::fromLatin1(c.text)) << c.status;
}

TEST_F(FileHeaderTest, HeaderIsReadOnlyFromFilesLargerThan100Bytes) {
    // Each file holds a valid header cut or zero-padded to the given size.
    const struct {
        int size, status;
    } cases[] = {{0, 0}, {1, -1}, {16, -1}, {99, -1}, {100, -1}, {101, 0}, {4096, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        QByteArray bytes = ValidHeader().left(c.size);
        bytes.append(QByteArray(c.size - bytes.size(), '\0'));
        const TSQLite3FileHeader h = Probe(Write("sized.db", bytes));
        EXPECT_EQ(h.Status, c.status);
        EXPECT_EQ(h.FileSize, c.size);
        EXPECT_TRUE(h.Modified.isValid());
        EXPECT_EQ(h.PageSize, c.size > 100 ? 4096 : 0);
    }
}

TEST_F(FileHeaderTest, MagicAndPayloadFractionsDecideValidity) {
    const struct {
        const char* what;
        std::vector<std::pair<int, char>> edits;
        int status;
    } cases[] = {
        {"unchanged", {}, 0},
        {"lower-case magic", {{0, 's'}}, -1},
        {"format 2", {{14, '2'}}, -1},
        {"no zero byte", {{15, ' '}}, -1},
        {"magic shifted", {{0, ' '}, {1, 'S'}}, -1},
        {"max payload 63", {{21, 63}}, -1},
        {"min payload 31", {{22, 31}}, -1},
        {"fractions swapped", {{21, 32}, {22, 64}}, -1},
        {"leaf payload is not checked", {{23, 0}}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray bytes = ValidHeader() + QByteArray(412, '\0');
        for (const auto& [at, value] : c.edits)
            bytes[at] = value;
        EXPECT_EQ(Probe(Write("edited.db", bytes)).Status, c.status);
    }
}

TEST_F(FileHeaderTest, DecodesEveryFieldFromBigEndian) {
    QByteArray b = ValidHeader() + QByteArray(28, '\0');
    b[16] = char(0x80); // 32768: a value with the top bit set
    b[17] = 0;
    const char bytes8[] = {2, 3, 12, 64, 32, 33};
    std::memcpy(b.data() + 18, bytes8, sizeof bytes8);
    for (int i = 72; i < 92; ++i)
        b[i] = char(i);
    // Every 32-bit field gets a distinct value with distinct bytes.
    const struct {
        int offset;
        quint32 TSQLite3FileHeader::*field;
    } ints[] = {{24, &TSQLite3FileHeader::FileChangeCounter},
                {28, &TSQLite3FileHeader::PagesInDB},
                {32, &TSQLite3FileHeader::FirstFreelistTrunkPage},
                {36, &TSQLite3FileHeader::TotalFreelistPages},
                {40, &TSQLite3FileHeader::SchemaCookie},
                {44, &TSQLite3FileHeader::SchemaFormat},
                {48, &TSQLite3FileHeader::DefaultPageCache},
                {52, &TSQLite3FileHeader::LargestRootBTree},
                {56, &TSQLite3FileHeader::DBTextEncoding},
                {60, &TSQLite3FileHeader::UserVersion},
                {64, &TSQLite3FileHeader::IncrementalVacuumMode},
                {68, &TSQLite3FileHeader::ApplicationID},
                {92, &TSQLite3FileHeader::VersionValidForNo},
                {96, &TSQLite3FileHeader::SQLiteVersionNo}};
    const auto valueAt = [](int offset) { return 0xF0000000u + quint32(offset) * 0x010101u; };
    for (const auto& f : ints)
        for (int k = 0; k < 4; ++k)
            b[f.offset + k] = char(valueAt(f.offset) >> (24 - 8 * k));

    const TSQLite3FileHeader h = Probe(Write("fields.db", b));
    EXPECT_EQ(h.Status, 0);
    EXPECT_EQ(QByteArray(h.Ident, 16), QByteArray("SQLite format 3", 16));
    EXPECT_EQ(h.PageSize, 32768);
    EXPECT_EQ(h.FileFormatWriteVer, 2);
    EXPECT_EQ(h.FileFormatReadVer, 3);
    EXPECT_EQ(h.UnusedPageBytes, 12);
    EXPECT_EQ(h.MaxPayload, 64);
    EXPECT_EQ(h.MinPayload, 32);
    EXPECT_EQ(h.LeafPayload, 33);
    for (const auto& f : ints)
        EXPECT_EQ(h.*f.field, valueAt(f.offset)) << "offset " << f.offset;
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(h.Reserved[i], 72 + i);
    EXPECT_EQ(h.FileSize, 128);
}

TEST_F(FileHeaderTest, RealDatabases) {
    // page_size 65536 is stored as 1 and kept raw.
    const struct {
        int pageSize, stored;
        const char* encoding;
        quint32 encodingNo;
    } cases[] = {{1024, 1024, "UTF-8", 1}, {4096, 4096, "UTF-16le", 2}, {65536, 1, "UTF-8", 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pageSize);
        const QString path = Path("real.db");
        QFile::remove(path);
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
        const QByteArray sql = "PRAGMA page_size=" + QByteArray::number(c.pageSize) +
                               "; PRAGMA encoding='" + c.encoding +
                               "'; PRAGMA user_version=7; PRAGMA application_id=305419896;"
                               "CREATE TABLE t(a, b); CREATE INDEX ti ON t(b);"
                               "INSERT INTO t VALUES (1, randomblob(3000));";
        ASSERT_EQ(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK)
            << sqlite3_errmsg(db);
        const auto pragma = [db](const char* q) {
            sqlite3_stmt* st = nullptr;
            EXPECT_EQ(sqlite3_prepare_v2(db, q, -1, &st, nullptr), SQLITE_OK);
            EXPECT_EQ(sqlite3_step(st), SQLITE_ROW);
            const qint64 v = sqlite3_column_int64(st, 0);
            sqlite3_finalize(st);
            return v;
        };
        const qint64 pages = pragma("PRAGMA page_count");
        const qint64 cookie = pragma("PRAGMA schema_version");

        // Another connection's exclusive lock does not stop the probe.
        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &other), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        const TSQLite3FileHeader h = Probe(path);
        sqlite3_close(other);
        sqlite3_close(db);

        EXPECT_EQ(h.Status, 0);
        EXPECT_EQ(h.StatusText, QStringLiteral("Ready"));
        EXPECT_EQ(h.PageSize, c.stored);
        EXPECT_EQ(h.PagesInDB, pages);
        EXPECT_GE(pages, 3);
        EXPECT_EQ(h.SchemaCookie, cookie);
        EXPECT_EQ(h.SchemaFormat, 4u);
        EXPECT_EQ(h.UserVersion, 7u);
        EXPECT_EQ(h.ApplicationID, 0x12345678u);
        EXPECT_EQ(h.DBTextEncoding, c.encodingNo);
        EXPECT_EQ(h.SQLiteVersionNo, quint32(sqlite3_libversion_number()));
        EXPECT_EQ(h.VersionValidForNo, h.FileChangeCounter);
        EXPECT_EQ(h.FileSize, pages * c.pageSize);
        EXPECT_EQ(h.FileSize, QFileInfo(path).size());
        EXPECT_EQ(h.Modified, QFileInfo(path).lastModified());
    }
}

// Blanks are part of a Linux file name: a decoy without them is not probed
// in place of the named file.
TEST_F(FileHeaderTest, NameIsTakenAsGivenAndLinksAreFollowed) {
    const QString path = Write("ok.db", ValidHeader() + "x");
    EXPECT_EQ(Probe(QStringLiteral("  ") + path + QStringLiteral(" \t")).Status, 1);
    Write("lead.db", ValidHeader() + "x");
    EXPECT_EQ(Probe(Path(" lead.db")).Status, 2);
    Write(" spaced.db ", ValidHeader() + "x");
    EXPECT_EQ(Probe(Path(" spaced.db ")).Status, 0);
    const QString link = Path("link.db");
    ASSERT_TRUE(QFile::link(path, link));
    const TSQLite3FileHeader h = Probe(link);
    EXPECT_EQ(h.Status, 0);
    EXPECT_EQ(h.FileSize, 101);
}

TEST_F(FileHeaderTest, OnlyRegularFilesAreRead) {
    const QString fifo = Path("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString sock = Path("sock");
    const int sfd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sfd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray sockName = QFile::encodeName(sock);
    ASSERT_LT(size_t(sockName.size()), sizeof addr.sun_path);
    std::memcpy(addr.sun_path, sockName.constData(), size_t(sockName.size()));
    ASSERT_EQ(::bind(sfd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder")));

    for (const QString& p : {fifo, sock, Path("folder"), QStringLiteral("/dev/null")}) {
        SCOPED_TRACE(p.toStdString());
        auto probe = std::async(std::launch::async, [p] { return Probe(p); });
        if (probe.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            // Release a reader stuck on the FIFO so that the test can end.
            ::close(::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK));
            FAIL() << "the probe blocked";
        }
        const TSQLite3FileHeader h = probe.get();
        EXPECT_EQ(h.Status, -1);
        EXPECT_EQ(h.FileSize, 0);
        EXPECT_TRUE(h.Modified.isValid());
    }
    ::close(sfd);
}

TEST_F(FileHeaderTest, AbsentFilesAndEmptyNames) {
    Write("plain.txt", "text");
    const QString dangling = Path("dangling.db");
    ASSERT_TRUE(QFile::link(Path("nowhere.db"), dangling));
    const QString bare = QStringLiteral("skylark-no-such-file-7f3e.db");
    ASSERT_FALSE(QFileInfo::exists(bare));
    const struct {
        QString path;
        int status;
    } cases[] = {
        {Path("missing.db"), 2},
        {dangling, 2},
        {bare, 2},
        {Path("nodir/missing.db"), 1},
        {Path("nodir/deeper/missing.db"), 1},
        {Path("plain.txt/missing.db"), 1},
        {QString(), -1},
        {QStringLiteral(" \t "), 2}, // blanks are a file name like any other
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        // Whatever the record held before is cleared.
        TSQLite3FileHeader h;
        h.PageSize = 9;
        h.userInt = 5;
        h.FileSize = 77;
        h.Modified = QDateTime::currentDateTime();
        ReadDBFileHeader(c.path, h);
        EXPECT_EQ(h.Status, c.status);
        EXPECT_EQ(h.StatusText, FileStatusText(c.status));
        EXPECT_EQ(h.PageSize, 0);
        EXPECT_EQ(h.userInt, 0);
        EXPECT_EQ(h.FileSize, 0);
        EXPECT_FALSE(h.Modified.isValid());
    }
}

TEST_F(FileHeaderTest, UnreadableFileIsLockedAndUnsearchableFolderInaccessible) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
    const QString file = Write("closed.db", ValidHeader() + "x");
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0), 0);
    const TSQLite3FileHeader h = Probe(file);
    EXPECT_EQ(h.Status, 3);
    EXPECT_EQ(h.PageSize, 0);

    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("shut")));
    const QString inner = Path("shut/inner.db");
    Write("shut/inner.db", ValidHeader() + "x");
    ASSERT_EQ(::chmod(QFile::encodeName(Path("shut")).constData(), 0), 0);
    EXPECT_EQ(Probe(inner).Status, 1);
    ::chmod(QFile::encodeName(Path("shut")).constData(), 0700);
}

} // namespace
} // namespace sky::test
