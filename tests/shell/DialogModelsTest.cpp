// Display-free rules of the dialogs and of start-up.
#include "shell/DialogModels.h"
#include "shell/Startup.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace sky {
namespace {

TEST(MessageRules, CountdownEscAndHeight) {
    MessageCountdown c(6);
    EXPECT_FALSE(c.LabelVisible());
    EXPECT_FALSE(c.Tick());
    EXPECT_FALSE(c.Tick());
    EXPECT_EQ(c.LabelText(), QStringLiteral("Auto-continue in 4s"));
    EXPECT_TRUE(c.LabelVisible());
    c.Reset();
    EXPECT_EQ(c.TimeLeft(), 6);
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(c.Tick());
    EXPECT_TRUE(c.Tick());
    EXPECT_FALSE(c.Tick()); // answered once
    MessageCountdown none(0);
    EXPECT_FALSE(none.Tick());
    EXPECT_FALSE(none.LabelVisible());

    EXPECT_EQ(EscAnswer(true, true, true), MsgAnswer::Cancel);
    EXPECT_EQ(EscAnswer(false, true, true), MsgAnswer::No);
    EXPECT_EQ(EscAnswer(false, false, true), MsgAnswer::Yes);
    EXPECT_FALSE(EscAnswer(false, false, false).has_value());

    EXPECT_EQ(MessageAreaHeight(1, 15), 32);
    EXPECT_EQ(MessageAreaHeight(2, 15), 42);
    EXPECT_EQ(MessageAreaHeight(100, 15), 680);
    EXPECT_EQ(BlendRgb(0x000000, 0xFFFFFF, 0.5), 0x808080u); // 127.5 rounds to even 128
    EXPECT_EQ(BlendRgb(0x102030, 0xFFFFFF, -1), 0x102030u);
    EXPECT_EQ(BlendRgb(0x102030, 0xFFFFFF, 2), 0xFFFFFFu);
}

TEST(ProgressRules, ThrottleFractionsAndTimes) {
    ProgressModel m(false, 0);
    EXPECT_TRUE(m.Advance(0.3, 0.6, 1)); // the first call refreshes
    EXPECT_EQ(ProgressModel::PercentText(m.Bar1()), QStringLiteral("60.0%"));
    int refreshes = 0;
    for (int i = 0; i < 100; ++i)
        refreshes += m.Advance(i / 100.0, -1, 1 + i) ? 1 : 0;
    EXPECT_EQ(refreshes, 0); // within 200 ms of the refresh
    EXPECT_TRUE(m.Advance(-1, -1, 250));
    EXPECT_DOUBLE_EQ(m.Bar1(), 0.99);

    ProgressModel d(true, 0);
    d.Advance(1.7, -3, 0);
    EXPECT_EQ(d.Bar1(), 1.0);
    EXPECT_EQ(d.Bar2(), 0.0);
    d.Advance(-1, 0.25, 0);
    EXPECT_EQ(d.Bar1(), 1.0);
    EXPECT_EQ(d.Bar2(), 0.25);

    ProgressModel r(true, 0);
    EXPECT_EQ(r.RemainingMs(10000), 0);
    r.Advance(0.25, -1, 10000);
    EXPECT_EQ(r.RemainingMs(10000), 31000); // 40 s in total + 1 s, 10 s gone
    EXPECT_EQ(ProgressModel::TimeText(83000), QStringLiteral("00h - 01m - 23s"));
    EXPECT_EQ(ProgressModel::TimeText(qint64(30) * 3600000 + 61000),
              QStringLiteral("30h - 01m - 01s"));
}

TEST(StartupRules, CommandLineFilesAreAbsoluteAndExact) {
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.db")),
                  b = dir.filePath(QStringLiteral("B.db"));
    for (const QString& f : {a, b}) {
        QFile w(f);
        ASSERT_TRUE(w.open(QIODevice::WriteOnly));
    }
    CommandLineFiles r =
        TakeCommandLineFiles({QStringLiteral("a.db"), b, QStringLiteral("missing.db"),
                              QStringLiteral("./a.db"), dir.path()},
                             {}, dir.path());
    EXPECT_EQ(r.added, (QStringList{a, b}));
    EXPECT_EQ(r.open, a);
    // Already listed: not added again, but the first is still opened; case counts.
    r = TakeCommandLineFiles({b, QStringLiteral("b.db")}, {b}, dir.path());
    EXPECT_TRUE(r.added.isEmpty());
    EXPECT_EQ(r.open, b);
    r = TakeCommandLineFiles({QStringLiteral("missing.db"), a}, {}, dir.path());
    EXPECT_EQ(r.added, QStringList{a});
    EXPECT_TRUE(r.open.isEmpty());
}

TEST(StartupRules, EngineInfoAndThemeViewerProtocol) {
    EXPECT_EQ(SQLiteInfoText(QStringLiteral("2022-12-28 14:03:47 abc"), QStringLiteral("3.40.1")),
              QStringLiteral("SQLite Info: \r  Release: 2022-12-28\r  Lib ver: 3.40.1\r  Lib:   "
                             "libsqlite3.so\r  sqlite3_analyzer\r  sqlite3"));
    const QStringList args = ThemeViewerArguments(
        10, 0, QStringLiteral("Skylark Themes"), QStringLiteral("Cyan Dusk"),
        QStringLiteral("/tmp/a b.cfg"), {QStringLiteral("Cyan Dusk"), QStringLiteral("Slate")});
    EXPECT_EQ(args, (QStringList{"x=10", "c=Skylark Themes", "a=Cyan Dusk", "f=/tmp/a b.cfg",
                                 "Cyan Dusk,Slate"}));
    const ThemeViewerRequest req = ParseThemeViewerArguments(args);
    EXPECT_EQ(req.x, 10);
    EXPECT_EQ(req.y, 0);
    EXPECT_EQ(req.active, QStringLiteral("Cyan Dusk"));
    EXPECT_EQ(req.answerFile, QStringLiteral("/tmp/a b.cfg"));
    EXPECT_EQ(req.names, (QStringList{"Cyan Dusk", "Slate"}));

    QTemporaryDir dir;
    const QString f = dir.filePath(QStringLiteral("answer.cfg"));
    EXPECT_EQ(ReadThemeAnswer(f), QString());
    ASSERT_TRUE(WriteThemeAnswer(f, QStringLiteral(" Slate ")));
    EXPECT_EQ(ReadThemeAnswer(f), QStringLiteral("Slate"));
}

} // namespace
} // namespace sky
