// The workspace controller's schema tree: node focus and double-click, the
// table order, the node menus and the dispatch of their commands.
#include "workspace/WorkspaceController.h"

#include "shell/Workspace.h"
#include "support/Prompter.h"
#include "support/TextUtil.h"

namespace sky {

// --- the tree

void WorkspaceController::FocusNode(const TDBObjRec& node) {
    selObj = node;
    if (node.sTableName.isEmpty() || sql.IsBusy()) return;
    // Schema and name together: aux.t and main.t are different tables.
    const bool other =
        node.sTableName != table.name ||
        TrimText(node.sDataBase).compare(TrimText(table.schema), Qt::CaseInsensitive) != 0;
    if (other || (results.enumerationLost && node.NodeKind == TreeNodeKind::TableOrView))
        SelectTable(node.sTableName, node.sDataBase);
}

void WorkspaceController::DoubleClickNode(const TDBObjRec& node) {
    if (node.NodeKind == TreeNodeKind::Database) return;
    const NameInsertion ins =
        InsertNodeName(editor.text, editor.selStart, editor.selEnd, node.sName);
    editor.text = ins.text;
    editor.selStart = ins.caret;
    editor.selEnd = ins.selEnd;
    FView.EditorChanged();
}

void WorkspaceController::SetTreeOrder(int order) {
    if (order == opts.tableDesignSorted || sql.IsBusy()) return;
    opts.tableDesignSorted = order;
    RefreshSchema();
}

TreeMenuContext WorkspaceController::MenuContext() const {
    TreeMenuContext c;
    c.dbFile = sqlFile;
    c.curTable = table.name;
    c.curSchema = table.schema;
    c.curTableType = table.type;
    c.columns = table.columns;
    c.indexes = table.indexes;
    c.triggers = table.triggers;
    c.editorReady = true;
    c.quickSqlReady = true;
    c.tableOpsReady = true;
    c.designerReady = FView.TableDesigner() != nullptr;
    c.popOutReady = FView.PopOutsReady();
    c.scriptReady = FView.ScriptWindowsReady();
    c.docsReady = FView.DocWindowReady();
    c.importReady = FView.CsvImportReady();
    c.fileImportReady = FView.FileImportReady();
    c.attachReady = true;
    c.exportReady = true;
    return c;
}

bool WorkspaceController::RunMenuAction(const QString& action) {
    using K = TableCommandKind;
    static const QHash<QString, K> tableOps{
        {act::kDesigner, K::Alter},          {act::kDesignBased, K::NewFromDesigner},
        {act::kDesignNew, K::NewInDesigner}, {act::kCopyTable, K::Copy},
        {act::kRenameTable, K::Rename},      {act::kEmptyTable, K::Empty},
        {act::kDropTable, K::Drop},          {act::kNewIndex, K::AddIndex},
        {act::kNewTrigger, K::AddTrigger},   {act::kCompare, K::Compare}};
    if (tableOps.contains(action)) {
        TableCommand(tableOps.value(action));
        return true;
    }
    if (action == act::kDesignerSql) {
        QuickNewTable();
        return true;
    }
    if (action == act::kCreateView || action == act::kCreateTempView) {
        MakeViewFromResults(action == act::kCreateTempView);
        return true;
    }
    if (action.startsWith(act::kQuickSql)) {
        static const QHash<QString, QuickKind> kinds{
            {QStringLiteral("CREATE TABLE"), QuickKind::Create},
            {QStringLiteral("INSERT records"), QuickKind::Insert},
            {QStringLiteral("UPSERT records"), QuickKind::Upsert},
            {QStringLiteral("UPDATE values"), QuickKind::Update},
            {QStringLiteral("DELETE records"), QuickKind::Delete},
            {QStringLiteral("DROP TABLE"), QuickKind::Drop}};
        const QString item = action.mid(act::kQuickSql.size());
        if (!kinds.contains(item)) return false;
        QuickSql(kinds.value(item));
        return true;
    }
    return false;
}

MenuModel WorkspaceController::MenuOf(const TDBObjRec& node) {
    if (sql.IsBusy()) return MenuModel();
    Operation op(*this);
    return NodeMenu(sql, node, MenuContext());
}

void WorkspaceController::RunCommand(const TreeCommand& command) {
    using Code = TreeCommandCode;
    switch (command.code) {
    case Code::None:
        return;
    case Code::ShowSql: {
        // The stored statement of an index or trigger into the editor.
        const QString& text = command.sql;
        if (TrimText(text).isEmpty()) return;
        ReplaceEditorText(text.endsWith(QLatin1Char(';')) ? text : text + QLatin1Char(';'));
        return;
    }
    case Code::Alter:
    case Code::Remove:
        ObjectCommand(command.kind, command.name, command.sql, command.code == Code::Remove);
        return;
    default:
        break;
    }
    if (sql.IsBusy()) return;
    Operation op(*this);
    switch (command.code) {
    case Code::Act:
    case Code::Chg:
    case Code::Exe:
    case Code::Pop:
    case Code::Shw:
        ViewCommand(command);
        break;
    case Code::Add:
    case Code::Del:
    case Code::Ren:
    case Code::Vwr:
        ColumnCommand(command);
        break;
    default:
        DatabaseCommand(command);
        break;
    }
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

void WorkspaceController::DatabaseCommand(const TreeCommand& c) {
    switch (c.code) {
    case TreeCommandCode::Exc:
        ExecuteAndRefresh(c.value, QStringLiteral("Success."));
        break;
    case TreeCommandCode::Nav:
        FView.RaiseEvent(kWsShowInFolder, c.value);
        break;
    case TreeCommandCode::Opn:
        FView.RaiseEvent(kWsOpenFile, c.value);
        break;
    case TreeCommandCode::Qry:
        ShowQueryRows(c.value, true, false);
        break;
    case TreeCommandCode::Sql:
        InsertSQLTemplate(c.value);
        break;
    case TreeCommandCode::Xsc:
        FView.OpenScriptWindow(c.value);
        break;
    case TreeCommandCode::Doc:
        FView.ShowDocumentation(c.value, false);
        break;
    default:
        break;
    }
}

void WorkspaceController::ViewCommand(const TreeCommand& c) {
    using Code = TreeCommandCode;
    const bool transform = c.code == Code::Act || c.code == Code::Pop || c.code == Code::Shw;
    const QString value = transform ? ViewCommandText(c.value) : c.value;
    switch (c.code) {
    case Code::Act:
        ReplaceEditorText(value);
        editor.skipHistory = true;
        RunQuery(RunMode::Plain);
        break;
    case Code::Exe:
        if (value.startsWith(QLatin1String("DROP VIEW")) &&
            !FPrompts.AskYesNo(QStringLiteral("Remove View"),
                               QStringLiteral("Drop the View ") + QStringLiteral("\"") +
                                   selObj.sName + QStringLiteral("\" now?"),
                               30, QStringLiteral("No"), QStringLiteral("Yes")))
            return;
        ExecuteAndRefresh(value, QStringLiteral("Success, Views updated."));
        break;
    case Code::Shw:
        InsertSQLTemplate(value);
        break;
    case Code::Pop:
        PopOutQuery(value);
        break;
    default: // CHG (the view editor) comes with its window
        break;
    }
}

void WorkspaceController::ColumnCommand(const TreeCommand& c) {
    if (c.column < 0 || c.column >= table.columns.size()) return;
    table.curCol = table.columns[c.column];
    switch (c.code) {
    case TreeCommandCode::Add:
        TableCommand(TableCommandKind::AddColumn);
        break;
    case TreeCommandCode::Del:
        TableCommand(TableCommandKind::RemoveColumn);
        break;
    case TreeCommandCode::Ren:
        TableCommand(TableCommandKind::RenameColumn);
        break;
    default: // VWR
        TableCommand(TableCommandKind::ColumnReferences);
        break;
    }
}

} // namespace sky
