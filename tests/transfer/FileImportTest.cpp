// The streaming file import on real files: the decoder across chunk ends,
// the code boxes, the estimate and the preview, imports equal to the sqlite3
// shell's .import, every bad input stopping with nothing imported, the
// warnings and their undo, the row limit, Cancel, a full disk, the CSV
// destination read back by the shell, and a file imported into itself.
#include "transfer/FileImport.h"

#include "common/FaultInject.h"
#include "common/Process.h"
#include "common/ScriptedPrompter.h"
#include "common/TempDb.h"

#include <QFile>
#include <random>

namespace sky::test {
namespace {

class CancelNow : public ProgressSink {
public:
    void Advance(const QString&, double, double) override {}
    bool IsCancelled() const override { return true; }
    void SetOverallDescription(const QString&) override {}
};

class FileImportTest : public TempDbTest {
protected:
    QString Write(const QString& name, const QByteArray& bytes) {
        const QString f = dir.filePath(name);
        QFile out(f);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        return f;
    }
    FileImportResult Import(const QString& file, FileImportSettings s, QList<ImportColumn> columns,
                            const QString& table = "t") {
        return ImportFileToTable(db, file, s, columns, table, progress, prompts);
    }
    static QList<ImportColumn> Cols(std::initializer_list<const char*> names) {
        QList<ImportColumn> c;
        for (const char* n : names)
            c.append({QString::fromUtf8(n), QStringLiteral("TEXT")});
        return c;
    }
    NullProgress progress;
    ScriptedPrompter prompts;
};

TEST(FileImportRules, CodeBoxesAndTheDecoderAcrossChunkEnds) {
    EXPECT_EQ(ReadCodeBox("044 < Comma , > (CSV)"), u',');
    EXPECT_EQ(ReadCodeBox("013,010 < CR+LF > (DOS/Win)"), u'\r');
    EXPECT_EQ(ReadCodeBox("000 < Null >"), u'\0');
    EXPECT_EQ(ReadCodeBox("255"), kNoCode);
    EXPECT_EQ(ReadCodeBox("none"), kNoCode);
    // Every encoding, fed one byte at a time, gives the whole text.
    const QString text = QString::fromUtf8("a,ünï €\r\nb,𝄞\r\n");
    const struct {
        ImportEncoding e;
        QByteArray bytes;
    } cases[] = {
        {ImportEncoding::Utf8, QByteArray("\xEF\xBB\xBF") + text.toUtf8()},
        {ImportEncoding::Utf16LE,
         QByteArray("\xFF\xFE") +
             QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2)},
        {ImportEncoding::Utf7, QByteArray("a,+APwAbgDv- +IKw-\r\nb,+2DTdHg-\r\n")},
    };
    for (const auto& c : cases) {
        ChunkDecoder d(c.e);
        std::string out;
        QString error;
        for (qsizetype i = 0; i < c.bytes.size(); ++i)
            ASSERT_TRUE(d.Decode(c.bytes.constData() + i, 1, i + 1 == c.bytes.size(), out, error))
                << int(c.e) << " " << error.toStdString();
        EXPECT_EQ(QString::fromStdString(out), text) << int(c.e);
    }
    // ANSI is Windows-1252; invalid data names its line.
    ChunkDecoder ansi(ImportEncoding::Ansi);
    std::string out;
    QString error;
    ASSERT_TRUE(ansi.Decode("\x80\xE9", 2, true, out, error));
    EXPECT_EQ(QString::fromStdString(out), QString::fromUtf8("€é"));
    ChunkDecoder utf8(ImportEncoding::Utf8);
    out.clear();
    EXPECT_FALSE(utf8.Decode("a\nb\n\xFF", 5, true, out, error));
    EXPECT_EQ(error, "Invalid code-point data for UTF-8 in line 3 of the file");
    ChunkDecoder ascii(ImportEncoding::Ascii);
    EXPECT_FALSE(ascii.Decode("ok\n\xC3\xA9", 5, true, out, error));
    EXPECT_EQ(error, "Invalid code-point data for ASCII in line 2 of the file");
}

TEST_F(FileImportTest, EstimateAndPreview) {
    ImportPreview p;
    ASSERT_TRUE(LoadPreviewText(Write("a.txt", "a;b;c\r\n1;2;3\r\n"), ImportEncoding::Utf8, p));
    FileImportSettings s;
    EstimateFormat(p.text, s);
    EXPECT_EQ(s.separator, u';');
    EXPECT_EQ(s.quote, u'"');
    EXPECT_EQ(s.lineEnd, u'\r');
    s.header = true;
    BuildPreview(p, s);
    ASSERT_TRUE(p.valid) << p.error.toStdString();
    EXPECT_EQ(p.headers, (QStringList{"a", "b", "c"}));
    EXPECT_EQ(p.types, (QStringList{"INTEGER", "INTEGER", "INTEGER"}));
    // A sample without any row end (the file goes on beyond it).
    ASSERT_TRUE(
        LoadPreviewText(Write("long.txt", QByteArray(70000, 'x')), ImportEncoding::Utf8, p));
    BuildPreview(p, FileImportSettings());
    EXPECT_FALSE(p.valid);
    EXPECT_EQ(p.error, "The selected End-of-Line (Row Delimeter) is not found in the file.");
    // Load errors.
    EXPECT_FALSE(LoadPreviewText(dir.filePath("none.csv"), ImportEncoding::Utf8, p));
    EXPECT_EQ(p.error, "File \"" + dir.filePath("none.csv") + "\" not Found");
    EXPECT_FALSE(LoadPreviewText(Write("empty.csv", ""), ImportEncoding::Utf8, p));
    EXPECT_EQ(p.error, "File is Empty");
    EXPECT_EQ(AnalyseType({"1", " 2 ", ""}), "INTEGER");
    EXPECT_EQ(AnalyseType({"1", "2.5"}), "REAL");
    EXPECT_EQ(AnalyseType({"1", "x", "2.5"}), "TEXT");
}

TEST_F(FileImportTest, ALargeFileEqualsTheShellsImport) {
    // Quotes, doubled quotes, separators and line breaks inside quotes,
    // multi-byte characters, CR LF: over 3 MiB, so records cross chunk ends.
    std::mt19937 rng(7);
    QByteArray csv = "id,name,price\r\n";
    for (int i = 1; csv.size() < 3 * 1024 * 1024 + 17; ++i) {
        QByteArray name;
        switch (rng() % 4) {
        case 0:
            name = "\"a, \"\"quoted\"\" ünï €\"";
            break;
        case 1:
            name = "plain " + QByteArray::number(i);
            break;
        case 2:
            name = "\"𝄞 multi\r\nline\"";
            break;
        default:
            name = "x";
            break;
        }
        csv += QByteArray::number(i) + "," + name + "," + QByteArray::number(i % 977) + ".25\r\n";
    }
    const QString file = Write("big.csv", csv);
    FileImportSettings s;
    s.header = true;
    s.keepWhitespace = true;
    const FileImportResult r =
        Import(file, s, {{"id", "INTEGER"}, {"name", "TEXT"}, {"price", "REAL"}});
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    db.Close();
    const QString shell = dir.filePath("shell.db");
    Shell(shell, "CREATE TABLE t(id INTEGER, name TEXT, price REAL);");
    RunProgram(QStringLiteral(SQLITE3_SHELL_PATH),
               {shell, ".import --csv --skip 1 " + file + " t"});
    EXPECT_EQ(Shell(shell, "SELECT count(*) FROM t"), QByteArray::number(r.rows));
    EXPECT_EQ(SqlDiff(path, shell), QByteArray());
}

TEST_F(FileImportTest, BadInputStopsWithNothingImported) {
    const struct {
        QByteArray bytes;
        const char* error;
    } cases[] = {
        {"a,b\r\n1,\"open\r\n2,3\r\n", "Unterminated quoted field starting in line 2 of the file"},
        {QByteArray("a,b\r\n1,2\r\n3,\0\r\n", 15), "NUL character in line 3 of the file"},
        {"a,b\r\n1,\xC3\r\n", "Invalid code-point data for UTF-8 in line 2 of the file"},
    };
    for (const auto& c : cases) {
        const QString file = Write("bad.csv", c.bytes);
        const FileImportResult r = Import(file, FileImportSettings(), Cols({"a", "b"}));
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, c.error);
        EXPECT_FALSE(db.TableExists("t", "main")) << c.error;
    }
    // NUL as the separator is read.
    FileImportSettings nul;
    nul.separator = u'\0';
    const QString file = Write("nul.csv", QByteArray("1\0"
                                                     "2\r\n",
                                                     5));
    ASSERT_TRUE(Import(file, nul, Cols({"a", "b"})).ok);
    EXPECT_EQ(Value("SELECT a || '+' || b FROM t"), "1+2");
}

