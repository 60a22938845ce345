#include "workspace/ResultsGrid.h"

#include "engine/Identifiers.h"
#include "engine/SqlLexer.h"
#include "engine/SqlLiteral.h"
#include "support/Csv.h"
#include "support/TextUtil.h"
#include "workspace/SqlTemplate.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace sky {
namespace {

const QString kCrLf = QStringLiteral("\r\n");
// The column of the filter's SQL parts. U+0001 is removed from every filter text
// before parsing, so no word (and no literal built from one) can hold the
// placeholder.
const QChar kPlaceholderMark(char16_t(1));
const QString kColumnPlaceholder =
    QString(kPlaceholderMark) + QStringLiteral("Col") + QString(kPlaceholderMark);
const QString kStatsFooter =
    QStringLiteral("These figures are valid for the current Results only,  not all Table Data.");

// Upper case per UTF-16 unit, so positions and lengths stay as they are.
QString UpperChars(QStringView s) {
    QString r = s.toString();
    for (QChar& c : r)
        c = c.toUpper();
    return r;
}

// One term's test on the column, its value written as an SQL string.
QString TermSql(const FilterTerm& t, const QString& column) {
    switch (t.method) {
    case FilterMethod::StartsWith:
        return column + QStringLiteral(" LIKE ") + QuoteSqlString(t.typed + QLatin1Char('%'));
    case FilterMethod::EndsWith:
        return column + QStringLiteral(" LIKE ") + QuoteSqlString(QLatin1Char('%') + t.typed);
    case FilterMethod::Equals:
        return column + QStringLiteral(" = ") + QuoteSqlString(t.typed);
    case FilterMethod::Contains:
        break;
    }
    return column + QStringLiteral(" LIKE ") +
           QuoteSqlString(QLatin1Char('%') + t.typed + QLatin1Char('%'));
}

// The filter as one SQL condition on the column, in the grid's sense: a row
// passes when it satisfies every AND / AND NOT term, or any OR term. Only
// non-empty parts are written:
//   AND terms only    " AND a"  or  " AND (a AND (NOT b))"
//   OR terms only     " AND o"  or  " AND (o1 OR o2)"
//   both              " AND (a OR o1 OR o2)"  or  " AND ((a1 AND a2) OR o1)"
//   inverted          " AND NOT (" + the same inner condition + ")"
QString FilterCondition(const QList<FilterTerm>& terms, const QString& column, bool invert) {
    QStringList ands, ors;
    for (const FilterTerm& t : terms) {
        const QString sql = TermSql(t, column);
        if (t.logic == FilterLogic::Or)
            ors << sql;
        else if (t.logic == FilterLogic::AndNot)
            ands << QStringLiteral("(NOT ") + sql + QLatin1Char(')');
        else
            ands << sql;
    }
    const QString a = ands.join(QStringLiteral(" AND "));
    const QString o = ors.join(QStringLiteral(" OR "));
    QString inner;
    bool single = false;
    if (!ands.isEmpty() && !ors.isEmpty()) {
        inner = (ands.size() > 1 ? QLatin1Char('(') + a + QLatin1Char(')') : a) +
                QStringLiteral(" OR ") + o;
    } else if (!ands.isEmpty()) {
        inner = a;
        single = ands.size() == 1;
    } else if (!ors.isEmpty()) {
        inner = o;
        single = ors.size() == 1;
    } else {
        return QString();
    }
    if (invert) return QStringLiteral(" AND NOT (") + inner + QLatin1Char(')');
    if (single) return QStringLiteral(" AND ") + inner;
    return QStringLiteral(" AND (") + inner + QLatin1Char(')');
}

// The grid column a position of a filter row text lies in: the text starts
// with one framing line break, and every cell is followed by one.
int ColumnAt(const QString& rowText, qsizetype pos, int columns) {
    const qsizetype breaks = QStringView(rowText).left(pos).count(QLatin1Char('\n'));
    return int(std::clamp<qsizetype>(breaks - 1, 0, std::max(0, columns - 1)));
}

// The code tokens of a text (no blanks, line breaks or comments), each with
// its bracket depth; a ")" counts at the depth it closes to.
struct DepthToken {
    SqlToken tok;
    int depth = 0;
};
std::vector<DepthToken> CodeTokensOf(QStringView text) {
    std::vector<DepthToken> out;
    SqlLexer lex(text);
    SqlToken t;
    int depth = 0;
    while (lex.Next(t)) {
        if (t.kind == SqlTokKind::Space || t.kind == SqlTokKind::LineBreak ||
            t.kind == SqlTokKind::LineComment || t.kind == SqlTokKind::BlockComment)
            continue;
        const bool other = t.kind == SqlTokKind::Other;
        if (other && text[t.pos] == u')') depth = std::max(0, depth - 1);
        out.push_back({t, depth});
        if (other && text[t.pos] == u'(') ++depth;
    }
    return out;
}

bool IsChar(QStringView text, const SqlToken& t, char16_t c) {
    return t.kind == SqlTokKind::Other && text[t.pos] == c;
}

bool IsKeyword(QStringView text, const SqlToken& t, const char* keyword) {
    return t.kind == SqlTokKind::Word && SqlWordIs(text.mid(t.pos, t.len), keyword);
}

// An expression in brackets when it has an OR outside brackets, so that an
// AND joined to it keeps its meaning.
QString Grouped(const QString& expr) {
    for (const DepthToken& d : CodeTokensOf(expr))
        if (d.depth == 0 && IsKeyword(expr, d.tok, "OR"))
            return QLatin1Char('(') + expr + QLatin1Char(')');
    return expr;
}

// The condition without its leading AND or OR, trimmed.
QString BareCondition(const QString& condition) {
    const std::vector<DepthToken> toks = CodeTokensOf(condition);
    if (!toks.empty() &&
        (IsKeyword(condition, toks[0].tok, "AND") || IsKeyword(condition, toks[0].tok, "OR")))
        return TrimText(QStringView(condition).mid(toks[0].tok.end()));
    return TrimText(condition);
}

// Where a filter goes in the last statement of a text, in code-token
// indexes: the statement's first and last token, its top-level WHERE of the
// last compound part, and the clause that ends that part's WHERE (GROUP,
// HAVING, WINDOW, ORDER, LIMIT or RETURNING); -1 when absent.
struct StatementParts {
    qsizetype first = -1, last = -1, where = -1, clause = -1;
};
StatementParts LastStatement(QStringView text, const std::vector<DepthToken>& toks) {
    StatementParts p;
    for (qsizetype i = qsizetype(toks.size()) - 1; i >= 0 && p.last < 0; --i)
        if (!IsChar(text, toks[i].tok, u';')) p.last = i;
    if (p.last < 0) return p;
    p.first = p.last;
    while (p.first > 0 && !IsChar(text, toks[p.first - 1].tok, u';'))
        --p.first;
    static const char* const kEnds[] = {"GROUP", "HAVING", "WINDOW", "ORDER", "LIMIT", "RETURNING"};
    const int depth = toks[p.first].depth;
    for (qsizetype i = p.first; i <= p.last; ++i) {
        const SqlToken& t = toks[i].tok;
        if (toks[i].depth != depth || t.kind != SqlTokKind::Word) continue;
        if (IsKeyword(text, t, "UNION") || IsKeyword(text, t, "INTERSECT") ||
            IsKeyword(text, t, "EXCEPT")) {
            p.where = p.clause = -1;
        } else if (p.clause < 0 && IsKeyword(text, t, "WHERE")) {
            p.where = i;
        } else if (p.clause < 0) {
            for (const char* end : kEnds)
                if (IsKeyword(text, t, end)) p.clause = i;
        }
    }
    return p;
}

} // namespace

