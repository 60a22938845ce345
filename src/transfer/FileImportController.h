// The file import window without its widgets: the file, its encoding and
// preview, the three code boxes with their lists and key translation, the
// check boxes, the row limit and destination, the sheet's column names and
// types, validation, the table-name check, the help texts, and Accept.
#pragma once

#include "transfer/FileImport.h"

#include <QString>
#include <QStringList>

namespace sky {

class Prompter;
class ProgressSink;
class TSQLite3Database;

inline const QString kFileImportCaption = QStringLiteral("File-Import");
inline const QStringList kSeparatorCodes = {QStringLiteral("000 < Null >"),
                                            QStringLiteral("009 < Tab > (Spreadsheet)"),
                                            QStringLiteral("010 < LineFeed >"),
                                            QStringLiteral("013 < Return >"),
                                            QStringLiteral("027 < Escape >"),
                                            QStringLiteral("032 < Space >"),
                                            QStringLiteral("035 < # Hash >"),
                                            QStringLiteral("038 < Ampersand & > (URL)"),
                                            QStringLiteral("043 < Plus + >"),
                                            QStringLiteral("044 < Comma , > (CSV)"),
                                            QStringLiteral("045 < Dash - >"),
                                            QStringLiteral("046 < Decimal Point . >"),
                                            QStringLiteral("047 < Slash / > (Unix)"),
                                            QStringLiteral("058 < Colon : > (Datasets)"),
                                            QStringLiteral("059 < Semicolon ; > (Alt CSV)"),
                                            QStringLiteral("061 < Equals = > (Cfg Files)"),
                                            QStringLiteral("063 < Question ? > (URL)"),
                                            QStringLiteral("064 < At-Sign @ >"),
                                            QStringLiteral("092 < Backslash \\ > (DOS/Win)"),
                                            QStringLiteral("095 < Underscore _ >"),
                                            QStringLiteral("124 < Pipe | > (Value-sets)"),
                                            QStringLiteral("126 < Tilde ~ >")};
inline const QStringList kLineEndCodes = {QStringLiteral("000 < Null >"),
                                          QStringLiteral("009 < Tab >"),
                                          QStringLiteral("010 < LineFeed > (Unix/iOS)"),
                                          QStringLiteral("013 < Return >"),
                                          QStringLiteral("013,010 < CR+LF > (DOS/Win)"),
                                          QStringLiteral("035 < # Hash >"),
                                          QStringLiteral("038 < Ampersand & >"),
                                          QStringLiteral("044 < Comma , >"),
                                          QStringLiteral("046 < Point . > (Sentences)"),
                                          QStringLiteral("047 < Slash / > (Unix)"),
                                          QStringLiteral("058 < Colon : >"),
                                          QStringLiteral("059 < Semicolon ; > (SQL)"),
                                          QStringLiteral("061 < Equals = > (Base64 Enc)"),
                                          QStringLiteral("092 < Backslash \\ > (DOS/Win)"),
                                          QStringLiteral("095 < Underscore _ > (VB)"),
                                          QStringLiteral("124 < Pipe | >")};
inline const QStringList kQuoteCodes = {
    QStringLiteral("035 < # Hash >"),          QStringLiteral("034 <Double-Quotes \" > (Common)"),
    QStringLiteral("037 < Percent % > (URL)"), QStringLiteral("038 < Ampersand & > (HTML)"),
    QStringLiteral("039 < Single-Quote ' >"),  QStringLiteral("047 < Slash / >"),
    QStringLiteral("058 < Colon : >"),         QStringLiteral("061 < Equals = >"),
    QStringLiteral("063 < Question ? >"),      QStringLiteral("064 < At-Sign @ >"),
    QStringLiteral("092 < Backslash \\ >"),    QStringLiteral("096 < Back-Quote ` > (SQL)"),
    QStringLiteral("124 < Pipe | >")};
inline const QStringList kImportTypes = {QStringLiteral("INTEGER"), QStringLiteral("REAL"),
                                         QStringLiteral("NUMERIC"), QStringLiteral("TEXT")};

enum class CodeBox { Separator, LineEnd, Quote };
enum class FileImportHelp {
    CreateTable,
    ColumnSettings,
    TableData,
    Legend,
    ImportError,
    TableError
};

class FileImportController {
public:
    FileImportController(TSQLite3Database& db, QStringList tables, const QString& tableName);

    // --- the file
    // Loads the file (a new one, or again after an encoding change): the
    // preview, the estimate, the types and validation. False with the error.
    bool Load(const QString& file);
    const QString& FileName() const { return FFile; }
    QString Caption() const;
    int Encoding() const { return int(FSettings.encoding); }
    // The encoding box: with a preview the question "Re-load the file using
    // ...?" comes first; false when it was not changed.
    bool SetEncoding(int index, Prompter& prompts);

    // --- the dialect
    void Estimate();
    QString BoxText(CodeBox box) const;
    void SetBoxText(CodeBox box, const QString& text);
    // A key typed into a code box: a digit re-runs the preview when the text's
    // length is a multiple of 3; any other key becomes its three-digit code
    // (the matching list entry when there is one). The box's new text.
    QString TypeKey(CodeBox box, const QString& current, QChar key);
    static const QStringList& CodeList(CodeBox box);
    const FileImportSettings& Settings() const { return FSettings; }
    void SetDoubled(bool on);
    void SetPreserveQuotes(bool on);
    void SetHeader(bool on);
    void SetKeepWhitespace(bool on);
    // "Number of Rows to Import:": "All" (any text holding ALL) or a number.
    void SetMaxRows(const QString& text);
    QString MaxRowsText() const;
    // " Import into: " 0 the database, 1 a new CSV file.
    void SetDestination(int d);
    int Destination() const { return FDest; }

    // --- the sheet
    const ImportPreview& Preview() const { return FPreview; }
    const QList<ImportColumn>& Columns() const { return FColumns; }
    void SetColumnName(int col, const QString& name);
    void SetColumnType(int col, const QString& type);
    void ResetColumnNames();
    void Reanalyse();

    // --- validation and the table name
    bool AcceptEnabled() const { return FError.isEmpty(); }
    const QString& Error() const { return FError; }
    QString TableName() const { return FName; }
    void SetTableName(const QString& name);
    const QString& NameError() const { return FNameError; }
    void FixTableName();
    QString HelpTitle(FileImportHelp h) const;
    QString HelpText(FileImportHelp h) const;

    // --- Accept: into the table (destination empty) or into the CSV file.
    // The note for a file into itself through prompts.ShowNote.
    FileImportResult Accept(const QString& destination, ProgressSink& progress, Prompter& prompts);
    QString DestinationProposal() const { return FName + QStringLiteral("_Import.csv"); }

private:
    void Rebuild();
    void Validate();
    TSQLite3Database& FDb;
    QStringList FTables;
    QString FName, FNameError, FNameProposal;
    QString FFile;
    QString FBoxes[3];
    FileImportSettings FSettings;
    ImportPreview FPreview;
    QList<ImportColumn> FColumns;
    QString FError;
    int FDest = 0;
    bool FLoaded = false;
};

} // namespace sky
