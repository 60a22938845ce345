// The data editor ("Edit Data" page) without its widgets: the rows of one
// table chosen by a WHERE clause, edited cell by cell; every change turned at
// once into an edit script of INSERT, UPDATE and DELETE statements, and that
// script committed in one transaction, all or nothing.
//
// Design. The rows read from the database are kept compactly, one TCSVValues
// per column: the key columns hold each row's key as an SQL literal made from
// its stored value (so a key keeps its storage type and every byte), the
// edit columns the values as the grid shows them. Only rows the user touched
// get an entry of their own (their current values, the cell states and their
// statement, cached), so the script is rebuilt by walking those entries
// alone. New rows follow the loaded ones and always have an entry.
//
// A row is identified by its whole primary key, or by rowid when the table
// has none or when a key column has BLOB affinity (such columns are left
// out of the editor). A generated UPDATE or DELETE must change exactly one
// row. While the script is the generated one, its statements run with their
// values bound to one prepared statement per shape (what the literals read
// as: NULL, integers, text; other values run as written).
#pragma once

#include "support/CsvValues.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <map>
#include <vector>

namespace sky {

class TSQLite3Database;
class ClipboardPort;

// --- the page's texts
inline const QString kEditorTableButton = QStringLiteral("--- ");
inline const QString kEditorTableHint = QStringLiteral("Click to start editing the selected Table");
inline const QString kEditorChangeTo = QStringLiteral(" Change to:  ");
inline const QString kEditorRefreshTo = QStringLiteral(" Refresh:  ");
inline const QString kEditorRefresh = QStringLiteral(" Refresh Editor");
inline const QString kEditorAddRecord = QStringLiteral("Add a Record / Line");
inline const QString kEditorDeleteLine = QStringLiteral("Delete the selected Record / Line");
inline const QString kEditorResetLine =
    QStringLiteral("Reset the selected Line (Undo all changes on it)");
inline const QString kEditorCopyGrid =
    QStringLiteral("Copy Editor values to Clipboard in Tab-Separated format - can be pasted "
                   "directly into most Spreadsheets");
inline const QString kEditorClear = QStringLiteral("Reset all Changes");
inline const QString kEditorCopySql = QStringLiteral("Copy the selected SQL");
inline const QString kEditorCommit = QStringLiteral("Commit these changes");
// A statement meant for one row that changed none or several.
inline const QString kNoRowChanged = QStringLiteral("The row was not found: no row changed");
inline const QString kRowsChanged = QStringLiteral("%1 rows would change instead of one");
inline const QString kEditorLoading = QStringLiteral("Loading Editor values...");
inline const QString kEditorInvalid =
    QStringLiteral("Live Editing is only available for Normal SQL table schemas.\r\n\r\nVirtual "
                   "tables and Views are not currently supported.");
inline const QString kEditorRowHeading = QStringLiteral("Row");
inline const QString kEditorNewRow = QStringLiteral("New");
inline const QString kEditorDeletedRow = QStringLiteral("Deleted");
inline const QString kValueEditorHelpTitle = QStringLiteral("Value Editor Actions");
inline const QString kValueEditorHelpText = QStringLiteral(
    "Refresh the query to show the Table Values for the records you wish to change. (Modify the "
    "WHERE clause where needed) \rChanges are not pre-validated - Changing values in a way that "
    "violates column-constraints will cause SQL errors, but those will be listed in the same "
    "query box with the opportunity to adjust/correct them. \r\rEdit Values directly in Cells.  "
    "The SQL may be edited, copied, run elsewhere, or committed directly in the Query box.\rIt "
    "is wise to make a Backup before changing Table-values.");

// --- statuses
inline const QString kEditorLoaded = QStringLiteral("Editor values loaded.");
inline const QString kEditorBusy = QStringLiteral("Error: Busy executing a prior Query...");
inline const QString kEditorNotEditable = QStringLiteral("Error: This is not an Editable Table.");
inline const QString kEditorNoSchema = QStringLiteral("Error: Could not read Table schema: ");
inline const QString kEditorLoadError = QStringLiteral("Error loading Editor values: ");
inline const QString kEditorNoItems = QStringLiteral("No items to update...");
inline const QString kEditorItemFailed = QStringLiteral("  -- Item failed: ");
inline const QString kEditorRolledBack = QStringLiteral(" - all changes rolled back.");

// The result limit of loading: the rows' CSV text stops growing after the
// row at which it reaches 8 MiB.
constexpr qint64 kEditorResultLimit = 8 * 1024 * 1024;

// One cell as the editor knows it. In the first key column's items iChange
// is the row state (EditRowState); in edit-column items 2 means changed (1
// in a new row).
struct TEditFieldItem {
    QString oldValinDB;   // the value read from the database (keys: as an SQL literal)
    QString newValEdited; // the current value
    int iChange = 0;
};

enum class EditRowState : int { Unchanged = 0, New = 1, Deleted = 3 };
constexpr int kCellChanged = 2;
constexpr int kCellInNewRow = 1;

// One column of the editor.
struct TEditFieldSpec {
    bool isQuoted = false; // values written as strings: affinity not INT.. or REA..
    bool isPK = false;
    bool isRowID = false;
    bool notNull = false;
    QString Affinity, VarType, ValDefault, Name, SafeName;
};
using TEditFieldSpecs = QList<TEditFieldSpec>;

struct TEditTableRef {
    QString Schema, Table;
    bool operator==(const TEditTableRef&) const = default;
};

// The editor's state of record: the key and edit columns, the table offered
// (sel), the table worked on (cur) and its SQL forms (edt: the schema prefix,
// empty for main, "temp." for temp, else the quoted schema + "."; the table
// quoted where needed).
struct TEditorTrack {
    TEditFieldSpecs KeyFields, EditFields;
    TEditTableRef sel, cur, edt;
};

// --- the rules of one value
// True for a text that reads NULL, ignoring case and surrounding blanks.
bool IsNullText(QStringView text);
// The column's default for a new row from its declared default (table_info's
// dflt_value, SQL text): comments removed, trimmed, a string literal
// unquoted; "NULL" counts as none. Without one: NOT NULL gives "" (quoted
// affinity) or "0", a column allowing NULL gives "NULL".
QString EditFieldDefault(const QString& declaredDefault, bool notNull, bool quoted);
// A column of the editor from table_info's fields.
TEditFieldSpec EditFieldOf(const QString& name, const QString& declaredType, bool notNull,
                           bool isPK, const QString& declaredDefault);
// A typed text normalised by the column's affinity: a NULL text is "NULL" in
// every column; INTEGER reads a number (64-bit integers exactly), rounds it
// and writes the integer (no number counts as 0); REAL writes the number in
// its shortest exact form; other affinities keep the text.
QString NormaliseEditValue(const TEditFieldSpec& f, const QString& typed);
// Whether a normalised value differs from the value read: numbers (INTEGER
// by more than 0.5, REAL by more than 1e-12) when both are numbers, else the
// texts.
bool EditValueChanged(const TEditFieldSpec& f, const QString& oldValue, const QString& newValue);
// The SQL of a cell's value: NULL for a NULL text; a string literal for a
// quoted column; otherwise 0 for a blank value, a number literal unchanged,
// anything else a string literal.
QString EditValueSql(const TEditFieldSpec& f, const QString& value);

// The settings key of a table's WHERE history.
QString EditHistoryKey(const QString& table);
// The WHERE history after a successful load: the text moved to (or put at)
// the top; at most kEditHistoryMax entries.
constexpr int kEditHistoryMax = 25;
QStringList EditHistoryWith(const QStringList& history, const QString& where);

// --- the commit's report
struct EditCommitResult {
    bool ran = false; // there were statements
    int failures = 0, successes = 0;
    QString summary; // the status text
    QString script;  // what the script becomes: empty after a success
};
// "Success -" / "Error: One update failed and" / "Error: %d updates failed
// and", then " no updates" / " one update" / " %d updates" + " succeeded",
// and after a failure " - all changes rolled back.".
QString EditCommitSummary(int failures, int successes);
// The notice after a failed commit.
inline const QString kEditorErrorTitle = QStringLiteral("Error updating Table");
QString EditCommitNotice(int failures);
constexpr int kEditorErrorSeconds = 20;

// Which row buttons the chosen cell enables (add record is always enabled).
struct EditRowButtons {
    bool add = true, remove = false, reset = false, copyGrid = false;
};

class DataEditorModel {
public:
    TEditorTrack track; // fEditTrack

