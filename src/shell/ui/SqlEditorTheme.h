// One look for every SQL editor: the SQL lexer's styles (colour, paper and
// font of each), the caret, selection, margins and brace marks, all from the
// active theme, and a fixed-pitch font that exists on this system.
#pragma once

#include <QFont>
#include <QString>

class QsciScintilla;

namespace sky::ui {

// "Courier New" when the system has it, else the system's fixed font.
QFont SqlEditorFont(int pointSize = 10);
// Gives the editor an SQL lexer (once) and styles it for the theme (the active
// one when empty). Double-quoted and back-quoted names are coloured as
// identifiers, not as strings.
void StyleSqlEditor(QsciScintilla* editor, const QString& theme = QString());
// The SQL editors' common set-up: UTF-8, the SQL lexer in a fixed font,
// word wrap, CR LF line ends, and the window's keys taken from the editor.
void SetupSqlEditor(QsciScintilla* e);

} // namespace sky::ui
