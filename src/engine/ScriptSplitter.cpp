#include "engine/ScriptSplitter.h"

#include "engine/SqlLexer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <functional>
#include <string>
#include <string_view>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif

namespace sky {
namespace {

// s without the engine's blanks at both ends. Other control characters are
// kept: they are illegal tokens, and dropping one could turn a statement the
// engine refuses into one it runs.
QStringView TrimmedView(QStringView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && IsSqlBlank(s[b]))
        ++b;
    while (e > b && IsSqlBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

// The engine's completeness check (sqlite3_complete) as a state machine over
// tokens: a statement ends at a ";" that leads back to Start. A trigger body
// ends only at "; END ;", so an END elsewhere in it (CASE ... END, a column
// named end) does not end it.
enum Tk : unsigned char { tkSemi, tkWs, tkOther, tkExplain, tkCreate, tkTemp, tkTrigger, tkEnd };
enum St : unsigned char {
    stInvalid,
    stStart,
    stNormal,
    stExplain,
    stCreate,
    stTrigger,
    stSemi,
    stEnd
};

// clang-format off
constexpr St kTrans[8][8] = {
    //               Semi     Ws         Other      Explain    Create     Temp       Trigger    End
    /* Invalid */ {stStart, stInvalid, stNormal,  stExplain, stCreate,  stNormal,  stNormal,  stNormal},
    /* Start   */ {stStart, stStart,   stNormal,  stExplain, stCreate,  stNormal,  stNormal,  stNormal},
    /* Normal  */ {stStart, stNormal,  stNormal,  stNormal,  stNormal,  stNormal,  stNormal,  stNormal},
    /* Explain */ {stStart, stExplain, stExplain, stNormal,  stCreate,  stNormal,  stNormal,  stNormal},
    /* Create  */ {stStart, stCreate,  stNormal,  stNormal,  stNormal,  stCreate,  stTrigger, stNormal},
    /* Trigger */ {stSemi,  stTrigger, stTrigger, stTrigger, stTrigger, stTrigger, stTrigger, stTrigger},
    /* Semi    */ {stSemi,  stSemi,    stTrigger, stTrigger, stTrigger, stTrigger, stTrigger, stEnd},
    /* End     */ {stStart, stEnd,     stTrigger, stTrigger, stTrigger, stTrigger, stTrigger, stTrigger},
};
// clang-format on

Tk WordToken(QStringView w) {
    switch (w.size()) {
    case 3:
        return SqlWordIs(w, "END") ? tkEnd : tkOther;
    case 4:
        return SqlWordIs(w, "TEMP") ? tkTemp : tkOther;
    case 6:
        return SqlWordIs(w, "CREATE") ? tkCreate : tkOther;
    case 7:
        if (SqlWordIs(w, "TRIGGER")) return tkTrigger;
        return SqlWordIs(w, "EXPLAIN") ? tkExplain : tkOther;
    case 9:
        return SqlWordIs(w, "TEMPORARY") ? tkTemp : tkOther;
    default:
        return tkOther;
    }
}

// The characters that start the tokens that matter in a statement's body:
// quotes, comment starts, brackets, line breaks and ";". Every other
// character is part of a word, a blank or a sign, which change nothing
// there, and an active character always starts a token of its own.
constexpr std::string_view kActive = "\r\n\"'`[(){}-/;";

constexpr std::array<bool, 128> MakeActiveChars() {
    std::array<bool, 128> t{};
    for (char c : kActive)
        t[std::size_t(c)] = true;
    return t;
}
constexpr std::array<bool, 128> kActiveChars = MakeActiveChars();

inline bool IsActiveChar(char16_t u) {
    return u < 128 && kActiveChars[u];
}

// The active characters among t[0..16), bit k for t[k].
unsigned ActiveMaskScalar(const char16_t* t) {
    unsigned mask = 0;
    for (int k = 0; k < 16; ++k)
        mask |= unsigned(IsActiveChar(t[k])) << k;
    return mask;
}

using ActiveMaskFn = unsigned (*)(const char16_t*);

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// Each character is cut to a byte (above 255 to 255 or 0, neither active),
// and a byte is active when the entries of its low and high nibble in two
// tables share a bit (one bit per high nibble in use).
struct NibbleTables {
    std::array<unsigned char, 16> lo{};
    std::array<unsigned char, 16> hi{};
};

constexpr NibbleTables MakeNibbleTables() {
    NibbleTables t;
    int used = 0;
    for (char c : kActive) {
        const auto b = static_cast<unsigned char>(c);
        if (t.hi[b >> 4] == 0) t.hi[b >> 4] = static_cast<unsigned char>(1u << used++);
        t.lo[b & 15] |= t.hi[b >> 4];
    }
    return t;
}
constexpr NibbleTables kNibbles = MakeNibbleTables();

__attribute__((target("ssse3"))) unsigned ActiveMaskSsse3(const char16_t* t) {
    const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kNibbles.lo.data()));
    const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kNibbles.hi.data()));
    const __m128i nibble = _mm_set1_epi8(0x0F);
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + 8));
    const __m128i v = _mm_packus_epi16(a, b);
    const __m128i l = _mm_and_si128(v, nibble);
    const __m128i h = _mm_and_si128(_mm_srli_epi16(v, 4), nibble);
    const __m128i m = _mm_and_si128(_mm_shuffle_epi8(lo, l), _mm_shuffle_epi8(hi, h));
    return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(m, _mm_setzero_si128()))) ^ 0xFFFFu;
}

