// skylark-cli run as a real process; the sqlite3 shell reads back what it wrote.
#include "common/Process.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

using sky::test::Cli;
using sky::test::Shell;
using Result = sky::test::ProcessResult;

TEST(Cli, VersionNamesProgramAndEngine) {
    const Result r = Cli({QStringLiteral("version")});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.startsWith("Skylark " SKYLARK_VERSION "\n"));
    EXPECT_TRUE(r.out.contains(QByteArray("SQLite ") + sqlite3_libversion() + "\n"));
    EXPECT_TRUE(r.out.contains(sqlite3_sourceid()));
}

TEST(Cli, ExecCreatesTheDatabaseAndRunsTheScript) {
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("new.db"));
    const Result r = Cli({QStringLiteral("exec"), db,
                          QStringLiteral("CREATE TABLE t(a, b);\n"
                                         "CREATE TRIGGER tr AFTER INSERT ON t BEGIN\n"
                                         "  UPDATE t SET b = 'x;y' WHERE rowid = new.rowid;\n"
                                         "END;\n"
                                         "INSERT INTO t(a) VALUES('it''s; fine'); -- done")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.isEmpty());
    EXPECT_EQ(Shell(db, QStringLiteral("SELECT a || '|' || b FROM t;")),
              QByteArray("it's; fine|x;y"));
}

TEST(Cli, ExecReadsAFileAndReportsTheFailure) {
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("f.db"));
    const QString script = dir.filePath(QStringLiteral("s.sql"));
    QFile f(script);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("CREATE TABLE t(a);\r\nINSERT INTO t VALUES(1);\r\nINSERT INTO nosuch VALUES(2);\r\n"
            "INSERT INTO t VALUES(3);\r\n");
    f.close();
    const Result r = Cli({QStringLiteral("exec"), db, QStringLiteral("-f"), script});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QByteArray("DB Error: no such table: nosuch\n"));
    EXPECT_EQ(Shell(db, QStringLiteral("SELECT group_concat(a) FROM t;")), QByteArray("1"));

    const Result tail = Cli({QStringLiteral("exec"), db, QStringLiteral("SELECT (1")});
    EXPECT_EQ(tail.code, 1);
    EXPECT_EQ(tail.err, QByteArray("DB Error: incomplete input\n"));
}

TEST(Cli, WrongUsageExitsWithTwo) {
    const QStringList bad[] = {
        {},
        {QStringLiteral("nosuch")},
        {QStringLiteral("exec")},
        {QStringLiteral("exec"), QStringLiteral("x.db")},
        {QStringLiteral("exec"), QStringLiteral("x.db"), QStringLiteral("SELECT 1"),
         QStringLiteral("-f"), QStringLiteral("s.sql")},
        {QStringLiteral("split"), QStringLiteral("extra")},
        {QStringLiteral("split"), QStringLiteral("-f")},
        {QStringLiteral("help"), QStringLiteral("nosuch")},
    };
    for (const QStringList& args : bad) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const Result r = Cli(args);
        EXPECT_EQ(r.code, 2);
        EXPECT_FALSE(r.err.isEmpty());
        EXPECT_TRUE(r.out.isEmpty());
    }
}

TEST(Cli, HelpDocumentsEveryCommand) {
    const Result all = Cli({QStringLiteral("help")});
    EXPECT_EQ(all.code, 0);
    for (const char* c : {"version", "exec DB (SQL | -f FILE)", "split [-f FILE]", "help"})
        EXPECT_TRUE(all.out.contains(c)) << c;
    // Every command once, help last; each is in the README's table.
    const QList<QByteArray> lines = all.out.split('\n');
    QList<QByteArray> names;
    for (qsizetype i = lines.indexOf("Commands:") + 1; i < lines.size() && !lines[i].isEmpty(); ++i)
        if (!lines[i].startsWith("   ")) names.append(lines[i].trimmed().split(' ').first());
    ASSERT_GT(names.size(), 30);
    EXPECT_EQ(names.last(), QByteArray("help"));
    QFile readme(QStringLiteral(SKYLARK_SOURCE_DIR "/README.md"));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    const QByteArray doc = readme.readAll();
    for (const QByteArray& n : names) {
        EXPECT_EQ(names.count(n), 1) << n.toStdString();
        if (n != "help") {
            EXPECT_TRUE(doc.contains("`" + n + " ") || doc.contains("`" + n + "`"))
                << n.toStdString();
        }
    }
    const Result one = Cli({QStringLiteral("help"), QStringLiteral("split")});
    EXPECT_EQ(one.code, 0);
    EXPECT_TRUE(one.out.startsWith("usage: skylark-cli split [-f FILE]"));
}

