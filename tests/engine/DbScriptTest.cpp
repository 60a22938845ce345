// Database and table scripts and the online backup. A script is a backup
// format: run in an empty database by the sqlite3 shell or by ExecuteList it
// must give back the same database, as sqldiff sees it.
#include "common/FaultInject.h"
#include "common/Process.h"
#include "common/TempDb.h"
#include "engine/Catalogue.h"
#include "engine/Identifiers.h"
#include "engine/ScriptPlan.h"
#include "engine/SqlLiteral.h"
#include "support/TextFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <csignal>
#include <sqlite3.h>
#include <sys/resource.h>

namespace sky::test {
namespace {

// Everything a script must carry: each storage class and awkward values,
// AUTOINCREMENT (one table empty with a counter), WITHOUT ROWID, STRICT,
// generated columns, expression and partial indexes, triggers on tables and
// views, views over views, cyclic foreign keys, rowid gaps and names that
// need quotes.
const char* const kRichSchema = R"sql(
PRAGMA foreign_keys = 0;
CREATE TABLE "values"(id INTEGER PRIMARY KEY AUTOINCREMENT, i INTEGER, r REAL, t TEXT, b BLOB, x);
INSERT INTO "values"(i, r, t, b, x) VALUES
  (0, 0.1 + 0.2, 'it''s "quoted"', X'', NULL),
  (-9223372036854775808, 1e308, 'line1' || char(13, 10) || 'line2' || char(10), X'00', 1),
  (9223372036854775807, -0.0, char(1, 7, 9, 27, 31) || ' ctl', randomblob(1048576), 2.5),
  (42, 9e999, 'caf' || char(233) || ' ' || char(20013, 25991) || ' ' || char(128512), X'FF00FF', 'x'),
  (NULL, -9e999, '', zeroblob(3), X'01'),
  (7, 5e-324, 'nul' || char(0) || 'inside', NULL, CAST(X'C328' AS TEXT));
DELETE FROM "values" WHERE id = 5;
CREATE TABLE "empty auto"(id INTEGER PRIMARY KEY AUTOINCREMENT, v);
INSERT INTO "empty auto"(v) VALUES (1), (2), (3);
DELETE FROM "empty auto";
CREATE TABLE wr(k TEXT PRIMARY KEY, v INT) WITHOUT ROWID;
INSERT INTO wr VALUES ('b', 2), ('a', 1);
CREATE TABLE st(id INTEGER PRIMARY KEY, n INTEGER NOT NULL, f REAL, s TEXT, a ANY) STRICT;
INSERT INTO st VALUES (1, 10, 1.5, 'strict', X'AB'), (2, 20, 2.0, 's2', 3);
CREATE TABLE gen(a INT, b INT GENERATED ALWAYS AS (a * 2) VIRTUAL,
                 c TEXT GENERATED ALWAYS AS ('v' || a) STORED, d);
INSERT INTO gen(a, d) VALUES (1, 'one'), (2, 'two');
CREATE TABLE gaps(v);
INSERT INTO gaps VALUES ('a'), ('b'), ('c'), ('d');
DELETE FROM gaps WHERE v IN ('a', 'c');
CREATE TABLE "order"("select" INT, "1st col" TEXT, "we""ird" TEXT, "tablé" TEXT);
INSERT INTO "order" VALUES (1, 'first', 'q"q', 'é');
CREATE TABLE parent(id INTEGER PRIMARY KEY, child_id INT REFERENCES child(id));
CREATE TABLE child(id INTEGER PRIMARY KEY, parent_id INT REFERENCES parent(id));
INSERT INTO parent VALUES (1, 10);
INSERT INTO child VALUES (10, 1);
CREATE INDEX "values lower" ON "values"(lower(t));
CREATE INDEX partial_i ON "values"(i) WHERE i > 0;
CREATE UNIQUE INDEX "1st idx" ON "order"("1st col");
CREATE TABLE log(msg TEXT);
CREATE TRIGGER values_ins AFTER INSERT ON "values" BEGIN
  INSERT INTO log VALUES ('ins ' || new.id);
END;
CREATE VIEW v_values AS SELECT id, t FROM "values";
CREATE VIEW "v over v" AS SELECT * FROM v_values WHERE id > 1;
CREATE TRIGGER v_ins INSTEAD OF INSERT ON v_values BEGIN
  INSERT INTO log VALUES ('view ' || new.t);
END;
INSERT INTO v_values(t) VALUES ('through view');
PRAGMA foreign_keys = 1;
PRAGMA user_version = 77;
PRAGMA application_id = 1234567;
ANALYZE;
)sql";

QString Text(const QByteArray& b) {
    return QString::fromUtf8(b);
}

class DbScriptTest : public TempDbTest {
protected:
    QString Script(bool data = true, int querySize = 16384) {
        QBuffer buf;
        buf.open(QIODevice::WriteOnly);
        EXPECT_TRUE(db.ExportDBScript(&buf, querySize, data)) << db.LastError().toStdString();
        return QString::fromUtf8(buf.data());
    }
    QString Fresh(const char* name) { return dir.filePath(QLatin1String(name)); }

