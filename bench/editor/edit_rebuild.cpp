// Times the data editor's script rebuild: a table of 10,000 rows is loaded,
// every row's name is changed (10,000 UPDATEs in the script), then single
// cells are typed again and again; each edit rebuilds the whole script.
// Prints the median milliseconds per edit.
#include "engine/Database.h"
#include "workspace/DataEditor.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace sky;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int edits = argc > 1 ? std::max(1, atoi(argv[1])) : 200;
    constexpr int kRows = 10000;
    QTemporaryDir dir;
    TSQLite3Database db;
    if (!db.Open(dir.filePath(QStringLiteral("e.db")))) return 1;
    if (!db.ExecuteList(QStringLiteral(
            "CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT, qty INT, price REAL, note TEXT);"
            "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 10000) "
            "INSERT INTO t SELECT i, 'name ' || i, i % 97, i / 8.0, 'note ''' || i || '''' "
            "FROM c;"))) {
        std::fprintf(stderr, "%s\n", qPrintable(db.LastError()));
        return 1;
    }
    DataEditorModel m;
    m.track.cur = {QString(), QStringLiteral("t")};
    QString status;
    if (!m.ReadColumns(db, status) || !m.LoadRows(db, QStringLiteral("1"), status) ||
        m.RowCount() != kRows) {
        std::fprintf(stderr, "%s\n", qPrintable(status));
        return 1;
    }
    m.DeferScript(true);
    for (int r = 0; r < kRows; ++r)
        m.SetCell(r, 1, QStringLiteral("edited ") + QString::number(r));
    m.DeferScript(false);
    std::vector<double> ms;
    QElapsedTimer t;
    for (int i = 0; i < edits; ++i) {
        const int row = (i * 7919) % kRows;
        t.start();
        m.SetCell(row, 4, QStringLiteral("typed ") + QString::number(i));
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    if (!m.Script().contains(QStringLiteral("typed ") + QString::number(edits - 1))) return 1;
    std::sort(ms.begin(), ms.end());
    std::printf("%.3f\n", ms[ms.size() / 2]);
    return 0;
}
