// The JSON and XML result exporters against real database files, with the Qt
// JSON and XML parsers reading the output back.
#include "common/TempDb.h"
#include "engine/Statement.h"
#include "support/XmlText.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QXmlStreamReader>
#include <sqlite3.h>

namespace sky::test {
namespace {

class ExportTest : public TempDbTest {
protected:
    // One text column v, filled with the given texts in order (id 0, 1, ...).
    void FillTexts(const QStringList& texts) {
        Run(QStringLiteral("CREATE TABLE t(id INTEGER PRIMARY KEY, v);"));
        for (qsizetype i = 0; i < texts.size(); ++i)
            Insert(QStringLiteral("INSERT INTO t VALUES(?, ?)"), {QString::number(i), texts[i]});
    }
    void Insert(const QString& sql, const QStringList& values) {
        auto st = db.Prepare(sql);
        ASSERT_TRUE(st) << db.LastError().toStdString();
        for (qsizetype i = 0; i < values.size(); ++i)
            st->BindText(int(i + 1), values[i]);
        ASSERT_EQ(st->Step(), SQLITE_DONE) << db.LastError().toStdString();
    }
    QByteArray Json(const QString& sql, int memLimit = 0, bool convertBlobs = true,
                    bool expectOk = true) {
        QBuffer buf;
        buf.open(QIODevice::WriteOnly);
        EXPECT_EQ(db.QueryToJSONStream(&buf, sql, memLimit, convertBlobs), expectOk)
            << db.LastError().toStdString();
        EXPECT_FALSE(db.IsBusy());
        return buf.data();
    }
    QByteArray Xml(const QString& sql, int memLimit = 0, bool convertBlobs = true,
                   bool expectOk = true) {
        QBuffer buf;
        buf.open(QIODevice::WriteOnly);
        EXPECT_EQ(db.QueryToXMLStream(&buf, sql, memLimit, convertBlobs), expectOk)
            << db.LastError().toStdString();
        EXPECT_FALSE(db.IsBusy());
        return buf.data();
    }
};

QJsonObject ParseJson(const QByteArray& text) {
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &err);
    EXPECT_EQ(err.error, QJsonParseError::NoError)
        << err.errorString().toStdString() << " at " << err.offset << " in " << text.toStdString();
    return doc.object();
}

// The records of an exported document (element names and texts in order)
// and its results block, name -> text.
struct XmlDoc {
    std::vector<std::vector<std::pair<QString, QString>>> records;
    QMap<QString, QString> results;
};

XmlDoc ParseXml(const QByteArray& text) {
    XmlDoc d;
    QXmlStreamReader r(text);
    QStringList path;
    while (!r.atEnd()) {
        const auto tok = r.readNext();
        if (tok == QXmlStreamReader::EndElement) path.removeLast();
        if (tok != QXmlStreamReader::StartElement) continue;
        path << r.name().toString();
        if (path == QStringList{QStringLiteral("data"), QStringLiteral("record")}) {
            d.records.emplace_back();
            EXPECT_EQ(r.attributes().value(QLatin1String("idx")).toInt(), d.records.size() - 1);
        } else if (path.size() == 3) {
            const QString name = path.takeLast(), value = r.readElementText();
            if (path.last() == QLatin1String("record"))
                d.records.back().emplace_back(name, value);
            else
                d.results[name] = value;
        }
    }
    EXPECT_FALSE(r.hasError()) << r.errorString().toStdString() << " in " << text.toStdString();
    return d;
}

// The text between the column's opening and the row's closing in each data
// line: the written form of the single exported value.
QList<QByteArray> JsonCells(const QByteArray& out) {
    QList<QByteArray> cells;
    for (const QByteArray& line : out.split('\n')) {
        const qsizetype at = line.indexOf("\"v\":");
        if (!line.startsWith("    { ") || at < 0) continue;
        QByteArray cell = line.mid(at + 4);
        cell.chop(cell.endsWith(" },\r") ? 4 : 3);
        cells << cell;
    }
    return cells;
}

// --- exact output ------------------------------------------------------------

TEST_F(ExportTest, ExportJsonTwoRowsByteForByte) {
    Run(QStringLiteral("CREATE TABLE t(id, name); INSERT INTO t VALUES(1,'a'),(2,'b');"));
    const QString sql = QStringLiteral("SELECT id, name FROM t ORDER BY id");
    const QByteArray expected = "{ \"data\": [\r\n"
                                "    { \"Record_No\":0, \"id\":1, \"name\":\"a\" },\r\n"
                                "    { \"Record_No\":1, \"id\":2, \"name\":\"b\" }\r\n"
                                "  ],\r\n"
                                "  \"results\": {\"records\":2, \"fields\":2, \"error\":false }\r\n"
                                "}\r\n";
    EXPECT_EQ(Json(sql), expected);
    EXPECT_EQ(db.StatsQuery().totResultRows, 2);
    EXPECT_EQ(db.StatsQuery().totResultCols, 2);
    QString text;
    ASSERT_TRUE(db.QueryToJSON(text, sql, 0, true));
    EXPECT_EQ(text, QString::fromUtf8(expected));
    QStringList lines;
    ASSERT_TRUE(db.QueryToJSON(lines, sql, 0, true));
    EXPECT_EQ(lines, text.split(QStringLiteral("\r\n")).mid(0, 6));
}

TEST_F(ExportTest, ExportXmlTwoRowsByteForByte) {
    Run(QStringLiteral("CREATE TABLE t(id, name, x); INSERT INTO t VALUES(1,'a',NULL),"
                       "(2.5,'b<&>\"',X'FF');"));
    const QByteArray expected = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n"
                                "<data>\r\n"
                                "  <record idx=\"0\">\r\n"
                                "    <id>1</id>\r\n"
                                "    <name>a</name>\r\n"
                                "    <x>NULL</x>\r\n"
                                "  </record>\r\n"
                                "  <record idx=\"1\">\r\n"
                                "    <id>2.5</id>\r\n"
                                "    <name>b&lt;&amp;&gt;&quot;</name>\r\n"
                                "    <x>0xFF</x>\r\n"
                                "  </record>\r\n"
                                "  <results>\r\n"
                                "    <records>2</records>\r\n"
                                "    <fields> 3</fields>\r\n"
                                "    <error></error>\r\n"
                                "  </results>\r\n"
                                "</data>\r\n";
    const QString sql = QStringLiteral("SELECT * FROM t ORDER BY id");
    EXPECT_EQ(Xml(sql), expected);
    QStringList lines;
    ASSERT_TRUE(db.QueryToXML(lines, sql, 0, true));
    EXPECT_EQ(lines.size(), 18);
    EXPECT_EQ(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"),
              QString::fromUtf8(expected));
    EXPECT_TRUE(Xml(QStringLiteral("SELECT x FROM t WHERE id > 2"), 0, false)
                    .contains("    <x>[Blob]</x>\r\n"));
}

TEST_F(ExportTest, ExportEmptyAndFailingResults) {
    Run(QStringLiteral("CREATE TABLE t(a);"));
    const QByteArray jsonHead =
        "{ \r\n  \"data\": [ ], \"results\": {\"records\":0, \"fields\":0, \"error\":";
    const QByteArray xmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<data>\r\n"
                               "  <results>\r\n    <records>0</records>\r\n"
                               "    <fields> 0</fields>\r\n    <error>";
    const QByteArray overflow = "Database Query Error: DB Error: integer overflow";
    const struct {
        const char* sql;
        bool ok;
        QByteArray error;
    } cases[] = {
        {"SELECT a FROM t", true, ""},
        {"DELETE FROM t", true, ""},
        {"SELECT abs(-9223372036854775807 - 1)", false, overflow},
    };
    for (const auto& c : cases) {
        const QString sql = QString::fromLatin1(c.sql);
        EXPECT_EQ(Json(sql, 0, true, c.ok),
                  jsonHead + (c.ok ? "false" : '"' + c.error + '"') + " }\r\n}\r\n");
        EXPECT_EQ(Xml(sql, 0, true, c.ok),
                  xmlHead + c.error + "</error>\r\n  </results>\r\n</data>\r\n");
    }
    EXPECT_EQ(db.LastError(), QStringLiteral("DB Error: integer overflow"));
    EXPECT_EQ(ParseXml(Xml(QStringLiteral("SELECT [<a>] FROM t"), 0, true, false))
                  .results[QStringLiteral("error")],
              QStringLiteral("Database Query Error: DB Error: no such column: <a>"));
}

TEST_F(ExportTest, ExportLaterStepErrorKeepsTheRowsWritten) {
    const QString sql = QStringLiteral(
        "SELECT abs(column1) AS v FROM (VALUES (1), (2), (-9223372036854775807 - 1))");
    const QString error = QStringLiteral("Database Query Error: DB Error: integer overflow");
    const QJsonObject json = ParseJson(Json(sql, 0, true, false));
    EXPECT_EQ(json[QLatin1String("data")].toArray().size(), 2);
    EXPECT_EQ(json[QLatin1String("results")].toObject(),
              (QJsonObject{{QStringLiteral("records"), 2},
                           {QStringLiteral("fields"), 1},
                           {QStringLiteral("error"), error}}));
    const XmlDoc xml = ParseXml(Xml(sql, 0, true, false));
    EXPECT_EQ(xml.records.size(), 2u);
    EXPECT_EQ(xml.results, (QMap<QString, QString>{{QStringLiteral("records"), QStringLiteral("2")},
                                                   {QStringLiteral("fields"), QStringLiteral(" 1")},
                                                   {QStringLiteral("error"), error}}));
}

// --- JSON values and keys -------------------------------------------------------

TEST_F(ExportTest, ExportJsonTextCells) {
    const struct {
        const char* text;
        const char* written;
    } cases[] = {
        {"007", "\"007\""},
        {"0", "0"},
        {"7.5", "7.5"},
        {"-3E2", "-3E2"},
        {"-0.25e+10", "-0.25e+10"},
        {" 1 000 ", "1000"},
        {"1.", "\"1.\""},
        {".5", "\".5\""},
        {"+1", "\"+1\""},
        {"1e5e5", "\"1e5e5\""},
        {"1-2", "\"1-2\""},
        {"-", "\"-\""},
        {"   ", "\"   \""},
        {"", "\"\""},
        {"true", "true"},
        {"TRUE", "true"},
        {" Null", "null"},
        {"FALSE", "false"},
        {"false ", "\"false \""},
        {"nulls", "\"nulls\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"a/b\\c", "\"a\\/b\\\\c\""},
        {"\b\t\n\f\r", "\"\\b\\t\\n\\f\\r\""},
        {"\x01\x1f\x7f", "\"\\u0001\\u001F\\u007F\""},
        {"\xc3\xa9\xe4\xb8\xad", "\"\\u00E9\\u4E2D\""},
        {"\xf0\x9f\x98\x80", "\"\\uD83D\\uDE00\""},
    };
    QStringList texts;
    for (const auto& c : cases)
        texts << QString::fromUtf8(c.text);
    FillTexts(texts);
    const QByteArray out = Json(QStringLiteral("SELECT v FROM t ORDER BY id"));
    const QList<QByteArray> cells = JsonCells(out);
    ASSERT_EQ(cells.size(), qsizetype(std::size(cases))) << out.toStdString();
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(cells[qsizetype(i)], QByteArray(cases[i].written)) << "text: " << cases[i].text;
    ParseJson(out);
}

TEST_F(ExportTest, ExportJsonEngineTypes) {
    const struct {
        const char* expr;
        bool convertBlobs;
        const char* written;
    } cases[] = {
        {"42", true, "42"},
        {"-9223372036854775807 - 1", true, "-9223372036854775808"},
        {"1.5", true, "1.5"},
        {"1e308 * 10", true, "null"},
        {"-1e308 * 10", true, "null"},
        {"NULL", true, "null"},
        {"X'01AB'", true, "\"0x01AB\""},
        {"X'01AB'", false, "\"[Blob]\""},
    };
    for (const auto& c : cases) {
        const QByteArray out =
            Json(QStringLiteral("SELECT %1 AS v").arg(QLatin1String(c.expr)), 0, c.convertBlobs);
        EXPECT_EQ(JsonCells(out), QList<QByteArray>{c.written}) << c.expr;
        ParseJson(out);
    }
}

TEST_F(ExportTest, ExportJsonRecordKeyAvoidsColumnNames) {
    const struct {
        const char* select;
        const char* key;
    } cases[] = {
        {"SELECT 1 AS a", "Record_No"},
        {"SELECT 1 AS record_no", "Record_No2"},
        {"SELECT 1 AS Record_No, 2 AS Record_No2", "Record_No3"},
        {"SELECT 1 AS RECORD_NO2, 2 AS record_no", "Record_No3"},
        {"SELECT 1 AS Record_No3, 2 AS Record_No", "Record_No2"},
    };
    for (const auto& c : cases) {
        const QByteArray out = Json(QString::fromLatin1(c.select));
        EXPECT_TRUE(out.contains("    { \"" + QByteArray(c.key) + "\":0, ")) << out.toStdString();
    }
}

// --- memory limit -----------------------------------------------------------------

TEST_F(ExportTest, ExportMemLimitStopsAfterTheRowThatPassesIt) {
    FillTexts(QStringList(20, QStringLiteral("some text")));
    const QString sql = QStringLiteral("SELECT v FROM t ORDER BY id");
    for (const bool json : {true, false}) {
        const QByteArray full = json ? Json(sql) : Xml(sql);
        // Where the third row ends.
        const QByteArray rowEnd = json ? " }" : "  </record>\r\n";
        qsizetype end = 0;
        for (int i = 0; i < 3; ++i)
            end = full.indexOf(rowEnd, end) + rowEnd.size();
        const struct {
            qsizetype limit;
            int rows;
        } cases[] = {{1, 1}, {end - 1, 3}, {end, 4}, {full.size() * 2, 20}};
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << "json " << json << " limit " << c.limit);
            if (json) {
                const QJsonObject doc = ParseJson(Json(sql, int(c.limit)));
                EXPECT_EQ(doc[QLatin1String("data")].toArray().size(), c.rows);
                EXPECT_EQ(doc[QLatin1String("results")][QLatin1String("records")].toInt(), c.rows);
                EXPECT_FALSE(doc[QLatin1String("results")][QLatin1String("error")].toBool(true));
            } else {
                const XmlDoc doc = ParseXml(Xml(sql, int(c.limit)));
                EXPECT_EQ(doc.records.size(), size_t(c.rows));
                EXPECT_EQ(doc.results[QStringLiteral("records")], QString::number(c.rows));
                EXPECT_EQ(doc.results[QStringLiteral("error")], QString());
            }
        }
    }
}

