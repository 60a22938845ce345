// Reading a stored table into a table layout: its CREATE text parsed, the
// columns checked against the engine's, its indexes and triggers parsed;
// from a schema catalogue that readers of many tables read once, or from the
// table's own part of the catalogue. A catalogue with the engine's column
// counts spares ordinary tables the reading of their column names: their
// parsed columns are counted against the engine's, and only a table whose
// text is not read as the engine reads it takes the way through the names
// (which gives the reason).
#include "design/TableLayout.h"
#include "engine/Catalogue.h"
#include "engine/Database.h"
#include "support/Csv.h"
#include "support/TextUtil.h"

namespace sky {
namespace {

const QString kEmptyTableName = QStringLiteral("Empty table name");
const QString kNoSuchTable = QStringLiteral("No such table: ");
const QString kNoColumns = QStringLiteral("Table has no columns: ");
const QString kColumnsRead = QStringLiteral("The columns read (");
const QString kColumnsDiffer = QStringLiteral(") differ from the table's (");

// The engine's columns as the lines parseTable takes for a table whose text
// does not list them (a virtual table): cid,name,type,notnull,default,pk.
QStringList ColumnSpecs(const QList<TCatalogueColumn>& cols) {
    QStringList specs;
    int cid = 0;
    for (const TCatalogueColumn& c : cols)
        if (c.hidden != 1)
            specs << QString::number(cid++) + QLatin1Char(',') +
                         JoinCSVLine({c.name, c.type,
                                      c.notNull ? QStringLiteral("1") : QStringLiteral("0"),
                                      c.defaultText, QString::number(c.pk)},
                                     QLatin1Char(','));
    return specs;
}

// The stored text, parsed. The engine stores an ordinary table's text as
// "CREATE TABLE " and its column list; only other forms (a virtual table)
// need the engine's columns, whose lines are then made.
bool ParseStored(TSQLite3Database& db, const TSchemaCatalogue& cat, const TCatalogueEntry& entry,
                 TTableLayout& t, QString* why) {
    const QString sql = entry.Sql();
    if (entry.sql.startsWith("CREATE TABLE ") && parseTable(sql, QStringList(), t, why))
        return true;
    QList<TCatalogueColumn> cols;
    return CatalogueColumns(db, cat, entry, CatalogueDetail::Columns, cols, why) &&
           parseTable(sql, ColumnSpecs(cols), t, why);
}

// The safety net: the parsed columns must be the engine's, in its order
// (generated columns included; a virtual table's hidden ones are not its own).
bool SameColumns(const TTableLayout& t, const QList<TCatalogueColumn>& cols, QString* why) {
    if (t.isVirtual) return true;
    bool same = t.Cols.size() == cols.size();
    for (qsizetype i = 0; same && i < cols.size(); ++i)
        same = t.Cols[i].fName == cols[i].name;
    if (same) return true;
    if (why) {
        QStringList engineNames, parsedNames;
        for (const TCatalogueColumn& c : cols)
            engineNames << c.name;
        for (const TFieldLayout& f : t.Cols)
            parsedNames << f.fName;
        *why = kColumnsRead + parsedNames.join(QStringLiteral(", ")) + kColumnsDiffer +
               engineNames.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    return false;
}

// The table's indexes and triggers as far as they are read.
void ReadDependents(const TSchemaCatalogue& cat, const TCatalogueEntry& entry, TTableLayout& t) {
    for (const TCatalogueEntry* e : cat.Dependents(entry, CatalogueKind::Index)) {
        TIndexLayout ix;
        if (!e->sql.isEmpty() && parseIndex(e->Sql(), ix)) t.Idxs << ix;
    }
    for (const TCatalogueEntry* e : cat.Dependents(entry, CatalogueKind::Trigger)) {
        TTriggerLayout tr;
        if (parseTrigger(e->Sql(), tr)) t.Trigs << tr;
    }
}

} // namespace

bool LayoutFromCatalogue(const TSchemaCatalogue& cat, const TCatalogueEntry& entry,
                         const QString& schema, TTableLayout& t) {
    if (cat.Detail() != CatalogueDetail::ColumnCounts || entry.columnCount <= 0 ||
        !entry.sql.startsWith("CREATE TABLE "))
        return false;
    if (!parseTable(entry.Sql(), QStringList(), t) || t.Cols.size() != entry.columnCount)
        return false;
    t.dbName = TrimText(schema);
    ReadDependents(cat, entry, t);
    return true;
}

bool convDBTableToLayout(TSQLite3Database& db, const QString& schema, TTableLayout& t,
                         const QString& table, QString* why, const TSchemaCatalogue* catalogue) {
    // The name is used as stored: a table may be named with spaces around it.
    const QString& name = table;
    if (name.isEmpty()) {
        if (why) *why = kEmptyTableName;
        return false;
    }
    const QByteArray bytes = name.toUtf8();
    TSchemaCatalogue own;
    if (!catalogue) {
        if (!ReadTableCatalogue(db, schema, bytes, own, why)) return false;
        catalogue = &own;
    }
    const TCatalogueEntry* entry = catalogue->Table(bytes);
    if (!entry) {
        if (why) *why = kNoSuchTable + name;
        return false;
    }
    if (LayoutFromCatalogue(*catalogue, *entry, schema, t)) return true;
    QList<TCatalogueColumn> cols;
    if (!CatalogueColumns(db, *catalogue, *entry, CatalogueDetail::ColumnNames, cols, why))
        return false;
    if (cols.isEmpty()) {
        if (why) *why = kNoColumns + name;
        return false;
    }
    if (!ParseStored(db, *catalogue, *entry, t, why)) return false;
    t.dbName = TrimText(schema);
    if (!SameColumns(t, cols, why)) return false;
    ReadDependents(*catalogue, *entry, t);
    return true;
}

} // namespace sky
