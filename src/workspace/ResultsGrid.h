// The results grid's rules without the widget: the filter language and its
// SQL, find, sorting, column sizing, column statistics, text shortening,
// the context-menu cell record and "Add as SQL". The grid is a table of
// display texts, row 0 the headings.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace sky {

// Cell access: the heading row is row 0, data rows 1..rows.
struct GridView {
    int rows = 0; // data rows
    int columns = 0;
    std::function<QString(int row, int col)> cell; // row 0: headings
};

// --- filter
enum class FilterLogic { And, Or, AndNot };
enum class FilterMethod { Contains, StartsWith, EndsWith, Equals };
struct FilterTerm {
    FilterLogic logic = FilterLogic::And;
    FilterMethod method = FilterMethod::Contains;
    QString word;  // upper-cased, for matching
    QString typed; // as typed (letter case kept), for the SQL fragment
};
struct ResultsFilter {
    QList<FilterTerm> terms;
    int required = 0;        // AND and AND NOT terms
    QString andPart, orPart; // SQL parts with the placeholder column
    bool IsEmpty() const { return terms.isEmpty(); }
};
// Parses the filterText box text.
ResultsFilter ParseFilter(const QString& filterText);
// Which data rows are shown (index 0 = data row 1); the SQL condition with
// the placeholder replaced by the heading (through QuoteIdent) of the
// column of the first match; empty when nothing matched. Never writes an
// empty "AND ()" or "AND NOT ()"; OR terms are parenthesised together with
// the AND part.
QList<bool> ApplyFilter(const ResultsFilter& f, const GridView& g, bool invert, QString& sql);
// Delay of a filter run on a big grid: rows / 5 ms above 500 rows, else 0.
int FilterDelayMs(int rows);

// --- find: the next data row after `from` (1-based) whose cells joined by
// CR LF, trimmed and upper-cased, contain the text; wraps once; -1 none.
int FindNextRow(const GridView& g, const QString& text, int from,
                const std::function<bool(int row)>& shown);

// --- sorting: the new order of the data rows (1-based row numbers).
enum class SortKind { AlphaAsc, AlphaDesc, NumAsc, NumDesc };
QList<int> SortedRows(const GridView& g, int column, SortKind kind);

// --- column sizing
struct SizeMode {
    int extraChars = 2; // a
    int maxWidth = 360; // b (0 none)
    int margin = 6;     // c
    bool ignoreHeadings = false, statistical = true, stretch = false;
};
SizeMode DefaultSizeMode(bool wider); // after every load
SizeMode FullDataAndHeadings();
SizeMode FullDataOnly();
SizeMode AdaptiveSize();
SizeMode CompactSize();
QList<int> ColumnWidths(const GridView& g, const SizeMode& m, double charWidth, int clientWidth);

// --- column statistics
// The kind of a column's values, the narrowest one all of them fit.
enum class ColumnKind : int { Text = 0, Float = 1, Integer = 2, Bool = 3, Nothing = 4 };
struct TColStats {
    bool isEmpty = true, isUnique = true, isSingle = false, isIndex = false, isTrigger = false;
    int iRecords = 0, iValues = 0, iNulls = 0, iMaxW = 0, iMinW = 0;
    ColumnKind iKind = ColumnKind::Nothing;
    int iCard = 0;
    double dMax = 0, dMin = 0, dAvg = 0, dMed = 0, dVar = 0, dDev = 0;
    QString sName, sMax, sMin, sMed, sComment, sUsedInd, sUsedTrig;
};
TColStats ColumnStats(const GridView& g, int column, const QString& nullText);
// The pop-up's lines (caption, value) for the statistics.
QList<QPair<QString, QString>> ColumnStatLines(const TColStats& s, int column);
// The pop-up's markers "Empty", "Unique" and "Singular": each in its own
// colour when it applies, else pale.
struct StatMarker {
    QString text;
    int r = 0, g = 0, b = 0;
};
QList<StatMarker> ColumnStatMarkers(const TColStats& s);

// --- texts
// Shortened to n characters (n >= 5) at a word boundary with " ..." or "...".
QString ShortenText(const QString& text, int n);
// The cell record of the context menu.
struct TMenuRes {
    int ACol = -1, ARow = -1;
    int LineNoIdx = -1;
    QString sSchema, sTable, sPKeys, sField, sVal, sRow, sCol;
    bool valueActions = false; // every key column found among the headings
};
TMenuRes PrepareCellMenu(const GridView& g, int col, int row, bool lineNumbers,
                         const QString& schema, const QString& table,
                         const QStringList& primaryKey);

// "Add as SQL": the editor text and caret after merging the condition (its
// leading AND or OR dropped) into the last statement of the editor text: AND-ed
// to the top-level WHERE of its last compound part (a "WHERE 1" is replaced),
// else as a new WHERE in front of GROUP, HAVING, WINDOW, ORDER, LIMIT or
// RETURNING, else at its end. An empty editor gets a query of the current
// table; a statement already holding the condition stays as it is.
struct SqlMerge {
    QString text;
    qsizetype caret = 0;
    bool changed = false;
};
SqlMerge AddFilterToQuery(const QString& editor, qsizetype caret, const QString& condition,
                          const QString& currentTable);

} // namespace sky
