#include "shell/ui/Themes.h"

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
};

// Colours chosen for contrast: text on base and on window at least 7:1.
const ThemeDef kThemes[] = {
    {"Cyan Dusk", 0x1E2A30, 0xE6F1F4, 0x142026, 0x1B2B33, 0xE6F1F4, 0x26363E, 0xE6F1F4, 0x1FA3B8,
     0x001418, 0x5FD3E6, 0x3A4C55},
    {"Amber Night", 0x241E16, 0xF4E9D8, 0x1A150F, 0x2A2219, 0xF4E9D8, 0x30281D, 0xF4E9D8, 0xE0A030,
     0x1A1000, 0xF2C266, 0x4A3E2E},
    {"Slate", 0x2B2F36, 0xE8EAED, 0x22252B, 0x2E333A, 0xE8EAED, 0x363B43, 0xE8EAED, 0x5B8DEF,
     0xFFFFFF, 0x8FB4FF, 0x4A5059},
    {"Paper White", 0xF6F5F1, 0x1C1C1C, 0xFFFFFF, 0xF0EEE8, 0x1C1C1C, 0xECEAE4, 0x1C1C1C, 0x2F6FD0,
     0xFFFFFF, 0x1D56B0, 0xC8C4BA},
    {"Forest", 0x1F2A22, 0xE4EFE4, 0x17201A, 0x223026, 0xE4EFE4, 0x2A3A2E, 0xE4EFE4, 0x4CAF6A,
     0x06140A, 0x8FD9A3, 0x3D5243},
    {"Midnight Blue", 0x141B2D, 0xE2E8F6, 0x0E1422, 0x172036, 0xE2E8F6, 0x1D2740, 0xE2E8F6,
     0x3D7BFF, 0xFFFFFF, 0x8CB0FF, 0x2F3B5C},
};

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
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(t->mid).lighter(150));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(t->mid).lighter(150));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(t->mid).lighter(150));
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

} // namespace sky::ui
