// The workspace controller's query editor and query runs: the query-text
// stack, templates, comments, the history pick, "Add as SQL", loading and
// saving the editor text, the run of the editor text with its progress, the
// history entry and the figures of the statistics panel.
#include "workspace/WorkspaceController.h"

#include "engine/SystemLog.h"
#include "support/Prompter.h"
#include "support/SettingsCatalogue.h"
#include "support/TextFile.h"
#include "support/TextUtil.h"
#include "workspace/EditorCommands.h"

#include <QFileInfo>
#include <QTime>
#include <algorithm>

namespace sky {

// --- the query editor

void WorkspaceController::AddToQueryStack(const QString& text, bool keep) {
    editor.stack.Add(text, keep);
    FView.StackChanged();
}

void WorkspaceController::StepQueryStack(int step) {
    QString entry;
    const bool moved = editor.stack.Step(step, editor.text, entry);
    FView.StackChanged();
    if (!moved) return;
    editor.text = entry;
    editor.selStart = editor.selEnd = entry.size();
    FView.EditorChanged();
}

void WorkspaceController::ReplaceEditorText(const QString& text) {
    ReplaceEditorText(text, text.size(), text.size());
}

void WorkspaceController::ReplaceEditorText(const QString& text, qsizetype selStart,
                                            qsizetype selEnd) {
    AddToQueryStack(editor.text);
    editor.text = text;
    editor.selStart = std::clamp<qsizetype>(selStart, 0, text.size());
    editor.selEnd = std::clamp<qsizetype>(selEnd, 0, text.size());
    FView.EditorChanged();
}

void WorkspaceController::CommentSelection(bool block, bool add) {
    const CommentEdit e =
        sky::CommentSelection(editor.text, editor.selStart, editor.selEnd, block, add);
    editor.text = e.text;
    editor.selStart = e.keepSelection ? e.selStart : e.selEnd;
    editor.selEnd = e.selEnd;
    FView.EditorChanged();
}

bool WorkspaceController::PickHistory(const QString& historyText, qsizetype caret) {
    const QString entry = PickHistoryEntry(historyText, caret);
    if (entry.isEmpty()) return false;
    ReplaceEditorText(entry);
    return true;
}

bool WorkspaceController::AddFilterAsSql(const QString& condition) {
    const SqlMerge m = AddFilterToQuery(editor.text, editor.selStart, condition, table.name);
    if (!m.changed) return false;
    AddToQueryStack(editor.text);
    editor.text = m.text;
    editor.selStart = editor.selEnd = m.caret;
    FView.EditorChanged();
    return true;
}

void WorkspaceController::LoadQuery(const QString& file) {
    AddToQueryStack(editor.text);
    QString text, why;
    if (!ReadTextFile(file, text, &why)) {
        SetStatus(QStringLiteral("Error Loading Query from \"") + file + QStringLiteral("\": ") +
                  why);
        return;
    }
    editor.text = text;
    editor.selStart = editor.selEnd = 0;
    FView.EditorChanged();
    SetStatus(QStringLiteral("Query Loaded successfuly."));
}

void WorkspaceController::SaveQuery(const QString& file) {
    QString name = file;
    if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".sql");
    QString why;
    if (WriteFileAtomic(name, editor.text.toUtf8(), &why))
        SetStatus(QStringLiteral("Query Saved successfuly."));
    else
        SetStatus(QStringLiteral("Error Saving Query to: \"") + name + QStringLiteral("\": ") +
                  why);
}

QStringList WorkspaceController::ResultRow(int row) const {
    QStringList cells;
    for (int c = 0; c < results.rows.ColumnCount(); ++c)
        cells << (row < 0 ? results.rows.Heading(c) : results.rows.Text(row, c));
    return cells;
}

TColStats WorkspaceController::ColumnStatistics(const GridView& grid, int column) const {
    TColStats s = ColumnStats(grid, column, NullDisplayText());
    for (const FieldInfo& f : table.fields)
        if (TrimText(f.name).compare(s.sName, Qt::CaseInsensitive) == 0) {
            s.sComment = TrimText(f.comment);
            s.sUsedInd = f.references;
        }
    return s;
}

