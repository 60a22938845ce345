#include "workspace/QueryRun.h"

#include "engine/SqlLexer.h"
#include "support/TextUtil.h"

#include <QPair>

#include <algorithm>
#include <vector>

namespace sky {
namespace {

const QString kConfirmDropTable = QStringLiteral("Delete a Table");
const QString kConfirmDropIndex = QStringLiteral("Remove an Index");
const QString kConfirmDropView = QStringLiteral("Remove a View");
const QString kConfirmDropTrigger = QStringLiteral("Remove a Trigger");
const QString kConfirmDeleteRows = QStringLiteral("Delete Data Rows");
const QString kHistSeparator = QStringLiteral("-------------");
const QString kCrLf = QStringLiteral("\r\n");

// The tokens that are code: words, quoted sections and other characters.
// Blanks, line breaks and comments are left out, so two words count as
// consecutive whatever blanks or comments stand between them.
struct CodeTok {
    SqlTokKind kind;
    qsizetype pos;
    QStringView text;
};
using CodeToks = std::vector<CodeTok>;

CodeToks CodeTokens(QStringView text) {
    CodeToks out;
    SqlLexer lex(text);
    SqlToken t;
    while (lex.Next(t)) {
        if (t.kind == SqlTokKind::Space || t.kind == SqlTokKind::LineBreak ||
            t.kind == SqlTokKind::LineComment || t.kind == SqlTokKind::BlockComment)
            continue;
        out.push_back({t.kind, t.pos, text.mid(t.pos, t.len)});
    }
    return out;
}

char16_t AsciiUpper(char16_t u) {
    return u >= 'a' && u <= 'z' ? char16_t(u - 32) : u;
}

// Equal words, ignoring the case of a-z.
bool SameWord(QStringView a, QStringView b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i].unicode()) != AsciiUpper(b[i].unicode())) return false;
    return true;
}

bool WordsAt(const CodeToks& toks, size_t at, const std::vector<QStringView>& words) {
    if (words.empty() || at + words.size() > toks.size()) return false;
    for (size_t j = 0; j < words.size(); ++j)
        if (toks[at + j].kind != SqlTokKind::Word || !SameWord(toks[at + j].text, words[j]))
            return false;
    return true;
}

bool HasWords(const CodeToks& toks, const std::vector<QStringView>& words) {
    for (size_t i = 0; i < toks.size(); ++i)
        if (WordsAt(toks, i, words)) return true;
    return false;
}

bool FirstWordIs(const CodeToks& toks, QStringView word) {
    return WordsAt(toks, 0, {word});
}

// Index of the last code word equal to word at or after from; -1 when none.
qsizetype LastWord(const CodeToks& toks, QStringView word, qsizetype from) {
    for (qsizetype i = qsizetype(toks.size()) - 1; i >= from; --i)
        if (toks[i].kind == SqlTokKind::Word && SameWord(toks[i].text, word)) return i;
    return -1;
}

bool HasOther(const CodeToks& toks, QChar ch) {
    return std::any_of(toks.begin(), toks.end(), [ch](const CodeTok& t) {
        return t.kind == SqlTokKind::Other && t.text.front() == ch;
    });
}

// A plain text's lines (CR LF, CR or LF end a line), with their start offsets.
QStringList SplitLines(QStringView text, QList<qsizetype>* starts = nullptr) {
    QStringList lines;
    qsizetype begin = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i <= n; ++i) {
        if (i < n && text[i] != u'\r' && text[i] != u'\n') continue;
        lines << text.mid(begin, i - begin).toString();
        if (starts) *starts << begin;
        if (i < n && text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n') ++i;
        begin = i + 1;
    }
    return lines;
}

} // namespace

qsizetype IndexOfWholeWord(QStringView text, QStringView word, qsizetype from) {
    const qsizetype n = text.size(), w = word.size();
    for (qsizetype i = std::max<qsizetype>(from, 0); i + w <= n; ++i) {
        if (i > 0 && IsSqlWordChar(text[i - 1])) continue;
        if (i + w < n && IsSqlWordChar(text[i + w])) continue;
        if (SameWord(text.mid(i, w), word)) return i;
    }
    return -1;
}

bool ContainsWholeWord(QStringView text, QStringView word) {
    return IndexOfWholeWord(text, word) >= 0;
}

