// The workspace controller's actions on the results: a view made from
// them, their copies, saves and exports, the query into a file or a new
// table, and the cell, row and table actions.
#include "workspace/WorkspaceController.h"

#include "design/Views.h"
#include "engine/Identifiers.h"
#include "engine/SqlLiteral.h"
#include "support/Prompter.h"
#include "support/SettingsCatalogue.h"
#include "support/TextUtil.h"
#include "workspace/QuickSql.h"
#include "workspace/ResultsActions.h"

namespace sky {
namespace {

bool ViewStored(TSQLite3Database& db, const QString& schema, const QString& name) {
    QString found;
    return db.QuerySingleValue(found, QStringLiteral("SELECT 1 FROM ") + MasterTableOf(schema) +
                                          QStringLiteral(" WHERE type='view' AND name=") +
                                          QuoteSqlString(name)) &&
           found == QLatin1String("1");
}

} // namespace

void WorkspaceController::MakeViewFromResults(bool temporary) {
    Operation op(*this);
    TViewLayout v;
    v.isTemp = temporary;
    v.vSelect = ResultsViewSelect(results.lastQuery, table.columns, table.name);
    // The proposed name is one no view of the file has yet.
    QString name = CleanViewName(table.name + QStringLiteral("_View_1"));
    for (int guard = 0; guard < 100000 && ViewStored(sql, QString(), name); ++guard)
        name = NextNumberedName(name);
    v.vName = name;
    if (!FView.EditView(v)) {
        SetStatus(QStringLiteral("Add View - Aborted by User"));
        return;
    }
    const QString create = sqlFrom(v);
    if (!create.contains(QLatin1Char('\n'))) {
        SetStatus(QStringLiteral("View build error: ") + v.vError);
        return;
    }
    // The view replaces one of its name only in its own schema, and only
    // when the user agrees: a view is a stored definition that would be lost.
    const QString schema = v.isTemp ? QStringLiteral("temp") : QStringLiteral("main");
    if (ViewStored(sql, schema, v.vName) &&
        !FPrompts.AskYesNo(QStringLiteral("View already Exists..."),
                           QStringLiteral("Replace the existing View \"") + v.vName +
                               QStringLiteral("\"?"),
                           30, QStringLiteral("No"), QStringLiteral("Yes"))) {
        SetStatus(QStringLiteral("Add View - Aborted by User"));
        return;
    }
    const QString script = QStringLiteral("DROP VIEW IF EXISTS ") + schema + QLatin1Char('.') +
                           QuoteIdent(v.vName) + QStringLiteral(";\r\n") + create;
    if (!sql.ExecuteTransacted(script, false)) {
        SetStatus(QStringLiteral("Error creating View: ") + sql.LastError());
        return;
    }
    SetStatus(QStringLiteral("Successfuly added View ") + v.vName + QStringLiteral("..."));
    RefreshSchema();
}

// --- copies

void WorkspaceController::CopyResults(GridCopy shape, ClipboardPort& clipboard,
                                      const RowShown& shown) {
    if (results.rows.ColumnCount() == 0) return;
    clipboard.SetText(CopyGrid(results.rows, shape, shown));
}

void WorkspaceController::CopyResultRow(int row, RowCopy shape, ClipboardPort& clipboard) {
    const QString text = CopyRow(results.rows, row, shape);
    if (!text.isEmpty()) clipboard.SetText(text);
}

void WorkspaceController::CopyResultColumn(int col, ColumnCopy shape, ClipboardPort& clipboard) {
    const QString text = CopyColumn(results.rows, col, shape);
    if (!text.isEmpty()) clipboard.SetText(text);
}

void WorkspaceController::CopyResultHeadings(HeaderCopy shape, ClipboardPort& clipboard) {
    if (results.rows.ColumnCount() > 0) clipboard.SetText(CopyHeadings(results.rows, shape));
}

void WorkspaceController::CopyResultHeading(int col, ClipboardPort& clipboard) {
    if (col >= 0 && col < results.rows.ColumnCount()) clipboard.SetText(results.rows.Heading(col));
}

void WorkspaceController::CopyResultValue(int row, int col, ClipboardPort& clipboard) {
    if (row >= 0 && row < results.rows.RowCount() && col >= 0 && col < results.rows.ColumnCount())
        clipboard.SetText(results.rows.Text(row, col));
}

// --- saves and exports

void WorkspaceController::SaveResults(SaveKind kind, FileChooser& files, DesktopOpener& opener) {
    QString why;
    QString text;
    if (!GridFileText(results.rows, kind, text, why)) {
        SetStatus(why);
        return;
    }
    const QString file = files.SaveFile(QStringLiteral("Export data to..."), SaveFilter(kind),
                                        QString(), SaveSuffix(kind));
    if (file.isEmpty()) return;
    if (!SaveGrid(results.rows, kind, file, why)) {
        SetStatus(QStringLiteral("Error saving Results: ") + why);
        return;
    }
    SetStatus(QStringLiteral("Results saved to ") + file);
    opener.Open(file);
}

void WorkspaceController::ResultsToNewTable(bool fromMenu) {
    Operation op(*this);
    const QStringList lines = ResultGridLines(results.rows);
    const QString csv = results.rows.ColumnCount() > 0 && results.rows.RowCount() > 0
                            ? lines.join(QStringLiteral("\r\n"))
                            : QString();
    if (fromMenu) {
        // "Create from these Results" > "New Table...".
        SetStatus(QStringLiteral("Creating Table from Query data..."));
        if (lines.size() < 2 || csv.isEmpty()) {
            SetStatus(QStringLiteral("No valid Query data found."));
            return;
        }
        QString name =
            NextNumberedName(table.name.isEmpty() ? QStringLiteral("Table") : table.name);
        QString why;
        if (!FView.ImportCsv(sql, csv, name, why, QString())) {
            SetStatus(QStringLiteral("Error Creating Table - ") + why);
            return;
        }
        SetStatus(QStringLiteral("Success: Created Table \"") + name + QStringLiteral("\"."));
        table.lastTable = name;
        RefreshSchema();
        return;
    }
    if (csv.size() < 2) {
        SetStatus(QStringLiteral("No valid Results data found..."));
        return;
    }
    QString name = ResultTableName(sql, table.name);
    QString replace;
    if (sql.TableExists(name, QStringLiteral("main"))) {
        bool cancelled = false;
        // Yes: the table is dropped by the import, inside its transaction.
        if (FPrompts.AskYesNoCancel(QStringLiteral("Table already Exists..."),
                                    QStringLiteral("Drop existing table \"") + name +
                                        QStringLiteral("\" before importing?"),
                                    cancelled, QStringLiteral("No"), QStringLiteral("Yes"), 0))
            replace = name;
        else if (cancelled)
            return;
        else
            name = FreeTableName(sql, name);
    }
    QString why;
    if (!FView.ImportCsv(sql, csv, name, why, replace)) {
        SetStatus(QStringLiteral("Error adding Table - ") + why);
        return;
    }
    SetStatus(QStringLiteral("Success: Saved Results as Table \"") + name + QStringLiteral("\"."));
    RefreshSchema();
}

void WorkspaceController::QueryToFile(QueryFileKind kind, FileChooser& files) {
    Operation op(*this);
    QueryFileFlow flow{sql, FPrompts, files, table.name, CfgGet(setting::MaxSqlExportValuesLines)};
    QString status;
    fShowProgress = true;
    flow.Run(kind, TrimText(editor.text), status);
    fShowProgress = false;
    EndRun();
    if (!status.isEmpty()) SetStatus(status);
}

void WorkspaceController::QueryIntoNewTable() {
    if (sql.IsBusy()) {
        SetStatus(QStringLiteral("Error: Busy executing a prior Query..."));
        return;
    }
    Operation op(*this);
    const QString name = AskQueryTableName(sql, FPrompts, table.name);
    if (name.isEmpty()) {
        SetStatus(QStringLiteral("Importing to Table - aborted by User..."));
        return;
    }
    FPrompts.ShowNotice(QStringLiteral("Executing Query..."),
                        QStringLiteral("Please wait while importing, this may take a while..."), 0,
                        false);
    fShowProgress = true;
    QString status;
    const bool ok = QueryIntoTable(sql, TrimText(editor.text), name, status);
    fShowProgress = false;
    EndRun();
    SetStatus(status);
    if (ok) {
        table.lastTable = name;
        RefreshSchema();
        SetStatus(status);
    }
}

// --- the cell, row and table actions

CellActionState WorkspaceController::CellActionsAt(int row, int col) {
    CellActionState s;
    const ActionTable t =
        ReadActionTable(sql, table.schema, table.type == 0 ? table.name : QString());
    s.table = t.exists;
    const RowTarget r = ResolveRow(t, results.rows, row);
    s.rowWhy = r.why;
    if (r.why.isEmpty()) {
        s.column = ValueColumn(t, results.rows, col, s.valueWhy);
    } else {
        s.valueWhy = r.why;
    }
    return s;
}

void WorkspaceController::RunCellAction(CellAction action, int row, int col) {
    Operation op(*this);
    const ActionTable t =
        ReadActionTable(sql, table.schema, table.type == 0 ? table.name : QString());
    auto show = [this](const QString& tmpl) {
        InsertSQLTemplate(tmpl);
        FView.EditorChanged();
    };
    // Table actions need only the table.
    if (action == CellAction::TableShowCreate || action == CellAction::TableShowRename ||
        action == CellAction::TableShowDrop) {
        if (!t.exists) return;
        QString tmpl = action == CellAction::TableShowRename ? TableRenameSql(t)
                       : action == CellAction::TableShowDrop ? TableDropSql(t)
                                                             : QString();
        QString why;
        if (tmpl.isEmpty() &&
            !QuickSqlTemplate(sql, {table.schema, table.name, false}, QuickKind::Create, tmpl, why))
            return;
        show(tmpl);
        return;
    }
    const RowTarget r = ResolveRow(t, results.rows, row);
    if (!r.why.isEmpty()) {
        SetStatus(r.why);
        return;
    }
    // Executions: the status, then the last query again so the change shows.
    auto executed = [this](bool ok, const QString& status) {
        if (ok) ShowQueryRows(results.lastQuery, true, false);
        SetStatus(status);
    };
    QString status;
    switch (action) {
    case CellAction::RowShowUpdate:
        show(RowUpdateSql(t, r, results.rows, row));
        return;
    case CellAction::RowShowInsert:
        show(RowInsertSql(t, r, results.rows, row));
        return;
    case CellAction::RowShowDelete:
        show(RowDeleteSql(t, r));
        return;
    case CellAction::ShowInEditor:
        OfferEditTable(table.name, table.schema);
        EditorSelectTable();
        edit.where = r.Condition();
        FView.ShowPage(kPageEdit);
        LoadEditor(true);
        return;
    case CellAction::Duplicate:
        SetStatus(QStringLiteral("Updating..."));
        executed(ExecuteDuplicate(sql, t, r, results.rows, row, status), status);
        return;
    case CellAction::RemoveKey:
        if (!FPrompts.AskYesNo(QStringLiteral("Remove Data Row"),
                               QStringLiteral("Delete the current Row now?"), 0,
                               QStringLiteral("No"), QStringLiteral("Yes")))
            return;
        [[fallthrough]];
    case CellAction::Remove:
        if (!FPrompts.AskYesNo(QStringLiteral("Delete current Row..."), RemoveRowQuestion(r), 0,
                               QStringLiteral("No"), QStringLiteral("Yes")))
            return;
        SetStatus(QStringLiteral("Updating..."));
        executed(ExecuteRemove(sql, t, r, status), status);
        return;
    default:
        break;
    }
    // The value actions: the clicked column of the table.
    QString why;
    const QString column = ValueColumn(t, results.rows, col, why);
    if (column.isEmpty()) {
        SetStatus(why);
        return;
    }
    const QString heading = results.rows.Heading(col);
    switch (action) {
    case CellAction::ShowSelect:
        show(ShowSelectSql(t, r, column));
        return;
    case CellAction::ShowUpdate:
        show(ShowUpdateSql(t, r, column, CellValueOf(results.rows, row, col)));
        return;
    case CellAction::ShowUnique:
        show(UniqueValuesSql(t, column, fQryLimit));
        return;
    case CellAction::ListUnique: {
        TemplateResult u;
        ApplyTemplate(UniqueValuesSql(t, column, fQryLimit), TemplateState(), u);
        ShowQueryRows(u.text, true, false);
        return;
    }
    default:
        break;
    }
    // Edit Value and its shown form: the new value asked first.
    const QString current = results.rows.Text(row, col);
    QStringList values;
    for (const QString& v :
         CopyColumn(results.rows, col, ColumnCopy::Unique).split(QStringLiteral("\r\n")))
        if (!v.isEmpty()) values << v;
    const QString answer = AskNewValue(FPrompts, heading, current, values);
    if (answer == current) {
        SetStatus(QStringLiteral("No Change in value..."));
        return;
    }
    const CellValue value = TypedAnswer(answer, t.affinity.value(column.toUpper()));
    if (action == CellAction::ShowEdit) {
        show(ShowEditSql(t, r, column, value));
        return;
    }
    SetStatus(QStringLiteral("Updating..."));
    executed(ExecuteValueEdit(sql, t, r, column, heading, value, status), status);
}

// --- pop-outs

void WorkspaceController::PopOutQuery(const QString& query) {
    if (!PopOutOpens(&sql, query)) {
        if (sql.TransactionOpen())
            SetStatus(QStringLiteral("Pop-Out refused: a transaction is open"));
        return;
    }
    FView.OpenPopOut(query, {});
}

void WorkspaceController::PopOutResults() {
    const QString query = TrimText(results.lastQuery);
    if (!PopOutOpens(&sql, query)) {
        if (sql.TransactionOpen())
            SetStatus(QStringLiteral("Pop-Out refused: a transaction is open"));
        return;
    }
    const QStringList lines =
        results.rows.ColumnCount() > 0 ? ResultGridLines(results.rows) : QStringList();
    FView.OpenPopOut(query, lines);
}

void WorkspaceController::PopOutTable() {
    if (table.name.isEmpty()) return;
    const QString s = TrimText(table.schema);
    const QString prefix = IsMainSchema(s) ? QString()
                           : s.compare(QLatin1String("temp"), Qt::CaseInsensitive) == 0
                               ? QStringLiteral("temp.")
                               : QuoteIdent(s) + QLatin1Char('.');
    PopOutQuery(QStringLiteral("SELECT * FROM ") + prefix + QuoteIdent(table.name) +
                QStringLiteral(" WHERE 1") + LimitClause(fQryLimit) + QLatin1Char(';'));
}

} // namespace sky
