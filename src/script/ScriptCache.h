// The script cache: a per-user SQLite file holding each script's items, so
// edits survive closing the window until Save writes them to the script.
// "Sys_File_Specs" keeps each script's path (exactly) and the file time of
// its last parse or save; each script has its own item table, named from its
// reduced file name and a hash of its absolute path, so two scripts never
// share items. Every path, text and ID reaches the cache as a bound value.
#pragma once

#include "engine/Database.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace sky {

// Status: 1 unchanged, 2 changed or added, 0 and below deleted. LogMode:
// -1 excluded from runs, 0 silent, 1 normal, 2 verbose.
struct CacheItem {
    qint64 id = 0;
    int srt = 0, status = 1, logMode = 1;
    QString sql, sqlEdit;
};

class ScriptCache {
public:
    // CacheDir() + "DBScriptCache.sqlitedb".
    static QString DefaultFile();
    // The item table of a script: its file name without folder and
    // extension reduced to ASCII letters and digits, upper-cased, then "_"
    // and a hash of the absolute path ("MYSCRIPT1_3FA2..." for my script-1.sql).
    static QString TableName(const QString& script);
    // "YYYY-MM-DD HH:NN:SS".
    static QString AgeText(const QDateTime& t);

    // Opens (creating) the cache; independent of any database.
    bool Open(const QString& file, QString& error);
    TSQLite3Database& Db() { return FDb; }

    // Whether the script's items are cached for its present file time.
    bool IsCurrent(const QString& script);
    // Parses the script into its item table in one transaction (drop,
    // create, the items, the copy into "SQL", the age). The statements
    // found (0 after a failure, with the reason).
    int Parse(const QString& script, QString& error);
    // Forgets the age, so the next load parses the file again (Reload).
    bool Forget(const QString& script);
    // Records the file time after a Save.
    bool Touch(const QString& script);

    QList<CacheItem> Items(const QString& script, QString* error = nullptr);
    // The texts a run uses ("SQLEdit" of items not deleted, in order) and
    // those Save writes ("SQL" after the commit).
    QStringList RunTexts(const QString& script);
    QStringList SavedTexts(const QString& script);

    // The item commands, each in one transaction; false with the reason.
    bool NewItem(const QString& script, int afterSrt, const QString& text, QString& error);
    bool ToggleDeleted(const QString& script, qint64 id, QString& error);
    bool Reset(const QString& script, qint64 id, QString& error);                // id 0: every item
    bool SetLogMode(const QString& script, qint64 id, int mode, QString& error); // id 0: all
    // The editor's text into an item: split into statements, the first
    // replacing the item, the others inserted after it; a new position
    // moves the item there first.
    bool Store(const QString& script, qint64 id, const QString& text, int newSrt, QString& error);
    // The item to position newSrt, the items from there on one further.
    bool Move(const QString& script, qint64 id, int newSrt, QString& error);
    // Committing the edits before a Save: "SQL" := "SQLEdit", deleted items
    // removed, every status 1.
    bool Commit(const QString& script, QString& error);

private:
    bool Run(const QString& sql, const QList<QVariant>& values, QString& error);
    bool InTransaction(const std::function<bool()>& steps, QString& error);
    TSQLite3Database FDb;
};

} // namespace sky
