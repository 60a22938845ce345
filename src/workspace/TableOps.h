// The table page's operations on one table, without a window: counting,
// dropping, emptying, renaming and copying a table, and adding, renaming
// and removing a column (each a rebuild in one transaction). Questions go
// through the Prompter; the outcome says what the page, the tree and the
// status line do next. The command line runs the same operations.
#pragma once

#include <QString>
#include <QStringList>

namespace sky {

class Prompter;
class TSQLite3Database;
struct TTableLayout;

struct TableOpContext {
    TSQLite3Database& db;
    Prompter& prompts;
    QString table;  // curTable
    QString schema; // curSchema (empty or main: the main schema)
    QString curCol; // CurCol
    // Build the rebuild's statements into the outcome's script; change nothing.
    bool scriptOnly = false;
};

struct TableOpOutcome {
    bool ok = false;      // done (false also when declined or cancelled)
    bool changed = false; // the file was changed
    QString status;       // the status line
    bool refreshSchema = false;
    QString selectTable; // SelectTable afterwards (empty: none)
    QString script;      // scriptOnly: the statements the rebuild would run
    QString rowCountText;
};

namespace tableops {

// The row count's stored text ("Empty", "One", "1 234", "Broken") and the
// status sentence for a count.
QString RowCountText(qint64 count);
QString RowCountStatus(const QString& table, qint64 count);
// A count with a space as thousands separator.
QString GroupedCount(qint64 count);

// The column name a user typed, adjusted: spaces, "." and "," become "_",
// runs of "_" one; with numbering, a two-digit running number is appended
// or increased while the name equals one of the existing names (ignoring case).
QString AdjustColumnName(const QString& typed, const QStringList& existing, bool numbering);
// A new column's value in the copy: NULL, quoted or bracketed texts and
// numbers as written, anything else as a quoted string, nothing as ''.
QString DefaultSource(const QString& defaultValue);

TableOpOutcome CountRows(TableOpContext& c);
TableOpOutcome DropTable(TableOpContext& c);
TableOpOutcome EmptyTable(TableOpContext& c);
TableOpOutcome RenameTable(TableOpContext& c);
TableOpOutcome CopyTable(TableOpContext& c);
TableOpOutcome AddColumn(TableOpContext& c);
TableOpOutcome RenameColumn(TableOpContext& c);
TableOpOutcome RemoveColumn(TableOpContext& c);

// Rebuilds the table from an edited layout (columns carry their OldName):
// the statements (header comment, drops of the old indexes and triggers,
// set aside, create, copy, drop, the new indexes and triggers) in
// plan form when scriptOnly, else run in one transaction. sources and
// targets are the copy's column lists.
bool RebuildFromLayout(TableOpContext& c, const TTableLayout& old, const TTableLayout& edited,
                       const QString& header, const QString& asideBase, const QStringList& targets,
                       const QStringList& sources, QString& script);

} // namespace tableops
} // namespace sky
