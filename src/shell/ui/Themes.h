// The named visual themes: Fusion with a palette and a small style sheet per
// name, and "Windows", the platform look chosen at start.
#pragma once

#include <QPalette>
#include <QString>
#include <QStringList>

class QApplication;

namespace sky::ui {

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

} // namespace sky::ui
