#include "shell/ui/SqlEditorTheme.h"

#include "shell/ui/Scintilla.h"
#include "shell/ui/Themes.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QKeyEvent>
#include <algorithm>

namespace sky::ui {
namespace {

const QString kPreferredFont = QStringLiteral("Courier New");

enum class Role { Comment, Number, Keyword, String, Identifier, Operator, Plain };

// What each style of the SQL lexer shows.
Role StyleRole(int style) {
    switch (style) {
    case QsciLexerSQL::Comment:
    case QsciLexerSQL::CommentLine:
    case QsciLexerSQL::CommentDoc:
    case QsciLexerSQL::PlusComment:
    case QsciLexerSQL::CommentLineHash:
    case QsciLexerSQL::CommentDocKeyword:
    case QsciLexerSQL::CommentDocKeywordError:
        return Role::Comment;
    case QsciLexerSQL::Number:
        return Role::Number;
    case QsciLexerSQL::Keyword:
    case QsciLexerSQL::PlusKeyword:
    case QsciLexerSQL::PlusPrompt:
    case QsciLexerSQL::KeywordSet6:
    case QsciLexerSQL::KeywordSet7:
    case QsciLexerSQL::KeywordSet8:
        return Role::Keyword;
    case QsciLexerSQL::SingleQuotedString:
        return Role::String;
    case QsciLexerSQL::KeywordSet5:        // the database's table names
    case QsciLexerSQL::DoubleQuotedString: // "name" is an identifier in SQLite
    case QsciLexerSQL::QuotedIdentifier:
        return Role::Identifier;
    case QsciLexerSQL::Operator:
    case QsciLexerSQL::QuotedOperator:
        return Role::Operator;
    default:
        return Role::Plain;
    }
}

QColor RoleColour(Role role, const SqlColours& c) {
    switch (role) {
    case Role::Comment:
        return QColor(c.comment);
    case Role::Number:
        return QColor(c.number);
    case Role::Keyword:
        return QColor(c.keyword);
    case Role::String:
        return QColor(c.string);
    case Role::Identifier:
        return QColor(c.identifier);
    case Role::Operator:
        return QColor(c.op);
    case Role::Plain:
        break;
    }
    return QColor(c.plain);
}

} // namespace

QFont SqlEditorFont(int pointSize) {
    QFont font = QFontDatabase::hasFamily(kPreferredFont)
                     ? QFont(kPreferredFont)
                     : QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(pointSize);
    return font;
}

namespace {

// The SQL lexer with the editor's database's table names as its fifth
// keyword set (highlighted as names).
class TSqlLexer : public QsciLexerSQL {
public:
    using QsciLexerSQL::QsciLexerSQL;
    QByteArray tableNames;
    const char* keywords(int set) const override {
        if (set == 5) return tableNames.constData();
        return QsciLexerSQL::keywords(set);
    }
};

} // namespace

void SetEditorTableNames(QsciScintilla* editor, const QStringList& names) {
    auto* lexer = dynamic_cast<TSqlLexer*>(editor->lexer());
    if (!lexer) return;
    QByteArray words;
    for (const QString& n : names) {
        // The lexer's words are split at blanks and compared lower-cased in
        // ASCII only: a name with any control character or blank is left
        // out, and only its ASCII letters are lowered.
        QString w = n.trimmed();
        if (w.isEmpty() || std::any_of(w.cbegin(), w.cend(), [](QChar c) {
                return c.unicode() <= 0x20 || c.unicode() == 0x7F;
            }))
            continue;
        for (QChar& c : w)
            if (c >= u'A' && c <= u'Z') c = QChar(c.unicode() + 32);
        if (!words.isEmpty()) words += ' ';
        words += w.toUtf8();
    }
    if (words == lexer->tableNames) return;
    lexer->tableNames = words;
    // Set 5 is the engine's list 4 (counted from 0).
    editor->SendScintilla(QsciScintillaBase::SCI_SETKEYWORDS, 4, lexer->tableNames.constData());
    editor->recolor();
}

void StyleSqlEditor(QsciScintilla* editor, const QString& theme) {
    const QString name = theme.isEmpty() ? ActiveTheme() : theme;
    auto* lexer = qobject_cast<QsciLexerSQL*>(editor->lexer());
    if (!lexer) {
        lexer = new TSqlLexer(editor);
        lexer->setFoldComments(true);
        lexer->setQuotedIdentifiers(true);
        editor->setLexer(lexer);
    }
    const QPalette palette = IsThemeName(name) ? ThemePalette(name) : QApplication::palette();
    const SqlColours colours = ThemeSqlColours(name);
    const QColor paper = palette.color(QPalette::Base);
    const QFont font = SqlEditorFont();
    lexer->setDefaultFont(font);
    lexer->setDefaultPaper(paper);
    lexer->setDefaultColor(QColor(colours.plain));
    for (int style = 0; style < 128; ++style) {
        if (lexer->description(style).isEmpty()) continue;
        const Role role = StyleRole(style);
        lexer->setColor(RoleColour(role, colours), style);
        lexer->setPaper(paper, style);
        QFont f = font;
        f.setBold(role == Role::Keyword);
        f.setItalic(role == Role::Comment);
        lexer->setFont(f, style);
    }
    editor->setPaper(paper);
    editor->setColor(QColor(colours.plain));
    editor->setCaretForegroundColor(palette.color(QPalette::Text));
    editor->setSelectionBackgroundColor(palette.color(QPalette::Highlight));
    editor->setSelectionForegroundColor(palette.color(QPalette::HighlightedText));
    editor->setMarginsBackgroundColor(palette.color(QPalette::Window));
    editor->setMarginsForegroundColor(palette.color(QPalette::WindowText));
    editor->setFoldMarginColors(palette.color(QPalette::Window), palette.color(QPalette::Window));
    editor->setMatchedBraceBackgroundColor(palette.color(QPalette::Highlight));
    editor->setMatchedBraceForegroundColor(palette.color(QPalette::HighlightedText));
    editor->setUnmatchedBraceForegroundColor(QColor(colours.number));
}

void SetupSqlEditor(QsciScintilla* e) {
    e->setUtf8(true);
    StyleSqlEditor(e); // lexer, colours and font of the active theme
    e->setWrapMode(QsciScintilla::WrapWord);
    e->setIndentationsUseTabs(false);
    e->setTabWidth(4);
    e->setMarginWidth(0, 0);
    e->setMarginWidth(1, 0);
    e->setBraceMatching(QsciScintilla::SloppyBraceMatch);
    e->setEolMode(QsciScintilla::EolWindows);
    // Keys that belong to the window (pages, overview, comments, calculator)
    // are taken from the editor's own bindings.
    for (int key : {Qt::Key_T, Qt::Key_D, Qt::Key_L, Qt::Key_Minus, Qt::Key_Slash,
                    Qt::Key_BracketLeft, Qt::Key_BracketRight})
        for (int mods : {int(Qt::CTRL), int(Qt::CTRL | Qt::SHIFT)})
            while (QsciCommand* c = e->standardCommands()->boundTo(key | mods)) {
                if (c->key() == (key | mods))
                    c->setKey(0);
                else
                    c->setAlternateKey(0);
            }
}

qsizetype EditorUnitPos(const QString& text, long bytes) {
    return QString::fromUtf8(text.toUtf8().left(std::max<long>(0, bytes))).size();
}

long EditorBytePos(const QString& text, qsizetype units) {
    return long(
        QStringView(text).left(std::clamp<qsizetype>(units, 0, text.size())).toUtf8().size());
}

void EditorSelection(QsciScintilla* e, qsizetype& from, qsizetype& to) {
    const QByteArray utf8 = e->text().toUtf8();
    auto unit = [&utf8](long bytes) {
        return QString::fromUtf8(utf8.left(std::max<long>(0, bytes))).size();
    };
    from = unit(e->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART));
    to = unit(e->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND));
}

void SetEditorSelection(QsciScintilla* e, qsizetype anchor, qsizetype caret) {
    const QString text = e->text();
    e->SendScintilla(QsciScintillaBase::SCI_SETSEL, (unsigned long)EditorBytePos(text, anchor),
                     EditorBytePos(text, caret));
}

bool CommentKeyOf(const QKeyEvent* k, bool& block, bool& add) {
    const Qt::KeyboardModifiers mods = k->modifiers() & ~Qt::KeypadModifier;
    const bool ctrl = mods == Qt::ControlModifier,
               ctrlShift = mods == (Qt::ControlModifier | Qt::ShiftModifier);
    if (!ctrl && !ctrlShift) return false;
    const int key = k->key();
    const bool line = key == Qt::Key_Minus || key == Qt::Key_Underscore;
    block = key == Qt::Key_Slash || key == Qt::Key_Question || key == Qt::Key_Asterisk ||
            key == Qt::Key_8;
    add = ctrl;
    return line || block;
}

} // namespace sky::ui
