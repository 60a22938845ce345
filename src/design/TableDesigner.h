// The table designer without its widgets. TableDesignerController holds the
// layout being edited (curTbl), the selected column and the connection, and
// answers every command of the window: column and table edits, columns added,
// duplicated, moved and removed, constraints, indexes and triggers through
// the schema dialogs (behind DesignerDialogs), template import, the
// dependants warning and its fix, the rolled-back schema test and Accept
// with its name questions. After each command the sheet (one grid column per
// table column, rows 0-10 plus one row per constraint, index and trigger),
// the script and the pop-up menu are rebuilt from the layout, so the window
// only renders them. The designer never changes the database: the schema
// test runs inside a transaction that is always rolled back.
#pragma once

#include "design/DesignerPort.h"
#include "design/TableLayout.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace sky {

class ClipboardPort;
class DesktopOpener;
class Prompter;
class TSQLite3Database;

inline const QString kDesignerCaption = QStringLiteral("Table Designer");
// fEditedTable while a new table is designed: no table can bear it.
inline const QString kNoEditedTable = QStringLiteral("-- -~<*#(Some-Unlikely-Name)#*>~- --");
inline const QString kNewTableName = QStringLiteral("new_table_1");
inline const QString kCreateTableDocUrl =
    QStringLiteral("https://www.sqlite.org/lang_createtable.html");

// The name box's hints.
inline const QString kNameHintNew = QStringLiteral("Name of new Table to Create");
inline const QString kNameHintTaken =
    QStringLiteral("This table already exists (Double-Click to fix)");
inline const QString kNameHintRejected =
    QStringLiteral("This table name is not accepted (Double-Click to fix)");

// The editors' choices.
QStringList DesignerTypeChoices();
QStringList DesignerLengthChoices();
QStringList DesignerCollationChoices();
QStringList DesignerDefaultChoices();
QStringList DesignerConflictChoices(); // indexes 0-5 of the conflict table
QStringList DesignerModuleChoices();

// The schema dialogs, each true (with the record edited) when accepted. The
// window opens the real dialogs; tests script them.
class DesignerDialogs {
public:
    virtual ~DesignerDialogs() = default;
    virtual bool EditIndex(TIndexLayout& ix, const QStringList& columns) = 0;
    virtual bool EditTrigger(TTriggerLayout& t, const QStringList& columns) = 0;
    virtual bool EditKey(TFKeyLayout& k, const QStringList& columns) = 0; // primary and unique
    virtual bool EditCheck(TFKeyLayout& k, const QStringList& columns) = 0;
    virtual bool EditFKey(TFKeyLayout& k, TSQLite3Database* db, const QStringList& columns,
                          const QString& ownTable) = 0;
};

// Splits a type with its length ("VARCHAR(40)", "decimal (10, 2)"): the type
// upper-cased without spaces; the length "(n)" for a whole number n >= 1 and
// empty otherwise. A precision with scale "(p,s)" is kept whole.
void SplitTypeSpec(const QString& text, QString& type, QString& varSpec);
// True when the column list (CSV, names quoted or not) holds the column, its
// name compared as the designer compares column names.
bool ListHoldsColumn(const QString& list, const QString& column);

// The schema test's run: the script's lines executed in a transaction that
// is rolled back, foreign-key enforcement suspended around it. Empty when
// the script passed, else the error ("WARNING: Transaction did not roll
// back..." when the roll-back failed).
QString TestTableScript(TSQLite3Database& db, const QStringList& lines);
// The lines of a schema test: the script's lines, with "DROP TABLE IF EXISTS"
// of its table put first unless the first line drops a table, so that an
// existing table of that name cannot fail the test. The table (and schema)
// is read from the script's CREATE TABLE when not given.
QStringList TableTestLines(const QString& script, QString schema = QString(),
                           QString table = QString());
// The length box's text for a length: "40", "10,2", or empty.
QString LengthText(const QString& varSpec);

// The fixed rows of the sheet.
enum class SheetRow : int {
    Number = 0,
    Name = 1,
    OldName = 2,
    Type = 3,
    Key = 4,
    Check = 5,
    Other = 6,
    Collation = 7,
    Default = 8,
    ForeignKey = 9,
    Comment = 10,
};
inline constexpr int kFixedSheetRows = 11;
// Rows 1, 3, 5, 7, 8 and 10 take typing.
bool IsEditableSheetRow(int row);

