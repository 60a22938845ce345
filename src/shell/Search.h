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
// messages instead.
QStringList FindDatabaseFiles(const QStringList& folders, const QString& pattern, bool subFolders,
                              QStringList& messages);
// "%" + text + "%" unless the text holds a wildcard of its own.
QString LikeText(const QString& text);
// "file | table" for every table whose name (fields: whose definition, or
// whose indexes', triggers' and views' definitions) is LIKE the text, over
// the ready files among the candidates. The text is a bound parameter.
QStringList FindTables(const QStringList& candidates, const QString& text, bool inDefinitions,
                       const TFileStatusList* status = nullptr);
// Adds a result entry to a file list: the line whose file part is the
// result's file part is replaced, otherwise the entry is appended.
void AddSearchResult(QStringList& fileList, const QString& entry);

} // namespace sky
