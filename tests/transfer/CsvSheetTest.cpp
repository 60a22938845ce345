// The import sheet without a window: the column analysis (types, flags, the
// first unique column as key), headers made unique ignoring case, the menu's
// value operations, the duplicate-column check and the import statements,
// byte for byte.
#include "transfer/CsvImport.h"

#include "common/Printers.h"
#include "support/Csv.h"

#include <gtest/gtest.h>

namespace sky {
namespace {

// A sheet of the CSV text, filled and analysed.
struct Sheet {
    explicit Sheet(QString text) {
        auto t = std::make_shared<TCSVTableRec>();
        CSVConfigure(*t, true, false, false, true, false, QChar());
        CSVRead(text, *t);
        sheet.Fill(t);
        sheet.Analyse(nullptr);
    }
    QStringList Column(int col) const {
        QStringList v;
        for (qsizetype r = 0; r < sheet.RowCount(); ++r)
            v << sheet.Cell(r, col);
        return v;
    }
    CsvImportSheet sheet;
};

TEST(CsvSheetAnalysis, TypesAndFlagsOfOneColumn) {
    const struct {
        const char* values; // data lines of a one-column CSV
        const char* type;
        const char* flags;
    } cases[] = {
        {"1\n2\n3", "INTEGER", "_I_U_____"},
        {"1\n2\n2", "INTEGER", "_________"},
        {"3\n2\n1", "INTEGER", "___U_____"},
        {"0\n1\n2", "INTEGER", "___U_____"}, // starts at 0, not above
        {"+1\n2\n7", "INTEGER", "_I_U_____"},
        {"1.5\n2", "REAL", "___U_____"},
        {"1.5\n2\nabc", "TEXT", "___U_____"},
        {"\"1,000\"\n2", "INTEGER", "___U_____"},
        {"abc", "TEXT", "___U_____"},
        {"a\na\na", "TEXT", "_____S___"},
        {"x\n X\nx ", "TEXT", "_____S___"}, // spaces dropped, case ignored
        {"a b\nAB\nc", "TEXT", "_________"},
        {"-5\n-5", "INTEGER", "_____S___"},
        {"1\n\n3", "INTEGER", "___U_____"}, // an empty value ends the counting
        {"1\n\n\n4", "INTEGER", "_________"},
        {"1234567890123456789\n2", "TEXT", "___U_____"}, // 19 digits: not numeric
    };
    for (const auto& c : cases) {
        Sheet s(QStringLiteral("v,other\n") +
                QString::fromUtf8(c.values).replace(QStringLiteral("\n"), QStringLiteral(",x\n")) +
                QStringLiteral(",x"));
        EXPECT_EQ(s.sheet.Head(0, HeadRow::Type), QLatin1String(c.type)) << c.values;
        EXPECT_EQ(s.sheet.Head(0, HeadRow::Flags), QLatin1String(c.flags)) << c.values;
    }
}

TEST(CsvSheetAnalysis, EmptyColumnsAndTheFirstUniqueColumnAsKey) {
    Sheet s(QStringLiteral("a,b,c,d\nx,,1,p\nx,,2,q\nx,,3,r\n"));
    EXPECT_EQ(s.sheet.Head(0, HeadRow::Flags), QStringLiteral("_____S___"));
    EXPECT_EQ(s.sheet.Head(1, HeadRow::Flags), kFlagsEmpty);
    EXPECT_EQ(s.sheet.Head(2, HeadRow::Flags), kFlagsIterated);
    EXPECT_EQ(s.sheet.Head(3, HeadRow::Flags), QStringLiteral("___U_____"));
    // Only the first unique column is the key.
    EXPECT_EQ(s.sheet.HeadLine(HeadRow::Constraint),
              QStringList({QString(), QString(), kPrimaryKey, QString()}));

    // One data row: every column is unique; a single CSV column gets a second.
    Sheet one(QStringLiteral("only\nv\n"));
    EXPECT_EQ(one.sheet.ColumnCount(), 2);
    EXPECT_EQ(one.sheet.Head(0, HeadRow::Flags), QStringLiteral("___U_____"));
    EXPECT_EQ(one.sheet.Head(1, HeadRow::Header), QStringLiteral("A"));
    // A header line alone still shows one (empty) data row.
    Sheet headerOnly(QStringLiteral("p,q\n"));
    EXPECT_EQ(headerOnly.sheet.RowCount(), 1);
}

TEST(CsvSheetAnalysis, HeadersMadeUniqueIgnoringCase) {
    Sheet s(QStringLiteral("Name,name,,Name,nameA,\nx,x,x,x,x,x\n"));
    EXPECT_EQ(s.sheet.HeadLine(HeadRow::Header),
              QStringList({"Name", "nameA", "A", "NameB", "nameAA", "B"}));
    EXPECT_EQ(s.sheet.HeadLine(HeadRow::Name), s.sheet.HeadLine(HeadRow::Header));

    // After Z an X goes on the base and the letters start again.
    QString header = QStringLiteral("h");
    for (int k = 0; k < 27; ++k)
        header += QStringLiteral(",h");
    Sheet many(header + QStringLiteral("\n") + QString(27, u',') + QStringLiteral("\n"));
    EXPECT_EQ(many.sheet.Head(1, HeadRow::Header), QStringLiteral("hA"));
    EXPECT_EQ(many.sheet.Head(26, HeadRow::Header), QStringLiteral("hZ"));
    EXPECT_EQ(many.sheet.Head(27, HeadRow::Header), QStringLiteral("hXA"));
}

TEST(CsvSheetAnalysis, UniquenessOfManyRowsAcrossTableGrowth) {
    QString text = QStringLiteral("k,v\n");
    for (int i = 0; i < 20000; ++i)
        text += QStringLiteral("n%1,%2\n").arg(i).arg(i % 19999);
    Sheet s(text);
    EXPECT_EQ(s.sheet.Head(0, HeadRow::Flags), QStringLiteral("___U_____"));
    EXPECT_EQ(s.sheet.Head(1, HeadRow::Flags), kFlagsNone); // 0 comes back in the last row
}

TEST(CsvSheetAnalysis, ALargeSheetIsAnalysedSideBySideAlike) {
    QString text = QStringLiteral("n,dup,same,real,txt\n");
    for (int i = 1; i <= 50000; ++i)
        text += QStringLiteral("%1,%2,s,%3.5,t%1\n").arg(i).arg(i % 49999).arg(i);
    Sheet s(text);
    EXPECT_EQ(s.sheet.HeadLine(HeadRow::Flags),
              QStringList({kFlagsIterated, kFlagsNone, "_____S___", "___U_____", "___U_____"}));
    EXPECT_EQ(s.sheet.HeadLine(HeadRow::Type),
              QStringList({"INTEGER", "INTEGER", "TEXT", "REAL", "TEXT"}));
    EXPECT_EQ(s.sheet.HeadLine(HeadRow::Constraint), QStringList({kPrimaryKey, "", "", "", ""}));
}

TEST(CsvSheetOps, InsertedColumnsAndRows) {
    Sheet s(QStringLiteral("a,b\nx,1\ny,2\ny,3\n"));
    ASSERT_EQ(s.sheet.Head(1, HeadRow::Constraint), kPrimaryKey);
    s.sheet.InsertColumn(0, NewColumn::AutoNumber, 100);
    EXPECT_EQ(s.Column(0), QStringList({"100", "101", "102"}));
    EXPECT_EQ(s.sheet.Head(0, HeadRow::Header), QStringLiteral("a_Key"));
    EXPECT_EQ(s.sheet.Head(0, HeadRow::Name), QStringLiteral("a_Key"));
    EXPECT_EQ(s.sheet.Head(0, HeadRow::Type), kTypeInteger);
    EXPECT_EQ(s.sheet.Head(0, HeadRow::Flags), kFlagsIterated);
    EXPECT_TRUE(s.sheet.Head(0, HeadRow::Constraint).isEmpty());

    s.sheet.InsertColumn(2, NewColumn::Copy, 0); // before b: a copy of b, without its key
    EXPECT_EQ(s.sheet.Head(2, HeadRow::Header), QStringLiteral("b_Copy"));
    EXPECT_EQ(s.Column(2), s.Column(3));
    EXPECT_EQ(s.sheet.Head(2, HeadRow::Flags), kFlagsIterated);
    EXPECT_TRUE(s.sheet.Head(2, HeadRow::Constraint).isEmpty());
    s.sheet.InsertColumn(1, NewColumn::Empty, 0);
    EXPECT_EQ(s.sheet.Head(1, HeadRow::Header), QStringLiteral("a_New"));
    EXPECT_EQ(s.sheet.Head(1, HeadRow::Flags), kFlagsEmpty);
    EXPECT_EQ(s.Column(1), QStringList({"", "", ""}));

    s.sheet.InsertRow(1, true);
    s.sheet.InsertRow(0, false);
    EXPECT_EQ(s.Column(2), QStringList({"", "x", "y", "y", "y"}));
    EXPECT_EQ(s.Column(4), QStringList({"", "1", "2", "2", "3"}));
    s.sheet.SetCell(0, 2, QStringLiteral("typed"));
    EXPECT_TRUE(s.sheet.DeleteRow(3));
    EXPECT_EQ(s.Column(2), QStringList({"typed", "x", "y", "y"}));
    EXPECT_EQ(s.Column(4), QStringList({"", "1", "2", "3"}));

    // The headers become data; the new headers are cell names or a row's values.
    Sheet h(QStringLiteral("p,q\n1,2\n3,4\n"));
    h.sheet.InsertHeaderRow(true, 0);
    EXPECT_EQ(h.Column(0), QStringList({"p", "1", "3"}));
    EXPECT_EQ(h.sheet.HeadLine(HeadRow::Header), QStringList({"A1", "B1"}));
    h.sheet.InsertHeaderRow(false, 2);
    EXPECT_EQ(h.sheet.HeadLine(HeadRow::Name), QStringList({"3", "4"}));
    EXPECT_EQ(h.Column(1), QStringList({"B1", "q", "2", "4"}));
}

TEST(CsvSheetOps, ValueChanges) {
    Sheet s(QStringLiteral("t,n\nabc,1\nde,2\nApple pie APPLE,3\n"));
    s.sheet.InsertText(0, QStringLiteral("XY"), 3);
    EXPECT_EQ(s.Column(0), QStringList({"abXYc", "deXY", "ApXYple pie APPLE"}));
    s.sheet.InsertText(0, QStringLiteral("<"), 1);
    s.sheet.InsertText(0, QStringLiteral("never"), 0);
    EXPECT_EQ(s.Column(0), QStringList({"<abXYc", "<deXY", "<ApXYple pie APPLE"}));

    Sheet r(QStringLiteral("t,n\nApple pie APPLE,1\napple,2\n"));
    r.sheet.ReplaceText(0, QStringLiteral("apple"), QStringLiteral("pear"));
    EXPECT_EQ(r.Column(0), QStringList({"pear pie pear", "pear"}));
    r.sheet.AddText(0, QStringLiteral("["), QStringLiteral("]"));
    EXPECT_EQ(r.Column(0), QStringList({"[pear pie pear]", "[pear]"}));
    r.sheet.ChangeCase(0, CaseChange::Title);
    EXPECT_EQ(r.Column(0), QStringList({"[Pear Pie Pear]", "[Pear]"}));
    r.sheet.ChangeCase(0, CaseChange::Upper);
    EXPECT_EQ(r.Column(0), QStringList({"[PEAR PIE PEAR]", "[PEAR]"}));
    r.sheet.EmptyColumn(0);
    EXPECT_EQ(r.Column(0), QStringList({"", ""}));
    EXPECT_EQ(r.sheet.Head(0, HeadRow::Flags), kFlagsEmpty);
}

TEST(CsvSheetOps, SortsAreStableAndNumericOrAlpha) {
    Sheet s(QStringLiteral("v,k\n10,a\n9,b\n100,c\nx,d\n9,e\n"));
    s.sheet.Sort(0, true, SortMode::Numeric);
    EXPECT_EQ(s.Column(0), QStringList({"x", "9", "9", "10", "100"}));
    EXPECT_EQ(s.Column(1), QStringList({"d", "b", "e", "a", "c"}));
    s.sheet.Sort(0, true, SortMode::Alpha);
    EXPECT_EQ(s.Column(0), QStringList({"10", "100", "9", "9", "x"}));
    s.sheet.Sort(0, false, SortMode::Numeric);
    EXPECT_EQ(s.Column(0), QStringList({"100", "10", "9", "9", "x"}));
    EXPECT_EQ(s.Column(1), QStringList({"c", "a", "b", "e", "d"}));
    // Auto: the column is TEXT (x), so alphabetic, ignoring case.
    Sheet t(QStringLiteral("v\nb\nB\na\n"));
    t.sheet.Sort(0, true, SortMode::Auto);
    EXPECT_EQ(t.Column(0), QStringList({"a", "b", "B"}));
}

TEST(CsvSheetOps, DeletionsKeepTwoColumnsAndOneRow) {
    Sheet s(QStringLiteral("a,b,c\n1,2,3\n"));
    EXPECT_TRUE(s.sheet.DeleteColumn(1));
    EXPECT_FALSE(s.sheet.DeleteColumn(0));
    EXPECT_EQ(s.sheet.HeadLine(HeadRow::Name), QStringList({"a", "c"}));
    EXPECT_FALSE(s.sheet.DeleteRow(0));
    EXPECT_EQ(s.sheet.RowCount(), 1);
    s.sheet.MoveColumn(0, 1);
    EXPECT_EQ(s.sheet.HeadLine(HeadRow::Name), QStringList({"c", "a"}));
}

TEST(CsvSheetValidation, DuplicateColumnsComparedReducedAndIgnoringCase) {
    Sheet s(QStringLiteral("a b,x,AB\n1,2,3\n"));
    EXPECT_EQ(s.sheet.DuplicateColumnError(), QStringLiteral("Duplicate Column: \"AB\""));
    s.sheet.SetHead(0, HeadRow::Name, QStringLiteral("first"));
    EXPECT_TRUE(s.sheet.DuplicateColumnError().isEmpty());
    // A name with nothing left takes its header.
    s.sheet.SetHead(2, HeadRow::Name, QStringLiteral("\u00E4\u00F6"));
    EXPECT_TRUE(s.sheet.DuplicateColumnError().isEmpty());
    s.sheet.SetHead(1, HeadRow::Name, QStringLiteral("-ab-"));
    EXPECT_EQ(s.sheet.DuplicateColumnError(), QStringLiteral("Duplicate Column: \"AB\""));
}

TEST(CsvSheetSql, PeopleExampleAndLeftOutColumns) {
    Sheet s(QStringLiteral("ID,Name\n1,Ann\n2,Bob\n"));
    ImportSQL sql = s.sheet.BuildImportSQL(QStringLiteral("People"));
    EXPECT_EQ(sql.create, QStringLiteral("CREATE TABLE IF NOT EXISTS People (\"ID\" INTEGER "
                                         "PRIMARY KEY, \"Name\" TEXT);"));
    EXPECT_EQ(sql.insert, QStringLiteral("INSERT INTO People (\"ID\", \"Name\") VALUES (?1, ?2);"));

    Sheet three(QStringLiteral("ID,First,Last\n1,Ann,Lee\n"));
    three.sheet.SetHead(0, HeadRow::Name, QStringLiteral("  "));
    sql = three.sheet.BuildImportSQL(QStringLiteral("People"));
    EXPECT_EQ(sql.create,
              QStringLiteral("CREATE TABLE IF NOT EXISTS People (\"First\" TEXT, \"Last\" TEXT);"));
    EXPECT_EQ(sql.insert,
              QStringLiteral("INSERT INTO People (\"First\", \"Last\") VALUES (?2, ?3);"));
    EXPECT_EQ(sql.columns, QList<int>({1, 2}));

    // Names that need quotes; FLOAT is written REAL; an empty type is left out.
    Sheet q(QStringLiteral("order,\"a\"\"b\",c\n1,2,3\n"));
    q.sheet.SetHead(1, HeadRow::Type, QStringLiteral("FLOAT"));
    q.sheet.SetHead(2, HeadRow::Type, QString());
    sql = q.sheet.BuildImportSQL(QStringLiteral("2023sales"));
    EXPECT_EQ(sql.create, QStringLiteral("CREATE TABLE IF NOT EXISTS \"2023sales\" (\"order\" "
                                         "INTEGER PRIMARY KEY, \"a\"\"b\" REAL, \"c\");"));
    EXPECT_EQ(q.sheet.ImportLines(), QStringList({"order,\"a\"\"b\",c", "1,2,3"}));
}

} // namespace
} // namespace sky
