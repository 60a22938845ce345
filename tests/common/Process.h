// Runs real programs for tests: skylark-cli, the sqlite3 shell and sqldiff.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>

namespace sky::test {

struct ProcessResult {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

// childSetup, when given, runs in the child before the program starts.
inline ProcessResult RunProgram(const QString& program, const QStringList& args,
                                const QByteArray& input = {},
                                const std::function<void()>& childSetup = {}) {
    QProcess p;
    if (childSetup) p.setChildProcessModifier(childSetup);
    p.start(program, args);
    EXPECT_TRUE(p.waitForStarted()) << program.toStdString();
    if (!input.isEmpty()) p.write(input);
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(120000));
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

inline ProcessResult Cli(const QStringList& args, const QByteArray& input = {}) {
    return RunProgram(QStringLiteral(SKYLARK_CLI_PATH), args, input);
}

// The sqlite3 shell on db with one argument of SQL (or dot command).
inline QByteArray Shell(const QString& db, const QString& sql) {
    return RunProgram(QStringLiteral(SQLITE3_SHELL_PATH), {db, sql}).out.trimmed();
}

// What sqldiff prints to turn a into b: empty when their contents agree.
inline QByteArray SqlDiff(const QString& a, const QString& b) {
    const ProcessResult r = RunProgram(QStringLiteral(SQLDIFF_PATH), {a, b});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    return r.out;
}

} // namespace sky::test
