// Colour contrast by the WCAG 2 definitions, for choosing readable text
// colours in every theme. Colours are 0xRRGGBB values.
#pragma once

#include <cstdint>

namespace sky {

// The minimum contrast of normal text (WCAG AA).
constexpr double kReadableContrast = 4.5;

// Relative luminance 0 (black) .. 1 (white) of an sRGB colour.
double RelativeLuminance(uint32_t rgb);
// (lighter + 0.05) / (darker + 0.05): 1 (same) .. 21 (black on white).
double ContrastRatio(uint32_t a, uint32_t b);
// The colour itself when it reaches minRatio on background, otherwise the
// least blend of it towards white (on a dark background) or black (on a light
// one) that does: the hue the rule chose, in a variant that can be read.
uint32_t ReadableVariant(uint32_t wanted, uint32_t background, double minRatio = kReadableContrast);

} // namespace sky