StatFigures WorkspaceController::Stats() const {
    StatFigures f;
    const TSQliteSysStats& s = sql.StatsSystem();
    const TSQliteQueryStats& q = sql.StatsQuery();
    constexpr double kSecondsPerDay = 86400.0;
    f.memoryUsed = s.memUsed;
    f.cacheUsed = s.memCacheUsed;
    f.statementMemory = s.memStatement;
    f.schemaMemory = s.memSchemas;
    f.allocations = s.memAllocations;
    f.totalTime = q.tMain.timeElapsedTot * kSecondsPerDay;
    f.prepareTime = q.tMain.timeElapsedPrepare * kSecondsPerDay;
    f.executeTime = q.tMain.timeElapsedQry * kSecondsPerDay;
    f.vmSteps = q.totVMWorkDoneSteps;
    f.resultRows = q.totResultRows;
    f.changedRows = q.totRowModsThisQuery;
    f.cacheWrites = s.cacheCommits;
    f.totalChanges = s.totRowModsToDate;
    return f;
}

// --- running queries

void WorkspaceController::QueryProgress(qint64 done, qint64 target, bool& cancelled) {
    FView.PrepNotice(false);
    if (!fShowProgress) {
        if (fQryProgress) FView.EndProgress(fQryProgress);
        fQryProgress = nullptr;
        // No dialog: pending events still run now and then.
        if (FTick.elapsed() >= 50) {
            FTick.restart();
            FView.LetEventsRun();
        }
        return;
    }
    if (done == 0 && target <= 1) {
        if (!fQryProgress)
            fQryProgress = FView.StartProgress(QStringLiteral("Executing Query - Please wait..."));
        if (fQryProgress)
            fQryProgress->Advance(QStringLiteral("Preparation..."),
                                  QTime::currentTime().msec() / 1000.0 / 10.0, -1);
    } else if (done < target) {
        if (!fQryProgress)
            fQryProgress =
                FView.StartProgress(QStringLiteral("Querying Database - Please wait..."));
        if (fQryProgress)
            fQryProgress->Advance(done == 0
                                      ? QStringLiteral("Progress estimated  -  not to scale )")
                                      : QStringLiteral("Progress estimated  -  Total Results:  ") +
                                            QString::number(done),
                                  target > 0 ? double(done) / double(target) : 0, -1);
    } else if (fQryProgress) {
        FView.EndProgress(fQryProgress);
        fQryProgress = nullptr;
    }
    if (fQryProgress && fQryProgress->IsCancelled()) cancelled = true;
}

void WorkspaceController::EndRun() {
    fShowProgress = false;
    FView.PrepNotice(false);
    if (fQryProgress) FView.EndProgress(fQryProgress);
    fQryProgress = nullptr;
}

void WorkspaceController::AddToHistory(const QString& text) {
    FView.ReadWindow(); // the history page may have been edited
    AddToQueryStack(text, false);
    const int maxHist = CfgGet(setting::MaxHist);
    if (!TrimText(text).isEmpty() && !editor.skipHistory)
        AddToHistoryLines(history.lines, text, maxHist);
    editor.stack.AfterHistory();
    FView.StackChanged();
    editor.skipHistory = false;
    FView.HistoryChanged();
}