    // The schema, sequence counters and header fields that must come back.
    QByteArray Facts(const QString& file) {
        return Shell(file, QStringLiteral(
                               "SELECT type, name, tbl_name, sql FROM sqlite_master WHERE name NOT "
                               "LIKE 'sqlite_stat%' ORDER BY type, name;"
                               "SELECT name, seq FROM sqlite_sequence ORDER BY name;"
                               "PRAGMA user_version; PRAGMA application_id;"));
    }
};

// Schema text without CRs and with each line trimmed: the statement runner
// joins the trimmed lines of a statement with CR LF.
QString Reduced(const QByteArray& facts) {
    QStringList lines = Text(facts).remove(QLatin1Char('\r')).split(QLatin1Char('\n'));
    for (QString& l : lines)
        l = l.trimmed();
    return lines.join(QLatin1Char('\n'));
}

TEST_F(DbScriptTest, RoundTripThroughShellAndExecuteList) {
    // The original comes from the peer, so its schema text is as typed.
    const ProcessResult made = RunProgram(QStringLiteral(SQLITE3_SHELL_PATH),
                                          {QStringLiteral("-bail"), path}, QByteArray(kRichSchema));
    ASSERT_EQ(made.code, 0) << made.err.toStdString();
    const QString script = dir.filePath(QStringLiteral("dump.sql"));
    ASSERT_TRUE(db.ExportDBScript(script, 16384, true)) << db.LastError().toStdString();
    db.Close();
    const QByteArray facts = Facts(path);
    ASSERT_TRUE(facts.contains("CREATE VIEW \"v over v\"")) << facts.toStdString();

    // Imported by the sqlite3 shell.
    const QString byShell = Fresh("shell.db");
    QFile f(script);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const ProcessResult r = RunProgram(QStringLiteral(SQLITE3_SHELL_PATH),
                                       {QStringLiteral("-bail"), byShell}, f.readAll());
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Text(SqlDiff(path, byShell)), QString());
    EXPECT_EQ(Text(Facts(byShell)), Text(facts));

    // Imported by the system's own statement runner.
    const QString byList = Fresh("list.db");
    QString text;
    ASSERT_TRUE(ReadTextFile(script, text, nullptr));
    TSQLite3Database target;
    ASSERT_TRUE(target.Open(byList));
    EXPECT_TRUE(target.ExecuteList(text)) << target.LastError().toStdString();
    target.Close();
    EXPECT_EQ(Text(SqlDiff(path, byList)), QString());
    EXPECT_EQ(Reduced(Facts(byList)), Reduced(facts));
}

TEST_F(DbScriptTest, VirtualTableComesBackWithItsShadowTables) {
    Run(QStringLiteral("CREATE VIRTUAL TABLE f USING fts5(a, b);"
                       "INSERT INTO f VALUES ('hello world', 'x'), ('other', 'y'); ANALYZE;"));
    const QByteArray script = Script().toUtf8();
    // The virtual table's rows live in its shadow tables: no INSERT of its own.
    EXPECT_FALSE(script.contains("INSERT INTO \"f\" "));
    const QString copy = Fresh("fts.db");
    ASSERT_EQ(
        RunProgram(QStringLiteral(SQLITE3_SHELL_PATH), {QStringLiteral("-bail"), copy}, script)
            .code,
        0);
    EXPECT_EQ(Text(SqlDiff(path, copy)), QString());
    EXPECT_EQ(Shell(copy, QStringLiteral("SELECT b FROM f WHERE f MATCH 'hello';")),
              QByteArray("x"));
}

TEST_F(DbScriptTest, TextLiteralsGiveBackEveryByte) {
    // Random byte strings rich in quotes, NUL, CR, LF and high bytes (valid
    // UTF-8 or not): the literal evaluates to a text of exactly those bytes.
    const char pool[] = {'\'',   '\0',   '\r',   '\n',   'a',    ' ',    '"', '\xC3',
                         '\xA9', '\xF0', '\x9F', '\x98', '\x80', '\xFF', '|'};
    uint32_t seed = 12345;
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes;
        const int len = round % 17;
        for (int i = 0; i < len; ++i) {
            seed = seed * 1103515245u + 12345u;
            bytes += pool[(seed >> 16) % sizeof pool];
        }
        std::string lit;
        AppendSqlText(lit, bytes.constData(), bytes.size());
        const QString sql = QString::fromStdString(lit);
        EXPECT_EQ(Value(QStringLiteral("SELECT typeof(") + sql +
                        QStringLiteral(") || ':' || hex(") + sql + QStringLiteral(")")),
                  QStringLiteral("text:") + QString::fromLatin1(bytes.toHex().toUpper()))
            << lit;
        EXPECT_FALSE(sql.contains(QLatin1Char('\r')) || sql.contains(QChar(0))) << lit;
    }
}

TEST_F(DbScriptTest, LayoutOfAOneTableDatabase) {
    Run(QStringLiteral("CREATE TABLE t(a); INSERT INTO t VALUES (1);"));
    const QStringList lines = Script().split(QStringLiteral("\r\n"));
    const QStringList want{
        QStringLiteral("^--  SQLite Database Export   \\[ Started: .+ \\] - SQLite [0-9.]+$"),
        QStringLiteral("^$"),
        QStringLiteral("^PRAGMA foreign_keys=0;               -- Switch foreign-key checking off "
                       "during import\\.$"),
        QStringLiteral("^PRAGMA defer_foreign_keys=1;  "),
        QStringLiteral("^PRAGMA ignore_check_constraints=1;   -- "),
        QStringLiteral("^BEGIN TRANSACTION;                   -- Comment out if the importer "
                       "starts an automatic Transaction\\.$"),
        QStringLiteral("^$"),
        QStringLiteral("^--   Table Schema for: \"t\"   \\[ .+ \\]   SQLite [0-9.]+$"),
        QStringLiteral("^DROP TABLE IF EXISTS \"t\";$"),
        QStringLiteral("^CREATE TABLE t\\(a\\);$"),
        QStringLiteral("^INSERT INTO \"t\" \\(\"rowid\",\"a\"\\) VALUES $"),
        QStringLiteral("^ \\(1,1\\)$"),
        QStringLiteral("^;$"),
        QStringLiteral("^$"),
        QStringLiteral("^COMMIT TRANSACTION;                   -- Comment out if the importer "
                       "starts an automatic transaction\\.$"),
    };
    ASSERT_GT(lines.size(), want.size());
    for (qsizetype i = 0; i < want.size(); ++i)
        EXPECT_TRUE(QRegularExpression(want[i]).match(lines[i]).hasMatch())
            << i << ": " << lines[i].toStdString();
    // Then the pragma lines, ANALYZE, the commented VACUUM and the success line.
    const qsizetype analyze = lines.indexOf(QRegularExpression(QStringLiteral("ANALYZE; .*")));
    ASSERT_GT(analyze, want.size());
    for (qsizetype i = want.size(); i < analyze; ++i)
        EXPECT_TRUE(lines[i].startsWith(QStringLiteral("PRAGMA ")) ||
                    lines[i].startsWith(QStringLiteral("-- PRAGMA schema_version")))
            << lines[i].toStdString();
    EXPECT_TRUE(lines[analyze + 1].startsWith(QStringLiteral("-- VACUUM;  ")));
    EXPECT_EQ(lines[analyze + 2], QString());
    EXPECT_TRUE(
        QRegularExpression(
            QStringLiteral("^--   Database Export Success  \\[ 0d 00h 00m \\d\\d\\.\\d{3}s \\]  $"))
            .match(lines[analyze + 3])
            .hasMatch())
        << lines[analyze + 3].toStdString();
    // The schema version is never set by the script.
    EXPECT_EQ(lines.indexOf(QRegularExpression(QStringLiteral("PRAGMA schema_version.*"))), -1);
}

