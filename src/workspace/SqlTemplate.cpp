#include "workspace/SqlTemplate.h"

#include "engine/Identifiers.h"
#include "engine/SqlLexer.h"
#include "engine/SqlLiteral.h"
#include "support/TextUtil.h"

namespace sky {
namespace {

// Private-use stand-ins: the template's own markers while placeholders are
// expanded, and the "|" and "#" of literal text until the end.
constexpr QChar kMarker(0xE000);
constexpr QChar kLiteralBar(0xE001);
constexpr QChar kLiteralHash(0xE002);

} // namespace

QString TemplateLiteral(const QString& text) {
    QString t = text;
    t.replace(QLatin1Char('|'), kLiteralBar);
    t.replace(QLatin1Char('#'), kLiteralHash);
    return t;
}

bool LooksNumeric(const QString& text) {
    if (text.isEmpty()) return false;
    int digits = 0, dots = 0, signs = 0;
    for (QChar ch : text) {
        if (ch.isDigit() && ch.unicode() < 128) {
            ++digits;
        } else if (ch == u'.') {
            if (++dots > 1) return false;
        } else if (ch == u'+' || ch == u'-') {
            if (++signs > 1 || digits > 0) return false;
        } else if (ch != u' ' && ch != u',') {
            return false;
        }
    }
    return digits > 0 && digits < 19;
}

QString LimitClause(int limit) {
    return limit > 0 ? QStringLiteral(" LIMIT ") + QString::number(limit) : QString();
}

namespace {

QString ExpandInCode(const QString& code, const TemplateContext& c) {
    QString t = code;
    const QString schema = TrimText(c.curSchema);
    auto has = [&t](const char* p) { return t.contains(QLatin1String(p)); };
    if (has("#DBS#")) t.replace(QStringLiteral("#DBS#"), QuoteIdent(schema));
    if (has("#TBL#")) {
        QString table = QuoteIdent(c.curTable);
        if (!schema.isEmpty() && schema.compare(QLatin1String("main"), Qt::CaseInsensitive) != 0)
            table = QuoteIdent(schema) + QLatin1Char('.') + table;
        t.replace(QStringLiteral("#TBL#"), table);
    }
    if (has("#CDA#"))
        t.replace(QStringLiteral("#CDA#"),
                  QuoteSqlString(c.now.date().toString(QStringLiteral("yyyy-MM-dd"))));
    if (has("#CTM#"))
        t.replace(QStringLiteral("#CTM#"),
                  QuoteSqlString(c.now.time().toString(QStringLiteral("HH:mm:ss"))));
    if (has("#CDT#")) {
        const int offset = c.now.offsetFromUtc();
        QString zone = QStringLiteral("Z");
        if (offset != 0) {
            const int m = std::abs(offset) / 60;
            zone = QString::asprintf("%c%02d:%02d", offset < 0 ? '-' : '+', m / 60, m % 60);
        }
        t.replace(QStringLiteral("#CDT#"),
                  QuoteSqlString(c.now.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) + zone));
    }
    if (has("#FDS#"))
        t.replace(QStringLiteral("#FDS#"),
                  c.columns.isEmpty() ? QStringLiteral("*") : QuoteIdentList(c.columns, false));
    if (has("#PKI#")) {
        QStringList keys;
        for (const QString& k : c.primaryKey)
            keys << QuoteIdent(k);
        t.replace(QStringLiteral("#PKI#"), keys.join(QLatin1Char(',')));
    }
    if (has("#COL#")) {
        const QString col = c.chosenColumn.isEmpty() ? c.columns.value(0) : c.chosenColumn;
        t.replace(QStringLiteral("#COL#"), col.isEmpty() ? QString() : QuoteIdent(col));
    }
    if (has("#LIM#")) t.replace(QStringLiteral("#LIM#"), TrimText(LimitClause(c.queryLimit)));
    if (has("#CPB#")) {
        QString clip;
        if (c.clipboard.size() <= 4095) {
            clip = TrimText(c.clipboard);
            if (!(clip.size() <= 17 && LooksNumeric(clip))) clip = QuoteSqlString(clip);
        }
        t.replace(QStringLiteral("#CPB#"), clip);
    }
    return t;
}

} // namespace

QString ExpandPlaceholders(const QString& tmpl, const TemplateContext& c) {
    if (!tmpl.contains(QLatin1Char('#'))) return tmpl;
    QString out;
    qsizetype codeStart = 0;
    SqlLexer lex(tmpl);
    SqlToken tok;
    while (lex.Next(tok)) {
        if (tok.kind != SqlTokKind::Quoted && tok.kind != SqlTokKind::LineComment &&
            tok.kind != SqlTokKind::BlockComment)
            continue;
        out += ExpandInCode(tmpl.mid(codeStart, tok.pos - codeStart), c);
        out += QStringView(tmpl).mid(tok.pos, tok.len);
        codeStart = tok.end();
    }
    out += ExpandInCode(tmpl.mid(codeStart), c);
    return out;
}

bool ApplyTemplate(const QString& tmpl, const TemplateContext& c, TemplateResult& out) {
    if (TrimText(tmpl).size() <= 2) return false;
    // The markers are the template's own: a "|" that a placeholder brings in
    // (the clipboard, a name) stays text.
    QString marked = tmpl;
    marked.replace(QLatin1Char('|'), kMarker);
    QString t = ExpandPlaceholders(marked, c);
    t.replace(kLiteralBar, QLatin1Char('|'));
    t.replace(kLiteralHash, QLatin1Char('#'));
    const qsizetype first = t.indexOf(kMarker);
    if (first < 0) {
        out = {t, std::max<qsizetype>(0, t.size() - 1), std::max<qsizetype>(0, t.size() - 1)};
        return true;
    }
    t.remove(first, 1);
    const qsizetype second = t.indexOf(kMarker, first);
    if (second < 0) {
        out = {t, first, first};
        return true;
    }
    t.remove(second, 1);
    t.replace(kMarker, QLatin1Char('|')); // markers beyond the second are text
    out = {t, first, second};
    return true;
}

} // namespace sky
