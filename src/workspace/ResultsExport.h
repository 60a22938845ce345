// The results' copies, saves and exports without the widget: the grid as
// CSV lines, the clipboard shapes of the whole grid, a row, a column and
// the headings, the grid's XML and JSON documents, saves that never leave
// half a file, the editor's query straight into a file or a new table, and
// the names proposed for new tables.
#pragma once

#include "engine/Database.h"

#include <QIODevice>
#include <QString>
#include <QStringList>
#include <functional>

namespace sky {

class ClipboardPort;
class DesktopOpener;
class FileChooser;
class Prompter;
class TResultTable;

// --- the grid as lines
// Which stored rows the grid shows (a filter hides the others); empty: all.
using RowShown = std::function<bool(int row)>;
// The grid's cells as CSV lines, the headings first: every row, shown or
// not, in the grid's order.
QStringList ResultGridLines(const TResultTable& t);

// --- clipboard shapes
enum class GridCopy { Csv, Tab, Xml, Json };
enum class RowCopy { Csv, CsvData, Tab, TabData, List, Props, Xml, Json, Sql, SqlValues };
enum class ColumnCopy { List, ListData, Unique, Plain, Single, Double, Backtick, Brackets };
enum class HeaderCopy { List, Plain, Single, Double, Backtick, Brackets };
// The five quotings of the comma lists.
enum class ListQuote { None, Single, Double, Backtick, Brackets };

// The option names of skylark-cli for the shapes ("csv", "csv-data", ...);
// false for another word.
bool GridCopyFromName(const QString& name, GridCopy& shape);
bool RowCopyFromName(const QString& name, RowCopy& shape);
bool ColumnCopyFromName(const QString& name, ColumnCopy& shape);
bool HeaderCopyFromName(const QString& name, HeaderCopy& shape);

// Items enclosed in the quotes and joined by ", ".
QString CommaList(const QStringList& items, ListQuote quote);

// The whole grid: CSV and tab copies hold the shown rows; XML and JSON every row.
QString CopyGrid(const TResultTable& t, GridCopy shape, const RowShown& shown = {});
// A row (0-based, in the grid's order); empty when there is none.
QString CopyRow(const TResultTable& t, int row, RowCopy shape);
// A grid column (the line-number column counts); empty without data rows.
QString CopyColumn(const TResultTable& t, int col, ColumnCopy shape);
// The headings (blank ones dropped).
QString CopyHeadings(const TResultTable& t, HeaderCopy shape);

// The grid's JSON document (the text of GridJsonDocument of its lines),
// handed to sink in pieces of about 1 MiB; nothing without data rows.
// False when sink refused a piece.
bool WriteGridJson(const TResultTable& t, const std::function<bool(const std::string&)>& sink);

// The grid documents of CSV lines (the first holding the names); empty for
// fewer than 2 lines. Lines end with CR LF.
QString GridXmlDocument(const QStringList& lines);
QString GridJsonDocument(const QStringList& lines);

// --- saves
enum class SaveKind { Csv, Xml, Json };
bool SaveKindFromName(const QString& name, SaveKind& kind);
// The save dialog's filter and default extension.
QString SaveFilter(SaveKind kind);
QString SaveSuffix(SaveKind kind);
// The grid written to file as UTF-8 with a byte-order mark, all or nothing:
// the file appears (or replaces the old one) only when every byte was
// written. False with the reason (a CSV save needs a data row).
bool SaveGrid(const TResultTable& t, SaveKind kind, const QString& file, QString& why);
// The text SaveGrid writes (without the byte-order mark).
bool GridFileText(const TResultTable& t, SaveKind kind, QString& text, QString& why);

// --- names of new tables
// "to New Table..." and "into New Table...": the current table's name with
// "_Result1" (unless it holds "_Result" after its first character), made a
// valid name of main (an existing one allowed), without quotes.
QString ResultTableName(TSQLite3Database& db, const QString& current);
// The next free valid name of main for a name.
QString FreeTableName(TSQLite3Database& db, const QString& name);

// --- query to file
enum class QueryFileKind { Csv, Xml, Json, Insert, Replace, Update };
bool QueryFileKindFromName(const QString& name, QueryFileKind& kind);
// The language of an answer of the format question: its letters, first
// three upper-cased ("POS", "ORA", "MYS", "MSS"; else SQLite).
TSQLiteExportLanguage ExportLanguageOf(const QString& answer);
inline const QStringList kExportLanguages = {
    QStringLiteral("SQLite"), QStringLiteral("PostgreSQL"), QStringLiteral("Oracle"),
    QStringLiteral("MySQL / MariaDB"), QStringLiteral("MS-SQL Server")};

struct QueryFileRequest {
    QueryFileKind kind = QueryFileKind::Csv;
    QString sql;   // the whole editor text
    QString file;  // where it goes
    QString table; // the SQL kinds' table name
    TSQLiteExportLanguage language = selSQLite;
    int valueRows = 64; // "MaxSQLExportValuesLines", clamped to 0..10000
};
// Runs the query straight into the file through the connection's exports,
// all or nothing (an existing file stays until success). The status:
// "Success writing Query to File." or "Error writing Query to File: " +
// the reason.
bool QueryToFile(TSQLite3Database& db, const QueryFileRequest& r, QString& status);
// The same onto a device (r.file unused): what it writes is complete only
// when it returns true.
bool QueryToDevice(TSQLite3Database& db, const QueryFileRequest& r, QIODevice* out,
                   QString& status);
// The UPDATE kind's table check: the table as listed (ignoring case), or
// empty with the notice's text in why.
QString UpdateExportTable(TSQLite3Database& db, const QString& answer, QString& why);

// The whole flow of F8 and the "Export full Query data" items: the table
// name and format questions, the save dialog, the export. The status says
// how it went; false when nothing was written.
struct QueryFileFlow {
    TSQLite3Database& db;
    Prompter& prompts;
    FileChooser& files;
    QString currentTable;
    int valueRows = 64;
    bool Run(QueryFileKind kind, const QString& sql, QString& status);
};

// --- query into a new table
// DROP TABLE IF EXISTS and CREATE TABLE ... AS the query in one
// transaction. The query must be exactly one statement that returns rows
// (further statements are refused before anything runs). The status is the
// success or error text.
bool QueryIntoTable(TSQLite3Database& db, const QString& sql, const QString& name, QString& status);
// The name questions of "into New Table...": the chosen name, or empty
// when the user gave none ("Importing to Table - aborted by User...").
QString AskQueryTableName(TSQLite3Database& db, Prompter& prompts, const QString& currentTable);

} // namespace sky
