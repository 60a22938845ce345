// A query's result rows held compactly for the results grid: every cell
// keeps its exact typed value (integer, real, text, blob or NULL) in one
// byte buffer, and gives the display text the CSV export would have
// produced for it (the NULL text, "[Blob]", the engine's number text, line
// breaks as spaces). A load stops at the row at which the CSV text of the
// same query would reach the size limit.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace sky {

enum class CellType : quint8 { Null, Integer, Real, Text, Blob };

// Where a result column's values come from: the schema, table and column
// of a plain column reference (empty for an expression).
struct TColumnOrigin {
    QString schema, table, column;
    bool IsColumn() const { return !table.isEmpty() && !column.isEmpty(); }
};

class TResultTable {
public:
    void Clear();
    // Headings of the result columns (without the line-number column).
    const QStringList& Headings() const { return FHeadings; }
    int ColumnCount() const { return int(FHeadings.size()) + (FLineNumbers ? 1 : 0); }
    int RowCount() const { return int(FRowStart.size()); }
    bool LineNumbers() const { return FLineNumbers; }
    // The heading of a grid column ("No" for the line-number column).
    QString Heading(int col) const;
    // The origin of a grid column (none for the line-number column).
    TColumnOrigin Origin(int col) const;
    // The result columns' origins, set by the loader after Begin.
    void SetOrigins(std::vector<TColumnOrigin> origins) { FOrigins = std::move(origins); }
    // Display text of a cell (grid columns: the line-number column first when on).
    QString Text(int row, int col) const;
    CellType Type(int row, int col) const;
    qint64 Integer(int row, int col) const;
    double Real(int row, int col) const;
    // Text (UTF-8) or blob bytes; empty for the other types.
    QByteArray Bytes(int row, int col) const;
    // Bytes held by the cells.
    qint64 DataBytes() const { return qint64(FData.size()); }
    // The order of the rows: a permutation after sorting (row -> stored row).
    void SetOrder(const std::vector<int>& order) { FOrder = order; }
    const std::vector<int>& Order() const { return FOrder; }

    // --- filled by the loader
    void Begin(const QStringList& headings, bool lineNumbers, qint64 firstLineNumber,
               const QString& nullText);
    void BeginRow();
    void AddNull();
    void AddInteger(qint64 v);
    void AddReal(double v, const char* engineText, int len);
    void AddText(const char* utf8, int len);
    void AddBlob(const void* p, int len);

private:
    const char* Cell(int row, int col, CellType& type, quint32& len) const;
    int Stored(int row) const { return FOrder.empty() ? row : FOrder[size_t(row)]; }
    QStringList FHeadings;
    std::vector<TColumnOrigin> FOrigins;
    bool FLineNumbers = false;
    qint64 FFirstLine = 1;
    QString FNullText;
    std::vector<char> FData;        // per cell: type byte, 4-byte length, payload
    std::vector<quint64> FRowStart; // offset of each row's first cell
    std::vector<int> FOrder;
};

} // namespace sky
