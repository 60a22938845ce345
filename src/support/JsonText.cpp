#include "support/JsonText.h"

namespace sky {

QString JsonString(QStringView s) {
    QString r;
    r.reserve(s.size() + 2);
    r += QLatin1Char('"');
    for (QChar c : s) {
        const char16_t u = c.unicode();
        switch (u) {
        case '"':
            r += QStringLiteral("\\\"");
            break;
        case '\\':
            r += QStringLiteral("\\\\");
            break;
        case '\n':
            r += QStringLiteral("\\n");
            break;
        case '\r':
            r += QStringLiteral("\\r");
            break;
        case '\t':
            r += QStringLiteral("\\t");
            break;
        default:
            if (u < 0x20)
                r += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0'));
            else
                r += c;
        }
    }
    r += QLatin1Char('"');
    return r;
}

QString JsonStringArray(const QStringList& items) {
    QString r = QStringLiteral("[");
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i > 0) r += QStringLiteral(", ");
        r += JsonString(items[i]);
    }
    r += QLatin1Char(']');
    return r;
}

} // namespace sky
