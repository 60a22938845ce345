// Tests for the SQL script splitter: statement boundaries (quotes, brackets,
// comments, trigger bodies, transactions), the text normalisation of each
// statement, the unfinished tail, FlattenFirstStatement, a round trip
// through a real in-memory SQLite database, and scripts run by the
// connection compared with the sqlite3 shell reading the same bytes.
#include "common/Process.h"
#include "common/SplitPieces.h"
#include "common/TempDb.h"
#include "engine/ScriptSplitter.h"

#include <QFile>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <ostream>
#include <string>
#include <vector>

namespace sky {
namespace {

using Strings = std::vector<std::string>;

Strings ToStd(const QStringList& list) {
    Strings out;
    for (const QString& s : list)
        out.push_back(s.toStdString());
    return out;
}

// Which whitespace mode a case is run in; single-line cases must not depend on it.
enum class Ws { Both, Trim, Keep };

struct SplitCase {
    const char* name;
    Ws ws;
    const char* input;
    Strings statements;
    std::string tail;
};

void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << c.name;
}

// clang-format off
const SplitCase kSplitCases[] = {
    // Boundaries and trimming.
    {"Empty", Ws::Both, "", {}, ""},
    {"LastWithoutSemicolon", Ws::Both, "SELECT 1; SELECT 2", {"SELECT 1;", "SELECT 2"}, ""},
    {"InputTrimmed", Ws::Both, "  \r\n\t SELECT 1;\n\n  ", {"SELECT 1;"}, ""},
    {"SameLine", Ws::Both, "SELECT 1;   SELECT 2;\t", {"SELECT 1;", "SELECT 2;"}, ""},
    // Quotes and brackets hide semicolons, comment markers and each other.
    {"SingleQuote", Ws::Both, "SELECT 'a;b'; SELECT 2;", {"SELECT 'a;b';", "SELECT 2;"}, ""},
    {"DoubleQuote", Ws::Both, "SELECT \"a;b\" FROM t; SELECT 2;",
     {"SELECT \"a;b\" FROM t;", "SELECT 2;"}, ""},
    {"Backtick", Ws::Both, "SELECT `a;b` FROM t; SELECT 2;",
     {"SELECT `a;b` FROM t;", "SELECT 2;"}, ""},
    {"SquareBracket", Ws::Both, "SELECT [a;b] FROM t; SELECT 2;",
     {"SELECT [a;b] FROM t;", "SELECT 2;"}, ""},
    {"DoubledSingleQuote", Ws::Both, "SELECT 'it''s;'; SELECT 2;",
     {"SELECT 'it''s;';", "SELECT 2;"}, ""},
    {"DoubledDoubleQuote", Ws::Both, "SELECT \"x\"\";\" FROM t; SELECT 2;",
     {"SELECT \"x\"\";\" FROM t;", "SELECT 2;"}, ""},
    {"QuoteInsideBracket", Ws::Both, "SELECT [a'b] FROM t; SELECT 2;",
     {"SELECT [a'b] FROM t;", "SELECT 2;"}, ""},
    {"OtherQuotesInsideQuote", Ws::Both, "SELECT 'a\"b`c[d('; SELECT 2;",
     {"SELECT 'a\"b`c[d(';", "SELECT 2;"}, ""},
    {"CloseParenInQuote", Ws::Both, "SELECT (')';1); SELECT 2;",
     {"SELECT (')';1);", "SELECT 2;"}, ""},
    {"Parens", Ws::Both, "SELECT ((1;2);3); SELECT 4;", {"SELECT ((1;2);3);", "SELECT 4;"}, ""},
    {"Braces", Ws::Both, "SELECT {a;b}; SELECT 3;", {"SELECT {a;b};", "SELECT 3;"}, ""},
    {"CommentMarkersInQuotes", Ws::Both, "SELECT '--x;'; SELECT \"a--b\", [c/*d] FROM t;",
     {"SELECT '--x;';", "SELECT \"a--b\", [c/*d] FROM t;"}, ""},
    {"SlashAndMinusAreOperators", Ws::Both, "SELECT 4/2, 3-1, 2*3; SELECT - -1;",
     {"SELECT 4/2, 3-1, 2*3;", "SELECT - -1;"}, ""},
    // Line comments go, block comments stay and end their line.
    {"LineCommentRemoved", Ws::Both, "SELECT a -- note\nFROM t;", {"SELECT a\r\nFROM t;"}, ""},
    {"LineCommentAfterLast", Ws::Both, "SELECT 1; -- c", {"SELECT 1;"}, ""},
    {"LineCommentFirst", Ws::Both, "-- header\nSELECT 1;", {"SELECT 1;"}, ""},
    {"CommentLineBetween", Ws::Both, "SELECT 1;\n-- c\nSELECT 2;", {"SELECT 1;", "SELECT 2;"}, ""},
    {"CommentLineInside", Ws::Both, "SELECT a,\n-- b,\nc FROM t;", {"SELECT a,\r\nc FROM t;"}, ""},
    {"SemicolonInLineComment", Ws::Both, "SELECT 1 -- ;\n+ 2;", {"SELECT 1\r\n+ 2;"}, ""},
    {"QuoteInLineComment", Ws::Both, "SELECT 1 -- it's\n+ 2; SELECT 3;",
     {"SELECT 1\r\n+ 2;", "SELECT 3;"}, ""},
    // A line comment runs to the next LF, as in the engine: a lone CR is part of it.
    {"LineCommentRunsOverCr", Ws::Both, "SELECT a -- x\rFROM t;", {"SELECT a"}, ""},
    {"CommentedOutAfterCr", Ws::Both, "select 1; -- comment\rDROP TABLE t;\n", {"select 1;"}, ""},
    {"CrThenLfEndsComment", Ws::Both, "SELECT a -- x\ry;\nFROM t;", {"SELECT a\r\nFROM t;"}, ""},
    {"LineCommentEndsAtCrLf", Ws::Both, "SELECT a -- x\r\nFROM t;", {"SELECT a\r\nFROM t;"}, ""},
    {"CrLfEmptyComment", Ws::Both, "SELECT 1 --\r\n+ 2;", {"SELECT 1\r\n+ 2;"}, ""},
    {"BlockCommentKept", Ws::Trim, "SELECT /* c */ 1;", {"SELECT /* c */\r\n1;"}, ""},
    {"SemicolonInBlockComment", Ws::Trim, "SELECT 1 /* ; */ + 2; SELECT 3;",
     {"SELECT 1 /* ; */\r\n+ 2;", "SELECT 3;"}, ""},
    {"QuoteInBlockComment", Ws::Trim, "SELECT 1 /* it's */ + 2; SELECT 3;",
     {"SELECT 1 /* it's */\r\n+ 2;", "SELECT 3;"}, ""},
    {"BlockCommentBeforeSemicolon", Ws::Both, "SELECT 1 /* c */;", {"SELECT 1 /* c */\r\n;"}, ""},
    {"OnlyComments", Ws::Both, "-- a\n/* b; */\n  \n-- c;", {}, ""},
    // Line ends and per-line trimming.
    {"MixedLineEnds", Ws::Both, "SELECT a\r\nFROM t\rWHERE x\nAND y;\rSELECT 2;",
     {"SELECT a\r\nFROM t\r\nWHERE x\r\nAND y;", "SELECT 2;"}, ""},
    {"TrimBothSides", Ws::Trim, "SELECT a\n\n   \n\t  FROM t  \n  WHERE x;",
     {"SELECT a\r\nFROM t\r\nWHERE x;"}, ""},
    {"TrimRightOnly", Ws::Keep, "SELECT a\n\n   \n\t  FROM t  \n  WHERE x;",
     {"SELECT a\r\n\t  FROM t\r\n  WHERE x;"}, ""},
    {"TrimRightOnlySecond", Ws::Keep, "SELECT 1;\n  SELECT a\n    FROM t;",
     {"SELECT 1;", "SELECT a\r\n    FROM t;"}, ""},
    {"InnerControlCharsKept", Ws::Both, "SELECT a \t\nFROM t\t;", {"SELECT a\r\nFROM t\t;"}, ""},
    // Only the engine's blanks are trimmed: other control characters are
    // illegal tokens that must reach the engine.
    {"ControlCharsAreNoBlanks", Ws::Both, "\x01" "DROP TABLE t\x01\n;\x0b",
     {"\x01" "DROP TABLE t\x01\r\n;", "\x0b"}, ""},
    {"FormFeedIsBlank", Ws::Trim, "\f SELECT 1 \f\n\f;\f", {"SELECT 1\r\n;"}, ""},
    // Line breaks inside quotes belong to the value and are kept verbatim.
    {"QuotedLineBreak", Ws::Both, "INSERT INTO t VALUES('a\n   b');",
     {"INSERT INTO t VALUES('a\n   b');"}, ""},
    {"QuotedBlankLineAndSpaces", Ws::Both, "INSERT INTO t VALUES('a  \n\n  b\r\nc');",
     {"INSERT INTO t VALUES('a  \n\n  b\r\nc');"}, ""},
    {"QuotedThenNextLine", Ws::Trim, "INSERT INTO t VALUES('a\n   b',\n   2);",
     {"INSERT INTO t VALUES('a\n   b',\r\n2);"}, ""},
    // Triggers end at the END of their body; the ";" after it stands alone.
    {"Trigger", Ws::Both,
     "CREATE TRIGGER tr AFTER INSERT ON a BEGIN INSERT INTO b VALUES(1); END;",
     {"CREATE TRIGGER tr AFTER INSERT ON a BEGIN INSERT INTO b VALUES(1); END", ";"}, ""},
    {"TriggerThenStatement", Ws::Both,
     "CREATE TRIGGER tr AFTER INSERT ON a BEGIN SELECT 1; END;\nSELECT 2;",
     {"CREATE TRIGGER tr AFTER INSERT ON a BEGIN SELECT 1; END", ";", "SELECT 2;"}, ""},
    {"TempTriggerLowerCase", Ws::Both,
     "create temp trigger tr after insert on a begin insert into b values(1); end;",
     {"create temp trigger tr after insert on a begin insert into b values(1); end", ";"}, ""},
    {"TemporaryTrigger", Ws::Both,
     "Create Temporary Trigger tr Before Delete On a For Each Row Begin Delete From b; End;",
     {"Create Temporary Trigger tr Before Delete On a For Each Row Begin Delete From b; End",
      ";"}, ""},
    {"TriggerMultiLineTrim", Ws::Trim,
     "CREATE TRIGGER tr AFTER INSERT ON a\nBEGIN\n  INSERT INTO b VALUES(1);\n\n"
     "  INSERT INTO b VALUES(2);\nEND;",
     {"CREATE TRIGGER tr AFTER INSERT ON a\r\nBEGIN\r\nINSERT INTO b VALUES(1);\r\n"
      "INSERT INTO b VALUES(2);\r\nEND", ";"}, ""},
    {"TriggerMultiLineKeep", Ws::Keep,
     "CREATE TRIGGER tr AFTER INSERT ON a\nBEGIN\n  INSERT INTO b VALUES(1);\n\n"
     "  INSERT INTO b VALUES(2);\nEND;",
     {"CREATE TRIGGER tr AFTER INSERT ON a\r\nBEGIN\r\n  INSERT INTO b VALUES(1);\r\n"
      "  INSERT INTO b VALUES(2);\r\nEND", ";"}, ""},
    {"TriggerQuotedEnd", Ws::Both,
     "CREATE TRIGGER tr AFTER INSERT ON a BEGIN INSERT INTO b VALUES('The End'); END;",
     {"CREATE TRIGGER tr AFTER INSERT ON a BEGIN INSERT INTO b VALUES('The End'); END", ";"}, ""},
    {"TriggerLineCommentEnd", Ws::Trim,
     "CREATE TRIGGER tr AFTER INSERT ON a BEGIN\n  -- end\n  INSERT INTO b VALUES(1);\nEND;",
     {"CREATE TRIGGER tr AFTER INSERT ON a BEGIN\r\nINSERT INTO b VALUES(1);\r\nEND", ";"}, ""},
    {"TriggerBlockCommentEnd", Ws::Trim,
     "CREATE TRIGGER tr AFTER INSERT ON a BEGIN /* END */ INSERT INTO b VALUES(1); END;",
     {"CREATE TRIGGER tr AFTER INSERT ON a BEGIN /* END */\r\nINSERT INTO b VALUES(1); END",
      ";"}, ""},
    {"TriggerCase", Ws::Both,
     "CREATE TRIGGER tr AFTER UPDATE ON a BEGIN "
     "UPDATE b SET y = CASE WHEN new.x > 0 THEN 1 ELSE 0 END WHERE id = new.id; END;",
     {"CREATE TRIGGER tr AFTER UPDATE ON a BEGIN "
      "UPDATE b SET y = CASE WHEN new.x > 0 THEN 1 ELSE 0 END WHERE id = new.id; END", ";"}, ""},
    {"TriggerNestedCase", Ws::Both,
     "CREATE TRIGGER tr AFTER UPDATE ON a BEGIN UPDATE b SET y = "
     "CASE WHEN new.x > 0 THEN CASE WHEN new.x > 9 THEN 2 ELSE 1 END ELSE 0 END; SELECT 1; END;",
     {"CREATE TRIGGER tr AFTER UPDATE ON a BEGIN UPDATE b SET y = "
      "CASE WHEN new.x > 0 THEN CASE WHEN new.x > 9 THEN 2 ELSE 1 END ELSE 0 END; SELECT 1; END",
      ";"}, ""},
    {"TriggerBeginEndColumns", Ws::Both,
     "CREATE TRIGGER tr AFTER UPDATE ON a BEGIN UPDATE b SET s = new.begin, e = new.end; END;",
     {"CREATE TRIGGER tr AFTER UPDATE ON a BEGIN UPDATE b SET s = new.begin, e = new.end; END",
      ";"}, ""},
    {"TriggerKeywordsInsideWords", Ws::Both,
     "CREATE TRIGGER tr AFTER INSERT ON a BEGIN "
     "INSERT INTO backend SELECT showcase, ending FROM a; END;",
     {"CREATE TRIGGER tr AFTER INSERT ON a BEGIN "
      "INSERT INTO backend SELECT showcase, ending FROM a; END", ";"}, ""},
    // Only "; END" closes a body: a column named end, or END elsewhere, does not.
    {"TriggerColumnNamedEnd", Ws::Both,
     "CREATE TRIGGER tr AFTER INSERT ON t BEGIN UPDATE t SET end = 1; END;",
     {"CREATE TRIGGER tr AFTER INSERT ON t BEGIN UPDATE t SET end = 1; END", ";"}, ""},
    {"TriggerEndAfterSemicolonInExpression", Ws::Both,
     "CREATE TRIGGER tr AFTER INSERT ON t BEGIN SELECT 1; END + 1; END;",
     {"CREATE TRIGGER tr AFTER INSERT ON t BEGIN SELECT 1; END + 1; END", ";"}, ""},
    {"TriggerEndAtEndOfText", Ws::Both,
     "CREATE TRIGGER tr AFTER INSERT ON t BEGIN SELECT 1; END",
     {"CREATE TRIGGER tr AFTER INSERT ON t BEGIN SELECT 1; END"}, ""},
    {"TriggerEndCommentThenSemicolon", Ws::Trim,
     "CREATE TRIGGER tr AFTER INSERT ON t BEGIN SELECT 1; END -- done\n/* x */ ;",
     {"CREATE TRIGGER tr AFTER INSERT ON t BEGIN SELECT 1; END", "/* x */\r\n;"}, ""},
    {"TriggerWordsSplitByComments", Ws::Trim,
     "CREATE /* a */ TEMP -- b\nTRIGGER tr AFTER INSERT ON t BEGIN SELECT 1; END;",
     {"CREATE /* a */\r\nTEMP\r\nTRIGGER tr AFTER INSERT ON t BEGIN SELECT 1; END", ";"}, ""},
    {"ExplainTrigger", Ws::Both,
     "EXPLAIN CREATE TRIGGER tr AFTER INSERT ON t BEGIN SELECT 1; END;",
     {"EXPLAIN CREATE TRIGGER tr AFTER INSERT ON t BEGIN SELECT 1; END", ";"}, ""},
    {"CreateTableNamedTrigger", Ws::Both, "CREATE TABLE trigger(a); SELECT 1;",
     {"CREATE TABLE trigger(a);", "SELECT 1;"}, ""},
    {"TwoTriggers", Ws::Both,
     "CREATE TRIGGER t1 AFTER INSERT ON a BEGIN SELECT 1; END;\n"
     "CREATE TRIGGER t2 AFTER DELETE ON a BEGIN SELECT 2; END;",
     {"CREATE TRIGGER t1 AFTER INSERT ON a BEGIN SELECT 1; END", ";",
      "CREATE TRIGGER t2 AFTER DELETE ON a BEGIN SELECT 2; END", ";"}, ""},
    {"TriggerInsideTransaction", Ws::Both,
     "BEGIN;\nCREATE TRIGGER tr AFTER INSERT ON a BEGIN SELECT 1; END;\nCOMMIT;",
     {"BEGIN;", "CREATE TRIGGER tr AFTER INSERT ON a BEGIN SELECT 1; END", ";", "COMMIT;"}, ""},
    // Transaction statements are ordinary statements, not trigger bodies.
    {"Begin", Ws::Both, "BEGIN; INSERT INTO t VALUES(1); COMMIT;",
     {"BEGIN;", "INSERT INTO t VALUES(1);", "COMMIT;"}, ""},
    {"BeginTransaction", Ws::Both, "BEGIN TRANSACTION; INSERT INTO t VALUES(1); END TRANSACTION;",
     {"BEGIN TRANSACTION;", "INSERT INTO t VALUES(1);", "END TRANSACTION;"}, ""},
    {"BeginDeferred", Ws::Both, "begin deferred; delete from t; end;",
     {"begin deferred;", "delete from t;", "end;"}, ""},
    {"BeginDeferredTransaction", Ws::Both, "BEGIN DEFERRED TRANSACTION; SELECT 1; END;",
     {"BEGIN DEFERRED TRANSACTION;", "SELECT 1;", "END;"}, ""},
    {"BeginImmediate", Ws::Both, "BEGIN IMMEDIATE; INSERT INTO t VALUES(1); COMMIT;",
     {"BEGIN IMMEDIATE;", "INSERT INTO t VALUES(1);", "COMMIT;"}, ""},
    {"BeginImmediateTransaction", Ws::Both, "begin immediate transaction; select 1; commit;",
     {"begin immediate transaction;", "select 1;", "commit;"}, ""},
    {"BeginExclusive", Ws::Both, "BEGIN EXCLUSIVE; SELECT 1;",
     {"BEGIN EXCLUSIVE;", "SELECT 1;"}, ""},
    {"BeginExclusiveTransaction", Ws::Both,
     "Begin Exclusive Transaction;\nUPDATE t SET x = 1;\nCommit Transaction;",
     {"Begin Exclusive Transaction;", "UPDATE t SET x = 1;", "Commit Transaction;"}, ""},
    {"BeginOverTwoLines", Ws::Both, "BEGIN\nEXCLUSIVE;\nSELECT 1;",
     {"BEGIN\r\nEXCLUSIVE;", "SELECT 1;"}, ""},
    {"BeginThenCase", Ws::Both, "BEGIN; SELECT CASE WHEN 1 THEN 2 END; END;",
     {"BEGIN;", "SELECT CASE WHEN 1 THEN 2 END;", "END;"}, ""},
    // CASE ... END outside a trigger does not end anything.
    {"Case", Ws::Both, "SELECT CASE WHEN 1 THEN 'a;' END; SELECT 2;",
     {"SELECT CASE WHEN 1 THEN 'a;' END;", "SELECT 2;"}, ""},
    {"NestedCase", Ws::Both,
     "SELECT CASE x WHEN 1 THEN CASE WHEN y THEN 2 END END FROM t; SELECT 3;",
     {"SELECT CASE x WHEN 1 THEN CASE WHEN y THEN 2 END END FROM t;", "SELECT 3;"}, ""},
    // Unfinished ends go to the tail, untouched but trimmed.
    {"TailOpenParen", Ws::Both, "SELECT 1; SELECT (1;", {"SELECT 1;"}, "SELECT (1;"},
    {"TailOpenQuote", Ws::Both, "SELECT 'abc", {}, "SELECT 'abc"},
    {"TailOpenQuoteAfterStatement", Ws::Both, "SELECT 1;   SELECT 'a;b", {"SELECT 1;"},
     "SELECT 'a;b"},
    {"TailOpenDoubleQuote", Ws::Both, "SELECT \"abc; SELECT 2;", {}, "SELECT \"abc; SELECT 2;"},
    {"TailOpenBracket", Ws::Both, "SELECT 1; SELECT [a; SELECT 2;", {"SELECT 1;"},
     "SELECT [a; SELECT 2;"},
    {"TailOpenBrace", Ws::Both, "SELECT {a;", {}, "SELECT {a;"},
    {"TailTrimmed", Ws::Both, "SELECT 1;\n  SELECT ('x'  \n", {"SELECT 1;"}, "SELECT ('x'"},
    {"TailTriggerWithoutEnd", Ws::Both,
     "SELECT 1; CREATE TRIGGER tr AFTER INSERT ON a BEGIN INSERT INTO b VALUES(1);",
     {"SELECT 1;"}, "CREATE TRIGGER tr AFTER INSERT ON a BEGIN INSERT INTO b VALUES(1);"},
    {"TailTriggerOnlyCaseEnd", Ws::Both,
     "CREATE TRIGGER tr AFTER INSERT ON a BEGIN SELECT CASE WHEN 1 THEN 2 END;",
     {}, "CREATE TRIGGER tr AFTER INSERT ON a BEGIN SELECT CASE WHEN 1 THEN 2 END;"},
    // Non-ASCII text passes through unchanged.
    {"Umlauts", Ws::Both, "SELECT 'Grüße;'; SELECT 2;", {"SELECT 'Grüße;';", "SELECT 2;"}, ""},
    {"AccentedIdentifiers", Ws::Both, "SELECT café, \"Ärger\" FROM naïve; SELECT 'x';",
     {"SELECT café, \"Ärger\" FROM naïve;", "SELECT 'x';"}, ""},
    {"Emoji", Ws::Both, "INSERT INTO t VALUES('😀;🎉'); SELECT '🚀' -- 😀 note\n;",
     {"INSERT INTO t VALUES('😀;🎉');", "SELECT '🚀'\r\n;"}, ""},
    {"TailNonAscii", Ws::Both, "SELECT 1; SELECT 'Grüße", {"SELECT 1;"}, "SELECT 'Grüße"},
    // An open block comment at the end leaves the script unfinished.
    {"TailOpenBlockComment", Ws::Both, "SELECT 1;\n/* open", {"SELECT 1;"}, "/* open"},
    {"TailOpenBlockCommentInStatement", Ws::Both, "SELECT 1; SELECT 2 /* open; SELECT 3;",
     {"SELECT 1;"}, "SELECT 2 /* open; SELECT 3;"},
    {"TailOpenBrackets", Ws::Both, "select ((((1;", {}, "select ((((1;"},
    {"TailTriggerColumnNamedEnd", Ws::Both,
     "CREATE TRIGGER tr AFTER INSERT ON t BEGIN UPDATE t SET end = 1;",
     {}, "CREATE TRIGGER tr AFTER INSERT ON t BEGIN UPDATE t SET end = 1;"},
    {"TailTriggerEndNotFollowedBySemicolon", Ws::Both,
     "CREATE TRIGGER tr AFTER INSERT ON t BEGIN SELECT 1; END SELECT 2;",
     {}, "CREATE TRIGGER tr AFTER INSERT ON t BEGIN SELECT 1; END SELECT 2;"},
    // Control characters other than tab and form feed are no blanks to the engine.
    {"VerticalTabIsNoBlank", Ws::Both,
     "CREATE\vTRIGGER tr AFTER INSERT ON t BEGIN SELECT 1; END;",
     {"CREATE\vTRIGGER tr AFTER INSERT ON t BEGIN SELECT 1;", "END;"}, ""},
};
// clang-format on

class SplitTable : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTable, Splits) {
    const SplitCase& c = GetParam();
    const QString input = QString::fromUtf8(c.input);
    for (bool remWhSpc : {true, false}) {
        if ((c.ws == Ws::Trim && !remWhSpc) || (c.ws == Ws::Keep && remWhSpc)) continue;
        SCOPED_TRACE(remWhSpc ? "bRemWhSpc = true" : "bRemWhSpc = false");
        const SplitResult r = SplitSqlScript(input, remWhSpc);
        const Strings got = ToStd(r.statements);
        EXPECT_EQ(got, c.statements);
        EXPECT_EQ(r.tail.toStdString(), c.tail);
        // SQLite's own completeness check must agree with every produced
        // boundary, and with a script that leaves nothing unfinished.
        for (const std::string& s : got)
            EXPECT_TRUE(sqlite3_complete((s + "\n;").c_str())) << s;
        if (r.tail.isEmpty() && !got.empty()) {
            EXPECT_TRUE(sqlite3_complete((std::string(c.input) + "\n;").c_str()));
        }
        // Read in pieces of any size, the script splits alike.
        for (qsizetype piece : {1, 2, 3, 5, 8, 13, 64}) {
            SCOPED_TRACE(piece);
            const SplitResult p = test::SplitInPieces(input, piece, remWhSpc);
            EXPECT_EQ(ToStd(p.statements), c.statements);
            EXPECT_EQ(p.tail.toStdString(), c.tail);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SplitTable, ::testing::ValuesIn(kSplitCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SplitSqlScript, TwentyThousandStatements) {
    QString script;
    for (int i = 0; i < 20000; ++i)
        script += QStringLiteral("INSERT INTO t VALUES(%1, 'v;%1'); -- row %1\n").arg(i);
    const SplitResult r = SplitSqlScript(script, true);
    ASSERT_EQ(r.statements.size(), 20000);
    EXPECT_TRUE(r.tail.isEmpty());
    EXPECT_EQ(r.statements.front().toStdString(), "INSERT INTO t VALUES(0, 'v;0');");
    EXPECT_EQ(r.statements.back().toStdString(), "INSERT INTO t VALUES(19999, 'v;19999');");
}

struct FlattenCase {
    const char* name;
    const char* input;
    const char* expected;
};

void PrintTo(const FlattenCase& c, std::ostream* os) {
    *os << c.name;
}

const FlattenCase kFlattenCases[] = {
    {"Empty", "", ""},
    {"LineComment", "SELECT a -- note\nFROM t;", "SELECT a FROM t;"},
    {"RestDropped", "  SELECT a,\n    b\r\n\n  FROM t;\nSELECT 2;", "SELECT a, b FROM t;"},
    {"QuotedSemicolon", "SELECT 'a;b'; SELECT 2", "SELECT 'a;b';"},
    {"BlockComment", "SELECT /* c */ 1; SELECT 2;", "SELECT /* c */ 1;"},
    {"LeadingComment", "-- header\n\nSELECT 1;\nSELECT 2;", "SELECT 1;"},
    {"NoSemicolon", "SELECT a\nFROM t", "SELECT a FROM t"},
    {"Trigger",
     "CREATE TRIGGER tr AFTER INSERT ON a\nBEGIN\n  INSERT INTO b VALUES(1);\n"
     "  SELECT CASE WHEN 1 THEN 2 END;\nEND;\nSELECT 2;",
     "CREATE TRIGGER tr AFTER INSERT ON a BEGIN INSERT INTO b VALUES(1); SELECT CASE WHEN 1 "
     "THEN 2 END; END;"},
    {"Transaction", "BEGIN IMMEDIATE;\nINSERT INTO t VALUES(1);", "BEGIN IMMEDIATE;"},
    {"OpenParen", "SELECT (1", "SELECT (1"},
    {"OpenQuote", "SELECT 'abc", "SELECT 'abc"},
    {"OpenTrigger", "CREATE TRIGGER tr AFTER INSERT ON a BEGIN\nSELECT 1;",
     "CREATE TRIGGER tr AFTER INSERT ON a BEGIN SELECT 1;"},
    {"NonAscii", "SELECT 'Grüße;' -- ü\n, café;", "SELECT 'Grüße;' , café;"},
    {"LineCommentOverCr", "SELECT a -- note\rFROM t;\nSELECT 2;", "SELECT a SELECT 2;"},
    {"TriggerColumnNamedEnd",
     "CREATE TRIGGER tr AFTER INSERT ON t BEGIN UPDATE t SET end = 1; END; SELECT 2;",
     "CREATE TRIGGER tr AFTER INSERT ON t BEGIN UPDATE t SET end = 1; END;"},
    {"OpenBlockComment", "SELECT 1 /* open", "SELECT 1"},
};

class FlattenTable : public ::testing::TestWithParam<FlattenCase> {};

TEST_P(FlattenTable, Flattens) {
    const FlattenCase& c = GetParam();
    EXPECT_EQ(FlattenFirstStatement(QString::fromUtf8(c.input)).toStdString(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, FlattenTable, ::testing::ValuesIn(kFlattenCases),
                         [](const auto& info) { return std::string(info.param.name); });

// First column of every row of a query, as UTF-8 text.
Strings Column(sqlite3* db, const char* sql) {
    Strings rows;
    sqlite3_stmt* stmt = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    while (stmt && sqlite3_step(stmt) == SQLITE_ROW)
        rows.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    return rows;
}

// Every split statement, run one by one, must rebuild the schema and data the
// script describes.
TEST(SplitSqlScript, RoundTripThroughSqlite) {
    const char* script =
        "-- schema; everything below must survive the split\n"
        "CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT, begin INTEGER, end INTEGER);\n"
        "CREATE TABLE log(id INTEGER, kind TEXT, span INTEGER);\n"
        "CREATE INDEX t_name ON t(name); /* index; */\n"
        "CREATE VIEW v AS SELECT id, CASE WHEN name LIKE '%;%' THEN 'semi' ELSE 'plain' END AS k "
        "FROM t;\n"
        "CREATE TRIGGER t_ai AFTER INSERT ON t\n"
        "BEGIN\n"
        "  -- the end; of a comment\n"
        "  INSERT INTO log VALUES(new.id, 'pending', new.end - new.begin);\n"
        "  UPDATE log SET kind = CASE WHEN new.name = 'The End' THEN 'end' /* END */\n"
        "    ELSE CASE WHEN new.end > 4 THEN 'long' ELSE 'short' END END\n"
        "    WHERE id = new.id;\n"
        "END;\n"
        "BEGIN IMMEDIATE TRANSACTION;\n"
        "INSERT INTO t(name, begin, end) VALUES('it''s; fine', 1, 5);\n"
        "INSERT INTO t(name, begin, end) VALUES('The End', 2, 3);\n"
        "INSERT INTO t(name, begin, end) VALUES('multi\n"
        "  line; -- not a comment\n"
        "/* nor this */ END', 0, 0);\n"
        "INSERT INTO t(name, begin, end) VALUES('Grüße 😀 [x', 4, 8);\n"
        "COMMIT;\n";

    const SplitResult r = SplitSqlScript(QString::fromUtf8(script), true);
    EXPECT_TRUE(r.tail.isEmpty()) << r.tail.toStdString();
    ASSERT_EQ(r.statements.size(), 12) << ::testing::PrintToString(ToStd(r.statements));
    EXPECT_TRUE(r.statements[4].startsWith(QStringLiteral("CREATE TRIGGER t_ai")));
    EXPECT_TRUE(r.statements[4].endsWith(QStringLiteral("END")));
    EXPECT_EQ(r.statements[5].toStdString(), ";");
    EXPECT_EQ(r.statements[6].toStdString(), "BEGIN IMMEDIATE TRANSACTION;");

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    for (const QString& s : r.statements) {
        char* err = nullptr;
        const int rc = sqlite3_exec(db, s.toUtf8().constData(), nullptr, nullptr, &err);
        EXPECT_EQ(rc, SQLITE_OK) << s.toStdString() << "\n" << (err ? err : "");
        sqlite3_free(err);
    }
    EXPECT_NE(sqlite3_get_autocommit(db), 0);

    EXPECT_EQ(Column(db, "SELECT type || ':' || name FROM sqlite_master ORDER BY name"),
              (Strings{"table:log", "table:t", "trigger:t_ai", "index:t_name", "view:v"}));
    EXPECT_EQ(Column(db, "SELECT name FROM t ORDER BY id"),
              (Strings{"it's; fine", "The End",
                       "multi\n  line; -- not a comment\n/* nor this */ END", "Grüße 😀 [x"}));
    EXPECT_EQ(Column(db, "SELECT id || ':' || kind || ':' || span FROM log ORDER BY id"),
              (Strings{"1:long:4", "2:end:1", "3:short:0", "4:long:4"}));
    EXPECT_EQ(Column(db, "SELECT k FROM v ORDER BY id"),
              (Strings{"semi", "plain", "semi", "plain"}));
    sqlite3_close(db);
}

using test::TempDbTest;

class ScriptRunTest : public TempDbTest {
protected:
    // The names of the schema objects of a database file, in order.
    static QByteArray Objects(const QString& file) {
        return test::Shell(file, QStringLiteral("SELECT group_concat(type || ':' || name, ' ') "
                                                "FROM (SELECT * FROM sqlite_master ORDER BY "
                                                "name);"));
    }
    // The sqlite3 shell reads the script from standard input into a new file.
    QByteArray ShellObjects(const QByteArray& script) {
        const QString file = dir.filePath(QStringLiteral("shell%1.db").arg(++shellRuns));
        test::RunProgram(QStringLiteral(SQLITE3_SHELL_PATH), {file}, script);
        return Objects(file);
    }
    int shellRuns = 0;
};

// A "--" comment runs to the next LF, as in the engine: what the sqlite3
// shell leaves commented out is not run.
TEST_F(ScriptRunTest, LineCommentsEndWhereTheShellEndsThem) {
    const QByteArray scripts[] = {
        "CREATE TABLE t(a); -- comment\rDROP TABLE t;\n",
        "CREATE TABLE t(a); -- comment\rCREATE TABLE u(b);\nCREATE TABLE v(c);\n",
        "CREATE TABLE t(a); -- comment\r\nCREATE TABLE u(b);\r\n",
        "CREATE TABLE t(a);\r-- c\rCREATE TABLE u(b);\rCREATE TABLE v(c);\n",
        "CREATE TABLE t(a); /* c\r */ CREATE TABLE u(b);\r",
        "CREATE TABLE t(a \r-- ,b\r);\n",
    };
    for (const QByteArray& script : scripts) {
        SCOPED_TRACE(script.toStdString());
        TSQLite3Database own;
        const QString file = dir.filePath(QStringLiteral("own%1.db").arg(shellRuns));
        ASSERT_TRUE(own.Open(file));
        const bool ok = own.ExecuteList(QString::fromUtf8(script));
        own.Close();
        const QByteArray shell = ShellObjects(script);
        EXPECT_EQ(Objects(file), shell);
        EXPECT_TRUE(ok || shell.isEmpty());
    }
    // The reproduction: the table survives.
    Run(QStringLiteral("CREATE TABLE t(a);"));
    Run(QStringLiteral("select 1; -- comment\rDROP TABLE t;\n"));
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 't'")),
              QStringLiteral("1"));
}

// An unfinished end is an error, after the complete statements before it ran.
TEST_F(ScriptRunTest, UnfinishedEndIsAnError) {
    Run(QStringLiteral("CREATE TABLE t(a);"));
    const char* scripts[] = {
        "INSERT INTO t VALUES(1);\n/* open",
        "INSERT INTO t VALUES(1); SELECT 2 /* open; INSERT INTO t VALUES(2);",
        "INSERT INTO t VALUES(1); select ((((1;",
        "INSERT INTO t VALUES(1); CREATE TRIGGER tr AFTER INSERT ON t BEGIN UPDATE t SET a = 1;",
    };
    for (const char* script : scripts) {
        SCOPED_TRACE(script);
        Run(QStringLiteral("DELETE FROM t;"));
        EXPECT_FALSE(db.ExecuteList(QString::fromUtf8(script)));
        EXPECT_FALSE(db.LastError().isEmpty());
        EXPECT_EQ(Value(QStringLiteral("SELECT group_concat(a) FROM t")), QStringLiteral("1"));
        // Splitting alone says so too.
        TSQLiteStatementArray statements;
        QString tail;
        db.SQLReduceToStatements(QString::fromUtf8(script), statements, true, &tail);
        EXPECT_EQ(statements.size(), 1);
        EXPECT_FALSE(tail.isEmpty());
        EXPECT_EQ(db.LastError(), QStringLiteral("DB Error: incomplete input"));
    }
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'trigger'")),
              QStringLiteral("0"));
}

// A trigger body that uses a column named end is one statement, as for the
// sqlite3 shell, and the dump of it loads again.
TEST_F(ScriptRunTest, TriggerWithColumnNamedEnd) {
    const QByteArray script = "CREATE TABLE t(a, end);\n"
                              "CREATE TABLE log(x);\n"
                              "CREATE TRIGGER tr AFTER INSERT ON t BEGIN UPDATE t SET end = 1; "
                              "INSERT INTO log SELECT end FROM t; END;\n"
                              "INSERT INTO t(a) VALUES(5);\n";
    Run(QString::fromUtf8(script));
    EXPECT_EQ(Objects(path), ShellObjects(script));
    EXPECT_EQ(Value(QStringLiteral("SELECT end FROM t")), QStringLiteral("1"));
    EXPECT_EQ(Value(QStringLiteral("SELECT x FROM log")), QStringLiteral("1"));
    EXPECT_EQ(Value(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'tr'")),
              QStringLiteral("CREATE TRIGGER tr AFTER INSERT ON t BEGIN UPDATE t SET end = 1; "
                             "INSERT INTO log SELECT end FROM t; END"));
}

// The engine quotes the offending token whole; the message keeps at most
// about 200 characters of it.
TEST_F(ScriptRunTest, MessagesQuoteLongTokensShortened) {
    const QString big(1000000, QLatin1Char('a'));
    const QString scripts[] = {
        QStringLiteral("SELECT 1; SELECT 1 'x' '") + big + QStringLiteral("';"),
        QStringLiteral("SELECT 1; SELECT '") + big,
        QStringLiteral("SELECT ") + big + QStringLiteral(";"),
    };
    for (const QString& script : scripts) {
        EXPECT_FALSE(db.ExecuteList(script));
        const QString err = db.LastError();
        EXPECT_TRUE(err.startsWith(QStringLiteral("DB Error: "))) << err.left(300).toStdString();
        EXPECT_LE(err.size(), 700) << err.left(300).toStdString();
        EXPECT_TRUE(err.contains(QStringLiteral("aaa...")) || err.endsWith(QStringLiteral("...")))
            << err.toStdString();
    }
    // The end of the message stays.
    EXPECT_FALSE(db.ExecuteList(QStringLiteral("SELECT 1 'x' '") + big + QStringLiteral("';")));
    EXPECT_EQ(db.LastError(), QStringLiteral("DB Error: near \"'") +
                                  QString(200 - 1, QLatin1Char('a')) +
                                  QStringLiteral("...\": syntax error"));
}

} // namespace
} // namespace sky
