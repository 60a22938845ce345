// The completion vocabulary on real files: the built-in lines (counts,
// kinds, every function registered on a connection), items (inserted texts,
// pragma templates, shortened names), object lines of main, an attached and
// the temp schema (quoted names, a broken view, a composite key, a name with
// a comma), the answer to a token, and the command line.
#include "completion/Completion.h"

#include "common/Process.h"
#include "common/TempDb.h"
#include "support/Csv.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace sky::test {
namespace {

class CompletionTest : public TempDbTest {};

TEST_F(CompletionTest, TheBuiltInLines) {
    const QStringList lines = BuiltinCompletionLines(true);
    ASSERT_EQ(lines.size(), 307);
    EXPECT_EQ(BuiltinCompletionLines(false).size(), 307 - 51);
    QHash<int, int> perKind;
    QStringList fields;
    QSet<QString> functions;
    for (const QString& l : lines) {
        SplitCSVLine(l, fields, u',');
        CompletionItem i;
        ASSERT_TRUE(CompletionItemOf(fields, i)) << l.toStdString();
        ++perKind[i.kind];
        if (i.kind == kcFunction || i.kind == kcExtended) functions.insert(i.name);
    }
    EXPECT_EQ(perKind[kcOperator], 67);
    EXPECT_EQ(perKind[kcKeyword], 55);
    EXPECT_EQ(perKind[kcFunction], 52);
    EXPECT_EQ(perKind[kcExtended], 58);
    EXPECT_EQ(perKind[kcOther], 2);
    EXPECT_EQ(perKind[kcPragma], 51);
    EXPECT_EQ(perKind[kcType], 22);
    // Every function is one the connection knows.
    QStringList known;
    ASSERT_TRUE(db.QuerySingleColumn(known, "SELECT name FROM pragma_function_list", 0, false));
    for (const QString& f : functions)
        EXPECT_TRUE(known.contains(f, Qt::CaseInsensitive)) << f.toStdString();
    EXPECT_TRUE(functions.contains("lognxp1"));
}

TEST_F(CompletionTest, ItemsAndTheirInsertedText) {
    CompletionModel m;
    m.Build(nullptr);
    ASSERT_EQ(m.Items().size(), 309);
    auto find = [&m](const QString& name) {
        for (const CompletionItem& i : m.Items())
            if (i.name == name) return i;
        return CompletionItem();
    };
    const struct {
        const char *name, *insert, *kindWord;
    } cases[] = {{"busy_timeout", "busy_timeout = 1000", "pragma"},
                 {"auto_vacuum", "auto_vacuum = 1", "pragma"},
                 {"cache_size", "cache_size = ", "pragma"},
                 {"encoding", "encoding = \"UTF-8\"", "pragma"},
                 {"synchronous", "synchronous = 0", "pragma"},
                 {"foreign_key_list", "foreign_key_list", "pragma"},
                 {"query_only", "query_only = 1", "pragma"},
                 {"And", "AND", "operator"},
                 {"Commit", "COMMIT", " SQL"},
                 {"coalesce", "coalesce", "function"},
                 {"similar", "similar ", "extended"},
                 {"SQLITE_MASTER", "SQLITE_MASTER ", "table"},
                 {"*", "*", ""}};
    for (const auto& c : cases) {
        const CompletionItem i = find(c.name);
        EXPECT_EQ(i.insert, c.insert) << c.name;
        EXPECT_EQ(i.kindWord, c.kindWord) << c.name;
    }
    EXPECT_EQ(find("coalesce").detail, "(x,y,...)");
    EXPECT_EQ(find("*").description, "Asterisk or alias for \"ALL columns\"");
    EXPECT_TRUE(find("pi").description.endsWith("(3.14159265...)"));
    // Answers: by the inserted text, ignoring case, in line order.
    const QList<int> busy = m.Answer("BUSY");
    ASSERT_EQ(busy.size(), 1);
    EXPECT_EQ(m.Items()[busy[0]].name, "busy_timeout");
    EXPECT_EQ(m.Answer("").size(), 309);
    EXPECT_EQ(CompletionModel::TokenStart("SELECT cust", 11), 7);
    EXPECT_EQ(CompletionModel::TokenStart("x.", 2), 2);
    EXPECT_EQ(CompletionModel::TokenStart("", 0), 0);
}

TEST_F(CompletionTest, KindColours) {
    // The highlighter's colours, fixed greys, and blends channel by channel.
    HighlighterColours c;
    c.delimited = 0x0075EA;
    c.function = 0xFF5809;
    c.tableName = 0x204060;
    const struct {
        int kind;
        quint32 colour;
    } cases[] = {{kcOther, 0x808080},    {kcKeyword, 0x000080},  {kcType, 0x800000},
                 {kcFunction, 0xFF5809}, {kcOperator, 0xBF3F00}, {kcPragma, 0x8000FF},
                 {kcDatabase, 0x606060}, {kcTable, 0x204060},    {kcColumn, 0x0075EA},
                 {kcIndex, 0x005EBB},    {kcTrigger, 0x00468C},  {kcExtended, 0xCC4607},
                 {kcView, 0x4D6680}};
    for (const auto& k : cases)
        EXPECT_EQ(CompletionKindColour(k.kind, c), k.colour) << k.kind;
}

TEST_F(CompletionTest, ObjectsOfEverySchema) {
    const QString aux = dir.filePath("aux.db");
    {
        TSQLite3Database a;
        ASSERT_TRUE(a.Open(aux));
        ASSERT_TRUE(a.ExecuteList("CREATE TABLE items(aux_only INT);"));
    }
    Run("CREATE TABLE items(id INTEGER, part TEXT, PRIMARY KEY (id, part));"
        "CREATE TABLE \"a,b\"(\"c,d\" TEXT);"
        "CREATE TABLE gone(x); CREATE VIEW broken AS SELECT x FROM gone; DROP TABLE gone;"
        "CREATE TABLE after_broken(y);"
        "CREATE INDEX items_part ON items(part);"
        "CREATE TEMP TABLE scratch(t);"
        "ATTACH DATABASE '" +
        aux + "' AS aux;");
    CompletionModel m;
    m.Build(&db);
    QStringList seen;
    for (const CompletionItem& i : m.Items())
        if (i.kind >= kcDatabase && i.kind != kcExtended)
            seen << i.kindWord + ":" + i.name + ":" + i.detail + ":" + i.description;
    const QString all = seen.join("\n");
    for (const char* want :
         {"db:main::main Database", "db:aux::aux Database", "db:temp::temp Database",
          "table:items::on main", "column:id:.     primary key:on main . items  - INTEGER",
          "column:part:.     primary key:on main . items  - TEXT", "table:a,b::on main",
          "column:c,d::on main . a,b  - TEXT", "view:broken::on main",
          "table:after_broken::on main", "index:items_part::on main . items", "table:items::on aux",
          "column:aux_only::on aux . items  - INT", "table:scratch::on temp"})
        EXPECT_TRUE(seen.contains(QLatin1String(want))) << want << "\n" << all.toStdString();
    EXPECT_TRUE(m.TableNames().contains("a,b"));
    EXPECT_TRUE(m.TableNames().contains("aux"));
}

TEST_F(CompletionTest, HighlighterNamesLeaveKeywordsAlone) {
    Run("CREATE TABLE \"order\"(a); CREATE TABLE \"Äpfel\"(b); CREATE TABLE plain(c);"
        "CREATE VIEW \"select\" AS SELECT 1;");
    CompletionModel m;
    m.Build(&db);
    const QStringList names = m.TableNames();
    EXPECT_TRUE(names.contains("plain"));
    EXPECT_TRUE(names.contains("Äpfel"));
    EXPECT_TRUE(names.contains("main"));
    EXPECT_FALSE(names.contains("order"));
    EXPECT_FALSE(names.contains("select"));
    // Long names are shortened on whole characters.
    Run("CREATE TABLE \"ab😀cdefghijklmnopqrstuvwxyz0123456789\"(x);");
    m.Build(&db);
    for (const CompletionItem& i : m.Items()) {
        if (i.kind == kcTable && i.name.startsWith("ab")) {
            EXPECT_EQ(i.shownName, "ab😀...rstuvwxyz0123456789") << i.name.toStdString();
        }
    }
}

TEST_F(CompletionTest, CommandLine) {
    Run("CREATE TABLE customer(id INTEGER PRIMARY KEY, name TEXT);");
    db.Close();
    ProcessResult r = Cli({"complete", "--count"});
    EXPECT_EQ(r.out, "{\"count\":309,\"prefix\":\"\"}\n");
    r = Cli({"complete", path, "--context", "SELECT * FROM cust"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(o.value("prefix").toString(), "cust");
    EXPECT_EQ(o.value("from").toInt(), 14);
    ASSERT_EQ(o.value("items").toArray().size(), 1);
    EXPECT_EQ(o.value("items").toArray()[0].toObject().value("insert").toString(), "customer ");
    EXPECT_EQ(Cli({"complete", dir.filePath("none.db")}).code, 1);
}

} // namespace
} // namespace sky::test
