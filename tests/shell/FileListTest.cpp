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

TEST(FileList, EntryDrawingPiecesColoursAndSuffixes) {
    struct Case {
        const char* text;
        int status;
        bool open, expanded;
        const char* shown;
        quint32 extColour, background;
    };
    const Case cases[] = {
        {"/d/shop.db | customers", 0, true, true, "/d/shop.db --- \u2714 Connected (customers)",
         0xA0D090, 0xE0FFE8},
        {"/d/shop.db | customers", 0, true, false, "shop.db - \u2714 (customers)", 0xA0D090,
         0xE0FFE8},
        {"/d/a.b.sqlitedb", 0, false, true, "/d/a.b.sqlitedb --- \u2713 Ready", 0xA0D090,
         kListBase},
        {"/d/a.db", kStatusNotListed, false, false, "a.db - ?", 0xE0E040, kListBase},
        {"/d/a.db", kStatusNotListed, false, true, "/d/a.db --- ? Not yet listed", 0xE0E040,
         kListBase},
        {"/d/gone.db", 2, false, true, "/d/gone.db --- \u2718 Missing", 0xD0A090, kListBase},
        {"/d/noext", -1, false, false, "noext - \u2718", 0, kListBase},
    };
    for (const Case& c : cases) {
        const EntryDrawing d = DrawEntry(QString::fromUtf8(c.text), c.status, c.open, c.expanded);
        EXPECT_EQ(d.Text(), QString::fromUtf8(c.shown)) << c.text;
        EXPECT_EQ(d.background, c.background) << c.text;
        const qsizetype name = c.expanded ? 1 : 0;
        ASSERT_GT(d.pieces.size(), name + 1);
        EXPECT_TRUE(d.pieces[name].bold);
        EXPECT_EQ(d.pieces[name].rgb, 0x303030u);
        if (c.extColour) {
            EXPECT_TRUE(d.pieces[name + 1].italic) << c.text;
            EXPECT_EQ(d.pieces[name + 1].rgb, c.extColour) << c.text;
        }
        if (c.expanded) {
            EXPECT_EQ(d.pieces[0].rgb, 0x909098u);
        }
    }
    // Progress and failure lines of the search are drawn whole.
    const EntryDrawing finding = DrawEntry("Finding files, please wait...", 0, false, true);
    ASSERT_EQ(finding.pieces.size(), 1);
    EXPECT_EQ(finding.pieces[0].rgb, 0x4080A0u);
    EXPECT_TRUE(finding.pieces[0].bold && finding.pieces[0].italic);
    const EntryDrawing failed = DrawEntry("error reading x", 0, false, true);
    EXPECT_EQ(failed.pieces[0].rgb, 0xA08040u);
    EXPECT_FALSE(failed.pieces[0].italic);
}

TEST(FileList, PaneSizesAndCaptions) {
    // 80 % of the monitor clamped to 900..1600; half of it clamped to 600..990.
    EXPECT_EQ(ExpandedPaneSize(1000, 500).windowWidth, 900);
    EXPECT_EQ(ExpandedPaneSize(1000, 500).paneWidth, 600);
    EXPECT_EQ(ExpandedPaneSize(1920, 1000).windowWidth, 1536);
    EXPECT_EQ(ExpandedPaneSize(1920, 1000).paneWidth, 768);
    EXPECT_EQ(ExpandedPaneSize(3840, 1000).windowWidth, 1600);
    EXPECT_EQ(ExpandedPaneSize(3840, 2400).paneWidth, 990); // a wider window stays wide
    EXPECT_EQ(ExpandedPaneSize(3840, 2400).windowWidth, 2400);
    EXPECT_EQ(HeaderCaption(5, true), QStringLiteral("  Menu"));
    EXPECT_EQ(HeaderCaption(0, true), QStringLiteral("  Collapse"));
    EXPECT_TRUE(HeaderCaption(3, false).isEmpty());
}

} // namespace
} // namespace sky
