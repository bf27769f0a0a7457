#pragma once
// How a marked row looks in the grid: one kind per row (the most serious of
// its marks), an icon and a background tint for each kind. Colours are
// worked out from the palette in use, so they read on light and dark themes
// alike: the tint keeps the palette's text readable, the icon stands out
// from the palette's base colour.

#include "engine/row_mark.h"

#include <QColor>
#include <QIcon>
#include <QPalette>

namespace tarnwick::ui {

// In rising order of seriousness.
enum class TMarkKind : int {
    None = 0,
    RepeatsRow,   // an earlier row has the same target
    ReplacesFile, // a file of that name was in the new folder before the job
    NotCopied,    // the row is not copied, for the reason given
    CopyFailed,   // the copy was tried and failed
};
inline constexpr int kMarkKinds = 5;

// The most serious kind among mark's parts; None for no mark.
TMarkKind MarkKindOf(const TRowMark* mark);

// A short name of the kind, as the window's texts use it.
QString MarkKindName(TMarkKind kind);

// The icon's colour: the kind's hue, at a lightness that stands out from
// the palette's base colour (contrast at least 3:1).
QColor MarkAccent(TMarkKind kind, const QPalette& palette);

// The row's background: the palette's base colour tinted with the kind's
// hue, keeping the palette's text readable on it (contrast at least 4.5:1).
// Invalid for None.
QColor MarkBackground(TMarkKind kind, const QPalette& palette);

// A small round icon in the accent colour with a glyph of its own for each
// kind, so that the kinds differ by shape as well as by colour. Null for None.
QIcon MarkIcon(TMarkKind kind, const QPalette& palette);

// The contrast ratio of two colours (1 to 21), as accessibility guidelines
// define it from their relative luminance.
double ContrastRatio(const QColor& a, const QColor& b);

} // namespace tarnwick::ui
