// skylark-cli when things go wrong: a failed or cut-off write never replaces
// an existing output file, every write to standard output is checked, the
// schema tree fails on a file it cannot read, file names are taken as given.
#include "common/Process.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

#include <csignal>
#include <sqlite3.h>
#include <sys/resource.h>

namespace {

using sky::test::Cli;
using sky::test::Shell;
using Result = sky::test::ProcessResult;

// skylark-cli with the QProcess prepared by setup (files for its output,
// its folder, a file-size limit).
Result CliWith(const QStringList& args, const std::function<void(QProcess&)>& setup,
               const QByteArray& input = {}) {
    QProcess p;
    setup(p);
    p.start(QStringLiteral(SKYLARK_CLI_PATH), args);
    EXPECT_TRUE(p.waitForStarted());
    if (!input.isEmpty()) p.write(input);
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(120000));
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

// Files may grow to at most bytes: a write past that fails with EFBIG, as on
// a full disk.
std::function<void(QProcess&)> FileLimit(qint64 bytes) {
    return [bytes](QProcess& p) {
        p.setChildProcessModifier([bytes] {
            std::signal(SIGXFSZ, SIG_IGN);
            const struct rlimit lim = {rlim_t(bytes), rlim_t(bytes)};
            setrlimit(RLIMIT_FSIZE, &lim);
        });
    };
}

std::function<void(QProcess&)> StdoutTo(const QString& file) {
    return [file](QProcess& p) { p.setStandardOutputFile(file); };
}

void WriteFile(const QString& file, const QByteArray& bytes) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray ReadFile(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Holds an exclusive lock on a database from this process, which is
// another process to skylark-cli.
class ExclusiveLock {
public:
    explicit ExclusiveLock(const QString& file) {
        EXPECT_EQ(sqlite3_open(QFile::encodeName(file).constData(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    }
    ~ExclusiveLock() {
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }

private:
    sqlite3* db = nullptr;
};

const QByteArray kOld = "PREVIOUS GOOD FILE\n";

// F3/F4: dump, pack and unpack that fail (the disk fills, the database is
// locked, the input is invalid) leave the old -o file as it was, and no
// temporary file behind.
TEST(CliOutputFile, AFailedOperationLeavesTheOldFile) {
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("big.db"));
    Shell(db, QStringLiteral("CREATE TABLE t(a INTEGER PRIMARY KEY, b);"
                             "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c "
                             "WHERE x<300) INSERT INTO t SELECT x, randomblob(1000) FROM c;"));
    // Bytes that do not compress, so that the packed text is big too.
    QByteArray data(300000, Qt::Uninitialized);
    QRandomGenerator random(14);
    for (char& byte : data)
        byte = char(random.bounded(256));
    const QString raw = dir.filePath(QStringLiteral("data.bin"));
    const QString packed = dir.filePath(QStringLiteral("data.pk"));
    WriteFile(raw, data);
    const Result p = Cli({QStringLiteral("pack"), QStringLiteral("-f"), raw});
    ASSERT_EQ(p.code, 0);
    WriteFile(packed, p.out);
    const QString out = dir.filePath(QStringLiteral("old.out"));
    const QStringList before = QDir(dir.path()).entryList(QDir::Files) << QStringLiteral("old.out");

    const qint64 limit = 64 * 1024;
    const struct {
        const char* what;
        QStringList args;
        const char* reason;
    } cases[] = {
        {"dump", {QStringLiteral("dump"), db}, "File too large"},
        {"dump --table",
         {QStringLiteral("dump"), db, QStringLiteral("--table"), QStringLiteral("t")},
         "File too large"},
        {"pack", {QStringLiteral("pack"), QStringLiteral("-f"), raw}, "File too large"},
        {"unpack", {QStringLiteral("unpack"), QStringLiteral("-f"), packed}, "File too large"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(out, kOld);
        const Result r = CliWith(c.args + QStringList{QStringLiteral("-o"), out}, FileLimit(limit));
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.err.contains(c.reason)) << r.err.toStdString();
        EXPECT_EQ(ReadFile(out), kOld);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), before);
        // The same command without the limit replaces the file.
        EXPECT_EQ(Cli(c.args + QStringList{QStringLiteral("-o"), out}).code, 0);
        EXPECT_NE(ReadFile(out), kOld);
    }
    EXPECT_EQ(ReadFile(raw), data);

    // A locked database and an invalid packed text.
    WriteFile(out, kOld);
    {
        ExclusiveLock lock(db);
        for (const QStringList& args :
             {QStringList{QStringLiteral("dump"), db},
              QStringList{QStringLiteral("dump"), db, QStringLiteral("--table"),
                          QStringLiteral("t")}}) {
            const Result r = Cli(args + QStringList{QStringLiteral("-o"), out});
            EXPECT_EQ(r.code, 1);
            EXPECT_TRUE(r.err.contains("database is locked")) << r.err.toStdString();
            EXPECT_EQ(ReadFile(out), kOld);
        }
    }
    const Result r = Cli({QStringLiteral("unpack"), QStringLiteral("-o"), out}, "3not packed text");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(ReadFile(out), kOld);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), before);
}

