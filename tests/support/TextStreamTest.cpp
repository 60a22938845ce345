// Text decoded piece by piece: every cut of the bytes decodes exactly as the
// whole (byte-order marks, UTF-8 sequences, UTF-16 units and Windows-1252
// bytes cut anywhere), files read in pieces of any size, and the count of a
// character taken before reading.
#include "support/TextFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sky {
namespace {

// The text of bytes handed to one decoder in pieces ending at the cuts.
QString DecodeAtCuts(const QByteArray& bytes, const std::vector<qsizetype>& cuts) {
    TextDecoder decoder;
    QString out;
    qsizetype at = 0;
    for (qsizetype cut : cuts) {
        decoder.Decode(QByteArrayView(bytes).sliced(at, cut - at), out, false);
        at = cut;
    }
    decoder.Decode(QByteArrayView(bytes).sliced(at), out, true);
    return out;
}

QString Hex(const QByteArray& b) {
    return QString::fromLatin1(b.toHex(' '));
}

// Bytes that start, continue or break sequences, marks and line ends.
const unsigned char kAlphabet[] = {0x41, 0x3B, 0x0D, 0x0A, 0x00, 0x80, 0x9F, 0xA0, 0xBB, 0xBF,
                                   0xC2, 0xDF, 0xE0, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFE, 0xFF};
const char* const kMarks[] = {"", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};

// Every string of up to three bytes of the alphabet after every mark, cut at
// every offset into two pieces and into single bytes.
TEST(TextDecoder, EveryCutDecodesAsTheWhole) {
    const int n = int(sizeof kAlphabet);
    for (const char* mark : kMarks) {
        for (int len = 0; len <= 3; ++len) {
            int combos = 1;
            for (int i = 0; i < len; ++i)
                combos *= n;
            for (int k = 0; k < combos; ++k) {
                QByteArray bytes(mark);
                for (int i = 0, v = k; i < len; ++i, v /= n)
                    bytes.append(char(kAlphabet[v % n]));
                const QString whole = DecodeText(bytes);
                for (qsizetype cut = 0; cut <= bytes.size(); ++cut)
                    ASSERT_EQ(DecodeAtCuts(bytes, {cut}), whole)
                        << Hex(bytes).toStdString() << " cut at " << cut;
                std::vector<qsizetype> single;
                for (qsizetype i = 1; i < bytes.size(); ++i)
                    single.push_back(i);
                ASSERT_EQ(DecodeAtCuts(bytes, single), whole) << Hex(bytes).toStdString();
            }
        }
    }
}

// Longer random texts (with marks repeated inside, where they are
// characters) in pieces of one to five bytes and at every single cut.
TEST(TextDecoder, RandomTextsDecodeAsTheWhole) {
    std::mt19937 rng(7);
    const QByteArray pieces[] = {
        "\xEF\xBB\xBF", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xC3\xA9",
        "\r\n",         "a;b",          "\xFF\xFE",         "\x00\xD8\x00\xDC"};
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes(kMarks[rng() % 4]);
        const int parts = int(rng() % 10);
        for (int i = 0; i < parts; ++i) {
            if (rng() % 2)
                bytes += pieces[rng() % std::size(pieces)];
            else
                bytes.append(char(rng() % 2 ? kAlphabet[rng() % sizeof kAlphabet] : rng() % 256));
        }
        const QString whole = DecodeText(bytes);
        for (qsizetype cut = 0; cut <= bytes.size(); ++cut)
            ASSERT_EQ(DecodeAtCuts(bytes, {cut}), whole) << Hex(bytes).toStdString() << " " << cut;
        for (qsizetype piece = 1; piece <= 5; ++piece) {
            std::vector<qsizetype> cuts;
            for (qsizetype at = piece; at < bytes.size(); at += piece)
                cuts.push_back(at);
            ASSERT_EQ(DecodeAtCuts(bytes, cuts), whole) << Hex(bytes).toStdString() << " " << piece;
        }
    }
}

class TextFileReaderTest : public ::testing::Test {
protected:
    QString Write(const QByteArray& bytes) {
        const QString file = dir.filePath(QStringLiteral("t%1.txt").arg(++files));
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        EXPECT_EQ(f.write(bytes), bytes.size());
        return file;
    }
    QTemporaryDir dir;
    int files = 0;
};

