// The SQL script splitter: a linear scanner over the lexical tokens of a
// script that knows quotes, comments, bracket nesting and trigger bodies
// (BEGIN ... END, with CASE ... END balanced inside), so that semicolons
// inside those do not end a statement.
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
    // The unfinished end of the script (open quote, bracket or block), trimmed;
    // empty when the script ended cleanly.
    QString tail;
};

// bRemWhSpc true trims every line on both sides; false only on the right.
SplitResult SplitSqlScript(QStringView sql, bool bRemWhSpc);

// The same scan, handing each statement to onStatement as soon as it is
// complete (nothing is collected). onStatement returning false stops the
// scan; the result is then false. The unfinished tail goes to tail.
bool SplitSqlScriptEach(QStringView sql, bool bRemWhSpc,
                        const std::function<bool(QString&&)>& onStatement, QString* tail);

// The first statement of sql as one line (pieces joined with one space). The
// end of the text always ends the statement, whatever is still open.
QString FlattenFirstStatement(QStringView sql);

} // namespace sky
