#include "design/ScriptTables.h"

#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/SqlLiteral.h"

namespace sky {

bool TablesForScript(TSQLite3Database& db, const QString& schema, QStringList& names,
                     QString* why) {
    names.clear();
    QString s = UnquoteIdent(schema);
    if (s.isEmpty()) s = QStringLiteral("main");
    // The engine names a virtual table's shadow tables in pragma table_list.
    const QString sql =
        QStringLiteral("SELECT \"name\" FROM ") + MasterTableOf(s) +
        QStringLiteral(" WHERE \"type\"='table' AND \"name\" NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
                       "AND \"name\" NOT IN (SELECT \"name\" FROM pragma_table_list WHERE "
                       "\"schema\"=") +
        QuoteSqlString(s) +
        QStringLiteral(" COLLATE NOCASE AND \"type\"='shadow') ORDER BY rowid;");
    QList<QStringList> rows;
    if (!db.QueryTextRows(sql, rows)) {
        if (why) *why = db.LastError();
        return false;
    }
    for (const QStringList& r : rows)
        names << r.value(0);
    return true;
}

} // namespace sky
