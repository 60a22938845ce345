// One schema's catalogue, read once: every row of its master table in rowid
// order, looked up by name and by the table an index or trigger belongs to,
// and (when asked for) the columns of every table from a single query.
//
// Readers of many objects (the schema tree, table scripts, the database
// script, and later documentation, completion and schema checks) build from
// one catalogue instead of querying the master table per object, so their
// work grows linearly with the number of objects; the master table has no
// index on its name or table columns.
//
// Names and statements are kept as the bytes stored in the file (they need
// not be valid UTF-8); the QString accessors decode them. Lookups compare
// names as the engine does: ASCII letters without regard to case, all other
// bytes exactly.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

namespace sky {

class TSQLite3Database;

enum class CatalogueKind : quint8 { Table, Index, View, Trigger, Other };

// One column as pragma_table_xinfo reports it.
struct TCatalogueColumn {
    QString name;
    QString type;
    QString defaultText; // the default's SQL text; empty when there is none
    bool notNull = false;
    bool hasDefault = false;
    int pk = 0;     // position in the primary key from 1; 0 for other columns
    int hidden = 0; // 0 ordinary, 1 hidden (virtual tables), 2 and 3 generated
};

struct TCatalogueEntry {
    CatalogueKind kind = CatalogueKind::Other;
    QByteArray type, name, tblName, sql; // as stored; sql empty when NULL
    qint64 rootpage = 0;
    qint64 rowid = 0;
    // Tables, when the catalogue was read with its columns (ColumnsRead()).
    QList<TCatalogueColumn> columns;

    QString Name() const { return QString::fromUtf8(name); }
    QString TableName() const { return QString::fromUtf8(tblName); }
    QString Sql() const { return QString::fromUtf8(sql); }
};

class TSchemaCatalogue {
public:
    // The schema the catalogue was read from (trimmed; empty means main).
    const QString& Schema() const { return FSchema; }
    const QList<TCatalogueEntry>& Entries() const { return FEntries; }
    // True when every table's columns came with the catalogue; otherwise
    // ReadTableColumns gives them table by table.
    bool ColumnsRead() const { return FColumnsRead; }

    // The table (or view) whose stored name is exactly name; nullptr when
    // there is none.
    const TCatalogueEntry* Table(const QByteArray& name) const;
    const TCatalogueEntry* Table(const QString& name) const { return Table(name.toUtf8()); }
    const TCatalogueEntry* View(const QByteArray& name) const;
    // The table (view) whose name equals name ignoring ASCII case, as the
    // engine finds it.
    const TCatalogueEntry* TableIgnoringCase(const QByteArray& name) const;
    const TCatalogueEntry* ViewIgnoringCase(const QByteArray& name) const;

    // A table's indexes and triggers in rowid order (their table named in
    // any letter case, as a trigger's CREATE text may name it).
    QList<const TCatalogueEntry*> Dependents(const TCatalogueEntry& table,
                                             CatalogueKind kind) const;

    // Tables or views, each name once: in rowid order, by name (byte order
    // of the stored text) or by root page (creation order of tables).
    enum class Order { Rowid, Name, RootPage };
    QList<const TCatalogueEntry*> OfKind(CatalogueKind kind, Order order = Order::Rowid) const;

private:
    friend bool ReadCatalogue(TSQLite3Database&, const QString&, TSchemaCatalogue&, bool, QString*);
    const TCatalogueEntry* Named(const QByteArray& name, CatalogueKind kind, bool exact) const;
    void Index();

    QString FSchema;
    QList<TCatalogueEntry> FEntries;
    QHash<QByteArray, qsizetype> FByName;         // lower-cased name -> first entry
    QHash<QByteArray, QList<qsizetype>> FByTable; // lower-cased tbl_name -> indexes, triggers
    bool FColumnsRead = false;
};

// Reads schema's master table (empty schema: main). With withColumns the
// columns of every table are read in the same pass, by one query over the
// master table and pragma_table_xinfo; when that query fails (a virtual
// table whose module is not loaded fails it as a whole) the catalogue is
// still read, without columns. False with the engine's reason in why when
// the master table cannot be read.
bool ReadCatalogue(TSQLite3Database& db, const QString& schema, TSchemaCatalogue& cat,
                   bool withColumns, QString* why = nullptr);

// One table's columns in column order (schema empty: main). False with the
// engine's reason in why.
bool ReadTableColumns(TSQLite3Database& db, const QString& schema, const QByteArray& table,
                      QList<TCatalogueColumn>& columns, QString* why = nullptr);

// The table's columns: from the catalogue when it holds them, else read.
bool CatalogueColumns(TSQLite3Database& db, const TSchemaCatalogue& cat,
                      const TCatalogueEntry& table, QList<TCatalogueColumn>& columns,
                      QString* why = nullptr);

} // namespace sky
