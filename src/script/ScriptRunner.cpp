// The script runner and its output.
#include "script/ScriptRunner.h"

#include "engine/Database.h"
#include "engine/ScriptSplitter.h"
#include "engine/Statement.h"
#include "engine/SystemLog.h"
#include "support/Prompter.h"
#include "support/TextUtil.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <sqlite3.h>

namespace sky {

QString ElapsedText(qint64 ms) {
    if (ms <= 0) return QStringLiteral("-- --- --- --- --.----");
    const qint64 days = ms / 86400000;
    ms %= 86400000;
    return QStringLiteral("%1d %2h %3m and %4.%5s")
        .arg(days)
        .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

namespace {

const QString kSavepoint = QStringLiteral("SAVEPOINT \"#MainTXLoop\";");
const QString kRollbackTo = QStringLiteral("ROLLBACK TRANSACTION TO SAVEPOINT \"#MainTXLoop\";");

// The output file's lines.
class Output {
public:
    Output(QIODevice& out, const ScriptRunOptions& o) : FOut(out), FOpt(o) {}
    // mode / 10: line breaks before; mode % 10: 1 an empty line after, 2, 3
    // and 4 a divider of "-", "~" or "=" after.
    void Line(const QString& text, bool withTime = false, bool noPrefix = false, int mode = 0) {
        QString line;
        for (int k = 0; k < mode / 10; ++k)
            line += QStringLiteral("\r\n");
        if (!text.isEmpty()) {
            if (!noPrefix) line += QStringLiteral("  -- ");
            if (withTime)
                line += FOpt.now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) +
                        QStringLiteral("  |  ");
            line += text + QStringLiteral("\r\n");
        }
        switch (mode % 10) {
        case 1:
            line += QStringLiteral("\r\n");
            break;
        case 2:
        case 3:
        case 4: {
            const QChar c = mode % 10 == 2 ? u'-' : mode % 10 == 3 ? u'~' : u'=';
            line += QStringLiteral("  -- ") + QString(96, c) + QStringLiteral("\r\n\r\n");
            break;
        }
        default:
            break;
        }
        FOut.write(line.toUtf8());
    }
    // A status line: kind 1 Info, 2 Success, 3 ERROR, other Note.
    void Status(int kind, const QString& text) {
        const QString label = kind == 1   ? QStringLiteral("[Info]")
                              : kind == 2 ? QStringLiteral("[Success]")
                              : kind == 3 ? QStringLiteral("[ERROR]")
                                          : QStringLiteral("[Note]");
        Line(label.leftJustified(12) + u' ' + text, true);
        last = text;
    }
    QString last;

private:
    QIODevice& FOut;
    const ScriptRunOptions& FOpt;
};

bool WordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}

} // namespace

