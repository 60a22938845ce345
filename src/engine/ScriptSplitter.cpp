#include "engine/ScriptSplitter.h"

#include "engine/SqlLexer.h"

#include <functional>
#include <string>

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

// One pass over the tokens of a script. Statement boundaries follow the
// engine's completeness check; in addition a ";" inside brackets ( ) or { }
// outside a trigger body does not end a statement.
class Splitter {
public:
    Splitter(QStringView text, bool trimBoth, bool flatten)
        : FText(text), FTrimBoth(trimBoth), FFlatten(flatten) {}

    void Run() {
        SqlLexer lexer(FText);
        SqlToken tok;
        bool openEnd = false; // a quote or block comment runs to the end of the text
        while (lexer.Next(tok)) {
            if (FDone) return;
            switch (tok.kind) {
            case SqlTokKind::Space:
                break;
            case SqlTokKind::LineBreak:
                FlushLine(tok.pos, tok.end());
                break;
            case SqlTokKind::LineComment:
                // Line comments are left out of statement texts.
                FlushLine(tok.pos, tok.end());
                break;
            case SqlTokKind::BlockComment:
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
                OnWord(tok, lexer);
                break;
            case SqlTokKind::Other:
                OnOther(tok);
                break;
            }
        }
        if (FDone) return;
        if (!FFlatten && (openEnd || !FStack.empty() || FState == stTrigger || FState == stSemi)) {
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
    void AddPiece(qsizetype from, qsizetype to) {
        if (to <= from) return;
        // Trim on the view: no copy unless the piece joins the statement.
        qsizetype b = from, e = to;
        while (e > b && IsSqlBlank(FText[e - 1]))
            --e;
        if (e == b) return;
        if (FTrimBoth || FFlatten)
            while (IsSqlBlank(FText[b]))
                ++b;
        const QStringView piece = FText.mid(b, e - b);
        if (FFlatten) {
            if (!flat.isEmpty()) flat += QLatin1Char(' ');
            flat += piece;
            return;
        }
        // Most statements are one line: keep it as a view and copy it once,
        // at its exact size, when the statement ends.
        if (!FHasLines) {
            FFirstPiece = piece;
        } else {
            if (FCurrent.isEmpty()) FCurrent = FFirstPiece.toString();
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

    void EndStatement(qsizetype end) {
        AddPiece(FLineStart, end);
        FLineStart = end;
        FStmtStart = end;
        if (FFlatten) {
            FDone = true;
            return;
        }
        // A statement of comments only is no statement.
        if (FHasCode && FHasLines) {
            // Lines are trimmed already; only a kept leading blank needs a copy.
            QString s;
            if (FCurrent.isEmpty())
                s = TrimmedView(FFirstPiece).toString();
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
        FStack.clear();
        FState = stStart;
    }

    // True when the next token that is not a blank, line break or closed
    // comment is ";", or when there is none.
    static bool SemicolonOrEndFollows(SqlLexer lexer, QStringView text) {
        SqlToken t;
        while (lexer.Next(t)) {
            switch (t.kind) {
            case SqlTokKind::Space:
            case SqlTokKind::LineBreak:
            case SqlTokKind::LineComment:
                continue;
            case SqlTokKind::BlockComment:
                if (t.closed) continue;
                return false;
            case SqlTokKind::Other:
                return text[t.pos] == QLatin1Char(';');
            default:
                return false;
            }
        }
        return true;
    }

    void OnWord(const SqlToken& tok, const SqlLexer& lexer) {
        FHasCode = true;
        const Tk t = WordToken(FText.mid(tok.pos, tok.len));
        if (t == tkEnd && FState == stSemi && !FFlatten && SemicolonOrEndFollows(lexer, FText)) {
            // "; END ;" closes the trigger body: the statement ends at END and
            // the ";" after it stands alone.
            EndStatement(tok.end());
            return;
        }
        FState = kTrans[FState][t];
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
    bool FTrimBoth;
    bool FFlatten;
    bool FDone = false;
    bool FHasCode = false;
    QString FCurrent; // the statement's lines so far, joined with CR LF
    bool FHasLines = false;
    QStringView FFirstPiece; // the statement's first line while it is the only one
    std::string FStack;      // expected closing brackets
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

bool SplitSqlScriptEach(QStringView sql, bool bRemWhSpc,
                        const std::function<bool(QString&&)>& onStatement, QString* tail) {
    Splitter sp(TrimmedView(sql), bRemWhSpc, false);
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

QString FlattenFirstStatement(QStringView sql) {
    Splitter sp(TrimmedView(sql), true, true);
    sp.Run();
    return TrimmedView(sp.flat).toString();
}

} // namespace sky
