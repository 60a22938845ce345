// import-csv against the sqlite3 shell: the same CSV imported by the command
// and by the shell's .import into the same table leaves the same rows; the
// analysis and statements it prints; the name and column refusals with
// their exit codes; the list options; --append through the conflict
// handlers; and a full disk (RLIMIT_FSIZE) leaving the file as it was.
#include "common/FaultInject.h"
#include "common/Process.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace sky::test {
namespace {

class ImportCli : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString Write(const QString& name, const QByteArray& bytes) {
        const QString file = dir.filePath(name);
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return file;
    }
    QString Db(const QString& name = QStringLiteral("t.db")) { return dir.filePath(name); }
    static QByteArray Hash(const QString& file) {
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
    }
    QTemporaryDir dir;
};

const QByteArray kPeople = "ID,Name\n1,Ann\n2,Bob\n3,Cy\n";

TEST_F(ImportCli, SameRowsAsTheShellsImportIntoTheSameTable) {
    QByteArray csv = "id,name,note,price,extra\n";
    for (int i = 1; i <= 2000; ++i) {
        csv += QByteArray::number(i) + ",name " + QByteArray::number(i) + ",";
        switch (i % 4) {
        case 0:
            csv += "\"say \"\"hi\"\", then go\"";
            break;
        case 1:
            csv += "\"a,b,c\"";
            break;
        case 2:
            csv += QString::fromUtf16(u"\"caf\u00E9 \u4E2D\u6587 \U0001F600\"").toUtf8();
            break;
        default:
            csv += "plain";
        }
        csv += "," + QByteArray::number(i % 1000 / 8.0, 'f', 3) + ",";
        if (i % 5) csv += QByteArray::number(i * 7);
        csv += i % 2 ? "\r\n" : "\n";
    }
    const QString file = Write(QStringLiteral("data.csv"), csv);
    const QString ours = Db(QStringLiteral("ours.db")), theirs = Db(QStringLiteral("theirs.db"));
    const ProcessResult r = Cli({QStringLiteral("import-csv"), ours, file});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("Success: Imported Table \"data\".\n"));
    const QByteArray create =
        Shell(ours, QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'data'"));
    EXPECT_EQ(create, QByteArray("CREATE TABLE data (\"id\" INTEGER PRIMARY KEY, \"name\" TEXT, "
                                 "\"note\" TEXT, \"price\" REAL, \"extra\" INTEGER)"));
    Shell(theirs, QString::fromUtf8(create));
    Shell(theirs, QStringLiteral(".import --csv --skip 1 ") + file + QStringLiteral(" data"));
    EXPECT_EQ(Shell(theirs, QStringLiteral("SELECT count(*) FROM data")), QByteArray("2000"));
    EXPECT_EQ(SqlDiff(ours, theirs), QByteArray());
    EXPECT_INTEGRITY_OK(ours);
}

TEST_F(ImportCli, AnalysisAndStatementsAsPrinted) {
    const QString file = Write(QStringLiteral("People.csv"), kPeople);
    ProcessResult r = Cli({QStringLiteral("import-csv"), Db(), file, QStringLiteral("--analyse")});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, QByteArray("ID,Name\r\nID,Name\r\nINTEGER,TEXT\r\nPRIMARY KEY,\r\n"
                                "_I_U_____,___U_____\r\n"));
    r = Cli({QStringLiteral("import-csv"), Db(), file, QStringLiteral("--sql"),
             QStringLiteral("--table"), QStringLiteral("People")});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, QByteArray("CREATE TABLE IF NOT EXISTS People (\"ID\" INTEGER PRIMARY KEY, "
                                "\"Name\" TEXT);\r\nINSERT INTO People (\"ID\", \"Name\") VALUES "
                                "(?1, ?2);\r\n"));
    // A column left out by its name "-"; types and constraints by column.
    r = Cli({QStringLiteral("import-csv"), Db(), file, QStringLiteral("--sql"),
             QStringLiteral("--names"), QStringLiteral("-,Full Name"), QStringLiteral("--types"),
             QStringLiteral(",numeric"), QStringLiteral("--constraints"),
             QStringLiteral(",primary key desc")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("CREATE TABLE IF NOT EXISTS people (\"Full Name\" NUMERIC "
                                "PRIMARY KEY DESC);\r\nINSERT INTO people (\"Full Name\") VALUES "
                                "(?2);\r\n"));
    // Neither option imported anything (the database was created, empty).
    EXPECT_EQ(Shell(Db(), QStringLiteral("SELECT count(*) FROM sqlite_master")), QByteArray("0"));
}

