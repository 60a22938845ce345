#include "workspace/WorkspaceController.h"

#include "design/SchemaLayouts.h"
#include "engine/Identifiers.h"
#include "engine/SqlLiteral.h"
#include "engine/SystemLog.h"
#include "shell/Workspace.h"
#include "support/Csv.h"
#include "support/Prompter.h"
#include "support/TextUtil.h"

#include <QTime>

#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

namespace sky {
namespace {

bool IsMainSchema(const QString& schema) {
    const QString s = TrimText(schema).toLower();
    return s.isEmpty() || s == QLatin1String("main");
}

// Whether a name occurs in a text as a whole word, ignoring case.
bool MentionsWord(const QString& text, const QString& word) {
    if (word.isEmpty()) return false;
    const QRegularExpression re(QStringLiteral("(^|[^\\w])") + QRegularExpression::escape(word) +
                                    QStringLiteral("($|[^\\w])"),
                                QRegularExpression::CaseInsensitiveOption |
                                    QRegularExpression::UseUnicodePropertiesOption);
    return re.match(text).hasMatch();
}

// One field-grid row per column of a table layout.
QList<QStringList> FieldRows(const TTableLayout& t, const QStringList& pk) {
    QList<QStringList> rows;
    int n = 0;
    for (const TFieldLayout& f : t.Cols) {
        QString cons, refs;
        if (!f.allowNull) cons += QStringLiteral("N ");
        if (f.isUnique) cons += QStringLiteral("U ");
        if (f.isPK || pk.contains(f.fName)) cons += QStringLiteral("P ");
        QStringList idx, upd, men;
        for (const TIndexLayout& i : t.Idxs)
            if (MentionsWord(i.IdxFields, f.fName) || MentionsWord(i.IdxWhere, f.fName))
                idx << i.IdxName;
        for (const TTriggerLayout& tr : t.Trigs) {
            if (MentionsWord(tr.trigFields, f.fName)) upd << tr.trigName;
            if (MentionsWord(tr.trigWhen, f.fName) || MentionsWord(tr.trigExecCode, f.fName))
                men << tr.trigName;
        }
        if (!idx.isEmpty())
            cons += QLatin1Char('I') + QString::number(idx.size()) + QLatin1Char(' ');
        if (!upd.isEmpty())
            cons += QLatin1Char('T') + QString::number(upd.size()) + QLatin1Char(' ');
        if (!men.isEmpty())
            cons += QLatin1Char('E') + QString::number(men.size()) + QLatin1Char(' ');
        for (const QStringList* l : {&idx, &upd, &men})
            for (const QString& name : *l)
                refs += name + QStringLiteral(", ");
        rows << QStringList{QString::number(++n) + QStringLiteral(" -"),
                            f.fName + QStringLiteral("; ") + f.fType + f.fVarSpec +
                                QStringLiteral("; ") + f.fCollation,
                            cons,
                            f.fComment + QStringLiteral("; ") + f.fDefVal,
                            f.fConstraintName + QStringLiteral("; ") + f.fForeignKey +
                                QStringLiteral("; ") + f.fCheckFunc,
                            refs};
    }
    return rows;
}

} // namespace

// Whether a table or view of exactly that name is stored in the schema.
bool WorkspaceController::ObjectStored(const QString& name, const QString& schema,
                                       const char* type) {
    QString found;
    return sql.QuerySingleValue(found, QStringLiteral("SELECT count(*) FROM ") +
                                           MasterTableOf(TrimText(schema)) +
                                           QStringLiteral(" WHERE name = ") + QuoteSqlString(name) +
                                           QStringLiteral(" AND type = '") + QLatin1String(type) +
                                           QStringLiteral("';")) &&
           found.toInt() > 0;
}

QString RowCountText(qint64 rows) {
    if (rows == 0) return QStringLiteral("Empty");
    if (rows == 1) return QStringLiteral("One");
    QString digits = QString::number(rows), out;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += QLatin1Char(' ');
        out += digits[i];
    }
    return out;
}

