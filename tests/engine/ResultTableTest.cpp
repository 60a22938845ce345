// The results grid's rows against the CSV export of the same query: every
// cell's text is what the export line gives back, the typed values are
// exact, and a size limit stops both at the same row.
#include "engine/ResultTable.h"
#include "common/TempDb.h"
#include "support/Csv.h"

#include <cmath>

namespace sky {
namespace {

class ResultTableTest : public test::TempDbTest {
protected:
    void SetUp() override {
        test::TempDbTest::SetUp();
        Run("CREATE TABLE t(i, r, s, b, n);"
            "INSERT INTO t VALUES (1, 1.5, 'plain', x'00ff', NULL);"
            "INSERT INTO t VALUES (-9223372036854775808, 1e300, 'a,b \"q\"', x'', NULL);"
            "INSERT INTO t VALUES (0, -0.0, 'line1' || char(13,10) || 'line2', NULL, 'x');"
            "INSERT INTO t VALUES (42, 0.1, '  lead and trail  ', 'text in b', 3.25);"
            "INSERT INTO t VALUES (7, 2.5e-7, 'ünïcødé ✓ 𝄞', 5, '');");
    }
    // The export's lines split back into cells.
    QList<QStringList> Oracle(const QString& sql, int memLimit, int lineNos) {
        QStringList lines;
        EXPECT_TRUE(db.QueryToCSV(lines, sql, true, false, memLimit, lineNos, false));
        QList<QStringList> rows;
        for (const QString& l : lines) {
            QStringList cells;
            SplitCSVLine(l, cells, QLatin1Char(','));
            rows << cells;
        }
        return rows;
    }
};

TEST_F(ResultTableTest, CellsAreTheCsvExportsTexts) {
    for (int lineNos : {-1, 1}) {
        TResultTable t;
        ASSERT_TRUE(db.QueryToResults(t, "SELECT * FROM t", -1, lineNos));
        const QList<QStringList> csv = Oracle("SELECT * FROM t", -1, lineNos);
        ASSERT_EQ(t.RowCount() + 1, csv.size());
        for (int c = 0; c < t.ColumnCount(); ++c)
            EXPECT_EQ(t.Heading(c), csv[0].value(c));
        for (int r = 0; r < t.RowCount(); ++r)
            for (int c = 0; c < t.ColumnCount(); ++c)
                EXPECT_EQ(t.Text(r, c), csv[r + 1].value(c)) << r << "," << c;
    }
}

TEST_F(ResultTableTest, TypedValuesAreExact) {
    TResultTable t;
    ASSERT_TRUE(db.QueryToResults(t, "SELECT * FROM t", -1, -1));
    EXPECT_EQ(t.Type(1, 0), CellType::Integer);
    EXPECT_EQ(t.Integer(1, 0), std::numeric_limits<qint64>::min());
    EXPECT_EQ(t.Type(0, 1), CellType::Real);
    EXPECT_EQ(t.Real(1, 1), 1e300);
    EXPECT_TRUE(std::signbit(t.Real(2, 1)));
    EXPECT_EQ(t.Bytes(0, 3), QByteArray("\x00\xff", 2));
    EXPECT_EQ(t.Type(1, 3), CellType::Blob);
    EXPECT_TRUE(t.Bytes(1, 3).isEmpty());
    EXPECT_EQ(t.Type(2, 3), CellType::Null);
    EXPECT_EQ(QString::fromUtf8(t.Bytes(2, 2)), "line1\r\nline2"); // the value keeps its breaks
    EXPECT_EQ(t.Text(2, 2), "line1  line2");
    EXPECT_EQ(QString::fromUtf8(t.Bytes(4, 2)), QString::fromUtf8("ünïcødé ✓ 𝄞"));
    // A new order of the rows.
    t.SetOrder({4, 3, 2, 1, 0});
    EXPECT_EQ(t.Integer(0, 0), 7);
}

TEST_F(ResultTableTest, SizeLimitStopsAtTheExportsRow) {
    Run("CREATE TABLE big(a, b);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<3000) "
        "INSERT INTO big SELECT i, printf('row %d, \"%d\"', i, i*i) FROM n;");
    for (int limit : {1, 100, 4096, 20000, 1 << 20}) {
        TResultTable t;
        ASSERT_TRUE(db.QueryToResults(t, "SELECT * FROM big", limit, -1));
        const QList<QStringList> csv = Oracle("SELECT * FROM big", limit, -1);
        EXPECT_EQ(t.RowCount() + 1, csv.size()) << limit;
        EXPECT_EQ(t.Text(t.RowCount() - 1, 1), csv.last().value(1)) << limit;
    }
    // A statement without rows, and one that fails.
    TResultTable t;
    EXPECT_TRUE(db.QueryToResults(t, "SELECT * FROM big WHERE 0", -1, -1));
    EXPECT_EQ(t.RowCount(), 0);
    EXPECT_EQ(t.Headings(), (QStringList{"a", "b"}));
    EXPECT_FALSE(db.QueryToResults(t, "SELECT * FROM nowhere", -1, -1));
    EXPECT_TRUE(db.LastError().contains("no such table"));
}

} // namespace
} // namespace sky
