// Placement and layout of the shell's windows and pages under the offscreen
// platform: the about box centred, the theme viewer inside the screen, the
// documentation links wrapping, and the settings and information pages as
// forms whose captions and fields never overlap.
#include "common/TempConfig.h"
#include "common/UiAnswer.h"
#include "engine/Database.h"
#include "shell/Placement.h"
#include "shell/ui/AboutBox.h"
#include "shell/ui/AppFrame.h"
#include "shell/ui/DocsPage.h"
#include "shell/ui/OverviewWindow.h"
#include "shell/ui/StyleViewerWindow.h"
#include "shell/ui/Themes.h"
#include "shell/ui/WidgetPlacement.h"
#include "support/Folders.h"
#include "support/Settings.h"
#include "workspace/ui/WorkspaceWindow.h"

#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace sky::ui {
namespace {

QString Describe(const QRect& r) {
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

bool OnSomeScreen(const QRect& r) {
    for (const QRect& a : AvailableAreas())
        if (a.contains(r)) return true;
    return false;
}

TEST(Layout, AboutBoxIsCentredEveryTimeItIsShown) {
    TfrmSKYAbout about;
    const QRect area = PointerScreen()->availableGeometry();
    for (int round = 0; round < 2; ++round) {
        about.About();
        RunEventsFor(50);
        EXPECT_EQ(about.frameGeometry(), CentredOn(about.frameGeometry().size(), area))
            << Describe(about.frameGeometry()).toStdString();
        about.hide();
        about.move(area.topLeft() + QPoint(3, 7)); // moved away: the next showing centres again
    }
}

TEST(Layout, ThemeViewerStaysInsideTheScreen) {
    const QRect area = PointerScreen()->availableGeometry();
    const struct {
        QPoint asked;
        bool kept; // the asked position is inside and stays
    } cases[] = {{area.topLeft() + QPoint(10, 20), true},
                 {area.bottomRight() - QPoint(50, 50), false},
                 {QPoint(area.right() + 4000, area.top() + 10), false}};
    for (const auto& c : cases) {
        ThemeViewerRequest r;
        r.x = c.asked.x();
        r.y = c.asked.y();
        r.names = ThemeNames();
        r.active = kDefaultTheme;
        StyleViewerWindow w(r);
        w.show();
        RunEventsFor(50);
        const QRect g = w.frameGeometry();
        EXPECT_TRUE(OnSomeScreen(g)) << Describe(g).toStdString();
        if (c.kept) {
            EXPECT_EQ(g.topLeft(), c.asked);
        }
    }
}

TEST(Layout, DocumentationLinksWrapOnANarrowPage) {
    TDocsPage page(nullptr, true);
    page.show();
    RunEventsFor(20);
    // The links no longer ask for one long row: the page can be narrow.
    const int narrow = page.minimumSizeHint().width();
    ASSERT_LE(narrow, 500);
    for (int width : {narrow, 600, 1400}) {
        page.resize(width, 500);
        RunEventsFor(20);
        const QList<QPushButton*> links = page.Links()->findChildren<QPushButton*>();
        ASSERT_GE(links.size(), 6);
        QSet<int> rows;
        for (QPushButton* b : links) {
            const QRect g(b->mapTo(&page, QPoint(0, 0)), b->size());
            EXPECT_TRUE(b->isVisible());
            EXPECT_GE(g.left(), 0) << b->text().toStdString();
            EXPECT_LE(g.right(), page.width() - 1) << b->text().toStdString() << " at " << width;
            EXPECT_GE(b->width(), b->sizeHint().width()) << b->text().toStdString();
            rows.insert(g.top());
        }
        if (width == narrow) {
            EXPECT_GT(rows.size(), 1u);
        }
        // The about button below the links is not covered by them.
        auto* about = page.findChild<QPushButton*>(QStringLiteral("btnDocsAbout"));
        ASSERT_TRUE(about);
        const QRect linksRect(page.Links()->mapTo(&page, QPoint(0, 0)), page.Links()->size());
        for (QPushButton* b : links)
            EXPECT_LE(b->mapTo(&page, QPoint(0, b->height())).y(),
                      about->mapTo(&page, QPoint(0, 0)).y());
        EXPECT_TRUE(linksRect.isValid());
    }
}

// Every row of the page's form: caption left of its field, nothing clipped,
// rows below each other, all inside the page.
void ExpectAlignedForm(QWidget* page, int minRows) {
    auto* form = page->findChild<QFormLayout*>();
    ASSERT_TRUE(form) << page->objectName().toStdString();
    ASSERT_GE(form->rowCount(), minRows) << page->objectName().toStdString();
    int lastBottom = -1, labelRight = -1;
    for (int i = 0; i < form->rowCount(); ++i) {
        QLayoutItem* l = form->itemAt(i, QFormLayout::LabelRole);
        QLayoutItem* f = form->itemAt(i, QFormLayout::FieldRole);
        if (!l || !f) continue;
        const QRect lg = l->geometry(), fg = f->geometry();
        const std::string what = page->objectName().toStdString() + " row " + std::to_string(i);
        EXPECT_FALSE(lg.intersects(fg)) << what;
        EXPECT_LT(lg.right(), fg.left()) << what;
        EXPECT_GE(lg.width(), l->sizeHint().width()) << what << " caption clipped";
        EXPECT_GE(fg.width(), f->minimumSize().width()) << what << " field clipped";
        EXPECT_LE(fg.right(), page->width()) << what << " field outside the page";
        EXPECT_GT(lg.top(), lastBottom - 1) << what << " overlaps the row above";
        lastBottom = std::max(lg.bottom(), fg.bottom());
        // One caption column: every field starts right of every caption.
        if (labelRight >= 0) {
            EXPECT_GT(fg.left(), labelRight) << what;
        }
        labelRight = std::max(labelRight, lg.right());
        // Fields sized to their content, not stretched over the page.
        if (qobject_cast<QLineEdit*>(f->widget())) {
            EXPECT_LT(fg.width(), page->width() / 2) << what;
        }
    }
}

class PagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::UseTempConfig(config);
        file = data.filePath(QStringLiteral("shop_data.db"));
        TSQLite3Database db;
        ASSERT_TRUE(db.Open(file));
        ASSERT_TRUE(db.ExecuteList(QStringLiteral("PRAGMA application_id=255;"
                                                  "CREATE TABLE customers(a);")));
    }
    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }
    static QWidget* Page(TfrmSKYOview* ov, const QString& caption) {
        for (int i = 0; i < ov->Pages()->count(); ++i)
            if (ov->Pages()->tabText(i) == caption) {
                ov->Pages()->setCurrentIndex(i);
                RunEventsFor(50);
                return ov->Pages()->widget(i);
            }
        return nullptr;
    }
    QTemporaryDir config, data;
    QString file;
};

