// The CSV exporter: one statement's rows written to a byte stream as UTF-8
// text with CR LF line ends, with the list and text forms of every exporter.
#include "engine/CsvFields.h"
#include "engine/Database.h"
#include "engine/ExportText.h"
#include "engine/Operation.h"
#include "engine/Statement.h"

#include <sqlite3.h>

namespace sky {

namespace {

const QString kDatabaseBusy = QStringLiteral("Database Busy");
const QString kExceptionExecuting = QStringLiteral("Exception executing Query ");

class CsvSink : public OutputSink {
public:
    CsvSink(ExportOut& out, bool noLineBreaks, bool noHeaders, int addLineNos, bool convertBlobs)
        : OutputSink(out), FNoLineBreaks(noLineBreaks), FNoHeaders(noHeaders),
          FAddLineNos(addLineNos), FConvertBlobs(convertBlobs),
          FNullText(NullDisplayText().toUtf8()) {
        if (noLineBreaks) {
            FNullText.replace('\r', ' ');
            FNullText.replace('\n', ' ');
        }
    }

    RowsStart Start(TSQLite3Statement& stmt, bool) override {
        FCols = stmt.ColumnCount();
        if (!FNoHeaders && FCols > 0) {
            if (FAddLineNos >= 0) FBuf += "No,";
            for (int c = 0; c < FCols; ++c) {
                if (c > 0) FBuf += ',';
                const QByteArray name = stmt.ColumnName(c).toUtf8();
                AppendCsvField(FBuf, name.constData(), name.size(), false);
            }
            FBuf += "\r\n";
        }
        return RowsStart::Read;
    }

    void Row(TSQLite3Statement& stmt, qint64 index) override {
        // Locals, so that writing the text does not reload the members.
        std::string& line = FBuf;
        const int cols = FCols;
        const bool noLineBreaks = FNoLineBreaks;
        if (FAddLineNos >= 0) {
            line += std::to_string(qint64(FAddLineNos) + index);
            line += ',';
        }
        int len = 0;
        for (int c = 0; c < cols; ++c) {
            if (c > 0) line += ',';
            switch (stmt.ColumnType(c)) {
            case SQLITE_INTEGER:
            case SQLITE_FLOAT: {
                const char* p = stmt.ColumnTextNative(c, len);
                line.append(p, len);
                break;
            }
            case SQLITE_TEXT: {
                const char* p = stmt.ColumnTextNative(c, len);
                AppendCsvField(line, p, len, noLineBreaks);
                break;
            }
            case SQLITE_BLOB: {
                const QByteArray text = stmt.ColumnBlobText(c, FConvertBlobs);
                line.append(text.constData(), size_t(text.size()));
                break;
            }
            default:
                line.append(FNullText.constData(), size_t(FNullText.size()));
                break;
            }
        }
        line += "\r\n";
    }

private:
    const bool FNoLineBreaks;
    const bool FNoHeaders;
    const int FAddLineNos;
    const bool FConvertBlobs;
    QByteArray FNullText;
    int FCols = 0;
};

} // namespace

bool TSQLite3Database::QueryToCSVStream(QIODevice* Results, const QString& SQL, bool NoLineBreaks,
                                        bool NoHeaders, int memLimit, int addLineNos,
                                        bool bConvertBlobs) {
    OperationGuard op(*this, kDatabaseBusy, kExceptionExecuting);
    if (!op.Admitted() || SQL.isEmpty() || !Results) return false;
    op.Begin();
    return op.Run([&] {
        ExportOut out(Results);
        CsvSink sink(out, NoLineBreaks, NoHeaders, addLineNos, bConvertBlobs);
        return ReadRows(SQL, ReadLimit(memLimit), SizeStop::AtOrBeyond, sink);
    });
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
