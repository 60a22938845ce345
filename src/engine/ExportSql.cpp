// The SQL statements exporter: a query's rows as INSERT, REPLACE or UPDATE
// statements for one of several SQL dialects.
#include "engine/Database.h"
#include "engine/ExportText.h"
#include "engine/Identifiers.h"
#include "engine/Operation.h"
#include "engine/SqlLexer.h"
#include "engine/SqlLiteral.h"
#include "engine/Statement.h"
#include "support/TextUtil.h"

#include <QSet>
#include <algorithm>
#include <sqlite3.h>

namespace sky {
namespace {

const QString kDatabaseBusy = QStringLiteral("Database Busy");
const QString kQueryException = QStringLiteral("Query Exception ");
const QString kNoPrimaryKey = QStringLiteral("Cannot Update a Table without a Primary Key");
const QString kNothingToUpdate =
    QStringLiteral("Cannot Update: every column of the result belongs to the Primary Key, so "
                   "there is nothing to set");
const QString kNewTable = QStringLiteral("new_table");
const QString kTableNames =
    QStringLiteral("SELECT tbl_name FROM sqlite_master WHERE type='table' ORDER BY rowid");
const std::string kInsert = "INSERT";
const std::string kReplace = "REPLACE";

SqlDialect DialectOf(TSQLiteExportLanguage lang) {
    switch (lang) {
    case selMySQL:
        return SqlDialect::MySQL;
    case selPostGres:
        return SqlDialect::Postgres;
    case selOracle:
        return SqlDialect::Oracle;
    case selMSSQL:
        return SqlDialect::MSSQL;
    case selSQLite:
        break;
    }
    return SqlDialect::SQLite;
}

QString QuoteColumn(const QString& name, TSQLiteExportLanguage lang) {
    QChar open = QLatin1Char('"'), close = QLatin1Char('"');
    if (lang == selMySQL) {
        open = close = QLatin1Char('`');
    } else if (lang == selMSSQL && !name.contains(QLatin1Char('[')) &&
               !name.contains(QLatin1Char(']'))) {
        open = QLatin1Char('[');
        close = QLatin1Char(']');
    }
    QString inner = name;
    inner.replace(close, QString(2, close));
    return open + inner + close;
}

// The export's table name split into schema and table ("main.t", "\"a.b\""),
// quotes removed.
void SplitTableName(const QString& given, QString& schema, QString& table) {
    schema.clear();
    table.clear();
    const QString qualified = QualifiedTableName(given);
    // "schema"."table" or "table", each part in double quotes.
    SqlLexer lexer(qualified);
    SqlToken tok;
    QStringList parts;
    while (lexer.Next(tok))
        if (tok.kind == SqlTokKind::Quoted) parts << UnquoteIdent(qualified.mid(tok.pos, tok.len));
    if (parts.size() == 2) {
        schema = parts[0];
        table = parts[1];
    } else if (!parts.isEmpty()) {
        table = parts[0];
    }
}

// The names that follow FROM, INTO, UPDATE or JOIN in the query (the last
// part of a dotted name), upper-cased.
QSet<QString> NamedTables(const QString& sql) {
    QSet<QString> names;
    SqlLexer lexer(sql);
    SqlToken tok;
    bool expectName = false;
    bool afterDot = false;
    QString last;
    auto flush = [&] {
        if (!last.isEmpty()) names.insert(UpperAscii(last));
        last.clear();
    };
    while (lexer.Next(tok)) {
        if (tok.kind == SqlTokKind::Space || tok.kind == SqlTokKind::LineBreak ||
            tok.kind == SqlTokKind::LineComment || tok.kind == SqlTokKind::BlockComment)
            continue;
        const QStringView text = QStringView(sql).mid(tok.pos, tok.len);
        if (expectName && (tok.kind == SqlTokKind::Word || tok.kind == SqlTokKind::Quoted)) {
            last = tok.kind == SqlTokKind::Quoted ? UnquoteIdent(text.toString()) : text.toString();
            expectName = false;
            afterDot = true;
            continue;
        }
        if (afterDot && tok.kind == SqlTokKind::Other && text == QLatin1String(".")) {
            expectName = true;
            continue;
        }
        afterDot = false;
        expectName = false;
        flush();
        if (tok.kind == SqlTokKind::Word && (SqlWordIs(text, "FROM") || SqlWordIs(text, "INTO") ||
                                             SqlWordIs(text, "UPDATE") || SqlWordIs(text, "JOIN")))
            expectName = true;
    }
    flush();
    return names;
}

// The rows as statements: UPDATE by the key columns, or INSERT/REPLACE with
// perInsert rows a statement (0: all in one).
class SqlSink : public OutputSink {
public:
    SqlSink(ExportOut& out, TSQLiteExportOperation op, TSQLiteExportLanguage lang, int perInsert,
            const QString& tableSql, const QStringList& keyColumns)
        : OutputSink(out), FOp(op), FLang(lang), FDialect(DialectOf(lang)), FPerInsert(perInsert),
          FTable(tableSql.toStdString()), FKeyColumns(keyColumns) {}