// --- hostile names and values -----------------------------------------------------

struct HostileColumn {
    const char* name;
    const char* value;
    bool xmlSafe; // no characters that XML 1.0 cannot carry at all
};

const HostileColumn kHostile[] = {
    {"a\"b", "say \"hi\" & <bye>", true},
    {"<tag>", "</v><x>", true},
    {"a&b", "&amp; is not decoded", true},
    {"1st", "tab\tand\nline", true},
    {"with space", " spaces ", true},
    {"na\xc3\xafve",
     "Gr\xc3\xbc\xc3\x9f"
     "e \xe4\xb8\xad\xe6\x96\x87 \xf0\x9f\x99\x82",
     true},
    {"x:y", "slash / back \\ slash", true},
    {"ctl\x01name", "bell\x07 bs\b ff\f cr\r", false},
    {"-dash", "]]> and '", true},
};

class ExportHostileTest : public ExportTest {
protected:
    void SetUp() override {
        ExportTest::SetUp();
        QStringList cols, marks, values;
        for (const auto& c : kHostile) {
            cols << Quoted(c.name);
            marks << QStringLiteral("?");
            values << QString::fromUtf8(c.value);
        }
        Run(QStringLiteral("CREATE TABLE h(%1);").arg(cols.join(',')));
        Insert(QStringLiteral("INSERT INTO h VALUES(%1)").arg(marks.join(',')), values);
    }
    static QString Quoted(const char* name) {
        return '"' + QString::fromUtf8(name).replace('"', QStringLiteral("\"\"")) + '"';
    }
};