WorkspaceController::WorkspaceController(Prompter& prompts) : FPrompts(prompts) {}

WorkspaceController::~WorkspaceController() = default;

WorkspaceController::Operation::~Operation() {
    if (--FC.FDepth == 0 && FC.FCloseNow && !FC.sql.IsBusy()) {
        auto close = std::move(FC.FCloseNow);
        FC.FCloseNow = nullptr;
        close();
    }
}

void WorkspaceController::RequestClose(std::function<void()> closeNow) {
    if (!Busy()) {
        closeNow();
        return;
    }
    FCloseNow = std::move(closeNow);
    // A running statement is interrupted; the connection closes when it returns.
    if (sql.IsBusy()) sql.Close();
}

void WorkspaceController::SetStatus(const QString& text) {
    status = text;
    Changed(StatusChanged);
}

void WorkspaceController::Init(const QString& dbFile, const QString& dbTable) {
    const QString file = TrimText(dbFile);
    if (file.isEmpty()) return;
    Operation op(*this);
    sqlFile = file;
    // The lists of the file being opened; fFileID stays the open file's until it opens.
    const QString id = QFileInfo(file).completeBaseName();
    ListLoad(fExts, QStringLiteral("DBEXT_") + id);
    ListLoad(fFiles, QStringLiteral("FILES_") + id);
    if (LetEventsRun && !LetEventsRun()) return;
    if (FCloseNow) return; // the window is closing
    fLastTable = TrimText(dbTable);
    OpenDB();
}

bool WorkspaceController::OpenDB() {
    Operation op(*this);
    SetStatus(QStringLiteral("Opening Database..."));
    fieldRows.clear();
    results.Clear();
    editorText.clear();
    selStart = selEnd = 0;
    Changed(EditorChanged);
    if (sqlFile.isEmpty()) {
        SetStatus(QStringLiteral("No Database to load."));
        return false;
    }
    if (sql.IsBusy()) {
        SetStatus(QStringLiteral("Error opening Databse - Prior Query in Progress"));
        return false;
    }
    // The settings and history of the database open so far, under its own id.
    if (!LastDB.isEmpty() && FOpenedOnce) SaveSettings();
    if (!sql.Open(sqlFile)) {
        SetStatus(QStringLiteral("Error Opening \"") + QFileInfo(sqlFile).fileName() +
                  QStringLiteral("\": ") + sql.LastError());
        // Nothing of the file open before stays on show, nor is stored again.
        FOpenedOnce = false;
        LastDB.clear();
        FTree.clear();
        curTable.clear();
        curSchema.clear();
        curTableType = 4;
        columnList.clear();
        indexRows.clear();
        triggerRows.clear();
        tablePageCaption = QStringLiteral("...");
        Changed(TreeChanged);
        Changed(TableChanged);
        Changed(ResultsChanged);
        return false;
    }
    fFileID = QFileInfo(sqlFile).completeBaseName();
    FOpenedOnce = true;
    SetStatus(QString());
    FTick.start();
    sql.SetProgressHandler([this](TSQLite3Database*, qint64 done, qint64 target, bool& cancelled) {
        QueryProgress(done, target, cancelled);
    });
    LoadSettings();
    RefreshSchema();
    LastDB = sqlFile;
    const QFileInfo fi(sqlFile);
    caption = QStringLiteral("Database: ") + fi.fileName() + QStringLiteral("  in  [ ") +
              fi.absolutePath() + QStringLiteral("/ ]");
    ListLoad(history, QStringLiteral("HIST_") + fFileID);
    ListLoad(dba, QStringLiteral("DBA_") + fFileID);
    Changed(TableChanged);
    return true;
}

