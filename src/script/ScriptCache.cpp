// The script cache.
#include "script/ScriptCache.h"

#include "engine/Identifiers.h"
#include "engine/ScriptSplitter.h"
#include "engine/Statement.h"
#include "script/ScriptLoader.h"
#include "support/Folders.h"
#include "support/TextUtil.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QVariant>
#include <sqlite3.h>

namespace sky {

namespace {
QString T(const QString& script) {
    return QuoteIdent(ScriptCache::TableName(script), false, true);
}
} // namespace

QString ScriptCache::DefaultFile() {
    const QString dir = CacheDir();
    return dir.isEmpty() ? QString() : dir + QStringLiteral("DBScriptCache.sqlitedb");
}

QString ScriptCache::TableName(const QString& script) {
    QString name;
    for (QChar c : QFileInfo(script).completeBaseName())
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'))
            name += c.toUpper();
    if (name.isEmpty()) name = QStringLiteral("SCRIPT");
    const QByteArray hash = QCryptographicHash::hash(QFileInfo(script).absoluteFilePath().toUtf8(),
                                                     QCryptographicHash::Sha1);
    return name + QLatin1Char('_') + QString::fromLatin1(hash.toHex().left(10)).toUpper();
}

QString ScriptCache::AgeText(const QDateTime& t) {
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

bool ScriptCache::Run(const QString& sql, const QList<QVariant>& values, QString& error) {
    std::unique_ptr<TSQLite3Statement> st = FDb.Prepare(sql);
    if (!st) {
        error = FDb.LastError();
        return false;
    }
    for (int k = 0; k < values.size(); ++k) {
        const QVariant& v = values[k];
        if (v.isNull())
            st->BindNull(k + 1);
        else if (v.typeId() == QMetaType::QString)
            st->BindText(k + 1, v.toString());
        else
            st->BindInt64(k + 1, v.toLongLong());
    }
    int rc;
    while ((rc = st->Step()) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
        FDb.CheckResult(rc);
        error = FDb.LastError();
        return false;
    }
    return true;
}

bool ScriptCache::InTransaction(const std::function<bool()>& steps, QString& error) {
    if (!FDb.BeginTransaction()) {
        error = FDb.LastError();
        return false;
    }
    if (!steps()) {
        FDb.Rollback();
        return false;
    }
    if (!FDb.Commit()) {
        error = FDb.LastError();
        return false;
    }
    return true;
}

bool ScriptCache::Open(const QString& file, QString& error) {
    if (file.isEmpty() || !FDb.Open(file)) {
        error = file.isEmpty() ? QStringLiteral("No cache folder") : FDb.LastError();
        return false;
    }
    // Keyed by the exact path: two scripts whose paths differ in letter
    // case are two scripts.
    return Run(QStringLiteral("CREATE TABLE IF NOT EXISTS \"Sys_File_Specs\"(\"Filename\" TEXT "
                              "PRIMARY KEY, \"Age\" NUMERIC) WITHOUT ROWID;"),
               {}, error);
}

bool ScriptCache::IsCurrent(const QString& script) {
    if (!FDb.TableExists(TableName(script), QString())) return false;
    std::unique_ptr<TSQLite3Statement> st = FDb.Prepare(
        QStringLiteral("SELECT \"Age\" FROM \"Sys_File_Specs\" WHERE \"Filename\"=?1;"));
    if (!st) return false;
    st->BindText(1, QFileInfo(script).absoluteFilePath());
    if (st->Step() != SQLITE_ROW) return false;
    return st->ColumnText(0) == AgeText(QFileInfo(script).lastModified());
}

int ScriptCache::Parse(const QString& script, QString& error) {
    const QString t = T(script);
    int statements = 0;
    const bool ok = InTransaction(
        [&] {
            if (!Run(QStringLiteral("DROP TABLE IF EXISTS ") + t + QLatin1Char(';'), {}, error) ||
                !Run(QStringLiteral("CREATE TABLE ") + t +
                         QStringLiteral(" (\"ID\" INTEGER PRIMARY KEY, \"Srt\" INT, \"Status\" "
                                        "INT, \"LogMode\" INT, \"SQL\" TEXT, \"SQLEdit\" TEXT "
                                        "DEFAULT '' );"),
                     {}, error))
                return false;
            std::unique_ptr<TSQLite3Statement> ins = FDb.Prepare(
                QStringLiteral("INSERT INTO ") + t +
                QStringLiteral(" (\"Srt\",\"Status\",\"LogMode\",\"SQLEdit\",\"SQL\") VALUES "
                               "(?1,1,1,?2,?2);"));
            if (!ins) {
                error = FDb.LastError();
                return false;
            }
            QString readError;
            const bool read = ReadScriptItems(
                script,
                [&](const ScriptItem& item) {
                    ins->BindInt64(1, item.srt);
                    ins->BindText(2, item.sql);
                    const int rc = ins->Step();
                    ins->Reset();
                    if (rc != SQLITE_DONE) {
                        FDb.CheckResult(rc);
                        readError =
                            QStringLiteral("Failed to add Script Items: ") + FDb.LastError();
                        return false;
                    }
                    return true;
                },
                statements, readError);
            ins.reset();
            if (!read) {
                error = readError;
                return false;
            }
            return Run(
                QStringLiteral("INSERT OR REPLACE INTO \"Sys_File_Specs\"(\"Filename\", "
                               "\"Age\") VALUES (?1, ?2);"),
                {QFileInfo(script).absoluteFilePath(), AgeText(QFileInfo(script).lastModified())},
                error);
        },
        error);
    return ok ? statements : 0;
}

bool ScriptCache::Forget(const QString& script) {
    QString error;
    return Run(QStringLiteral("UPDATE \"Sys_File_Specs\" SET \"Age\"='1899-12-31 00:00:00' WHERE "
                              "\"Filename\"=?1;"),
               {QFileInfo(script).absoluteFilePath()}, error);
}

bool ScriptCache::Touch(const QString& script) {
    QString error;
    return Run(QStringLiteral("INSERT OR REPLACE INTO \"Sys_File_Specs\"(\"Filename\", \"Age\") "
                              "VALUES (?1, ?2);"),
               {QFileInfo(script).absoluteFilePath(), AgeText(QFileInfo(script).lastModified())},
               error);
}

QList<CacheItem> ScriptCache::Items(const QString& script, QString* error) {
    QList<CacheItem> items;
    std::unique_ptr<TSQLite3Statement> st =
        FDb.Prepare(QStringLiteral("SELECT \"ID\", \"Srt\", \"Status\", \"LogMode\", \"SQL\", "
                                   "\"SQLEdit\" FROM ") +
                    T(script) + QStringLiteral(" ORDER BY \"Srt\" ASC;"));
    if (!st) {
        if (error) *error = FDb.LastError();
        return items;
    }
    while (st->Step() == SQLITE_ROW)
        items.append({st->ColumnInt64(0), st->ColumnInt(1), st->ColumnInt(2), st->ColumnInt(3),
                      st->ColumnText(4), st->ColumnText(5)});
    return items;
}

QStringList ScriptCache::RunTexts(const QString& script) {
    QStringList texts;
    for (const CacheItem& i : Items(script))
        if (i.status > 0) texts << i.sqlEdit;
    return texts;
}

QStringList ScriptCache::SavedTexts(const QString& script) {
    QStringList texts;
    for (const CacheItem& i : Items(script))
        if (i.status > 0) texts << i.sql;
    return texts;
}

bool ScriptCache::NewItem(const QString& script, int afterSrt, const QString& text,
                          QString& error) {
    const QString t = T(script);
    const QString body = TrimText(text).isEmpty() ? QStringLiteral("-- New Script Item") : text;
    return InTransaction(
        [&] {
            if (!Run(QStringLiteral("UPDATE ") + t +
                         QStringLiteral(" SET \"Srt\"=(\"Srt\"+1) WHERE \"Srt\">?1;"),
                     {afterSrt}, error))
                return false;
            return Run(QStringLiteral("INSERT INTO ") + t +
                           QStringLiteral(" (\"Srt\",\"Status\",\"LogMode\",\"SQLEdit\",\"SQL\") "
                                          "VALUES (?1,2,1,?2,?2);"),
                       {afterSrt + 1, body}, error);
        },
        error);
}

bool ScriptCache::ToggleDeleted(const QString& script, qint64 id, QString& error) {
    return Run(QStringLiteral("UPDATE ") + T(script) +
                   QStringLiteral(" SET \"Status\"=((\"Status\"-1)*(-1)) WHERE \"ID\"=?1;"),
               {id}, error);
}

bool ScriptCache::Reset(const QString& script, qint64 id, QString& error) {
    return Run(
        QStringLiteral("UPDATE ") + T(script) +
            QStringLiteral(" SET \"SQLEdit\"=\"SQL\", \"Status\"=1 WHERE ?1=0 OR \"ID\"=?1;"),
        {id}, error);
}

bool ScriptCache::SetLogMode(const QString& script, qint64 id, int mode, QString& error) {
    return Run(QStringLiteral("UPDATE ") + T(script) +
                   QStringLiteral(" SET \"LogMode\"=?1 WHERE ?2=0 OR \"ID\"=?2;"),
               {mode, id}, error);
}

bool ScriptCache::Store(const QString& script, qint64 id, const QString& text, int newSrt,
                        QString& error) {
    const QStringList statements = SplitScriptText(text);
    if (statements.isEmpty()) return true; // an editor holding no statement stores nothing
    const QString t = T(script);
    return InTransaction(
        [&] {
            // A new position first: the item moves, then what it was split
            // into follows it there.
            if (newSrt > 0) {
                if (!Run(QStringLiteral("UPDATE ") + t +
                             QStringLiteral(" SET \"Srt\"=(\"Srt\"+1) WHERE \"Srt\">=?1;"),
                         {newSrt}, error) ||
                    !Run(QStringLiteral("UPDATE ") + t +
                             QStringLiteral(" SET \"Srt\"=?1 WHERE \"ID\"=?2;"),
                         {newSrt, id}, error))
                    return false;
            }
            const int more = int(statements.size()) - 1;
            if (more > 0) {
                if (!Run(QStringLiteral("UPDATE ") + t +
                             QStringLiteral(" SET \"Srt\"=(\"Srt\"+?1) WHERE \"Srt\">(SELECT "
                                            "\"Srt\" FROM ") +
                             t + QStringLiteral(" WHERE \"ID\"=?2);"),
                         {more, id}, error))
                    return false;
                for (int i = 1; i <= more; ++i)
                    if (!Run(QStringLiteral("INSERT INTO ") + t +
                                 QStringLiteral(
                                     " (\"Srt\",\"Status\",\"LogMode\",\"SQL\",\"SQLEdit\") "
                                     "VALUES ((SELECT \"Srt\" FROM ") +
                                 t + QStringLiteral(" WHERE \"ID\"=?1)+?2,2,1,?3,?3);"),
                             {id, i, statements[i]}, error))
                        return false;
            }
            return Run(QStringLiteral("UPDATE ") + t +
                           QStringLiteral(" SET \"SQLEdit\"=?1, \"Status\"=2 WHERE \"ID\"=?2;"),
                       {statements.first(), id}, error);
        },
        error);
}

bool ScriptCache::Move(const QString& script, qint64 id, int newSrt, QString& error) {
    const QString t = T(script);
    return InTransaction(
        [&] {
            return Run(QStringLiteral("UPDATE ") + t +
                           QStringLiteral(" SET \"Srt\"=(\"Srt\"+1) WHERE \"Srt\">=?1;"),
                       {newSrt}, error) &&
                   Run(QStringLiteral("UPDATE ") + t +
                           QStringLiteral(" SET \"Srt\"=?1 WHERE \"ID\"=?2;"),
                       {newSrt, id}, error);
        },
        error);
}

bool ScriptCache::Commit(const QString& script, QString& error) {
    const QString t = T(script);
    return InTransaction(
        [&] {
            return Run(QStringLiteral("UPDATE ") + t + QStringLiteral(" SET \"SQL\"=\"SQLEdit\";"),
                       {}, error) &&
                   Run(QStringLiteral("DELETE FROM ") + t + QStringLiteral(" WHERE \"Status\"<=0;"),
                       {}, error) &&
                   Run(QStringLiteral("UPDATE ") + t + QStringLiteral(" SET \"Status\"=1;"), {},
                       error);
        },
        error);
}

} // namespace sky