TEST_F(DbScriptTest, QuerySizeSplitsInserts) {
    Run(QStringLiteral("CREATE TABLE t(id INTEGER PRIMARY KEY, s TEXT);"
                       "INSERT INTO t(s) VALUES ('a'), ('b'), ('c'), ('d');"));
    EXPECT_EQ(Script(true, 1).count(QStringLiteral("INSERT INTO \"t\"")), 4);
    EXPECT_EQ(Script(true, 1 << 30).count(QStringLiteral("INSERT INTO \"t\"")), 1);
    // Each row line " (1,'a')" CR LF counts 10 characters: 20 closes after two rows.
    EXPECT_EQ(Script(true, 20).count(QStringLiteral("INSERT INTO \"t\"")), 2);
    EXPECT_EQ(Script(false).count(QStringLiteral("INSERT INTO \"t\"")), 0);
}

TEST_F(DbScriptTest, FailuresAndTransactions) {
    Run(QStringLiteral("CREATE VIEW v AS SELECT 1 AS x;"));
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    EXPECT_FALSE(db.ExportDBScript(&buf, 100, true));
    EXPECT_EQ(db.LastError(), QStringLiteral("Database has no Tables"));
    const QString out = QString::fromUtf8(buf.data());
    EXPECT_TRUE(out.contains(QStringLiteral(" /*  Expot FAILED: Database has no Tables  */ ")));
    EXPECT_TRUE(out.contains(QStringLiteral("ROLLBACK TRANSACTION;")));
    EXPECT_TRUE(
        out.contains(QStringLiteral(" /*  Database Export FAILED: Database has no Tables")));
    EXPECT_FALSE(db.TransactionOpen());

    // A transaction of the caller stays open; the export's own one ends.
    Run(QStringLiteral("CREATE TABLE t(a);"));
    ASSERT_TRUE(db.BeginTransaction());
    Script();
    EXPECT_TRUE(db.TransactionOpen());
    ASSERT_TRUE(db.Commit());
    Script();
    EXPECT_FALSE(db.TransactionOpen());

    EXPECT_FALSE(db.ExportDBScript(QString(), 100, true));
    EXPECT_EQ(db.LastError(), QStringLiteral("Empty Destination File"));
    EXPECT_FALSE(db.ExportDBScript(dir.filePath(QStringLiteral("no/such/dir/x.sql")), 100, true));
    EXPECT_TRUE(db.LastError().startsWith(QStringLiteral("Could not Create file (")));

    QBuffer tbuf;
    tbuf.open(QIODevice::WriteOnly);
    EXPECT_FALSE(db.ExportTableScript(QStringLiteral("nosuch"), &tbuf, 100, true));
    EXPECT_EQ(db.LastError(), QStringLiteral("Invalid Table Schema for nosuch..."));
    EXPECT_TRUE(tbuf.data().contains(" /*  Table Export FAILED for \"nosuch\": "));
}

TEST_F(DbScriptTest, TableScriptUsesStoredNameAndRefusesWhenBusy) {
    Run(QStringLiteral("CREATE TABLE MixedCase(a); INSERT INTO MixedCase VALUES ('x');"
                       "CREATE INDEX mi ON MixedCase(a);"
                       "CREATE TRIGGER mt AFTER DELETE ON MixedCase BEGIN SELECT 1; END;"));
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    ASSERT_TRUE(db.ExportTableScript(QStringLiteral("mixedcase"), &buf, 100, true));
    const QString s = QString::fromUtf8(buf.data());
    EXPECT_TRUE(s.contains(QStringLiteral("--   Table Schema for: \"MixedCase\"   [")));
    EXPECT_TRUE(s.contains(QStringLiteral("DROP INDEX IF EXISTS \"mi\";\r\nCREATE INDEX mi")));
    EXPECT_EQ(s.count(QStringLiteral("CREATE TRIGGER mt")), 1);

    // Inside a running statement every entry point refuses.
    bool checked = false;
    db.SetProgressHandler([&](TSQLite3Database* sender, qint64, qint64, bool&) {
        if (checked || !sender->IsBusy()) return;
        checked = true;
        QBuffer inner;
        inner.open(QIODevice::WriteOnly);
        EXPECT_FALSE(sender->ExportDBScript(&inner, 100, true));
        EXPECT_EQ(sender->LastError(), QStringLiteral("Database Busy"));
        EXPECT_FALSE(sender->BackupDB(QStringLiteral("x.db"), nullptr, QString(), QString()));
        EXPECT_EQ(sender->LastError(), QStringLiteral("Database Busy"));
        EXPECT_FALSE(
            sender->InsertRecFromPropList({QStringLiteral("a=1")}, QStringLiteral("MixedCase")));
        EXPECT_EQ(sender->LastError(), QStringLiteral("Database Busy"));
    });
    // The refusals leave "Database Busy" behind, which the running script reports.
    db.ExecuteList(QStringLiteral("WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c "
                                  "WHERE n < 5000) SELECT count(*) FROM c;"));
    db.SetProgressHandler(nullptr);
    EXPECT_TRUE(checked);
}

class BackupTest : public DbScriptTest {
protected:
    void SetUp() override {
        DbScriptTest::SetUp();
        // About 1200 pages: more than two backup steps.
        Run(QStringLiteral("CREATE TABLE big(id INTEGER PRIMARY KEY, b BLOB);"
                           "WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c "
                           "WHERE n < 1200) INSERT INTO big(b) SELECT randomblob(3000) FROM c;"));
    }
};

