#include "engine/Statement.h"

#include "engine/Database.h"
#include "engine/SystemLog.h"
#include "support/TextUtil.h"

#include <limits>
#include <sqlite3.h>

namespace sky {

namespace {
const QString kDatabaseBusy = QStringLiteral("Database Busy");
const QString kNoOpenDatabase = QStringLiteral("No valid open Database...");
const QString kPrepareWithoutDatabase =
    QStringLiteral("Attempted to Prepare a Query while no valid Database is active. (");
} // namespace

// ---------------------------------------------------------------------------
// TSQLite3Statement

TSQLite3Statement::TSQLite3Statement(TSQLite3Database* OwnerDatabase, const QString& SQL)
    : FOwnerDatabase(OwnerDatabase) {
    Prepare(SQL.toUtf8(), SQL);
}

TSQLite3Statement::TSQLite3Statement(TSQLite3Database* OwnerDatabase, const QByteArray& SQLUtf8)
    : FOwnerDatabase(OwnerDatabase) {
    Prepare(SQLUtf8, QString::fromUtf8(SQLUtf8));
}

void TSQLite3Statement::Prepare(const QByteArray& utf8, const QString& text) {
    TSQLite3Database* db = FOwnerDatabase;
    db->SetLastQuery(text);
    if (db->IsOpen() && db->FEngineDepth == 0) {
        int rc;
        {
            EngineCall call(db);
            rc = sqlite3_prepare_v2(db->FHandle, utf8.constData(), int(utf8.size()), &FHandle,
                                    nullptr);
        }
        if (rc != SQLITE_OK) {
            sqlite3_finalize(FHandle);
            FHandle = nullptr;
        }
        db->CheckResult(rc);
    } else if (db->IsOpen()) {
        // Preparing from inside a running statement would re-enter the engine.
        db->FLastErr = kDatabaseBusy;
    } else {
        db->FLastErr = kNoOpenDatabase;
        WriteLog(TLogKind::Application, kPrepareWithoutDatabase + text + QStringLiteral(")"));
    }
    db->FStatementList.push_back(this);
}

TSQLite3Statement::~TSQLite3Statement() {
    if (FOwnerDatabase) {
        FOwnerDatabase->StatsHarvest(this);
        FOwnerDatabase->RemoveStatement(this);
    }
    if (FHandle) sqlite3_finalize(FHandle);
}

void TSQLite3Statement::Detach() {
    if (FOwnerDatabase) {
        FOwnerDatabase->StatsHarvest(this);
        FOwnerDatabase->RemoveStatement(this);
    }
    FOwnerDatabase = nullptr;
    if (FHandle) sqlite3_finalize(FHandle);
    FHandle = nullptr;
}

void TSQLite3Statement::Bound(int rc) {
    FLastBindOk = rc == SQLITE_OK;
    if (!FLastBindOk && FOwnerDatabase) FOwnerDatabase->CheckResult(rc);
}

void TSQLite3Statement::BindInt(int i, qint32 v) {
    Bound(FHandle ? sqlite3_bind_int(FHandle, i, v) : SQLITE_MISUSE);
}
void TSQLite3Statement::BindInt64(int i, qint64 v) {
    Bound(FHandle ? sqlite3_bind_int64(FHandle, i, v) : SQLITE_MISUSE);
}
void TSQLite3Statement::BindDouble(int i, double v) {
    Bound(FHandle ? sqlite3_bind_double(FHandle, i, v) : SQLITE_MISUSE);
}
void TSQLite3Statement::BindText(int i, const QString& v) {
    const QByteArray utf8 = v.toUtf8();
    Bound(FHandle
              ? sqlite3_bind_text(FHandle, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT)
              : SQLITE_MISUSE);
}
void TSQLite3Statement::BindTextW(int i, const QString& v) {
    Bound(FHandle ? sqlite3_bind_text16(FHandle, i, v.utf16(), int(v.size() * 2), SQLITE_TRANSIENT)
                  : SQLITE_MISUSE);
}
void TSQLite3Statement::BindNull(int i) {
    Bound(FHandle ? sqlite3_bind_null(FHandle, i) : SQLITE_MISUSE);
}
void TSQLite3Statement::BindBlob(int i, const void* data, int size) {
    Bound(FHandle ? sqlite3_bind_blob(FHandle, i, data, size, SQLITE_TRANSIENT) : SQLITE_MISUSE);
}
void TSQLite3Statement::BindZeroBlob(int i, int size) {
    Bound(FHandle ? sqlite3_bind_zeroblob(FHandle, i, size) : SQLITE_MISUSE);
}

int TSQLite3Statement::ParamIndex(const QString& ParamName) const {
    if (!FHandle) return 0;
    return sqlite3_bind_parameter_index(FHandle, ParamName.toUtf8().constData());
}

void TSQLite3Statement::BindInt(const QString& n, qint32 v) {
    BindInt(ParamIndex(n), v);
}
void TSQLite3Statement::BindInt64(const QString& n, qint64 v) {
    BindInt64(ParamIndex(n), v);
}
void TSQLite3Statement::BindDouble(const QString& n, double v) {
    BindDouble(ParamIndex(n), v);
}
void TSQLite3Statement::BindText(const QString& n, const QString& v) {
    BindText(ParamIndex(n), v);
}
void TSQLite3Statement::BindTextW(const QString& n, const QString& v) {
    BindTextW(ParamIndex(n), v);
}
void TSQLite3Statement::BindNull(const QString& n) {
    BindNull(ParamIndex(n));
}
void TSQLite3Statement::BindBlob(const QString& n, const void* d, int s) {
    BindBlob(ParamIndex(n), d, s);
}
void TSQLite3Statement::BindZeroBlob(const QString& n, int s) {
    BindZeroBlob(ParamIndex(n), s);
}

void TSQLite3Statement::ClearBindings() {
    Bound(FHandle ? sqlite3_clear_bindings(FHandle) : SQLITE_MISUSE);
}

int TSQLite3Statement::ColumnCount() const {
    return FHandle ? sqlite3_column_count(FHandle) : 0;
}

QString TSQLite3Statement::ColumnName(int i) const {
    if (!FHandle) return QString();
    return QString::fromUtf8(sqlite3_column_name(FHandle, i));
}

int TSQLite3Statement::ColumnType(int i) const {
    return FHandle ? sqlite3_column_type(FHandle, i) : SQLITE_NULL;
}
qint32 TSQLite3Statement::ColumnInt(int i) const {
    return FHandle ? sqlite3_column_int(FHandle, i) : 0;
}
qint64 TSQLite3Statement::ColumnInt64(int i) const {
    return FHandle ? sqlite3_column_int64(FHandle, i) : 0;
}
double TSQLite3Statement::ColumnDouble(int i) const {
    return FHandle ? sqlite3_column_double(FHandle, i) : 0.0;
}

QString TSQLite3Statement::ColumnText(int i) const {
    if (!FHandle) return QString();
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(FHandle, i));
    const int n = sqlite3_column_bytes(FHandle, i);
    return n > 0 && p ? QString::fromUtf8(p, n) : QString();
}

