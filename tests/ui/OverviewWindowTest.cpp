// The overview window under the offscreen platform: first start, the file
// list's status texts, opening a file and its connected state.
#include "shell/ui/OverviewWindow.h"
#include "engine/Database.h"
#include "shell/ui/AppFrame.h"
#include "support/Folders.h"
#include "support/Settings.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QListWidget>
#include <QPointer>
#include <QShortcut>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace sky::ui {
namespace {

template <typename Pred> bool WaitFor(Pred p, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!p() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return p();
}

class OverviewWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        EnsureFolders();
        CfgLoad();
    }
    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }
    QTemporaryDir config, data;
};

TEST_F(OverviewWindowTest, FirstStartShowsTheSearchPage) {
    TfrmSKYApp frame;
    QPointer<TfrmSKYOview> ov = new TfrmSKYOview(&frame, StartOptions{});
    ASSERT_TRUE(WaitFor([&] { return ov->Started(); }));
    EXPECT_EQ(ov->Pages()->tabText(ov->Pages()->currentIndex()), QStringLiteral("  Search  "));
    EXPECT_EQ(ov->FileList()->count(), 0);
    ov->close();
    ASSERT_TRUE(WaitFor([&] { return frame.Closed(); }));
}

TEST_F(OverviewWindowTest, StatusTextsAndConnectedFiles) {
    const QString good = data.filePath(QStringLiteral("shop.db")),
                  bad = data.filePath(QStringLiteral("bad.db"));
    {
        TSQLite3Database db;
        ASSERT_TRUE(db.Open(good));
        ASSERT_TRUE(db.ExecuteList(QStringLiteral("CREATE TABLE customers(a);")));
    }
    QFile b(bad);
    ASSERT_TRUE(b.open(QIODevice::WriteOnly));
    b.write(QByteArray(200, 'x'));
    b.close();
    TfrmSKYApp frame;
    QPointer<TfrmSKYOview> ov =
        new TfrmSKYOview(&frame, StartOptions{{bad, good}, data.path(), false, QString()});
    ASSERT_TRUE(WaitFor([&] { return ov->Started(); }));
    // The first parameter is invalid: listed but not opened.
    EXPECT_TRUE(ov->OpenedFile().isEmpty());
    ASSERT_EQ(ov->FileList()->count(), 2);
    EXPECT_EQ(ov->FileList()->item(0)->text(), QStringLiteral("bad.db --- \u2718 Invalid"));
    EXPECT_EQ(ov->FileList()->item(1)->text(), QStringLiteral("shop.db --- \u2713 Ready"));
    ASSERT_TRUE(ov->Controller().OpenEntry(good + QStringLiteral(" | customers")));
    ov->RefreshFiles();
    EXPECT_EQ(ov->OpenedFile(), good);
    EXPECT_EQ(ov->FileList()->item(0)->text(),
              QStringLiteral("shop.db --- \u2714 Connected (customers)"));
    // Ctrl+C copies every entry.
    QGuiApplication::clipboard()->clear();
    for (QShortcut* s : ov->FileList()->findChildren<QShortcut*>())
        Q_EMIT s->activated();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), ov->Files().join(QStringLiteral("\r\n")));
    ov->close();
    ASSERT_TRUE(WaitFor([&] { return frame.Closed(); }));
}

} // namespace
} // namespace sky::ui
