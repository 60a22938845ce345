// The display-free steps of start-up: the engine information text, the files
// named on the command line, and the theme viewer's command line and answer.
#pragma once

#include <QString>
#include <QStringList>

namespace sky {

// "SQLite Info: \r  Release: " + first 10 characters of the source id + ...
QString SQLiteInfoText(const QString& sourceId, const QString& libVersion);

struct CommandLineFiles {
    QStringList added; // files to append to the file list, in order
    QString open;      // the file of the first parameter, opened at once
};
// Each parameter made absolute (against currentDir) before the tests; a
// parameter naming an existing file is added unless the list (or an earlier
// parameter) already holds exactly that path.
CommandLineFiles TakeCommandLineFiles(const QStringList& params, const QStringList& listed,
                                      const QString& currentDir);

// The theme viewer's arguments: "x=X" and "y=Y" when positive, "c=caption",
// "a=active theme", "f=answer file", then the names joined by ",".
QStringList ThemeViewerArguments(int x, int y, const QString& caption, const QString& active,
                                 const QString& answerFile, const QStringList& names);
struct ThemeViewerRequest {
    int x = 0, y = 0;
    QString caption, active, answerFile;
    QStringList names;
};
ThemeViewerRequest ParseThemeViewerArguments(const QStringList& args);
// The first line of the answer file, trimmed (empty when there is none).
QString ReadThemeAnswer(const QString& answerFile);
bool WriteThemeAnswer(const QString& answerFile, const QString& name);

} // namespace sky