TEST_F(BackupTest, CopiesEveryPageAndReportsProgress) {
    const QString target = Fresh("copy.db");
    QList<QPair<qint64, qint64>> calls;
    ASSERT_TRUE(db.BackupDB(
        target,
        [&](TSQLite3Database* sender, qint64 done, qint64 total, bool&) {
            EXPECT_EQ(sender, &db);
            calls.append({done, total});
        },
        QString(), QString()))
        << db.LastError().toStdString();
    ASSERT_GE(calls.size(), 3);
    EXPECT_EQ(calls[0].first, 512);
    EXPECT_EQ(calls.last().first, calls.last().second);
    EXPECT_EQ(Text(SqlDiff(path, target)), QString());

    // An attached schema goes into the destination's main.
    Run(QStringLiteral("ATTACH ':memory:' AS aux; CREATE TABLE aux.t(a); "
                       "INSERT INTO aux.t VALUES ('attached');"));
    const QString aux = Fresh("aux.db");
    ASSERT_TRUE(db.BackupDB(aux, nullptr, QStringLiteral("aux"), QString()))
        << db.LastError().toStdString();
    EXPECT_EQ(Shell(aux, QStringLiteral("SELECT a FROM t;")), QByteArray("attached"));

    EXPECT_FALSE(db.BackupDB(path, nullptr, QString(), QString()));
    EXPECT_TRUE(db.LastError().startsWith(QStringLiteral("Could not access destination file: ")));
}

TEST_F(BackupTest, CancelAndCallbackFailureLeaveTheTargetAsItWas) {
    const QString target = Fresh("old.db");
    Shell(target, QStringLiteral("CREATE TABLE keep(a); INSERT INTO keep VALUES ('old');"));
    int calls = 0;
    EXPECT_FALSE(db.BackupDB(
        target,
        [&](TSQLite3Database*, qint64, qint64, bool& cancelled) {
            ++calls;
            cancelled = true;
        },
        QString(), QString()));
    EXPECT_EQ(db.LastError(), QStringLiteral("Back-up Aborted by User"));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(Shell(target, QStringLiteral("SELECT a FROM keep;")), QByteArray("old"));

    EXPECT_FALSE(db.BackupDB(
        target, [](TSQLite3Database*, qint64, qint64, bool&) { throw std::runtime_error("x"); },
        QString(), QString()));
    EXPECT_EQ(db.LastError(), QStringLiteral("Fatal Exception while Backing up"));
    EXPECT_EQ(Shell(target, QStringLiteral("SELECT a FROM keep;")), QByteArray("old"));

    EXPECT_FALSE(db.BackupDB(target, nullptr, QStringLiteral("nosuch"), QString()));
    EXPECT_TRUE(db.LastError().startsWith(QStringLiteral("DB Error: ")))
        << db.LastError().toStdString();
}

// ---------------------------------------------------------------------------
// Hostile names and values, failing writes.

// Runs SQL exactly as given through the C interface (not through the
// statement splitter), so that stored texts and names are the bytes written.
void RawExec(TSQLite3Database& db, const QByteArray& sql) {
    char* err = nullptr;
    ASSERT_EQ(sqlite3_exec(db.Handle(), sql.constData(), nullptr, nullptr, &err), SQLITE_OK)
        << (err ? err : "") << " in " << sql.toStdString();
}

QByteArray ReadAll(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Loads a script into a new database with the sqlite3 shell.
ProcessResult ShellLoad(const QString& db, const QByteArray& script, bool bail = true) {
    QStringList args;
    if (bail) args << QStringLiteral("-bail");
    args << db;
    return RunProgram(QStringLiteral(SQLITE3_SHELL_PATH), args, script);
}

// Files written by this process may not grow past `bytes` while it lives: a
// write past it fails as on a full disk (EFBIG instead of a signal).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &FOld);
        FOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit r = FOld;
        r.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &r);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &FOld);
        std::signal(SIGXFSZ, FOldHandler);
    }

private:
    rlimit FOld{};
    void (*FOldHandler)(int) = SIG_DFL;
};

TEST(ScriptText, CommentTextCannotEndAComment) {
    const char16_t* names[] = {u"t\n.system touch x\n--",
                               u"t\rCREATE TABLE p(x);--",
                               u"a */ CREATE TABLE p(x); /*",
                               u"ctl\x01\x1f\x7f",
                               u"ls\u2028ps\u2029nel\u0085",
                               u"*/*/",
                               u"plain"};
    for (const char16_t* n : names) {
        const QString safe = CommentSafeName(QString::fromUtf16(n));
        EXPECT_FALSE(safe.contains(QStringLiteral("*/"))) << safe.toStdString();
        for (QChar c : safe)
            EXPECT_TRUE(c.unicode() >= 0x20 && c.unicode() != 0x7F && c.unicode() != 0x85 &&
                        c.unicode() != 0x2028 && c.unicode() != 0x2029)
                << safe.toStdString();
        EXPECT_TRUE(safe.startsWith(QLatin1Char('"')) && safe.endsWith(QLatin1Char('"')));
    }
    EXPECT_EQ(CommentSafeName(QStringLiteral("a\"b\nc\rd")), QStringLiteral("\"a\"\"b\\nc\\rd\""));
    EXPECT_EQ(CommentSafeText(QStringLiteral("x */ y\x01")), QStringLiteral("x * / y\\x01"));
}