// F20: an unfinished end of a script is an error, not dropped; -f reads a
// pipe the user names.
TEST(Cli, SplitRefusesAnUnfinishedTailAndReadsPipes) {
    for (const char* script : {"select ((((1;", "SELECT 1; /* open", "SELECT 'open",
                               "CREATE TRIGGER tr AFTER INSERT ON t BEGIN SELECT 1;"}) {
        SCOPED_TRACE(script);
        const Result r = Cli({QStringLiteral("split")}, QByteArray(script));
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_FALSE(r.err.isEmpty());
    }
    EXPECT_EQ(Cli({QStringLiteral("split")}, "select ((((1;").err,
              QByteArray("DB Error: incomplete input\n"));
    const Result piped = Cli(
        {QStringLiteral("split"), QStringLiteral("-f"), QStringLiteral("/dev/stdin")}, "SELECT 1;");
    EXPECT_EQ(piped.code, 0) << piped.err.toStdString();
    EXPECT_EQ(piped.out, QByteArray("[\"SELECT 1;\"]\n"));
}

TEST(Cli, SplitPrintsTheStatementsAsJson) {
    const QByteArray script = "BEGIN IMMEDIATE;\nINSERT INTO t VALUES('a;b', \"c\"\"d\"); -- x\n"
                              "CREATE TRIGGER tr AFTER INSERT ON t BEGIN SELECT 1; END;\nCOMMIT";
    const Result r = Cli({QStringLiteral("split")}, script);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QJsonParseError perr;
    const QJsonDocument doc = QJsonDocument::fromJson(r.out, &perr);
    ASSERT_EQ(perr.error, QJsonParseError::NoError) << r.out.toStdString();
    const QJsonArray a = doc.array();
    QStringList got;
    for (const auto& v : a)
        got << v.toString();
    EXPECT_EQ(
        got, (QStringList{QStringLiteral("BEGIN IMMEDIATE;"),
                          QStringLiteral("INSERT INTO t VALUES('a;b', \"c\"\"d\");"),
                          QStringLiteral("CREATE TRIGGER tr AFTER INSERT ON t BEGIN SELECT 1; END"),
                          QStringLiteral(";"), QStringLiteral("COMMIT")}));

    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.sql"));
    const QString out = dir.filePath(QStringLiteral("out.json"));
    QFile f(in);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\xEF\xBB\xBFSELECT 'Gr\xC3\xBC\xC3\x9F"
            "e';");
    f.close();
    const Result toFile =
        Cli({QStringLiteral("split"), QStringLiteral("-f"), in, QStringLiteral("-o"), out});
    EXPECT_EQ(toFile.code, 0);
    EXPECT_TRUE(toFile.out.isEmpty());
    QFile o(out);
    ASSERT_TRUE(o.open(QIODevice::ReadOnly));
    EXPECT_EQ(o.readAll(), QByteArray("[\"SELECT 'Gr\\u00FC\\u00DFe';\"]\n"));
}

} // namespace

namespace {

// A database made by the sqlite3 shell, so the commands read a peer's file.
QString MakeDb(QTemporaryDir& dir) {
    const QString db = dir.filePath(QStringLiteral("q.db"));
    Shell(db, QStringLiteral("CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT, r REAL, b BLOB);"
                             "INSERT INTO t VALUES(1,'a,b',1.5,X'01'),(2,' lead',NULL,NULL);"
                             "CREATE TABLE \"odd t\"(x, y, PRIMARY KEY(y, x));"));
    return db;
}

TEST(CliQuery, WritesEachFormat) {
    QTemporaryDir dir;
    const QString db = MakeDb(dir);
    const QString sql = QStringLiteral("SELECT * FROM t ORDER BY id");
    Result r = Cli({QStringLiteral("query"), db, sql});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out,
              QByteArray("id,name,r,b\r\n1,\"a,b\",1.5,[Blob]\r\n2,\" lead\",NULL,NULL\r\n"));

