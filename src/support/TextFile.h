// Reading and writing the system's text files. Reading honours a UTF-8 or
// UTF-16 byte-order mark and otherwise decodes every well-formed UTF-8
// sequence as UTF-8 and each other byte as its Windows-1252 character (a
// file without any multi-byte UTF-8 sequence thus reads as Windows-1252);
// writing is UTF-8 without a byte-order mark, through a temporary file
// renamed into place.
#pragma once

#include <QByteArray>
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
// Writes bytes to the file atomically; false (with error text) on failure.
bool WriteFileAtomic(const QString& fileName, const QByteArray& bytes, QString* error = nullptr);

} // namespace sky
