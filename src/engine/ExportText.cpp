#include "engine/ExportText.h"

#include "support/JsonText.h"

#include <QFileDevice>
#include <cstring>

namespace sky {

namespace {
const QString kCannotWrite = QStringLiteral("Cannot write the export: ");
} // namespace

bool CsvFieldNeedsQuotes(const char* p, qsizetype n) {
    if (n == 0) return false;
    if (n > 64 || static_cast<unsigned char>(p[0]) <= 32 ||
        static_cast<unsigned char>(p[n - 1]) <= 32)
        return true;
    for (qsizetype i = 0; i < n; ++i) {
        const char c = p[i];
        if (c == '"' || c == ',' || c == '\r' || c == '\n') return true;
    }
    return false;
}

void AppendCsvField(std::string& out, const char* p, qsizetype n, bool noLineBreaks) {
    const size_t start = out.size();
    if (!CsvFieldNeedsQuotes(p, n)) {
        out.append(p, n);
    } else {
        out += '"';
        const char* end = p + n;
        while (p < end) {
            const char* q = static_cast<const char*>(std::memchr(p, '"', size_t(end - p)));
            if (!q) {
                out.append(p, end - p);
                break;
            }
            out.append(p, q - p + 1);
            out += '"';
            p = q + 1;
        }
        out += '"';
    }
    if (noLineBreaks) {
        char* d = out.data();
        for (size_t i = start; i < out.size(); ++i)
            if (d[i] == '\r' || d[i] == '\n') d[i] = ' ';
    }
}

namespace {

bool IsJsonNumber(const char* p, qsizetype n) {
    qsizetype i = 0;
    if (i < n && p[i] == '-') ++i;
    if (i >= n) return false;
    if (p[i] == '0') {
        ++i;
    } else if (p[i] >= '1' && p[i] <= '9') {
        while (i < n && p[i] >= '0' && p[i] <= '9')
            ++i;
    } else {
        return false;
    }
    if (i < n && p[i] == '.') {
        ++i;
        const qsizetype d = i;
        while (i < n && p[i] >= '0' && p[i] <= '9')
            ++i;
        if (i == d) return false;
    }
    if (i < n && (p[i] == 'e' || p[i] == 'E')) {
        ++i;
        if (i < n && (p[i] == '+' || p[i] == '-')) ++i;
        const qsizetype d = i;
        while (i < n && p[i] >= '0' && p[i] <= '9')
            ++i;
        if (i == d) return false;
    }
    return i == n;
}

bool EqualsWordIgnoringCase(const char* p, qsizetype n, const char* word) {
    const qsizetype len = qsizetype(std::strlen(word));
    if (n != len) return false;
    for (qsizetype i = 0; i < n; ++i) {
        char c = p[i];
        if (c >= 'a' && c <= 'z') c = char(c - 32);
        if (c != word[i]) return false;
    }
    return true;
}

} // namespace

void AppendJsonText(std::string& out, const char* p, qsizetype n) {
    if (n == 0) {
        out += "\"\"";
        return;
    }
    if (n == 4 || n == 5) {
        qsizetype b = 0, e = n;
        while (b < e && static_cast<unsigned char>(p[b]) <= 32)
            ++b;
        while (e > b && static_cast<unsigned char>(p[e - 1]) <= 32)
            --e;
        for (const char* w : {"NULL", "TRUE", "FALSE"})
            if (EqualsWordIgnoringCase(p + b, e - b, w)) {
                for (const char* c = w; *c; ++c)
                    out += char(*c + 32);
                return;
            }
    }
    // A number once its spaces are removed.
    char small[64];
    qsizetype m = 0;
    bool candidate = true;
    for (qsizetype i = 0; i < n && candidate; ++i) {
        const char c = p[i];
        if (c == ' ') continue;
        if (m >= qsizetype(sizeof small) ||
            !((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E'))
            candidate = false;
        else
            small[m++] = c;
    }
    if (candidate && m > 0 && IsJsonNumber(small, m)) {
        out.append(small, m);
        return;
    }
    AppendJsonString(out, p, n);
}

void AppendXmlEscaped(std::string& out, const char* p, qsizetype n) {
    qsizetype run = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char* rep = nullptr;
        switch (p[i]) {
        case '&':
            rep = "&amp;";
            break;
        case '<':
            rep = "&lt;";
            break;
        case '>':
            rep = "&gt;";
            break;
        case '"':
            rep = "&quot;";
            break;
        default:
            continue;
        }
        out.append(p + run, i - run);
        out += rep;
        run = i + 1;
    }
    out.append(p + run, n - run);
}

bool ExportOut::Flush() {
    if (FBuf.empty()) return !FFailed;
    if (!FFailed) {
        if (FDev->write(FBuf.data(), qint64(FBuf.size())) == qint64(FBuf.size()))
            FHanded += qint64(FBuf.size());
        else
            FFailed = true;
    }
    FBuf.clear();
    return !FFailed;
}

bool ExportOut::Finish() {
    if (!Flush()) return false;
    auto* file = qobject_cast<QFileDevice*>(FDev);
    if (file && !file->flush()) FFailed = true;
    return !FFailed;
}

QString ExportOut::ErrorText() const {
    return kCannotWrite + FDev->errorString();
}

} // namespace sky