TEST(ScriptText, StatementTailFollowsTheLastToken) {
    const struct {
        const char* sql;
        const char* tail;
    } cases[] = {
        {"SELECT 1", ""},
        {"SELECT 1 -- note", "\r\n"},
        {"SELECT 1 -- note\n", ""},
        {"SELECT 1 -- note\r\n", ""},
        {"SELECT 1 -- note\r", "\r\n"},
        {"SELECT 1 -- a\rDROP TABLE t", "\r\n"},
        {"SELECT '-- no comment'", ""},
        {"SELECT \"a -- b\"", ""},
        {"SELECT 1 /* open", "*/"},
        {"SELECT 1 /*", "*/"},
        {"SELECT 1 /* closed */", ""},
        {"SELECT 1 /* -- */", ""},
        {"SELECT 1 /* x */ -- y", "\r\n"},
        {"a > 0 -- positive\n", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        const QString sql = QString::fromUtf8(c.sql);
        const QString tail = StatementTail(sql);
        EXPECT_EQ(tail, QString::fromUtf8(c.tail)) << c.sql;
        // What follows the tail is code to the engine.
        const QByteArray full = (sql + tail + QStringLiteral(" ;")).toUtf8();
        if (!sql.isEmpty()) {
            EXPECT_TRUE(sqlite3_complete(full.constData())) << c.sql;
        }
    }
}

TEST_F(DbScriptTest, NamesInCommentsRunNothing) {
    const QString marker = Fresh("PWNED");
    const QByteArray lfName = "t\n.system touch " + QFile::encodeName(marker) + "\n--";
    const QByteArray crName = "t\rCREATE TABLE pwned(x);--";
    RawExec(db, "CREATE TABLE \"" + lfName + "\"(a); INSERT INTO \"" + lfName +
                    "\" VALUES (1); CREATE TABLE \"" + crName + "\"(a); INSERT INTO \"" + crName +
                    "\" VALUES (2); CREATE INDEX \"i\n.system touch " + QFile::encodeName(marker) +
                    "\" ON \"" + lfName + "\"(a); ANALYZE;");
    const QString script = Fresh("dump.sql");
    ASSERT_TRUE(db.ExportDBScript(script, 16384, true)) << db.LastError().toStdString();
    const QByteArray text = ReadAll(script);
    EXPECT_TRUE(text.contains("--   Table Schema for: \"t\\n.system touch ")) << text.toStdString();

    // The sqlite3 shell runs no dot command hidden in a name.
    const QString byShell = Fresh("shell.db");
    const ProcessResult r = ShellLoad(byShell, text);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(marker));
    EXPECT_EQ(Text(SqlDiff(path, byShell)), QString());
    EXPECT_EQ(Shell(byShell, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE "
                                            "name='pwned';")),
              QByteArray("0"));

    // Nor does the system's own statement runner run SQL after a CR.
    QString loaded;
    ASSERT_TRUE(ReadTextFile(script, loaded, nullptr));
    const QString byList = Fresh("list.db");
    {
        TSQLite3Database target;
        ASSERT_TRUE(target.Open(byList));
        EXPECT_TRUE(target.ExecuteList(loaded)) << target.LastError().toStdString();
    }
    EXPECT_EQ(Text(SqlDiff(path, byList)), QString());
    EXPECT_EQ(Shell(byList, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE "
                                           "name='pwned';")),
              QByteArray("0"));
}

TEST_F(DbScriptTest, FailureNotesKeepNamesAndErrorsInsideTheComment) {
    const QString marker = Fresh("PWNED");
    const QString hostile = QStringLiteral("nosuch */ CREATE TABLE pwned(y); /*\n.system touch ") +
                            marker + QStringLiteral("\n--");
    QBuffer note;
    note.open(QIODevice::WriteOnly);
    EXPECT_FALSE(db.ExportTableScript(hostile, &note, 100, true));
    EXPECT_TRUE(note.data().contains(" /*  Table Export FAILED for \"nosuch * / CREATE TABLE "))
        << note.data().toStdString();

    // A table the engine cannot read: its name comes back in the error text.
    const QString bad = Fresh("bad.db");
    Shell(bad, QStringLiteral("CREATE TABLE \"x */ CREATE TABLE pwned(y); /*\"(a);"
                              "PRAGMA writable_schema=ON;"
                              "UPDATE sqlite_master SET rootpage=1000 WHERE type='table';"));
    TSQLite3Database broken;
    ASSERT_TRUE(broken.Open(bad));
    QBuffer failed;
    failed.open(QIODevice::WriteOnly);
    EXPECT_FALSE(broken.ExportDBScript(&failed, 100, true));
    EXPECT_TRUE(failed.data().contains(" /*  Database Export FAILED: "))
        << failed.data().toStdString();
    broken.Close();

    for (const QByteArray& script : {note.data(), failed.data()}) {
        const QString target = Fresh("target.db");
        ShellLoad(target, script, false);
        EXPECT_EQ(Shell(target, QStringLiteral("SELECT count(*) FROM sqlite_master;")),
                  QByteArray("0"))
            << script.toStdString();
        EXPECT_FALSE(QFile::exists(marker));
        QFile::remove(target);
    }
}

TEST_F(DbScriptTest, SequenceCountersAreLiteralsOfTheirStorageClass) {
    Run(QStringLiteral(
        "CREATE TABLE a(id INTEGER PRIMARY KEY AUTOINCREMENT); INSERT INTO a DEFAULT VALUES;"
        "CREATE TABLE victim(v); INSERT INTO victim VALUES (1);"
        "UPDATE sqlite_sequence SET seq='0; DELETE FROM victim; --';"
        "INSERT INTO sqlite_sequence(name, seq) VALUES ('b'');DELETE FROM victim;--', 7),"
        " ('r', 2.5), ('x', X'00FF'), ('n', NULL), ('big', 9223372036854775807),"
        " (3, 'name of another class'), ('cr', 'a' || char(13) || 'b');"));
    const QString facts = QStringLiteral(
        "SELECT quote(name), quote(seq), typeof(seq) FROM sqlite_sequence ORDER BY 1;"
        "SELECT count(*) FROM victim;");
    const QByteArray want = Shell(path, facts);
    ASSERT_TRUE(want.endsWith("\n1")) << want.toStdString();
    const QString script = Fresh("dump.sql");
    ASSERT_TRUE(db.ExportDBScript(script, 16384, true)) << db.LastError().toStdString();

    const QString byShell = Fresh("shell.db");
    const ProcessResult r = ShellLoad(byShell, ReadAll(script));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Text(Shell(byShell, facts)), Text(want));

    QString loaded;
    ASSERT_TRUE(ReadTextFile(script, loaded, nullptr));
    const QString byList = Fresh("list.db");
    {
        TSQLite3Database target;
        ASSERT_TRUE(target.Open(byList));
        EXPECT_TRUE(target.ExecuteList(loaded)) << target.LastError().toStdString();
    }
    EXPECT_EQ(Text(Shell(byList, facts)), Text(want));
}