TEST_F(ExportHostileTest, ExportJsonReadsBackTheSameNamesAndValues) {
    const QByteArray out = Json(QStringLiteral("SELECT *, count(*) FROM h"));
    const QJsonObject rec = ParseJson(out)[QLatin1String("data")].toArray()[0].toObject();
    EXPECT_EQ(rec.size(), qsizetype(std::size(kHostile)) + 2);
    for (const auto& c : kHostile)
        EXPECT_EQ(rec.value(QString::fromUtf8(c.name)).toString(), QString::fromUtf8(c.value))
            << c.name;
    EXPECT_EQ(rec.value(QLatin1String("count(*)")).toInt(), 1);
    EXPECT_EQ(rec.value(QLatin1String("Record_No")).toInt(-1), 0);
    // Only printable ASCII leaves the exporter.
    for (char ch : out)
        EXPECT_TRUE((ch >= 32 && ch <= 126) || ch == '\r' || ch == '\n') << int(ch);
}

TEST_F(ExportHostileTest, ExportXmlReadsBackTheSameTexts) {
    QString cols;
    std::vector<std::pair<QString, QString>> expected;
    for (const auto& c : kHostile) {
        if (!c.xmlSafe) continue;
        cols += Quoted(c.name) + QStringLiteral(", ");
        expected.emplace_back(XmlElementName(QString::fromUtf8(c.name)),
                              QString::fromUtf8(c.value));
    }
    expected.emplace_back(QStringLiteral("count___"), QStringLiteral("1"));
    const XmlDoc doc = ParseXml(Xml(QStringLiteral("SELECT %1count(*) FROM h").arg(cols)));
    ASSERT_EQ(doc.records.size(), 1u);
    EXPECT_EQ(doc.records[0], expected);
    EXPECT_EQ(doc.results[QStringLiteral("fields")], QStringLiteral(" %1").arg(expected.size()));
}

