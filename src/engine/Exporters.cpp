// Query result exporters: one statement's rows written to a byte stream as
// UTF-8 text with CR LF line ends.
#include "engine/CsvFields.h"
#include "engine/Database.h"
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
    const QByteArray nullText = NullDisplayText().toUtf8();
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
                QByteArray line;
                if (!NoHeaders && cols > 0) {
                    if (addLineNos >= 0) line += "No,";
                    for (int c = 0; c < cols; ++c) {
                        if (c > 0) line += ',';
                        line += CSVQuote(stmt->ColumnName(c).toUtf8());
                    }
                    line += "\r\n";
                    Results->write(line);
                }
                qint64 rows = 0;
                bool memStop = false;
                while (rc == SQLITE_ROW && cols > 0) {
                    line.clear();
                    if (addLineNos >= 0)
                        line += QByteArray::number(qint64(addLineNos) + rows) + ',';
                    for (int c = 0; c < cols; ++c) {
                        if (c > 0) line += ',';
                        QByteArray field;
                        switch (stmt->ColumnType(c)) {
                        case SQLITE_INTEGER:
                        case SQLITE_FLOAT:
                            field = stmt->ColumnTextRAW(c);
                            break;
                        case SQLITE_TEXT:
                            field = CSVQuote(stmt->ColumnTextRAW(c));
                            break;
                        case SQLITE_BLOB:
                            field = stmt->ColumnBlobText(c, bConvertBlobs);
                            break;
                        default:
                            field = nullText;
                            break;
                        }
                        if (NoLineBreaks) {
                            field.replace('\r', ' ');
                            field.replace('\n', ' ');
                        }
                        line += field;
                    }
                    line += "\r\n";
                    Results->write(line);
                    ++rows;
                    FProgress.OpCurrent = rows;
                    FProgress.OpTarget = rows + 10240;
                    if (limit > 0 && Results->pos() >= limit) {
                        memStop = true;
                        break;
                    }
                    rc = stmt->Step();
                }
                FStats.totResultRows = rows;
                ok = memStop || rc == SQLITE_DONE || (cols == 0 && rc == SQLITE_ROW) ||
                     CheckResult(rc);
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
    try {
        QBuffer buf;
        buf.open(QIODevice::WriteOnly);
        const bool ok = QueryToCSVStream(&buf, SQL, NoLineBreaks, NoHeaders, memLimit, addLineNos,
                                         bConvertBlobs);
        Results = QString::fromUtf8(buf.data());
        return ok;
    } catch (const std::exception&) {
        return false;
    }
}

bool TSQLite3Database::QueryToCSV(QStringList& Results, const QString& SQL, bool NoLineBreaks,
                                  bool NoHeaders, int memLimit, int addLineNos,
                                  bool bConvertBlobs) {
    QString text;
    const bool ok =
        QueryToCSV(text, SQL, NoLineBreaks, NoHeaders, memLimit, addLineNos, bConvertBlobs);
    Results = SplitExportLines(text);
    return ok;
}

QStringList SplitExportLines(const QString& text) {
    if (text.isEmpty()) return {};
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

} // namespace sky