// F5: a full standard output is a failure with its reason, for every command.
TEST(CliStdout, EveryCommandReportsAFullDevice) {
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("s.db"));
    Shell(db, QStringLiteral("CREATE TABLE t(id INTEGER PRIMARY KEY, v TEXT);"
                             "INSERT INTO t VALUES(1, 'a'), (2, 'b');"
                             "CREATE VIEW w AS SELECT v FROM t;"));
    const QByteArray packedHello = Cli({QStringLiteral("pack")}, QByteArray("hello")).out;
    const QString sql = QStringLiteral("SELECT * FROM t");
    const struct {
        QStringList args;
        QByteArray input;
    } cases[] = {
        {{QStringLiteral("version")}, {}},
        {{QStringLiteral("help")}, {}},
        {{QStringLiteral("help"), QStringLiteral("dump")}, {}},
        {{QStringLiteral("table-sql"), db, QStringLiteral("t")}, {}},
        {{QStringLiteral("table-sql"), db, QStringLiteral("--all")}, {}},
        {{QStringLiteral("view-sql"), db, QStringLiteral("w")}, {}},
        {{QStringLiteral("tree"), db}, {}},
        {{QStringLiteral("tree"), db, QStringLiteral("--count")}, {}},
        {{QStringLiteral("columns"), db, QStringLiteral("t")}, {}},
        {{QStringLiteral("pk"), db, QStringLiteral("t")}, {}},
        {{QStringLiteral("probe"), db}, {}},
        {{QStringLiteral("info"), db}, {}},
        {{QStringLiteral("grid"), db, sql, QStringLiteral("--show")}, {}},
        {{QStringLiteral("split")}, "SELECT 1; SELECT 2;"},
        {{QStringLiteral("csv")}, "a,b\n1,2\n"},
        {{QStringLiteral("pack")}, "hello"},
        {{QStringLiteral("unpack")}, packedHello},
        {{QStringLiteral("query"), db, sql}, {}},
        {{QStringLiteral("query"), db, sql, QStringLiteral("--format"), QStringLiteral("json")},
         {}},
        {{QStringLiteral("query"), db, sql, QStringLiteral("--format"), QStringLiteral("xml")}, {}},
        {{QStringLiteral("query"), db, sql, QStringLiteral("--format"), QStringLiteral("sql")}, {}},
        {{QStringLiteral("dump"), db}, {}},
        {{QStringLiteral("dump"), db, QStringLiteral("--table"), QStringLiteral("t")}, {}},
        {{QStringLiteral("find-db"), dir.path()}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Result ok = Cli(c.args, c.input);
        ASSERT_EQ(ok.code, 0) << ok.err.toStdString();
        ASSERT_FALSE(ok.out.isEmpty());
        const Result full = CliWith(c.args, StdoutTo(QStringLiteral("/dev/full")), c.input);
        EXPECT_EQ(full.code, 1);
        EXPECT_EQ(full.err, QByteArray("Cannot write standard output: No space left on device\n"));
        // -o naming the device directly.
        const Result o =
            Cli(c.args + QStringList{QStringLiteral("-o"), QStringLiteral("/dev/full")}, c.input);
        EXPECT_EQ(o.code, 1);
        EXPECT_EQ(o.err, QByteArray("Cannot write /dev/full: No space left on device\n"));
    }
    // A big result stops at the first failed write instead of running on.
    const Result big = CliWith({QStringLiteral("query"), db,
                                QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT "
                                               "x+1 FROM c WHERE x<100000) SELECT x, "
                                               "hex(randomblob(50)) FROM c"),
                                QStringLiteral("--format"), QStringLiteral("sql")},
                               StdoutTo(QStringLiteral("/dev/full")));
    EXPECT_EQ(big.code, 1);
    EXPECT_TRUE(big.err.startsWith("Cannot write standard output: No space left on device"));
    // The error report itself cannot be lost silently: the status says so.
    const Result lost =
        CliWith({QStringLiteral("query"), db, QStringLiteral("SELECT * FROM nosuch")},
                [](QProcess& p) { p.setStandardErrorFile("/dev/full"); });
    EXPECT_EQ(lost.code, 1);
}

