#include "shell/DialogModels.h"

#include <algorithm>
#include <cmath>

namespace sky {

bool MessageCountdown::Tick() {
    if (!Active() || FLeft <= 0) return false;
    --FLeft;
    return FLeft == 0;
}

QString MessageCountdown::LabelText() const {
    return QStringLiteral("Auto-continue in ") + QString::number(FLeft) + QStringLiteral("s");
}

std::optional<MsgAnswer> EscAnswer(bool showCancel, bool showNo, bool showButtons) {
    if (showCancel) return MsgAnswer::Cancel;
    if (showNo) return MsgAnswer::No;
    if (showButtons) return MsgAnswer::Yes;
    return std::nullopt;
}

int MessageAreaHeight(int lines, int fontHeight) {
    const int h = lines * (fontHeight + 2);
    if (h < 24) return 32;
    if (h > 600) return 680;
    return h + 8;
}

uint32_t BlendRgb(uint32_t c1, uint32_t c2, double f) {
    f = std::clamp(f, 0.0, 1.0);
    uint32_t r = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const double a = (c1 >> shift) & 0xFF, b = (c2 >> shift) & 0xFF;
        r |= uint32_t(std::nearbyint((1 - f) * a + f * b)) << shift;
    }
    return r;
}

ProgressModel::ProgressModel(bool dualBars, qint64 nowMs, int minIntervalMs)
    : FDual(dualBars), FStart(nowMs), FLastRefresh(nowMs),
      FMinInterval(std::min(std::abs(minIntervalMs), 2000)) {}

bool ProgressModel::Advance(double mainFraction, double subFraction, qint64 nowMs) {
    auto clamp = [](double f) { return std::isnan(f) ? 0.0 : std::clamp(f, 0.0, 1.0); };
    if (FDual) {
        if (mainFraction >= 0) FProg1 = clamp(mainFraction);
        if (subFraction >= 0) FProg2 = clamp(subFraction);
    } else {
        const double f = std::max(mainFraction, subFraction);
        if (f >= 0) FProg1 = FProg2 = clamp(f);
    }
    // The first call refreshes at once; later ones at most every interval.
    if (!FRefreshedOnce || nowMs - FLastRefresh > FMinInterval || FMinInterval == 0) {
        FRefreshedOnce = true;
        return true;
    }
    return false;
}

qint64 ProgressModel::RemainingMs(qint64 nowMs) const {
    const double f = FProg1 > 0 ? FProg1 : FProg2;
    if (f <= 0) return 0;
    const double elapsed = std::max<double>(double(nowMs - FStart), 864.0); // 0.00001 day
    const double target = double(FStart) + elapsed / f + 1000.0;
    return std::max<qint64>(0, qint64(target - double(nowMs)));
}

QString ProgressModel::TimeText(qint64 ms) {
    if (ms < 0) ms = 0;
    const qint64 s = ms / 1000;
    return QStringLiteral("%1h - %2m - %3s")
        .arg(s / 3600, 2, 10, QLatin1Char('0'))
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

QString ProgressModel::PercentText(double fraction) {
    return QString::number(std::clamp(fraction, 0.0, 1.0) * 100.0, 'f', 1) + QLatin1Char('%');
}

} // namespace sky
