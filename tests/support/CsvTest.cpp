// Delimited text: the whole-text reader, the line splitter and joiner, and
// the XML / JSON / grid conversions.
#include "support/Csv.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace sky {
namespace {

// Rows of the table as lists of values, for compact comparisons.
QList<QStringList> Rows(const TCSVTableRec& t) {
    QList<QStringList> rows(t.Cfg.RowCount);
    for (const TCSVColumnRec& c : t.Col)
        for (int r = 0; r < t.Cfg.RowCount; ++r)
            rows[r] << c.Row[r];
    return rows;
}

QList<QStringList> Read(QString text, bool header = false, bool keepEmpty = false,
                        bool keepWs = false, QChar delim = QChar(), bool autoFind = true,
                        TCSVTableRec* out = nullptr) {
    TCSVTableRec t;
    CSVConfigure(t, header, keepEmpty, keepWs, autoFind, false, delim);
    CSVRead(text, t);
    EXPECT_EQ(t.Cfg.ErrorDescr, QString());
    if (out) *out = t;
    return Rows(t);
}

using Grid = QList<QStringList>;

TEST(CsvReadLineEnds, EveryLineEndGivesTheSameRows) {
    const Grid want{{"1", "2"}, {"3", "4"}, {"5", "6"}};
    for (const char* text : {"1,2\n3,4\n5,6", "1,2\r\n3,4\r\n5,6\r\n", "1,2\r3,4\r5,6\r",
                             "1,2\n3,4\r\n5,6\r", "1,2\n3,4\n5,6\n"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Read(QString::fromLatin1(text)), want);
    }
}

TEST(CsvReadLineEnds, BlankLinesDroppedUnlessKept) {
    EXPECT_EQ(Read("a\r\n\r\nb"), (Grid{{"a"}, {"b"}}));
    // CR LF CR LF: one line break then exactly one empty line.
    EXPECT_EQ(Read("a\r\n\r\nb", false, true), (Grid{{"a"}, {""}, {"b"}}));
    EXPECT_EQ(Read("a,b\n , \nc,d\n", false, false), (Grid{{"a", "b"}, {"c", "d"}}));
}

TEST(CsvReadQuoting, QuotedFieldsKeepDelimitersQuotesAndBreaks) {
    EXPECT_EQ(Read("x,\"y\"z,w\n"), (Grid{{"x", "y", "w"}}));
    EXPECT_EQ(Read("a,\"b,\"\"c\"\"\",d\n"), (Grid{{"a", "b,\"c\"", "d"}}));
    // Line breaks inside quotes: CR becomes ";" ("|" with ";"), LF a space.
    EXPECT_EQ(Read("a,\"l1\r\nl2\"\n"), (Grid{{"a", "l1; l2"}}));
    EXPECT_EQ(Read("a;\"l1\r\nl2\"\n"), (Grid{{"a", "l1| l2"}}));
    EXPECT_EQ(Read("a,\"l1\r\nl2\"\n", false, false, true), (Grid{{"a", "l1\r\nl2"}}));
    // The CR replacement is made before trimming, so it stays.
    EXPECT_EQ(Read("\"ab\r\",\" \r\nc \"\n"), (Grid{{"ab;", "; c"}}));
    // Changed fields of early columns survive columns created later in the row.
    QString wide = "a\n\"x\"\"1\",\"y\tz\"";
    Grid want{{"a", ""}, {"x\"1", "y z"}};
    for (int c = 2; c < 40; ++c) {
        wide += ",\"v\"\"" + QString::number(c) + "\"";
        want[0] << "";
        want[1] << "v\"" + QString::number(c);
    }
    EXPECT_EQ(Read(wide + "\n"), want);
    // Closing quote as the very last character.
    EXPECT_EQ(Read("a\n\"b\""), (Grid{{"a"}, {"b"}}));
}

TEST(CsvReadQuoting, UnterminatedQuoteKeepsTextAndReportsRow) {
    TCSVTableRec t;
    CSVConfigure(t, false, false, false, true, false, QChar());
    QString text = QStringLiteral("a,b\nc,\"open, text\nmore");
    EXPECT_EQ(CSVRead(text, t), 2);
    EXPECT_EQ(Rows(t), (Grid{{"a", "b"}, {"c", "open, text more"}}));
    EXPECT_EQ(t.Cfg.ErrorRow, 2);
    EXPECT_EQ(t.Cfg.ErrorDescr, QStringLiteral("Unterminated quoted field in row 2"));
}

TEST(CsvReadShape, EmptyFieldsRaggedRowsAndLastLine) {
    EXPECT_EQ(Read(",,\n"), (Grid{}));
    EXPECT_EQ(Read("a,b,\n,,c\n"), (Grid{{"a", "b", ""}, {"", "", "c"}}));
    // A first line with only doubled delimiters reads as doubled-delimiter text.
    EXPECT_EQ(Read("a,,c\n"), (Grid{{"a", "c"}}));
    TCSVTableRec t;
    EXPECT_EQ(Read("a\nb,c,d\ne\n", false, false, false, QChar(), true, &t),
              (Grid{{"a", "", ""}, {"b", "c", "d"}, {"e", "", ""}}));
    ASSERT_EQ(t.Col.size(), 3);
    EXPECT_EQ(t.Col[2].Header, QStringLiteral("C1"));
    EXPECT_FALSE(t.Col[2].ColIsEmpty);
    // Last line without a break is not dropped.
    EXPECT_EQ(Read("a,b\nc,d"), (Grid{{"a", "b"}, {"c", "d"}}));
    EXPECT_EQ(Read("ab\nc"), (Grid{{"ab"}, {"c"}}));
}

TEST(CsvReadShape, ByteOrderMarkIsStripped) {
    EXPECT_EQ(Read(QString(QChar(0xFEFF)) + "a,b\n"), (Grid{{"a", "b"}}));
}

TEST(CsvReadShape, MegabyteFieldAndManyRows) {
    const QString big(1 << 20, QChar(u'x'));
    EXPECT_EQ(Read("a,\"" + big + "\",c\n" + big + ",d\n"),
              (Grid{{"a", big, "c"}, {big, "d", ""}}));
    QString many;
    for (int i = 0; i < 2500; ++i)
        many += QString::number(i) + ",v\n";
    TCSVTableRec t;
    Read(many, false, false, false, QChar(), true, &t);
    ASSERT_EQ(t.Cfg.RowCount, 2500);
    EXPECT_EQ(t.Col[0].Row.size(), 2500);
    EXPECT_EQ(t.Col[0].Row[1999], QStringLiteral("1999"));
    EXPECT_TRUE(t.Col[1].ColValsAllSame);
    EXPECT_FALSE(t.Col[0].ColValsAllSame);
}

TEST(CsvValues, ValuesReadBackExactlyAcrossBlocks) {
    // Latin-1, wider text, lone surrogates and empty values, past several blocks.
    const QString samples[] = {QString(),
                               QStringLiteral("plain"),
                               QStringLiteral("caf\u00e9"),
                               QStringLiteral("\u0416\u4e2d"),
                               QString(QChar(0xD800)) + "x",
                               QString(QChar(0xDC00)),
                               QString(1000, QChar(u'w'))};
    TCSVValues v;
    QStringList want;
    for (int i = 0; i < 1300; ++i) {
        const QString& s = samples[i % std::size(samples)];
        const QString value = i % 11 == 0 ? s : s + QString::number(i);
        v.append(value);
        want << value;
    }
    ASSERT_EQ(v.size(), want.size());
    EXPECT_TRUE(v == want);
    EXPECT_EQ(v.toList(), want);
    for (qsizetype i : {0, 1, 255, 256, 257, 511, 512, 1299}) {
        EXPECT_EQ(v.at(i), want[i]) << i;
        EXPECT_EQ(v.length(i), want[i].size()) << i;
        EXPECT_TRUE(v.view(i) == QAnyStringView(want[i])) << i;
    }

    // Shrinking inside a block, then appending, then growing with empty values.
    TCSVValues copy = v;
    copy.resize(300);
    want.resize(300);
    copy.append(QStringLiteral("\u4e2d after"));
    want << QStringLiteral("\u4e2d after");
    copy.resize(700);
    want.resize(700);
    EXPECT_TRUE(copy == want);
    EXPECT_EQ(v.size(), 1300); // the copy is independent
    TCSVValues moved = std::move(copy);
    EXPECT_EQ(moved.at(300), QStringLiteral("\u4e2d after"));
    EXPECT_TRUE(copy.isEmpty());
    moved.clear();
    moved.append(u"again");
    EXPECT_EQ(moved.toList(), QStringList{"again"});
}

TEST(CsvReadConfig, HeaderAndDetection) {
    TCSVTableRec t;
    EXPECT_EQ(Read("a;b;c\r\n1;2;3", false, false, false, QChar(), true, &t),
              (Grid{{"a", "b", "c"}, {"1", "2", "3"}}));
    EXPECT_EQ(t.Cfg.Delimeter, QChar(u';'));
    EXPECT_EQ(t.Col[1].Header, QStringLiteral("B1"));
    EXPECT_EQ(Read("a;b;c\r\n1;2;3", true, false, false, QChar(), true, &t),
              (Grid{{"1", "2", "3"}}));
    EXPECT_EQ(t.Col[2].Header, QStringLiteral("c"));
    EXPECT_EQ(t.Cfg.ColCount, 3);
}

TEST(CsvReadConfig, WhitespaceDoubledDelimiterAndErrors) {
    EXPECT_EQ(Read(" a ,\tb\n"), (Grid{{"a", "b"}}));
    EXPECT_EQ(Read(" a ,\tb\n", false, false, true), (Grid{{" a ", "\tb"}}));
    TCSVTableRec t;
    EXPECT_EQ(Read("a;;b;;c\nx;y;;\"z\n", false, false, false, QChar(), true, &t),
              (Grid{{"a", "b", "c"}, {"x;y", "\"z", ""}}));
    EXPECT_TRUE(t.Cfg.DoubledDelim);
    // A fixed delimiter is used when detection is off.
    EXPECT_EQ(Read("a;b|c\n", false, false, false, QChar(u'|'), false), (Grid{{"a;b", "c"}}));

    TCSVTableRec u;
    QString text = "a";
    EXPECT_EQ(CSVRead(text, u), 0);
    EXPECT_EQ(u.Cfg.ErrorDescr, QStringLiteral("CSV Configuration not Initialized"));
    CSVConfigure(u, false, false, false, true, false, QChar());
    QString empty;
    EXPECT_EQ(CSVRead(empty, u), 0);
    EXPECT_EQ(u.Cfg.ErrorDescr, QStringLiteral("CSV Data is Empty"));
}

TEST(CsvDetect, PicksMostFrequentThenPriority) {
    struct Case {
        const char* sample;
        char16_t delim;
        bool doubled;
    } cases[] = {
        {"a,b;c;d", u';', false},  {"a,b;c", u',', false},  {"plain", u',', false},
        {"a\tb\tc", u'\t', false}, {"a;;b;;c", u';', true}, {"a;;b;c", u';', false},
        {"a|b:c|d", u'|', false},  {"", u',', false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sample);
        QChar d;
        bool doubled = false;
        EXPECT_TRUE(DetectDelimiter(QString::fromLatin1(c.sample), d, doubled));
        EXPECT_EQ(d, QChar(c.delim));
        EXPECT_EQ(doubled, c.doubled);
    }
}

TEST(CsvSplitLine, FieldsAndReuse) {
    struct Case {
        const char* line;
        QStringList fields;
    } cases[] = {
        {"a,\"b,c\",d,", {"a", "b,c", "d", ""}},
        {"", {}},
        {"  a , b", {"a ", "b"}},
        {"\"x\"\"y\"junk,z", {"x\"y", "z"}},
        {"\"open, end", {"open, end"}},
        {",", {"", ""}},
        {"a\"\"b,c", {"a\"b", "c"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        QStringList list{"old1", "old2", "old3", "old4", "old5"};
        EXPECT_EQ(SplitCSVLine(QString::fromLatin1(c.line), list, u','), c.fields.size());
        EXPECT_EQ(list, c.fields);
    }
    QStringList list;
    EXPECT_EQ(SplitCSVLine(u"a;b;c", list, QChar()), 3);
}

TEST(CsvQuote, QuoteValueAndCellName) {
    EXPECT_EQ(QuoteCSVValue(u"plain", u','), QStringLiteral("plain"));
    EXPECT_EQ(QuoteCSVValue(u"a,b", u','), QStringLiteral("\"a,b\""));
    EXPECT_EQ(QuoteCSVValue(u"\"quoted\"", u','), QStringLiteral("\"\"\"quoted\"\"\""));
    EXPECT_EQ(QuoteCSVValue(u"a\tb", u'\t'), QStringLiteral("\"a\tb\""));
    EXPECT_EQ(QuoteCSVValue(u" lead", u'\t'), QStringLiteral("\" lead\""));
    EXPECT_EQ(QuoteCSVValue(u"say \"hi\"", u','), QStringLiteral("\"say \"\"hi\"\"\""));
    EXPECT_EQ(QuoteCSVValue(u"l1\nl2", u','), QStringLiteral("\"l1\nl2\""));
    EXPECT_EQ(CellName(1, 1, false, false), QStringLiteral("A1"));
    EXPECT_EQ(CellName(26, 3, false, false), QStringLiteral("Z3"));
    EXPECT_EQ(CellName(27, 3, true, true), QStringLiteral("$AA$3"));
    EXPECT_EQ(CellName(702, 0, false, false), QStringLiteral("ZZ1"));
    EXPECT_EQ(CellName(703, 99999, true, false), QStringLiteral("$AAA65535"));
}

// Join then split gives the cells back. Representable: every cell for a
// delimiter other than space and '"'; leading spaces and a lone empty cell
// are quoted for that reason.
TEST(CsvRoundTrip, RandomCellsSurviveJoinAndSplit) {
    const QString alphabet = QStringLiteral("ab ,;\"\r\n\t\u00e9\u4e2d");
    QRandomGenerator rng(12345);
    for (int iter = 0; iter < 3000; ++iter) {
        QStringList cells;
        const int n = int(rng.bounded(5));
        for (int k = 0; k < n; ++k) {
            QString cell;
            const int len = int(rng.bounded(6));
            for (int j = 0; j < len; ++j)
                cell += alphabet[rng.bounded(int(alphabet.size()))];
            cell += (rng.bounded(8) == 0) ? QString(QChar(0xD83D)) + QChar(0xDE00) : QString();
            cells << cell;
        }
        const QChar delim = rng.bounded(2) ? QChar(u',') : QChar(u';');
        const QString line = JoinCSVLine(cells, delim);
        QStringList back;
        SplitCSVLine(line, back, delim);
        ASSERT_EQ(back, cells) << line.toStdString();
    }
}

TEST(CsvConvert, JsonValues) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"42", "42"},     {"007", "\"007\""},     {"1e5", "1e5"},      {"1e", "\"1e\""},
        {"-3.5", "-3.5"}, {"Null", "null"},       {" TRUE ", "true"},  {"", "\"\""},
        {"0", "0"},       {"+1", "\"+1\""},       {"1.", "\"1.\""},    {"1 2", "12"},
        {"2E-3", "2E-3"}, {"a\"b", "\"a\\\"b\""}, {"12 345", "12345"}, {" 7.50 ", "7.50"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(JSONValue(QString::fromLatin1(c.in)), QString::fromLatin1(c.out));
    }
}

const QStringList kHostile{QStringLiteral("1 bad name,<x>,a\"q,Record_No,,\u00e9\x01"),
                           QStringLiteral("\"<&>\",\"\"\"\",y\x02\u00e9,null,007,x"),
                           QStringLiteral("short")};

TEST(CsvConvert, XmlOfHostileNamesParses) {
    QStringList out;
    ASSERT_TRUE(CSVLinesToXML(kHostile, out, u','));
    QXmlStreamReader xml(out.join(u'\n'));
    QStringList values;
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() != u"record" &&
            xml.name() != u"data" && xml.name() != u"results")
            values << xml.readElementText();
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(values.mid(0, 2), (QStringList{"<&>", "\""}));
    EXPECT_TRUE(values.contains(QStringLiteral("2")));
    QStringList untouched{"keep"};
    EXPECT_FALSE(CSVLinesToXML({"only"}, untouched, u','));
    EXPECT_EQ(untouched, QStringList{"keep"});
}

