// skylark-cli: headless access to the engine and the tools.
#include "cli/CliCommands.h"

#include <QCoreApplication>
#include <csignal>

int main(int argc, char** argv) {
    // A write past the file-size limit then fails with EFBIG, as on a full
    // disk, and is reported instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    QString err;
    int rc = sky::cli::RunCliArgv(argc, argv, err);
    if (!err.isEmpty() && !sky::cli::WriteStderr(err.toUtf8()) && rc == 0) rc = 1;
    return rc;
}
