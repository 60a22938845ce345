// The one row loop and the operation guard, seen through every reader that
// uses them: the size-stop rule of each, sequential devices, failing writes,
// the statistics and progress figures, and the guard's exception texts.
#include "common/TempDb.h"
#include "engine/Operation.h"
#include "engine/ResultTable.h"

#include <QBuffer>
#include <QFile>
#include <stdexcept>

namespace sky::test {
namespace {

enum class Reader { Csv, Json, Xml, Sql, Results, Column };

const char* Name(Reader r) {
    switch (r) {
    case Reader::Csv:
        return "csv";
    case Reader::Json:
        return "json";
    case Reader::Xml:
        return "xml";
    case Reader::Sql:
        return "sql";
    case Reader::Results:
        return "results";
    case Reader::Column:
        return "column";
    }
    return "?";
}

constexpr Reader kTextReaders[] = {Reader::Csv, Reader::Json, Reader::Xml, Reader::Sql};
constexpr Reader kAllReaders[] = {Reader::Csv, Reader::Json,    Reader::Xml,
                                  Reader::Sql, Reader::Results, Reader::Column};

// A pipe-like device: no position, every write kept.
class SequentialDevice : public QIODevice {
public:
    SequentialDevice() { open(QIODevice::WriteOnly); }
    bool isSequential() const override { return true; }
    QByteArray data;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* p, qint64 n) override {
        data.append(p, n);
        return n;
    }
};

struct ReadResult {
    bool ok = false;
    QByteArray text; // the text readers' output
    int rows = 0;
};

class RowLoopTest : public TempDbTest {
protected:
    // rows rows of one text column v, each `width` characters long.
    void Fill(int rows, int width) {
        Run(QStringLiteral(
                "CREATE TABLE t(id INTEGER PRIMARY KEY, v TEXT);"
                "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x<") +
            QString::number(rows) +
            QStringLiteral(") INSERT INTO t SELECT x, substr(printf('%08d', x) || '") +
            QString(width, QLatin1Char('x')) + QStringLiteral("', 1, ") + QString::number(width) +
            QStringLiteral(") FROM c;"));
    }

    ReadResult Read(Reader r, const QString& sql, int limit, QIODevice* device = nullptr) {
        QBuffer buf;
        buf.open(QIODevice::WriteOnly);
        QIODevice* out = device ? device : &buf;
        ReadResult res;
        switch (r) {
        case Reader::Csv:
            res.ok = db.QueryToCSVStream(out, sql, true, false, limit, -1, false);
            break;
        case Reader::Json:
            res.ok = db.QueryToJSONStream(out, sql, limit, false);
            break;
        case Reader::Xml:
            res.ok = db.QueryToXMLStream(out, sql, limit, false);
            break;
        case Reader::Sql:
            res.ok =
                db.QueryToSQLStream(out, sql, seoINSERT, selSQLite, QStringLiteral("t"), 0, limit);
            break;
        case Reader::Results: {
            TResultTable table;
            res.ok = db.QueryToResults(table, sql, limit, -1);
            res.rows = table.RowCount();
            return res;
        }
        case Reader::Column: {
            QStringList values;
            res.ok = db.QuerySingleColumn(values, sql, limit, false);
            res.rows = int(values.size());
            return res;
        }
        }
        res.text = buf.data();
        res.rows = RowsIn(r, res.text);
        return res;
    }

    static int RowsIn(Reader r, const QByteArray& text) {
        switch (r) {
        case Reader::Csv:
            return int(text.count("\r\n")) - 1;
        case Reader::Json:
            return int(text.count("\"Record_No\":"));
        case Reader::Xml:
            return int(text.count("<record idx="));
        case Reader::Sql:
            return int(text.count("\r\n("));
        default:
            return 0;
        }
    }

    // The size a reader measures once row `rows` (1-based count) is read.
    qint64 SizeAfter(Reader r, int rows, int width) {
        // The grid measures the CSV text of the same rows.
        const ReadResult full = Read(r == Reader::Results ? Reader::Csv : r, kSql, 0);
        auto after = [&](const QByteArray& mark, int n, qsizetype from = 0) {
            qsizetype at = from;
            for (int i = 0; i < n; ++i)
                at = full.text.indexOf(mark, at) + mark.size();
            return qint64(at);
        };
        switch (r) {
        case Reader::Csv:
        case Reader::Results:
            return after("\r\n", rows + 1);
        case Reader::Json:
            return after(" }", rows);
        case Reader::Xml:
            return after("  </record>\r\n", rows);
        case Reader::Sql: // the next row starts with its separator
            return after(", \r\n(", rows) - 5;
        case Reader::Column:
            return 2 * qint64(width) * rows;
        }
        return 0;
    }