    // --- loading
    // Sets edt from cur and reads the key and edit columns; a column's
    // default is the value the engine gives its expression. False (with the
    // status) when the table cannot be edited.
    bool ReadColumns(TSQLite3Database& db, QString& status);
    // Reads the rows of WHERE `where` (exactly, through a prepared
    // statement) up to the result limit. False with the status on failure.
    bool LoadRows(TSQLite3Database& db, const QString& where, QString& status);
    // Columns, rows and script emptied; sel and cur kept.
    void Clear();
    bool HasColumns() const { return !track.EditFields.isEmpty(); }
    // The loading SELECT of a WHERE text.
    QString SelectSql(const QString& where) const;

    // --- the grid: rows are the loaded ones, then the new ones
    int RowCount() const { return int(fState.size()); }
    int LoadedRows() const { return fLoaded; }
    int ColumnCount() const { return int(track.EditFields.size()); }
    QString CellText(int row, int col) const;
    TEditFieldItem EditItem(int col, int row) const;
    TEditFieldItem KeyItem(int key, int row) const;
    EditRowState RowState(int row) const { return EditRowState(fState[size_t(row)]); }
    int CellChange(int row, int col) const;
    // The row-number column: the number (from 1), "New" or "Deleted".
    QString RowLabel(int row) const;
    // The row's state or any of its cells is changed.
    bool RowChanged(int row) const;
    EditRowButtons ButtonsFor(int row) const;

