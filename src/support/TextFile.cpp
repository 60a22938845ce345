#include "support/TextFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace sky {
namespace {

// Windows-1252 code points of the bytes 0x80..0x9F (0 = undefined, kept as
// the byte's Latin-1 code point).
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

} // namespace

QString DecodeCp1252(const QByteArray& bytes) {
    QString r(bytes.size(), Qt::Uninitialized);
    QChar* out = r.data();
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        char16_t u = b;
        if (b >= 0x80 && b <= 0x9F && kCp1252High[b - 0x80] != 0) u = kCp1252High[b - 0x80];
        *out++ = QChar(u);
    }
    return r;
}

QString DecodeText(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder dec(bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE
                                                        : QStringDecoder::Utf16BE);
        return dec.decode(QByteArrayView(bytes.constData() + 2, bytes.size() - 2));
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    return DecodeCp1252(bytes);
}

bool ReadTextFile(const QString& fileName, QString& text, QString* error) {
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error) *error = f.errorString();
        return false;
    }
    text = DecodeText(f.readAll());
    return true;
}

bool WriteFileAtomic(const QString& fileName, const QByteArray& bytes, QString* error) {
    QSaveFile f(fileName);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        if (error) *error = f.errorString();
        return false;
    }
    return true;
}

} // namespace sky
