#include "shell/ui/InterimWindow.h"

#include <QLabel>
#include <gtest/gtest.h>
#include <sqlite3.h>

// The first window comes up offscreen and names the engine it runs on.
TEST(InterimWindow, ShowsProgramAndEngineVersion) {
    sky::ui::InterimWindow w;
    w.show();
    auto* label = qobject_cast<QLabel*>(w.centralWidget());
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->text().contains(QString::fromUtf8(sqlite3_libversion())));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Skylark"));
}
