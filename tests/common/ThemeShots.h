// Screenshots for a look by eye: with SKYLARK_SHOT_DIR set (under Xvfb), a
// test takes its pictures once in each theme, light and dark.
#pragma once

#include "shell/ui/Themes.h"

#include <QApplication>
#include <QString>
#include <gtest/gtest.h>

namespace sky::test {

// The folder for the pictures; empty when none are wanted.
inline QString ShotDir() {
    return qEnvironmentVariable("SKYLARK_SHOT_DIR");
}

// shoot(name) in "Cyan Dusk" and "Paper White" (name: the theme without
// spaces, for the file names); the default theme afterwards.
template <typename Shoot> void InEachTheme(Shoot&& shoot) {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    ASSERT_TRUE(app);
    for (const QString& theme : {QStringLiteral("Cyan Dusk"), QStringLiteral("Paper White")}) {
        ASSERT_TRUE(ui::ApplyTheme(*app, theme));
        shoot(QString(theme).remove(u' '));
    }
    ui::ApplyTheme(*app, ui::kDefaultTheme);
}

} // namespace sky::test
