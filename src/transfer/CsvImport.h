// The sheet of the CSV import without its widgets: read CSV columns with five
// header rows each (the header, the name to use, the type, the constraint
// and the analysis flags) above the data rows.
//
// Design: a column's values stay in the compact TCSVValues the reader filled
// (shared, never copied, until an operation changes the column); a typed
// cell goes into a small per-column map of edits that is folded into a new
// TCSVValues when it grows or when rows are inserted, removed or sorted. No
// cell is an object of its own, so a sheet costs about the size of its text.
// The analysis runs once over each column (a hash of the values for the
// uniqueness test, no sorting). The import binds every row's values as UTF-8
// text to one INSERT prepared once, inside one transaction.
#pragma once

#include "support/CsvValues.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <vector>

namespace sky {

class ProgressSink;
class TSQLite3Database;
struct TCSVTableRec;

// The header rows of every sheet column.
inline constexpr int headCount = 5;
enum class HeadRow : int { Header = 0, Name = 1, Type = 2, Constraint = 3, Flags = 4 };

// The analysis flags: nine characters, I (integer-iterated) at position 2,
// U (unique) at 4, S (single value) at 6 and E (empty) at 8.
inline const QString kFlagsNone = QStringLiteral("_________");
inline const QString kFlagsIterated = QStringLiteral("_I_U_____");
inline const QString kFlagsEmpty = QStringLiteral("_____S_E_");
bool HasFlag(const QString& flags, QChar flag);

inline const QString kTypeInteger = QStringLiteral("INTEGER");
inline const QString kTypeReal = QStringLiteral("REAL");
inline const QString kTypeNumeric = QStringLiteral("NUMERIC");
inline const QString kTypeText = QStringLiteral("TEXT");
inline const QString kPrimaryKey = QStringLiteral("PRIMARY KEY");
// The types and constraints a column can take.
QStringList SheetTypeChoices();
QStringList SheetConstraintWords(); // "UNIQUE", "NOT NULL", "PRIMARY KEY", ... ASC, ... DESC

// The import's texts.
inline const QString kDuplicateColumn = QStringLiteral("Duplicate Column: ");
inline const QString kImportStartFailed = QStringLiteral("Failed to start Import Transaction: ");
inline const QString kCreateTableFailed = QStringLiteral("Failed to Create Table ");
inline const QString kCommitFailed = QStringLiteral("Failed to Commit - ");
inline const QString kImportFailed = QStringLiteral("Failed to Create Imported Table: ");
inline const QString kImportCancelled = QStringLiteral("Importing Cancelled.");
inline const QString kNoDataRows = QStringLiteral("Import Datalist is Empty.");

enum class SortMode { Auto, Alpha, Numeric };
enum class CaseChange { Upper, Lower, Title };
enum class NewColumn { Empty, Copy, AutoNumber };

// The statements of an import and the sheet columns whose values are bound,
// in the order of their parameters.
struct ImportSQL {
    QString create;
    QString insert;
    QList<int> columns;
};

class CsvImportSheet {
public:
    CsvImportSheet();
    ~CsvImportSheet();
    CsvImportSheet(const CsvImportSheet&) = delete;
    CsvImportSheet& operator=(const CsvImportSheet&) = delete;

    // --- contents
    // The read table's headers into rows 0 and 1 and its values below, at
    // least 2 columns and one data row; the values are shared with table.
    void Fill(std::shared_ptr<const TCSVTableRec> table);
    int ColumnCount() const { return int(FCols.size()); }
    qsizetype RowCount() const { return FRows; } // data rows
    QString Head(int col, HeadRow row) const;
    void SetHead(int col, HeadRow row, const QString& text);
    QString Cell(qsizetype row, int col) const; // data row from 0
    void SetCell(qsizetype row, int col, const QString& text);
    // The five header rows as lines (one entry per column).
    QStringList HeadLine(HeadRow row) const;

    // --- analysis
    // Makes the headers unique (ignoring case), then gives every column its
    // type and flags and the first unique column the PRIMARY KEY. progress
    // (when given) shows each column.
    void Analyse(ProgressSink* progress);
    // Type, flags and a cleared constraint for one column.
    void AnalyseColumn(int col);

    // --- the sheet's menu
    // A new first data row holding the headers; the headers become the cell
    // names A1, B1, ... or the values of data row fromRow.
    void InsertHeaderRow(bool cellNames, qsizetype fromRow);
    // A column before col: empty, a copy of col, or numbers from start.
    void InsertColumn(int before, NewColumn kind, qint64 start);
    // A row before row: empty, or a copy of it.
    void InsertRow(qsizetype before, bool copy);
    void EmptyColumn(int col);
    void ChangeCase(int col, CaseChange change);
    void AddText(int col, const QString& prefix, const QString& suffix);
    // Inserts text before character position (1 prepends; a shorter value
    // gets it appended; 0 or less does nothing).
    void InsertText(int col, const QString& text, qint64 position);
    // Every occurrence of find, ignoring case, becomes with.
    void ReplaceText(int col, const QString& find, const QString& with);
    // Stable sort of the data rows by the column.
    void Sort(int col, bool ascending, SortMode mode);
    // False (nothing changed) when fewer than 3 columns remain.
    bool DeleteColumn(int col);
    // False (nothing changed) when it is the only data row.
    bool DeleteRow(qsizetype row);
    void MoveColumn(int from, int to);
    // One data row and three empty columns (a sheet that failed its analysis).
    void Shrink();

    // --- validation and import
    // "Duplicate Column: \"name\"" for the first column whose reduced name
    // (only a-z, A-Z, 0-9, _; the header when that leaves nothing) an
    // earlier column has, ignoring case; empty when none does.
    QString DuplicateColumnError() const;
    ImportSQL BuildImportSQL(const QString& tableName) const;
    // Creates the table and inserts every data row in one transaction;
    // false with the reason in error (the transaction rolled back, the
    // file as it was). Progress and cancel are polled every few thousand rows.
    // With replaceExisting, a table of main of that name is dropped first,
    // inside the same transaction.
    bool RunImport(TSQLite3Database& db, const QString& tableName, ProgressSink& progress,
                   QString& error, bool replaceExisting = false) const;
    // The imported columns as CSV lines (delimiter ","): their names, then
    // one line per data row; the form UpdateFromCSV takes.
    QStringList ImportLines() const;

private:
    struct Column {
        std::array<QString, headCount> head;
        std::shared_ptr<const TCSVValues> values = std::make_shared<const TCSVValues>();
        QHash<qsizetype, QString> edits; // typed cells by data row
    };
    struct RowBlock;
    // The UTF-8 texts of the block's rows in the given columns.
    void PrepareRows(const std::vector<int>& columns, RowBlock& block) const;
    // The value of a row of a column without a copy (valid until a change).
    QAnyStringView View(const Column& c, qsizetype row) const;
    // The column's values rebuilt from the given sheet rows (-1: empty).
    void Rebuild(Column& c, const std::vector<qsizetype>& rows);
    void FoldEdits(Column& c);
    // Every value of the column through f.
    template <typename F> void Transform(int col, F f);

    std::vector<Column> FCols;
    qsizetype FRows = 0;
    std::shared_ptr<const TCSVTableRec> FTable;
};

// Whether a table or view of that name exists in main or temp, its name
// compared without regard to ASCII letter case as the engine compares names.
bool TableNameTaken(TSQLite3Database& db, const QString& name);

} // namespace sky
