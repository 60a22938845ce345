// Scripts read piece by piece: the splitter fed at every cut of the text,
// files read in pieces of a few bytes (UTF-8 sequences, byte-order marks and
// CR LF cut anywhere), and scripts run from a file compared with the same
// scripts run as text and by the sqlite3 shell: statements, failure texts,
// the unfinished tail and the progress target.
#include "common/Process.h"
#include "common/SplitPieces.h"
#include "common/TempDb.h"
#include "engine/ScriptSplitter.h"
#include "support/TextFile.h"

#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace sky {
namespace {

using test::TempDbTest;

// Scripts whose every token kind can be cut: statements, quoted texts with
// doubled quotes, line and block comments, CR LF, trigger bodies (whose end
// is decided by what follows END), brackets and non-ASCII text.
const char* const kCutScripts[] = {
    "SELECT 1; SELECT 'a;b' , \"c\"\"d\" FROM t;\r\nSELECT [x;y], `z`;",
    "INSERT INTO t VALUES('it''s; -- not /* a */ comment');\r\n-- line; comment\r\nSELECT 2;",
    "SELECT 1 /* block; */ + 2;\r\n/* open",
    "CREATE TRIGGER tr AFTER INSERT ON t BEGIN UPDATE t SET end = 1; END -- c\r\n /* d */ ;\r\n"
    "SELECT 3;",
    "CREATE TRIGGER tr AFTER INSERT ON t BEGIN SELECT 1; END\r\n\r\nEND; SELECT (1;",
    "SELECT 'Grüße 😀';\r\nSELECT café -- naïve\r\n;\rSELECT '€';\n",
    "BEGIN; SELECT ((1);\r\n2); COMMIT; SELECT 'open",
    "SELECT a -- x\ry;\nFROM t; SELECT - -1;\r\n  \r\n",
};

std::vector<std::string> ToStd(const QStringList& list) {
    std::vector<std::string> out;
    for (const QString& s : list)
        out.push_back(s.toStdString());
    return out;
}

void ExpectSame(const SplitResult& got, const SplitResult& whole) {
    EXPECT_EQ(ToStd(got.statements), ToStd(whole.statements));
    EXPECT_EQ(got.tail.toStdString(), whole.tail.toStdString());
}

// Two pieces cut at every offset, and three pieces around every offset.
TEST(ScriptStream, SplitsAlikeAtEveryCut) {
    for (const char* script : kCutScripts) {
        const QString text = QString::fromUtf8(script);
        for (bool remWhSpc : {true, false}) {
            SCOPED_TRACE(std::string(script) + (remWhSpc ? " (trim both)" : " (trim right)"));
            const SplitResult whole = SplitSqlScript(text, remWhSpc);
            for (qsizetype cut = 0; cut <= text.size(); ++cut) {
                SCOPED_TRACE(cut);
                ExpectSame(test::SplitAtCuts(text, {cut}, remWhSpc), whole);
                ExpectSame(test::SplitAtCuts(text, {cut, cut + 1, cut + 2}, remWhSpc), whole);
            }
        }
    }
}

// Quoted sections, brackets and semicolons at every position relative to
// where the scan classifies characters in blocks: each statement is found
// whole, read whole or in pieces.
TEST(ScriptStream, BodyTokensAtEveryOffset) {
    const QString bodies[] = {
        QStringLiteral("('a;b', [c;d], \"e;f\", `g;h`)"),
        QStringLiteral("'it''s; ''x''' || (1;2) || {3;4}"),
        QStringLiteral("((((('))))'))))) - 1 / 2"),
        QStringLiteral("'Grüße 😀;' || x'00ff' || ']'"),
    };
    for (const QString& body : bodies) {
        for (int pad = 0; pad <= 40; ++pad) {
            const QString first = QStringLiteral("SELECT ") + QString(pad, QLatin1Char('x')) +
                                  QLatin1Char(' ') + body + QLatin1Char(';');
            const QString second = QStringLiteral("SELECT ") + body +
                                   QString(pad, QLatin1Char(' ')) + QLatin1Char(';');
            const QString text = first + QLatin1Char('\n') + second;
            SCOPED_TRACE(text.toStdString());
            const std::vector<std::string> expected{first.toStdString(),
                                                    second.trimmed().toStdString()};
            EXPECT_EQ(ToStd(SplitSqlScript(text, true).statements), expected);
            for (qsizetype piece : {1, 5, 16, 17}) {
                const SplitResult r = test::SplitInPieces(text, piece, true);
                EXPECT_EQ(ToStd(r.statements), expected) << piece;
                EXPECT_TRUE(r.tail.isEmpty());
            }
        }
    }
}

// Stopping the scan stops the reading too: nothing after the stop is read.
TEST(ScriptStream, StopEndsTheReading) {
    const QString text = QStringLiteral("SELECT 1; SELECT 2; SELECT 3;");
    qsizetype read = 0;
    const ScriptReadMore readMore = [&](QString& buffer) {
        if (read >= text.size()) return false;
        buffer += text[read++];
        return true;
    };
    QStringList seen;
    QString tail = QStringLiteral("x");
    EXPECT_FALSE(SplitSqlScriptEach(
        readMore, true,
        [&](QString&& s) {
            seen.append(s);
            return seen.size() < 2;
        },
        &tail));
    EXPECT_EQ(ToStd(seen), (std::vector<std::string>{"SELECT 1;", "SELECT 2;"}));
    EXPECT_TRUE(tail.isEmpty());
    EXPECT_LE(read, QStringLiteral("SELECT 1; SELECT 2;").size() + 1);
}

class ScriptFileTest : public TempDbTest {
protected:
    QString WriteFile(const QByteArray& bytes, const QString& name = QStringLiteral("s.sql")) {
        const QString file = dir.filePath(name);
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        EXPECT_EQ(f.write(bytes), bytes.size());
        f.close();
        return file;
    }

