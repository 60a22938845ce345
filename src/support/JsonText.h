// Plain JSON text for machine-readable output: a string literal with every
// character JSON requires escaped (UTF-16 surrogates pass through as text).
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace sky {
QString JsonString(QStringView s);
// ["a", "b", ...] on one line.
QString JsonStringArray(const QStringList& items);
} // namespace sky