TEST_F(PagesTest, SettingsAndInformationPagesAreAlignedForms) {
    TfrmSKYApp frame;
    QPointer<TfrmSKYOview> ov = new TfrmSKYOview(&frame, {{file}, data.path(), false, QString()});
    ASSERT_TRUE(WaitFor([&] { return ov->Started(); }));
    ov->resize(1100, 680);
    ASSERT_GT(ov->FileList()->count(), 0);
    ov->FileList()->setCurrentRow(0);
    QWidget* settings = Page(ov, QStringLiteral("  Settings  "));
    ASSERT_TRUE(settings);
    ExpectAlignedForm(settings, 8);
    QWidget* info = Page(ov, QStringLiteral("  Database Info  "));
    ASSERT_TRUE(info);
    ExpectAlignedForm(info, 15);
    auto* name = info->findChild<QLabel*>(QStringLiteral("lblDBName"));
    ASSERT_TRUE(name);
    EXPECT_EQ(name->text(), QStringLiteral("shop data"));
    bool sawId = false;
    for (QLabel* l : info->findChildren<QLabel*>())
        sawId = sawId || l->text().contains(QStringLiteral("0xFF"));
    EXPECT_TRUE(sawId);

    // The workspace's settings page likewise.
    QPointer<TfrmSKYMain> w = new TfrmSKYMain;
    w->Init(file, QString());
    w->resize(1100, 680);
    w->ShowAndRaise();
    QWidget* ws = w->findChild<QWidget*>(QStringLiteral("tsSettings"));
    ASSERT_TRUE(ws);
    for (QTabWidget* tabs : w->findChildren<QTabWidget*>())
        if (tabs->indexOf(ws) >= 0) tabs->setCurrentWidget(ws);
    RunEventsFor(50);
    ExpectAlignedForm(ws, 2);
    w->close();

    // For a look by eye (SKYLARK_SHOT_DIR=folder, under Xvfb): the three
    // pages in two themes.
    if (const QString shots = qEnvironmentVariable("SKYLARK_SHOT_DIR"); !shots.isEmpty()) {
        auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
        ASSERT_TRUE(app);
        for (const QString& theme : {QStringLiteral("Cyan Dusk"), QStringLiteral("Paper White")}) {
            ASSERT_TRUE(ApplyTheme(*app, theme));
            const QString t = QString(theme).remove(u' ');
            for (const char* page :
                 {"  Settings  ", "  Database Info  ", "  SQL Documentation  "}) {
                Page(ov, QLatin1String(page));
                const QString n = QString::fromLatin1(page).trimmed().remove(u' ');
                EXPECT_TRUE(ov->grab().save(shots + "/overview-" + n + "-" + t + ".png", "PNG"));
            }
        }
        ApplyTheme(*app, kDefaultTheme);
    }
    ov->close();
    ASSERT_TRUE(WaitFor([&] { return frame.Closed(); }));
}

} // namespace
} // namespace sky::ui
