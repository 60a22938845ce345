#include "shell/ui/InterimWindow.h"

#include "engine/Database.h"

#include <QLabel>

namespace sky::ui {

InterimWindow::InterimWindow(QWidget* parent) : QMainWindow(parent) {
    TSQLite3Database db;
    FVersionText = QStringLiteral("Skylark ") + QStringLiteral(SKYLARK_VERSION) +
                   QStringLiteral(" - SQLite ") + db.SQLiteVersion();
    setWindowTitle(QStringLiteral("Skylark"));
    auto* label = new QLabel(FVersionText, this);
    label->setAlignment(Qt::AlignCenter);
    setCentralWidget(label);
    resize(480, 200);
}

} // namespace sky::ui