TEST(CsvConvert, JsonOfHostileNamesParses) {
    QStringList out;
    ASSERT_TRUE(CSVLinesToJSON(kHostile, out, u','));
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(out.join(u'\n').toUtf8(), &err);
    ASSERT_EQ(err.error, QJsonParseError::NoError) << err.errorString().toStdString();
    const QJsonObject rec = doc.object()["data"].toArray()[0].toObject();
    EXPECT_EQ(rec["Record_No2"].toInt(), 0);
    EXPECT_EQ(rec["<x>"].toString(), QStringLiteral("\""));
    EXPECT_TRUE(rec["Record_No"].isNull());
    EXPECT_EQ(rec["a\"q"].toString(), QStringLiteral("y\x02\u00e9"));
    EXPECT_EQ(doc.object()["results"].toObject()["records"].toInt(), 2);
    EXPECT_EQ(doc.object()["data"].toArray()[1].toObject().size(), 1);
}

TEST(CsvConvert, PropsAndGrids) {
    QStringList props;
    EXPECT_TRUE(CSVLineToProps({"a, ,b", "1,2,x"}, 1, props));
    EXPECT_EQ(props, (QStringList{"a=1", "b=x"}));
    EXPECT_FALSE(CSVLineToProps({"a,b", "1"}, 1, props));
    EXPECT_FALSE(CSVLineToProps({"a,b"}, 1, props));

    const CsvGrid g = LinesToGrid({"a", "b,\"c,d\",e", ""}, u',');
    EXPECT_EQ(g, (CsvGrid{{"a", "", ""}, {"b", "c,d", "e"}, {"", "", ""}}));
    EXPECT_EQ(GridToLines(g, u','), (QStringList{"a,,", "b,\"c,d\",e", ",,"}));
    EXPECT_EQ(GridToClipboard(g, {10, 4, 20}, "\t"), QStringLiteral("a\t\t\n\t\t\n"));

    TCSVTableRec t;
    Read("h1,h2\n1,2\n", true, false, false, QChar(), true, &t);
    CsvGrid out;
    TableToGrid(t, out, 0, 1);
    EXPECT_EQ(out, (CsvGrid{{"h1", "h2"}, {"1", "2"}}));
}

} // namespace
} // namespace sky
