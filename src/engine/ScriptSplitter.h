// The SQL script splitter: a linear scanner over the lexical tokens of a
// script. Statement boundaries are those of the engine's own completeness
// check (sqlite3_complete): a ";" ends a statement unless it is inside a
// quote, a comment or a trigger body (CREATE [TEMP] TRIGGER ... BEGIN ...
// "; END"); a ";" inside brackets ( ) or { } does not end one either.
//
// Statement texts keep their terminating semicolon; line comments are
// removed, block comments are kept (and end the line they are in); blank
// lines are removed; lines are joined with CR LF. A trigger statement ends
// at the END of its body and the following ";" is stored as a statement of
// its own. Transaction statements (BEGIN [DEFERRED|IMMEDIATE|EXCLUSIVE]
// [TRANSACTION]) are ordinary statements ending at their semicolon.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>

namespace sky {

struct SplitResult {
    QStringList statements;
    // The unfinished end of the script (an open quote, block comment, bracket
    // or trigger body), trimmed; empty when the script ended cleanly. It is
    // not a statement: running a script with a tail is an error.
    QString tail;
};

// bRemWhSpc true trims every line on both sides; false only on the right.
SplitResult SplitSqlScript(QStringView sql, bool bRemWhSpc);

// The same scan, handing each statement to onStatement as soon as it is
// complete (nothing is collected). onStatement returning false stops the
// scan; the result is then false. The unfinished tail goes to tail.
bool SplitSqlScriptEach(QStringView sql, bool bRemWhSpc,
                        const std::function<bool(QString&&)>& onStatement, QString* tail);

// Appends the next piece of a script to text; false when nothing follows
// (the end of the script, or a failed read). A piece may be of any size,
// cut anywhere (inside a token, between CR and LF).
using ScriptReadMore = std::function<bool(QString& text)>;

// The same scan over a script read piece by piece: only the unfinished
// statement and the piece being scanned are held, so memory does not grow
// with the script. Statements, tail and result are those of the whole text.
bool SplitSqlScriptEach(const ScriptReadMore& readMore, bool bRemWhSpc,
                        const std::function<bool(QString&&)>& onStatement, QString* tail);

// The script processor's items, read piece by piece: the same statement
// boundaries, but line comments stay in place, a trigger ends at the ";"
// after its END, the unfinished end of the script is the last item, lines
// lose only their line breaks (blank lines go), and items of comments only
// are handed on too (hasCode false), so a caller can count them.
bool SplitScriptItems(const ScriptReadMore& readMore,
                      const std::function<bool(QString&&, bool hasCode)>& onItem);

// The first statement of sql as one line (pieces joined with one space). The
// end of the text always ends the statement, whatever is still open.
QString FlattenFirstStatement(QStringView sql);

} // namespace sky
