// The process's free-standing pop-out windows, in opening order: the
// overview and the workspaces hide, show and close them together. A window
// leaves the list when it is destroyed.
#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

namespace sky::ui {

class PopOutList {
public:
    void Add(QWidget* window);
    void HideAll();
    void ShowAll();
    // Every window closed and freed.
    void CloseAll();
    QList<QWidget*> Windows() const;
    int Count() const { return int(Windows().size()); }

private:
    QList<QPointer<QWidget>> FWindows;
};
PopOutList& PopOuts();

} // namespace sky::ui
