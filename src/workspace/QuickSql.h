// The quick-SQL buttons' texts: templates for the selected table, the
// column and comparison insertion, and the INSERT, UPSERT and UPDATE
// statements written from the table's layout. Nothing here runs SQL that
// changes anything: every generator returns the editor's new text and its
// selection.
#pragma once

#include "workspace/SqlTemplate.h"

#include <QString>

namespace sky {

class TSQLite3Database;
struct TTableLayout;

enum class QuickKind { Select, SelectAll, Insert, Upsert, Update, Delete, Create, Drop };

// The table the buttons work on.
struct QuickTarget {
    QString schema, table;
    bool isView = false;
};

// "select", "select-all", "insert", "upsert", "update", "delete", "create",
// "drop"; false for another word.
bool QuickKindFromName(const QString& name, QuickKind& kind);

// The seven comparison buttons: caption and the text each inserts after the
// column (its hint, one "|" for the caret).
struct QuickCompare {
    const char* caption;
    const char* hint;
};
extern const QuickCompare kQuickCompares[7];

// The fixed templates (the markers are their own "|").
QString QuickSelectTemplate();
QString QuickSelectAllTemplate();
QString QuickDeleteTemplate();
QString QuickDropTemplate(bool isView);

// The INSERT (tag 0), UPSERT (tag 1) or UPDATE (tag 2) template of a table
// layout with its primary-key columns in a schema: names and values are
// template literals, the markers select the value to type first. Generated
// columns are left out.
QString RowStatementTemplate(const TTableLayout& t, const QStringList& primaryKey,
                             const QString& schema, int tag);

// The statement (+ ";" when withEnd) with the first whole-word occurrence
// of name (ignoring case, from index `from` on) marked as the selection.
QString MarkNameTemplate(const QString& sql, const QString& name, qsizetype from,
                         bool withEnd = true);

// The editor after a comparison button: the column (unless it already
// stands just before the caret) and the hint replacing the selection, the
// caret at the hint's "|".
TemplateResult CompareInsert(const QString& editor, qsizetype selStart, qsizetype selEnd,
                             const QString& column, const QString& hint);

// The editor text a button writes into an empty editor for the target
// (its template applied with the context). False with the reason when the
// button is not offered there or its statement cannot be read.
bool QuickSqlText(TSQLite3Database& db, const QuickTarget& target, QuickKind kind,
                  const TemplateContext& context, TemplateResult& out, QString& why);

// The template of a button for the target (before it is applied). False
// with the reason as QuickSqlText.
bool QuickSqlTemplate(TSQLite3Database& db, const QuickTarget& target, QuickKind kind,
                      QString& tmpl, QString& why);

} // namespace sky
