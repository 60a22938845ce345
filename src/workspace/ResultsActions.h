// What the results' actions make of the last run: the SELECT of a view
// made from the results and the name proposed for it; the value, row and
// table actions of a result cell (the row identified by the current
// table's key or rowid, with the cells' stored values).
#pragma once

#include "engine/ResultTable.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace sky {

class Prompter;
class TSQLite3Database;
class TSQLite3Statement;

// The view's SELECT: the last successful query (trimmed) when it holds the
// word SELECT, else a SELECT of the table's columns; cut before the first
// statement end (a ";" outside literals, names and comments).
QString ResultsViewSelect(const QString& lastQuery, const QStringList& columns,
                          const QString& table);

// A proposed view name made usable: a leading "." removed, every "." after
// the first turned into "_", "__" collapsed to "_".
QString CleanViewName(const QString& name);

// The name with its trailing number increased by one ("t_View_1" gives
// "t_View_2"; a name without one gets "2").
QString NextNumberedName(const QString& name);

// --- the cell, row and table actions

// A stored value: its type, and its number or bytes (UTF-8 text or blob).
struct CellValue {
    CellType type = CellType::Null;
    qint64 integer = 0;
    double real = 0;
    QByteArray bytes;
};
CellValue CellValueOf(const TResultTable& t, int row, int col);
CellValue TextValue(const QString& text);
// The value as an SQL literal: NULL, the number, 'text' (NUL and CR as
// char(), bytes that are not UTF-8 as a CAST), X'..'.
QString ValueLiteral(const CellValue& v);
void BindValue(TSQLite3Statement& st, int index, const CellValue& v);
// A typed answer for a column of the affinity: "NULL" (any case, blanks
// around) is NULL; numeric columns take a number with its blanks removed
// ("1 000" is 1000); text columns keep the text as typed ('007' stays).
CellValue TypedAnswer(const QString& answer, const QString& affinity);

// The current table as the actions need it.
struct ActionTable {
    QString schema, table; // as the workspace names them
    bool exists = false, withoutRowid = false;
    QStringList keys;                 // the primary key in key order
    QString rowidAlias;               // the INTEGER PRIMARY KEY column, if any
    QHash<QString, QString> affinity; // upper-cased column -> affinity
    QHash<QString, QString> names;    // upper-cased column -> its name
    QStringList generated;            // upper-cased generated columns
    // The table reference of the statements: "temp.", "schema." or none.
    QString Reference() const;
    bool HasColumn(const QString& name) const { return names.contains(name.toUpper()); }
};
// Reads the table; exists is false for a view or a missing table.
ActionTable ReadActionTable(TSQLite3Database& db, const QString& schema, const QString& table);

// The row behind a result row: why it cannot be identified, or its key.
struct RowTarget {
    QString why; // empty: identified
    bool byRowid = false;
    QStringList keyNames; // table column names, unquoted
    std::vector<CellValue> keyValues;
    // The result columns that are plain columns of the table (grid column,
    // table column), generated columns left out.
    QList<QPair<int, QString>> columns;
    // name=value joined by " AND " (the shown and the data editor's form).
    QString Condition() const;
    // "name = ?n" joined by " AND ", parameters from `first`.
    QString BoundCondition(int first) const;
};
RowTarget ResolveRow(const ActionTable& t, const TResultTable& rows, int row);
// The table column a grid column edits: empty with why for an
// expression, another table's column, a generated column or no table.
QString ValueColumn(const ActionTable& t, const TResultTable& rows, int col, QString& why);

// The shown statements, as templates (their values and names are template
// literals; the markers select what the Part's texts select).
QString ShowEditSql(const ActionTable& t, const RowTarget& r, const QString& column,
                    const CellValue& value);
QString ShowSelectSql(const ActionTable& t, const RowTarget& r, const QString& column);
QString ShowUpdateSql(const ActionTable& t, const RowTarget& r, const QString& column,
                      const CellValue& value);
QString UniqueValuesSql(const ActionTable& t, const QString& column, int queryLimit);
QString RowUpdateSql(const ActionTable& t, const RowTarget& r, const TResultTable& rows, int row);
QString RowInsertSql(const ActionTable& t, const RowTarget& r, const TResultTable& rows, int row);
QString RowDeleteSql(const ActionTable& t, const RowTarget& r);
QString TableRenameSql(const ActionTable& t);
QString TableDropSql(const ActionTable& t);
// The question of "Remove this Row".
QString RemoveRowQuestion(const RowTarget& r);

// The executed actions, each in one transaction that must change exactly
// one row (a row that was not found, or a trigger that ignored the change,
// is an error and changes nothing). The status says how it went.
bool ExecuteValueEdit(TSQLite3Database& db, const ActionTable& t, const RowTarget& r,
                      const QString& column, const QString& heading, const CellValue& value,
                      QString& status);
bool ExecuteDuplicate(TSQLite3Database& db, const ActionTable& t, const RowTarget& r,
                      const TResultTable& rows, int row, QString& status);
bool ExecuteRemove(TSQLite3Database& db, const ActionTable& t, const RowTarget& r, QString& status);

// Edit Value's question: the answer, or the current value when cancelled.
// The drop-down offers the column's distinct values.
QString AskNewValue(Prompter& p, const QString& heading, const QString& current,
                    const QStringList& choices);

} // namespace sky
