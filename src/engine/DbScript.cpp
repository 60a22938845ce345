// Database and table scripts (SQL text that recreates the schema and the
// rows) and the page-by-page online backup.
#include "engine/Catalogue.h"
#include "engine/Database.h"
#include "engine/ExportText.h"
#include "engine/Identifiers.h"
#include "engine/Operation.h"
#include "engine/ScriptPlan.h"
#include "engine/SqlLiteral.h"
#include "engine/Statement.h"
#include "support/HeldFiles.h"
#include "support/TextUtil.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <sqlite3.h>

namespace sky {
namespace {

const QString kBusy = QStringLiteral("Database Busy");
const QString kTableSchemaUnread = QStringLiteral("Failed to read Table Schema - ");
const QString kTableExportFailed = QStringLiteral("Table Export failed - ");
const QString kBackupIntoTemp =
    QStringLiteral("Cannot back up into the schema \"temp\": it is never stored in the "
                   "destination file");

// Removes the destination file a failed backup created, when it holds no
// data and no connection of this program has it open. A write that failed
// part-way can leave pages and a hot journal behind: the engine rolls them
// back when the file is next opened, which gives the empty file again. The
// file is deleted through the engine's file layer, as every database file is.
void RemoveCreatedDestination(const QString& path) {
    QFileInfo info(path);
    if (!info.exists() || info.isSymLink() || !info.isFile() || IsHeldDatabaseFile(path)) return;
    if (info.size() != 0 || QFileInfo::exists(path + QStringLiteral("-journal"))) {
        TSQLite3Database recover;
        if (!recover.Open(path, 0, false, true, false)) return;
        QString ignored;
        const bool read =
            recover.QuerySingleValue(ignored, QStringLiteral("PRAGMA schema_version;"));
        recover.Close();
        info.refresh();
        if (!read || info.size() != 0 || QFileInfo::exists(path + QStringLiteral("-journal")))
            return;
    }
    const QByteArray name = QFile::encodeName(info.absoluteFilePath());
    if (sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr)) vfs->xDelete(vfs, name.constData(), 0);
}

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

void Append(std::string& out, const QByteArray& bytes) {
    out.append(bytes.constData(), size_t(bytes.size()));
}

// Rows of a catalogue query with every column as its bytes: names and stored
// statements need not be valid UTF-8. params are bound as text, from ?1 on.
using ByteRow = QList<QByteArray>;
bool ByteRows(TSQLite3Database& db, const QString& sql, const QList<QByteArray>& params,
              QList<ByteRow>& rows) {
    rows.clear();
    std::unique_ptr<TSQLite3Statement> stmt = db.Prepare(sql);
    if (!stmt) {
        if (db.LastError().isEmpty()) db.SetError(QStringLiteral("Empty Query"));
        return false;
    }
    sqlite3_stmt* h = stmt->Handle();
    for (int i = 0; i < params.size(); ++i)
        sqlite3_bind_text(h, i + 1, params[i].constData(), int(params[i].size()), SQLITE_TRANSIENT);
    const int cols = sqlite3_column_count(h);
    int rc;
    while ((rc = stmt->Step()) == SQLITE_ROW) {
        ByteRow row;
        row.reserve(cols);
        for (int c = 0; c < cols; ++c)
            row.append(QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(h, c)),
                                  sqlite3_column_bytes(h, c)));
        rows.append(row);
    }
    return rc == SQLITE_DONE || db.CheckResult(rc);
}

// A pragma's value as an SQL literal and as text; false when it gives no row.
bool PragmaValue(TSQLite3Database& db, const QString& name, std::string& literal, QString& text) {
    std::unique_ptr<TSQLite3Statement> stmt =
        db.Prepare(QStringLiteral("PRAGMA ") + name + QLatin1Char(';'));
    if (!stmt || stmt->Step() != SQLITE_ROW || stmt->ColumnCount() < 1) return false;
    AppendSqlValue(literal, stmt->Handle(), 0);
    text = TrimText(stmt->ColumnText(0));
    return true;
}

