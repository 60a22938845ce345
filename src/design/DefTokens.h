// Definition tokens: the shared SQL lexer's tokens grouped for the schema
// parsers. Blanks are dropped (a token remembers whether a line break came
// before it), a parenthesised part is one Group token with its inner text,
// quoted names and strings keep their quote character and their unquoted
// value, comments keep their text. Positions refer to the scanned text, so a
// parser can always cut the exact source of a clause.
//
// A token's value is a view: into the scanned text, which must outlive the
// tokens, or into the token's own copy when the value is not a part of the
// text (a quoted name with doubled quotes, a group ending in a line comment).
// Tokenizing allocates only the list and those rare copies.
#pragma once

#include <QList>
#include <QString>
#include <QStringView>

namespace sky {

enum class DefKind : quint8 { Word, Quoted, Group, Comment, Comma, Other };

struct DefToken {
    DefKind kind = DefKind::Other;
    bool lineBefore = false; // a line break lies between this and the previous token
    bool closed = true;      // quotes, groups and block comments closed before the end
    QChar quote;             // Quoted: the opening character (" ' ` [)
    qsizetype pos = 0;       // start in the scanned text
    qsizetype len = 0;
    QStringView value; // Word: the word; Quoted: the unquoted text; Group: the inner
                       // text; Comment: the trimmed comment text; Other: the character
    QString own;       // the value's storage when it is not a part of the text
    qsizetype end() const { return pos + len; }
    // A Word equal to the (upper-case ASCII) keyword, ignoring case; most
    // words are told apart by their first letter without a call.
    bool Is(const char* keyword) const {
        return kind == DefKind::Word && !value.isEmpty() &&
               (value.front().unicode() | 0x20) == (char16_t(keyword[0]) | 0x20) &&
               IsKeyword(keyword);
    }
    bool IsName() const {
        return kind == DefKind::Word || (kind == DefKind::Quoted && quote != u'\'');
    }
    // The value as a string of its own.
    QString Text() const { return own.isNull() ? value.toString() : own; }

private:
    bool IsKeyword(const char* keyword) const;
};

QList<DefToken> DefTokenize(QStringView text);
// The same into out, which keeps its room: readers of many statements reuse
// one list.
void DefTokenizeInto(QStringView text, QList<DefToken>& out);
// Removes the comment tokens, keeping the others' order.
void DropComments(QList<DefToken>& tokens);
// The unquoted name of a Word or Quoted token.
inline QString TokenName(const DefToken& t) {
    return t.Text();
}

} // namespace sky

// A value viewing the token's own string still points at the same shared
// characters after the token is moved or copied: lists of tokens grow by
// moving their memory.
Q_DECLARE_TYPEINFO(sky::DefToken, Q_RELOCATABLE_TYPE);
