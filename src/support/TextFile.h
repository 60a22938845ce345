// Reading and writing the system's text files. Reading honours a UTF-8 or
// UTF-16 byte-order mark and otherwise decodes every well-formed UTF-8
// sequence as UTF-8 and each other byte as its Windows-1252 character (a
// file without any multi-byte UTF-8 sequence thus reads as Windows-1252);
// writing is UTF-8 without a byte-order mark, through a temporary file
// renamed into place.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace sky {

QString DecodeText(const QByteArray& bytes);
// Each byte as its Windows-1252 character (undefined bytes keep their Latin-1 code).
QString DecodeCp1252(const QByteArray& bytes);
// Reads the whole file; false (with error text) when it cannot be read.
// Only regular files are read, unless allowStreams also admits FIFOs and
// character devices (a file the user named, where waiting for input is
// expected). A database file this program has open is refused.
bool ReadTextFile(const QString& fileName, QString& text, QString* error = nullptr,
                  bool allowStreams = false);

// Decodes bytes that arrive piece by piece exactly as DecodeText decodes
// them all at once: the byte-order mark is read from the first bytes, and a
// sequence cut between two pieces decodes as if whole.
class TextDecoder {
public:
    // Appends the text of the next bytes to out; last: no bytes follow.
    void Decode(QByteArrayView bytes, QString& out, bool last);

private:
    enum class Form : unsigned char { Unknown, Utf8OrCp1252, Utf8Marked, Utf16LE, Utf16BE };
    void DecodeForm(QByteArrayView bytes, QString& out, bool last);

    Form FForm = Form::Unknown;
    bool FStarted = false; // text after the byte-order mark was decoded
    QByteArray FHeld;      // the first bytes, or a sequence cut at the end of the last piece
};

// Reads a text file piece by piece, decoded as ReadTextFile decodes it
// whole, with the same rules for which files are opened.
class TextFileReader {
public:
    explicit TextFileReader(qsizetype pieceBytes = qsizetype(1) << 16);
    ~TextFileReader();
    TextFileReader(const TextFileReader&) = delete;
    TextFileReader& operator=(const TextFileReader&) = delete;

    bool Open(const QString& fileName, QString* error = nullptr, bool allowStreams = false);
    // Reads an open descriptor from its position on (standard input, say);
    // it stays open.
    void OpenDescriptor(int fd);
    // Appends the text of the next piece of at most pieceBytes bytes; false
    // at the end of the file or after a failed read (Error()).
    bool ReadMore(QString& text);
    const QString& Error() const { return FError; }
    // How often the ASCII character c occurs in the text of a regular file
    // from the current position on, counted in a pass of its own; -1 for a
    // pipe or device, or when the file cannot be read.
    qint64 CountAscii(char c);
    // Whether the ASCII word (lower case) occurs in any letter case in the
    // text of a regular file from the current position on, in a pass of its
    // own: 1 it does, 0 it does not, -1 unknown (a pipe or device, a UTF-16
    // file, or a failed read).
    int ContainsAsciiWord(QByteArrayView word);

private:
    void Reset();
    void Close();

    qsizetype FPieceBytes;
    int FFd = -1;
    bool FOwnFd = false;
    bool FRegular = false;
    bool FEnd = false;
    QString FError;
    QByteArray FBuf;
    TextDecoder FDecoder;
};

// Writes bytes to the file atomically; false (with error text) on failure.
bool WriteFileAtomic(const QString& fileName, const QByteArray& bytes, QString* error = nullptr);

} // namespace sky
