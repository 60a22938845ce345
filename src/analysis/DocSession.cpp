// The documentation window's commands.
#include "analysis/DocSession.h"

#include "analysis/DocRender.h"
#include "analysis/SchemaCheck.h"
#include "engine/SystemLog.h"
#include "support/HeldFiles.h"
#include "support/Prompter.h"

#include <QDir>
#include <QFileInfo>

namespace sky {

namespace {

// 0 the text documentation, 1 the schema check, 2 the prototypes, 3 the SQL script.
QStringList Render(const QString& file, int what) {
    TDBLayout l;
    LoadDbLayout(file, l);
    switch (what) {
    case 1:
        return SchemaCheckLines(l);
    case 2:
        return PrototypeLines(l);
    case 3:
        return DocumentationLines(l, 1);
    default:
        return DocumentationLines(l, 0);
    }
}

} // namespace

bool DocSession::Show(const QString& dbFile, bool check) {
    if (dbFile.isEmpty() || !QFileInfo(dbFile).isFile()) return false;
    FFile = dbFile;
    FLines = Render(FFile, check ? 1 : 0);
    return true;
}

QString DocSession::Caption() const {
    return QStringLiteral("SQL Documentation for ") + QFileInfo(FFile).fileName();
}

void DocSession::Remake() {
    if (!FFile.isEmpty()) FLines = Render(FFile, 0);
}

void DocSession::Check() {
    if (!FFile.isEmpty()) FLines = Render(FFile, 1);
}

void DocSession::Prototypes() {
    if (!FFile.isEmpty()) FLines = Render(FFile, 2);
}

void DocSession::Copy(const QString& text) {
    if (!FFile.isEmpty()) FClipboard.SetText(text);
}

// The dialog starts in the folder of the last export (else the database's)
// with the database's name and the command's extension.
QString DocSession::AskFile(int filter, const QString& suffix) {
    const QString folder = FExportFile.isEmpty() ? QFileInfo(FFile).absolutePath()
                                                 : QFileInfo(FExportFile).absolutePath();
    const QString start =
        QDir(folder).filePath(QFileInfo(FFile).completeBaseName() + u'.' + suffix);
    return FFiles.SaveFileAs(kDocDialogTitle, kDocDialogFilter, filter, start, suffix);
}

// The documented database (or its journal) is never replaced by its own
// documentation.
bool DocSession::Refused(const QString& file, const QString& title) {
    if (!ReplacesFile(file, FFile)) return false;
    FPrompts.ShowNotice(title, kReplacesDatabase + file, 9, true);
    return true;
}

void DocSession::Save(const QString& text) {
    if (FFile.isEmpty()) return;
    const QString file = AskFile(2, QStringLiteral("txt"));
    if (file.isEmpty() || Refused(file, QStringLiteral("Failed to Save file"))) return;
    QString message;
    if (!SaveDocLines(TextLines(text), file, message))
        FPrompts.ShowNotice(QStringLiteral("Failed to Save file"), message, 9, true);
}

void DocSession::ExportSql() {
    if (FFile.isEmpty()) return;
    const QString file = AskFile(1, QStringLiteral("sql"));
    if (file.isEmpty() || Refused(file, QStringLiteral("Failed to Export SQL"))) return;
    FExportFile = file;
    QString message;
    if (SaveDocLines(Render(FFile, 3), file, message))
        FPrompts.ShowNotice(QStringLiteral("Success exporting SQL"),
                            QStringLiteral("SQL saved to: ") + file, 5, false);
    else
        FPrompts.ShowNotice(QStringLiteral("Failed to Export SQL"), message, 9, true);
}

void DocSession::ExportHtml() {
    if (FFile.isEmpty()) return;
    const QString file = AskFile(0, QStringLiteral("html"));
    if (file.isEmpty() || Refused(file, QStringLiteral("Failed to Export HTML"))) return;
    FExportFile = file;
    TDBLayout l;
    LoadDbLayout(FFile, l);
    QString message;
    if (!ExportHtmlDoc(l, Prefs(), file, message)) {
        FPrompts.ShowNotice(QStringLiteral("Failed to Export HTML"), message, 9, true);
        return;
    }
    // The export stands even when no program shows it.
    if (!FOpener.Open(file))
        LogApplication(QStringLiteral("Could not open the exported page: ") + file);
}

HtmlPrefs& DocSession::Prefs() {
    if (!FPrefsRead) ReadPrefs();
    return FPrefs;
}

void DocSession::ReadPrefs() {
    FPrefs.Read();
    FPrefsRead = true;
}

void DocSession::WritePrefs() {
    if (FPrefsRead) FPrefs.Write();
}

} // namespace sky
