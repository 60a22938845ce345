#include "engine/ScriptSplitter.h"

#include "engine/SqlLexer.h"
#include "support/TextUtil.h"

#include <functional>
#include <string>

namespace sky {
namespace {

// One pass over the tokens of a script. Closers on the stack: ')' and '}'
// for brackets, 'B' for the body of a trigger (BEGIN ... END), 'C' for a
// CASE ... END inside such a body.
class Splitter {
public:
    Splitter(QStringView text, bool trimBoth, bool flatten)
        : FText(text), FTrimBoth(trimBoth), FFlatten(flatten) {}

    void Run() {
        SqlLexer lexer(FText);
        SqlToken tok;
        bool openQuote = false;
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
                    // Open to the end of the text: cut off.
                    FlushLine(tok.pos, tok.end());
                }
                break;
            case SqlTokKind::Quoted:
                FPrevDot = false;
                FHasCode = true;
                if (!tok.closed) openQuote = true;
                break;
            case SqlTokKind::Word:
                OnWord(tok);
                break;
            case SqlTokKind::Other:
                OnOther(tok);
                break;
            }
        }
        if (FDone) return;
        if (!FFlatten && (openQuote || !FStack.empty())) {
            FTail = TrimText(FText.mid(FStmtStart));
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
        while (e > b && FText[e - 1].unicode() <= 32)
            --e;
        if (e == b) return;
        if (FTrimBoth || FFlatten)
            while (FText[b].unicode() <= 32)
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
                s = FFirstPiece.front().unicode() > 32 ? FFirstPiece.toString()
                                                       : TrimText(FFirstPiece);
            else
                s = FCurrent.front().unicode() > 32 ? std::move(FCurrent) : TrimText(FCurrent);
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
        FBlocks = 0;
        FWords = 0;
        FTrigger = false;
        FPrevDot = false;
    }

    void OnWord(const SqlToken& tok) {
        FHasCode = true;
        const QStringView w = FText.mid(tok.pos, tok.len);
        const bool afterDot = FPrevDot;
        FPrevDot = false;
        if (FStack.empty() && FWords < 3) {
            // CREATE [TEMP|TEMPORARY] TRIGGER: the statement has a body.
            ++FWords;
            if (FWords == 1) {
                FCreate = SqlWordIs(w, "CREATE");
            } else if (FCreate && SqlWordIs(w, "TRIGGER")) {
                FTrigger = true;
            } else {
                const bool temp = SqlWordIs(w, "TEMP") || SqlWordIs(w, "TEMPORARY");
                FCreate = FCreate && FWords == 2 && temp;
            }
        }
        if (afterDot || tok.len < 3 || tok.len > 5) return;
        // Only BEGIN, CASE and END matter from here on.
        const char16_t first = w[0].unicode() & ~char16_t(0x20);
        if (first != 'B' && first != 'C' && first != 'E') return;
        if (SqlWordIs(w, "BEGIN")) {
            if (FStack.empty() && FTrigger) {
                FStack.push_back('B');
                ++FBlocks;
            }
        } else if (SqlWordIs(w, "CASE")) {
            if (FBlocks > 0) FStack.push_back('C');
        } else if (SqlWordIs(w, "END")) {
            if (!FStack.empty() && FStack.back() == 'C') {
                FStack.pop_back();
            } else if (!FStack.empty() && FStack.back() == 'B') {
                FStack.pop_back();
                --FBlocks;
                if (FStack.empty() && !FFlatten) EndStatement(tok.end());
            }
        }
    }

    void OnOther(const SqlToken& tok) {
        FHasCode = true;
        const char16_t u = FText[tok.pos].unicode();
        FPrevDot = u == '.';
        switch (u) {
        case ';':
            if (FStack.empty()) EndStatement(tok.end());
            break;
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
    std::string FStack;
    int FBlocks = 0;
    int FWords = 0;
    bool FCreate = false;
    bool FTrigger = false;
    bool FPrevDot = false;
    qsizetype FLineStart = 0;
    qsizetype FStmtStart = 0;
};

QStringView TrimmedView(QStringView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 32)
        ++b;
    while (e > b && s[e - 1].unicode() <= 32)
        --e;
    return s.mid(b, e - b);
}

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
    return TrimText(sp.flat);
}

} // namespace sky
