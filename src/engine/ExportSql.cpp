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
#include <QSet>
#include <sqlite3.h>

namespace sky {
namespace {

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
        const QString bareTable = UnquoteIdent(table);
        // A plain name is written as it is; one that needs quotes gets the
        // dialect's quotes.
        const QString tableSql = bareTable.isEmpty() || QuoteIdent(bareTable) == bareTable
                                     ? bareTable
                                     : QuoteColumn(bareTable, exportLang);

        QStringList keyColumns;
        if (exportOperation == seoUPDATE) {
            keyColumns = PrimaryKeyColumns(bareTable, QString());
            if (keyColumns.isEmpty()) {
                FLastErr = QStringLiteral("Cannot Update a Table without a Primary Key");
                return false;
            }
        }

        bool ok = false;
        Lock();
        FProgress.AllowProgress = 1;
        StatsBegin();
        std::unique_ptr<TSQLite3Statement> stmt = Prepare(SQL);
        StatsPrepared(stmt.get());
        if (stmt) {
            int rc = stmt->Step();
            const int cols = stmt->ColumnCount();
            FStats.totResultCols = cols;
            if (rc == SQLITE_DONE) {
                ok = true;
            } else if (rc != SQLITE_ROW) {
                ok = CheckResult(rc);
            } else {
                QStringList names;
                for (int c = 0; c < cols; ++c)
                    names.append(QuoteColumn(stmt->ColumnName(c), exportLang));
                // UPDATE needs every key column in the result.
                std::vector<int> keyIndex;
                for (const QString& k : keyColumns) {
                    int found = -1;
                    for (int c = 0; c < cols && found < 0; ++c)
                        if (UpperAscii(TrimText(stmt->ColumnName(c))) == UpperAscii(TrimText(k)))
                            found = c;
                    keyIndex.push_back(found);
                }
                const bool keysComplete =
                    std::find(keyIndex.begin(), keyIndex.end(), -1) == keyIndex.end();
                if (exportOperation == seoUPDATE && !keysComplete) {
                    FLastErr = QStringLiteral("Cannot Update a Table without a Primary Key");
                } else {
                    const SqlDialect dialect = DialectOf(exportLang);
                    const QString header =
                        (exportOperation == seoINSERT ? QStringLiteral("INSERT")
                                                      : QStringLiteral("REPLACE")) +
                        QStringLiteral(" INTO ") + tableSql + QStringLiteral(" (") +
                        names.join(QStringLiteral(", ")) + QStringLiteral(") VALUES ");
                    auto value = [&](int c) -> QString {
                        switch (stmt->ColumnType(c)) {
                        case SQLITE_INTEGER:
                            return stmt->ColumnText(c);
                        case SQLITE_FLOAT:
                            return SqlRealLiteral(stmt->ColumnDouble(c));
                        case SQLITE_TEXT:
                            return QuoteSqlString(stmt->ColumnText(c), dialect);
                        case SQLITE_BLOB:
                            return SqlBlobLiteral(stmt->ColumnBlob(c), stmt->ColumnBytes(c));
                        default:
                            return QStringLiteral("NULL");
                        }
                    };
                    qint64 row = 0;
                    bool memStop = false;
                    while (rc == SQLITE_ROW) {
                        QString out;
                        if (exportOperation == seoUPDATE) {
                            QStringList sets, where;
                            for (int c = 0; c < cols; ++c) {
                                const bool isKey = std::find(keyIndex.begin(), keyIndex.end(), c) !=
                                                   keyIndex.end();
                                if (!isKey) sets.append(names[c] + QLatin1Char('=') + value(c));
                            }
                            for (int k : keyIndex)
                                where.append(names[k] + QLatin1Char('=') + value(k));
                            out = QStringLiteral("UPDATE ") + tableSql + QStringLiteral(" SET ") +
                                  sets.join(QStringLiteral(", ")) + QStringLiteral(" WHERE ") +
                                  where.join(QStringLiteral(" AND ")) + QStringLiteral(";\r\n");
                        } else {
                            QStringList values;
                            for (int c = 0; c < cols; ++c)
                                values.append(value(c));
                            const QString v = values.join(QStringLiteral(", "));
                            if (perInsert == 1)
                                out = header + QStringLiteral(" (") + v + QStringLiteral(");");
                            else if (row == 0)
                                out = header + QLatin1Char('(') + v + QLatin1Char(')');
                            else if (perInsert > 1 && row % perInsert == 0)
                                out = QStringLiteral(";\r\n\r\n") + header + QLatin1Char('(') + v +
                                      QLatin1Char(')');
                            else
                                out = QStringLiteral(", \r\n(") + v + QLatin1Char(')');
                        }
                        Results->write(out.toUtf8());
                        ++row;
                        FProgress.OpCurrent = row;
                        FProgress.OpTarget = row + 10240;
                        if (limit > 0 && Results->pos() >= limit) {
                            memStop = true;
                            break;
                        }
                        rc = stmt->Step();
                    }
                    if (exportOperation != seoUPDATE) Results->write(";");
                    FStats.totResultRows = row;
                    ok = memStop || rc == SQLITE_DONE || CheckResult(rc);
                }
            }
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
