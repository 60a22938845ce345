// Code export.
#include "codeexport/Codify.h"

#include "support/Settings.h"
#include "support/TextUtil.h"

#include <QRandomGenerator>

namespace sky {

namespace {

// Six items: C and C++ join adjacent literals, C# concatenates, PHP escapes
// "$" as well.
const char* const kDefaultLines[] = {
    "C%CA%CP%CAC%CL%CL,=%CA,%CC,\\,,,,\\r\\n,;,%CA%CA%CA%CA%CA,96,,",
    "C%CD,=%CA,%CC,\\,%CA%CL%CA,,,\\r\\n,;,%CA%CA%CA%CA%CA,96,,",
    "Java,=%CA,%CC,\\,%CA%CL%CA,,,\\n,;,%AJ%AJ%AJ,96,,",
    "Pascal,:=%CA,%CH,%CH,%CA%CL%CA,,,%CD13%CL%CD10,;,%CA%CA%CA%CA%CA,96,O,",
    "PHP,=%CA,%CC,\\,%CA%CO%CA,%CE,,PHP_EOL,;,%AJ%AJ%AJ,96,O,",
    "VB,=%CA,%CC,%CC,%CA%CG%CA,,_,Chr%CI13%CJ%CA%CG%CAChr%CI10%CJ,,%CA%CA%CA%CA%CA,80,O,",
};

QString& SettingsText() {
    static QString text;
    return text;
}

TCECodifyList& Items() {
    static TCECodifyList items;
    return items;
}

// A marker of start that does not occur in text, padded with ">" to width.
QString Marker(const QString& text, const QString& start, int width, const CodifyRandom& random) {
    QString m = start;
    while (text.contains(m + u'>'))
        m += random();
    m += u'>';
    while (m.size() < width)
        m += u'>';
    return m;
}

QStringList SplitLines(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(u'\r', u'\n');
    return t.split(u'\n');
}

} // namespace

QString CodifyEscape(const QString& field) {
    QString out;
    out.reserve(field.size());
    for (QChar c : field) {
        if (c.unicode() == 0) continue;
        if (c.unicode() < 48) {
            out += u'%';
            out += QChar(u'A' + (c.unicode() >> 4));
            out += QChar(u'A' + (c.unicode() & 15));
        } else {
            out += c;
        }
    }
    return out;
}

QString CodifyUnescape(const QString& field) {
    QString out;
    for (qsizetype k = 0; k < field.size(); ++k) {
        if (field[k] != u'%') {
            if (field[k].unicode() != 0) out += field[k]; // a field never holds NUL
            continue;
        }
        if (k + 2 >= field.size()) break; // a "%" in the last two characters ends the field
        const int hi = field[k + 1].unicode() - u'A', lo = field[k + 2].unicode() - u'A';
        k += 2;
        if (hi < 0 || hi > 15 || lo < 0 || lo > 15) continue;
        const int code = hi * 16 + lo;
        if (code >= 1 && code <= 47) out += QChar(code);
    }
    return out;
}

QString CodifyLine(const TCECodifyItem& i) {
    QString out;
    for (const QString* f : {&i.ciName, &i.acs, &i.qc, &i.eqc, &i.ccs, &i.aes, &i.lecs, &i.lbcs,
                             &i.ltcs, &i.ics, &i.mll, &i.flg})
        out += CodifyEscape(*f) + u',';
    return out;
}

TCECodifyItem CodifyParseLine(const QString& line) {
    TCECodifyItem i;
    // The fields the line holds (each ended by ","); the others keep the
    // default item's values.
    QStringList pieces = line.split(u',');
    if (line.endsWith(u',')) pieces.removeLast();
    QString* fields[] = {&i.ciName, &i.acs,  &i.qc,   &i.eqc, &i.ccs, &i.aes,
                         &i.lecs,   &i.lbcs, &i.ltcs, &i.ics, &i.mll, &i.flg};
    for (qsizetype k = 0; k < 12 && k < pieces.size(); ++k)
        *fields[k] = CodifyUnescape(pieces[k]);
    i.flg = i.flg.toUpper();
    return i;
}

QString Codify(const QString& sql, const TCECodifyItem& item, const CodifyRandom& given) {
    const QString text = TrimText(sql);
    if (text.isEmpty()) return QString();
    const CodifyRandom random =
        given ? given : [] { return QChar(u'A' + QRandomGenerator::global()->bounded(26)); };
    const QString indent = item.ics.left(std::max<qsizetype>(0, item.ics.size() - 1));
    bool ok = false;
    int maxLen = TrimText(item.mll).toInt(&ok);
    if (!ok) maxLen = 128;
    const bool outside = item.flg.contains(u'O');
    const QString b = outside ? item.qc + item.ccs + item.lbcs : item.lbcs + item.qc;
    const QString v = Marker(text, QStringLiteral("<VAR_PLACEHOLDER"), 20, random);
    const QString r = Marker(text, QStringLiteral("<CR"), int(b.size()), random);

    // One pass: the escape before every quote, every character to escape
    // and, when the escape is a backslash, every backslash.
    const bool backslash = item.eqc == QLatin1String("\\");
    auto escape = [&](const QString& line) {
        if (item.qc.isEmpty() && item.aes.isEmpty() && !backslash) return line;
        QString out;
        out.reserve(line.size() + 8);
        for (qsizetype k = 0; k < line.size();) {
            if (!item.qc.isEmpty() && QStringView(line).mid(k).startsWith(item.qc)) {
                out += item.eqc + item.qc;
                k += item.qc.size();
                continue;
            }
            const QChar c = line[k];
            if (item.aes.contains(c) || (backslash && c == u'\\')) out += item.eqc;
            out += c;
            ++k;
        }
        return out;
    };
    QStringList lines = SplitLines(text);
    for (qsizetype k = 0; k < lines.size(); ++k) {
        lines[k] = escape(lines[k]);
        if (k + 1 < lines.size()) lines[k] += r;
    }
    lines[0].prepend(v);

    // Wrapping at spaces: before the last space from position 5 to W, else
    // before the first space after W (not the last character).
    const int w = std::max<int>(5, maxLen - int(indent.size()) - int(item.ccs.size()) - 2);
    QStringList wrapped;
    for (const QString& whole : lines) {
        QStringView rest(whole);
        while (rest.size() > w) {
            qsizetype cut = -1;
            for (qsizetype p = w - 1; p >= 4; --p)
                if (rest[p] == u' ') {
                    cut = p;
                    break;
                }
            if (cut < 0) {
                const qsizetype after = rest.indexOf(u' ', w);
                if (after >= 0 && after + 1 < rest.size()) cut = after;
            }
            if (cut < 0) break;
            wrapped << rest.left(cut).toString();
            rest = rest.mid(cut);
        }
        wrapped << rest.toString();
    }

    QString out;
    const qsizetype n = wrapped.size();
    for (qsizetype k = 0; k < n; ++k) {
        QString line = wrapped[k];
        if (k == 0) line.remove(0, v.size());
        if (line.endsWith(r))
            line = line.left(line.size() - r.size()) + b;
        else
            line += item.qc;
        line.prepend(item.qc);
        if (k == 0) line.prepend(item.acs);
        line += k + 1 < n ? item.ccs + item.lecs : item.ltcs;
        if (k > 0) line.prepend(indent);
        out += line + QStringLiteral("\r\n");
    }
    return out;
}

QString CodifyDefaults() {
    QStringList l;
    for (const char* line : kDefaultLines)
        l << QString::fromLatin1(line);
    return l.join(QStringLiteral("\r\n"));
}

bool CodifySetup(const QString& text) {
    const QString t = TrimText(text).isEmpty() ? CodifyDefaults() : text;
    TCECodifyList items;
    QStringList kept;
    for (const QString& line : SplitLines(t)) {
        if (TrimText(line).isEmpty()) continue;
        items << CodifyParseLine(line);
        kept << line;
    }
    SettingsText() = kept.join(QStringLiteral("\r\n"));
    Items() = items;
    return true;
}

QString CodifySettingsText() {
    return SettingsText();
}

const TCECodifyList& CodifyItems() {
    return Items();
}

int CodifyNames(QStringList& names) {
    names.clear();
    for (const TCECodifyItem& i : Items())
        names << i.ciName;
    return int(names.size());
}

QString Codify(const QString& sql, int index) {
    if (index < 0 || index >= Items().size()) return QString();
    return Codify(sql, Items()[index]);
}

void CodifyLoadStored() {
    QStringList lines;
    ListLoad(lines, QStringLiteral("CodifySettings"));
    CodifySetup(lines.size() <= 1 ? CodifyDefaults() : lines.join(QStringLiteral("\r\n")));
}

bool CodifySaveStored() {
    return ListSave(SplitLines(CodifySettingsText()), QStringLiteral("CodifySettings"));
}

// --- the settings window

CodeExController::CodeExController() {
    if (TrimText(CodifySettingsText()).isEmpty()) CodifySetup(QString());
    for (const QString& l : SplitLines(CodifySettingsText()))
        if (!TrimText(l).isEmpty()) lines << l;
    if (!lines.isEmpty()) Select(0);
}

QStringList CodeExController::Names() const {
    QStringList n;
    for (const QString& l : lines)
        n << CodifyParseLine(l).ciName;
    return n;
}

void CodeExController::Fill(const TCECodifyItem& i) {
    edit = i;
    const QString ics = i.ics.isEmpty() ? QStringLiteral("     ") : i.ics;
    indentCount = int(ics.size()) - 1;
    indentTab = ics.startsWith(u'\t');
    bool ok = false;
    maxLen = TrimText(i.mll).toInt(&ok);
    if (!ok) maxLen = 128;
    outside = i.flg.contains(u'O');
}

TCECodifyItem CodeExController::FromControls() const {
    TCECodifyItem i = edit;
    i.mll = QString::number(maxLen);
    i.flg = outside ? QStringLiteral("O") : QString();
    i.ics = QString(indentCount + 1, indentTab ? u'\t' : u' ');
    return i;
}

void CodeExController::TakeControls() {
    if (selected >= 0 && selected < lines.size()) lines[selected] = CodifyLine(FromControls());
}

void CodeExController::Select(int index) {
    TakeControls();
    selected = index >= 0 && index < lines.size() ? index : -1;
    if (selected >= 0) Fill(CodifyParseLine(lines[selected]));
}

QString CodeExController::Output() const {
    return Codify(sample, FromControls());
}

QString CodeExController::EscapedQuote() const {
    return u' ' + edit.qc + QStringLiteral("  -->  ") + edit.eqc + edit.qc + u' ';
}

bool CodeExController::Rename(const QString& name) {
    const QString n = TrimText(name);
    if (selected < 0 || n.isEmpty() || n == edit.ciName) return false;
    edit.ciName = n;
    TakeControls();
    return true;
}

bool CodeExController::Add(const QString& name) {
    const QString n = TrimText(name);
    if (n.isEmpty()) return false;
    TCECodifyItem t = selected >= 0 ? FromControls() : TCECodifyItem();
    TakeControls();
    t.ciName = n;
    lines << CodifyLine(t);
    selected = -1; // the new one is selected without taking the controls again
    Select(int(lines.size()) - 1);
    return true;
}

void CodeExController::Move(int direction) {
    const int other = selected + direction;
    if (selected < 0 || other < 0 || other >= lines.size()) return;
    lines.swapItemsAt(selected, other);
    selected = other;
    Fill(CodifyParseLine(lines[selected]));
}

void CodeExController::Remove() {
    if (selected < 0 || selected >= lines.size()) return;
    lines.removeAt(selected);
    selected = -1;
}

QString CodeExController::Accept() {
    TakeControls();
    return lines.join(QStringLiteral("\r\n"));
}

} // namespace sky
