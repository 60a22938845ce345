// Connection life cycle, engine callbacks, errors and the last query,
// extensions, memory and update notifications.
#include "engine/Database.h"

#include "engine/EngineStartup.h"
#include "engine/FileHeader.h"
#include "engine/SqlFunctions.h"
#include "engine/Statement.h"
#include "engine/SystemLog.h"
#include "engine/UpdateRegistry.h"
#include "support/TextUtil.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <sqlite3.h>

namespace sky {

namespace {
const QString kDatabaseBusy = QStringLiteral("Database Busy");
const QString kNotConnected = QStringLiteral("DB Error: database is not connected.");
const QString kClosingLocked = QStringLiteral("Closing a Locked Database during Operation");
const QString kProgressException = QStringLiteral("Progress-Handler Exception ");
const QString kLocked = QStringLiteral("Locked");
const QString kInvalidFile = QStringLiteral("Invalid File: ");
const QString kLoadExtension = QStringLiteral("Load extension ");
const QString kExtensionFailed = QStringLiteral("Failed to load Extension");
const QString kExtensionLoaded = QStringLiteral("Extension Loaded: ");
const QString kMainSchema = QStringLiteral("Main");
// Messages quote at most this many characters of an offending text.
constexpr qsizetype kMaxQuotedChars = 200;

// The engine quotes the offending token whole ("near \"...\": syntax error"),
// which may be a literal of any size: the quoted part is cut to
// kMaxQuotedChars, and a message without quotes to a few lines' worth.
QString CutEngineMessage(QString msg) {
    if (msg.size() <= 2 * kMaxQuotedChars) return msg;
    const qsizetype open = msg.indexOf(QLatin1Char('"'));
    const qsizetype close = msg.lastIndexOf(QLatin1Char('"'));
    if (open >= 0 && close - open - 1 > kMaxQuotedChars)
        msg = msg.left(open + 1 + kMaxQuotedChars) + QStringLiteral("...") + msg.mid(close);
    return ShortenText(msg, 3 * kMaxQuotedChars);
}

QString& NullTextRef() {
    static QString text = QStringLiteral("NULL");
    return text;
}
} // namespace

QString NullDisplayText() {
    return NullTextRef();
}
void SetNullDisplayText(const QString& text) {
    NullTextRef() = text;
}

TDateTime NowDateTime() {
    using namespace std::chrono;
    const auto us = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    return double(us) / 86400e6;
}

// ---------------------------------------------------------------------------
// Engine callbacks

int EngineProgressCallback(void* userData) {
    auto* db = static_cast<TSQLite3Database*>(userData);
    if (!db) return 0;
    try {
        return db->ProgressStep() ? 0 : 4;
    } catch (...) {
        return -1;
    }
}

void EngineUpdateHook(void* userData, int op, const char* schema, const char* table,
                      long long rowid) {
    auto* db = static_cast<TSQLite3Database*>(userData);
    // Called for every changed row: nothing to do while nobody listens.
    if (db && UpdateRegistry::Instance().Count() > 0)
        UpdateRegistry::Instance().Notify(db, op, QString::fromUtf8(schema),
                                          QString::fromUtf8(table), rowid);
}

EngineCall::~EngineCall() {
    if (--FDb->FEngineDepth == 0 && !FDb->FLocked && FDb->FCloseRequested)
        FDb->FinishDeferredClose();
}

// ---------------------------------------------------------------------------
// Life cycle

TSQLite3Database::TSQLite3Database() {
    EnsureEngineStarted();
}

TSQLite3Database::~TSQLite3Database() {
    try {
        // Destroying a connection from inside its own operation is a caller
        // error; the handle is released all the same.
        FLocked = false;
        FEngineDepth = 0;
        Close();
    } catch (...) {
    }
}

bool TSQLite3Database::Open(const QString& sFileName, int msTimeOut, bool bReadOnly,
                            bool bFailIfNotExist, bool bSharedCache) {
    if (IsBusy()) {
        FLastErr = kDatabaseBusy;
        return false;
    }
    FFile.clear();
    if (FHandle) Close();
    FLocked = false;

    // A connection is only ever used by the thread that opened it, so the
    // engine's per-connection mutex is not needed.
    int flags =
        (bSharedCache ? SQLITE_OPEN_SHAREDCACHE : SQLITE_OPEN_PRIVATECACHE) | SQLITE_OPEN_NOMUTEX;
    if (bReadOnly)
        flags |= SQLITE_OPEN_READONLY;
    else {
        flags |= SQLITE_OPEN_READWRITE;
        if (!bFailIfNotExist) flags |= SQLITE_OPEN_CREATE;
    }
    sqlite3* h = nullptr;
    // File names are bytes: the name is handed over as the file system spells it.
    const QByteArray name = EngineFileName(sFileName);
    const int rc = sqlite3_open_v2(name.constData(), &h, flags, nullptr);
    if (rc != SQLITE_OK) {
        FHandle = h; // so CheckResult reads the engine's message
        CheckResult(rc);
        if (h) sqlite3_close_v2(h);
        FHandle = nullptr;
        return false;
    }
    FHandle = h;
    FCloseRequested = false;
    FFile = sFileName;
    RegisterFileHolder(&FHolder);
    sqlite3_extended_result_codes(FHandle, 1);
    // Extensions load through the C interface only: the SQL function
    // load_extension() stays off, so no script or stored SQL can load a
    // library. The schema stays trusted (the engine's default): every function
    // registered here is free of side effects, and with an untrusted schema
    // this engine refuses files whose views or generated columns use its own
    // JSON functions ("malformed database schema").
    sqlite3_db_config(FHandle, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 1, nullptr);
    ExecSQL(QStringLiteral("pragma foreign_keys=1;"));
    // Sorter worker threads (at most 8) where there are cores to spare: on a
    // machine of one or two cores they only compete with the statement's own
    // thread (an index of a million rows took a fifth longer with them).
    sqlite3_limit(FHandle, SQLITE_LIMIT_WORKER_THREADS,
                  std::clamp(QThread::idealThreadCount() - 2, 0, 8));
    sqlite3_update_hook(FHandle, &EngineUpdateHook, this);
    sqlite3_progress_handler(FHandle, ProgressStepInterval, &EngineProgressCallback, this);
    if (msTimeOut > 0) sqlite3_busy_timeout(FHandle, msTimeOut);
    ResetStats();
    FIntFuncsOk = RegisterExtensionFunctions(FHandle);
    return true;
}

void TSQLite3Database::ResetStats() {
    FProgress.VMStepInterval = ProgressStepInterval;
    FStats.statsCompleted = false;
    FSysStats = TSQliteSysStats();
    FSysStats.timeSessionStart = NowDateTime();
}

void TSQLite3Database::Close() {
    FProgress.AllowProgress = 0;
    UpdateRegistry::Instance().RemoveConnection(this);
    if (!FHandle) return;
    if (IsBusy()) {
        // A statement is stepping further up the stack: stop it and close
        // when the operation returns.
        if (!FCloseRequested) SetError(kClosingLocked);
        FCloseRequested = true;
        sqlite3_interrupt(FHandle);
        return;
    }
    DoClose();
}

void TSQLite3Database::FinishDeferredClose() {
    if (FCloseRequested && FHandle && !IsBusy()) DoClose();
}

void TSQLite3Database::Unlock() {
    FLocked = false;
    if (FCloseRequested && FEngineDepth == 0) FinishDeferredClose();
}

void TSQLite3Database::DoClose() {
    FCloseRequested = false;
    FLocked = false;
    if (FTransactionOpen) {
        try {
            Rollback();
        } catch (...) {
        }
    }
    FTransactionOpen = false;
    while (!FStatementList.empty())
        FStatementList.back()->Detach();
    while (!FBlobHandlerList.empty())
        FBlobHandlerList.back()->Detach();
    sqlite3_close_v2(FHandle);
    FHandle = nullptr;
    FFile.clear();
    UnregisterFileHolder(&FHolder);
}

QList<QByteArray> TSQLite3Database::Holder::HeldFiles() const {
    QList<QByteArray> files;
    sqlite3* h = FDb->FHandle;
    if (!h) return files;
    for (int i = 0;; ++i) {
        const char* schema = sqlite3_db_name(h, i);
        if (!schema) break;
        const char* file = sqlite3_db_filename(h, schema);
        if (file && *file) files << QByteArray(file);
    }
    return files;
}

qint64 TSQLite3Database::LastInsertRowID() {
    if (!CheckConnected() || IsBusy()) return -1;
    return sqlite3_last_insert_rowid(FHandle);
}

QString TSQLite3Database::SQLiteVersion() const {
    return IsBusy() ? kLocked : QString::fromUtf8(sqlite3_libversion());
}

QString TSQLite3Database::SQLiteSoftwVersion() const {
    return IsBusy() ? kLocked : QString::fromUtf8(sqlite3_sourceid());
}

// ---------------------------------------------------------------------------
// Errors

bool TSQLite3Database::CheckConnected() {
    if (IsOpen()) return true;
    SetError(kNotConnected);
    return false;
}

bool TSQLite3Database::CheckResult(int rc) {
    if (rc == SQLITE_OK) return true;
    if ((rc & 0xff) == SQLITE_INTERRUPT && FProgress.PError == 1 &&
        FLastErr.startsWith(kProgressException)) {
        // Keep the handler's own exception text: it says why the statement stopped.
        SetError(FLastErr);
        return false;
    }
    QString msg;
    if (FHandle && (sqlite3_extended_errcode(FHandle) & 0xff) == (rc & 0xff))
        msg = QString::fromUtf8(sqlite3_errmsg(FHandle));
    else
        msg = QString::fromUtf8(sqlite3_errstr(rc));
    SetError(QStringLiteral("DB Error: ") + CutEngineMessage(std::move(msg)));
    return false;
}

void TSQLite3Database::SetError(const QString& msg) {
    FLastErr = msg;
    WriteLog(TLogKind::Query, QStringLiteral("Failed Query: ") + FLastQry);
    WriteLog(TLogKind::Interface, msg);
}

void TSQLite3Database::SetLastQuery(const QString& SQL) {
    FLastQry = ShortenText(SQL, 128);
    // Control characters become spaces; the common case needs no copy (and
    // the test, run for every statement of a script, has no early exit so
    // that it is vectorised).
    const auto* text = reinterpret_cast<const char16_t*>(FLastQry.constData());
    const qsizetype n = FLastQry.size();
    unsigned control = 0;
    for (qsizetype i = 0; i < n; ++i)
        control |= unsigned(text[i] < 32);
    if (control != 0) {
        QChar* d = FLastQry.data();
        for (qsizetype k = 0; k < FLastQry.size(); ++k)
            if (d[k].unicode() < 32) d[k] = QLatin1Char(' ');
    }
}

bool TSQLite3Database::ExecSQL(const QString& SQL) {
    if (SQL.isEmpty()) {
        FLastErr = QStringLiteral("Empty Query");
        return false;
    }
    if (!CheckConnected()) return false;
    if (FEngineDepth > 0) {
        FLastErr = kDatabaseBusy;
        return false;
    }
    FLastQry = ShortenText(SQL, 128);
    const QByteArray utf8 = SQL.toUtf8();
    int rc;
    {
        EngineCall call(this);
        rc = sqlite3_exec(FHandle, utf8.constData(), nullptr, nullptr, nullptr);
    }
    return CheckResult(rc);
}

void TSQLite3Database::SetProgressHandler(TBackupProgressCallback ProgressHandler) {
    if (!CheckConnected()) return;
    FProgress.VMStepInterval = ProgressStepInterval;
    FProgress.PHandler = std::move(ProgressHandler);
    sqlite3_progress_handler(FHandle, ProgressStepInterval, &EngineProgressCallback, this);
}

void TSQLite3Database::SetExtensionSql(bool on) {
    if (!FHandle) return;
    sqlite3_enable_load_extension(FHandle, on ? 1 : 0);
    // Off again for SQL means the C interface stays on, as at opening.
    if (!on) sqlite3_db_config(FHandle, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 1, nullptr);
}

void TSQLite3Database::SetProgressChecks(bool on) {
    if (!FHandle) return;
    if (on)
        sqlite3_progress_handler(FHandle, ProgressStepInterval, &EngineProgressCallback, this);
    else
        sqlite3_progress_handler(FHandle, 0, nullptr, nullptr);
}

// ---------------------------------------------------------------------------
// Extensions and memory

bool TSQLite3Database::LoadExtension(const QString& sFileName, const QString& wEntryPoint) {
    if (!CheckConnected()) return false;
    if (IsBusy()) {
        FLastErr = kDatabaseBusy;
        return false;
    }
    if (sFileName.isEmpty() || !QFileInfo(sFileName).isFile()) {
        FLastErr = kInvalidFile + QLatin1Char('"') + sFileName + QLatin1Char('"');
        return false;
    }
    QString quoted = sFileName;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    FLastQry = kLoadExtension + QLatin1Char('\'') + quoted + QLatin1Char('\'');
    FLastErr = kExtensionFailed;
    if (!CheckResult(sqlite3_db_config(FHandle, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 1, nullptr)))
        return false;
    const QByteArray file = QFile::encodeName(sFileName);
    const QByteArray entry = wEntryPoint.toUtf8();
    char* err = nullptr;
    int rc;
    {
        EngineCall call(this);
        rc = sqlite3_load_extension(FHandle, file.constData(),
                                    wEntryPoint.isEmpty() ? nullptr : entry.constData(), &err);
    }
    if (rc == SQLITE_OK) {
        FLastErr.clear();
        WriteLog(TLogKind::Query, kExtensionLoaded + sFileName);
        return true;
    }
    SetError(err ? QString::fromUtf8(err) : kExtensionFailed);
    sqlite3_free(err);
    return false;
}

bool TSQLite3Database::ReleaseMem() {
    if (!CheckConnected()) return false;
    if (IsBusy()) {
        FLastErr = kDatabaseBusy;
        return false;
    }
    if (!CheckResult(sqlite3_db_release_memory(FHandle))) return false;
    RefreshMemStats();
    return true;
}

// ---------------------------------------------------------------------------
// Update notifications

void TSQLite3Database::DispatchUpdates() {
    UpdateRegistry::Instance().Dispatch();
}

bool TSQLite3Database::HookDBUpdates(const void* owner, TSQLiteUpdateCallback HookProc,
                                     const QString& TableName, const QString& DBName) {
    DispatchUpdates();
    if (!owner || !HookProc) return false;
    QString db = TrimText(DBName);
    if (db.isEmpty()) db = kMainSchema;
    UpdateRegistry::Instance().Add(this, owner, std::move(HookProc), TrimText(TableName), db);
    return true;
}

bool TSQLite3Database::UnhookDBUpdates(const void* owner) {
    const bool removed = UpdateRegistry::Instance().RemoveOwner(this, owner);
    DispatchUpdates();
    return removed;
}

void TSQLite3Database::RemoveStatement(TSQLite3Statement* s) {
    for (auto it = FStatementList.rbegin(); it != FStatementList.rend(); ++it)
        if (*it == s) {
            FStatementList.erase(std::next(it).base());
            return;
        }
}

void TSQLite3Database::RemoveBlobHandler(TSQLite3BlobHandler* b) {
    for (auto it = FBlobHandlerList.rbegin(); it != FBlobHandlerList.rend(); ++it)
        if (*it == b) {
            FBlobHandlerList.erase(std::next(it).base());
            return;
        }
}

} // namespace sky
