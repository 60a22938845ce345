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
#include <utility>

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

// The columns name, type, notnull, has-default, default, pk, hidden from col
// on (only name and hidden when names are all that is wanted).
TCatalogueColumn ColumnAt(sqlite3_stmt* h, int col, bool full) {
    TCatalogueColumn c;
    c.name = Text(h, col);
    c.hidden = sqlite3_column_int(h, col + 6);
    if (!full) return c;
    c.type = Text(h, col + 1);
    c.notNull = sqlite3_column_int(h, col + 2) != 0;
    c.hasDefault = sqlite3_column_int(h, col + 3) != 0;
    c.defaultText = Text(h, col + 4);
    c.pk = sqlite3_column_int(h, col + 5);
    return c;
}

// The name as a lookup key: ASCII letters in lower case (the same array when
// it has no upper-case letter, so nothing is copied).
TCatalogueKey Key(const QByteArray& name) {
    for (const char c : name)
        if (c >= 'A' && c <= 'Z') return {name.toLower()};
    return {name};
}

QString SchemaOrMain(const QString& schema) {
    const QString s = UnquoteIdent(schema);
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

size_t qHash(const TCatalogueKey& k, size_t seed) {
    return FastHash(k.bytes, seed);
}

const TCatalogueEntry* TSchemaCatalogue::Named(const QByteArray& name, CatalogueKind kind,
                                               bool exact) const {
    const TCatalogueKey key = Key(name);
    const auto it = FByName.constFind(key);
    if (it == FByName.constEnd()) return nullptr;
    auto matches = [&](const TCatalogueEntry& e) {
        return e.kind == kind && (exact ? e.name == name : Key(e.name) == key);
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
    const auto it = FByTable.constFind(Key(table.name));
    if (it == FByTable.constEnd()) return out;
    for (const qsizetype at : *it)
        if (FEntries[at].kind == kind) out.append(&FEntries[at]);
    return out;
}

QList<const TCatalogueEntry*> TSchemaCatalogue::OfKind(CatalogueKind kind, Order order) const {
    QList<const TCatalogueEntry*> picked;
    QSet<TCatalogueKey> seen; // exact names: the key type only for its hash
    for (const TCatalogueEntry& e : FEntries)
        if (e.kind == kind && !seen.contains({e.name})) {
            seen.insert({e.name});
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
        if (InNameSpace(e.kind)) FByName.insert(Key(e.name), at); // keeps the first
        if (e.kind == CatalogueKind::Index || e.kind == CatalogueKind::Trigger)
            FByTable[Key(e.tblName)].append(at);
    }
}

bool TSchemaCatalogue::Read(TSQLite3Database& db, const QString& schema, CatalogueDetail detail,
                            const QByteArray* table, QString* why) {
    *this = TSchemaCatalogue();
    FSchema = UnquoteIdent(schema);
    const QString master = MasterTableOf(FSchema);
    if (detail == CatalogueDetail::ColumnCounts && table) detail = CatalogueDetail::ColumnNames;
    const bool full = detail == CatalogueDetail::Columns;
    const QString onlyTable =
        table ? QStringLiteral(" WHERE tbl_name=?1 COLLATE NOCASE") : QString();
    const QString entries = QStringLiteral("SELECT rowid, type, name, tbl_name, sql, rootpage, "
                                           "NULL, NULL, NULL, NULL, NULL, NULL, NULL FROM ") +
                            master + onlyTable;
    // One statement, so the rows and the columns come from one reading of the
    // file. The columns follow their tables' rows, in the same order.
    const QString columns =
        QStringLiteral(" UNION ALL SELECT m.rowid, NULL, NULL, NULL, NULL, NULL, x.name, ") +
        (full ? QStringLiteral("x.type, x.\"notnull\", x.dflt_value IS NOT NULL, x.dflt_value, "
                               "x.pk, ")
              : QStringLiteral("NULL, NULL, NULL, NULL, NULL, ")) +
        QStringLiteral("x.hidden FROM ") + master +
        QStringLiteral(" AS m, pragma_table_xinfo(m.name, ") +
        QuoteSqlString(SchemaOrMain(FSchema)) + QStringLiteral(") AS x WHERE m.type='table'") +
        (table ? QStringLiteral(" AND m.tbl_name=?1 COLLATE NOCASE") : QString());
    // The ordinary tables' column counts, as rows without a rowid.
    const QString counts =
        QStringLiteral(" UNION ALL SELECT NULL, NULL, name, NULL, NULL, NULL, NULL, NULL, NULL, "
                       "NULL, NULL, NULL, ncol FROM pragma_table_list WHERE schema=") +
        QuoteSqlString(SchemaOrMain(FSchema)) +
        QStringLiteral(" COLLATE NOCASE AND type IN ('table', 'shadow')");
    QList<std::pair<QByteArray, int>> countRows;
    qsizetype cursor = 0; // the entry the last column row belonged to
    auto row = [&](sqlite3_stmt* h) {
        if (sqlite3_column_type(h, 0) == SQLITE_NULL) {
            countRows.emplace_back(Bytes(h, 2), sqlite3_column_int(h, 12));
            return;
        }
        const qint64 rowid = sqlite3_column_int64(h, 0);
        if (sqlite3_column_type(h, 1) != SQLITE_NULL) {
            TCatalogueEntry& e = FEntries.emplace_back();
            e.rowid = rowid;
            const char* type = reinterpret_cast<const char*>(sqlite3_column_text(h, 1));
            e.kind = KindOf(QByteArray::fromRawData(type, sqlite3_column_bytes(h, 1)));
            if (e.kind == CatalogueKind::Other) e.otherType = Bytes(h, 1);
            e.name = Bytes(h, 2);
            const QByteArrayView tbl(reinterpret_cast<const char*>(sqlite3_column_text(h, 3)),
                                     sqlite3_column_bytes(h, 3));
            e.tblName = tbl == e.name ? e.name : tbl.toByteArray(); // a table's is its own name
            e.sql = Bytes(h, 4);
            e.rootpage = sqlite3_column_int64(h, 5);
            return;
        }
        if (cursor >= FEntries.size() || FEntries[cursor].rowid != rowid) {
            qsizetype at = cursor;
            while (at < FEntries.size() && FEntries[at].rowid != rowid)
                ++at;
            if (at == FEntries.size()) // not in scan order after all: from the start
                for (at = 0; at < FEntries.size() && FEntries[at].rowid != rowid; ++at) {
                }
            if (at == FEntries.size()) return;
            cursor = at;
        }
        FEntries[cursor].columns.append(ColumnAt(h, 6, full));
    };
    auto read = [&](const QString& sql) {
        FEntries.clear();
        countRows.clear();
        cursor = 0;
        std::unique_ptr<TSQLite3Statement> stmt = PrepareRead(db, sql + QLatin1Char(';'));
        if (!stmt) return false;
        if (table)
            sqlite3_bind_text(stmt->Handle(), 1, table->constData(), int(table->size()),
                              SQLITE_TRANSIENT);
        return StepAll(db, *stmt, row);
    };
    if (detail == CatalogueDetail::ColumnCounts) {
        if (read(entries + counts)) {
            FDetail = detail;
            Index();
            for (const auto& [name, n] : countRows) {
                const TCatalogueEntry* e = Named(name, CatalogueKind::Table, true);
                if (!e) e = Named(name, CatalogueKind::Table, false);
                if (e) FEntries[e - FEntries.constData()].columnCount = n;
            }
            return true;
        }
        detail = CatalogueDetail::ColumnNames; // an engine without pragma_table_list
    }
    if (detail != CatalogueDetail::Objects && read(entries + columns)) {
        FDetail = detail;
        Index();
        return true;
    }
    // Without the columns, which the tables' readers then fetch one by one.
    if (!read(entries)) {
        if (why) *why = db.LastError();
        FEntries.clear();
        return false;
    }
    db.ClearError();
    Index();
    return true;
}

bool ReadCatalogue(TSQLite3Database& db, const QString& schema, TSchemaCatalogue& cat,
                   CatalogueDetail detail, QString* why) {
    return cat.Read(db, schema, detail, nullptr, why);
}

bool ReadTableCatalogue(TSQLite3Database& db, const QString& schema, const QByteArray& table,
                        TSchemaCatalogue& cat, QString* why) {
    return cat.Read(db, schema, CatalogueDetail::Columns, &table, why);
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
        if (StepAll(db, *stmt, [&](sqlite3_stmt* h) { columns.append(ColumnAt(h, 0, true)); }))
            return true;
    }
    columns.clear();
    if (why) *why = db.LastError();
    return false;
}

bool CatalogueColumns(TSQLite3Database& db, const TSchemaCatalogue& cat,
                      const TCatalogueEntry& table, CatalogueDetail detail,
                      QList<TCatalogueColumn>& columns, QString* why) {
    if (cat.Detail() >= detail && !table.columns.isEmpty()) {
        columns = table.columns;
        return true;
    }
    return ReadTableColumns(db, cat.Schema(), table.name, columns, why);
}

} // namespace sky
