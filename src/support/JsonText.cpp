#include "support/JsonText.h"

namespace sky {
namespace {

const char kHex[] = "0123456789ABCDEF";

void AppendU(std::string& out, unsigned u) {
    const char e[6] = {
        '\\', 'u', kHex[(u >> 12) & 15], kHex[(u >> 8) & 15], kHex[(u >> 4) & 15], kHex[u & 15]};
    out.append(e, 6);
}

// Decodes one UTF-8 sequence at p (at most n bytes); returns its length and
// the code point, or length 1 and U+FFFD for a malformed byte.
int DecodeUtf8(const unsigned char* p, qsizetype n, unsigned& cp) {
    const unsigned c = p[0];
    int len = 0;
    unsigned min = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1F;
        min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0F;
        min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07;
        min = 0x10000;
    } else {
        cp = 0xFFFD;
        return 1;
    }
    if (n < len) {
        cp = 0xFFFD;
        return 1;
    }
    for (int i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80) {
            cp = 0xFFFD;
            return 1;
        }
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        cp = 0xFFFD;
        return 1;
    }
    return len;
}

// The escape of one UTF-16 unit that JSON text cannot carry as it is.
void AppendEscape(std::string& out, unsigned u) {
    switch (u) {
    case '\b':
        out += "\\b";
        break;
    case '\t':
        out += "\\t";
        break;
    case '\n':
        out += "\\n";
        break;
    case '\f':
        out += "\\f";
        break;
    case '\r':
        out += "\\r";
        break;
    case '"':
        out += "\\\"";
        break;
    case '/':
        out += "\\/";
        break;
    case '\\':
        out += "\\\\";
        break;
    default:
        AppendU(out, u);
    }
}

bool IsPlain(unsigned c) {
    return c >= 32 && c <= 126 && c != '"' && c != '\\' && c != '/';
}

} // namespace

void AppendJsonString(std::string& out, const char* p, qsizetype n) {
    out += '"';
    const auto* s = reinterpret_cast<const unsigned char*>(p);
    qsizetype run = 0; // start of plain bytes not yet copied
    for (qsizetype i = 0; i < n;) {
        const unsigned c = s[i];
        if (IsPlain(c)) {
            ++i;
            continue;
        }
        out.append(p + run, i - run);
        if (c < 128) {
            AppendEscape(out, c);
            ++i;
        } else {
            unsigned cp = 0;
            i += DecodeUtf8(s + i, n - i, cp);
            if (cp >= 0x10000) {
                cp -= 0x10000;
                AppendU(out, 0xD800 + (cp >> 10));
                AppendU(out, 0xDC00 + (cp & 0x3FF));
            } else {
                AppendU(out, cp);
            }
        }
        run = i;
    }
    out.append(p + run, n - run);
    out += '"';
}

namespace {
// Units of printable ASCII are copied in runs; every other unit is escaped.
template <typename Unit> void AppendUnits(std::string& out, const Unit* p, qsizetype n) {
    out += '"';
    qsizetype run = 0;
    char buf[256];
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned u = unsigned(p[i]);
        if (IsPlain(u)) {
            buf[run++] = char(u);
            if (run == qsizetype(sizeof buf)) {
                out.append(buf, size_t(run));
                run = 0;
            }
            continue;
        }
        out.append(buf, size_t(run));
        run = 0;
        AppendEscape(out, u);
    }
    out.append(buf, size_t(run));
    out += '"';
}
} // namespace

void AppendJsonString(std::string& out, QStringView s) {
    AppendUnits(out, s.utf16(), s.size());
}

void AppendJsonString(std::string& out, QLatin1String s) {
    AppendUnits(out, reinterpret_cast<const unsigned char*>(s.data()), s.size());
}

QString JsonString(QStringView s) {
    std::string r;
    AppendJsonString(r, s);
    return QString::fromLatin1(r.data(), qsizetype(r.size()));
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
