// An SQLite extension library built by the test with the system's C
// compiler: one function, half(x) = x / 2. Empty when it cannot be built.
#pragma once

#include "common/Process.h"

#include <QDir>
#include <QFile>

namespace sky::test {

inline QString BuildHalfExtension(const QString& folder) {
    const QString src = QDir(folder).filePath(QStringLiteral("half.c"));
    const QString lib = QDir(folder).filePath(QStringLiteral("libhalf.so"));
    QFile c(src);
    if (!c.open(QIODevice::WriteOnly)) return {};
    c.write("#include <sqlite3ext.h>\nSQLITE_EXTENSION_INIT1\n"
            "static void half(sqlite3_context* c, int n, sqlite3_value** v) {\n"
            "  (void)n; sqlite3_result_double(c, sqlite3_value_double(v[0]) / 2); }\n"
            "int sqlite3_extension_init(sqlite3* db, char** e, const sqlite3_api_routines* a) {\n"
            "  (void)e; SQLITE_EXTENSION_INIT2(a);\n"
            "  return sqlite3_create_function(db, \"half\", 1, SQLITE_UTF8, 0, half, 0, 0); }\n");
    c.close();
    const ProcessResult built =
        RunProgram(QStringLiteral("cc"), {"-shared", "-fPIC", "-o", lib, src});
    EXPECT_EQ(built.code, 0) << built.err.toStdString();
    return built.code == 0 ? lib : QString();
}

} // namespace sky::test