// Hands what a file device still buffers to the system, so that a failing
// write is seen here and not only when the caller closes the file.
bool DeviceFlushed(QIODevice* dev) {
    auto* file = qobject_cast<QFileDevice*>(dev);
    return !file || file->flush();
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

// The pragma lines of the script's footer: each pragma whose value differs
// from the one that counts as its default, as a literal of its storage class.
QStringList FooterPragmaLines(TSQLite3Database& db) {
    QStringList lines;
    for (const PragmaCheck& p : kPragmas) {
        const QString name = QLatin1String(p.name);
        std::string literal;
        QString value;
        if (!PragmaValue(db, name, literal, value)) continue;
        if (*p.defaultValue && value == QLatin1String(p.defaultValue)) continue;
        const QString line = QStringLiteral("PRAGMA ") + name + QStringLiteral(" = ") +
                             QString::fromStdString(literal) + QLatin1Char(';');
        // Setting the schema version can corrupt a database: only noted.
        lines.append(name == QLatin1String("schema_version")
                         ? Padded(QStringLiteral("-- ") + line,
                                  "-- For information only: never set it by hand.")
                         : Padded(line, "-- Remove to preserve automatic or user-configured "
                                        "setting."));
    }
    return lines;
}

// Sequence counters, also of tables that receive no rows: an UPDATE and an
// INSERT for a missing entry each. Names and counters are written as
// literals of their own storage class.
std::vector<std::string> SequenceLines(TSQLite3Database& db) {
    std::vector<std::string> lines;
    QList<ByteRow> seqTable;
    if (!ByteRows(db,
                  QStringLiteral("SELECT \"name\" FROM \"sqlite_master\" WHERE "
                                 "lower(\"name\")='sqlite_sequence';"),
                  {}, seqTable) ||
        seqTable.isEmpty())
        return lines;
    const std::string seq = QuoteIdentBytes(seqTable[0][0]).toStdString();
    std::unique_ptr<TSQLite3Statement> counters =
        db.Prepare(QStringLiteral("SELECT \"name\", \"seq\" FROM ") + QString::fromStdString(seq) +
                   QStringLiteral(" WHERE 1;"));
    while (counters && counters->Step() == SQLITE_ROW) {
        sqlite3_stmt* h = counters->Handle();
        if (sqlite3_column_bytes(h, 0) == 0 && sqlite3_column_bytes(h, 1) == 0) continue;
        std::string key, value;
        AppendSqlValue(key, h, 0);
        AppendSqlValue(value, h, 1);
        lines.push_back("UPDATE " + seq + " SET \"seq\"=" + value + " WHERE \"name\"=" + key + ";");
        lines.push_back("INSERT INTO " + seq + "(\"name\",\"seq\") SELECT " + key + "," + value +
                        " WHERE NOT EXISTS (SELECT 1 FROM " + seq + " WHERE \"name\"=" + key +
                        ");");
    }
    return lines;
}

void WriteScriptHeader(std::string& buf) {
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
}

// The footer of a complete script, or of a failed one with its reason.
void WriteScriptFooter(std::string& buf, bool ok, const QStringList& pragmaLines,
                       const QString& elapsed, const QString& error) {
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
        Line(buf,
             QStringLiteral("--   Database Export Success  [ ") + elapsed + QStringLiteral(" ]  "));
    } else {
        Line(buf, Padded(QStringLiteral("ROLLBACK TRANSACTION;"),
                         "-- This Export failed and should not be imported automatically."));
        buf += "\r\n";
        Line(buf, QStringLiteral(" /*  Database Export FAILED: ") + CommentSafeText(error) +
                      QStringLiteral("  [ ") + elapsed + QStringLiteral(" ]  */ "));
    }
}

