// Statement execution: single statements, bound rows, scripts (in a
// transaction or not), transactions, foreign-key enforcement and the
// splitter entry points.
#include "engine/Database.h"

#include "engine/CsvFields.h"
#include "engine/Operation.h"
#include "engine/ScriptSplitter.h"
#include "engine/Statement.h"
#include "support/TextFile.h"
#include "support/TextUtil.h"

#include <algorithm>
#include <sqlite3.h>

namespace sky {

namespace {
const QString kDatabaseBusy = QStringLiteral("Database Busy");
const QString kDatabaseBusyLower = QStringLiteral("Database busy");
const QString kTransactionOpened = QStringLiteral("Transaction is already opened.");
const QString kNoTransaction = QStringLiteral("No transaction is open");
const QString kExceptionExecuting = QStringLiteral("Exception executing Query ");
const QString kEmptyQuery = QStringLiteral("Empty Query: \"\"");
const QString kEmptyScript = QStringLiteral("Empty Script");
// A script whose end is unfinished: an open quote, comment, bracket or
// trigger body (the engine's own words for it).
const QString kIncompleteInput = QStringLiteral("DB Error: incomplete input");
// A script file whose reading failed part way (the system's reason follows).
const QString kScriptUnreadable = QStringLiteral("Cannot read the script: ");

// How often ";" occurs in s, in a loop the compiler vectorises.
qint64 CountSemicolons(QStringView s) {
    const char16_t* p = s.utf16();
    unsigned count = 0;
    for (qsizetype i = 0; i < s.size(); ++i)
        count += unsigned(p[i] == u';');
    return count;
}

// Feeds the splitter from the reader; readFailed tells a failed read from
// the end. A script that could not be counted ahead (a pipe) has its
// semicolons counted as they are read, and the progress target follows.
ScriptReadMore FeedFrom(TextFileReader& reader, bool countAsRead, qint64& target,
                        bool& readFailed) {
    return [&reader, countAsRead, &target, &readFailed,
            semicolons = qint64(0)](QString& buffer) mutable {
        const qsizetype before = buffer.size();
        if (!reader.ReadMore(buffer)) {
            readFailed = !reader.Error().isEmpty();
            return false;
        }
        if (countAsRead) {
            semicolons += CountSemicolons(QStringView(buffer).sliced(before));
            target = 16 * (semicolons + 1);
        }
        return true;
    };
}

} // namespace

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
        FLastErr = kEmptyQuery;
        return false;
    }
    OperationGuard op(*this, kDatabaseBusy, kExceptionExecuting);
    if (!op.Admitted()) return false;
    op.DispatchAtEnd();
    op.Begin();
    return op.Run([&] {
        FProgress.OpCurrent = 0;
        FProgress.OpTarget = 1;
        FLastErr.clear();
        std::unique_ptr<TSQLite3Statement> stmt = Prepare(SQL);
        StatsPrepared(stmt.get());
        if (!stmt) {
            // Nothing to run (empty or a comment) is no failure; a prepare
            // error or a failing progress handler at the end is.
            op.EndStats();
            return FLastErr.isEmpty();
        }
        const int rc = stmt->Step();
        return rc == SQLITE_ROW || rc == SQLITE_DONE || CheckResult(rc);
    });
}

bool TSQLite3Database::ExecuteBonded(const QString& SQL,
                                     const QStringList* csvLinesReplacingQuestionmarks) {
    if (!CheckConnected()) return false;
    OperationGuard op(*this, kDatabaseBusy, kExceptionExecuting);
    if (!op.Admitted()) return false;
    op.DispatchAtEnd();
    op.Begin();
    const qsizetype lineCount =
        csvLinesReplacingQuestionmarks ? csvLinesReplacingQuestionmarks->size() : 0;
    return op.Run([&] {
        FLastErr.clear();
        std::unique_ptr<TSQLite3Statement> stmt = Prepare(SQL);
        StatsPrepared(stmt.get());
        if (!stmt) return FLastErr.isEmpty();
        bool ok = true;
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
        return ok;
    });
}

bool TSQLite3Database::ExecuteList(const QStringList& SQLScript) {
    return ExecuteList(SQLScript.join(QStringLiteral("\r\n")));
}

bool TSQLite3Database::ExecuteList(const QString& SQLScript) {
    return ExecuteListGuarded(SQLScript, nullptr);
}

bool TSQLite3Database::ExecuteList(TextFileReader& Script) {
    return ExecuteListGuarded(QStringView(), &Script);
}

bool TSQLite3Database::ExecuteListGuarded(QStringView text, TextFileReader* reader) {
    if (!CheckConnected()) {
        DispatchUpdates();
        return false;
    }
    OperationGuard op(*this, kDatabaseBusy, kExceptionExecuting);
    if (!op.Admitted()) return false;
    op.DispatchAtEnd();
    op.Begin();
    return op.Run([&] { return ExecuteListImpl(text, reader); });
}

// The script is the text, or what the reader reads when one is given; both
// run through the same splitter, statement by statement as it finds them,
// so a script is never held as a list.
bool TSQLite3Database::ExecuteListImpl(QStringView text, TextFileReader* reader) {
    FProgress.OpTarget = 10;
    bool failed = false;
    QString remembered;
    FLastErr.clear();
    // The progress target counts the semicolons: an upper bound of the
    // statements, known before the first one runs. A file is counted in a
    // pass of its own when a handler will see the target; a pipe cannot be,
    // and without a handler the pass is saved: then the target grows as the
    // script is read and ends at the same count.
    const qint64 semicolons = !reader              ? CountSemicolons(text)
                              : FProgress.PHandler ? reader->CountAscii(';')
                                                   : -1;
    FProgress.OpTarget = 16 * (std::max<qint64>(semicolons, 0) + 1);
    bool readFailed = false;
    const ScriptReadMore readMore =
        reader ? FeedFrom(*reader, semicolons < 0, FProgress.OpTarget, readFailed)
               : ScriptReadMore();
    auto runOne = [&](const QString& statement, bool isTail) {
        StatsBegin();
        std::unique_ptr<TSQLite3Statement> stmt = Prepare(statement);
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
    auto readFailure = [&] {
        SetError(kScriptUnreadable + reader->Error());
        remembered = FLastErr;
        failed = true;
    };
    qint64 index = 0;
    QString tail;
    const auto onStatement = [&](QString&& statement) {
        // After a failed read the text may end inside a statement: nothing
        // more runs.
        if (readFailed) {
            readFailure();
            return false;
        }
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
    };
    if (reader)
        SplitSqlScriptEach(readMore, true, onStatement, &tail);
    else
        SplitSqlScriptEach(text, true, onStatement, &tail);
    if (!failed && readFailed)
        readFailure();
    else if (!failed && !tail.isEmpty())
        runOne(tail, true);
    if (failed) FLastErr = remembered;
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

bool TSQLite3Database::EndAbandonedTransaction() {
    if (!FTransactionOpen || !FHandle || sqlite3_get_autocommit(FHandle) == 0) return false;
    FTransactionOpen = false;
    return true;
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
// Splitter

int TSQLite3Database::SQLReduceToStatements(const QString& sql, TSQLiteStatementArray& SL,
                                            bool bRemWhSpc, QString* discardedTail) {
    SL.clear();
    if (discardedTail) discardedTail->clear();
    if (TrimText(sql).isEmpty()) {
        FLastErr = kEmptyScript;
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

} // namespace sky