// A file read in pieces of any size gives the text of the whole file, and
// the count of ';' taken before reading is that of the text, in every form.
TEST_F(TextFileReaderTest, ReadsInPiecesAndCountsAhead) {
    const QString text = QStringLiteral("SELECT 'Grüße; 😀';\r\nSELECT '€' -- ;\n;");
    const QByteArray le(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    QByteArray be = le;
    for (qsizetype i = 0; i + 1 < be.size(); i += 2)
        std::swap(be[i], be[i + 1]);
    const QByteArray forms[] = {
        text.toUtf8(),
        "\xEF\xBB\xBF" + text.toUtf8(),
        "\xFF\xFE" + le,
        "\xFE\xFF" + be,
        "\xFF\xFE" + le + "\x3B", // an odd last byte is no unit
        QByteArray("caf\xE9; na\xEFve \x80;\xC3\xA9;"),
        QByteArray(),
    };
    for (const QByteArray& bytes : forms) {
        SCOPED_TRACE(Hex(bytes).toStdString());
        const QString file = Write(bytes);
        QString whole;
        ASSERT_TRUE(ReadTextFile(file, whole));
        for (qsizetype piece : {1, 2, 3, 4, 7, 65536}) {
            SCOPED_TRACE(piece);
            TextFileReader reader(piece);
            ASSERT_TRUE(reader.Open(file));
            EXPECT_EQ(reader.CountAscii(';'), whole.count(QLatin1Char(';')));
            QString read;
            int calls = 0;
            while (reader.ReadMore(read))
                ++calls;
            EXPECT_EQ(read, whole);
            EXPECT_TRUE(reader.Error().isEmpty());
            EXPECT_LE(calls, bytes.size() / piece + 2);
            EXPECT_FALSE(reader.ReadMore(read)); // the end stays the end
        }
    }
}

// The word is looked for ahead in any letter case, also across the reads of
// a pass (1 MB each) and at the very start and end; a UTF-16 file is not
// looked into, and the reader's position stays where it was.
TEST_F(TextFileReaderTest, LooksAheadForAWord) {
    const QByteArray mb(1 << 20, 'x');
    const struct {
        QByteArray bytes;
        int found;
    } cases[] = {
        {"PRAGMA hard_heap_limit = 1;", 1},
        {"pragma Soft_HEAP_Limit", 1},
        {"heap_limit", 1},
        {"heap_limi", 0},
        {"heap limit; heap-limit; heapXlimit", 0},
        {"\xEF\xBB\xBFheap_limit", 1},
        {"caf\xE9 heap_limit", 1},
        {mb.left((1 << 20) - 5) + "heap_limit", 1}, // cut between two reads
        {mb + mb + "heap_limi", 0},
        {mb + "xx_heap_limit_", 1},
        {QByteArray(), 0},
        {"\xFF\xFEh\0e\0a\0p\0", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.left(40).toStdString());
        const QString file = Write(c.bytes);
        TextFileReader reader;
        ASSERT_TRUE(reader.Open(file));
        EXPECT_EQ(reader.ContainsAsciiWord("heap_limit"), c.found);
        QString read, whole;
        while (reader.ReadMore(read)) {
        }
        ASSERT_TRUE(ReadTextFile(file, whole));
        EXPECT_EQ(read, whole);
    }
}

// The reader opens what ReadTextFile opens: no directories, FIFOs only where
// allowed; a pipe cannot be counted ahead.
TEST_F(TextFileReaderTest, OpensWhatTheWholeReaderOpens) {
    TextFileReader reader;
    QString why;
    EXPECT_FALSE(reader.Open(dir.path(), &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_FALSE(reader.Open(dir.filePath(QStringLiteral("missing.sql")), &why));
    QString text;
    EXPECT_FALSE(reader.ReadMore(text));
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(reader.Open(fifo, &why));
    // Opened for reading only with a writer present, as a user's -f names it.
    const int writer = ::open(QFile::encodeName(fifo).constData(), O_RDWR);
    ASSERT_GE(writer, 0);
    ASSERT_TRUE(reader.Open(fifo, &why, true)) << why.toStdString();
    EXPECT_EQ(reader.CountAscii(';'), -1);
    EXPECT_EQ(reader.ContainsAsciiWord("heap_limit"), -1);
    ASSERT_EQ(::write(writer, "SELECT 1;", 9), 9);
    ::close(writer);
    QString read;
    while (reader.ReadMore(read)) {
    }
    EXPECT_EQ(read, QStringLiteral("SELECT 1;"));
}

} // namespace
} // namespace sky
