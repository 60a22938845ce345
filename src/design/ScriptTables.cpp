#include "design/ScriptTables.h"

#include "engine/Catalogue.h"
#include "engine/Database.h"
#include "engine/Statement.h"

#include <QSet>
#include <sqlite3.h>

namespace sky {
namespace {

// name LIKE 'sqlite\_%' ESCAPE '\': the engine's own tables.
bool EngineTable(const QByteArray& name) {
    return name.left(7).toLower() == "sqlite_";
}

bool IsVirtual(const TCatalogueEntry& e) {
    return e.sql.left(20).toUpper() == "CREATE VIRTUAL TABLE";
}

// Whether the engine counts the table as a shadow table of a virtual table.
bool IsShadow(TSQLite3Database& db, TSQLite3Statement& ask, const QByteArray& schema,
              const QByteArray& name, bool& shadow) {
    sqlite3_stmt* h = ask.Handle();
    sqlite3_reset(h);
    sqlite3_bind_text(h, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(h, 2, schema.constData(), int(schema.size()), SQLITE_TRANSIENT);
    const int rc = ask.Step();
    shadow = rc == SQLITE_ROW;
    return rc == SQLITE_ROW || rc == SQLITE_DONE || db.CheckResult(rc);
}

} // namespace

bool TablesForScript(TSQLite3Database& db, const TSchemaCatalogue& cat,
                     QList<const TCatalogueEntry*>& tables, QString* why) {
    tables.clear();
    // Shadow tables are named after their virtual table: <name>_<suffix>.
    QSet<QByteArray> virtualNames;
    for (const TCatalogueEntry& e : cat.Entries())
        if (e.kind == CatalogueKind::Table && IsVirtual(e)) virtualNames.insert(e.name.toLower());
    std::unique_ptr<TSQLite3Statement> ask;
    const QByteArray schema =
        (cat.Schema().isEmpty() ? QStringLiteral("main") : cat.Schema()).toUtf8();
    for (const TCatalogueEntry& e : cat.Entries()) {
        if (e.kind != CatalogueKind::Table || EngineTable(e.name)) continue;
        bool named = false;
        const QByteArray lower = e.name.toLower();
        for (qsizetype at = lower.indexOf('_'); at > 0 && !named; at = lower.indexOf('_', at + 1))
            named = virtualNames.contains(lower.left(at));
        if (named) {
            if (!ask) {
                db.ClearError();
                ask = db.Prepare(QStringLiteral(
                    "SELECT 1 FROM pragma_table_list(?1) WHERE \"schema\"=?2 COLLATE NOCASE "
                    "AND \"type\"='shadow';"));
                if (!ask) {
                    if (why) *why = db.LastError();
                    return false;
                }
            }
            bool shadow = false;
            if (!IsShadow(db, *ask, schema, e.name, shadow)) {
                if (why) *why = db.LastError();
                return false;
            }
            if (shadow) continue;
        }
        tables.append(&e);
    }
    return true;
}

bool TablesForScript(TSQLite3Database& db, const QString& schema, QStringList& names,
                     QString* why) {
    names.clear();
    TSchemaCatalogue cat;
    QList<const TCatalogueEntry*> tables;
    if (!ReadCatalogue(db, schema, cat, CatalogueDetail::Objects, why) ||
        !TablesForScript(db, cat, tables, why))
        return false;
    for (const TCatalogueEntry* e : tables)
        names << e->Name();
    return true;
}

} // namespace sky
