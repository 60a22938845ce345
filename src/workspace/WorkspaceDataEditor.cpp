// The data editor page on the workspace: offering a table, the table button,
// loading with its question, the row buttons, the script's copy and the
// commit. The rules themselves are DataEditorModel's (DataEditor.cpp).
#include "support/Prompter.h"
#include "support/TextUtil.h"
#include "workspace/SqlTemplate.h"
#include "workspace/WorkspaceController.h"

#include <algorithm>

namespace sky {
namespace {

const QString kDiscardTitle = QStringLiteral("Refreshing Editor values");
constexpr int kDiscardSeconds = 30;

QString DiscardQuestion(const QString& edited, const QString& next) {
    return QStringLiteral("There uncommitted changes to table \"") + edited +
           QStringLiteral("\".\rDiscard it and continue loading new values for \"") + next +
           QStringLiteral("\" now?");
}

bool SameTable(const TEditTableRef& a, const TEditTableRef& b) {
    return a.Table == b.Table && SameSchema(a.Schema, b.Schema);
}

} // namespace

void WorkspaceController::EditorRowsChanged() {
    edit.buttons = edit.model.ButtonsFor(edit.row);
    FView.EditDataChanged();
}

void WorkspaceController::OfferEditTable(const QString& name, const QString& schema) {
    TEditorTrack& t = edit.model.track;
    if (name.isEmpty()) {
        t.sel = {};
        edit.headerShown = false;
        FView.EditDataChanged();
        return;
    }
    t.sel = {schema, name};
    edit.tableButton = (SameTable(t.sel, t.cur) ? kEditorRefreshTo : kEditorChangeTo) + name;
    edit.headerShown = true;
    if (t.edt.Table.isEmpty())
        EditorSelectTable();
    else
        FView.EditDataChanged();
}

bool WorkspaceController::ConfirmEditorDiscard(const QString& newTable) {
    const TEditorTrack& t = edit.model.track;
    if (t.edt.Table.isEmpty() || TrimText(edit.model.Script()).isEmpty()) return true;
    return FPrompts.AskYesNo(kDiscardTitle, DiscardQuestion(edit.tableLabel, newTable),
                             kDiscardSeconds, QString(), QString());
}

void WorkspaceController::EditorSelectTable() {
    TEditorTrack& t = edit.model.track;
    if (t.sel.Table.isEmpty() || SameTable(t.sel, t.cur)) return;
    // Asked before anything changes: No leaves the editor on its table.
    if (!ConfirmEditorDiscard(t.sel.Table)) return;
    t.cur = t.sel;
    edit.whereHistory.clear();
    KVGetList(cfg, EditHistoryKey(t.cur.Table), edit.whereHistory, true);
    edit.where = QStringLiteral("1") + LimitClause(fEdtLimit);
    edit.tableLabel = t.cur.Table;
    edit.tableButton = kEditorRefreshTo + t.cur.Table;
    edit.headerShown = true;
    LoadEditor(false);
}

void WorkspaceController::RefreshEditor() {
    LoadEditor(true);
}

bool WorkspaceController::LoadEditor(bool ask) {
    TEditorTrack& t = edit.model.track;
    if (ask && !ConfirmEditorDiscard(t.cur.Table)) return false;
    edit.model.SetScript(QString());
    edit.editorShown = edit.invalidShown = false;
    edit.loadingShown = true;
    edit.row = edit.col = -1;
    ++edit.loads;
    FView.EditDataChanged();
    bool loaded = false;
    if (sql.IsBusy()) {
        SetStatus(kEditorBusy);
    } else if (t.cur.Table.isEmpty()) {
        SetStatus(kEditorNotEditable);
    } else {
        Operation op(*this);
        QString status;
        if (TrimText(edit.where).isEmpty())
            edit.where = QStringLiteral("1") + LimitClause(fEdtLimit);
        loaded =
            edit.model.ReadColumns(sql, status) && edit.model.LoadRows(sql, edit.where, status);
        if (loaded) {
            edit.whereHistory = EditHistoryWith(edit.whereHistory, edit.where);
            KVPutList(cfg, EditHistoryKey(t.cur.Table), edit.whereHistory);
            edit.tableLabel = t.cur.Table;
        }
        SetStatus(status);
    }
    if (!loaded) edit.model.Clear();
    ++edit.loads;
    edit.editorShown = loaded;
    edit.invalidShown = !loaded;
    edit.loadingShown = false;
    EditorRowsChanged();
    return loaded;
}

void WorkspaceController::ChooseEditorCell(int row, int col) {
    edit.row = row;
    edit.col = col;
    EditorRowsChanged();
}

void WorkspaceController::EditorSetCell(int row, int col, const QString& text) {
    if (edit.model.SetCell(row, col, text)) EditorRowsChanged();
}

void WorkspaceController::EditorAddRecord() {
    const int row = edit.model.AddRecord();
    if (row < 0) return;
    edit.row = row;
    edit.col = std::max(edit.col, 0);
    EditorRowsChanged();
}

void WorkspaceController::EditorDeleteLine() {
    if (!edit.model.DeleteLine(edit.row)) return;
    edit.row = std::min(edit.row, edit.model.RowCount() - 1);
    EditorRowsChanged();
}

void WorkspaceController::EditorResetLine() {
    if (!edit.model.ResetLine(edit.row)) return;
    edit.row = std::min(edit.row, edit.model.RowCount() - 1);
    EditorRowsChanged();
}

void WorkspaceController::EditorCopyGrid(ClipboardPort& clipboard) {
    if (edit.model.RowCount() > 0) clipboard.SetText(edit.model.GridText());
}

void WorkspaceController::EditorScriptTyped(const QString& text) {
    if (text == edit.model.Script()) return;
    edit.model.SetScript(text);
    FView.EditDataChanged();
}

void WorkspaceController::EditorCopyScript(ClipboardPort& clipboard, qsizetype selStart,
                                           qsizetype selEnd) {
    const QString& script = edit.model.Script();
    const qsizetype from = std::clamp(std::min(selStart, selEnd), qsizetype(0), script.size());
    const qsizetype to = std::clamp(std::max(selStart, selEnd), from, script.size());
    clipboard.SetText(to > from ? script.mid(from, to - from) : script);
}

void WorkspaceController::EditorCommit() {
    if (sql.IsBusy()) {
        SetStatus(kEditorBusy);
        return;
    }
    Operation op(*this);
    const EditCommitResult r = edit.model.Commit(sql);
    if (!r.ran) {
        SetStatus(r.summary);
        return;
    }
    // The rows as they now are, then what the commit left to show.
    edit.model.SetScript(QString());
    LoadEditor(false);
    if (r.failures > 0)
        FPrompts.ShowNotice(kEditorErrorTitle, EditCommitNotice(r.failures), kEditorErrorSeconds,
                            true);
    edit.model.SetScript(r.script);
    SetStatus(r.summary);
    FView.EditDataChanged();
}

void WorkspaceController::EditPageShown() {
    if (!edit.editorShown && table.type == 0 && !table.name.isEmpty())
        OfferEditTable(table.name, table.schema);
}

void WorkspaceController::EditTableData() {
    if (table.type != 0 || table.name.isEmpty()) return;
    if (!SameTable(edit.model.track.cur, {table.schema, table.name})) {
        OfferEditTable(table.name, table.schema);
        EditorSelectTable();
    }
    FView.ShowPage(kPageEdit);
}

} // namespace sky
