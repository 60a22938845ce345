// The vocabulary of the SQL completion pop-ups: lines "kind, name, detail,
// description" (the built-in operators, keywords, functions, pragmas and
// types, and the objects of a connection's schemas), the items made from
// them (kind word, shortened name, inserted text, pragma templates), the
// highlighter's table names, and the answer to a token.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace sky {

class TSQLite3Database;

enum CompletionKind {
    kcOther = 0,
    kcKeyword,
    kcType,
    kcFunction,
    kcOperator,
    kcPragma,
    kcDatabase,
    kcTable,
    kcColumn,
    kcIndex,
    kcTrigger,
    kcExtended,
    kcView
};

struct CompletionItem {
    int kind = kcOther;
    QString kindWord, name, shownName, detail, description, insert;
};

// The highlighter colours the kinds' name colours come from (0xRRGGBB; the
// SQL highlighting's defaults).
struct HighlighterColours {
    quint32 keyword = 0x000080, dataType = 0x800000, function = 0xFF5809, symbol = 0xBF3F00,
            plsql = 0x8000FF, tableName = 0x000000, delimited = 0x0075EA;
};
// A kind's name colour: a fixed grey, one of the highlighter's colours, or
// one of them blended toward black or white.
quint32 CompletionKindColour(int kind, const HighlighterColours& c = {});

// The kind code of a kind field ("oper", "tab  ", "xfnc", ...).
int CompletionKindOf(const QString& kindField);
// The item of one line's fields; false for fewer than four.
bool CompletionItemOf(const QStringList& fields, CompletionItem& item);

// The built-in lines (about 310; the pragma lines only when asked).
QStringList BuiltinCompletionLines(bool pragmas);
// The lines of the two master tables (always offered).
QStringList MasterTableLines();

class CompletionModel {
public:
    // The items of db's objects (every schema's databases, tables, views with
    // their columns, indexes and triggers; names quoted into each schema's
    // own catalogue), the master tables and the built-in lines; the
    // highlighter's table names with them.
    void Build(TSQLite3Database* db, bool objects = true, bool pragmas = true);
    const QList<CompletionItem>& Items() const { return FItems; }
    const QStringList& TableNames() const { return FTableNames; }
    // The items whose inserted text starts with token (ignoring case), in
    // line order.
    QList<int> Answer(const QString& token) const;
    // Where the word before the caret starts.
    static qsizetype TokenStart(const QString& text, qsizetype caret);

private:
    QList<CompletionItem> FItems;
    QStringList FTableNames;
};

} // namespace sky
