// The file import window's state on real files: the code boxes' key
// translation and lists, validation and the table-name texts, the row limit,
// the encoding question, the help texts, and Accept into itself.
#include "transfer/FileImportController.h"

#include "common/ScriptedPrompter.h"
#include "common/TempDb.h"

#include <QFile>

namespace sky::test {
namespace {

class FileImportControllerTest : public TempDbTest {
protected:
    void SetUp() override {
        TempDbTest::SetUp();
        Run("CREATE TABLE keep(x);");
        file = dir.filePath("in.csv");
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("a,A,c\r\n1,2,x\r\n3,4.5,y\r\n");
    }
    QString file;
    ScriptedPrompter prompts;
    NullProgress progress;
};

TEST_F(FileImportControllerTest, CodeBoxesValidationAndNames) {
    FileImportController c(db, {"keep"}, "t");
    ASSERT_TRUE(c.Load(file)) << c.Error().toStdString();
    EXPECT_EQ(c.Caption(), "File-Import for: [ " + file + " ]");
    EXPECT_EQ(c.BoxText(CodeBox::Separator), "044 < Comma , > (CSV)");
    EXPECT_EQ(c.BoxText(CodeBox::LineEnd), "013,010 < CR+LF >");
    EXPECT_EQ(c.Columns().size(), 3);
    EXPECT_EQ(c.Columns()[1].type, "TEXT"); // the first row "a,A,c" is data
    // Keys: a character becomes its code and list entry; digits wait for three.
    EXPECT_EQ(c.TypeKey(CodeBox::Separator, {}, u';'), "059 < Semicolon ; > (Alt CSV)");
    EXPECT_EQ(c.Settings().separator, u';');
    EXPECT_EQ(c.TypeKey(CodeBox::Quote, {}, u'`'), "096 < Back-Quote ` > (SQL)");
    c.TypeKey(CodeBox::Separator, "04", u'4');
    EXPECT_EQ(c.Settings().separator, u',');
    c.SetBoxText(CodeBox::Quote, "034 <Double-Quotes \" > (Common)");
    // Names: a header row "a" and "A" repeat each other.
    c.SetHeader(true);
    EXPECT_EQ(c.Columns()[1].type, "REAL");
    EXPECT_EQ(c.Error(), "Duplicate Column: \"A\"");
    EXPECT_FALSE(c.AcceptEnabled());
    c.SetColumnName(1, "b b");
    EXPECT_TRUE(c.AcceptEnabled()) << c.Error().toStdString();
    // The table name.
    const struct {
        const char *name, *error;
    } names[] = {{"", "Tablename may not be Empty"},
                 {"KEEP", "Tablename already Exists, try: KEEP2"},
                 {"my table", "Tablename not accepted, try: mytable"},
                 {"fresh", ""}};
    for (const auto& n : names) {
        c.SetTableName(n.name);
        EXPECT_EQ(c.NameError(), n.error) << n.name;
        EXPECT_EQ(c.Error(), *n.error ? "Problem with Table Name." : "") << n.name;
    }
    c.SetTableName("my table");
    c.FixTableName();
    EXPECT_EQ(c.TableName(), "mytable");
    // A CSV destination needs no table name.
    c.SetTableName("");
    c.SetDestination(1);
    EXPECT_TRUE(c.AcceptEnabled());
    // The row limit.
    c.SetMaxRows("all rows");
    EXPECT_EQ(c.MaxRowsText(), "All");
    c.SetMaxRows(" 25 ");
    EXPECT_EQ(c.MaxRowsText(), "25");
}

TEST_F(FileImportControllerTest, EncodingQuestionHelpAndAccept) {
    FileImportController c(db, {"keep"}, "t");
    ASSERT_TRUE(c.Load(file));
    prompts.replies = {ScriptedPrompter::Reply::No};
    EXPECT_FALSE(c.SetEncoding(int(ImportEncoding::Ansi), prompts));
    EXPECT_EQ(prompts.questions.last(), "File Preview: Re-load the file using ANSI?");
    EXPECT_EQ(c.Encoding(), int(ImportEncoding::Utf8));
    EXPECT_TRUE(c.HelpText(FileImportHelp::CreateTable)
                    .contains("  - Create Table \"t\" with 3 columns in the Database."));
    EXPECT_TRUE(c.HelpText(FileImportHelp::TableError).contains("name (t) cannot be Imported."));
    EXPECT_EQ(c.HelpTitle(FileImportHelp::Legend), "Sheet Header Legend");
    // Into itself: the note, nothing written; into the table: the rows.
    c.SetDestination(1);
    FileImportResult r = c.Accept(file, progress, prompts);
    EXPECT_FALSE(r.ok);
    ASSERT_EQ(prompts.notes.size(), 1);
    EXPECT_TRUE(prompts.notes[0].startsWith("Please Note:: Importing a file into itself"));
    r = c.Accept(dir.filePath("no/such/folder/out.csv"), progress, prompts);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.startsWith("Destination File not Accessible (")) << r.error.toStdString();
    c.SetDestination(0);
    c.SetHeader(true);
    c.SetColumnName(1, "b");
    r = c.Accept({}, progress, prompts);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(Value("SELECT group_concat(a || '/' || b || '/' || c, ' ') FROM t"),
              "1/2.0/x 3/4.5/y");
}

} // namespace
} // namespace sky::test
