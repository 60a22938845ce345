#include "engine/KTokens.h"

#include <QStringView>

#include "support/TextUtil.h"

namespace sky {
namespace {

// Index of the first set whose opener starts at p, or -1.
int OpenerAt(QStringView s, qsizetype p, const TQuoteSets& sets) {
    const QChar c = s[p];
    for (size_t i = 0; i < sets.size(); ++i) {
        const QString& start = sets[i].qtStart;
        if (start[0] == c && s.sliced(p).startsWith(start)) return static_cast<int>(i);
    }
    return -1;
}

struct TSectionEnd {
    qsizetype contentEnd; // one past the last content character
    qsizetype next;       // where scanning resumes
    bool bClosed;         // false when the text ended before the closer
};

// Finds the end of a section whose content starts at `from`.
TSectionEnd FindSectionEnd(QStringView s, qsizetype from, const TQuoteSet& set) {
    const qsizetype n = s.size();
    const QString& end = set.qtEnd;

    if (end.isEmpty()) {
        // Line comment: runs to the next LF, as the engine's "--" comments do
        // (a lone CR does not end it). It stops before the line break (LF, or
        // the CR LF pair), which the caller copies to the output as ordinary
        // text. The end of the text also closes it.
        qsizetype p = from;
        while (p < n && s[p] != u'\n')
            ++p;
        if (p < n && p > from && s[p - 1] == u'\r') --p;
        return {p, p, true};
    }

    if (end.size() == 1) {
        const QChar closer = end[0];
        qsizetype p = from;
        while (p < n) {
            if (s[p] != closer) {
                ++p;
            } else if (p > from && s[p - 1] == u'\\') {
                // Escaped by a backslash of the content (the opener's own
                // characters never escape).
                ++p;
            } else if (p + 1 < n && s[p + 1] == closer) {
                p += 2; // doubled closer is content
            } else {
                return {p, p + 1, true};
            }
        }
        return {n, n, false};
    }

    const qsizetype at = s.indexOf(end, from);
    if (at < 0) return {n, n, false};
    return {at, at + end.size(), true};
}

} // namespace

int BuildQuoteSets(const QStringList& definitions, TQuoteSets& Sets) {
    int kept = 0;
    for (const QString& def : definitions) {
        if (def.isEmpty()) continue;
        if (def.size() == 1) {
            Sets.push_back({def, def});
            ++kept;
            continue;
        }
        const qsizetype dot = def.indexOf(u'.');
        if (dot < 0) continue;
        const QStringView start = TrimmedView(QStringView(def).first(dot));
        if (start.isEmpty()) continue;
        QString end = QStringView(def).sliced(dot + 1).toString();
        end.remove(u'.');
        Sets.push_back({start.toString(), TrimmedView(end).toString()});
        ++kept;
    }
    return kept;
}

// A section left open at the end of S still gets its placeholder, so its
// text reaches Tokens; with bKeepQuotes it is wrapped in the opener only,
// since no closer was in the text. Nested openers are not counted: "(a(b)c)"
// closes at the first ")".
void TokenizeQuoted(const QString& S, QStringList* Tokens, bool bKeepQuotes, QString& Output,
                    const QString& PlaceholderDef, const QString& QuoteDefs) {
    if (Tokens) Tokens->clear();

    QStringList defs;
    for (const QString& item : QuoteDefs.split(u',')) {
        const QStringView t = TrimmedView(item);
        if (!t.isEmpty()) defs.append(t.toString());
    }
    TQuoteSets sets;
    BuildQuoteSets(defs, sets);

    if (sets.empty() || S.size() < 2) {
        Output = S;
        return;
    }

    QString phStart = QStringLiteral("#T");
    QString phEnd = QStringLiteral("#");
    TQuoteSets ph;
    if (BuildQuoteSets({TrimmedView(PlaceholderDef).toString()}, ph) > 0) {
        phStart = ph.front().qtStart;
        phEnd = ph.front().qtEnd;
    }

    const QStringView s(S);
    const qsizetype n = s.size();
    QString out;
    out.reserve(n);
    int count = 0;
    qsizetype runStart = 0; // start of plain text not yet copied
    qsizetype p = 0;
    while (p < n) {
        const int which = OpenerAt(s, p, sets);
        if (which < 0) {
            ++p;
            continue;
        }
        out.append(s.sliced(runStart, p - runStart));

        const TQuoteSet& set = sets[which];
        const qsizetype from = p + set.qtStart.size();
        const TSectionEnd se = FindSectionEnd(s, from, set);

        const QString placeholder = phStart + QString::number(++count) + phEnd;
        out.append(placeholder);
        if (Tokens) {
            QString line = placeholder + u'=';
            if (bKeepQuotes) line += set.qtStart;
            line += s.sliced(from, se.contentEnd - from);
            if (bKeepQuotes && se.bClosed) line += set.qtEnd;
            Tokens->append(line);
        }
        p = se.next;
        runStart = p;
    }
    out.append(s.sliced(runStart));
    Output = out;
}

} // namespace sky
