// The JSON exporter: a query's rows as a "data" array of objects followed by
// a "results" summary, written row by row as UTF-8 with CR LF line ends.
#include "engine/Database.h"
#include "engine/Statement.h"
#include "support/TextUtil.h"

#include <QBuffer>
#include <QRegularExpression>
#include <cmath>
#include <sqlite3.h>

namespace sky {

namespace {

// A JSON string literal: the short escapes, and \uXXXX (upper-case hex of the
// UTF-16 unit) for every other character outside 32..126.
QByteArray JsonQuoted(QStringView s) {
    static const char hex[] = "0123456789ABCDEF";
    QByteArray r;
    r.reserve(s.size() + 2);
    r += '"';
    for (QChar c : s) {
        const char16_t u = c.unicode();
        switch (u) {
        case '\b':
            r += "\\b";
            break;
        case '\t':
            r += "\\t";
            break;
        case '\n':
            r += "\\n";
            break;
        case '\f':
            r += "\\f";
            break;
        case '\r':
            r += "\\r";
            break;
        case '"':
            r += "\\\"";
            break;
        case '/':
            r += "\\/";
            break;
        case '\\':
            r += "\\\\";
            break;
        default:
            if (u < 32 || u > 126) {
                r += "\\u";
                r += hex[(u >> 12) & 0xF];
                r += hex[(u >> 8) & 0xF];
                r += hex[(u >> 4) & 0xF];
                r += hex[u & 0xF];
            } else {
                r += char(u);
            }
        }
    }
    r += '"';
    return r;
}

// A text cell: the keywords null/true/false and numbers bare, anything else
// as a string.
QByteArray JsonTextValue(const QString& s) {
    if (s.isEmpty()) return QByteArrayLiteral("\"\"");
    if (s.size() == 4 || s.size() == 5) {
        const QString word = UpperAscii(TrimText(s));
        if (word == QLatin1String("NULL") || word == QLatin1String("TRUE") ||
            word == QLatin1String("FALSE"))
            return word.toLower().toLatin1();
    }
    static const QRegularExpression number(
        QStringLiteral("\\A-?(0|[1-9][0-9]*)(\\.[0-9]+)?([eE][+-]?[0-9]+)?\\z"));
    QString compact = s;
    compact.remove(QLatin1Char(' '));
    if (number.match(compact).hasMatch()) return compact.toLatin1();
    return JsonQuoted(s);
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
                const QByteArray keyHead = "    { " + JsonQuoted(RecordKey(names)) + ':';
                std::vector<QByteArray> colHeads;
                for (const QString& name : names)
                    colHeads.push_back(", " + JsonQuoted(name) + ':');
                Results->write("\"data\": [\r\n");
                qint64 rows = 0;
                bool memStop = false;
                QByteArray line;
                // Each row ends with " }"; the separator to the next row is
                // written in front of that row.
                while (rc == SQLITE_ROW) {
                    line.clear();
                    if (rows > 0) line += ",\r\n";
                    line += keyHead + QByteArray::number(rows);
                    for (int c = 0; c < cols; ++c) {
                        line += colHeads[c];
                        switch (stmt->ColumnType(c)) {
                        case SQLITE_INTEGER:
                            line += stmt->ColumnTextRAW(c);
                            break;
                        case SQLITE_FLOAT:
                            if (std::isfinite(stmt->ColumnDouble(c)))
                                line += stmt->ColumnTextRAW(c);
                            else
                                line += "null";
                            break;
                        case SQLITE_TEXT:
                            line += JsonTextValue(stmt->ColumnText(c));
                            break;
                        case SQLITE_BLOB:
                            line += JsonQuoted(
                                QString::fromUtf8(stmt->ColumnBlobText(c, bConvertBlobs)));
                            break;
                        default:
                            line += "null";
                            break;
                        }
                    }
                    line += " }";
                    Results->write(line);
                    ++rows;
                    FProgress.OpCurrent = rows;
                    FProgress.OpTarget = rows + 10240;
                    if (limit > 0 && Results->pos() > limit) {
                        memStop = true;
                        break;
                    }
                    rc = stmt->Step();
                }
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
    try {
        QBuffer buf;
        buf.open(QIODevice::WriteOnly);
        const bool ok = QueryToJSONStream(&buf, SQL, memLimit, bConvertBlobs);
        Results = QString::fromUtf8(buf.data());
        return ok;
    } catch (const std::exception&) {
        return false;
    }
}

bool TSQLite3Database::QueryToJSON(QStringList& Results, const QString& SQL, int memLimit,
                                   bool bConvertBlobs) {
    QString text;
    const bool ok = QueryToJSON(text, SQL, memLimit, bConvertBlobs);
    Results = SplitExportLines(text);
    return ok;
}

} // namespace sky
