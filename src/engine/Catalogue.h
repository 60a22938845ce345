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

// How much a catalogue holds of each table's columns.
enum class CatalogueDetail {
    Objects,      // the master table's rows only
    ColumnCounts, // and the number of each ordinary table's columns
    ColumnNames,  // and each table's column names and hidden flags
    Columns,      // and everything pragma_table_xinfo tells of each column
};

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
    QByteArray name, tblName, sql; // as stored; sql empty when NULL
    QByteArray otherType;          // the type text of an entry of kind Other
    qint64 rootpage = 0;
    qint64 rowid = 0;
    // With ColumnCounts detail: the number of the table's columns as the
    // engine counts them (generated ones included); -1 when not known (a
    // virtual table, a name the engine does not know).
    int columnCount = -1;
    // A table's columns, as far as the catalogue's detail reaches.
    QList<TCatalogueColumn> columns;

    QString Name() const { return QString::fromUtf8(name); }
    QString TableName() const { return QString::fromUtf8(tblName); }
    QString Sql() const { return QString::fromUtf8(sql); }
};

// A lower-cased name as a lookup key, hashed with the quick hash.
struct TCatalogueKey {
    QByteArray bytes;
    bool operator==(const TCatalogueKey& o) const { return bytes == o.bytes; }
};
size_t qHash(const TCatalogueKey& k, size_t seed);

class TSchemaCatalogue {
public:
    // The schema the catalogue was read from (unquoted; empty means main).
    const QString& Schema() const { return FSchema; }
    const QList<TCatalogueEntry>& Entries() const { return FEntries; }
    // What each table's entry holds of its columns. Below what a reader
    // needs, CatalogueColumns reads them table by table.
    CatalogueDetail Detail() const { return FDetail; }

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
    friend bool ReadCatalogue(TSQLite3Database&, const QString&, TSchemaCatalogue&, CatalogueDetail,
                              QString*);
    friend bool ReadTableCatalogue(TSQLite3Database&, const QString&, const QByteArray&,
                                   TSchemaCatalogue&, QString*);
    bool Read(TSQLite3Database& db, const QString& schema, CatalogueDetail detail,
              const QByteArray* table, QString* why);
    const TCatalogueEntry* Named(const QByteArray& name, CatalogueKind kind, bool exact) const;
    void Index();

    QString FSchema;
    QList<TCatalogueEntry> FEntries;
    QHash<TCatalogueKey, qsizetype> FByName;         // lower-cased name -> first entry
    QHash<TCatalogueKey, QList<qsizetype>> FByTable; // lower-cased tbl_name -> indexes, triggers
    CatalogueDetail FDetail = CatalogueDetail::Objects;
};

// Reads schema's master table (empty schema: main; quotes around the name
// are removed). With column detail the columns of every table are read in
// the same pass, by one query over the master table and pragma_table_xinfo;
// when that query fails (a virtual table whose module is not loaded fails it
// as a whole) the catalogue is still read, without columns. Column counts
// come from the engine's table list in the same pass (no statement per
// table); an engine without that list gives column names instead. False
// with the engine's reason in why when the master table cannot be read.
bool ReadCatalogue(TSQLite3Database& db, const QString& schema, TSchemaCatalogue& cat,
                   CatalogueDetail detail, QString* why = nullptr);

// The part of the catalogue that belongs to one table (named in any letter
// case): its row, its indexes and triggers, and all of its columns. For
// readers of a single table.
bool ReadTableCatalogue(TSQLite3Database& db, const QString& schema, const QByteArray& table,
                        TSchemaCatalogue& cat, QString* why = nullptr);

// One table's columns in column order (schema empty: main). False with the
// engine's reason in why.
bool ReadTableColumns(TSQLite3Database& db, const QString& schema, const QByteArray& table,
                      QList<TCatalogueColumn>& columns, QString* why = nullptr);

// The table's columns with at least the detail asked for: from the
// catalogue when it holds them, else read.
bool CatalogueColumns(TSQLite3Database& db, const TSchemaCatalogue& cat,
                      const TCatalogueEntry& table, CatalogueDetail detail,
                      QList<TCatalogueColumn>& columns, QString* why = nullptr);

} // namespace sky

// Entries and columns hold only implicitly shared Qt values: lists of them
// grow by moving their memory.
Q_DECLARE_TYPEINFO(sky::TCatalogueColumn, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(sky::TCatalogueEntry, Q_RELOCATABLE_TYPE);
