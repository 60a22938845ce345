// Fuzzes the line splitter: any line splits without fault, and the cells it
// gives join and split back to themselves.
#include "support/Csv.h"

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString line =
        QString::fromUtf8(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    for (QChar delim : {QChar(u','), QChar(u';'), QChar(u'\t'), QChar()}) {
        QStringList cells{QStringLiteral("stale")};
        const int n = sky::SplitCSVLine(line, cells, delim);
        if (n != cells.size() || line.isEmpty() != (n == 0)) __builtin_trap();
        if (delim.isNull()) continue;
        const QString joined = sky::JoinCSVLine(cells, delim);
        QStringList back;
        sky::SplitCSVLine(joined, back, delim);
        if (back != cells) __builtin_trap();
    }
    return 0;
}