// A table's rows as INSERT statements of the script: an INSERT gathers row
// lines until their characters reach QuerySize, then the next one begins.
class InsertRowsSink : public OutputSink {
public:
    InsertRowsSink(ExportOut& out, const QByteArray& head, int querySize)
        : OutputSink(out), FHead(head), FQuerySize(querySize) {}

    RowsStart Start(TSQLite3Statement& stmt, bool) override {
        FCols = stmt.ColumnCount();
        return RowsStart::Read;
    }

    void Row(TSQLite3Statement& stmt, qint64) override {
        sqlite3_stmt* h = stmt.Handle();
        if (FGathered == 0) {
            Append(FBuf, FHead);
            FBuf += " (";
        } else {
            FBuf += ",(";
        }
        qsizetype units = 2; // characters of this row's line
        for (int c = 0; c < FCols; ++c) {
            if (c > 0) {
                FBuf += ',';
                ++units;
            }
            units += AppendSqlValue(FBuf, h, c);
        }
        FBuf += ")\r\n";
        FGathered += units + 3;
        if (FGathered >= FQuerySize) {
            FBuf += ";\r\n";
            FGathered = 0;
        }
    }

    bool End(const RowsRead& r) override {
        if (FGathered > 0 && r.end != RowsEnd::WriteFailed) FBuf += ";\r\n";
        return r.Complete();
    }

    // The script goes on after the table: its output is finished by the script.
    bool Flush() override { return !FOut.Failed(); }

private:
    const QByteArray FHead;
    const int FQuerySize;
    int FCols = 0;
    qsizetype FGathered = 0; // characters of the rows of the open INSERT
};

// Writes a script plan; the rows of a Rows step through writeRows. Stops at
// the first step that fails and, for a table, writes its failure note. False
// with the reason in error (the connection's LastError).
template <typename RowsFn>
bool WriteScriptPlan(const TScriptPlan& plan, ExportOut& out, QString& error, RowsFn&& writeRows) {
    std::string& buf = out.Buf();
    for (const TScriptStep& step : plan.steps) {
        bool ok = true;
        try {
            switch (step.kind) {
            case ScriptStepKind::Heading:
                buf += "\r\n";
                Line(buf, QStringLiteral("--   Table Schema for: ") +
                              CommentSafeName(QString::fromUtf8(step.table)) +
                              QStringLiteral("   [ ") + NowText() + QStringLiteral(" ]   SQLite ") +
                              QString::fromUtf8(sqlite3_libversion()));
                break;
            case ScriptStepKind::Text:
                Append(buf, step.text);
                break;
            case ScriptStepKind::Rows:
                ok = writeRows(step.table);
                break;
            case ScriptStepKind::Failure:
                error = step.reason;
                ok = false;
                break;
            }
        } catch (const std::exception& e) {
            error = kTableExportFailed + QString::fromUtf8(e.what());
            ok = false;
        }
        if (!ok) {
            if (!step.table.isEmpty() || step.kind == ScriptStepKind::Failure) {
                buf += "\r\n";
                Line(buf, QStringLiteral(" /*  Table Export FAILED for ") +
                              CommentSafeName(QString::fromUtf8(step.table)) +
                              QStringLiteral(": ") + CommentSafeText(error) +
                              QStringLiteral("  */ "));
            }
            out.RowDone();
            return false;
        }
        out.RowDone();
        if (out.Failed()) {
            error = out.ErrorText();
            return false;
        }
    }
    return true;
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
        ok = ExportTableScriptImpl(TrimText(TableName).toUtf8(), out, QuerySize, InclData);
        if (!out.Flush() || !DeviceFlushed(DestStream)) {
            if (ok) FLastErr = out.ErrorText();
            ok = false;
        }
    }
    Unlock();
    return ok;
}

