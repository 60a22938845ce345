// Table restructure: the rebuild plan (set the old table aside, recreate,
// copy back) and its runner, which executes it in one transaction.
#include "engine/Restructure.h"

#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/RestructureRead.h"
#include "engine/SqlLiteral.h"
#include "engine/Statement.h"
#include "support/TextUtil.h"

#include <memory>
#include <sqlite3.h>

namespace sky {
namespace {

using namespace restructure;

const QString kNoTable = QStringLiteral("No table given to restructure");
const QString kNoColumns = QStringLiteral("No column structure given for ");
const QString kTransactionOpen = QStringLiteral("Transaction is already opened.");
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
const QString kNotOneStatement =
    QStringLiteral("Restructure step holds more than one statement: not run");
const QString kEmptyStep = QStringLiteral("Restructure step compiled to nothing");
const QString kForeignKeyFailed = QStringLiteral("FOREIGN KEY constraint failed: row %1 of %2 has "
                                                 "no parent in %3");
const QString kExceptionExecuting = QStringLiteral("Exception executing Query ");

// Runs one statement of the plan. A text that holds more than one statement
// is refused before anything runs.
bool RunStep(TSQLite3Database& db, const QString& sql) {
    db.ClearError();
    std::unique_ptr<TSQLite3Statement> stmt = db.Prepare(sql);
    if (!stmt) {
        if (db.LastError().isEmpty()) db.SetError(kEmptyStep);
        return false;
    }
    const char* used = sqlite3_sql(stmt->Handle());
    const QByteArray utf8 = sql.toUtf8();
    for (qsizetype i = used ? qsizetype(qstrlen(used)) : 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c != ';' && c != ' ' && c != '\t' && c != '\r' && c != '\n') {
            db.SetError(kNotOneStatement);
            return false;
        }
    }
    const int rc = stmt->Step();
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) return db.CheckResult(rc);
    return true;
}

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

// A name for the old table that no object of its schema takes.
bool AsideName(TSQLite3Database& db, const TableInfo& t, QString& aside) {
    aside = QStringLiteral("tOld_") + t.name;
    for (int k = 2;; ++k) {
        QList<QStringList> taken;
        if (!Rows(db,
                  QStringLiteral("SELECT 1 FROM ") + MasterTableOf(t.schema) +
                      QStringLiteral(" WHERE \"name\"=") + QuoteSqlString(aside) +
                      QStringLiteral(" COLLATE NOCASE;"),
                  taken))
            return false;
        if (taken.isEmpty()) return true;
        aside = QStringLiteral("tOld_") + t.name + QLatin1Char('_') + QString::number(k);
    }
}

bool CanRebuild(TSQLite3Database& db) {
    if (!db.CheckConnected()) return false;
    if (db.TransactionOpen()) {
        db.SetError(kTransactionOpen);
        return false;
    }
    if (db.IsBusy()) {
        db.SetError(kBusy);
        return false;
    }
    return true;
}

// Runs body(foreign keys enforced) inside the rebuild's transaction: legacy
// renaming on, foreign-key enforcement, which cannot change inside a
// transaction, off around it. Commits when body succeeds, else rolls back.
template <typename Body> bool InRebuildTransaction(TSQLite3Database& db, Body&& body) {
    QString legacy;
    if (!db.QuerySingleValue(legacy, QStringLiteral("PRAGMA legacy_alter_table;"))) return false;
    if (legacy != QLatin1String("1") && !db.Execute(QStringLiteral("PRAGMA legacy_alter_table=1;")))
        return false;
    struct RestoreLegacy {
        TSQLite3Database& db;
        bool restore;
        ~RestoreLegacy() {
            if (restore) db.ExecSQL(QStringLiteral("PRAGMA legacy_alter_table=0;"));
        }
    } restoreLegacy{db, legacy != QLatin1String("1")};

    bool fkOn = false;
    if (!db.CheckForeignKeys(fkOn)) return false;
    if (fkOn && !db.SetForeignKeys(false)) return false;
    bool ok = db.BeginTransaction();
    if (ok) {
        ok = body(fkOn);
        if (ok) {
            ok = db.Commit();
        } else {
            const QString keptErr = db.LastError();
            db.Rollback();
            db.SetError(keptErr);
        }
    }
    if (fkOn) {
        const QString keptErr = db.LastError();
        const bool restored = db.SetForeignKeys(true);
        if (ok && !restored)
            ok = false;
        else if (!ok)
            db.SetError(keptErr);
    }
    return ok;
}

// The plan's statements, then (checkForeignKeys) the keys of the table and
// of the tables that refer to it.
bool RunPlanSteps(TSQLite3Database& db, const TRestructurePlan& plan, bool checkForeignKeys) {
    for (const QString& step : plan.statements)
        if (!RunStep(db, step)) return false;
    if (!checkForeignKeys) return true;
    QList<QStringList> bad;
    if (!Rows(db,
              QStringLiteral("SELECT k.\"table\", k.\"rowid\", k.\"parent\" FROM ") +
                  MasterTableOf(plan.schema) +
                  QStringLiteral(" AS m, pragma_foreign_key_check(m.\"name\", ") +
                  QuoteSqlString(plan.schema) +
                  QStringLiteral(") AS k WHERE m.\"type\"='table' AND (m.\"name\"=") +
                  QuoteSqlString(plan.table) + QStringLiteral(" OR k.\"parent\"=") +
                  QuoteSqlString(plan.table) + QStringLiteral(" COLLATE NOCASE) LIMIT 1;"),
              bad))
        return false;
    if (!bad.isEmpty() && bad[0].size() >= 3) {
        db.SetError(kForeignKeyFailed.arg(bad[0][1], InQuotes(bad[0][0]), InQuotes(bad[0][2])));
        return false;
    }
    return true;
}

template <typename Fn> bool Guarded(TSQLite3Database& db, Fn&& fn) {
    db.DispatchUpdates();
    bool ok = false;
    try {
        ok = fn();
    } catch (const std::exception& e) {
        if (db.TransactionOpen()) db.Rollback();
        db.SetError(kExceptionExecuting + ExceptionText(e));
        ok = false;
    }
    db.DispatchUpdates();
    return ok;
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
    if (!AsideName(db, t, aside)) return false;

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
    return Guarded(db, [&] {
        return CanRebuild(db) &&
               InRebuildTransaction(db, [&](bool fkOn) { return RunPlanSteps(db, plan, fkOn); });
    });
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
    return Guarded(db, [&] {
        QStringList defs;
        if (!CanRebuild(db) || !ColumnDefinitions(db, columns, tableName, defs)) return false;
        return InRebuildTransaction(db, [&](bool fkOn) {
            TRestructurePlan plan;
            return BuildRestructurePlan(db, columns, indexes, tableName, allowLoss, plan) &&
                   RunPlanSteps(db, plan, fkOn);
        });
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
