// Database and table scripts (SQL text that recreates the schema and the
// rows) and the page-by-page online backup.
#include "engine/Database.h"
#include "engine/ExportText.h"
#include "engine/Identifiers.h"
#include "engine/SqlLiteral.h"
#include "engine/Statement.h"
#include "support/TextUtil.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <sqlite3.h>

namespace sky {
namespace {

const QString kBusy = QStringLiteral("Database Busy");

// Pragmas saved for the script's footer, each with the value that counts as
// its default (empty: always written).
struct PragmaCheck {
    const char* name;
    const char* defaultValue;
};
constexpr PragmaCheck kPragmas[] = {
    {"application_id", "0"},    {"auto_vacuum", "0"},       {"automatic_index", ""},
    {"defer_foreign_keys", ""}, {"foreign_keys", ""},       {"ignore_check_constraints", ""},
    {"page_size", ""},          {"recursive_triggers", ""}, {"reverse_unordered_selects", "0"},
    {"schema_version", "0"},    {"user_version", "0"},      {"secure_delete", "0"},
};

void Line(std::string& out, const QString& text) {
    out += text.toStdString();
    out += "\r\n";
}

// "name" with inner double quotes doubled.
QString DQ(const QString& name) {
    return QuoteIdent(name, false, true);
}

QString SQ(const QString& text) {
    return QuoteSqlString(text);
}

// Format("%-38s-- comment", [statement]).
QString Padded(const QString& statement, const char* comment) {
    return statement.leftJustified(38, QLatin1Char(' ')) + QLatin1String(comment);
}

QString NowText() {
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale = QLocale::system();
    return locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(now.time(), QLocale::LongFormat);
}

// 0d 00h 00m 01.234s
QString ElapsedText(qint64 ms) {
    const qint64 days = ms / 86400000;
    ms %= 86400000;
    return QStringLiteral("%1d %2h %3m %4.%5s")
        .arg(days)
        .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

} // namespace

bool TSQLite3Database::QueryTextRows(const QString& SQL, QList<QStringList>& Rows) {
    Rows.clear();
    std::unique_ptr<TSQLite3Statement> stmt = Prepare(SQL);
    if (!stmt) {
        if (FLastErr.isEmpty()) SetError(QStringLiteral("Empty Query"));
        return false;
    }
    const int cols = stmt->ColumnCount();
    int rc;
    while ((rc = stmt->Step()) == SQLITE_ROW) {
        QStringList row;
        row.reserve(cols);
        for (int c = 0; c < cols; ++c)
            row.append(stmt->ColumnText(c));
        Rows.append(row);
    }
    return rc == SQLITE_DONE || CheckResult(rc);
}

bool TSQLite3Database::ExportTableScript(const QString& TableName, QIODevice* DestStream,
                                         int QuerySize, bool InclData) {
    DispatchUpdates();
    if (!CheckConnected()) return false;
    if (IsBusy()) {
        FLastErr = kBusy;
        return false;
    }
    if (!DestStream) return false;
    FLastErr.clear();
    Lock();
    bool ok = false;
    {
        ExportOut out(DestStream);
        ok = ExportTableScriptImpl(TableName, out, QuerySize, InclData);
        if (!out.Flush()) {
            if (ok) FLastErr = out.ErrorText();
            ok = false;
        }
    }
    Unlock();
    return ok;
}

bool TSQLite3Database::ExportTableScriptImpl(const QString& TableName, ExportOut& out,
                                             int QuerySize, bool InclData) {
    std::string& buf = out.Buf();
    QString name = TrimText(TableName);
    bool ok = false;
    try {
        QList<QStringList> rows;
        if (!QueryTextRows(QStringLiteral("SELECT \"name\", \"sql\" FROM \"sqlite_master\" WHERE "
                                          "upper(\"name\")=") +
                               SQ(UpperAscii(name)) + QStringLiteral(" AND \"type\"='table';"),
                           rows)) {
            FLastErr = QStringLiteral("Failed to read Table Schema - ") + FLastErr;
        } else if (rows.isEmpty() || TrimText(rows[0][1]).isEmpty()) {
            if (!rows.isEmpty()) name = rows[0][0];
            FLastErr = QStringLiteral("Invalid Table Schema for ") + name + QStringLiteral("...");
        } else {
            name = rows[0][0];
            const QString createSql = rows[0][1];
            buf += "\r\n";
            Line(buf, QStringLiteral("--   Table Schema for: ") + name + QStringLiteral("   [ ") +
                          NowText() + QStringLiteral(" ]   SQLite ") +
                          QString::fromUtf8(sqlite3_libversion()));
            Line(buf, QStringLiteral("DROP TABLE IF EXISTS ") + DQ(name) + QLatin1Char(';'));
            Line(buf, createSql + QLatin1Char(';'));
            ok = !InclData ||
                 createSql.startsWith(QStringLiteral("CREATE VIRTUAL"), Qt::CaseInsensitive) ||
                 ExportTableRows(name, out, QuerySize);
            if (ok) {
                if (!QueryTextRows(QStringLiteral("SELECT \"name\", \"sql\" FROM \"sqlite_master\" "
                                                  "WHERE (\"tbl_name\"=") +
                                       SQ(name) +
                                       QStringLiteral(") AND (\"type\"='index') AND (\"sql\" IS "
                                                      "NOT NULL) AND (trim(\"sql\")!='');"),
                                   rows)) {
                    FLastErr = QStringLiteral("Failed to read Table Indices - ") + FLastErr;
                    ok = false;
                } else {
                    for (const QStringList& r : rows) {
                        Line(buf,
                             QStringLiteral("DROP INDEX IF EXISTS ") + DQ(r[0]) + QLatin1Char(';'));
                        Line(buf, r[1] + QLatin1Char(';'));
                    }
                }
            }
            if (ok) {
                if (!QueryTextRows(QStringLiteral("SELECT \"name\", \"sql\" FROM \"sqlite_master\" "
                                                  "WHERE (\"tbl_name\"=") +
                                       SQ(name) +
                                       QStringLiteral(") AND (\"type\"='trigger') AND (\"sql\" IS "
                                                      "NOT NULL) AND (trim(\"sql\")!='');"),
                                   rows)) {
                    FLastErr = QStringLiteral("Failed to read Table Triggers - ") + FLastErr;
                    ok = false;
                } else {
                    for (const QStringList& r : rows)
                        Line(buf, r[1] + QLatin1Char(';'));
                }
            }
        }
    } catch (const std::exception& e) {
        FLastErr = QStringLiteral("Table Export failed - ") + QString::fromUtf8(e.what());
        ok = false;
    }
    if (!ok) {
        buf += "\r\n";
        Line(buf, QStringLiteral(" /*  Table Export FAILED for ") + name + QStringLiteral(": ") +
                      FLastErr + QStringLiteral("  */ "));
    }
    out.RowDone();
    return ok;
}

bool TSQLite3Database::ExportTableRows(const QString& name, ExportOut& out, int QuerySize) {
    // The columns that take values: generated columns are computed, and the
    // hidden columns of virtual tables cannot be written.
    QList<QStringList> info;
    if (!QueryTextRows(QStringLiteral("SELECT \"name\", \"hidden\", \"pk\", upper(\"type\") FROM "
                                      "pragma_table_xinfo(") +
                           SQ(name) + QStringLiteral(");"),
                       info))
        return false;
    QStringList cols;
    int keyCount = 0;
    bool integerKey = false;
    for (const QStringList& c : info) {
        if (c[2].toInt() > 0) {
            ++keyCount;
            integerKey = c[3] == QLatin1String("INTEGER");
        }
        if (c[1] == QLatin1String("0")) cols.append(c[0]);
    }
    // A rowid that is not the INTEGER PRIMARY KEY column is written too, so
    // that the rows keep their rowids: under a name no column takes.
    QString rowidName;
    for (const char* alias : {"rowid", "_rowid_", "oid"}) {
        bool taken = false;
        for (const QStringList& c : info)
            taken |= c[0].compare(QLatin1String(alias), Qt::CaseInsensitive) == 0;
        if (!taken) {
            rowidName = QLatin1String(alias);
            break;
        }
    }
    if (!rowidName.isEmpty()) {
        const QByteArray table = name.toUtf8(), column = rowidName.toUtf8();
        const bool hasRowid =
            sqlite3_table_column_metadata(FHandle, "main", table.constData(), column.constData(),
                                          nullptr, nullptr, nullptr, nullptr, nullptr) == SQLITE_OK;
        bool aliased = false;
        if (hasRowid && keyCount == 1 && integerKey) {
            // INTEGER PRIMARY KEY is the rowid unless it has its own index (DESC).
            QList<QStringList> idx;
            if (!QueryTextRows(QStringLiteral("SELECT count(*) FROM pragma_index_list(") +
                                   SQ(name) + QStringLiteral(") WHERE \"origin\"='pk';"),
                               idx))
                return false;
            aliased = !idx.isEmpty() && idx[0][0] == QLatin1String("0");
        }
        if (!hasRowid || aliased) rowidName.clear();
    }
    QStringList quoted;
    if (!rowidName.isEmpty()) quoted.append(DQ(rowidName));
    for (const QString& c : cols)
        quoted.append(DQ(c));
    if (quoted.isEmpty()) return true;
    const std::string head = (QStringLiteral("INSERT INTO ") + DQ(name) + QStringLiteral(" (") +
                              quoted.join(QLatin1Char(',')) + QStringLiteral(") VALUES \r\n"))
                                 .toStdString();

    std::unique_ptr<TSQLite3Statement> stmt =
        Prepare(QStringLiteral("SELECT ") + quoted.join(QLatin1Char(',')) +
                QStringLiteral(" FROM ") + DQ(name) + QStringLiteral(" WHERE 1;"));
    if (!stmt) return false;
    sqlite3_stmt* h = stmt->Handle();
    const int n = sqlite3_column_count(h);
    std::string& buf = out.Buf();
    qint64 row = 0;
    qsizetype gathered = 0; // characters of the rows of the open INSERT
    int rc;
    {
        EngineCall call(this);
        rc = sqlite3_step(h);
    }
    while (rc == SQLITE_ROW) {
        if (gathered == 0) {
            buf += head;
            buf += " (";
        } else {
            buf += ",(";
        }
        const size_t start = buf.size();
        qsizetype extra = 0; // characters that are not bytes of ASCII
        for (int c = 0; c < n; ++c) {
            if (c > 0) buf += ',';
            switch (sqlite3_column_type(h, c)) {
            case SQLITE_INTEGER:
                buf.append(reinterpret_cast<const char*>(sqlite3_column_text(h, c)),
                           size_t(sqlite3_column_bytes(h, c)));
                break;
            case SQLITE_FLOAT:
                AppendSqlReal(buf, sqlite3_column_double(h, c));
                break;
            case SQLITE_TEXT: {
                const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(h, c));
                const qsizetype bytes = sqlite3_column_bytes(h, c);
                const size_t before = buf.size();
                const qsizetype units = AppendSqlText(buf, p, bytes);
                extra += units - qsizetype(buf.size() - before);
                break;
            }
            case SQLITE_BLOB:
                AppendSqlBlob(buf, sqlite3_column_blob(h, c), sqlite3_column_bytes(h, c));
                break;
            default:
                buf += "NULL";
                break;
            }
        }
        buf += ")\r\n";
        gathered += qsizetype(buf.size() - start) + 2 + extra;
        ++row;
        FProgress.OpCurrent = row;
        FProgress.OpTarget = row + 10240;
        if (gathered >= QuerySize) {
            buf += ";\r\n";
            gathered = 0;
        }
        out.RowDone();
        if (out.Failed()) {
            FLastErr = out.ErrorText();
            return false;
        }
        EngineCall call(this);
        rc = sqlite3_step(h);
    }
    if (gathered > 0) buf += ";\r\n";
    FStats.totResultRows += row;
    return rc == SQLITE_DONE || CheckResult(rc);
}

bool TSQLite3Database::ExportDBScript(QIODevice* DestStream, int QuerySize, bool InclData) {
    DispatchUpdates();
    if (!CheckConnected()) return false;
    if (IsBusy()) {
        FLastErr = kBusy;
        return false;
    }
    if (!DestStream) return false;
    FLastErr.clear();
    QElapsedTimer clock;
    clock.start();
    // A read transaction of our own holds the database steady (a deferred one,
    // so that read-only files export too); one the caller opened stays open.
    const bool ownTransaction = !FTransactionOpen;
    if (ownTransaction) {
        if (!ExecSQL(QStringLiteral("BEGIN DEFERRED TRANSACTION;"))) return false;
        FTransactionOpen = true;
    }
    Lock();
    FProgress.AllowProgress = 1;
    StatsBegin();
    bool ok = true;
    ExportOut out(DestStream);
    std::string& buf = out.Buf();
    try {
        QStringList pragmaLines;
        for (const PragmaCheck& p : kPragmas) {
            QList<QStringList> v;
            const QString name = QLatin1String(p.name);
            if (!QueryTextRows(QStringLiteral("PRAGMA ") + name + QLatin1Char(';'), v)) continue;
            const QString value = v.isEmpty() || v[0].isEmpty() ? QString() : TrimText(v[0][0]);
            if (*p.defaultValue && value == QLatin1String(p.defaultValue)) continue;
            const QString line =
                QStringLiteral("PRAGMA ") + name + QStringLiteral(" = ") + value + QLatin1Char(';');
            // Setting the schema version can corrupt a database: only noted.
            pragmaLines.append(name == QLatin1String("schema_version")
                                   ? Padded(QStringLiteral("-- ") + line,
                                            "-- For information only: never set it by hand.")
                                   : Padded(line,
                                            "-- Remove to preserve automatic or user-configured "
                                            "setting."));
        }
        FLastErr.clear();

        // Sequence counters, also of tables that receive no rows here.
        QStringList sequenceLines;
        QList<QStringList> seqTable;
        if (QueryTextRows(QStringLiteral("SELECT \"name\" FROM \"sqlite_master\" WHERE "
                                         "lower(\"name\")='sqlite_sequence';"),
                          seqTable) &&
            !seqTable.isEmpty()) {
            const QString seq = DQ(seqTable[0][0]);
            QList<QStringList> counters;
            if (QueryTextRows(QStringLiteral("SELECT \"name\", \"seq\" FROM ") + seq +
                                  QStringLiteral(" WHERE 1;"),
                              counters)) {
                for (const QStringList& c : counters) {
                    if (c[0].isEmpty() && c[1].isEmpty()) continue;
                    const QString value = c[1].isEmpty() ? QStringLiteral("NULL") : c[1];
                    sequenceLines.append(
                        QStringLiteral("UPDATE %1 SET \"seq\"=%2 WHERE \"name\"=%3;")
                            .arg(seq, value, SQ(c[0])));
                    sequenceLines.append(
                        QStringLiteral("INSERT INTO %1(\"name\",\"seq\") SELECT %3,%2 WHERE NOT "
                                       "EXISTS (SELECT 1 FROM %1 WHERE \"name\"=%3);")
                            .arg(seq, value, SQ(c[0])));
                }
            }
        }
        FLastErr.clear();

        Line(buf, QStringLiteral("--  SQLite Database Export   [ Started: ") + NowText() +
                      QStringLiteral(" ] - SQLite ") + QString::fromUtf8(sqlite3_libversion()) +
                      QStringLiteral("\r\n"));
        Line(buf, QStringLiteral("PRAGMA foreign_keys=0;               -- Switch foreign-key "
                                 "checking off during import."));
        Line(buf, QStringLiteral("PRAGMA defer_foreign_keys=1;         -- Defer (A Prior "
                                 "transaction might prevent the checking switch above)."));
        Line(buf, QStringLiteral("PRAGMA ignore_check_constraints=1;   -- Switch "
                                 "check-constraints off during import."));
        Line(buf, QStringLiteral("BEGIN TRANSACTION;                   -- Comment out if the "
                                 "importer starts an automatic Transaction."));

        QList<QStringList> tables;
        if (!QueryTextRows(
                QStringLiteral("SELECT \"name\" FROM \"sqlite_master\" WHERE (\"type\"='table')  "
                               "AND (\"name\"<>'sqlite_sequence') AND (\"name\" NOT LIKE "
                               "'sqlite\\_stat_' ESCAPE '\\') ORDER BY \"rootpage\";"),
                tables)) {
            ok = false;
        } else if (tables.isEmpty()) {
            FLastErr = QStringLiteral("Database has no Tables");
            buf += "\r\n";
            Line(buf, QStringLiteral(" /*  Expot FAILED: ") + FLastErr + QStringLiteral("  */ "));
            ok = false;
        } else {
            for (const QStringList& t : tables) {
                if (!ExportTableScriptImpl(t[0], out, QuerySize, InclData)) {
                    ok = false;
                    break;
                }
            }
        }

        if (ok) {
            QList<QStringList> views;
            if (!QueryTextRows(QStringLiteral("SELECT \"name\", \"sql\" FROM \"sqlite_master\" "
                                              "WHERE \"type\"='view';"),
                               views)) {
                FLastErr = QStringLiteral("Failed to read Views - ") + FLastErr;
                ok = false;
            } else {
                for (const QStringList& v : views) {
                    buf += "\r\n";
                    Line(buf, QStringLiteral("DROP VIEW IF EXISTS ") + DQ(v[0]) + QLatin1Char(';'));
                    Line(buf, v[1] + QLatin1Char(';'));
                }
            }
        }
        if (ok) {
            // Triggers on views, which need their views.
            QList<QStringList> triggers;
            if (!QueryTextRows(QStringLiteral("SELECT \"sql\" FROM \"sqlite_master\" WHERE "
                                              "\"type\"='trigger' AND \"tbl_name\" IN (SELECT "
                                              "\"name\" FROM \"sqlite_master\" WHERE "
                                              "\"type\"='view') AND trim(\"sql\")!='';"),
                               triggers)) {
                FLastErr = QStringLiteral("Failed to read View Triggers - ") + FLastErr;
                ok = false;
            } else {
                if (!triggers.isEmpty()) buf += "\r\n";
                for (const QStringList& t : triggers)
                    Line(buf, t[0] + QLatin1Char(';'));
            }
        }
        if (ok && !sequenceLines.isEmpty()) {
            buf += "\r\n";
            for (const QString& l : sequenceLines)
                Line(buf, l);
        }
        if (ok && out.Failed()) {
            FLastErr = out.ErrorText();
            ok = false;
        }

        const QString elapsed = ElapsedText(clock.elapsed());
        buf += "\r\n";
        if (ok) {
            Line(buf, Padded(QStringLiteral("COMMIT TRANSACTION;"),
                             "-- Comment out if the importer starts an automatic transaction."));
            for (const QString& l : pragmaLines)
                Line(buf, l);
            Line(buf, Padded(QStringLiteral("ANALYZE;"), "-- Suggested action. (Comment out to "
                                                         "exclude)"));
            Line(buf, Padded(QStringLiteral("-- VACUUM;"), "-- Suggested action. (Uncomment to "
                                                           "include)"));
            buf += "\r\n";
            Line(buf, QStringLiteral("--   Database Export Success  [ ") + elapsed +
                          QStringLiteral(" ]  "));
        } else {
            Line(buf, Padded(QStringLiteral("ROLLBACK TRANSACTION;"),
                             "-- This Export failed and should not be imported automatically."));
            buf += "\r\n";
            Line(buf, QStringLiteral(" /*  Database Export FAILED: ") + FLastErr +
                          QStringLiteral("  [ ") + elapsed + QStringLiteral(" ]  */ "));
        }
    } catch (const std::exception& e) {
        FLastErr = QStringLiteral("Database Export failed - ") + QString::fromUtf8(e.what());
        ok = false;
    }
    if (!out.Flush()) {
        if (ok) FLastErr = out.ErrorText();
        ok = false;
    }
    StatsEnd();
    Unlock();
    if (ownTransaction) {
        const QString kept = FLastErr;
        if (ok)
            ok = Commit();
        else
            Rollback();
        if (!ok && !kept.isEmpty()) FLastErr = kept;
    }
    return ok;
}

bool TSQLite3Database::ExportDBScript(const QString& DestFile, int QuerySize, bool InclData) {
    if (TrimText(DestFile).isEmpty()) {
        SetError(QStringLiteral("Empty Destination File"));
        return false;
    }
    if (!CheckConnected()) return false;
    if (IsBusy()) {
        FLastErr = kBusy;
        return false;
    }
    // Written beside the old file and renamed over it at the end, so a write
    // failure never leaves a half script in place of the old one.
    QSaveFile file(DestFile);
    if (!file.open(QIODevice::WriteOnly)) {
        SetError(QStringLiteral("Could not Create file (") + DestFile + QStringLiteral(") - ") +
                 file.errorString());
        return false;
    }
    bool ok = ExportDBScript(&file, QuerySize, InclData);
    const QString kept = FLastErr;
    if (file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        SetError(QStringLiteral("Could not write file (") + DestFile + QStringLiteral(") - ") +
                 file.errorString());
        return false;
    }
    if (!file.commit()) {
        SetError(QStringLiteral("Could not write file (") + DestFile + QStringLiteral(") - ") +
                 file.errorString());
        return false;
    }
    FLastErr = kept;
    return ok;
}

bool TSQLite3Database::BackupDB(const QString& DestFile, TBackupProgressCallback onProgressCallback,
                                const QString& SourceDBName, const QString& TargetDBName) {
    DispatchUpdates();
    if (!CheckConnected()) return false;
    if (IsBusy()) {
        FLastErr = kBusy;
        return false;
    }
    FLastErr.clear();
    const QString source =
        TrimText(SourceDBName).isEmpty() ? QStringLiteral("main") : TrimText(SourceDBName);
    const QString target =
        TrimText(TargetDBName).isEmpty() ? QStringLiteral("main") : TrimText(TargetDBName);

    // Copying a file onto itself would wait on its own lock.
    const QString self = QFileInfo(FFile).canonicalFilePath();
    if (source == QLatin1String("main") && !self.isEmpty() &&
        QFileInfo(DestFile).canonicalFilePath() == self) {
        SetError(QStringLiteral("Could not access destination file: ") + DestFile +
                 QStringLiteral(" (it is the source database)"));
        return false;
    }
    TSQLite3Database dest;
    if (!dest.Open(DestFile, 500, false, false, false)) {
        SetError(QStringLiteral("Could not access destination file: ") + DestFile);
        return false;
    }
    const QByteArray targetName = target.toUtf8(), sourceName = source.toUtf8();
    sqlite3_backup* backup =
        sqlite3_backup_init(dest.Handle(), targetName.constData(), FHandle, sourceName.constData());
    if (!backup) {
        SetError(QStringLiteral("DB Error: ") + QString::fromUtf8(sqlite3_errmsg(dest.Handle())));
        dest.Close();
        return false;
    }
    Lock();
    bool cancelled = false, fatal = false;
    int rc;
    do {
        {
            EngineCall call(this);
            rc = sqlite3_backup_step(backup, 512);
        }
        const qint64 total = sqlite3_backup_pagecount(backup);
        if (rc == SQLITE_OK && onProgressCallback) {
            try {
                onProgressCallback(this, total - sqlite3_backup_remaining(backup), total,
                                   cancelled);
            } catch (...) {
                fatal = true;
            }
        } else if (rc == SQLITE_DONE && onProgressCallback) {
            bool ignored = false;
            try {
                onProgressCallback(this, total, total, ignored);
            } catch (...) {
            }
        }
    } while (rc == SQLITE_OK && !cancelled && !fatal);
    int finish;
    {
        EngineCall call(this);
        finish = sqlite3_backup_finish(backup);
    }
    Unlock();
    const bool ok = rc == SQLITE_DONE && finish == SQLITE_OK;
    if (!ok) {
        if (fatal)
            SetError(QStringLiteral("Fatal Exception while Backing up"));
        else if (cancelled)
            SetError(QStringLiteral("Back-up Aborted by User"));
        else
            SetError(QStringLiteral("DB Error: ") +
                     QString::fromUtf8(sqlite3_errstr(rc != SQLITE_DONE ? rc : finish)));
    }
    dest.Close();
    return ok;
}

} // namespace sky
