#include "engine/SqlLiteral.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sqlite3.h>

namespace sky {

QString QuoteSqlString(QStringView text, SqlDialect dialect) {
    QString r;
    r.reserve(text.size() + 3);
    bool nonAscii = false;
    r += QLatin1Char('\'');
    for (QChar c : text) {
        if (c == QLatin1Char('\''))
            r += QLatin1Char('\'');
        else if (c == QLatin1Char('\\') && dialect == SqlDialect::MySQL)
            r += QLatin1Char('\\');
        if (c.unicode() > 127) nonAscii = true;
        r += c;
    }
    r += QLatin1Char('\'');
    if (nonAscii && dialect == SqlDialect::MSSQL) r.prepend(QLatin1Char('N'));
    return r;
}

QString SqlRealLiteral(double value) {
    if (std::isinf(value)) return value > 0 ? QStringLiteral("1e999") : QStringLiteral("-1e999");
    if (std::isnan(value)) return QStringLiteral("NULL");
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    if (std::strtod(buf, nullptr) != value) std::snprintf(buf, sizeof buf, "%.17g", value);
    // Keep a decimal point or exponent, so the value reads back as REAL.
    if (!std::strpbrk(buf, ".eE")) {
        const size_t n = std::strlen(buf);
        std::snprintf(buf + n, sizeof buf - n, ".0");
    }
    return QString::fromLatin1(buf);
}

QString SqlBlobLiteral(const void* data, qsizetype size) {
    static const char digits[] = "0123456789ABCDEF";
    QString r;
    r.reserve(2 * size + 3);
    r += QStringLiteral("X'");
    const auto* p = static_cast<const unsigned char*>(data);
    for (qsizetype i = 0; i < size; ++i) {
        r += QLatin1Char(digits[p[i] >> 4]);
        r += QLatin1Char(digits[p[i] & 15]);
    }
    r += QLatin1Char('\'');
    return r;
}

} // namespace sky