QueryClass ClassifyQuery(const QString& text) {
    QueryClass c;
    const CodeToks t = CodeTokens(text);
    if (FirstWordIs(t, u"EXPLAIN")) {
        c.rowReturning = true;
        return c;
    }
    const struct {
        QStringView object;
        const QString& confirm;
    } drops[] = {{u"TABLE", kConfirmDropTable},
                 {u"INDEX", kConfirmDropIndex},
                 {u"VIEW", kConfirmDropView},
                 {u"TRIGGER", kConfirmDropTrigger}};
    if (HasWords(t, {u"ALTER", u"TABLE"}) || HasWords(t, {u"CREATE"})) {
        c.schemaChanged = true;
        // The whole script runs: a DROP or DELETE in it is still asked.
        for (const auto& d : drops)
            if (c.confirmText.isEmpty() && HasWords(t, {u"DROP", d.object}))
                c.confirmText = d.confirm;
        if (c.confirmText.isEmpty() && HasWords(t, {u"DELETE"})) c.confirmText = kConfirmDeleteRows;
        return c;
    }
    for (const auto& d : drops) {
        if (HasWords(t, {u"DROP", d.object})) {
            c.schemaChanged = true;
            c.confirmText = d.confirm;
            return c;
        }
    }
    if (HasWords(t, {u"PRAGMA"})) {
        c.rowReturning = !HasOther(t, u'=');
        return c;
    }
    if (FirstWordIs(t, u"SELECT")) {
        c.rowReturning = true;
        return c;
    }
    if (FirstWordIs(t, u"WITH")) {
        // A common table expression may lead a data change: DELETE is asked
        // like a plain DELETE; UPDATE, INSERT or a DROP of anything else
        // simply run as statements (no rows, no question).
        if (HasWords(t, {u"DELETE"})) {
            c.confirmText = kConfirmDeleteRows;
        } else if (!HasWords(t, {u"UPDATE"}) && !HasWords(t, {u"INSERT"}) &&
                   !HasWords(t, {u"DROP"})) {
            c.rowReturning = true;
        }
        return c;
    }
    if (HasWords(t, {u"DELETE"})) c.confirmText = kConfirmDeleteRows;
    return c;
}

bool RunsSelection(RunMode mode) {
    return (int(mode) / 10) % 10 == 1;
}

QString RunPrefix(RunMode mode) {
    const int units = int(mode) % 10;
    if (units >= 2) return QStringLiteral("EXPLAIN QUERY PLAN ");
    if (units >= 1) return QStringLiteral("EXPLAIN ");
    return QString();
}

bool PrefixAlreadyInText(const QString& prefix, const QString& text) {
    const CodeToks p = CodeTokens(prefix);
    std::vector<QStringView> words;
    for (const CodeTok& tok : p)
        if (tok.kind == SqlTokKind::Word) words.push_back(tok.text);
    return HasWords(CodeTokens(text), words);
}

QString StripTrailingLimit(const QString& text) {
    const QString t = TrimText(text);
    const CodeToks toks = CodeTokens(t);
    const qsizetype where = LastWord(toks, u"WHERE", 0);
    const qsizetype limit = LastWord(toks, u"LIMIT", where < 0 ? 0 : where + 1);
    if (limit < 0) return t;
    return TrimText(QStringView(t).left(toks[limit].pos));
}

// --- the query-text stack

QString QueryStack::Normalised(const QString& text) {
    // Trimmed first, so a text that differs only by a trailing line break is
    // the same entry, and a text of line breaks alone is no entry at all.
    QString s = TrimText(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("|"));
    s.replace(QLatin1Char('\r'), QLatin1Char('|'));
    s.replace(QLatin1Char('\n'), QLatin1Char('|'));
    return s;
}

void QueryStack::Add(const QString& text, bool keep) {
    const QString norm = Normalised(text);
    if (norm.isEmpty()) return;
    int pos = FCur;
    qsizetype found = -1;
    for (qsizetype i = 0; i < FEntries.size(); ++i) {
        if (Normalised(FEntries[i]).compare(norm, Qt::CaseInsensitive) == 0) {
            found = i;
            break;
        }
    }
    if (found < 0) {
        FEntries.append(text);
        ++pos;
    } else if (found > 1 && !keep) {
        // The newest spelling replaces the older one at the top.
        FEntries.removeAt(found);
        FEntries.append(text);
        if (found < pos) --pos;
    }
    while (FEntries.size() > kMax) {
        FEntries.removeFirst();
        --pos;
    }
    if (keep) {
        FCur = pos;
        FPrev = FCur > 0;
        FNext = FCur < FEntries.size();
    } else {
        FCur = int(FEntries.size());
        FPrev = true;
        FNext = false;
    }
}

bool QueryStack::Step(int step, const QString& currentText, QString& entry) {
    if (FEntries.isEmpty()) {
        FPrev = FNext = false;
        return false;
    }
    Add(currentText, true);
    const int last = int(FEntries.size()) - 1;
    FCur = std::clamp(FCur + step, 0, last);
    entry = FEntries[FCur];
    FNext = FCur < last;
    FPrev = FCur > 0;
    return true;
}

void QueryStack::AfterHistory() {
    FCur = int(FEntries.size()) - 1;
    FPrev = FCur > 0;
    FNext = false;
}

