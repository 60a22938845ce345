#include "support/TextFile.h"

#include "support/HeldFiles.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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
// point; 0 when the bytes there are not one; -1 when the `left` bytes there
// are the start of one, cut by the end of the bytes.
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
    const int have = left < len ? int(left) : len;
    if (have > 1 && (p[1] < lo || p[1] > hi)) return 0;
    for (int i = 1; i < have; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    return have < len ? -1 : len;
}

// Appends to out: UTF-8 where the bytes are well-formed UTF-8, and each
// other byte as its Windows-1252 character. Unless last, stops before a
// sequence cut by the end of the bytes. Returns the number of bytes decoded.
qsizetype AppendUtf8OrCp1252(const char* data, qsizetype n, QString& out, bool last) {
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    out.reserve(out.size() + n);
    qsizetype i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            const qsizetype from = i;
            while (i < n && p[i] < 0x80)
                ++i;
            out += QLatin1StringView(data + from, i - from);
            continue;
        }
        char32_t cp = 0;
        const int len = Utf8SequenceAt(p + i, n - i, cp);
        if (len < 0 && !last) break;
        if (len <= 0) {
            out += QChar(Cp1252Char(b));
            ++i;
            continue;
        }
        if (cp < 0x10000) {
            out += QChar(char16_t(cp));
        } else {
            out += QChar(QChar::highSurrogate(cp));
            out += QChar(QChar::lowSurrogate(cp));
        }
        i += len;
    }
    return i;
}

// UTF-8 where the bytes are well-formed UTF-8, and each other byte as its
// Windows-1252 character.
QString DecodeUtf8OrCp1252(const QByteArray& bytes) {
    QString r;
    AppendUtf8OrCp1252(bytes.constData(), bytes.size(), r, true);
    return r;
}