bool TSQLite3Database::ExportTableScriptImpl(const QByteArray& TableName, ExportOut& out,
                                             int QuerySize, bool InclData) {
    TSchemaCatalogue cat;
    QString why;
    TScriptPlan plan;
    if (ReadCatalogue(*this, QString(), cat, CatalogueDetail::Objects, &why)) {
        plan = TableScriptPlan(cat, TableName, InclData);
    } else {
        TScriptStep failed;
        failed.kind = ScriptStepKind::Failure;
        failed.table = TableName;
        failed.reason = kTableSchemaUnread + why;
        plan.steps.append(failed);
    }
    return WriteScriptPlan(plan, out, FLastErr, [&](const QByteArray& table) {
        return ExportTableRows(table, out, QuerySize);
    });
}

bool TSQLite3Database::ExportTableRows(const QByteArray& name, ExportOut& out, int QuerySize) {
    // The columns that take values: generated columns are computed, and the
    // hidden columns of virtual tables cannot be written.
    QList<ByteRow> info;
    if (!ByteRows(*this,
                  QStringLiteral("SELECT \"name\", \"hidden\", \"pk\", upper(\"type\") FROM "
                                 "pragma_table_xinfo(?1, 'main');"),
                  {name}, info))
        return false;
    QList<QByteArray> cols;
    int keyCount = 0;
    bool integerKey = false;
    for (const ByteRow& c : info) {
        if (c[2].toInt() > 0) {
            ++keyCount;
            integerKey = c[3] == "INTEGER";
        }
        if (c[1] == "0") cols.append(c[0]);
    }
    // A rowid that is not the INTEGER PRIMARY KEY column is written too, so
    // that the rows keep their rowids: under a name no column takes.
    QByteArray rowidName;
    for (const char* alias : {"rowid", "_rowid_", "oid"}) {
        bool taken = false;
        for (const ByteRow& c : info)
            taken |=
                QString::fromUtf8(c[0]).compare(QLatin1String(alias), Qt::CaseInsensitive) == 0;
        if (!taken) {
            rowidName = alias;
            break;
        }
    }
    if (!rowidName.isEmpty()) {
        const bool hasRowid =
            sqlite3_table_column_metadata(FHandle, "main", name.constData(), rowidName.constData(),
                                          nullptr, nullptr, nullptr, nullptr, nullptr) == SQLITE_OK;
        bool aliased = false;
        if (hasRowid && keyCount == 1 && integerKey) {
            // INTEGER PRIMARY KEY is the rowid unless it has its own index (DESC).
            QList<ByteRow> idx;
            if (!ByteRows(*this,
                          QStringLiteral("SELECT count(*) FROM pragma_index_list(?1, 'main') "
                                         "WHERE \"origin\"='pk';"),
                          {name}, idx))
                return false;
            aliased = !idx.isEmpty() && idx[0][0] == "0";
        }
        if (!hasRowid || aliased) rowidName.clear();
    }
    QList<QByteArray> quoted;
    if (!rowidName.isEmpty()) quoted.append(QuoteIdentBytes(rowidName));
    for (const QByteArray& c : cols)
        quoted.append(QuoteIdentBytes(c));
    if (quoted.isEmpty()) return true;
    const QByteArray columnList = quoted.join(',');
    const QByteArray table = QuoteIdentBytes(name);
    const QByteArray head = "INSERT INTO " + table + " (" + columnList + ") VALUES \r\n";

    // The statement names the table by its bytes, so it is prepared as bytes.
    const QByteArray select = "SELECT " + columnList + " FROM \"main\"." + table + " WHERE 1;";
    InsertRowsSink sink(out, head, QuerySize);
    return ReadRows(select, 0, SizeStop::AtOrBeyond, sink);
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
        const QStringList pragmaLines = FooterPragmaLines(*this);
        const std::vector<std::string> sequenceLines = SequenceLines(*this);
        FLastErr.clear();
        WriteScriptHeader(buf);
        TSchemaCatalogue cat;
        QString why;
        if (!ReadCatalogue(*this, QString(), cat, CatalogueDetail::Objects, &why)) {
            FLastErr = why;
            ok = false;
        } else {
            const TScriptPlan plan = DatabaseScriptPlan(cat, InclData);
            if (plan.noTables) {
                FLastErr = kNoTables;
                buf += "\r\n";
                Line(buf, QStringLiteral(" /*  Expot FAILED: ") + CommentSafeText(FLastErr) +
                              QStringLiteral("  */ "));
                ok = false;
            } else {
                ok = WriteScriptPlan(plan, out, FLastErr, [&](const QByteArray& table) {
                    return ExportTableRows(table, out, QuerySize);
                });
            }
        }
        if (ok && !sequenceLines.empty()) {
            buf += "\r\n";
            for (const std::string& l : sequenceLines) {
                buf += l;
                buf += "\r\n";
            }
        }
        if (ok && out.Failed()) {
            FLastErr = out.ErrorText();
            ok = false;
        }

        WriteScriptFooter(buf, ok, pragmaLines, ElapsedText(clock.elapsed()), FLastErr);
    } catch (const std::exception& e) {
        FLastErr = QStringLiteral("Database Export failed - ") + QString::fromUtf8(e.what());
        ok = false;
    }
    if (!out.Flush() || !DeviceFlushed(DestStream)) {
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
    // Written beside the old file and renamed over it only when the whole
    // export succeeded: a failed or cut-off script never replaces the old one.
    if (IsHeldDatabaseFile(DestFile)) {
        SetError(QStringLiteral("Could not Create file (") + DestFile + QStringLiteral(") - ") +
                 HeldFileError(DestFile));
        return false;
    }
    QSaveFile file(DestFile);
    if (!file.open(QIODevice::WriteOnly)) {
        SetError(QStringLiteral("Could not Create file (") + DestFile + QStringLiteral(") - ") +
                 file.errorString());
        return false;
    }
    const bool ok = ExportDBScript(&file, QuerySize, InclData);
    if (!ok) {
        const QString kept = FLastErr;
        file.cancelWriting();
        FLastErr = kept;
        return false;
    }
    if (file.error() != QFileDevice::NoError || !file.commit()) {
        SetError(QStringLiteral("Could not write file (") + DestFile + QStringLiteral(") - ") +
                 file.errorString());
        file.cancelWriting();
        return false;
    }
    return true;
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
    if (target.compare(QLatin1String("temp"), Qt::CaseInsensitive) == 0) {
        SetError(kBackupIntoTemp);
        return false;
    }

    // Copying a file onto itself would wait on its own lock.
    const QString self = QFileInfo(FFile).canonicalFilePath();
    if (source == QLatin1String("main") && !self.isEmpty() &&
        QFileInfo(DestFile).canonicalFilePath() == self) {
        SetError(QStringLiteral("Could not access destination file: ") + DestFile +
                 QStringLiteral(" (it is the source database)"));
        return false;
    }
    // A destination this backup creates is removed again when it fails.
    const QFileInfo before(DestFile);
    const bool existed = before.exists() || before.isSymLink();
    TSQLite3Database dest;
    if (!dest.Open(DestFile, 500, false, false, false)) {
        SetError(QStringLiteral("Could not access destination file: ") + DestFile);
        if (!existed) RemoveCreatedDestination(DestFile);
        return false;
    }
    const QByteArray targetName = target.toUtf8(), sourceName = source.toUtf8();
    sqlite3_backup* backup =
        sqlite3_backup_init(dest.Handle(), targetName.constData(), FHandle, sourceName.constData());
    if (!backup) {
        SetError(QStringLiteral("DB Error: ") + QString::fromUtf8(sqlite3_errmsg(dest.Handle())));
        dest.Close();
        if (!existed) RemoveCreatedDestination(DestFile);
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
    if (!ok && !existed) RemoveCreatedDestination(DestFile);
    return ok;
}

} // namespace sky
