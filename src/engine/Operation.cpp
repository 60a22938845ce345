// The operation guard and the row loop shared by every reader of results.
#include "engine/Operation.h"

#include "engine/Statement.h"

#include <sqlite3.h>

namespace sky {

namespace {
// Rows the progress target runs ahead of the rows read.
constexpr qint64 kProgressAhead = 10240;
} // namespace

// ---------------------------------------------------------------------------
// OperationGuard

OperationGuard::OperationGuard(TSQLite3Database& db, const QString& busyText,
                               const QString& exceptionPrefix)
    : FDb(db), FExceptionPrefix(exceptionPrefix) {
    FDb.DispatchUpdates();
    FAdmitted = !FDb.IsBusy();
    if (!FAdmitted) FDb.FLastErr = busyText;
}

OperationGuard::~OperationGuard() {
    if (!FBegun) return;
    EndStats();
    FDb.Unlock();
    if (FDispatchAtEnd) FDb.DispatchUpdates();
}

void OperationGuard::Begin() {
    if (FBegun || !FAdmitted) return;
    FBegun = true;
    FDb.Lock();
    FDb.FProgress.AllowProgress = 1;
    FDb.StatsBegin();
    FStatsOpen = true;
    FLevel = FDb.FStats.QryLevel;
}

void OperationGuard::EndStats() {
    if (!FStatsOpen) return;
    FStatsOpen = false;
    FDb.StatsEnd();
}

void OperationGuard::Failed(const QString& exceptionText) {
    if (!FKeepEarlierError || FDb.FLastErr.isEmpty())
        FDb.FLastErr = FExceptionPrefix + exceptionText;
    // Brackets the exception left open inside this one are closed with it.
    if (FStatsOpen) FDb.FStats.QryLevel = FLevel;
}

// ---------------------------------------------------------------------------
// The row loop

bool TSQLite3Database::ReadRows(const QString& SQL, qint64 limit, SizeStop stop, RowSink& sink) {
    std::unique_ptr<TSQLite3Statement> stmt = Prepare(SQL);
    StatsPrepared(stmt.get());
    return ReadPrepared(stmt.get(), limit, stop, sink);
}

bool TSQLite3Database::ReadRows(const QByteArray& SQLUtf8, qint64 limit, SizeStop stop,
                                RowSink& sink) {
    auto stmt = std::make_unique<TSQLite3Statement>(this, SQLUtf8);
    if (!stmt->Handle()) stmt.reset();
    StatsPrepared(stmt.get());
    return ReadPrepared(stmt.get(), limit, stop, sink);
}

bool TSQLite3Database::ReadPrepared(TSQLite3Statement* stmt, qint64 limit, SizeStop stop,
                                    RowSink& sink) {
    RowsRead r;
    if (stmt) {
        int rc = stmt->Step();
        r.cols = stmt->ColumnCount();
        FStats.totResultCols = r.cols;
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
            CheckResult(rc);
            r.end = RowsEnd::FirstStepFailed;
        } else {
            // A statement without result columns has no rows to read.
            bool more = rc == SQLITE_ROW && r.cols > 0;
            switch (sink.Start(*stmt, more)) {
            case RowsStart::Refused:
                r.end = RowsEnd::Refused;
                more = false;
                break;
            case RowsStart::Finished:
                r.end = RowsEnd::Finished;
                more = false;
                break;
            case RowsStart::Read:
                r.end = RowsEnd::Done;
                break;
            }
            while (more) {
                sink.Row(*stmt, r.rows);
                ++r.rows;
                FProgress.OpCurrent = r.rows;
                FProgress.OpTarget = r.rows + kProgressAhead;
                if (limit > 0) {
                    const qint64 size = sink.Size();
                    if (stop == SizeStop::AtOrBeyond ? size >= limit : size > limit) {
                        r.end = RowsEnd::SizeLimit;
                        break;
                    }
                }
                if (!sink.RowDone()) {
                    r.end = RowsEnd::WriteFailed;
                    break;
                }
                rc = stmt->Step();
                if (rc != SQLITE_ROW) {
                    if (rc != SQLITE_DONE) {
                        CheckResult(rc);
                        r.end = RowsEnd::StepFailed;
                    }
                    more = false;
                }
            }
            FStats.totResultRows += r.rows;
        }
    }
    bool ok = sink.End(r);
    if (!sink.Flush()) {
        SetError(sink.WriteError());
        ok = false;
    }
    return ok;
}

} // namespace sky
