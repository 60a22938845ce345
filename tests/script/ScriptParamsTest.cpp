// Script parameters: name reduction, markers, collection in name order with
// the first default and the old values, substitution (defaults, empty names,
// markers inside values, the non-terminating case), the companion file
// names, and the Save and Export forms byte for byte.
#include "script/ScriptParams.h"

#include <gtest/gtest.h>

namespace sky {
namespace {

TEST(ScriptParams, NamesAndMarkers) {
    const struct {
        const char *in, *out;
    } names[] = {{"First name - 23!#", "FirstName23"},
                 {"parName", "Parname"},
                 {"  city  ", "City"},
                 {"ünï x", "nX"},
                 {"", ""},
                 {"a b c", "ABC"}};
    for (const auto& n : names)
        EXPECT_EQ(ReduceParamName(QString::fromUtf8(n.in)), n.out) << n.in;
    const struct {
        const char *inside, *name, *def;
    } markers[] = {{" city DEFAULT Oslo ", "City", "Oslo"},
                   {"x default 'y z' ", "X", "'y z'"},
                   {"y DEFAULTS 3", "YDefaults3", ""},
                   {" DEFAULT only", "", "only"}};
    for (const auto& m : markers) {
        const ScriptMarker r = ReadMarker(QString::fromUtf8(m.inside));
        EXPECT_EQ(r.name, m.name) << m.inside;
        EXPECT_EQ(r.def, m.def) << m.inside;
    }
}

TEST(ScriptParams, CollectAndSubstitute) {
    const ScriptParamList old = ScriptParamList::FromLines({"Zeta=kept", "Alpha=", "Gone=x"});
    const ScriptParamList l = ScriptParamList::Collect(
        {"SELECT <@zeta DEFAULT 1@>, <@ alpha @>;",
         "-- <@Alpha DEFAULT first@> <@alpha DEFAULT second@>", "<@ DEFAULT nameless @> <@open"},
        old);
    EXPECT_EQ(l.Lines(), (QStringList{"Alpha=first", "Zeta=kept"}));
    QString t = "SELECT <@zeta@>, '<@alpha@>', <@ missing DEFAULT d @>, <@ @>x, <@unclosed";
    ASSERT_TRUE(SubstituteParams(t, l));
    EXPECT_EQ(t, "SELECT kept, 'first', d, x, <@unclosed");
    // A marker inside a value (after its first character) is substituted
    // too; one that holds its own marker never ends.
    ScriptParamList nest = ScriptParamList::FromLines({"A=x<@B@>", "B=b", "C=<@B@>"});
    t = "<@A@> <@C@>";
    ASSERT_TRUE(SubstituteParams(t, nest));
    EXPECT_EQ(t, "xb <@B@>");
    ScriptParamList loop = ScriptParamList::FromLines({"A=x<@A@>"});
    t = "<@A@>";
    QString why;
    EXPECT_FALSE(SubstituteParams(t, loop, &why));
    EXPECT_EQ(why, "Parameter substitution does not terminate (A)");
    // One substituter over many texts remembers its markers' readings and
    // gives what a fresh substitution gives, past its memory's size too.
    ParamSubstituter many(l);
    for (int k = 0; k < 200; ++k) {
        QString a = QStringLiteral("<@zeta@> <@ p%1 DEFAULT %1 @> <@alpha@>").arg(k % 90);
        QString b = a;
        ASSERT_TRUE(many.Apply(a));
        ASSERT_TRUE(SubstituteParams(b, l));
        ASSERT_EQ(a, b) << k;
    }
    ParamSubstituter looping(loop);
    t = "<@A@>";
    EXPECT_FALSE(looping.Apply(t, &why));
}

TEST(ScriptParams, CompanionsAndFileForms) {
    EXPECT_EQ(ParamFileOf("/d/load.sql"), "/d/load.param.txt");
    EXPECT_EQ(OutputFileOf("/d/load.sql"), "/d/load.output.txt");
    EXPECT_EQ(ParamFileOf("/d.x/noext"), "/d.x/noext.param.txt");
    const QStringList items{"CREATE TABLE t(a);\r\n\r\n  \r\n", "#@|INSERT INTO t VALUES (<@v@>);",
                            "SELECT 'ünï';"};
    QByteArray out;
    ASSERT_TRUE(ScriptFileText(items, nullptr, out));
    EXPECT_EQ(out, QByteArray("CREATE TABLE t(a);\r\n\r\n#@|INSERT INTO t VALUES (<@v@>);\r\n\r\n"
                              "SELECT '\xC3\xBC\x6E\xC3\xAF';\r\n\r\n"));
    const ScriptParamList p = ScriptParamList::FromLines({"V=42"});
    ASSERT_TRUE(ScriptFileText(items, &p, out));
    EXPECT_EQ(out, QByteArray("CREATE TABLE t(a);\r\n\r\nINSERT INTO t VALUES (42);\r\n\r\n"
                              "SELECT '\xC3\xBC\x6E\xC3\xAF';\r\n\r\n"));
}

} // namespace
} // namespace sky
