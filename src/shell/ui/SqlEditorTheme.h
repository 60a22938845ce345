// One look for every SQL editor: the SQL lexer's styles (colour, paper and
// font of each), the caret, selection, margins and brace marks, all from the
// active theme, and a fixed-pitch font that exists on this system.
#pragma once

#include <QStringList>

#include <QFont>
#include <QString>

class QKeyEvent;
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
// The database's table names, highlighted as names in this editor.
void SetEditorTableNames(QsciScintilla* editor, const QStringList& names);
void SetupSqlEditor(QsciScintilla* e);

// Scintilla positions are UTF-8 byte offsets; the system's are UTF-16 units.
qsizetype EditorUnitPos(const QString& text, long bytes);
long EditorBytePos(const QString& text, qsizetype units);
// The editor's selection (the caret when there is none) in UTF-16 units.
void EditorSelection(QsciScintilla* e, qsizetype& from, qsizetype& to);
// Selects [anchor, caret) of the editor's text, given in UTF-16 units.
void SetEditorSelection(QsciScintilla* e, qsizetype anchor, qsizetype caret);
// The SQL editors' comment keys: Ctrl with "-" (line comments) or "/",
// "*", "8" (a block comment); Ctrl+Shift takes the comments away (add
// false). False for any other key.
bool CommentKeyOf(const QKeyEvent* k, bool& block, bool& add);

} // namespace sky::ui
