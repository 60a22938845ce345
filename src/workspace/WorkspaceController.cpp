#include "workspace/WorkspaceController.h"

#include "design/SchemaLayouts.h"
#include "engine/Identifiers.h"
#include "engine/SqlLiteral.h"
#include "shell/Workspace.h"
#include "support/Csv.h"
#include "support/Prompter.h"
#include "support/TextUtil.h"

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
    sql.Close(); // interrupts the running statement; closes when it returns
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
    fFileID = QFileInfo(file).completeBaseName();
    ListLoad(fExts, QStringLiteral("DBEXT_") + fFileID);
    ListLoad(fFiles, QStringLiteral("FILES_") + fFileID);
    if (LetEventsRun && !LetEventsRun()) return;
    fLastTable = TrimText(dbTable);
    OpenDB();
}

bool WorkspaceController::OpenDB() {
    Operation op(*this);
    SetStatus(QStringLiteral("Opening Database..."));
    fieldRows.clear();
    resultRows.clear();
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
        FOpenedOnce = false;
        LastDB.clear();
        return false;
    }
    fFileID = QFileInfo(sqlFile).completeBaseName();
    FOpenedOnce = true;
    SetStatus(QString());
    // Long statements keep the window alive: pending events run every 30 ms.
    FTick.start();
    sql.SetProgressHandler([this](TSQLite3Database*, qint64, qint64, bool&) {
        if (FTick.elapsed() < 30) return;
        FTick.restart();
        if (LetEventsRun) LetEventsRun();
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
    const int found = BuildSchemaTree(sql, opts.tableDesignSorted == 1 ? 1 : 0, FTree);
    Changed(TreeChanged);
    if (found == 0) SetStatus(QStringLiteral("No Tables found..."));
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
    if (!newTableName.isEmpty() && sql.TableExists(newTableName, schemaDBName)) {
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
    } else if (!newTableName.isEmpty() && sql.ViewExists(newTableName, schemaDBName)) {
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
        selStart = query.indexOf(QLatin1String(" WHERE 1")) + 7;
        selEnd = selStart + 1;
        Changed(EditorChanged);
    }
    if (!ShowQueryRows(query, false, false)) return;
    fSelectedEnumerationLost = false;
    const qsizetype dataRows = std::max<qsizetype>(0, resultRows.size() - 1);
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
        SetStatus(QStringLiteral("Error: ") + QStringLiteral("A query is still running"));
        return false;
    }
    Operation op(*this);
    if (intoEditor) InsertSQLTemplate(text);
    QStringList lines;
    if (!sql.QueryToCSV(lines, text, true, false, -1, opts.showLineNos ? 1 : -1, false)) {
        SetStatus(QStringLiteral("Error: ") + sql.LastError());
        return false;
    }
    resultRows.clear();
    for (const QString& line : lines) {
        QStringList cells;
        SplitCSVLine(line, cells, QLatin1Char(','));
        resultRows << cells;
    }
    fLastSuccQry = text;
    createFromResults = true;
    fSelectedEnumerationLost = true;
    Changed(ResultsChanged);
    if (showResults && ShowPage) ShowPage(kPageResults);
    return true;
}

void WorkspaceController::AddToQueryStack(const QString& text) {
    QString entry = text;
    entry.replace(QStringLiteral("\r\n"), QStringLiteral("|"));
    entry.replace(QLatin1Char('\r'), QLatin1Char('|'));
    entry.replace(QLatin1Char('\n'), QLatin1Char('|'));
    entry = TrimText(entry);
    if (entry.isEmpty()) return;
    if (!queryStack.isEmpty() && queryStack.last() == entry) return;
    queryStack << entry;
    while (queryStack.size() > 256)
        queryStack.removeFirst();
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
    if (order == opts.tableDesignSorted) return;
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
    for (const char* verb : {"ALTER,", "REMOVE,", "SHOWSQL,"})
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

void WorkspaceController::DatabaseCommand(const QString& code, const QString& value) {
    switch (code.at(0).unicode()) {
    case 'E': // EXC
        if (sql.ExecuteList(value)) {
            SetStatus(QStringLiteral("Success."));
            RefreshSchema();
        } else {
            SetStatus(QStringLiteral("Failed: ") + sql.LastError());
        }
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
        skipConfirmOnce = true;
        Changed(EditorChanged);
        if (RunQuery)
            RunQuery();
        else
            ShowQueryRows(value, true, false);
        break;
    case 'E': { // EXE
        if (value.startsWith(QLatin1String("DROP VIEW")) &&
            !FPrompts.AskYesNo(QStringLiteral("Remove View"),
                               QStringLiteral("Drop the View ") + QStringLiteral("\"") +
                                   selObj.sName + QStringLiteral("\" now?"),
                               30, QStringLiteral("No"), QStringLiteral("Yes")))
            return;
        if (sql.ExecuteList(value)) {
            SetStatus(QStringLiteral("Success, Views updated."));
            RefreshSchema();
        } else {
            SetStatus(QStringLiteral("Failed: ") + sql.LastError());
        }
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