    // Why the result cannot be exported (empty when it can).
    const QString& Refusal() const { return FRefusal; }

    RowsStart Start(TSQLite3Statement& stmt, bool hasRow) override {
        if (!hasRow) return RowsStart::Finished;
        const int cols = stmt.ColumnCount();
        for (int c = 0; c < cols; ++c)
            FNames.push_back(QuoteColumn(stmt.ColumnName(c), FLang).toStdString());
        // UPDATE needs every key column in the result, and a column to set.
        for (const QString& k : FKeyColumns) {
            int found = -1;
            for (int c = 0; c < cols && found < 0; ++c)
                if (UpperAscii(TrimText(stmt.ColumnName(c))) == UpperAscii(TrimText(k))) found = c;
            FKeyIndex.push_back(found);
        }
        for (int c = 0; c < cols; ++c)
            if (!IsKey(c)) FSetColumns.push_back(c);
        if (FOp == seoUPDATE) {
            if (std::find(FKeyIndex.begin(), FKeyIndex.end(), -1) != FKeyIndex.end())
                FRefusal = kNoPrimaryKey;
            else if (FSetColumns.empty())
                FRefusal = kNothingToUpdate;
            if (!FRefusal.isEmpty()) return RowsStart::Refused;
        }
        FHeader = FOp == seoINSERT ? kInsert : kReplace;
        FHeader += " INTO " + FTable + " (";
        for (size_t c = 0; c < FNames.size(); ++c) {
            if (c > 0) FHeader += ", ";
            FHeader += FNames[c];
        }
        FHeader += ") VALUES \r\n";
        return RowsStart::Read;
    }

    void Row(TSQLite3Statement& stmt, qint64 index) override {
        if (FOp == seoUPDATE) {
            FBuf += "UPDATE " + FTable + " SET ";
            for (size_t i = 0; i < FSetColumns.size(); ++i) {
                if (i > 0) FBuf += ", ";
                FBuf += FNames[size_t(FSetColumns[i])] + "=";
                Value(stmt, FSetColumns[i]);
            }
            FBuf += " WHERE ";
            for (size_t k = 0; k < FKeyIndex.size(); ++k) {
                if (k > 0) FBuf += " AND ";
                FBuf += FNames[size_t(FKeyIndex[k])] + "=";
                Value(stmt, FKeyIndex[k]);
            }
            FBuf += ";\r\n";
            return;
        }
        if (FPerInsert == 1)
            FBuf += FHeader + " (";
        else if (index == 0)
            FBuf += FHeader + "(";
        else if (FPerInsert > 1 && index % FPerInsert == 0)
            FBuf += ";\r\n\r\n" + FHeader + "(";
        else
            FBuf += ", \r\n(";
        for (size_t c = 0; c < FNames.size(); ++c) {
            if (c > 0) FBuf += ", ";
            Value(stmt, int(c));
        }
        FBuf += FPerInsert == 1 ? ");" : ")";
    }

    bool End(const RowsRead& r) override {
        // The last INSERT or REPLACE is ended (after single-row statements
        // too, which gives an empty statement).
        if (r.rows > 0 && FOp != seoUPDATE) FBuf += ";";
        return r.Complete();
    }

private:
    bool IsKey(int c) const {
        return std::find(FKeyIndex.begin(), FKeyIndex.end(), c) != FKeyIndex.end();
    }
    // SQLite text keeps every byte the way the database script writes it;
    // other dialects get their own string literals.
    void Value(TSQLite3Statement& stmt, int c) {
        if (FDialect == SqlDialect::SQLite || stmt.ColumnType(c) != SQLITE_TEXT)
            AppendSqlValue(FBuf, stmt.Handle(), c);
        else
            FBuf += QuoteSqlString(stmt.ColumnText(c), FDialect).toStdString();
    }

