// The schema model's own texts, byte for byte, and its small rules.
#include "design/TableLayout.h"

#include <gtest/gtest.h>

namespace sky {
namespace {

TFieldLayout Col(const char* name, const char* type) {
    TFieldLayout f;
    f.fName = QLatin1String(name);
    f.fType = QLatin1String(type);
    return f;
}

TEST(LayoutText, StockExample) {
    TTableLayout t;
    t.tblName = QStringLiteral("Stock");
    t.ifNotEx = true;
    TFieldLayout id = Col("ID", "INTEGER");
    id.isPK = id.isAutoInc = true;
    TFieldLayout name = Col("Name", "VARCHAR");
    name.fVarSpec = QStringLiteral("(40)");
    name.allowNull = false;
    name.fCollation = QStringLiteral("NOCASE");
    name.fComment = QStringLiteral("display name");
    TFieldLayout qty = Col("Qty", "INTEGER");
    qty.fDefVal = QStringLiteral("0");
    t.Cols = {id, name, qty};
    TIndexLayout ix;
    ASSERT_TRUE(parseIndex(QStringLiteral("CREATE INDEX Idx_Stock_Name ON Stock (Name)"), ix));
    ix.RawText.clear();
    t.Idxs << ix;
    EXPECT_EQ(
        convTableLayoutToSQL(t),
        QStringLiteral("CREATE TABLE IF NOT EXISTS \"Stock\" (\r\n"
                       "  \"ID\" INTEGER PRIMARY KEY AUTOINCREMENT, \r\n"
                       "  \"Name\" VARCHAR(40) NOT NULL COLLATE NOCASE /* display name */, \r\n"
                       "  \"Qty\" INTEGER DEFAULT 0\r\n"
                       ");\r\n"
                       "DROP INDEX IF EXISTS Idx_Stock_Name;\r\n"
                       "CREATE INDEX Idx_Stock_Name ON Stock (Name);\r\n"));
    t.Cols.clear();
    EXPECT_EQ(convTableLayoutToSQL(t), QStringLiteral("/*  Table has Zero columns  */"));
}

TEST(LayoutText, EditedDefaultsAndNewColumns) {
    TTableLayout t;
    t.ifNotEx = false;
    t.tblName = QStringLiteral("t");
    const struct {
        const char* def;
        const char* written;
    } cases[] = {{"abc", "'abc'"},
                 {"12", "12"},
                 {"-1.5", "-1.5"},
                 {"0x1F", "0x1F"},
                 {"1e5", "1e5"},
                 {"CURRENT_TIMESTAMP", "CURRENT_TIMESTAMP"},
                 {"true", "true"},
                 {"(1+2)", "(1+2)"},
                 {"it's", "'it''s'"},
                 {"1,000", "'1,000'"},
                 {"1234567890123456789", "'1234567890123456789'"}};
    for (const auto& c : cases) {
        TFieldLayout f = Col("a", "TEXT");
        f.fDefVal = QLatin1String(c.def); // edited: no raw form
        t.Cols = {f};
        EXPECT_TRUE(convTableLayoutToSQL(t).contains(
            QStringLiteral("DEFAULT ") + QLatin1String(c.written) + QStringLiteral("\r\n")))
            << c.def << ": " << convTableLayoutToSQL(t).toStdString();
    }
    // A new untyped key column becomes INTEGER; a read one keeps no type.
    TFieldLayout k = Col("id", "");
    k.isPK = true;
    t.Cols = {k};
    EXPECT_TRUE(convTableLayoutToSQL(t).contains(QStringLiteral("\"id\" INTEGER PRIMARY KEY")));
    k.OldName = QStringLiteral("id");
    t.Cols = {k};
    EXPECT_TRUE(convTableLayoutToSQL(t).contains(QStringLiteral("\"id\" PRIMARY KEY")));
    // Quotes in names are doubled; a comment cannot end early.
    TFieldLayout q = Col("we\"ird", "INT");
    q.fComment = QStringLiteral("a */ b");
    t.tblName = QStringLiteral("my \"t\"");
    t.Cols = {q};
    EXPECT_TRUE(convTableLayoutToSQL(t).startsWith(QStringLiteral(
        "CREATE TABLE \"my \"\"t\"\"\" (\r\n  \"we\"\"ird\" INT /* a * / b */\r\n);")));
}

TEST(LayoutText, ConstraintTexts) {
    TFKeyLayout k;
    k.iKeyKind = KeyKind::PrimaryKey;
    k.ConstrName = QStringLiteral("pk_orders");
    k.OwnFields = QStringLiteral("OrderID, Line");
    k.FKFields = QStringLiteral(", DESC");
    k.iConflictClause = 5;
    k.Comment = QStringLiteral("main key");
    EXPECT_EQ(KeyText(k), QStringLiteral("CONSTRAINT pk_orders PRIMARY KEY (OrderID, Line DESC) ON "
                                         "CONFLICT REPLACE /* main key */"));
    TFKeyLayout f;
    f.iKeyKind = KeyKind::ForeignKey;
    f.bIsTableConstraint = true;
    f.ConstrName = QStringLiteral("fk_line_order");
    f.OwnFields = QStringLiteral("OrderID");
    f.TableParent = QStringLiteral("Orders");
    f.FKFields = QStringLiteral("OrderID");
    f.iDelAction = 5;
    f.iUpdAction = 1;
    f.bDeferred = true;
    f.iDeferrable = DeferMode::Deferrable;
    f.iInitially = InitialMode::Deferred;
    EXPECT_EQ(ConstraintText(f, true),
              QStringLiteral("CONSTRAINT fk_line_order FOREIGN KEY (OrderID)\r\n"
                             "  REFERENCES \"Orders\"(OrderID)\r\n"
                             "  ON DELETE CASCADE ON UPDATE NO ACTION\r\n"
                             "  DEFERRABLE INITIALLY DEFERRED"));
    // Without parent columns: the parent's primary key, no padding.
    f.FKFields.clear();
    f.TableParent = QStringLiteral("main.Orders");
    f.iDelAction = f.iUpdAction = 0;
    f.bDeferred = false;
    f.iInitially = InitialMode::Immediate;
    EXPECT_EQ(ConstraintText(f, false),
              QStringLiteral("CONSTRAINT fk_line_order FOREIGN KEY (OrderID) REFERENCES "
                             "\"main\".\"Orders\" DEFERRABLE INITIALLY IMMEDIATE"));
    TFKeyLayout c;
    c.iKeyKind = KeyKind::Check;
    c.FKFields = QStringLiteral("a > 0");
    c.Comment = QStringLiteral("positive");
    c.iConflictClause = 2;
    EXPECT_EQ(CheckText(c), QStringLiteral("CHECK (a > 0) ON CONFLICT ABORT /* positive */"));
    EXPECT_EQ(ConstraintText(c, false), QStringLiteral("CHECK (a > 0)"));
}

TEST(LayoutText, ForeignKeyReader) {
    TFKeyLayout k;
    ASSERT_TRUE(parseFKey(QStringLiteral("CONSTRAINT \"f k\" FOREIGN KEY (\"a\", b) REFERENCES "
                                         "\"P\"(x, \"y\") ON UPDATE CASCADE ON DELETE SET NULL "
                                         "NOT DEFERRABLE /* note */"),
                          k));
    EXPECT_TRUE(k.bIsTableConstraint);
    EXPECT_EQ(k.ConstrName, QStringLiteral("f k"));
    EXPECT_EQ(k.OwnFields, QStringLiteral("a,b"));
    EXPECT_EQ(k.TableParent, QStringLiteral("P"));
    EXPECT_EQ(k.FKFields, QStringLiteral("x,y"));
    EXPECT_EQ(k.iUpdAction, 5);
    EXPECT_EQ(k.iDelAction, 3);
    EXPECT_EQ(k.iDeferrable, DeferMode::NotDeferrable);
    EXPECT_EQ(k.Comment, QStringLiteral("note"));
    ASSERT_TRUE(parseFKey(QStringLiteral("REFERENCES p DEFERRABLE INITIALLY IMMEDIATE"), k));
    EXPECT_EQ(k.iDeferrable, DeferMode::Deferrable);
    EXPECT_FALSE(k.bDeferred);
    EXPECT_EQ(ConstraintText(k, false),
              QStringLiteral("REFERENCES \"p\" DEFERRABLE INITIALLY IMMEDIATE"));
    EXPECT_FALSE(parseFKey(QStringLiteral("FOREIGN KEY (a)"), k));
}

TEST(LayoutRules, ConflictWordsNumbersAndColumns) {
    EXPECT_EQ(ReadConflictWord(QStringLiteral("  on   conflict   ignore ")), 4);
    EXPECT_EQ(ReadConflictWord(QStringLiteral("REPLACE")), 5);
    EXPECT_EQ(ReadConflictWord(QStringLiteral("nonsense")), 0);
    EXPECT_EQ(ConflictClause(3), QStringLiteral("ON CONFLICT FAIL"));
    EXPECT_EQ(ConflictClause(0), QString());
    for (const char* yes : {"12", "-1.5", "1,000", " 7 "})
        EXPECT_TRUE(IsNumericLiteral(QLatin1String(yes))) << yes;
    for (const char* no : {"", "1e5", "1-", "1.2.3", "abc", "1234567890123456789"})
        EXPECT_FALSE(IsNumericLiteral(QLatin1String(no))) << no;
    for (const char* yes : {"12", "-1.5", "+5", ".5", "1e5", "1.5E-3", "0x1F"})
        EXPECT_TRUE(IsStrictNumericLiteral(QLatin1String(yes))) << yes;
    for (const char* no : {"1,000", "1e", "--1", "0x", "1234567890123456789", "12 "})
        EXPECT_FALSE(IsStrictNumericLiteral(QLatin1String(no))) << no;

    TTableLayout t;
    addCol(t, TFieldLayout(), -1);
    addCol(t, Col("Field_1", "INT"), 0);
    addCol(t, Col("Item007", ""), 5);
    addCol(t, Col("Item007", ""), 5);
    TFieldLayout pk = Col("k", "INT");
    pk.isPK = true;
    addCol(t, pk, -1);
    addCol(t, pk, -1);
    QStringList names;
    for (const TFieldLayout& f : t.Cols)
        names << f.fName;
    EXPECT_EQ(names, (QStringList{"Field_2", "Field_1", "Item007", "Item008", "k", "k1"}));
    EXPECT_EQ(checkPKeyKind(t), 1);
    EXPECT_FALSE(t.Cols.last().isPK);
    t.Cols[1].OldName = QStringLiteral("old");
    EXPECT_EQ(convTableAlteredCols(t), QStringLiteral("old=Field_1"));
}

TEST(LayoutRules, ParserRefusesWhatItDoesNotUnderstand) {
    TTableLayout t;
    QString why;
    EXPECT_FALSE(parseTable(QStringLiteral("CREATE TABLE t(a INT NOT FROBNICATE)"), {}, t, &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_FALSE(parseTable(QStringLiteral("CREATE VIEW v AS SELECT 1"), {}, t));
    EXPECT_FALSE(parseTable(QStringLiteral("CREATE TABLE t(a) WITH SOMETHING"), {}, t));
    ASSERT_TRUE(parseTable(QStringLiteral("CREATE TABLE IF NOT EXISTS main.\"x y\" (a -- c1\n, b)"),
                           {}, t));
    EXPECT_EQ(t.dbName, QStringLiteral("main"));
    EXPECT_EQ(t.tblName, QStringLiteral("x y"));
    EXPECT_TRUE(t.ifNotEx);
    ASSERT_EQ(t.Cols.size(), 2);
    EXPECT_EQ(t.Cols[0].fComment, QStringLiteral("c1"));
    ASSERT_TRUE(parseTable(QStringLiteral("CREATE TABLE t AS SELECT 1"),
                           {QStringLiteral("0,x,INT,1,,0"), QStringLiteral("1,y,,0,5,1")}, t));
    ASSERT_EQ(t.Cols.size(), 2);
    EXPECT_FALSE(t.Cols[0].allowNull);
    EXPECT_TRUE(t.Cols[1].isPK);
    EXPECT_EQ(t.Cols[1].fDefVal, QStringLiteral("5"));
}

} // namespace
} // namespace sky
