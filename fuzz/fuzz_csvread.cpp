// Fuzzes the whole-text CSV reader: any text reads without fault under every
// flag combination, and the table it fills is consistent with its counters.
#include "support/Csv.h"

#include <QString>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const unsigned flags = data[0];
    const QString input =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    sky::TCSVTableRec t;
    sky::CSVConfigure(t, flags & 1, flags & 2, flags & 4, flags & 8, flags & 16,
                      (flags & 32) ? QChar(u';') : QChar(),
                      (flags & 64) ? QChar(u'\'') : QChar(u'"'));
    QString text = input;
    const int rows = sky::CSVRead(text, t);
    if (rows != t.Cfg.RowCount || t.Cfg.ColCount != t.Col.size()) __builtin_trap();
    for (const sky::TCSVColumnRec& c : t.Col) {
        if (c.Row.size() != rows) __builtin_trap();
        if (c.ColIsEmpty)
            for (const QString& v : c.Row)
                if (!v.isEmpty()) __builtin_trap();
    }
    // Reading again into the same table must not fault either.
    text = input;
    sky::CSVRead(text, t);
    sky::CSVClear(t);
    return 0;
}
