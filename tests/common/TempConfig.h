// The program's settings in a fresh temporary folder: XDG_CONFIG_HOME points
// there, the program's folders are made and the (default) settings loaded.
#pragma once

#include "support/Folders.h"
#include "support/Settings.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace sky::test {

inline void UseTempConfig(const QTemporaryDir& config) {
    ASSERT_TRUE(config.isValid());
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    EnsureFolders();
    CfgLoad();
}

} // namespace sky::test
