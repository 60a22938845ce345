// The table page's operations on the workspace: each runs through TableOps
// and the page, tree and status follow its outcome.
#include "workspace/WorkspaceController.h"

#include "design/ScriptTables.h"
#include "engine/Identifiers.h"
#include "workspace/TableOps.h"

#include <QDateTime>

namespace sky {

void WorkspaceController::TableCommand(TableCommandKind kind) {
    using K = TableCommandKind;
    if (kind == K::ShowObjectSql) {
        ShowObjectSql();
        return;
    }
    if (sql.IsBusy()) return;
    if (table.name.isEmpty() && kind != K::NewInDesigner) return;
    const bool tableOnly =
        kind != K::CountRows && kind != K::ColumnReferences && kind != K::NewInDesigner;
    if (table.type != 0 && tableOnly) return;
    const bool needsColumn = kind == K::RenameColumn || kind == K::RemoveColumn ||
                             kind == K::ColumnReferences || kind == K::AddColumn;
    if (needsColumn && table.curCol.isEmpty()) return;
    Operation op(*this);
    TableOpContext c{sql, FPrompts, table.name, table.schema, table.curCol};
    c.designer = FView.TableDesigner();
    c.dialogs = FView.SchemaDialogs();
    c.compare = FView.TableCompare();
    const ObjectRow* object = table.objectRow >= 0 && table.objectRow < table.objects.size()
                                  ? &table.objects[table.objectRow]
                                  : nullptr;
    TableOpOutcome o;
    switch (kind) {
    case K::CountRows:
        o = tableops::CountRows(c);
        if (o.ok) {
            const QString prefix = QLatin1Char('T') + table.name;
            KVPut(cfg, prefix + QStringLiteral("RowCount"), o.rowCountText);
            KVPut(cfg, prefix + QStringLiteral("RCChecked"),
                  QDateTime::currentDateTime().toString(Qt::ISODate));
            RefreshRowCount();
            FView.TableChanged();
        }
        break;
    case K::Drop:
        o = tableops::DropTable(c);
        break;
    case K::Empty:
        o = tableops::EmptyTable(c);
        break;
    case K::Rename:
        o = tableops::RenameTable(c);
        break;
    case K::Copy:
        o = tableops::CopyTable(c);
        break;
    case K::Alter:
        if (!table.tableButtons || !IsMainSchema(table.schema)) return;
        o = tableops::AlterTable(c);
        break;
    case K::AddColumn:
        o = tableops::AddColumn(c);
        break;
    case K::RenameColumn:
        o = tableops::RenameColumn(c);
        break;
    case K::RemoveColumn:
        o = tableops::RemoveColumn(c);
        break;
    case K::ColumnReferences:
        o = tableops::ShowColumnReferences(c);
        o.status.clear(); // the notice says it
        break;
    case K::AddIndex:
    case K::AddTrigger:
    case K::ShowIndexSql:
    case K::ShowTriggerSql:
        if (table.curCol.isEmpty()) return;
        o = tableops::AddIndexOrTrigger(c, kind == K::AddTrigger || kind == K::ShowTriggerSql,
                                        kind == K::ShowIndexSql || kind == K::ShowTriggerSql);
        break;
    case K::EditObject:
        if (!object) return;
        o = tableops::EditObject(c, object->type, object->name, object->sql);
        break;
    case K::RemoveObject:
        if (!object) return;
        o = tableops::RemoveObject(c, object->type, object->name);
        break;
    case K::NewFromDesigner:
    case K::NewInDesigner:
        o = tableops::NewTableFromDesigner(c, kind == K::NewFromDesigner);
        break;
    case K::Compare: {
        if (!c.compare) return;
        QStringList tables;
        TablesForScript(sql, table.schema, tables);
        o = tableops::CompareTable(c, tables, opts.lastCompare);
        break;
    }
    default:
        return;
    }
    if (!o.editorText.isEmpty()) {
        if (o.editorTemplate)
            InsertSQLTemplate(o.editorText);
        else
            ReplaceEditorText(o.editorText);
    }
    if (!o.status.isEmpty()) SetStatus(o.status);
    if (o.refreshSchema) {
        if (!o.selectTable.isEmpty()) table.lastTable = o.selectTable;
        RefreshSchema();
    } else if (!o.selectTable.isEmpty()) {
        SelectTable(o.selectTable, table.schema);
    }
}

bool WorkspaceController::CompareReady() const {
    return FView.TableCompare() != nullptr;
}

void WorkspaceController::ObjectCommand(const QString& kind, const QString& name,
                                        const QString& objectSql, bool remove) {
    if (sql.IsBusy() || table.name.isEmpty() || table.type != 0) return;
    Operation op(*this);
    TableOpContext c{sql, FPrompts, table.name, table.schema, table.curCol};
    c.dialogs = FView.SchemaDialogs();
    const TableOpOutcome o = remove ? tableops::RemoveObject(c, kind, name)
                                    : tableops::EditObject(c, kind, name, objectSql);
    if (!o.status.isEmpty()) SetStatus(o.status);
    if (!o.selectTable.isEmpty()) SelectTable(o.selectTable, table.schema);
}

} // namespace sky
