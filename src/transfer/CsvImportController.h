// The CSV import window without its widgets. CsvImportController holds the
// sheet, the connection, the existing tables and the name box, and answers
// every command of the window: filling (and Reset), the table-name check,
// column selection and its editors, the pop-up menu, validation, Accept and
// the help texts. EditCSVList checks and parses the CSV text and runs the
// window through CsvImportView, which the Qt window implements; the command
// line implements it with its options.
#pragma once

#include "transfer/CsvImport.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

namespace sky {

class ClipboardPort;
class Prompter;
class ProgressSink;
class TSQLite3Database;
class CsvImportController;
struct TCSVTableRec;

inline const QString kCsvImportCaption = QStringLiteral("Table Data  -  Edit & Import");
inline const QString kNoConnection = QStringLiteral("Database Connector failure.");
inline const QString kCsvDataError = QStringLiteral("Import CSV Data Error - ");
inline const QString kUserAborted = QStringLiteral("User aborted Importing");
inline const QString kTableNameProblem = QStringLiteral("Problem with Table Name.");
inline const QString kNameEmpty = QStringLiteral("Tablename may not be Empty");
inline const QString kNameExists = QStringLiteral("Tablename already Exists, try: ");
inline const QString kNameRejected = QStringLiteral("Tablename not accepted, try: ");
inline const QString kNameFixHint = QStringLiteral("Click to auto-fix...");
inline const QString kTableNameHint = QStringLiteral("Name of new Table to Create");
inline const QString kReanalyseHint = QStringLiteral("Re-Analyze data and column constraints");
inline const QString kResetHint = QStringLiteral("Revoke all changes and start over");
inline const QString kResetQuestion =
    QStringLiteral("WARNING: This will undo ALL changes you've made - Continue?");
inline const QString kAnalysisTitle = QStringLiteral("Reading Column Constraints...");
inline const QString kCopyingTitle = QStringLiteral("Copying Separated text...");
inline const QString kNoConstraint = QStringLiteral("---");
inline const QString kImportSuccess = QStringLiteral("Success: Imported Table ");

// The table-name check of the import windows: the label's text (empty when
// the name can be used) and the proposal that the label's click puts in its
// place. upperTables: the database's tables, upper-cased.
QString ImportNameError(TSQLite3Database& db, const QStringList& upperTables, const QString& name,
                        QString& proposal);

// The window's progress dialogs and its modal run.
class CsvImportView {
public:
    virtual ~CsvImportView() = default;
    // Shows the window for the controller until it closes; true when it
    // closed after a successful import (the controller's ImportedName()).
    virtual bool RunImportWindow(CsvImportController& ctl) = 0;
    // A progress dialog (nullptr: none shown).
    virtual ProgressSink* StartProgress(const QString& title, bool canCancel) = 0;
    virtual void EndProgress(ProgressSink* p) = 0;
};

// The reader settings of the import: a header line, the delimiter found,
// the double quote, no doubled delimiters, empty lines dropped, blanks
// around values not kept.
void ConfigureImportReader(TCSVTableRec& table);

// Checks the connection and the text, parses it and runs the window; true
// when a table was imported, its name then in tableName. Otherwise error
// says why ("User aborted Importing" when the window was closed).
// replaceTable names a table of main the user agreed to replace: the import
// under that name drops it inside its own transaction (a cancelled or
// failed import keeps it).
bool EditCSVList(TSQLite3Database* db, QString csvText, QString& error, QString& tableName,
                 CsvImportView& view, Prompter& prompter, ClipboardPort* clipboard = nullptr,
                 const QString& replaceTable = {});
// The same for a table already read (a file read piece by piece): the
// reader's error description, if any, ends the call.
bool EditCSVTable(TSQLite3Database* db, std::shared_ptr<const TCSVTableRec> table, QString& error,
                  QString& tableName, CsvImportView& view, Prompter& prompter,
                  ClipboardPort* clipboard = nullptr, const QString& replaceTable = {});

enum class CsvHelp {
    TableData,
    ColumnSettings,
    HeaderLegend,
    CreateTable,
    ImportError,
    TableError
};

// The pop-up menu's commands; arg: the auto-number start (-1: ask) or the sort mode.
enum class GridCommand {
    None,
    CopyCsv,
    CopyExcel,
    HeaderEmpty,
    HeaderFromRow,
    ColumnEmpty,
    ColumnCopy,
    ColumnAutoNumber,
    LineEmpty,
    LineCopy,
    ValuesEmpty,
    CaseUpper,
    CaseLower,
    CaseTitle,
    Prefix,
    Suffix,
    InsertText,
    ReplaceText,
    SortAscending,
    SortDescending,
    DeleteColumn,
    DeleteLine,
    CancelImport,
};

struct GridMenuItem {
    QString caption; // "-" for a separator
    GridCommand command = GridCommand::None;
    int arg = 0;
    QList<GridMenuItem> items; // a submenu
};
// The sheet's pop-up menu, puGrid.
const QList<GridMenuItem>& GridMenu();

// What the column editors show for the selected column.
struct ColumnEditors {
    QString column; // lblColumn: the header
    QString name;
    QString type;
    QString constraint;            // as chosen in the box ("---" for none)
    QStringList constraintChoices; // from the flags
    QString props;                 // lblColProps: one line per flag
};

class CsvImportController {
public:
    // A table of main the import may replace (its name then passes the check).
    void SetReplaceTable(const QString& name);
    CsvImportController(TSQLite3Database& db, std::shared_ptr<const TCSVTableRec> table,
                        QStringList tables, QString tableName, CsvImportView& view,
                        Prompter& prompter, ClipboardPort* clipboard);