// --- filter

ResultsFilter ParseFilter(const QString& filterText) {
    ResultsFilter f;
    QString s = TrimText(filterText);
    for (QChar q : {QChar(u'"'), QChar(u'\''), QChar(u'`'), kPlaceholderMark})
        s.remove(q);
    s.replace(QLatin1Char(' '), QLatin1Char(','));
    // Framed by commas so that a specifier written as a word of its own joins
    // the next word at the start of the filter text too.
    s = QLatin1Char(',') + s + QLatin1Char(',');
    while (s.contains(QLatin1String(",,")))
        s.replace(QLatin1String(",,"), QLatin1String(","));
    static const char* const joins[][2] = {{",|,", ",|"}, {",+,", ",+"}, {",&,", ",+"},
                                           {",[,", ",["}, {",~,", ",~"}, {",=,", ",="},
                                           {",],", ",]"}};
    for (const auto& j : joins)
        s.replace(QLatin1String(j[0]), QLatin1String(j[1]));

    for (const QString& part : s.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        QString t = TrimText(part);
        if (t.isEmpty()) continue;
        FilterTerm term;
        const QChar l = t[0];
        bool known = true;
        if (l == u'&' || l == u'+')
            term.logic = FilterLogic::And;
        else if (l == u'|' || l == u'*')
            term.logic = FilterLogic::Or;
        else if (l == u'-')
            term.logic = FilterLogic::AndNot;
        else
            known = false;
        if (known) t = TrimText(QStringView(t).mid(1));
        if (!t.isEmpty()) {
            const QChar m = t[0];
            known = true;
            if (m == u'=')
                term.method = FilterMethod::Equals;
            else if (m == u'[')
                term.method = FilterMethod::StartsWith;
            else if (m == u']')
                term.method = FilterMethod::EndsWith;
            else if (m == u'~')
                term.method = FilterMethod::Contains;
            else
                known = false;
            if (known) t = TrimText(QStringView(t).mid(1));
        }
        if (t.isEmpty()) continue;
        term.typed = t;
        term.word = UpperChars(t);
        const QString sql = TermSql(term, kColumnPlaceholder);
        switch (term.logic) {
        case FilterLogic::And:
            f.andPart += QStringLiteral(" AND ") + sql;
            ++f.required;
            break;
        case FilterLogic::AndNot:
            f.andPart += QStringLiteral(" AND (NOT ") + sql + QLatin1Char(')');
            ++f.required;
            break;
        case FilterLogic::Or:
            f.orPart += QStringLiteral(" OR ") + sql;
            break;
        }
        f.terms << term;
    }
    return f;
}

