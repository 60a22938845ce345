// The results' copies, saves and exports on real files: hostile cells read
// back as the same cells through the CSV reader, an XML reader and a JSON
// parser; the row, column and heading shapes byte for byte; saves and query
// exports that leave no half file; a query into a new table all or nothing;
// the name questions.
#include "workspace/ResultsExport.h"

#include "common/FakeChooser.h"
#include "common/FaultInject.h"
#include "common/ScriptedPrompter.h"
#include "common/TempDb.h"
#include "engine/ResultTable.h"
#include "engine/SqlLiteral.h"
#include "support/Csv.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QXmlStreamReader>

namespace sky::test {
namespace {

class ResultsExportTest : public TempDbTest {
protected:
    void Load(const QString& sql) {
        ASSERT_TRUE(db.QueryToResults(rows, sql, -1, -1)) << db.LastError().toStdString();
    }
    QString Cell(int r, int c) const { return rows.Text(r, c); }
    TResultTable rows;
};

// Cells a copy must carry unchanged.
const char* const kHostile[] = {"a,b",    "tab\there", "\"quoted\"", "say \"hi\"",  " lead",
                                "trail ", "&",         "a&b",        "<x>",         "007",
                                "12 345", "",          "semi;colon", "back\\slash", "ünï"};

TEST_F(ResultsExportTest, HostileCellsReadBackFromEveryGridCopy) {
    Run("CREATE TABLE t(\"na me\" TEXT, \"v,al\" TEXT, \"Record_No\" INT);");
    int i = 0;
    for (const char* v : kHostile)
        Run(QStringLiteral("INSERT INTO t VALUES (%1, %2, %3);")
                .arg(QuoteSqlString(QString::fromUtf8(v)), QuoteSqlString(QString::fromUtf8(v)))
                .arg(i++));
    Load("SELECT * FROM t");
    const int n = int(std::size(kHostile));
    ASSERT_EQ(rows.RowCount(), n);
    // CSV and tab copies through the CSV reader (white space kept).
    for (GridCopy shape : {GridCopy::Csv, GridCopy::Tab}) {
        QString text = CopyGrid(rows, shape);
        TCSVTableRec table;
        CSVConfigure(table, true, true, true, false, false,
                     shape == GridCopy::Tab ? QChar(u'\t') : QChar(u','));
        ASSERT_EQ(CSVRead(text, table), n) << table.Cfg.ErrorDescr.toStdString();
        EXPECT_EQ(table.Col[1].Header, "v,al");
        for (int r = 0; r < n; ++r)
            EXPECT_EQ(table.Col[0].Row.at(r), QString::fromUtf8(kHostile[r])) << r;
    }
    // XML: every value escaped, the names made valid.
    QXmlStreamReader xml(CopyGrid(rows, GridCopy::Xml));
    QStringList values;
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"na_me")
            values << xml.readElementText();
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    ASSERT_EQ(values.size(), n);
    for (int r = 0; r < n; ++r)
        EXPECT_EQ(values[r], QString::fromUtf8(kHostile[r])) << r;
    // JSON: written straight from the grid, the same text as from its lines.
    EXPECT_EQ(CopyGrid(rows, GridCopy::Json), GridJsonDocument(ResultGridLines(rows)));
    // Names escaped, a record key that differs from the heading.
    QJsonParseError err;
    const QJsonDocument doc =
        QJsonDocument::fromJson(CopyGrid(rows, GridCopy::Json).toUtf8(), &err);
    ASSERT_EQ(err.error, QJsonParseError::NoError) << err.errorString().toStdString();
    const QJsonArray data = doc.object().value("data").toArray();
    ASSERT_EQ(data.size(), n);
    EXPECT_EQ(data[2].toObject().value("Record_No2").toInt(), 2);
    EXPECT_EQ(data[0].toObject().value("v,al").toString(), "a,b");
    EXPECT_EQ(data[9].toObject().value("na me").toString(), "007");
    EXPECT_EQ(data[10].toObject().value("na me").toInt(), 12345);
    EXPECT_EQ(data[14].toObject().value("na me").toString(), QString::fromUtf8("ünï"));
}

TEST_F(ResultsExportTest, FilteredRowsAreLeftOutOfTheClipboardCopiesOnly) {
    Run("CREATE TABLE t(a INT); INSERT INTO t VALUES (1), (2), (3);");
    Load("SELECT a FROM t");
    auto odd = [](int r) { return r % 2 == 0; };
    EXPECT_EQ(CopyGrid(rows, GridCopy::Csv, odd), "a\r\n1\r\n3");
    EXPECT_EQ(CopyGrid(rows, GridCopy::Tab), "a\r\n1\r\n2\r\n3");
    EXPECT_TRUE(CopyGrid(rows, GridCopy::Json).contains("\"a\":2"));
}

TEST_F(ResultsExportTest, RowColumnAndHeadingShapes) {
    Run("CREATE TABLE t(id INTEGER, name TEXT, price REAL, pic BLOB, \" \" TEXT);"
        "INSERT INTO t VALUES (1, 'O''Neil, Jr', 2.5, x'00ff', 'x'), (2, 'b', NULL, NULL, ''),"
        "(3, 'A', 1, NULL, ''), (4, 'a', 1, NULL, ''), (5, 'B', 1, NULL, ''), (6, '', 1, NULL, "
        "'');");
    Load("SELECT * FROM t");
    const struct {
        RowCopy shape;
        const char* text;
    } rowCases[] = {
        {RowCopy::Csv, "id,name,price,pic,\" \"\r\n1,\"O'Neil, Jr\",2.5,[Blob],x\r\n"},
        {RowCopy::CsvData, "1,\"O'Neil, Jr\",2.5,[Blob],x"},
        {RowCopy::Tab, "id\tname\tprice\tpic\t\" \"\r\n1\t\"O'Neil, Jr\"\t2.5\t[Blob]\tx"},
        {RowCopy::TabData, "1\t\"O'Neil, Jr\"\t2.5\t[Blob]\tx\r\n"},
        {RowCopy::List, "1\r\nO'Neil, Jr\r\n2.5\r\n[Blob]\r\nx"},
        {RowCopy::Props, "id=1\r\nname=O'Neil, Jr\r\nprice=2.5\r\npic=[Blob]"},
        {RowCopy::Json,
         "{ \"Record_No\":0, \"id\":1, \"name\":\"O'Neil, Jr\", \"price\":2.5, \"pic\":\"[Blob]\", "
         "\" \":\"x\" }"},
        {RowCopy::Sql,
         "(id, name, price, pic, \" \")\r\nVALUES \r\n(1, 'O''Neil, Jr', 2.5, X'00FF', 'x')"},
        {RowCopy::SqlValues, "VALUES \r\n(1, 'O''Neil, Jr', 2.5, X'00FF', 'x')"},
    };
    for (const auto& c : rowCases)
        EXPECT_EQ(CopyRow(rows, 0, c.shape), QString::fromUtf8(c.text)) << int(c.shape);
    EXPECT_TRUE(CopyRow(rows, 0, RowCopy::Xml).contains("    <name>O'Neil, Jr</name>\r\n"));
    EXPECT_EQ(CopyRow(rows, 1, RowCopy::SqlValues), "VALUES \r\n(2, 'b', NULL, NULL, '')");
    EXPECT_TRUE(CopyRow(rows, 99, RowCopy::Csv).isEmpty());

    // The unique copy of b, A, a, B: b and A, sorted; blanks dropped.
    EXPECT_EQ(CopyColumn(rows, 1, ColumnCopy::Unique), "A\r\nb\r\nO'Neil, Jr");
    EXPECT_EQ(CopyColumn(rows, 0, ColumnCopy::List), "id\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6");
    EXPECT_EQ(CopyColumn(rows, 0, ColumnCopy::ListData), "1\r\n2\r\n3\r\n4\r\n5\r\n6");
    Load("SELECT 'it''s' AS a UNION ALL SELECT 'x]`\"y'");
    const struct {
        ColumnCopy shape;
        const char* text;
    } colCases[] = {
        {ColumnCopy::Plain, "it's, x]`\"y"},
        {ColumnCopy::Single, "'it''s', 'x]`\"y'"},
        {ColumnCopy::Double, "\"it's\", \"x]`\"\"y\""},
        {ColumnCopy::Backtick, "`it's`, `x]\\`\"y`"},
        {ColumnCopy::Brackets, "[it's], [x\\]`\"y]"},
    };
    for (const auto& c : colCases)
        EXPECT_EQ(CopyColumn(rows, 0, c.shape), QString::fromUtf8(c.text)) << int(c.shape);
    Load("SELECT 1 AS a, 2 AS \"b b\", 3 AS \" \"");
    EXPECT_EQ(CopyHeadings(rows, HeaderCopy::List), "a\r\nb b");
    EXPECT_EQ(CopyHeadings(rows, HeaderCopy::Brackets), "[a], [b b]");
}

TEST_F(ResultsExportTest, SavesAreWholeOrNotThere) {
    Run("CREATE TABLE t(a TEXT); INSERT INTO t VALUES ('x'), ('y,z');");
    Load("SELECT a FROM t");
    const QString file = dir.filePath("out.csv");
    QString why;
    ASSERT_TRUE(SaveGrid(rows, SaveKind::Csv, file, why)) << why.toStdString();
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("\xEF\xBB\xBF"
                                      "a\r\nx\r\n\"y,z\"\r\n"));
    f.close();
    // Without data rows nothing is written; an existing file stays.
    Load("SELECT a FROM t WHERE 0");
    EXPECT_FALSE(SaveGrid(rows, SaveKind::Json, file, why));
    EXPECT_EQ(why, "No valid Results data found...");
    EXPECT_TRUE(QFile::exists(file));
    // A folder that does not exist: the reason, no file.
    Load("SELECT a FROM t");
    EXPECT_FALSE(SaveGrid(rows, SaveKind::Xml, dir.filePath("no/such/x.xml"), why));
    EXPECT_FALSE(why.isEmpty());
}

