// The workspace controller's actions on the results: a view made from them.
#include "workspace/WorkspaceController.h"

#include "design/Views.h"
#include "engine/Identifiers.h"
#include "engine/SqlLiteral.h"
#include "support/Prompter.h"
#include "support/TextUtil.h"
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

} // namespace sky
