#include "workspace/ui/StatsPanel.h"

#include <QFontDatabase>
#include <QPainter>
#include <cmath>

namespace sky::ui {
namespace {

// "About one tenth": (nearest whole of scale / 10240, plus 1) * 1024 bytes.
qint64 Tenth(qint64 scale) {
    return (std::llround(double(scale) / 10240.0) + 1) * 1024;
}

struct Gauge {
    double value, full, low, high;
    bool small;
};

void DrawGauge(QPainter& p, const QRect& r, const Gauge& g) {
    const int segments = 20;
    const double w = double(r.width()) / segments;
    double at = g.full > 0 ? std::clamp(g.value / g.full, 0.0, 1.0) : 0;
    if (g.small) at = at * (2 - at); // x(2G - x)/G^2: the lower part stretched
    for (int i = 0; i < segments; ++i) {
        const double part = double(i + 1) / segments;
        const double v = part * g.full;
        QColor c = v <= g.low    ? QColor(40, 200, 80)
                   : v <= g.high ? QColor(230, 200, 40)
                                 : QColor(230, 60, 40);
        if (part > at + 1e-9)
            c = QColor::fromRgbF(c.redF() * (g.small ? 0.3 : 0.2),
                                 c.greenF() * (g.small ? 0.3 : 0.2),
                                 c.blueF() * (g.small ? 0.3 : 0.2));
        p.fillRect(QRectF(r.left() + i * w + 1, r.top(), w - 2, r.height()), c);
    }
}

} // namespace

TStatsPanel::TStatsPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("imgStats"));
    setMinimumSize(280, 220); // labels, values and gauges side by side
}

void TStatsPanel::Show(const StatFigures& f, qint64 cacheBytes, int memScaleMB, int stmtScaleKB) {
    FFig = f;
    FCache = std::max<qint64>(1, cacheBytes);
    FMemMB = memScaleMB;
    FStmtKB = stmtScaleKB;
    update();
}

void TStatsPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPointSize(8);
    p.setFont(f);
    const QFontMetrics fm(f);
    const int lineH = fm.height() + 2;
    // Three columns that never overlap: the widest label, the widest value,
    // then the gauges in what is left.
    const QList<QPair<QString, QString>> lines = StatLines(FFig);
    int labelW = 0, valueW = 0;
    for (const auto& [label, value] : lines) {
        labelW = std::max(labelW, fm.horizontalAdvance(label));
        valueW = std::max(valueW, fm.horizontalAdvance(value));
    }
    const int gap = fm.horizontalAdvance(QLatin1Char(' ')) * 2;
    const int valueX = 6 + labelW + gap;
    const int gaugeX = valueX + valueW + gap, gaugeW = std::max(0, width() - gaugeX - 6);
    const qint64 mem = qint64(FMemMB) * 1048576, stmt = qint64(FStmtKB) * 1024;
    const Gauge gauges[] = {
        {double(FFig.memoryUsed), double(mem + Tenth(mem)), mem * 0.9, double(mem), false},
        {double(FFig.cacheUsed), double(FCache), FCache * 0.75, FCache * 0.9, false},
        {double(FFig.statementMemory), double(stmt + Tenth(stmt)), stmt * 0.9, double(stmt), false},
        {double(FFig.schemaMemory), 204800, 51200, 102400, true},
        {double(FFig.allocations), 2000, 1000, 1500, true},
    };
    int y = 4, line = 0;
    for (const auto& [label, value] : lines) {
        p.setPen(QColor(120, 200, 255));
        p.drawText(6, y + lineH - 4, label);
        p.setPen(QColor(230, 230, 230));
        p.drawText(valueX, y + lineH - 4, value);
        if (line < 5 && gaugeW >= 20)
            DrawGauge(p, QRect(gaugeX, y + 3, gaugeW, lineH - 6), gauges[line]);
        y += lineH;
        ++line;
    }
}

} // namespace sky::ui
