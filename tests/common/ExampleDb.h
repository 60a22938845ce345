// Test fixture of the window tests: a fresh configuration folder and the
// example database built by the sqlite3 shell from the example SQL.
#pragma once

#include "common/Process.h"
#include "common/TempConfig.h"
#include "support/Folders.h"
#include "support/Settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace sky::test {

class ExampleDbTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseTempConfig(config);
        file = data.filePath(QStringLiteral("ExampleData.Tarndb"));
        QFile sql(QStringLiteral(EXAMPLE_SQL_PATH));
        ASSERT_TRUE(sql.open(QIODevice::ReadOnly));
        const ProcessResult r = RunProgram(QStringLiteral(SQLITE3_SHELL_PATH),
                                           {QStringLiteral("-bail"), file}, sql.readAll());
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
    }
    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }

    QTemporaryDir config, data;
    QString file;
};

} // namespace sky::test
