// Shared text helpers: decoding of text files, trimming, JSON strings.
#include "support/JsonText.h"
#include "support/TextFile.h"
#include "support/TextUtil.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <stdexcept>

namespace sky {
namespace {

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
