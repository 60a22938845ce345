// The CSV reader fed piece by piece must leave the table exactly as reading
// the whole text does: every cut position of small hostile texts (quotes
// cut between their pair, CR LF cut in two, a BOM, an unterminated quote,
// a last line without a break), and random texts in random pieces.
#include "support/Csv.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace sky {
namespace {

struct Read {
    int rows = 0;
    TCSVTableRec table;
};

void Configure(TCSVTableRec& t, bool header) {
    CSVConfigure(t, header, false, false, true, false, QChar());
}

Read Whole(QString text, bool header) {
    Read r;
    Configure(r.table, header);
    r.rows = CSVRead(text, r.table);
    return r;
}

// Pieces handed over by Add, or (fromReader) appended by AddFrom's reader.
Read InPieces(QStringView text, const std::vector<qsizetype>& cuts, bool header,
              bool fromReader = false) {
    Read r;
    Configure(r.table, header);
    TCSVPieceReader reader(r.table);
    qsizetype at = 0;
    std::size_t next = 0;
    if (fromReader) {
        reader.AddFrom([&](QString& buffer) {
            if (at >= text.size()) return false;
            const qsizetype end = next < cuts.size() ? cuts[next++] : text.size();
            buffer += text.mid(at, end - at);
            at = end;
            return true;
        });
    } else {
        for (qsizetype cut : cuts) {
            reader.Add(text.mid(at, cut - at));
            at = cut;
        }
        reader.Add(text.mid(at));
    }
    r.rows = reader.Finish();
    return r;
}

void ExpectSame(const Read& a, const Read& b, const std::string& what) {
    ASSERT_EQ(a.rows, b.rows) << what;
    const TCSVConfigRec &x = a.table.Cfg, &y = b.table.Cfg;
    EXPECT_EQ(x.ErrorDescr, y.ErrorDescr) << what;
    EXPECT_EQ(x.ErrorRow, y.ErrorRow) << what;
    EXPECT_EQ(x.ColCount, y.ColCount) << what;
    EXPECT_EQ(x.RowCount, y.RowCount) << what;
    EXPECT_EQ(x.Delimeter, y.Delimeter) << what;
    EXPECT_EQ(x.DoubledDelim, y.DoubledDelim) << what;
    ASSERT_EQ(a.table.Col.size(), b.table.Col.size()) << what;
    for (qsizetype c = 0; c < a.table.Col.size(); ++c) {
        const TCSVColumnRec &p = a.table.Col[c], &q = b.table.Col[c];
        EXPECT_EQ(p.Header, q.Header) << what;
        EXPECT_EQ(p.ColIsEmpty, q.ColIsEmpty) << what;
        EXPECT_EQ(p.ColValsAllSame, q.ColValsAllSame) << what;
        EXPECT_EQ(p.Row.toList(), q.Row.toList()) << what << " column " << c;
    }
}

TEST(CsvPieces, EveryCutOfHostileTextsReadsAsTheWhole) {
    const QString texts[] = {
        QStringLiteral("a,b,c\r\n1,\"x,\"\"y\"\"\",3\r\n\r\n4,5,6"),
        QStringLiteral("\uFEFFid;name\n1;\"multi\r\nline\"\n2;\"\"\n"),
        QStringLiteral("x,\"y\"z,w\n\"open,\"\"quote\nstill"),
        QStringLiteral("a;;b;;c\r1;;2;;3\r\r\r"),
        QStringLiteral("h\n\"q\""),
        QStringLiteral("h1,h2\n1,2,3,4\n5\n\n\n6,7"),
        QStringLiteral("\uFEFF"),
        QStringLiteral("\xE9t\xE9,\u4E2D\n\u00FF,\"\u20AC\"\"\"\n"),
        QStringLiteral("a\tb, c\t\n\"x\ty\",\t\n\"1\r2\"\t,z\n"),
    };
    for (const QString& text : texts) {
        for (bool header : {true, false}) {
            const Read whole = Whole(text, header);
            for (qsizetype cut = 0; cut <= text.size(); ++cut) {
                ExpectSame(whole, InPieces(text, {cut}, header),
                           text.toStdString() + " cut " + std::to_string(cut));
                ExpectSame(whole, InPieces(text, {cut}, header, true),
                           text.toStdString() + " read, cut " + std::to_string(cut));
            }
            std::vector<qsizetype> every;
            for (qsizetype k = 1; k < text.size(); ++k)
                every.push_back(k);
            ExpectSame(whole, InPieces(text, every, header), text.toStdString() + " 1-char pieces");
        }
    }
}

TEST(CsvPieces, RandomTextsInRandomPiecesAndAFirstLineLongerThanTheSample) {
    QRandomGenerator rng(20240611);
    const char16_t alphabet[] = {u'a',  u'1', u',',  u';', u'"', u'"',      u'\r',
                                 u'\n', u' ', u'\t', u'|', u'.', u'\u00E9', u'\u4E2D'};
    for (int round = 0; round < 300; ++round) {
        QString text;
        const int len = int(rng.bounded(1, 20000));
        for (int k = 0; k < len; ++k)
            text += QChar(alphabet[rng.bounded(int(std::size(alphabet)))]);
        if (round % 10 == 0) text = QString(9000, u'x') + QStringLiteral(",y\n1,2\n") + text;
        std::vector<qsizetype> cuts;
        for (qsizetype at = 0; at < text.size();) {
            at += rng.bounded(1, round % 2 ? 64 : 9000);
            if (at < text.size()) cuts.push_back(at);
        }
        const bool header = round % 3 != 0;
        ExpectSame(Whole(text, header), InPieces(text, cuts, header, round % 4 == 1),
                   "round " + std::to_string(round));
    }
}

TEST(CsvPieces, TabsAndBreaksInsideFieldsBecomeSpacesOrTheReplacement) {
    const Read r = InPieces(u"h1,h2\na\tb, c\t\n\"x\ty\",\t\n\"1\r2\"\t,\"3\n4\"\n", {7}, true);
    ASSERT_EQ(r.rows, 3);
    EXPECT_EQ(r.table.Col[0].Row.toList(), QStringList({"a b", "x y", "1;2"}));
    EXPECT_EQ(r.table.Col[1].Row.toList(), QStringList({"c", "", "3 4"}));
}

TEST(CsvPieces, EmptyAndUnconfiguredReadersReportAsTheWholeReader) {
    Read none;
    Configure(none.table, true);
    TCSVPieceReader empty(none.table);
    EXPECT_EQ(empty.Finish(), 0);
    EXPECT_EQ(none.table.Cfg.ErrorDescr, QStringLiteral("CSV Data is Empty"));

    TCSVTableRec raw;
    TCSVPieceReader unconfigured(raw);
    unconfigured.Add(u"a,b\n1,2\n");
    EXPECT_EQ(unconfigured.Finish(), 0);
    EXPECT_EQ(raw.Cfg.ErrorDescr, QStringLiteral("CSV Configuration not Initialized"));
}

} // namespace
} // namespace sky
