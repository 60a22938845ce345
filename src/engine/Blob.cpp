// Whole-cell blob copies between a table cell and a byte stream, in chunks,
// through the engine's incremental blob interface.
#include "engine/Database.h"
#include "engine/Statement.h"
#include "support/TextUtil.h"

#include <algorithm>
#include <limits>
#include <sqlite3.h>
#include <vector>

namespace sky {

namespace {
constexpr int kBlobChunk = 32768;

QString QuoteName(const QString& name) {
    QString q = name;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

// The blob interface takes the bare table name; callers hand the name as it
// stands in SQL, possibly quoted.
QString UnquoteForBlob(const QString& name) {
    const QString t = TrimText(name);
    if (t.size() < 2) return t;
    const QChar open = t.front(), close = t.back();
    if (open == QLatin1Char('[') && close == QLatin1Char(']')) return t.mid(1, t.size() - 2);
    if ((open == QLatin1Char('"') || open == QLatin1Char('`') || open == QLatin1Char('\'')) &&
        close == open) {
        QString inner = t.mid(1, t.size() - 2);
        inner.replace(QString(2, open), QString(open));
        return inner;
    }
    return t;
}
} // namespace

std::unique_ptr<TSQLite3BlobHandler> TSQLite3Database::BlobOpen(const QString& DB,
                                                                const QString& Table,
                                                                const QString& Column, qint64 RowID,
                                                                bool WriteAccess) {
    return std::make_unique<TSQLite3BlobHandler>(this, DB, Table, Column, RowID, WriteAccess);
}

// The row id of the row whose IDField equals RecIDVal, or -1 (with LastError
// set) when the lookup fails or finds no row.
qint64 TSQLite3Database::LookupBlobRowId(const QString& Table, const QString& IDField,
                                         const QString& RecIDVal) {
    std::unique_ptr<TSQLite3Statement> stmt =
        Prepare(QStringLiteral("SELECT rowid FROM ") + Table + QStringLiteral(" WHERE ") +
                QuoteName(IDField) + QStringLiteral("=? LIMIT 1;"));
    if (!stmt) {
        if (FLastErr.isEmpty()) SetError(QStringLiteral("Empty Query"));
        return -1;
    }
    stmt->BindText(1, RecIDVal);
    if (!stmt->LastBindOk()) return -1;
    const int rc = stmt->Step();
    if (rc == SQLITE_DONE) {
        SetError(QStringLiteral("No row found where ") + IDField + QStringLiteral("=") + RecIDVal);
        return -1;
    }
    if (rc != SQLITE_ROW) {
        CheckResult(rc);
        return -1;
    }
    if (stmt->ColumnType(0) != SQLITE_INTEGER) {
        SetError(QStringLiteral("No row found where ") + IDField + QStringLiteral("=") + RecIDVal);
        return -1;
    }
    return stmt->ColumnInt64(0);
}

bool TSQLite3Database::BlobRead(const QString& DB, const QString& Table, const QString& BlobField,
                                const QString& IDField, const QString& RecIDVal,
                                QIODevice* BlobStream) {
    if (IsBusy()) {
        FLastErr = QStringLiteral("Database busy");
        return false;
    }
    if (!BlobStream) return false;
    try {
        const qint64 rowId = LookupBlobRowId(Table, IDField, RecIDVal);
        if (rowId < 0) return false;
        std::unique_ptr<TSQLite3BlobHandler> blob =
            BlobOpen(DB, UnquoteForBlob(Table), BlobField, rowId, false);
        if (!blob->Handle()) return false;
        BlobStream->seek(0);
        const int size = blob->Bytes();
        std::vector<char> buffer(kBlobChunk);
        int pos = 0;
        while (pos < size) {
            const int n = std::min(kBlobChunk, size - pos);
            if (!blob->Read(buffer.data(), n, pos)) break;
            if (BlobStream->write(buffer.data(), n) != n) {
                SetError(QStringLiteral("Exception reading BLOB (QIODevice): ") +
                         BlobStream->errorString());
                break;
            }
            pos += n;
        }
        return pos == size;
    } catch (const std::exception& e) {
        if (FLastErr.isEmpty())
            FLastErr = QStringLiteral("Exception reading BLOB ") + ExceptionText(e);
        return false;
    }
}

bool TSQLite3Database::BlobWrite(const QString& DB, const QString& Table, const QString& BlobField,
                                 const QString& IDField, const QString& RecIDVal,
                                 QIODevice* BlobStream) {
    if (IsBusy()) {
        FLastErr = QStringLiteral("Database Busy");
        return false;
    }
    FLastErr.clear();
    if (!BlobStream) return false;
    try {
        const qint64 rowId = LookupBlobRowId(Table, IDField, RecIDVal);
        const qint64 size = BlobStream->size();
        if (rowId < 0 || size <= 0) return false;
        if (size > std::numeric_limits<int>::max()) {
            SetError(QStringLiteral("DB Error: string or blob too big"));
            return false;
        }
        // Resize and fill as one unit: a failure part-way restores the old cell.
        if (!ExecSQL(QStringLiteral("SAVEPOINT skylark_blob_write;"))) return false;
        bool ok = ExecSQL(QStringLiteral("UPDATE ") + Table + QStringLiteral(" SET ") +
                          QuoteName(BlobField) + QStringLiteral("=zeroblob(") +
                          QString::number(size) + QStringLiteral(") WHERE rowid=") +
                          QString::number(rowId) + QStringLiteral(";"));
        if (ok) {
            std::unique_ptr<TSQLite3BlobHandler> blob =
                BlobOpen(DB, UnquoteForBlob(Table), BlobField, rowId, true);
            ok = blob->Handle() != nullptr;
            BlobStream->seek(0);
            std::vector<char> buffer(kBlobChunk);
            int pos = 0;
            while (ok && pos < size) {
                const int n = int(std::min<qint64>(kBlobChunk, size - pos));
                if (BlobStream->read(buffer.data(), n) != n) {
                    SetError(QStringLiteral("Exception writing BLOB (QIODevice): ") +
                             BlobStream->errorString());
                    ok = false;
                    break;
                }
                ok = blob->Write(buffer.data(), n, pos);
                pos += n;
            }
        }
        if (!ok) {
            const QString kept = FLastErr;
            ExecSQL(QStringLiteral("ROLLBACK TO skylark_blob_write;"));
            ExecSQL(QStringLiteral("RELEASE skylark_blob_write;"));
            FLastErr = kept;
            return false;
        }
        return ExecSQL(QStringLiteral("RELEASE skylark_blob_write;"));
    } catch (const std::exception& e) {
        if (FLastErr.isEmpty())
            FLastErr = QStringLiteral("Exception writing BLOB ") + ExceptionText(e);
        return false;
    }
}

} // namespace sky
