// The HTML documentation on real files: the page's sections, links and
// constraint cells, its colours (schemes, shading, strength 0), a hostile
// database whose names come back from the page as text (the page's own tags
// balanced, python's HTML parser as the oracle when present), the export
// with its jquery.js (written once, byte for byte, never replaced), its
// failures, the preferences in the settings store, the window's commands
// without a display, and the command line.
#include "analysis/HtmlDoc.h"
#include "analysis/DocRender.h"
#include "analysis/DocSession.h"

#include "common/FakeChooser.h"
#include "common/FakeDesktop.h"
#include "common/FaultInject.h"
#include "common/Process.h"
#include "common/ScriptedPrompter.h"
#include "common/TempConfig.h"
#include "common/TempDb.h"
#include "support/HeldFiles.h"
#include "support/Settings.h"

#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

namespace sky::test {
namespace {

QByteArray ReadAll(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class HtmlDocTest : public TempDbTest {
protected:
    QString Page(const HtmlPrefs& prefs = HtmlPrefs::Initial()) {
        db.Close();
        TDBLayout l;
        EXPECT_TRUE(LoadDbLayout(path, l));
        return HtmlDocLines(l, prefs).join(u'\n');
    }
    // The section of one table or view (its id up to the next section).
    static QString Section(const QString& page, const QString& id) {
        const qsizetype at = page.indexOf(QStringLiteral("id=\"") + id + u'"');
        if (at < 0) return QString();
        const qsizetype end = page.indexOf(QStringLiteral("<div class=\"collapse"), at);
        return page.mid(at, end < 0 ? -1 : end - at);
    }
};

TEST(HtmlText, EscapeColoursAndShade) {
    EXPECT_EQ(HtmlEscape("plain"), "plain");
    EXPECT_EQ(HtmlEscape("<a href=\"x\">'&'</a>"),
              "&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;&lt;/a&gt;");
    EXPECT_EQ(HtmlColour(0x906030), "#906030");
    EXPECT_EQ(HtmlColour(0x0A0b0c), "#0A0B0C");
    const struct {
        quint32 c;
        int k, strength;
        quint32 out;
    } shades[] = {{0xFFFFFF, 2, 0, 0xFFFFFF},
                  {0xFFFFFF, 1, 10, 0xF2F2F2},
                  {0x000000, 5, 10, 0x404040},
                  {0xFFFFFF, 6, 18, 0x808080}, // capped at the grey
                  {0x303030, 4, 6, 0x434343}};
    for (const auto& s : shades)
        EXPECT_EQ(Shade(s.c, s.k, s.strength), s.out) << s.c << " " << s.k << " " << s.strength;
    // The schemes in menu order; before any setting is read: scheme 1, strength 10.
    ASSERT_EQ(kHtmlSchemeNames.size(), 8);
    EXPECT_EQ(kHtmlSchemeNames[0], "Light  ( Default )");
    EXPECT_EQ(kHtmlSchemeNames[7], "Dark  - Obsidian");
    const HtmlPrefs obsidian = HtmlPrefs::Scheme(7);
    EXPECT_EQ(obsidian.HdrBarProps, 0x513D2Fu);
    EXPECT_EQ(obsidian.BGStd, 0x000000u);
    EXPECT_EQ(obsidian.lineStrength, 6);
    EXPECT_EQ(HtmlPrefs::Scheme(1).lineStrength, 0);
    EXPECT_EQ(HtmlPrefs::Scheme(3).TextStd, 0xA85400u);
    EXPECT_EQ(HtmlPrefs::Initial().lineStrength, 10);
    EXPECT_EQ(HtmlPrefs::Initial().TextHilite, 0x906030u);
}

TEST_F(HtmlDocTest, SectionsLinksAndConstraintCells) {
    Run("CREATE TABLE parent(id INTEGER PRIMARY KEY, code TEXT UNIQUE NOT NULL);"
        "CREATE TABLE pair(a INT, b TEXT NOT NULL, c, PRIMARY KEY (a, b),"
        "  FOREIGN KEY (c) REFERENCES parent(id), CONSTRAINT gone FOREIGN KEY (c) REFERENCES "
        "elsewhere(id), CHECK (a > 0));"
        "CREATE TABLE \"Parent Two\"(x);"
        "CREATE TABLE child(p, FOREIGN KEY (p) REFERENCES \"parent two\"(x));"
        "CREATE INDEX pair_c ON pair(c);"
        "CREATE TABLE counter(id INTEGER PRIMARY KEY AUTOINCREMENT);");
    const QString page = Page();
    EXPECT_TRUE(
        page.startsWith("<!DOCTYPE HTML><head>\n  <title>test Schema Documentation</title>"))
        << page.left(80).toStdString();
    EXPECT_TRUE(page.contains("Database Table Index  ( 6 Tables )"));
    // No views: no views index at all.
    EXPECT_FALSE(page.contains("Data-Views Index"));
    EXPECT_FALSE(page.contains("dataview-"));
    EXPECT_TRUE(page.contains(
        "<td class=\"key\"><a href=\"javascript:tref('table-2');\">pair</a></td><td>a, b</td>"))
        << page.toStdString();
    const QString parent = Section(page, "table-1");
    EXPECT_TRUE(parent.contains("<td>INTEGER</td><td></td><td class=\"hilite\">Primary Key</td>"));
    EXPECT_TRUE(
        Section(page, "table-5").contains("<td class=\"hilite\">Primary Key Auto-Inc</td>"));
    EXPECT_TRUE(parent.contains("<td class=\"hilite\"> Unique Not NULL</td>"));
    const QString pair = Section(page, "table-2");
    // A two-column key numbers its columns; "Not NULL" comes first.
    EXPECT_TRUE(pair.contains("<td class=\"hilite\">Primary Key(1)</td>"));
    EXPECT_TRUE(pair.contains("<td class=\"hilite\"> Not NULL  PK(2)</td>"));
    // Documented parents are linked, others are plain text; names match
    // ignoring case.
    EXPECT_TRUE(pair.contains("Foreign Key on (c) referencing table &quot;<a "
                              "href=\"javascript:tref('table-1');\">parent</a>&quot;"));
    EXPECT_TRUE(pair.contains("referencing table &quot;elsewhere&quot;"));
    EXPECT_TRUE(pair.contains("<td>gone</td>"));
    EXPECT_TRUE(pair.contains("Check constraint (a &gt; 0)"));
    EXPECT_TRUE(pair.contains("<td>Index</td><td>pair_c</td><td class=\"hilite\">c</td>"));
    EXPECT_TRUE(pair.contains("Used in Foreign Key constraint<br />Used in Foreign Key constraint  "
                              "-  gone<br />Used in Index  -  pair_c"))
        << pair.toStdString();
    // The create statement with visible indentation.
    EXPECT_TRUE(pair.contains("<td class=\"mono\">CREATE TABLE &quot;pair&quot; (<br />&nbsp; "
                              "&nbsp; &quot;a&quot; INT,"));
    EXPECT_TRUE(Section(page, "table-4")
                    .contains("referencing table &quot;<a href=\"javascript:tref('table-3');\">"
                              "parent two</a>&quot;"));
    // A table without key.
    EXPECT_TRUE(Section(page, "table-3").contains("<td class=\"hilite\">(None)</td>"));
    // Properties without units, the last named "Database Encoding".
    const QString props = Section(page, "table-prop");
    EXPECT_TRUE(props.contains("<td align=\"right\">Page Size</td><td>:</td><td>4 096</td>"));
    EXPECT_TRUE(props.contains(
        "<tr><td align=\"right\">Database Encoding</td><td>:</td><td>UTF-8</td></tr>\n</tbody>"));
    EXPECT_FALSE(props.contains("Text Encoding"));
    EXPECT_TRUE(props.contains("<td align=\"right\">journal_mode</td><td>:</td><td>delete</td>"));
}

TEST_F(HtmlDocTest, ViewsAndTheirReferences) {
    Run("CREATE TABLE t(id INTEGER PRIMARY KEY, v TEXT);"
        "CREATE VIEW one AS SELECT id, v FROM t;"
        "CREATE VIEW two AS\n\tSELECT 1 AS k;");
    const QString page = Page();
    EXPECT_TRUE(page.contains("Data-Views Index  ( 2 Views )"));
    EXPECT_TRUE(page.contains("<td class=\"key\"><a href=\"javascript:tref('dataview-1');\">one</a>"
                              "</td><td>Persist</td><td>2</td><td>1</td>"));
    const QString one = Section(page, "dataview-1");
    EXPECT_TRUE(one.contains("View: one"));
    EXPECT_TRUE(one.contains("<td class=\"hilite\"><a href=\"javascript:tref('table-1');\">t</a>"
                             "</td>"));
    const QString two = Section(page, "dataview-2");
    EXPECT_TRUE(two.contains("<td class=\"hilite\">(None)</td>"));
    EXPECT_TRUE(two.contains("<td class=\"mono\">CREATE VIEW two AS<br />SELECT 1 AS k<br />"))
        << two.toStdString();
}

TEST_F(HtmlDocTest, ColoursFromThePreferences) {
    Run("CREATE TABLE t(a);");
    HtmlPrefs p = HtmlPrefs::Scheme(5); // Dark - Tablet
    QString page = Page(p);
    EXPECT_TRUE(page.contains("background: #404040; }")); // the page
    EXPECT_TRUE(page.contains(".db-props th:nth-child(odd), .db-props th:nth-child(even) { color: "
                              "#8D7616; background: #FFE2C6; }"));
    EXPECT_TRUE(page.contains(".collapse .bar { background: #35496A;"));
    // Shaded cells: strength 6, k = 2 toward the grey.
    EXPECT_TRUE(page.contains("tr:nth-child(odd) td:nth-child(odd) { background: #" +
                              HtmlColour(Shade(0x404040, 2, 6)).mid(1) + "; }"));
    // Strength 0: every data cell has the page background.
    p = HtmlPrefs::Scheme(0);
    p.lineStrength = 0;
    page = Page(p);
    const QRegularExpression cells(QStringLiteral("td:nth-child\\((odd|even)\\) \\{ background: "
                                                  "(#[0-9A-F]{6}); \\}"));
    int n = 0;
    for (auto it = cells.globalMatch(page); it.hasNext(); ++n)
        EXPECT_EQ(it.next().captured(2), "#FFFFFF");
    EXPECT_EQ(n, 4);
}

// Names that would be markup or script: the page keeps exactly its own
// elements and gives every name back as text.
TEST_F(HtmlDocTest, HostileNamesStayText) {
    const QString evil = "<script>alert('x')</script>";
    Run("CREATE TABLE \"" + evil +
        "\"(\"<img src=x onerror=alert(1)>\" TEXT DEFAULT '</td>&amp;',"
        " \"a\"\"b\" INT);"
        "CREATE VIEW \"v<b>\" AS SELECT * FROM \"" +
        evil +
        "\";"
        "CREATE INDEX \"ix'\" ON \"" +
        evil + "\"(\"a\"\"b\");");
    const QString page = Page();
    EXPECT_EQ(page.count("<script"), 2); // the library and the page's own
    EXPECT_FALSE(page.contains("<img"));
    EXPECT_FALSE(page.contains("<b>"));
    EXPECT_FALSE(page.contains("alert('x')"));
    EXPECT_EQ(page.count("<div"), page.count("</div>"));
    EXPECT_EQ(page.count("<table"), page.count("</table>"));
    EXPECT_EQ(page.count("<tr>"), page.count("</tr>"));
    EXPECT_TRUE(page.contains(HtmlEscape(evil)));
    // An HTML parser reads the names back as text.
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) GTEST_SKIP() << "python3 not found";
    const QString file = dir.filePath("page.html");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(page.toUtf8());
    f.close();
    const char* script = R"(
import sys, html.parser
class P(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(); self.tags = {}; self.text = []
    def handle_starttag(self, tag, attrs):
        self.tags[tag] = self.tags.get(tag, 0) + 1
    def handle_data(self, d): self.text.append(d)
p = P(); p.feed(open(sys.argv[1], encoding='utf-8').read())
print(sorted(p.tags.keys()))
print('\x01'.join(p.text))
)";
    const ProcessResult r = RunProgram(python, {"-c", script, file});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QString out = QString::fromUtf8(r.out);
    EXPECT_TRUE(out.startsWith("['a', 'body', 'br', 'button', 'div', 'h1', 'h3', 'head', 'meta', "
                               "'script', 'span', 'style', 'table', 'tbody', 'td', 'th', 'thead', "
                               "'title', 'tr']"))
        << out.left(300).toStdString();
    for (const QString& name :
         {evil, QStringLiteral("<img src=x onerror=alert(1)>"), QStringLiteral("</td>&amp;"),
          QStringLiteral("v<b>"), QStringLiteral("ix'"), QStringLiteral("a\"b")})
        EXPECT_TRUE(out.contains(u'\x01' + name + u'\x01')) << name.toStdString();
}

// The exported page in a real browser: its script library loads, its
// functions work, nothing in the file's names runs. A control page proves
// the browser's console reaches the test.
TEST_F(HtmlDocTest, ARealBrowserRunsThePageAndNoneOfTheNames) {
    QString browser;
    for (const char* name : {"chromium-headless-shell", "chromium"})
        if (browser.isEmpty()) browser = QStandardPaths::findExecutable(QLatin1String(name));
    if (browser.isEmpty()) GTEST_SKIP() << "no chromium";
    Run("CREATE TABLE \"<script>console.log('PWNED1')</script>\"(a INTEGER PRIMARY KEY,"
        " \"<img src=x onerror=console.log('PWNED2')>\" TEXT);"
        "CREATE TABLE \"x');console.log('PWNED3');('\"(b);"
        "CREATE VIEW \"<svg onload=console.log('PWNED4')>\" AS SELECT 1;");
    db.Close();
    TDBLayout l;
    ASSERT_TRUE(LoadDbLayout(path, l));
    QString message;
    const QString page = dir.filePath("doc.html");
    ASSERT_TRUE(ExportHtmlDoc(l, HtmlPrefs::Initial(), page, message)) << message.toStdString();
    // The page as exported, then a probe that opens every section.
    QByteArray probed = ReadAll(page);
    probed.replace("</body>",
                   "<script>$(function () { $.fx.off = true; openAll(); setTimeout(function () {"
                   " console.log('OPEN ' + $('.collapse.open').length + ' CLOSED ' +"
                   " $('.collapse.closed').length); }, 1500); });</script></body>");
    auto load = [&](const QString& file, const QByteArray& html, const QString& shot) {
        QFile f(dir.filePath(file));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(html);
        f.close();
        return RunProgram(browser, {"--no-sandbox", "--disable-gpu", "--enable-logging=stderr",
                                    "--v=0", "--virtual-time-budget=5000", "--window-size=1300,900",
                                    "--screenshot=" + shot,
                                    QUrl::fromLocalFile(dir.filePath(file)).toString()});
    };
    const ProcessResult control =
        load("control.html", "<script>console.log('CONTROL')</script>", dir.filePath("c.png"));
    ASSERT_TRUE(control.err.contains("\"CONTROL\"")) << control.err.toStdString();
    const QByteArray shotDir = qgetenv("SKYLARK_SHOT_DIR");
    const QString shot =
        shotDir.isEmpty()
            ? dir.filePath("page.png")
            : QDir(QString::fromLocal8Bit(shotDir)).filePath("html-documentation.png");
    const ProcessResult r = load("probed.html", probed, shot);
    const QString log = QString::fromUtf8(r.err);
    // Four tables/views sections, the index and the properties: all open.
    EXPECT_TRUE(log.contains("\"OPEN 6 CLOSED 0\"")) << log.toStdString();
    EXPECT_FALSE(log.contains("Uncaught")) << log.toStdString();
    EXPECT_FALSE(log.contains("PWNED")) << log.toStdString();
    EXPECT_TRUE(QFile::exists(shot));
}

TEST_F(HtmlDocTest, ExportWritesTheLibraryOnceAndFailsCleanly) {
    Run("CREATE TABLE t(a);");
    db.Close();
    TDBLayout l;
    ASSERT_TRUE(LoadDbLayout(path, l));
    QString message;
    const QString page = dir.filePath("doc.html"), js = dir.filePath("jquery.js");
    ASSERT_TRUE(ExportHtmlDoc(l, HtmlPrefs::Initial(), page, message)) << message.toStdString();
    const QByteArray shipped = ReadAll("/usr/share/javascript/jquery/jquery.min.js");
    ASSERT_FALSE(shipped.isEmpty());
    EXPECT_EQ(ReadAll(js), shipped);
    EXPECT_TRUE(ReadAll(js).startsWith("/*! jQuery v")); // the licence line stays
    EXPECT_TRUE(ReadAll(page).contains("</html>\r\n"));
    // A jquery.js already there stays untouched.
    QFile own(js);
    ASSERT_TRUE(own.open(QIODevice::WriteOnly));
    own.write("// mine");
    own.close();
    ASSERT_TRUE(ExportHtmlDoc(l, HtmlPrefs::Initial(), page, message));
    EXPECT_EQ(ReadAll(js), "// mine");
    // A folder that cannot take the library: the message, and no page.
    const QString notFolder = dir.filePath("plain.txt");
    QFile plain(notFolder);
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    EXPECT_FALSE(ExportHtmlDoc(l, HtmlPrefs::Initial(), notFolder + "/doc.html", message));
    EXPECT_EQ(message, kCannotWriteOutput);
    // A page that cannot be written (a folder in its place).
    QDir(dir.path()).mkdir("taken.html");
    EXPECT_FALSE(ExportHtmlDoc(l, HtmlPrefs::Initial(), dir.filePath("taken.html"), message));
    EXPECT_TRUE(message.startsWith("Exception creating output file \"taken.html\" (OpenError): "))
        << message.toStdString();
}

TEST_F(HtmlDocTest, PreferencesInTheSettingsStore) {
    QTemporaryDir config;
    UseTempConfig(config);
    HtmlPrefs p = HtmlPrefs::Initial();
    p.Read(); // nothing stored: unchanged
    EXPECT_EQ(p.BGStd, HtmlPrefs::Initial().BGStd);
    EXPECT_EQ(p.lineStrength, 10);
    p = HtmlPrefs::Scheme(3);
    p.TextHilite = 0x123456;
    p.Write();
    // Colours are stored with red in the low byte.
    EXPECT_EQ(CfgGetInt("HTMLColTextHilite", 0, 0, 0xFFFFFF), 0x563412);
    EXPECT_EQ(CfgGetInt("HTMLLineStrength", 0, 0, 18), 3);
    HtmlPrefs q = HtmlPrefs::Initial();
    q.Read();
    EXPECT_EQ(q.TextHilite, 0x123456u);
    EXPECT_EQ(q.HdrBarKeys, 0xF8E394u);
    EXPECT_EQ(q.lineStrength, 3);
    // Values out of bounds are not taken.
    CfgPutNum("HTMLLineStrength", 40);
    CfgPutNum("HTMLColBGStd", -5);
    q.Read();
    EXPECT_LE(q.lineStrength, 18);
    EXPECT_LE(q.BGStd, 0xFFFFFFu);
}

class DocSessionTest : public HtmlDocTest {
protected:
    ScriptedPrompter prompts;
    Chooser files;
    FakeClipboard board;
    FakeOpener opener;
    DocSession s{prompts, files, board, opener};
};

TEST_F(DocSessionTest, CommandsSavesAndExports) {
    QTemporaryDir config;
    UseTempConfig(config);
    Run("CREATE TABLE t(id INTEGER PRIMARY KEY);");
    db.Close();
    // Nothing shown yet: every command does nothing.
    files.next = dir.filePath("never.sql");
    s.Remake();
    s.ExportSql();
    s.Copy("x");
    EXPECT_TRUE(s.Lines().isEmpty());
    EXPECT_TRUE(prompts.notices.isEmpty());
    EXPECT_TRUE(board.text.isEmpty());
    EXPECT_FALSE(QFile::exists(files.next));
    EXPECT_FALSE(s.Show(dir.filePath("missing.db"), false));
    EXPECT_TRUE(s.File().isEmpty());

    ASSERT_TRUE(s.Show(path, false));
    EXPECT_EQ(s.Caption(), "SQL Documentation for test.db");
    EXPECT_EQ(s.Lines().first(), "Database:    test");
    s.Check();
    EXPECT_TRUE(s.Lines().first().startsWith("Checking Database test"));
    s.Prototypes();
    EXPECT_EQ(s.Lines().first(), "Database:  test");
    s.Copy("edited text");
    EXPECT_EQ(board.text, "edited text");

    files.next = dir.filePath("schema.sql");
    s.ExportSql();
    EXPECT_EQ(prompts.notices, QStringList{"Success exporting SQL: SQL saved to: " + files.next});
    EXPECT_TRUE(ReadAll(files.next).startsWith("-- Database:    test\r\n"));
    EXPECT_EQ(s.ExportFile(), files.next);
    // A failing save keeps the text and says why.
    prompts.notices.clear();
    const QStringList before = s.Lines();
    QDir(dir.path()).mkdir("blocked.txt");
    files.next = dir.filePath("blocked.txt");
    s.Save("a\nb");
    ASSERT_EQ(prompts.notices.size(), 1);
    EXPECT_TRUE(prompts.notices[0].startsWith(
        "Failed to Save file: Exception creating output file \"blocked.txt\""));
    EXPECT_EQ(s.Lines(), before);
    // Never over the documented database or its journal, nor over a
    // database a connection of ours holds.
    prompts.notices.clear();
    const QByteArray dbBytes = ReadAll(path);
    for (const QString& target : {path, path + "-journal"}) {
        files.next = target;
        s.ExportSql();
    }
    EXPECT_EQ(prompts.notices,
              (QStringList{"Failed to Export SQL: " + kReplacesDatabase + path,
                           "Failed to Export SQL: " + kReplacesDatabase + path + "-journal"}));
    EXPECT_EQ(ReadAll(path), dbBytes);
    EXPECT_FALSE(QFile::exists(path + "-journal"));
    const QString other = dir.filePath("other.db");
    {
        TSQLite3Database held;
        ASSERT_TRUE(held.Open(other));
        ASSERT_TRUE(held.ExecuteList("CREATE TABLE keep(a);"));
        prompts.notices.clear();
        files.next = other;
        s.Save("a\nb");
        ASSERT_EQ(prompts.notices.size(), 1);
        EXPECT_EQ(prompts.notices[0], "Failed to Save file: " + HeldFileError(other));
    }
    EXPECT_EQ(IntegrityCheck(other), "ok");
    files.next = dir.filePath("saved.txt");
    s.Save("a\nb");
    EXPECT_EQ(ReadAll(files.next), "a\r\nb\r\n");

    // HTML: opened after the export; a failed opening is no failure.
    prompts.notices.clear();
    opener.ok = false;
    files.next = dir.filePath("page.html");
    s.ExportHtml();
    EXPECT_TRUE(prompts.notices.isEmpty()) << prompts.notices.join("|").toStdString();
    EXPECT_EQ(opener.opened, QStringList{files.next});
    EXPECT_TRUE(QFile::exists(dir.filePath("jquery.js")));
    files.next = dir.filePath("saved.txt") + "/page.html"; // a file as the folder
    s.ExportHtml();
    EXPECT_EQ(prompts.notices, QStringList{"Failed to Export HTML: " + kCannotWriteOutput});
    EXPECT_EQ(opener.opened.size(), 1);
}

TEST_F(DocSessionTest, PreferencesAreWrittenOnlyOnceRead) {
    QTemporaryDir config;
    UseTempConfig(config);
    HtmlPrefs stored = HtmlPrefs::Scheme(6);
    stored.Write();
    // Closed before the preferences were read: the stored ones stay.
    s.WritePrefs();
    HtmlPrefs q = HtmlPrefs::Initial();
    q.Read();
    EXPECT_EQ(q.BGStd, stored.BGStd);
    EXPECT_EQ(q.HdrBarStd, stored.HdrBarStd);
    // An export before the delayed read reads them first.
    EXPECT_FALSE(s.PrefsRead());
    EXPECT_EQ(s.Prefs().HdrBarStd, stored.HdrBarStd);
    s.Prefs().lineStrength = 12;
    s.WritePrefs();
    q.Read();
    EXPECT_EQ(q.lineStrength, 12);
}

TEST_F(HtmlDocTest, CommandLine) {
    Run("CREATE TABLE \"<t>\"(a);");
    db.Close();
    const QString page = dir.filePath("out/page.html");
    QDir(dir.path()).mkdir("out");
    ProcessResult r = Cli({"doc", path, "--format", "html", "--scheme", "8", "-o", page});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QByteArray html = ReadAll(page);
    EXPECT_TRUE(html.contains("&lt;t&gt;"));
    EXPECT_TRUE(html.contains("{ color: #DDDDDD; background: #513D2F; }")); // Obsidian
    EXPECT_EQ(ReadAll(dir.filePath("out/jquery.js")),
              ReadAll("/usr/share/javascript/jquery/jquery.min.js"));
    // Standard output: the page alone.
    r = Cli({"doc", path, "--format", "html"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.startsWith("<!DOCTYPE HTML><head>\r\n"));
    EXPECT_EQ(Cli({"doc", path, "--format", "html", "--scheme", "9"}).code, 2);
    EXPECT_EQ(Cli({"doc", path, "--format", "text", "--scheme", "1"}).code, 2);
    // A full device: the library cannot be written, and no page is left.
    const QString full = dir.filePath("full");
    QDir(dir.path()).mkdir("full");
    r = RunProgramWithFileLimit(QStringLiteral(SKYLARK_CLI_PATH),
                                {"doc", path, "--format", "html", "-o", full + "/p.html"}, 4096);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(QString::fromUtf8(r.err).trimmed(), kCannotWriteOutput);
    EXPECT_FALSE(QFile::exists(full + "/p.html"));
    EXPECT_FALSE(QFile::exists(full + "/jquery.js"));
}

} // namespace
} // namespace sky::test
