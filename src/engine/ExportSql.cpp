// The SQL statements exporter: a query's rows as INSERT, REPLACE or UPDATE
// statements for one of several SQL dialects.
#include "engine/Database.h"
#include "engine/ExportText.h"
#include "engine/Identifiers.h"
#include "engine/SqlLexer.h"
#include "engine/SqlLiteral.h"
#include "engine/Statement.h"
#include "support/TextUtil.h"

#include <QBuffer>
#include <QFileDevice>
#include <QSet>
#include <sqlite3.h>

namespace sky {
namespace {

const QString kNoPrimaryKey = QStringLiteral("Cannot Update a Table without a Primary Key");
const QString kNothingToUpdate =
    QStringLiteral("Cannot Update: every column of the result belongs to the Primary Key, so "
                   "there is nothing to set");

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

} // namespace

bool TSQLite3Database::QueryToSQLStream(QIODevice* Results, const QString& SQL,
                                        TSQLiteExportOperation exportOperation,
                                        TSQLiteExportLanguage exportLang,
                                        const QString& exportTableName, int valueRowsPerInsert,
                                        int memLimit) {
    DispatchUpdates();
    if (IsBusy()) {
        FLastErr = QStringLiteral("Database Busy");
        return false;
    }
    if (SQL.isEmpty() || !Results) return false;
    FLastErr.clear();
    const qint64 limit = memLimit < 0 ? kDefaultMemLimit : memLimit;
    int perInsert = std::clamp(valueRowsPerInsert, 0, 10000);
    if (exportLang == selOracle) perInsert = 1;

    try {
        // The target table: as given, or guessed from the tables the query names.
        QString table = TrimText(exportTableName);
        if (table.isEmpty() ||
            table.compare(QStringLiteral("new_table"), Qt::CaseInsensitive) == 0) {
            QStringList tables;
            if (QuerySingleColumn(tables,
                                  QStringLiteral("SELECT tbl_name FROM sqlite_master WHERE "
                                                 "type='table' ORDER BY rowid"),
                                  0, false)) {
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

        bool ok = false;
        Lock();
        FProgress.AllowProgress = 1;
        StatsBegin();
        std::unique_ptr<TSQLite3Statement> stmt = Prepare(SQL);
        StatsPrepared(stmt.get());
        ExportOut out(Results);
        std::string& buf = out.Buf();
        if (stmt) {
            int rc = stmt->Step();
            const int cols = stmt->ColumnCount();
            FStats.totResultCols = cols;
            if (rc == SQLITE_DONE) {
                ok = true;
            } else if (rc != SQLITE_ROW) {
                ok = CheckResult(rc);
            } else {
                std::vector<std::string> names;
                for (int c = 0; c < cols; ++c)
                    names.push_back(QuoteColumn(stmt->ColumnName(c), exportLang).toStdString());
                // UPDATE needs every key column in the result, and a column to set.
                std::vector<int> keyIndex;
                for (const QString& k : keyColumns) {
                    int found = -1;
                    for (int c = 0; c < cols && found < 0; ++c)
                        if (UpperAscii(TrimText(stmt->ColumnName(c))) == UpperAscii(TrimText(k)))
                            found = c;
                    keyIndex.push_back(found);
                }
                auto isKey = [&](int c) {
                    return std::find(keyIndex.begin(), keyIndex.end(), c) != keyIndex.end();
                };
                int setCount = 0;
                for (int c = 0; c < cols; ++c)
                    if (!isKey(c)) ++setCount;
                if (exportOperation == seoUPDATE &&
                    std::find(keyIndex.begin(), keyIndex.end(), -1) != keyIndex.end()) {
                    FLastErr = kNoPrimaryKey;
                } else if (exportOperation == seoUPDATE && setCount == 0) {
                    FLastErr = kNothingToUpdate;
                } else {
                    const SqlDialect dialect = DialectOf(exportLang);
                    std::string header = exportOperation == seoINSERT ? "INSERT" : "REPLACE";
                    header += " INTO " + tableSql.toStdString() + " (";
                    for (int c = 0; c < cols; ++c) {
                        if (c > 0) header += ", ";
                        header += names[size_t(c)];
                    }
                    header += ") VALUES ";
                    // SQLite text keeps every byte the way the database script
                    // writes it; other dialects get their own string literals.
                    auto value = [&](int c) {
                        if (dialect == SqlDialect::SQLite || stmt->ColumnType(c) != SQLITE_TEXT) {
                            AppendSqlValue(buf, stmt->Handle(), c);
                        } else {
                            buf += QuoteSqlString(stmt->ColumnText(c), dialect).toStdString();
                        }
                    };
                    auto values = [&] {
                        for (int c = 0; c < cols; ++c) {
                            if (c > 0) buf += ", ";
                            value(c);
                        }
                    };
                    const qint64 startPos = Results->isSequential() ? 0 : Results->pos();
                    qint64 written = 0; // bytes produced so far
                    qint64 row = 0;
                    bool memStop = false;
                    while (rc == SQLITE_ROW) {
                        const size_t before = buf.size();
                        if (exportOperation == seoUPDATE) {
                            buf += "UPDATE " + tableSql.toStdString() + " SET ";
                            bool first = true;
                            for (int c = 0; c < cols; ++c) {
                                if (isKey(c)) continue;
                                if (!first) buf += ", ";
                                first = false;
                                buf += names[size_t(c)] + "=";
                                value(c);
                            }
                            buf += " WHERE ";
                            for (size_t k = 0; k < keyIndex.size(); ++k) {
                                if (k > 0) buf += " AND ";
                                buf += names[size_t(keyIndex[k])] + "=";
                                value(keyIndex[k]);
                            }
                            buf += ";\r\n";
                        } else {
                            if (perInsert == 1) {
                                buf += header + " (";
                            } else if (row == 0) {
                                buf += header + "(";
                            } else if (perInsert > 1 && row % perInsert == 0) {
                                buf += ";\r\n\r\n" + header + "(";
                            } else {
                                buf += ", \r\n(";
                            }
                            values();
                            buf += perInsert == 1 ? ");" : ")";
                        }
                        written += qint64(buf.size() - before);
                        ++row;
                        FProgress.OpCurrent = row;
                        FProgress.OpTarget = row + 10240;
                        out.RowDone();
                        if (out.Failed()) break;
                        if (limit > 0 && startPos + written >= limit) {
                            memStop = true;
                            break;
                        }
                        rc = stmt->Step();
                    }
                    if (exportOperation != seoUPDATE) buf += ";";
                    FStats.totResultRows = row;
                    if (out.Failed())
                        FLastErr = out.ErrorText();
                    else
                        ok = memStop || rc == SQLITE_DONE || CheckResult(rc);
                }
            }
        }
        // What a file device still buffers goes to the system now, so that
        // a failing write fails the export.
        auto* file = qobject_cast<QFileDevice*>(Results);
        if ((!out.Flush() || (file && !file->flush())) && ok) {
            FLastErr = out.ErrorText();
            ok = false;
        }
        StatsEnd();
        stmt.reset();
        Unlock();
        return ok;
    } catch (const std::exception& e) {
        if (FLastErr.isEmpty()) FLastErr = QStringLiteral("Query Exception ") + ExceptionText(e);
        FStats.QryLevel = 0;
        Unlock();
        return false;
    }
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
