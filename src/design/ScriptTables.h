// Which tables a script of table statements (one CREATE per table) writes.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace sky {

class TSQLite3Database;
class TSchemaCatalogue;
struct TCatalogueEntry;

// The tables of a schema's catalogue in creation order that such a script
// creates itself: neither the engine's own tables (sqlite_...) nor the shadow
// tables of virtual tables, which the virtual table's CREATE makes again (a
// script that created them as well would fail with "already exists"). Only
// tables named after a virtual table are asked about, one by one. False
// with the engine's reason in why.
bool TablesForScript(TSQLite3Database& db, const TSchemaCatalogue& cat,
                     QList<const TCatalogueEntry*>& tables, QString* why = nullptr);

// The same by name for a schema (empty: main), its catalogue read here.
bool TablesForScript(TSQLite3Database& db, const QString& schema, QStringList& names,
                     QString* why = nullptr);

} // namespace sky
