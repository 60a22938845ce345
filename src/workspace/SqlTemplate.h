// SQL templates: the "show SQL" texts every command puts into the query
// editor. Placeholders are expanded from the workspace's state, and "|"
// markers say where the caret goes or what is selected.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace sky {

struct TemplateContext {
    QString curSchema, curTable;
    QStringList columns;    // the current table's columns
    QStringList primaryKey; // in key order
    QString chosenColumn;   // the quick-SQL column (first entry when none chosen)
    int queryLimit = 1000;
    QString clipboard;
    QDateTime now = QDateTime::currentDateTime();
};

// The editor after a template: the whole new text and the selection.
struct TemplateResult {
    QString text;
    qsizetype selStart = 0, selEnd = 0;
};

// Not empty and only digits, spaces, commas, at most one "." and at most one
// sign before the first digit, with fewer than 19 digits.
bool LooksNumeric(const QString& text);
// " LIMIT n" for a positive limit, else empty.
QString LimitClause(int limit);
// Expands the placeholders ("#TBL#", "#CPB#", ...) in the template's code;
// inside string literals, quoted names and comments they stay text.
QString ExpandPlaceholders(const QString& tmpl, const TemplateContext& c);
// Text put into a template as it is: names, values, file names and stored
// SQL. Its "|" are no markers and its placeholders are not expanded.
QString TemplateLiteral(const QString& text);
// The editor after a template: the first two "|" of the template's own text
// are the markers (no "|": the caret before the last character; one: the
// caret there; two: the text between them selected). False when the trimmed
// template has 2 characters or fewer.
bool ApplyTemplate(const QString& tmpl, const TemplateContext& c, TemplateResult& out);

} // namespace sky
