// Which tables a script of table statements (one CREATE per table) writes.
#pragma once

#include <QString>
#include <QStringList>

namespace sky {

class TSQLite3Database;

// The tables of a schema (empty: main) in creation order that such a script
// creates itself: neither the engine's own tables (sqlite_...) nor the shadow
// tables of virtual tables, which the virtual table's CREATE makes again (a
// script that created them as well would fail with "already exists").
// False with the engine's reason in why.
bool TablesForScript(TSQLite3Database& db, const QString& schema, QStringList& names,
                     QString* why = nullptr);

} // namespace sky
