// Fuzzes the file-header probe: the input becomes a regular file, which the
// probe must classify as Ready, Invalid or Locked with matching fields.
#include "engine/FileHeader.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

// One folder for the whole run; the file in it is rewritten for every input.
const QString& InputPath() {
    static QTemporaryDir dir;
    static const QString path = [] {
        Check(dir.isValid());
        return dir.filePath(QStringLiteral("input.db"));
    }();
    return path;
}

void WriteInput(const QString& path, const uint8_t* data, size_t size) {
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    Check(fd >= 0);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        Check(n > 0);
        done += static_cast<size_t>(n);
    }
    ::close(fd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString& path = InputPath();
    WriteInput(path, data, size);

    sky::TSQLite3FileHeader h;
    h.userInt = 1;
    sky::ReadDBFileHeader(path, h);

    Check(h.Status == -1 || h.Status == 0 || h.Status == 3);
    Check(h.StatusText == sky::FileStatusText(h.Status));
    Check(h.userInt == 0);
    Check(h.Modified.isValid());
    if (h.Status == 3) return 0; // could not read the file; nothing more to check
    Check(h.FileSize == static_cast<qint64>(size));

    // Ready means empty, or a header with the magic and payload fractions 64/32.
    const bool headerOk = size > 100 && std::memcmp(data, "SQLite format 3", 16) == 0 &&
                          data[21] == 64 && data[22] == 32;
    Check((h.Status == 0) == (size == 0 || headerOk));
    if (size > 100) {
        Check(std::memcmp(h.Ident, data, 16) == 0);
        Check(h.PageSize == ((data[16] << 8) | data[17]));
        Check(h.ApplicationID == ((uint32_t(data[68]) << 24) | (uint32_t(data[69]) << 16) |
                                  (uint32_t(data[70]) << 8) | data[71]));
        Check(std::memcmp(h.Reserved, data + 72, 20) == 0);
    } else {
        Check(h.PageSize == 0);
    }
    return 0;
}
