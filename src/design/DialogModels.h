// The state of the index, key, foreign key, check, trigger and view dialogs
// without their widgets: the column grid rows, the record rebuilt from the
// controls, and the preview text.
#pragma once

#include "design/SchemaLayouts.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace sky {

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

// Check dialog: the expression with white space runs made single spaces.
QString CheckExpression(const QString& text);
QString CheckPreview(const TFKeyLayout& k);

// Trigger dialog: the statements as stored (";" added unless they end in
// ";" or "/"), and the label completing "Execute the following SQL
// statements for each".
QString TriggerStatements(const QString& text);
QString TriggerRowKind(int event);

} // namespace sky
