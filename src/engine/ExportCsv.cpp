// Query result exporters: one statement's rows written to a byte stream as
// UTF-8 text with CR LF line ends.
#include "engine/CsvFields.h"
#include "engine/Database.h"
#include "engine/ExportText.h"
#include "engine/Statement.h"
#include "support/TextUtil.h"

#include <QBuffer>
#include <sqlite3.h>

namespace sky {

bool TSQLite3Database::QueryToCSVStream(QIODevice* Results, const QString& SQL, bool NoLineBreaks,
                                        bool NoHeaders, int memLimit, int addLineNos,
                                        bool bConvertBlobs) {
    DispatchUpdates();
    if (IsBusy()) {
        FLastErr = QStringLiteral("Database Busy");
        return false;
    }
    if (SQL.isEmpty() || !Results) return false;
    const qint64 limit = memLimit < 0 ? kDefaultMemLimit : memLimit;
    QByteArray nullText = NullDisplayText().toUtf8();
    if (NoLineBreaks) {
        nullText.replace('\r', ' ');
        nullText.replace('\n', ' ');
    }
    bool ok = false;
    Lock();
    try {
        FProgress.AllowProgress = 1;
        StatsBegin();
        std::unique_ptr<TSQLite3Statement> stmt = Prepare(SQL);
        StatsPrepared(stmt.get());
        if (stmt) {
            int rc = stmt->Step();
            const int cols = stmt->ColumnCount();
            FStats.totResultCols = cols;
            if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
                ok = CheckResult(rc);
            } else {
                ExportOut out(Results);
                std::string& line = out.Buf();
                if (!NoHeaders && cols > 0) {
                    if (addLineNos >= 0) line += "No,";
                    for (int c = 0; c < cols; ++c) {
                        if (c > 0) line += ',';
                        const QByteArray name = stmt->ColumnName(c).toUtf8();
                        AppendCsvField(line, name.constData(), name.size(), false);
                    }
                    line += "\r\n";
                }
                qint64 rows = 0;
                bool memStop = false;
                int len = 0;
                while (rc == SQLITE_ROW && cols > 0) {
                    if (addLineNos >= 0) {
                        line += std::to_string(qint64(addLineNos) + rows);
                        line += ',';
                    }
                    for (int c = 0; c < cols; ++c) {
                        if (c > 0) line += ',';
                        switch (stmt->ColumnType(c)) {
                        case SQLITE_INTEGER:
                        case SQLITE_FLOAT: {
                            const char* p = stmt->ColumnTextNative(c, len);
                            line.append(p, len);
                            break;
                        }
                        case SQLITE_TEXT: {
                            const char* p = stmt->ColumnTextNative(c, len);
                            AppendCsvField(line, p, len, NoLineBreaks);
                            break;
                        }
                        case SQLITE_BLOB: {
                            const QByteArray text = stmt->ColumnBlobText(c, bConvertBlobs);
                            line.append(text.constData(), size_t(text.size()));
                            break;
                        }
                        default:
                            line.append(nullText.constData(), size_t(nullText.size()));
                            break;
                        }
                    }
                    line += "\r\n";
                    ++rows;
                    FProgress.OpCurrent = rows;
                    FProgress.OpTarget = rows + 10240;
                    if (limit > 0 && out.Pos() >= limit) {
                        memStop = true;
                        break;
                    }
                    out.RowDone();
                    rc = stmt->Step();
                }
                FStats.totResultRows = rows;
                ok = memStop || rc == SQLITE_DONE || (cols == 0 && rc == SQLITE_ROW) ||
                     CheckResult(rc);
                if (!out.Flush()) {
                    SetError(out.ErrorText());
                    ok = false;
                }
            }
        }
        StatsEnd();
        stmt.reset();
    } catch (const std::exception& e) {
        FLastErr = QStringLiteral("Exception executing Query ") + ExceptionText(e);
        ok = false;
    }
    Unlock();
    return ok;
}

bool TSQLite3Database::QueryToCSV(QString& Results, const QString& SQL, bool NoLineBreaks,
                                  bool NoHeaders, int memLimit, int addLineNos,
                                  bool bConvertBlobs) {
    return ExportToText(Results, [&](QIODevice* d) {
        return QueryToCSVStream(d, SQL, NoLineBreaks, NoHeaders, memLimit, addLineNos,
                                bConvertBlobs);
    });
}

bool TSQLite3Database::QueryToCSV(QStringList& Results, const QString& SQL, bool NoLineBreaks,
                                  bool NoHeaders, int memLimit, int addLineNos,
                                  bool bConvertBlobs) {
    return ExportToList(Results, [&](QIODevice* d) {
        return QueryToCSVStream(d, SQL, NoLineBreaks, NoHeaders, memLimit, addLineNos,
                                bConvertBlobs);
    });
}

QStringList SplitExportLines(const QString& text) {
    if (text.isEmpty()) return {};
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

} // namespace sky
