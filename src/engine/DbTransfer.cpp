#include "engine/DbTransfer.h"

#include "engine/Database.h"
#include "engine/Statement.h"
#include "support/HeldFiles.h"
#include "support/Prompter.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryFile>
#include <sqlite3.h>
#include <sys/stat.h>

namespace sky {

QString QuickBackupName(const QString& database) {
    const QFileInfo fi(database);
    const QString dir = fi.path() == QLatin1String(".") && !database.contains(QLatin1Char('/'))
                            ? QString()
                            : fi.path() + QLatin1Char('/');
    return dir + fi.completeBaseName() + QStringLiteral(".dbBackup");
}

bool IsQuickBackup(const QString& database) {
    return QuickBackupName(database) == database;
}

QString FileTimeText(const QString& file) {
    const QDateTime t = QFileInfo(file).lastModified();
    if (!t.isValid()) return {};
    return QLocale::c().toString(t, QStringLiteral("hh:mm' on 'dd MMM yyyy"));
}

namespace {

// A fresh name beside target for the copy in progress; the file exists
// (empty, which the engine takes as an empty database) and no descriptor of
// it stays open.
QString TemporaryBeside(const QString& target) {
    QTemporaryFile t(QFileInfo(target).absoluteFilePath() + QStringLiteral(".part-XXXXXX"));
    t.setAutoRemove(false);
    if (!t.open()) return {};
    const QString name = t.fileName();
    t.close();
    // The permissions a file made here would have (a temporary file's are
    // the owner's only).
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(QFile::encodeName(name).constData(), 0666 & ~mask);
    return name;
}

// A new file's journal or WAL left behind by an earlier file of that name
// would be played onto the new one when it is next opened: such orphans go
// first. False when a connection of this program holds the name.
bool ClearOrphans(const QString& target, QString& error) {
    if (IsHeldDatabaseFile(target)) {
        error = HeldFileError(target);
        return false;
    }
    for (const QString& f : {target + QStringLiteral("-journal"), target + QStringLiteral("-wal"),
                             target + QStringLiteral("-shm")})
        if (QFileInfo::exists(f) && !QFile::remove(f)) {
            error = QStringLiteral("Error: could not remove ") + f;
            return false;
        }
    return true;
}

void RemoveQuietly(const QString& file) {
    for (const QString& f : {file, file + QStringLiteral("-journal"), file + QStringLiteral("-wal"),
                             file + QStringLiteral("-shm")})
        if (QFileInfo::exists(f)) QFile::remove(f);
}

} // namespace

bool TransferDatabase(const QString& source, const QString& target, ProgressSink* progress,
                      QString& error, const QString& targetSchema, const QString& sourceSchema) {
    error.clear();
    if (target.trimmed().isEmpty() || !QFileInfo(QFileInfo(target).absolutePath()).isDir()) {
        error = QStringLiteral("Error accessing the Target folder");
        return false;
    }
    if (!QFileInfo(source).isFile()) {
        error = QStringLiteral("Error opening Source: the file does not exist: ") + source;
        return false;
    }
    TSQLite3Database db;
    if (!db.Open(source, 500, false, true)) {
        error = QStringLiteral("Error opening Source: ") + db.LastError();
        return false;
    }
    TBackupProgressCallback step;
    if (progress)
        step = [progress](TSQLite3Database*, qint64 done, qint64 total, bool& cancelled) {
            const qint64 t = total > 0 ? total : 1;
            progress->Advance(QStringLiteral("Transferring Page ") + QString::number(done) +
                                  QStringLiteral(" of ") + QString::number(t),
                              double(done) / double(t), -1);
            if (progress->IsCancelled()) cancelled = true;
        };
    // Into an attached schema, or onto an existing file: the engine's one
    // write transaction. A new file is made under a temporary name first.
    const QFileInfo info(target);
    const QString schema = targetSchema.trimmed();
    const bool mainTarget =
        schema.isEmpty() || schema.compare(QLatin1String("main"), Qt::CaseInsensitive) == 0;
    const bool fresh = mainTarget && !info.exists() && !info.isSymLink();
    const QString into = fresh ? TemporaryBeside(target) : target;
    if (into.isEmpty()) {
        error = QStringLiteral("Error accessing the Target folder");
        return false;
    }
    bool ok = db.BackupDB(into, step, sourceSchema, targetSchema);
    if (!ok) error = QStringLiteral("Error: ") + db.LastError();
    db.Close();
    if (fresh) {
        if (ok && !ClearOrphans(target, error)) ok = false;
        if (ok && !QFile::rename(into, target)) {
            ok = false;
            error = QStringLiteral("Error: could not create ") + target;
        }
        if (!ok) RemoveQuietly(into);
    }
    return ok;
}

bool VacuumIntoFile(TSQLite3Database& db, const QString& target, QString& error) {
    error.clear();
    const QFileInfo info(target);
    if (info.exists() || info.isSymLink()) {
        error = QStringLiteral("Error: the target file exists: ") + target;
        return false;
    }
    if (!QFileInfo(info.absolutePath()).isDir()) {
        error = QStringLiteral("Error accessing the Target folder");
        return false;
    }
    // A free name beside the target; the engine wants to create the file.
    QString part = TemporaryBeside(target);
    if (part.isEmpty()) {
        error = QStringLiteral("Error accessing the Target folder");
        return false;
    }
    QFile::remove(part);
    std::unique_ptr<TSQLite3Statement> st = db.Prepare(QStringLiteral("VACUUM INTO ?;"));
    bool ok = bool(st);
    if (st) {
        st->BindText(1, part);
        const int rc = st->Step();
        ok = rc == SQLITE_DONE || rc == SQLITE_ROW;
        if (!ok) db.CheckResult(rc);
    }
    if (!ok) error = db.LastError();
    st.reset();
    if (ok && !ClearOrphans(target, error)) ok = false;
    if (ok && !QFile::rename(part, target)) {
        ok = false;
        error = QStringLiteral("Error: could not create ") + target;
    }
    if (!ok) RemoveQuietly(part);
    return ok;
}

} // namespace sky