// --- the history

void AddToHistoryLines(QStringList& lines, const QString& text, int maxLines) {
    const QString t = TrimText(text);
    if (!t.isEmpty()) {
        const QString probe = SplitLines(StripTrailingLimit(t)).join(kCrLf);
        if (!lines.join(kCrLf).contains(probe)) {
            QStringList entry = SplitLines(t);
            entry << QString() << kHistSeparator << QString();
            lines = entry + lines;
        }
    }
    maxLines = std::clamp(maxLines, 10, 10000);
    if (lines.size() <= maxLines) return;
    // Cut at the nearest blank line at or above line maxLines, no higher
    // than line 10 (indexes here count from 0).
    qsizetype cut = 9;
    for (qsizetype i = maxLines - 1; i >= 9; --i) {
        if (TrimText(lines[i]).isEmpty()) {
            cut = i;
            break;
        }
    }
    lines.erase(lines.begin() + cut, lines.end());
}

QString PickHistoryEntry(const QString& historyText, qsizetype caret) {
    QList<qsizetype> starts;
    const QStringList lines = SplitLines(historyText, &starts);
    qsizetype first = 0, last = lines.size() - 1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!TrimText(lines[i]).startsWith(QLatin1String("--"))) continue;
        if (starts[i] < caret) {
            first = i + 1;
        } else {
            last = i - 1;
            break;
        }
    }
    if (last < first) last = lines.size() - 1;
    const QString entry = TrimText(lines.mid(first, last - first + 1).join(kCrLf));
    return entry.size() > 5 ? entry : QString();
}

// --- status line and statistics

int StatusKind(const QString& text) {
    if (ContainsWholeWord(text, u"ERROR")) return 1;
    if (UpperAscii(text).contains(QLatin1String("SUCCES"))) return 2;
    return 0;
}

QString StatTimeText(double seconds) {
    if (!(seconds > 0)) return QStringLiteral("--.---s");
    if (seconds >= 23.0 * 3600) {
        const qint64 s = seconds < 1e15 ? qint64(seconds) : qint64(1e15);
        return QString::asprintf("%lldd %02lldh %02lldm %02llds", s / 86400, s / 3600 % 24,
                                 s / 60 % 60, s % 60);
    }
    const qint64 ms = qRound64(seconds * 1000);
    const qint64 s = ms / 1000, frac = ms % 1000;
    if (seconds < 0.99) return QString::asprintf(".%03llds", frac);
    if (seconds < 50) return QString::asprintf("%02lld.%03llds", s, frac);
    if (seconds < 50.0 * 60)
        return QString::asprintf("%02lldm %02lld.%03llds", s / 60, s % 60, frac);
    return QString::asprintf("%02lldh %02lldm %02lld.%03llds", s / 3600, s / 60 % 60, s % 60, frac);
}

QString CommaGrouped(qint64 n) {
    const quint64 magnitude = n < 0 ? 0 - quint64(n) : quint64(n);
    const QString digits = QString::number(magnitude);
    QString out;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += QLatin1Char(',');
        out += digits[i];
    }
    if (n < 0) out.prepend(QLatin1Char('-'));
    return out;
}

QList<QPair<QString, QString>> StatLines(const StatFigures& f) {
    auto mb = [](qint64 bytes) {
        return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 1) + QStringLiteral(" MB");
    };
    auto kb = [](qint64 bytes) {
        return QString::number(double(bytes) / 1024.0, 'f', 1) + QStringLiteral(" KB");
    };
    const bool rows = f.resultRows > 0;
    return {
        {QStringLiteral("Memory Usage: "), mb(f.memoryUsed)},
        {QStringLiteral("Cache Usage:  "), mb(f.cacheUsed)},
        {QStringLiteral("Statements Memory: "), kb(f.statementMemory)},
        {QStringLiteral("Schema Memory:  "), kb(f.schemaMemory)},
        {QStringLiteral("Tot Allocations:   "), QString::number(f.allocations)},
        {QStringLiteral("Total Time:      "), StatTimeText(f.totalTime)},
        {QStringLiteral("Prepare Time:    "), StatTimeText(f.prepareTime)},
        {QStringLiteral("Data Read-Write: "), StatTimeText(f.executeTime)},
        {QStringLiteral("VM Steps:        "), CommaGrouped(f.vmSteps)},
        {rows ? QStringLiteral("Result Rows:     ") : QStringLiteral("Updated Records: "),
         CommaGrouped(rows ? f.resultRows : f.changedRows)},
        {QStringLiteral("Cache-Page writes:"), CommaGrouped(f.cacheWrites)},
        {QStringLiteral("Total Updates:   "), CommaGrouped(f.totalChanges)},
    };
}

} // namespace sky
