// The results' copies, saves and exports.
#include "workspace/ResultsExport.h"

#include "engine/Identifiers.h"
#include "engine/ResultTable.h"
#include "engine/SqlLiteral.h"
#include "engine/Statement.h"
#include "support/Csv.h"
#include "support/JsonText.h"
#include "support/Prompter.h"
#include "support/TextFile.h"
#include "support/TextUtil.h"
#include "workspace/ResultsActions.h"

#include <QSaveFile>
#include <QSet>
#include <sqlite3.h>

#include <algorithm>

namespace sky {

namespace {
const QString kCrLf = QStringLiteral("\r\n");

template <typename E, size_t N>
bool FromName(const QString& name, const char* const (&names)[N], E& out) {
    for (size_t i = 0; i < N; ++i)
        if (name == QLatin1String(names[i])) {
            out = E(i);
            return true;
        }
    return false;
}

QStringList Headings(const TResultTable& t) {
    QStringList h;
    for (int c = 0; c < t.ColumnCount(); ++c)
        h << t.Heading(c);
    return h;
}

QStringList Cells(const TResultTable& t, int row) {
    QStringList cells;
    for (int c = 0; c < t.ColumnCount(); ++c)
        cells << t.Text(row, c);
    return cells;
}

QString CopyLine(const QStringList& cells, QChar separator) {
    QString line;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0) line += separator;
        line += QuoteCSVValue(cells[i], separator);
    }
    return line;
}

// A cell as an SQL literal from its stored value (the line number as shown).
QString CellLiteral(const TResultTable& t, int row, int col) {
    return ValueLiteral(CellValueOf(t, row, col));
}

QString JoinedLines(const QStringList& lines) {
    QString r;
    for (const QString& l : lines)
        r += l + kCrLf;
    return r;
}
} // namespace

bool GridCopyFromName(const QString& name, GridCopy& shape) {
    static const char* const names[] = {"csv", "tab", "xml", "json"};
    return FromName(name, names, shape);
}
bool RowCopyFromName(const QString& name, RowCopy& shape) {
    static const char* const names[] = {"csv",   "csv-data", "tab",  "tab-data", "list",
                                        "props", "xml",      "json", "sql",      "sql-values"};
    return FromName(name, names, shape);
}
bool ColumnCopyFromName(const QString& name, ColumnCopy& shape) {
    static const char* const names[] = {"list",   "list-data", "unique",   "plain",
                                        "single", "double",    "backtick", "brackets"};
    return FromName(name, names, shape);
}
bool HeaderCopyFromName(const QString& name, HeaderCopy& shape) {
    static const char* const names[] = {"list",   "plain",    "single",
                                        "double", "backtick", "brackets"};
    return FromName(name, names, shape);
}

QString CommaList(const QStringList& items, ListQuote quote) {
    struct Q {
        const char *open, *close, *escape;
    };
    static const Q quotes[] = {
        {"", "", ""}, {"'", "'", "'"}, {"\"", "\"", "\""}, {"`", "`", "\\"}, {"[", "]", "\\"}};
    const Q& q = quotes[int(quote)];
    const QString open = QLatin1String(q.open), close = QLatin1String(q.close),
                  escape = QLatin1String(q.escape);
    QStringList out;
    for (const QString& item : items) {
        QString v;
        for (QChar c : item) {
            if (!open.isEmpty() && (c == open[0] || (close != open && c == close[0]))) v += escape;
            v += c;
        }
        out << open + v + close;
    }
    return out.join(QStringLiteral(", "));
}

QStringList ResultGridLines(const TResultTable& t) {
    QStringList lines;
    lines.reserve(t.RowCount() + 1);
    lines << JoinCSVLine(Headings(t), u',');
    for (int r = 0; r < t.RowCount(); ++r)
        lines << JoinCSVLine(Cells(t, r), u',');
    return lines;
}

QString GridXmlDocument(const QStringList& lines) {
    QStringList out;
    if (lines.size() < 2) return QString();
    CSVLinesToXML(lines, out, u',');
    return JoinedLines(out);
}

QString GridJsonDocument(const QStringList& lines) {
    QStringList out;
    if (lines.size() < 2) return QString();
    CSVLinesToJSON(lines, out, u',');
    return JoinedLines(out);
}

