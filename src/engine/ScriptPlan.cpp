// Database and table script plans from a schema catalogue.
#include "engine/ScriptPlan.h"

#include "engine/Catalogue.h"
#include "engine/Identifiers.h"

namespace sky {
namespace {

// Stored statement text (bytes, as read) and the ";" that ends it, on a line
// of its own when the text ends in a "--" comment.
void AppendStatement(QByteArray& out, const QByteArray& sql) {
    out += sql;
    out += StatementTail(QString::fromUtf8(sql)).toUtf8();
    out += ";\r\n";
}

// The engine's trim() removes spaces only: such a text holds no statement.
bool Blank(const QByteArray& sql) {
    for (const char c : sql)
        if (c != ' ') return false;
    return true;
}

// name NOT LIKE 'sqlite\_stat_' ESCAPE '\': LIKE ignores ASCII case, and its
// "_" takes one character (a lead byte and its continuation bytes).
bool IsStatisticsTable(const QByteArray& name) {
    if (name.size() < 12 || name.left(11).toLower() != "sqlite_stat") return false;
    const QByteArray rest = name.mid(11);
    if (rest.size() == 1) return true;
    if (quint8(rest[0]) < 0xC0) return false;
    for (qsizetype i = 1; i < rest.size(); ++i)
        if ((quint8(rest[i]) & 0xC0) != 0x80) return false;
    return true;
}

void AddText(TScriptPlan& plan, const QByteArray& table, QByteArray text) {
    TScriptStep s;
    s.kind = ScriptStepKind::Text;
    s.table = table;
    s.text = std::move(text);
    plan.steps.append(std::move(s));
}

void AddTable(TScriptPlan& plan, const TSchemaCatalogue& cat, const TCatalogueEntry& t,
              bool inclData) {
    TScriptStep heading;
    heading.kind = ScriptStepKind::Heading;
    heading.table = t.name;
    plan.steps.append(heading);
    QByteArray create = "DROP TABLE IF EXISTS " + QuoteIdentBytes(t.name) + ";\r\n";
    AppendStatement(create, t.sql);
    AddText(plan, t.name, std::move(create));
    if (inclData && !t.Sql().startsWith(QStringLiteral("CREATE VIRTUAL"), Qt::CaseInsensitive)) {
        TScriptStep rows;
        rows.kind = ScriptStepKind::Rows;
        rows.table = t.name;
        plan.steps.append(rows);
    }
    QByteArray indexes;
    for (const TCatalogueEntry* ix : cat.Dependents(t, CatalogueKind::Index)) {
        if (Blank(ix->sql)) continue; // the engine's automatic indexes have no text
        indexes += "DROP INDEX IF EXISTS " + QuoteIdentBytes(ix->name) + ";\r\n";
        AppendStatement(indexes, ix->sql);
    }
    if (!indexes.isEmpty()) AddText(plan, t.name, std::move(indexes));
    QByteArray triggers;
    for (const TCatalogueEntry* tr : cat.Dependents(t, CatalogueKind::Trigger))
        if (!Blank(tr->sql)) AppendStatement(triggers, tr->sql);
    if (!triggers.isEmpty()) AddText(plan, t.name, std::move(triggers));
}

void AddFailure(TScriptPlan& plan, const QByteArray& table) {
    TScriptStep s;
    s.kind = ScriptStepKind::Failure;
    s.table = table;
    s.reason = kInvalidTableSchema + QString::fromUtf8(table) + QStringLiteral("...");
    plan.steps.append(s);
}

} // namespace

TScriptPlan TableScriptPlan(const TSchemaCatalogue& cat, const QByteArray& name, bool inclData) {
    TScriptPlan plan;
    const TCatalogueEntry* t = cat.TableIgnoringCase(name);
    if (!t)
        AddFailure(plan, name);
    else if (t->sql.trimmed().isEmpty())
        AddFailure(plan, t->name);
    else
        AddTable(plan, cat, *t, inclData);
    return plan;
}

TScriptPlan DatabaseScriptPlan(const TSchemaCatalogue& cat, bool inclData) {
    TScriptPlan plan;
    for (const TCatalogueEntry* t :
         cat.OfKind(CatalogueKind::Table, TSchemaCatalogue::Order::RootPage)) {
        if (t->name == "sqlite_sequence" || IsStatisticsTable(t->name)) continue;
        if (t->sql.trimmed().isEmpty())
            AddFailure(plan, t->name);
        else
            AddTable(plan, cat, *t, inclData);
    }
    if (plan.steps.isEmpty()) {
        plan.noTables = true;
        return plan;
    }
    QByteArray views;
    for (const TCatalogueEntry& v : cat.Entries()) {
        if (v.kind != CatalogueKind::View) continue;
        views += "\r\nDROP VIEW IF EXISTS " + QuoteIdentBytes(v.name) + ";\r\n";
        AppendStatement(views, v.sql);
    }
    if (!views.isEmpty()) AddText(plan, QByteArray(), std::move(views));
    // Triggers on views, which need their views.
    QByteArray viewTriggers;
    for (const TCatalogueEntry& tr : cat.Entries()) {
        if (tr.kind != CatalogueKind::Trigger || Blank(tr.sql)) continue;
        if (!cat.ViewIgnoringCase(tr.tblName)) continue;
        AppendStatement(viewTriggers, tr.sql);
    }
    if (!viewTriggers.isEmpty()) AddText(plan, QByteArray(), "\r\n" + viewTriggers);
    return plan;
}

} // namespace sky
