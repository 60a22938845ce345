// The system's own SQL functions through a real in-memory connection: each
// row is an expression with its expected result text or expected error text.
#include "common/TempDb.h"
#include "engine/Statement.h"

#include <QDate>
#include <QLocale>
#include <QTime>

#include <vector>

namespace sky::test {
namespace {

struct TRow {
    QString expr;     // evaluated as SELECT expr
    QString expected; // result text, or error text when isError
    bool isError = false;
};

TRow Ok(const char* expr, const QString& expected) {
    return {QString::fromUtf8(expr), expected, false};
}
TRow Ok(const char* expr, const char* expected) {
    return Ok(expr, QString::fromUtf8(expected));
}
TRow Err(const char* expr, const char* error) {
    return {QString::fromUtf8(expr), QString::fromUtf8(error), true};
}

class SqlFunc : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(db.Open(QStringLiteral(":memory:"))) << db.LastError().toStdString();
    }
    void RunRows(const std::vector<TRow>& rows) {
        for (const TRow& r : rows) {
            QString v;
            const bool ok = db.QuerySingleValue(v, QStringLiteral("SELECT ") + r.expr + u';');
            if (r.isError) {
                EXPECT_FALSE(ok) << r.expr.toStdString() << " gave " << v.toStdString();
                EXPECT_TRUE(db.LastError().contains(r.expected))
                    << r.expr.toStdString() << ": " << db.LastError().toStdString();
            } else {
                EXPECT_TRUE(ok) << r.expr.toStdString() << ": " << db.LastError().toStdString();
                EXPECT_EQ(v, r.expected) << r.expr.toStdString();
            }
        }
    }
    TSQLite3Database db;
};

TEST_F(SqlFunc, TextFamily) {
    RunRows({
        Ok("titlecase('  hello   WORLD ', NULL, 'x')", "Hello   World X"),
        Ok("titlecase('élan ÉTÉ')", "Élan Été"),
        Ok("titlecase('a-b c')", "A-b C"),
        Ok("quote(titlecase('', '  ', NULL))", "''"),
        Err("titlecase()", "titlecase() call without parameters"),
        Ok("concat('a', NULL, 1, 2.5)", "a12.5"),
        Ok("concat(NULL)", ""),
        Err("concat()", "concat() must specify at least 1 item to concatenate"),
        Ok("concat_ws('-', 'a', NULL, 'b')", "a--b"),
        Ok("concat_ws(', ', 'x')", "x"),
        Ok("concat_ws(NULL, 'x', 'y')", "xy"),
        Err("concat_ws('-')",
            "concat_ws() must specify a separator and at least 1 item to concatenate"),
        Ok("elt(2, 'a', 'b')", "b"),
        Ok("elt(' 1 ', 'a')", "a"),
        Err("elt(0, 'a')", "elt() - Index must be >= 1. (First element is at Index 1)"),
        Err("elt('x', 'a')", "elt() - Index must be >= 1. (First element is at Index 1)"),
        Err("elt(3, 'a', 'b')", "elt() - Index (3) is higher than number of elements (2)"),
        Err("elt(1)", "elt() call with less than 2 parameters"),
        Ok("if(1, 'a', 'b')", "a"),
        Ok("if(0, 'a', 'b')", "b"),
        Ok("if(1.9, 'a', 'b')", "a"),
        Ok("if(0.5, 'a', 'b')", "b"),
        Ok("if('x', 'a', 'b')", "b"),
        Ok("if(NULL, 'a', 'b')", "b"),
        Ok("if(4294967296, 'a', 'b')", "a"),
        Ok("if(1, 2.5, 'b')", "2.5"),
    });
}

