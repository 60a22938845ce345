#include "shell/FileList.h"

#include "support/Prompter.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

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

QString EntryDrawing::Text() const {
    QString all;
    for (const EntryPiece& p : pieces)
        all += p.text;
    return all;
}

EntryDrawing DrawEntry(const QString& text, int status, bool open, bool expanded) {
    EntryDrawing d;
    if (text.startsWith(QLatin1String("FINDIN"), Qt::CaseInsensitive) ||
        text.startsWith(QLatin1String("CHECKI"), Qt::CaseInsensitive)) {
        d.pieces.append({text, 0x4080A0, true, true});
        return d;
    }
    if (text.startsWith(QLatin1String("FAILED"), Qt::CaseInsensitive) ||
        text.startsWith(QLatin1String("ERROR "), Qt::CaseInsensitive)) {
        d.pieces.append({text, 0xA08040, true, false});
        return d;
    }
    QString file, table;
    SplitFileEntry(text, file, table);
    quint32 colour;
    QString suffix;
    if (open) {
        d.background = 0xE0FFE8;
        colour = 0xA0D090;
        suffix = expanded ? QStringLiteral(" --- \u2714 Connected") : QStringLiteral(" - \u2714");
    } else if (status == 0) {
        colour = 0xA0D090;
        suffix = expanded ? QStringLiteral(" --- \u2713 ") + StatusWord(status)
                          : QStringLiteral(" - \u2713");
    } else if (status == kStatusNotListed) {
        colour = 0xE0E040;
        suffix = expanded ? QStringLiteral(" --- ? ") + StatusWord(status) : QStringLiteral(" - ?");
    } else {
        colour = 0xD0A090;
        suffix = expanded ? QStringLiteral(" --- \u2718 ") + StatusWord(status)
                          : QStringLiteral(" - \u2718");
    }
    // Folder with its delimiter, name, extension (from the last dot of the name).
    const qsizetype slash = file.lastIndexOf(QLatin1Char('/'));
    const QString name = file.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (expanded && slash >= 0) d.pieces.append({file.left(slash + 1), 0x909098, false, false});
    d.pieces.append({dot > 0 ? name.left(dot) : name, 0x303030, true, false});
    if (dot > 0) d.pieces.append({name.mid(dot), colour, true, true});
    d.pieces.append({suffix, colour, false, false});
    if (!table.isEmpty())
        d.pieces.append({QStringLiteral(" (") + table + QLatin1Char(')'), 0xC0C0C0, false, false});
    return d;
}

FilePaneSize ExpandedPaneSize(int monitorWidth, int windowWidth) {
    const int wide = std::clamp(int(monitorWidth * 0.8), 900, 1600);
    const int window = std::max(windowWidth, wide);
    return {window, std::clamp(window / 2, 600, 990)};
}

QString HeaderCaption(int tag, bool expanded) {
    static const char* const captions[] = {"Collapse",        "Add Project...", "Delete Project",
                                           "Add Database...", "Purge Items",    "Menu"};
    if (!expanded || tag < 0 || tag > 5) return QString();
    return QStringLiteral("  ") + QLatin1String(captions[tag]);
}

} // namespace sky
