// The file import window's state and commands.
#include "transfer/FileImportController.h"

#include "engine/Database.h"
#include "support/Prompter.h"
#include "support/TextUtil.h"
#include "transfer/CsvImportController.h"

namespace sky {

namespace {
const QString kBoxQuote = QStringLiteral("034 <Double-Quotes \" >");
const QString kBoxCrLf = QStringLiteral("013,010 < CR+LF >");

// The list entry that starts with the text, else the text.
QString Matching(const QStringList& list, const QString& text) {
    for (const QString& e : list)
        if (e.startsWith(text)) return e;
    return text;
}
} // namespace

FileImportController::FileImportController(TSQLite3Database& db, QStringList tables,
                                           const QString& tableName)
    : FDb(db), FTables(std::move(tables)) {
    for (QString& t : FTables)
        t = t.toUpper();
    SetTableName(tableName);
}

const QStringList& FileImportController::CodeList(CodeBox box) {
    return box == CodeBox::Separator ? kSeparatorCodes
           : box == CodeBox::LineEnd ? kLineEndCodes
                                     : kQuoteCodes;
}

QString FileImportController::Caption() const {
    return FFile.isEmpty() ? kFileImportCaption
                           : QStringLiteral("File-Import for: [ ") + FFile + QStringLiteral(" ]");
}

bool FileImportController::Load(const QString& file) {
    FFile = file;
    FLoaded = false;
    FColumns.clear();
    if (!LoadPreviewText(file, FSettings.encoding, FPreview)) {
        FError = FPreview.error;
        return false;
    }
    FLoaded = true;
    Estimate();
    return FPreview.valid;
}

bool FileImportController::SetEncoding(int index, Prompter& prompts) {
    if (index < 0 || index >= kImportEncodings.size() || index == int(FSettings.encoding))
        return false;
    if (FPreview.valid && !prompts.AskYesNo(QStringLiteral("File Preview"),
                                            QStringLiteral("Re-load the file using ") +
                                                kImportEncodings[index] + QLatin1Char('?'),
                                            30, QStringLiteral("No"), QStringLiteral("Yes")))
        return false;
    FSettings.encoding = ImportEncoding(index);
    if (!FFile.isEmpty()) Load(FFile);
    return true;
}

void FileImportController::Estimate() {
    EstimateFormat(FPreview.text, FSettings);
    FBoxes[int(CodeBox::Quote)] = kBoxQuote;
    FBoxes[int(CodeBox::LineEnd)] = kBoxCrLf;
    FBoxes[int(CodeBox::Separator)] =
        Matching(kSeparatorCodes,
                 QStringLiteral("%1 ").arg(int(FSettings.separator), 3, 10, QLatin1Char('0')));
    FColumns.clear();
    Rebuild();
}

QString FileImportController::BoxText(CodeBox box) const {
    return FBoxes[int(box)];
}

void FileImportController::SetBoxText(CodeBox box, const QString& text) {
    FBoxes[int(box)] = text;
    const char16_t c = ReadCodeBox(text);
    if (box == CodeBox::Separator)
        FSettings.separator = c;
    else if (box == CodeBox::LineEnd)
        FSettings.lineEnd = c;
    else
        FSettings.quote = c;
    Rebuild();
}

QString FileImportController::TypeKey(CodeBox box, const QString& current, QChar key) {
    if (key.isDigit() && key.unicode() < 128) {
        const QString text = current + key;
        FBoxes[int(box)] = text;
        if (text.size() % 3 == 0) SetBoxText(box, text);
        return text;
    }
    const QString text = Matching(
        CodeList(box), QStringLiteral("%1 ").arg(int(key.unicode()), 3, 10, QLatin1Char('0')));
    SetBoxText(box, text);
    return text;
}

void FileImportController::SetDoubled(bool on) {
    FSettings.doubled = on;
    Rebuild();
}
void FileImportController::SetPreserveQuotes(bool on) {
    FSettings.preserveQuotes = on;
    Rebuild();
}
void FileImportController::SetHeader(bool on) {
    FSettings.header = on;
    const bool generated = !FColumns.isEmpty() && FColumns.first().name.startsWith(u"A1");
    Rebuild();
    if (generated) ResetColumnNames();
    // The data rows changed by one: their types are read again.
    Reanalyse();
}
void FileImportController::SetKeepWhitespace(bool on) {
    FSettings.keepWhitespace = on;
    Rebuild();
}

void FileImportController::SetMaxRows(const QString& text) {
    FSettings.maxRows = text.contains(QLatin1String("ALL"), Qt::CaseInsensitive)
                            ? 0
                            : std::max<qint64>(0, TrimText(text).toLongLong());
    Validate();
}

QString FileImportController::MaxRowsText() const {
    return FSettings.maxRows <= 0 ? QStringLiteral("All") : QString::number(FSettings.maxRows);
}

void FileImportController::SetDestination(int d) {
    FDest = d == 1 ? 1 : 0;
    Validate();
}

void FileImportController::Rebuild() {
    if (!FLoaded) {
        Validate();
        return;
    }
    const QList<ImportColumn> kept = FColumns;
    BuildPreview(FPreview, FSettings);
    FColumns = PreviewColumns(FPreview);
    // The names and types the user gave stay while the columns do.
    if (kept.size() == FColumns.size())
        for (int k = 0; k < kept.size(); ++k)
            FColumns[k] = kept[k];
    for (int k = 0; k < FColumns.size(); ++k)
        if (TrimText(FColumns[k].name).isEmpty()) FColumns[k].name = FPreview.headers.value(k);
    Validate();
}

void FileImportController::SetColumnName(int col, const QString& name) {
    if (col < 0 || col >= FColumns.size()) return;
    FColumns[col].name = name;
    Validate();
}

void FileImportController::SetColumnType(int col, const QString& type) {
    if (col < 0 || col >= FColumns.size()) return;
    FColumns[col].type = type;
    Validate();
}

void FileImportController::ResetColumnNames() {
    for (int k = 0; k < FColumns.size(); ++k)
        FColumns[k].name = FPreview.headers.value(k);
    Validate();
}

void FileImportController::Reanalyse() {
    for (int k = 0; k < FColumns.size(); ++k) {
        QStringList values;
        for (const QStringList& r : FPreview.rows)
            values << r.value(k);
        FColumns[k].type = AnalyseType(values);
        if (TrimText(FColumns[k].name).isEmpty()) FColumns[k].name = FPreview.headers.value(k);
    }
    Validate();
}

void FileImportController::Validate() {
    FError.clear();
    if (!FPreview.valid) {
        FError = !FPreview.error.isEmpty() ? FPreview.error
                                           : QStringLiteral("Invalid Preview Data - Re-load file.");
        return;
    }
    if (FDest == 0 && !FNameError.isEmpty()) {
        FError = kTableNameProblem;
        return;
    }
    QStringList seen;
    static const QString allowed =
        QStringLiteral("abcdefghijklmnopqrstuvwxyz_ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
    for (int k = 0; k < FColumns.size(); ++k) {
        QString name;
        for (QChar c : FColumns[k].name)
            if (allowed.contains(c)) name += c;
        if (name.isEmpty()) name = FPreview.headers.value(k);
        if (seen.contains(name.toUpper())) {
            FError = QStringLiteral("Duplicate Column: \"") + name + QLatin1Char('"');
            return;
        }
        seen << name.toUpper();
    }
}

void FileImportController::SetTableName(const QString& name) {
    FName = name;
    FNameError = ImportNameError(FDb, FTables, name, FNameProposal);
    Validate();
}

void FileImportController::FixTableName() {
    SetTableName(FNameProposal);
}

QString FileImportController::HelpTitle(FileImportHelp h) const {
    switch (h) {
    case FileImportHelp::CreateTable:
        return AcceptEnabled() ? QStringLiteral("Create Table from Data")
                               : QStringLiteral("Import Error Warning");
    case FileImportHelp::ColumnSettings:
        return QStringLiteral("Column Settings");
    case FileImportHelp::TableData:
        return QStringLiteral("Table Data");
    case FileImportHelp::Legend:
        return QStringLiteral("Sheet Header Legend");
    case FileImportHelp::ImportError:
        return QStringLiteral("Import Error Warning");
    case FileImportHelp::TableError:
        break;
    }
    return QStringLiteral("Table Error Warning");
}

QString FileImportController::HelpText(FileImportHelp h) const {
    const QString cr = QStringLiteral("\r");
    switch (h) {
    case FileImportHelp::CreateTable: {
        if (!AcceptEnabled()) return HelpText(FileImportHelp::ImportError);
        const QString insert = QStringLiteral("  - Insert ") + MaxRowsText() +
                               QStringLiteral(" rows of data from ") + FFile +
                               QStringLiteral(" into it.");
        QString t = QStringLiteral("Clicking the \"Accept and Import\" button will:") + cr;
        if (FDest == 0)
            return t + QStringLiteral("  - Create Table \"") + FName + QStringLiteral("\" with ") +
                   QString::number(FColumns.size()) + QStringLiteral(" columns in the Database.") +
                   cr + insert + cr +
                   QStringLiteral("  - Apply all Type information as shown in the sheet header.") +
                   cr + cr +
                   QStringLiteral("Every row is imported, or none: a failing row undoes the "
                                  "whole import.");
        return t + QStringLiteral("  - Let you select a new file and add ") +
               QString::number(FColumns.size()) + QStringLiteral(" columns to it.") + cr + insert +
               cr +
               QStringLiteral("When choosing the Destination file, Please ensure it is "
                              "accessible and not locked by another application.");
    }
    case FileImportHelp::ColumnSettings:
        return QStringLiteral(
            "The \"Column Type\" specifies which basic SQLite data affinity to use for the "
            "selected Column.\r\rThe Column constraints cannot be set in this import as not "
            "enough data is loaded in the editor to establish if columns are Unique, ascending, "
            "all Integer etc. It may of course still be altered once imported. \r\rClick the "
            "button above the \"Column Type\" box to Reset all Column Type affinities.");
    case FileImportHelp::TableData:
        return QStringLiteral(
            "Specify the New Table name above.\r\rEnsure the correct file-encoding is selected "
            "and click \"Estimate\" to auto-detect the layout, or manually specify the control "
            "characters used.\rTo change any control character, either select it from the drop "
            "down, or just press the corresponding key or type its numeric 3-digit code.\rAny "
            "changes to the settings should update the table below with a section of the data "
            "as produced by current settings.");
    case FileImportHelp::Legend:
        return QStringLiteral(
            "The Header information lines at the top of the Sheet are: \r  Line 1 - Automatic "
            "Column Header (Reference only - not used)\r  Line 2 - User-altered Column Header to "
            "use\r  Line 3 - Column SQLite data-type affinity to use\r\rYou may create and alter "
            "a much more detailed table layout using the alternative \"Adjust and Import\" for "
            "CSV layouts from the main page, but it has a size limit whereas this will import "
            "any size file of any tabular format.");
    case FileImportHelp::ImportError: {
        QString t = QStringLiteral(
            "The Warning displayed here should indicate why the datalist as it stands currently "
            "cannot be Imported and hence why the \"Accept and Import\" button is greyed "
            "out.\r\r");
        if (!FNameError.isEmpty())
            t += QStringLiteral("Note: Table Error - ") + FNameError + QStringLiteral("\r\r");
        return t + QStringLiteral("Click the button next to Column Constraints to Refresh all "
                                  "Constraints and re-check the Table's Import viability.");
    }
    case FileImportHelp::TableError:
        break;
    }
    return QStringLiteral("The Warning displayed here should indicate why the specified Table "
                          "name (") +
           FName + QStringLiteral(") cannot be Imported.") + cr + cr +
           QStringLiteral("Simply Change the specified Table name in the Edit-box to the left of "
                          "the warning to re-evaluet it.") +
           cr + cr + QStringLiteral("(Click the warning text for an automatic correction)");
}

FileImportResult FileImportController::Accept(const QString& destination, ProgressSink& progress,
                                              Prompter& prompts) {
    FileImportResult r;
    Validate();
    if (!AcceptEnabled()) {
        r.error = FError;
        return r;
    }
    if (FDest == 0)
        return ImportFileToTable(FDb, FFile, FSettings, FColumns, FName, progress, prompts);
    if (SameFile(FFile, destination)) {
        prompts.ShowNote(kImportIntoItself, QStringLiteral("Please Note:"));
        return r;
    }
    return ImportFileToCsv(FFile, FSettings, FColumns, destination, progress);
}

} // namespace sky
