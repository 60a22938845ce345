#include "shell/Placement.h"

#include <algorithm>
#include <limits>

namespace sky {

QRect ClampIntoArea(const QRect& r, const QRect& area) {
    if (!area.isValid() || r.isEmpty()) return r;
    const int w = std::min(r.width(), area.width());
    const int h = std::min(r.height(), area.height());
    const int left = std::clamp(r.left(), area.left(), area.left() + area.width() - w);
    const int top = std::clamp(r.top(), area.top(), area.top() + area.height() - h);
    return {left, top, w, h};
}

QRect CentredOn(const QSize& size, const QRect& area) {
    const int w = std::min(size.width(), area.width());
    const int h = std::min(size.height(), area.height());
    return {area.left() + (area.width() - w) / 2, area.top() + (area.height() - h) / 2, w, h};
}

int AreaIndexFor(const QRect& r, const QList<QRect>& areas) {
    int best = -1;
    qint64 bestOverlap = 0;
    for (int i = 0; i < areas.size(); ++i) {
        const QRect o = areas[i].intersected(r);
        const qint64 overlap = o.isEmpty() ? 0 : qint64(o.width()) * o.height();
        if (overlap > bestOverlap) {
            bestOverlap = overlap;
            best = i;
        }
    }
    if (best >= 0) return best;
    qint64 nearest = std::numeric_limits<qint64>::max();
    for (int i = 0; i < areas.size(); ++i) {
        const QPoint d = areas[i].center() - r.center();
        const qint64 dist = qint64(d.x()) * d.x() + qint64(d.y()) * d.y();
        if (dist < nearest) {
            nearest = dist;
            best = i;
        }
    }
    return best;
}

QRect FitOnScreens(const QRect& r, const QList<QRect>& areas) {
    const int i = AreaIndexFor(r, areas);
    return i < 0 ? r : ClampIntoArea(r, areas[i]);
}

} // namespace sky
