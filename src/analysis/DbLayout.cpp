// The database record of the documentation and the schema check.
#include "analysis/DbLayout.h"

#include "design/LayoutReads.h"
#include "design/ScriptTables.h"
#include "engine/Catalogue.h"
#include "engine/Database.h"
#include "engine/Statement.h"

#include <sqlite3.h>

namespace sky {

const QStringList kDocPragmas = {
    "application_id", "auto_vacuum",        "automatic_index",    "compile_options",
    "collation_list", "defer_foreign_keys", "encoding",           "foreign_keys",
    "freelist_count", "journal_mode",       "journal_size_limit", "max_page_count",
    "page_count",     "page_size",          "read_uncommitted",   "recursive_triggers",
    "schema_version", "secure_delete",      "user_version"};

QString TDBLayout::Prop(const QString& name) const {
    for (const QString& line : sProps)
        if (line.startsWith(name) && line.size() > name.size() && line[name.size()] == u'=')
            return line.mid(name.size() + 1);
    return QString();
}

void ClearDbLayout(TDBLayout& l) {
    l = TDBLayout();
    l.dHdr.Status = -1;
    l.dHdr.StatusText = QStringLiteral("Invalid");
}

namespace {

// A pragma's value: one value, or (a column of values) joined with ",";
// false when the pragma fails.
bool ReadPragma(TSQLite3Database& db, const QString& name, QString& value) {
    std::unique_ptr<TSQLite3Statement> st =
        db.Prepare(QStringLiteral("PRAGMA ") + name + QLatin1Char(';'));
    if (!st) return false;
    const bool list =
        name == QLatin1String("compile_options") || name == QLatin1String("collation_list");
    QStringList values;
    int rc = st->Step();
    while (rc == SQLITE_ROW) {
        // collation_list has (seq, name): its names are the values.
        values << st->ColumnText(name == QLatin1String("collation_list") ? 1 : 0);
        if (!list) break;
        rc = st->Step();
    }
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return false;
    if (values.isEmpty() && !list) return false;
    value = values.join(u',');
    return true;
}

} // namespace

bool LoadDbLayout(const QString& file, TDBLayout& l) {
    ClearDbLayout(l);
    ReadDBFileHeader(file, l.dHdr);
    if (l.dHdr.Status != 0) return false;
    TSQLite3Database db;
    if (!db.Open(file, 500, true, true, false)) return false;
    l.sFile = file;
    // Tables, their indexes and triggers, and views: one read of the catalogue.
    TSchemaCatalogue cat;
    QString why;
    if (ReadCatalogue(db, QString(), cat, CatalogueDetail::ColumnCounts, &why)) {
        const QList<const TCatalogueEntry*> tables = cat.OfKind(CatalogueKind::Table);
        QList<TTableLayout> read(tables.size());
        const std::vector<char> made = ReadLayoutsSideBySide(cat, tables, QString(), [&read] {
            return [&read](qsizetype k, TTableLayout& t) { read[k] = t; };
        });
        for (qsizetype k = 0; k < tables.size(); ++k) {
            if (!made[size_t(k)] &&
                !convDBTableToLayout(db, QString(), read[k], tables[k]->Name(), &why, &cat))
                read[k] = TTableLayout();
            if (read[k].tblName.isEmpty()) {
                QString sql = tables[k]->Sql() + u';';
                for (CatalogueKind kind : {CatalogueKind::Index, CatalogueKind::Trigger})
                    for (const TCatalogueEntry* d : cat.Dependents(*tables[k], kind))
                        if (!d->sql.isEmpty()) sql += QStringLiteral("\r\n") + d->Sql() + u';';
                l.unreadable.append({tables[k]->Name(), sql});
                continue;
            }
            l.aTbl.append(std::move(read[k]));
        }
        QList<const TCatalogueEntry*> scripted;
        if (TablesForScript(db, cat, scripted, &why)) {
            QSet<QString> keep;
            for (const TCatalogueEntry* e : scripted)
                keep.insert(e->Name());
            for (const TCatalogueEntry* e : tables)
                if (!keep.contains(e->Name())) l.notScripted.insert(e->Name());
        }
        // A fresh connection has no temporary views: the persistent ones.
        for (const TCatalogueEntry* e : cat.OfKind(CatalogueKind::View)) {
            TViewLayout v;
            const QList<const TCatalogueEntry*> triggers =
                cat.Dependents(*e, CatalogueKind::Trigger);
            if (!readView(e->Sql(), v)) {
                QString sql = e->Sql() + u';';
                for (const TCatalogueEntry* d : triggers)
                    sql += QStringLiteral("\r\n") + d->Sql() + u';';
                l.unreadable.append({e->Name(), sql});
                continue;
            }
            readViewFields(db, v);
            for (const TCatalogueEntry* d : triggers)
                l.viewTriggers.append({v.vName, d->Sql()});
            l.aVws.append(std::move(v));
        }
    }
    QStringList collations;
    if (db.QuerySingleColumn(collations, QStringLiteral("SELECT name FROM pragma_collation_list;"),
                             -1, false))
        l.collations = collations.join(u',').toUpper();
    for (const QString& p : kDocPragmas) {
        QString value;
        if (ReadPragma(db, p, value)) l.sProps << p + u'=' + value;
    }
    db.Close();
    return true;
}

} // namespace sky
