// The overview's file entries, project keys and status list.
#include "shell/FileList.h"
#include "support/Prompter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace sky {
namespace {

class CountingProgress : public ProgressSink {
public:
    QStringList items;
    double last = 0;
    void Advance(const QString& d, double main, double) override {
        items << d;
        last = main;
    }
    bool IsCancelled() const override { return false; }
    void SetOverallDescription(const QString&) override {}
};

TEST(FileList, EntriesAndProjectKeys) {
    QString f, t;
    SplitFileEntry(QStringLiteral("  /x/a.db | Orders "), f, t);
    EXPECT_EQ(f, QStringLiteral("/x/a.db"));
    EXPECT_EQ(t, QStringLiteral("Orders"));
    SplitFileEntry(QStringLiteral(" /x/b.db "), f, t);
    EXPECT_EQ(f, QStringLiteral("/x/b.db"));
    EXPECT_TRUE(t.isEmpty());
    EXPECT_EQ(ProjectKey(kDefaultProject), QString());
    EXPECT_EQ(ProjectKey(QStringLiteral("My Project 2")), QStringLiteral("MYPROJECT2"));
    EXPECT_EQ(ProjectFilesList(QStringLiteral("default")), QStringLiteral("DBRecent"));
    EXPECT_EQ(ProjectAutoOpenList(QStringLiteral("x-y")), QStringLiteral("AutoOpenDBsXY"));
    EXPECT_EQ(StatusWord(kStatusNotListed), QStringLiteral("Not yet listed"));
    EXPECT_EQ(StatusWord(2), QStringLiteral("Missing"));
}

TEST(FileList, StatusListFindsEveryEntryByItsFilePart) {
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("A.db")),
                  lower = dir.filePath(QStringLiteral("a.db")),
                  bad = dir.filePath(QStringLiteral("bad.db")),
                  gone = dir.filePath(QStringLiteral("gone.db"));
    for (const auto& [file, bytes] : {std::pair{good, QByteArray()}, std::pair{lower, QByteArray()},
                                      std::pair{bad, QByteArray(200, 'x')}}) {
        QFile w(file);
        ASSERT_TRUE(w.open(QIODevice::WriteOnly));
        w.write(bytes);
    }
    TFileStatusList s;
    CountingProgress p;
    // A table entry and a plain entry of the same file share one record;
    // names that differ only in case are different files.
    s.Check({good + QStringLiteral(" | T1"), QStringLiteral("  "), gone, good, lower, bad}, &p);
    EXPECT_EQ(s.Size(), 4);
    EXPECT_EQ(p.items.size(), 4);
    EXPECT_EQ(p.last, 1.0);
    EXPECT_TRUE(p.items.contains(QStringLiteral("Checking DB: bad.db")));
    EXPECT_EQ(s.StatusOf(good + QStringLiteral(" | T1")), 0);
    EXPECT_EQ(s.StatusOf(lower), 0);
    EXPECT_EQ(s.StatusOf(bad), -1);
    EXPECT_EQ(s.StatusOf(gone), 2);
    EXPECT_EQ(s.StatusOf(dir.filePath(QStringLiteral("other.db"))), kStatusNotListed);
    // A fresh probe replaces the stored record.
    QFile w(gone);
    ASSERT_TRUE(w.open(QIODevice::WriteOnly));
    w.close();
    EXPECT_EQ(s.Probe(gone).Status, 0);
    EXPECT_EQ(s.StatusOf(gone), 0);
}

} // namespace
} // namespace sky
