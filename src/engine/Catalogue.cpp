// Reading a schema's catalogue once, and its lookups.
#include "engine/Catalogue.h"

#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/SqlLiteral.h"
#include "engine/Statement.h"
#include "support/TextUtil.h"

#include <QSet>
#include <algorithm>
#include <sqlite3.h>

namespace sky {
namespace {

const QString kEmptyQuery = QStringLiteral("Empty Query");

QByteArray Bytes(sqlite3_stmt* h, int col) {
    return QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(h, col)),
                      sqlite3_column_bytes(h, col));
}

QString Text(sqlite3_stmt* h, int col) {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(h, col)),
                             sqlite3_column_bytes(h, col));
}

CatalogueKind KindOf(const QByteArray& type) {
    if (type == "table") return CatalogueKind::Table;
    if (type == "index") return CatalogueKind::Index;
    if (type == "view") return CatalogueKind::View;
    if (type == "trigger") return CatalogueKind::Trigger;
    return CatalogueKind::Other;
}

// Tables, indexes and views share one name space; triggers have their own.
bool InNameSpace(CatalogueKind k) {
    return k == CatalogueKind::Table || k == CatalogueKind::Index || k == CatalogueKind::View;
}

// The columns name, type, notnull, has-default, default, pk, hidden from col on.
TCatalogueColumn ColumnAt(sqlite3_stmt* h, int col) {
    TCatalogueColumn c;
    c.name = Text(h, col);
    c.type = Text(h, col + 1);
    c.notNull = sqlite3_column_int(h, col + 2) != 0;
    c.hasDefault = sqlite3_column_int(h, col + 3) != 0;
    c.defaultText = Text(h, col + 4);
    c.pk = sqlite3_column_int(h, col + 5);
    c.hidden = sqlite3_column_int(h, col + 6);
    return c;
}

QString SchemaOrMain(const QString& schema) {
    const QString s = TrimText(schema);
    return s.isEmpty() ? QStringLiteral("main") : s;
}

// Steps a prepared catalogue query to its end, calling row for each row.
template <typename RowFn> bool StepAll(TSQLite3Database& db, TSQLite3Statement& stmt, RowFn&& row) {
    int rc;
    while ((rc = stmt.Step()) == SQLITE_ROW)
        row(stmt.Handle());
    return rc == SQLITE_DONE || db.CheckResult(rc);
}

std::unique_ptr<TSQLite3Statement> PrepareRead(TSQLite3Database& db, const QString& sql) {
    db.ClearError();
    std::unique_ptr<TSQLite3Statement> stmt = db.Prepare(sql);
    if (!stmt && db.LastError().isEmpty()) db.SetError(kEmptyQuery);
    return stmt;
}

} // namespace

const TCatalogueEntry* TSchemaCatalogue::Named(const QByteArray& name, CatalogueKind kind,
                                               bool exact) const {
    const QByteArray key = name.toLower();
    const auto it = FByName.constFind(key);
    if (it == FByName.constEnd()) return nullptr;
    auto matches = [&](const TCatalogueEntry& e) {
        return e.kind == kind && (exact ? e.name == name : e.name.toLower() == key);
    };
    if (matches(FEntries[*it])) return &FEntries[*it];
    // Only a damaged catalogue holds two such names: look at every entry.
    for (const TCatalogueEntry& e : FEntries)
        if (matches(e)) return &e;
    return nullptr;
}

const TCatalogueEntry* TSchemaCatalogue::Table(const QByteArray& name) const {
    return Named(name, CatalogueKind::Table, true);
}

const TCatalogueEntry* TSchemaCatalogue::View(const QByteArray& name) const {
    return Named(name, CatalogueKind::View, true);
}

const TCatalogueEntry* TSchemaCatalogue::TableIgnoringCase(const QByteArray& name) const {
    return Named(name, CatalogueKind::Table, false);
}

const TCatalogueEntry* TSchemaCatalogue::ViewIgnoringCase(const QByteArray& name) const {
    return Named(name, CatalogueKind::View, false);
}

QList<const TCatalogueEntry*> TSchemaCatalogue::Dependents(const TCatalogueEntry& table,
                                                           CatalogueKind kind) const {
    QList<const TCatalogueEntry*> out;
    const auto it = FByTable.constFind(table.name.toLower());
    if (it == FByTable.constEnd()) return out;
    for (const qsizetype at : *it)
        if (FEntries[at].kind == kind) out.append(&FEntries[at]);
    return out;
}

QList<const TCatalogueEntry*> TSchemaCatalogue::OfKind(CatalogueKind kind, Order order) const {
    QList<const TCatalogueEntry*> picked;
    QSet<QByteArray> seen;
    for (const TCatalogueEntry& e : FEntries)
        if (e.kind == kind && !seen.contains(e.name)) {
            seen.insert(e.name);
            picked.append(&e);
        }
    if (order == Order::Name)
        std::stable_sort(
            picked.begin(), picked.end(),
            [](const TCatalogueEntry* a, const TCatalogueEntry* b) { return a->name < b->name; });
    else if (order == Order::RootPage)
        std::stable_sort(picked.begin(), picked.end(),
                         [](const TCatalogueEntry* a, const TCatalogueEntry* b) {
                             return a->rootpage < b->rootpage;
                         });
    return picked;
}