ActiveMaskFn PickActiveMask() {
    return __builtin_cpu_supports("ssse3") ? &ActiveMaskSsse3 : &ActiveMaskScalar;
}
#else
ActiveMaskFn PickActiveMask() {
    return &ActiveMaskScalar;
}
#endif

// One pass over the tokens of a script. Statement boundaries follow the
// engine's completeness check; in addition a ";" inside brackets ( ) or { }
// outside a trigger body does not end a statement.
//
// The text is either the whole script or, when a reader is given, a window
// of it: the window holds the script from the start of the unfinished
// statement on, and grows at its end whenever a token (or the look-ahead
// after END) reaches the end of what was read, so every token is seen whole,
// exactly as in the whole text.
class Splitter {
public:
    Splitter(QStringView text, bool trimBoth, bool flatten)
        : FText(text), FTrimBoth(trimBoth), FFlatten(flatten) {}
    Splitter(const ScriptReadMore& readMore, bool trimBoth)
        : FReadMore(&readMore), FEof(false), FTrimBoth(trimBoth), FFlatten(false) {}

    // The script processor's items: line comments kept in place, a trigger
    // ending at the ";" after its END, an unfinished tail the last item,
    // lines losing only their line breaks, and statements of comments only
    // handed on too (items counts them).
    void SetItemFlavour() { FItems = true; }
    std::function<bool(QString&&, bool hasCode)> onItem;

    void Run() {
        TokenReader lexer(FText, 0);
        SqlToken tok;
        bool openEnd = false; // a quote or block comment runs to the end of the text
        for (;;) {
            if (FDone) return;
            // In the body of a statement (after its first word, or inside a
            // trigger body) words, blanks and most signs change nothing:
            // skip to the next character that can.
            if (FState == stNormal || FState == stTrigger) {
                const qsizetype from = lexer.Pos();
                const qsizetype to = ScanBody(from);
                if (to != from) lexer = TokenReader(FText, to);
            }
            if (!lexer.Next(tok)) {
                if (FEof) break;
                lexer = Refill(FText.size());
                continue;
            }
            // A token that touches the end of the window may go on in the
            // text not read yet: read more and scan it again.
            if (!FEof && tok.end() == FText.size()) {
                lexer = Refill(tok.pos);
                continue;
            }
            switch (tok.kind) {
            case SqlTokKind::Space:
                break;
            case SqlTokKind::LineBreak:
                FlushLine(tok.pos, tok.end());
                SkipEmptyStart();
                break;
            case SqlTokKind::LineComment:
                if (FItems) {
                    // Kept in place: the line break after it ends the line.
                    FHasComment = true;
                    break;
                }
                // Line comments are left out of statement texts.
                FlushLine(tok.pos, tok.end());
                SkipEmptyStart();
                break;
            case SqlTokKind::BlockComment:
                if (FItems) {
                    FHasComment = true;
                    if (!tok.closed) openEnd = true;
                    break;
                }
                if (tok.closed) {
                    // Kept, and the text after it starts a new line.
                    FlushLine(tok.end(), tok.end());
                } else {
                    // Open to the end of the text: the script is unfinished
                    // (a flattened statement just ends before it).
                    openEnd = true;
                    FlushLine(tok.pos, tok.end());
                }
                break;
            case SqlTokKind::Quoted:
                FHasCode = true;
                FState = kTrans[FState][tkOther];
                if (!tok.closed) openEnd = true;
                break;
            case SqlTokKind::Word:
                if (!OnWord(tok, lexer)) lexer = Refill(tok.pos);
                break;
            case SqlTokKind::Other:
                OnOther(tok);
                break;
            }
        }
        if (FDone) return;
        if (!FFlatten && !FItems &&
            (openEnd || !FStack.empty() || FState == stTrigger || FState == stSemi)) {
            FTail = TrimmedView(FText.mid(FStmtStart)).toString();
            return;
        }
        FlushLine(FText.size(), FText.size());
        EndStatement(FText.size());
    }

