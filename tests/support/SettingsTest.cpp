// The settings store: keys, values, bounds, lists, files and placements.
#include "support/Settings.h"
#include "support/Folders.h"
#include "support/SettingsCatalogue.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

namespace sky {
namespace {

TEST(SettingsKeys, NormalizeKeepsLettersAndDigitsUpperCased) {
    const struct {
        const char16_t* in;
        const char16_t* out;
    } cases[] = {
        {u"CFG_My Db", u"CFGMYDB"}, {u" Qry Limit ", u"QRYLIMIT"}, {u"a-b.c/d", u"ABCD"},
        {u"Café_ÅS", u"CAFÉÅS"},    {u"データ1", u"データ1"},      {u"___", u""},
        {u"straße", u"STRAßE"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NormalizeKey(QString::fromUtf16(c.in)), QString::fromUtf16(c.out))
            << QString::fromUtf16(c.in).toStdString();
    // Names that differ only in non-ASCII letters stay apart.
    EXPECT_NE(NormalizeKey(u"CFG_ärger"), NormalizeKey(u"CFG_rger"));
}

TEST(SettingsValues, PutGetSortedAndReplaced) {
    SettingList l;
    KVPut(l, QStringLiteral("Qry Limit"), QStringLiteral("500"));
    KVPut(l, QStringLiteral("ABC"), QStringLiteral(" x=y "));
    KVPut(l, QStringLiteral("QRYLIMITX"), QStringLiteral("1"));
    EXPECT_EQ(KVGet(l, QStringLiteral("QRYLIMIT"), QStringLiteral("d")), QStringLiteral("500"));
    EXPECT_EQ(KVGet(l, QStringLiteral("abc"), QString()), QStringLiteral("x=y"));
    EXPECT_EQ(KVGet(l, QStringLiteral("missing"), QStringLiteral(" d ")), QStringLiteral(" d "));
    EXPECT_EQ(l.lines, (QStringList{"ABC= x=y ", "QRYLIMIT=500", "QRYLIMITX=1"}));
    // A value with a line break leaves the old one; an empty key does nothing.
    KVPut(l, QStringLiteral("QryLimit"), QStringLiteral("1\n2"));
    KVPut(l, QStringLiteral("_ _"), QStringLiteral("v"));
    EXPECT_EQ(KVGet(l, QStringLiteral("QRYLIMIT"), QString()), QStringLiteral("500"));
    EXPECT_EQ(l.lines.size(), 3);
    KVPutNum(l, QStringLiteral("n"), 12.0);
    EXPECT_EQ(KVGet(l, QStringLiteral("N"), QString()), QStringLiteral("12"));
    KVPutNum(l, QStringLiteral("n"), 0.1);
    EXPECT_EQ(KVGet(l, QStringLiteral("N"), QString()), QStringLiteral("0.1"));
    KVPutBool(l, QStringLiteral("b"), true);
    EXPECT_EQ(KVGet(l, QStringLiteral("B"), QString()), QStringLiteral("1"));
}

TEST(SettingsValues, NumbersBoundsAndBools) {
    SettingList l;
    auto put = [&](const char* v) { KVPut(l, QStringLiteral("K"), QLatin1String(v)); };
    const struct {
        const char* stored;
        int def, min, max, want;
    } ints[] = {
        {"12.5", 7, 10, 100000, 12}, {"13.5", 7, 10, 100000, 14}, {"abc", 7, 10, 100000, 10},
        {"5", 7, 10, 0, 10},         {"500", 7, 10, 0, 500},      {"-5", 7, 0, 0, -5},
        {"7e2", 0, 0, 1000, 700},    {"1,234.5x", 0, 0, 0, 1234}, {"-3-", 0, -10, 10, -3},
        {"99999", 0, 10, 100, 100},
    };
    for (const auto& c : ints) {
        put(c.stored);
        EXPECT_EQ(KVGetInt(l, QStringLiteral("K"), c.def, c.min, c.max), c.want) << c.stored;
    }
    l.clear();
    EXPECT_EQ(KVGetInt(l, QStringLiteral("K"), 1000, 10, 100000), 1000); // default unbounded
    EXPECT_EQ(KVGetInt(l, QStringLiteral("K"), 5, 10, 100000), 5);
    const struct {
        const char* stored;
        bool want;
    } bools[] = {{"2", true},   {"1", true},  {"0", false},
                 {"-1", false}, {"x", false}, {"0.6", true}};
    for (const auto& c : bools) {
        put(c.stored);
        EXPECT_EQ(KVGetBool(l, QStringLiteral("K"), !c.want), c.want) << c.stored;
    }
    l.clear();
    EXPECT_TRUE(KVGetBool(l, QStringLiteral("K"), true));
    EXPECT_FALSE(KVGetBool(l, QStringLiteral("K"), false));

    EXPECT_EQ(TextToNumber(u" 1.5e3 "), 1500);
    EXPECT_EQ(TextToNumber(u"1.2E"), 1.2);
    EXPECT_EQ(TextToNumber(u"--"), 0);
    EXPECT_EQ(TextToNumber(u"inf"), 0);
    EXPECT_EQ(TextToNumber(u"0x10"), 10);
}

TEST(SettingsValues, ListsSurviveSeparators) {
    SettingList l;
    const QStringList lines{" SELECT 1; SELECT 2 ", "", "a;b", "plain"};
    KVPutList(l, QStringLiteral("hist"), lines);
    EXPECT_EQ(KVGet(l, QStringLiteral("HIST"), QString()),
              QStringLiteral("SELECT 1;.SELECT 2; a;b; plain"));
    QStringList back{"kept"};
    KVGetList(l, QStringLiteral("hist"), back, false);
    EXPECT_EQ(back, (QStringList{"kept", "SELECT 1; SELECT 2", "a;b", "plain"}));
    KVGetList(l, QStringLiteral("hist"), back, true);
    EXPECT_EQ(back.size(), 3);
    KVGetList(l, QStringLiteral("none"), back, true);
    EXPECT_TRUE(back.isEmpty());
}

TEST(SettingsFiles, SaveLoadFormatsAndNames) {
    QTemporaryDir dir;
    const QString d = dir.path() + QLatin1Char('/');
    EXPECT_TRUE(ListSave(QStringList{"A=1", "é=ü"}, QStringLiteral("DBRecent"), d));
    QFile f(d + QStringLiteral("DataSet_DBRECENT.dblst"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("A=1\r\n\xC3\xA9=\xC3\xBC\r\n"));
    f.close();
    QStringList lines;
    EXPECT_TRUE(ListLoad(lines, QStringLiteral("db recent"), d));
    EXPECT_EQ(lines, (QStringList{"A=1", "é=ü"}));
    EXPECT_FALSE(ListLoad(lines, QStringLiteral("missing"), d));
    EXPECT_TRUE(lines.isEmpty());
    EXPECT_FALSE(ListSave(QStringList{"x"}, QStringLiteral("__"), d));
    EXPECT_FALSE(ListSave(QStringList{"x"}, QStringLiteral("x"), d + QStringLiteral("no/dir/")));

    // BOMs, Windows-1252 bytes and every line end.
    const struct {
        QByteArray bytes;
        QStringList want;
    } files[] = {
        {QByteArray("\xEF\xBB\xBFK=v\nL=w"), {"K=v", "L=w"}},
        {QByteArray("\xFF\xFEK\0=\0\xE9\0\r\0\n\0", 12), {"K=é"}},
        {QByteArray("K=caf\xE9\rX=\x80"), {"K=café", "X=€"}},
        {QByteArray("a\r\n\r\nb\r\n"), {"a", "", "b"}},
    };
    for (const auto& c : files) {
        QFile w(d + QStringLiteral("DataSet_T.dblst"));
        ASSERT_TRUE(w.open(QIODevice::WriteOnly));
        w.write(c.bytes);
        w.close();
        EXPECT_TRUE(ListLoad(lines, QStringLiteral("t"), d));
        EXPECT_EQ(lines, c.want);
    }
}

TEST(SettingsFiles, UnsortedFileIsFoundAndSortedOnInsert) {
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    ASSERT_TRUE(EnsureFolders());
    ASSERT_TRUE(ListSave(QStringList{"ZED=1", "ALPHA=2", "MID=3"}, QStringLiteral("hand")));
    SettingList l;
    ASSERT_TRUE(ListLoad(l, QStringLiteral("hand")));
    EXPECT_EQ(KVGet(l, QStringLiteral("alpha"), QString()), QStringLiteral("2"));
    EXPECT_EQ(KVGet(l, QStringLiteral("zed"), QString()), QStringLiteral("1"));
    KVPut(l, QStringLiteral("beta"), QStringLiteral("4"));
    EXPECT_EQ(l.lines, (QStringList{"ALPHA=2", "BETA=4", "MID=3", "ZED=1"}));
    EXPECT_EQ(KVGet(l, QStringLiteral("mid"), QString()), QStringLiteral("3"));
    // A repeated key (hand-edited file) reads the value put last.
    SettingList dup = SettingListFromLines({"K=HEIGH; W", "K=HEIGHT=2", "Q=1"});
    KVPut(dup, QStringLiteral("k"), QStringLiteral("new"));
    EXPECT_EQ(KVGet(dup, QStringLiteral("K"), QString()), QStringLiteral("new"));
    EXPECT_EQ(dup.lines, (QStringList{"K=new", "Q=1"}));

    // SystemConfig is written only when a Cfg write changed it.
    CfgLoad();
    const QString file = SettingsDir() + QStringLiteral("DataSet_SYSTEMCONFIG.dblst");
    EXPECT_TRUE(CfgFlush());
    EXPECT_FALSE(QFile::exists(file));
    CfgPutNum(QStringLiteral("QryLimit"), 250);
    EXPECT_TRUE(SystemConfigChanged());
    EXPECT_TRUE(CfgFlush());
    EXPECT_FALSE(SystemConfigChanged());
    CfgLoad();
    EXPECT_EQ(CfgGetInt(QStringLiteral("QRYLIMIT"), 1000, 10, 100000), 250);
    qunsetenv("XDG_CONFIG_HOME");
}

TEST(SettingsCatalogue, EntriesAreBoundedUniqueAndListed) {
    QSet<QString> keys;
    auto unique = [&](const char* key) {
        const QString k = NormalizeKey(QString::fromLatin1(key));
        EXPECT_FALSE(k.isEmpty()) << key;
        EXPECT_FALSE(keys.contains(k)) << key << " twice";
        keys.insert(k);
    };
    // min < max: with min == max the store would not clamp at all.
    for (const IntSetting* s : IntSettings()) {
        unique(s->key);
        EXPECT_LT(s->min, s->max) << s->key;
        EXPECT_GE(s->def, s->min) << s->key;
        EXPECT_LE(s->def, s->max) << s->key;
    }
    for (const BoolSetting* s : BoolSettings())
        unique(s->key);
    for (const TextSetting* s : TextSettings())
        unique(s->key);
    EXPECT_TRUE(keys.contains(QStringLiteral("MAXHIST"))); // the listings hold the entries
    EXPECT_EQ(setting::QryLimit.WithMax(500).max, 500);
    EXPECT_EQ(setting::QryLimit.WithMax(500).def, setting::QryLimit.def);
}

TEST(SettingsCatalogue, StoredValuesReadClampedAsBefore) {
    // Every number setting reads as the store's bounded read with the
    // catalogue's figures: out of range clamps, missing gives the default.
    const char* stored[] = {"", "abc", "-100000000", "1e12", "5.5", "12", "-1", "99999"};
    for (const IntSetting* s : IntSettings()) {
        SettingList l;
        EXPECT_EQ(KVGet(l, *s), s->def) << s->key;
        for (const char* v : stored) {
            KVPut(l, QString::fromLatin1(s->key), QLatin1String(v));
            const int got = KVGet(l, *s);
            EXPECT_EQ(got, KVGetInt(l, QString::fromLatin1(s->key), s->def, s->min, s->max))
                << s->key << " " << v;
            if (*v) {
                EXPECT_GE(got, s->min) << s->key << " " << v;
                EXPECT_LE(got, s->max) << s->key << " " << v;
            }
        }
        KVPut(l, *s, s->max + 1);
        EXPECT_EQ(KVGet(l, *s), s->max) << s->key;
        KVPut(l, *s, s->min - 1);
        EXPECT_EQ(KVGet(l, *s), s->min) << s->key;
    }
    // Flags stored as 0/1 read as the old "value clamped to 0..1 equals 1".
    for (const BoolSetting* s : BoolSettings()) {
        SettingList l;
        EXPECT_EQ(KVGet(l, *s), s->def) << s->key;
        for (const char* v : {"0", "1", "2", "-1", "0.4", "0.6", "x"}) {
            KVPut(l, QString::fromLatin1(s->key), QLatin1String(v));
            EXPECT_EQ(KVGet(l, *s), KVGetInt(l, QString::fromLatin1(s->key), 0, 0, 1) == 1)
                << s->key << " " << v;
        }
    }
    EXPECT_EQ(Clamped(setting::QryLimit, 5), 10);
    EXPECT_EQ(Clamped(setting::QryLimit, 1e300), 100000);
    EXPECT_EQ(Clamped(setting::QryLimit, 999.9), 999);
    EXPECT_EQ(Clamped(setting::QryLimit, std::nan("")), 1000);
}

TEST(SettingsCatalogue, ProgramSettingsGoThroughSystemConfig) {
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    ASSERT_TRUE(EnsureFolders());
    CfgLoad();
    EXPECT_EQ(CfgGet(setting::MaxHist), 300);
    EXPECT_EQ(CfgGet(setting::ResNulls), QStringLiteral("NULL"));
    EXPECT_EQ(CfgGet(setting::Theme), QString()); // the caller's default
    EXPECT_EQ(CfgGet(setting::Theme, QStringLiteral("T")), QStringLiteral("T"));
    EXPECT_TRUE(CfgGet(setting::ShowTooltips));
    CfgPut(setting::MaxHist, 5);
    CfgPut(setting::ShowTooltips, false);
    CfgPut(setting::Theme, QStringLiteral("Dark"));
    EXPECT_EQ(CfgGet(QStringLiteral("MAX_HIST"), QString()), QStringLiteral("5")); // as written
    EXPECT_EQ(CfgGet(setting::MaxHist), 10);
    EXPECT_FALSE(CfgGet(setting::ShowTooltips));
    EXPECT_EQ(CfgGet(setting::Theme, QStringLiteral("T")), QStringLiteral("Dark"));
    EXPECT_TRUE(CfgFlush());
    CfgLoad();
    EXPECT_EQ(CfgGet(setting::Theme), QStringLiteral("Dark"));
    qunsetenv("XDG_CONFIG_HOME");
}

TEST(SettingsFolders, ScratchIsPrivateAndMarkerIsReduced) {
    const QString scratch = ScratchDir();
    ASSERT_FALSE(scratch.isEmpty());
    EXPECT_TRUE(scratch.endsWith(QLatin1Char('/')));
    EXPECT_EQ(QFile::permissions(scratch) &
                  (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
              QFile::Permissions());
    EXPECT_EQ(InstanceMarkerName(QStringLiteral("Tool 2.exe")),
              QStringLiteral("KSAppInstanceCheck_TOOL2EXE"));
    EXPECT_EQ(FileVersionText().count(QLatin1Char('.')), 3);
}

// A window and monitors without a display.
class FakeWindow : public PlacementWindow {
public:
    // One 1920 x 1080 monitor. (A braced list as the member's initializer
    // leaves its temporary array to the optimizer, which then warns that it
    // may be read uninitialized.)
    FakeWindow() { monitors.append(QRect(0, 0, 1920, 1080)); }
    QRect geometry{100, 100, 800, 600};
    bool maximized = false;
    QList<QRect> monitors;
    int monitor = 0;
    bool IsMaximized() const override { return maximized; }
    void ShowNormal() override { maximized = false; }
    void ShowMaximized() override { maximized = true; }
    QRect Geometry() const override { return geometry; }
    void SetGeometry(const QRect& r) override { geometry = r; }
    int MinimumWidth() const override { return 300; }
    int MinimumHeight() const override { return 200; }
    QList<QRect> Monitors() const override { return monitors; }
    QList<QRect> WorkAreas() const override {
        QList<QRect> a;
        for (const QRect& m : monitors)
            a << m.adjusted(0, 0, 0, -40);
        return a;
    }
    int MonitorIndex() const override { return monitor; }
};

TEST(SettingsPlacement, SavedAndRestoredAcrossMonitors) {
    SettingList l;
    FakeWindow w;
    w.monitors << QRect(1920, 0, 1280, 1024);
    w.monitor = 1;
    w.geometry = QRect(2000, 50, 700, 500);
    w.maximized = true;
    PlacementSave(l, QStringLiteral("frmX"), w);
    EXPECT_EQ(KVGet(l, QStringLiteral("FRMX"), QString()),
              QStringLiteral("HEIGHT=500; LEFT=80; MONITOR=1; STATE=Maximized; TOP=50; WIDTH=700"));
    EXPECT_TRUE(w.maximized);

    // Same monitors: back where it was.
    FakeWindow same;
    same.monitors = w.monitors;
    PlacementRestore(l, QStringLiteral("frmX"), same, false);
    EXPECT_EQ(same.geometry, QRect(2000, 50, 700, 500));
    EXPECT_TRUE(same.maximized);

    // The second monitor is gone: onto the first, inside its area.
    FakeWindow gone;
    PlacementRestore(l, QStringLiteral("frmX"), gone, false);
    EXPECT_EQ(gone.geometry, QRect(80, 50, 700, 500));

    // Too big for the monitor: sizes bounded, position clamped.
    KVPut(l, QStringLiteral("big"),
          QStringLiteral("HEIGHT=5000; LEFT=-300; MONITOR=0; STATE=Normal; TOP=900; WIDTH=100"));
    FakeWindow big;
    PlacementRestore(l, QStringLiteral("big"), big, false);
    EXPECT_EQ(big.geometry, QRect(0, 1080 - 1040, 300, 1040));
    EXPECT_FALSE(big.maximized);
    // Position only keeps the size.
    FakeWindow pos;
    PlacementRestore(l, QStringLiteral("big"), pos, true);
    EXPECT_EQ(pos.geometry, QRect(0, 480, 800, 600));
    // Nothing stored: unchanged.
    FakeWindow none;
    PlacementRestore(l, QStringLiteral("missing"), none, false);
    EXPECT_EQ(none.geometry, QRect(100, 100, 800, 600));
}

} // namespace
} // namespace sky
