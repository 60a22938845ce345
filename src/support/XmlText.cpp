#include "support/XmlText.h"

namespace sky {

namespace {

// XML name start characters without ":" (a colon would read as an undeclared
// namespace prefix to namespace-aware parsers).
bool IsNameStart(char32_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
           (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) ||
           (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0xEFFFF);
}

bool IsNameChar(char32_t c) {
    return IsNameStart(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

} // namespace

QString XMLEscape(QStringView s) {
    QString r;
    r.reserve(s.size());
    for (QChar c : s) {
        switch (c.unicode()) {
        case '&':
            r += QLatin1String("&amp;");
            break;
        case '<':
            r += QLatin1String("&lt;");
            break;
        case '>':
            r += QLatin1String("&gt;");
            break;
        case '"':
            r += QLatin1String("&quot;");
            break;
        default:
            r += c;
        }
    }
    return r;
}

QString XmlElementName(QStringView s) {
    QString r;
    r.reserve(s.size() + 1);
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        // A surrogate pair is one character: kept or replaced as a whole.
        if (c.isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
            const char32_t code = QChar::surrogateToUcs4(c, s[i + 1]);
            if (IsNameChar(code)) {
                r += c;
                r += s[i + 1];
            } else {
                r += QLatin1Char('_');
            }
            ++i;
            continue;
        }
        if (c.isSurrogate() || !IsNameChar(c.unicode()))
            r += QLatin1Char('_');
        else
            r += c;
    }
    if (r.isEmpty()) return QStringLiteral("_");
    const QChar first = r[0];
    const char32_t code = first.isHighSurrogate() && r.size() > 1
                              ? QChar::surrogateToUcs4(first, r[1])
                              : char32_t(first.unicode());
    if (!IsNameStart(code)) r.prepend(QLatin1Char('_'));
    return r;
}

} // namespace sky