QList<bool> ApplyFilter(const ResultsFilter& f, const GridView& g, bool invert, QString& sql) {
    sql.clear();
    const int rows = std::max(0, g.rows);
    QList<bool> shown(rows, true);
    // The heading and a single data row are never filtered.
    if (rows < 2 || f.terms.isEmpty() || !g.cell) return shown;

    // Counted from the terms, so a hand-made filter behaves like a parsed one.
    int required = 0;
    QStringList patterns;
    for (const FilterTerm& t : f.terms) {
        if (t.logic != FilterLogic::Or) ++required;
        switch (t.method) {
        case FilterMethod::StartsWith:
            patterns << kCrLf + t.word;
            break;
        case FilterMethod::EndsWith:
            patterns << t.word + kCrLf;
            break;
        case FilterMethod::Equals:
            patterns << kCrLf + t.word + kCrLf;
            break;
        case FilterMethod::Contains:
            patterns << t.word;
            break;
        }
    }
    required = std::max(1, required);
    const int nTerms = int(f.terms.size());

    int matchColumn = -1;
    for (int r = 1; r <= rows; ++r) {
        QString cells;
        for (int c = 0; c < g.columns; ++c)
            cells += g.cell(r, c) + kCrLf;
        cells.remove(QLatin1Char(' '));
        const QString text = kCrLf + UpperChars(cells) + kCrLf;
        int score = 0;
        for (int k = 0; k < nTerms; ++k) {
            const qsizetype pos = text.indexOf(patterns[k]);
            const bool match = pos >= 0;
            if (match && matchColumn < 0) {
                const qsizetype wordPos = patterns[k].startsWith(kCrLf) ? pos + 2 : pos;
                matchColumn = ColumnAt(text, wordPos, g.columns);
            }
            const FilterLogic logic = f.terms[k].logic;
            if (logic == FilterLogic::And) {
                if (match) ++score;
            } else if (logic == FilterLogic::AndNot) {
                if (!match) ++score;
            } else if (match) {
                score += nTerms;
                break;
            }
        }
        const bool pass = score >= required;
        shown[r - 1] = invert ? !pass : pass;
    }
    if (matchColumn >= 0 && g.columns > 0)
        sql = FilterCondition(f.terms, QuoteIdent(g.cell(0, matchColumn)), invert);
    return shown;
}

