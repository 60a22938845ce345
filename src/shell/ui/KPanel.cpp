#include "shell/ui/KPanel.h"

#include "shell/DialogModels.h"

#include <QPainter>

namespace sky::ui {

QColor Blend(const QColor& a, const QColor& b, double f) {
    return QColor::fromRgb(BlendRgb(a.rgb() & 0xFFFFFF, b.rgb() & 0xFFFFFF, f) | 0xFF000000u);
}

TKPanel::TKPanel(QWidget* parent) : QWidget(parent) {
    FColPanel = palette().color(QPalette::Window);
    FColBrdIn = FColGrad = FColPanel;
}

void TKPanel::SetColors(const QColor& panel, const QColor& gradient, const QColor& borderOut,
                        const QColor& borderIn) {
    FColPanel = panel;
    FColGrad = gradient;
    FColBrdOut = borderOut;
    FColBrdIn = borderIn;
    update();
}

void TKPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    if (!FGradBack) {
        p.fillRect(r, FColPanel);
    } else {
        const bool vertical = FDirection == Direction::Down || FDirection == Direction::Up;
        const int steps = std::max(1, vertical ? r.height() : r.width());
        for (int i = 0; i < steps; ++i) {
            const bool reversed = FDirection == Direction::Up || FDirection == Direction::Left;
            const double f = double(reversed ? steps - 1 - i : i) / std::max(1, steps - 1);
            p.setPen(Blend(FColPanel, FColGrad, f));
            if (vertical)
                p.drawLine(r.left(), r.top() + i, r.right(), r.top() + i);
            else
                p.drawLine(r.left() + i, r.top(), r.left() + i, r.bottom());
        }
    }
    for (int k = 0; k < FBevel; ++k) {
        p.setPen(Blend(FColBrdOut, FColBrdIn, double(k) / (FBevel + 1)));
        p.drawRect(r.adjusted(k, k, -k - 1, -k - 1));
    }
    if (!FCaption.isEmpty()) {
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(r, Qt::AlignCenter, FCaption);
    }
}

} // namespace sky::ui
