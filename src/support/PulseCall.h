// Deferred calls from the event loop: a timer that calls a function a given
// number of times and then deletes itself.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

namespace sky {

class TPulseTimer : public QTimer {
public:
    TPulseTimer(QObject* context, int intervalMs, int count, std::function<void()> proc);
    int PulseCount = 0;
    std::function<void()> PulsedProc;

private:
    void Tick();
};

// Calls proc every intervalMs milliseconds, count times, from the event
// loop; nothing when the interval or the count is 0 or less. The timer is a
// child of context, so the calls end when context is destroyed. A call that
// throws ends the series. Returns the timer (or nullptr).
TPulseTimer* PulseCall(int intervalMs, int count, QObject* context, std::function<void()> proc);

} // namespace sky