// Appends bytes that are well-formed UTF-8 as such (a U+FEFF at their start
// included); false, with out unchanged, when they are not.
bool AppendStrictUtf8(QByteArrayView bytes, QString& out) {
    QStringDecoder dec(QStringDecoder::Utf8,
                       QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const qsizetype old = out.size();
    out.resize(old + dec.requiredSpace(bytes.size()));
    QChar* end = dec.appendToBuffer(out.data() + old, bytes);
    if (dec.hasError()) {
        out.resize(old);
        return false;
    }
    out.resize(end - out.constData());
    return true;
}

// The number of bytes at the end of b that may begin a UTF-8 sequence not
// finished there, as QString::fromUtf8 sees it: a lead byte followed by fewer continuation bytes
// than it needs.
qsizetype OpenUtf8Tail(QByteArrayView b) {
    const qsizetype n = b.size();
    for (qsizetype k = 1; k <= 3 && k <= n; ++k) {
        const auto c = static_cast<unsigned char>(b[n - k]);
        if (c >= 0x80 && c <= 0xBF) continue;
        if (c < 0xC0) return 0;
        const int need = c < 0xE0 ? 2 : c < 0xF0 ? 3 : c < 0xF8 ? 4 : 0;
        return k < need ? k : 0;
    }
    return 0;
}

QString ErrnoText(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

// Opens a file for reading. Only regular files are opened unless
// allowStreams: opening a FIFO for reading blocks until a writer comes, and
// a device may never end. The open itself does not block (O_NONBLOCK), and
// the opened file is checked again, so a path swapped for a FIFO in between
// is refused too. A database file this program has open is never opened
// here: closing any descriptor of it would drop the connection's locks.
// Returns the descriptor, or -1 with the reason in error.
int OpenForReading(const QString& fileName, bool allowStreams, QString* error, bool* regularFile) {
    const QByteArray name = QFile::encodeName(fileName);
    auto fail = [&](const QString& why) {
        if (error) *error = why;
        return -1;
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
    if (regularFile) *regularFile = regular;
    return fd;
}

// How often c occurs in p[0..n), in a loop the compiler vectorises.
qint64 CountByte(const char* p, qsizetype n, char c) {
    unsigned count = 0;
    for (qsizetype i = 0; i < n; ++i)
        count += p[i] == c;
    return count;
}

bool IsAsciiLetter(char c) {
    return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
}

// Whether p starts with the lower-case ASCII word, letters in any case.
bool MatchesNoCase(const char* p, QByteArrayView word) {
    for (qsizetype k = 0; k < word.size(); ++k) {
        const char c = IsAsciiLetter(p[k]) ? char(p[k] | 0x20) : p[k];
        if (c != word[k]) return false;
    }
    return true;
}

// read() that goes on after an interruption; -1 with errno on failure.
ssize_t ReadSome(int fd, char* buf, size_t size) {
    ssize_t got;
    do {
        got = ::read(fd, buf, size);
    } while (got < 0 && errno == EINTR);
    return got;
}

// Reads the whole file (see OpenForReading for which files are read).
bool ReadFileBytes(const QString& fileName, QByteArray& bytes, bool allowStreams, QString* error) {
    bool regular = false;
    const int fd = OpenForReading(fileName, allowStreams, error, &regular);
    if (fd < 0) return false;
    bytes.clear();
    struct stat st;
    if (regular && ::fstat(fd, &st) == 0 && st.st_size > 0) bytes.reserve(qsizetype(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t got = ReadSome(fd, buf, sizeof buf);
        if (got < 0) {
            const int code = errno;
            ::close(fd);
            if (error) *error = ErrnoText(code);
            return false;
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

// ---------------------------------------------------------------------------
// Decoding piece by piece

void TextDecoder::Decode(QByteArrayView bytes, QString& out, bool last) {
    if (FForm == Form::Unknown) {
        // The form is known from the first three bytes (or fewer, at the end).
        FHeld.append(bytes.data(), bytes.size());
        if (FHeld.size() < 3 && !last) return;
        const QByteArray& b = FHeld;
        qsizetype skip = 0;
        if (b.startsWith("\xEF\xBB\xBF")) {
            FForm = Form::Utf8Marked;
            skip = 3;
        } else if (b.startsWith("\xFF\xFE")) {
            FForm = Form::Utf16LE;
            skip = 2;
        } else if (b.startsWith("\xFE\xFF")) {
            FForm = Form::Utf16BE;
            skip = 2;
        } else {
            FForm = Form::Utf8OrCp1252;
        }
        QByteArray rest = FHeld.sliced(skip);
        FHeld.clear();
        DecodeForm(rest, out, last);
        return;
    }
    if (FHeld.isEmpty()) {
        DecodeForm(bytes, out, last);
    } else {
        QByteArray joined = std::move(FHeld);
        FHeld.clear();
        joined.append(bytes.data(), bytes.size());
        DecodeForm(joined, out, last);
    }
}

void TextDecoder::DecodeForm(QByteArrayView b, QString& out, bool last) {
    qsizetype used = 0;
    switch (FForm) {
    case Form::Utf8OrCp1252: {
        // Well-formed UTF-8 decodes alike either way; the fast decoder first.
        const qsizetype open = last ? 0 : OpenUtf8Tail(b);
        if (AppendStrictUtf8(b.first(b.size() - open), out))
            used = b.size() - open;
        else
            used = AppendUtf8OrCp1252(b.data(), b.size(), out, last);
        break;
    }
    case Form::Utf8Marked: {
        // As QString::fromUtf8 decodes the text after the mark, which drops
        // one more mark at its very start (only there).
        const qsizetype end = b.size() - (last ? 0 : OpenUtf8Tail(b));
        qsizetype from = 0;
        if (FStarted)
            while (end - from >= 3 && b.sliced(from).startsWith("\xEF\xBB\xBF")) {
                out += QChar(0xFEFF);
                from += 3;
            }
        if (end > from) {
            out += QString::fromUtf8(b.sliced(from, end - from));
            FStarted = true;
        }
        used = end;
        break;
    }
    case Form::Utf16LE:
    case Form::Utf16BE: {
        // Code units as they are; a mark right after the mark is dropped,
        // an odd last byte too.
        const bool le = FForm == Form::Utf16LE;
        const qsizetype units = b.size() / 2;
        const auto* p = reinterpret_cast<const unsigned char*>(b.data());
        out.reserve(out.size() + units);
        for (qsizetype i = 0; i < units; ++i) {
            const unsigned char x = p[2 * i], y = p[2 * i + 1];
            const char16_t u = le ? char16_t(x | (y << 8)) : char16_t((x << 8) | y);
            if (!FStarted && u == 0xFEFF) {
                FStarted = true;
                continue;
            }
            FStarted = true;
            out += QChar(u);
        }
        used = last ? b.size() : 2 * units;
        break;
    }
    case Form::Unknown:
        break;
    }
    if (used < b.size()) FHeld = b.sliced(used).toByteArray();
}

// ---------------------------------------------------------------------------
// Reading piece by piece

TextFileReader::TextFileReader(qsizetype pieceBytes)
    : FPieceBytes(std::max<qsizetype>(1, pieceBytes)) {}

TextFileReader::~TextFileReader() {
    Close();
}

void TextFileReader::Close() {
    if (FFd >= 0 && FOwnFd) ::close(FFd);
    FFd = -1;
}

void TextFileReader::Reset() {
    Close();
    FDecoder = TextDecoder();
    FEnd = false;
    FError.clear();
}

bool TextFileReader::Open(const QString& fileName, QString* error, bool allowStreams) {
    Reset();
    FFd = OpenForReading(fileName, allowStreams, error, &FRegular);
    FOwnFd = true;
    return FFd >= 0;
}

void TextFileReader::OpenDescriptor(int fd) {
    Reset();
    FFd = fd;
    FOwnFd = false;
    struct stat st;
    FRegular = ::fstat(FFd, &st) == 0 && S_ISREG(st.st_mode);
}

bool TextFileReader::ReadMore(QString& text) {
    if (FFd < 0 || FEnd) return false;
    FBuf.resize(FPieceBytes);
    const ssize_t got = ReadSome(FFd, FBuf.data(), size_t(FBuf.size()));
    if (got < 0) {
        FError = ErrnoText(errno);
        FEnd = true;
        return false;
    }
    // At the end, the bytes still held (a cut sequence) are decoded.
    FEnd = got == 0;
    const qsizetype before = text.size();
    FDecoder.Decode(QByteArrayView(FBuf.constData(), got), text, FEnd);
    return !FEnd || text.size() > before;
}

qint64 TextFileReader::CountAscii(char c) {
    if (FFd < 0 || !FRegular) return -1;
    const off_t start = ::lseek(FFd, 0, SEEK_CUR);
    if (start < 0) return -1;
    // The form decides what a code unit is: a byte below 0x80 is always the
    // character itself in UTF-8 and Windows-1252, a UTF-16 unit is two bytes.
    char mark[3] = {};
    const ssize_t m = ::pread(FFd, mark, sizeof mark, start);
    int unit = 1;
    bool le = true;
    off_t from = start;
    if (m >= 2 &&
        ((mark[0] == '\xFF' && mark[1] == '\xFE') || (mark[0] == '\xFE' && mark[1] == '\xFF'))) {
        unit = 2;
        le = mark[0] == '\xFF';
        from += 2;
    }
    std::vector<char> buf(std::size_t(1) << 20);
    qint64 count = 0;
    bool odd = false; // a UTF-16 unit cut between two reads
    char oddByte = 0;
    for (off_t at = from;;) {
        ssize_t got;
        do {
            got = ::pread(FFd, buf.data(), buf.size(), at);
        } while (got < 0 && errno == EINTR);
        if (got < 0) return -1;
        if (got == 0) break;
        at += got;
        if (unit == 1) {
            count += CountByte(buf.data(), got, c);
            continue;
        }
        qsizetype i = 0;
        if (odd) {
            const char lo = le ? oddByte : buf[0], hi = le ? buf[0] : oddByte;
            count += lo == c && hi == 0;
            i = 1;
            odd = false;
        }
        for (; i + 1 < got; i += 2) {
            const char lo = le ? buf[i] : buf[i + 1], hi = le ? buf[i + 1] : buf[i];
            count += lo == c && hi == 0;
        }
        if (i < got) {
            odd = true;
            oddByte = buf[i];
        }
    }
    return count;
}

int TextFileReader::ContainsAsciiWord(QByteArrayView word) {
    if (FFd < 0 || !FRegular || word.isEmpty()) return -1;
    const off_t start = ::lseek(FFd, 0, SEEK_CUR);
    if (start < 0) return -1;
    char mark[2] = {};
    if (::pread(FFd, mark, sizeof mark, start) == 2 &&
        ((mark[0] == '\xFF' && mark[1] == '\xFE') || (mark[0] == '\xFE' && mark[1] == '\xFF')))
        return -1;
    // A byte below 0x80 is the character itself in UTF-8 and Windows-1252.
    // Each read keeps the last word length - 1 bytes of the one before, so a
    // word cut between two reads is seen whole.
    const qsizetype keep = word.size() - 1;
    qsizetype anchor = word.size() - 1;
    while (anchor >= 0 && IsAsciiLetter(word[anchor]))
        --anchor;
    std::vector<char> buf(std::size_t(1) << 20);
    qsizetype held = 0;
    for (off_t at = start;;) {
        ssize_t got;
        do {
            got = ::pread(FFd, buf.data() + held, buf.size() - std::size_t(held), at);
        } while (got < 0 && errno == EINTR);
        if (got < 0) return -1;
        if (got == 0) return 0;
        at += got;
        const qsizetype n = held + got;
        if (anchor >= 0) {
            // Only where the word's character that has no case occurs.
            const char* p = buf.data() + anchor;
            const char* end = buf.data() + n - (word.size() - 1 - anchor);
            while (p < end && (p = static_cast<const char*>(
                                   std::memchr(p, word[anchor], std::size_t(end - p))))) {
                if (MatchesNoCase(p - anchor, word)) return 1;
                ++p;
            }
        } else {
            for (qsizetype i = 0; i + word.size() <= n; ++i)
                if (MatchesNoCase(buf.data() + i, word)) return 1;
        }
        held = std::min(keep, n);
        std::memmove(buf.data(), buf.data() + (n - held), std::size_t(held));
    }
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