void WorkspaceController::LoadSettings() {
    ListLoad(cfg, QStringLiteral("CFG_") + fFileID);
    if (RestorePlacement) RestorePlacement(cfg);
    if (fLastTable.isEmpty()) fLastTable = KVGet(cfg, QStringLiteral("dbLastTable"), QString());
    opts.lastAttachedDB = KVGet(cfg, QStringLiteral("LastAttachedDB"), QString());
    opts.lastCompare = KVGet(cfg, QStringLiteral("LastCompare"), QString());
    opts.headerHeight = KVGetInt(cfg, QStringLiteral("HeaderHeight"), 280, 200, 100000);
    opts.treeWidth = KVGetInt(cfg, QStringLiteral("ObjTreeWidth"), -1, -1, 100000);
    opts.showLineNos = KVGetInt(cfg, QStringLiteral("ShowLineNos"), 0, 0, 1) == 1;
    opts.showStretched = KVGetInt(cfg, QStringLiteral("ShowStretched"), 1, 0, 1) == 1;
    opts.showHighlights = KVGetInt(cfg, QStringLiteral("ShowHighlights"), 1, 0, 1) == 1;
    opts.showQueryGutter = KVGetInt(cfg, QStringLiteral("ShowQueryGutter"), 0, 0, 1) == 1;
    opts.showQueryWWrap = KVGetInt(cfg, QStringLiteral("ShowQueryWWrap"), 1, 0, 1) == 1;
    for (int i = 0; i < 3; ++i)
        opts.custHiLite[i] = KVGet(cfg, QStringLiteral("CustHiLite%1").arg(i + 1), QString());
    opts.tableDesignSorted = KVGetInt(cfg, QStringLiteral("TableDesignSorted"), 0, 0, 2);
    opts.alignText = KVGetInt(cfg, QStringLiteral("ResultsAlignText"), 1, 0, 2);
    opts.alignVals = KVGetInt(cfg, QStringLiteral("ResultsAlignVals"), 1, 0, 2);
}

void WorkspaceController::SaveSettings() {
    if (fFileID.isEmpty() || !FOpenedOnce) return;
    if (ReadWindow) ReadWindow();
    if (SavePlacement) SavePlacement(cfg);
    KVPut(cfg, QStringLiteral("LastAttachedDB"), opts.lastAttachedDB);
    KVPutNum(cfg, QStringLiteral("HeaderHeight"), opts.headerHeight);
    KVPut(cfg, QStringLiteral("LastCompare"), opts.lastCompare);
    if (opts.treeWidth >= 0) KVPutNum(cfg, QStringLiteral("ObjTreeWidth"), opts.treeWidth);
    KVPutNum(cfg, QStringLiteral("ShowLineNos"), opts.showLineNos ? 1 : 0);
    KVPutNum(cfg, QStringLiteral("ShowStretched"), opts.showStretched ? 1 : 0);
    KVPutNum(cfg, QStringLiteral("ShowHighlights"), opts.showHighlights ? 1 : 0);
    KVPutNum(cfg, QStringLiteral("ShowQueryGutter"), opts.showQueryGutter ? 1 : 0);
    KVPutNum(cfg, QStringLiteral("ShowQueryWWrap"), opts.showQueryWWrap ? 1 : 0);
    for (int i = 0; i < 3; ++i)
        KVPut(cfg, QStringLiteral("CustHiLite%1").arg(i + 1), opts.custHiLite[i]);
    KVPutNum(cfg, QStringLiteral("TableDesignSorted"), opts.tableDesignSorted);
    KVPutNum(cfg, QStringLiteral("ResultsAlignText"), opts.alignText);
    KVPutNum(cfg, QStringLiteral("ResultsAlignVals"), opts.alignVals);
    ListSave(cfg, QStringLiteral("CFG_") + fFileID);
    if (!history.isEmpty()) ListSave(history, QStringLiteral("HIST_") + fFileID);
}

void WorkspaceController::Shutdown() {
    SaveSettings();
    sql.Close();
    if (RaiseEvent) RaiseEvent(kWsClosed, QString());
}

