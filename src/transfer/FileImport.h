// The streaming file import without its window: the text encodings of the
// encoding box and their chunk decoder (any encoding into UTF-8, a sequence
// cut by a chunk end carried over), the code boxes' reading, and the import
// of a whole file of any size, 1 MiB at a time, through the one CSV scan
// (CsvScan over UTF-8 bytes) into a new table (one transaction, one
// prepared INSERT OR FAIL, values bound as their bytes) or into a new CSV
// file (written aside, put in place on success).
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>

namespace sky {

class Prompter;
class ProgressSink;
class TSQLite3Database;

enum class ImportEncoding { Utf8, Utf7, Ascii, Ansi, Utf16LE, Utf16BE, System };
// The encoding box's entries, in the order of ImportEncoding.
inline const QStringList kImportEncodings = {
    QStringLiteral("UTF-8"),      QStringLiteral("UTF-7"),   QStringLiteral("ASCII"),
    QStringLiteral("ANSI"),       QStringLiteral("Unicode"), QStringLiteral("BE Unicode"),
    QStringLiteral("(Sys Deflt)")};
QString EncodingName(ImportEncoding e);

// A code box's character: the first three digits of its text give a code;
// a code from 0 to 254 is that character; no digits or 255 and more: none.
constexpr char16_t kNoCode = 255;
char16_t ReadCodeBox(const QString& text);

// Any encoding into UTF-8, a chunk at a time. An incomplete sequence at the
// end of a chunk waits for the next one; a leading byte-order mark of the
// encoding is skipped. Invalid data stops it with the file line it is in.
class ChunkDecoder {
public:
    explicit ChunkDecoder(ImportEncoding e);
    ~ChunkDecoder();
    ChunkDecoder(const ChunkDecoder&) = delete;
    ChunkDecoder& operator=(const ChunkDecoder&) = delete;
    // Appends the decoded text to out; last: no bytes follow. False with the
    // reason ("Invalid code-point data for " + encoding + " in line N of the
    // file").
    bool Decode(const char* p, qsizetype n, bool last, std::string& out, QString& error);

private:
    struct State;
    std::unique_ptr<State> d;
};

// The reading of the file: the dialect and the rows wanted.
struct FileImportSettings {
    ImportEncoding encoding = ImportEncoding::Utf8;
    char16_t separator = u',';  // kNoCode: the comma
    char16_t quote = u'"';      // kNoCode: none
    char16_t lineEnd = kNoCode; // an extra row-end character
    bool doubled = false;
    bool preserveQuotes = true; // off: no quote character
    bool header = false;
    bool keepWhitespace = false;
    qint64 maxRows = 0; // 0: all
};

// A sheet column: its name (an empty name leaves it out) and type.
struct ImportColumn {
    QString name, type;
};

struct FileImportResult {
    bool ok = false;
    qint64 rows = 0;  // data rows written
    QString error;    // why it failed (nothing was imported)
    QString warnings; // what the user accepted (the last warning)
};

// The file into a new table of main, all or nothing. Warnings (rows with
// more or fewer fields than the header) end in the question whether to
// undo the import (yes rolls it back).
FileImportResult ImportFileToTable(TSQLite3Database& db, const QString& file,
                                   const FileImportSettings& s, const QList<ImportColumn>& columns,
                                   const QString& table, ProgressSink& progress, Prompter& prompts);
// The file into a new CSV file (its header line from the names), all or
// nothing; a destination that is the source itself (any path to it) is
// refused.
FileImportResult ImportFileToCsv(const QString& file, const FileImportSettings& s,
                                 const QList<ImportColumn>& columns, const QString& destination,
                                 ProgressSink& progress);

// --- the preview (the first 64 KiB of the file)
struct ImportPreview {
    bool valid = false;
    QString error;          // why there is no preview
    QString text;           // the decoded sample
    bool wholeFile = false; // the sample is the whole file
    QStringList headers;    // the reader's headers (row 0)
    QList<QStringList> rows;
    QStringList types; // the type analysis, per column
};
// Reads the sample in the chosen encoding ("File \"..\" not Found", "File is
// not Accessible", "File is Empty", "Invalid code-point data for ...").
bool LoadPreviewText(const QString& file, ImportEncoding e, ImportPreview& p);
// "Estimate the Format": the separator, doubled and quote settings from the
// sample (the quote the double quote, the line end CR).
void EstimateFormat(const QString& sample, FileImportSettings& s);
// The sample read with the settings: the rows it completes, their headers
// and the type analysis.
void BuildPreview(ImportPreview& p, const FileImportSettings& s);
// A column's type from its values: TEXT at the first that is not a numeric
// literal, REAL when one holds ".", else INTEGER.
QString AnalyseType(const QStringList& values);
// The columns of a preview as the sheet starts them: the headers as names,
// the analysed types.
QList<ImportColumn> PreviewColumns(const ImportPreview& p);

inline const QString kUserAbortedImport = QStringLiteral("User Aborted Import");
inline const QString kImportIntoItself =
    QStringLiteral("Importing a file into itself is an area of Quantum physics that is not "
                   "covered by this application...");
// The same file, by device and inode (a link or another path to it too).
bool SameFile(const QString& a, const QString& b);

} // namespace sky