TEST_F(FileImportTest, ValuesWarningsAndTheRowLimit) {
    const QString file =
        Write("v.csv", "h1,h2\r\n\"a\"\"b\",\"x,y\"\r\n \"two\nlines\" ,\"c\rr\"\r\n"
                       "1,2,3\r\nonly\r\n");
    FileImportSettings s;
    s.header = true;
    // The extra field: a warning; undo on yes.
    prompts.replies = {ScriptedPrompter::Reply::Yes};
    FileImportResult r = Import(file, s, Cols({"h1", "h2"}));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Line 4 has fewer columns than the Header: only");
    ASSERT_EQ(prompts.questions.size(), 1);
    EXPECT_TRUE(prompts.questions[0].startsWith("Import completed, but with Warnings...: Line 4"));
    EXPECT_FALSE(db.TableExists("t", "main"));
    // Accepted: the values, the missing one NULL.
    prompts.replies = {ScriptedPrompter::Reply::No};
    r = Import(file, s, Cols({"h1", "h2"}));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.rows, 4);
    EXPECT_EQ(Value("SELECT group_concat(quote(h1) || '|' || quote(h2), ' ') FROM t"),
              "'a\"b'|'x,y' 'two lines'|'c;r' '1'|'2' 'only'|NULL");
    // The row limit, with and without a header.
    for (bool header : {true, false}) {
        QByteArray many = "n\r\n";
        for (int i = 0; i < 50; ++i)
            many += QByteArray::number(i) + "\r\n";
        FileImportSettings l;
        l.header = header;
        l.maxRows = 10;
        const QString table = header ? "limited_h" : "limited";
        r = Import(Write("many.csv", many), l, Cols({"n"}), table);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(Value("SELECT count(*) FROM " + table), "10");
        EXPECT_EQ(Value("SELECT count(*) FROM " + table + " WHERE n = 'n'"), header ? "0" : "1");
    }
    // An empty name leaves its column out; an existing table (any case) is refused.
    r = Import(file, s, {{"h1", "TEXT"}, {"", "TEXT"}}, "u");
    ASSERT_TRUE(r.ok || !r.warnings.isEmpty());
    EXPECT_EQ(Value("SELECT count(*) FROM pragma_table_info('u')"), "1");
    r = Import(file, s, Cols({"h1", "h2"}), "T");
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.contains("already exists")) << r.error.toStdString();
}