// F18: an output file that cannot be made is found before the command runs;
// -o never names a file the command reads.
TEST(CliOutputFile, CheckedBeforeTheCommandRuns) {
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("d.db"));
    Shell(db, QStringLiteral("CREATE TABLE t(a);"));
    const QString text = dir.filePath(QStringLiteral("plain.txt"));
    WriteFile(text, "x");
    const QString insert = QStringLiteral("INSERT INTO t VALUES(1) RETURNING a");
    for (const QString& out : {dir.filePath(QStringLiteral("no/such/folder/out.csv")),
                               text + QStringLiteral("/out.csv")}) {
        SCOPED_TRACE(out.toStdString());
        const Result r = Cli({QStringLiteral("query"), db, insert, QStringLiteral("-o"), out});
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.err.startsWith(("Cannot write " + out + ": ").toUtf8()))
            << r.err.toStdString();
        EXPECT_FALSE(r.err.contains("device not open"));
        EXPECT_EQ(r.err.count('\n'), 1);
    }
    EXPECT_EQ(Shell(db, QStringLiteral("SELECT count(*) FROM t;")), QByteArray("0"));

    const QByteArray original = ReadFile(db);
    const struct {
        QStringList args;
        QString out;
    } clashes[] = {
        {{QStringLiteral("query"), db, QStringLiteral("SELECT 1")}, db},
        {{QStringLiteral("dump"), db}, dir.filePath(QStringLiteral("./d.db"))},
        {{QStringLiteral("dump"), db}, db + QStringLiteral("-journal")},
        {{QStringLiteral("tree"), db}, db + QStringLiteral("-wal")},
        {{QStringLiteral("probe"), text, db}, db},
        {{QStringLiteral("info"), db}, db},
    };
    for (const auto& c : clashes) {
        SCOPED_TRACE((c.args.join(' ') + " -o " + c.out).toStdString());
        const Result r = Cli(c.args + QStringList{QStringLiteral("-o"), c.out});
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.err.startsWith("The output file would replace a file this command reads"))
            << r.err.toStdString();
    }
    EXPECT_EQ(ReadFile(db), original);
    EXPECT_FALSE(QFile::exists(db + QStringLiteral("-journal")));
    // Commands without output take no -o.
    EXPECT_EQ(Cli({QStringLiteral("exec"), db, QStringLiteral("SELECT 1"), QStringLiteral("-o"),
                   dir.filePath(QStringLiteral("x"))})
                  .code,
              2);
    // Backup into the temp schema is refused.
    const QString dest = dir.filePath(QStringLiteral("dest.db"));
    const Result b = Cli({QStringLiteral("backup"), db, dest, QStringLiteral("--target-schema"),
                          QStringLiteral("temp")});
    EXPECT_EQ(b.code, 1);
    EXPECT_FALSE(b.err.isEmpty());
}