TEST_F(ResultsExportTest, QueryToFileKindsAndFailures) {
    Run("CREATE TABLE t(id INTEGER PRIMARY KEY, v TEXT); INSERT INTO t VALUES (1, 'a'), (2, 'b');"
        "CREATE VIEW w AS SELECT * FROM t;");
    const QString file = dir.filePath("q.sql");
    QString status;
    QueryFileRequest r{QueryFileKind::Insert, "SELECT * FROM t", file, "copy", selSQLite, 64};
    ASSERT_TRUE(QueryToFile(db, r, status));
    EXPECT_EQ(status, "Success writing Query to File.");
    // The file is a script the engine runs into the same rows.
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    Run("CREATE TABLE copy(id INTEGER PRIMARY KEY, v TEXT);");
    Run(QString::fromUtf8(f.readAll()));
    EXPECT_EQ(Value("SELECT group_concat(id || v) FROM copy"), "1a,2b");
    // A failing query: the old file stays as it was.
    r.sql = "SELECT * FROM nosuch";
    EXPECT_FALSE(QueryToFile(db, r, status));
    EXPECT_TRUE(status.startsWith("Error writing Query to File: ")) << status.toStdString();
    EXPECT_TRUE(status.contains("no such table")) << status.toStdString();
    EXPECT_TRUE(f.seek(0));
    EXPECT_TRUE(f.readAll().startsWith("INSERT"));

    // The UPDATE kind on a view: the notice, nothing asked further.
    ScriptedPrompter p;
    Chooser c;
    c.next = dir.filePath("u.sql");
    p.texts = QStringList{"w"};
    QueryFileFlow flow{db, p, c, "t", 64};
    EXPECT_FALSE(flow.Run(QueryFileKind::Update, "SELECT * FROM t", status));
    EXPECT_EQ(status, "Invalid Table selected for Export...");
    ASSERT_EQ(p.notices.size(), 1);
    EXPECT_EQ(p.notices[0], "Export to SQL File aborted: \"w\" is not a a valid table - UPDATE "
                            "exports MUST be for a valid existing Table with a Primary Key to "
                            "link updated values to.");
    EXPECT_FALSE(QFile::exists(c.next));
    // The UPDATE kind on the table, in the PostgreSQL dialect.
    p.texts = QStringList{"T", "PostgreSQL"};
    ASSERT_TRUE(flow.Run(QueryFileKind::Update, "SELECT * FROM t", status)) << status.toStdString();
    QFile u(c.next);
    ASSERT_TRUE(u.open(QIODevice::ReadOnly));
    EXPECT_TRUE(u.readAll().contains("UPDATE")) << status.toStdString();
    // Cancelling the table question.
    p.texts.clear();
    EXPECT_FALSE(flow.Run(QueryFileKind::Insert, "SELECT * FROM t", status));
    EXPECT_EQ(status, "User aborted Exporting...");
    EXPECT_EQ(ExportLanguageOf("MySQL / MariaDB"), selMySQL);
    EXPECT_EQ(ExportLanguageOf("ms-sql server"), selMSSQL);
    EXPECT_EQ(ExportLanguageOf("anything"), selSQLite);
}

