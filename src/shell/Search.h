// The overview's searches without their window: database files in folders,
// and tables or table objects by name inside database files.
#pragma once

#include <QString>
#include <QStringList>

namespace sky {

class TFileStatusList;

// The search history: the first entry starting with the text (ignoring
// case) moves to the top, else the text is inserted there.
void PushSearchHistory(QStringList& history, const QString& text);
// "abc" gives "*abc*.*"; "*.*db" stays.
QString FileSearchPattern(const QString& text);
// The readable SQLite files under the folders that match the pattern,
// sorted; a locked file adds "Error reading Locked file: "path"" to
// messages instead, and a file whose name is not valid UTF-8 (no text can
// open it) adds "Skipped "path": its name is not valid UTF-8".
QStringList FindDatabaseFiles(const QStringList& folders, const QString& pattern, bool subFolders,
                              QStringList& messages);
// "%" + text + "%" unless the text holds a wildcard of its own.
QString LikeText(const QString& text);
// "file | table" for every table whose name (fields: whose definition, or
// whose indexes', triggers' and views' definitions) is LIKE the text, over
// the ready files among the candidates. The text is a bound parameter.
// A file that could not be searched (not ready, locked, unreadable) adds
// "Could not search "path": reason" to failures and none of its lines.
QStringList FindTables(const QStringList& candidates, const QString& text, bool inDefinitions,
                       const TFileStatusList* status = nullptr, QStringList* failures = nullptr);
// The candidates of a table or field search by the look-inside choice:
// 0 the project's list, 1 the current results, 2 both.
QStringList LookInCandidates(int lookIn, const QStringList& project, const QStringList& results);
// "Search in Folders:", "Search in Folder:" or "Search in the".
QString SearchLocationText(bool folderSpecified, bool subFolders);
// The help text of a search tab (0 files, 1 tables, 2 fields or objects);
// its first line ends with "(Click to expand Help)".
QString SearchHelpText(int tab);

// Adds a result entry to a file list: the line whose file part is the
// result's file part is replaced, otherwise the entry is appended.
void AddSearchResult(QStringList& fileList, const QString& entry);

} // namespace sky
