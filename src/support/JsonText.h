// JSON text: string literals with every character outside printable ASCII
// escaped (\uXXXX of its UTF-16 units), so the output is plain ASCII.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QUtf8StringView>
#include <string>

namespace sky {
// A JSON string literal of UTF-8 text: \b \t \n \f \r, \" \/ \\, and \uXXXX
// (upper-case hex of each UTF-16 unit) for every other byte outside 32..126;
// malformed UTF-8 becomes \uFFFD.
void AppendJsonString(std::string& out, const char* p, qsizetype n);
// The same for UTF-16 text, unit by unit (lone surrogates stay as \uXXXX).
void AppendJsonString(std::string& out, QStringView s);
// The same for Latin-1 text.
void AppendJsonString(std::string& out, QLatin1String s);
// UTF-8 text as a view.
inline void AppendJsonString(std::string& out, QUtf8StringView s) {
    AppendJsonString(out, s.data(), s.size());
}
QString JsonString(QStringView s);
// ["a", "b", ...] on one line.
QString JsonStringArray(const QStringList& items);
} // namespace sky