TEST_F(ImportCli, RefusalsAndTheirExitCodes) {
    const QString file = Write(QStringLiteral("People.csv"), kPeople);
    ProcessResult r = Cli({QStringLiteral("import-csv"), Db(), file, QStringLiteral("--table"),
                           QStringLiteral("People")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    r = Cli({QStringLiteral("import-csv"), Db(), file, QStringLiteral("--table"),
             QStringLiteral("people")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QByteArray("Tablename already Exists, try: people2\n"));
    r = Cli({QStringLiteral("import-csv"), Db(), file, QStringLiteral("--table"),
             QStringLiteral("People"), QStringLiteral("--yes")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("Success: Imported Table \"People2\".\n"));
    r = Cli({QStringLiteral("import-csv"), Db(), file, QStringLiteral("--table"),
             QStringLiteral("x"), QStringLiteral("--names"), QStringLiteral("a,A")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QByteArray("Duplicate Column: \"A\"\n"));
    r = Cli({QStringLiteral("import-csv"), Db(), file, QStringLiteral("--table"),
             QStringLiteral("x"), QStringLiteral("--constraints"), QStringLiteral(",unique")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();

    const QString empty = Write(QStringLiteral("empty.csv"), QByteArray());
    r = Cli({QStringLiteral("import-csv"), Db(), empty});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QByteArray("Import Datalist is Empty.\n"));
    r = Cli({QStringLiteral("import-csv"), Db(), Write(QStringLiteral("bad.csv"), "a,b\n\"1,2\n")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QByteArray("Import CSV Data Error - Unterminated quoted field in row 2\n"));
    r = Cli({QStringLiteral("import-csv"), Db(), dir.filePath(QStringLiteral("missing.csv"))});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith("Cannot read ")) << r.err.toStdString();

    for (const QStringList& usage :
         {QStringList{QStringLiteral("--on-conflict"), QStringLiteral("ignore")},
          QStringList{QStringLiteral("--append"), QStringLiteral("--on-conflict"),
                      QStringLiteral("sometimes")},
          QStringList{QStringLiteral("--types"), QStringLiteral("INTEGER,DATE")},
          QStringList{QStringLiteral("--constraints"), QStringLiteral("CHECK")},
          QStringList{QStringLiteral("--names"), QStringLiteral("a,b,c")}}) {
        QStringList args{QStringLiteral("import-csv"), Db(), file};
        r = Cli(args + usage);
        EXPECT_EQ(r.code, 2) << usage.join(u' ').toStdString();
    }
}

TEST_F(ImportCli, NamesFromTheFileOrStandardInput) {
    const QString file = Write(QStringLiteral("My-Data 2024.v2.csv"), kPeople);
    ProcessResult r = Cli({QStringLiteral("import-csv"), Db(), file});
    EXPECT_EQ(r.out, QByteArray("Success: Imported Table \"mydata2024v2\".\n"));
    r = Cli({QStringLiteral("import-csv"), Db(), QStringLiteral("-")}, "order,2023sales\nx,1\n");
    EXPECT_EQ(r.out, QByteArray("Success: Imported Table \"table\".\n")) << r.err.toStdString();
    EXPECT_EQ(Shell(Db(), QStringLiteral("SELECT \"order\" || \"2023sales\" FROM \"table\"")),
              QByteArray("x1"));
}

TEST_F(ImportCli, AppendThroughTheConflictHandlersAllOrNothing) {
    Shell(Db(), QStringLiteral("CREATE TABLE p(ID INTEGER PRIMARY KEY, Name TEXT, Other TEXT);"
                               "INSERT INTO p VALUES (2, 'old', 'o');"));
    const QString file = Write(QStringLiteral("People.csv"), kPeople);
    auto append = [&](const char* handler) {
        QStringList args{QStringLiteral("import-csv"),
                         Db(),
                         file,
                         QStringLiteral("--table"),
                         QStringLiteral("p"),
                         QStringLiteral("--append")};
        if (*handler) args << QStringLiteral("--on-conflict") << QString::fromUtf8(handler);
        return Cli(args);
    };
    const QString rows = QStringLiteral("SELECT group_concat(ID || Name, ' ') FROM p");
    ProcessResult r = append("");
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith("Line 3 (2,Bob...) contained invalid data"))
        << r.err.toStdString();
    EXPECT_EQ(Shell(Db(), rows), QByteArray("2old"));
    r = append("ignore");
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("Success: Imported Table \"p\".\n"));
    EXPECT_EQ(Shell(Db(), rows), QByteArray("1Ann 2old 3Cy"));
    r = append("replace");
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Shell(Db(), rows), QByteArray("1Ann 2Bob 3Cy"));
}

TEST_F(ImportCli, AFullDiskLeavesTheFileAsItWas) {
    QByteArray csv = "k,v\n";
    for (int i = 1; i <= 20000; ++i)
        csv += QByteArray::number(i) + ",value number " + QByteArray::number(i) + "\n";
    const QString file = Write(QStringLiteral("big.csv"), csv);
    Shell(Db(), QStringLiteral("CREATE TABLE keep(a); INSERT INTO keep VALUES (1);"));
    const QByteArray before = Hash(Db());
    const qint64 size = QFileInfo(Db()).size();
    const ProcessResult r = RunProgramWithFileLimit(
        QStringLiteral(SKYLARK_CLI_PATH), {QStringLiteral("import-csv"), Db(), file}, size + 16384);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith("Failed to Create Imported Table: ") ||
                r.err.startsWith("Failed to Commit - "))
        << r.err.toStdString();
    EXPECT_EQ(Hash(Db()), before);
    EXPECT_EQ(QFileInfo(Db()).size(), size);
    EXPECT_INTEGRITY_OK(Db());
}

} // namespace
} // namespace sky::test