TEST_F(SqlFunc, DateFamily) {
    RunRows({
        Ok("datefmt('2018-08-20 23:59:60', 'yyyy-mm-dd hh:nn:ss')", "2018-08-21 00:00:00"),
        Ok("datefmt('2018-12-31 23:59:60', 'yyyy-mm-dd hh:nn:ss')", "2019-01-01 00:00:00"),
        Ok("datefmt('2018-02-30', '')", "2018-03-02"),
        Ok("datefmt('  2018-08-20  ', NULL)", "2018-08-20"),
        Ok("datefmt('2018/08/20', '')", "2018-08-20"),
        Ok("datefmt('43332.5', 'yyyy-mm-dd hh:nn')", "2018-08-20 12:00"),
        Ok("datefmt('43332.5000', 'yyyy-mm-dd hh:nn')", "2018-08-20 12:00"),
        Ok("datefmt(43332.75, 'yy m d h n s')", "18 8 20 18 0 0"),
        Ok("datefmt(0, 'yyyy-mm-dd')", "1899-12-30"),
        Ok("datefmt('43332.500005787037', 'hh:nn:ss.zzz z')", "12:00:00.500 500"),
        Ok("datefmt(2.75, 'hh:nn am/pm')", "06:00 pm"),
        Ok("datefmt(2.25, 'h AM/PM')", "6 AM"),
        Ok("datefmt(2.5, 'h a/p')", "12 p"),
        Ok("datefmt(2.0, 'h A/P')", "12 A"),
        Ok("datefmt('2018-08-20', 'yyyy\"/\"mm')", "2018/08"),
        Ok("datefmt('2018-08-20', 'dd''th (d)''')", "20th (d)"),
        Err("datefmt('2018-13-01', '')", "datefmt() - Unknown date value: 2018-13-01"),
        Err("datefmt('2018-08-20 24:00:00', '')",
            "datefmt() - Unknown date value: 2018-08-20 24:00:00"),
        Err("datefmt('9999-01-01', '')", "datefmt() - Unknown date value: 9999-01-01"),
        Err("datefmt(' abc ', '')", "datefmt() - Unknown date value: abc"),
        Err("datefmt('', '')", "datefmt() - Unknown date value: "),
        Err("datefmt('1e5', '')", "datefmt() - Unknown date value: 1e5"),
        Err("datefmt(99999999, '')", "datefmt() - Unknown date value: 99999999"),
        Err("datefmt(-700000, '')", "datefmt() - Unknown date value: -700000"),
    });
}

TEST_F(SqlFunc, DateNamesAndLocaleForms) {
    const QLocale loc = QLocale::system();
    const QDate d(2018, 8, 20); // a Monday
    const QString names =
        loc.dayName(1, QLocale::ShortFormat) + u' ' + loc.dayName(1, QLocale::LongFormat) + u' ' +
        loc.monthName(8, QLocale::ShortFormat) + u' ' + loc.monthName(8, QLocale::LongFormat);
    RunRows({
        Ok("datefmt('2018-08-20', 'ddd dddd mmm mmmm')", names),
        Ok("datefmt('2018-08-20', 'c')", loc.toString(d, QLocale::ShortFormat)),
        Ok("datefmt('2018-08-20', 'ddddd')", loc.toString(d, QLocale::ShortFormat)),
        Ok("datefmt('2018-08-20', 'dddddd')", loc.toString(d, QLocale::LongFormat)),
        Ok("datefmt('2018-08-20 10:30:00', 't')",
           loc.toString(QTime(10, 30), QLocale::ShortFormat)),
    });
    // The separators come from the locale: one character between the fields.
    QString v;
    ASSERT_TRUE(db.QuerySingleValue(v, QStringLiteral("SELECT datefmt('2018-08-20', 'yyyy/mm');")));
    EXPECT_EQ(v.size(), 7);
    EXPECT_TRUE(v.startsWith(QStringLiteral("2018")) && v.endsWith(QStringLiteral("08")))
        << v.toStdString();
    ASSERT_TRUE(
        db.QuerySingleValue(v, QStringLiteral("SELECT datefmt('2018-08-20 10:30:00', 'hh:nn');")));
    EXPECT_EQ(v.size(), 5);
    EXPECT_TRUE(v.startsWith(QStringLiteral("10")) && v.endsWith(QStringLiteral("30")))
        << v.toStdString();
    // c adds the long time form when there is a time of day.
    ASSERT_TRUE(
        db.QuerySingleValue(v, QStringLiteral("SELECT datefmt('2018-08-20 10:30:00', 'c');")));
    EXPECT_TRUE(v.startsWith(loc.toString(d, QLocale::ShortFormat) + u' ')) << v.toStdString();
    EXPECT_TRUE(v.contains(QStringLiteral("30"))) << v.toStdString();
}

