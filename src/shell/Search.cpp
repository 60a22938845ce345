#include "shell/Search.h"

#include "engine/Database.h"
#include "engine/FileHeader.h"
#include "engine/Statement.h"
#include "shell/FileList.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <dirent.h>
#include <sqlite3.h>
#include <sys/stat.h>

namespace sky {
namespace {

const QString kLockedFile = QStringLiteral("Error reading Locked file: \"");
const QString kSkipped = QStringLiteral("Skipped \"");
const QString kNotUtf8Name = QStringLiteral("\": its name is not valid UTF-8");
const QString kCouldNotSearch = QStringLiteral("Could not search \"");

// Qt's folder listing leaves out names that are not valid UTF-8 (no text
// could open them): the files of folder among them that match the pattern
// are named in messages, with U+FFFD for the invalid bytes.
void ReportNamesNotUtf8(const QString& folder, const QString& pattern, QStringList& messages) {
    DIR* d = ::opendir(QFile::encodeName(folder).constData());
    if (!d) return;
    while (const dirent* e = ::readdir(d)) {
        const QByteArray raw(e->d_name);
        const QString name = QFile::decodeName(raw);
        if (raw.startsWith('.') || QFile::encodeName(name) == raw || !QDir::match(pattern, name))
            continue;
        const QString path = QDir(folder).absoluteFilePath(name);
        struct stat st;
        if (::stat((QFile::encodeName(QDir(folder).absolutePath()) + '/' + raw).constData(), &st) ==
                0 &&
            S_ISREG(st.st_mode))
            messages << kSkipped + path + kNotUtf8Name;
    }
    ::closedir(d);
}

} // namespace

void PushSearchHistory(QStringList& history, const QString& text) {
    const QString t = text.trimmed();
    for (qsizetype i = 0; i < history.size(); ++i)
        if (history[i].startsWith(t, Qt::CaseInsensitive)) {
            history.move(i, 0);
            return;
        }
    history.prepend(t);
}

QString FileSearchPattern(const QString& text) {
    QString p = text.trimmed();
    if (!p.contains(QLatin1Char('*'))) p = QLatin1Char('*') + p + QLatin1Char('*');
    if (!p.contains(QLatin1Char('.'))) p += QStringLiteral(".*");
    return p;
}

QStringList FindDatabaseFiles(const QStringList& folders, const QString& pattern, bool subFolders,
                              QStringList& messages) {
    QStringList paths;
    for (const QString& folder : folders) {
        if (folder.trimmed().isEmpty()) continue;
        QDirIterator it(folder, {pattern}, QDir::Files | QDir::NoDotAndDotDot,
                        subFolders ? QDirIterator::Subdirectories : QDirIterator::NoIteratorFlags);
        while (it.hasNext())
            paths << QFileInfo(it.next()).absoluteFilePath();
        ReportNamesNotUtf8(folder, pattern, messages);
        if (subFolders) {
            QDirIterator sub(folder, QDir::Dirs | QDir::NoDotAndDotDot,
                             QDirIterator::Subdirectories);
            while (sub.hasNext())
                ReportNamesNotUtf8(sub.next(), pattern, messages);
        }
    }
    std::sort(paths.begin(), paths.end());
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
    QStringList kept;
    for (const QString& p : paths) {
        TSQLite3FileHeader h;
        ReadDBFileHeader(p, h);
        if (h.Status == 0)
            kept << p;
        else if (h.Status == 3)
            messages << kLockedFile + p + QLatin1Char('"');
    }
    return kept;
}

QString LikeText(const QString& text) {
    const QString t = text.trimmed();
    if (t.contains(QLatin1Char('%')) || t.contains(QLatin1Char('_'))) return t;
    return QLatin1Char('%') + t + QLatin1Char('%');
}

QStringList FindTables(const QStringList& candidates, const QString& text, bool inDefinitions,
                       const TFileStatusList* status, QStringList* failures) {
    QStringList files;
    for (const QString& c : candidates) {
        const QString f = FileOfEntry(c);
        if (!f.isEmpty()) files << f;
    }
    std::sort(files.begin(), files.end());
    files.erase(std::unique(files.begin(), files.end()), files.end());
    const QString sql =
        inDefinitions ? QStringLiteral("SELECT \"tbl_name\" FROM \"sqlite_master\" WHERE \"sql\" "
                                       "LIKE ?1 GROUP BY \"tbl_name\";")
                      : QStringLiteral("SELECT \"tbl_name\" FROM \"sqlite_master\" WHERE "
                                       "\"tbl_name\" LIKE ?1 GROUP BY \"tbl_name\";");
    const QString like = LikeText(text);
    QStringList results;
    auto failed = [&](const QString& f, const QString& why) {
        if (failures) *failures << kCouldNotSearch + f + QStringLiteral("\": ") + why;
    };
    for (const QString& f : files) {
        const TSQLite3FileHeader* known = status ? status->Find(f) : nullptr;
        TSQLite3FileHeader h;
        if (known)
            h = *known;
        else
            ReadDBFileHeader(f, h);
        if (h.Status != 0) {
            failed(f, h.StatusText);
            continue;
        }
        TSQLite3Database db;
        if (!db.Open(f, 0, true, true)) {
            failed(f, db.LastError());
            continue;
        }
        std::unique_ptr<TSQLite3Statement> st = db.Prepare(sql);
        if (!st) {
            failed(f, db.LastError());
            continue;
        }
        st->BindText(1, like);
        QStringList found;
        int rc;
        while ((rc = st->Step()) == SQLITE_ROW)
            found << f + QStringLiteral(" | ") + st->ColumnText(0);
        if (rc != SQLITE_DONE) {
            // Part of a file is no result: its lines are left out.
            failed(f, QString::fromUtf8(sqlite3_errmsg(db.Handle())));
            continue;
        }
        results << found;
    }
    return results;
}

void AddSearchResult(QStringList& fileList, const QString& entry) {
    const QString file = FileOfEntry(entry);
    for (QString& line : fileList)
        if (FileOfEntry(line) == file) {
            line = entry;
            return;
        }
    fileList << entry;
}

QStringList LookInCandidates(int lookIn, const QStringList& project, const QStringList& results) {
    QStringList all;
    if (lookIn == 0 || lookIn == 2) all << project;
    if (lookIn == 1 || lookIn == 2) all << results;
    return all;
}

QString SearchLocationText(bool folderSpecified, bool subFolders) {
    return QStringLiteral("Search in ") +
           (folderSpecified ? QStringLiteral("Folder") +
                                  (subFolders ? QStringLiteral("s:") : QStringLiteral(":"))
                            : QStringLiteral("the"));
}

QString SearchHelpText(int tab) {
    switch (tab) {
    case 0:
        return QStringLiteral(
            "Find Database files  (Click to expand Help)\n"
            "Type a file name or part of one. \"*\" stands for any run of characters and \"?\" "
            "for any one character; a name without \"*\" matches anywhere in the file name, and "
            "a name without \".\" matches any extension.\n"
            "Tick \"I want to specify a folder to search in\" to search the folder above, "
            "otherwise the folders of the project's databases (on the left) are searched.\n"
            "\"Include sub folders when searching\" searches every folder below it too; on a "
            "large folder this may take long.\n"
            "Only readable SQLite database files are listed.");
    case 1:
        return QStringLiteral(
            "Find Data Tables  (Click to expand Help)\n"
            "Type a table name or part of one. \"_\" stands for any one character and \"%\" for "
            "any run of characters; a text without \"%\" matches any part of a table name.\n"
            "The results are database files with the table found, shown as  file | table.\n"
            "\"Look inside...\" chooses where to search: the databases of this project, the "
            "results of previous searches, or both.");
    default:
        return QStringLiteral(
            "Find Database Fields or Objects  (Click to expand Help)\n"
            "Type a field, trigger, key or index name or part of one. \"_\" stands for any one "
            "character and \"%\" for any run of characters; a text without \"%\" matches any part "
            "of a definition.\n"
            "The results are database files with the table the object belongs to, shown as  "
            "file | table.\n"
            "\"Look inside...\" chooses where to search: the databases of this project, the "
            "results of previous searches, or both.");
    }
}

} // namespace sky
