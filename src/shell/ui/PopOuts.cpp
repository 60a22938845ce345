#include "shell/ui/PopOuts.h"

namespace sky::ui {

void PopOutList::Add(QWidget* window) {
    FWindows.removeAll(nullptr);
    FWindows.append(window);
}

QList<QWidget*> PopOutList::Windows() const {
    QList<QWidget*> live;
    for (const QPointer<QWidget>& w : FWindows)
        if (w) live.append(w);
    return live;
}

void PopOutList::HideAll() {
    for (QWidget* w : Windows())
        w->hide();
}

void PopOutList::ShowAll() {
    for (QWidget* w : Windows()) {
        w->show();
        w->raise();
    }
}

void PopOutList::CloseAll() {
    for (QWidget* w : Windows()) {
        w->hide();
        w->deleteLater();
    }
    FWindows.clear();
}

PopOutList& PopOuts() {
    static PopOutList list;
    return list;
}

} // namespace sky::ui