    // --- edits (each rebuilds the script unless deferred); true when
    // something changed
    bool SetCell(int row, int col, const QString& typed);
    // A new last row with the columns' defaults: its index, -1 without key
    // or edit columns.
    int AddRecord();
    bool DeleteLine(int row);
    bool ResetLine(int row);
    // While deferred, edits leave the script alone; undeferring rebuilds it.
    // A commit while deferred runs the rows' statements without the script.
    void DeferScript(bool defer);

    // --- the script (memEditScript)
    const QString& Script() const { return fScript; }
    // The user's own text (typed into the script editor).
    void SetScript(const QString& text);
    void RebuildScript();
    // "Commit these changes" enables at more than 7 characters.
    bool CanCommit() const { return fScript.size() > 7; }

    // --- the commit: the script split into statements and run in one
    // transaction. Every statement is tried (a conflict that ends the
    // transaction stops it); after any failure everything is rolled back
    // and the script keeps every statement, each failed one after its
    // "  -- Item failed: " line.
    EditCommitResult Commit(TSQLite3Database& db);

    // The grid as tab-separated text (headings first, the row labels in the
    // first column), lines joined by CR LF.
    QString GridText() const;

private:
    // A cell of a touched row: its value when set, else the old value counts.
    struct Cell {
        QString value;
        unsigned char has = 0, change = 0;
    };
    struct RowEdit {
        std::vector<Cell> cells;
        QString stmt;  // the row's statement, with its "; " + CR LF
        int group = 0; // 0 none, 1 INSERT, 2 UPDATE, 3 DELETE
        bool stale = true;
    };
    RowEdit& Edit(int row);
    // The row's statement group (as RowEdit::group) from its state and cells.
    int GroupOf(int row, const RowEdit& e) const;
    void StatementOf(int row, RowEdit& e) const;
    void AppendKeyCondition(QString& out, int row) const;
    // The row's statement with its values as parameters (its shape and the
    // values to bind); false when a value has no exact bound form.
    bool BoundFormOf(int row, const RowEdit& e, QString& shape,
                     std::vector<std::pair<int, QString>>& values) const;
    void RemoveRow(int row);
    void Changed();
    // The generated UPDATE and DELETE statements as the splitter gives them.
    QSet<QString> GeneratedChecks() const;

    int fLoaded = 0;
    std::vector<TCSVValues> fKeys; // per key column: the loaded rows' key literals
    std::vector<TCSVValues> fOld;  // per edit column: the loaded rows' values
    std::vector<unsigned char> fState;
    std::map<int, RowEdit> fEdits;
    // The statements of the script in its order, with their rows (rebuilt
    // with it).
    std::vector<std::pair<int, RowEdit*>> fOrder;
    QString fScript;
    bool fGenerated = true; // fScript is the generated script, as built
    bool fDirty = false;    // an edit since the script was built
    bool fDefer = false;
    // Generated statements of a failed commit, still checked when the
    // returned script is committed again.
    QSet<QString> fKeptChecks;
};

} // namespace sky
