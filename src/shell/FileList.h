// The overview's file list without its window: file entries, project keys
// and lists, and the status list that CheckAllFiles builds from the file
// list (each distinct file probed once).
#pragma once

#include "engine/FileHeader.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace sky {

class ProgressSink;

// "path | table": the trimmed part before the first "|" is the file, the
// trimmed rest the table; without "|" the whole trimmed text is the file.
void SplitFileEntry(const QString& entry, QString& file, QString& table);
QString FileOfEntry(const QString& entry);

// The default project's name ("! Default") and a project's key: ASCII
// letters and digits upper-cased, "DEFAULT" becoming the empty key.
inline const QString kDefaultProject = QStringLiteral("! Default");
QString ProjectKey(const QString& name);
// The list names of a project's file list and auto-open list.
QString ProjectFilesList(const QString& project);
QString ProjectAutoOpenList(const QString& project);

// Status 99 marks an entry without a status record.
constexpr int kStatusNotListed = 99;
QString
StatusWord(int status); // Ready, Inaccessible, Missing, Locked, Invalid, *Error*, Not yet listed

// How a line of the file list or the search results is drawn: its pieces
// in order (each 2 pixels after the previous) and its background. Colours
// are 0xRRGGBB; kListText means the list's own text colour, kListBase the
// list's own background.
constexpr quint32 kListText = 0xFF000000u, kListBase = 0xFF000000u;
struct EntryPiece {
    QString text;
    quint32 rgb = kListText;
    bool bold = false, italic = false;
};
struct EntryDrawing {
    QList<EntryPiece> pieces;
    quint32 background = kListBase;
    QString Text() const; // the pieces joined
};
// status: the entry's status (kStatusNotListed without a record); open: a
// workspace holds the file; expanded: the pane shows folders and long suffixes.
EntryDrawing DrawEntry(const QString& text, int status, bool open, bool expanded);
// The pane widths of the expanded and collapsed file pane.
struct FilePaneSize {
    int windowWidth; // at least this wide
    int paneWidth;
};
FilePaneSize ExpandedPaneSize(int monitorWidth, int windowWidth);
constexpr int kCollapsedPaneWidth = 280;
// Header button captions by tag (0 collapse .. 5 menu) when expanded; none collapsed.
QString HeaderCaption(int tag, bool expanded);

// The distinct file parts of a file list, sorted, each with its probe.
class TFileStatusList {
public:
    // Rebuilds from the entries: file parts, blank ones dropped, sorted,
    // duplicates (the same path exactly) removed, each probed; progress
    // "Checking DB: " + file name with the fraction done.
    void Check(const QStringList& entries, ProgressSink* progress = nullptr);
    // The probe of a file part (by exact path), or nullptr.
    const TSQLite3FileHeader* Find(const QString& file) const;
    // Probes the file now; the record replaces the stored one when listed.
    TSQLite3FileHeader Probe(const QString& file);
    int StatusOf(const QString& entry) const;
    const QStringList& Files() const { return FFiles; }
    qsizetype Size() const { return FFiles.size(); }

private:
    qsizetype IndexOf(const QString& file) const;
    QStringList FFiles;
    QList<TSQLite3FileHeader> FHeaders;
};

} // namespace sky