    QStringList statements;
    // When set, each statement goes here instead of into `statements`;
    // returning false stops the scan.
    std::function<bool(QString&&)> onStatement;
    QString FTail;
    QString flat;

private:
    // The lexer over the window from a token start on, with positions in the window.
    class TokenReader {
    public:
        TokenReader(QStringView text, qsizetype from) : FLexer(text.mid(from)), FBase(from) {}
        bool Next(SqlToken& tok) {
            if (!FLexer.Next(tok)) return false;
            tok.pos += FBase;
            return true;
        }
        qsizetype Pos() const { return FBase + FLexer.Pos(); }

    private:
        SqlLexer FLexer;
        qsizetype FBase;
    };

    // Drops the text before the unfinished statement from the window, reads
    // more, and returns a lexer at `from` (a token start). At least as much
    // is read as the window keeps after `from`, so a token longer than a
    // chunk is scanned again only a logarithmic number of times.
    TokenReader Refill(qsizetype from) {
        const qsizetype drop = FStmtStart;
        if (drop > 0) {
            // Moved to the front in place: the buffer keeps its whole
            // capacity for the next piece (no new allocation per piece).
            QChar* d = FBuf.data();
            std::copy(d + drop, d + FBuf.size(), d);
            FBuf.truncate(FBuf.size() - drop);
            FStmtStart -= drop;
            FLineStart -= drop;
            FFirstFrom -= drop;
            from -= drop;
        }
        const qsizetype want = std::max<qsizetype>(1, FBuf.size() - from);
        const qsizetype before = FBuf.size();
        while (FBuf.size() - before < want) {
            if (!(*FReadMore)(FBuf)) {
                FEof = true;
                break;
            }
        }
        FText = FBuf;
        return TokenReader(FText, from);
    }

    // In a statement's body words, blanks, signs and closed quoted sections
    // change nothing, and a bracket only its nesting: runs over them from
    // `at` to the next token that matters (a comment start, ";" or line
    // break), to a quoted section the window may not hold whole, or to the
    // end of the window. Sixteen characters are classified at a time.
    qsizetype ScanBody(qsizetype at) {
        static const ActiveMaskFn activeMask = PickActiveMask();
        const char16_t* text = FText.utf16();
        const qsizetype n = FText.size();
        while (at < n) {
            const qsizetype width = std::min<qsizetype>(16, n - at);
            unsigned mask = 0;
            if (width == 16) {
                mask = activeMask(text + at);
            } else {
                for (qsizetype k = 0; k < width; ++k)
                    mask |= unsigned(IsActiveChar(text[at + k])) << k;
            }
            qsizetype next = at + width;
            while (mask != 0) {
                const qsizetype p = at + std::countr_zero(mask);
                const char16_t u = text[p];
                if (u == '(' || u == '{') {
                    FStack.push_back(u == '(' ? ')' : '}');
                } else if (u == ')' || u == '}') {
                    if (!FStack.empty() && FStack.back() == char(u)) FStack.pop_back();
                } else if (IsSqlQuote(u)) {
                    bool closed = false;
                    const qsizetype end = SqlLexer::QuotedEnd(FText, p, closed);
                    // Unclosed, or closed where a doubled closer may follow
                    // unread: the token loop decides.
                    if (!closed || (end == n && !FEof)) return p;
                    if (end >= next) {
                        next = end;
                        break;
                    }
                    mask &= ~0u << (end - at);
                    continue;
                } else {
                    return p;
                }
                mask &= mask - 1;
            }
            at = next;
        }
        return n;
    }

