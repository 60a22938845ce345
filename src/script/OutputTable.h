// The script output's result tables: rows of cells (values as they are,
// not CSV lines) written as an aligned plain-text table. The column widths
// are fixed by the first buffer of rows (by the kind of values: text left,
// reals right, whole numbers and short texts centred), the headings take up
// to three lines above a divider, and later rows are cut or wrapped to the
// widths.
#pragma once

#include "support/TextUtil.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace sky {

struct OutputTableOptions {
    int bufferRows = 512;                     // 16..4096
    int maxWidth = 200;                       // 10..1024
    int padding = 2;                          // 0..64
    QString separator = QStringLiteral("  "); // "TAB" is a tab; empty: two spaces
    QString divider = QStringLiteral("---");  // its first character is used
};

class OutputTable {
public:
    using LineSink = std::function<void(const QString& line)>;
    OutputTable(OutputTableOptions o, LineSink write)
        : FOpt(std::move(o)), FWrite(std::move(write)) {}
    // A new table (a table still open is finished first).
    void Begin(const QStringList& headings);
    // A row (padded or cut to the columns); written when the buffer is full.
    void AddRow(const QStringList& cells);
    // The buffered rows written; the table ends.
    void Finish();

private:
    struct Column {
        QString head;
        bool wrap = true;
        int width = 0;
        int align = 0; // 0 left, 1 centre, 2 right
    };
    void Write();
    void FixWidths();
    QString Separator() const;
    QString Pad(const QString& text, const Column& c) const;
    OutputTableOptions FOpt;
    LineSink FWrite;
    std::vector<Column> FCols;
    std::vector<QStringList> FRows;
    int FStatus = 0; // 0 no table, 1 begun, 2 header written
};

} // namespace sky
