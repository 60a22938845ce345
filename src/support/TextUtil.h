// Small text helpers shared by every module: trimming with the system's rule
// (characters up to code 32 count as blanks), shortening, exception texts.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <exception>

namespace sky {

// Removes characters with codes 0..32 from both ends.
QString TrimText(QStringView s);
// The same, as a view of the text.
QStringView TrimmedView(QStringView s);
// The same keeping a text that needs no trimming as it is (no copy).
QString TrimText(const QString& s);
// The first position of the two characters a b from `from` on, -1 none;
// faster than a search for a two-character string.
qsizetype IndexOfPair(QStringView s, char16_t a, char16_t b, qsizetype from = 0);
// Removes characters with codes 0..32 from the end.
QString TrimTextRight(QStringView s);
// Keeps texts of at most maxLen characters; longer ones become their first
// maxLen - 3 characters followed by "...".
QString ShortenText(const QString& s, qsizetype maxLen);
// A text of at most n characters (n at least 5) as it is; a longer one cut
// at a word end: the last character that is not an ASCII letter or digit
// from position n - 3 back to n - 12 (to 5 when n is below 17), the text
// before it + " ..."; without one the first n - 3 characters + "...".
QString ShortenAtWord(const QString& text, int n);
// Control characters and the other blanks (U+00A0, U+1680, U+2000..U+200B,
// ...) as spaces, each run of spaces one space.
QString CollapseWhitespace(const QString& s);
// Upper-cases a-z only (keeps every other character and every position).
QString UpperAscii(QStringView s);
// Demangled class name of an exception object.
QString ExceptionClassName(const std::exception& e);
// "(" + class + "): " + message.
QString ExceptionText(const std::exception& e);
// Text used for exceptions that are not std::exception.
inline QString UnknownExceptionText() {
    return QStringLiteral("(unknown): unknown exception");
}

// A quick hash of bytes (UTF-16 texts: of their units) for the program's
// own tables of names, seeded with the process's hash seed: several times
// faster than Qt's string hash on the short names of a schema.
size_t FastHash(QByteArrayView bytes, size_t seed);
size_t FastHash(QStringView text, size_t seed);

} // namespace sky