int FilterDelayMs(int rows) {
    return rows > 500 ? rows / 5 : 0;
}

// --- find

int FindNextRow(const GridView& g, const QString& text, int from,
                const std::function<bool(int row)>& shown) {
    const QString needle = UpperChars(TrimText(text));
    if (needle.isEmpty() || g.rows < 1 || !g.cell) return -1;
    from = std::clamp(from, 0, g.rows);
    // from + 1 .. rows, then once more from row 1 up to the current row.
    for (int k = 1; k <= g.rows; ++k) {
        const int r = (from - 1 + k) % g.rows + 1;
        if (shown && !shown(r)) continue;
        QStringList cells;
        for (int c = 0; c < g.columns; ++c)
            cells << g.cell(r, c);
        if (UpperChars(TrimText(cells.join(kCrLf))).contains(needle)) return r;
    }
    return -1;
}

// --- sorting

QList<int> SortedRows(const GridView& g, int column, SortKind kind) {
    QList<int> order;
    for (int r = 1; r <= g.rows; ++r)
        order << r;
    if (column < 0 || column >= g.columns || g.rows < 1 || !g.cell) return order;
    const bool desc = kind == SortKind::AlphaDesc || kind == SortKind::NumDesc;
    if (kind == SortKind::AlphaAsc || kind == SortKind::AlphaDesc) {
        QStringList keys;
        for (int r = 1; r <= g.rows; ++r)
            keys << g.cell(r, column);
        // QString's operator< compares UTF-16 code units: letter case counts.
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            return desc ? keys[b - 1] < keys[a - 1] : keys[a - 1] < keys[b - 1];
        });
    } else {
        QList<long double> keys;
        for (int r = 1; r <= g.rows; ++r)
            keys << NumberOf(g.cell(r, column)); // unreadable texts count as 0
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            return desc ? keys[b - 1] < keys[a - 1] : keys[a - 1] < keys[b - 1];
        });
    }
    return order;
}

// --- column sizing

SizeMode DefaultSizeMode(bool wider) {
    return {2, 360, 6, false, true, wider};
}
SizeMode FullDataAndHeadings() {
    return {4, 0, 6, false, false, true};
}
SizeMode FullDataOnly() {
    return {2, 0, 6, true, false, true};
}
SizeMode AdaptiveSize() {
    return {2, 480, 6, true, true, true};
}
SizeMode CompactSize() {
    return {0, 240, 6, true, true, false};
}

