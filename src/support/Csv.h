// Delimited text: the whole-text CSV reader that fills a column table, the
// one-line splitter and joiner, value quoting, delimiter detection, and the
// conversions of delimited lines into XML, JSON, properties and grids.
#pragma once

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <memory>
#include <string>

#include "support/CsvValues.h"

namespace sky {

// Reader configuration and result counters.
struct TCSVConfigRec {
    bool Initialized = false;
    bool HeaderPresent = false;
    bool AutoFindDelimeter = true;
    bool DoubledDelim = false;
    bool KeepEmptyLines = false;
    bool KeepWhteSpace = false;
    int ColCount = 0;
    int RowCount = 0;
    int ErrorRow = 0;
    int TempI = 0;
    QChar Delimeter; // 0: none chosen
    QChar QuoteChar = QChar(u'"');
    QString ErrorDescr; // empty on success
};

struct TCSVColumnRec {
    bool ColIsEmpty = true;     // every value of the column is empty
    bool ColValsAllSame = true; // every value equals the first one
    QString Header;
    TCSVValues Row; // one value per data row
};

struct TCSVTableRec {
    TCSVConfigRec Cfg;
    QList<TCSVColumnRec> Col;
};

// A grid of cells: rows of column values.
using CsvGrid = QList<QStringList>;

void CSVReset(TCSVConfigRec& cfg);
void CSVConfigure(TCSVTableRec& table, bool headerPresent, bool keepEmptyLines, bool keepWhiteSpace,
                  bool autoFindDelimiter, bool doubledDelim, QChar delimiter,
                  QChar quoteChar = QChar(u'"'));
void CSVClear(TCSVTableRec& table);

// Reads the whole text into the table and returns the number of data rows. A
// final CR LF may be appended to text. A text ending inside an open quoted
// field keeps that field up to the end and reports the 1-based record number
// (counting every record of the text) in ErrorRow and ErrorDescr.
int CSVRead(QString& text, TCSVTableRec& table);

// CSVRead of a text that arrives piece by piece (a file read in parts): the
// table ends up as CSVRead of the whole text would leave it, while only the
// unfinished last record is held as text. The delimiter is detected once
// 8192 characters (or all the text) have arrived.
class TCSVPieceReader {
public:
    explicit TCSVPieceReader(TCSVTableRec& table);
    ~TCSVPieceReader();
    TCSVPieceReader(const TCSVPieceReader&) = delete;
    TCSVPieceReader& operator=(const TCSVPieceReader&) = delete;

    // Stores the records the piece completes.
    void Add(QStringView piece);
    // The same for every piece readMore appends to the text it is given,
    // until it returns false (the pieces are read into place, not copied).
    void AddFrom(const std::function<bool(QString&)>& readMore);
    // No text follows: stores the rest and returns what CSVRead returns.
    int Finish();

private:
    struct State;
    std::unique_ptr<State> d;
};

// Picks the most frequent candidate delimiter ("," wins when none occurs).
// When doubled is false on entry, it becomes true when the sample separates
// only by doubled delimiters.
bool DetectDelimiter(QStringView sample, QChar& delimiter, bool& doubled);

// Splits one line (quote character always '"') into list, reusing its
// entries; delimiter 0 detects it. An empty line has no fields.
int SplitCSVLine(QStringView line, QStringList& list, QChar delimiter);
// Joins entries with the delimiter, quoting those that need it so that
// SplitCSVLine gives them back.
QString JoinCSVLine(const QStringList& list, QChar delimiter);
// A cell as the copies write it with a delimiter: quoted (inner quotes
// doubled) when it holds a double quote, a comma, the delimiter, a line
// break or white space at either end, so that it reads back as the same cell.
QString QuoteCSVValue(QStringView value, QChar delimiter);

// Spreadsheet cell name such as "B7" or "$AA$3"; column and row clamp to 1..65535.
QString CellName(int column, int row, bool absoluteColumn, bool absoluteRow);

// Line 0 holds the field names; the other lines are records.
bool CSVLinesToXML(const QStringList& lines, QStringList& output, QChar delimiter);
bool CSVLinesToJSON(const QStringList& lines, QStringList& output, QChar delimiter);
// A JSON literal: null/true/false, a bare number (JSON number grammar) or a string.
QString JSONValue(QStringView text);
// The same appended to ASCII output.
void AppendJsonValue(std::string& out, QStringView text);

// name=value pairs of line row against the names of line 0 (both split by ",").
bool CSVLineToProps(const QStringList& lines, int row, QStringList& props);

// Every row through JoinCSVLine.
QStringList GridToLines(const CsvGrid& grid, QChar delimiter);
// Every line through SplitCSVLine; rows are padded to the widest line (at least 2).
CsvGrid LinesToGrid(const QStringList& lines, QChar delimiter);
// Headers into row headerRow (none when negative), values from row firstRow on;
// the grid grows as needed.
void TableToGrid(const TCSVTableRec& table, CsvGrid& grid, int headerRow, int firstRow);
// Clipboard text: cells through QuoteCSVValue with the separator, joined by it,
// one row per line; rows whose height (when given) is 4 or less are skipped.
QString GridToClipboard(const CsvGrid& grid, const QList<int>& rowHeights,
                        const QString& separator);

} // namespace sky
