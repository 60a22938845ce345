// Index and trigger statements: each held in a small record, read from its
// stored CREATE text and written back. A statement read and not edited
// since is written exactly as it was stored (RawText, ReadText); an edited
// one is composed from the fields with names quoted where needed.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace sky {

// When a trigger fires; the values are the ones the record has always stored.
enum class TrigTiming : quint8 { None = 0, Before = 1, After = 2, InsteadOf = 3 };
// What fires it.
enum class TrigEvent : quint8 { None = 0, Delete = 1, Insert = 2, Update = 3, UpdateOf = 4 };

struct TIndexLayout {
    bool IdxUnique = false;
    bool IfNotExists = false;
    QString IdxName;
    QString IdxTable;
    QString IdxFields; // entries joined by ", " (columns unquoted, expressions verbatim)
    QString IdxWhere;
    QString IdxCollates;
    QString IdxSorts;
    QString Comment;
    QStringList Entries; // each entry as written: column or expression with COLLATE/order
    QString RawText;
    QString ReadText;
};
using TIndexList = QList<TIndexLayout>;

struct TTriggerLayout {
    bool isTemp = false;
    bool IfNotExists = false;
    TrigTiming trigExecTiming = TrigTiming::None;
    TrigEvent trigEvent = TrigEvent::None;
    bool forEachRow = false;
    QString trigName;
    QString trigTable;
    QString trigFields; // the columns of UPDATE OF, as written
    QString trigWhen;
    QString trigExecCode; // the statements between BEGIN and END
    QString Comment;
    QString RawText;
    QString ReadText;
};
using TTriggerList = QList<TTriggerLayout>;

// The statement; empty for an index without entries.
QString sqlFrom(const TIndexLayout& i);
QString sqlFrom(const TTriggerLayout& t);
// Read one stored statement; false when it is not understood.
bool parseIndex(const QString& text, TIndexLayout& i);
bool parseTrigger(const QString& text, TTriggerLayout& t);

// The proposals for a new index or trigger on a column: "Idx_" + table +
// "_" + column, not unique, on the column; "Trig_" + table + "_" + column,
// AFTER UPDATE (OF the column when updateOf), with a template body.
TIndexLayout DefaultIndexFor(const QString& table, const QString& column);
TTriggerLayout DefaultTriggerFor(const QString& table, const QString& column, bool updateOf);

} // namespace sky
