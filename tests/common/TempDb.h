// Test fixture: a real SQLite file in a fresh temporary folder, opened
// through the connection object.
#pragma once

#include "common/Printers.h"
#include "engine/Database.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace sky::test {

class TempDbTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("test.db"));
        ASSERT_TRUE(db.Open(path)) << db.LastError().toStdString();
    }
    // Runs a script that must succeed.
    void Run(const QString& sql) {
        ASSERT_TRUE(db.ExecuteList(sql)) << db.LastError().toStdString();
    }
    QString Value(const QString& sql) {
        QString v;
        EXPECT_TRUE(db.QuerySingleValue(v, sql)) << db.LastError().toStdString();
        return v;
    }

    QTemporaryDir dir;
    QString path;
    TSQLite3Database db;
};

} // namespace sky::test
