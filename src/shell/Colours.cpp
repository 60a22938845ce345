#include "shell/Colours.h"

#include "shell/DialogModels.h"

#include <algorithm>
#include <cmath>

namespace sky {
namespace {

double Linear(uint32_t channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

} // namespace

double RelativeLuminance(uint32_t rgb) {
    return 0.2126 * Linear((rgb >> 16) & 0xFF) + 0.7152 * Linear((rgb >> 8) & 0xFF) +
           0.0722 * Linear(rgb & 0xFF);
}

double ContrastRatio(uint32_t a, uint32_t b) {
    const double la = RelativeLuminance(a), lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

uint32_t ReadableVariant(uint32_t wanted, uint32_t background, double minRatio) {
    wanted &= 0xFFFFFF;
    if (ContrastRatio(wanted, background) >= minRatio) return wanted;
    // Black and white give the most contrast a background allows.
    const uint32_t extreme = RelativeLuminance(background) < 0.18 ? 0xFFFFFF : 0x000000;
    double lo = 0, hi = 1; // the blend at hi always reaches the best possible
    for (int i = 0; i < 20; ++i) {
        const double mid = (lo + hi) / 2;
        (ContrastRatio(BlendRgb(wanted, extreme, mid), background) >= minRatio ? hi : lo) = mid;
    }
    return BlendRgb(wanted, extreme, hi);
}

} // namespace sky
