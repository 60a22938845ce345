#include "design/DefTokens.h"

#include "engine/SqlLexer.h"

#include <algorithm>

namespace sky {

bool DefToken::IsKeyword(const char* keyword) const {
    return SqlWordIs(value, keyword);
}

namespace {

// The quoted section without its quotes; doubled closers are made single
// (in own; otherwise the value is a part of q).
void Unquote(QStringView q, QChar open, DefToken& d) {
    if (q.size() < 2) return;
    const QChar close = open == u'[' ? QChar(u']') : open;
    QStringView inner = q.mid(1, q.size() - 2);
    if (q.back() != close) inner = q.mid(1);
    if (open == u'[' || !inner.contains(close)) {
        d.value = inner;
        return;
    }
    QString r;
    r.reserve(inner.size());
    for (qsizetype i = 0; i < inner.size(); ++i) {
        r += inner[i];
        if (inner[i] == close && i + 1 < inner.size() && inner[i + 1] == close) ++i;
    }
    d.own = std::move(r);
    d.value = d.own;
}

QStringView CommentText(QStringView c, bool block) {
    QStringView t = c.mid(2);
    if (block && t.endsWith(QLatin1String("*/"))) t.chop(2);
    return t.trimmed();
}

} // namespace

QList<DefToken> DefTokenize(QStringView text) {
    QList<DefToken> out;
    // Room for the tokens of a short definition; a long text's parts are
    // mostly groups.
    out.reserve(std::min<qsizetype>(text.size() / 4 + 4, 256));
    DefTokenizeInto(text, out);
    return out;
}

void DropComments(QList<DefToken>& tokens) {
    tokens.removeIf([](const DefToken& d) { return d.kind == DefKind::Comment; });
}

void DefTokenizeInto(QStringView text, QList<DefToken>& out) {
    out.clear();
    SqlLexer lex(text);
    SqlToken t;
    bool line = false;
    while (lex.Next(t)) {
        const QStringView s = text.mid(t.pos, t.len);
        switch (t.kind) {
        case SqlTokKind::Space:
            continue;
        case SqlTokKind::LineBreak:
            line = true;
            continue;
        default:
            break;
        }
        DefToken& d = out.emplace_back();
        d.pos = t.pos;
        d.len = t.len;
        d.lineBefore = line;
        d.closed = t.closed;
        line = false;
        switch (t.kind) {
        case SqlTokKind::Word:
            d.kind = DefKind::Word;
            d.value = s;
            break;
        case SqlTokKind::Quoted:
            d.kind = DefKind::Quoted;
            d.quote = s.front();
            Unquote(s, d.quote, d);
            break;
        case SqlTokKind::LineComment:
        case SqlTokKind::BlockComment:
            d.kind = DefKind::Comment;
            d.value = CommentText(s, t.kind == SqlTokKind::BlockComment);
            break;
        default:
            if (s == QLatin1String(",")) {
                d.kind = DefKind::Comma;
                d.value = s;
            } else if (s == QLatin1String("(")) {
                // The group runs to the matching bracket (quotes and comments
                // inside cannot close it).
                int depth = 1;
                SqlToken in;
                qsizetype innerStart = t.end(), innerEnd = text.size();
                bool closed = false;
                SqlTokKind last = SqlTokKind::Space;
                while (lex.Next(in)) {
                    if (in.kind != SqlTokKind::Space && in.kind != SqlTokKind::LineBreak &&
                        !(in.kind == SqlTokKind::Other && text[in.pos] == u')' && depth == 1))
                        last = in.kind;
                    if (in.kind != SqlTokKind::Other) continue;
                    const QChar c = text[in.pos];
                    if (c == u'(') {
                        ++depth;
                    } else if (c == u')' && --depth == 0) {
                        innerEnd = in.pos;
                        closed = true;
                        break;
                    }
                }
                d.kind = DefKind::Group;
                d.value = text.mid(innerStart, innerEnd - innerStart);
                // A line comment at the end must not swallow what is written after it.
                if (last == SqlTokKind::LineComment && !d.value.endsWith(QLatin1Char('\n'))) {
                    d.own = d.value.toString() + QLatin1Char('\n');
                    d.value = d.own;
                }
                d.len = (closed ? innerEnd + 1 : innerEnd) - d.pos;
                d.closed = closed;
            } else {
                d.kind = DefKind::Other;
                d.value = s;
            }
            break;
        }
    }
}

} // namespace sky
