// Fuzzes the streaming file import: arbitrary bytes as a file read in each
// encoding with a dialect from the first bytes, into a table of an
// in-memory database. Decoding whole and in pieces must agree; an import
// that succeeds holds exactly the rows it reports, one that fails none.
#include "engine/Database.h"
#include "support/Prompter.h"
#include "transfer/FileImport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const auto e = sky::ImportEncoding(data[0] % 7);
    const char* body = reinterpret_cast<const char*>(data + 3);
    const qsizetype n = qsizetype(size - 3);
    // Whole and in pieces of the second byte's size.
    sky::ChunkDecoder whole(e), pieces(e);
    std::string a, b;
    QString errA, errB;
    const bool okA = whole.Decode(body, n, true, a, errA);
    bool okB = true;
    const qsizetype step = 1 + data[1] % 16;
    for (qsizetype i = 0; i < n && okB; i += step)
        okB = pieces.Decode(body + i, std::min(step, n - i), i + step >= n, b, errB);
    if (n == 0) okB = pieces.Decode(body, 0, true, b, errB);
    if (e != sky::ImportEncoding::System && okA && okB && a != b) __builtin_trap();

    static QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("in.csv"));
    {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly)) return 0;
        f.write(body, n);
    }
    sky::FileImportSettings s;
    s.encoding = e;
    const char seps[] = {',', ';', '\t', '|', '\0'};
    s.separator = char16_t(seps[data[2] % 5]);
    s.doubled = data[2] & 0x08;
    s.preserveQuotes = !(data[2] & 0x10);
    s.header = data[2] & 0x20;
    s.keepWhitespace = data[2] & 0x40;
    s.lineEnd = (data[2] & 0x80) ? char16_t(';') : sky::kNoCode;
    s.maxRows = data[1] & 0x80 ? 3 : 0;
    sky::TSQLite3Database db;
    if (!db.Open(QStringLiteral(":memory:"))) return 0;
    sky::NullProgress progress;
    sky::CountdownPrompter prompts;
    const QList<sky::ImportColumn> columns{{QStringLiteral("a"), QStringLiteral("TEXT")},
                                           {QStringLiteral("b"), QStringLiteral("INTEGER")}};
    const sky::FileImportResult r =
        sky::ImportFileToTable(db, file, s, columns, QStringLiteral("t"), progress, prompts);
    QString count;
    const bool exists = db.TableExists(QStringLiteral("t"), QStringLiteral("main"));
    if (r.ok) {
        if (!exists || !db.QuerySingleValue(count, QStringLiteral("SELECT count(*) FROM t")) ||
            count.toLongLong() != r.rows)
            __builtin_trap();
        if (s.maxRows > 0 && r.rows > s.maxRows) __builtin_trap();
    } else if (exists) {
        __builtin_trap();
    }
    return 0;
}
