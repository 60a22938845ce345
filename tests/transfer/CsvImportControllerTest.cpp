// The import window's rules without a display: EditCSVList's refusals, the
// table-name check and validation texts byte for byte, the column editors
// and constraint choices, the pop-up menu through the prompter (auto-number,
// insert, replace, the refusals, copying the grid), Reset, Accept and the
// help texts.
#include "transfer/CsvImportController.h"

#include "common/ScriptedPrompter.h"
#include "common/TempDb.h"
#include "support/Csv.h"

#include <functional>

namespace sky {
namespace {

class FakeClipboard : public ClipboardPort {
public:
    QString Text() const override { return text; }
    void SetText(const QString& t) override { text = t; }
    QString text = QStringLiteral("untouched");
};

class RecordingProgress : public ProgressSink {
public:
    void Advance(const QString&, double, double) override { ++advances; }
    bool IsCancelled() const override { return cancel; }
    void SetOverallDescription(const QString& t) override { overall << t; }
    bool cancel = false;
    int advances = 0;
    QStringList overall;
};

// The window: what it does while "shown" is the test's; progress dialogs
// are recorded by title.
class FakeView : public CsvImportView {
public:
    std::function<bool(CsvImportController&)> run;
    bool RunImportWindow(CsvImportController& ctl) override { return run ? run(ctl) : false; }
    ProgressSink* StartProgress(const QString& title, bool canCancel) override {
        titles << title + (canCancel ? QStringLiteral(" (cancel)") : QString());
        return &progress;
    }
    void EndProgress(ProgressSink*) override { ++ended; }
    QStringList titles;
    int ended = 0;
    RecordingProgress progress;
};

class CsvImportControl : public test::TempDbTest {
protected:
    void SetUp() override {
        TempDbTest::SetUp();
        Run(QStringLiteral("CREATE TABLE People(x);"));
    }
    // A controller over the text, filled.
    std::unique_ptr<CsvImportController> Open(QString text, const QString& name) {
        auto t = std::make_shared<TCSVTableRec>();
        ConfigureImportReader(*t);
        CSVRead(text, *t);
        auto c = std::make_unique<CsvImportController>(db, t, QStringList{"PEOPLE"}, name, view,
                                                       prompts, &clipboard);
        c->FillSheet();
        return c;
    }
    FakeView view;
    test::ScriptedPrompter prompts;
    FakeClipboard clipboard;
};

TEST_F(CsvImportControl, EditCSVListRefusalsAndResult) {
    QString error, name = QStringLiteral("t");
    EXPECT_FALSE(EditCSVList(nullptr, QStringLiteral("a\n1"), error, name, view, prompts));
    EXPECT_EQ(error, QStringLiteral("Database Connector failure."));
    EXPECT_FALSE(EditCSVList(&db, QString(), error, name, view, prompts));
    EXPECT_EQ(error, QStringLiteral("Import Datalist is Empty."));
    EXPECT_FALSE(EditCSVList(&db, QStringLiteral("a,b\n\"1,2\n"), error, name, view, prompts));
    EXPECT_EQ(error, QStringLiteral("Import CSV Data Error - Unterminated quoted field in row 2"));
    EXPECT_FALSE(EditCSVList(&db, QStringLiteral("a,b\n1,2\n"), error, name, view, prompts));
    EXPECT_EQ(error, QStringLiteral("User aborted Importing"));

    // Accepted: the created table's name comes back.
    view.run = [](CsvImportController& c) {
        c.FillSheet();
        EXPECT_EQ(c.TableNameError(), QStringLiteral("Tablename already Exists, try: People2"));
        c.FixTableName();
        return c.Accept();
    };
    name = QStringLiteral("People");
    EXPECT_TRUE(EditCSVList(&db, QStringLiteral("ID,Name\n1,Ann\n"), error, name, view, prompts));
    EXPECT_EQ(name, QStringLiteral("People2"));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(Value(QStringLiteral("SELECT Name FROM People2 WHERE ID = 1")),
              QStringLiteral("Ann"));
    EXPECT_EQ(view.titles, QStringList({QStringLiteral("Reading Column Constraints..."),
                                        QStringLiteral("Importing Table People2... (cancel)")}));
    EXPECT_EQ(view.ended, 2);
    EXPECT_EQ(view.progress.overall, QStringList({QStringLiteral("Analyzing Col: ID"),
                                                  QStringLiteral("Analyzing Col: Name")}));
}

TEST_F(CsvImportControl, TableNameCheckAndValidationTexts) {
    auto c = Open(QStringLiteral("ID,Name\n1,Ann\n"), QStringLiteral("t1"));
    EXPECT_TRUE(c->AcceptEnabled());
    const struct {
        const char* typed;
        const char* error;
    } cases[] = {
        {"", "Tablename may not be Empty"},
        {"   ", "Tablename may not be Empty"},
        {"People", "Tablename already Exists, try: People2"},
        {"people", "Tablename already Exists, try: people2"},
        {" People", "Tablename already Exists, try: People2"},
        {"my table", "Tablename not accepted, try: mytable"},
        {"sqlite_data", "Tablename not accepted, try: sqldb_data"},
        {"2023sales", ""},
        {"order", ""},
    };
    for (const auto& k : cases) {
        c->SetTableName(QString::fromUtf8(k.typed));
        EXPECT_EQ(c->TableNameError(), QString::fromUtf8(k.error)) << k.typed;
        EXPECT_EQ(c->Error(), *k.error ? QStringLiteral("Problem with Table Name.") : QString())
            << k.typed;
        EXPECT_EQ(c->AcceptEnabled(), !*k.error) << k.typed;
    }
    c->SetTableName(QStringLiteral("my table"));
    c->FixTableName();
    EXPECT_EQ(c->TableName(), QStringLiteral("mytable"));
    EXPECT_TRUE(c->TableNameError().isEmpty());

    c->SelectCell(1, 0);
    c->SetColumnName(QStringLiteral("id"));
    EXPECT_EQ(c->Error(), QStringLiteral("Duplicate Column: \"id\""));
    EXPECT_FALSE(c->AcceptEnabled());
    EXPECT_EQ(c->HelpText(CsvHelp::ImportError), QStringLiteral("Duplicate Column: \"id\""));
    c->SetTableName(QStringLiteral("People"));
    EXPECT_EQ(c->HelpText(CsvHelp::ImportError),
              QStringLiteral("Problem with Table Name.\n\nNote: Table Error - Tablename already "
                             "Exists, try: People2"));
}

TEST_F(CsvImportControl, EditorsOfferConstraintsByTheFlags) {
    auto c = Open(QStringLiteral("ID,Empty,Same\n1,,s\n2,,s\n"), QStringLiteral("t1"));
    ColumnEditors e = c->Editors();
    EXPECT_EQ(e.column, QStringLiteral("ID"));
    EXPECT_EQ(e.type, QStringLiteral("INTEGER"));
    EXPECT_EQ(e.constraint, QStringLiteral("PRIMARY KEY"));
    EXPECT_EQ(e.constraintChoices, QStringList({"---", "NOT NULL", "UNIQUE", "PRIMARY KEY",
                                                "PRIMARY KEY ASC", "PRIMARY KEY DESC"}));
    EXPECT_EQ(e.props, QStringLiteral("I - Integer-Iterated\nU - Unique"));
    c->SelectCell(1, 1);
    e = c->Editors();
    EXPECT_EQ(e.constraintChoices, QStringList({"---"}));
    EXPECT_EQ(e.constraint, QStringLiteral("---"));
    EXPECT_EQ(e.props, QStringLiteral("S - Single-Value\nE - Empty"));
    EXPECT_FALSE(c->SetConstraint(QStringLiteral("NOT NULL")));
    c->SelectCell(2, 0);
    EXPECT_EQ(c->Editors().constraintChoices, QStringList({"---", "NOT NULL"}));
    EXPECT_TRUE(c->SetConstraint(QStringLiteral("NOT NULL")));

    // A copy of the key column takes the key; the first column loses it.
    c->SelectCell(0, 0);
    EXPECT_TRUE(c->Run(GridCommand::ColumnCopy));
    c->SelectCell(0, 0);
    EXPECT_TRUE(c->SetConstraint(QStringLiteral("PRIMARY KEY DESC")));
    EXPECT_EQ(c->Sheet().HeadLine(HeadRow::Constraint),
              QStringList({"PRIMARY KEY DESC", "", "", "NOT NULL"}));
    EXPECT_TRUE(c->SetConstraint(QStringLiteral("NONE")));
    EXPECT_TRUE(c->Sheet().Head(0, HeadRow::Constraint).isEmpty());
    EXPECT_EQ(c->AutoSort(), SortMode::Numeric);
}

TEST_F(CsvImportControl, MenuCommandsAskAndRefuse) {
    auto c = Open(QStringLiteral("Fruit,N\nApple pie,1\napple,2\n"), QStringLiteral("t1"));
    c->SelectCell(1, 0);
    prompts.texts = {QStringLiteral("1x00")};
    EXPECT_TRUE(c->Run(GridCommand::ColumnAutoNumber, -1));
    EXPECT_EQ(prompts.prompts, QStringList({"Insert Autonumber Line: Start numbering from:"}));
    EXPECT_EQ(prompts.initials, QStringList({"1"}));
    EXPECT_EQ(c->Sheet().Cell(0, 1), QStringLiteral("100"));
    EXPECT_EQ(c->Sheet().Cell(1, 1), QStringLiteral("101"));
    EXPECT_EQ(c->Sheet().Head(1, HeadRow::Name), QStringLiteral("N_Key"));
    // Cancelled: nothing inserted; the next question proposes the last start.
    EXPECT_FALSE(c->Run(GridCommand::ColumnAutoNumber, -1));
    EXPECT_EQ(prompts.initials.last(), QStringLiteral("100"));
    EXPECT_EQ(c->Sheet().ColumnCount(), 3);

    prompts.prompts.clear();
    prompts.initials.clear();
    c->SelectCell(0, 0);
    prompts.texts = {QStringLiteral("apple"), QStringLiteral("pear")};
    EXPECT_TRUE(c->Run(GridCommand::ReplaceText));
    EXPECT_EQ(prompts.prompts, QStringList({"Replace Column Text: Find text like this:",
                                            "Replace Column Text: Replace \"apple\" with this:"}));
    EXPECT_EQ(prompts.initials.last(), QStringLiteral("apple"));
    EXPECT_EQ(c->Sheet().Cell(0, 0), QStringLiteral("pear pie"));
    prompts.texts = {QStringLiteral("XY"), QStringLiteral("3")};
    EXPECT_TRUE(c->Run(GridCommand::InsertText));
    EXPECT_EQ(c->Sheet().Cell(0, 0), QStringLiteral("peXYar pie"));
    EXPECT_EQ(c->Sheet().Cell(1, 0), QStringLiteral("peXYar"));
    prompts.texts = {QStringLiteral(">")};
    EXPECT_TRUE(c->Run(GridCommand::Prefix));
    EXPECT_EQ(prompts.prompts.last(),
              QStringLiteral("Add a Prefix to Column Text: Text to prefix:"));
    prompts.texts = {QStringLiteral("<")};
    EXPECT_TRUE(c->Run(GridCommand::Suffix));
    EXPECT_EQ(prompts.prompts.last(), QStringLiteral("Append Column Text: Text to add:"));
    EXPECT_EQ(c->Sheet().Cell(1, 0), QStringLiteral(">peXYar<"));

    // The refusals.
    EXPECT_TRUE(c->Run(GridCommand::DeleteColumn));
    EXPECT_FALSE(c->Run(GridCommand::DeleteColumn));
    EXPECT_TRUE(c->Run(GridCommand::DeleteLine));
    EXPECT_FALSE(c->Run(GridCommand::DeleteLine));
    EXPECT_EQ(prompts.notes,
              QStringList({"Please Note:: You need a minimum of 1 Primary Key Column and 1 data "
                           "Column for an Importable CSV Table.",
                           "Please Note:: You need a minimum of 1 Record / Line for an "
                           "Importable CSV Table."}));
    EXPECT_FALSE(c->CloseRequested());
    EXPECT_TRUE(c->Run(GridCommand::CancelImport));
    EXPECT_TRUE(c->CloseRequested());
}

TEST_F(CsvImportControl, CopyGridAndReset) {
    auto c = Open(QStringLiteral("a,b\n\"x,1\",\"say \"\"hi\"\"\"\nz,2\n"), QStringLiteral("t1"));
    EXPECT_TRUE(c->Run(GridCommand::CopyCsv));
    EXPECT_EQ(clipboard.text, QStringLiteral("a,b\n\"x,1\",\"say \"\"hi\"\"\"\nz,2\n"));
    EXPECT_TRUE(c->Run(GridCommand::CopyExcel));
    EXPECT_EQ(clipboard.text, QStringLiteral("a\tb\n\"x,1\"\t\"say \"\"hi\"\"\"\nz\t2\n"));
    EXPECT_EQ(view.titles.last(), QStringLiteral("Copying Separated text... (cancel)"));
    // A cancelled copy copies nothing.
    clipboard.text = QStringLiteral("before");
    view.progress.cancel = true;
    EXPECT_FALSE(c->Run(GridCommand::CopyCsv));
    EXPECT_EQ(clipboard.text, QStringLiteral("before"));
    view.progress.cancel = false;

    c->SetTableName(QStringLiteral("other"));
    c->SetCell(0, 0, QStringLiteral("typed"));
    prompts.replies = {test::ScriptedPrompter::Reply::No};
    EXPECT_FALSE(c->ResetData());
    EXPECT_EQ(prompts.questions,
              QStringList({"Reset: WARNING: This will undo ALL changes you've made - Continue?"}));
    EXPECT_EQ(c->Sheet().Cell(0, 0), QStringLiteral("typed"));
    prompts.replies = {test::ScriptedPrompter::Reply::Yes};
    EXPECT_TRUE(c->ResetData());
    EXPECT_EQ(c->Sheet().Cell(0, 0), QStringLiteral("x,1"));
    EXPECT_EQ(c->TableName(), QStringLiteral("t1"));
}

TEST_F(CsvImportControl, AcceptShowsTheFailureAndStaysOpen) {
    auto c = Open(QStringLiteral("ID,Name\n1,Ann\n01,Bob\n"), QStringLiteral("t1"));
    EXPECT_FALSE(c->Accept());
    const QString why = QStringLiteral(
        "Failed to Create Imported Table: DB Error: UNIQUE constraint failed: t1.ID (row 2)");
    EXPECT_EQ(c->LastError(), why);
    EXPECT_EQ(prompts.warnings, QStringList({QStringLiteral("Import Failed: ") + why}));
    EXPECT_TRUE(c->ImportedName().isEmpty());
    // Fixed in the sheet, the import goes through.
    c->SetCell(1, 0, QStringLiteral("2"));
    EXPECT_EQ(c->HelpText(CsvHelp::CreateTable),
              QStringLiteral("Clicking the \"Accept and Import\" button will:\n  - create the new "
                             "Table \"t1\"\n  - with 2 Columns\n  - and import 2 data Lines into "
                             "it,\nall in one transaction: should any line fail, nothing is "
                             "imported."));
    EXPECT_TRUE(c->Accept());
    EXPECT_EQ(c->ImportedName(), QStringLiteral("t1"));
    EXPECT_EQ(Value(QStringLiteral("SELECT group_concat(ID || Name) FROM t1")),
              QStringLiteral("1Ann,2Bob"));
}

} // namespace
} // namespace sky