void WorkspaceController::RefreshSchema() {
    if (sql.IsBusy()) return; // a statement runs further up the stack
    Operation op(*this);
    fQryLimit = CfgGetInt(QStringLiteral("QryLimit"), 1000, 10, 100000);
    fEdtLimit = CfgGetInt(QStringLiteral("EdtLimit"), 200, 10, 10000);
    QString error;
    const int found = BuildSchemaTree(sql, opts.tableDesignSorted == 1 ? 1 : 0, FTree, &error);
    Changed(TreeChanged);
    if (!error.isEmpty())
        SetStatus(error);
    else if (found == 0)
        SetStatus(QStringLiteral("No Tables found..."));
    QString value;
    if (sql.QuerySingleValue(value, QStringLiteral("PRAGMA page_size;"))) fPageSize = value.toInt();
    if (sql.QuerySingleValue(value, QStringLiteral("PRAGMA cache_size;")))
        fCacheSize = value.toInt();
    SelectTable(fLastTable, QString());
}

QString WorkspaceController::TableQuery(const QString& table, const QString& schema) const {
    QString ref = QuoteIdent(table);
    const QString s = TrimText(schema);
    if (s.compare(QLatin1String("temp"), Qt::CaseInsensitive) == 0)
        ref = QStringLiteral("temp.") + ref;
    else if (!IsMainSchema(s))
        ref = QuoteIdent(s) + QLatin1Char('.') + ref;
    return QStringLiteral("SELECT * FROM ") + ref + QStringLiteral(" WHERE 1") +
           LimitClause(fQryLimit) + QLatin1Char(';');
}

void WorkspaceController::SelectTable(const QString& newTableName, const QString& schemaDBName) {
    if (sql.IsBusy()) return;
    Operation op(*this);
    fieldRows.clear();
    columnList.clear();
    primaryKey.clear();
    curTableType = 4;
    tablePageCaption = QStringLiteral("...");
    const QString prefix = IsMainSchema(schemaDBName) ? QString() : schemaDBName + QLatin1Char('.');
    bool found = false;
    if (!newTableName.isEmpty() && ObjectStored(newTableName, schemaDBName, "table")) {
        TTableLayout t;
        if (convDBTableToLayout(sql, schemaDBName, t, newTableName)) {
            curTableType = 0;
            curTable = newTableName;
            curSchema = schemaDBName;
            tablePageCaption = QStringLiteral("Table Structure");
            primaryKey = sql.PrimaryKeyColumns(newTableName, schemaDBName);
            fieldRows = FieldRows(t, primaryKey);
            for (const TFieldLayout& f : t.Cols)
                columnList << f.fName;
            lblTableName = newTableName;
            tableMenuTitle = QLatin1Char('[') + prefix + newTableName + QLatin1Char(']');
            lblTablePriKey = primaryKey.join(QStringLiteral(", "));
            lblTableSizeCC = QString::number(columnList.size());
            found = true;
        }
    } else if (!newTableName.isEmpty() && ObjectStored(newTableName, schemaDBName, "view")) {
        TViewLayout v;
        v.vName = newTableName;
        v.vSchema = IsMainSchema(schemaDBName) ? QString() : schemaDBName;
        curTableType = 1;
        curTable = newTableName;
        curSchema = schemaDBName;
        tablePageCaption = QStringLiteral("View Layout");
        if (readViewFields(sql, v)) {
            int n = 0;
            for (qsizetype i = 0; i < v.vCols.size(); ++i) {
                fieldRows << QStringList{QString::number(++n) + QStringLiteral(" -"),
                                         v.vCols[i] + QStringLiteral("; ") + v.vTypes.value(i) +
                                             QStringLiteral("; "),
                                         QString(),
                                         QString(),
                                         QString(),
                                         QString()};
                columnList << v.vCols[i];
            }
        }
        lblTableSizeCC = QString::number(columnList.size());
        lblTablePriKey.clear();
        lblTableName = newTableName;
        tableMenuTitle = QLatin1Char('[') + prefix + newTableName + QLatin1Char(']');
        found = true;
    }
    indexRows.clear();
    triggerRows.clear();
    const bool hasColumns = found && !columnList.isEmpty();
    if (hasColumns) {
        if (IsMainSchema(schemaDBName)) {
            fLastTable = newTableName;
            KVPut(cfg, QStringLiteral("dbLastTable"), newTableName);
        }
        QList<QStringList> rows;
        if (sql.QueryTextRows(
                QStringLiteral("SELECT \"type\", \"name\", ifnull(\"sql\",'') FROM ") +
                    MasterTableOf(TrimText(schemaDBName)) +
                    QStringLiteral(" WHERE \"tbl_name\" = ") + QuoteSqlString(newTableName) +
                    QLatin1Char(';'),
                rows))
            for (const QStringList& r : rows) {
                if (r.size() < 3) continue;
                if (r[0] == QLatin1String("index")) indexRows.append({r[1], r[2]});
                if (r[0] == QLatin1String("trigger")) triggerRows.append({r[1], r[2]});
            }
        SelectTableRows();
    }
    tableButtons = hasColumns && curTableType == 0;
    objectButtons = hasColumns;
    const QString counted =
        KVGet(cfg, QLatin1Char('T') + curTable + QStringLiteral("RowCount"), QStringLiteral("---"));
    lblTableSizeRC = found ? counted : QStringLiteral("---");
    Changed(TableChanged);
}