// What a sheet row below the fixed ones shows.
enum class EntryKind { None, Constraint, Index, Trigger };
struct SheetEntry {
    EntryKind kind = EntryKind::None;
    int item = -1; // position in FKeys, Idxs or Trigs
};

struct DesignerSheet {
    QStringList labels;        // one per row
    QList<QStringList> cells;  // per row, one per table column
    QList<SheetEntry> entries; // per row (None for the fixed rows)
};

// A cell the script view's click selects: row and 0-based column (-1: keep).
struct SheetTarget {
    int row = -1;
    int column = -1;
};

enum class NameState { Valid, Taken, Rejected };

enum class HelpTopic { TableDesign, ColumnProperties, VirtualTable, Legend, Dependants };
QString HelpTitle(HelpTopic topic);
QString HelpHeader(HelpTopic topic); // "- " title " -"
QString HelpText(HelpTopic topic);

// The pop-up menu's commands.
enum class DesignCommand {
    None,
    AddColumnOfType, // text: the type
    AddColumn,
    InsertColumn,
    SelectColumn, // arg: column
    InsertColumnAt,
    DuplicateColumn,
    RemoveColumn,
    IndexOnColumn,
    TriggerOnColumn,
    AddConstraint,  // arg: KeyKind
    EditConstraint, // arg: position in FKeys
    RemoveConstraint,
    AddIndex,
    EditIndex,
    RemoveIndex,
    AddTrigger,
    EditTrigger,
    RemoveTrigger,
    ImportTemplate, // text: the entry
    CopySql,
    TestSql,
    Documentation,
};

// One pop-up menu item; a submenu has children and no command; "-" is a separator.
struct DesignerMenuItem {
    QString caption;
    DesignCommand command = DesignCommand::None;
    int arg = -1;
    QString text;
    bool checked = false;
    bool enabled = true;
    QList<DesignerMenuItem> children;
};

class TableDesignerController {
public:
    TableDesignerController(Prompter& prompter, DesignerDialogs& dialogs,
                            ClipboardPort* clipboard = nullptr, DesktopOpener* opener = nullptr);

    // --- a design
    // Loads the layout as GetDesignerTableLayout describes (the table
    // OldName read when set, a fresh layout otherwise) and displays it.
    void Load(TTableLayout layout, TSQLite3Database* db, bool allowTemplates);
    // The edited layout with its column map, for the caller after Accept.
    TTableLayout Result();
    const TTableLayout& Layout() const { return curTbl; }
    TSQLite3Database* Connection() const { return fSQL; }
    bool TemplatesAllowed() const { return fEditedTable == kNoEditedTable; }
    QString EditedTable() const { return fEditedTable; }
    // Rebuilds the sheet, script, menu, templates and warnings; selects column 1.
    void Display();

    // --- what the window shows
    const DesignerSheet& Sheet() const { return fSheet; }
    QString Script() const { return fScript; }
    const QList<DesignerMenuItem>& Menu() const { return fMenu; }
    QStringList Templates() const { return fTemplates; }
    int TemplateIndex() const { return fTemplateIndex; }
    int SelectedColumn() const { return fSelCol; }
    int SelectedRow() const { return fSelRow; }
    const TFieldLayout* Column() const; // the selected column, or null
    bool DuplicateName() const;         // another column bears the selected one's name
    bool CanRemoveColumn() const { return curTbl.Cols.size() > 1; }
    bool WithoutRowIdEnabled() const { return checkPKeyKind(curTbl) > 0; }
    bool DependantsWarning() const;
    NameState TableNameState() const;
    QString TableNameHint() const;
    // The selected entry row's "Alter "/"Remove " hints (empty for none), and
    // the add buttons' hints for the selected column (KeyKind, then index 4,
    // trigger 5).
    QString EditHint() const;
    QString RemoveHint() const;
    QString AddHint(int which) const;

