// Script parameters and the script file forms.
#include "script/ScriptParams.h"

#include "support/TextUtil.h"

#include <QFileInfo>

namespace sky {

QString ReduceParamName(const QString& namePart) {
    QString t = TrimText(namePart);
    for (QChar& c : t)
        if (c >= u'A' && c <= u'Z') c = QChar(c.unicode() + 32);
    for (qsizetype i = 0; i < t.size(); ++i)
        if ((i == 0 || t[i - 1] == u' ') && t[i] >= u'a' && t[i] <= u'z')
            t[i] = QChar(t[i].unicode() - 32);
    QString name;
    for (QChar c : t)
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'))
            name += c;
    return name;
}

ScriptMarker ReadMarker(const QString& inside) {
    const qsizetype c = UpperAscii(inside).indexOf(QLatin1String(" DEFAULT "));
    if (c < 0) return {ReduceParamName(inside), QString()};
    return {ReduceParamName(inside.left(c)), TrimText(QStringView(inside).mid(c + 8))};
}

ScriptParamList ScriptParamList::FromLines(const QStringList& lines) {
    ScriptParamList l;
    for (const QString& line : lines) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0) continue;
        l.Set(line.left(eq), line.mid(eq + 1));
    }
    return l;
}

int ScriptParamList::IndexOf(const QString& name) const {
    for (int i = 0; i < FLines.size(); ++i) {
        const qsizetype eq = FLines[i].indexOf(u'=');
        if (QStringView(FLines[i]).left(eq).compare(name, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

QString ScriptParamList::Value(const QString& name) const {
    const int i = IndexOf(name);
    return i < 0 ? QString() : FLines[i].mid(FLines[i].indexOf(u'=') + 1);
}

void ScriptParamList::Set(const QString& name, const QString& value) {
    const QString line = name + u'=' + value;
    const int i = IndexOf(name);
    if (i >= 0) {
        FLines[i] = line;
        return;
    }
    int at = 0;
    while (
        at < FLines.size() &&
        QStringView(FLines[at]).left(FLines[at].indexOf(u'=')).compare(name, Qt::CaseInsensitive) <
            0)
        ++at;
    FLines.insert(at, line);
}

void ScriptParamList::AddMarkers(const QString& t) {
    for (qsizetype from = 0;;) {
        const qsizetype a = IndexOfPair(t, u'<', u'@', from);
        if (a < 0) break;
        const qsizetype b = IndexOfPair(t, u'@', u'>', a + 2);
        if (b < 0) break;
        const ScriptMarker m = ReadMarker(t.mid(a + 2, b - a - 2));
        from = b + 2;
        if (m.name.isEmpty()) continue;
        if (!Contains(m.name) || Value(m.name).isEmpty()) Set(m.name, m.def);
    }
}

void ScriptParamList::KeepValues(const ScriptParamList& old) {
    for (const QString& line : old.FLines) {
        const qsizetype eq = line.indexOf(u'=');
        const QString name = line.left(eq), value = line.mid(eq + 1);
        if (!value.isEmpty() && Contains(name)) Set(name, value);
    }
}

ScriptParamList ScriptParamList::Collect(const QStringList& texts, const ScriptParamList& old) {
    ScriptParamList l;
    for (const QString& t : texts)
        l.AddMarkers(t);
    l.KeepValues(old);
    return l;
}

bool ParamSubstituter::Apply(QString& text, QString* why) {
    int replaced = 0;
    qsizetype from = 0;
    for (;;) {
        const qsizetype i = IndexOfPair(text, u'<', u'@', from);
        if (i < 0) return true;
        const qsizetype j = IndexOfPair(text, u'@', u'>', i + 2);
        if (j < 0) {
            from = i + 1;
            continue;
        }
        const QStringView inside = QStringView(text).mid(i + 2, j - i - 2);
        qsizetype k = 0;
        while (k < FSeen.size() && FSeen[k].inside != inside)
            ++k;
        if (k == FSeen.size()) {
            const ScriptMarker m = ReadMarker(inside.toString());
            Seen seen{inside.toString(), m.name, QString()};
            if (!m.name.isEmpty()) {
                seen.value = FParams.Value(m.name);
                if (seen.value.isEmpty()) seen.value = m.def;
            }
            // A script's markers are few; past that, each is read afresh.
            if (FSeen.size() >= 64) FSeen.removeFirst();
            FSeen.append(std::move(seen));
            k = FSeen.size() - 1;
        }
        if (++replaced > 10000) {
            if (why)
                *why = QStringLiteral("Parameter substitution does not terminate (") +
                       FSeen[k].name + QLatin1Char(')');
            return false;
        }
        text.replace(i, j + 2 - i, FSeen[k].value);
        from = i + 1;
    }
}

bool SubstituteParams(QString& text, const ScriptParamList& params, QString* why) {
    return ParamSubstituter(params).Apply(text, why);
}

namespace {
QString Companion(const QString& script, const char* ext) {
    const QFileInfo fi(script);
    const QString suffix = fi.suffix();
    const QString base = suffix.isEmpty() ? script : script.left(script.size() - suffix.size() - 1);
    return base + QLatin1String(ext);
}
} // namespace

QString ParamFileOf(const QString& script) {
    return Companion(script, ".param.txt");
}
QString OutputFileOf(const QString& script) {
    return Companion(script, ".output.txt");
}

bool ScriptFileText(const QStringList& statements, const ScriptParamList* params, QByteArray& out,
                    QString* why) {
    out.clear();
    for (QString text : statements) {
        if (params) {
            qsizetype k = 0;
            while (k < text.size() && (text[k] == u'#' || text[k] == u'@' || text[k] == u'|'))
                ++k;
            text.remove(0, k);
            if (!SubstituteParams(text, *params, why)) return false;
        }
        QString block;
        qsizetype start = 0;
        for (qsizetype i = 0; i <= text.size(); ++i) {
            if (i < text.size() && text[i] != u'\r' && text[i] != u'\n') continue;
            const QStringView line = QStringView(text).mid(start, i - start);
            if (!TrimmedView(line).isEmpty()) {
                block += line;
                block += QStringLiteral("\r\n");
            }
            if (i + 1 < text.size() && text[i] == u'\r' && text[i + 1] == u'\n') ++i;
            start = i + 1;
        }
        block += QStringLiteral("\r\n");
        out += block.toUtf8();
    }
    return true;
}

} // namespace sky
