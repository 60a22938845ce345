#include "shell/ui/Themes.h"

#include "shell/Colours.h"
#include "shell/DialogModels.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>
#include <algorithm>

namespace sky::ui {
namespace {

struct ThemeDef {
    const char* name;
    QRgb window, windowText, base, alternateBase, text, button, buttonText, highlight,
        highlightedText, link, mid;
    SqlColours sql;
};

// Colours chosen for contrast: text on base and on window at least 7:1, the
// SQL colours at least 4.5:1 on base (a test computes both).
const ThemeDef kThemes[] = {
    {"Cyan Dusk",
     0x1E2A30,
     0xE6F1F4,
     0x142026,
     0x1B2B33,
     0xE6F1F4,
     0x26363E,
     0xE6F1F4,
     0x1FA3B8,
     0x001418,
     0x5FD3E6,
     0x3A4C55,
     {0x7FD4FF, 0xE6C07B, 0xF2A272, 0x8FA6AE, 0x9BE3C4, 0xE6F1F4, 0xE6F1F4}},
    {"Amber Night",
     0x241E16,
     0xF4E9D8,
     0x1A150F,
     0x2A2219,
     0xF4E9D8,
     0x30281D,
     0xF4E9D8,
     0xE0A030,
     0x1A1000,
     0xF2C266,
     0x4A3E2E,
     {0xF2C266, 0xA8D08D, 0xF29E7A, 0xA89F8F, 0x9FD3E6, 0xF4E9D8, 0xF4E9D8}},
    {"Slate",
     0x2B2F36,
     0xE8EAED,
     0x22252B,
     0x2E333A,
     0xE8EAED,
     0x363B43,
     0xE8EAED,
     0x3F6FD0,
     0xFFFFFF,
     0x8FB4FF,
     0x4A5059,
     {0x8FB4FF, 0xC3E88D, 0xF78C6C, 0x9AA3AE, 0x89DDFF, 0xE8EAED, 0xE8EAED}},
    {"Paper White",
     0xF6F5F1,
     0x1C1C1C,
     0xFFFFFF,
     0xF0EEE8,
     0x1C1C1C,
     0xECEAE4,
     0x1C1C1C,
     0x2F6FD0,
     0xFFFFFF,
     0x1D56B0,
     0xC8C4BA,
     {0x1D4FA8, 0x8A4B00, 0x9C2A00, 0x5E6B5E, 0x006B5B, 0x1C1C1C, 0x1C1C1C}},
    {"Forest",
     0x1F2A22,
     0xE4EFE4,
     0x17201A,
     0x223026,
     0xE4EFE4,
     0x2A3A2E,
     0xE4EFE4,
     0x4CAF6A,
     0x06140A,
     0x8FD9A3,
     0x3D5243,
     {0x8FD9A3, 0xE8C872, 0xF2A07A, 0x9CAF9F, 0x9BD4E8, 0xE4EFE4, 0xE4EFE4}},
    {"Midnight Blue",
     0x141B2D,
     0xE2E8F6,
     0x0E1422,
     0x172036,
     0xE2E8F6,
     0x1D2740,
     0xE2E8F6,
     0x2D5FD0,
     0xFFFFFF,
     0x8CB0FF,
     0x2F3B5C,
     {0x8CB0FF, 0xE6C07B, 0xF29E7A, 0x98A2B8, 0x8FE0C8, 0xE2E8F6, 0xE2E8F6}},
};

// Disabled text: more than half way from the text to its background, so it
// is seen and still looks off.
constexpr double kDisabledBlend = 0.55;

QColor Disabled(QRgb text, QRgb background) {
    return QColor(QRgb(BlendRgb(text & 0xFFFFFF, background & 0xFFFFFF, kDisabledBlend)));
}

QString gActive;
QString gPlatformStyle;
QPalette gPlatformPalette;
bool gPlatformKnown = false;

const ThemeDef* Find(const QString& name) {
    for (const ThemeDef& t : kThemes)
        if (name == QLatin1String(t.name)) return &t;
    return nullptr;
}

void RememberPlatform(QApplication& app) {
    if (gPlatformKnown) return;
    gPlatformStyle = app.style()->name();
    gPlatformPalette = app.palette();
    gPlatformKnown = true;
}

} // namespace

QStringList ThemeNames() {
    QStringList names{kPlatformTheme};
    for (const ThemeDef& t : kThemes)
        names << QLatin1String(t.name);
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.toUpper() < b.toUpper(); });
    return names;
}

bool IsThemeName(const QString& name) {
    return name == kPlatformTheme || Find(name);
}

