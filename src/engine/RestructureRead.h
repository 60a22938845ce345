// What the restructure's files share (not for other callers): the table as
// the engine finds a name, its columns, how names compare and how they are
// shown in messages, and the loss check.
#pragma once

#include "engine/Catalogue.h"
#include "engine/Restructure.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace sky {

class TSQLite3Database;

namespace restructure {

inline const QString kBusy = QStringLiteral("Database Busy");

// Names in messages: in double-quote characters, long ones shortened.
QString InQuotes(const QString& name);
QString InQuotes(const QStringList& names);

// Column and table names compare as the engine compares them: ASCII
// letters without regard to case, everything else exactly.
bool SameName(QStringView a, QStringView b);
qsizetype IndexOfSame(const QString& name, const QStringList& list);
bool SameNames(const QStringList& a, const QStringList& b);
bool SameNameSets(const QStringList& a, const QStringList& b);

// The rows of a catalogue query; false with the reason in LastError.
bool Rows(TSQLite3Database& db, const QString& sql, QList<QStringList>& rows);
// The arguments of a table-valued pragma for a table of a given schema.
QString PragmaArgs(const QString& name, const QString& schema);

// The table as the engine finds an unqualified name: temp, then main, then
// attached schemas.
struct TableInfo {
    QString schema;
    QString name; // as stored
    QString type; // table, view, virtual or shadow
    bool withoutRowid = false;
    bool strict = false;
    QString Qualified() const;
};

// found is false when no such table exists. The name is first looked up as
// given, then trimmed and unquoted; in the schema when one is given.
bool FindTable(TSQLite3Database& db, const QString& given, TableInfo& info, bool& found,
               const QString& schema = QString());

// A name for a table set aside in t's schema: base, or base_2, base_3 ...
// when an object takes it (names compared without regard to case).
bool AsideName(TSQLite3Database& db, const TableInfo& t, const QString& base, QString& aside);

// The type as the table gets it: trimmed, upper case, INT widened to INTEGER.
QString NewType(const QString& type);
// The column that becomes the new table's rowid alias: the only primary-key
// column when its type is INTEGER; -1 for none.
int NewAlias(const QList<TStructColumn>& columns);
// A name for the rowid that no column hides, or empty.
QString RowidName(const QList<TCatalogueColumn>& cols);
// The passed indexes that the rebuild creates.
QList<const TStructIndex*> CreatedIndexes(const QList<TStructIndex>& indexes);

// What rebuilding t from the lists would lose, one entry each. False (reason
// in LastError) when the table cannot be read.
bool FindLosses(TSQLite3Database& db, const TableInfo& t, const QList<TCatalogueColumn>& old,
                const QList<TStructColumn>& columns, const QList<TStructIndex>& indexes,
                QStringList& losses);

} // namespace restructure
} // namespace sky