void WorkspaceController::SelectTableRows() {
    if (curTable.isEmpty()) return;
    const QString query = TableQuery(curTable, curSchema);
    const QString tail = QStringLiteral(" WHERE 1") + LimitClause(fQryLimit) + QLatin1Char(';');
    const bool replace =
        TrimText(editorText).isEmpty() ||
        (editorText.contains(QLatin1String("SELECT * FROM ")) && editorText.contains(tail));
    if (replace) {
        AddToQueryStack(editorText);
        editorText = query;
        // "1" after "WHERE " selected, ready to be typed over.
        selStart = query.size() - tail.size() + 7;
        selEnd = selStart + 1;
        Changed(EditorChanged);
    }
    if (!ShowQueryRows(query, false, false)) return;
    fSelectedEnumerationLost = false;
    const qsizetype dataRows = results.RowCount();
    if (dataRows < fQryLimit) {
        KVPut(cfg, QLatin1Char('T') + curTable + QStringLiteral("RowCount"),
              RowCountText(dataRows));
        KVPut(cfg, QLatin1Char('T') + curTable + QStringLiteral("RCChecked"),
              QDateTime::currentDateTime().toString(Qt::ISODate));
    }
}

bool WorkspaceController::ShowQueryRows(const QString& text, bool showResults, bool intoEditor) {
    if (TrimText(text).isEmpty()) return false;
    if (sql.IsBusy()) {
        SetStatus(QStringLiteral("Error: Busy executing a prior Query..."));
        return false;
    }
    Operation op(*this);
    if (intoEditor) InsertSQLTemplate(text);
    fShowProgress = true;
    // Loaded aside: the grid shows the old rows until the new ones are complete.
    TResultTable rows;
    const bool loaded = sql.QueryToResults(rows, text, -1, opts.showLineNos ? 1 : -1);
    results = std::move(rows);
    fShowProgress = false;
    EndRun();
    Changed(StatsChanged);
    if (!loaded) {
        SetStatus(QStringLiteral("Error: ") + sql.LastError());
        Changed(ResultsChanged);
        if (showResults && ShowPage) ShowPage(kPageResults);
        return false;
    }
    fLastSuccQry = text;
    createFromResults = true;
    fSelectedEnumerationLost = true;
    Changed(ResultsChanged);
    if (showResults && ShowPage) ShowPage(kPageResults);
    return true;
}

void WorkspaceController::AddToQueryStack(const QString& text, bool keep) {
    pgs.Add(text, keep);
}