// F16: names are taken as given: no lossy decoding, no trimming, no URI, no
// private temporary database; an SQL text that begins with -- is SQL.
TEST(CliNames, FileNamesAreTakenAsGiven) {
    QTemporaryDir dir;
    auto in = [&](const QStringList& args) {
        return CliWith(args, [&](QProcess& p) { p.setWorkingDirectory(dir.path()); });
    };
    // A name that is not UTF-8 is refused: it would open another file.
    const Result bad = sky::test::RunProgram(
        QStringLiteral("/bin/bash"),
        {QStringLiteral("-c"),
         QStringLiteral("cd \"$1\" && exec \"$0\" exec $'bad\\xff.db' 'CREATE TABLE x(a)'"),
         QStringLiteral(SKYLARK_CLI_PATH), dir.path()});
    EXPECT_EQ(bad.code, 2);
    EXPECT_EQ(bad.err, QByteArray("The argument is not valid UTF-8, so it cannot name its file: "
                                  "bad\\xFF.db\n"));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());

    // file: is part of a name.
    const QString uri = QStringLiteral("file:u.db?mode=memory");
    EXPECT_EQ(in({QStringLiteral("exec"), uri, QStringLiteral("CREATE TABLE t(a);")}).code, 0);
    EXPECT_TRUE(QFile::exists(dir.filePath(uri)));
    const Result q =
        in({QStringLiteral("query"), uri, QStringLiteral("SELECT name FROM sqlite_master"),
            QStringLiteral("--no-header")});
    EXPECT_EQ(q.out, QByteArray("t\r\n"));
    EXPECT_EQ(in({QStringLiteral("probe"), uri}).out, ("Ready\t" + uri + "\n").toUtf8());

    // An empty name is no database.
    for (const QStringList& args :
         {QStringList{QStringLiteral("exec"), QString(), QStringLiteral("CREATE TABLE t(a)")},
          QStringList{QStringLiteral("query"), QString(), QStringLiteral("SELECT 1")}}) {
        const Result r = in(args);
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.err.startsWith("no database file given")) << r.err.toStdString();
    }

    // Blanks belong to the name.
    const QString lead = dir.filePath(QStringLiteral("lead.db"));
    Shell(lead, QStringLiteral("CREATE TABLE t(a);"));
    const Result probe = in({QStringLiteral("probe"), QStringLiteral(" lead.db"),
                             QStringLiteral("lead.db "), QStringLiteral("lead.db")});
    EXPECT_EQ(probe.out, QByteArray("Missing\t lead.db\nMissing\tlead.db \nReady\tlead.db\n"));
    EXPECT_EQ(in({QStringLiteral("info"), QStringLiteral("lead.db ")}).code, 1);

    // SQL that begins with a comment is SQL; an unknown option is still refused.
    const Result comment =
        in({QStringLiteral("query"), QStringLiteral("lead.db"),
            QStringLiteral("-- the count\nSELECT count(*) FROM t"), QStringLiteral("--no-header")});
    EXPECT_EQ(comment.code, 0) << comment.err.toStdString();
    EXPECT_EQ(comment.out, QByteArray("0\r\n"));
    EXPECT_EQ(
        in({QStringLiteral("query"), QStringLiteral("lead.db"), QStringLiteral("--nosuch")}).code,
        2);
    const Result afterDashes =
        in({QStringLiteral("query"), QStringLiteral("lead.db"), QStringLiteral("--no-header"),
            QStringLiteral("--"), QStringLiteral("--x\nSELECT 7")});
    EXPECT_EQ(afterDashes.out, QByteArray("7\r\n"));
}

} // namespace
