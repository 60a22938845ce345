// A lexically exact scanner of SQL text: words, quoted sections ('..',
// "..", `..` with doubling; [..]), line and block comments, line breaks,
// blanks and single other characters. It never copies text: tokens are
// positions into the scanned view. Shared by everything that must tell SQL
// code from literals and comments, so all of them agree with the engine's
// own tokenizer: a "--" comment runs to the next LF (a lone CR does not end
// it), and only space, tab and form feed are blanks (other control
// characters are single Other tokens).
#pragma once

#include <QStringView>

namespace sky {

enum class SqlTokKind { Space, LineBreak, Word, Quoted, LineComment, BlockComment, Other };

struct SqlToken {
    SqlTokKind kind = SqlTokKind::Other;
    qsizetype pos = 0;
    qsizetype len = 0;
    bool closed = true; // false for a quote or block comment open at the end
    qsizetype end() const { return pos + len; }
};

// Characters that make up words (identifiers, keywords, numbers): ASCII
// letters, digits, "_", "$" and everything above code 127.
inline bool IsSqlWordChar(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' ||
           u == '$' || u >= 0x80;
}

// Blanks as the engine knows them: space, tab, form feed, CR and LF. Other
// control characters are illegal tokens to the engine, not blanks.
inline bool IsSqlBlank(QChar c) {
    const char16_t u = c.unicode();
    return u == ' ' || u == '\t' || u == '\f' || u == '\r' || u == '\n';
}

// Characters that open a quoted section: ' " ` and [.
inline bool IsSqlQuote(char16_t u) {
    return u == '\'' || u == '"' || u == '`' || u == '[';
}

// True when the word equals the upper-case ASCII keyword, ignoring a-z case.
bool SqlWordIs(QStringView word, const char* keyword);

class SqlLexer {
public:
    explicit SqlLexer(QStringView text) : FText(text) {}
    bool Next(SqlToken& tok);
    qsizetype Pos() const { return FPos; }
    // The end of the quoted section opened at `open` (after its closer, or
    // the end of the text when it is not closed); for scanners that skip
    // quoted sections without taking every token.
    static qsizetype QuotedEnd(QStringView text, qsizetype open, bool& closed);

private:
    QStringView FText;
    qsizetype FPos = 0;
};

} // namespace sky
