// The state of the index, key, foreign key, check, trigger and view dialogs
// without their widgets: the column grid rows, the record rebuilt from the
// controls, the preview text, and every database question a dialog asks
// (parent tables and columns, the view test). The dialogs only move values
// between these and their controls, so all of it is tested without a display.
#pragma once

#include "design/Constraints.h"
#include "design/IndexTrigger.h"
#include "design/Views.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace sky {

class Prompter;
class TSQLite3Database;

inline const QString kNoSelectedColumns = QStringLiteral("-- No Selected Columns...");
inline const QString kNoValidStatement = QStringLiteral("-- No valid statement...");
inline const QString kNoCheckExpression = QStringLiteral("-- No Expression to check...");
inline const QString kUseMark = QStringLiteral("  Use");

// One row of a dialog's column grid.
struct ColumnRow {
    QString column; // a column name, or an index expression as written
    bool used = false;
    QString collation; // index and key dialogs
    bool descending = false;
    QString references; // foreign key dialog: the parent column
};

// Index dialog: rows for the given columns (marked when the index uses
// them, in the index's order first) plus the index's expression entries.
QList<ColumnRow> IndexRows(const TIndexLayout& ix, const QStringList& columns);
void IndexFromRows(TIndexLayout& ix, const QList<ColumnRow>& rows);
QString IndexPreview(const TIndexLayout& ix);

// Primary/unique key dialog.
QList<ColumnRow> KeyRows(const TFKeyLayout& k, const QStringList& columns);
void KeyFromRows(TFKeyLayout& k, const QList<ColumnRow>& rows, bool primary);
QString KeyPreview(const TFKeyLayout& k);

// Foreign key dialog: rows of the own columns, with their parent columns.
QList<ColumnRow> FKeyRows(const TFKeyLayout& k, const QStringList& ownColumns);
void FKeyFromRows(TFKeyLayout& k, const QList<ColumnRow>& rows);
QString FKeyPreview(const TFKeyLayout& k);
// Row r used, referring to parentColumn; an empty parentColumn keeps the
// row's reference, or gives it the column's own name when it has none.
void UseFKeyRow(QList<ColumnRow>& rows, int r, const QString& parentColumn);
// Row r no longer used: its reference cleared.
void UnuseFKeyRow(QList<ColumnRow>& rows, int r);
// The dialog's controls other than the grid.
struct FKeyChoices {
    QString name, comment, parent;
    int updAction = 0, delAction = 0; // indexes into the action table
    DeferMode deferMode = DeferMode::NotStated;
    bool deferInitially = false;
    bool tableConstraint = false;
};
FKeyChoices FKeyChoicesOf(const TFKeyLayout& k);
// The record rebuilt from the controls and the grid (names trimmed; a
// deferred start is stated as INITIALLY DEFERRED, otherwise left unstated).
void FKeyFromChoices(TFKeyLayout& k, const FKeyChoices& c, const QList<ColumnRow>& rows);
// The table a foreign key belongs to: the given own table, else the record's.
QString FKeyOwnTable(const TFKeyLayout& k, const QString& ownTable);
// Every table of the database's main schema, by name: the parent choices.
QStringList FKeyParentTables(TSQLite3Database& db);
// The parent's columns when it names a table of main; empty otherwise.
QStringList FKeyParentColumns(TSQLite3Database& db, const QString& parent);
// The own table's columns: the given ones, else the table's in the database.
QStringList FKeyOwnColumns(TSQLite3Database* db, const QStringList& given, const QString& table);
// True (and last updated) when the typed parent, trimmed, differs from the
// last one ignoring case: only then are the parent's columns read again.
bool FKeyParentChanged(const QString& typed, QString& last);

// Check dialog: the expression with white space runs made single spaces.
QString CheckExpression(const QString& text);
QString CheckPreview(const TFKeyLayout& k);

// Trigger dialog: the statements as stored (";" added unless they end in
// ";" or "/"), and the label completing "Execute the following SQL
// statements for each".
QString TriggerStatements(const QString& text);
QString TriggerRowKind(TrigEvent event);
// Whether each column is one of the trigger's UPDATE OF columns (ignoring case).
QList<bool> TriggerColumnsUsed(const TTriggerLayout& t, const QStringList& columns);
// The dialog's controls.
struct TriggerChoices {
    QString name, when, comment, statements;
    bool temporary = false;
    TrigTiming timing = TrigTiming::None;
    TrigEvent event = TrigEvent::None;
    QStringList columns; // the ticked ones, in list order
};
// The record rebuilt from the controls: composed anew, never as read.
void TriggerFromChoices(TTriggerLayout& t, const TriggerChoices& c);
// Only UPDATE OF names columns.
inline bool TriggerShowsColumns(TrigEvent event) {
    return event == TrigEvent::UpdateOf;
}

// View dialog: the preview (the placeholder when there is no statement).
QString ViewPreview(const TViewLayout& v);
// The test button: without a usable connection or a name nothing happens
// (false, no message). Otherwise the create test runs; when it succeeds the
// user is asked whether to run the view's query too, and a failing query is
// shown as a warning. message is the create test's outcome. A query that
// gave rows leaves them (CSV lines) and the query run in lines and query,
// for the result window.
bool RunViewTest(TSQLite3Database* db, const TViewLayout& v, Prompter& prompter, QString& message,
                 QStringList* lines = nullptr, QString* query = nullptr);
// A failed create test as the warning shows it: its first ": " a line break.
QString ViewTestFailureText(const QString& message);

} // namespace sky