    const TSQLiteExportOperation FOp;
    const TSQLiteExportLanguage FLang;
    const SqlDialect FDialect;
    const int FPerInsert;
    const std::string FTable;
    const QStringList FKeyColumns;
    std::vector<std::string> FNames;
    std::vector<int> FKeyIndex;
    std::vector<int> FSetColumns;
    std::string FHeader;
    QString FRefusal;
};

} // namespace

bool TSQLite3Database::QueryToSQLStream(QIODevice* Results, const QString& SQL,
                                        TSQLiteExportOperation exportOperation,
                                        TSQLiteExportLanguage exportLang,
                                        const QString& exportTableName, int valueRowsPerInsert,
                                        int memLimit) {
    OperationGuard op(*this, kDatabaseBusy, kQueryException);
    if (!op.Admitted() || SQL.isEmpty() || !Results) return false;
    op.KeepEarlierError();
    FLastErr.clear();
    int perInsert = std::clamp(valueRowsPerInsert, 0, 10000);
    if (exportLang == selOracle) perInsert = 1;

    return op.Run([&] {
        // The target table: as given, or guessed from the tables the query names.
        QString table = TrimText(exportTableName);
        if (table.isEmpty() || table.compare(kNewTable, Qt::CaseInsensitive) == 0) {
            QStringList tables;
            if (QuerySingleColumn(tables, kTableNames, 0, false)) {
                const QSet<QString> named = NamedTables(SQL);
                for (const QString& t : tables)
                    if (named.contains(UpperAscii(t))) {
                        table = t;
                        break;
                    }
            }
        }
        QString schema, bareTable;
        SplitTableName(table, schema, bareTable);
        // A plain name is written as it is; one that needs quotes gets the
        // dialect's quotes. A schema-qualified name is written in two quoted parts.
        QString tableSql;
        if (!schema.isEmpty())
            tableSql = QuoteColumn(schema, exportLang) + QLatin1Char('.') +
                       QuoteColumn(bareTable, exportLang);
        else
            tableSql = bareTable.isEmpty() || QuoteIdent(bareTable) == bareTable
                           ? bareTable
                           : QuoteColumn(bareTable, exportLang);

        QStringList keyColumns;
        if (exportOperation == seoUPDATE) {
            keyColumns = PrimaryKeyColumns(bareTable, schema);
            if (keyColumns.isEmpty()) {
                FLastErr = kNoPrimaryKey;
                return false;
            }
        }

        op.Begin();
        ExportOut out(Results);
        SqlSink sink(out, exportOperation, exportLang, perInsert, tableSql, keyColumns);
        const bool ok = ReadRows(SQL, ReadLimit(memLimit), SizeStop::AtOrBeyond, sink);
        if (!sink.Refusal().isEmpty()) FLastErr = sink.Refusal();
        return ok;
    });
}

bool TSQLite3Database::QueryToSQL(QString& Results, const QString& SQL,
                                  TSQLiteExportOperation exportOperation,
                                  TSQLiteExportLanguage exportLang, const QString& exportTableName,
                                  int valueRowsPerInsert, int memLimit) {
    return ExportToText(Results, [&](QIODevice* d) {
        return QueryToSQLStream(d, SQL, exportOperation, exportLang, exportTableName,
                                valueRowsPerInsert, memLimit);
    });
}

bool TSQLite3Database::QueryToSQL(QStringList& Results, const QString& SQL,
                                  TSQLiteExportOperation exportOperation,
                                  TSQLiteExportLanguage exportLang, const QString& exportTableName,
                                  int valueRowsPerInsert, int memLimit) {
    return ExportToList(Results, [&](QIODevice* d) {
        return QueryToSQLStream(d, SQL, exportOperation, exportLang, exportTableName,
                                valueRowsPerInsert, memLimit);
    });
}

} // namespace sky