bool WriteGridJson(const TResultTable& t, const std::function<bool(const std::string&)>& sink) {
    if (t.RowCount() == 0 || t.ColumnCount() == 0) return true;
    const QStringList heads = Headings(t);
    // The record key differs from every heading (also from the pieces of
    // the heading line split at its commas).
    QStringList taken = JoinCSVLine(heads, u',').split(u',') + heads;
    for (QString& s : taken)
        s = s.toLower();
    QString key = QStringLiteral("Record_No");
    for (int n = 2; taken.contains(key.toLower()); ++n)
        key = QStringLiteral("Record_No%1").arg(n);
    std::string jsonKey;
    AppendJsonString(jsonKey, key);
    jsonKey += ':';
    std::vector<std::string> names(size_t(heads.size()));
    for (qsizetype k = 0; k < heads.size(); ++k) {
        names[size_t(k)] = ", ";
        AppendJsonString(names[size_t(k)], heads[k]);
        names[size_t(k)] += ':';
    }
    constexpr size_t kPiece = 1 << 20;
    std::string out;
    out.reserve(kPiece + 4096);
    out += "{ \"data\": [\r\n";
    const int rows = t.RowCount(), cols = t.ColumnCount();
    for (int r = 0; r < rows; ++r) {
        out += "    { ";
        out += jsonKey;
        out += std::to_string(r);
        for (int c = 0; c < cols; ++c) {
            out += names[size_t(c)];
            AppendJsonValue(out, t.Text(r, c));
        }
        out += r + 1 < rows ? " },\r\n" : " }\r\n";
        if (out.size() >= kPiece) {
            if (!sink(out)) return false;
            out.clear();
        }
    }
    out += "  ],\r\n  \"results\": { \"records\":" + std::to_string(rows) +
           ", \"fields\":" + std::to_string(cols) + ", \"error\":false } \r\n}\r\n";
    return sink(out);
}

QString CopyGrid(const TResultTable& t, GridCopy shape, const RowShown& shown) {
    if (shape == GridCopy::Xml) return GridXmlDocument(ResultGridLines(t));
    if (shape == GridCopy::Json) {
        std::string json; // ASCII: every other character is escaped
        WriteGridJson(t, [&json](const std::string& piece) {
            json += piece;
            return true;
        });
        return QString::fromLatin1(json.data(), qsizetype(json.size()));
    }
    const QChar sep = shape == GridCopy::Tab ? QLatin1Char('\t') : QLatin1Char(',');
    QStringList lines;
    lines << CopyLine(Headings(t), sep);
    for (int r = 0; r < t.RowCount(); ++r)
        if (!shown || shown(r)) lines << CopyLine(Cells(t, r), sep);
    return lines.join(kCrLf);
}

QString CopyRow(const TResultTable& t, int row, RowCopy shape) {
    if (row < 0 || row >= t.RowCount() || t.ColumnCount() == 0) return QString();
    const QStringList heads = Headings(t), cells = Cells(t, row);
    const QString headLine = JoinCSVLine(heads, u','), rowLine = JoinCSVLine(cells, u',');
    switch (shape) {
    case RowCopy::Csv:
        return headLine + kCrLf + rowLine + kCrLf;
    case RowCopy::CsvData:
        return rowLine;
    case RowCopy::Tab:
        return CopyLine(heads, u'\t') + kCrLf + CopyLine(cells, u'\t');
    case RowCopy::TabData:
        return CopyLine(cells, u'\t') + kCrLf;
    case RowCopy::List:
        return cells.join(kCrLf);
    case RowCopy::Props: {
        QStringList props;
        for (qsizetype k = 0; k < heads.size(); ++k)
            if (!TrimText(heads[k]).isEmpty()) props << TrimText(heads[k]) + u'=' + cells[k];
        return props.join(kCrLf);
    }
    case RowCopy::Xml:
        return GridXmlDocument({headLine, rowLine});
    case RowCopy::Json: {
        QStringList out;
        CSVLinesToJSON({headLine, rowLine}, out, u',');
        return out.size() > 1 ? TrimText(out[1]) : QString();
    }
    case RowCopy::Sql:
    case RowCopy::SqlValues: {
        QStringList names, values;
        for (int c = 0; c < t.ColumnCount(); ++c) {
            names << QuoteIdent(heads[c]);
            values << CellLiteral(t, row, c);
        }
        const QString v = QStringLiteral("VALUES ") + kCrLf + QLatin1Char('(') +
                          values.join(QStringLiteral(", ")) + QLatin1Char(')');
        if (shape == RowCopy::SqlValues) return v;
        return QLatin1Char('(') + names.join(QStringLiteral(", ")) + QLatin1Char(')') + kCrLf + v;
    }
    }
    return QString();
}

