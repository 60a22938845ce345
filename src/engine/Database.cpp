// Connection life cycle, execution, transactions, single-result queries,
// statistics and the progress step.
#include "engine/Database.h"

#include "engine/CsvFields.h"
#include "engine/EngineStartup.h"
#include "engine/FileHeader.h"
#include "engine/ScriptSplitter.h"
#include "engine/SqlFunctions.h"
#include "engine/Statement.h"
#include "engine/SystemLog.h"
#include "engine/UpdateRegistry.h"
#include "support/TextUtil.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <sqlite3.h>

namespace sky {

namespace {
const QString kDatabaseBusy = QStringLiteral("Database Busy");
const QString kDatabaseBusyLower = QStringLiteral("Database busy");
const QString kNotConnected = QStringLiteral("DB Error: database is not connected.");
const QString kClosingLocked = QStringLiteral("Closing a Locked Database during Operation");
const QString kTransactionOpened = QStringLiteral("Transaction is already opened.");
const QString kNoTransaction = QStringLiteral("No transaction is open");
const QString kExceptionExecuting = QStringLiteral("Exception executing Query ");
const QString kProgressException = QStringLiteral("Progress-Handler Exception ");
// A script whose end is unfinished: an open quote, comment, bracket or
// trigger body (the engine's own words for it).
const QString kIncompleteInput = QStringLiteral("DB Error: incomplete input");
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
    sqlite3_limit(FHandle, SQLITE_LIMIT_WORKER_THREADS, 8);
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
    return IsBusy() ? QStringLiteral("Locked") : QString::fromUtf8(sqlite3_libversion());
}

QString TSQLite3Database::SQLiteSoftwVersion() const {
    return IsBusy() ? QStringLiteral("Locked") : QString::fromUtf8(sqlite3_sourceid());
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
    // Control characters become spaces; the common case needs no copy.
    for (qsizetype i = 0; i < FLastQry.size(); ++i) {
        if (FLastQry.at(i).unicode() < 32) {
            QChar* d = FLastQry.data();
            for (qsizetype k = i; k < FLastQry.size(); ++k)
                if (d[k].unicode() < 32) d[k] = QLatin1Char(' ');
            break;
        }
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

// ---------------------------------------------------------------------------
// Statistics and progress

void TSQLite3Database::StatsBegin() {
    if (FStats.QryLevel <= 0) {
        FStats.QryLevel = 0;
        FStats.statsCompleted = false;
        FSysStats.statsCompleted = false;
        if (FHandle) FSysStats.totRowModsToDate = sqlite3_total_changes64(FHandle);
        const TDateTime now = NowDateTime();
        FSysStats.timeElapsed = now - FSysStats.timeSessionStart;
        FStats.tMain = TSQLiteSubQStats();
        FStats.tMain.timeQueryStart = now;
        FStats.totRowModsThisQuery = 0;
        FStats.totTableScanSteps = 0;
        FStats.totSortOps = 0;
        FStats.totAutoAssistIndexRows = 0;
        FStats.totVMWorkDoneSteps = 0;
        FStats.totResultRows = 0;
        FStats.totResultCols = 0;
        FProgress.ProgressActive = 1;
        FProgress.OpCurrent = 0;
        FProgress.OpTarget = 1;
        ProgressStep();
        FProgress.ProgressActive = 2;
        FStats.allowingProgress = FProgress.AllowProgress;
    }
    FStats.QryLevel += 1;
    FStats.SQLStateMent = nullptr;
    FStats.tSub = TSQLiteSubQStats();
    FStats.tSub.timeQueryStart = NowDateTime();
    FProgress.AllowProgress = FStats.allowingProgress;
}

void TSQLite3Database::StatsPrepared(TSQLite3Statement* stmt) {
    FStats.tSub.timeElapsedPrepare = NowDateTime() - FStats.tSub.timeQueryStart;
    FStats.SQLStateMent = stmt;
}

void TSQLite3Database::RefreshMemStats() {
    int cur = 0, hi = 0;
    if (FHandle) {
        if (sqlite3_db_status(FHandle, SQLITE_DBSTATUS_CACHE_USED, &cur, &hi, 0) == SQLITE_OK)
            FSysStats.memCacheUsed = cur;
        if (sqlite3_db_status(FHandle, SQLITE_DBSTATUS_SCHEMA_USED, &cur, &hi, 0) == SQLITE_OK)
            FSysStats.memSchemas = cur;
        if (sqlite3_db_status(FHandle, SQLITE_DBSTATUS_STMT_USED, &cur, &hi, 0) == SQLITE_OK)
            FSysStats.memStatement = cur;
    }
    sqlite3_int64 c64 = 0, h64 = 0;
    if (sqlite3_status64(SQLITE_STATUS_MEMORY_USED, &c64, &h64, 0) == SQLITE_OK)
        FSysStats.memUsed = c64;
    if (sqlite3_status64(SQLITE_STATUS_MALLOC_SIZE, &c64, &h64, 0) == SQLITE_OK)
        FSysStats.memAllocations = c64;
}

void TSQLite3Database::StatsEnd() {
    if (FStats.SQLStateMent && FStats.SQLStateMent->Handle()) {
        sqlite3_stmt* h = FStats.SQLStateMent->Handle();
        FStats.totTableScanSteps += sqlite3_stmt_status(h, SQLITE_STMTSTATUS_FULLSCAN_STEP, 0);
        FStats.totSortOps += sqlite3_stmt_status(h, SQLITE_STMTSTATUS_SORT, 0);
        FStats.totAutoAssistIndexRows += sqlite3_stmt_status(h, SQLITE_STMTSTATUS_AUTOINDEX, 0);
        FStats.totVMWorkDoneSteps += sqlite3_stmt_status(h, SQLITE_STMTSTATUS_VM_STEP, 0);
    }
    const TDateTime now = NowDateTime();
    FStats.tSub.timeElapsedTot = now - FStats.tSub.timeQueryStart;
    FStats.tSub.timeElapsedQry = FStats.tSub.timeElapsedTot - FStats.tSub.timeElapsedPrepare;
    FStats.tMain.timeElapsedTot += FStats.tSub.timeElapsedTot;
    FStats.tMain.timeElapsedPrepare += FStats.tSub.timeElapsedPrepare;
    FStats.tMain.timeElapsedQry += FStats.tSub.timeElapsedQry;
    FSysStats.timeElapsed = now - FSysStats.timeSessionStart;
    FSysStats.totQueriesSinceReset += 1;
    FSysStats.totSessionQueries += 1;
    FStats.QryLevel -= 1;
    if (FStats.QryLevel > 0) {
        FProgress.ProgressActive = 2;
        ProgressStep();
    } else {
        FStats.QryLevel = 0;
        if (FHandle) {
            const qint64 total = sqlite3_total_changes64(FHandle);
            FStats.totRowModsThisQuery = total - FSysStats.totRowModsToDate;
            FSysStats.totRowModsToDate = total;
            int cur = 0, hi = 0;
            if (sqlite3_db_status(FHandle, SQLITE_DBSTATUS_CACHE_WRITE, &cur, &hi, 0) == SQLITE_OK)
                FSysStats.cacheCommits = cur;
        }
        RefreshMemStats();
        FSysStats.statsCompleted = true;
        FProgress.ProgressActive = 3;
        ProgressStep();
        FProgress.ProgressActive = 0;
    }
    FStats.SQLStateMent = nullptr;
    FStats.statsCompleted = true;
}

bool TSQLite3Database::ProgressStep() {
    TSQliteProgStats& p = FProgress;
    if (p.AllowProgress == 0 || p.ProgressActive == 0) return true;
    qint64 done = 0, total = 0;
    switch (p.ProgressActive) {
    case 1:
        p.PError = 0;
        p.VMCurSteps = 0;
        p.VMNextTarg = p.VMStepInterval;
        break;
    case 2:
        p.VMCurSteps += p.VMStepInterval;
        if (p.VMCurSteps < p.VMNextTarg) return true;
        done = p.OpCurrent;
        total = p.OpTarget;
        p.VMNextTarg = p.VMCurSteps + 4 * p.VMStepInterval;
        break;
    case 3:
        done = total = p.OpTarget;
        break;
    default:
        return true;
    }
    bool stop = false;
    if (p.PHandler) {
        bool cancelled = false;
        try {
            p.PHandler(this, done, total, cancelled);
            if (cancelled && done != total) {
                p.AllowProgress = 0;
                p.PError = 4;
                stop = true;
            }
        } catch (const std::exception& e) {
            p.AllowProgress = 0;
            p.PError = 1;
            FLastErr = kProgressException + ExceptionText(e);
            stop = true;
        } catch (...) {
            p.AllowProgress = 0;
            p.PError = 1;
            FLastErr = kProgressException + UnknownExceptionText();
            stop = true;
        }
    }
    if (p.ProgressActive == 3) {
        p.AllowProgress = 0;
        p.ProgressActive = 0;
    }
    return !stop;
}

void TSQLite3Database::SetProgressHandler(TBackupProgressCallback ProgressHandler) {
    if (!CheckConnected()) return;
    FProgress.VMStepInterval = ProgressStepInterval;
    FProgress.PHandler = std::move(ProgressHandler);
    sqlite3_progress_handler(FHandle, ProgressStepInterval, &EngineProgressCallback, this);
}

// ---------------------------------------------------------------------------
// Execution

std::unique_ptr<TSQLite3Statement> TSQLite3Database::Prepare(const QString& SQL) {
    auto stmt = std::make_unique<TSQLite3Statement>(this, SQL);
    if (!stmt->Handle()) return nullptr;
    return stmt;
}

bool TSQLite3Database::Execute(const QString& SQL) {
    if (!CheckConnected()) return false;
    if (SQL.isEmpty()) {
        FLastErr = QStringLiteral("Empty Query: \"\"");
        return false;
    }
    DispatchUpdates();
    if (IsBusy()) {
        FLastErr = kDatabaseBusy;
        return false;
    }
    bool ok = false;
    Lock();
    try {
        FProgress.AllowProgress = 1;
        StatsBegin();
        FProgress.OpCurrent = 0;
        FProgress.OpTarget = 1;
        FLastErr.clear();
        std::unique_ptr<TSQLite3Statement> stmt = Prepare(SQL);
        StatsPrepared(stmt.get());
        if (stmt) {
            const int rc = stmt->Step();
            ok = rc == SQLITE_ROW || rc == SQLITE_DONE || CheckResult(rc);
            StatsEnd();
            stmt.reset();
        } else {
            StatsEnd();
            ok = FLastErr.isEmpty();
        }
    } catch (const std::exception& e) {
        FLastErr = kExceptionExecuting + ExceptionText(e);
        ok = false;
    }
    Unlock();
    DispatchUpdates();
    return ok;
}

bool TSQLite3Database::ExecuteBonded(const QString& SQL,
                                     const QStringList* csvLinesReplacingQuestionmarks) {
    if (!CheckConnected()) return false;
    DispatchUpdates();
    if (IsBusy()) {
        FLastErr = kDatabaseBusy;
        return false;
    }
    Lock();
    const qsizetype lineCount =
        csvLinesReplacingQuestionmarks ? csvLinesReplacingQuestionmarks->size() : 0;
    bool ok = false;
    try {
        FProgress.AllowProgress = 1;
        StatsBegin();
        FLastErr.clear();
        std::unique_ptr<TSQLite3Statement> stmt = Prepare(SQL);
        StatsPrepared(stmt.get());
        if (!stmt) {
            ok = FLastErr.isEmpty();
        } else {
            ok = true;
            FProgress.OpCurrent = 0;
            FProgress.OpTarget = lineCount;
            QStringList fields;
            for (qsizetype i = 0; i < lineCount && ok; ++i) {
                FProgress.OpCurrent = i;
                SplitCSVFields(csvLinesReplacingQuestionmarks->at(i), fields, QLatin1Char(','));
                // Every line starts from NULL parameters: a short line must not
                // inherit the previous line's values.
                stmt->ClearBindings();
                ok = stmt->LastBindOk();
                for (qsizetype k = 0; ok && k < fields.size(); ++k) {
                    stmt->BindTextW(int(k + 1), fields[k]);
                    ok = stmt->LastBindOk();
                }
                if (!ok) break;
                const int rc = stmt->Step();
                if (rc == SQLITE_DONE || rc == SQLITE_ROW)
                    stmt->Reset();
                else
                    ok = CheckResult(rc);
            }
        }
        StatsEnd();
    } catch (const std::exception& e) {
        FLastErr = kExceptionExecuting + ExceptionText(e);
        ok = false;
    }
    Unlock();
    DispatchUpdates();
    return ok;
}

bool TSQLite3Database::ExecuteList(const QStringList& SQLScript) {
    return ExecuteList(SQLScript.join(QStringLiteral("\r\n")));
}

bool TSQLite3Database::ExecuteList(const QString& SQLScript) {
    DispatchUpdates();
    if (!CheckConnected()) return false;
    if (IsBusy()) {
        FLastErr = kDatabaseBusy;
        DispatchUpdates();
        return false;
    }
    bool ok = false;
    try {
        ok = ExecuteListImpl(SQLScript);
    } catch (const std::exception& e) {
        FLastErr = kExceptionExecuting + ExceptionText(e);
        FStats.QryLevel = 0;
        Unlock();
        ok = false;
    }
    DispatchUpdates();
    return ok;
}

bool TSQLite3Database::ExecuteListImpl(const QString& SQLScript) {
    FProgress.AllowProgress = 1;
    StatsBegin();
    FProgress.OpTarget = 10;
    Lock();
    bool failed = false;
    QString remembered;
    FLastErr.clear();
    // Statements run as the splitter finds them, so a big script is never
    // held as a list. The progress target counts the semicolons: an upper
    // bound of the statements, known before the first one runs.
    FProgress.OpTarget = 16 * (qint64(QStringView(SQLScript).count(QLatin1Char(';'))) + 1);
    auto runOne = [&](const QString& text, bool isTail) {
        StatsBegin();
        std::unique_ptr<TSQLite3Statement> stmt = Prepare(text);
        StatsPrepared(stmt.get());
        if (isTail) {
            // The unfinished end is never run: the engine's message when it
            // refuses it (an open quote), else the script is incomplete (an
            // open comment, bracket or trigger body).
            if (FLastErr.isEmpty()) SetError(kIncompleteInput);
        } else if (stmt) {
            const int rc = stmt->Step();
            if (rc != SQLITE_ROW && rc != SQLITE_DONE) CheckResult(rc);
        }
        remembered = FLastErr;
        StatsEnd();
        stmt.reset();
        if (!remembered.isEmpty()) failed = true;
    };
    qint64 index = 0;
    QString tail;
    SplitSqlScriptEach(
        SQLScript, true,
        [&](QString&& statement) {
            FProgress.OpCurrent = 16 * index++;
            runOne(statement, false);
            if (!failed && (FProgress.PError != 0 || FCloseRequested)) {
                // Cancelled (or the handler failed) between statements: the
                // rest of the script is not run.
                if (FProgress.PError != 1) CheckResult(SQLITE_INTERRUPT);
                remembered = FLastErr;
                failed = true;
            }
            return !failed;
        },
        &tail);
    if (!failed && !tail.isEmpty()) runOne(tail, true);
    if (failed) FLastErr = remembered;
    StatsEnd();
    Unlock();
    return !failed;
}

bool TSQLite3Database::ExecuteTransacted(const QStringList& SQLScript, bool bSuppressForeignKeys) {
    return ExecuteTransacted(SQLScript.join(QStringLiteral("\r\n")), bSuppressForeignKeys);
}

bool TSQLite3Database::ExecuteTransacted(const QString& SQLScript, bool /*bSuppressForeignKeys*/) {
    if (!CheckConnected()) return false;
    if (IsBusy()) {
        FLastErr = kDatabaseBusy;
        return false;
    }
    return ExecuteTransactedImpl(SQLScript);
}

bool TSQLite3Database::ExecuteTransactedImpl(const QString& SQLScript) {
    bool fkOn = false;
    if (!CheckForeignKeys(fkOn)) return false;
    // Enforcement is suspended whenever it is on, and restored in every case.
    if (fkOn && !SetForeignKeys(false)) return false;
    bool ok = BeginTransaction();
    if (ok) {
        if (ExecuteList(SQLScript)) {
            ok = Commit();
        } else {
            const QString kept = FLastErr;
            Rollback();
            FLastErr = kept;
            ok = false;
        }
    }
    if (fkOn) {
        const QString kept = FLastErr;
        const bool restored = SetForeignKeys(true);
        if (ok && !restored)
            ok = false;
        else
            FLastErr = kept;
    }
    return ok;
}

// ---------------------------------------------------------------------------
// Transactions and foreign keys

bool TSQLite3Database::BeginTransaction() {
    DispatchUpdates();
    if (FTransactionOpen) {
        SetError(kTransactionOpened);
        return false;
    }
    if (FEngineDepth > 0) {
        FLastErr = kDatabaseBusy;
        return false;
    }
    if (!ExecSQL(QStringLiteral("BEGIN IMMEDIATE TRANSACTION;"))) return false;
    FTransactionOpen = true;
    return true;
}

bool TSQLite3Database::Commit() {
    if (FEngineDepth > 0) {
        FLastErr = kDatabaseBusy;
        return false;
    }
    bool ok = false;
    if (FTransactionOpen) {
        ok = ExecSQL(QStringLiteral("COMMIT;"));
        FTransactionOpen = false;
        if (!ok && FHandle && sqlite3_get_autocommit(FHandle) == 0) {
            // The engine kept the transaction open: end it, and keep the
            // COMMIT's reason.
            const QString kept = FLastErr;
            ExecSQL(QStringLiteral("ROLLBACK;"));
            FLastErr = kept;
        }
    } else {
        SetError(kNoTransaction);
    }
    DispatchUpdates();
    return ok;
}

bool TSQLite3Database::Rollback() {
    if (FEngineDepth > 0) {
        FLastErr = kDatabaseBusy;
        return false;
    }
    bool ok = false;
    if (FTransactionOpen) {
        ok = ExecSQL(QStringLiteral("ROLLBACK;"));
        FTransactionOpen = false;
    } else {
        SetError(kNoTransaction);
    }
    DispatchUpdates();
    return ok;
}

bool TSQLite3Database::CheckForeignKeys(bool& bFKeyState) {
    if (IsBusy()) {
        FLastErr = kDatabaseBusyLower;
        return false;
    }
    QString v;
    if (!QuerySingleValue(v, QStringLiteral("PRAGMA foreign_keys;"))) return false;
    bFKeyState = TrimText(v).toLongLong() > 0;
    return true;
}

bool TSQLite3Database::SetForeignKeys(bool bNewState) {
    if (IsBusy()) {
        FLastErr = kDatabaseBusyLower;
        return false;
    }
    return Execute(bNewState ? QStringLiteral("PRAGMA foreign_keys=1;")
                             : QStringLiteral("PRAGMA foreign_keys=0;"));
}

// ---------------------------------------------------------------------------
// Single-result queries

bool TSQLite3Database::QuerySingleColumn(QStringList& ColValues, const QString& SQL, int memLimit,
                                         bool /*bConvertBlobs*/) {
    DispatchUpdates();
    const qint64 limit = memLimit < 0 ? kDefaultMemLimit : memLimit;
    if (IsBusy()) {
        FLastErr = kDatabaseBusy;
        return false;
    }
    if (SQL.isEmpty()) return false;
    bool ok = false;
    Lock();
    try {
        FProgress.AllowProgress = 1;
        StatsBegin();
        std::unique_ptr<TSQLite3Statement> stmt = Prepare(SQL);
        StatsPrepared(stmt.get());
        ColValues.clear();
        if (stmt) {
            int rc = stmt->Step();
            if (rc == SQLITE_DONE) {
                ok = true;
            } else if (rc != SQLITE_ROW) {
                ok = CheckResult(rc);
            } else {
                FStats.totResultCols = stmt->ColumnCount();
                qint64 rows = 0, size = 0;
                bool memStop = false;
                while (rc == SQLITE_ROW) {
                    QString line;
                    switch (stmt->ColumnType(0)) {
                    case SQLITE_INTEGER:
                    case SQLITE_FLOAT:
                    case SQLITE_TEXT:
                        line = stmt->ColumnText(0);
                        break;
                    case SQLITE_BLOB:
                        // Blobs are always shown as hex text here.
                        line = QString::fromLatin1(stmt->ColumnBlobText(0, true));
                        break;
                    default:
                        break;
                    }
                    size += 2 * line.size();
                    ColValues.append(line);
                    ++rows;
                    FProgress.OpCurrent = rows;
                    FProgress.OpTarget = rows + 10240;
                    if (limit > 0 && size >= limit) {
                        memStop = true;
                        break;
                    }
                    rc = stmt->Step();
                }
                ok = memStop || rc == SQLITE_DONE || CheckResult(rc);
                FStats.totResultRows = rows;
            }
        }
        StatsEnd();
        stmt.reset();
    } catch (const std::exception& e) {
        FLastErr = kExceptionExecuting + ExceptionText(e);
        ok = false;
    }
    Unlock();
    return ok;
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

// ---------------------------------------------------------------------------
// Extensions and memory

bool TSQLite3Database::LoadExtension(const QString& sFileName, const QString& wEntryPoint) {
    if (!CheckConnected()) return false;
    if (IsBusy()) {
        FLastErr = kDatabaseBusy;
        return false;
    }
    if (sFileName.isEmpty() || !QFileInfo(sFileName).isFile()) {
        FLastErr = QStringLiteral("Invalid File: \"") + sFileName + QStringLiteral("\"");
        return false;
    }
    QString quoted = sFileName;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    FLastQry = QStringLiteral("Load extension '") + quoted + QStringLiteral("'");
    FLastErr = QStringLiteral("Failed to load Extension");
    if (!CheckResult(
            sqlite3_db_config(FHandle, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 1, nullptr)))
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
        WriteLog(TLogKind::Query, QStringLiteral("Extension Loaded: ") + sFileName);
        return true;
    }
    SetError(err ? QString::fromUtf8(err) : QStringLiteral("Failed to load Extension"));
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
// Splitter

int TSQLite3Database::SQLReduceToStatements(const QString& sql, TSQLiteStatementArray& SL,
                                            bool bRemWhSpc, QString* discardedTail) {
    SL.clear();
    if (discardedTail) discardedTail->clear();
    if (TrimText(sql).isEmpty()) {
        FLastErr = QStringLiteral("Empty Script");
        return 0;
    }
    SplitResult r = SplitSqlScript(sql, bRemWhSpc);
    SL = std::move(r.statements);
    if (!r.tail.isEmpty()) FLastErr = kIncompleteInput;
    if (discardedTail) *discardedTail = std::move(r.tail);
    return int(SL.size());
}

QString TSQLite3Database::SQLReduceStatementToStr(const QString& sql) {
    try {
        return FlattenFirstStatement(sql);
    } catch (const std::exception&) {
        return QString();
    }
}

int TSQLite3Database::SQLReduceToLines(const QString& sql, QStringList& ResultLines,
                                       bool bClearFirst) {
    if (bClearFirst) ResultLines.clear();
    TSQLiteStatementArray statements;
    SQLReduceToStatements(sql, statements, true);
    int added = 0;
    for (const QString& s : statements) {
        const QString line = TrimText(SQLReduceStatementToStr(s));
        if (!line.isEmpty()) {
            ResultLines.append(line);
            ++added;
        }
    }
    return added;
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
    if (db.isEmpty()) db = QStringLiteral("Main");
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
