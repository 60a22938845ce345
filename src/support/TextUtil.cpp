#include "support/TextUtil.h"

#include <algorithm>

#include <cstdlib>
#include <cstring>
#include <cxxabi.h>
#include <typeinfo>

namespace sky {

QStringView TrimmedView(QStringView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 32)
        ++b;
    while (e > b && s[e - 1].unicode() <= 32)
        --e;
    return s.mid(b, e - b);
}

QString TrimText(QStringView s) {
    return TrimmedView(s).toString();
}

QString TrimText(const QString& s) {
    const QStringView v = TrimmedView(s);
    return v.size() == s.size() ? s : v.toString();
}

qsizetype IndexOfPair(QStringView s, char16_t a, char16_t b, qsizetype from) {
    for (qsizetype i = s.indexOf(QChar(a), from); i >= 0 && i + 1 < s.size();
         i = s.indexOf(QChar(a), i + 1))
        if (s[i + 1] == QChar(b)) return i;
    return -1;
}

QString TrimTextRight(QStringView s) {
    qsizetype e = s.size();
    while (e > 0 && s[e - 1].unicode() <= 32)
        --e;
    return s.left(e).toString();
}

QString ShortenAtWord(const QString& text, int n) {
    n = std::max(n, 5);
    if (text.size() <= n) return text;
    const int lowest = n < 17 ? 5 : n - 12;
    for (int i = n - 3; i >= lowest && i >= 1; --i) {
        const QChar c = text[i - 1];
        const bool alnum =
            (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
        if (!alnum) return text.left(i - 1) + QStringLiteral(" ...");
    }
    return text.left(n - 3) + QStringLiteral("...");
}

QString CollapseWhitespace(const QString& s) {
    QString r(s.size(), Qt::Uninitialized);
    QChar* out = r.data();
    bool space = false;
    for (QChar c : s) {
        const char16_t u = c.unicode();
        const bool blank =
            (u <= 32 || u >= 0x7F) && (u < 32 || u == u' ' || u == 0xA0 || u == 0xFF ||
                                       u == 0x1680 || u == 0x180E || (u >= 0x2000 && u <= 0x200B) ||
                                       u == 0x202F || u == 0x205F || u == 0x3000 || u == 0xFEFF);
        if (blank) {
            if (!space) *out++ = u' ';
            space = true;
        } else {
            *out++ = c;
            space = false;
        }
    }
    r.truncate(out - r.constData());
    return r;
}

QString ShortenText(const QString& s, qsizetype maxLen) {
    if (s.size() <= maxLen) return s;
    return s.left(maxLen - 3) + QStringLiteral("...");
}

QString UpperAscii(QStringView s) {
    QString r = s.toString();
    for (QChar& c : r) {
        const char16_t u = c.unicode();
        if (u >= 'a' && u <= 'z') c = QChar(char16_t(u - 32));
    }
    return r;
}

QString ExceptionClassName(const std::exception& e) {
    const char* mangled = typeid(e).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    QString name = QString::fromLatin1(status == 0 && demangled ? demangled : mangled);
    std::free(demangled);
    return name;
}

QString ExceptionText(const std::exception& e) {
    return QStringLiteral("(") + ExceptionClassName(e) + QStringLiteral("): ") +
           QString::fromUtf8(e.what());
}

namespace {
// Eight bytes at a time, each chunk multiplied in; a final avalanche so that
// the low bits a table uses depend on every byte.
size_t MixBytes(const unsigned char* p, size_t n, size_t seed) {
    constexpr quint64 k = 0x9E3779B97F4A7C15ULL;
    quint64 h = quint64(seed) ^ (quint64(n) * k);
    for (; n >= 8; p += 8, n -= 8) {
        quint64 c;
        std::memcpy(&c, p, 8);
        h = (h ^ c) * k;
        h ^= h >> 32;
    }
    if (n > 0) {
        quint64 c = 0;
        std::memcpy(&c, p, n);
        h = (h ^ c) * k;
    }
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDULL;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ULL;
    h ^= h >> 33;
    return size_t(h);
}
} // namespace

size_t FastHash(QByteArrayView bytes, size_t seed) {
    return MixBytes(reinterpret_cast<const unsigned char*>(bytes.data()), size_t(bytes.size()),
                    seed);
}

size_t FastHash(QStringView text, size_t seed) {
    return MixBytes(reinterpret_cast<const unsigned char*>(text.utf16()),
                    size_t(text.size()) * sizeof(char16_t), seed);
}

} // namespace sky