QList<int> ColumnWidths(const GridView& g, const SizeMode& m, double charWidth, int clientWidth) {
    const int a = std::clamp(m.extraChars, 0, 1024);
    const int b = std::clamp(m.maxWidth, 0, 8192);
    const double margins = 2.0 * m.margin;
    QList<int> widths;
    for (int col = 0; col < g.columns; ++col) {
        const QString heading = g.cell ? g.cell(0, col) : QString();
        if (heading.isEmpty() || heading.startsWith(QLatin1Char('#'))) {
            widths << 0; // hidden
            continue;
        }
        const qsizetype hl = m.ignoreHeadings ? 0 : heading.size();
        double w = double(hl) * charWidth + margins;
        qsizetype longest = hl;
        double sum = 0, sumSq = 0;
        for (int r = 1; r <= g.rows; ++r) {
            const qsizetype len = g.cell(r, col).size();
            longest = std::max(longest, len);
            sum += double(len);
            sumSq += double(len) * double(len);
        }
        if (longest > 0) {
            if (m.statistical) {
                const double n = std::max(1, g.rows);
                const double mean = sum / n;
                const double dev = std::sqrt(std::max(0.0, sumSq / n - mean * mean));
                w = (std::max(double(hl), mean + 2 * dev) + a) * charWidth + margins;
            } else {
                w = double(a + longest) * charWidth + margins;
            }
        }
        int width = int(std::lround(w));
        if (b > 0) width = std::min(width, b);
        widths << width;
    }
    if (m.stretch) {
        long long total = 0;
        for (int w : widths)
            total += w;
        const int room = clientWidth - 24;
        if (total > 0 && total < room) {
            const double ratio = std::min(1.6, double(room) / double(total));
            for (int& w : widths)
                w = int(std::lround(w * ratio));
        }
    }
    return widths;
}

// --- column statistics

TColStats ColumnStats(const GridView& g, int column, const QString& nullText) {
    TColStats s;
    if (!g.cell || column < 0 || column >= g.columns) return s;
    s.sName = g.cell(0, column);
    s.iRecords = std::max(0, g.rows);
    QStringList cells;
    for (int r = 1; r <= s.iRecords; ++r)
        cells << UpperChars(g.cell(r, column));
    std::sort(cells.begin(), cells.end());
    const QString upperNull = UpperChars(nullText);
    auto isNull = [&upperNull](const QString& v) { return v.isEmpty() || v == upperNull; };

    // The kinds are ordered from the widest (text) to the narrowest.
    ColumnKind kind = ColumnKind::Nothing;
    for (const QString& v : std::as_const(cells)) {
        if (isNull(v)) {
            ++s.iNulls;
            continue;
        }
        const int len = int(v.size());
        s.iMaxW = s.iValues == 0 ? len : std::max(s.iMaxW, len);
        s.iMinW = s.iValues == 0 ? len : std::min(s.iMinW, len);
        ++s.iValues;
        ColumnKind k = ColumnKind::Bool;
        if (v != QLatin1String("0") && v != QLatin1String("1") && v != QLatin1String("FALSE") &&
            v != QLatin1String("TRUE")) {
            if (!LooksNumeric(v))
                k = ColumnKind::Text;
            else if (v.contains(QLatin1Char('.'))) // a decimal point: not a whole number
                k = ColumnKind::Float;
            else
                k = ColumnKind::Integer;
        }
        kind = std::min(kind, k);
    }
    s.iKind = kind;

    if (kind == ColumnKind::Float || kind == ColumnKind::Integer) {
        QList<double> numbers;
        double sum = 0;
        for (const QString& v : std::as_const(cells)) {
            if (isNull(v) || !LooksNumeric(v)) continue;
            const double x = double(NumberOf(v));
            s.dMin = numbers.isEmpty() ? x : std::min(s.dMin, x);
            s.dMax = numbers.isEmpty() ? x : std::max(s.dMax, x);
            sum += x;
            numbers << x;
        }
        if (!numbers.isEmpty()) {
            s.dAvg = sum / s.iRecords;
            s.dMed = sum / double(numbers.size());
            double sq = 0;
            for (double x : std::as_const(numbers))
                sq += (x - s.dMed) * (x - s.dMed);
            s.dVar = sq / double(numbers.size());
            s.dDev = std::sqrt(s.dVar);
        }
    }

    s.iCard = s.iRecords;
    for (qsizetype i = 1; i < cells.size(); ++i) {
        if (cells[i] != cells[i - 1]) continue;
        --s.iCard;
        if (!cells[i].isEmpty()) s.isUnique = false;
    }
    s.isEmpty = kind == ColumnKind::Nothing;
    s.isSingle = s.iCard == 1 && kind != ColumnKind::Nothing;

    qsizetype first = 0;
    while (first < cells.size() && cells[first].isEmpty())
        ++first;
    if (first < cells.size()) {
        const qsizetype last = cells.size() - 1;
        s.sMin = cells[first];
        s.sMax = cells[last];
        s.sMed = cells[(first + last) / 2];
    }
    return s;
}

