#include "workspace/EditorCommands.h"

#include "engine/Identifiers.h"
#include "support/TextUtil.h"

#include <QRandomGenerator>

namespace sky {

namespace {
bool WordChar(QChar c) {
    const ushort u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '_';
}
} // namespace

ContextHelp FindContextHelp(const QString& text, qsizetype caret, const QStringList& elements) {
    ContextHelp h;
    caret = std::clamp<qsizetype>(caret, 0, text.size());
    // 1. The word at the caret, when it is an SQL keyword.
    qsizetype a = caret, b = caret;
    while (a > 0 && WordChar(text[a - 1]))
        --a;
    while (b < text.size() && WordChar(text[b]))
        ++b;
    QStringList candidates;
    const QString atCaret = text.mid(a, b - a).toUpper();
    if (!atCaret.isEmpty() && IsSQLWord(atCaret, 4)) candidates << atCaret;
    // 2. Up to 256 characters around the caret with a marker at the caret.
    const qsizetype from = std::max<qsizetype>(0, caret - 128);
    QString window = text.mid(from, 256).toUpper();
    QString marker = QStringLiteral("QX");
    while (window.contains(marker))
        marker += QChar(u'A' + QRandomGenerator::global()->bounded(26));
    window.insert(caret - from, marker);
    QString clean;
    for (QChar c : window) {
        if (c == u'\r' || c == u'\n' || c == u' ' || c == u'\t')
            clean += u' ';
        else if (c >= u'A' && c <= u'Z')
            clean += c;
    }
    QStringList words = clean.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    // 3. The marked word, and the keywords around it.
    qsizetype marked = -1;
    for (qsizetype i = 0; i < words.size(); ++i)
        if (words[i].contains(marker)) {
            words[i].remove(marker);
            marked = i;
            break;
        }
    if (marked < 0) return h;
    QStringList keywords;
    qsizetype at = -1;
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (i == marked) {
            if (!words[i].isEmpty() && IsSQLWord(words[i], 4)) {
                at = keywords.size();
                keywords << words[i];
            }
            continue;
        }
        if (IsSQLWord(words[i], 4)) keywords << words[i];
    }
    if (at < 0) return h;
    const QString w = keywords[at];
    h.word = w;
    candidates << w;
    if (at > 0) candidates << keywords[at - 1] << keywords[at - 1] + QLatin1Char(' ') + w;
    if (at + 1 < keywords.size()) {
        candidates << keywords[at + 1] << w + QLatin1Char(' ') + keywords[at + 1];
        if (at > 0)
            candidates << keywords[at - 1] + QLatin1Char(' ') + w + QLatin1Char(' ') +
                              keywords[at + 1];
    }
    // 5. Scores: 3 for beginning with the first candidate, 2 for each later one.
    int best = 0;
    for (qsizetype e = 0; e < elements.size(); ++e) {
        const QString item = elements[e].toUpper();
        int score = 0;
        for (qsizetype c = 0; c < candidates.size(); ++c)
            if (item.startsWith(candidates[c])) score += c == 0 ? 3 : 2;
        if (score > best) {
            best = score;
            h.item = int(e);
        }
    }
    return h;
}

QString ContextHelpCaption(const ContextHelp& h, const QStringList& elements) {
    if (h.item >= 0)
        return QLatin1Char('"') + elements.value(h.item) +
               QStringLiteral("\" Documentation  -  [ F1 ]");
    if (!h.word.isEmpty())
        return QStringLiteral("Find Help for \"") + h.word + QStringLiteral("\"  -  [ F1 ]");
    return QStringLiteral("No Selection...");
}

QString GutterLabel(int line) {
    const int n = line + 1;
    return n == 1 || n % 5 == 0 ? QString::number(n) : QStringLiteral(".");
}

} // namespace sky
