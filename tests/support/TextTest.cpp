// Shared text helpers: decoding of text files, reading only regular files,
// trimming, JSON strings.
#include "common/Process.h"
#include "common/TempDb.h"
#include "support/HeldFiles.h"
#include "support/JsonText.h"
#include "support/Settings.h"
#include "support/TextFile.h"
#include "support/TextUtil.h"

#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace sky {
namespace {

using ScriptFileTest = test::TempDbTest;

TEST(DecodeText, HonoursMarksAndFallsBackToWindows1252) {
    struct Case {
        QByteArray bytes;
        QString text;
    } cases[] = {
        {QByteArray("plain"), QStringLiteral("plain")},
        {QByteArray("\xEF\xBB\xBFGr\xC3\xBC\xC3\x9F"
                    "e"),
         QStringLiteral("Grüße")},
        {QByteArray("Gr\xC3\xBC\xC3\x9F"
                    "e"),
         QStringLiteral("Grüße")},
        {QByteArray("\xFF\xFE"
                    "a\0\xFC\0",
                    6),
         QStringLiteral("aü")},
        {QByteArray("\xFE\xFF\0a\0\xFC", 6), QStringLiteral("aü")},
        // Not UTF-8: Windows-1252, with its own characters in 0x80..0x9F.
        {QByteArray("caf\xE9 \x80 \x93q\x94"), QStringLiteral("café € “q”")},
        {QByteArray("\x81"), QString(QChar(0x81))},
        // Mostly UTF-8: each well-formed sequence as UTF-8, each other byte as
        // its Windows-1252 character.
        {QByteArray("'\xC3\xBC' '\xFF'"), QStringLiteral("'ü' 'ÿ'")},
        {QByteArray("caf\xC3\xA9 \x80 \xE2\x82\xAC \x93q\x94"), QStringLiteral("café € € “q”")},
        {QByteArray("\xF0\x9F\x98\x80\xF0\x9F\x98"), QStringLiteral("😀\u00F0\u0178\u02DC")},
        // Overlong forms, surrogates, values above U+10FFFF and cut sequences
        // are no UTF-8.
        {QByteArray("\xC3\xBC\xC0\xAF"), QStringLiteral("üÀ¯")},
        {QByteArray("\xC3\xBC\xED\xA0\x80"), QStringLiteral("üí\u00A0€")},
        {QByteArray("\xC3\xBC\xF4\x90\x80\x80"), QStringLiteral("üô\u0090€€")},
        {QByteArray("\xC3\xBC\xE2\x82"), QStringLiteral("ü\u00E2\u201A")},
        {QByteArray("\xC3\xBC\xC3"), QStringLiteral("üÃ")},
        {QByteArray("a\0\xC3\xBC\xFF", 5), QStringLiteral("a") + QChar(0) + QStringLiteral("üÿ")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.toHex().toStdString());
        EXPECT_EQ(DecodeText(c.bytes), c.text);
    }
}

TEST(TextFile, WritesAtomicallyAndReadsBack) {
    QTemporaryDir dir;
    const QString f = dir.filePath(QStringLiteral("x.txt"));
    ASSERT_TRUE(WriteFileAtomic(f, QByteArray("one\r\ntwo")));
    QString text;
    ASSERT_TRUE(ReadTextFile(f, text));
    EXPECT_EQ(text, QStringLiteral("one\r\ntwo"));
    QString why;
    EXPECT_FALSE(ReadTextFile(dir.filePath(QStringLiteral("none")), text, &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_FALSE(WriteFileAtomic(dir.filePath(QStringLiteral("no/such/dir/f")), "x", &why));
}

// Neither a text file nor a database script replaces a database file that
// a connection of ours holds.
TEST(TextFile, HeldDatabaseIsNeverReplaced) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("held.db"));
    TSQLite3Database db;
    ASSERT_TRUE(db.Open(file));
    ASSERT_TRUE(db.Execute(QStringLiteral("create table t(x);")));
    QString why;
    EXPECT_FALSE(WriteFileAtomic(file, "text", &why));
    EXPECT_EQ(why, HeldFileError(file));
    TSQLite3Database other;
    ASSERT_TRUE(other.Open(dir.filePath(QStringLiteral("other.db"))));
    EXPECT_FALSE(other.ExportDBScript(file, 0, true));
    EXPECT_TRUE(other.LastError().contains(HeldFileError(file))) << other.LastError().toStdString();
    QString tables;
    ASSERT_TRUE(db.QuerySingleValue(tables, QStringLiteral("select name from sqlite_master;")));
    EXPECT_EQ(tables, QStringLiteral("t"));
}

// A script file that is UTF-8 but for one byte keeps its UTF-8 characters.
TEST_F(ScriptFileTest, MostlyUtf8ScriptKeepsItsCharacters) {
    const QString script = dir.filePath(QStringLiteral("f7.sql"));
    QFile f(script);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        "create table t(a);\ninsert into t values('\xc3\xbc');\ninsert into t values('\xff');\n");
    f.close();
    QString text;
    ASSERT_TRUE(ReadTextFile(script, text));
    Run(text);
    EXPECT_EQ(Value(QStringLiteral("SELECT group_concat(hex(a), ' ') FROM t")),
              QStringLiteral("C3BC C3BF"));
}