    // The statements of a file read in pieces of pieceBytes bytes.
    static SplitResult SplitFile(const QString& file, qsizetype pieceBytes) {
        TextFileReader reader(pieceBytes);
        EXPECT_TRUE(reader.Open(file));
        SplitResult r;
        SplitSqlScriptEach([&](QString& buffer) { return reader.ReadMore(buffer); }, true,
                           [&](QString&& s) {
                               r.statements.append(std::move(s));
                               return true;
                           },
                           &r.tail);
        EXPECT_TRUE(reader.Error().isEmpty());
        return r;
    }
};

// Files in every form this program reads, read a few bytes at a time so that
// every multi-byte sequence, byte-order mark and CR LF is cut at every
// offset: the statements are those of the whole file's text.
TEST_F(ScriptFileTest, FilesSplitAlikeInPiecesOfAnySize) {
    QByteArray utf8;
    for (const char* script : kCutScripts)
        utf8 += QByteArray(script) + "\r\n;\r\n";
    const QString text = QString::fromUtf8(utf8);
    const QByteArray le(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    QByteArray be = le;
    for (qsizetype i = 0; i + 1 < be.size(); i += 2)
        std::swap(be[i], be[i + 1]);
    const QByteArray forms[] = {
        utf8,
        "\xEF\xBB\xBF" + utf8,
        "\xFF\xFE" + le,
        "\xFE\xFF" + be,
        // Windows-1252 bytes among UTF-8 sequences, one right before a cut.
        "SELECT '\x80\xE9\x9F';\r\nSELECT '\xC3\xA9\xE2\x82';\r\nSELECT 'x\xF0\x9F\x98\x80\xC3';" +
            utf8,
    };
    for (const QByteArray& bytes : forms) {
        SCOPED_TRACE(bytes.left(24).toHex().toStdString());
        const QString file = WriteFile(bytes);
        const SplitResult whole = SplitSqlScript(DecodeText(bytes), true);
        ASSERT_GT(whole.statements.size(), 10);
        for (qsizetype piece = 1; piece <= 9; ++piece) {
            SCOPED_TRACE(piece);
            ExpectSame(SplitFile(file, piece), whole);
        }
        ExpectSame(SplitFile(file, 65536), whole);
    }
}

// The same scripts run as text and from a file, in small pieces and large:
// the same result, the same failure text, the same rows.
TEST_F(ScriptFileTest, FileRunsAsTheTextRuns) {
    struct Case {
        const char* script;
        bool ok;
        const char* error;
        const char* rows; // group_concat(a) of t afterwards
    };
    const Case cases[] = {
        {"INSERT INTO t VALUES('a;b'); -- c\r\nINSERT INTO t VALUES('Grüße');", true, "",
         "a;b,Grüße"},
        {"INSERT INTO t VALUES(1);\r\nINSERT INTO nosuch VALUES(2);\r\nINSERT INTO t VALUES(3);",
         false, "DB Error: no such table: nosuch", "1"},
        {"INSERT INTO t VALUES(1); SELECT (1;", false, "DB Error: near \";\": syntax error", "1"},
        {"INSERT INTO t VALUES(1); SELECT (1", false, "DB Error: incomplete input", "1"},
        {"INSERT INTO t VALUES(1);\r\n/* open; INSERT INTO t VALUES(2);", false,
         "DB Error: incomplete input", "1"},
        {"INSERT INTO t VALUES(1); INSERT INTO t VALUES('open", false,
         "DB Error: unrecognized token: \"'open\"", "1"},
        {"INSERT INTO t VALUES(1); CREATE TRIGGER tr AFTER INSERT ON t BEGIN SELECT 1;", false,
         "DB Error: incomplete input", "1"},
        {"INSERT INTO t VALUES(1)", true, "", "1"},
        {"CREATE TRIGGER tr AFTER INSERT ON t BEGIN UPDATE t SET a = a || '!' WHERE rowid = "
         "new.rowid; END;\r\nINSERT INTO t VALUES('x');",
         true, "", "x!"},
        {"-- only a comment\r\n", true, "", ""},
        {"", true, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        const QString file = WriteFile(c.script);
        for (qsizetype piece : {0, 1, 3, 7, 65536}) { // 0: the text path
            SCOPED_TRACE(piece);
            Run(QStringLiteral("DROP TABLE IF EXISTS t; CREATE TABLE t(a);"));
            bool ok;
            if (piece == 0) {
                ok = db.ExecuteList(QString::fromUtf8(c.script));
            } else {
                TextFileReader reader(piece);
                ASSERT_TRUE(reader.Open(file));
                ok = db.ExecuteList(reader);
            }
            EXPECT_EQ(ok, c.ok);
            EXPECT_EQ(db.LastError().toStdString(), c.error);
            EXPECT_EQ(Value(QStringLiteral("SELECT coalesce(group_concat(a), '') FROM t")),
                      QString::fromUtf8(c.rows));
        }
    }
}

// The progress target is known before the first statement runs: 16 times
// the semicolons of the script and one, as for the text.
TEST_F(ScriptFileTest, ProgressTargetKnownBeforeTheFirstStatement) {
    const QByteArray script =
        "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 5000) "
        "SELECT count(*) FROM c;\r\nSELECT ';';\r\nSELECT 1; SELECT 2;";
    const qint64 expected = 16 * (script.count(';') + 1);
    const QString file = WriteFile("\xEF\xBB\xBF" + script);
    for (bool fromFile : {false, true}) {
        SCOPED_TRACE(fromFile);
        qint64 firstTotal = -1;
        qint64 lastTotal = -1;
        db.SetProgressHandler([&](TSQLite3Database*, qint64 done, qint64 total, bool&) {
            if (firstTotal < 0 && total > 0 && done == 0) firstTotal = total;
            lastTotal = total;
        });
        TextFileReader reader(5);
        ASSERT_TRUE(reader.Open(file));
        EXPECT_TRUE(fromFile ? db.ExecuteList(reader) : db.ExecuteList(QString::fromUtf8(script)));
        EXPECT_EQ(firstTotal, expected);
        EXPECT_EQ(lastTotal, expected);
        db.SetProgressHandler(nullptr);
    }
    // Without a handler nobody sees the target while the file runs: it is
    // counted as the file is read, and ends where the text's ends.
    for (qsizetype piece : {qsizetype(3), qsizetype(65536)}) {
        TextFileReader reader(piece);
        ASSERT_TRUE(reader.Open(file));
        EXPECT_TRUE(db.ExecuteList(reader));
        EXPECT_EQ(db.ProgressState().OpTarget, expected);
    }
}

// A read that fails part way stops the script: what was read whole ran,
// the statement the failure cut is not run (here it would delete the row),
// and the reason is the error. The failing file is this process's memory,
// read up to a page that is not mapped.
TEST_F(ScriptFileTest, FailedReadStopsTheScript) {
    Run(QStringLiteral("CREATE TABLE t(a);"));
    const long page = ::sysconf(_SC_PAGESIZE);
    auto* area = static_cast<char*>(::mmap(nullptr, size_t(2 * page), PROT_READ | PROT_WRITE,
                                           MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(area, MAP_FAILED);
    ASSERT_EQ(::munmap(area + page, size_t(page)), 0);
    const QByteArray script = "INSERT INTO t VALUES(1);\nDELETE FROM t";
    char* start = area + page - script.size();
    std::memcpy(start, script.constData(), size_t(script.size()));
    const int fd = ::open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
    if (fd < 0) GTEST_SKIP() << "this process's memory cannot be read as a file here";
    for (qsizetype piece : {qsizetype(7), qsizetype(65536)}) {
        SCOPED_TRACE(piece);
        Run(QStringLiteral("DELETE FROM t;"));
        ASSERT_GE(::lseek(fd, off_t(reinterpret_cast<quintptr>(start)), SEEK_SET), 0);
        TextFileReader reader(piece);
        reader.OpenDescriptor(fd);
        EXPECT_FALSE(db.ExecuteList(reader));
        EXPECT_TRUE(db.LastError().startsWith(QStringLiteral("Cannot read the script: ")))
            << db.LastError().toStdString();
        EXPECT_EQ(Value(QStringLiteral("SELECT group_concat(a) FROM t")), QStringLiteral("1"));
    }
    ::close(fd);
    ::munmap(area, size_t(page));
}

// A generated script of many statements of every kind, run from a file in
// small pieces, as text, and by the sqlite3 shell: the three databases agree.
TEST_F(ScriptFileTest, LargeGeneratedScriptRunsEndToEnd) {
    QByteArray script =
        "CREATE TABLE items(id INTEGER PRIMARY KEY, name TEXT, note TEXT, qty);\r\n"
        "CREATE TABLE log(id, what);\r\n"
        "CREATE TRIGGER items_ai AFTER INSERT ON items BEGIN\r\n"
        "  INSERT INTO log VALUES(new.id, CASE WHEN new.qty > 0 THEN 'in' ELSE 'out' END);\r\n"
        "END;\r\n"
        "BEGIN TRANSACTION;\r\n";
    const int rows = 20000;
    for (int i = 1; i <= rows; ++i) {
        QByteArray line = "INSERT INTO items VALUES(" + QByteArray::number(i) + ", 'item " +
                          QByteArray::number(i) + "; O''Brien', ";
        switch (i % 4) {
        case 0:
            line += "'multi\nline; -- not a comment', ";
            break;
        case 1:
            line += "'Grüße 😀 /* kept */', ";
            break;
        case 2:
            line += "NULL /* a; comment */, ";
            break;
        default:
            line += "\"note\" || ' [x;y]', ";
            break;
        }
        line += QByteArray::number((i * 7919) % 2001 - 1000) + ");";
        if (i % 10 == 0) line += " -- row " + QByteArray::number(i);
        script += line + (i % 3 == 0 ? "\n" : "\r\n");
    }
    script += "COMMIT;\r\n";
    const QString file = WriteFile(script);

    TextFileReader reader(4093);
    ASSERT_TRUE(reader.Open(file));
    ASSERT_TRUE(db.ExecuteList(reader)) << db.LastError().toStdString();

    const QString textDb = dir.filePath(QStringLiteral("text.db"));
    {
        TSQLite3Database other;
        ASSERT_TRUE(other.Open(textDb));
        ASSERT_TRUE(other.ExecuteList(DecodeText(script))) << other.LastError().toStdString();
        other.Close();
    }
    const QString shellDb = dir.filePath(QStringLiteral("shell.db"));
    const test::ProcessResult shell =
        test::RunProgram(QStringLiteral(SQLITE3_SHELL_PATH), {shellDb}, script);
    ASSERT_EQ(shell.code, 0) << shell.err.toStdString();

    db.Close();
    EXPECT_EQ(test::Shell(path, QStringLiteral("SELECT count(*) FROM items;")),
              QByteArray::number(rows));
    EXPECT_EQ(test::Shell(path, QStringLiteral("SELECT count(*) FROM log;")),
              QByteArray::number(rows));
    EXPECT_TRUE(test::SqlDiff(path, textDb).isEmpty());
    EXPECT_TRUE(test::SqlDiff(path, shellDb).isEmpty());
    // Statement texts are those of the text path (lines trimmed, joined
    // with CR LF), whatever the pieces.
    const QString trigger =
        QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'items_ai';");
    EXPECT_EQ(test::Shell(path, trigger), test::Shell(textDb, trigger));
}

} // namespace
} // namespace sky
