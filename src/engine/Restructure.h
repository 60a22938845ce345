// Table restructure from a column list: the list as parsed from its CSV text,
// the check of a column's type text, the losses a rebuild would cause, and
// the rebuild itself as a plan (the old table set aside, a new one created
// from the list, the rows of the columns that stay copied back) that a short
// runner executes in one transaction.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include "engine/TableRebuild.h"

namespace sky {

class TSQLite3Database;

// One column of the new table. The name is used exactly as given.
struct TStructColumn {
    QString name;
    QString type; // trimmed and upper-cased when the table is built; INT becomes INTEGER
    bool primaryKey = false;
};

// One index of the new table, created as idx_<table>_<name>.
struct TStructIndex {
    QString name;
    bool unique = false;
    QStringList columns; // names exactly as given
};

// Reads "name,type,key" records (a key beginning with PRI marks the primary
// key) with the CSV reader: quoted fields may hold delimiters and line
// breaks, and field texts are kept exactly. Records with an empty name are
// skipped; missing fields are empty. False with the reason when the text
// ends inside a quoted field.
bool ParseStructureCsv(const QString& text, QList<TStructColumn>& columns, QString& error);

// Reads index records with the CSV reader: field 2 "0" for a unique index,
// field 3 the index name ("PRIMARY", the primary key, is not an index of its
// own), field 4 the column's position ("1" starts the next index), field 5
// the column name.
bool ParseIndexCsv(const QString& text, QList<TStructIndex>& indexes, QString& error);

// The same from lines split one by one (SplitCSVFields): lines with fewer
// than 3 (columns) or 10 (indexes) fields are skipped.
QList<TStructColumn> StructColumnsFromLines(const QStringList& lines);
QList<TStructIndex> StructIndexesFromLines(const QStringList& lines);

// Empty when the text is a column type: type-name words, then at most one
// parenthesised list of one or two signed numbers ("UNSIGNED BIG INT",
// "DECIMAL(10, 5)", "VARCHAR(+255)"), or nothing at all. Otherwise the reason.
QString ColumnTypeError(QStringView type);

// What rebuilding the table from this column and index list would lose that
// the lists cannot carry (WITHOUT ROWID, STRICT, AUTOINCREMENT, generated
// columns, constraints of the columns that stay, indexes not passed, rowids
// that would change), one entry each. False (reason in LastError) when the
// table cannot be read.
bool RestructureLosses(TSQLite3Database& db, const QList<TStructColumn>& columns,
                       const QList<TStructIndex>& indexes, const QString& tableName,
                       QStringList& losses);

// A table rebuild as a value: the statements, run one by one in this order
// inside one transaction:
//   1. ALTER TABLE "s"."t" RENAME TO "aside"   the old table set aside (with
//      legacy renaming, so views, triggers and other tables' keys keep
//      naming t)
//   2. CREATE TABLE "s"."t"(definitions)       the new table from the list
//   3. INSERT INTO "s"."t" (kept) SELECT kept FROM "s"."aside"
//      [ORDER BY rowid]                        the rows of the columns that stay
//   4. DROP TABLE "s"."aside"
//   5. CREATE [UNIQUE] INDEX "s"."idx_t_name" ON "t" (columns), per index
//   6. the table's triggers as stored (DROP TABLE removed them)
// When foreign keys are enforced, the runner checks them before the commit.
using TRestructurePlan = TRebuildPlan;

// Builds the plan to rebuild the table from the lists; reads, writes nothing.
// Every type text is checked first. Unless allowLoss, a rebuild that would
// lose anything RestructureLosses reports is refused and names the losses.
// False with the reason in LastError.
bool BuildRestructurePlan(TSQLite3Database& db, const QList<TStructColumn>& columns,
                          const QList<TStructIndex>& indexes, const QString& tableName,
                          bool allowLoss, TRestructurePlan& plan);

// Runs a plan with the rebuild runner (RunRebuild). On any failure nothing
// is changed. False with the reason in LastError.
bool RunRestructurePlan(TSQLite3Database& db, const TRestructurePlan& plan);

// Rebuilds the table from the lists, keeping the rows of the columns that
// stay: the plan is built and run inside the same transaction, so nothing
// it read can change before it is used. On any failure the table is left
// as it was.
bool RestructureTable(TSQLite3Database& db, const QList<TStructColumn>& columns,
                      const QList<TStructIndex>& indexes, const QString& tableName, bool allowLoss);

} // namespace sky
