// The table page's rules: row tints (first match wins), the lines a cell is
// drawn as, the object buttons' captions, hints and enabling, the lookup of
// a field row's first reference, the row-count hints and the metadata notice.
#include "workspace/TablePageModel.h"
#include "common/Printers.h"
#include "engine/Database.h"
#include "support/Csv.h"

#include <gtest/gtest.h>

namespace sky {
namespace {

TEST(TablePageModel, FieldRowTintFirstMatchWins) {
    const struct {
        const char* constraints;
        RowTint tint;
    } cases[] = {
        {"", RowTint::None},
        {"N U ", RowTint::None},
        {"N P I1 T2 E1 ", RowTint::PrimaryKey},
        {"I2 T1 E3 ", RowTint::Index},
        {"U T1 E1 ", RowTint::Trigger},
        {"N E2 ", RowTint::Mention},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FieldRowTint(c.constraints), c.tint) << c.constraints;
}

TEST(TablePageModel, ObjectRowTintByNameThenType) {
    const struct {
        ObjectRow row;
        RowTint tint;
    } cases[] = {
        {{"table", "items", "CREATE TABLE items(a)"}, RowTint::None},
        {{"index", "sqlite_autoindex_items_1", ""}, RowTint::PrimaryKey},
        {{"index", "ix_items", "CREATE INDEX ..."}, RowTint::Index},
        {{"trigger", "tr_items", "CREATE TRIGGER ..."}, RowTint::Trigger},
        {{"view", "v", "CREATE VIEW v AS SELECT 1"}, RowTint::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ObjectRowTint(c.row), c.tint) << c.row.name.toStdString();
}

TEST(TablePageModel, CellLinesOfEachColumn) {
    using K = LineKind;
    const struct {
        int column;
        const char* cell;
        QList<CellLine> lines;
    } cases[] = {
        {0, "3 -", {{"", "3 -", K::Large}}},
        {1,
         "name; VARCHAR(20); NOCASE",
         {{"", "name", K::Large}, {"Type:", "VARCHAR(20)"}, {"Collate:", "NOCASE"}}},
        {1, "qty; INT; ", {{"", "qty", K::Large}, {"Type:", "INT"}}},
        // a view column: name; type; (empty)
        {1, "v; ; ", {{"", "v", K::Large}, {"Type:", ""}}},
        {2, "N P I1 ", {{"", "Primary Key ", K::Key}, {"", "Not Null"}}},
        {2,
         "U I2 E1 T3 ",
         {{"Used in ", "2 Indices"},
          {"", "Unique "},
          {"Used in ", "a Trigger"},
          {"Activates ", "3 Triggers"}}},
        {2,
         "N U I1 T1 ",
         {{"Used in ", "an Index"}, {"", "Unique Not Null"}, {}, {"Activates ", "a Trigger"}}},
        {2, "", {}},
        {3,
         "a rather long comment on it; 0",
         {{"", "a rather long comment ...", K::Large}, {"Default:", "0"}}},
        {3, "short; ", {{"", "short", K::Large}}},
        {3, "; ", {}},
        {4,
         "ck; REFERENCES p(id); qty > 0",
         {{"Const:", "ck"}, {"F/Key:", "REFERENCES p(id)"}, {"Check:", "qty > 0"}}},
        {4, "; ; qty > 0", {{"Check:", "qty > 0"}}},
        {5,
         "ix_a, ix_b, ; ; tr_c, ",
         {{"", "ix_a, ix_b,", K::IndexRefs},
          {"", "", K::UpdateRefs},
          {"", "tr_c,", K::MentionRefs}}},
        {5, "; ; ", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FieldCellLines(c.column, c.cell), c.lines) << c.column << " " << c.cell;
}

TEST(TablePageModel, ObjectButtonsFollowTheRow) {
    const ObjectButtons none = ObjectRowButtons(nullptr);
    EXPECT_EQ(none.removeCaption, "Remove Index from Table...");
    EXPECT_EQ(none.editCaption, "Edit Index");
    EXPECT_FALSE(none.removeEnabled || none.editEnabled || none.showSqlEnabled);

    // The table's own row: both object buttons disabled, its SQL showable.
    const ObjectRow tableRow{"table", "items", "CREATE TABLE items(a, b)"};
    const ObjectButtons t = ObjectRowButtons(&tableRow);
    EXPECT_EQ(t.removeCaption, "Remove Item");
    EXPECT_EQ(t.editCaption, "Edit Item");
    EXPECT_FALSE(t.removeEnabled);
    EXPECT_FALSE(t.editEnabled);
    EXPECT_TRUE(t.showSqlEnabled);

    const ObjectRow index{"index", "ix,items", "CREATE INDEX \"ix,items\" ON items(a, b)"};
    const ObjectButtons i = ObjectRowButtons(&index);
    EXPECT_EQ(i.removeCaption, "Remove index \"ix,items\"");
    EXPECT_EQ(i.editCaption, "Edit index \"ix,items\"");
    EXPECT_EQ(i.removeHint,
              "Remove, index, \"ix,items\", \"CREATE INDEX \"\"ix,items\"\" ON items(a, b)\"");
    EXPECT_EQ(i.editHint,
              "Alter, index, \"ix,items\", \"CREATE INDEX \"\"ix,items\"\" ON items(a, b)\"");
    EXPECT_TRUE(i.removeEnabled && i.editEnabled && i.showSqlEnabled);
    // The hint reads back as its four fields.
    QStringList fields;
    ASSERT_EQ(SplitCSVLine(i.removeHint, fields, QLatin1Char(',')), 4);
    EXPECT_EQ(fields[2].trimmed(), index.name);
    EXPECT_EQ(fields[3].trimmed(), index.sql);

    // An automatic index: removable (the engine refuses), not editable.
    const ObjectRow autoIndex{"index", "sqlite_autoindex_items_1", ""};
    const ObjectButtons a = ObjectRowButtons(&autoIndex);
    EXPECT_EQ(a.removeHint, "Remove, index, sqlite_autoindex_items_1, ");
    EXPECT_TRUE(a.removeEnabled);
    EXPECT_FALSE(a.editEnabled);
    EXPECT_FALSE(a.showSqlEnabled);

    const ObjectRow trigger{" Trigger ", "tr",
                            "CREATE TRIGGER tr AFTER INSERT ON items BEGIN "
                            "SELECT 1; END"};
    const ObjectButtons tr = ObjectRowButtons(&trigger);
    EXPECT_EQ(tr.removeCaption, "Remove  Trigger  \"tr\"");
    EXPECT_TRUE(tr.editEnabled);
}

TEST(TablePageModel, FirstReferenceFindsItsObjectRow) {
    const QList<ObjectRow> rows = {
        {"table", "items", "x"}, {"index", "IX_Name", "y"}, {"trigger", "tr_qty", "z"}};
    EXPECT_EQ(ObjectRowOfReferences(rows, "ix_name, other, ; ; "), 1);
    EXPECT_EQ(ObjectRowOfReferences(rows, "; tr_qty, ; "), 2);
    EXPECT_EQ(ObjectRowOfReferences(rows, "; ; TR_QTY, "), 2);
    EXPECT_EQ(ObjectRowOfReferences(rows, "; ; "), -1);
    EXPECT_EQ(ObjectRowOfReferences(rows, "gone, ; ; "), -1);
}

TEST(TablePageModel, RowCountHintsSayWhenLastChecked) {
    const QDateTime checked(QDate(2026, 3, 7), QTime(14, 5));
    EXPECT_EQ(LastCheckText(checked), "Last check: 07 March '26 ");
    EXPECT_EQ(LastCheckText(QDateTime(QDate(2009, 12, 24), QTime())),
              "Last check: 24 December '09 ");
    EXPECT_EQ(LastCheckText(QDateTime()), "Last check: Never ");
    EXPECT_EQ(RowCountLabelHint(checked),
              " Table Size (Row-count) - Click to refresh \r Last check: 07 March '26 ");
    EXPECT_EQ(RowCountButtonHint(QDateTime()),
              " Update the Row-count (this may take a while on large tables) \r Last check: "
              "Never ");
}

TEST(TablePageModel, MetadataNoticeTexts) {
    EXPECT_EQ(ColumnMetadataTitle("items", "qty"), "Column Metadata for \"items\".\"qty\"");
    TSQLiteColumnMetaData md;
    md.isValidTable = md.isValidColumn = true;
    md.sDataType = "INTEGER";
    md.sCollation = "BINARY";
    EXPECT_EQ(ColumnMetadataText(md), "Type: INTEGER;   Colation: BINARY\r");
    md.isNotNull = md.isPrimaryKey = md.isAutoInc = true;
    EXPECT_EQ(ColumnMetadataText(md), "Type: INTEGER;   Colation: BINARY\rNot Null;  Primary Key;  "
                                      "Auto-Incrememnt;");
    md.isValidColumn = false;
    EXPECT_EQ(ColumnMetadataText(md), "Invalid Column...");
}

TEST(TablePageModel, ObjectSqlAndHelpTexts) {
    EXPECT_EQ(ObjectSqlForEditor("  CREATE INDEX ix ON t(a)  "), "CREATE INDEX ix ON t(a);");
    EXPECT_EQ(ObjectSqlForEditor("CREATE TRIGGER tr AFTER INSERT ON t  BEGIN  SELECT 1;  END"),
              "CREATE TRIGGER tr AFTER INSERT ON t\r\nBEGIN\r\nSELECT 1;\r\nEND;");
    EXPECT_EQ(ObjectSqlForEditor("   "), "");
    EXPECT_EQ(TableHelpText("items"),
              "Select Columns in this table (items) below (Middle section) to enable "
              "Column-specific functions.\r\rSelect the Table, Triggers or Indices (Right section) "
              "to enable the functions (Bottom-Right) for displaying (SQL), altering or deleteing "
              "them.\r\rTo Import new Tables, use the buttons to the Left of the large \"Query\" "
              "button at the top.");
}

} // namespace
} // namespace sky
