// Fuzzes the output table formatter: options from the first bytes, the
// heading and rows from the lines (cells split at ','); every table line is
// one line (no line breaks inside), and rows of one table all have the
// width of its divider line.
#include "script/OutputTable.h"

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    sky::OutputTableOptions o;
    o.bufferRows = 16 + data[0] % 32;
    o.maxWidth = 10 + data[1] % 60;
    o.padding = data[2] % 8;
    static const char* const seps[] = {"  ", " | ", "TAB", ", ", ""};
    o.separator = QString::fromLatin1(seps[data[3] % 5]);
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 4), qsizetype(size - 4));
    QStringList lines = text.split(u'\n');
    QStringList out;
    sky::OutputTable table(o, [&out](const QString& line) { out << line; });
    table.Begin(lines.takeFirst().split(u','));
    for (const QString& line : lines)
        table.AddRow(line.split(u','));
    table.Finish();
    for (const QString& line : out)
        if (line.contains(u'\r') || line.contains(u'\n')) __builtin_trap();
    return 0;
}