QList<StatMarker> ColumnStatMarkers(const TColStats& s) {
    const StatMarker pale{QString(), 220, 226, 239};
    auto marker = [&pale](const char* text, bool on, int r, int g, int b) {
        StatMarker m = on ? StatMarker{QString(), r, g, b} : pale;
        m.text = QString::fromLatin1(text);
        return m;
    };
    return {marker("Empty", s.isEmpty, 128, 128, 0), marker("Unique", s.isUnique, 128, 0, 128),
            marker("Singular", s.isSingle, 0, 0, 128)};
}

QList<QPair<QString, QString>> ColumnStatLines(const TColStats& s, int column) {
    QList<QPair<QString, QString>> lines;
    if (s.iRecords <= 0 || TrimText(s.sName).isEmpty()) return lines;
    auto add = [&lines](const char* caption, const QString& value) {
        lines.append(QPair<QString, QString>(QString::fromLatin1(caption), value));
    };
    auto yesNo = [](bool b) { return b ? QStringLiteral("Yes") : QStringLiteral("No"); };
    add("Name:", s.sName);
    add("Comment:", s.sComment);
    add("Cardinality:", QString::number(s.iCard));
    add("Widest:", QString::number(s.iMaxW));
    add("Narrowest:", QString::number(s.iMinW));
    add("Empty / Null:", QString::number(s.iNulls));
    add("Column:", QString::number(column + 1));
    add("Values:", QString::number(s.iValues));
    add("Fill ratio:",
        s.iValues >= s.iRecords
            ? QStringLiteral("[ Full ]")
            : QString::number(100.0 * s.iValues / s.iRecords, 'f', 1) + QStringLiteral(" %"));
    const bool real = s.iKind == ColumnKind::Float;
    switch (s.iKind) {
    case ColumnKind::Text:
        add("Min:", s.sMin);
        add("Max:", s.sMax);
        add("Mean:", s.sMed);
        add("Type:", QStringLiteral("TEXT"));
        break;
    case ColumnKind::Float:
    case ColumnKind::Integer: {
        const int mm = real ? 2 : 0, avg = real ? 4 : 1;
        add("Min:", QString::number(s.dMin, 'f', mm));
        add("Max:", QString::number(s.dMax, 'f', mm));
        add("Avg:", QString::number(s.dAvg, 'f', avg));
        add("Mean:", QString::number(s.dMed, 'f', avg));
        add("stDev:", QString::number(s.dDev, 'f', avg));
        add("Type:", real ? QStringLiteral("FLOAT") : QStringLiteral("INTEGER"));
        break;
    }
    case ColumnKind::Bool:
        add("Min:", QStringLiteral("0 / False"));
        add("Max:", QStringLiteral("1 / True"));
        add("Mean:", QStringLiteral("-"));
        add("Type:", QStringLiteral("BOOL"));
        break;
    case ColumnKind::Nothing:
        add("Min:", QString());
        add("Max:", QString());
        add("Mean:", QString());
        add("Type:", QStringLiteral("---"));
        break;
    }
    add("Empty:", yesNo(s.isEmpty));
    add("Unique:", yesNo(s.isUnique));
    add("Singular:", yesNo(s.isSingle));
    lines.append(QPair<QString, QString>(kStatsFooter, QString()));
    return lines;
}

// --- texts