TEST_F(ExportTest, ExportXmlNullDisplayText) {
    Run(QStringLiteral("CREATE TABLE t(v); INSERT INTO t VALUES(NULL);"));
    const QString sql = QStringLiteral("SELECT v FROM t");
    EXPECT_TRUE(Xml(sql).contains("    <v>NULL</v>\r\n"));
    SetNullDisplayText(QStringLiteral("<none>"));
    const QByteArray xml = Xml(sql), json = Json(sql);
    SetNullDisplayText(QStringLiteral("NULL"));
    EXPECT_TRUE(xml.contains("    <v>&lt;none&gt;</v>\r\n")) << xml.toStdString();
    EXPECT_EQ(JsonCells(json), QList<QByteArray>{"null"});
}

// --- refusals -------------------------------------------------------------------

TEST_F(ExportTest, ExportRefusedWhileBusyAndForEmptySql) {
    Run(QStringLiteral("CREATE TABLE t(a);"));
    bool tried = false;
    std::vector<bool> results;
    QStringList errors;
    QByteArray written;
    QString text = QStringLiteral("old");
    db.SetProgressHandler([&](TSQLite3Database* s, qint64 done, qint64 total, bool&) {
        if (tried || done == total) return;
        tried = true;
        QBuffer buf;
        buf.open(QIODevice::WriteOnly);
        results.push_back(s->QueryToJSONStream(&buf, QStringLiteral("SELECT 1"), 0, true));
        errors << s->LastError();
        results.push_back(s->QueryToXMLStream(&buf, QStringLiteral("SELECT 1"), 0, true));
        errors << s->LastError();
        results.push_back(s->QueryToXML(text, QStringLiteral("SELECT 1"), 0, true));
        written = buf.data();
        s->ClearError();
    });
    Run(QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE "
                       "x<2000) INSERT INTO t SELECT x FROM c;"));
    db.SetProgressHandler(nullptr);
    ASSERT_TRUE(tried);
    EXPECT_EQ(results, (std::vector<bool>{false, false, false}));
    EXPECT_EQ(errors, QStringList(2, QStringLiteral("Database Busy")));
    EXPECT_TRUE(written.isEmpty());
    EXPECT_TRUE(text.isEmpty());
    EXPECT_TRUE(Json(QString(), 0, true, false).isEmpty());
    EXPECT_TRUE(Xml(QString(), 0, true, false).isEmpty());
}

