// Query and system statistics and the progress step that reports them.
#include "engine/Database.h"

#include "engine/Statement.h"
#include "support/TextUtil.h"

#include <sqlite3.h>

namespace sky {

namespace {
const QString kProgressException = QStringLiteral("Progress-Handler Exception ");
} // namespace

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

const TSQliteSysStats& TSQLite3Database::StatsSystem() const {
    int cur = 0, hi = 0;
    if (FHandle &&
        sqlite3_db_status(FHandle, SQLITE_DBSTATUS_SCHEMA_USED, &cur, &hi, 0) == SQLITE_OK)
        FSysStats.memSchemas = cur;
    return FSysStats;
}

void TSQLite3Database::RefreshMemStats() {
    int cur = 0, hi = 0;
    if (FHandle) {
        if (sqlite3_db_status(FHandle, SQLITE_DBSTATUS_CACHE_USED, &cur, &hi, 0) == SQLITE_OK)
            FSysStats.memCacheUsed = cur;
        if (sqlite3_db_status(FHandle, SQLITE_DBSTATUS_STMT_USED, &cur, &hi, 0) == SQLITE_OK)
            FSysStats.memStatement = cur;
    }
    sqlite3_int64 c64 = 0, h64 = 0;
    if (sqlite3_status64(SQLITE_STATUS_MEMORY_USED, &c64, &h64, 0) == SQLITE_OK)
        FSysStats.memUsed = c64;
    if (sqlite3_status64(SQLITE_STATUS_MALLOC_SIZE, &c64, &h64, 0) == SQLITE_OK)
        FSysStats.memAllocations = c64;
}

// Called by StatsEnd, and by the statement itself when it goes first (its
// counters are read once, and never from a freed statement).
void TSQLite3Database::StatsHarvest(TSQLite3Statement* stmt) {
    if (!stmt || FStats.SQLStateMent != stmt) return;
    FStats.SQLStateMent = nullptr;
    sqlite3_stmt* h = stmt->Handle();
    if (!h) return;
    FStats.totTableScanSteps += sqlite3_stmt_status(h, SQLITE_STMTSTATUS_FULLSCAN_STEP, 0);
    FStats.totSortOps += sqlite3_stmt_status(h, SQLITE_STMTSTATUS_SORT, 0);
    FStats.totAutoAssistIndexRows += sqlite3_stmt_status(h, SQLITE_STMTSTATUS_AUTOINDEX, 0);
    FStats.totVMWorkDoneSteps += sqlite3_stmt_status(h, SQLITE_STMTSTATUS_VM_STEP, 0);
}

void TSQLite3Database::StatsEnd() {
    StatsHarvest(FStats.SQLStateMent);
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

} // namespace sky
