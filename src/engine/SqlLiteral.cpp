#include "engine/SqlLiteral.h"

#include <QByteArrayView>

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

void AppendSqlReal(std::string& out, double value) {
    if (std::isinf(value)) {
        out += value > 0 ? "1e999" : "-1e999";
        return;
    }
    if (std::isnan(value)) {
        out += "NULL";
        return;
    }
    char buf[64];
    int n = std::snprintf(buf, sizeof buf, "%.15g", value);
    if (std::strtod(buf, nullptr) != value) n = std::snprintf(buf, sizeof buf, "%.17g", value);
    out.append(buf, size_t(n));
    // Keep a decimal point or exponent, so the value reads back as REAL.
    if (!std::strpbrk(buf, ".eE")) out += ".0";
}

void AppendSqlBlob(std::string& out, const void* data, qsizetype size) {
    static const char digits[] = "0123456789ABCDEF";
    const size_t at = out.size();
    out.resize(at + size_t(2 * size + 3));
    char* d = out.data() + at;
    *d++ = 'X';
    *d++ = '\'';
    const auto* p = static_cast<const unsigned char*>(data);
    for (qsizetype i = 0; i < size; ++i) {
        *d++ = digits[p[i] >> 4];
        *d++ = digits[p[i] & 15];
    }
    *d = '\'';
}

qsizetype AppendSqlText(std::string& out, const char* p, qsizetype n) {
    bool quote = false, high = false, special = false;
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(p[i]);
        quote |= c == '\'';
        high |= c >= 0x80;
        special |= c == 0 || c == '\r';
    }
    const size_t at = out.size();
    if (high && !QByteArrayView(p, n).isValidUtf8()) {
        out += "CAST(";
        AppendSqlBlob(out, p, n);
        out += " AS TEXT)";
        return qsizetype(out.size() - at);
    }
    if (!special) {
        out += '\'';
        if (!quote) {
            out.append(p, size_t(n));
        } else {
            for (qsizetype i = 0; i < n; ++i) {
                if (p[i] == '\'') out += '\'';
                out += p[i];
            }
        }
        out += '\'';
    } else {
        // A NUL ends the statement text for the engine, and readers of script
        // lines drop a CR before a line feed: both are written as char().
        bool open = false, first = true;
        for (qsizetype i = 0; i < n; ++i) {
            const char c = p[i];
            if (c == 0 || c == '\r') {
                if (open) out += '\'';
                if (!first) out += "||";
                out += c == 0 ? "char(0)" : "char(13)";
                open = false;
                first = false;
                continue;
            }
            if (!open) {
                if (!first) out += "||";
                out += '\'';
                open = true;
                first = false;
            }
            if (c == '\'') out += '\'';
            out += c;
        }
        if (open) out += '\'';
    }
    qsizetype units = qsizetype(out.size() - at);
    if (high) {
        // Continuation bytes add no unit; a 4-byte sequence is two units.
        for (size_t i = at; i < out.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(out[i]);
            if ((c & 0xC0) == 0x80)
                --units;
            else if (c >= 0xF0)
                ++units;
        }
    }
    return units;
}

qsizetype AppendSqlValue(std::string& out, sqlite3_stmt* stmt, int column) {
    const size_t at = out.size();
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        out += std::to_string(sqlite3_column_int64(stmt, column));
        break;
    case SQLITE_FLOAT:
        AppendSqlReal(out, sqlite3_column_double(stmt, column));
        break;
    case SQLITE_TEXT: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
        return AppendSqlText(out, p, sqlite3_column_bytes(stmt, column));
    }
    case SQLITE_BLOB:
        AppendSqlBlob(out, sqlite3_column_blob(stmt, column), sqlite3_column_bytes(stmt, column));
        break;
    default:
        out += "NULL";
        break;
    }
    return qsizetype(out.size() - at);
}

QString SqlRealLiteral(double value) {
    std::string r;
    AppendSqlReal(r, value);
    return QString::fromLatin1(r.data(), qsizetype(r.size()));
}

QString SqlBlobLiteral(const void* data, qsizetype size) {
    std::string r;
    AppendSqlBlob(r, data, size);
    return QString::fromLatin1(r.data(), qsizetype(r.size()));
}

} // namespace sky
