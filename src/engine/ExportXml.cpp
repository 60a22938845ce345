// The XML exporter: a query's rows as <record> elements inside <data>,
// followed by a <results> summary, written row by row as UTF-8 with CR LF
// line ends.
#include "engine/Database.h"
#include "engine/ExportText.h"
#include "engine/Statement.h"
#include "support/TextUtil.h"
#include "support/XmlText.h"

#include <QBuffer>
#include <sqlite3.h>

namespace sky {

namespace {

QByteArray ResultsBlock(qint64 rows, int cols, const QString& error) {
    return "  <results>\r\n    <records>" + QByteArray::number(rows) +
           "</records>\r\n    <fields> " + QByteArray::number(cols) + "</fields>\r\n    <error>" +
           XMLEscape(error).toUtf8() + "</error>\r\n  </results>\r\n";
}

QString QueryError(const QString& lastError) {
    return QStringLiteral("Database Query Error: ") + lastError;
}

} // namespace

bool TSQLite3Database::QueryToXMLStream(QIODevice* Results, const QString& SQL, int memLimit,
                                        bool bConvertBlobs) {
    DispatchUpdates();
    if (IsBusy()) {
        FLastErr = QStringLiteral("Database Busy");
        return false;
    }
    if (SQL.isEmpty() || !Results) return false;
    const qint64 limit = memLimit < 0 ? kDefaultMemLimit : memLimit;
    // The NULL text is user-chosen, so it is escaped like any other text.
    const QByteArray nullText = XMLEscape(NullDisplayText()).toUtf8();
    bool ok = false;
    Lock();
    try {
        ClearError();
        Results->write("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<data>\r\n");
        FProgress.AllowProgress = 1;
        StatsBegin();
        std::unique_ptr<TSQLite3Statement> stmt = Prepare(SQL);
        StatsPrepared(stmt.get());
        if (!stmt) {
            Results->write(ResultsBlock(0, 0, QueryError(FLastErr)));
        } else {
            int rc = stmt->Step();
            const int cols = stmt->ColumnCount();
            FStats.totResultCols = cols;
            if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
                CheckResult(rc);
                Results->write(ResultsBlock(0, 0, QueryError(FLastErr)));
            } else if (rc == SQLITE_DONE || cols == 0) {
                Results->write(ResultsBlock(0, 0, QString()));
                ok = true;
            } else {
                std::vector<std::string> open, close;
                for (int c = 0; c < cols; ++c) {
                    const std::string name = XmlElementName(stmt->ColumnName(c)).toStdString();
                    open.push_back("    <" + name + '>');
                    close.push_back("</" + name + ">\r\n");
                }
                qint64 rows = 0;
                bool memStop = false;
                ExportOut out(Results);
                std::string& rec = out.Buf();
                int len = 0;
                while (rc == SQLITE_ROW) {
                    rec += "  <record idx=\"";
                    rec += std::to_string(rows);
                    rec += "\">\r\n";
                    for (int c = 0; c < cols; ++c) {
                        rec += open[c];
                        switch (stmt->ColumnType(c)) {
                        case SQLITE_INTEGER:
                        case SQLITE_FLOAT: {
                            const char* p = stmt->ColumnTextNative(c, len);
                            rec.append(p, len);
                            break;
                        }
                        case SQLITE_TEXT: {
                            const char* p = stmt->ColumnTextNative(c, len);
                            AppendXmlEscaped(rec, p, len);
                            break;
                        }
                        case SQLITE_BLOB: {
                            const QByteArray text = stmt->ColumnBlobText(c, bConvertBlobs);
                            AppendXmlEscaped(rec, text.constData(), text.size());
                            break;
                        }
                        default:
                            rec.append(nullText.constData(), size_t(nullText.size()));
                            break;
                        }
                        rec += close[c];
                    }
                    rec += "  </record>\r\n";
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
                if (!ok) CheckResult(rc);
                Results->write(ResultsBlock(rows, cols, ok ? QString() : QueryError(FLastErr)));
                if (!written) {
                    SetError(out.ErrorText());
                    ok = false;
                }
            }
        }
        StatsEnd();
        stmt.reset();
        Results->write("</data>\r\n");
    } catch (const std::exception& e) {
        FLastErr = QStringLiteral("Exception reading Query ") + ExceptionText(e);
        Results->write(ResultsBlock(0, 0, FLastErr) + "</data>\r\n");
        ok = false;
    } catch (...) {
        FLastErr = QStringLiteral("Exception reading Query ") + UnknownExceptionText();
        Results->write(ResultsBlock(0, 0, FLastErr) + "</data>\r\n");
        ok = false;
    }
    Unlock();
    return ok;
}

bool TSQLite3Database::QueryToXML(QString& Results, const QString& SQL, int memLimit,
                                  bool bConvertBlobs) {
    return ExportToText(
        Results, [&](QIODevice* d) { return QueryToXMLStream(d, SQL, memLimit, bConvertBlobs); });
}

bool TSQLite3Database::QueryToXML(QStringList& Results, const QString& SQL, int memLimit,
                                  bool bConvertBlobs) {
    return ExportToList(
        Results, [&](QIODevice* d) { return QueryToXMLStream(d, SQL, memLimit, bConvertBlobs); });
}

} // namespace sky
