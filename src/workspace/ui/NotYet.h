// Menu items whose windows are still to come: disabled, and saying so when
// pointed at.
#pragma once

#include <QAction>
#include <QMenu>
#include <QString>

namespace sky::ui {

inline const QString kNotYetItem =
    QStringLiteral("Not available yet: its window arrives in a later version.");

inline QAction* MarkNotYet(QAction* a, QMenu* menu) {
    a->setEnabled(false);
    a->setToolTip(kNotYetItem);
    a->setStatusTip(kNotYetItem);
    menu->setToolTipsVisible(true);
    return a;
}

} // namespace sky::ui