TEST_F(DbScriptTest, StatementsEndingInCommentsReload) {
    // Each statement on its own: a trailing "--" comment would hide the next.
    for (const char* sql : {
             "CREATE TABLE t(a, b)",
             "CREATE VIEW v1 AS SELECT a FROM t -- note",
             "CREATE VIEW v2 AS SELECT 1",
             "CREATE TRIGGER v1_ins INSTEAD OF INSERT ON v1 BEGIN INSERT INTO t(a) VALUES "
             "(new.a); END",
             "CREATE INDEX i1 ON t(a) -- index note",
             "CREATE INDEX i2 ON t(b) WHERE b > 0 -- partial\r",
             "CREATE VIEW v3 AS SELECT b FROM t /* left open",
             "CREATE VIEW v4(x -- column note\n) AS SELECT a FROM t -- last",
             "CREATE TRIGGER t_ins AFTER INSERT ON t BEGIN SELECT 1; END -- after end",
             "CREATE VIRTUAL TABLE f USING fts5(x) -- module note",
             "INSERT INTO t VALUES (1, 2), (3, NULL)",
             "INSERT INTO f VALUES ('hello')",
             "ANALYZE",
         })
        RawExec(db, sql);
    // An index keeps its text up to the ";": the line break that ends its
    // comment now belongs to it (as with the peer's own dump).
    const QString facts = QStringLiteral(
        "SELECT type, name, rtrim(sql, char(13, 10)) FROM sqlite_master ORDER BY 1, 2;"
        "SELECT * FROM t ORDER BY rowid; SELECT * FROM f; SELECT * FROM sqlite_stat1 ORDER BY 1, "
        "2;");
    // A block comment left open is closed: it would swallow the rest of the script.
    const QByteArray want = Shell(path, facts).replace("/* left open\n", "/* left open*/\n");
    const QString script = Fresh("dump.sql");
    ASSERT_TRUE(db.ExportDBScript(script, 16384, true)) << db.LastError().toStdString();
    const QString copy = Fresh("copy.db");
    const ProcessResult r = ShellLoad(copy, ReadAll(script));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Text(Shell(copy, facts)), Text(want));
    // The INSTEAD OF trigger of the view came back too.
    EXPECT_EQ(Shell(copy, QStringLiteral("INSERT INTO v1 VALUES (9); SELECT count(*) FROM v1;")),
              QByteArray("3"));
}

TEST_F(DbScriptTest, NamesThatAreNotUtf8AreDumpedAsBytes) {
    RawExec(db, "CREATE TABLE good(a); INSERT INTO good VALUES (1);"
                "CREATE TABLE \"bad\xffname\"(\"c\xfe\" INTEGER PRIMARY KEY, v);"
                "INSERT INTO \"bad\xffname\" VALUES (1, 'x'), (2, CAST(X'FF' AS TEXT));"
                "CREATE INDEX \"i\xff\" ON \"bad\xffname\"(v);"
                "CREATE VIEW \"v\xff\" AS SELECT * FROM \"bad\xffname\";"
                "CREATE TABLE after(z); INSERT INTO after VALUES ('last'); ANALYZE;");
    const QString facts = QStringLiteral("SELECT type, hex(name), hex(sql) FROM sqlite_master "
                                         "ORDER BY 1, 2;");
    const QByteArray want = Shell(path, facts);
    const QString script = Fresh("dump.sql");
    ASSERT_TRUE(db.ExportDBScript(script, 16384, true)) << db.LastError().toStdString();
    const QString copy = Fresh("copy.db");
    const ProcessResult r = ShellLoad(copy, ReadAll(script));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Text(SqlDiff(path, copy)), QString());
    EXPECT_EQ(Text(Shell(copy, facts)), Text(want));
    // The name's bytes go to the shell as they are, on its input.
    const QByteArray rows = "SELECT \"c\xfe\", hex(v) FROM \"bad\xffname\" ORDER BY 1;";
    const QString shell = QStringLiteral(SQLITE3_SHELL_PATH);
    const ProcessResult got = RunProgram(shell, {copy}, rows);
    EXPECT_EQ(got.out, QByteArray("1|78\n2|FF\n")) << got.err.toStdString();
}

