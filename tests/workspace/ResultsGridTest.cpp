// The results grid's rules on small in-memory grids: the filter language and
// its SQL, find, sorting, column sizing, column statistics, shortening, the
// context-menu cell record and "Add as SQL".
#include "workspace/ResultsGrid.h"
#include "common/TempDb.h"
#include "engine/ResultTable.h"

namespace sky {
namespace {

const QString kFooter =
    QStringLiteral("These figures are valid for the current Results only,  not all Table Data.");

// Row 0 holds the headings.
GridView Grid(const QList<QStringList>& table) {
    GridView g;
    g.rows = int(table.size()) - 1;
    g.columns = table.isEmpty() ? 0 : int(table[0].size());
    g.cell = [table](int r, int c) { return c < table[r].size() ? table[r][c] : QString(); };
    return g;
}

// The 1-based numbers of the rows shown.
QList<int> Shown(const QList<bool>& shown) {
    QList<int> r;
    for (int i = 0; i < shown.size(); ++i)
        if (shown[i]) r << i + 1;
    return r;
}

QList<int> Filter(const GridView& g, const QString& filterText, bool invert,
                  QString* sql = nullptr) {
    QString s;
    const QList<bool> shown = ApplyFilter(ParseFilter(filterText), g, invert, s);
    EXPECT_EQ(shown.size(), g.rows);
    if (sql) *sql = s;
    return Shown(shown);
}

// Each term as logic (& | -), method (~ [ ] =) and word.
QStringList Terms(const ResultsFilter& f) {
    QStringList r;
    for (const FilterTerm& t : f.terms) {
        const char logic = t.logic == FilterLogic::Or       ? '|'
                           : t.logic == FilterLogic::AndNot ? '-'
                                                            : '&';
        const char method = t.method == FilterMethod::StartsWith ? '['
                            : t.method == FilterMethod::EndsWith ? ']'
                            : t.method == FilterMethod::Equals   ? '='
                                                                 : '~';
        r << QString(QLatin1Char(logic)) + QLatin1Char(method) + t.word;
    }
    return r;
}

TEST(ResultsFilter, ParsesSpecifiersAndWords) {
    const struct {
        const char* filterText;
        QStringList terms;
    } cases[] = {
        {"X , |Y ,  +Z", {"&~X", "|~Y", "&~Z"}},
        {"+[Y ,   +]Z", {"&[Y", "&]Z"}},
        {"=abc", {"&=ABC"}},
        {"| y", {"|~Y"}},          // a specifier word joins the next word
        {"x ] z", {"&~X", "&]Z"}}, // ... in the middle too
        {"-x *y ~z", {"-~X", "|~Y", "&~Z"}},
        {"~=x", {"&~=X"}}, // one method specifier only
        {"a'b\"c`d", {"&~ABCD"}},
        {"x,,,y", {"&~X", "&~Y"}},
        {"'", {}},
        {"   ", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Terms(ParseFilter(QString::fromUtf8(c.filterText))), c.terms) << c.filterText;

    const ResultsFilter f = ParseFilter(QStringLiteral("xYz -Ab |c"));
    ASSERT_EQ(f.terms.size(), 3);
    EXPECT_EQ(f.terms[0].typed, QStringLiteral("xYz"));
    EXPECT_EQ(f.terms[0].word, QStringLiteral("XYZ"));
    EXPECT_EQ(f.terms[1].typed, QStringLiteral("Ab"));
    EXPECT_EQ(f.required, 2);
    EXPECT_TRUE(ParseFilter(QStringLiteral("'")).IsEmpty());
}

TEST(ResultsFilter, ShowsTheRowsTheSpecSelects) {
    const GridView words = Grid({{"item", "my note"},
                                 {"x1", "z"},
                                 {"x2", "none"},
                                 {"y", "other"},
                                 {"a", "b"},
                                 {"zed", "x"},
                                 {"xy", "q"}});
    const GridView cells = Grid(
        {{"a", "b"}, {"yes", "fizz"}, {"my", "zoo"}, {"yz", ""}, {"a b c", "q"}, {"abcd", "q"}});
    const struct {
        const GridView* g;
        const char* filterText;
        bool invert;
        QList<int> rows;
    } cases[] = {
        {&words, "X , |Y ,  +Z", false, {1, 3, 5, 6}},
        {&words, "&X , -Y", false, {1, 2, 5}},
        {&words, "&X , -Y", true, {3, 4, 6}},
        {&words, "|y |zed", false, {3, 5, 6}}, // only OR terms
        {&words, "'", false, {1, 2, 3, 4, 5, 6}},
        {&words, "=X", false, {5}},
        {&cells, "+[Y ,   +]Z", false, {1, 3}}, // start and end in any cells
        {&cells, "=abc", false, {4}},           // spaces in cells are ignored
        {&cells, "=abc", true, {1, 2, 3, 5}},
        {&cells, "[ab", false, {4, 5}},
        {&cells, "]zz", false, {1}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Filter(*c.g, QString::fromUtf8(c.filterText), c.invert), c.rows)
            << c.filterText << (c.invert ? " inverted" : "");

    // A grid of the heading and one data row is not filtered.
    QString sql;
    EXPECT_EQ(Filter(Grid({{"a"}, {"x"}}), QStringLiteral("y"), false, &sql), QList<int>{1});
    EXPECT_TRUE(sql.isEmpty());
}

TEST(ResultsFilter, WritesTheConditionOnTheHeadingOfTheFirstMatch) {
    const GridView g = Grid({{"item", "my note"}, {"Alpha", "beta"}, {"gamma", "Delta"}});
    const struct {
        const char* filterText;
        bool invert;
        const char* sql;
    } cases[] = {
        {"alp", false, " AND item LIKE '%alp%'"},
        {"+]ta", false, " AND \"my note\" LIKE '%ta'"},
        {"[del", false, " AND \"my note\" LIKE 'del%'"},
        {"=Gamma", false, " AND item = 'Gamma'"},
        {"-alpha", false, " AND (NOT item LIKE '%alpha%')"},
        {"alpha -beta", false, " AND (item LIKE '%alpha%' AND (NOT item LIKE '%beta%'))"},
        {"alpha |delta", false, " AND (item LIKE '%alpha%' OR item LIKE '%delta%')"},
        {"alpha +beta |delta", false,
         " AND ((item LIKE '%alpha%' AND item LIKE '%beta%') OR item LIKE '%delta%')"},
        {"|zzz |delta", false, " AND (\"my note\" LIKE '%zzz%' OR \"my note\" LIKE '%delta%')"},
        {"alp", true, " AND NOT (item LIKE '%alp%')"},
        {"alpha -beta", true, " AND NOT (item LIKE '%alpha%' AND (NOT item LIKE '%beta%'))"},
        {"|alpha |delta", true, " AND NOT (item LIKE '%alpha%' OR item LIKE '%delta%')"},
        {"al'p", false, " AND item LIKE '%alp%'"},
        {"zzz", false, ""}, // nothing matched
    };
    for (const auto& c : cases) {
        QString sql;
        Filter(g, QString::fromUtf8(c.filterText), c.invert, &sql);
        EXPECT_EQ(sql, QString::fromUtf8(c.sql)) << c.filterText;
        EXPECT_FALSE(sql.contains(QStringLiteral("()"))) << c.filterText;
    }

    // A quote in a word stays inside the literal.
    ResultsFilter f;
    f.terms << FilterTerm{FilterLogic::And, FilterMethod::Contains, QStringLiteral("O'B"),
                          QStringLiteral("o'B")};
    QString sql;
    const QList<bool> shown = ApplyFilter(f, Grid({{"item"}, {"O'Brien"}, {"Smith"}}), false, sql);
    EXPECT_EQ(Shown(shown), QList<int>{1});
    EXPECT_EQ(sql, QStringLiteral(" AND item LIKE '%o''B%'"));
}

TEST(ResultsFilter, DelaysRunsOnBigGrids) {
    const int cases[][2] = {{1000, 200}, {501, 100}, {500, 0}, {0, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(FilterDelayMs(c[0]), c[1]) << c[0];
}

TEST(ResultsFind, FindsTheNextShownRowAndWrapsOnce) {
    const GridView g =
        Grid({{"a", "b"}, {"foo", "x"}, {"bar", "y"}, {"Foo bar", "z"}, {"baz", "q"}});
    const std::function<bool(int)> all;
    EXPECT_EQ(FindNextRow(g, QStringLiteral("foo"), 0, all), 1);
    EXPECT_EQ(FindNextRow(g, QStringLiteral("foo"), 1, all), 3);
    EXPECT_EQ(FindNextRow(g, QStringLiteral("foo"), 3, all), 1); // last match -> first
    EXPECT_EQ(FindNextRow(g, QStringLiteral("  BAR "), 3, all), 2);
    EXPECT_EQ(FindNextRow(g, QStringLiteral("bar\r\ny"), 0, all), 2); // cells joined by CR LF
    EXPECT_EQ(FindNextRow(g, QStringLiteral("zzz"), 0, all), -1);
    EXPECT_EQ(FindNextRow(g, QStringLiteral(" "), 0, all), -1);
    // A hidden row is skipped; the current row is looked at last.
    EXPECT_EQ(FindNextRow(g, QStringLiteral("foo"), 3, [](int r) { return r != 1; }), 3);
}

TEST(ResultsSort, SortsByCharacterCodeOrByNumber) {
    const GridView g =
        Grid({{"n", "s", "m"}, {"10", "b", "3 apples"}, {"9", "B", "x"}, {"100", "a", "-5"}});
    const struct {
        int column;
        SortKind kind;
        QList<int> rows;
    } cases[] = {
        {0, SortKind::NumAsc, {2, 1, 3}},   {0, SortKind::NumDesc, {3, 1, 2}},
        {0, SortKind::AlphaAsc, {1, 3, 2}}, {0, SortKind::AlphaDesc, {2, 3, 1}},
        {1, SortKind::AlphaAsc, {2, 3, 1}}, // "B" < "a" < "b"
        {2, SortKind::NumAsc, {3, 2, 1}},   // "x" counts as 0, "3 apples" as 3
        {3, SortKind::NumAsc, {1, 2, 3}},   // outside the grid
    };
    for (const auto& c : cases)
        EXPECT_EQ(SortedRows(g, c.column, c.kind), c.rows) << c.column << " " << int(c.kind);
}

TEST(ResultsSizing, HidesUnnamedAndHashColumnsInEveryMode) {
    const GridView g = Grid({{"id", "#tmp", ""}, {"1", "some long text", "x"}, {"22", "t", "y"}});
    for (const SizeMode& m : {DefaultSizeMode(false), DefaultSizeMode(true), FullDataAndHeadings(),
                              FullDataOnly(), AdaptiveSize(), CompactSize()}) {
        const QList<int> w = ColumnWidths(g, m, 7.0, 1000);
        ASSERT_EQ(w.size(), 3);
        EXPECT_GT(w[0], 0);
        EXPECT_EQ(w[1], 0);
        EXPECT_EQ(w[2], 0);
    }
}

TEST(ResultsSizing, ComputesWidthsOfTheModes) {
    // Cell lengths 2, 4, 6: mean 4, standard deviation 1.633.
    const GridView spread = Grid({{"name"}, {"ab"}, {"abcd"}, {"abcdef"}});
    const GridView wide = Grid({{"t"}, {QString(100, u'x')}});
    const GridView heading = Grid({{"a long heading text"}, {"ab"}});
    const struct {
        const GridView* g;
        SizeMode mode;
        int client, width;
    } cases[] = {
        {&spread, DefaultSizeMode(false), 0, 86},   // (7.266 + 2) * 8 + 12
        {&spread, DefaultSizeMode(true), 200, 138}, // stretched by at most 1.6
        {&spread, CompactSize(), 0, 70},
        {&spread, AdaptiveSize(), 0, 86},
        {&spread, FullDataAndHeadings(), 0, 92}, // (4 + 6) * 8 + 12
        {&spread, FullDataAndHeadings(), 140, 116},
        {&spread, FullDataAndHeadings(), 200, 147},
        {&spread, FullDataOnly(), 0, 76},
        {&wide, DefaultSizeMode(false), 0, 360},
        {&wide, AdaptiveSize(), 0, 480},
        {&wide, CompactSize(), 0, 240},
        {&wide, FullDataOnly(), 0, 828},
        {&heading, DefaultSizeMode(false), 0, 180}, // the heading is wider than the data
        {&heading, FullDataAndHeadings(), 0, 196},
        {&heading, FullDataOnly(), 0, 44},
        {&heading, CompactSize(), 0, 28},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ColumnWidths(*c.g, c.mode, 8.0, c.client), QList<int>{c.width})
            << c.g->cell(0, 0).toStdString() << " " << c.mode.extraChars << " " << c.client;
}

QString Line(const QList<QPair<QString, QString>>& lines, const char* caption) {
    for (const auto& l : lines)
        if (l.first == QLatin1String(caption)) return l.second;
    ADD_FAILURE() << "no line " << caption;
    return QString();
}

TEST(ResultsColumnStats, ClassifiesAndCountsColumns) {
    const GridView g = Grid({{"i", "f", "t", "b", "e", "s"},
                             {"3", "1.5", "pear", "true", "", "x"},
                             {"1", "2", "Apple", "0", "NULL", "x"},
                             {"NULL", "-0.5", "fig", "FALSE", "", "x"},
                             {"3", "", "apple", "1", "null", "x"}});
    const QString nullText = QStringLiteral("NULL");

    const TColStats i = ColumnStats(g, 0, nullText);
    EXPECT_EQ(i.iKind, ColumnKind::Integer);
    EXPECT_EQ(i.iRecords, 4);
    EXPECT_EQ(i.iNulls, 1);
    EXPECT_EQ(i.iValues, 3);
    EXPECT_EQ(i.iCard, 3);
    EXPECT_FALSE(i.isUnique);
    EXPECT_DOUBLE_EQ(i.dMin, 1);
    EXPECT_DOUBLE_EQ(i.dMax, 3);
    EXPECT_DOUBLE_EQ(i.dAvg, 1.75);    // over all rows
    EXPECT_DOUBLE_EQ(i.dMed, 7.0 / 3); // over the numbers
    const auto iLines = ColumnStatLines(i, 0);
    EXPECT_EQ(Line(iLines, "Mean:"), QStringLiteral("2.3"));
    EXPECT_EQ(Line(iLines, "stDev:"), QStringLiteral("0.9"));
    EXPECT_EQ(Line(iLines, "Type:"), QStringLiteral("INTEGER"));
    // Under another NULL text, "NULL" is a value and makes the column TEXT.
    const TColStats other = ColumnStats(g, 0, QStringLiteral("(none)"));
    EXPECT_EQ(other.iNulls, 0);
    EXPECT_EQ(other.iKind, ColumnKind::Text);

    const QList<QPair<QString, QString>> fLines = {
        {"Name:", "f"},      {"Comment:", ""},     {"Cardinality:", "4"},
        {"Widest:", "4"},    {"Narrowest:", "1"},  {"Empty / Null:", "1"},
        {"Column:", "2"},    {"Values:", "3"},     {"Fill ratio:", "75.0 %"},
        {"Min:", "-0.50"},   {"Max:", "2.00"},     {"Avg:", "0.7500"},
        {"Mean:", "1.0000"}, {"stDev:", "1.0801"}, {"Type:", "FLOAT"},
        {"Empty:", "No"},    {"Unique:", "Yes"},   {"Singular:", "No"},
        {kFooter, ""}};
    EXPECT_EQ(ColumnStatLines(ColumnStats(g, 1, nullText), 1), fLines);

    const TColStats t = ColumnStats(g, 2, nullText);
    EXPECT_EQ(t.iKind, ColumnKind::Text);
    EXPECT_EQ(t.iCard, 3); // APPLE twice
    EXPECT_FALSE(t.isUnique);
    EXPECT_EQ(t.iMaxW, 5);
    EXPECT_EQ(t.iMinW, 3);
    const auto tLines = ColumnStatLines(t, 2);
    EXPECT_EQ(Line(tLines, "Min:"), QStringLiteral("APPLE"));
    EXPECT_EQ(Line(tLines, "Max:"), QStringLiteral("PEAR"));
    EXPECT_EQ(Line(tLines, "Type:"), QStringLiteral("TEXT"));

    const TColStats b = ColumnStats(g, 3, nullText);
    EXPECT_EQ(b.iKind, ColumnKind::Bool);
    EXPECT_TRUE(b.isUnique);
    EXPECT_EQ(Line(ColumnStatLines(b, 3), "Max:"), QStringLiteral("1 / True"));
    EXPECT_EQ(Line(ColumnStatLines(b, 3), "Type:"), QStringLiteral("BOOL"));

    const TColStats e = ColumnStats(g, 4, nullText);
    EXPECT_EQ(e.iKind, ColumnKind::Nothing);
    EXPECT_TRUE(e.isEmpty);
    EXPECT_FALSE(e.isSingle);
    EXPECT_EQ(e.iNulls, 4);
    EXPECT_EQ(Line(ColumnStatLines(e, 4), "Fill ratio:"), QStringLiteral("0.0 %"));
    EXPECT_EQ(Line(ColumnStatLines(e, 4), "Type:"), QStringLiteral("---"));

    const TColStats s = ColumnStats(g, 5, nullText);
    EXPECT_TRUE(s.isSingle);
    EXPECT_EQ(s.iCard, 1);
    EXPECT_EQ(Line(ColumnStatLines(s, 5), "Fill ratio:"), QStringLiteral("[ Full ]"));

    // No lines without data rows or without a heading.
    EXPECT_TRUE(ColumnStatLines(ColumnStats(Grid({{"h"}}), 0, nullText), 0).isEmpty());
    EXPECT_TRUE(ColumnStatLines(ColumnStats(Grid({{""}, {"1"}}), 0, nullText), 0).isEmpty());
}

TEST(ResultsText, ShortensAtAWordBoundary) {
    const struct {
        const char* text;
        int n;
        const char* result;
    } cases[] = {
        {"short", 10, "short"},
        {"exactly10!", 10, "exactly10!"},
        {"Hello world, this is long", 15, "Hello world ..."},
        {"abcdefghijklmnopqrstuvwxyz", 10, "abcdefg..."},
        {"abcde fghijklmnopqrstuvwxyz", 20, "abcde ..."},            // 12 back: found
        {"ab cdefghijklmnopqrstuvwxyz", 20, "ab cdefghijklmnop..."}, // further back: not
        {"12345 67890123", 10, "12345 ..."},
        {"abcdefgh", 3, "ab..."}, // n counts as 5
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShortenText(QString::fromUtf8(c.text), c.n), QString::fromUtf8(c.result))
            << c.text << " " << c.n;
}

TEST(ResultsMenu, RecordsTheCellAndItsKeyConditions) {
    const GridView g =
        Grid({{"id", "Name", "note"}, {"1", "Smith, J", "say \"hi\""}, {"2", "Doe", ""}});
    const TMenuRes m = PrepareCellMenu(g, 1, 1, false, QStringLiteral("main"),
                                       QStringLiteral("people"), {QStringLiteral("ID")});
    EXPECT_EQ(m.ACol, 1);
    EXPECT_EQ(m.ARow, 1);
    EXPECT_EQ(m.LineNoIdx, -1);
    EXPECT_EQ(m.sSchema, QStringLiteral("main"));
    EXPECT_EQ(m.sTable, QStringLiteral("people"));
    EXPECT_EQ(m.sField, QStringLiteral("Name"));
    EXPECT_EQ(m.sVal, QStringLiteral("Smith, J"));
    EXPECT_EQ(m.sRow, QStringLiteral("id,Name,note\r\n1,\"Smith, J\",\"say \"\"hi\"\"\""));
    EXPECT_EQ(m.sCol, QStringLiteral("Name\r\nSmith, J\r\nDoe"));
    EXPECT_EQ(m.sPKeys, QStringLiteral("ID=1"));
    EXPECT_TRUE(m.valueActions);

    const struct {
        QStringList keys;
        const char* pkeys;
        bool actions;
    } cases[] = {
        {{"id", "name"}, "id=1\r\nname=Smith, J", true},
        {{"id", "missing"}, "", false},
        {{}, "", false},
    };
    for (const auto& c : cases) {
        const TMenuRes r = PrepareCellMenu(g, 1, 1, false, {}, {}, c.keys);
        EXPECT_EQ(r.sPKeys, QString::fromUtf8(c.pkeys))
            << c.keys.join(QStringLiteral(",")).toStdString();
        EXPECT_EQ(r.valueActions, c.actions) << c.keys.join(QStringLiteral(",")).toStdString();
    }

    // The heading row is no data cell.
    const TMenuRes head = PrepareCellMenu(g, 1, 0, false, {}, {}, {QStringLiteral("id")});
    EXPECT_EQ(head.ARow, 0);
    EXPECT_TRUE(head.sField.isEmpty());
    EXPECT_FALSE(head.valueActions);

    // The line-number column never stands in for a key column.
    const GridView numbered = Grid({{"No", "id", "v"}, {"1", "7", "a"}, {"2", "8", "b"}});
    const TMenuRes n = PrepareCellMenu(numbered, 2, 2, true, {}, {}, {QStringLiteral("id")});
    EXPECT_EQ(n.LineNoIdx, 0);
    EXPECT_EQ(n.sPKeys, QStringLiteral("id=8"));
    EXPECT_FALSE(
        PrepareCellMenu(numbered, 2, 2, true, {}, {}, {QStringLiteral("no")}).valueActions);
    const GridView realNo = Grid({{"No", "No", "v"}, {"1", "42", "a"}});
    EXPECT_EQ(PrepareCellMenu(realNo, 2, 1, true, {}, {}, {QStringLiteral("no")}).sPKeys,
              QStringLiteral("no=42"));
}

class ResultsAddAsSql : public test::TempDbTest {
protected:
    void SetUp() override {
        test::TempDbTest::SetUp();
        Run("CREATE TABLE t(id INTEGER, c TEXT, g INT);"
            "INSERT INTO t VALUES (1,'ax',1),(2,'bx',1),(3,'c',2),(4,'dx',2),(5,'e',3);"
            "CREATE VIEW \"my t\" AS SELECT * FROM t;");
    }
    // The first column of the rows the text returns, joined by ",".
    QString FirstColumn(const QString& sql) {
        TResultTable rows;
        EXPECT_TRUE(db.QueryToResults(rows, sql, -1, -1)) << db.LastError().toStdString();
        QStringList ids;
        for (int r = 0; r < rows.RowCount(); ++r)
            ids << rows.Text(r, 0);
        return ids.join(QLatin1Char(','));
    }
};

// The merged text is the editor's with the condition in the right place of
// its last statement; SQLite runs it and returns the rows the filter keeps.
TEST_F(ResultsAddAsSql, PutsTheConditionWhereTheLastStatementFiltersItsRows) {
    const char* like = " AND \"c\" LIKE '%x%'";
    const struct {
        const char* editor;
        const char* condition;
        const char* text;
        const char* rows; // nullptr: not run (more than one statement)
    } cases[] = {
        {"", like, "SELECT * FROM \"my t\" WHERE \"c\" LIKE '%x%';", "1,2,4"},
        {"  \n-- nothing yet\n", like, "SELECT * FROM \"my t\" WHERE \"c\" LIKE '%x%';", "1,2,4"},
        {"SELECT id FROM t", like, "SELECT id FROM t WHERE \"c\" LIKE '%x%'", "1,2,4"},
        {"SELECT id FROM t;\n", like, "SELECT id FROM t WHERE \"c\" LIKE '%x%';\n", "1,2,4"},
        {"SELECT * FROM \"t\" WHERE 1 LIMIT 1000;", like,
         "SELECT * FROM \"t\" WHERE \"c\" LIKE '%x%' LIMIT 1000;", "1,2,4"},
        {"SELECT id FROM t WHERE g = 1 OR g = 2 ORDER BY id DESC", like,
         "SELECT id FROM t WHERE (g = 1 OR g = 2) AND \"c\" LIKE '%x%' ORDER BY id DESC", "4,2,1"},
        {"SELECT id FROM t where g < 3 order by id", " OR \"c\" LIKE '%x%'",
         "SELECT id FROM t where g < 3 AND \"c\" LIKE '%x%' order by id", "1,2,4"},
        {"SELECT g, count(*) FROM t GROUP BY g ORDER BY g", like,
         "SELECT g, count(*) FROM t WHERE \"c\" LIKE '%x%' GROUP BY g ORDER BY g", "1,2"},
        {"SELECT g FROM t GROUP BY g HAVING count(*) > 1", like,
         "SELECT g FROM t WHERE \"c\" LIKE '%x%' GROUP BY g HAVING count(*) > 1", "1"},
        {"SELECT id FROM t ORDER BY id LIMIT 2", like,
         "SELECT id FROM t WHERE \"c\" LIKE '%x%' ORDER BY id LIMIT 2", "1,2"},
        {"SELECT id, row_number() OVER w FROM t WINDOW w AS (ORDER BY id) ORDER BY id", like,
         "SELECT id, row_number() OVER w FROM t WHERE \"c\" LIKE '%x%' WINDOW w AS (ORDER BY id) "
         "ORDER BY id",
         "1,2,4"},
        // Subqueries keep their own clauses.
        {"SELECT id FROM (SELECT * FROM t WHERE g < 3 ORDER BY id) ORDER BY id", like,
         "SELECT id FROM (SELECT * FROM t WHERE g < 3 ORDER BY id) WHERE \"c\" LIKE '%x%' ORDER "
         "BY id",
         "1,2,4"},
        {"SELECT id FROM t WHERE g IN (SELECT g FROM t WHERE id > 2 GROUP BY g) LIMIT 5", like,
         "SELECT id FROM t WHERE g IN (SELECT g FROM t WHERE id > 2 GROUP BY g) AND \"c\" LIKE "
         "'%x%' LIMIT 5",
         "4"},
        {"WITH s AS (SELECT * FROM t WHERE g > 1 ORDER BY g) SELECT id FROM s ORDER BY id", like,
         "WITH s AS (SELECT * FROM t WHERE g > 1 ORDER BY g) SELECT id FROM s WHERE \"c\" LIKE "
         "'%x%' ORDER BY id",
         "4"},
        // Keywords in comments and literals are no clauses.
        {"SELECT id FROM t -- where order by\n/* LIMIT 1 */ ORDER BY id;", like,
         "SELECT id FROM t WHERE \"c\" LIKE '%x%' -- where order by\n/* LIMIT 1 */ ORDER BY id;",
         "1,2,4"},
        {"SELECT id FROM t WHERE c <> 'group by' -- or not\nLIMIT 10", like,
         "SELECT id FROM t WHERE c <> 'group by' AND \"c\" LIKE '%x%' -- or not\nLIMIT 10",
         "1,2,4"},
        // A compound query: the WHERE of its last part.
        {"SELECT id FROM t WHERE g = 1 UNION ALL SELECT id FROM t WHERE g = 3 ORDER BY 1", like,
         "SELECT id FROM t WHERE g = 1 UNION ALL SELECT id FROM t WHERE g = 3 AND \"c\" LIKE "
         "'%x%' ORDER BY 1",
         "1,2"},
        // A condition with OR is bracketed when AND-ed.
        {"SELECT id FROM t WHERE g = 1", " AND \"c\" LIKE '%x%' OR \"g\" = 3",
         "SELECT id FROM t WHERE g = 1 AND (\"c\" LIKE '%x%' OR \"g\" = 3)", "1,2"},
        // The last statement of a script.
        {"SELECT 1;\nSELECT id FROM t ORDER BY id;\n-- done", like,
         "SELECT 1;\nSELECT id FROM t WHERE \"c\" LIKE '%x%' ORDER BY id;\n-- done", nullptr},
    };
    for (const auto& c : cases) {
        const QString editor = QString::fromUtf8(c.editor);
        const SqlMerge m =
            AddFilterToQuery(editor, 0, QString::fromUtf8(c.condition), QStringLiteral("my t"));
        EXPECT_TRUE(m.changed) << c.editor;
        EXPECT_EQ(m.text, QString::fromUtf8(c.text)) << c.editor;
        // The caret follows the condition.
        EXPECT_TRUE(m.text.left(m.caret).endsWith(QLatin1String("'%x%'")) ||
                    m.text.left(m.caret).endsWith(QLatin1String("= 3)")))
            << c.editor << " @" << m.caret;
        if (c.rows) {
            EXPECT_EQ(FirstColumn(m.text), QString::fromUtf8(c.rows)) << c.editor;
        }
    }
}

TEST_F(ResultsAddAsSql, LeavesTheTextAloneWithoutANewCondition) {
    const struct {
        const char* editor;
        const char* condition;
    } cases[] = {
        {"SELECT * FROM t WHERE \"c\" LIKE '%x%'", " AND \"c\" LIKE '%x%'"},
        {"SELECT * FROM t", "  "},
        {"SELECT * FROM t", " AND "},
    };
    for (const auto& c : cases) {
        const SqlMerge m = AddFilterToQuery(QString::fromUtf8(c.editor), 3,
                                            QString::fromUtf8(c.condition), QStringLiteral("t"));
        EXPECT_FALSE(m.changed) << c.editor << c.condition;
        EXPECT_EQ(m.text, QString::fromUtf8(c.editor));
        EXPECT_EQ(m.caret, 3);
    }
}

} // namespace
} // namespace sky
