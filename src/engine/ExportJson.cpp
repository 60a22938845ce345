// The JSON exporter: a query's rows as a "data" array of objects followed by
// a "results" summary, written row by row as UTF-8 with CR LF line ends.
#include "engine/Database.h"
#include "engine/ExportText.h"
#include "engine/Operation.h"
#include "engine/Statement.h"
#include "support/JsonText.h"

#include <cmath>
#include <sqlite3.h>

namespace sky {

namespace {

const QString kDatabaseBusy = QStringLiteral("Database Busy");
const QString kExceptionReading = QStringLiteral("Exception reading Query ");
const QString kQueryError = QStringLiteral("Database Query Error: ");
const QString kRecordKey = QStringLiteral("Record_No");
const QByteArray kEmptyHead = QByteArrayLiteral("\r\n  \"data\": [ ], \"results\": {\"records\":0, "
                                                "\"fields\":0, \"error\":");

std::string JsonQuoted(QStringView s) {
    const QByteArray utf8 = s.toUtf8();
    std::string r;
    AppendJsonString(r, utf8.constData(), utf8.size());
    return r;
}

void Append(std::string& out, const QByteArray& bytes) {
    out.append(bytes.constData(), size_t(bytes.size()));
}

// "Record_No", or Record_No2, 3, ... until no column has that name.
QString RecordKey(const QStringList& names) {
    QString key = kRecordKey;
    for (int n = 2; names.contains(key, Qt::CaseInsensitive); ++n)
        key = kRecordKey + QString::number(n);
    return key;
}

class JsonSink : public OutputSink {
public:
    JsonSink(ExportOut& out, const TSQLite3Database& db, bool convertBlobs)
        : OutputSink(out), FDb(db), FConvertBlobs(convertBlobs) {}

    RowsStart Start(TSQLite3Statement& stmt, bool hasRow) override {
        if (!hasRow) return RowsStart::Finished;
        QStringList names;
        for (int c = 0; c < stmt.ColumnCount(); ++c)
            names << stmt.ColumnName(c);
        FKeyHead = "    { " + JsonQuoted(RecordKey(names)) + ':';
        for (const QString& name : names)
            FColHeads.push_back(", " + JsonQuoted(name) + ':');
        FBuf += "\"data\": [\r\n";
        return RowsStart::Read;
    }

    // Each row ends with " }"; the separator to the next row is written in
    // front of that row.
    void Row(TSQLite3Statement& stmt, qint64 index) override {
        std::string& line = FBuf;
        if (index > 0) line += ",\r\n";
        line += FKeyHead;
        line += std::to_string(index);
        int len = 0;
        for (int c = 0; c < int(FColHeads.size()); ++c) {
            line += FColHeads[size_t(c)];
            switch (stmt.ColumnType(c)) {
            case SQLITE_INTEGER: {
                const char* p = stmt.ColumnTextNative(c, len);
                line.append(p, len);
                break;
            }
            case SQLITE_FLOAT:
                if (std::isfinite(stmt.ColumnDouble(c))) {
                    const char* p = stmt.ColumnTextNative(c, len);
                    line.append(p, len);
                } else {
                    line += "null";
                }
                break;
            case SQLITE_TEXT: {
                const char* p = stmt.ColumnTextNative(c, len);
                AppendJsonText(line, p, len);
                break;
            }
            case SQLITE_BLOB: {
                const QByteArray text = stmt.ColumnBlobText(c, FConvertBlobs);
                AppendJsonString(line, text.constData(), text.size());
                break;
            }
            default:
                line += "null";
                break;
            }
        }
        line += " }";
    }

    bool End(const RowsRead& r) override {
        bool ok = r.Complete();
        switch (r.end) {
        case RowsEnd::NoStatement:
        case RowsEnd::FirstStepFailed:
        case RowsEnd::Refused:
            Append(FBuf, kEmptyHead);
            FBuf += JsonQuoted(QString(kQueryError + FDb.LastError())) + " }\r\n";
            ok = false;
            break;
        case RowsEnd::Finished:
            Append(FBuf, kEmptyHead);
            FBuf += "false }\r\n";
            break;
        default:
            FBuf += "\r\n  ],\r\n  \"results\": {\"records\":" + std::to_string(r.rows) +
                    ", \"fields\":" + std::to_string(r.cols) + ", \"error\":";
            FBuf += ok ? std::string("false") : JsonQuoted(QString(kQueryError + FDb.LastError()));
            FBuf += " }\r\n";
            break;
        }
        FBuf += "}\r\n";
        return ok;
    }

    // After an exception: the error as the result, and the object closed.
    void ExceptionEnd() {
        Append(FBuf, kEmptyHead);
        FBuf += JsonQuoted(FDb.LastError()) + " }\r\n}\r\n";
        FOut.Flush();
    }

private:
    const TSQLite3Database& FDb;
    const bool FConvertBlobs;
    std::string FKeyHead;
    std::vector<std::string> FColHeads;
};

} // namespace

bool TSQLite3Database::QueryToJSONStream(QIODevice* Results, const QString& SQL, int memLimit,
                                         bool bConvertBlobs) {
    OperationGuard op(*this, kDatabaseBusy, kExceptionReading);
    if (!op.Admitted() || SQL.isEmpty() || !Results) return false;
    op.Begin();
    ExportOut out(Results);
    JsonSink sink(out, *this, bConvertBlobs);
    return op.Run(
        [&] {
            ClearError();
            out.Buf() += "{ ";
            return ReadRows(SQL, ReadLimit(memLimit), SizeStop::Beyond, sink);
        },
        [&] { sink.ExceptionEnd(); });
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