QString CopyColumn(const TResultTable& t, int col, ColumnCopy shape) {
    if (col < 0 || col >= t.ColumnCount() || t.RowCount() == 0) return QString();
    QStringList values;
    values.reserve(t.RowCount());
    for (int r = 0; r < t.RowCount(); ++r)
        values << t.Text(r, col);
    switch (shape) {
    case ColumnCopy::List:
        return t.Heading(col) + kCrLf + values.join(kCrLf);
    case ColumnCopy::ListData:
        return values.join(kCrLf);
    case ColumnCopy::Unique: {
        // The first of values equal but for letter case stays; blanks go;
        // sorted by the upper-cased text.
        QList<QPair<QString, QString>> kept; // upper-cased, value
        QSet<QString> seen;
        for (const QString& v : values) {
            if (TrimText(v).isEmpty()) continue;
            const QString up = v.toUpper();
            if (seen.contains(up)) continue;
            seen.insert(up);
            kept.append({up, v});
        }
        std::stable_sort(kept.begin(), kept.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        QStringList out;
        for (const auto& k : kept)
            out << k.second;
        return out.join(kCrLf);
    }
    default:
        return CommaList(values, ListQuote(int(shape) - int(ColumnCopy::Plain)));
    }
}

QString CopyHeadings(const TResultTable& t, HeaderCopy shape) {
    QStringList heads;
    for (const QString& h : Headings(t))
        if (!TrimText(h).isEmpty()) heads << h;
    if (shape == HeaderCopy::List) return heads.join(kCrLf);
    return CommaList(heads, ListQuote(int(shape) - int(HeaderCopy::Plain)));
}

// --- saves

bool SaveKindFromName(const QString& name, SaveKind& kind) {
    static const char* const names[] = {"csv", "xml", "json"};
    return FromName(name, names, kind);
}

QString SaveFilter(SaveKind kind) {
    switch (kind) {
    case SaveKind::Csv:
        return QStringLiteral("CSV Files|*.csv|All Files|*.*");
    case SaveKind::Xml:
        return QStringLiteral("XML Files|*.xml|All Files|*.*");
    case SaveKind::Json:
        break;
    }
    return QStringLiteral("JSON Files|*.json; *.txt|All Files|*.*");
}

QString SaveSuffix(SaveKind kind) {
    return kind == SaveKind::Csv   ? QStringLiteral("csv")
           : kind == SaveKind::Xml ? QStringLiteral("xml")
                                   : QStringLiteral("txt");
}

namespace {
// Text into a file as UTF-8 with a byte-order mark, put in place only
// when every byte was written.
bool WriteWhole(const QString& file, const QString& text, QString& why) {
    return WriteFileAtomic(file, QByteArray("\xEF\xBB\xBF") + text.toUtf8(), &why);
}
} // namespace

bool GridFileText(const TResultTable& t, SaveKind kind, QString& text, QString& why) {
    const QStringList lines = ResultGridLines(t);
    text.clear();
    if (lines.size() >= 2)
        text = kind == SaveKind::Csv   ? JoinedLines(lines)
               : kind == SaveKind::Xml ? GridXmlDocument(lines)
                                       : GridJsonDocument(lines);
    if (text.isEmpty()) {
        why = QStringLiteral("No valid Results data found...");
        return false;
    }
    return true;
}

bool SaveGrid(const TResultTable& t, SaveKind kind, const QString& file, QString& why) {
    QString text;
    return GridFileText(t, kind, text, why) && WriteWhole(file, text, why);
}

// --- names

QString ResultTableName(TSQLite3Database& db, const QString& current) {
    QString name = TrimText(current);
    if (name.indexOf(QLatin1String("_Result"), 1) < 1) name += QStringLiteral("_Result1");
    return UnquoteIdent(db.makeValidTableName(name, QStringLiteral("main"), true));
}

QString FreeTableName(TSQLite3Database& db, const QString& name) {
    return UnquoteIdent(db.makeValidTableName(name, QStringLiteral("main"), false));
}

// --- query to file

bool QueryFileKindFromName(const QString& name, QueryFileKind& kind) {
    static const char* const names[] = {"csv", "xml", "json", "insert", "replace", "update"};
    return FromName(name, names, kind);
}

TSQLiteExportLanguage ExportLanguageOf(const QString& answer) {
    QString letters;
    for (QChar c : answer)
        if (c.isLetter()) letters += c.toUpper();
    const QString k = letters.left(3);
    if (k == QLatin1String("POS")) return selPostGres;
    if (k == QLatin1String("ORA")) return selOracle;
    if (k == QLatin1String("MYS")) return selMySQL;
    if (k == QLatin1String("MSS")) return selMSSQL;
    return selSQLite;
}

bool QueryToDevice(TSQLite3Database& db, const QueryFileRequest& r, QIODevice* out,
                   QString& status) {
    if (db.IsBusy()) {
        status = QStringLiteral("Error: Busy executing a prior Query...");
        return false;
    }
    db.ClearError();
    bool ok = false;
    switch (r.kind) {
    case QueryFileKind::Csv:
        ok = db.QueryToCSVStream(out, r.sql, false, false, 0, -1, true);
        break;
    case QueryFileKind::Xml:
        ok = db.QueryToXMLStream(out, r.sql, 0, true);
        break;
    case QueryFileKind::Json:
        ok = db.QueryToJSONStream(out, r.sql, 0, true);
        break;
    default: {
        const TSQLiteExportOperation op = r.kind == QueryFileKind::Insert    ? seoINSERT
                                          : r.kind == QueryFileKind::Replace ? seoREPLACE
                                                                             : seoUPDATE;
        ok = db.QueryToSQLStream(out, r.sql, op, r.language, r.table,
                                 std::clamp(r.valueRows, 0, 10000), 0);
        break;
    }
    }
    if (ok) {
        status = QStringLiteral("Success writing Query to File.");
        return true;
    }
    QString why = db.LastError();
    if (why.isEmpty()) why = out->errorString();
    status = QStringLiteral("Error writing Query to File: ") + why;
    return false;
}

bool QueryToFile(TSQLite3Database& db, const QueryFileRequest& r, QString& status) {
    if (db.IsBusy()) {
        status = QStringLiteral("Error: Busy executing a prior Query...");
        return false;
    }
    QSaveFile f(r.file);
    if (!f.open(QIODevice::WriteOnly)) {
        status = QStringLiteral("Error creating File - Please check folder/file access");
        return false;
    }
    if (!QueryToDevice(db, r, &f, status)) {
        f.cancelWriting();
        return false;
    }
    if (!f.commit()) {
        status = QStringLiteral("Error writing Query to File: ") + f.errorString();
        return false;
    }
    return true;
}

QString UpdateExportTable(TSQLite3Database& db, const QString& answer, QString& why) {
    QStringList tables;
    db.EnumTableNames(tables);
    const QString name = TrimText(answer);
    for (const QString& t : tables)
        if (t.compare(name, Qt::CaseInsensitive) == 0) return t;
    why = QLatin1Char('"') + name +
          QStringLiteral("\" is not a a valid table - UPDATE exports MUST be for a valid existing "
                         "Table with a Primary Key to link updated values to.");
    return QString();
}

bool QueryFileFlow::Run(QueryFileKind kind, const QString& sql, QString& status) {
    QueryFileRequest r;
    r.kind = kind;
    r.sql = sql;
    r.valueRows = valueRows;
    const QString aborted = QStringLiteral("User aborted Exporting...");
    const bool sqlKind = kind == QueryFileKind::Insert || kind == QueryFileKind::Replace ||
                         kind == QueryFileKind::Update;
    if (sqlKind) {
        QStringList tables;
        db.EnumTableNames(tables);
        std::sort(tables.begin(), tables.end(), [](const QString& a, const QString& b) {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        });
        const QString cancel = QStringLiteral("\x01");
        const QString prompt =
            kind == QueryFileKind::Update
                ? QStringLiteral(
                      "Please supply a Table-Name for the Export:\r(For UPDATE exports it "
                      "must be a valid existing Table with a Primary Key)")
                : QStringLiteral("Please supply a Table-Name for the Export:");
        const QString answer = prompts.AskText(QStringLiteral("Export to SQL File"), prompt,
                                               currentTable, tables, false, 0, cancel);
        if (answer == cancel || (kind == QueryFileKind::Update && TrimText(answer).isEmpty())) {
            status = aborted;
            return false;
        }
        r.table = TrimText(answer);
        if (kind == QueryFileKind::Update) {
            QString why;
            r.table = UpdateExportTable(db, answer, why);
            if (r.table.isEmpty()) {
                prompts.ShowNotice(QStringLiteral("Export to SQL File aborted"), why, 12, true);
                status = QStringLiteral("Invalid Table selected for Export...");
                return false;
            }
        }
        const QString lang = prompts.AskText(
            QStringLiteral("Export to SQL - Select format"),
            QStringLiteral("Please select the preferred format from the drop-down:"),
            kExportLanguages.first(), kExportLanguages, false, 0, cancel);
        if (lang == cancel) {
            status = aborted;
            return false;
        }
        r.language = ExportLanguageOf(lang);
    }
    static const struct {
        const char *filter, *suffix;
    } dialogs[] = {{"CSV Files|*.csv; *.txt|All Files|*.*", "csv"},
                   {"XML Files|*.xml|All Files|*.*", "xml"},
                   {"JSON Files|*.json; *.txt|All Files|*.*", "json"},
                   {"SQL Files|*.sql; *.txt|All Files|*.*", "sql"}};
    const auto& d = dialogs[std::min(int(kind), 3)];
    r.file = files.SaveFile(QStringLiteral("Export data to..."), QLatin1String(d.filter), QString(),
                            QLatin1String(d.suffix));
    if (r.file.isEmpty()) return false; // a cancelled dialog does nothing
    return QueryToFile(db, r, status);
}

// --- query into a new table

bool QueryIntoTable(TSQLite3Database& db, const QString& sql, const QString& name,
                    QString& status) {
    if (db.IsBusy()) {
        status = QStringLiteral("Error: Busy executing a prior Query...");
        return false;
    }
    const QString failed = QStringLiteral("Error importing Query to Table: ");
    // Exactly one statement, and one that returns rows: a further statement
    // would run unconfirmed inside the import.
    TSQLiteStatementArray statements;
    QString tail;
    db.SQLReduceToStatements(sql, statements, true, &tail);
    if (statements.size() != 1 || !TrimText(tail).isEmpty()) {
        status =
            failed + (statements.isEmpty() ? QStringLiteral("no query to import")
                                           : QStringLiteral("the query must be one statement"));
        return false;
    }
    QString query = TrimText(statements.first());
    while (query.endsWith(QLatin1Char(';')))
        query = TrimText(query.left(query.size() - 1));
    {
        std::unique_ptr<TSQLite3Statement> st = db.Prepare(query);
        if (!st) {
            status = failed + db.LastError();
            return false;
        }
        if (st->ColumnCount() == 0 || !sqlite3_stmt_readonly(st->Handle())) {
            status = failed + QStringLiteral("the query returns no rows");
            return false;
        }
    }
    if (!db.BeginTransaction()) {
        status = QStringLiteral("Error starting import Transaction: ") + db.LastError();
        return false;
    }
    // Qualified: a temporary table of the name must not be the one dropped.
    const QString table = QStringLiteral("main.") + QuoteIdent(name);
    if (!db.Execute(QStringLiteral("DROP TABLE IF EXISTS ") + table) ||
        !db.Execute(QStringLiteral("CREATE TABLE ") + table + QStringLiteral(" AS ") + query)) {
        status = failed + db.LastError();
        db.Rollback();
        return false;
    }
    if (!db.Commit()) {
        status = QStringLiteral("Error committing import Query: ") + db.LastError();
        return false;
    }
    status = QStringLiteral("Success importing Query to Table \"") + name + QStringLiteral("\".");
    return true;
}

QString AskQueryTableName(TSQLite3Database& db, Prompter& prompts, const QString& currentTable) {
    const QString ask = QStringLiteral("Please specify a new Table-name: ");
    QString prompt = ask;
    QString suggestion = ResultTableName(db, currentTable);
    for (;;) {
        const QString answer = TrimText(prompts.AskText(QStringLiteral("Save Query to Table..."),
                                                        prompt, suggestion, {}, false, 0, {}));
        if (answer.isEmpty()) return QString();
        const QString valid =
            UnquoteIdent(db.makeValidTableName(answer, QStringLiteral("main"), true));
        if (valid != answer) {
            prompt = QStringLiteral("The specified Table-name contains invalid characters, Please "
                                    "adjust or use this suggested alternate: ");
            suggestion = valid;
            continue;
        }
        if (!db.TableExists(answer, QStringLiteral("main"))) return answer;
        if (prompts.AskYesNo(QStringLiteral("Table already Exists..."),
                             QStringLiteral("Overwrite existing table \"") + answer +
                                 QStringLiteral("\" now?"),
                             0, QString(), QString()))
            return answer;
        prompt = ask;
        suggestion = FreeTableName(db, answer);
    }
}

} // namespace sky