    r = Cli({QStringLiteral("query"), db, sql, QStringLiteral("--no-header"),
             QStringLiteral("--line-numbers"), QStringLiteral("1"),
             QStringLiteral("--convert-blobs"), QStringLiteral("--null"), QStringLiteral("-")});
    EXPECT_EQ(r.out, QByteArray("1,1,\"a,b\",1.5,0x01\r\n2,2,\" lead\",-,-\r\n"));

    r = Cli({QStringLiteral("query"), db, sql, QStringLiteral("--format"), QStringLiteral("json")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QJsonParseError perr;
    const QJsonDocument doc = QJsonDocument::fromJson(r.out, &perr);
    ASSERT_EQ(perr.error, QJsonParseError::NoError) << r.out.toStdString();
    EXPECT_EQ(doc.object().value(QStringLiteral("data")).toArray().size(), 2);

    r = Cli({QStringLiteral("query"), db, sql, QStringLiteral("--format"), QStringLiteral("xml")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<data>\r\n"));

    r = Cli({QStringLiteral("query"), db, sql, QStringLiteral("--format"), QStringLiteral("sql"),
             QStringLiteral("--table"), QStringLiteral("copy"), QStringLiteral("--rows-per-insert"),
             QStringLiteral("0")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    // The statements load into a copy that the shell finds equal.
    Shell(db, QStringLiteral("CREATE TABLE copy AS SELECT * FROM t WHERE 0;") +
                  QString::fromUtf8(r.out));
    EXPECT_EQ(Shell(db, QStringLiteral(
                            "SELECT count(*) FROM (SELECT * FROM t EXCEPT SELECT * FROM copy);")),
              QByteArray("0"));
    EXPECT_EQ(Shell(db, QStringLiteral("SELECT count(*) FROM copy;")), QByteArray("2"));
}

TEST(CliQuery, FailuresAndUsage) {
    QTemporaryDir dir;
    const QString db = MakeDb(dir);
    Result r = Cli({QStringLiteral("query"), db, QStringLiteral("SELECT * FROM nosuch")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QByteArray("DB Error: no such table: nosuch\n"));
    // A missing database is not created by a query.
    const QString missing = dir.filePath(QStringLiteral("none.db"));
    r = Cli({QStringLiteral("query"), missing, QStringLiteral("SELECT 1")});
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(QFile::exists(missing));
    for (const QStringList& args :
         {QStringList{QStringLiteral("query"), db},
          QStringList{QStringLiteral("query"), db, QStringLiteral("SELECT 1"),
                      QStringLiteral("--format"), QStringLiteral("yaml")},
          QStringList{QStringLiteral("query"), db, QStringLiteral("SELECT 1"),
                      QStringLiteral("--bogus")},
          QStringList{QStringLiteral("query"), db, QStringLiteral("SELECT 1"),
                      QStringLiteral("--limit-bytes"), QStringLiteral("x")}}) {
        r = Cli(args);
        EXPECT_EQ(r.code, 2) << args.join(' ').toStdString();
    }
    // A failed export leaves no output file behind.
    const QString out = dir.filePath(QStringLiteral("out.csv"));
    r = Cli({QStringLiteral("query"), db, QStringLiteral("SELECT * FROM nosuch"),
             QStringLiteral("-o"), out});
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(QFile::exists(out));
}

TEST(CliSchema, ProbeColumnsAndKeys) {
    QTemporaryDir dir;
    const QString db = MakeDb(dir);
    const QString text = dir.filePath(QStringLiteral("x.txt"));
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(200, 'x'));
    f.close();
    const QString missing = dir.filePath(QStringLiteral("none.db"));
    const QString noFolder = dir.filePath(QStringLiteral("no/such/x.db"));
    Result r = Cli({QStringLiteral("probe"), db, text, missing, noFolder});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(QString::fromUtf8(r.out),
              QStringLiteral("Ready\t") + db + QStringLiteral("\nInvalid\t") + text +
                  QStringLiteral("\nMissing\t") + missing + QStringLiteral("\nInaccessible\t") +
                  noFolder + QLatin1Char('\n'));

    r = Cli({QStringLiteral("columns"), db, QStringLiteral("t")});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out,
              QByteArray("cid,name,type,notnull,dflt_value,pk\r\n0,id,INTEGER,0,NULL,1\r\n"
                         "1,name,TEXT,0,NULL,0\r\n2,r,REAL,0,NULL,0\r\n3,b,BLOB,0,NULL,0\r\n"));
    r = Cli({QStringLiteral("columns"), db, QStringLiteral("nosuch")});
    EXPECT_EQ(r.code, 1);

    r = Cli({QStringLiteral("pk"), db, QStringLiteral("odd t")});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, QByteArray("y,x\n"));
    r = Cli({QStringLiteral("pk"), db, QStringLiteral("t"), QStringLiteral("--schema"),
             QStringLiteral("main")});
    EXPECT_EQ(r.out, QByteArray("id\n"));
}

} // namespace

namespace {

TEST(CliCsv, ReadsDelimitedTextAsJson) {
    Result r = Cli({QStringLiteral("csv")},
                   QByteArray("id;name\r\n1;\"a;b\"\r\n2;\"say \"\"hi\"\"\"\r\n"));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QJsonParseError perr;
    QJsonObject o = QJsonDocument::fromJson(r.out, &perr).object();
    ASSERT_EQ(perr.error, QJsonParseError::NoError) << r.out.toStdString();
    EXPECT_EQ(o.value(QStringLiteral("columns")).toArray(),
              QJsonArray({QStringLiteral("id"), QStringLiteral("name")}));
    const QJsonArray rows = o.value(QStringLiteral("rows")).toArray();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].toArray(), QJsonArray({QStringLiteral("1"), QStringLiteral("a;b")}));
    EXPECT_EQ(rows[1].toArray(), QJsonArray({QStringLiteral("2"), QStringLiteral("say \"hi\"")}));
    EXPECT_EQ(o.value(QStringLiteral("error")).toString(), QString());

    // An open quote at the end keeps the text and says where it happened.
    r = Cli({QStringLiteral("csv"), QStringLiteral("--no-header"), QStringLiteral("--delimiter"),
             QStringLiteral(",")},
            QByteArray("a,b\n1,\"open"));
    o = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(o.value(QStringLiteral("rows")).toArray().size(), 2);
    EXPECT_EQ(o.value(QStringLiteral("errorRow")).toInt(), 2);
    EXPECT_FALSE(o.value(QStringLiteral("error")).toString().isEmpty());
    EXPECT_EQ(
        Cli({QStringLiteral("csv"), QStringLiteral("--delimiter"), QStringLiteral("ab")}).code, 2);
}

TEST(CliPack, RoundTripsBytesAndRefusesWrongPassphrases) {
    QByteArray data;
    for (int i = 0; i < 3000; ++i)
        data += char((i * 7919) % 251);
    for (const QStringList& pass :
         {QStringList{}, QStringList{QStringLiteral("--passphrase"), QStringLiteral("s3cret")}}) {
        const Result packed = Cli(QStringList{QStringLiteral("pack")} + pass, data);
        ASSERT_EQ(packed.code, 0) << packed.err.toStdString();
        EXPECT_EQ(packed.out.front(), pass.isEmpty() ? '2' : '3');
        const Result back = Cli(QStringList{QStringLiteral("unpack")} + pass, packed.out);
        ASSERT_EQ(back.code, 0) << back.err.toStdString();
        EXPECT_EQ(back.out, data);
    }
    const Result packed =
        Cli({QStringLiteral("pack"), QStringLiteral("--passphrase"), QStringLiteral("a")},
            QByteArray("short"));
    EXPECT_EQ(packed.out.front(), '1');
    const Result wrong =
        Cli({QStringLiteral("unpack"), QStringLiteral("--passphrase"), QStringLiteral("b")},
            packed.out);
    EXPECT_EQ(wrong.code, 1);
    EXPECT_EQ(wrong.err, QByteArray("Invalid Encoder format\n"));
    EXPECT_EQ(Cli({QStringLiteral("unpack")}, packed.out).code, 1);
}

TEST(CliQuery, SqlFunctionsAreThereOnEveryConnection) {
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("f.db"));
    ASSERT_EQ(Cli({QStringLiteral("exec"), db, QStringLiteral("CREATE TABLE t(x);")}).code, 0);
    const Result r = Cli({QStringLiteral("query"), db,
                          QStringLiteral("SELECT md5('abc'), decode(encode('hi', 'k'), 'k'), "
                                         "titlecase('hello  wORLD')"),
                          QStringLiteral("--no-header")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("900150983cd24fb0d6963f7d28e17f72,hi,Hello  World\r\n"));
}

TEST(CliScripts, DumpBackupAndRestructure) {
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("s.db"));
    Shell(db, QStringLiteral("CREATE TABLE t(id INTEGER PRIMARY KEY, v TEXT, w INT);"
                             "INSERT INTO t VALUES (1, 'a', 10), (2, 'b', 20);"
                             "CREATE TABLE u(x); ANALYZE;"));
    const QString script = dir.filePath(QStringLiteral("s.sql"));
    Result r = Cli({QStringLiteral("dump"), db, QStringLiteral("-o"), script});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QString copy = dir.filePath(QStringLiteral("copy.db"));
    QFile f(script);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(sky::test::RunProgram(QStringLiteral(SQLITE3_SHELL_PATH), {copy}, f.readAll()).code,
              0);
    EXPECT_EQ(sky::test::SqlDiff(db, copy), QByteArray());

    r = Cli({QStringLiteral("dump"), db, QStringLiteral("--table"), QStringLiteral("T"),
             QStringLiteral("--no-data")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("CREATE TABLE t(id INTEGER PRIMARY KEY, v TEXT, w INT);"));
    EXPECT_FALSE(r.out.contains("INSERT"));

    // A failed dump says why on standard error and makes no -o file; on
    // standard output the script ends in its failure notes.
    const QString views = dir.filePath(QStringLiteral("views.db"));
    Shell(views, QStringLiteral("CREATE VIEW v AS SELECT 1;"));
    const QString failed = dir.filePath(QStringLiteral("failed.sql"));
    r = Cli({QStringLiteral("dump"), views, QStringLiteral("-o"), failed});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QByteArray("Database has no Tables\n"));
    EXPECT_FALSE(QFile::exists(failed));
    r = Cli({QStringLiteral("dump"), views});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.contains("ROLLBACK TRANSACTION;"));

