// Code export: the settings escape and lines, the built-in items, the Part's
// example and edge cases byte for byte, markers, wrapping, and compilers as
// the oracle: the C / C++ item's output compiled by g++ and a Python item's
// run by python3 print a hostile SQL corpus exactly.
#include "codeexport/Codify.h"

#include "common/Process.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace sky::test {
namespace {

const QStringList kCorpus{
    "SELECT \"a\", 'b' FROM t\r\nWHERE x = '\\' OR y = \"\\\\n\";",
    "SELECT '$HOME' || \"${x}\" || '%s %d' FROM \"odd \"\"name\"\"\"",
    "SELECT 'tab\there', 'unicode: \xc3\xa9\xe2\x82\xac' /* <VAR_PLACEHOLDER> <CR> */;",
    "SELECT ?\?= , '?\?/' , \"*/\";\r\n\r\n-- a comment line\r\nSELECT 1;",
    QString("SELECT ") + QString(300, u'x') + " FROM t WHERE " + QString(40, u'y') + " = 1",
    QString("SELECT 1 ") + QString("AND aaaaaa ").repeated(60),
};

TEST(Codify, TheSettingsTextAndItsItems) {
    const QString defaults = CodifyDefaults();
    ASSERT_TRUE(CodifySetup(defaults));
    QStringList names;
    EXPECT_EQ(CodifyNames(names), 6);
    EXPECT_EQ(names, (QStringList{"C / C++", "C#", "Java", "Pascal", "PHP", "VB"}));
    const TCECodifyList& items = CodifyItems();
    EXPECT_EQ(items[0].ccs, "");
    EXPECT_EQ(items[0].eqc, "\\");
    EXPECT_EQ(items[1].ccs, " + ");
    EXPECT_EQ(items[3].lbcs, "#13+#10");
    EXPECT_EQ(items[3].flg, "O");
    EXPECT_EQ(items[4].aes, "$");
    EXPECT_EQ(items[5].lecs, "_");
    EXPECT_EQ(items[5].lbcs, "Chr(13) & Chr(10)");
    EXPECT_EQ(items[2].ics, "\t\t\t");
    // Every line reads and writes back the same.
    for (const QString& line : defaults.split("\r\n"))
        EXPECT_EQ(CodifyLine(CodifyParseLine(line)), line);
    // Commas, percent signs and control characters survive.
    TCECodifyItem odd;
    odd.ciName = "a,b %CM x";
    odd.lbcs = "\r\n,\t";
    const TCECodifyItem back = CodifyParseLine(CodifyLine(odd));
    EXPECT_EQ(back.ciName, odd.ciName);
    EXPECT_EQ(back.lbcs, odd.lbcs);
    EXPECT_EQ(CodifyEscape(" #+/,\"'&()."), "%CA%CD%CL%CP%CM%CC%CH%CG%CI%CJ%CO");
    EXPECT_EQ(CodifyUnescape("a%ZZb%AAc%C"), "abc"); // bad codes dropped, a short end ends it
    // A short line keeps the defaults for the rest.
    const TCECodifyItem shortLine = CodifyParseLine("Mine,:=");
    EXPECT_EQ(shortLine.acs, ":=");
    EXPECT_EQ(shortLine.ltcs, ";");
    EXPECT_EQ(shortLine.mll, "128");
    EXPECT_EQ(Codify("SELECT 1", 99), "");
}

TEST(Codify, ThePartsExamplesAndEdgeCases) {
    // The original C item (quotes doubled, " + " between lines).
    const TCECodifyItem c = CodifyParseLine(
        "C%CA%CP%CAC%CD%CA%CP%CAC%CL%CL,=%CA,%CC,%CC,%CA%CL%CA,,,\\r\\n,;,%CA%CA%CA%CA%CA,96,,");
    EXPECT_EQ(Codify("SELECT \"a\"\r\nFROM t", c),
              "= \"SELECT \"\"a\"\"\\r\\n\" + \r\n    \"FROM t\";\r\n");
    ASSERT_TRUE(CodifySetup(QString()));
    const TCECodifyList& items = CodifyItems();
    // Pascal: the break outside the literal.
    EXPECT_EQ(Codify("a\r\nb", items[3]), ":= 'a' + #13+#10 + \r\n    'b';\r\n");
    // VB: " & " and an underscore, no terminator.
    EXPECT_EQ(Codify("a\r\nb", items[5]), "= \"a\" & Chr(13) & Chr(10) & _\r\n    \"b\"\r\n");
    // PHP: "$" escaped.
    EXPECT_EQ(Codify("SELECT '$x'", items[4]), "= \"SELECT '\\$x'\";\r\n");
    // The marker text itself comes through unchanged.
    const QString marked = "SELECT '<VAR_PLACEHOLDER>' AS m, '<CR>' AS n";
    int calls = 0;
    const QString out = Codify(marked, items[1], [&calls] {
        ++calls;
        return QChar(u'Q');
    });
    EXPECT_EQ(out, "= \"SELECT '<VAR_PLACEHOLDER>' AS m, '<CR>' AS n\";\r\n");
    EXPECT_GT(calls, 0);
    // A word longer than the width stays whole; an empty text gives nothing.
    const QString word(200, u'w');
    EXPECT_EQ(Codify(word, items[1]), "= \"" + word + "\";\r\n");
    EXPECT_EQ(Codify("  \r\n ", items[1]), "");
    // Wrapping ends even with a width below 5.
    TCECodifyItem tiny = items[1];
    tiny.mll = "1";
    const QString wrapped = Codify("a b c d e f g h i j k l m n o p", tiny);
    EXPECT_GT(wrapped.count("\r\n"), 2);
}

// The outputs, compiled and run, give the SQL back byte for byte.
TEST(Codify, CompilersPrintTheSqlExactly) {
    ASSERT_TRUE(CodifySetup(QString()));
    QTemporaryDir dir;
    const QString gxx = QStandardPaths::findExecutable("g++");
    const QString python = QStandardPaths::findExecutable("python3");
    const TCECodifyItem py =
        CodifyParseLine("Python,=%CA,%CC,\\,%CA%CL%CA,,\\,\\r\\n,,%CA%CA%CA%CA,96,,");
    for (qsizetype n = 0; n < kCorpus.size(); ++n) {
        const QString sql = kCorpus[n].trimmed();
        if (!gxx.isEmpty()) {
            const QString src = dir.filePath(QStringLiteral("c%1.cpp").arg(n));
            QFile f(src);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("#include <cstdio>\nconst char* x " + Codify(sql, 0).toUtf8() +
                    "int main() { std::fputs(x, stdout); }\n");
            f.close();
            const QString exe = dir.filePath(QStringLiteral("c%1").arg(n));
            const ProcessResult cc = RunProgram(gxx, {"-std=c++17", "-o", exe, src});
            ASSERT_EQ(cc.code, 0) << cc.err.toStdString();
            EXPECT_EQ(RunProgram(exe, {}).out, sql.toUtf8()) << n;
        }
        if (!python.isEmpty()) {
            const QString script =
                "x " + Codify(sql, py) + "import sys\nsys.stdout.buffer.write(x.encode())\n";
            const ProcessResult r = RunProgram(python, {"-c", script});
            ASSERT_EQ(r.code, 0) << r.err.toStdString() << script.toStdString();
            EXPECT_EQ(r.out, sql.toUtf8()) << n;
        }
    }
}

TEST(Codify, TheSettingsWindowsState) {
    ASSERT_TRUE(CodifySetup(QString()));
    CodeExController c;
    EXPECT_EQ(c.Names().size(), 6);
    EXPECT_EQ(c.selected, 0);
    EXPECT_EQ(c.indentCount, 4);
    EXPECT_FALSE(c.indentTab);
    c.Select(2); // Java: three tabs
    EXPECT_TRUE(c.indentTab);
    EXPECT_EQ(c.indentCount, 2);
    EXPECT_EQ(c.EscapedQuote(), " \"  -->  \\\" ");
    c.edit.ltcs = ";;";
    c.Select(0); // Java keeps its change
    EXPECT_EQ(CodifyParseLine(c.lines[2]).ltcs, ";;");
    EXPECT_TRUE(c.Add("Mine"));
    EXPECT_EQ(c.selected, 6);
    EXPECT_EQ(c.Names().last(), "Mine");
    EXPECT_FALSE(c.Add("  "));
    EXPECT_TRUE(c.Rename("Yours"));
    c.Move(-1);
    EXPECT_EQ(c.Names()[5], "Yours");
    c.Remove();
    EXPECT_EQ(c.selected, -1);
    EXPECT_EQ(c.Names().size(), 6);
    const QString text = c.Accept();
    ASSERT_TRUE(CodifySetup(text));
    QStringList names;
    CodifyNames(names);
    EXPECT_EQ(names[5], "VB"); // "Yours" was removed again
}

TEST(Codify, CommandLine) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    EXPECT_EQ(Cli({"code-export", "--list"}).out,
              "0\tC / C++\r\n1\tC#\r\n2\tJava\r\n3\tPascal\r\n4\tPHP\r\n5\tVB\r\n");
    EXPECT_EQ(Cli({"code-export", "--item", "C#"}, "SELECT 1").out, "= \"SELECT 1\";\r\n");
    EXPECT_EQ(Cli({"code-export", "--item", "Cobol"}, "SELECT 1").code, 1);
    EXPECT_TRUE(Cli({"code-export", "--defaults"}).out.startsWith("C%CA%CP%CAC%CL%CL,"));
    qunsetenv("XDG_CONFIG_HOME");
}

} // namespace
} // namespace sky::test