// A database file (or its journal) that a connection of this program holds is
// never opened as text: closing that descriptor would drop the connection's
// locks, and another process could then write under it.
TEST_F(ScriptFileTest, RefusesDatabaseFilesThisProgramHolds) {
    Run(QStringLiteral("CREATE TABLE t(a);"));
    ASSERT_TRUE(db.BeginTransaction()) << db.LastError().toStdString();
    Run(QStringLiteral("INSERT INTO t VALUES(1);"));
    const QString journal = path + QStringLiteral("-journal");
    ASSERT_TRUE(QFile::exists(journal));
    for (const QString& file : {path, journal}) {
        QString text, why;
        EXPECT_FALSE(ReadTextFile(file, text, &why));
        EXPECT_EQ(why, HeldFileError(file));
    }
    const test::ProcessResult other = test::RunProgram(
        QStringLiteral(SQLITE3_SHELL_PATH), {path, QStringLiteral("INSERT INTO t VALUES(2);")});
    EXPECT_NE(other.code, 0);
    EXPECT_TRUE(other.err.contains("locked")) << other.err.toStdString();
    ASSERT_TRUE(db.Commit()) << db.LastError().toStdString();
    EXPECT_EQ(Value(QStringLiteral("SELECT group_concat(a) FROM t")), QStringLiteral("1"));
    EXPECT_EQ(Value(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
}

// Only regular files are opened: a FIFO, a device or a folder in place of a
// settings file is refused at once, never waited on.
TEST(TextFile, ReadsRegularFilesOnly) {
    QTemporaryDir dir;
    const QString fifo = ListFileName(dir.path(), QStringLiteral("SystemConfig"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // Should a read wait on the FIFO after all, a writer comes after a while
    // and the test fails instead of hanging.
    std::atomic<bool> done{false};
    std::thread guard([&] {
        for (int i = 0; i < 300 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (done) return;
        const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) ::close(fd);
    });
    QString text, why;
    EXPECT_FALSE(ReadTextFile(fifo, text, &why));
    EXPECT_FALSE(why.isEmpty());
    QStringList lines{QStringLiteral("stale")};
    EXPECT_FALSE(ListLoad(lines, QStringLiteral("SystemConfig"), dir.path()));
    EXPECT_TRUE(lines.isEmpty());
    EXPECT_FALSE(ReadTextFile(QStringLiteral("/dev/zero"), text, &why));
    EXPECT_FALSE(ReadTextFile(dir.path(), text, &why));
    done = true;
    guard.join();

    // A file the user names may be a stream, when the caller allows it.
    std::thread writer([&] {
        const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY);
        if (fd >= 0) {
            EXPECT_EQ(::write(fd, "select 1;\n", 10), 10);
            ::close(fd);
        }
    });
    EXPECT_TRUE(ReadTextFile(fifo, text, &why, true)) << why.toStdString();
    writer.join();
    EXPECT_EQ(text, QStringLiteral("select 1;\n"));
}

TEST(TextUtil, TrimsControlCharactersOnly) {
    EXPECT_EQ(TrimText(u"\t\r\n x y \x01"), QStringLiteral("x y"));
    EXPECT_EQ(TrimText(u"\u00A0x\u00A0"), QStringLiteral("\u00A0x\u00A0"));
    EXPECT_EQ(TrimTextRight(u"  x  \r\n"), QStringLiteral("  x"));
    EXPECT_EQ(ShortenText(QString(10, QLatin1Char('a')), 10), QString(10, QLatin1Char('a')));
    EXPECT_EQ(ShortenText(QString(11, QLatin1Char('a')), 10),
              QString(7, QLatin1Char('a')) + QStringLiteral("..."));
    EXPECT_EQ(UpperAscii(u"abzäß"), QStringLiteral("ABZäß"));
    EXPECT_EQ(ExceptionText(std::runtime_error("boom")),
              QStringLiteral("(std::runtime_error): boom"));
}

// The quick hash of the name tables: every byte counts (also past eight and
// in a short tail), the seed changes it, a text hashes as its units, and
// the low bits a table uses spread schema-like names (c1 ... c20000, t1_a).
TEST(TextUtil, FastHashSpreadsNames) {
    const size_t seed = 12345;
    EXPECT_EQ(FastHash(QByteArrayView("abc"), seed), FastHash(QByteArrayView("abc"), seed));
    EXPECT_NE(FastHash(QByteArrayView("abc"), seed), FastHash(QByteArrayView("abc"), seed + 1));
    for (const QByteArrayView other :
         {QByteArrayView("abd"), QByteArrayView("ab"), QByteArrayView("abc\0", 4),
          QByteArrayView("bac"), QByteArrayView("")})
        EXPECT_NE(FastHash(QByteArrayView("abc"), seed), FastHash(other, seed)) << other.size();
    EXPECT_NE(FastHash(QByteArrayView("column_name_1"), seed),
              FastHash(QByteArrayView("column_name_2"), seed));
    EXPECT_NE(FastHash(QByteArrayView("1_column_name"), seed),
              FastHash(QByteArrayView("2_column_name"), seed));
    const QString text = QStringLiteral("Zoë");
    EXPECT_EQ(FastHash(QStringView(text), seed),
              FastHash(QByteArrayView(reinterpret_cast<const char*>(text.utf16()), text.size() * 2),
                       seed));
    // 40,000 names into 65,536 slots by the low 16 bits: close to what a
    // random spread fills (about 30,300 slots).
    std::vector<char> used(65536, 0);
    int filled = 0;
    for (int i = 1; i <= 20000; ++i)
        for (const QString& n : {QStringLiteral("c%1").arg(i), QStringLiteral("t%1_a").arg(i)}) {
            char& u = used[FastHash(QStringView(n), seed) & 0xFFFF];
            filled += u == 0;
            u = 1;
        }
    EXPECT_GT(filled, 29000);
}

TEST(JsonText, EscapesWhatJsonRequires) {
    EXPECT_EQ(JsonString(u"a\"b\\c\n\r\t\x01ü/🙂"),
              QStringLiteral("\"a\\\"b\\\\c\\n\\r\\t\\u0001\\u00FC\\/\\uD83D\\uDE42\""));
    // Malformed UTF-8 becomes the replacement character.
    std::string bad;
    AppendJsonString(bad, "a\xFF\xC3", 3);
    EXPECT_EQ(bad, "\"a\\uFFFD\\uFFFD\"");
    EXPECT_EQ(JsonStringArray({}), QStringLiteral("[]"));
    EXPECT_EQ(JsonStringArray({QStringLiteral("x"), QStringLiteral("y")}),
              QStringLiteral("[\"x\", \"y\"]"));
}

} // namespace
} // namespace sky