QByteArray TSQLite3Statement::ColumnTextRAW(int i) const {
    int n = 0;
    const char* p = ColumnTextNative(i, n);
    return n > 0 && p ? QByteArray(p, n) : QByteArray();
}

const char* TSQLite3Statement::ColumnTextNative(int i, int& lenText) const {
    lenText = 0;
    if (!FHandle) return nullptr;
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(FHandle, i));
    lenText = sqlite3_column_bytes(FHandle, i);
    return p;
}

const void* TSQLite3Statement::ColumnBlob(int i) const {
    return FHandle ? sqlite3_column_blob(FHandle, i) : nullptr;
}
int TSQLite3Statement::ColumnBytes(int i) const {
    return FHandle ? sqlite3_column_bytes(FHandle, i) : 0;
}

QByteArray BlobToHexText(const void* data, qint64 n) {
    if (n < 1 || !data) return QByteArray();
    if (2 * n + 2 > std::numeric_limits<qint32>::max())
        return QByteArrayLiteral("** BLOB-to-text conversion failed: BLOB length > 32-Bit max **");
    static const char digits[] = "0123456789ABCDEF";
    QByteArray r(qsizetype(2 * n + 2), Qt::Uninitialized);
    char* out = r.data();
    *out++ = '0';
    *out++ = 'x';
    const auto* in = static_cast<const unsigned char*>(data);
    for (qint64 k = 0; k < n; ++k) {
        *out++ = digits[in[k] >> 4];
        *out++ = digits[in[k] & 15];
    }
    return r;
}

