#include "engine/SqlLexer.h"

#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sky {
namespace {

// The first c in d[from..n), or n; eight units at a time where the
// processor has SSE2 (every x86-64 one).
qsizetype FindUnit(const char16_t* d, qsizetype from, qsizetype n, char16_t c) {
    qsizetype p = from;
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi16(static_cast<short>(c));
    for (; p + 8 <= n; p += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + p));
        const auto hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(v, wanted)));
        if (hits != 0) return p + std::countr_zero(hits) / 2;
    }
#endif
    while (p < n && d[p] != c)
        ++p;
    return p;
}

// Blanks other than line breaks, which are tokens of their own.
bool IsSqlSpace(char16_t u) {
    return u == ' ' || u == '\t' || u == '\f';
}

} // namespace

bool SqlWordIs(QStringView word, const char* keyword) {
    qsizetype i = 0;
    for (; keyword[i]; ++i) {
        if (i >= word.size()) return false;
        char16_t u = word[i].unicode();
        if (u >= 'a' && u <= 'z') u = char16_t(u - 32);
        if (u != char16_t(keyword[i])) return false;
    }
    return i == word.size();
}

qsizetype SqlLexer::QuotedEnd(QStringView text, qsizetype open, bool& closed) {
    const char16_t u = text[open].unicode();
    const char16_t closer = u == '[' ? u']' : u;
    const bool doubling = u != '[';
    const char16_t* d = text.utf16();
    const qsizetype n = text.size();
    closed = false;
    qsizetype p = open + 1;
    for (;;) {
        p = FindUnit(d, p, n, closer);
        if (p >= n) return n;
        if (doubling && p + 1 < n && d[p + 1] == closer) {
            p += 2;
            continue;
        }
        closed = true;
        return p + 1;
    }
}

bool SqlLexer::Next(SqlToken& tok) {
    const qsizetype n = FText.size();
    if (FPos >= n) return false;
    const qsizetype start = FPos;
    const QChar ch = FText[start];
    const char16_t u = ch.unicode();
    tok.pos = start;
    tok.closed = true;
    qsizetype p = start + 1;

    if (u == '\r' || u == '\n') {
        tok.kind = SqlTokKind::LineBreak;
        if (p < n && (FText[p] == QLatin1Char('\r') || FText[p] == QLatin1Char('\n'))) ++p;
    } else if (IsSqlSpace(u)) {
        tok.kind = SqlTokKind::Space;
        while (p < n && IsSqlSpace(FText[p].unicode()))
            ++p;
    } else if (IsSqlWordChar(ch)) {
        tok.kind = SqlTokKind::Word;
        while (p < n && IsSqlWordChar(FText[p]))
            ++p;
    } else if (IsSqlQuote(u)) {
        tok.kind = SqlTokKind::Quoted;
        p = QuotedEnd(FText, start, tok.closed);
    } else if (u == '-' && p < n && FText[p] == QLatin1Char('-')) {
        // Runs to the next LF, as in the engine: a lone CR does not end it.
        tok.kind = SqlTokKind::LineComment;
        while (p < n && FText[p] != QLatin1Char('\n'))
            ++p;
        // The CR of a CR LF belongs to the line break, not to the comment.
        if (p < n && FText[p - 1] == QLatin1Char('\r')) --p;
    } else if (u == '/' && p < n && FText[p] == QLatin1Char('*')) {
        tok.kind = SqlTokKind::BlockComment;
        ++p;
        tok.closed = false;
        while (p < n) {
            if (FText[p] == QLatin1Char('*') && p + 1 < n && FText[p + 1] == QLatin1Char('/')) {
                p += 2;
                tok.closed = true;
                break;
            }
            ++p;
        }
    } else {
        tok.kind = SqlTokKind::Other;
    }
    tok.len = p - start;
    FPos = p;
    return true;
}

} // namespace sky
