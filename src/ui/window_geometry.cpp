#include "ui/window_geometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <limits>

namespace tarnwick::ui {

namespace {

// A rectangle in 64-bit numbers, so that any stored integers add up
// without overflow. right and bottom lie just past the rectangle.
struct TSpan {
    qint64 left, top, right, bottom;
};

TSpan SpanOf(const QRect& r) {
    return {r.left(), r.top(), qint64(r.left()) + r.width(), qint64(r.top()) + r.height()};
}

qint64 Overlap(qint64 a0, qint64 a1, qint64 b0, qint64 b1) {
    return std::max<qint64>(0, std::min(a1, b1) - std::max(a0, b0));
}

// How far apart two rectangles are; 0 when they touch or overlap.
double Gap(const TSpan& a, const TSpan& b) {
    const double dx = double(std::max<qint64>({0, b.left - a.right, a.left - b.right}));
    const double dy = double(std::max<qint64>({0, b.top - a.bottom, a.top - b.bottom}));
    return std::hypot(dx, dy);
}

bool TitleReachable(const TSpan& window, const TSpan& area) {
    const qint64 width = window.right - window.left;
    return window.top >= area.top && window.top + kReachableHeight <= area.bottom &&
           Overlap(window.left, window.right, area.left, area.right) >=
               std::min<qint64>(width, kReachableWidth);
}

// start moved as little as it takes for [start, start + length) to lie in
// [low, high); length is at most high - low.
qint64 MoveInto(qint64 start, qint64 length, qint64 low, qint64 high) {
    return std::clamp(start, low, high - length);
}

} // namespace

QRect PlaceOnScreens(int left, int top, int width, int height, const QList<QRect>& screens,
                     QSize minimum) {
    if (screens.isEmpty())
        return QRect(QPoint(0, 0), minimum);

    TSpan window{left, top, qint64(left) + std::max(width, minimum.width()),
                 qint64(top) + std::max(height, minimum.height())};

    // The screen the window belongs on.
    qsizetype chosen = 0;
    qint64 mostOverlap = 0;
    double nearest = std::numeric_limits<double>::infinity();
    for (qsizetype i = 0; i < screens.size(); ++i) {
        const TSpan area = SpanOf(screens[i]);
        const qint64 overlap = Overlap(window.left, window.right, area.left, area.right) *
                               Overlap(window.top, window.bottom, area.top, area.bottom);
        if (overlap > mostOverlap) {
            mostOverlap = overlap;
            chosen = i;
        } else if (mostOverlap == 0) {
            const double gap = Gap(window, area);
            if (gap < nearest) {
                nearest = gap;
                chosen = i;
            }
        }
    }
    const TSpan area = SpanOf(screens[chosen]);

    // No larger than that screen's free area, no smaller than the minimum.
    const qint64 w = std::max<qint64>(std::min(window.right - window.left, area.right - area.left),
                                      minimum.width());
    const qint64 h = std::max<qint64>(std::min(window.bottom - window.top, area.bottom - area.top),
                                      minimum.height());
    window.right = window.left + w;
    window.bottom = window.top + h;

    const bool reachable = std::any_of(screens.begin(), screens.end(), [&](const QRect& screen) {
        return TitleReachable(window, SpanOf(screen));
    });
    if (!reachable) {
        // A screen smaller than the minimum keeps the window's top left corner on it.
        window.left =
            MoveInto(window.left, std::min(w, area.right - area.left), area.left, area.right);
        window.top =
            MoveInto(window.top, std::min(h, area.bottom - area.top), area.top, area.bottom);
    }
    return QRect(int(window.left), int(window.top), int(w), int(h));
}

QList<QRect> ScreenAreas() {
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas.append(screen->availableGeometry());
    return areas;
}

} // namespace tarnwick::ui