TEST_F(FileImportTest, CancelAndAFullDiskLeaveNothing) {
    QByteArray big = "a,b\r\n";
    while (big.size() < 3 * 1024 * 1024)
        big += "some text,12345\r\n";
    const QString file = Write("c.csv", big);
    CancelNow cancel;
    FileImportResult r =
        ImportFileToTable(db, file, FileImportSettings(), Cols({"a", "b"}), "t", cancel, prompts);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "User Aborted Import");
    EXPECT_FALSE(db.TableExists("t", "main"));
    const QString dest = dir.filePath("out.csv");
    r = ImportFileToCsv(file, FileImportSettings(), Cols({"a", "b"}), dest, cancel);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(QFile::exists(dest));
    SetMaxPageCount(db.Handle(), 3);
    r = Import(file, FileImportSettings(), Cols({"a", "b"}));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.contains("contained invalid data: database or disk is full"))
        << r.error.toStdString();
    EXPECT_FALSE(db.TransactionOpen());
    db.Close();
    EXPECT_INTEGRITY_OK(path);
}

TEST_F(FileImportTest, ACsvDestinationTheShellReadsBackAndNeverTheSource) {
    const QString file =
        Write("s.csv", "h1,h2\r\n\"a,b\",\"say \"\"hi\"\"\"\r\n\"\"\"q\"\"\",x\r\n");
    const QString dest = dir.filePath("d.csv");
    FileImportSettings s;
    s.header = true;
    const FileImportResult r = ImportFileToCsv(file, s, Cols({"h1", "h2"}), dest, progress);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.rows, 2);
    const QString shell = dir.filePath("back.db");
    RunProgram(QStringLiteral(SQLITE3_SHELL_PATH), {shell, ".import --csv " + dest + " t"});
    EXPECT_EQ(Shell(shell, "SELECT h1 || '|' || h2 FROM t ORDER BY rowid"),
              "a,b|say \"hi\"\n\"q\"|x");
    // Into itself, also through a link: refused, the source unchanged.
    const QString link = dir.filePath("link.csv");
    ASSERT_TRUE(QFile::link(file, link));
    const FileImportResult self = ImportFileToCsv(file, s, Cols({"h1", "h2"}), link, progress);
    EXPECT_FALSE(self.ok);
    EXPECT_EQ(self.error, kImportIntoItself);
    QFile src(file);
    ASSERT_TRUE(src.open(QIODevice::ReadOnly));
    EXPECT_TRUE(src.readAll().startsWith("h1,h2"));
}

} // namespace
} // namespace sky::test