TEST_F(SqlFunc, SimilarityScoring) {
    RunRows({
        Ok("similarity('abc', 'abc')", "1.0"),
        Ok("similarity('', 'x')", "0.0"),
        Ok("similarity(NULL, NULL)", "0.0"),
        // 'O' against '0': the neighbour '0' at the next position of A (+2), then a match (+4).
        Ok("similarity('O0', '00')", "0.75"),
        Ok("similar('O0', '00', 0.5)", "1"),
        Ok("similar('O0', '00', 0.76)", "0"),
        // Swapped pair: each letter finds itself one position away (+2 each).
        Ok("similarity('ab', 'ba')", "0.5"),
        // Trimmed and upper-cased; lengths 3 and 5: 12 / (2 * 1.5 + 12).
        Ok("similarity('  abc ', 'ABCDE')", "0.8"),
        // 12 / (1.5 + 12).
        Ok("round(similarity('abcd', 'abc'), 6)", "0.888889"),
        // 2 + 3 (B on both sides) + 2 = 7 of 12.
        Ok("round(similarity('aba', 'bab'), 6)", "0.583333"),
        // Only the two-away rule scores: 1 + 0 + 1 of 12.
        Ok("round(similarity('abc', 'cxa'), 6)", "0.166667"),
        // Look-alikes are looked up for A's character: 8 lists 9, 9 does not list 8.
        Ok("similarity('8', '9')", "0.5"),
        Ok("similarity('9', '8')", "0.0"),
        Ok("similarity('5', 's')", "0.5"),
        Ok("similarity('@', 'a')", "0.5"),
        Ok("similarity('x', '*')", "0.5"),
        Ok("similarity('j', 'l')", "0.0"),
        // Upper-casing is per character, so ß stays one position: 16 + 0 + 2 of 25.5.
        Ok("round(similarity('straße', 'STRASSE'), 6)", "0.705882"),
    });
}

TEST_F(SqlFunc, MathFamily) {
    const char* kMath = "Internal Math function error";
    RunRows({
        Ok("pi() = 3.141592653589793", "1"),
        Ok("e() = exp(1)", "1"),
        Ok("minfloat() > 0 AND minfloat() / 2 = 0", "1"),
        Ok("maxfloat() = 1.7976931348623157e308", "1"),
        Ok("sqr(3)", "9.0"),
        Ok("sqr(NULL)", "0.0"),
        Err("sqr(1e200)", kMath),
        Ok("sqrt(16)", "4.0"),
        Ok("sqrt('abc')", "0.0"),
        Err("sqrt(-1)", kMath),
        Ok("degtorad(180) = pi()", "1"),
        Ok("radtodeg(pi())", "180.0"),
        Ok("gradtorad(200) = pi()", "1"),
        Ok("radtograd(pi())", "200.0"),
        Ok("radtocycle(pi())", "0.5"),
        Ok("cycletorad(0.5) = pi()", "1"),
        Ok("loge(e())", "1.0"),
        Err("loge(0)", kMath),
        Ok("lognxp1(0)", "0.0"),
        Err("lognxp1(-1)", kMath),
        Ok("log10(1000)", "3.0"),
        Err("log10(-1)", kMath),
        Ok("log2(8)", "3.0"),
        Err("log2(0)", kMath),
        Ok("sin(0)", "0.0"),
        Ok("cos(0)", "1.0"),
        Ok("tan(0)", "0.0"),
        Ok("round(cot(pi() / 4), 12)", "1.0"),
        Err("cot(0)", kMath),
        Ok("sec(0)", "1.0"),
        Ok("round(cosec(pi() / 2), 12)", "1.0"),
        Err("cosec(0)", kMath),
        Ok("ceil(2.1)", "3.0"),
        Ok("ceil(-2.1)", "-2.0"),
        Err("ceil(3e9)", kMath),
        Ok("floor(2.9)", "2.0"),
        Ok("floor(-2.1)", "-3.0"),
        Err("floor(-3e9)", kMath),
        Ok("inv(4)", "0.25"),
        Err("inv(0)", kMath),
        Ok("sign(-2)", "-"),
        Ok("sign(0)", "+"),
        Ok("typeof(sign(3)) || sign(3)", "text+"),
        Ok("arcsin(1) = pi() / 2", "1"),
        Err("arcsin(2)", kMath),
        Ok("arccos(1)", "0.0"),
        Err("arccos(-2)", kMath),
        Ok("arctan(0)", "0.0"),
        Ok("arccot(0) = pi() / 2", "1"),
        Ok("arccot(1) = pi() / 4", "1"),
        Ok("arcsec(1)", "0.0"),
        Err("arcsec(0)", kMath),
        Err("arcsec(0.5)", kMath),
        Ok("arccosec(1) = pi() / 2", "1"),
        Err("arccosec(0.5)", kMath),
        Ok("fract(2.75)", "0.75"),
        Ok("fract(-2.75)", "-0.75"),
        Ok("trunc(-2.7)", "-2.0"),
        Ok("exp(0)", "1.0"),
        Err("exp(1000)", kMath),
        Ok("div(-7, 2)", "3.0"),
        Ok("div(7.9, -2.9)", "3.0"),
        Err("div(7, 0)", kMath),
        Err("div(1e30, 1)", kMath),
        Ok("remainder(7, -2)", "1.0"),
        Err("remainder(7, 0.5)", kMath),
        Ok("hypot(3, 4)", "5.0"),
        Err("hypot(1.5e308, 1.5e308)", kMath),
        Ok("log(2, 8)", "3.0"),
        Err("log(1, 8)", kMath),
        Err("log(10, -1)", kMath),
        Ok("power(2, 10)", "1024.0"),
        Err("power(0, -1)", kMath),
        Err("power(-8, 0.5)", kMath),
        Err("power(10, 400)", kMath),
        Ok("iszero(1e-13, 0)", "1"),
        Ok("iszero(0.1, 0)", "0"),
        Ok("iszero(-0.1, 0.5)", "1"),
        Ok("trunc(2.567, 2)", "2.56"),
        Ok("trunc(-2.567, 2)", "-2.56"),
        Ok("trunc(2.567, -1)", "2.5"),
        Ok("trunc(2.567, 0)", "2.0"),
        Ok("trunc(0, 2)", "0.0"),
        Ok("trunc(1.5, 19)", "1.5"),
        Ok("trunc(1e300, 2) = 1e300", "1"),
        Err("trunc(100, 18)", kMath),
        Ok("iscloseto(1, 1.05, 0.1)", "1"),
        Ok("iscloseto(1, 1.2, 0.1)", "0"),
        Ok("iscloseto(1, 1, 0)", "1"),
        Ok("iscloseto(1, 1.0000000001, 0)", "0"),
    });
}