    const QString backup = dir.filePath(QStringLiteral("b.db"));
    r = Cli({QStringLiteral("backup"), db, backup});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()); // no progress when standard error is not a terminal
    EXPECT_EQ(sky::test::SqlDiff(db, backup), QByteArray());

    r = Cli({QStringLiteral("restructure"), db, QStringLiteral("t")},
            QByteArray("id,int,PRI\nv,text,\n"));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Shell(db, QStringLiteral("SELECT sql FROM sqlite_master WHERE name='t';")),
              QByteArray("CREATE TABLE t(id INTEGER PRIMARY KEY,v TEXT)"));
    EXPECT_EQ(Shell(db, QStringLiteral("SELECT group_concat(v) FROM t;")), QByteArray("a,b"));
    r = Cli({QStringLiteral("restructure"), db, QStringLiteral("t")}, QByteArray("gone,int,PRI\n"));
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith("No column of the new structure exists")) << r.err.toStdString();
}

TEST(CliSchema, TableAndViewStatements) {
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("d.db"));
    Shell(db, QStringLiteral("CREATE TABLE t(id INTEGER PRIMARY KEY, v TEXT DEFAULT 'x' -- note\n);"
                             "CREATE INDEX t_v ON t(v);"
                             "CREATE VIEW w AS SELECT v FROM t;"));
    Result r = Cli({QStringLiteral("table-sql"), db, QStringLiteral("t")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("CREATE TABLE \"t\" (\r\n  \"id\" INTEGER PRIMARY KEY, \r\n"
                                "  \"v\" TEXT DEFAULT 'x' /* note */\r\n);\r\n"
                                "DROP INDEX IF EXISTS t_v;\r\nCREATE INDEX t_v ON t(v);\r\n"));
    r = Cli({QStringLiteral("table-sql"), db, QStringLiteral("--all")});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.startsWith("CREATE TABLE \"t\""));
    r = Cli({QStringLiteral("table-sql"), db, QStringLiteral("nosuch")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith("Failed to read table layout for: nosuch")) << r.err.toStdString();
    r = Cli({QStringLiteral("view-sql"), db, QStringLiteral("w")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("CREATE VIEW w AS \r\nSELECT v FROM t\r\n"));
    r = Cli({QStringLiteral("view-sql"), db, QStringLiteral("t")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QByteArray("View not found (t)\n"));
    // The schema tree, and its count.
    r = Cli({QStringLiteral("tree"), db});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("main\n  t   (2)\n    id  -  INTEGER\n    v  -  TEXT  -- note\n"
                                "    t_v\n  w   (1)\n    v\n")); // no rows: no type
    r = Cli({QStringLiteral("tree"), db, QStringLiteral("--count")});
    EXPECT_EQ(r.out, QByteArray("2\n"));
    // The grid's rows: counts, then the cells with the NULL text.
    Shell(db, QStringLiteral("INSERT INTO t VALUES (1, NULL), (2, 'a' || char(10) || 'b');"));
    r = Cli(
        {QStringLiteral("grid"), db, QStringLiteral("SELECT * FROM t"), QStringLiteral("--show")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("rows: 2\ncolumns: 2\nbytes: 39\nid|v\n1|NULL\n2|a b\n"));
    r = Cli({QStringLiteral("grid"), db, QStringLiteral("SELECT * FROM nowhere")});
    EXPECT_EQ(r.code, 1);
}

// A schema large enough to be read side by side: --all writes every table
// once, in creation order, each exactly as table-sql writes it alone; tables
// the catalogue alone does not give (text the engine rewrote, a virtual
// table) take the engine's way in their place.
TEST(CliSchema, AllTablesOfALargeSchemaInOrder) {
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("many.db"));
    QString sql = QStringLiteral("BEGIN;");
    for (int i = 0; i < 700; ++i) {
        if (i % 97 == 5)
            sql += QStringLiteral("CREATE TABLE t%1 AS SELECT 1 AS a, 'x' AS b;").arg(i);
        else
            sql += QStringLiteral("CREATE TABLE \"T %1\" (id INTEGER PRIMARY KEY, "
                                  "v%1 TEXT DEFAULT 'q' CHECK (v%1 <> ''), w REAL);"
                                  "CREATE INDEX ix%1 ON \"T %1\" (w DESC);")
                       .arg(i);
    }
    sql += QStringLiteral("COMMIT;");
    Shell(db, sql);
    const Result all = Cli({QStringLiteral("table-sql"), db, QStringLiteral("--all")});
    ASSERT_EQ(all.code, 0) << all.err.toStdString();
    QByteArray expected;
    const QStringList names =
        QString::fromUtf8(
            Shell(db, QStringLiteral(
                          "SELECT name FROM sqlite_master WHERE type='table' ORDER BY rowid;")))
            .split(u'\n');
    ASSERT_EQ(names.size(), 700);
    qsizetype at = 0;
    for (int i = 0; i < names.size(); ++i) {
        // Every table's script stands at its place; a sample is compared
        // with the single-table command byte for byte.
        const QByteArray head = "CREATE TABLE ";
        const qsizetype found = all.out.indexOf(head, at);
        ASSERT_GE(found, at) << i;
        EXPECT_TRUE(all.out.mid(found, 40).contains(names[i].toUtf8())) << i;
        at = found + 1;
        if (i % 97 == 5 || i % 150 == 0) {
            const Result one = Cli({QStringLiteral("table-sql"), db, names[i]});
            ASSERT_EQ(one.code, 0) << one.err.toStdString();
            EXPECT_EQ(all.out.mid(found, one.out.size()), one.out) << i;
        }
    }
    EXPECT_EQ(all.out.indexOf("CREATE TABLE ", at), -1);
    const Result count = Cli({QStringLiteral("tree"), db, QStringLiteral("--count")});
    EXPECT_EQ(count.out, QByteArray("700\n"));
}

// F15: --all leaves out the shadow tables of virtual tables, which the
// virtual table's CREATE makes again: the peer shell runs the script.
TEST(CliSchema, AllTablesWithoutShadowTables) {
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("f15.db"));
    Shell(db, QStringLiteral("CREATE TABLE t(a); CREATE VIRTUAL TABLE ft USING fts5(a);"));
    const Result r = Cli({QStringLiteral("table-sql"), db, QStringLiteral("--all")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_FALSE(r.out.contains("ft_data"));
    const QString copy = dir.filePath(QStringLiteral("r.db"));
    const Result load = sky::test::RunProgram(QStringLiteral(SQLITE3_SHELL_PATH),
                                              {QStringLiteral("-bail"), copy}, r.out);
    EXPECT_EQ(load.code, 0) << load.err.toStdString();
    EXPECT_EQ(Shell(copy, QStringLiteral("SELECT group_concat(name, ',') FROM (SELECT name FROM "
                                         "sqlite_master WHERE type='table' AND name IN "
                                         "('t','ft','ft_data') ORDER BY name);")),
              QByteArray("ft,ft_data,t"));
}

// F11: the tree fails on a file it cannot read, and shows the tables whose
// layout it cannot model, marked, so that the count is right.
TEST(CliSchema, TreeOfFilesItCannotReadOrModel) {
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("f11.db"));
    Shell(db, QStringLiteral("CREATE TABLE t2(a CHECK(a>0) CHECK(a<10)); CREATE TABLE t3(x);"
                             "CREATE TABLE t4(b UNIQUE UNIQUE);"));
    {
        sqlite3* h = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(db).constData(), &h), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(h,
                               "CREATE TABLE \"bad\xff"
                               "name\"(a);",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(h);
    }
    Result r = Cli({QStringLiteral("tree"), db, QStringLiteral("--count")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("4\n"));
    r = Cli({QStringLiteral("tree"), db});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("main\n  t2   [layout not readable]\n  t3   (1)\n    x\n"
                                "  t4   [layout not readable]\n"
                                "  bad\xEF\xBF\xBDname   [layout not readable]\n"));

    // Random bytes, a cut-off file and a file another process holds locked.
    const QString junk = dir.filePath(QStringLiteral("notdb.db"));
    QByteArray bytes(5000, Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 7919 + 17) % 253);
    QFile j(junk);
    ASSERT_TRUE(j.open(QIODevice::WriteOnly));
    j.write(bytes);
    j.close();
    const QString big = dir.filePath(QStringLiteral("big.db"));
    QString script;
    for (int i = 0; i < 200; ++i)
        script += QStringLiteral("CREATE TABLE filler%1(alpha, beta, gamma, delta);").arg(i);
    Shell(big, script);
    const QString cut = dir.filePath(QStringLiteral("cut.db"));
    QFile whole(big);
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    QFile c(cut);
    ASSERT_TRUE(c.open(QIODevice::WriteOnly));
    c.write(whole.read(8192));
    c.close();
    for (const QString& file : {junk, cut}) {
        SCOPED_TRACE(file.toStdString());
        for (const QStringList& extra : {QStringList{}, QStringList{QStringLiteral("--count")}}) {
            r = Cli(QStringList{QStringLiteral("tree"), file} + extra);
            EXPECT_EQ(r.code, 1);
            EXPECT_TRUE(r.out.isEmpty());
            EXPECT_TRUE(r.err.contains("DB Error: ")) << r.err.toStdString();
        }
    }
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(db).constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    r = Cli({QStringLiteral("tree"), db, QStringLiteral("--count")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("database is locked")) << r.err.toStdString();
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
}

} // namespace
