// Times the table designer's regeneration: a 100-column table with 20
// indexes and 20 triggers is loaded, then one column is renamed again and
// again; each edit rebuilds the sheet, the script, the menu and the
// warnings. Prints the median milliseconds per edit and writes the table's
// script (for the peer) to the file given.
#include "design/TableDesigner.h"
#include "engine/Database.h"
#include "support/Prompter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace sky;

namespace {
class NoDialogs : public DesignerDialogs {
public:
    bool EditIndex(TIndexLayout&, const QStringList&) override { return false; }
    bool EditTrigger(TTriggerLayout&, const QStringList&) override { return false; }
    bool EditKey(TFKeyLayout&, const QStringList&) override { return false; }
    bool EditCheck(TFKeyLayout&, const QStringList&) override { return false; }
    bool EditFKey(TFKeyLayout&, TSQLite3Database*, const QStringList&, const QString&) override {
        return false;
    }
};
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: designer_regen SCRIPT-OUT [EDITS]\n");
        return 2;
    }
    const int edits = argc > 2 ? std::max(1, atoi(argv[2])) : 200;
    QTemporaryDir dir;
    TSQLite3Database db;
    if (!db.Open(dir.filePath(QStringLiteral("d.db")))) return 1;
    QString sql = QStringLiteral("CREATE TABLE wide(id INTEGER PRIMARY KEY");
    for (int c = 1; c < 100; ++c)
        sql += QStringLiteral(", c%1 %2 DEFAULT %3")
                   .arg(c)
                   .arg(c % 2 ? QStringLiteral("TEXT") : QStringLiteral("INTEGER"))
                   .arg(c);
    sql += QStringLiteral(");");
    for (int i = 1; i <= 20; ++i) {
        sql += QStringLiteral("CREATE INDEX wide_i%1 ON wide(c%1, c%2);").arg(i).arg(i + 20);
        sql += QStringLiteral("CREATE TRIGGER wide_t%1 AFTER UPDATE OF c%1 ON wide BEGIN "
                              "UPDATE wide SET c%2 = new.c%1 WHERE id = new.id; END;")
                   .arg(i)
                   .arg(i + 40);
    }
    if (!db.ExecuteList(sql)) {
        std::fprintf(stderr, "%s\n", qPrintable(db.LastError()));
        return 1;
    }
    CountdownPrompter prompts;
    NoDialogs dialogs;
    TableDesignerController designer(prompts, dialogs);
    TTableLayout layout;
    layout.OldName = QStringLiteral("wide");
    layout.tblName = QStringLiteral("wide");
    designer.Load(layout, &db, false);
    designer.SelectCell(1, 50);
    std::vector<double> ms;
    QElapsedTimer t;
    for (int i = 0; i < edits; ++i) {
        t.start();
        designer.SetColumnName(i % 2 ? QStringLiteral("c49") : QStringLiteral("renamed"));
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    QFile out(QString::fromLocal8Bit(argv[1]));
    if (!out.open(QIODevice::WriteOnly)) return 1;
    out.write(sql.toUtf8());
    std::printf("%.3f\n", ms[ms.size() / 2]);
    return 0;
}