ScriptItemHead ReadScriptItemHead(const QString& text) {
    // The head, comments left out: "COMMIT /* done */;" is a COMMIT.
    static const QRegularExpression blockComment(QStringLiteral("/\\*.*?(\\*/|$)"),
                                                 QRegularExpression::DotMatchesEverythingOption);
    QString bare = FlattenFirstStatement(text);
    if (IndexOfPair(bare, u'/', u'*') >= 0) bare.remove(blockComment);
    const QString head = UpperAscii(CollapseWhitespace(bare.left(64)).trimmed().left(48).trimmed());
    ScriptItemHead h;
    if (head.isEmpty()) return h;
    h.empty = false;
    // One pass over the head's whole words: the first reading and the first
    // writing word, and the word TRANSACTION.
    static const QList<QLatin1String> reads{QLatin1String("SELECT"), QLatin1String("WITH"),
                                            QLatin1String("EXPLAIN")},
        writes{QLatin1String("INSERT"), QLatin1String("UPDATE"), QLatin1String("DELETE"),
               QLatin1String("CREATE"), QLatin1String("DROP"),   QLatin1String("ALTER"),
               QLatin1String("ATTACH")};
    qsizetype d = -1, wr = -1, tr = -1;
    for (qsizetype at = 0; at < head.size();) {
        if (!WordChar(head[at])) {
            ++at;
            continue;
        }
        qsizetype end = at;
        while (end < head.size() && WordChar(head[end]))
            ++end;
        const QStringView word = QStringView(head).mid(at, end - at);
        if (d < 0 && reads.contains(word)) d = at;
        if (wr < 0 && writes.contains(word)) wr = at;
        if (tr < 0 && word == QLatin1String("TRANSACTION")) tr = at;
        at = end;
    }
    // The writing words count only when no reading word opens the head.
    if (d >= 0 && d < 5) wr = -1;
    h.reads = wr < 0 || (d >= 0 && wr > d);
    QString tx = head;
    if (tr >= 0) tx.remove(tr, 11);
    tx.removeIf([](QChar c) { return !((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')); });
    static const QStringList opens{"BEGIN", "BEGINIMMEDIATE", "BEGINDEFERRED", "BEGINEXCLUSIVE",
                                   "END",   "COMMIT"};
    h.opens = opens.contains(tx);
    h.rollsBack = tx == QLatin1String("ROLLBACK");
    return h;
}

namespace {

// The script may not end the run's transaction itself.
int Authorize(void*, int action, const char*, const char*, const char*, const char*) {
    return action == SQLITE_TRANSACTION ? SQLITE_DENY : SQLITE_OK;
}

int CancelCheck(void* progress) {
    return static_cast<ProgressSink*>(progress)->IsCancelled() ? 1 : 0;
}

} // namespace

struct ScriptRun::State {
    State(TSQLite3Database& d, const ScriptParamList& p, QIODevice& out,
          const ScriptRunOptions& opt, ProgressSink& prog)
        : db(d), params(p), o(opt), progress(prog), w(out, opt), substitute(p),
          table(opt.table, [this](const QString& line) { w.Line(line, false, true); }) {
        steady.start();
        clock = o.ms ? o.ms : [this] { return steady.elapsed(); };
    }
    TSQLite3Database& db;
    const ScriptParamList& params;
    const ScriptRunOptions& o;
    ProgressSink& progress;
    Output w;
    ParamSubstituter substitute;
    OutputTable table;
    QElapsedTimer steady;
    std::function<qint64()> clock;
    ScriptRunResult r;
    ScriptItemStats item;
    QString bookmark, runError;
    TBackupProgressCallback oldHandler;
    int oldLevel = 0, count = 0, idx = -1, last = -1;
    qint64 startMs = 0, totalMods = 0, totalVm = 0, queryMs = 0;
    bool running = false, failed = false, stopped = false;
};

ScriptRun::ScriptRun(TSQLite3Database& db, const ScriptParamList& params, QIODevice& out,
                     const ScriptRunOptions& o, ProgressSink& progress)
    : F(std::make_unique<State>(db, params, out, o, progress)) {}

ScriptRun::~ScriptRun() {
    if (F->running) End(false);
}

bool ScriptRun::Running() const {
    return F->running;
}
bool ScriptRun::Succeeded() const {
    return F->running && !F->failed && !F->stopped && F->last >= 0;
}
int ScriptRun::Executed() const {
    return F->last + 1;
}
const ScriptItemStats& ScriptRun::LastItem() const {
    return F->item;
}
qint64 ScriptRun::QueryMs() const {
    return F->queryMs;
}
qint64 ScriptRun::RowMods() const {
    return F->totalMods;
}
qint64 ScriptRun::ElapsedMs() const {
    return F->clock() - F->startMs;
}
const ScriptRunResult& ScriptRun::Result() const {
    return F->r;
}
void ScriptRun::Stop() {
    F->stopped = true;
}

void ScriptRun::Status(int kind, const QString& text) {
    F->w.Status(kind, text);
}

bool ScriptRun::Start(int count) {
    State& s = *F;
    s.r = ScriptRunResult();
    s.r.items = s.count = count;
    if (s.running) {
        s.r.error = QStringLiteral("A Script is already running");
        s.r.status = QStringLiteral("Script not Started: ") + s.r.error;
        return false;
    }
    if (count <= 0) {
        s.r.error = QStringLiteral("No Script items to Execute...");
        s.r.status = QStringLiteral("Script not Started: ") + s.r.error;
        return false;
    }
    s.oldLevel = LogLevel();
    SetLogLevel(2);
    const QDateTime start = s.o.now();
    s.startMs = s.clock();
    s.bookmark = QStringLiteral("Script ") + s.o.scriptFile + QStringLiteral(" started at ") +
                 start.toString(QStringLiteral("HH:mm:ss.zzz 'on' dd MMMM."));
    LogApplication(s.bookmark);
    if (!s.db.BeginTransaction()) {
        s.r.error = s.db.LastError();
        s.r.status = QStringLiteral("Script not Started, Database error: ") + s.r.error;
        SetLogLevel(s.oldLevel);
        return false;
    }
    s.running = true;
    s.failed = s.stopped = false;
    s.idx = s.last = -1;
    s.totalMods = s.totalVm = s.queryMs = 0;
    s.runError.clear();
    Output& w = s.w;
    w.Line(QStringLiteral("Processing SQL in: %1").arg(s.o.scriptFile));
    w.Line(QStringLiteral("SQLite version %1  [ Release: %2 ]  on  Skylark version %3.")
               .arg(QString::fromUtf8(sqlite3_libversion()),
                    QString::fromUtf8(sqlite3_sourceid()).left(10), s.o.programVersion));
    w.Line(QString(), false, true, 1);
    w.Line(QStringLiteral("Script Items: %1   Parameter Count: %2")
               .arg(QString::number(count).leftJustified(8))
               .arg(s.params.Count()));
    if (s.params.Count() > 0) {
        s.table.Begin(
            {QStringLiteral("Parameters"), QStringLiteral("Name"), QStringLiteral("Value")});
        int n = 0;
        for (const QString& line : s.params.Lines()) {
            const qsizetype eq = line.indexOf(u'=');
            s.table.AddRow({QString::number(++n), line.left(eq), line.mid(eq + 1)});
        }
        s.table.Finish();
        w.Line(QString(), false, true, 1);
    }
    w.Status(1, QStringLiteral("Script Initialized, Started executing..."));
    w.Line(QString(), false, true, 4);
    sqlite3_set_authorizer(s.db.Handle(), &Authorize, nullptr);
    // Cancel in the progress dialog interrupts a long statement; the
    // connection's own handler comes back at the end.
    s.oldHandler = s.db.ProgressState().PHandler;
    sqlite3_progress_handler(s.db.Handle(), 1000, &CancelCheck, &s.progress);
    return true;
}

bool ScriptRun::Execute(RunItemText&& source) {
    State& s = *F;
    if (!s.running || s.failed) return false;
    Output& w = s.w;
    const ScriptRunOptions& o = s.o;
    TSQLite3Database& db = s.db;
    const int idx = ++s.idx;
    if (s.stopped || !s.progress.AdvanceIfNotCancelled(QStringLiteral("Script Item %1...").arg(idx),
                                                       double(idx) / s.count, 0)) {
        s.stopped = true;
        w.Status(1, QStringLiteral("Execution stopped by User"));
        return false;
    }
    s.last = idx;
    s.item = ScriptItemStats();
    ScriptItemStats& it = s.item;
    it.logMode = std::clamp(source.logMode, 0, 2);
    QString text = std::move(source.sql);
    // One statement per item: a second one would run unseen.
    const bool multi = text.count(u';') > 1 && SplitSqlScript(text, true).statements.size() > 1;
    const ScriptItemHead head = ReadScriptItemHead(text);
    if (!head.empty && !multi) {
        it.kind = head.reads ? 1 : 0;
        if (head.opens) {
            text = kSavepoint;
            it.kind = 0;
        } else if (head.rollsBack) {
            text = kRollbackTo;
            it.kind = 0;
        } else {
            QString why;
            if (!s.substitute.Apply(text, &why)) {
                it.error = why;
                s.runError = QStringLiteral("Script Failed in Item %1: ").arg(idx) + why;
                w.Status(3, why);
                it.result = 3;
                s.failed = true;
                return false;
            }
        }
    }
    it.size = text.size();
    // The echo.
    qsizetype from = 0, to = text.size();
    while (to > 0 && (text[to - 1] == u'\r' || text[to - 1] == u'\n'))
        --to;
    while (from < to && (text[from] == u'\r' || text[from] == u'\n'))
        ++from;
    QString echo = text.mid(from, to - from);
    if (!o.fullQueries && echo.size() > 512) echo = echo.left(512) + QStringLiteral("//...");
    w.Line(echo, false, true, 1);
    if (it.kind == 1) w.Line(QString(), false, true, 1);
    // The statement.
    const qint64 t0 = s.clock();
    QString msg;
    if (multi) {
        msg = QStringLiteral("more than one statement in this item");
    } else if (db.IsBusy()) {
        msg = QStringLiteral("Database Busy");
    } else {
        const qint64 changes0 = sqlite3_total_changes64(db.Handle());
        db.ClearError();
        std::unique_ptr<TSQLite3Statement> st = db.Prepare(text);
        const qint64 tPrep = s.clock();
        if (!st) {
            msg = db.LastError();
            // No statement and no error: a comment, a no-op.
            if (!msg.isEmpty()) msg = QString::fromUtf8(sqlite3_errmsg(db.Handle()));
        } else {
            int rc = st->Step();
            const int cols = st->ColumnCount();
            bool aborted = false;
            if (rc == SQLITE_ROW && cols > 0) {
                QStringList names;
                for (int c = 0; c < cols; ++c)
                    names << st->ColumnName(c);
                s.table.Begin(names);
                it.cols = cols;
                while (rc == SQLITE_ROW) {
                    QStringList cells;
                    for (int c = 0; c < cols; ++c) {
                        switch (st->ColumnType(c)) {
                        case SQLITE_NULL:
                            cells << NullDisplayText();
                            break;
                        case SQLITE_BLOB:
                            cells << QString::fromUtf8(st->ColumnBlobText(c, o.fullBlobs));
                            break;
                        default:
                            cells << st->ColumnText(c);
                            break;
                        }
                    }
                    s.table.AddRow(cells);
                    ++it.rows;
                    if (it.rows % 256 == 0 &&
                        !s.progress.AdvanceIfNotCancelled(
                            QStringLiteral("Script Item %1...").arg(idx), double(idx) / s.count,
                            double(it.rows) / double(it.rows + 1000))) {
                        aborted = true;
                        break;
                    }
                    rc = st->Step();
                }
                s.table.Finish();
            }
            if (aborted || (rc != SQLITE_DONE && s.progress.IsCancelled()))
                msg = QStringLiteral("Query Aborted by User...");
            else if (rc != SQLITE_DONE)
                msg = QString::fromUtf8(sqlite3_errmsg(db.Handle()));
            it.mods = sqlite3_total_changes64(db.Handle()) - changes0;
            it.vm = sqlite3_stmt_status(st->Handle(), SQLITE_STMTSTATUS_VM_STEP, 0);
            it.scans = sqlite3_stmt_status(st->Handle(), SQLITE_STMTSTATUS_FULLSCAN_STEP, 0);
            it.sorts = sqlite3_stmt_status(st->Handle(), SQLITE_STMTSTATUS_SORT, 0);
        }
        const qint64 t1 = s.clock();
        it.prepMs = tPrep - t0;
        it.qryMs = t1 - tPrep;
        it.totMs = t1 - t0;
        s.totalMods += it.mods;
        s.totalVm += it.vm;
    }
    s.queryMs += it.prepMs + it.qryMs;
    if (!msg.isEmpty()) {
        it.result = 3;
        it.error = QStringLiteral("Query Failed: ") + msg;
        s.runError = QStringLiteral("Script Failed in Item %1: ").arg(idx) + msg;
        w.Status(3, msg);
        s.failed = true;
    } else {
        it.result = 2;
        if (it.rows > 0) w.Line(QString(), false, true, 1);
    }
    // Item statistics.
    const bool skip = it.logMode < 2 && (o.statMode < 2 || (o.statMode == 2 && it.kind != 1));
    if (!skip) {
        const QString result = it.result == 2 ? QStringLiteral("Success.") : it.error + u'.';
        if (it.logMode > 0) {
            w.Line(
                QStringLiteral("   Item Stats:  Item No:           %1      Query Size (Chars):  %2")
                    .arg(QString::number(idx + 1).leftJustified(8))
                    .arg(it.size));
            if (it.kind > 0)
                w.Line(QStringLiteral(
                           "                Result Columns:    %1      Result Rows:         %2")
                           .arg(QString::number(it.cols).leftJustified(8))
                           .arg(it.rows));
            w.Line(
                QStringLiteral("                VM Work Steps:     %1      Rows Modified:       %2")
                    .arg(QString::number(it.vm).leftJustified(8))
                    .arg(it.mods));
            if (it.logMode == 2) {
                w.Line(QStringLiteral(
                           "                Sort Operations:   %1      Table-Scan Steps:    %2")
                           .arg(QString::number(it.sorts).leftJustified(8))
                           .arg(it.scans));
                w.Line(QStringLiteral("                Prepare Time:      %1")
                           .arg(ElapsedText(it.prepMs)));
                w.Line(QStringLiteral("                Query Run:         %1")
                           .arg(ElapsedText(it.qryMs)));
            }
            w.Line(
                QStringLiteral("                Full Query Time:   %1").arg(ElapsedText(it.totMs)));
            if (it.logMode == 2)
                w.Line(QStringLiteral("                Script Time:       %1")
                           .arg(ElapsedText(s.clock() - s.startMs)));
        }
        if (it.logMode > 0 || it.result == 3)
            w.Line(QStringLiteral("                Query Result:      %1").arg(result), false,
                   false, 2);
    }
    return !s.failed;
}

ScriptRunResult ScriptRun::End(bool commit) {
    State& s = *F;
    if (!s.running) return s.r;
    Output& w = s.w;
    TSQLite3Database& db = s.db;
    ScriptRunResult& r = s.r;
    sqlite3_set_authorizer(db.Handle(), nullptr, nullptr);
    db.SetProgressHandler(s.oldHandler);
    const qint64 endMs = s.clock();
    if (s.o.statMode != 0) {
        auto stat = [&](const char* first, const QString& caption, const QString& value) {
            w.Line(QString::fromLatin1(first).rightJustified(15) + u' ' + caption + value);
        };
        stat("Script Stats:", QStringLiteral("Total Script Execution Time:     "),
             ElapsedText(endMs - s.startMs));
        stat("", QStringLiteral("Total Script Query Time:         "), ElapsedText(s.queryMs));
        stat("", QStringLiteral("Total Database Rows Changed:     "), QString::number(s.totalMods));
        stat("", QStringLiteral("Total Virtual-Machine Steps:     "), QString::number(s.totalVm));
        stat("", QStringLiteral("Last executed Item Index:        "), QString::number(s.last + 1));
        w.Line(QString::fromLatin1("").rightJustified(15) +
                   QStringLiteral(" Last Script Error:               ") + s.runError,
               false, false, 2);
    }
    auto rollBack = [&] {
        // An interrupted statement has rolled everything back already.
        if (db.EndAbandonedTransaction() || db.Rollback())
            w.Status(2, QStringLiteral("Transaction Rolled back."));
        else
            w.Status(3, QStringLiteral("Failed to Roll back: ") + db.LastError());
    };
    if (s.last < 0 && !s.failed && !s.stopped)
        s.runError = QStringLiteral("No valid executable lines");
    if (s.failed || s.stopped || s.last < 0) {
        w.Status(1, QStringLiteral("Script failed - Rolling back..."));
        rollBack();
        if (s.runError.isEmpty() && s.stopped)
            s.runError = QStringLiteral("Execution stopped by User");
        w.Status(3, QStringLiteral("Failed to complete: ") + s.runError);
        r.error = s.runError;
    } else {
        w.Status(2, QStringLiteral("Script Success."));
        if (commit) {
            if (db.Commit()) {
                w.Status(2, QStringLiteral("Transaction Committed."));
                r.committed = true;
            } else {
                // The engine's Commit rolled back what it could not commit.
                r.error = QStringLiteral("Failed to Commit: ") + db.LastError();
                w.Status(3, r.error);
                if (db.TransactionOpen()) db.Rollback();
                w.Status(2, QStringLiteral("Transaction Rolled back."));
            }
        } else {
            rollBack();
        }
        r.ok = r.error.isEmpty();
    }
    // Whatever happened above, no transaction stays open.
    if (db.TransactionOpen()) db.Rollback();
    r.status = w.last;
    // The engine log of the run.
    QStringList log;
    GetLogLines(log, false);
    qsizetype from = -1;
    for (qsizetype k = 0; k < log.size() && from < 0; ++k)
        if (log[k].contains(s.bookmark)) from = k;
    if (from < 0) {
        w.Line(QStringLiteral("No DB Engine Logs recorded."));
    } else {
        w.Line(QStringLiteral("-------  DB-Engine Logs (Contains logged information from all DB "
                              "connections during run)  ------"));
        for (qsizetype k = from; k < log.size(); ++k)
            w.Line(log[k]);
    }
    w.Line(QString(), false, true, 4);
    SetLogLevel(s.oldLevel);
    s.running = false;
    return r;
}

ScriptRunResult RunScriptItems(TSQLite3Database& db, const QList<RunItemText>& items,
                               const ScriptParamList& params, QIODevice& out,
                               const ScriptRunOptions& o, ProgressSink& progress) {
    int count = 0;
    for (const RunItemText& i : items)
        if (i.logMode >= 0) ++count;
    return RunScriptItems(
        db, count,
        [&items](const std::function<bool(RunItemText &&)>& each) {
            for (const RunItemText& i : items)
                if (i.logMode >= 0 && !each(RunItemText(i))) return;
        },
        params, out, o, progress);
}

ScriptRunResult RunScriptItems(TSQLite3Database& db, int count, const RunItemSource& next,
                               const ScriptParamList& params, QIODevice& out,
                               const ScriptRunOptions& o, ProgressSink& progress) {
    ScriptRun run(db, params, out, o, progress);
    if (!run.Start(count)) return run.Result();
    int seen = 0;
    bool ended = false;
    next([&](RunItemText&& item) {
        ++seen;
        ended = !run.Execute(std::move(item));
        return !ended;
    });
    // A source that ran dry early (a script file changed between its
    // passes) fails the run rather than committing part of it.
    if (!ended && seen < count)
        run.Fail(QStringLiteral("Script items missing: %1 of %2 were read").arg(seen).arg(count));
    return run.End(o.endMode == 0);
}

void ScriptRun::Fail(const QString& why) {
    F->runError = why;
    F->w.Status(3, why);
    F->failed = true;
}

} // namespace sky
