// The information page's figures and the documentation addresses.
#include "shell/InfoPages.h"
#include "common/Process.h"
#include "engine/Database.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace sky {
namespace {

QString Value(const QList<QPair<QString, QString>>& lines, const char* caption) {
    for (const auto& l : lines)
        if (l.first == QLatin1String(caption)) return l.second;
    return QStringLiteral("<absent>");
}

TEST(InfoPages, HeaderFigures) {
    EXPECT_EQ(GroupedNumber(1048576), QStringLiteral("1 048 576"));
    EXPECT_EQ(GroupedNumber(999), QStringLiteral("999"));
    TSQLite3FileHeader h;
    h.Status = 0;
    h.PageSize = 1; // 65536
    h.PagesInDB = 70000;
    h.ApplicationID = 255;
    h.DBTextEncoding = 2;
    h.FileFormatWriteVer = 2;
    h.FileFormatReadVer = 1;
    h.SchemaCookie = 0x2A;
    auto lines = DatabaseInfoLines(QStringLiteral("/x/my_db.sqlitedb"), h);
    EXPECT_EQ(Value(lines, "DB Page-Size: "), QStringLiteral("65 536"));
    EXPECT_EQ(Value(lines, "Implied DB Size: "), QStringLiteral("4 587 520 000")); // past 32 bits
    EXPECT_EQ(Value(lines, "Application ID: "), QStringLiteral("[ 255 ]   0xFF"));
    EXPECT_EQ(Value(lines, "Text Encoding: "), QStringLiteral("UTF-16le"));
    EXPECT_EQ(Value(lines, "Write-Mode: "), QStringLiteral("WAL Mode"));
    EXPECT_EQ(Value(lines, "Read-Mode: "), QStringLiteral("Legacy Mode"));
    EXPECT_EQ(Value(lines, "Schema Cookie: "), QStringLiteral("0x2A"));
    EXPECT_EQ(Value(lines, "Largest Root B-Tree on: "), QStringLiteral("<absent>"));
    EXPECT_EQ(Value(lines, "Actual File-Size: "), QStringLiteral("---"));
    h.ApplicationID = 0;
    h.IncrementalVacuumMode = 1;
    lines = DatabaseInfoLines(QStringLiteral("a.db"), h);
    EXPECT_EQ(Value(lines, "Application ID: "), QStringLiteral("[ Unset ]"));
    EXPECT_EQ(Value(lines, "Vacuum Mode: "), QStringLiteral("Incremental Vacuum"));
    EXPECT_NE(Value(lines, "Largest Root B-Tree on: "), QStringLiteral("<absent>"));
    h.Status = -1;
    lines = DatabaseInfoLines(QStringLiteral("a.db"), h);
    EXPECT_EQ(Value(lines, "Status: "), QStringLiteral("Invalid"));
    EXPECT_EQ(Value(lines, "Application ID: "), QString());
    EXPECT_EQ(Value(lines, "Write-Mode: "), QString());
}

TEST(InfoPages, DocumentationAndCommand) {
    const QStringList s = DocStatements();
    EXPECT_EQ(s.size(), 33);
    EXPECT_TRUE(std::is_sorted(s.begin(), s.end()));
    EXPECT_EQ(DocPage(QStringLiteral("PRAGMA")), QStringLiteral("pragma.html#syntax"));
    EXPECT_EQ(DocSearchText(QStringLiteral("a  b?c")), QStringLiteral("a bc"));
    EXPECT_EQ(DocSearchUrl(QStringLiteral("a  b?c")),
              kSqliteDocsBase + QStringLiteral("search?s=d&q=a+bc"));

    QTemporaryDir dir;
    const QString f = dir.filePath(QStringLiteral("i.db"));
    {
        TSQLite3Database db;
        ASSERT_TRUE(db.Open(f));
        ASSERT_TRUE(db.ExecuteList(QStringLiteral(
            "PRAGMA application_id=255; PRAGMA user_version=3; CREATE TABLE t(a);")));
    }
    test::ProcessResult r = test::Cli({QStringLiteral("info"), f});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains("Status: Ready\n")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("Application ID: [ 255 ]   0xFF\n"));
    EXPECT_TRUE(r.out.contains("User Version No: 3\n"));
    r = test::Cli({QStringLiteral("info"), dir.filePath(QStringLiteral("none.db"))});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.contains("Status: Missing\n"));
}

} // namespace
} // namespace sky