// --- XML text helpers -------------------------------------------------------------

TEST(ExportXmlText, Escape) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"", ""},
        {"plain 'text'", "plain 'text'"},
        {"&lt;", "&amp;lt;"},
        {"<a href=\"x\">", "&lt;a href=&quot;x&quot;&gt;"},
        {"\t\r\n\xc3\xa9", "\t\r\n\xc3\xa9"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(XMLEscape(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

TEST(ExportXmlText, ElementNames) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"id", "id"},
        {"_x.y-z9", "_x.y-z9"},
        {"na\xc3\xafve", "na\xc3\xafve"},
        {"\xe4\xb8\xad\xe6\x96\x87", "\xe4\xb8\xad\xe6\x96\x87"},
        {"\xf0\x90\x80\x80", "\xf0\x90\x80\x80"},
        {"count(*)", "count___"},
        {"1st", "_1st"},
        {"-x", "_-x"},
        {"\xcc\x81"
         "a",
         "_\xcc\x81"
         "a"},
        {"a b", "a_b"},
        {"x:y", "x_y"},
        {"\"q\"", "_q_"},
        {"\xef\xbf\xbf", "_"},
        {"", "_"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(XmlElementName(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
    // A lone surrogate is one invalid character.
    EXPECT_EQ(XmlElementName(QString(QChar(0xD800)) + QLatin1Char('a')), QStringLiteral("_a"));
}

} // namespace
} // namespace sky::test
