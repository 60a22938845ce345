// The analyzer page's core with the real sqlite3_analyzer: the report's
// parts, sections under their own heading, explanations and whole-name
// lookups; the import against the sqlite3 shell reading the same report;
// drift cases of the report; fake analyzers that hang, fail, talk garbage
// or are missing; Cancel; an import on a full disk; and the command line.
#include "workspace/Analyzer.h"

#include "common/FaultInject.h"
#include "common/Process.h"
#include "common/TempConfig.h"
#include "common/TempDb.h"
#include "support/Prompter.h"

#include <QFile>
#include <QStandardPaths>

namespace sky::test {
namespace {

class AnalyzerTest : public TempDbTest {
protected:
    void SetUp() override {
        TempDbTest::SetUp();
        program = FindAnalyzer();
        Run("CREATE TABLE \"my table\"(id INTEGER PRIMARY KEY, v TEXT);"
            "CREATE TABLE \"commit log\"(a, b); CREATE INDEX \"x--y\" ON \"commit log\"(a);"
            "CREATE TABLE \"it's, a table\"(z); CREATE TABLE rental(a); CREATE TABLE "
            "rental_item(b);"
            "INSERT INTO \"my table\"(v) SELECT hex(randomblob(40)) FROM (WITH RECURSIVE n(i) AS "
            "(SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 500) SELECT i FROM n);");
    }
    QString Script(const char* name, const QByteArray& body) {
        const QString f = dir.filePath(QString::fromLatin1(name));
        QFile s(f);
        EXPECT_TRUE(s.open(QIODevice::WriteOnly));
        s.write("#!/bin/sh\n" + body + "\n");
        s.close();
        s.setPermissions(s.permissions() | QFileDevice::ExeOwner);
        return f;
    }
    QStringList Report() {
        QStringList lines;
        QString status;
        EXPECT_TRUE(RunAnalyzer(program, path, lines, status)) << status.toStdString();
        return lines;
    }
    QString program;
};

TEST_F(AnalyzerTest, TheReportsPartsSectionsAndExplanations) {
    if (program.isEmpty()) GTEST_SKIP() << "sqlite3_analyzer not found";
    const AnalyzerReport r(Report());
    QStringList part;
    for (int n = 0; n < 4; ++n)
        EXPECT_TRUE(r.Part(n, part)) << n;
    const QStringList sections = r.Sections();
    ASSERT_FALSE(sections.isEmpty());
    EXPECT_EQ(sections[0], "Disk-Space Utilization Report");
    EXPECT_TRUE(sections.contains("All tables"));
    EXPECT_TRUE(sections.contains("All tables and indices"));
    // Each section its own figures.
    const QList<AnalyzerFigure> tables = r.Figures("All tables");
    const QList<AnalyzerFigure> both = r.Figures("All tables and indices");
    ASSERT_FALSE(tables.isEmpty());
    ASSERT_FALSE(both.isEmpty());
    EXPECT_EQ(tables[0].item, "Percentage of total database");
    QString tablesText, bothText;
    for (const AnalyzerFigure& f : tables)
        tablesText += f.item + f.value;
    for (const AnalyzerFigure& f : both)
        bothText += f.item + f.value;
    EXPECT_NE(tablesText, bothText);
    const QList<AnalyzerFigure> head = r.Figures("Disk-Space Utilization Report");
    ASSERT_FALSE(head.isEmpty());
    EXPECT_EQ(head[0].item, "Page size in bytes");
    EXPECT_EQ(head[0].value, "4096");
    EXPECT_TRUE(r.Explain("Page size in bytes")
                    .startsWith("Page size in bytes: \r\nThe number of bytes in a single page"));
    EXPECT_TRUE(r.Explain("no such item").isEmpty());
    // Whole names: rental is not rental_item; odd names are found too.
    EXPECT_EQ(r.SectionOf("rental"), "Table RENTAL");
    EXPECT_EQ(r.SectionOf("rental_item"), "Table RENTAL_ITEM");
    EXPECT_EQ(r.SectionOf("my table"), "Table MY TABLE");
    EXPECT_EQ(r.SectionOf("x--y"), "Index X--Y of table COMMIT LOG")
        << r.Sections().join("|").toStdString();
    EXPECT_TRUE(r.SectionOf("nowhere").isEmpty());
}

// The import builds what the shell builds from the same report.
TEST_F(AnalyzerTest, TheImportEqualsTheShellsReadingOfTheReport) {
    if (program.isEmpty()) GTEST_SKIP() << "sqlite3_analyzer not found";
    const QStringList lines = Report();
    const AnalyzerReport r(lines);
    EXPECT_EQ(SpaceUsedKind(db), 0);
    QString status;
    ASSERT_TRUE(ImportSpaceUsed(db, r, status)) << status.toStdString();
    EXPECT_EQ(status, "Analysis Table Import Success");
    EXPECT_EQ(SpaceUsedKind(db), 1);
    const QString scratch = dir.filePath("scratch.db");
    const ProcessResult shell = RunProgram(QStringLiteral(SQLITE3_SHELL_PATH), {"-bail", scratch},
                                           lines.join("\n").toUtf8() + "\n");
    ASSERT_EQ(shell.code, 0) << shell.err.toStdString();
    const QString q = "SELECT * FROM space_used ORDER BY name;";
    db.Close();
    EXPECT_EQ(Shell(path, q), Shell(scratch, q));
    EXPECT_TRUE(Shell(path, "SELECT count(*) FROM space_used WHERE name = 'x--y';") == "1");
    ASSERT_TRUE(db.Open(path));
    const QList<GraphRow> graph = ReadGraph(db);
    ASSERT_FALSE(graph.isEmpty());
    bool sawIndex = false;
    for (const GraphRow& g : graph)
        sawIndex = sawIndex || (g.index && g.name == "x--y");
    EXPECT_TRUE(sawIndex);
    // Imported again: replaced, not doubled.
    ASSERT_TRUE(ImportSpaceUsed(db, r, status));
    EXPECT_EQ(ReadGraph(db).size(), graph.size());
}

TEST_F(AnalyzerTest, ReportsThatDrift) {
    const QStringList head{"/** Disk-Space Utilization Report For x.db",
                           "",
                           "Page size in bytes................................ 4096",
                           "*** Definitions ***",
                           "",
                           "Page size in bytes",
                           "",
                           "    The number of bytes.",
                           "",
                           "*****************",
                           "*/"};
    QString row16 = "INSERT INTO space_used VALUES(";
    QStringList f16;
    for (int k = 0; k < 16; ++k)
        f16 << (k == 0 ? "bare" : k == 1 ? "'it''s'" : QString::number(k));
    const QStringList sql{"BEGIN;",
                          "CREATE TABLE space_used(name clob, tblname clob, a,b,c,d,e,f,"
                          "g,h,i,j,k,l,m,n);",
                          row16 + f16.join(",") + ");",
                          "INSERT INTO space_used VALUES('x -- y','begin; commit',1,2,3,4,5,6,7,8,"
                          "9,10,11,12,13,14);"};
    // Without a COMMIT line the statements it has are imported.
    AnalyzerReport r(head + sql);
    QStringList statements;
    QString why;
    ASSERT_TRUE(r.Statements(statements, why)) << why.toStdString();
    ASSERT_EQ(statements.size(), 3);
    EXPECT_TRUE(statements[1].startsWith("INSERT INTO space_used VALUES('bare','it''s',2,3,"))
        << statements[1].toStdString();
    EXPECT_EQ(statements[2], sql[3]); // 16 fields but no bare word: unchanged
    QString status;
    ASSERT_TRUE(ImportSpaceUsed(db, r, status)) << status.toStdString();
    EXPECT_EQ(SpaceUsedKind(db), 2); // not the analyzer's columns
    QString v;
    db.QuerySingleValue(v, "SELECT tblname FROM space_used WHERE name = 'x -- y'");
    EXPECT_EQ(v, "begin; commit");
    // No SQL part, an empty report.
    EXPECT_FALSE(AnalyzerReport(head).Statements(statements, why));
    EXPECT_EQ(why, "SQL section not found");
    EXPECT_TRUE(AnalyzerReport(QStringList()).Sections().isEmpty());
    EXPECT_TRUE(AnalyzerReport(QStringList()).Figures("x").isEmpty());
}

class CancelAfter : public ProgressSink {
public:
    int left = 5;
    void Advance(const QString&, double, double) override { --left; }
    bool IsCancelled() const override { return left <= 0; }
    void SetOverallDescription(const QString&) override {}
};

TEST_F(AnalyzerTest, FakeAnalyzersAndCancel) {
    QStringList lines{"kept"};
    QString status;
    EXPECT_FALSE(RunAnalyzer(dir.filePath("missing"), path, lines, status));
    EXPECT_EQ(status, kAnalyzerNotFound);
    EXPECT_FALSE(
        RunAnalyzer(Script("hang", "exec sleep 30"), path, lines, status, nullptr, 5000, 500));
    EXPECT_EQ(status, kAnalyzerNoEnd);
    EXPECT_FALSE(RunAnalyzer(Script("fail", "echo '/** Disk-Space Utilization Report For x'; echo "
                                            "more; exit 3"),
                             path, lines, status));
    EXPECT_TRUE(status.startsWith(kAnalyzerBadOutput)) << status.toStdString();
    EXPECT_FALSE(RunAnalyzer(Script("garbage", "echo garbage; echo more"), path, lines, status));
    EXPECT_EQ(status, kAnalyzerBadOutput + " garbage");
    CancelAfter cancel;
    EXPECT_FALSE(
        RunAnalyzer(Script("slow", "exec sleep 30"), path, lines, status, &cancel, 5000, 60000));
    EXPECT_EQ(status, "Analysis cancelled.");
    EXPECT_EQ(lines, QStringList{"kept"}); // the previous report stays
    // A path with quotes, $ and spaces is one argument.
    const QString odd = dir.filePath("it's $HOME `x`.db");
    ASSERT_TRUE(QFile::copy(path, odd));
    const QString echo =
        Script("echo", "echo '/** Disk-Space Utilization Report For'; echo \"$1\"");
    ASSERT_TRUE(RunAnalyzer(echo, odd, lines, status)) << status.toStdString();
    EXPECT_EQ(lines.value(1), odd);
}

TEST_F(AnalyzerTest, AnImportOnAFullDiskChangesNothing) {
    if (program.isEmpty()) GTEST_SKIP() << "sqlite3_analyzer not found";
    const AnalyzerReport r(Report());
    QString status;
    ASSERT_TRUE(ImportSpaceUsed(db, r, status));
    const QString before = [&] {
        QString v;
        db.QuerySingleValue(v, "SELECT group_concat(name) FROM space_used");
        return v;
    }();
    Run("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 50) INSERT INTO "
        "\"my table\"(v) SELECT randomblob(4000) FROM n;");
    SetMaxPageCount(db.Handle(), 0);
    // A report with many more rows than space left.
    QStringList big = r.Lines();
    const qsizetype commit = big.indexOf("COMMIT;");
    ASSERT_GT(commit, 0);
    for (int k = 0; k < 3000; ++k)
        big.insert(commit, QStringLiteral("INSERT INTO space_used VALUES('%1','%1',0,0,1,1,1,1,0,0,"
                                          "1,0,1,0,0,0,0,0,%2);")
                               .arg(QString(200, u'a') + QString::number(k))
                               .arg(k));
    EXPECT_FALSE(ImportSpaceUsed(db, AnalyzerReport(big), status));
    EXPECT_TRUE(status.startsWith("Import Error: ")) << status.toStdString();
    QString after;
    db.QuerySingleValue(after, "SELECT group_concat(name) FROM space_used");
    EXPECT_EQ(after, before);
    db.Close();
    EXPECT_EQ(IntegrityCheck(path), "ok");
}

TEST_F(AnalyzerTest, CommandLine) {
    if (program.isEmpty()) GTEST_SKIP() << "sqlite3_analyzer not found";
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    Run("CREATE TABLE space_used(mine TEXT); INSERT INTO space_used VALUES ('keep me');");
    db.Close();
    ProcessResult r = Cli({"analyze", path});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("Disk-Space Utilization Report\r\n"));
    r = Cli({"analyze", path, "--stored", "--section", "All tables"});
    EXPECT_TRUE(r.out.startsWith("Measured Item,Value,Relative\r\nPercentage of total database,"));
    // A table of the user's is kept unless replacing is asked for.
    r = Cli({"analyze", path, "--stored", "--import"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(Shell(path, "SELECT mine FROM space_used;"), "keep me");
    r = Cli({"analyze", path, "--stored", "--import", "--replace", "--graph"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("\r\nmy table,0,")) << r.out.toStdString();
    // A failed run keeps the stored report.
    r = Cli({"analyze", path, "--analyzer", "/bin/false"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(Cli({"analyze", path, "--stored"}).out.startsWith("Disk-Space Utilization Report"));
    EXPECT_EQ(Cli({"analyze", path, "--section", "x", "--graph"}).code, 2);
    qunsetenv("XDG_CONFIG_HOME");
}

} // namespace
} // namespace sky::test
