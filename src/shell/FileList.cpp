#include "shell/FileList.h"

#include "support/Prompter.h"

#include <QFileInfo>
#include <algorithm>

namespace sky {

void SplitFileEntry(const QString& entry, QString& file, QString& table) {
    const QString t = entry.trimmed();
    const qsizetype bar = t.indexOf(QLatin1Char('|'));
    if (bar < 0) {
        file = t;
        table.clear();
        return;
    }
    file = t.left(bar).trimmed();
    table = t.mid(bar + 1).trimmed();
}

QString FileOfEntry(const QString& entry) {
    QString f, t;
    SplitFileEntry(entry, f, t);
    return f;
}

QString ProjectKey(const QString& name) {
    QString k;
    for (QChar c : name.trimmed())
        if ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'))
            k += c.toUpper();
    return k == QLatin1String("DEFAULT") ? QString() : k;
}

QString ProjectFilesList(const QString& project) {
    return QStringLiteral("DBRecent") + ProjectKey(project);
}

QString ProjectAutoOpenList(const QString& project) {
    return QStringLiteral("AutoOpenDBs") + ProjectKey(project);
}

QString StatusWord(int status) {
    if (status == kStatusNotListed) return QStringLiteral("Not yet listed");
    return FileStatusText(status);
}

void TFileStatusList::Check(const QStringList& entries, ProgressSink* progress) {
    // File parts first, then sort and de-duplicate, so a look-up by file
    // part always finds its record.
    QStringList files;
    for (const QString& e : entries) {
        const QString f = FileOfEntry(e);
        if (!f.isEmpty()) files << f;
    }
    std::sort(files.begin(), files.end());
    files.erase(std::unique(files.begin(), files.end()), files.end());
    FFiles = files;
    FHeaders = QList<TSQLite3FileHeader>(files.size());
    for (qsizetype i = 0; i < files.size(); ++i) {
        ReadDBFileHeader(files[i], FHeaders[i]);
        if (progress)
            progress->Advance(QStringLiteral("Checking DB: ") + QFileInfo(files[i]).fileName(),
                              double(i + 1) / double(files.size()), -1);
    }
}

qsizetype TFileStatusList::IndexOf(const QString& file) const {
    const auto it = std::lower_bound(FFiles.begin(), FFiles.end(), file);
    return it != FFiles.end() && *it == file ? it - FFiles.begin() : -1;
}

const TSQLite3FileHeader* TFileStatusList::Find(const QString& file) const {
    const qsizetype i = IndexOf(file);
    return i < 0 ? nullptr : &FHeaders[i];
}

TSQLite3FileHeader TFileStatusList::Probe(const QString& file) {
    TSQLite3FileHeader h;
    ReadDBFileHeader(file, h);
    const qsizetype i = IndexOf(file);
    if (i >= 0) FHeaders[i] = h;
    return h;
}

int TFileStatusList::StatusOf(const QString& entry) const {
    const TSQLite3FileHeader* h = Find(FileOfEntry(entry));
    return h ? h->Status : kStatusNotListed;
}

} // namespace sky
