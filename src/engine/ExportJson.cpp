// The JSON exporter: a query's rows as a "data" array of objects followed by
// a "results" summary, written row by row as UTF-8 with CR LF line ends.
#include "engine/Database.h"
#include "engine/ExportText.h"
#include "engine/Statement.h"
#include "support/JsonText.h"
#include "support/TextUtil.h"

#include <QBuffer>
#include <cmath>
#include <sqlite3.h>

namespace sky {

namespace {

QByteArray JsonQuoted(QStringView s) {
    const QByteArray utf8 = s.toUtf8();
    std::string r;
    AppendJsonString(r, utf8.constData(), utf8.size());
    return QByteArray(r.data(), qsizetype(r.size()));
}

// "Record_No", or Record_No2, 3, ... until no column has that name.
QString RecordKey(const QStringList& names) {
    QString key = QStringLiteral("Record_No");
    for (int n = 2; names.contains(key, Qt::CaseInsensitive); ++n)
        key = QStringLiteral("Record_No") + QString::number(n);
    return key;
}

const QByteArray kEmptyHead = QByteArrayLiteral("\r\n  \"data\": [ ], \"results\": {\"records\":0, "
                                                "\"fields\":0, \"error\":");

QByteArray QueryErrorValue(const QString& lastError) {
    return JsonQuoted(QString(QStringLiteral("Database Query Error: ") + lastError));
}

} // namespace

bool TSQLite3Database::QueryToJSONStream(QIODevice* Results, const QString& SQL, int memLimit,
                                         bool bConvertBlobs) {
    DispatchUpdates();
    if (IsBusy()) {
        FLastErr = QStringLiteral("Database Busy");
        return false;
    }
    if (SQL.isEmpty() || !Results) return false;
    const qint64 limit = memLimit < 0 ? kDefaultMemLimit : memLimit;
    bool ok = false;
    Lock();
    try {
        ClearError();
        Results->write("{ ");
        FProgress.AllowProgress = 1;
        StatsBegin();
        std::unique_ptr<TSQLite3Statement> stmt = Prepare(SQL);
        StatsPrepared(stmt.get());
        if (!stmt) {
            Results->write(kEmptyHead + QueryErrorValue(FLastErr) + " }\r\n");
        } else {
            int rc = stmt->Step();
            const int cols = stmt->ColumnCount();
            FStats.totResultCols = cols;
            if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
                CheckResult(rc);
                Results->write(kEmptyHead + QueryErrorValue(FLastErr) + " }\r\n");
            } else if (rc == SQLITE_DONE || cols == 0) {
                Results->write(kEmptyHead + "false }\r\n");
                ok = true;
            } else {
                QStringList names;
                for (int c = 0; c < cols; ++c)
                    names << stmt->ColumnName(c);
                const std::string keyHead =
                    ("    { " + JsonQuoted(RecordKey(names)) + ':').toStdString();
                std::vector<std::string> colHeads;
                for (const QString& name : names)
                    colHeads.push_back((", " + JsonQuoted(name) + ':').toStdString());
                Results->write("\"data\": [\r\n");
                qint64 rows = 0;
                bool memStop = false;
                ExportOut out(Results);
                std::string& line = out.Buf();
                int len = 0;
                // Each row ends with " }"; the separator to the next row is
                // written in front of that row.
                while (rc == SQLITE_ROW) {
                    if (rows > 0) line += ",\r\n";
                    line += keyHead;
                    line += std::to_string(rows);
                    for (int c = 0; c < cols; ++c) {
                        line += colHeads[c];
                        switch (stmt->ColumnType(c)) {
                        case SQLITE_INTEGER: {
                            const char* p = stmt->ColumnTextNative(c, len);
                            line.append(p, len);
                            break;
                        }
                        case SQLITE_FLOAT:
                            if (std::isfinite(stmt->ColumnDouble(c))) {
                                const char* p = stmt->ColumnTextNative(c, len);
                                line.append(p, len);
                            } else {
                                line += "null";
                            }
                            break;
                        case SQLITE_TEXT: {
                            const char* p = stmt->ColumnTextNative(c, len);
                            AppendJsonText(line, p, len);
                            break;
                        }
                        case SQLITE_BLOB: {
                            const QByteArray text = stmt->ColumnBlobText(c, bConvertBlobs);
                            AppendJsonString(line, text.constData(), text.size());
                            break;
                        }
                        default:
                            line += "null";
                            break;
                        }
                    }
                    line += " }";
                    ++rows;
                    FProgress.OpCurrent = rows;
                    FProgress.OpTarget = rows + 10240;
                    if (limit > 0 && out.Pos() > limit) {
                        memStop = true;
                        break;
                    }
                    out.RowDone();
                    rc = stmt->Step();
                }
                const bool written = out.Flush();
                FStats.totResultRows = rows;
                ok = memStop || rc == SQLITE_DONE;
                QByteArray tail =
                    "\r\n  ],\r\n  \"results\": {\"records\":" + QByteArray::number(rows) +
                    ", \"fields\":" + QByteArray::number(cols) + ", \"error\":";
                if (ok) {
                    tail += "false";
                } else {
                    CheckResult(rc);
                    tail += QueryErrorValue(FLastErr);
                }
                tail += " }\r\n";
                Results->write(tail);
                if (!written) {
                    SetError(out.ErrorText());
                    ok = false;
                }
            }
        }
        StatsEnd();
        stmt.reset();
        Results->write("}\r\n");
    } catch (const std::exception& e) {
        FLastErr = QStringLiteral("Exception reading Query ") + ExceptionText(e);
        Results->write(kEmptyHead + JsonQuoted(FLastErr) + " }\r\n}\r\n");
        ok = false;
    } catch (...) {
        FLastErr = QStringLiteral("Exception reading Query ") + UnknownExceptionText();
        Results->write(kEmptyHead + JsonQuoted(FLastErr) + " }\r\n}\r\n");
        ok = false;
    }
    Unlock();
    return ok;
}

bool TSQLite3Database::QueryToJSON(QString& Results, const QString& SQL, int memLimit,
                                   bool bConvertBlobs) {
    return ExportToText(
        Results, [&](QIODevice* d) { return QueryToJSONStream(d, SQL, memLimit, bConvertBlobs); });
}

bool TSQLite3Database::QueryToJSON(QStringList& Results, const QString& SQL, int memLimit,
                                   bool bConvertBlobs) {
    return ExportToList(
        Results, [&](QIODevice* d) { return QueryToJSONStream(d, SQL, memLimit, bConvertBlobs); });
}

} // namespace sky
