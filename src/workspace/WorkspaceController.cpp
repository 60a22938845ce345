#include "workspace/WorkspaceController.h"

#include "design/TableLayout.h"
#include "design/Views.h"
#include "engine/Identifiers.h"
#include "engine/SqlLiteral.h"
#include "engine/Statement.h"
#include "engine/SystemLog.h"
#include "shell/Workspace.h"
#include "support/Csv.h"
#include "support/Prompter.h"
#include "support/SettingsCatalogue.h"
#include "support/TextUtil.h"

#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>
#include <sqlite3.h>

namespace sky {
namespace {

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
QList<FieldInfo> TableFields(const TTableLayout& t, const QStringList& pk) {
    QList<FieldInfo> rows;
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
        // The references cell: the three name lists, each name followed by
        // ", ", the lists separated by "; ".
        QStringList lists;
        for (const QStringList* l : {&idx, &upd, &men}) {
            QString list;
            for (const QString& name : *l)
                list += name + QStringLiteral(", ");
            refs += list;
            lists << list;
        }
        rows << FieldInfo{f.fName, f.fComment, refs,
                          QStringList{QString::number(++n) + QStringLiteral(" -"),
                                      f.fName + QStringLiteral("; ") + f.fType + f.fVarSpec +
                                          QStringLiteral("; ") + f.fCollation,
                                      cons, f.fComment + QStringLiteral("; ") + f.fDefVal,
                                      f.fConstraintName + QStringLiteral("; ") + f.fForeignKey +
                                          QStringLiteral("; ") + f.fCheckFunc,
                                      lists.join(QStringLiteral("; "))}};
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

WorkspaceController::WorkspaceController(WorkspaceView& view, Prompter& prompts)
    : FView(view), FPrompts(prompts), FHandle(RegisterConnection(&sql)) {}

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
    FView.StatusChanged();
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
    if (!FView.LetEventsRun()) return;
    if (FCloseNow) return; // the window is closing
    table.lastTable = TrimText(dbTable);
    OpenDB();
}

bool WorkspaceController::OpenDB() {
    Operation op(*this);
    SetStatus(QStringLiteral("Opening Database..."));
    table.fields.clear();
    results.rows.Clear();
    editor.text.clear();
    editor.selStart = editor.selEnd = 0;
    FView.EditorChanged();
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
        table.name.clear();
        table.schema.clear();
        table.type = 4;
        table.columns.clear();
        table.indexes.clear();
        table.triggers.clear();
        table.objects.clear();
        table.curCol.clear();
        table.fieldRow = table.objectRow = -1;
        table.objectChoice = ObjectRowButtons(nullptr);
        table.tableButtons = table.objectButtons = false;
        table.caption = QStringLiteral("...");
        FView.TreeChanged();
        FView.TableChanged();
        FView.ResultsChanged();
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
    ListLoad(history.lines, QStringLiteral("HIST_") + fFileID);
    ListLoad(dba, QStringLiteral("DBA_") + fFileID);
    FView.TableChanged();
    return true;
}

void WorkspaceController::LoadSettings() {
    ListLoad(cfg, QStringLiteral("CFG_") + fFileID);
    FView.RestorePlacement(cfg);
    if (table.lastTable.isEmpty()) table.lastTable = KVGet(cfg, dbsetting::LastTable);
    opts.lastAttachedDB = KVGet(cfg, dbsetting::LastAttachedDb);
    opts.lastCompare = KVGet(cfg, dbsetting::LastCompare);
    opts.headerHeight = KVGet(cfg, dbsetting::HeaderHeight);
    opts.treeWidth = KVGet(cfg, dbsetting::ObjTreeWidth);
    opts.showLineNos = KVGet(cfg, dbsetting::ShowLineNos);
    opts.showStretched = KVGet(cfg, dbsetting::ShowStretched);
    opts.showHighlights = KVGet(cfg, dbsetting::ShowHighlights);
    opts.showQueryGutter = KVGet(cfg, dbsetting::ShowQueryGutter);
    opts.showQueryWWrap = KVGet(cfg, dbsetting::ShowQueryWWrap);
    for (int i = 0; i < 3; ++i)
        opts.custHiLite[i] = KVGet(cfg, QStringLiteral("CustHiLite%1").arg(i + 1), QString());
    opts.tableDesignSorted = KVGet(cfg, dbsetting::TableDesignSorted);
    opts.alignText = KVGet(cfg, dbsetting::ResultsAlignText);
    opts.alignVals = KVGet(cfg, dbsetting::ResultsAlignVals);
}

void WorkspaceController::SaveSettings() {
    if (fFileID.isEmpty() || !FOpenedOnce) return;
    FView.ReadWindow();
    FView.SavePlacement(cfg);
    KVPut(cfg, dbsetting::LastAttachedDb, opts.lastAttachedDB);
    KVPut(cfg, dbsetting::HeaderHeight, opts.headerHeight);
    KVPut(cfg, dbsetting::LastCompare, opts.lastCompare);
    if (opts.treeWidth >= 0) KVPut(cfg, dbsetting::ObjTreeWidth, opts.treeWidth);
    KVPut(cfg, dbsetting::ShowLineNos, opts.showLineNos);
    KVPut(cfg, dbsetting::ShowStretched, opts.showStretched);
    KVPut(cfg, dbsetting::ShowHighlights, opts.showHighlights);
    KVPut(cfg, dbsetting::ShowQueryGutter, opts.showQueryGutter);
    KVPut(cfg, dbsetting::ShowQueryWWrap, opts.showQueryWWrap);
    for (int i = 0; i < 3; ++i)
        KVPut(cfg, QStringLiteral("CustHiLite%1").arg(i + 1), opts.custHiLite[i]);
    KVPut(cfg, dbsetting::TableDesignSorted, opts.tableDesignSorted);
    KVPut(cfg, dbsetting::ResultsAlignText, opts.alignText);
    KVPut(cfg, dbsetting::ResultsAlignVals, opts.alignVals);
    ListSave(cfg, QStringLiteral("CFG_") + fFileID);
    if (!history.lines.isEmpty()) ListSave(history.lines, QStringLiteral("HIST_") + fFileID);
}

int WorkspaceController::Scale(const QString& name, int def, int min, int max) const {
    return KVGetInt(cfg, QStringLiteral("dbs_") + name, def, min, max);
}

void WorkspaceController::SetScale(const QString& name, int value) {
    KVPutNum(cfg, QStringLiteral("dbs_") + name, value);
    FView.StatsChanged();
}

void WorkspaceController::Shutdown() {
    SaveSettings();
    FHandle.reset(); // the pop-outs of this connection see it gone
    sql.Close();
    FView.RaiseEvent(kWsClosed, QString());
}

void WorkspaceController::RefreshSchema() {
    if (sql.IsBusy()) return; // a statement runs further up the stack
    Operation op(*this);
    fQryLimit = CfgGet(setting::QryLimit);
    fEdtLimit = CfgGet(setting::EdtLimit);
    QString error;
    const int found = BuildSchemaTree(sql, TreeOrder(opts.tableDesignSorted), FTree, &error);
    FView.TreeChanged();
    if (!error.isEmpty())
        SetStatus(error);
    else if (found == 0)
        SetStatus(QStringLiteral("No Tables found..."));
    QString value;
    if (sql.QuerySingleValue(value, QStringLiteral("PRAGMA page_size;"))) fPageSize = value.toInt();
    if (sql.QuerySingleValue(value, QStringLiteral("PRAGMA cache_size;")))
        fCacheSize = value.toInt();
    SelectTable(table.lastTable, QString());
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
    table.fields.clear();
    table.columns.clear();
    table.primaryKey.clear();
    table.type = 4;
    table.caption = QStringLiteral("...");
    table.curCol.clear();
    table.fieldRow = table.objectRow = -1;
    table.objects.clear();
    table.objectChoice = ObjectRowButtons(nullptr);
    bool found = false;
    if (!newTableName.isEmpty() && ObjectStored(newTableName, schemaDBName, "table"))
        found = SelectStoredTable(newTableName, schemaDBName);
    else if (!newTableName.isEmpty() && ObjectStored(newTableName, schemaDBName, "view"))
        found = SelectStoredView(newTableName, schemaDBName);
    table.indexes.clear();
    table.triggers.clear();
    const bool hasColumns = found && !table.columns.isEmpty();
    // A table with columns is offered to the data editor; anything else hides its header.
    if (hasColumns && table.type == 0)
        OfferEditTable(newTableName, schemaDBName);
    else
        OfferEditTable(QString(), QString());
    if (hasColumns) {
        if (IsMainSchema(schemaDBName)) {
            table.lastTable = newTableName;
            KVPut(cfg, dbsetting::LastTable, newTableName);
        }
        ReadTableObjects(newTableName, schemaDBName);
        SelectTableRows();
    }
    table.tableButtons = hasColumns && table.type == 0;
    table.objectButtons = hasColumns;
    if (found)
        RefreshRowCount();
    else
        table.rowCount = QStringLiteral("---");
    FView.TableChanged();
}

// A stored table whose layout can be read becomes the selected one.
bool WorkspaceController::SelectStoredTable(const QString& name, const QString& schema) {
    TTableLayout t;
    if (!convDBTableToLayout(sql, schema, t, name)) return false;
    const QString prefix = IsMainSchema(schema) ? QString() : schema + QLatin1Char('.');
    table.type = 0;
    table.name = name;
    table.schema = schema;
    table.caption = QStringLiteral("Table Structure");
    table.primaryKey = sql.PrimaryKeyColumns(name, schema);
    table.fields = TableFields(t, table.primaryKey);
    for (const TFieldLayout& f : t.Cols)
        table.columns << f.fName;
    table.nameLabel = name;
    table.menuTitle = QLatin1Char('[') + prefix + name + QLatin1Char(']');
    table.keyLabel = table.primaryKey.join(QStringLiteral(", "));
    table.columnCount = QString::number(table.columns.size());
    return true;
}

// A stored view becomes the selected one, with the columns that can be read.
bool WorkspaceController::SelectStoredView(const QString& name, const QString& schema) {
    const QString prefix = IsMainSchema(schema) ? QString() : schema + QLatin1Char('.');
    TViewLayout v;
    v.vName = name;
    v.vSchema = IsMainSchema(schema) ? QString() : schema;
    table.type = 1;
    table.name = name;
    table.schema = schema;
    table.caption = QStringLiteral("View Layout");
    if (readViewFields(sql, v)) {
        int n = 0;
        for (qsizetype i = 0; i < v.vCols.size(); ++i) {
            table.fields << FieldInfo{v.vCols[i], QString(), QString(),
                                      QStringList{QString::number(++n) + QStringLiteral(" -"),
                                                  v.vCols[i] + QStringLiteral("; ") +
                                                      v.vTypes.value(i) + QStringLiteral("; "),
                                                  QString(), QString(), QString(), QString()}};
            table.columns << v.vCols[i];
        }
    }
    table.columnCount = QString::number(table.columns.size());
    table.keyLabel.clear();
    table.nameLabel = name;
    table.menuTitle = QLatin1Char('[') + prefix + name + QLatin1Char(']');
    return true;
}

// The object grid's rows (the table itself, its indexes, automatic ones
// included, and its triggers) and the index and trigger lists.
void WorkspaceController::ReadTableObjects(const QString& name, const QString& schema) {
    std::unique_ptr<TSQLite3Statement> st =
        sql.Prepare(QStringLiteral("SELECT \"type\", \"name\", \"sql\" FROM ") +
                    MasterTableOf(TrimText(schema)) + QStringLiteral(" WHERE \"tbl_name\" = ?1;"));
    if (!st) return;
    st->BindText(1, name);
    int rc;
    while ((rc = st->Step()) == SQLITE_ROW) {
        const ObjectRow r{st->ColumnText(0), st->ColumnText(1), st->ColumnText(2)};
        table.objects << r;
        if (r.type == QLatin1String("index")) table.indexes.append({r.name, r.sql});
        if (r.type == QLatin1String("trigger")) table.triggers.append({r.name, r.sql});
    }
    if (rc != SQLITE_DONE) sql.CheckResult(rc);
    // The first row, the table itself, is the chosen one.
    table.objectRow = table.objects.isEmpty() ? -1 : 0;
    table.objectChoice = ObjectRowButtons(table.objectRow < 0 ? nullptr : &table.objects[0]);
}

void WorkspaceController::SelectTableRows() {
    if (table.name.isEmpty()) return;
    const QString query = TableQuery(table.name, table.schema);
    const QString tail = QStringLiteral(" WHERE 1") + LimitClause(fQryLimit) + QLatin1Char(';');
    const QString& text = editor.text;
    const bool replace = TrimText(text).isEmpty() ||
                         (text.contains(QLatin1String("SELECT * FROM ")) && text.contains(tail));
    if (replace) {
        AddToQueryStack(editor.text);
        editor.text = query;
        // "1" after "WHERE " selected, ready to be typed over.
        editor.selStart = query.size() - tail.size() + 7;
        editor.selEnd = editor.selStart + 1;
        FView.EditorChanged();
    }
    if (!ShowQueryRows(query, false, false)) return;
    results.enumerationLost = false;
    const qsizetype dataRows = results.rows.RowCount();
    if (dataRows < fQryLimit) {
        KVPut(cfg, QLatin1Char('T') + table.name + QStringLiteral("RowCount"),
              RowCountText(dataRows));
        KVPut(cfg, QLatin1Char('T') + table.name + QStringLiteral("RCChecked"),
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
    results.rows = std::move(rows);
    fShowProgress = false;
    EndRun();
    FView.StatsChanged();
    if (!loaded) {
        SetStatus(QStringLiteral("Error: ") + sql.LastError());
        FView.ResultsChanged();
        if (showResults) FView.ShowPage(kPageResults);
        return false;
    }
    results.lastQuery = text;
    results.createFromResults = true;
    results.enumerationLost = true;
    FView.ResultsChanged();
    if (showResults) FView.ShowPage(kPageResults);
    return true;
}

} // namespace sky
