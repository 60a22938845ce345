// Readable Qt values in test failure messages: texts quoted, with line
// breaks, tabs and other control characters escaped (a CR LF shows as \r\n).
// Include it (TempDb.h and ScriptedPrompter.h do) before comparing such
// values, so every test file prints them the same way.
#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <cstdio>
#include <ostream>
#include <string>

namespace sky::test {

inline std::string EscapedForPrint(const QByteArray& utf8) {
    std::string out = "\"";
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            if (c < 0x20 || c == 0x7f) {
                char hex[5];
                std::snprintf(hex, sizeof hex, "\\x%02X", c);
                out += hex;
            } else {
                out += ch;
            }
        }
    }
    return out + '"';
}

} // namespace sky::test

// In the global namespace, where the types are, so that the test framework
// finds them.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << sky::test::EscapedForPrint(s.toUtf8());
}

inline void PrintTo(const QByteArray& b, std::ostream* os) {
    *os << sky::test::EscapedForPrint(b);
}

inline void PrintTo(QChar c, std::ostream* os) {
    *os << sky::test::EscapedForPrint(QString(c).toUtf8());
}