QPalette ThemePalette(const QString& name) {
    const ThemeDef* t = Find(name);
    if (!t) return gPlatformKnown ? gPlatformPalette : QPalette();
    QPalette p;
    p.setColor(QPalette::Window, QColor(t->window));
    p.setColor(QPalette::WindowText, QColor(t->windowText));
    p.setColor(QPalette::Base, QColor(t->base));
    p.setColor(QPalette::AlternateBase, QColor(t->alternateBase));
    p.setColor(QPalette::Text, QColor(t->text));
    p.setColor(QPalette::Button, QColor(t->button));
    p.setColor(QPalette::ButtonText, QColor(t->buttonText));
    p.setColor(QPalette::Highlight, QColor(t->highlight));
    p.setColor(QPalette::HighlightedText, QColor(t->highlightedText));
    p.setColor(QPalette::Link, QColor(t->link));
    p.setColor(QPalette::ToolTipBase, QColor(t->base));
    p.setColor(QPalette::ToolTipText, QColor(t->text));
    p.setColor(QPalette::PlaceholderText, QColor(t->mid).lighter(160));
    p.setColor(QPalette::Mid, QColor(t->mid));
    p.setColor(QPalette::Disabled, QPalette::Text, Disabled(t->text, t->base));
    p.setColor(QPalette::Disabled, QPalette::WindowText, Disabled(t->windowText, t->window));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, Disabled(t->buttonText, t->button));
    p.setColor(QPalette::Disabled, QPalette::HighlightedText, Disabled(t->text, t->base));
    p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(t->mid));
    // Styles that etch disabled text draw it again in Light: keep that dark
    // in dark themes, so no bright ghost appears beside the text.
    p.setColor(QPalette::Disabled, QPalette::Light, QColor(t->window));
    return p;
}

QString ThemeStyleSheet(const QString& name) {
    const ThemeDef* t = Find(name);
    if (!t) return QString();
    const QString mid = QColor(t->mid).name(), hi = QColor(t->highlight).name();
    return QStringLiteral("QToolTip { border: 1px solid %1; padding: 2px; }"
                          "QGroupBox { border: 1px solid %1; border-radius: 3px; margin-top: 8px; }"
                          "QGroupBox::title { subcontrol-origin: margin; left: 8px; }"
                          "QTabBar::tab:selected { border-bottom: 2px solid %2; }")
        .arg(mid, hi);
}

bool ApplyTheme(QApplication& app, const QString& name) {
    RememberPlatform(app);
    if (name == kPlatformTheme) {
        app.setStyle(QStyleFactory::create(gPlatformStyle));
        app.setPalette(gPlatformPalette);
        app.setStyleSheet(QString());
        gActive = name;
        return true;
    }
    if (!Find(name)) return false;
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    app.setPalette(ThemePalette(name));
    app.setStyleSheet(ThemeStyleSheet(name));
    gActive = name;
    return true;
}

QString ActiveTheme() {
    return gActive;
}

SqlColours ThemeSqlColours(const QString& name) {
    if (const ThemeDef* t = Find(name)) return t->sql;
    // The platform look: derived from its palette, made readable on its base.
    const QPalette p = gPlatformKnown ? gPlatformPalette : QPalette();
    const uint32_t base = p.color(QPalette::Base).rgb() & 0xFFFFFF;
    const uint32_t text = p.color(QPalette::Text).rgb() & 0xFFFFFF;
    const auto readable = [base](uint32_t c) { return QRgb(ReadableVariant(c, base)); };
    const bool dark = RelativeLuminance(base) < 0.18;
    return {readable(dark ? 0x8CB0FF : 0x1D4FA8),
            readable(dark ? 0xE6C07B : 0x8A4B00),
            readable(dark ? 0xF29E7A : 0x9C2A00),
            readable(BlendRgb(text, base, 0.35)),
            readable(dark ? 0x8FE0C8 : 0x006B5B),
            QRgb(text),
            QRgb(text)};
}

QColor ReadableOn(const QColor& wanted, const QColor& background) {
    return QColor(QRgb(ReadableVariant(wanted.rgb() & 0xFFFFFF, background.rgb() & 0xFFFFFF)));
}

QColor BestTextOn(const QColor& one, const QColor& other) {
    const auto worst = [&](uint32_t text) {
        return std::min(ContrastRatio(text, one.rgb() & 0xFFFFFF),
                        ContrastRatio(text, other.rgb() & 0xFFFFFF));
    };
    return worst(0xFFFFFF) >= worst(0x000000) ? QColor(Qt::white) : QColor(Qt::black);
}

} // namespace sky::ui
