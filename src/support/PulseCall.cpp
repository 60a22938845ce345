#include "support/PulseCall.h"

#include <QCoreApplication>

namespace sky {

TPulseTimer::TPulseTimer(QObject* context, int intervalMs, int count, std::function<void()> proc)
    : QTimer(context), PulseCount(count), PulsedProc(std::move(proc)) {
    setInterval(intervalMs);
    QObject::connect(this, &QTimer::timeout, this, [this] { Tick(); });
}

void TPulseTimer::Tick() {
    if (QCoreApplication::closingDown()) return;
    --PulseCount;
    if (PulseCount <= 0) stop();
    if (PulsedProc) {
        try {
            PulsedProc();
        } catch (...) {
            PulseCount = 0;
            stop();
        }
    }
    if (PulseCount <= 0) deleteLater();
}

TPulseTimer* PulseCall(int intervalMs, int count, QObject* context, std::function<void()> proc) {
    if (intervalMs <= 0 || count <= 0 || !context) return nullptr;
    auto* t = new TPulseTimer(context, intervalMs, count, std::move(proc));
    t->start();
    return t;
}

} // namespace sky
