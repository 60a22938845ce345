// The script file read into items, as the script cache stores them: the
// file read piece by piece (memory bounded by the longest statement), split
// with the splitter's item flavour, and admitted: trimmed, a leading
// "SQLITE>" prompt removed, statements of comments only dropped but counted,
// so an item's "Srt" is its statement number in the file.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace sky {

struct ScriptItem {
    int srt = 0;
    QString sql;
};

// The admitted text of a statement; empty when it is dropped.
QString AdmitScriptItem(const QString& statement);
// The same for a statement the splitter handed on with hasCode (false: of
// comments only), without scanning it again.
QString AdmitScriptItem(const QString& statement, bool hasCode);

// An editor's text split as the loader splits a file (comments kept in
// place, the unfinished end the last item); blank items are left out, items
// of comments only kept.
QStringList SplitScriptText(const QString& text);

// Reads the script; each admitted item goes to onItem (false stops the read).
// statements: every statement found, dropped ones included. False with the
// reason when the file cannot be read.
bool ReadScriptItems(const QString& file, const std::function<bool(const ScriptItem&)>& onItem,
                     int& statements, QString& error);

} // namespace sky
