// The table page's display on the workspace: choosing rows of its two
// grids, the column metadata notice, the chosen object's SQL and the
// row-count label. The page's operations are in WorkspaceTableOps.cpp.
#include "support/Prompter.h"
#include "support/SettingsCatalogue.h"
#include "support/TextUtil.h"
#include "workspace/WorkspaceController.h"

#include <algorithm>

namespace sky {

namespace {
constexpr int kMetadataSeconds = 30;
} // namespace

void WorkspaceController::ChooseFieldRow(int row) {
    if (row < 0 || row >= table.fields.size()) {
        table.fieldRow = -1;
        table.curCol.clear();
        FView.TableChanged();
        return;
    }
    const FieldInfo& f = table.fields[row];
    table.fieldRow = row;
    table.curCol = TrimText(f.cells.value(1).section(QLatin1Char(';'), 0, 0));
    const int object = ObjectRowOfReferences(table.objects, f.cells.value(5));
    if (object >= 0)
        ChooseObjectRow(object); // renders the page
    else
        FView.TableChanged();
}

void WorkspaceController::ChooseObjectRow(int row) {
    const bool valid = row >= 0 && row < table.objects.size();
    table.objectRow = valid ? row : -1;
    table.objectChoice = ObjectRowButtons(valid ? &table.objects[row] : nullptr);
    FView.TableChanged();
}

void WorkspaceController::ShowColumnMetadata() {
    // The double-click counts while "Add Index..." is enabled: a table with columns.
    if (!table.tableButtons || table.curCol.isEmpty() || sql.IsBusy()) return;
    const QString schema = TrimText(table.schema);
    const TSQLiteColumnMetaData md = sql.ColMetaData(table.name, table.curCol, schema);
    QString text;
    if (md.isValidTable)
        text = ColumnMetadataText(md);
    else if (sql.ColMetaData(table.name, QString(), schema).isValidTable)
        text = kInvalidColumn; // the table is there, the column is not
    else
        text = kRequestError + sql.LastError();
    FPrompts.ShowNotice(ColumnMetadataTitle(table.name, table.curCol), text, kMetadataSeconds,
                        false);
    // The column name replaces the editor's selection.
    AddToQueryStack(editor.text);
    const qsizetype n = editor.text.size();
    const qsizetype from = std::clamp(std::min(editor.selStart, editor.selEnd), qsizetype(0), n);
    const qsizetype to = std::clamp(std::max(editor.selStart, editor.selEnd), from, n);
    editor.text.replace(from, to - from, table.curCol);
    editor.selStart = editor.selEnd = from + table.curCol.size();
    FView.EditorChanged();
}

void WorkspaceController::ShowObjectSql() {
    if (table.objectRow < 0 || table.objectRow >= table.objects.size()) return;
    const QString text = ObjectSqlForEditor(table.objects[table.objectRow].sql);
    if (!text.isEmpty()) ReplaceEditorText(text);
}

void WorkspaceController::RefreshRowCount() {
    const QString prefix = QLatin1Char('T') + table.name;
    table.rowCount = KVGet(cfg, prefix + QStringLiteral("RowCount"), QStringLiteral("---"));
    const QDateTime checked = QDateTime::fromString(
        KVGet(cfg, prefix + QStringLiteral("RCChecked"), QString()), Qt::ISODate);
    table.rowCountHint = RowCountLabelHint(checked);
    table.countButtonHint = RowCountButtonHint(checked);
}

} // namespace sky
