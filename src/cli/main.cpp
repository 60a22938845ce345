// skylark-cli: headless access to the engine and the tools.
#include "cli/CliCommands.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    QString err;
    const int rc = sky::cli::RunCli(args, err);
    std::fflush(stdout);
    if (!err.isEmpty()) {
        const QByteArray e = err.toUtf8();
        std::fwrite(e.constData(), 1, size_t(e.size()), stderr);
    }
    return rc;
}