QByteArray TSQLite3Statement::ColumnBlobText(int i, bool bConvertBlobs) const {
    if (!bConvertBlobs) return QByteArrayLiteral("[Blob]");
    try {
        const void* p = ColumnBlob(i);
        return BlobToHexText(p, ColumnBytes(i));
    } catch (const std::exception& e) {
        return (QStringLiteral("** BLOB-to-text convert Exception ") + ExceptionText(e) +
                QStringLiteral(" **"))
            .toUtf8();
    }
}

int TSQLite3Statement::Step() {
    if (!FHandle || !FOwnerDatabase) return SQLITE_MISUSE;
    if (FOwnerDatabase->FEngineDepth > 0)
        return SQLITE_MISUSE; // re-entered from the progress handler
    EngineCall call(FOwnerDatabase);
    return sqlite3_step(FHandle);
}

int TSQLite3Statement::Reset() {
    if (!FHandle) return SQLITE_MISUSE;
    return sqlite3_reset(FHandle);
}

void TSQLite3Statement::StepAndReset() {
    Step();
    Reset();
}

// ---------------------------------------------------------------------------
// TSQLite3BlobHandler

TSQLite3BlobHandler::TSQLite3BlobHandler(TSQLite3Database* OwnerDatabase, const QString& DB,
                                         const QString& Table, const QString& Column, qint64 RowID,
                                         bool WriteAccess)
    : FOwnerDatabase(OwnerDatabase) {
    QString schema = TrimText(DB);
    if (schema.isEmpty()) schema = QStringLiteral("main");
    if (FOwnerDatabase->CheckConnected()) {
        const int rc = sqlite3_blob_open(FOwnerDatabase->FHandle, schema.toUtf8().constData(),
                                         Table.toUtf8().constData(), Column.toUtf8().constData(),
                                         RowID, WriteAccess ? 1 : 0, &FHandle);
        if (rc != SQLITE_OK) {
            if (FHandle) sqlite3_blob_close(FHandle);
            FHandle = nullptr;
        }
        FOwnerDatabase->CheckResult(rc);
    }
    FOwnerDatabase->FBlobHandlerList.push_back(this);
}

TSQLite3BlobHandler::~TSQLite3BlobHandler() {
    if (FOwnerDatabase) FOwnerDatabase->RemoveBlobHandler(this);
    if (FHandle) sqlite3_blob_close(FHandle);
}

void TSQLite3BlobHandler::Detach() {
    if (FOwnerDatabase) FOwnerDatabase->RemoveBlobHandler(this);
    FOwnerDatabase = nullptr;
    if (FHandle) sqlite3_blob_close(FHandle);
    FHandle = nullptr;
}

int TSQLite3BlobHandler::Bytes() const {
    return FHandle ? sqlite3_blob_bytes(FHandle) : 0;
}

bool TSQLite3BlobHandler::Read(void* Buffer, int Size, int Offset) {
    const int rc = FHandle ? sqlite3_blob_read(FHandle, Buffer, Size, Offset) : SQLITE_MISUSE;
    return FOwnerDatabase ? FOwnerDatabase->CheckResult(rc) : rc == SQLITE_OK;
}

bool TSQLite3BlobHandler::Write(const void* Buffer, int Size, int Offset) {
    const int rc = FHandle ? sqlite3_blob_write(FHandle, Buffer, Size, Offset) : SQLITE_MISUSE;
    return FOwnerDatabase ? FOwnerDatabase->CheckResult(rc) : rc == SQLITE_OK;
}

} // namespace sky
