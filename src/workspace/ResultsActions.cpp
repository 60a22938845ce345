// The view made from the results: its SELECT and its proposed name.
#include "workspace/ResultsActions.h"

#include "engine/Identifiers.h"
#include "engine/SqlLexer.h"
#include "support/TextUtil.h"
#include "workspace/QueryRun.h"

namespace sky {
namespace {

// The text before its first statement end; the whole text without one.
QString FirstStatementText(const QString& text) {
    SqlLexer lex(text);
    SqlToken t;
    while (lex.Next(t))
        if (t.kind == SqlTokKind::Other && text[t.pos] == u';') return text.left(t.pos);
    return text;
}

} // namespace

QString ResultsViewSelect(const QString& lastQuery, const QStringList& columns,
                          const QString& table) {
    QString select = TrimText(lastQuery);
    if (select.isEmpty() || !ContainsWholeWord(select, u"SELECT")) {
        QStringList quoted;
        quoted.reserve(columns.size());
        for (const QString& c : columns)
            quoted << QuoteIdent(c);
        select = QStringLiteral("SELECT ") + quoted.join(QStringLiteral(", ")) +
                 QStringLiteral("\r\n  FROM ") + QuoteIdent(table) + QStringLiteral("\r\n WHERE 1");
    }
    return FirstStatementText(select);
}

QString CleanViewName(const QString& name) {
    QString r = name.startsWith(QLatin1Char('.')) ? name.mid(1) : name;
    const qsizetype firstDot = r.indexOf(QLatin1Char('.'));
    if (firstDot >= 0)
        for (qsizetype i = firstDot + 1; i < r.size(); ++i)
            if (r[i] == u'.') r[i] = u'_';
    while (r.contains(QStringLiteral("__")))
        r.replace(QStringLiteral("__"), QStringLiteral("_"));
    return r;
}

QString NextNumberedName(const QString& name) {
    qsizetype digits = name.size();
    while (digits > 0 && name[digits - 1].isDigit() && name[digits - 1].unicode() < 128)
        --digits;
    if (digits == name.size()) return name + QLatin1Char('2');
    bool ok = false;
    const qulonglong n = name.mid(digits).toULongLong(&ok);
    if (!ok) return name + QLatin1Char('2');
    return name.left(digits) + QString::number(n + 1);
}

} // namespace sky
