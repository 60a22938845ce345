// The script runner without its window: the items run one by one inside one
// transaction of the database (the script's own BEGIN, COMMIT, END and
// ROLLBACK become savepoints; any other statement that would begin, commit
// or roll back is refused), each failure naming the item and the engine's
// reason, and the plain-text output: the header, each statement echoed,
// result rows as aligned tables, statistics as chosen, status lines with
// time stamps, totals and the engine log of the run. The clock is injected,
// so outputs can be compared byte for byte.
#pragma once

#include "script/OutputTable.h"
#include "script/ScriptParams.h"

#include <QDateTime>
#include <QIODevice>
#include <QList>
#include <QString>
#include <functional>
#include <memory>

namespace sky {

class ProgressSink;
class TSQLite3Database;

struct RunItemText {
    int logMode = 1; // -1 excluded, 0 silent, 1 normal, 2 verbose
    QString sql;
};

struct ScriptRunOptions {
    QString scriptFile;
    int endMode = 1;  // 0 commit, 1 roll back
    int statMode = 2; // 0 none, 1 script, 2 select, 3 full
    bool fullQueries = false;
    bool fullBlobs = false;
    OutputTableOptions table;
    QString programVersion;
    // The wall clock of the time stamps, and the milliseconds of a steady
    // clock for the timings (read three times per item).
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    std::function<qint64()> ms;
};

struct ScriptRunResult {
    bool ok = false; // every item ran (and the end mode was carried out)
    bool committed = false;
    QString status; // the last status text
    QString error;  // the run's error
    int items = 0;  // run items
};

// What a run needs of an item's first 48 characters (comments left out,
// whitespace collapsed, upper-cased): whether it reads (no writing word
// before SELECT, WITH or EXPLAIN), or is a transaction statement that opens
// (BEGIN ..., END, COMMIT) or rolls back.
struct ScriptItemHead {
    bool empty = true, reads = false, opens = false, rollsBack = false;
};
ScriptItemHead ReadScriptItemHead(const QString& text);

// One item's run: its kind (1 returns rows), result (2 success, 3 failed),
// counters and times in milliseconds.
struct ScriptItemStats {
    int logMode = 1, kind = 0, result = 0;
    qint64 size = 0, rows = 0, cols = 0, mods = 0, vm = 0, scans = 0, sorts = 0;
    qint64 prepMs = 0, qryMs = 0, totMs = 0;
    QString error;
};

// "0d 00h 00m and 01.250s"; a span of 0 or less "-- --- --- --- --.----".
QString ElapsedText(qint64 ms);

// A run item by item, for the window's Step and Run to: Start writes the
// header and begins the transaction, Execute runs one item (false: the run
// must end, it failed or was stopped), End writes the totals, commits (when
// asked and the run succeeded) or rolls back, and the engine log. A run not
// ended rolls back when the object goes.
class ScriptRun {
public:
    ScriptRun(TSQLite3Database& db, const ScriptParamList& params, QIODevice& out,
              const ScriptRunOptions& o, ProgressSink& progress);
    ~ScriptRun();
    ScriptRun(const ScriptRun&) = delete;
    ScriptRun& operator=(const ScriptRun&) = delete;

    bool Start(int count);
    bool Execute(RunItemText&& item);
    // Ends the run as failed with why (before End).
    void Fail(const QString& why);
    // The next Execute ends the run instead of running its item.
    void Stop();
    ScriptRunResult End(bool commit);
    // A status line in the output (while running).
    void Status(int kind, const QString& text);

    bool Running() const;
    bool Succeeded() const; // running, at least one item, none failed, not stopped
    int Executed() const;   // items taken so far
    const ScriptItemStats& LastItem() const;
    qint64 QueryMs() const;
    qint64 RowMods() const;
    qint64 ElapsedMs() const;
    const ScriptRunResult& Result() const;

private:
    struct State;
    std::unique_ptr<State> F;
};

// Runs the items (excluded ones are left out) against db and writes the
// output to out; cancel via progress (checked between items).
ScriptRunResult RunScriptItems(TSQLite3Database& db, const QList<RunItemText>& items,
                               const ScriptParamList& params, QIODevice& out,
                               const ScriptRunOptions& o, ProgressSink& progress);
// The same over a source of count items: it hands each item to `each` in
// turn and stops when `each` returns false, so a script of any size runs in
// flat memory.
using RunItemSource = std::function<void(const std::function<bool(RunItemText&&)>& each)>;
ScriptRunResult RunScriptItems(TSQLite3Database& db, int count, const RunItemSource& next,
                               const ScriptParamList& params, QIODevice& out,
                               const ScriptRunOptions& o, ProgressSink& progress);

} // namespace sky
