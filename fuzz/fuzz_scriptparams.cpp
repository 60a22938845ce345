// Fuzzes the script parameters: markers read and collected from arbitrary
// text, and substituted with the collected list; substitution either ends or
// reports that it does not terminate, and a text without "<@" is unchanged.
#include "script/ScriptParams.h"

#include <QString>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype cut = text.indexOf(u'\n');
    const QString values = cut < 0 ? QString() : text.left(cut);
    const QString body = cut < 0 ? text : text.mid(cut + 1);
    const sky::ScriptParamList old = sky::ScriptParamList::FromLines(values.split(u'|'));
    const sky::ScriptParamList l = sky::ScriptParamList::Collect({body}, old);
    for (const QString& line : l.Lines())
        if (line.indexOf(u'=') <= 0) __builtin_trap();
    QString t = body;
    QString why;
    const bool ok = sky::SubstituteParams(t, old, &why);
    if (!ok && !why.startsWith(QLatin1String("Parameter substitution does not terminate (")))
        __builtin_trap();
    if (!body.contains(QLatin1String("<@")) && t != body) __builtin_trap();
    // A substituter used for many texts gives what a fresh one gives.
    sky::ParamSubstituter again(old);
    for (int k = 0; k < 2; ++k) {
        QString u = body;
        QString whyToo;
        if (again.Apply(u, &whyToo) != ok || (ok && u != t)) __builtin_trap();
    }
    QByteArray out;
    sky::ScriptFileText({body}, &l, out, &why);
    return 0;
}