void WorkspaceController::StepQueryStack(int step) {
    QString entry;
    if (!pgs.Step(step, editorText, entry)) return;
    editorText = entry;
    selStart = selEnd = entry.size();
    Changed(EditorChanged);
}

QStringList WorkspaceController::ResultRow(int row) const {
    QStringList cells;
    for (int c = 0; c < results.ColumnCount(); ++c)
        cells << (row < 0 ? results.Heading(c) : results.Text(row, c));
    return cells;
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

void WorkspaceController::QueryProgress(qint64 done, qint64 target, bool& cancelled) {
    if (PrepNotice) PrepNotice(false);
    if (!fShowProgress) {
        if (fQryProgress && EndProgress) EndProgress(fQryProgress);
        fQryProgress = nullptr;
        // No dialog: pending events still run now and then.
        if (FTick.elapsed() >= 50) {
            FTick.restart();
            if (LetEventsRun) LetEventsRun();
        }
        return;
    }
    if (done == 0 && target <= 1) {
        if (!fQryProgress && StartProgress)
            fQryProgress = StartProgress(QStringLiteral("Executing Query - Please wait..."));
        if (fQryProgress)
            fQryProgress->Advance(QStringLiteral("Preparation..."),
                                  QTime::currentTime().msec() / 1000.0 / 10.0, -1);
    } else if (done < target) {
        if (!fQryProgress && StartProgress)
            fQryProgress = StartProgress(QStringLiteral("Querying Database - Please wait..."));
        if (fQryProgress)
            fQryProgress->Advance(done == 0
                                      ? QStringLiteral("Progress estimated  -  not to scale )")
                                      : QStringLiteral("Progress estimated  -  Total Results:  ") +
                                            QString::number(done),
                                  target > 0 ? double(done) / double(target) : 0, -1);
    } else if (fQryProgress) {
        if (EndProgress) EndProgress(fQryProgress);
        fQryProgress = nullptr;
    }
    if (fQryProgress && fQryProgress->IsCancelled()) cancelled = true;
}

void WorkspaceController::EndRun() {
    fShowProgress = false;
    if (PrepNotice) PrepNotice(false);
    if (fQryProgress && EndProgress) EndProgress(fQryProgress);
    fQryProgress = nullptr;
}

void WorkspaceController::AddToHistory(const QString& text) {
    if (ReadWindow) ReadWindow(); // the history page may have been edited
    AddToQueryStack(text, false);
    const int maxHist = CfgGetInt(QStringLiteral("Max_Hist"), 300, 10, 10000);
    if (!TrimText(text).isEmpty() && !fSkipHist) AddToHistoryLines(history, text, maxHist);
    pgs.AfterHistory();
    fSkipHist = false;
    Changed(HistoryChanged);
}

void WorkspaceController::RunQuery(int runMode) {
    if (sql.IsBusy()) {
        SetStatus(QStringLiteral("Error: Busy executing a prior Query..."));
        fSkipHist = false; // a refused run too
        return;
    }
    Operation op(*this);
    results.Clear();
    Changed(ResultsChanged);
    fSelectedEnumerationLost = true;
    SetStatus(QStringLiteral("Querying..."));
    createFromResults = false;
    QString prefix = RunPrefix(runMode);
    const bool selectedOnly = (runMode / 10) % 10 == 1 && selEnd > selStart;
    QString text =
        TrimText(selectedOnly ? editorText.mid(selStart, selEnd - selStart) : editorText);
    bool rowReturning = !prefix.isEmpty(), schemaChanged = false;
    if (PrefixAlreadyInText(prefix, text)) prefix.clear();
    if (!text.isEmpty() && prefix.isEmpty()) {
        const QueryClass q = ClassifyQuery(text);
        rowReturning = q.rowReturning;
        schemaChanged = q.schemaChanged;
        if (!q.confirmText.isEmpty() && !fSkipHist &&
            !FPrompts.AskYesNo(QStringLiteral("WARNING: "),
                               QStringLiteral("You are about to ") + q.confirmText +
                                   QStringLiteral("...  Continue?"),
                               30, QStringLiteral("No"), QStringLiteral("Yes"))) {
            text.clear();
            schemaChanged = false;
        }
    }
    fShowProgress = true;
    if (PrepNotice) PrepNotice(true);
    bool ok = false;
    int skipped = 0;
    if (text.isEmpty()) {
        SetStatus(QStringLiteral("No Query."));
    } else if (!rowReturning || schemaChanged) {
        ok = sql.ExecuteList(text);
        if (!ok) SetStatus(QStringLiteral("Error: ") + sql.LastError());
        Changed(StatsChanged);
    } else {
        TResultTable rows;
        ok = sql.QueryToResults(rows, prefix + text, -1, opts.showLineNos ? 1 : -1);
        results = std::move(rows);
        Changed(StatsChanged);
        if (!ok) {
            SetStatus(QStringLiteral("Error: ") + sql.LastError());
        } else {
            fLastSuccQry = prefix + text;
            createFromResults = true;
            Changed(ResultsChanged);
            if (CurrentPage && CurrentPage() > kPageEdit && ShowPage) ShowPage(kPageResults);
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
        if (schemaChanged) RefreshSchema();
    }
    EndRun();
    fSkipHist = false; // also after a failed, refused or empty run
    Changed(ResultsChanged);
}

TemplateContext WorkspaceController::TemplateState() const {
    TemplateContext c;
    c.curSchema = curSchema;
    c.curTable = curTable;
    c.columns = columnList;
    c.primaryKey = primaryKey;
    c.queryLimit = fQryLimit;
    if (ClipboardText) c.clipboard = ClipboardText();
    return c;
}

void WorkspaceController::InsertSQLTemplate(const QString& tmpl) {
    TemplateResult r;
    if (!ApplyTemplate(tmpl, TemplateState(), r)) return;
    AddToQueryStack(editorText);
    editorText = r.text;
    selStart = r.selStart;
    selEnd = r.selEnd;
    Changed(EditorChanged);
}

// --- the tree

void WorkspaceController::FocusNode(const TDBObjRec& node) {
    selObj = node;
    if (node.sTableName.isEmpty() || sql.IsBusy()) return;
    // Schema and name together: aux.t and main.t are different tables.
    const bool other =
        node.sTableName != curTable ||
        TrimText(node.sDataBase).compare(TrimText(curSchema), Qt::CaseInsensitive) != 0;
    if (other || (fSelectedEnumerationLost && node.NodeKind == 1))
        SelectTable(node.sTableName, node.sDataBase);
}

void WorkspaceController::DoubleClickNode(const TDBObjRec& node) {
    if (node.NodeKind == 0) return;
    const NameInsertion ins = InsertNodeName(editorText, selStart, selEnd, node.sName);
    editorText = ins.text;
    selStart = ins.caret;
    selEnd = ins.selEnd;
    Changed(EditorChanged);
}

void WorkspaceController::SetTreeOrder(int order) {
    if (order == opts.tableDesignSorted || sql.IsBusy()) return;
    opts.tableDesignSorted = order;
    RefreshSchema();
}

TreeMenuContext WorkspaceController::MenuContext() const {
    TreeMenuContext c;
    c.dbFile = sqlFile;
    c.curTable = curTable;
    c.curSchema = curSchema;
    c.curTableType = curTableType;
    c.columns = columnList;
    c.indexes = indexRows;
    c.triggers = triggerRows;
    return c;
}

MenuModel WorkspaceController::MenuOf(const TDBObjRec& node) {
    if (sql.IsBusy()) return MenuModel();
    Operation op(*this);
    return NodeMenu(sql, node, MenuContext());
}

void WorkspaceController::RunCommand(const QString& command) {
    // Index and trigger lines (ALTER/REMOVE/SHOWSQL,kind,name,sql) belong to
    // the table page's operations.
    if (command.startsWith(QLatin1String("SHOWSQL,"))) {
        // SHOWSQL,kind,name,sql: the stored statement into the editor.
        QStringList parts;
        SplitCSVLine(command, parts, QLatin1Char(','));
        const QString text = parts.value(3);
        if (TrimText(text).isEmpty()) return;
        AddToQueryStack(editorText);
        editorText = text.endsWith(QLatin1Char(';')) ? text : text + QLatin1Char(';');
        selStart = selEnd = editorText.size();
        Changed(EditorChanged);
        return;
    }
    for (const char* verb : {"ALTER,", "REMOVE,"})
        if (command.startsWith(QLatin1String(verb))) return;
    QString code, value;
    if (!SplitCommand(command, code, value) || sql.IsBusy()) return;
    Operation op(*this);
    if (code == QLatin1String("ACT") || code == QLatin1String("CHG") ||
        code == QLatin1String("EXE") || code == QLatin1String("SHW") ||
        code == QLatin1String("POP"))
        ViewCommand(code, value);
    else if (code == QLatin1String("ADD") || code == QLatin1String("DEL") ||
             code == QLatin1String("REN") || code == QLatin1String("VWR"))
        ColumnCommand(code, value);
    else
        DatabaseCommand(code, value);
}

// Runs a schema-changing script: the status says how it went, and the tree
// follows a success.
void WorkspaceController::ExecuteAndRefresh(const QString& script, const QString& success) {
    if (sql.ExecuteList(script)) {
        SetStatus(success);
        RefreshSchema();
    } else {
        SetStatus(QStringLiteral("Failed: ") + sql.LastError());
    }
}

void WorkspaceController::DatabaseCommand(const QString& code, const QString& value) {
    switch (code.at(0).unicode()) {
    case 'E': // EXC
        ExecuteAndRefresh(value, QStringLiteral("Success."));
        break;
    case 'N': // NAV
        if (RaiseEvent) RaiseEvent(kWsShowInFolder, value);
        break;
    case 'O': // OPN
        if (RaiseEvent) RaiseEvent(kWsOpenFile, value);
        break;
    case 'Q': // QRY
        ShowQueryRows(value, true, false);
        break;
    case 'S': // SQL
        InsertSQLTemplate(value);
        break;
    default: // DOC, POP, XSC: their windows come with their own issues
        break;
    }
}

void WorkspaceController::ViewCommand(const QString& code, const QString& rawValue) {
    const bool transform = code == QLatin1String("ACT") || code == QLatin1String("POP") ||
                           code == QLatin1String("SHW");
    const QString value = transform ? ViewCommandText(rawValue) : rawValue;
    switch (code.at(0).unicode()) {
    case 'A': // ACT
        AddToQueryStack(editorText);
        editorText = value;
        selStart = selEnd = value.size();
        fSkipHist = true;
        Changed(EditorChanged);
        RunQuery(0);
        break;
    case 'E': { // EXE
        if (value.startsWith(QLatin1String("DROP VIEW")) &&
            !FPrompts.AskYesNo(QStringLiteral("Remove View"),
                               QStringLiteral("Drop the View ") + QStringLiteral("\"") +
                                   selObj.sName + QStringLiteral("\" now?"),
                               30, QStringLiteral("No"), QStringLiteral("Yes")))
            return;
        ExecuteAndRefresh(value, QStringLiteral("Success, Views updated."));
        break;
    }
    case 'S': // SHW
        InsertSQLTemplate(value);
        break;
    default: // CHG (the view editor) and POP (the pop-out) come with their windows
        break;
    }
}

void WorkspaceController::ColumnCommand(const QString&, const QString& value) {
    bool ok = false;
    const int at = value.toInt(&ok);
    if (!ok || at < 0 || at >= columnList.size()) return;
    // The column operations of the table page come with that page's issue.
}

} // namespace sky