TEST_F(SqlFunc, HashFamily) {
    RunRows({
        Ok("md5('')", "d41d8cd98f00b204e9800998ecf8427e"),
        Ok("md5(NULL)", "d41d8cd98f00b204e9800998ecf8427e"),
        Ok("md5('abc')", "900150983cd24fb0d6963f7d28e17f72"),
        // The digest is over the UTF-8 bytes (C3 A9).
        Ok("md5('é')", "66ddcd97cfdeabb2f6fb8a999b4bc76f"),
        Ok("sha1('')", "da39a3ee5e6b4b0d3255bfef95601890afd80709"),
        Ok("sha1('abc')", "a9993e364706816aba3e25717850c26c9cd0d89d"),
        Ok("sha256('')", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"),
        Ok("sha256('abc')", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"),
        Ok("adler('', 1)", "1"),
        Ok("adler('Wikipedia', 1)", "300286872"),
        Ok("adler('', 305419896)", "305419896"),
        Ok("typeof(adler('a', 1))", "text"),
    });
}

TEST_F(SqlFunc, EncodingFamily) {
    RunRows({
        Ok("base64('abc')", "YWJj"),
        Ok("base64('')", ""),
        Ok("base64('é')", "w6k="),
        Ok("base64dec('YWJj')", "abc"),
        Ok("base64dec(base64('héllo € 𝄞'))", "héllo € 𝄞"),
        // Bytes that are not UTF-8 are taken as Windows-1252.
        Ok("base64dec('gA==')", "€"),
        Ok("base64dec('6Q==')", "é"),
        // A leading byte-order mark stays, so decoding gives back the encoded text.
        Ok("unicode(base64dec('77u/eA==')) || '/' || length(base64dec('77u/eA=='))", "65279/2"),
        Err("base64dec('!!!!')", "Invalid base64() format"),
        Ok("decode(encode('secret text', 'pw'), 'pw')", "secret text"),
        Ok("decode(encode('plain', ''), '')", "plain"),
        Ok("substr(encode('plain', ''), 1, 1)", "0"),
        Ok("substr(encode('plain', 'pw'), 1, 1)", "1"),
        Ok("substr(encode(replace(hex(zeroblob(50)), '0', 'ab'), ''), 1, 1)", "2"),
        Ok("substr(encode(replace(hex(zeroblob(50)), '0', 'ab'), 'pw'), 1, 1)", "3"),
        Ok("decode(encode(replace(hex(zeroblob(50)), '0', 'ab'), 'pw'), 'pw') = "
           "replace(hex(zeroblob(50)), '0', 'ab')",
           "1"),
        Ok("decode(encode('€uro', 'pw'), 'pw')", "€uro"),
        Err("decode('xyz', 'pw')", "Invalid Encoder format"),
        Err("decode(encode('abc', 'pw'), '')", "Invalid Encoder format"),
    });
}

TEST_F(SqlFunc, EveryNameIsRegistered) {
    EXPECT_TRUE(db.IntFuncsOk());
    const std::vector<std::pair<const char*, int>> names = {
        {"titlecase", 1},  {"concat_ws", 2},  {"concat", 1},     {"elt", 2},       {"if", 3},
        {"datefmt", 2},    {"adler", 2},      {"md5", 1},        {"sha1", 1},      {"sha256", 1},
        {"base64", 1},     {"base64dec", 1},  {"encode", 2},     {"decode", 2},    {"similar", 3},
        {"similarity", 2}, {"pi", 0},         {"e", 0},          {"minfloat", 0},  {"maxfloat", 0},
        {"sqr", 1},        {"sqrt", 1},       {"degtorad", 1},   {"radtodeg", 1},  {"gradtorad", 1},
        {"radtograd", 1},  {"radtocycle", 1}, {"cycletorad", 1}, {"loge", 1},      {"lognxp1", 1},
        {"log10", 1},      {"log2", 1},       {"sin", 1},        {"cos", 1},       {"tan", 1},
        {"cot", 1},        {"sec", 1},        {"cosec", 1},      {"ceil", 1},      {"floor", 1},
        {"inv", 1},        {"sign", 1},       {"arcsin", 1},     {"arccos", 1},    {"arctan", 1},
        {"arccot", 1},     {"arcsec", 1},     {"arccosec", 1},   {"fract", 1},     {"trunc", 1},
        {"exp", 1},        {"div", 2},        {"remainder", 2},  {"hypot", 2},     {"log", 2},
        {"power", 2},      {"iszero", 2},     {"trunc", 2},      {"iscloseto", 3},
    };
    for (const auto& [name, args] : names) {
        QStringList a;
        for (int i = 0; i < args; ++i)
            a << QStringLiteral("'1'");
        const QString sql = QStringLiteral("SELECT %1(%2);").arg(QLatin1String(name), a.join(u','));
        EXPECT_NE(db.Prepare(sql), nullptr)
            << sql.toStdString() << ": " << db.LastError().toStdString();
    }
    // The fixed-count functions refuse other argument counts.
    EXPECT_EQ(db.Prepare(QStringLiteral("SELECT md5('a', 'b');")), nullptr);
    EXPECT_EQ(db.Prepare(QStringLiteral("SELECT if(1, 2);")), nullptr);
}

TEST_F(SqlFunc, WorkInViewsAndTriggers) {
    // Also with an untrusted schema: the functions are marked harmless.
    ASSERT_TRUE(db.ExecuteList(
        QStringLiteral("PRAGMA trusted_schema=OFF;"
                       "CREATE VIEW v AS SELECT titlecase('ab cd') || '|' || sqr(3) || '|' || "
                       "datefmt('2018-02-30', '') AS x;"
                       "CREATE TABLE t(a);"
                       "CREATE TABLE log(x);"
                       "CREATE TRIGGER tr AFTER INSERT ON t BEGIN "
                       "INSERT INTO log VALUES(concat_ws('-', new.a, elt(new.a, 'one', 'two'), "
                       "trunc(2.567, new.a))); END;")))
        << db.LastError().toStdString();
    QString v;
    ASSERT_TRUE(db.QuerySingleValue(v, QStringLiteral("SELECT x FROM v;")));
    EXPECT_EQ(v, QStringLiteral("Ab Cd|9.0|2018-03-02"));
    ASSERT_TRUE(db.ExecuteList(QStringLiteral("INSERT INTO t VALUES(2);")))
        << db.LastError().toStdString();
    ASSERT_TRUE(db.QuerySingleValue(v, QStringLiteral("SELECT x FROM log;")));
    EXPECT_EQ(v, QStringLiteral("2-two-2.56"));
    // A function error inside the trigger fails the statement with its text.
    EXPECT_FALSE(db.ExecuteList(QStringLiteral("INSERT INTO t VALUES(5);")));
    EXPECT_TRUE(db.LastError().contains(
        QStringLiteral("elt() - Index (5) is higher than number of elements (2)")))
        << db.LastError().toStdString();
    ASSERT_TRUE(db.QuerySingleValue(v, QStringLiteral("SELECT count(*) FROM log;")));
    EXPECT_EQ(v, QStringLiteral("1"));
}

} // namespace
} // namespace sky::test
