// The named visual themes: Fusion with a palette and a small style sheet per
// name, and "Windows", the platform look chosen at start.
#pragma once

#include <QColor>
#include <QPalette>
#include <QString>
#include <QStringList>

class QApplication;

namespace sky::ui {

// The colours of SQL text in editors, for one theme.
struct SqlColours {
    QRgb keyword, string, number, comment, identifier, op, plain;
};

inline const QString kDefaultTheme = QStringLiteral("Cyan Dusk");
inline const QString kPlatformTheme = QStringLiteral("Windows");

// Every theme name, sorted by upper-cased ordinal comparison.
QStringList ThemeNames();
bool IsThemeName(const QString& name);
// The palette and style sheet of a theme (the platform's for "Windows").
QPalette ThemePalette(const QString& name);
QString ThemeStyleSheet(const QString& name);
// Applies the theme; a name no theme has leaves the current look (false).
bool ApplyTheme(QApplication& app, const QString& name);
// The theme applied last ("" before any).
QString ActiveTheme();
// The SQL colours of a theme (for "Windows", derived from the platform palette).
SqlColours ThemeSqlColours(const QString& name);
// The wanted colour, or its nearest variant that can be read on background
// (at least 4.5:1): status texts keep their colour rule in every theme.
QColor ReadableOn(const QColor& wanted, const QColor& background);
// White or black, whichever reads better on both backgrounds (text that
// crosses two areas, such as a progress bar's percentage).
QColor BestTextOn(const QColor& one, const QColor& other);

} // namespace sky::ui
