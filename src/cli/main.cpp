// skylark-cli: headless access to the engine and the tools.
#include "cli/CliCommands.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    QByteArray out;
    QString err;
    const int rc = sky::cli::RunCli(args, out, err);
    if (!out.isEmpty()) std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    if (!err.isEmpty()) {
        const QByteArray e = err.toUtf8();
        std::fwrite(e.constData(), 1, size_t(e.size()), stderr);
    }
    std::fflush(stdout);
    return rc;
}
