// Definition tokens: the shared SQL lexer's tokens grouped for the schema
// parsers. Blanks are dropped (a token remembers whether a line break came
// before it), a parenthesised part is one Group token with its inner text,
// quoted names and strings keep their quote character and their unquoted
// value, comments keep their text. Positions refer to the scanned text, so a
// parser can always cut the exact source of a clause.
#pragma once

#include <QList>
#include <QString>
#include <QStringView>

namespace sky {

enum class DefKind { Word, Quoted, Group, Comment, Comma, Other };

struct DefToken {
    DefKind kind = DefKind::Other;
    qsizetype pos = 0; // start in the scanned text
    qsizetype len = 0;
    QChar quote;             // Quoted: the opening character (" ' ` [)
    QString value;           // Word: the word; Quoted: the unquoted text; Group: the
                             // inner text; Comment: the trimmed comment text; Other: the character
    bool lineBefore = false; // a line break lies between this and the previous token
    bool closed = true;      // quotes, groups and block comments closed before the end
    qsizetype end() const { return pos + len; }
    bool Is(const char* keyword) const; // a Word equal to the keyword, ignoring case
    bool IsName() const {
        return kind == DefKind::Word || (kind == DefKind::Quoted && quote != u'\'');
    }
};

QList<DefToken> DefTokenize(QStringView text);
// The unquoted name of a Word or Quoted token.
inline QString TokenName(const DefToken& t) {
    return t.value;
}

} // namespace sky

// Records of implicitly shared Qt values only: lists of them grow by moving
// their memory instead of copying each record.
Q_DECLARE_TYPEINFO(sky::DefToken, Q_RELOCATABLE_TYPE);
