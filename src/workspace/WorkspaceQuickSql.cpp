// The workspace controller's quick-SQL buttons: the column and comparison
// insertion, the templates of the selected table, and the create statement
// of a new table from the designer. Nothing here runs SQL that changes the
// file: every button only edits the editor text.
#include "workspace/WorkspaceController.h"

#include "design/TableDesigner.h"
#include "engine/Identifiers.h"
#include "support/TextUtil.h"
#include "workspace/QuickSql.h"

namespace sky {

void WorkspaceController::QuickInsertColumn(const QString& column) {
    AddToQueryStack(editor.text);
    if (column.isEmpty()) return;
    const QString name = QuoteIdent(column);
    const qsizetype start =
        std::clamp<qsizetype>(std::min(editor.selStart, editor.selEnd), 0, editor.text.size());
    const qsizetype end =
        std::clamp<qsizetype>(std::max(editor.selStart, editor.selEnd), 0, editor.text.size());
    editor.text = editor.text.left(start) + name + editor.text.mid(end);
    editor.selStart = editor.selEnd = start + name.size();
    FView.EditorChanged();
}

void WorkspaceController::QuickCompare(const QString& column, const QString& hint) {
    AddToQueryStack(editor.text);
    const TemplateResult r = CompareInsert(editor.text, editor.selStart, editor.selEnd,
                                           column.isEmpty() ? QString() : QuoteIdent(column), hint);
    editor.text = r.text;
    editor.selStart = r.selStart;
    editor.selEnd = r.selEnd;
    FView.EditorChanged();
}

bool WorkspaceController::QuickOffered(QuickKind kind) const {
    if (table.name.isEmpty() || table.type > 1) return false;
    const bool rows = kind == QuickKind::Insert || kind == QuickKind::Upsert ||
                      kind == QuickKind::Update || kind == QuickKind::Delete;
    return !rows || (table.type == 0 && !table.columns.isEmpty());
}

void WorkspaceController::QuickSql(QuickKind kind) {
    if (!QuickOffered(kind) || sql.IsBusy()) return;
    QString tmpl, why;
    if (!QuickSqlTemplate(sql, {table.schema, table.name, table.type == 1}, kind, tmpl, why)) {
        if (!why.isEmpty()) SetStatus(why);
        return;
    }
    InsertSQLTemplate(tmpl);
}

void WorkspaceController::QuickNewTable() {
    TableDesignerPort* designer = FView.TableDesigner();
    if (!designer || sql.IsBusy()) return;
    Operation op(*this);
    QString name, columnMap, script;
    if (!GetDesignerSQL(*designer, &sql, name, table.schema, true, QString(), columnMap, script))
        return; // cancelled: nothing happens
    InsertSQLTemplate(MarkNameTemplate(script, name, 11, false));
}

} // namespace sky
