// Helpers for writing XML text: escaping of character data and attribute
// values, and turning arbitrary names into element names.
#pragma once

#include <QString>
#include <QStringView>

namespace sky {

// "&" -> "&amp;", "<" -> "&lt;", ">" -> "&gt;", '"' -> "&quot;"; every other
// character is kept.
QString XMLEscape(QStringView s);

// A valid element name for any text: characters that may not appear in a
// (namespace-free) XML name become "_", a name that does not start with a
// letter or "_" gets a leading "_", and an empty name becomes "_". Names that
// are already valid come back unchanged.
QString XmlElementName(QStringView s);

} // namespace sky
