#pragma once
// Where the window opens: the stored outer geometry, made usable on the
// screens there are now. A stored size below the window's minimum is raised
// to it; a size larger than the free area (the screen less its panels) of
// the screen the window belongs on is cut to that area. A window whose title
// bar could not be reached (less than kReachableWidth pixels of its top edge,
// or less than kReachableHeight pixels below it, on a screen's free area) is
// moved onto that screen, as little as it takes to lie wholly on it.
// Otherwise the stored position is kept, also one partly off the screens.

#include <QList>
#include <QRect>
#include <QSize>

namespace tarnwick::ui {

inline constexpr int kReachableWidth = 100;
inline constexpr int kReachableHeight = 32;

// screens: the free areas, the primary screen's first. The window belongs on
// the screen it overlaps most, or on the nearest one when it overlaps none
// (the earlier one of equals). Any integers give a rectangle on a screen;
// with no screen at all, the minimum size at 0,0.
QRect PlaceOnScreens(int left, int top, int width, int height, const QList<QRect>& screens,
                     QSize minimum);

// The free areas of the screens there are, the primary screen's first.
QList<QRect> ScreenAreas();

} // namespace tarnwick::ui
