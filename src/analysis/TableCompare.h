// The table compare of two tables of one database: their layouts column by
// column, the rows whose shared columns differ (paired by the primary key
// both tables declare, else by rowid), and the single-statement fixes built
// from those differences, applied together in one transaction in which each
// fix must change exactly one row. Values are compared as the engine stores
// them (typed), never by their display text.
#pragma once

#include "design/TableLayout.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace sky {

class TSQLite3Database;
class TSQLite3Statement;

inline const QString kCompareSelf =
    QStringLiteral("Comparing a table to itself yields very predictable results.");
inline const QString kNullDbReference = QStringLiteral("Null DB Reference");
inline const QString kTableNotFound = QStringLiteral("Table not found");
inline const QString kNothingInCommon = QStringLiteral(
    "These Tables have nothing in common - Only tables with some similar columns are comparable");
inline const QString kNoDiscrepancy =
    QStringLiteral("Could not find a single Discrepancy in the Data");
inline const QString kNoPairing = QStringLiteral(
    "These Tables share no Primary Key and a Table without rowid cannot be paired by rowid");
inline const QString kMissingRowMarker = QStringLiteral("<#NULLROW>");
inline const QString kSameBanner =
    QStringLiteral(" --   These Table layouts are exactly the same   -- ");
inline const QString kNothingBanner =
    QStringLiteral(" --   These Tables have nothing in common   -- ");
inline const QString kFixesApplied = QStringLiteral("All Fixes applied.");
inline const QString kFixNote = QStringLiteral(
    "Please Note:  The SQL for these fixes are wrapped in a Transaction to avoid uncertainty on "
    "what items were updated in case one or more of them fail due to constraints on the target "
    "table.  This means changes will only occur if all updates succeed, which makes it safe to "
    "retry multiple times.");
constexpr int kCompareRowLimit = 1000;
constexpr qint64 kCompareMemoryLimit = 16 * 1024 * 1024;

// --- the layouts
struct LayoutRow {
    QString item, property, left, right;
    bool mark = false; // " ! ": the two values differ
};
struct LayoutComparison {
    QString caption;
    QStringList headers;   // five
    QList<LayoutRow> rows; // blocks of 8
    int similar = 0, missing = 0, discrepancies = 0;
    QString banner;           // empty, kSameBanner or kNothingBanner
    bool dataEnabled = false; // at least one similar column
};
LayoutComparison CompareLayouts(const TTableLayout& a, const TTableLayout& b, const QString& table1,
                                const QString& table2);

// --- values and rows
struct CmpValue {
    int type = 5; // the engine's storage class: 1 integer, 2 real, 3 text, 4 blob, 5 null
    qint64 i = 0;
    double d = 0;
    QByteArray bytes; // text (UTF-8) or blob
    QString shown;    // as the CSV exporter writes it
    static CmpValue From(const TSQLite3Statement& s, int column);
    // The engine's equality of stored values: numbers by value (1 = 1.0),
    // text and blobs byte for byte, NULL only equal to NULL.
    bool Same(const CmpValue& o) const;
    QString Literal() const; // the value as SQL
};
struct CmpRow {
    QList<CmpValue> key;     // the first table's key values
    bool missing = false;    // no partner in the second table
    CmpValue partner;        // the second table's key, or the missing-row marker
    QList<CmpValue> values;  // pairs: first table, second table, per compared column
    QList<bool> differs;     // per compared column
    QString KeyText() const; // joined by ", "
};

struct DataComparison {
    QStringList keyColumns; // the shared key, or {"rowid"}
    bool sharedKey = false;
    QStringList compared; // c1 ... cn
    QString query;
    QList<CmpRow> rows;
    int missingRows = 0, discrepancies = 0;
    bool limited = false; // the row or memory limit stopped the rows
    QString note;         // "  (Showing All) " or "  (Showing first n) "
    QString header;       // Data discrepancies between "t1" and "t2"
    QString error;        // set on failure
    // The grid's headers: key, TableB, then name, name per compared column.
    QStringList GridHeaders() const;
};

// The tables' shared primary key (same columns in key order, names ignoring
// case); empty when they share none.
QStringList SharedPrimaryKey(TSQLite3Database& db, const QString& t1, const QString& t2);

class TableCompare {
public:
    // Opens a comparison; false with lastError ("Null DB Reference", "Table
    // not found", the self-compare refusal, "Could not read Table Layouts").
    bool compare(TSQLite3Database* db, const QString& tbl1, const QString& tbl2);
    QString lastError;
    QString stbl1, stbl2;
    TTableLayout ftbl1, ftbl2;
    LayoutComparison layout;

    // The comparison's columns and query (limit 0: none).
    bool PrepareData(DataComparison& d, int limit = kCompareRowLimit);
    // Runs the query and collects the rows (at most the limit, and 16 MiB).
    bool CompareData(DataComparison& d, int limit = kCompareRowLimit);
    // Steps the query, handing each row to sink without keeping it (sink
    // false: stop, the rows counted as limited); false with d.error on failure.
    bool StreamData(DataComparison& d, const std::function<bool(const CmpRow&)>& sink,
                    int limit = 0);

    // The fix statements: tag 1 the second table takes the first table's
    // value of column (compared index), tag 2 the reverse, tag 3 the missing
    // row inserted into the second table. Empty when the tag does not apply.
    QString FixStatement(const DataComparison& d, const CmpRow& row, int tag, int column) const;

    TSQLite3Database* db = nullptr;
};

// The help panel's texts: 0 "Table Differences", 1 "Data Differences",
// 2 "Row Information", 3 "Missing Data Rows", 4 "Fix a differing Value"
// (LEFT button), 5 the same for the RIGHT button, 6 "Add a Missing Row".
QString CompareHelpTitle(int which);
QString CompareHelpText(int which, const QString& t1, const QString& t2, bool dataEnabled);

// The requested fixes: each statement once, in request order.
class FixList {
public:
    bool Add(const QString& statement); // false when already listed
    void Remove(int index);
    void Clear() { FLines.clear(); }
    const QStringList& Lines() const { return FLines; } // each "  " + statement
    QStringList Statements() const;
    // BEGIN TRANSACTION; the lines; END TRANSACTION; or empty.
    QString Script() const;

private:
    QStringList FLines;
};

// Runs the statements in one transaction (foreign keys suspended); each must
// change exactly one row. False with the reason ("DB Error while loading
// transaction: ...") and nothing changed.
bool ApplyFixes(TSQLite3Database& db, const QStringList& statements, QString& message);

} // namespace sky
