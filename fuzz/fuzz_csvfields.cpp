// Fuzzes the engine's CSV field splitter and the exporter's field quoting:
// any line splits without fault, and every field quoted by the exporter
// splits back to itself.
#include "engine/CsvFields.h"

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString line = QString::fromUtf8(bytes);
    QStringList fields;
    const int n = sky::SplitCSVFields(line, fields, QLatin1Char(','));
    if (n != fields.size() || (line.isEmpty() != (n == 0))) __builtin_trap();
    sky::SplitCSVFields(line, fields, QLatin1Char(';'));

    // Round trip of one field through the exporter's quoting. Line breaks are
    // left out: the splitter reads one line.
    QByteArray value = line.toUtf8();
    value.replace('\r', ' ');
    value.replace('\n', ' ');
    const QString expected = QString::fromUtf8(value);
    QStringList back;
    sky::SplitCSVFields(QString::fromUtf8(sky::CSVQuote(expected.toUtf8())), back,
                        QLatin1Char(','));
    if (!expected.isEmpty() && (back.size() != 1 || back[0] != expected)) __builtin_trap();
    return 0;
}