TEST_F(ResultsExportTest, QueryIntoANewTableIsAllOrNothing) {
    Run("CREATE TABLE t(a INT, b TEXT); INSERT INTO t VALUES (1, 'x'), (2, 'y;z');"
        "CREATE TABLE r(keep INT); INSERT INTO r VALUES (42);"
        "CREATE TEMP TABLE r(temp_one INT);");
    QString status;
    // A literal holding ";" stays part of the one statement.
    ASSERT_TRUE(QueryIntoTable(db, "SELECT a, b FROM t WHERE b <> ';';", "res", status))
        << status.toStdString();
    EXPECT_EQ(status, "Success importing Query to Table \"res\".");
    EXPECT_EQ(Value("SELECT group_concat(a || b) FROM main.res"), "1x,2y;z");
    // Further statements are refused before anything runs.
    EXPECT_FALSE(QueryIntoTable(db, "SELECT 1; DROP TABLE t;", "res2", status));
    EXPECT_EQ(Value("SELECT count(*) FROM t"), "2");
    EXPECT_FALSE(QueryIntoTable(db, "DELETE FROM t", "res2", status));
    EXPECT_EQ(Value("SELECT count(*) FROM t"), "2");
    // Disk full: the error, rolled back, the old table of main intact (the
    // temporary table of the name is not the one replaced).
    Run("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
        "INSERT INTO t SELECT i, hex(randomblob(200)) FROM n;");
    SetMaxPageCount(db.Handle(), 2);
    EXPECT_FALSE(QueryIntoTable(db, "SELECT * FROM t", "r", status));
    EXPECT_TRUE(status.startsWith("Error importing Query to Table: ")) << status.toStdString();
    EXPECT_FALSE(db.TransactionOpen());
    EXPECT_EQ(Value("SELECT keep FROM main.r"), "42");
    EXPECT_EQ(Value("SELECT count(*) FROM temp.r"), "0");
    db.Close();
    EXPECT_INTEGRITY_OK(path);
}

