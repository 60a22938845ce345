// Table restructure (set the old table aside, recreate, copy back), the CSV
// upsert and the one-record writers.
#include "engine/CsvFields.h"
#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/SqlLiteral.h"
#include "engine/Statement.h"
#include "support/TextUtil.h"

#include <sqlite3.h>

namespace sky {
namespace {

const QString kBusy = QStringLiteral("Database Busy");

// The table name in double-quote characters, as the import messages show it.
QString InQuotes(const QString& name) {
    return QLatin1Char('"') + name + QLatin1Char('"');
}

} // namespace

bool TSQLite3Database::UpdateStructure(const QStringList& StructData, const QStringList& Indices,
                                       const QString& TableName, int& ChgCount,
                                       bool /*AllowRemoveFields*/) {
    ChgCount = 0;
    DispatchUpdates();
    const QString table = UnquoteIdent(TrimText(TableName));
    if (!CheckConnected()) return false;
    if (StructData.isEmpty() || table.isEmpty()) {
        SetError(QStringLiteral("No table or no column structure given"));
        return false;
    }
    if (FTransactionOpen) {
        SetError(QStringLiteral("Transaction is already opened."));
        return false;
    }
    if (IsBusy()) {
        FLastErr = kBusy;
        return false;
    }
    bool ok = false;
    try {
        QStringList oldNames;
        if (EnumColNames(oldNames, table) <= 0) {
            SetError(QStringLiteral("Table ") + InQuotes(table) +
                     QStringLiteral(" has no Columns"));
            return false;
        }
        QStringList defs, keep;
        QStringList fields;
        for (const QString& line : StructData) {
            if (SplitCSVFields(line, fields, QLatin1Char(',')) < 3) continue;
            const QString name = UnquoteIdent(TrimText(fields[0]));
            if (name.isEmpty()) continue;
            QString type = TrimText(fields[1]).toUpper();
            if (type == QLatin1String("INT")) type = QStringLiteral("INTEGER");
            const QString key = TrimText(fields[2]).toUpper().startsWith(QLatin1String("PRI"))
                                    ? QStringLiteral("PRIMARY KEY")
                                    : QString();
            defs.append(
                TrimText(QuoteIdent(name) + QLatin1Char(' ') + type + QLatin1Char(' ') + key));
            if (IndexOfName(name, oldNames) >= 0) keep.append(QuoteIdent(name));
        }
        if (defs.isEmpty()) {
            SetError(QStringLiteral("No column structure given for ") + InQuotes(table));
            return false;
        }
        if (keep.isEmpty()) {
            SetError(QStringLiteral("No column of the new structure exists in ") + InQuotes(table) +
                     QStringLiteral(": no data would be kept"));
            return false;
        }

        // Index lines: consecutive lines form one index until position "1".
        QStringList indexSql;
        struct Index {
            QString name;
            bool unique = false;
            QStringList cols;
        };
        QList<Index> indexes;
        for (const QString& line : Indices) {
            if (SplitCSVFields(line, fields, QLatin1Char(',')) < 10) continue;
            if (indexes.isEmpty() || TrimText(fields[3]) == QLatin1String("1")) {
                Index ix;
                ix.unique = TrimText(fields[1]) == QLatin1String("0");
                ix.name = TrimText(fields[2]);
                indexes.append(ix);
            }
            const QString col = UnquoteIdent(TrimText(fields[4]));
            if (!col.isEmpty()) indexes.last().cols.append(QuoteIdent(col));
        }
        const QString qTable = QuoteIdent(table);
        for (const Index& ix : indexes) {
            if (ix.cols.isEmpty() ||
                ix.name.compare(QLatin1String("PRIMARY"), Qt::CaseInsensitive) == 0)
                continue;
            indexSql.append(
                QStringLiteral("CREATE ") + (ix.unique ? QStringLiteral("UNIQUE ") : QString()) +
                QStringLiteral("INDEX ") +
                QuoteIdent(QStringLiteral("idx_") + table + QLatin1Char('_') + ix.name) +
                QStringLiteral(" ON ") + qTable + QStringLiteral(" (") +
                ix.cols.join(QLatin1Char(',')) + QStringLiteral(");"));
        }

        // The table's triggers go with DROP TABLE: they are made again.
        QList<QStringList> triggers;
        Lock();
        const bool read = QueryTextRows(
            QStringLiteral("SELECT \"sql\" FROM \"sqlite_master\" WHERE \"type\"='trigger' AND "
                           "\"tbl_name\"=") +
                QuoteSqlString(table) + QStringLiteral(" AND trim(\"sql\")!='';"),
            triggers);
        Unlock();
        if (!read) return false;

        // The old table is renamed aside rather than copied to a temporary
        // table: the rows are copied once. Legacy renaming leaves views,
        // triggers and other tables' foreign keys naming the table alone.
        QString aside = QStringLiteral("tOld_") + table;
        for (int k = 2; TableExists(aside, QString()) || ViewExists(aside, QString()); ++k)
            aside = QStringLiteral("tOld_") + table + QLatin1Char('_') + QString::number(k);
        const QString qAside = QuoteIdent(aside);
        const QString kept = keep.join(QLatin1Char(','));
        QStringList script;
        script << QStringLiteral("ALTER TABLE ") + qTable + QStringLiteral(" RENAME TO ") + qAside +
                      QLatin1Char(';')
               << QStringLiteral("CREATE TABLE ") + qTable + QLatin1Char('(') +
                      defs.join(QLatin1Char(',')) + QStringLiteral(");")
               // A plain INSERT: duplicate keys fail the whole change instead
               // of silently replacing rows.
               << QStringLiteral("INSERT INTO ") + qTable + QStringLiteral(" (") + kept +
                      QStringLiteral(") SELECT ") + kept + QStringLiteral(" FROM ") + qAside +
                      QLatin1Char(';')
               << QStringLiteral("DROP TABLE ") + qAside + QLatin1Char(';');
        script << indexSql;
        for (const QStringList& t : triggers)
            script << t[0] + QLatin1Char(';');

        QString legacy;
        if (!QuerySingleValue(legacy, QStringLiteral("PRAGMA legacy_alter_table;"))) return false;
        if (legacy != QLatin1String("1") &&
            !Execute(QStringLiteral("PRAGMA legacy_alter_table=1;")))
            return false;
        struct RestoreLegacy {
            TSQLite3Database* db;
            bool restore;
            ~RestoreLegacy() {
                if (restore) db->ExecSQL(QStringLiteral("PRAGMA legacy_alter_table=0;"));
            }
        } restoreLegacy{this, legacy != QLatin1String("1")};

        // Enforcement cannot change inside a transaction: it is switched off
        // around it, and the keys are checked before the commit instead.
        bool fkOn = false;
        if (!CheckForeignKeys(fkOn)) return false;
        if (fkOn && !SetForeignKeys(false)) return false;
        ok = BeginTransaction();
        if (ok) {
            ok = ExecuteList(script);
            if (ok && fkOn) {
                QList<QStringList> bad;
                Lock();
                ok = QueryTextRows(
                    QStringLiteral("SELECT k.\"table\", k.\"rowid\", k.\"parent\" FROM "
                                   "\"sqlite_master\" AS m, pragma_foreign_key_check(m.\"name\") "
                                   "AS k WHERE m.\"type\"='table' AND (m.\"name\"=") +
                        QuoteSqlString(table) + QStringLiteral(" OR k.\"parent\"=") +
                        QuoteSqlString(table) + QStringLiteral(" COLLATE NOCASE) LIMIT 1;"),
                    bad);
                Unlock();
                if (ok && !bad.isEmpty()) {
                    SetError(QStringLiteral("FOREIGN KEY constraint failed: row ") + bad[0][1] +
                             QStringLiteral(" of ") + InQuotes(bad[0][0]) +
                             QStringLiteral(" has no parent in ") + InQuotes(bad[0][2]));
                    ok = false;
                }
            }
            if (ok) {
                ok = Commit();
            } else {
                const QString keptErr = FLastErr;
                Rollback();
                FLastErr = keptErr;
            }
        }
        if (fkOn) {
            const QString keptErr = FLastErr;
            const bool restored = SetForeignKeys(true);
            if (ok && !restored)
                ok = false;
            else
                FLastErr = keptErr;
        }
    } catch (const std::exception& e) {
        if (FTransactionOpen) Rollback();
        SetError(QStringLiteral("Exception executing Query ") + ExceptionText(e));
        ok = false;
    }
    DispatchUpdates();
    return ok;
}

bool TSQLite3Database::UpdateFromCSV(QStringList& CSVData, const QString& TableName, int& ChgCount,
                                     TConflictHandler onKeyFieldExists, QChar sDelim) {
    DispatchUpdates();
    ChgCount = 0;
    const QString table = TrimText(TableName);
    if (!CheckConnected()) return false;
    for (qsizetype i = CSVData.size() - 1; i >= 0; --i)
        if (TrimText(CSVData[i]).isEmpty()) CSVData.removeAt(i);
    const bool ownTransaction = !FTransactionOpen;
    if (ownTransaction) {
        if (!BeginTransaction()) return false;
    } else if (IsBusy()) {
        FLastErr = kBusy;
        return false;
    }
    auto fail = [&](const QString& why) {
        if (ownTransaction) Rollback();
        SetError(why);
        return false;
    };
    try {
        const QString shown = UnquoteIdent(table);
        if (CSVData.size() < 2)
            return fail(QStringLiteral(
                "A CSV Import must contain at least a Header row and 1 row of data"));
        const QStringList keys = PrimaryKeyColumns(table, QString());
        if (keys.isEmpty())
            return fail(QStringLiteral("Table ") + InQuotes(shown) +
                        QStringLiteral(" has no Primary Key Index"));
        QStringList columns;
        if (EnumColNames(columns, table) <= 0)
            return fail(QStringLiteral("Table ") + InQuotes(shown) +
                        QStringLiteral(" has no Columns"));
        QStringList header;
        if (SplitCSVFields(CSVData[0], header, sDelim) < 2)
            return fail(QStringLiteral("CSV Import data has no data Columns"));

        // Header field index and column name of every matched column.
        QList<int> fieldIndex;
        QStringList names;
        bool hasKey = false;
        for (qsizetype f = 0; f < header.size() && names.size() < 999; ++f) {
            const int c = IndexOfName(header[f], columns);
            if (c < 0) continue;
            fieldIndex.append(int(f));
            names.append(QuoteIdent(columns[c], false, true));
            if (IndexOfName(columns[c], keys) >= 0) hasKey = true;
        }
        if (names.size() < 2)
            return fail(QStringLiteral("CSV Import data does not contain columns referencing valid "
                                       "fields in ") +
                        InQuotes(shown));
        if (!hasKey)
            return fail(
                QStringLiteral("CSV Import does not contain a valid Primary-Key Field for ") +
                InQuotes(shown));

        QString params = QStringLiteral("?1");
        for (qsizetype k = 1; k < names.size(); ++k)
            params += QStringLiteral(",?") + QString::number(k + 1);
        const QString sql = QStringLiteral("INSERT OR ") + ConflictClauseWord(onKeyFieldExists) +
                            QStringLiteral(" INTO ") + QualifiedTableName(table) +
                            QStringLiteral(" (") + names.join(QLatin1Char(',')) +
                            QStringLiteral(") VALUES (") + params + QStringLiteral(");");
        std::unique_ptr<TSQLite3Statement> stmt = Prepare(sql);
        if (!stmt) return fail(QStringLiteral("Import Prepare error - ") + FLastErr);
        QStringList fields;
        for (qsizetype line = 1; line < CSVData.size(); ++line) {
            const QString& text = CSVData[line];
            auto excerpt = [&] {
                return QStringLiteral("Line ") + QString::number(line + 1) + QStringLiteral(" (") +
                       text.left(30) + QStringLiteral("...)");
            };
            if (SplitCSVFields(text, fields, sDelim) < header.size())
                return fail(excerpt() + QStringLiteral(" contained a field-count mismatch"));
            for (qsizetype k = 0; k < fieldIndex.size(); ++k)
                stmt->BindText(int(k + 1), fields[fieldIndex[k]]);
            const int rc = stmt->Step();
            if (rc != SQLITE_DONE) {
                const QString engine = QString::fromUtf8(sqlite3_errmsg(FHandle));
                stmt.reset();
                return fail(excerpt() + QStringLiteral(" contained invalid data") +
                            QStringLiteral(" - ") + engine);
            }
            stmt->Reset();
            ++ChgCount;
        }
        stmt.reset();
        const bool ok = ownTransaction ? Commit() : true;
        DispatchUpdates();
        return ok;
    } catch (const std::exception& e) {
        return fail(QStringLiteral("Exception executing Query ") + ExceptionText(e));
    }
}

bool TSQLite3Database::RecordWrite(const QString& SQL) {
    DispatchUpdates();
    if (IsBusy()) {
        FLastErr = kBusy;
        return false;
    }
    const bool ok = ExecSQL(SQL);
    DispatchUpdates();
    return ok;
}

bool TSQLite3Database::InsertRecFromPropList(const QStringList& Properties_NameValuePair_List,
                                             const QString& TableName) {
    return RecordWrite(BuildInsertSQL(Properties_NameValuePair_List, QualifiedTableName(TableName),
                                      QStringLiteral("INSERT")));
}

bool TSQLite3Database::ReplaceRecFromPropList(const QStringList& Properties_NameValuePair_List,
                                              const QString& TableName) {
    return RecordWrite(BuildInsertSQL(Properties_NameValuePair_List, QualifiedTableName(TableName),
                                      QStringLiteral("REPLACE")));
}

bool TSQLite3Database::UpdateRecFromPropList(const QStringList& Properties_NameValuePair_List,
                                             const QString& TableName, const QString& WhereClause) {
    return RecordWrite(
        BuildUpdateSQL(Properties_NameValuePair_List, UnquoteIdent(TableName), WhereClause));
}

} // namespace sky