void WorkspaceController::RunQuery(RunMode mode) {
    if (sql.IsBusy()) {
        SetStatus(QStringLiteral("Error: Busy executing a prior Query..."));
        editor.skipHistory = false; // a refused run too
        return;
    }
    Operation op(*this);
    // The grid keeps the old rows until the run is over: one notification at
    // its end.
    const int keepRow = results.currentRow;
    TResultTable rows;
    results.enumerationLost = true;
    SetStatus(QStringLiteral("Querying..."));
    results.createFromResults = false;
    QString prefix = RunPrefix(mode);
    const bool selectedOnly = RunsSelection(mode) && editor.selEnd > editor.selStart;
    QString text =
        TrimText(selectedOnly ? editor.text.mid(editor.selStart, editor.selEnd - editor.selStart)
                              : editor.text);
    bool rowReturning = !prefix.isEmpty(), schemaChanged = false;
    if (PrefixAlreadyInText(prefix, text)) prefix.clear();
    if (!text.isEmpty() && prefix.isEmpty()) {
        const QueryClass q = ClassifyQuery(text);
        rowReturning = q.rowReturning;
        schemaChanged = q.schemaChanged;
        if (!q.confirmText.isEmpty() && !editor.skipHistory &&
            !FPrompts.AskYesNo(QStringLiteral("WARNING: "),
                               QStringLiteral("You are about to ") + q.confirmText +
                                   QStringLiteral("...  Continue?"),
                               30, QStringLiteral("No"), QStringLiteral("Yes"))) {
            text.clear();
            schemaChanged = false;
        }
    }
    fShowProgress = true;
    FView.PrepNotice(true);
    // The user's own statement may load an extension; nothing else can.
    const bool loads = text.contains(QLatin1String("load_extension"), Qt::CaseInsensitive);
    if (loads) sql.SetExtensionSql(true);
    struct ExtensionSqlOff {
        TSQLite3Database& db;
        bool on;
        ~ExtensionSqlOff() {
            if (on) db.SetExtensionSql(false);
        }
    } extensionSqlOff{sql, loads};
    bool ok = false;
    int skipped = 0;
    if (text.isEmpty()) {
        SetStatus(QStringLiteral("No Query."));
    } else if (!rowReturning || schemaChanged) {
        ok = sql.ExecuteList(text);
        if (!ok) SetStatus(QStringLiteral("Error: ") + sql.LastError());
        FView.StatsChanged();
    } else {
        ok = sql.QueryToResults(rows, prefix + text, -1, opts.showLineNos ? 1 : -1);
        FView.StatsChanged();
        if (!ok) {
            SetStatus(QStringLiteral("Error: ") + sql.LastError());
            rows.Clear();
        } else {
            results.lastQuery = prefix + text;
            results.createFromResults = true;
            if (FView.CurrentPage() > kPageEdit) FView.ShowPage(kPageResults);
            // Only the first statement returns rows: the rest is not run, and said so.
            TSQLiteStatementArray statements;
            skipped = std::max(0, sql.SQLReduceToStatements(text, statements, false) - 1);
        }
    }
    if (ok) {
        QString done = QStringLiteral("Query Success.");
        if (skipped > 0) {
            done += QStringLiteral(" ") + QString::number(skipped) +
                    (skipped == 1 ? QStringLiteral(" further statement was not executed.")
                                  : QStringLiteral(" further statements were not executed."));
            WriteLog(TLogKind::Query, done + QStringLiteral(" ") + text);
        }
        SetStatus(done);
        AddToHistory(prefix + text);
    }
    EndRun();
    results.rows = std::move(rows);
    results.currentRow = keepRow >= 0 && keepRow < results.rows.RowCount() ? keepRow : -1;
    // The statements before a failing one stay done: the tree shows what the
    // file holds now, the status keeps the run's own message.
    if (schemaChanged && !text.isEmpty()) {
        const QString runStatus = status;
        RefreshSchema();
        if (!ok) SetStatus(runStatus);
    }
    editor.skipHistory = false; // also after a failed, refused or empty run
    FView.ResultsChanged();
}

TemplateContext WorkspaceController::TemplateState() const {
    TemplateContext c;
    c.curSchema = table.schema;
    c.curTable = table.name;
    c.columns = table.columns;
    c.chosenColumn = table.curCol;
    c.primaryKey = table.primaryKey;
    c.queryLimit = fQryLimit;
    c.clipboard = FView.ClipboardText();
    return c;
}

void WorkspaceController::InsertSQLTemplate(const QString& tmpl) {
    TemplateResult r;
    if (!ApplyTemplate(tmpl, TemplateState(), r)) return;
    AddToQueryStack(editor.text);
    editor.text = r.text;
    editor.selStart = r.selStart;
    editor.selEnd = r.selEnd;
    FView.EditorChanged();
}

} // namespace sky
