// The documentation and the schema check on real files: the text rules
// table-driven; the text documentation's index, key positions, references
// and blocks; the SQL script of a hostile database run by the sqlite3 shell
// into an empty file giving the same schema fingerprint; the schema check's
// findings word for word with their summaries and totals; a file that is
// not ready; and the command-line forms.
#include "analysis/DocRender.h"
#include "analysis/SchemaCheck.h"

#include "common/Process.h"
#include "common/TempDb.h"
#include "support/TextUtil.h"

#include <QFile>

namespace sky::test {
namespace {

TEST(DocTextRules, ShorteningWordsCountsAndNumbers) {
    const struct {
        const char* text;
        int n;
        const char* out;
    } shorten[] = {
        {"short", 40, "short"},
        {"a_very_long_table_name with_words_that go_on_and_on", 40,
         "a_very_long_table_name with_words ..."},
        {"abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstu", 40,
         "abcdefghijklmnopqrstuvwxyzabcdefghijk..."},
        {"abc def ghij", 10, "abc def..."},
        {"abcdefghijkl", 10, "abcdefg..."},
    };
    for (const auto& c : shorten)
        EXPECT_EQ(ShortenAtWord(c.text, c.n), c.out) << c.text;
    // A 45-character name is cut at the last word break before position 37.
    EXPECT_EQ(ShortenAtWord("customer order line items archive of 2019 q4x", 40),
              "customer order line items archive of ...");
    const struct {
        const char *text, *word;
        bool found;
    } words[] = {{"user_id", "id", true}, {"idx", "id", false}, {"ID, name", " id ", true},
                 {"valid", "id", false},  {"(id)", "ID", true}, {"id2", "id", true},
                 {"", "id", false}};
    for (const auto& w : words)
        EXPECT_EQ(HasWholeWord(w.text, w.word), w.found) << w.text << " / " << w.word;
    EXPECT_EQ(CountPhrase(1, "one table", "%d tables"), "one table");
    EXPECT_EQ(CountPhrase(3, "one table", "%d tables"), "3 tables");
    EXPECT_EQ(CountPhrase(0, "one table", "%d tables", "none"), "none");
    EXPECT_EQ(GroupedNumber(4096, "0"), "4 096");
    EXPECT_EQ(GroupedNumber(1234567, "0"), "1 234 567");
    EXPECT_EQ(GroupedNumber(0, "Error"), "Error");
    const struct {
        const char *type, *affinity;
    } types[] = {{"INT", "INTEGER"},           {"varchar(20)", "TEXT"}, {"", "BLOB"},
                 {"DOUBLE", "REAL"},           {"BOOLEAN", "NUMERIC"},  {"CHARINT", "INTEGER"},
                 {"FLOATING POINT", "INTEGER"}};
    for (const auto& t : types)
        EXPECT_EQ(ColumnAffinity(t.type), t.affinity) << t.type;
}

class DocDbTest : public TempDbTest {
protected:
    TDBLayout Load() {
        db.Close();
        TDBLayout l;
        EXPECT_TRUE(LoadDbLayout(path, l));
        return l;
    }
    static QString Line(const QStringList& lines, const QString& start) {
        for (const QString& l : lines)
            if (l.startsWith(start)) return l;
        return QString();
    }
};

TEST_F(DocDbTest, TextDocumentation) {
    Run("PRAGMA page_size = 4096; VACUUM;"
        "CREATE TABLE pairs(a INT, b TEXT NOT NULL, c, PRIMARY KEY (a, b));"
        "CREATE TABLE users(id INTEGER PRIMARY KEY, user_id INT UNIQUE, note TEXT COLLATE NOCASE);"
        "CREATE INDEX by_user ON users(user_id);"
        "CREATE TABLE loose(x);");
    const QStringList out = DocumentationLines(Load(), 0);
    EXPECT_EQ(out.value(0), "Database:    test");
    EXPECT_EQ(out.value(1), "Data Tables: 3");
    EXPECT_EQ(out.value(4), QStringLiteral("%1 %2  %3  %4   %5   %6    %7     Yes")
                                .arg("   1", QString("pairs").rightJustified(40),
                                     QString("a, b").leftJustified(20),
                                     QString("3").rightJustified(5), QString("1").rightJustified(4),
                                     QString().rightJustified(5), QString().rightJustified(5)));
    // No views: no view part.
    EXPECT_FALSE(out.join('\n').contains("Data Views:"));
    EXPECT_EQ(Line(out, "           Page Size"), "           Page Size  :  4 096 b");
    // The composite key's positions; a key on a column; no key at all.
    const QString b = Line(out, "     2                              b");
    EXPECT_EQ(b.mid(78, 2), " 2") << b.toStdString();
    EXPECT_EQ(Line(out, "Primary Key:  a, b"), "Primary Key:  a, b");
    EXPECT_EQ(Line(out, "Primary Key:  id"), "Primary Key:  id");
    EXPECT_EQ(Line(out, "Primary Key:  (None)"), "Primary Key:  (None)");
    // id counts as used by the index on user_id (the underscore touches it).
    const qsizetype id = out.indexOf(Line(out, "     1                             id"));
    ASSERT_GE(id, 0);
    EXPECT_EQ(out.value(id + 1), "       References 1 Database Object:");
    EXPECT_EQ(out.value(id + 2), "       Used in Index: by_user");
    EXPECT_TRUE(out.contains("  1 Table Index:"));
    EXPECT_TRUE(out.contains("    Index \"by_user\" on (user_id)"));
    EXPECT_TRUE(out.contains("    Primary Key on (a, b)"));
    EXPECT_EQ(DocumentationLines(TDBLayout(), 7), QStringList{kUnsupportedMode});
}

// What the schema of a file is: its objects with their columns, keys,
// indexes, foreign keys, and the file's layout pragmas.
QByteArray Fingerprint(const QString& file) {
    return Shell(
        file,
        "SELECT group_concat(x, char(10)) FROM ("
        "SELECT 'T|' || name || '|' || type || '|' || ncol || '|' || wr || '|' || strict AS x "
        "FROM pragma_table_list WHERE schema = 'main' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
        "UNION ALL SELECT 'C|' || m.name || '|' || c.cid || '|' || c.name || '|' || c.type || '|' "
        "|| c.\"notnull\" || '|' || ifnull(c.dflt_value, '') || '|' || c.pk || '|' || c.hidden "
        "FROM sqlite_schema m, pragma_table_xinfo(m.name) c WHERE m.type = 'table' AND m.name NOT "
        "LIKE 'sqlite\\_%' ESCAPE '\\' "
        "UNION ALL SELECT 'I|' || m.name || '|' || i.name || '|' || i.\"unique\" || '|' || "
        "i.origin || '|' || i.partial FROM sqlite_schema m, pragma_index_list(m.name) i WHERE "
        "m.type = 'table' "
        "UNION ALL SELECT 'X|' || i.name || '|' || x.seqno || '|' || ifnull(x.name, '') || '|' "
        "|| x.\"desc\" || '|' || x.coll || '|' || x.key FROM sqlite_schema i, "
        "pragma_index_xinfo(i.name) x WHERE i.type = 'index' "
        "UNION ALL SELECT 'F|' || m.name || '|' || f.id || '|' || f.seq || '|' || f.\"table\" || "
        "'|' || f.\"from\" || '|' || ifnull(f.\"to\", '') FROM sqlite_schema m, "
        "pragma_foreign_key_list(m.name) f WHERE m.type = 'table' "
        "UNION ALL SELECT 'G|' || type || '|' || name || '|' || tbl_name FROM sqlite_schema WHERE "
        "type IN ('trigger', 'view') "
        "UNION ALL SELECT 'P|' || (SELECT page_size FROM pragma_page_size) || '|' || (SELECT "
        "auto_vacuum FROM pragma_auto_vacuum) || '|' || (SELECT encoding FROM pragma_encoding) || "
        "'|' || (SELECT application_id FROM pragma_application_id) ORDER BY x)");
}

TEST_F(DocDbTest, TheSqlScriptRebuildsAHostileSchema) {
    db.Close();
    QFile::remove(path);
    Shell(path,
          "PRAGMA page_size = 8192; PRAGMA auto_vacuum = FULL; PRAGMA encoding = 'UTF-16le';"
          "PRAGMA application_id = 4242;"
          "CREATE TABLE \"odd \"\"name\"\"\"(id INTEGER PRIMARY KEY AUTOINCREMENT, \"a b\" TEXT "
          "DEFAULT 'x''y', ab INT);"
          "CREATE TABLE kv(k TEXT PRIMARY KEY, v BLOB) WITHOUT ROWID;"
          "CREATE TABLE s(i INTEGER, t TEXT, g INT GENERATED ALWAYS AS (i * 2) STORED, "
          "h TEXT AS (upper(t))) STRICT;"
          "CREATE TABLE child(id INTEGER PRIMARY KEY, p INT REFERENCES kv(k) ON DELETE CASCADE);"
          "CREATE INDEX part ON s(i) WHERE i > 0; CREATE INDEX expr ON s(lower(t) DESC);"
          "CREATE UNIQUE INDEX u ON \"odd \"\"name\"\"\"(\"a b\" COLLATE NOCASE);"
          "CREATE TRIGGER tr AFTER INSERT ON s BEGIN UPDATE s SET t = 'x' WHERE i = new.i; END;"
          "CREATE VIEW vw AS SELECT i, t FROM s;"
          "CREATE TRIGGER ins INSTEAD OF INSERT ON vw BEGIN INSERT INTO s(i, t) VALUES (new.i, "
          "new.t); END;"
          "CREATE VIRTUAL TABLE docs USING fts5(body);"
          "INSERT INTO s(i, t) VALUES (1, 'a'); ANALYZE;");
    TDBLayout l;
    ASSERT_TRUE(LoadDbLayout(path, l));
    EXPECT_TRUE(l.unreadable.isEmpty());
    const QString script = dir.filePath("schema.sql");
    {
        QFile f(script);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(DocBytes(DocumentationLines(l, 1)));
    }
    const QString rebuilt = dir.filePath("rebuilt.db");
    const ProcessResult r = RunProgram(SQLITE3_SHELL_PATH, {"-bail", rebuilt, ".read " + script});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QByteArray a = Fingerprint(path), b = Fingerprint(rebuilt);
    EXPECT_FALSE(a.isEmpty());
    EXPECT_EQ(a, b);
    const QString text = QString::fromUtf8(DocBytes(DocumentationLines(l, 1)));
    EXPECT_TRUE(text.contains("PRAGMA encoding = 'UTF-16le';"));
    EXPECT_LT(text.indexOf("PRAGMA page_size"), text.indexOf("PRAGMA application_id"));
    EXPECT_LT(text.indexOf("PRAGMA application_id"), text.indexOf("PRAGMA journal_mode"));
    EXPECT_FALSE(text.contains("Table: sqlite_stat1"));
    EXPECT_FALSE(text.contains("Table: docs_data"));
}

TEST_F(DocDbTest, SchemaCheckFindingsWordForWord) {
    Run("CREATE TABLE t1(id INTEGER PRIMARY KEY, name TEXT DEFAULT 'NULL');"
        "CREATE TABLE t2(qty INTEGER DEFAULT 'abc', code TEXT DEFAULT 12, code2 TEXT DEFAULT '12', "
        "v VARCHAR(20), i INT, m MYTYPE, n, a, b, nn TEXT NOT NULL "
        "DEFAULT NULL, "
        "UNIQUE (a, b));"
        "CREATE INDEX ab ON t2(a,b);"
        "CREATE TABLE p(id INTEGER PRIMARY KEY, k TEXT);"
        "CREATE TABLE c(x INT, y TEXT, FOREIGN KEY (x) REFERENCES P(id), FOREIGN KEY (y) "
        "REFERENCES p, "
        "FOREIGN KEY (x) REFERENCES p(nope));"
        "CREATE VIEW ve AS SELECT * FROM p;");
    const QStringList out = SchemaCheckLines(Load());
    const QString all = out.join('\n');
    const QStringList expected{
        "Checking Database test with 4 tables and one view...",
        "    Checking Table \"t1\" with 2 columns...",
        "        WARNING:  Column \"name\" has its default as the quoted string 'NULL' - The NULL "
        "identifier "
        "may have been intended.",
        "        Found one warning in Table t1.", "        WARNING:  No Primary Key defined.",
        "        ERROR:    Column \"qty\" has INTEGER affinity but a default value (ABC) that is "
        "not numeric.",
        "        WARNING:  Column \"code\" has TEXT affinity but a valid NUMERIC default value "
        "(12) which may "
        "not be intended.",
        "        WARNING:  Column \"code2\" has TEXT affinity but a valid NUMERIC default value "
        "(12) which "
        "may not be intended.",
        "        WARNING:  Column \"v\" has a declared SQL type \"VARCHAR(20)\" that is not used "
        "by SQLite - "
        "it will have TEXT affinity.",
        "        ERROR:    Column \"m\" has an unknown declared type \"MYTYPE\" - Check spelling "
        "and syntax. "
        "Affinity will be NUMERIC.",
        "        NOTE:     Column \"n\" has no declared type - it will have BLOB affinity.",
        "        WARNING:  Column \"nn\" has a NOT NULL constraint but a NULL default value.",
        "        WARNING:  Index  [ ab ] duplicates the column layout of \"Unique Index  [ no-name "
        "]\" - this "
        "is expensive and offers no performance gains.",
        // A parent named in other letter case is missing.
        "        ERROR:    Foreign Key target Parent (P) not found in DB.",
        // Without parent columns the key refers to the parent's primary key.
        "        WARNING:  Foreign Key has child column \"y\" with type \"TEXT\" (with TEXT "
        "affinity), but the "
        "referenced Parent field \"id\" in table \"p\" has mismatched Type \"INTEGER\" (with "
        "INTEGER "
        "affinity).",
        "        ERROR:    Foreign Key has child column \"x\" referencing a missing column "
        "\"nope\" in the "
        "parent table \"p\".",
        "    Checking Data View \"ve\" producing 2 columns and referencing one other table or "
        "view...",
        "        WARNING:  Fields with undefined result Types (will have BLOB affinity): id, k.",
        "        NOTE:     All column Types are undefined, possibly due to a current lack of "
        "output rows.",
        "Found 4 errors and 10 warnings in 4 tables and one view."};
    for (const QString& e : expected)
        EXPECT_TRUE(out.contains(e)) << e.toStdString() << "\n---\n" << all.toStdString();
    EXPECT_FALSE(all.contains("INTEGER affinity but a default value (NULL)"));
    EXPECT_FALSE(all.contains("\"i\" has a declared"));
    EXPECT_FALSE(all.contains("referencing 0 parent fields"));
}

TEST_F(DocDbTest, APerfectSchemaAndAFileNotReady) {
    Run("CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT);");
    const QStringList out = SchemaCheckLines(Load());
    EXPECT_EQ(out.last(), "No problems found - This Schema is perfect.");
    EXPECT_TRUE(out.contains("        No problems found."));
    TDBLayout missing;
    EXPECT_FALSE(LoadDbLayout(dir.filePath("nothing.db"), missing));
    EXPECT_EQ(DocumentationLines(missing, 0),
              QStringList{"#ERROR: Database File not loaded (Missing)"});
    EXPECT_EQ(SchemaCheckLines(missing), QStringList{"#ERROR: Database File not loaded (Missing)"});
    EXPECT_EQ(PrototypeLines(missing), QStringList{"#ERROR: Database File not loaded (Missing)"});
}

TEST_F(DocDbTest, CommandLine) {
    Run("CREATE TABLE t(id INTEGER PRIMARY KEY, \"my col\" VARCHAR(9));"
        "CREATE VIEW v AS SELECT id FROM t;");
    db.Close();
    ProcessResult r = Cli({"doc", path, "--format", "prototypes"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(
        r.out.contains("    t (id* : INTEGER [INTEGER],  \"my col\" : VARCHAR(9) [TEXT])\r\n"));
    EXPECT_TRUE(r.out.contains("    v (id)\r\n")); // no rows: the type is not known
    r = Cli({"check-schema", path});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.startsWith("Checking Database test with one table and one view...\r\n"));
    r = Cli({"doc", dir.filePath("none.db")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.trimmed(), "#ERROR: Database File not loaded (Missing)");
    EXPECT_EQ(Cli({"doc", path, "--format", "pdf"}).code, 2);
}

} // namespace
} // namespace sky::test
