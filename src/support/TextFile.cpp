#include "support/TextFile.h"

#include "support/HeldFiles.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sky {
namespace {

const QString kNotRegularFile = QStringLiteral("Not a regular file: ");
const QString kFileChanged = QStringLiteral("The file changed while it was opened: ");

// Windows-1252 code points of the bytes 0x80..0x9F (0 = undefined, kept as
// the byte's Latin-1 code point).
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char16_t Cp1252Char(unsigned char b) {
    if (b >= 0x80 && b <= 0x9F && kCp1252High[b - 0x80] != 0) return kCp1252High[b - 0x80];
    return b;
}

// Length of the well-formed UTF-8 sequence of two to four bytes at p (no
// overlong forms, no surrogates, nothing above U+10FFFF), with its code
// point; 0 when the bytes there are not one.
int Utf8SequenceAt(const unsigned char* p, qsizetype left, char32_t& cp) {
    const unsigned char b = p[0];
    int len;
    unsigned char lo = 0x80, hi = 0xBF; // the range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
        cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        cp = b & 0x0F;
        if (b == 0xE0) lo = 0xA0;
        if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        cp = b & 0x07;
        if (b == 0xF0) lo = 0x90;
        if (b == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (left < len) return 0;
    if (p[1] < lo || p[1] > hi) return 0;
    for (int i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    return len;
}

// UTF-8 where the bytes are well-formed UTF-8, and each other byte as its
// Windows-1252 character.
QString DecodeUtf8OrCp1252(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    QString r;
    r.reserve(n);
    qsizetype i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            const qsizetype from = i;
            while (i < n && p[i] < 0x80)
                ++i;
            r += QLatin1StringView(bytes.constData() + from, i - from);
            continue;
        }
        char32_t cp = 0;
        const int len = Utf8SequenceAt(p + i, n - i, cp);
        if (len == 0) {
            r += QChar(Cp1252Char(b));
            ++i;
            continue;
        }
        if (cp < 0x10000) {
            r += QChar(char16_t(cp));
        } else {
            r += QChar(QChar::highSurrogate(cp));
            r += QChar(QChar::lowSurrogate(cp));
        }
        i += len;
    }
    return r;
}

QString ErrnoText(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

// Reads the whole file. Only regular files are opened unless allowStreams:
// opening a FIFO for reading blocks until a writer comes, and a device may
// never end. The open itself does not block (O_NONBLOCK), and the opened
// file is checked again, so a path swapped for a FIFO in between is refused
// too. A database file this program has open is never opened here: closing
// any descriptor of it would drop the connection's locks.
bool ReadFileBytes(const QString& fileName, QByteArray& bytes, bool allowStreams, QString* error) {
    const QByteArray name = QFile::encodeName(fileName);
    auto fail = [&](const QString& why) {
        if (error) *error = why;
        return false;
    };
    struct stat st;
    if (name.isEmpty() || ::stat(name.constData(), &st) != 0)
        return fail(ErrnoText(name.isEmpty() ? ENOENT : errno));
    const bool regular = S_ISREG(st.st_mode);
    const bool stream = S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode);
    if (!regular && !(allowStreams && stream)) return fail(kNotRegularFile + fileName);
    if (regular && IsHeldDatabaseFile(name)) return fail(HeldFileError(fileName));
    int fd;
    do {
        fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | (regular ? O_NONBLOCK : 0));
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return fail(ErrnoText(errno));
    struct stat now;
    if (::fstat(fd, &now) != 0 || now.st_dev != st.st_dev || now.st_ino != st.st_ino ||
        (now.st_mode & S_IFMT) != (st.st_mode & S_IFMT)) {
        ::close(fd);
        return fail(kFileChanged + fileName);
    }
    bytes.clear();
    if (regular && st.st_size > 0) bytes.reserve(qsizetype(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buf, sizeof buf);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            const int code = errno;
            ::close(fd);
            return fail(ErrnoText(code));
        }
        if (got == 0) break;
        bytes.append(buf, qsizetype(got));
    }
    ::close(fd);
    return true;
}

} // namespace

QString DecodeCp1252(const QByteArray& bytes) {
    QString r(bytes.size(), Qt::Uninitialized);
    QChar* out = r.data();
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = QChar(Cp1252Char(b));
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
    text.clear();
    return DecodeUtf8OrCp1252(bytes);
}

bool ReadTextFile(const QString& fileName, QString& text, QString* error, bool allowStreams) {
    QByteArray bytes;
    if (!ReadFileBytes(fileName, bytes, allowStreams, error)) return false;
    text = DecodeText(bytes);
    return true;
}

bool WriteFileAtomic(const QString& fileName, const QByteArray& bytes, QString* error) {
    // Renaming over a database file that a connection of ours holds would
    // leave that connection writing into a file no longer there.
    if (IsHeldDatabaseFile(fileName)) {
        if (error) *error = HeldFileError(fileName);
        return false;
    }
    QSaveFile f(fileName);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        if (error) *error = f.errorString();
        return false;
    }
    return true;
}

} // namespace sky