TEST_F(ResultsExportTest, NamesAndTheirQuestions) {
    Run("CREATE TABLE t(a); CREATE TABLE t_Result1(a); CREATE TABLE mytable(a);");
    EXPECT_EQ(ResultTableName(db, "t"), "t_Result1");
    EXPECT_EQ(ResultTableName(db, "t_Result1"), "t_Result1");
    EXPECT_EQ(ResultTableName(db, "\"my\" table"), "mytable_Result1");
    EXPECT_EQ(FreeTableName(db, "t_Result1"), "t_Result2");
    // "my table" asks again with the cleaned name; an existing table is
    // overwritten only after yes; No suggests a free name.
    ScriptedPrompter p;
    p.texts = QStringList{"my table", "mytable", "mytable2"};
    p.replies = {ScriptedPrompter::Reply::No};
    EXPECT_EQ(AskQueryTableName(db, p, "t"), "mytable2");
    EXPECT_EQ(p.initials, (QStringList{"t_Result1", "mytable", "mytable2"}));
    EXPECT_EQ(p.prompts[1], "Save Query to Table...: The specified Table-name contains invalid "
                            "characters, Please adjust or use this suggested alternate: ");
    EXPECT_EQ(p.questions, (QStringList{"Table already Exists...: Overwrite existing table "
                                        "\"mytable\" now?"}));
    p.texts.clear();
    EXPECT_EQ(AskQueryTableName(db, p, "t"), "");
}

} // namespace
} // namespace sky::test
