// Where a window goes on the screens: rectangles only, so the rules can be
// tested without a display. An "area" is a screen's available geometry
// (without panels and docks).
#pragma once

#include <QList>
#include <QRect>
#include <QSize>

namespace sky {

// The rectangle moved (and, when larger, shrunk) so that it lies wholly in
// the area. An empty area leaves it as it is.
QRect ClampIntoArea(const QRect& r, const QRect& area);
// A rectangle of the size centred on the area (shrunk to the area first).
QRect CentredOn(const QSize& size, const QRect& area);
// The area the rectangle belongs to: the one it overlaps most, else the one
// whose centre is nearest to its centre; -1 without areas.
int AreaIndexFor(const QRect& r, const QList<QRect>& areas);
// The rectangle kept inside the area it belongs to.
QRect FitOnScreens(const QRect& r, const QList<QRect>& areas);

} // namespace sky
