// The table rebuild: the plan from a new definition, and the one runner of
// every rebuild.
#include "engine/TableRebuild.h"

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

const QString kTransactionOpen = QStringLiteral("Transaction is already opened.");
const QString kNoSuchTable = QStringLiteral("No such table: ");
const QString kNotATable = QStringLiteral(" is not a table: it cannot be rebuilt");
const QString kNoColumnLists =
    QStringLiteral("The rebuild's column lists are empty or of different lengths");
const QString kNotOneStatement =
    QStringLiteral("Restructure step holds more than one statement: not run");
const QString kEmptyStep = QStringLiteral("Restructure step compiled to nothing");
const QString kForeignKeyFailed = QStringLiteral("FOREIGN KEY constraint failed: row %1 of %2 has "
                                                 "no parent in %3");
const QString kExceptionExecuting = QStringLiteral("Exception executing Query ");
const QString kViewBroken = QStringLiteral("The view %1 would no longer work: %2");

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
            if (!ok && db.TransactionOpen()) {
                const QString keptErr = db.LastError();
                db.Rollback();
                db.SetError(keptErr);
            }
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
bool RunPlanSteps(TSQLite3Database& db, const TRebuildPlan& plan, bool checkForeignKeys) {
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

// The views of the table's schema that name it and can be read.
bool WorkingViews(TSQLite3Database& db, const TRebuildPlan& plan, QStringList& views) {
    views.clear();
    QList<QStringList> rows;
    if (!Rows(db,
              QStringLiteral("SELECT \"name\", \"sql\" FROM ") + MasterTableOf(plan.schema) +
                  QStringLiteral(" WHERE \"type\"='view';"),
              rows))
        return false;
    for (const QStringList& r : rows) {
        if (r.size() < 2 || !r[1].contains(plan.table, Qt::CaseInsensitive)) continue;
        std::unique_ptr<TSQLite3Statement> probe = db.Prepare(
            QStringLiteral("SELECT * FROM ") + QuoteIdent(plan.schema) + QLatin1Char('.') +
            QuoteIdent(r[0], false, true) + QStringLiteral(" LIMIT 0;"));
        if (probe) views << r[0];
    }
    db.ClearError();
    return true;
}

// A rebuild that leaves a view that could be read unreadable (a column it
// names is gone) fails.
bool ViewsStillWork(TSQLite3Database& db, const TRebuildPlan& plan, const QStringList& views) {
    for (const QString& v : views) {
        std::unique_ptr<TSQLite3Statement> probe =
            db.Prepare(QStringLiteral("SELECT * FROM ") + QuoteIdent(plan.schema) +
                       QLatin1Char('.') + QuoteIdent(v, false, true) + QStringLiteral(" LIMIT 0;"));
        if (!probe) {
            db.SetError(kViewBroken.arg(InQuotes(v), db.LastError()));
            return false;
        }
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

// True when the schema keeps an AUTOINCREMENT counter for the table.
bool HasSequence(TSQLite3Database& db, const TableInfo& t, bool& has) {
    has = false;
    QList<QStringList> rows;
    if (!Rows(db,
              QStringLiteral("SELECT 1 FROM ") + MasterTableOf(t.schema) +
                  QStringLiteral(" WHERE \"type\"='table' AND \"name\"='sqlite_sequence';"),
              rows))
        return false;
    if (rows.isEmpty()) return true;
    if (!Rows(db,
              QStringLiteral("SELECT 1 FROM ") + QuoteIdent(t.schema) +
                  QStringLiteral(".\"sqlite_sequence\" WHERE \"name\"=") + QuoteSqlString(t.name) +
                  QLatin1Char(';'),
              rows))
        return false;
    has = !rows.isEmpty();
    return true;
}

} // namespace

namespace restructure {
bool AsideName(TSQLite3Database& db, const TableInfo& t, const QString& base, QString& aside) {
    aside = base;
    for (int k = 2;; ++k) {
        QList<QStringList> taken;
        if (!Rows(db,
                  QStringLiteral("SELECT 1 FROM ") + MasterTableOf(t.schema) +
                      QStringLiteral(" WHERE \"name\"=") + QuoteSqlString(aside) +
                      QStringLiteral(" COLLATE NOCASE;"),
                  taken))
            return false;
        if (taken.isEmpty()) return true;
        aside = base + QLatin1Char('_') + QString::number(k);
    }
}

} // namespace restructure

QString TRebuildPlan::Script() const {
    QStringList lines;
    if (!header.isEmpty()) lines << header;
    lines << statements;
    return lines.join(QStringLiteral("\r\n"));
}

bool BuildTableRebuild(TSQLite3Database& db, const TRebuildRequest& request, TRebuildPlan& plan) {
    plan = TRebuildPlan();
    if (!db.CheckConnected()) return false;
    if (request.targets.isEmpty() || request.targets.size() != request.sources.size()) {
        db.SetError(kNoColumnLists);
        return false;
    }
    TableInfo t;
    bool found = false;
    if (!FindTable(db, request.table, t, found, request.schema)) return false;
    if (!found) {
        db.SetError(kNoSuchTable + InQuotes(request.table));
        return false;
    }
    if (t.type != QLatin1String("table")) {
        db.SetError(InQuotes(t.name) + kNotATable);
        return false;
    }
    QList<TCatalogueColumn> old;
    QString why;
    if (!ReadTableColumns(db, t.schema, t.name.toUtf8(), old, &why)) return false;
    QString aside;
    bool sequence = false;
    if (!AsideName(db, t, request.asideBase, aside) || !HasSequence(db, t, sequence)) return false;

    const QString qTable = t.Qualified();
    const QString qAside = QuoteIdent(t.schema) + QLatin1Char('.') + QuoteIdent(aside);
    // Rowids are kept when both tables have them: rows keep their identity
    // (and a table without an alias keeps what refers to its rowids).
    const QString rowid = t.withoutRowid ? QString() : RowidName(old);
    const bool keepRowid = request.newHasRowid && !rowid.isEmpty();
    const QString targets =
        (keepRowid ? QStringLiteral("rowid,") : QString()) + request.targets.join(QLatin1Char(','));
    const QString sources =
        (keepRowid ? rowid + QLatin1Char(',') : QString()) + request.sources.join(QLatin1Char(','));
    plan.schema = t.schema;
    plan.table = t.name;
    plan.header = request.header;
    plan.statements << request.dropFirst;
    plan.statements << QStringLiteral("ALTER TABLE ") + qTable + QStringLiteral(" RENAME TO ") +
                           QuoteIdent(aside) + QLatin1Char(';')
                    << request.createTable
                    // A plain INSERT: duplicate keys fail the whole change instead of
                    // silently replacing rows.
                    << QStringLiteral("INSERT INTO ") + qTable + QStringLiteral(" (") + targets +
                           QStringLiteral(")\r\n  SELECT ") + sources + QStringLiteral(" FROM ") +
                           qAside +
                           (rowid.isEmpty() ? QString() : QStringLiteral(" ORDER BY ") + rowid) +
                           QLatin1Char(';');
    if (sequence) {
        // The renamed table took the counter along: the new table continues
        // from it, so ids of deleted rows are never handed out again.
        const QString seq = QuoteIdent(t.schema) + QStringLiteral(".\"sqlite_sequence\"");
        const QString oldSeq = QStringLiteral("(SELECT max(\"seq\") FROM ") + seq +
                               QStringLiteral(" WHERE \"name\"=") + QuoteSqlString(aside) +
                               QLatin1Char(')');
        plan.statements << QStringLiteral("UPDATE ") + seq + QStringLiteral(" SET \"seq\"=") +
                               oldSeq + QStringLiteral(" WHERE \"name\"=") +
                               QuoteSqlString(t.name) + QStringLiteral(" AND \"seq\"<") + oldSeq +
                               QLatin1Char(';')
                        << QStringLiteral("INSERT INTO ") + seq +
                               QStringLiteral(" (\"name\",\"seq\") SELECT ") +
                               QuoteSqlString(t.name) + QStringLiteral(",\"seq\" FROM ") + seq +
                               QStringLiteral(" WHERE \"name\"=") + QuoteSqlString(aside) +
                               QStringLiteral(" AND NOT EXISTS (SELECT 1 FROM ") + seq +
                               QStringLiteral(" WHERE \"name\"=") + QuoteSqlString(t.name) +
                               QStringLiteral(") AND EXISTS (SELECT 1 FROM ") +
                               MasterTableOf(t.schema) +
                               QStringLiteral(" WHERE \"type\"='table' AND \"name\"=") +
                               QuoteSqlString(t.name) +
                               QStringLiteral(" AND \"sql\" LIKE '%AUTOINCREMENT%');");
    }
    plan.statements << QStringLiteral("DROP TABLE ") + qAside + QLatin1Char(';');
    plan.statements << request.afterCopy;
    return true;
}

bool RunRebuild(TSQLite3Database& db, const std::function<bool(TRebuildPlan&)>& build) {
    return Guarded(db, [&] {
        return CanRebuild(db) && InRebuildTransaction(db, [&](bool fkOn) {
                   TRebuildPlan plan;
                   QStringList working;
                   return build(plan) && WorkingViews(db, plan, working) &&
                          RunPlanSteps(db, plan, fkOn) && ViewsStillWork(db, plan, working);
               });
    });
}

bool RunRebuild(TSQLite3Database& db, const TRebuildPlan& plan) {
    return RunRebuild(db, [&](TRebuildPlan& p) {
        p = plan;
        return true;
    });
}

} // namespace sky