// The script as a plan: each table's steps in creation order (the sequence
// and statistics tables left out), then the views and the triggers on views.
TEST_F(DbScriptTest, DatabaseScriptPlanListsEveryStepInOrder) {
    Run(QStringLiteral("CREATE TABLE b(id INTEGER PRIMARY KEY AUTOINCREMENT, v);"
                       "CREATE TABLE a(x UNIQUE);"
                       "CREATE INDEX b_v ON b(v);"
                       "CREATE TRIGGER b_ins AFTER INSERT ON B BEGIN SELECT 1; END;"
                       "CREATE VIEW w AS SELECT * FROM a;"
                       "CREATE TRIGGER w_ins INSTEAD OF INSERT ON W BEGIN SELECT 2; END;"
                       "INSERT INTO b(v) VALUES (1); ANALYZE;"));
    TSchemaCatalogue cat;
    QString why;
    ASSERT_TRUE(ReadCatalogue(db, QString(), cat, CatalogueDetail::Objects, &why))
        << why.toStdString();
    const TScriptPlan plan = DatabaseScriptPlan(cat, true);
    EXPECT_FALSE(plan.noTables);
    using K = ScriptStepKind;
    struct Want {
        K kind;
        const char* table;
        const char* text;
    };
    const Want want[] = {
        {K::Heading, "b", ""},
        {K::Text, "b",
         "DROP TABLE IF EXISTS \"b\";\r\nCREATE TABLE b(id INTEGER PRIMARY KEY AUTOINCREMENT, "
         "v);\r\n"},
        {K::Rows, "b", ""},
        {K::Text, "b", "DROP INDEX IF EXISTS \"b_v\";\r\nCREATE INDEX b_v ON b(v);\r\n"},
        // Declared on "B": it belongs to b all the same.
        {K::Text, "b", "CREATE TRIGGER b_ins AFTER INSERT ON B BEGIN SELECT 1; END;\r\n"},
        {K::Heading, "a", ""},
        {K::Text, "a", "DROP TABLE IF EXISTS \"a\";\r\nCREATE TABLE a(x UNIQUE);\r\n"},
        {K::Rows, "a", ""},
        {K::Text, "", "\r\nDROP VIEW IF EXISTS \"w\";\r\nCREATE VIEW w AS SELECT * FROM a;\r\n"},
        {K::Text, "", "\r\nCREATE TRIGGER w_ins INSTEAD OF INSERT ON W BEGIN SELECT 2; END;\r\n"},
    };
    ASSERT_EQ(plan.steps.size(), qsizetype(std::size(want)));
    for (qsizetype i = 0; i < plan.steps.size(); ++i) {
        EXPECT_EQ(plan.steps[i].kind, want[i].kind) << i;
        EXPECT_EQ(plan.steps[i].table, QByteArray(want[i].table)) << i;
        EXPECT_EQ(Text(plan.steps[i].text), QString::fromUtf8(want[i].text)) << i;
    }
    // Without data there are no Rows steps; a table found ignoring case.
    for (const TScriptStep& s : DatabaseScriptPlan(cat, false).steps)
        EXPECT_NE(s.kind, K::Rows);
    const TScriptPlan one = TableScriptPlan(cat, "B", true);
    ASSERT_EQ(one.steps.size(), 5);
    EXPECT_EQ(one.steps[0].table, QByteArray("b"));
    const TScriptPlan none = TableScriptPlan(cat, "nosuch", true);
    ASSERT_EQ(none.steps.size(), 1);
    EXPECT_EQ(none.steps[0].kind, K::Failure);
    EXPECT_EQ(none.steps[0].reason, QStringLiteral("Invalid Table Schema for nosuch..."));
}

// A trigger whose CREATE names its table in another letter case is the
// table's trigger: the script carries it, and the copy runs it.
TEST_F(DbScriptTest, TriggersNamingTheirTableInAnotherCaseAreKept) {
    Run(QStringLiteral("CREATE TABLE t1(a); CREATE TABLE log(m);"
                       "CREATE TRIGGER tr AFTER INSERT ON T1 BEGIN INSERT INTO log VALUES (new.a); "
                       "END;"
                       "CREATE VIEW v1 AS SELECT a FROM t1;"
                       "CREATE TRIGGER vtr INSTEAD OF INSERT ON V1 BEGIN INSERT INTO t1 VALUES "
                       "(new.a * 10); END; ANALYZE;"));
    const QString script = Fresh("dump.sql");
    ASSERT_TRUE(db.ExportDBScript(script, 16384, true)) << db.LastError().toStdString();
    const QString copy = Fresh("copy.db");
    const ProcessResult r = ShellLoad(copy, ReadAll(script));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Text(SqlDiff(path, copy)), QString());
    EXPECT_EQ(Shell(copy, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE "
                                         "type='trigger';")),
              QByteArray("2"));
    EXPECT_EQ(Shell(copy, QStringLiteral("INSERT INTO v1 VALUES (2); SELECT group_concat(m) "
                                         "FROM log;")),
              QByteArray("20"));
    QBuffer table;
    table.open(QIODevice::WriteOnly);
    ASSERT_TRUE(db.ExportTableScript(QStringLiteral("t1"), &table, 16384, false));
    EXPECT_TRUE(table.data().contains("CREATE TRIGGER tr AFTER INSERT ON T1"));
}

TEST_F(DbScriptTest, FailedWritesKeepTheOldScript) {
    Run(QStringLiteral("CREATE TABLE big(id INTEGER PRIMARY KEY, b BLOB);"
                       "WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c "
                       "WHERE n < 600) INSERT INTO big(b) SELECT randomblob(1000) FROM c;"));
    const QString script = Fresh("old.sql");
    const QByteArray old = "PREVIOUS GOOD DUMP\n";
    {
        QFile f(script);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(old);
    }
    const auto sourceIntact = [&] {
        EXPECT_FALSE(db.TransactionOpen());
        EXPECT_EQ(Value(QStringLiteral("PRAGMA integrity_check;")), QStringLiteral("ok"));
        EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM big;")), QStringLiteral("600"));
    };

    // A device that takes nothing: the stream forms fail with the reason.
    QFile full(QStringLiteral("/dev/full"));
    ASSERT_TRUE(full.open(QIODevice::WriteOnly));
    EXPECT_FALSE(db.ExportDBScript(&full, 16384, true));
    EXPECT_TRUE(db.LastError().startsWith(QStringLiteral("Cannot write the export: ")))
        << db.LastError().toStdString();
    sourceIntact();
    EXPECT_FALSE(db.ExportTableScript(QStringLiteral("big"), &full, 16384, true));
    EXPECT_TRUE(db.LastError().startsWith(QStringLiteral("Cannot write the export: ")))
        << db.LastError().toStdString();
    sourceIntact();

    // The disk fills up in the middle of the script.
    {
        FileSizeLimit limit(200 * 1024);
        EXPECT_FALSE(db.ExportDBScript(script, 16384, true));
    }
    EXPECT_FALSE(db.LastError().isEmpty());
    EXPECT_EQ(ReadAll(script), old);
    sourceIntact();

    // Another connection holds the database: the script fails as a whole.
    TSQLite3Database other;
    ASSERT_TRUE(other.Open(path));
    ASSERT_TRUE(other.ExecSQL(QStringLiteral("BEGIN EXCLUSIVE;")));
    EXPECT_FALSE(db.ExportDBScript(script, 16384, true));
    EXPECT_TRUE(db.LastError().contains(QStringLiteral("locked"))) << db.LastError().toStdString();
    EXPECT_EQ(ReadAll(script), old);
    ASSERT_TRUE(other.ExecSQL(QStringLiteral("ROLLBACK;")));
    other.Close();
    sourceIntact();

    // Nothing but the old script is left in the folder; a good export replaces it.
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("old.sql*")}, QDir::Files),
              QStringList{QStringLiteral("old.sql")});
    ASSERT_TRUE(db.ExportDBScript(script, 16384, true)) << db.LastError().toStdString();
    EXPECT_TRUE(ReadAll(script).contains("--   Database Export Success"));
}

