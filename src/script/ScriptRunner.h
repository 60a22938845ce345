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

// "0d 00h 00m and 01.250s"; a span of 0 or less "-- --- --- --- --.----".
QString ElapsedText(qint64 ms);

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
