// The XML exporter: a query's rows as <record> elements inside <data>,
// followed by a <results> summary, written row by row as UTF-8 with CR LF
// line ends.
#include "engine/Database.h"
#include "engine/ExportText.h"
#include "engine/Operation.h"
#include "engine/Statement.h"
#include "support/XmlText.h"

#include <sqlite3.h>

namespace sky {

namespace {

const QString kDatabaseBusy = QStringLiteral("Database Busy");
const QString kExceptionReading = QStringLiteral("Exception reading Query ");
const QString kQueryError = QStringLiteral("Database Query Error: ");

std::string ResultsBlock(qint64 rows, int cols, const QString& error) {
    return "  <results>\r\n    <records>" + std::to_string(rows) + "</records>\r\n    <fields> " +
           std::to_string(cols) + "</fields>\r\n    <error>" + XMLEscape(error).toStdString() +
           "</error>\r\n  </results>\r\n";
}

class XmlSink : public OutputSink {
public:
    XmlSink(ExportOut& out, const TSQLite3Database& db, bool convertBlobs)
        : OutputSink(out), FDb(db), FConvertBlobs(convertBlobs),
          // The NULL text is user-chosen, so it is escaped like any other text.
          FNullText(XMLEscape(NullDisplayText()).toStdString()) {}

    RowsStart Start(TSQLite3Statement& stmt, bool hasRow) override {
        if (!hasRow) return RowsStart::Finished;
        for (int c = 0; c < stmt.ColumnCount(); ++c) {
            const std::string name = XmlElementName(stmt.ColumnName(c)).toStdString();
            FOpen.push_back("    <" + name + '>');
            FClose.push_back("</" + name + ">\r\n");
        }
        return RowsStart::Read;
    }

    void Row(TSQLite3Statement& stmt, qint64 index) override {
        std::string& rec = FBuf;
        rec += "  <record idx=\"";
        rec += std::to_string(index);
        rec += "\">\r\n";
        int len = 0;
        for (int c = 0; c < int(FOpen.size()); ++c) {
            rec += FOpen[size_t(c)];
            switch (stmt.ColumnType(c)) {
            case SQLITE_INTEGER:
            case SQLITE_FLOAT: {
                const char* p = stmt.ColumnTextNative(c, len);
                rec.append(p, len);
                break;
            }
            case SQLITE_TEXT: {
                const char* p = stmt.ColumnTextNative(c, len);
                AppendXmlEscaped(rec, p, len);
                break;
            }
            case SQLITE_BLOB: {
                const QByteArray text = stmt.ColumnBlobText(c, FConvertBlobs);
                AppendXmlEscaped(rec, text.constData(), text.size());
                break;
            }
            default:
                rec += FNullText;
                break;
            }
            rec += FClose[size_t(c)];
        }
        rec += "  </record>\r\n";
    }

    bool End(const RowsRead& r) override {
        bool ok = r.Complete();
        switch (r.end) {
        case RowsEnd::NoStatement:
        case RowsEnd::FirstStepFailed:
        case RowsEnd::Refused:
            FBuf += ResultsBlock(0, 0, kQueryError + FDb.LastError());
            ok = false;
            break;
        case RowsEnd::Finished:
            FBuf += ResultsBlock(0, 0, QString());
            break;
        default:
            FBuf += ResultsBlock(r.rows, r.cols, ok ? QString() : kQueryError + FDb.LastError());
            break;
        }
        FBuf += "</data>\r\n";
        return ok;
    }

    // After an exception: the error as the result, and the document closed.
    void ExceptionEnd() {
        FBuf += ResultsBlock(0, 0, FDb.LastError()) + "</data>\r\n";
        FOut.Flush();
    }

private:
    const TSQLite3Database& FDb;
    const bool FConvertBlobs;
    const std::string FNullText;
    std::vector<std::string> FOpen, FClose;
};

} // namespace

bool TSQLite3Database::QueryToXMLStream(QIODevice* Results, const QString& SQL, int memLimit,
                                        bool bConvertBlobs) {
    OperationGuard op(*this, kDatabaseBusy, kExceptionReading);
    if (!op.Admitted() || SQL.isEmpty() || !Results) return false;
    op.Begin();
    ExportOut out(Results);
    XmlSink sink(out, *this, bConvertBlobs);
    return op.Run(
        [&] {
            ClearError();
            out.Buf() += "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<data>\r\n";
            return ReadRows(SQL, ReadLimit(memLimit), SizeStop::Beyond, sink);
        },
        [&] { sink.ExceptionEnd(); });
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
