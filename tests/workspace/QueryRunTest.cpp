// The query run's rules: classification, run prefix, trailing LIMIT, the
// query-text stack, the history text, the status colouring and the figures
// of the statistics panel.
#include "workspace/QueryRun.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace sky {
namespace {

std::string S(const QString& s) {
    return s.toStdString();
}

std::vector<std::string> V(const QStringList& l) {
    std::vector<std::string> r;
    for (const QString& s : l)
        r.push_back(s.toStdString());
    return r;
}
using Lines = std::vector<std::string>;

struct ClassCase {
    const char* sql;
    bool rows, schema;
    const char* confirm;
};

TEST(QueryRun, Classification) {
    const ClassCase cases[] = {
        {"SELECT * FROM t", true, false, ""},
        {"select 'DROP TABLE x'", true, false, ""},
        {"SELECT created, [create] FROM t", true, false, ""},
        {"SELECT 1 /* DROP TABLE t */", true, false, ""},
        {"-- DELETE FROM t\r\nSELECT 1", true, false, ""},
        {"UPDATE t SET a = 1 -- DELETE", false, false, ""},
        {"UPDATE t SET \"delete\" = 'delete', drop_table = 1", false, false, ""},
        {"DELETE FROM t", false, false, "Delete Data Rows"},
        {"WITH x AS (SELECT 1) SELECT * FROM x", true, false, ""},
        {"WITH x AS (SELECT 1) DELETE FROM t", false, false, "Delete Data Rows"},
        {"with x as (select 1) update t set a = 2", false, false, ""},
        {"WITH x AS (SELECT 1) INSERT INTO t SELECT * FROM x", false, false, ""},
        {"explain select 1", true, false, ""},
        {"EXPLAIN QUERY PLAN DELETE FROM t", true, false, ""},
        {"SELECT explain FROM t", true, false, ""},
        {"DELETE FROM t WHERE explain = 1 OR b = 'QUERY PLAN'", false, false, "Delete Data Rows"},
        {"PRAGMA page_size", true, false, ""},
        {"PRAGMA page_size = 4096", false, false, ""},
        {"PRAGMA table_info('a=b')", true, false, ""},
        {"INSERT INTO t SELECT * FROM u", false, false, ""},
        {"CREATE TABLE t(a); SELECT 1", false, true, ""},
        {"CREATE TABLE x(a); DROP TABLE y", false, true, "Delete a Table"},
        {"CREATE INDEX i ON t(a); DELETE FROM t", false, true, "Delete Data Rows"},
        {"ALTER /* why */ TABLE t ADD b", false, true, ""},
        {"DROP TABLE t", false, true, "Delete a Table"},
        {"drop\r\n  -- old\r\n  index ix", false, true, "Remove an Index"},
        {"DROP VIEW v", false, true, "Remove a View"},
        {"DROP TRIGGER IF EXISTS tr", false, true, "Remove a Trigger"},
    };
    for (const ClassCase& c : cases) {
        const QueryClass q = ClassifyQuery(QString::fromUtf8(c.sql));
        EXPECT_EQ(q.rowReturning, c.rows) << c.sql;
        EXPECT_EQ(q.schemaChanged, c.schema) << c.sql;
        EXPECT_EQ(S(q.confirmText), c.confirm) << c.sql;
    }
}

TEST(QueryRun, RunPrefixIsDroppedWhenTheTextAlreadyHoldsIt) {
    const struct {
        RunMode mode;
        const char* sql;
        const char* prefix;
        bool selection;
    } cases[] = {
        {RunMode::Plain, "SELECT 1", "", false},
        {RunMode::Selected, "SELECT 1", "", true},
        {RunMode::Explain, "SELECT 1", "EXPLAIN ", false},
        {RunMode::SelectedExplain, "SELECT 1", "EXPLAIN ", true},
        {RunMode::QueryPlan, "SELECT 1", "EXPLAIN QUERY PLAN ", false},
        {RunMode::SelectedQueryPlan, "SELECT 1", "EXPLAIN QUERY PLAN ", true},
        {RunMode::Explain, "explain select 1", "", false},
        {RunMode::QueryPlan, "explain /* plan */ query\r\nplan select 1", "", false},
        {RunMode::Explain, "SELECT 'explain'", "EXPLAIN ", false},
    };
    for (const auto& c : cases) {
        QString prefix = RunPrefix(c.mode);
        if (PrefixAlreadyInText(prefix, QString::fromUtf8(c.sql))) prefix.clear();
        EXPECT_EQ(S(prefix), c.prefix) << int(c.mode) << " " << c.sql;
        EXPECT_EQ(RunsSelection(c.mode), c.selection) << int(c.mode);
    }
}

TEST(QueryRun, StripTrailingLimit) {
    const struct {
        const char* sql;
        const char* stripped;
    } cases[] = {
        {"SELECT * FROM t WHERE a=1 LIMIT 5", "SELECT * FROM t WHERE a=1"},
        {"  select * from t limit 5 offset 2 ", "select * from t"},
        {"SELECT * FROM (SELECT * FROM u LIMIT 3) WHERE a=1", ""},
        {"SELECT * FROM t WHERE a='x LIMIT 5'", ""},
        {"SELECT * FROM t WHERE nolimit = 1", ""},
    };
    for (const auto& c : cases) {
        const QString sql = QString::fromUtf8(c.sql);
        const std::string expected = *c.stripped ? c.stripped : S(sql.trimmed());
        EXPECT_EQ(S(StripTrailingLimit(sql)), expected) << c.sql;
    }
}

TEST(QueryRun, StackDropsTheOldestBeyond256) {
    QueryStack st;
    for (int i = 0; i <= QueryStack::kMax; ++i)
        st.Add(QStringLiteral("SELECT %1").arg(i), false);
    ASSERT_EQ(st.Entries().size(), QueryStack::kMax);
    EXPECT_EQ(S(st.Entries().front()), "SELECT 1");
    EXPECT_EQ(st.Position(), QueryStack::kMax);
    EXPECT_TRUE(st.PrevVisible());
    EXPECT_FALSE(st.NextVisible());
}

TEST(QueryRun, StackEntriesComeBackAsTyped) {
    QueryStack st;
    QString entry;
    EXPECT_FALSE(st.Step(-1, QStringLiteral("SELECT 1"), entry));
    EXPECT_FALSE(st.PrevVisible() || st.NextVisible());
    EXPECT_TRUE(st.Entries().isEmpty());

    const QString concat = QStringLiteral("SELECT a || b\r\nFROM t");
    const QString literal = QStringLiteral("SELECT 'a|b'");
    st.Add(concat, false);
    st.Add(literal, false);
    st.Add(QStringLiteral(" \r\n "), false);
    ASSERT_EQ(st.Entries().size(), 2);
    ASSERT_TRUE(st.Step(-1, QString(), entry));
    EXPECT_EQ(S(entry), S(literal));
    EXPECT_TRUE(st.PrevVisible());
    EXPECT_FALSE(st.NextVisible());
    ASSERT_TRUE(st.Step(-1, entry, entry));
    EXPECT_EQ(S(entry), S(concat));
    EXPECT_FALSE(st.PrevVisible());
    EXPECT_TRUE(st.NextVisible());
    ASSERT_TRUE(st.Step(+1, entry, entry));
    EXPECT_EQ(S(entry), S(literal));
    EXPECT_EQ(st.Entries().size(), 2);
}

TEST(QueryRun, StackFindsDuplicatesAcrossLineBreaksAndCase) {
    QueryStack st;
    for (const char* s : {"a", "b", "SELECT 1\r\nFROM t", "c"})
        st.Add(QString::fromUtf8(s), false);
    // Found at position 2: moved to the top in its newest spelling.
    st.Add(QStringLiteral("select 1\nfrom t\n"), false);
    EXPECT_EQ(V(st.Entries()), (Lines{"a", "b", "c", "select 1\nfrom t\n"}));
    // Found at position 0 or 1: stays.
    st.Add(QStringLiteral("A"), false);
    st.Add(QStringLiteral("B"), false);
    EXPECT_EQ(V(st.Entries()), (Lines{"a", "b", "c", "select 1\nfrom t\n"}));
    EXPECT_EQ(st.Position(), 4);

    st.AfterHistory();
    EXPECT_EQ(st.Position(), 3);
    EXPECT_TRUE(st.PrevVisible());
    EXPECT_FALSE(st.NextVisible());
}

TEST(QueryRun, HistoryInsertsNewestFirstAndSkipsLimitVariants) {
    QStringList h;
    AddToHistoryLines(h, QStringLiteral("  SELECT * FROM t\nWHERE a=1  "), 300);
    EXPECT_EQ(V(h), (Lines{"SELECT * FROM t", "WHERE a=1", "", "-------------", ""}));
    AddToHistoryLines(h, QStringLiteral("SELECT * FROM t\r\nWHERE a=1 LIMIT 5"), 300);
    EXPECT_EQ(h.size(), 5);
    AddToHistoryLines(h, QStringLiteral("SELECT 2"), 300);
    EXPECT_EQ(h.size(), 9);
    EXPECT_EQ(S(h.front()), "SELECT 2");
}

TEST(QueryRun, HistoryCutsAtABlankLineNoHigherThanLine10) {
    QStringList full;
    for (int i = 1; i <= 30; ++i)
        full << QStringLiteral("line %1").arg(i);
    QStringList h = full;
    AddToHistoryLines(h, QString(), 10);
    EXPECT_EQ(V(h), V(full.mid(0, 9)));

    h.clear();
    for (int i = 0; i < 10; ++i)
        AddToHistoryLines(h, QStringLiteral("SELECT %1").arg(i), 10000);
    ASSERT_EQ(h.size(), 40);
    // Line 19 is a separator; line 18, the blank after "SELECT 5", is cut.
    AddToHistoryLines(h, QString(), 19);
    ASSERT_EQ(h.size(), 17);
    EXPECT_EQ(S(h.back()), "SELECT 5");
}

TEST(QueryRun, PickHistoryEntry) {
    const QString hist = QStringLiteral("SELECT 2\r\nFROM u\r\n\r\n-------------\r\n\r\n"
                                        "SELECT 1\r\n\r\n-------------\r\n\r\nx");
    EXPECT_EQ(S(PickHistoryEntry(hist, 0)), "SELECT 2\r\nFROM u");
    EXPECT_EQ(S(PickHistoryEntry(hist, hist.indexOf(QStringLiteral("FROM u")) + 2)),
              "SELECT 2\r\nFROM u");
    EXPECT_EQ(S(PickHistoryEntry(hist, hist.indexOf(QStringLiteral("SELECT 1")) + 3)), "SELECT 1");
    EXPECT_EQ(S(PickHistoryEntry(hist, hist.size())), ""); // "x" is too short
    // One line between two separators, and LF line breaks.
    const QString bare = QStringLiteral("--\nSELECT 7\n--\nSELECT 8");
    EXPECT_EQ(S(PickHistoryEntry(bare, 5)), "SELECT 7");
    EXPECT_EQ(S(PickHistoryEntry(bare, bare.size())), "SELECT 8");
}

TEST(QueryRun, StatusKind) {
    const struct {
        const char* text;
        int kind;
    } cases[] = {
        {"Query Success.", 2},        {"Query Loaded successfuly.", 2},
        {"Error: no such table", 1},  {"SQL logic error", 1},
        {"Success, but an ERROR", 1}, {"2 errors found", 0},
        {"error_code 5", 0},          {"Querying...", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StatusKind(QString::fromUtf8(c.text)), c.kind) << c.text;
}

TEST(QueryRun, StatTimeText) {
    const struct {
        double seconds;
        const char* text;
    } cases[] = {
        {0, "--.---s"},
        {-1, "--.---s"},
        {0.123, ".123s"},
        {0.99, "00.990s"},
        {5.123, "05.123s"},
        {50, "00m 50.000s"},
        {185.123, "03m 05.123s"},
        {3000, "00h 50m 00.000s"},
        {2 * 3600 + 185.123, "02h 03m 05.123s"},
        {23 * 3600, "0d 23h 00m 00s"},
        {2 * 86400 + 3 * 3600 + 4 * 60 + 5.7, "2d 03h 04m 05s"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(S(StatTimeText(c.seconds)), c.text) << c.seconds;
}

TEST(QueryRun, CommaGrouped) {
    EXPECT_EQ(S(CommaGrouped(0)), "0");
    EXPECT_EQ(S(CommaGrouped(999)), "999");
    EXPECT_EQ(S(CommaGrouped(1000)), "1,000");
    EXPECT_EQ(S(CommaGrouped(1234567)), "1,234,567");
    EXPECT_EQ(S(CommaGrouped(-999)), "-999");
    EXPECT_EQ(S(CommaGrouped(-1234)), "-1,234");
    EXPECT_EQ(S(CommaGrouped(std::numeric_limits<qint64>::min())), "-9,223,372,036,854,775,808");
}

TEST(QueryRun, StatLines) {
    StatFigures f;
    f.memoryUsed = 3 * 1048576 + 104858;
    f.statementMemory = 2560;
    f.allocations = 1234;
    f.prepareTime = 0.25;
    f.vmSteps = 1234567;
    f.changedRows = 4200;
    f.totalChanges = 12;
    const QList<QPair<QString, QString>> lines = StatLines(f);
    QStringList labels;
    for (const auto& l : lines)
        labels << l.first;
    EXPECT_EQ(V(labels), (Lines{"Memory Usage: ", "Cache Usage:  ", "Statements Memory: ",
                                "Schema Memory:  ", "Tot Allocations:   ", "Total Time:      ",
                                "Prepare Time:    ", "Data Read-Write: ", "VM Steps:        ",
                                "Updated Records: ", "Cache-Page writes:", "Total Updates:   "}));
    QStringList values;
    for (const auto& l : lines)
        values << l.second;
    EXPECT_EQ(V(values), (Lines{"3.1 MB", "0.0 MB", "2.5 KB", "0.0 KB", "1234", "--.---s", ".250s",
                                "--.---s", "1,234,567", "4,200", "0", "12"}));

    f.resultRows = 1500;
    const auto rows = StatLines(f).at(9);
    EXPECT_EQ(S(rows.first), "Result Rows:     ");
    EXPECT_EQ(S(rows.second), "1,500");
}

} // namespace
} // namespace sky