void TSchemaCatalogue::Index() {
    FByName.clear();
    FByTable.clear();
    FByName.reserve(FEntries.size());
    for (qsizetype at = 0; at < FEntries.size(); ++at) {
        const TCatalogueEntry& e = FEntries[at];
        if (InNameSpace(e.kind)) FByName.insert(e.name.toLower(), at); // keeps the first
        if (e.kind == CatalogueKind::Index || e.kind == CatalogueKind::Trigger)
            FByTable[e.tblName.toLower()].append(at);
    }
}

bool ReadCatalogue(TSQLite3Database& db, const QString& schema, TSchemaCatalogue& cat,
                   bool withColumns, QString* why) {
    cat = TSchemaCatalogue();
    cat.FSchema = TrimText(schema);
    const QString master = MasterTableOf(cat.FSchema);
    const QString entries = QStringLiteral("SELECT rowid, type, name, tbl_name, sql, rootpage, "
                                           "NULL, NULL, NULL, NULL, NULL, NULL, NULL FROM ") +
                            master;
    // One statement, so the rows and the columns come from one reading of the file.
    const QString columns =
        QStringLiteral(" UNION ALL SELECT m.rowid, NULL, NULL, NULL, NULL, NULL, x.name, x.type, "
                       "x.\"notnull\", x.dflt_value IS NOT NULL, x.dflt_value, x.pk, x.hidden "
                       "FROM ") +
        master + QStringLiteral(" AS m, pragma_table_xinfo(m.name, ") +
        QuoteSqlString(SchemaOrMain(cat.FSchema)) + QStringLiteral(") AS x WHERE m.type='table'");
    QHash<qint64, qsizetype> byRowid;
    auto row = [&](sqlite3_stmt* h) {
        const qint64 rowid = sqlite3_column_int64(h, 0);
        if (sqlite3_column_type(h, 1) != SQLITE_NULL) {
            TCatalogueEntry e;
            e.rowid = rowid;
            e.type = Bytes(h, 1);
            e.kind = KindOf(e.type);
            e.name = Bytes(h, 2);
            e.tblName = Bytes(h, 3);
            e.sql = Bytes(h, 4);
            e.rootpage = sqlite3_column_int64(h, 5);
            byRowid.insert(rowid, cat.FEntries.size());
            cat.FEntries.append(std::move(e));
            return;
        }
        const auto it = byRowid.constFind(rowid);
        if (it != byRowid.constEnd()) cat.FEntries[*it].columns.append(ColumnAt(h, 6));
    };
    if (withColumns) {
        std::unique_ptr<TSQLite3Statement> stmt =
            PrepareRead(db, entries + columns + QLatin1Char(';'));
        if (stmt && StepAll(db, *stmt, row)) {
            cat.FColumnsRead = true;
            cat.Index();
            return true;
        }
        // Read again without the columns, which the tables' readers then
        // fetch one by one.
        cat.FEntries.clear();
        byRowid.clear();
    }
    std::unique_ptr<TSQLite3Statement> stmt = PrepareRead(db, entries + QLatin1Char(';'));
    if (!stmt || !StepAll(db, *stmt, row)) {
        if (why) *why = db.LastError();
        cat.FEntries.clear();
        return false;
    }
    db.ClearError();
    cat.Index();
    return true;
}

bool ReadTableColumns(TSQLite3Database& db, const QString& schema, const QByteArray& table,
                      QList<TCatalogueColumn>& columns, QString* why) {
    columns.clear();
    std::unique_ptr<TSQLite3Statement> stmt =
        PrepareRead(db, QStringLiteral("SELECT name, type, \"notnull\", dflt_value IS NOT NULL, "
                                       "dflt_value, pk, hidden FROM pragma_table_xinfo(?1, ?2);"));
    if (stmt) {
        const QByteArray s = SchemaOrMain(schema).toUtf8();
        sqlite3_bind_text(stmt->Handle(), 1, table.constData(), int(table.size()),
                          SQLITE_TRANSIENT);
        sqlite3_bind_text(stmt->Handle(), 2, s.constData(), int(s.size()), SQLITE_TRANSIENT);
        if (StepAll(db, *stmt, [&](sqlite3_stmt* h) { columns.append(ColumnAt(h, 0)); }))
            return true;
    }
    columns.clear();
    if (why) *why = db.LastError();
    return false;
}

bool CatalogueColumns(TSQLite3Database& db, const TSchemaCatalogue& cat,
                      const TCatalogueEntry& table, QList<TCatalogueColumn>& columns,
                      QString* why) {
    if (cat.ColumnsRead() && !table.columns.isEmpty()) {
        columns = table.columns;
        return true;
    }
    return ReadTableColumns(db, cat.Schema(), table.name, columns, why);
}

} // namespace sky