    // --- the sheet
    // Fills the sheet from the read table and analyses it (under a progress
    // dialog); the name box takes the requested name.
    void FillSheet();
    bool Filled() const { return FFilled; }
    // Asks, then fills the sheet again from the read table; false when not confirmed.
    bool ResetData();
    const CsvImportSheet& Sheet() const { return FSheet; }
    // Analyses every column again (Re-Analyze).
    void Reanalyse();
    void SetCell(qsizetype row, int col, const QString& text);
    void MoveColumn(int from, int to);

    // --- the table name
    QString TableName() const { return FName; }
    void SetTableName(const QString& name);
    // The label's text (empty: the name is fine) and the name a click puts in.
    QString TableNameError() const { return FNameError; }
    QString TableNameProposal() const { return FNameProposal; }
    void FixTableName();

    // --- the selected column and its editors
    void SelectCell(int col, qsizetype row);
    int SelectedColumn() const { return FCol; }
    qsizetype SelectedRow() const { return FRow; }
    ColumnEditors Editors() const;
    void SetColumnName(const QString& name);
    void SetColumnType(const QString& type);
    // False when the column does not offer the constraint.
    bool SetConstraint(const QString& constraint);
    // The sort the "Auto" entries give for the selected column.
    SortMode AutoSort() const;

    // --- the pop-up menu on the selected cell; false when refused or cancelled
    bool Run(GridCommand command, int arg = 0);
    // Set by "Cancel Import": the window closes.
    bool CloseRequested() const { return FCloseRequested; }

    // --- validation and import
    QString Error() const { return FError; } // lblError
    bool AcceptEnabled() const { return FFilled && FError.isEmpty(); }
    // Imports the sheet; true when the table was created (the window
    // closes), else the import error was shown and is in LastError().
    bool Accept();
    QString ImportedName() const { return FImported; }
    QString LastError() const { return FLastError; }

    // --- help
    static QString HelpTitle(CsvHelp topic);
    QString HelpText(CsvHelp topic) const;

private:
    void Validate();
    bool AskAutoNumberStart(qint64& start);
    bool CopyGrid(const QString& separator);
    template <typename F> void WithProgress(const QString& title, bool canCancel, F f);

    TSQLite3Database& FDb;
    std::shared_ptr<const TCSVTableRec> FTable;
    QStringList FTables; // upper-cased names of the existing tables
    QString FReplace;    // the table an import of its name replaces
    bool Replacing(const QString& name) const;
    QString FRequested; // fTableName
    CsvImportView& FView;
    Prompter& FPrompter;
    ClipboardPort* FClipboard;

    CsvImportSheet FSheet;
    QString FName;
    QString FNameError;
    QString FNameProposal;
    QString FError;
    QString FLastError;
    QString FImported;
    int FCol = 0;
    qsizetype FRow = 0;
    qint64 fAutoNumStart = -1;
    bool fValidData = false;
    bool FFilled = false;
    bool FCloseRequested = false;
};

} // namespace sky
