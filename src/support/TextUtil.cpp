#include "support/TextUtil.h"

#include <cstdlib>
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

QString TrimTextRight(QStringView s) {
    qsizetype e = s.size();
    while (e > 0 && s[e - 1].unicode() <= 32)
        --e;
    return s.left(e).toString();
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

} // namespace sky
