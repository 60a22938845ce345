// What the table operations' files share (not for other callers): the
// system texts, quoting for messages and statements, running one
// statement, the layout's columns, the adjusted-name question and the
// create script split for a rebuild.
#pragma once

#include "workspace/TableOps.h"

#include <QString>
#include <QStringList>

namespace sky::tableops::detail {

inline const QString kCancel = QStringLiteral("#CANCEL!#");
inline const QString kExecuting = QStringLiteral("Executing...");
inline const QString kExecSuccess = QStringLiteral("Execution Success.");
inline const QString kLayoutNotRead = QStringLiteral("Failed to read Table Layout for: ");

// A name in double-quote characters, for messages.
QString InQuotes(const QString& s);
// The table as a qualified name, every part in double quotes: the schema
// only when one is set.
QString Qualified(const QString& schema, const QString& table);
QString Qualified(const TableOpContext& c);
// An outcome that failed with the status.
TableOpOutcome Fail(const QString& status);
// Runs one statement; the outcome says "Execution Success." or the error.
TableOpOutcome ExecuteOne(TableOpContext& c, const QString& sql);
// The names of the layout's columns, and the position of one (ignoring
// case, -1 for none).
QStringList ColumnNames(const TTableLayout& t);
qsizetype FindColumn(const TTableLayout& t, const QString& name);
// The table's layout; false with the outcome saying it could not be read.
bool ReadLayout(TableOpContext& c, TTableLayout& t, TableOpOutcome& o);
// Asks until the answer is accepted unchanged: each answer is adjusted, and
// an adjusted one is proposed again with the confirmation prompt.
QString AskAdjusted(TableOpContext& c, const QString& title, const QString& prompt,
                    const QString& confirmPrompt, QString proposal, const QStringList& choices,
                    const QStringList& existing, bool numbering);
// True when the text holds nothing but blanks and comments.
bool OnlyComments(const QString& text);
// The create script of a layout split for the rebuild: the CREATE TABLE
// statement, and the indexes and triggers (the script's DROP lines left out).
bool SplitCreateScript(const QString& script, QString& createTable, QStringList& after);
// A rebuild's outcome: its script (scriptOnly) or the status.
TableOpOutcome Rebuilt(TableOpContext& c, bool ok, const QString& script, const QString& success,
                       const QString& failure);
// The name in CREATE [TEMP] TABLE [IF NOT EXISTS] name replaced, the rest of
// the stored text kept exactly. False when the text has no such name.
bool ReplaceCreatedName(QString& sql, const QString& newName);
// An index's or trigger's statement made to create it in the schema (other
// than main), so that a table of the same name in main is never its table.
void QualifyCreatedName(QString& sql, const QString& schema);

} // namespace sky::tableops::detail