TEST_F(BackupTest, RefusedOrFailedBackupLeavesNoEmptyFile) {
    const QString target = Fresh("new.db");
    EXPECT_FALSE(db.BackupDB(target, nullptr, QString(), QStringLiteral("temp")));
    EXPECT_EQ(db.LastError(), QStringLiteral("Cannot back up into the schema \"temp\": it is never "
                                             "stored in the destination file"));
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_FALSE(db.BackupDB(target, nullptr, QStringLiteral("nosuch"), QString()));
    EXPECT_TRUE(db.LastError().startsWith(QStringLiteral("DB Error: ")))
        << db.LastError().toStdString();
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_FALSE(db.BackupDB(target, nullptr, QString(), QStringLiteral("aux")));
    EXPECT_FALSE(QFile::exists(target));

    // A source another connection holds exclusively.
    {
        TSQLite3Database other;
        ASSERT_TRUE(other.Open(path));
        ASSERT_TRUE(
            other.ExecSQL(QStringLiteral("BEGIN EXCLUSIVE; INSERT INTO big(b) VALUES (1);")));
        EXPECT_FALSE(db.BackupDB(target, nullptr, QString(), QString()));
        EXPECT_TRUE(db.LastError().contains(QStringLiteral("locked")))
            << db.LastError().toStdString();
        EXPECT_FALSE(QFile::exists(target));
        ASSERT_TRUE(other.ExecSQL(QStringLiteral("COMMIT;")));
    }

    // A destination another connection is writing: the backup cannot take it,
    // and the file is neither removed nor changed.
    const QString held = Fresh("held.db");
    Shell(held, QStringLiteral("CREATE TABLE keep(a); INSERT INTO keep VALUES ('old');"));
    {
        TSQLite3Database holder;
        ASSERT_TRUE(holder.Open(held));
        ASSERT_TRUE(
            holder.ExecSQL(QStringLiteral("BEGIN IMMEDIATE; INSERT INTO keep VALUES ('held');")));
        EXPECT_FALSE(db.BackupDB(held, nullptr, QString(), QString()));
        EXPECT_TRUE(db.LastError().contains(QStringLiteral("locked")))
            << db.LastError().toStdString();
        ASSERT_TRUE(holder.ExecSQL(QStringLiteral("COMMIT;")));
    }
    EXPECT_EQ(Shell(held, QStringLiteral("SELECT group_concat(a) FROM keep; PRAGMA "
                                         "integrity_check;")),
              QByteArray("old,held\nok"));

    // A write of the destination fails part-way (a full disk, an I/O error):
    // a new destination is removed, an old one keeps its content.
    for (const int code : {SQLITE_FULL, SQLITE_IOERR_WRITE}) {
        for (const int nth : {1, 2, 40}) {
            {
                ScopedFault fault(FaultOp::Write, nth, kAnyFile, code);
                EXPECT_FALSE(db.BackupDB(target, nullptr, QString(), QString()));
                EXPECT_TRUE(fault.Fired());
            }
            EXPECT_FALSE(db.LastError().isEmpty());
            EXPECT_FALSE(QFile::exists(target)) << code << " " << nth;
            {
                ScopedFault fault(FaultOp::Write, nth, kAnyFile, code);
                EXPECT_FALSE(db.BackupDB(held, nullptr, QString(), QString()));
            }
            EXPECT_EQ(Shell(held, QStringLiteral("SELECT group_concat(a) FROM keep;")),
                      QByteArray("old,held"));
            EXPECT_INTEGRITY_OK(held);
        }
    }
    // The disk fills up for the whole process.
    {
        FileSizeLimit limit(1 << 20);
        EXPECT_FALSE(db.BackupDB(target, nullptr, QString(), QString()));
        EXPECT_FALSE(db.LastError().isEmpty());
    }
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_INTEGRITY_OK(path);
    EXPECT_EQ(Value(QStringLiteral("PRAGMA integrity_check;")), QStringLiteral("ok"));
    ASSERT_TRUE(db.BackupDB(target, nullptr, QString(), QString())) << db.LastError().toStdString();
    EXPECT_EQ(Text(SqlDiff(path, target)), QString());
}

TEST_F(BackupTest, ANewFileAnotherConnectionOpenedIsKept) {
    const QString target = Fresh("opened.db");
    const auto cancel = [](TSQLite3Database*, qint64, qint64, bool& cancelled) {
        cancelled = true;
    };
    EXPECT_FALSE(db.BackupDB(target, cancel, QString(), QString()));
    EXPECT_EQ(db.LastError(), QStringLiteral("Back-up Aborted by User"));
    EXPECT_FALSE(QFile::exists(target));

    // Another connection of this program opens the new file meanwhile: the
    // file is its now and stays.
    TSQLite3Database holder;
    EXPECT_FALSE(db.BackupDB(
        target,
        [&](TSQLite3Database* sender, qint64 done, qint64 total, bool& cancelled) {
            if (!holder.IsOpen()) {
                EXPECT_TRUE(holder.Open(target));
            }
            cancel(sender, done, total, cancelled);
        },
        QString(), QString()));
    EXPECT_EQ(db.LastError(), QStringLiteral("Back-up Aborted by User"));
    EXPECT_TRUE(QFile::exists(target));
    EXPECT_TRUE(holder.IsOpen());
    QString tables;
    EXPECT_TRUE(
        holder.QuerySingleValue(tables, QStringLiteral("SELECT count(*) FROM sqlite_master;")));
    EXPECT_EQ(tables, QStringLiteral("0"));
    holder.Close();
}

} // namespace
} // namespace sky::test