QString ShortenText(const QString& text, int n) {
    n = std::max(n, 5);
    if (text.size() <= n) return text;
    // Position n - 3 (index n - 4) and at most 11 characters before it; the
    // cut keeps at least one character.
    const int from = n - 4;
    for (int i = from; i >= 1 && i > from - 12; --i) {
        const QChar c = text[i];
        if (!c.isLetter() && !c.isDigit()) return text.left(i) + QStringLiteral(" ...");
    }
    return text.left(n - 3) + QStringLiteral("...");
}

TMenuRes PrepareCellMenu(const GridView& g, int col, int row, bool lineNumbers,
                         const QString& schema, const QString& table,
                         const QStringList& primaryKey) {
    TMenuRes m;
    m.ACol = col;
    m.ARow = row;
    m.LineNoIdx = lineNumbers ? 0 : -1;
    m.sSchema = schema;
    m.sTable = table;
    if (!g.cell || row < 1 || row > g.rows || col < 0 || col >= g.columns) return m;

    QStringList headings, cells, column;
    for (int c = 0; c < g.columns; ++c) {
        headings << g.cell(0, c);
        cells << g.cell(row, c);
    }
    for (int r = 0; r <= g.rows; ++r)
        column << g.cell(r, col);
    m.sField = headings[col];
    m.sVal = cells[col];
    m.sRow = JoinCSVLine(headings, QLatin1Char(',')) + kCrLf + JoinCSVLine(cells, QLatin1Char(','));
    m.sCol = column.join(kCrLf);

    QStringList conditions;
    for (const QString& entry : primaryKey) {
        const QString key = UnquoteIdent(entry);
        if (key.isEmpty()) continue;
        int found = -1;
        for (int c = 0; c < g.columns && found < 0; ++c)
            if (c != m.LineNoIdx && TrimText(headings[c]).compare(key, Qt::CaseInsensitive) == 0)
                found = c;
        if (found < 0) return m; // a key column is missing: no value actions
        conditions << key + QLatin1Char('=') + cells[found];
    }
    if (conditions.isEmpty()) return m;
    m.sPKeys = conditions.join(kCrLf);
    m.valueActions = true;
    return m;
}

SqlMerge AddFilterToQuery(const QString& editor, qsizetype caret, const QString& condition,
                          const QString& currentTable) {
    SqlMerge out{editor, std::clamp<qsizetype>(caret, 0, editor.size()), false};
    const QString bare = BareCondition(condition);
    if (bare.isEmpty()) return out;

    const std::vector<DepthToken> toks = CodeTokensOf(editor);
    const StatementParts p = LastStatement(editor, toks);
    if (p.last < 0) {
        out.text = QStringLiteral("SELECT * FROM ") + QuoteIdent(currentTable) +
                   QStringLiteral(" WHERE ") + bare + QLatin1Char(';');
        out.caret = out.text.size() - 1;
        out.changed = true;
        return out;
    }
    const qsizetype stmtFrom = toks[p.first].tok.pos, stmtEnd = toks[p.last].tok.end();
    if (QStringView(editor).mid(stmtFrom, stmtEnd - stmtFrom).contains(bare)) return out;

    // The condition ends with the last code before the ending clause, so a
    // comment in front of that clause stays where it is.
    const qsizetype lastCode = p.clause >= 0 ? p.clause - 1 : p.last;
    const qsizetype codeEnd = toks[lastCode].tok.end();
    QString before, insert;
    if (p.where >= 0 && lastCode > p.where) {
        const qsizetype from = toks[p.where].tok.end();
        const QString existing = TrimText(QStringView(editor).mid(from, codeEnd - from));
        before = editor.left(from);
        insert = existing == QLatin1String("1")
                     ? bare
                     : Grouped(existing) + QStringLiteral(" AND ") + Grouped(bare);
    } else {
        before = editor.left(p.where >= 0 ? toks[p.where].tok.pos : codeEnd);
        insert = QStringLiteral("WHERE ") + bare;
    }
    before = TrimTextRight(before);
    out.text = before + QLatin1Char(' ') + insert + editor.mid(codeEnd);
    out.caret = before.size() + 1 + insert.size();
    out.changed = true;
    return out;
}

} // namespace sky
