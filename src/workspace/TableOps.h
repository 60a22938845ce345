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
class TableDesignerPort;
class DesignerDialogs;

// The table compare the page hands its two names to; false with the error.
class TableComparePort {
public:
    virtual ~TableComparePort() = default;
    virtual bool CompareTables(const QString& table, const QString& other, QString& error) = 0;
};
struct TTableLayout;

struct TableOpContext {
    TSQLite3Database& db;
    Prompter& prompts;
    QString table;  // curTable
    QString schema; // curSchema (empty or main: the main schema)
    QString curCol; // CurCol
    // Build the rebuild's statements into the outcome's script; change nothing.
    bool scriptOnly = false;
    TableDesignerPort* designer = nullptr; // for the alter
    DesignerDialogs* dialogs = nullptr;    // the index and trigger dialogs
    TableComparePort* compare = nullptr;   // the table compare
};

struct TableOpOutcome {
    bool ok = false;      // done (false also when declined or cancelled)
    bool changed = false; // the file was changed
    QString status;       // the status line
    bool refreshSchema = false;
    QString selectTable; // SelectTable afterwards (empty: none)
    QString script;      // scriptOnly: the statements the rebuild would run
    QString rowCountText;
    QString editorText;          // show-only: the SQL for the editor
    bool editorTemplate = false; // editorText is an SQL template (| marks a selection)
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

// The references notice's text for a column from its references cell (the
// index names; the UPDATE OF trigger names; the mentioning trigger names,
// separated by ";", each name followed by ", "). Empty when nothing refers.
QString ColumnReferencesText(const QString& column, const QString& referencesCell);

// How similar two table names are (0 for nothing in common; "ABC" and
// "abc" give about 121.64), from their ASCII letters and digits.
double NameSimilarity(const QString& s, const QString& t);
// The table proposed to compare `current` with: lastCompare while it is
// still one of the other tables, else the other table most like it (a
// similarity of at least 50; the first of equals), else empty.
QString CompareProposal(const QString& current, const QStringList& tables,
                        const QString& lastCompare);

// The references cell of a column of the layout: the indexes using it, the
// triggers whose UPDATE OF list holds it, the triggers mentioning it.
QString ColumnReferencesCell(const TTableLayout& t, const QString& column);
// The references notice's text of c.curCol: the cell's sentences, then the
// views, other tables' triggers and child foreign keys that name it.
QString ColumnReferences(TableOpContext& c);
// Shows it: a notice of the references, or that there are none.
TableOpOutcome ShowColumnReferences(TableOpContext& c);

// Reads a designer's script (CREATE TABLE, then CREATE INDEX and CREATE
// TRIGGER statements; DROP statements ignored) into a layout whose columns
// carry the old names they map to: renames (lines or items NEW=OLD... given
// as OLD=NEW) first, else the old column of the same name ignoring case.
// False with the reason.
bool ReadDesignerScript(const QString& script, const QStringList& renames, const TTableLayout& old,
                        TTableLayout& edited, QString& why);

TableOpOutcome CountRows(TableOpContext& c);
TableOpOutcome DropTable(TableOpContext& c);
TableOpOutcome EmptyTable(TableOpContext& c);
TableOpOutcome RenameTable(TableOpContext& c);
TableOpOutcome CopyTable(TableOpContext& c);
TableOpOutcome AddColumn(TableOpContext& c);
TableOpOutcome RenameColumn(TableOpContext& c);
TableOpOutcome RemoveColumn(TableOpContext& c);
// The table edited in the designer (c.designer) and rebuilt.
TableOpOutcome AlterTable(TableOpContext& c);

// A new index or trigger on c.curCol, edited in its dialog (c.dialogs)
// from the proposal; showOnly puts its SQL into editorText instead.
TableOpOutcome AddIndexOrTrigger(TableOpContext& c, bool trigger, bool showOnly);
// An index or trigger of the table (kind "INDEX" or "TRIGGER", any case):
// removed after asking, or edited in its dialog and replaced in one
// transaction. Nothing while a transaction is open.
TableOpOutcome RemoveObject(TableOpContext& c, const QString& kind, const QString& name);
TableOpOutcome EditObject(TableOpContext& c, const QString& kind, const QString& name,
                          const QString& sql);
// A new table designed in the designer (c.designer): based on c.table as its
// template (name proposed as template_2, _3 ...) or from nothing, created in
// one transaction. A failure puts the script into the editor as a template
// with the table name marked.
TableOpOutcome NewTableFromDesigner(TableOpContext& c, bool fromTemplate);
// Compares c.table with a table the user names (the proposal of
// CompareProposal among tables); a success remembers it in lastCompare.
TableOpOutcome CompareTable(TableOpContext& c, const QStringList& tables, QString& lastCompare);

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
