// Times loading a script into the script cache: a script of N statements
// and one of 10 N (INSERTs with a parameter marker, a trigger now and then),
// each parsed into a fresh cache three times; prints the median seconds of
// both and their ratio (linear loading gives about 10).
#include "script/ScriptCache.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace sky;

namespace {

bool MakeScript(const QString& file, int statements) {
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly)) return false;
    QByteArray chunk;
    for (int i = 1; i <= statements; ++i) {
        if (i % 1000 == 0)
            chunk += "CREATE TRIGGER tr" + QByteArray::number(i) +
                     " AFTER INSERT ON t BEGIN\r\n  UPDATE t SET qty = CASE WHEN qty > 1 THEN 1 "
                     "ELSE 0 END;\r\nEND;\r\n";
        else
            chunk += "-- item " + QByteArray::number(i) +
                     "\r\nINSERT INTO t(name, qty) VALUES ('<@prefix DEFAULT item@> " +
                     QByteArray::number(i) + "; x', " + QByteArray::number(i % 97) + ");\r\n";
        if (chunk.size() > (1 << 20)) {
            out.write(chunk);
            chunk.clear();
        }
    }
    out.write(chunk);
    return out.error() == QFile::NoError;
}

double MedianParse(const QString& dir, const QString& script, int runs) {
    std::vector<double> s;
    for (int k = 0; k < runs; ++k) {
        const QString file = dir + QStringLiteral("/cache%1.sqlitedb").arg(k);
        QFile::remove(file);
        ScriptCache cache;
        QString error;
        if (!cache.Open(file, error)) return -1;
        QElapsedTimer t;
        t.start();
        if (cache.Parse(script, error) <= 0) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return -1;
        }
        s.push_back(double(t.nsecsElapsed()) / 1e9);
    }
    std::sort(s.begin(), s.end());
    return s[s.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int n = argc > 1 ? std::max(1000, atoi(argv[1])) : 100000;
    QTemporaryDir dir;
    const QString small = dir.filePath(QStringLiteral("small.sql")),
                  big = dir.filePath(QStringLiteral("big.sql"));
    if (!MakeScript(small, n) || !MakeScript(big, 10 * n)) return 1;
    const double a = MedianParse(dir.path(), small, 3), b = MedianParse(dir.path(), big, 3);
    if (a <= 0 || b <= 0) return 1;
    std::printf("%.3f %.3f %.2f\n", a, b, b / a);
    return 0;
}