    // --- selection
    // A click on a sheet cell: the row is remembered (entry rows arm the
    // edit and remove buttons); column -1 keeps the column.
    void SelectCell(int row, int column);
    // The sheet cell matching a line of the script (0-based).
    SheetTarget TargetOfScriptLine(int line) const;

    // --- column edits (the selected column)
    void SetColumnName(const QString& name);
    // The type box and length box together; the length kept unless edited.
    void SetColumnType(const QString& type, const QString& length);
    void SetColumnCheck(const QString& text);
    void SetColumnCollation(const QString& text);
    void SetColumnDefault(const QString& text);
    void SetColumnComment(const QString& text);
    void SetAllowNull(bool on);
    void SetUnique(bool on);
    void SetPrimaryKey(bool on); // takes the key from every other column
    void SetAscending(bool on);
    void SetAutoIncrement(bool on);
    void SetConflict(int index); // all three conflict fields
    // Typing into an editable sheet cell (rows 1, 3, 5, 7, 8, 10).
    void EditCell(int row, int column, const QString& text);
    // The column's own foreign key through the foreign key dialog.
    bool EditColumnForeignKey();

    // --- table options
    void SetTableName(const QString& name);
    QString FixedTableName() const; // the valid new name a double-click puts in
    void SetTemp(bool on);
    void SetIfNotExists(bool on);
    void SetDropFirst(bool on);
    void SetWithoutRowId(bool on);
    void SetVirtual(bool on);
    void SetVirtualType(const QString& module);

    // --- columns
    void AddColumn(const QString& type = QStringLiteral("TEXT"));
    void InsertColumn(); // before the selected one
    void DuplicateColumn();
    bool RemoveColumn();
    void MoveColumn(int from, int to);

    // --- constraints, indexes, triggers
    bool AddConstraint(KeyKind kind);
    bool EditConstraint(int item);
    bool RemoveConstraint(int item);
    bool AddIndex();
    bool EditIndex(int item);
    bool RemoveIndex(int item);
    bool AddTrigger(bool fromMenu);
    bool EditTrigger(int item);
    bool RemoveTrigger(int item);
    // The entry of the selected sheet row.
    bool EditSelectedEntry();
    bool RemoveSelectedEntry();

    // --- templates, dependants, test, commands
    bool ImportTemplate(const QString& entry);
    bool FixDependants();
    // The script run in a transaction that is rolled back; true when it passed.
    bool TestSchema();
    void CopySql();
    void OpenDocumentation();
    void Run(const DesignerMenuItem& item);

    // --- closing
    // True when the window may close with the accept result.
    bool Accept();
    // The text of the name box after Accept asked (it may have changed).
    QString TableName() const { return curTbl.tblName; }

private:
    TFieldLayout* Selected();
    QStringList ColumnNames() const;
    void Refresh(); // sheet, script, menu
    void BuildSheet();
    void BuildMenu();
    void BuildTemplates();
    QString ConstraintDescription(const TFKeyLayout& k) const;
    QString EntryDescription(const SheetEntry& e) const;
    SheetEntry SelectedEntry() const;

    Prompter& FPrompter;
    DesignerDialogs& FDialogs;
    ClipboardPort* FClipboard;
    DesktopOpener* FOpener;

    TTableLayout curTbl;
    TSQLite3Database* fSQL = nullptr;
    QString fEditedTable = kNoEditedTable;
    int fSelCol = -1;
    int fSelRow = 1;

    DesignerSheet fSheet;
    QString fScript;
    QList<DesignerMenuItem> fMenu;
    QStringList fTemplates;
    int fTemplateIndex = -1;
};

// The designer asked for a table's script: the requested name without
// spaces (the source table's when empty) in the schema, read from the source
// table when given. True, with the script, the column map and the final name,
// when the user accepted and the script creates a table.
bool GetDesignerSQL(TableDesignerPort& port, TSQLite3Database* db, QString& name,
                    const QString& schema, bool allowTemplates, const QString& sourceTable,
                    QString& columnMap, QString& script);
// The same for altering a table: no other templates.
bool GetAlteredSQL(TableDesignerPort& port, TSQLite3Database* db, QString& name,
                   const QString& schema, const QString& sourceTable, QString& columnMap,
                   QString& script);

} // namespace sky
