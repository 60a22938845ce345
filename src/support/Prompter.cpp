#include "support/Prompter.h"

#include "support/Settings.h"

#include <cmath>

namespace sky {
namespace {

// Length of the text when it is a plain decimal number, else the position
// of the first character that breaks the number (the size when the text
// ends too early).
qsizetype NumberErrorPos(const QString& t, bool& ok) {
    ok = false;
    qsizetype p = 0;
    const qsizetype n = t.size();
    auto digit = [&](qsizetype i) { return i < n && t[i] >= u'0' && t[i] <= u'9'; };
    if (p < n && (t[p] == u'+' || t[p] == u'-')) ++p;
    bool digits = false;
    while (digit(p)) {
        ++p;
        digits = true;
    }
    if (p < n && t[p] == u'.') {
        ++p;
        while (digit(p)) {
            ++p;
            digits = true;
        }
    }
    if (!digits) return p;
    if (p < n && (t[p] == u'e' || t[p] == u'E')) {
        ++p;
        if (p < n && (t[p] == u'+' || t[p] == u'-')) ++p;
        if (!digit(p)) return p;
        while (digit(p))
            ++p;
    }
    if (p < n) return p;
    ok = true;
    return n;
}

} // namespace

bool RepairNumberText(QString& text, double& value) {
    text = text.trimmed();
    while (!text.isEmpty()) {
        bool ok = false;
        qsizetype at = NumberErrorPos(text, ok);
        if (ok) {
            value = TextToNumber(text);
            return true;
        }
        if (at >= text.size()) at = text.size() - 1;
        text.remove(at, 1);
    }
    return false;
}

double AskNumber(Prompter& p, const QString& title, const QString& prompt, int seconds,
                 const QStringList& choices, double def, double initial) {
    QString text = p.AskText(title, prompt, NumberToText(initial), choices, false, seconds,
                             QStringLiteral("CANCEL"));
    if (text == QLatin1String("CANCEL") || text.trimmed().isEmpty()) return def;
    double v = def;
    return RepairNumberText(text, v) ? v : def;
}

qint64 AskInteger(Prompter& p, const QString& title, const QString& prompt, int seconds,
                  const QStringList& choices, qint64 def, qint64 initial) {
    const double v = AskNumber(p, title, prompt, seconds, choices, double(def), double(initial));
    if (!std::isfinite(v) || std::fabs(v) > 9.2e18) return def;
    return qint64(std::trunc(v));
}

void CountdownPrompter::Write(const QString& title, const QString& text) {
    if (!FOut) return;
    QString t = text;
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QByteArray line = (title.isEmpty() ? t : title + QStringLiteral(": ") + t).toUtf8();
    std::fprintf(FOut, "%s\n", line.constData());
}

void CountdownPrompter::ShowNotice(const QString& title, const QString& text, int, bool) {
    Write(title, text);
}

void CountdownPrompter::ShowNote(const QString& text, const QString& title) {
    Write(title.isEmpty() ? QStringLiteral("Please Note:") : title, text);
}

void CountdownPrompter::ShowWarning(const QString& text, const QString& headline) {
    Write(QStringLiteral("WARNING: ") + headline, text);
}

} // namespace sky
