// The display-free rules of the message and progress dialogs: the countdown,
// the Esc answer, the message height, the throttled progress refresh and its
// time texts, and colour blending.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace sky {

enum class MsgAnswer { Yes, No, Cancel };

// Seconds left before a message dialog answers by itself (0: no countdown).
class MessageCountdown {
public:
    explicit MessageCountdown(int seconds = 0) : FLeft(seconds), FOrig(seconds) {}
    // One second off; true when the time has run out now.
    bool Tick();
    // Any key release or mouse movement restarts the count.
    void Reset() { FLeft = FOrig; }
    int TimeLeft() const { return FLeft; }
    bool Active() const { return FOrig > 0; }
    // "Auto-continue in 4s", shown only while fewer than 5 seconds remain.
    QString LabelText() const;
    bool LabelVisible() const { return Active() && FLeft < 5; }

private:
    int FLeft;
    int FOrig;
};

// Esc: Cancel when shown, else No when shown, else Yes when buttons are shown.
std::optional<MsgAnswer> EscAnswer(bool showCancel, bool showNo, bool showButtons);

// Height of the message area for a number of lines of a font height.
int MessageAreaHeight(int lines, int fontHeight);

// blend(c1, c2, f): each channel (1 - f) * c1 + f * c2, halves to even.
uint32_t BlendRgb(uint32_t c1, uint32_t c2, double f);

// Bars, times and refresh throttling of a progress dialog. Times are in
// milliseconds from a clock the caller supplies.
class ProgressModel {
public:
    ProgressModel(bool dualBars, qint64 nowMs, int minIntervalMs = 200);
    // Stores the fractions (clamped to 0..1; negative leaves a bar as it
    // is; one bar takes the larger); true when the display is due.
    bool Advance(double mainFraction, double subFraction, qint64 nowMs);
    // Marks a refresh done at nowMs.
    void Refreshed(qint64 nowMs) { FLastRefresh = nowMs; }
    double Bar1() const { return FProg1; }
    double Bar2() const { return FProg2; }
    bool DualBars() const { return FDual; }
    qint64 ElapsedMs(qint64 nowMs) const { return nowMs - FStart; }
    // Milliseconds left, 0 when no bar has moved.
    qint64 RemainingMs(qint64 nowMs) const;
    // "00h - 01m - 23s"; hours past 24 counted in total.
    static QString TimeText(qint64 ms);
    // "42.5%"
    static QString PercentText(double fraction);

private:
    bool FDual;
    qint64 FStart;
    qint64 FLastRefresh;
    int FMinInterval;
    bool FRefreshedOnce = false;
    double FProg1 = 0;
    double FProg2 = 0;
};

} // namespace sky
