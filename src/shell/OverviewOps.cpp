#include "shell/OverviewOps.h"

#include "engine/Database.h"
#include "shell/FileList.h"
#include "support/HeldFiles.h"
#include "support/Prompter.h"
#include "support/Settings.h"
#include "support/TextUtil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace sky {

QString NewDatabaseName(const QString& chosen) {
    const QString t = chosen.trimmed();
    if (t.isEmpty()) return t;
    return QFileInfo(t).suffix().isEmpty() ? t + QStringLiteral(".sqlitedb") : t;
}

bool CreateNewDatabase(const QString& file, const std::function<bool(const QString&)>& isOpen,
                       QString& error) {
    error.clear();
    const QString name = NewDatabaseName(file);
    if (name.isEmpty()) {
        error = QStringLiteral("No file name given");
        return false;
    }
    const QString abs = QFileInfo(name).absoluteFilePath();
    if (isOpen && isOpen(abs)) {
        error = QStringLiteral("The file is open in a workspace: ") + abs;
        return false;
    }
    // Any connection of ours (under another name too) would lose its locks
    // and its data with the file.
    if (IsHeldDatabaseFile(abs)) {
        error = HeldFileError(abs);
        return false;
    }
    // The template never runs on an existing database: the old file and its
    // companions go first, and each removal is checked.
    for (const QString& f : {abs, abs + QStringLiteral("-wal"), abs + QStringLiteral("-shm"),
                             abs + QStringLiteral("-journal")}) {
        QFile old(f);
        if (old.exists() && !old.remove()) {
            error =
                QStringLiteral("Could not replace ") + f + QStringLiteral(": ") + old.errorString();
            return false;
        }
    }
    try {
        TSQLite3Database db;
        if (!db.Open(abs, 0, false, false) || !db.ExecuteList(kNewDatabaseTemplate)) {
            error = QStringLiteral("DB Error - ") + db.LastError();
            return false;
        }
        db.Close();
        return true;
    } catch (const std::exception& e) {
        error = QStringLiteral("DB Create Exception ") + ExceptionText(e);
        return false;
    }
}

void ProjectList::Normalise() {
    if (!FNames.contains(kDefaultProject)) FNames << kDefaultProject;
    FNames.removeAll(QString());
    std::sort(FNames.begin(), FNames.end(),
              [](const QString& a, const QString& b) { return a.toUpper() < b.toUpper(); });
}

void ProjectList::Load() {
    ListLoad(FNames, QStringLiteral("DBProjects"));
    Normalise();
}

bool ProjectList::Save() const {
    return ListSave(FNames, QStringLiteral("DBProjects"));
}

void ProjectList::SetNames(const QStringList& names) {
    FNames = names;
    Normalise();
}

QString ProjectList::Add(const QString& name, bool& added) {
    added = false;
    const QString n = name.trimmed();
    const QString key = ProjectKey(n);
    if (key.isEmpty()) {
        // Only the default project has the empty key of a real name.
        QString letters;
        for (QChar c : n)
            if (c.isLetterOrNumber()) letters += c;
        return letters.compare(QLatin1String("Default"), Qt::CaseInsensitive) == 0 ? kDefaultProject
                                                                                   : QString();
    }
    for (const QString& p : FNames)
        if (ProjectKey(p) == key) return p;
    FNames << n;
    Normalise();
    added = true;
    return n;
}

bool ProjectList::Remove(const QString& name) {
    if (ProjectKey(name).isEmpty()) return false;
    const qsizetype before = FNames.size();
    FNames.removeAll(name);
    return FNames.size() < before;
}

} // namespace sky
