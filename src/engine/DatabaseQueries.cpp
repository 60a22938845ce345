// Single-result queries: one column, one value, one record.
#include "engine/Database.h"

#include "engine/CsvFields.h"
#include "engine/Operation.h"
#include "engine/Statement.h"
#include "support/TextUtil.h"

#include <QBuffer>
#include <sqlite3.h>

namespace sky {

namespace {
const QString kDatabaseBusy = QStringLiteral("Database Busy");
const QString kExceptionExecuting = QStringLiteral("Exception executing Query ");

// The first column of every row as text (NULL as empty text, blobs always as
// hex); the size counts two bytes a character.
class ColumnSink : public RowSink {
public:
    ColumnSink(QStringList& values, TSQliteQueryStats& stats) : FValues(values), FStats(stats) {}

    RowsStart Start(TSQLite3Statement&, bool) override { return RowsStart::Read; }

    void Row(TSQLite3Statement& stmt, qint64) override {
        QString line;
        switch (stmt.ColumnType(0)) {
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
        case SQLITE_TEXT:
            line = stmt.ColumnText(0);
            break;
        case SQLITE_BLOB:
            line = QString::fromLatin1(stmt.ColumnBlobText(0, true));
            break;
        default:
            break;
        }
        FSize += 2 * line.size();
        FValues.append(line);
    }

    qint64 Size() const override { return FSize; }

    bool End(const RowsRead& r) override {
        // The column count is kept only for a result with rows.
        if (r.rows == 0) FStats.totResultCols = 0;
        return r.Complete();
    }

private:
    QStringList& FValues;
    TSQliteQueryStats& FStats;
    qint64 FSize = 0;
};
} // namespace

// ---------------------------------------------------------------------------
// Single-result queries

bool TSQLite3Database::QuerySingleColumn(QStringList& ColValues, const QString& SQL, int memLimit,
                                         bool /*bConvertBlobs*/) {
    OperationGuard op(*this, kDatabaseBusy, kExceptionExecuting);
    if (!op.Admitted() || SQL.isEmpty()) return false;
    op.Begin();
    return op.Run([&] {
        ColValues.clear();
        ColumnSink sink(ColValues, FStats);
        return ReadRows(SQL, ReadLimit(memLimit), SizeStop::AtOrBeyond, sink);
    });
}

bool TSQLite3Database::QuerySingleColumn(QStringList& ColValues, const QString& refTable,
                                         const QString& refColumn, const QString& whereClause,
                                         int memLimit, bool bConvertBlobs) {
    QString col = refColumn;
    col.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QuerySingleColumn(ColValues,
                             QStringLiteral("SELECT \"") + col + QStringLiteral("\" FROM ") +
                                 refTable + QStringLiteral(" WHERE ") + whereClause +
                                 QStringLiteral(";"),
                             memLimit, bConvertBlobs);
}

bool TSQLite3Database::QuerySingleValue(QString& SingleValueResult, const QString& SQL) {
    QStringList values;
    const bool ok = QuerySingleColumn(values, SQL, 1, false);
    QString text;
    for (const QString& v : values)
        text += v + QStringLiteral("\r\n");
    SingleValueResult = TrimText(text);
    return ok;
}

bool TSQLite3Database::QuerySingleRecord(QStringList& RowValues, const QString& SQL,
                                         bool bConvertBlobs) {
    DispatchUpdates();
    try {
        QBuffer buf;
        buf.open(QIODevice::WriteOnly);
        const bool ok = QueryToCSVStream(&buf, SQL, true, true, 1, -1, bConvertBlobs);
        const QByteArray& data = buf.data();
        qsizetype end = data.indexOf("\r\n");
        if (end < 0) end = data.size();
        RowValues.clear();
        if (end > 0)
            SplitCSVFields(QString::fromUtf8(data.constData(), end), RowValues, QLatin1Char(','));
        return ok;
    } catch (const std::exception&) {
        return false;
    }
}

bool TSQLite3Database::QuerySingleRecProps(QStringList& Properties, const QString& SQL,
                                           bool UpCasePropertyNames, bool bConvertBlobs) {
    DispatchUpdates();
    try {
        QBuffer buf;
        buf.open(QIODevice::WriteOnly);
        const bool ok = QueryToCSVStream(&buf, SQL, true, false, 1, -1, bConvertBlobs);
        const QList<QByteArray> lines = buf.data().split('\n');
        Properties.clear();
        if (lines.size() >= 2) {
            auto lineText = [](const QByteArray& l) {
                return QString::fromUtf8(l.endsWith('\r') ? l.left(l.size() - 1) : l);
            };
            QStringList values;
            SplitCSVFields(lineText(lines[0]), Properties, QLatin1Char(','));
            SplitCSVFields(lineText(lines[1]), values, QLatin1Char(','));
            if (values.size() >= Properties.size()) {
                for (qsizetype i = 0; i < Properties.size(); ++i) {
                    QString name = TrimText(Properties[i]);
                    if (UpCasePropertyNames) name = name.toUpper();
                    Properties[i] = name + QLatin1Char('=') + TrimText(values[i]);
                }
            }
        }
        return ok;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace sky
