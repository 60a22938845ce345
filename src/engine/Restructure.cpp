// Table restructure from column and index lists: the rebuild plan (set the
// old table aside, recreate, copy back), run by the table rebuild runner.
#include "engine/Restructure.h"

#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/RestructureRead.h"
#include "engine/SqlLiteral.h"
#include "engine/Statement.h"
#include "support/TextUtil.h"

namespace sky {
namespace {

using namespace restructure;

const QString kNoTable = QStringLiteral("No table given to restructure");
const QString kNoColumns = QStringLiteral("No column structure given for ");
const QString kNoSuchTable = QStringLiteral("No such table: ");
const QString kNotATable = QStringLiteral(" is not a table: it cannot be restructured");
const QString kVirtualTable =
    QStringLiteral(" is a virtual table or part of one: it cannot be restructured");
const QString kNoDataKept = QStringLiteral(": no data would be kept");
const QString kNoColumnExists = QStringLiteral("No column of the new structure exists in ");
const QString kBadType = QStringLiteral("Column %1: the type %2 is not a column type (%3)");
const QString kLossStart = QStringLiteral("Restructuring %1 would lose: ");
const QString kLossEnd =
    QStringLiteral(". Nothing was changed: the loss must be allowed explicitly");

// The index statements of a list, in list order.
QStringList IndexStatements(const QList<TStructIndex>& indexes, const TableInfo& t) {
    QStringList sql;
    for (const TStructIndex* ix : CreatedIndexes(indexes)) {
        QStringList cols;
        for (const QString& c : ix->columns)
            cols.append(QuoteIdent(c));
        sql.append(QStringLiteral("CREATE ") +
                   (ix->unique ? QStringLiteral("UNIQUE ") : QString()) + QStringLiteral("INDEX ") +
                   QuoteIdent(t.schema) + QLatin1Char('.') +
                   QuoteIdent(QStringLiteral("idx_") + t.name + QLatin1Char('_') + ix->name) +
                   QStringLiteral(" ON ") + QuoteIdent(t.name) + QStringLiteral(" (") +
                   cols.join(QLatin1Char(',')) + QStringLiteral(");"));
    }
    return sql;
}

// The table, its columns and the columns whose rows stay.
struct Prepared {
    TableInfo table;
    QList<TCatalogueColumn> old;
    QStringList defs; // column definitions of the new table
    QStringList keep; // quoted names of the columns whose rows are copied
};

// The definitions of the new columns. Every type text is checked before
// anything is read or run.
bool ColumnDefinitions(TSQLite3Database& db, const QList<TStructColumn>& columns,
                       const QString& tableName, QStringList& defs) {
    defs.clear();
    if (TrimText(tableName).isEmpty()) {
        db.SetError(kNoTable);
        return false;
    }
    if (columns.isEmpty()) {
        db.SetError(kNoColumns + InQuotes(tableName));
        return false;
    }
    for (const TStructColumn& c : columns) {
        const QString type = NewType(c.type);
        const QString why = ColumnTypeError(type);
        if (!why.isEmpty()) {
            db.SetError(kBadType.arg(InQuotes(c.name), InQuotes(type), why));
            return false;
        }
        defs.append(TrimText(QuoteIdent(c.name) + QLatin1Char(' ') + type +
                             (c.primaryKey ? QStringLiteral(" PRIMARY KEY") : QString())));
    }
    return true;
}

bool ReadTable(TSQLite3Database& db, const QList<TStructColumn>& columns, const QString& tableName,
               Prepared& p) {
    bool found = false;
    if (!FindTable(db, tableName, p.table, found)) return false;
    if (!found) {
        db.SetError(kNoSuchTable + InQuotes(tableName));
        return false;
    }
    if (p.table.type == QLatin1String("view")) {
        db.SetError(InQuotes(p.table.name) + kNotATable);
        return false;
    }
    if (p.table.type != QLatin1String("table")) {
        db.SetError(InQuotes(p.table.name) + kVirtualTable);
        return false;
    }
    QString why;
    if (!ReadTableColumns(db, p.table.schema, p.table.name.toUtf8(), p.old, &why)) return false;
    for (const TStructColumn& c : columns) {
        for (const TCatalogueColumn& o : p.old) {
            if (o.hidden == 0 && SameName(o.name, c.name)) {
                p.keep.append(QuoteIdent(c.name, false, true));
                break;
            }
        }
    }
    if (p.keep.isEmpty()) {
        db.SetError(kNoColumnExists + InQuotes(p.table.name) + kNoDataKept);
        return false;
    }
    return true;
}

} // namespace

bool BuildRestructurePlan(TSQLite3Database& db, const QList<TStructColumn>& columns,
                          const QList<TStructIndex>& indexes, const QString& tableName,
                          bool allowLoss, TRestructurePlan& plan) {
    plan = TRestructurePlan();
    if (!db.CheckConnected()) return false;
    if (db.IsBusy()) {
        db.SetError(kBusy);
        return false;
    }
    Prepared p;
    if (!ColumnDefinitions(db, columns, tableName, p.defs) || !ReadTable(db, columns, tableName, p))
        return false;
    const TableInfo& t = p.table;
    if (!allowLoss) {
        QStringList losses;
        if (!FindLosses(db, t, p.old, columns, indexes, losses)) return false;
        if (!losses.isEmpty()) {
            db.SetError(kLossStart.arg(InQuotes(t.name)) + losses.join(QStringLiteral("; ")) +
                        kLossEnd);
            return false;
        }
    }
    // The table's triggers go with DROP TABLE, which finds them by the table
    // name in any letter case (a trigger keeps the case its CREATE used).
    QList<QStringList> triggers;
    if (!Rows(db,
              QStringLiteral("SELECT \"sql\" FROM ") + MasterTableOf(t.schema) +
                  QStringLiteral(" WHERE \"type\"='trigger' AND \"tbl_name\"=") +
                  QuoteSqlString(t.name) + QStringLiteral(" COLLATE NOCASE AND trim(\"sql\")!='';"),
              triggers))
        return false;
    QString aside;
    if (!AsideName(db, t, QStringLiteral("tOld_") + t.name, aside)) return false;

    const QString qTable = t.Qualified();
    const QString qAside = QuoteIdent(t.schema) + QLatin1Char('.') + QuoteIdent(aside);
    const QString kept = p.keep.join(QLatin1Char(','));
    // Rows keep their order: new rowids follow the old ones.
    const QString rowid = t.withoutRowid ? QString() : RowidName(p.old);
    plan.schema = t.schema;
    plan.table = t.name;
    plan.statements << QStringLiteral("ALTER TABLE ") + qTable + QStringLiteral(" RENAME TO ") +
                           QuoteIdent(aside) + QLatin1Char(';')
                    << QStringLiteral("CREATE TABLE ") + qTable + QLatin1Char('(') +
                           p.defs.join(QLatin1Char(',')) + QStringLiteral(");")
                    // A plain INSERT: duplicate keys fail the whole change instead of
                    // silently replacing rows.
                    << QStringLiteral("INSERT INTO ") + qTable + QStringLiteral(" (") + kept +
                           QStringLiteral(") SELECT ") + kept + QStringLiteral(" FROM ") + qAside +
                           (rowid.isEmpty() ? QString() : QStringLiteral(" ORDER BY ") + rowid) +
                           QLatin1Char(';')
                    << QStringLiteral("DROP TABLE ") + qAside + QLatin1Char(';');
    plan.statements << IndexStatements(indexes, t);
    for (const QStringList& tr : triggers)
        plan.statements << tr[0] + StatementTail(tr[0]) + QLatin1Char(';');
    return true;
}

bool RunRestructurePlan(TSQLite3Database& db, const TRestructurePlan& plan) {
    return RunRebuild(db, plan);
}

bool RestructureLosses(TSQLite3Database& db, const QList<TStructColumn>& columns,
                       const QList<TStructIndex>& indexes, const QString& tableName,
                       QStringList& losses) {
    losses.clear();
    if (!db.CheckConnected()) return false;
    if (db.IsBusy()) {
        db.SetError(kBusy);
        return false;
    }
    Prepared p;
    if (!ColumnDefinitions(db, columns, tableName, p.defs) || !ReadTable(db, columns, tableName, p))
        return false;
    return FindLosses(db, p.table, p.old, columns, indexes, losses);
}

bool RestructureTable(TSQLite3Database& db, const QList<TStructColumn>& columns,
                      const QList<TStructIndex>& indexes, const QString& tableName,
                      bool allowLoss) {
    return RunRebuild(db, [&](TRebuildPlan& plan) {
        return BuildRestructurePlan(db, columns, indexes, tableName, allowLoss, plan);
    });
}

bool TSQLite3Database::UpdateStructure(const QStringList& StructData, const QStringList& Indices,
                                       const QString& TableName, int& ChgCount,
                                       bool /*AllowRemoveFields*/) {
    ChgCount = 0;
    return RestructureTable(*this, StructColumnsFromLines(StructData),
                            StructIndexesFromLines(Indices), TableName, false);
}

} // namespace sky
