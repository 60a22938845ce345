#include "transfer/CsvImportController.h"

#include "engine/Database.h"
#include "support/Csv.h"
#include "support/Prompter.h"
#include "support/TextUtil.h"

#include <exception>

namespace sky {

namespace {

const QString kPleaseNote = QStringLiteral("Please Note:");
const QString kDeleteColumnRefused = QStringLiteral(
    "You need a minimum of 1 Primary Key Column and 1 data Column for an Importable CSV Table.");
const QString kDeleteLineRefused =
    QStringLiteral("You need a minimum of 1 Record / Line for an Importable CSV Table.");
const QString kResetTitle = QStringLiteral("Reset");
const QString kImportingTable = QStringLiteral("Importing Table ");
const QString kImportFailedHeadline = QStringLiteral("Import Failed");
const QString kAutoNumTitle = QStringLiteral("Insert Autonumber Line");
const QString kAutoNumPrompt = QStringLiteral("Start numbering from:");
const QString kPrefixTitle = QStringLiteral("Add a Prefix to Column Text");
const QString kSuffixTitle = QStringLiteral("Append Column Text");
const QString kTextTo = QStringLiteral("Text to ");
const QString kInsertTitle = QStringLiteral("Insert Text into Column");
const QString kInsertPrompt = QStringLiteral("Text to Insert:");
const QString kInsertAtPrompt = QStringLiteral("Character number to Insert at:");
const QString kReplaceTitle = QStringLiteral("Replace Column Text");
const QString kFindPrompt = QStringLiteral("Find text like this:");
const QString kNoteTableError = QStringLiteral("Note: Table Error - ");
// What a question answers when it was cancelled (no typed text looks so).
const QString kCancelled = QStringLiteral("\x18");
constexpr int kAskSeconds = 60;
constexpr qsizetype kCopyRowsPerStep = 4096;

// The flag lines of lblColProps.
const struct {
    char16_t flag;
    const char16_t* line;
} kFlagLines[] = {{u'I', u"I - Integer-Iterated"},
                  {u'U', u"U - Unique"},
                  {u'S', u"S - Single-Value"},
                  {u'E', u"E - Empty"}};

bool ReadTables(TSQLite3Database* db, QStringList& upper) {
    if (!db || !db->IsOpen()) return false;
    QList<QStringList> rows;
    if (!db->QueryTextRows(
            QStringLiteral("SELECT tbl_name FROM sqlite_master WHERE type = 'table';"), rows))
        return false;
    upper.clear();
    for (const QStringList& r : rows)
        if (!r.isEmpty()) upper << r[0].toUpper();
    return true;
}

} // namespace

void ConfigureImportReader(TCSVTableRec& table) {
    CSVConfigure(table, true, false, false, true, false, QChar(), QChar(u'"'));
}

bool EditCSVTable(TSQLite3Database* db, std::shared_ptr<const TCSVTableRec> table, QString& error,
                  QString& tableName, CsvImportView& view, Prompter& prompter,
                  ClipboardPort* clipboard, const QString& replaceTable) {
    error.clear();
    QStringList tables;
    if (!ReadTables(db, tables)) {
        error = kNoConnection;
        return false;
    }
    if (!table) {
        error = kNoDataRows;
        return false;
    }
    if (!table->Cfg.ErrorDescr.isEmpty()) {
        error = kCsvDataError + table->Cfg.ErrorDescr;
        return false;
    }
    CsvImportController ctl(*db, std::move(table), tables, tableName, view, prompter, clipboard);
    if (!replaceTable.isEmpty()) ctl.SetReplaceTable(replaceTable);
    if (!view.RunImportWindow(ctl) || ctl.ImportedName().isEmpty()) {
        error = kUserAborted;
        return false;
    }
    tableName = ctl.ImportedName();
    return true;
}

bool EditCSVList(TSQLite3Database* db, QString csvText, QString& error, QString& tableName,
                 CsvImportView& view, Prompter& prompter, ClipboardPort* clipboard,
                 const QString& replaceTable) {
    error.clear();
    QStringList tables;
    if (!ReadTables(db, tables)) {
        error = kNoConnection;
        return false;
    }
    if (csvText.isEmpty()) {
        error = kNoDataRows;
        return false;
    }
    auto table = std::make_shared<TCSVTableRec>();
    ConfigureImportReader(*table);
    CSVRead(csvText, *table);
    csvText = QString(); // the sheet keeps only the read values
    return EditCSVTable(db, std::move(table), error, tableName, view, prompter, clipboard,
                        replaceTable);
}

const QList<GridMenuItem>& GridMenu() {
    using C = GridCommand;
    static const QList<GridMenuItem> menu = [] {
        auto item = [](const char* caption, C c, int arg = 0) {
            return GridMenuItem{QString::fromUtf8(caption), c, arg, {}};
        };
        auto sub = [](const char* caption, QList<GridMenuItem> items) {
            return GridMenuItem{QString::fromUtf8(caption), C::None, 0, std::move(items)};
        };
        const GridMenuItem sep{QStringLiteral("-"), C::None, 0, {}};
        const int autoSort = int(SortMode::Auto), alpha = int(SortMode::Alpha),
                  numeric = int(SortMode::Numeric);
        return QList<GridMenuItem>{
            sub("Copy Grid",
                {item("in CSV Format", C::CopyCsv), item("in Excel Format", C::CopyExcel)}),
            sub("Insert Header", {item("Empty Header (A, B, C, etc.)", C::HeaderEmpty),
                                  item("Use current Row", C::HeaderFromRow)}),
            sub("Insert Column",
                {item("Empty Column", C::ColumnEmpty),
                 item("Copy of current Column", C::ColumnCopy),
                 sub("Auto-number (Integer-Key)",
                     {item("0", C::ColumnAutoNumber, 0), item("1", C::ColumnAutoNumber, 1),
                      item("100", C::ColumnAutoNumber, 100),
                      item("1000", C::ColumnAutoNumber, 1000),
                      item("10000", C::ColumnAutoNumber, 10000),
                      item("1000000", C::ColumnAutoNumber, 1000000), sep,
                      item("Enter a Number to start from...", C::ColumnAutoNumber, -1)})}),
            sub("Insert Line",
                {item("New empty Line", C::LineEmpty), item("Copy of current Line", C::LineCopy)}),
            sep,
            sub("Adjust Column Values",
                {item("Empty values", C::ValuesEmpty),
                 sub("Change case",
                     {item("UPPER CASE", C::CaseUpper), item("lower case", C::CaseLower),
                      item("Title Case", C::CaseTitle)}),
                 sep, item("Insert a prefix...", C::Prefix), item("Append a suffix...", C::Suffix),
                 item("Insert some text...", C::InsertText), sep,
                 item("Replace text...", C::ReplaceText)}),
            sub("Sort by this Column",
                {sub("Ascending  [ upward ]",
                     {item("Auto", C::SortAscending, autoSort),
                      item("Alpha  [ A...Z ]", C::SortAscending, alpha),
                      item("Numeric  [ 1...9 ]", C::SortAscending, numeric)}),
                 sub("Descending  [ downward ]",
                     {item("Auto", C::SortDescending, autoSort),
                      item("Alpha  [ Z...A ]", C::SortDescending, alpha),
                      item("Numeric  [ 9...1 ]", C::SortDescending, numeric)})}),
            sep,
            item("Delete Column", C::DeleteColumn),
            item("Delete Line", C::DeleteLine),
            sep,
            item("Cancel Import", C::CancelImport),
        };
    }();
    return menu;
}

CsvImportController::CsvImportController(TSQLite3Database& db,
                                         std::shared_ptr<const TCSVTableRec> table,
                                         QStringList tables, QString tableName, CsvImportView& view,
                                         Prompter& prompter, ClipboardPort* clipboard)
    : FDb(db), FTable(std::move(table)), FTables(std::move(tables)),
      FRequested(std::move(tableName)), FView(view), FPrompter(prompter), FClipboard(clipboard) {
    FName = FRequested;
}

template <typename F>
void CsvImportController::WithProgress(const QString& title, bool canCancel, F f) {
    NullProgress none;
    ProgressSink* shown = FView.StartProgress(title, canCancel);
    try {
        f(shown ? *shown : static_cast<ProgressSink&>(none));
    } catch (...) {
        if (shown) FView.EndProgress(shown);
        throw;
    }
    if (shown) FView.EndProgress(shown);
}

// --- the sheet

void CsvImportController::FillSheet() {
    FSheet.Fill(FTable);
    FFilled = true;
    FCol = 0;
    FRow = 0;
    try {
        WithProgress(kAnalysisTitle, false, [this](ProgressSink& p) { FSheet.Analyse(&p); });
        fValidData = true;
    } catch (const std::exception&) {
        fValidData = false;
        FSheet.Shrink();
    }
    SetTableName(FRequested);
}

bool CsvImportController::ResetData() {
    bool cancelled = false;
    if (!FPrompter.AskYesNoCancel(kResetTitle, kResetQuestion, cancelled, QStringLiteral("No"),
                                  QStringLiteral("Yes"), 30) ||
        cancelled)
        return false;
    FillSheet();
    return true;
}

void CsvImportController::Reanalyse() {
    try {
        WithProgress(kAnalysisTitle, false, [this](ProgressSink& p) { FSheet.Analyse(&p); });
    } catch (const std::exception&) {
        fValidData = false;
        FSheet.Shrink();
        SelectCell(0, 0);
    }
    Validate();
}

void CsvImportController::SetCell(qsizetype row, int col, const QString& text) {
    if (col < 0 || col >= FSheet.ColumnCount() || row < 0 || row >= FSheet.RowCount()) return;
    FSheet.SetCell(row, col, text);
    Validate();
}

void CsvImportController::MoveColumn(int from, int to) {
    FSheet.MoveColumn(from, to);
    if (FCol == from) FCol = to;
    Validate();
}

// --- the table name

void CsvImportController::SetReplaceTable(const QString& name) {
    FReplace = name;
    SetTableName(FName);
}

bool CsvImportController::Replacing(const QString& name) const {
    return !FReplace.isEmpty() && name.compare(FReplace, Qt::CaseInsensitive) == 0;
}

QString ImportNameError(TSQLite3Database& db, const QStringList& upperTables, const QString& name,
                        QString& proposal) {
    proposal = db.makeValidTableName(name, QString(), false);
    if (TrimText(name).isEmpty()) return kNameEmpty;
    if (proposal == name) return QString();
    return (upperTables.contains(TrimText(name).toUpper()) ? kNameExists : kNameRejected) +
           proposal;
}

void CsvImportController::SetTableName(const QString& name) {
    FName = name;
    if (Replacing(name)) {
        FNameProposal = name;
        FNameError = TrimText(name).isEmpty() ? kNameEmpty : QString();
    } else {
        FNameError = ImportNameError(FDb, FTables, name, FNameProposal);
    }
    Validate();
}

void CsvImportController::FixTableName() {
    SetTableName(FNameProposal);
}

// --- selection and editors

void CsvImportController::SelectCell(int col, qsizetype row) {
    FCol = qBound(0, col, qMax(0, FSheet.ColumnCount() - 1));
    FRow = qBound<qsizetype>(0, row, qMax<qsizetype>(0, FSheet.RowCount() - 1));
}

ColumnEditors CsvImportController::Editors() const {
    ColumnEditors e;
    if (FCol >= FSheet.ColumnCount()) return e;
    e.column = FSheet.Head(FCol, HeadRow::Header);
    e.name = FSheet.Head(FCol, HeadRow::Name);
    e.type = FSheet.Head(FCol, HeadRow::Type);
    const QString flags = FSheet.Head(FCol, HeadRow::Flags);
    e.constraintChoices << kNoConstraint;
    if (!HasFlag(flags, u'E')) e.constraintChoices << QStringLiteral("NOT NULL");
    if (HasFlag(flags, u'U'))
        e.constraintChoices << QStringLiteral("UNIQUE") << kPrimaryKey
                            << QStringLiteral("PRIMARY KEY ASC")
                            << QStringLiteral("PRIMARY KEY DESC");
    const QString constraint = FSheet.Head(FCol, HeadRow::Constraint);
    e.constraint = constraint.isEmpty() ? kNoConstraint : constraint;
    QStringList lines;
    for (const auto& f : kFlagLines)
        if (HasFlag(flags, QChar(f.flag))) lines << QString::fromUtf16(f.line);
    e.props = lines.join(u'\n');
    return e;
}

void CsvImportController::SetColumnName(const QString& name) {
    if (FCol >= FSheet.ColumnCount()) return;
    FSheet.SetHead(FCol, HeadRow::Name, name);
    Validate();
}

void CsvImportController::SetColumnType(const QString& type) {
    if (FCol >= FSheet.ColumnCount()) return;
    FSheet.SetHead(FCol, HeadRow::Type, type);
    Validate();
}

bool CsvImportController::SetConstraint(const QString& constraint) {
    if (FCol >= FSheet.ColumnCount()) return false;
    const QString c = TrimText(constraint).toUpper();
    if (c == kNoConstraint || c == QStringLiteral("NONE") || c.isEmpty()) {
        FSheet.SetHead(FCol, HeadRow::Constraint, QString());
        Validate();
        return true;
    }
    if (!Editors().constraintChoices.contains(c)) return false;
    if (c.startsWith(kPrimaryKey))
        for (int k = 0; k < FSheet.ColumnCount(); ++k)
            if (k != FCol && FSheet.Head(k, HeadRow::Constraint).startsWith(kPrimaryKey))
                FSheet.SetHead(k, HeadRow::Constraint, QString());
    FSheet.SetHead(FCol, HeadRow::Constraint, c);
    Validate();
    return true;
}

SortMode CsvImportController::AutoSort() const {
    if (FCol >= FSheet.ColumnCount()) return SortMode::Alpha;
    const QString type = FSheet.Head(FCol, HeadRow::Type);
    return type == kTypeInteger || type == kTypeReal ? SortMode::Numeric : SortMode::Alpha;
}

// --- the pop-up menu

bool CsvImportController::AskAutoNumberStart(qint64& start) {
    const QString initial =
        fAutoNumStart >= 0 ? QString::number(fAutoNumStart) : QStringLiteral("1");
    const QString answer = FPrompter.AskText(kAutoNumTitle, kAutoNumPrompt, initial, {}, false,
                                             kAskSeconds, kCancelled);
    if (answer == kCancelled) return false;
    QString digits;
    for (QChar c : answer)
        if (c >= u'0' && c <= u'9' && digits.size() < 18) digits += c;
    if (digits.isEmpty()) return false;
    start = digits.toLongLong();
    fAutoNumStart = start;
    return true;
}

bool CsvImportController::CopyGrid(const QString& separator) {
    if (!FClipboard) return false;
    bool cancelled = false;
    QString text;
    WithProgress(kCopyingTitle, true, [&](ProgressSink& p) {
        const int cols = FSheet.ColumnCount();
        CsvGrid grid{FSheet.HeadLine(HeadRow::Name)};
        for (qsizetype r = 0; r < FSheet.RowCount(); ++r) {
            QStringList row;
            row.reserve(cols);
            for (int k = 0; k < cols; ++k)
                row << FSheet.Cell(r, k);
            grid << row;
            if (grid.size() >= kCopyRowsPerStep || r + 1 == FSheet.RowCount()) {
                text += GridToClipboard(grid, {}, separator);
                grid.clear();
                if (!p.AdvanceIfNotCancelled(QString(), double(r + 1) / FSheet.RowCount(), -1)) {
                    cancelled = true;
                    return;
                }
            }
        }
    });
    if (cancelled) return false;
    FClipboard->SetText(text);
    return true;
}

bool CsvImportController::Run(GridCommand command, int arg) {
    using C = GridCommand;
    if (!FFilled || FSheet.ColumnCount() == 0) return false;
    SelectCell(FCol, FRow);
    bool analyse = false;
    switch (command) {
    case C::None:
        return false;
    case C::CopyCsv:
        return CopyGrid(QStringLiteral(","));
    case C::CopyExcel:
        return CopyGrid(QStringLiteral("\t"));
    case C::HeaderEmpty:
    case C::HeaderFromRow:
        FSheet.InsertHeaderRow(command == C::HeaderEmpty, FRow);
        break;
    case C::ColumnEmpty:
        FSheet.InsertColumn(FCol, NewColumn::Empty, 0);
        break;
    case C::ColumnCopy:
        FSheet.InsertColumn(FCol, NewColumn::Copy, 0);
        break;
    case C::ColumnAutoNumber: {
        qint64 start = arg;
        if (arg < 0 && !AskAutoNumberStart(start)) return false;
        FSheet.InsertColumn(FCol, NewColumn::AutoNumber, start);
        break;
    }
    case C::LineEmpty:
    case C::LineCopy:
        FSheet.InsertRow(FRow, command == C::LineCopy);
        break;
    case C::ValuesEmpty:
        FSheet.EmptyColumn(FCol);
        break;
    case C::CaseUpper:
        FSheet.ChangeCase(FCol, CaseChange::Upper);
        break;
    case C::CaseLower:
        FSheet.ChangeCase(FCol, CaseChange::Lower);
        break;
    case C::CaseTitle:
        FSheet.ChangeCase(FCol, CaseChange::Title);
        break;
    case C::Prefix:
    case C::Suffix: {
        const bool prefix = command == C::Prefix;
        const QString text = FPrompter.AskText(
            prefix ? kPrefixTitle : kSuffixTitle,
            kTextTo + (prefix ? QStringLiteral("prefix") : QStringLiteral("add")) + u':', QString(),
            {}, false, kAskSeconds, kCancelled);
        if (text == kCancelled || text.isEmpty()) return false;
        FSheet.AddText(FCol, prefix ? text : QString(), prefix ? QString() : text);
        analyse = true;
        break;
    }
    case C::InsertText: {
        const QString text = FPrompter.AskText(kInsertTitle, kInsertPrompt, QString(), {}, false,
                                               kAskSeconds, kCancelled);
        if (text == kCancelled || text.isEmpty()) return false;
        const qint64 at =
            AskInteger(FPrompter, kInsertTitle, kInsertAtPrompt, kAskSeconds, {}, 0, 1);
        if (at <= 0) return false;
        FSheet.InsertText(FCol, text, at);
        analyse = true;
        break;
    }
    case C::ReplaceText: {
        const QString find = FPrompter.AskText(kReplaceTitle, kFindPrompt, QString(), {}, false,
                                               kAskSeconds, kCancelled);
        if (find == kCancelled || find.isEmpty()) return false;
        const QString with = FPrompter.AskText(
            kReplaceTitle, QStringLiteral("Replace \"") + find + QStringLiteral("\" with this:"),
            find, {}, false, kAskSeconds, kCancelled);
        if (with == kCancelled || with == find) return false;
        FSheet.ReplaceText(FCol, find, with);
        analyse = true;
        break;
    }
    case C::SortAscending:
    case C::SortDescending:
        FSheet.Sort(FCol, command == C::SortAscending, SortMode(arg));
        break;
    case C::DeleteColumn:
        if (!FSheet.DeleteColumn(FCol)) {
            FPrompter.ShowNote(kDeleteColumnRefused, kPleaseNote);
            return false;
        }
        break;
    case C::DeleteLine:
        if (!FSheet.DeleteRow(FRow)) {
            FPrompter.ShowNote(kDeleteLineRefused, kPleaseNote);
            return false;
        }
        break;
    case C::CancelImport:
        FCloseRequested = true;
        return true;
    }
    SelectCell(FCol, FRow);
    if (analyse)
        Reanalyse();
    else
        Validate();
    return true;
}

// --- validation and import

void CsvImportController::Validate() {
    if (!FFilled) {
        FError.clear();
        return;
    }
    FError =
        !fValidData || !FNameError.isEmpty() ? kTableNameProblem : FSheet.DuplicateColumnError();
}

bool CsvImportController::Accept() {
    Validate();
    if (!AcceptEnabled()) return false;
    const QString name = FName;
    QString error;
    bool ok = false;
    WithProgress(kImportingTable + name + QStringLiteral("..."), true, [&](ProgressSink& p) {
        ok = FSheet.RunImport(FDb, name, p, error, Replacing(name));
    });
    if (ok) {
        FImported = name;
        FLastError.clear();
        return true;
    }
    FLastError = error;
    FPrompter.ShowWarning(error, kImportFailedHeadline);
    return false;
}

// --- help

QString CsvImportController::HelpTitle(CsvHelp topic) {
    switch (topic) {
    case CsvHelp::TableData:
        return QStringLiteral("Table Data");
    case CsvHelp::ColumnSettings:
        return QStringLiteral("Column Settings");
    case CsvHelp::HeaderLegend:
        return QStringLiteral("Sheet Header Legend");
    case CsvHelp::CreateTable:
        return QStringLiteral("Create Table from Data");
    case CsvHelp::ImportError:
        return QStringLiteral("Import Error Warning");
    case CsvHelp::TableError:
        return QStringLiteral("Table Error Warning");
    }
    return QString();
}

QString CsvImportController::HelpText(CsvHelp topic) const {
    switch (topic) {
    case CsvHelp::TableData:
        return QStringLiteral(
            "The sheet shows the data as it will be imported, one column per table column and "
            "one line per record. Click a cell to select its column and edit the column's "
            "settings; double-click a data cell to change its value. Right-click the sheet for "
            "more: copy it, insert headers, columns and lines, adjust a column's values, sort "
            "by a column, or delete a column or line. Reset starts over from the data as read.");
    case CsvHelp::ColumnSettings:
        return QStringLiteral(
            "The name, type and constraint of the selected column. A column whose name is left "
            "empty is not imported. The constraints offered follow the analysis: NOT NULL needs "
            "values, UNIQUE and the PRIMARY KEY choices need unique values. Only one column can "
            "be the Primary Key. Re-Analyze reads the values again and proposes new types and "
            "constraints.");
    case CsvHelp::HeaderLegend:
        return QStringLiteral("Line 1: the column header as read (made unique, for reference).\n"
                              "Line 2: the column name to use in the new table.\n"
                              "Line 3: the column type: INTEGER, REAL, NUMERIC or TEXT.\n"
                              "Line 4: the column constraint: UNIQUE, NOT NULL or a PRIMARY KEY.\n"
                              "Line 5: what the analysis found: I - Integer-Iterated, U - Unique, "
                              "S - Single-Value, E - Empty.");
    case CsvHelp::CreateTable: {
        int columns = 0;
        for (int k = 0; k < FSheet.ColumnCount(); ++k)
            if (!TrimText(FSheet.Head(k, HeadRow::Name)).isEmpty()) ++columns;
        return QStringLiteral("Clicking the \"Accept and Import\" button will:\n") +
               QStringLiteral("  - create the new Table ") + u'"' + FName + u'"' + u'\n' +
               QStringLiteral("  - with ") + QString::number(columns) +
               QStringLiteral(" Columns\n  - and import ") + QString::number(FSheet.RowCount()) +
               QStringLiteral(" data Lines into it,\nall in one transaction: should any line "
                              "fail, nothing is imported.");
    }
    case CsvHelp::ImportError: {
        QString t = FError.isEmpty() ? QStringLiteral("The data can be imported.") : FError;
        if (!FNameError.isEmpty()) t += QStringLiteral("\n\n") + kNoteTableError + FNameError;
        return t;
    }
    case CsvHelp::TableError:
        return FNameError +
               QStringLiteral("\n\nThe new table needs a name that no table in the database has "
                              "and that is a valid table name. Click the message to use the "
                              "proposed name.");
    }
    return QString();
}

} // namespace sky
