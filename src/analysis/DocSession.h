// What the documentation window does, without a display: the file it
// documents, its text (documentation, schema check, column prototypes), the
// copy, the saves and exports with their dialogs and notices, and the HTML
// colour preferences with their settings.
#pragma once

#include "analysis/HtmlDoc.h"

#include <QString>
#include <QStringList>

namespace sky {

class ClipboardPort;
class DesktopOpener;
class FileChooser;
class Prompter;

inline const QString kDocDialogTitle = QStringLiteral("Export HTML Documentation");
inline const QString kDocDialogFilter = QStringLiteral(
    "HTML Files (*.htm *.html);;SQL Files (*.sql);;Text Files (*.txt);;All Files (*)");
inline const QString kDocPlacementKey = QStringLiteral("frmSKYDBDoc");
inline const QString kReplacesDatabase =
    QStringLiteral("The output file would replace the documented database (or its journal): ");

class DocSession {
public:
    DocSession(Prompter& prompts, FileChooser& files, ClipboardPort& clipboard,
               DesktopOpener& opener)
        : FPrompts(prompts), FFiles(files), FClipboard(clipboard), FOpener(opener) {}

    // ShowDoc (check false) and ShowChk (check true): false, and nothing
    // changed, when the file does not exist; otherwise the file is
    // remembered and the text rendered.
    bool Show(const QString& dbFile, bool check);
    QString File() const { return FFile; }
    QString Caption() const;
    // The text area's lines.
    const QStringList& Lines() const { return FLines; }

    // The commands; each does nothing while no file has been shown, and
    // each reloads the file.
    void Remake();     // the text documentation
    void Check();      // the schema check
    void Prototypes(); // the column prototypes
    // The text area's text (as the user may have edited it) to the
    // clipboard, and Save... of it; Export (the SQL script), Export to HTML.
    void Copy(const QString& text);
    void Save(const QString& text);
    void ExportSql();
    void ExportHtml();
    QString ExportFile() const { return FExportFile; }

    // The preferences: read once (the window does it about two seconds
    // after it is created, an export before that reads them first), and
    // written back only when they were read, so stored values are never
    // overwritten by the initial ones.
    HtmlPrefs& Prefs();
    void ReadPrefs();
    void WritePrefs();
    bool PrefsRead() const { return FPrefsRead; }

private:
    QString AskFile(int filter, const QString& suffix);
    bool Refused(const QString& file, const QString& title);
    Prompter& FPrompts;
    FileChooser& FFiles;
    ClipboardPort& FClipboard;
    DesktopOpener& FOpener;
    QString FFile, FExportFile;
    QStringList FLines;
    HtmlPrefs FPrefs = HtmlPrefs::Initial();
    bool FPrefsRead = false;
};

} // namespace sky
