// The statistics panel (" Stats" page): the figures of the last statement
// and the connection on black, with segmented gauges for memory, cache,
// statement memory, schema memory and allocations.
#pragma once

#include "workspace/QueryRun.h"

#include <QWidget>

namespace sky::ui {

class TStatsPanel : public QWidget {
public:
    explicit TStatsPanel(QWidget* parent);
    // The figures, the cache size in bytes and the two scale settings (MB, KB).
    void Show(const StatFigures& f, qint64 cacheBytes, int memScaleMB, int stmtScaleKB);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    StatFigures FFig;
    qint64 FCache = 1024;
    int FMemMB = 3, FStmtKB = 32;
};

} // namespace sky::ui