    const QString kSql = QStringLiteral("SELECT v FROM t ORDER BY id");
};

TEST_F(RowLoopTest, EachReaderStopsByItsSizeRule) {
    const int width = 20;
    Fill(12, width);
    for (Reader r : kAllReaders) {
        SCOPED_TRACE(Name(r));
        // JSON and XML stop once the size passes the limit, the others once
        // it reaches it.
        const bool beyond = r == Reader::Json || r == Reader::Xml;
        const qint64 size = SizeAfter(r, 3, width);
        const struct {
            qint64 limit;
            int rows;
        } cases[] = {{size - 1, 3}, {size, beyond ? 4 : 3}, {size + 1, 4}, {0, 12}};
        for (const auto& c : cases) {
            SCOPED_TRACE(c.limit);
            const ReadResult got = Read(r, kSql, int(c.limit));
            EXPECT_TRUE(got.ok) << db.LastError().toStdString();
            EXPECT_EQ(got.rows, c.rows);
            EXPECT_FALSE(db.IsBusy());
        }
    }
}

TEST_F(RowLoopTest, SequentialDevicesStopWhereFilesDo) {
    // Far more than the output's 64 KiB pieces, and a limit beyond one piece.
    Fill(4000, 100);
    const int limit = 200000;
    for (Reader r : kTextReaders) {
        SCOPED_TRACE(Name(r));
        const ReadResult file = Read(r, kSql, limit);
        ASSERT_TRUE(file.ok) << db.LastError().toStdString();
        ASSERT_LT(file.rows, 4000);
        SequentialDevice pipe;
        const ReadResult piped = Read(r, kSql, limit, &pipe);
        ASSERT_TRUE(piped.ok) << db.LastError().toStdString();
        EXPECT_EQ(pipe.data.size(), file.text.size());
        EXPECT_TRUE(pipe.data == file.text);
    }
}

TEST_F(RowLoopTest, FailingWritesFailTheExportAndFreeTheConnection) {
    Fill(3000, 100);
    for (const QString& sql : {QStringLiteral("SELECT v FROM t WHERE id=1"), kSql}) {
        for (Reader r : kTextReaders) {
            SCOPED_TRACE(testing::Message() << Name(r) << " " << sql.toStdString());
            // A small result stays in the file's own buffer until the end.
            QFile full(QStringLiteral("/dev/full"));
            ASSERT_TRUE(full.open(QIODevice::WriteOnly));
            EXPECT_FALSE(Read(r, sql, 0, &full).ok);
            EXPECT_TRUE(db.LastError().startsWith(QStringLiteral("Cannot write the export: ")))
                << db.LastError().toStdString();
            EXPECT_FALSE(db.IsBusy());
            EXPECT_EQ(db.StatsQuery().QryLevel, 0);
            EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM t")), QStringLiteral("3000"));
        }
    }
}

TEST_F(RowLoopTest, StatisticsAndProgressFiguresOfEveryReader) {
    Fill(2000, 30);
    for (Reader r : kAllReaders) {
        SCOPED_TRACE(Name(r));
        std::vector<std::pair<qint64, qint64>> calls;
        db.SetProgressHandler([&](TSQLite3Database*, qint64 done, qint64 total, bool&) {
            calls.emplace_back(done, total);
        });
        const ReadResult got = Read(r, QStringLiteral("SELECT id, v FROM t ORDER BY id"), 0);
        db.SetProgressHandler(nullptr);
        ASSERT_TRUE(got.ok) << db.LastError().toStdString();
        const TSQliteQueryStats& s = db.StatsQuery();
        EXPECT_EQ(s.totResultRows, 2000);
        EXPECT_EQ(s.totResultCols, 2);
        EXPECT_EQ(s.QryLevel, 0);
        EXPECT_TRUE(s.statsCompleted);
        // The statement's own counters reach the statistics.
        EXPECT_GT(s.totVMWorkDoneSteps, 2000);
        // Start (0, 0), while running the rows read and 10240 more (before
        // the first row: 0 of 1), at the end the target reached.
        ASSERT_GE(calls.size(), 3u);
        EXPECT_EQ(calls.front(), std::make_pair(qint64(0), qint64(0)));
        EXPECT_EQ(calls.back(), std::make_pair(qint64(2000 + 10240), qint64(2000 + 10240)));
        for (size_t i = 1; i + 1 < calls.size(); ++i)
            EXPECT_TRUE(calls[i] == std::make_pair(qint64(0), qint64(1)) ||
                        calls[i].second - calls[i].first == 10240)
                << calls[i].first << " of " << calls[i].second;
    }
}

TEST_F(RowLoopTest, GuardRefusesWhileBusyAndWordsExceptionsAsTheCallerDoes) {
    const QString prefix = QStringLiteral("Exception doing it ");
    {
        OperationGuard op(db, QStringLiteral("Busy now"), prefix);
        ASSERT_TRUE(op.Admitted());
        op.Begin();
        EXPECT_TRUE(db.IsBusy());
        {
            OperationGuard inner(db, QStringLiteral("Not now"), prefix);
            EXPECT_FALSE(inner.Admitted());
            EXPECT_EQ(db.LastError(), QStringLiteral("Not now"));
        }
        bool reported = false;
        EXPECT_FALSE(op.Run([]() -> bool { throw std::runtime_error("boom"); },
                            [&] { reported = db.LastError().contains(QStringLiteral("boom")); }));
        EXPECT_TRUE(reported);
        EXPECT_EQ(db.LastError(), prefix + QStringLiteral("(std::runtime_error): boom"));
        EXPECT_FALSE(op.Run([]() -> bool { throw 42; }));
        EXPECT_EQ(db.LastError(), prefix + UnknownExceptionText());
    }
    EXPECT_FALSE(db.IsBusy());
    EXPECT_EQ(db.StatsQuery().QryLevel, 0);
    EXPECT_EQ(Value(QStringLiteral("SELECT 7")), QStringLiteral("7"));

    // An error set before the exception can be kept.
    OperationGuard op(db, QStringLiteral("Busy now"), prefix);
    op.KeepEarlierError();
    op.Begin();
    db.SetError(QStringLiteral("earlier reason"));
    EXPECT_FALSE(op.Run([]() -> bool { throw std::runtime_error("later"); }));
    EXPECT_EQ(db.LastError(), QStringLiteral("earlier reason"));
    db.ClearError();
    EXPECT_FALSE(op.Run([]() -> bool { throw std::runtime_error("later"); }));
    EXPECT_EQ(db.LastError(), prefix + QStringLiteral("(std::runtime_error): later"));
}

} // namespace
} // namespace sky::test
