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

ScriptParamList ScriptParamList::Collect(const QStringList& texts, const ScriptParamList& old) {
    ScriptParamList l;
    for (QString t : texts) {
        for (;;) {
            const qsizetype a = t.indexOf(QLatin1String("<@"));
            if (a < 0) break;
            const qsizetype b = t.indexOf(QLatin1String("@>"), a + 2);
            if (b < 0) break;
            const ScriptMarker m = ReadMarker(t.mid(a + 2, b - a - 2));
            t.remove(0, b + 2);
            if (m.name.isEmpty()) continue;
            if (!l.Contains(m.name))
                l.Set(m.name, m.def);
            else if (l.Value(m.name).isEmpty())
                l.Set(m.name, m.def);
        }
    }
    for (const QString& line : old.FLines) {
        const qsizetype eq = line.indexOf(u'=');
        const QString name = line.left(eq), value = line.mid(eq + 1);
        if (!value.isEmpty() && l.Contains(name)) l.Set(name, value);
    }
    return l;
}

bool SubstituteParams(QString& text, const ScriptParamList& params, QString* why) {
    int replaced = 0;
    qsizetype from = 0;
    for (;;) {
        const qsizetype i = text.indexOf(QLatin1String("<@"), from);
        if (i < 0) return true;
        const qsizetype j = text.indexOf(QLatin1String("@>"), i + 2);
        if (j < 0) {
            from = i + 1;
            continue;
        }
        const ScriptMarker m = ReadMarker(text.mid(i + 2, j - i - 2));
        if (++replaced > 10000) {
            if (why)
                *why = QStringLiteral("Parameter substitution does not terminate (") + m.name +
                       QLatin1Char(')');
            return false;
        }
        text.remove(i, j + 2 - i);
        if (!m.name.isEmpty()) {
            const QString value = params.Value(m.name);
            text.insert(i, value.isEmpty() ? m.def : value);
        }
        from = i + 1;
    }
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