    void AddPiece(qsizetype from, qsizetype to) {
        if (to <= from) return;
        // Trim on the view: no copy unless the piece joins the statement.
        qsizetype b = from, e = to;
        // Items keep their lines' blanks; a blank line is dropped all the same.
        qsizetype t = e;
        while (t > b && IsSqlBlank(FText[t - 1]))
            --t;
        if (t == b) return;
        if (!FItems) e = t;
        if (FTrimBoth || FFlatten)
            while (IsSqlBlank(FText[b]))
                ++b;
        const QStringView piece = FText.mid(b, e - b);
        if (FFlatten) {
            if (!flat.isEmpty()) flat += QLatin1Char(' ');
            flat += piece;
            return;
        }
        // Most statements are one line: keep its place and copy it once, at
        // its exact size, when the statement ends.
        if (!FHasLines) {
            FFirstFrom = b;
            FFirstLen = e - b;
        } else {
            if (FCurrent.isEmpty()) FCurrent = FText.mid(FFirstFrom, FFirstLen).toString();
            FCurrent += QStringLiteral("\r\n");
            FCurrent += piece;
        }
        FHasLines = true;
    }

    // Adds the line text up to `to` and continues the next line at `next`.
    void FlushLine(qsizetype to, qsizetype next) {
        AddPiece(FLineStart, to);
        FLineStart = next;
    }

    // Blank lines and line comments before a statement are no part of it
    // (nor of an unfinished tail), so a read script need not keep them.
    void SkipEmptyStart() {
        if (!FHasLines && !FHasCode && !FHasComment) FStmtStart = FLineStart;
    }

    void EndStatement(qsizetype end) {
        AddPiece(FLineStart, end);
        FLineStart = end;
        FStmtStart = end;
        if (FFlatten) {
            FDone = true;
            return;
        }
        // A statement of comments only is no statement (items hand it on).
        if (FItems && FHasLines) {
            QString s = FCurrent.isEmpty() ? FText.mid(FFirstFrom, FFirstLen).toString()
                                           : std::move(FCurrent);
            if (onItem && !onItem(std::move(s), FHasCode)) FDone = true;
        } else if (FHasCode && FHasLines) {
            // Lines are trimmed already; only a kept leading blank needs a copy.
            QString s;
            if (FCurrent.isEmpty())
                s = TrimmedView(FText.mid(FFirstFrom, FFirstLen)).toString();
            else
                s = IsSqlBlank(FCurrent.front()) ? TrimmedView(FCurrent).toString()
                                                 : std::move(FCurrent);
            if (!s.isEmpty()) {
                if (onStatement) {
                    if (!onStatement(std::move(s))) FDone = true;
                } else {
                    statements.append(std::move(s));
                }
            }
        }
        FCurrent.clear();
        FHasLines = false;
        FHasCode = false;
        FHasComment = false;
        FStack.clear();
        FState = stStart;
    }

    enum class Follows { No, Yes, ReadMore };

    // Yes when the next token that is not a blank, line break or closed
    // comment is ";", or when there is none; ReadMore when that is beyond
    // the window.
    Follows SemicolonOrEndFollows(TokenReader lexer) const {
        SqlToken t;
        while (lexer.Next(t)) {
            if (!FEof && t.end() == FText.size()) return Follows::ReadMore;
            switch (t.kind) {
            case SqlTokKind::Space:
            case SqlTokKind::LineBreak:
            case SqlTokKind::LineComment:
                continue;
            case SqlTokKind::BlockComment:
                if (t.closed) continue;
                return Follows::No;
            case SqlTokKind::Other:
                return FText[t.pos] == QLatin1Char(';') ? Follows::Yes : Follows::No;
            default:
                return Follows::No;
            }
        }
        return FEof ? Follows::Yes : Follows::ReadMore;
    }

