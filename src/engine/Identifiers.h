// Identifier quoting and un-quoting, qualified names, master tables, the
// SQL word lists, small statement builders and number cleaning.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace sky {

// Wraps the name in double quotes (inner double quotes doubled) when it needs
// them: a character other than 0-9, A-Z, a-z, _; an empty name; a leading
// digit; an SQL keyword. bSplitDots quotes each dotted part separately;
// bForce always quotes.
QString QuoteIdent(const QString& name, bool bSplitDots = false, bool bForce = false);
// The name's bytes in double quotes (inner double quotes doubled), for names
// read from a database file as bytes: they need not be valid UTF-8.
QByteArray QuoteIdentBytes(QByteArrayView name);
// Text written into a comment of a generated script (a name, an error
// message): control and line-break characters become \r, \n, \xHH or \uHHHH
// and "*/" becomes "* /", so the text can end neither a "--" nor a "/* */"
// comment, whatever reads the script.
QString CommentSafeText(QStringView text);
// A name for such a comment: double-quoted like QuoteIdent, then made safe.
QString CommentSafeName(const QString& name);
// What must come between stored SQL text and a ";" or ")" written after it,
// decided by the text's last token: a line break after a "--" comment (else
// the comment would swallow it), "*/" after a block comment left open,
// otherwise nothing.
QString StatementTail(QStringView sql);
// Each entry trimmed and quoted, joined by ", ".
QString QuoteIdentList(const QStringList& names, bool bForce);
// Removes the outer quote pair ("..", '..', `..`, [..]) and undoubles the
// inner quotes; other names come back trimmed.
QString UnquoteIdent(const QString& name);
// "sqlite_master", "sqlite_temp_master" or QuoteIdent(schema) + ".sqlite_master".
QString MasterTableOf(const QString& schema);
// True for an empty schema name or "main" (any letter case, blanks around).
bool IsMainSchema(const QString& schema);
// The arguments of a table-valued pragma for a table of a schema:
// "(table)" for main, else "(table, 'schema')". (A schema prefix on the
// pragma's name does not choose the schema the table is looked up in.)
QString PragmaArguments(const QString& tableLiteral, const QString& schema);
// schema.table as "schema"."table" (or "table"), respecting quotes.
QString QualifiedTableName(const QString& fullName);
// Index of the first entry equal to name (trimmed, ignoring case), or -1.
int IndexOfName(const QString& name, const QStringList& list);

enum TConflictHandler {
    chCancelConflictingItem,
    chCancelPendingItems,
    chCancelAllItems,
    chUpdateItemData
};
QString ConflictClauseWord(TConflictHandler handler);

// Verb INTO table ("n1", ...) VALUES ('v1', ...); from name=value lines.
QString BuildInsertSQL(const QStringList& pairs, const QString& TableName, const QString& Verb);
// UPDATE "table" SET "n1"='v1', ... WHERE clause; from name=value lines.
QString BuildUpdateSQL(const QStringList& pairs, const QString& TableName,
                       const QString& WhereClause);

// kind 0 all words, 1 functions, 2 types, 3 pragmas, other keywords.
bool IsSQLWord(const QString& word, int kind);
// The word list of a kind: upper case, a comma before every word and after the last.
const QString& SQLWordList(int kind);

QString CleanNumberText(const QString& s);
long double NumberOf(const QString& s);
int IntegerOf(const QString& s);

} // namespace sky
