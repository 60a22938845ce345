// The query run's rules without the window: classification of a text,
// the run prefix of a run mode, the query-text stack, the query history,
// the status line's colouring and the statistics panel's figures.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace sky {

// What ClassifyQuery answers. confirmText is empty when no confirmation is
// needed, else e.g. "Delete a Table" (asked as "You are about to " + it +
// "...  Continue?").
struct QueryClass {
    bool rowReturning = false;
    bool schemaChanged = false;
    QString confirmText;
};
// The first rule that applies decides; words are whole words (identifier
// boundaries: letters, digits, "_" and "$"), searched outside string
// literals, quoted names and comments; EXPLAIN/QUERY PLAN count only when
// EXPLAIN is the first word; a text starting with WITH that holds DELETE,
// UPDATE, INSERT or DROP is confirmed like those.
QueryClass ClassifyQuery(const QString& text);

// Whether the text holds the word as a whole word (boundaries: word
// characters of SQL), any case of a-z; literals and comments included.
bool ContainsWholeWord(QStringView text, QStringView word);
// Where it first stands as a whole word at or after from; -1 for nowhere.
qsizetype IndexOfWholeWord(QStringView text, QStringView word, qsizetype from = 0);

// The run mode every run command carries: the units digit says what runs
// (0 the text, 1 EXPLAIN, 2 EXPLAIN QUERY PLAN), tens digit 1 runs only the
// selected text.
enum class RunMode : int {
    Plain = 0,
    Explain = 1,
    QueryPlan = 2,
    Selected = 10,
    SelectedExplain = 11,
    SelectedQueryPlan = 12,
};
// Whether the mode runs only the selected text (tens digit 1).
bool RunsSelection(RunMode mode);
// "EXPLAIN " for units digit 1, "EXPLAIN QUERY PLAN " for 2, else empty.
QString RunPrefix(RunMode mode);
// The prefix is dropped when its words already occur in the text (whole
// words, any case).
bool PrefixAlreadyInText(const QString& prefix, const QString& text);

// The text cut before a trailing LIMIT (the last whole-word LIMIT after the
// last whole-word WHERE), trimmed.
QString StripTrailingLimit(const QString& text);

// The query-text stack behind Previous/Next: entries kept as typed (the
// normalised form — line breaks as "|", trimmed — serves only the
// duplicate look-up), oldest first, at most 256.
class QueryStack {
public:
    static constexpr int kMax = 256;
    // Pushes a text; keep tells whether the position stays.
    void Add(const QString& text, bool keep);
    // Previous (-1) / Next (+1): pushes the current editor text with keep,
    // moves and clamps the position; false when the stack is empty.
    bool Step(int step, const QString& currentText, QString& entry);
    // After a history update: the position on the newest entry.
    void AfterHistory();
    const QStringList& Entries() const { return FEntries; }
    int Position() const { return FCur; }
    bool PrevVisible() const { return FPrev; }
    bool NextVisible() const { return FNext; }
    static QString Normalised(const QString& text);

private:
    QStringList FEntries;
    int FCur = 0;
    bool FPrev = false, FNext = false;
};

// The history text's lines, newest entry first: each entry is the query
// text, an empty line, "-------------" and an empty line. Inserts the text
// unless its StripTrailingLimit form already occurs in the history text;
// then cuts the history to maxLines as the history update does.
void AddToHistoryLines(QStringList& lines, const QString& text, int maxLines);
// The entry around a caret position of the history text (lines joined by
// CR LF), trimmed; empty when 5 characters or fewer.
QString PickHistoryEntry(const QString& historyText, qsizetype caret);

// Status line colouring: 1 error (whole word ERROR, any case), 2 success
// (upper-cased text holds SUCCES), 0 otherwise.
int StatusKind(const QString& text);

// The statistics panel's time format: "--.---s", ".123s", "05.123s",
// "03m 05.123s", "02h 03m 05.123s", "2d 03h 04m 05s".
QString StatTimeText(double seconds);
// Thousands grouped with "," (the overview's GroupedNumber uses spaces).
QString CommaGrouped(qint64 n);
struct StatFigures {
    qint64 memoryUsed = 0, cacheUsed = 0, statementMemory = 0, schemaMemory = 0, allocations = 0;
    double totalTime = 0, prepareTime = 0, executeTime = 0;
    qint64 vmSteps = 0, resultRows = 0, changedRows = 0, cacheWrites = 0, totalChanges = 0;
};
// The panel's lines: label and value, in the panel's order.
QList<QPair<QString, QString>> StatLines(const StatFigures& f);

} // namespace sky