    // False when the word cannot be decided before more text is read.
    bool OnWord(const SqlToken& tok, const TokenReader& lexer) {
        const Tk t = WordToken(FText.mid(tok.pos, tok.len));
        // Items let the ";" after END end the trigger (the table's End state).
        if (t == tkEnd && FState == stSemi && !FFlatten && !FItems) {
            const Follows f = SemicolonOrEndFollows(lexer);
            if (f == Follows::ReadMore) return false;
            if (f == Follows::Yes) {
                // "; END ;" closes the trigger body: the statement ends at END
                // and the ";" after it stands alone.
                FHasCode = true;
                EndStatement(tok.end());
                return true;
            }
        }
        FHasCode = true;
        FState = kTrans[FState][t];
        return true;
    }

    void OnOther(const SqlToken& tok) {
        FHasCode = true;
        const char16_t u = FText[tok.pos].unicode();
        if (u == ';') {
            FState = kTrans[FState][tkSemi];
            if (FState == stStart && FStack.empty()) EndStatement(tok.end());
            return;
        }
        FState = kTrans[FState][tkOther];
        switch (u) {
        case '(':
            FStack.push_back(')');
            break;
        case '{':
            FStack.push_back('}');
            break;
        case ')':
        case '}':
            if (!FStack.empty() && FStack.back() == char(u)) FStack.pop_back();
            break;
        default:
            break;
        }
    }

    QStringView FText;
    QString FBuf; // the window of a read script
    const ScriptReadMore* FReadMore = nullptr;
    bool FEof = true; // nothing follows the text
    bool FTrimBoth;
    bool FFlatten;
    bool FDone = false;
    bool FItems = false;
    bool FHasComment = false; // items: a comment since the statement began
    bool FHasCode = false;
    QString FCurrent; // the statement's lines so far, joined with CR LF
    bool FHasLines = false;
    qsizetype FFirstFrom = 0; // the statement's first line while it is the only one
    qsizetype FFirstLen = 0;
    std::string FStack; // expected closing brackets
    St FState = stStart;
    qsizetype FLineStart = 0;
    qsizetype FStmtStart = 0;
};

} // namespace

SplitResult SplitSqlScript(QStringView sql, bool bRemWhSpc) {
    Splitter sp(TrimmedView(sql), bRemWhSpc, false);
    sp.Run();
    SplitResult r;
    r.statements = std::move(sp.statements);
    r.tail = std::move(sp.FTail);
    return r;
}

namespace {

bool RunEach(Splitter& sp, const std::function<bool(QString&&)>& onStatement, QString* tail) {
    bool stopped = false;
    sp.onStatement = [&](QString&& st) {
        if (!onStatement(std::move(st))) {
            stopped = true;
            return false;
        }
        return true;
    };
    sp.Run();
    if (tail) *tail = stopped ? QString() : std::move(sp.FTail);
    return !stopped;
}

} // namespace

bool SplitSqlScriptEach(QStringView sql, bool bRemWhSpc,
                        const std::function<bool(QString&&)>& onStatement, QString* tail) {
    Splitter sp(TrimmedView(sql), bRemWhSpc, false);
    return RunEach(sp, onStatement, tail);
}

bool SplitSqlScriptEach(const ScriptReadMore& readMore, bool bRemWhSpc,
                        const std::function<bool(QString&&)>& onStatement, QString* tail) {
    Splitter sp(readMore, bRemWhSpc);
    return RunEach(sp, onStatement, tail);
}

bool SplitScriptItems(const ScriptReadMore& readMore,
                      const std::function<bool(QString&&, bool hasCode)>& onItem) {
    Splitter sp(readMore, false);
    sp.SetItemFlavour();
    bool stopped = false;
    sp.onItem = [&](QString&& item, bool hasCode) {
        if (!onItem(std::move(item), hasCode)) {
            stopped = true;
            return false;
        }
        return true;
    };
    sp.Run();
    return !stopped;
}

QString FlattenFirstStatement(QStringView sql) {
    Splitter sp(TrimmedView(sql), true, true);
    sp.Run();
    return TrimmedView(sp.flat).toString();
}

} // namespace sky
