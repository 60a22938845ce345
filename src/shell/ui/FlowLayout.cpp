#include "shell/ui/FlowLayout.h"

#include <QWidget>
#include <algorithm>

namespace sky::ui {

FlowLayout::FlowLayout(QWidget* parent, int spacing) : QLayout(parent), FSpacing(spacing) {
    setContentsMargins(0, 0, 0, 0);
}

FlowLayout::~FlowLayout() {
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void FlowLayout::addItem(QLayoutItem* item) {
    FItems.append(item);
}

int FlowLayout::count() const {
    return int(FItems.size());
}

QLayoutItem* FlowLayout::itemAt(int index) const {
    return FItems.value(index);
}

QLayoutItem* FlowLayout::takeAt(int index) {
    return index >= 0 && index < FItems.size() ? FItems.takeAt(index) : nullptr;
}

int FlowLayout::heightForWidth(int width) const {
    return Arrange(QRect(0, 0, width, 0), false);
}

QSize FlowLayout::minimumSize() const {
    // As narrow as the widest item: everything else wraps.
    QSize s;
    for (const QLayoutItem* item : FItems)
        s = s.expandedTo(item->minimumSize());
    const QMargins m = contentsMargins();
    return s + QSize(m.left() + m.right(), m.top() + m.bottom());
}

QSize FlowLayout::sizeHint() const {
    // All items on one line.
    int w = 0, h = 0;
    for (const QLayoutItem* item : FItems) {
        if (item->isEmpty()) continue;
        w += (w ? FSpacing : 0) + item->sizeHint().width();
        h = std::max(h, item->sizeHint().height());
    }
    const QMargins m = contentsMargins();
    return {w + m.left() + m.right(), h + m.top() + m.bottom()};
}

void FlowLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    Arrange(rect, true);
}

int FlowLayout::Arrange(const QRect& rect, bool apply) const {
    const QRect area = rect.marginsRemoved(contentsMargins());
    int x = area.x(), y = area.y(), lineHeight = 0;
    for (QLayoutItem* item : FItems) {
        if (item->isEmpty()) continue;
        const QSize hint = item->sizeHint().boundedTo(QSize(area.width(), QWIDGETSIZE_MAX));
        if (x > area.x() && x + hint.width() > area.x() + area.width()) {
            x = area.x();
            y += lineHeight + FSpacing;
            lineHeight = 0;
        }
        if (apply) item->setGeometry(QRect(QPoint(x, y), hint));
        x += hint.width() + FSpacing;
        lineHeight = std::max(lineHeight, hint.height());
    }
    const QMargins m = contentsMargins();
    return y + lineHeight - rect.y() + m.bottom();
}

} // namespace sky::ui
