// The SQL editors' own commands without the widget: commenting and
// uncommenting a selection, and the context help's choice of an SQL
// element for the word at the caret.
#pragma once

#include "design/QueryPopOut.h"

#include <QString>
#include <QStringList>

namespace sky {

// Context help: the SQL element (an entry of the documentation list) the
// text around the caret points at, or -1; word is the keyword marked at the
// caret (empty when none).
struct ContextHelp {
    int item = -1;
    QString word;
};
ContextHelp FindContextHelp(const QString& text, qsizetype caret, const QStringList& elements);
// The help menu item's caption for a result.
QString ContextHelpCaption(const ContextHelp& h, const QStringList& elements);

// The gutter's text of a 0-based line: the number of line 1 and of every
// fifth line, "." for the others.
QString GutterLabel(int line);
// The bookmark a click on the gutter sets on the clicked line.
constexpr int kGutterBookmark = 5;

} // namespace sky
