#include "ui/mark_style.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <algorithm>
#include <cmath>

namespace tarnwick::ui {

namespace {

// The hue of each kind, in degrees, indexed by TMarkKind: yellow, orange,
// purple, red. None of them is near the blue that most palettes select with,
// so an icon still shows on a selected row.
constexpr int kHues[kMarkKinds] = {0, 50, 25, 280, 0};

constexpr double kAccentContrast = 3.2; // icon against the base colour
constexpr double kTextContrast = 4.5;   // text against the tinted background
constexpr double kTintMost = 0.32;      // share of the hue in the tint at most
constexpr double kTintLeast = 0.12;     // ... and at least, so the tint still shows

double Linear(double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& c) {
    const QColor rgb = c.toRgb();
    return 0.2126 * Linear(rgb.redF()) + 0.7152 * Linear(rgb.greenF()) +
           0.0722 * Linear(rgb.blueF());
}

bool IsLight(const QColor& c) {
    return ContrastRatio(c, Qt::black) >= ContrastRatio(c, Qt::white);
}

QColor Mix(const QColor& under, const QColor& over, double share) {
    const QColor a = under.toRgb();
    const QColor b = over.toRgb();
    return QColor::fromRgbF(float(a.redF() * (1 - share) + b.redF() * share),
                            float(a.greenF() * (1 - share) + b.greenF() * share),
                            float(a.blueF() * (1 - share) + b.blueF() * share));
}

int Hue(TMarkKind kind) {
    return kHues[static_cast<int>(kind)];
}

void PaintGlyph(QPainter& p, TMarkKind kind) {
    switch (kind) {
    case TMarkKind::CopyFailed: // a cross
        p.drawLine(QPointF(5.2, 5.2), QPointF(10.8, 10.8));
        p.drawLine(QPointF(10.8, 5.2), QPointF(5.2, 10.8));
        break;
    case TMarkKind::NotCopied: // the bar of a no-entry sign
        p.drawLine(QPointF(4.6, 8), QPointF(11.4, 8));
        break;
    case TMarkKind::ReplacesFile: { // an exclamation mark
        p.drawLine(QPointF(8, 4.2), QPointF(8, 8.8));
        const QPen pen = p.pen();
        p.setPen(Qt::NoPen);
        p.setBrush(pen.color());
        p.drawEllipse(QPointF(8, 11.6), 1.1, 1.1);
        break;
    }
    case TMarkKind::RepeatsRow: // an equals sign
        p.drawLine(QPointF(5, 6.4), QPointF(11, 6.4));
        p.drawLine(QPointF(5, 9.6), QPointF(11, 9.6));
        break;
    case TMarkKind::None:
        break;
    }
}

QPixmap IconPixmap(TMarkKind kind, const QColor& accent, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    const QColor glyph = ContrastRatio(accent, Qt::white) >= ContrastRatio(accent, Qt::black)
                             ? Qt::white
                             : Qt::black;
    // A thin ring in the glyph's colour keeps the disc apart from any background.
    p.setPen(QPen(glyph, 0.8));
    p.setBrush(accent);
    p.drawEllipse(QRectF(0.9, 0.9, 14.2, 14.2));
    p.setPen(QPen(glyph, 1.9, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    PaintGlyph(p, kind);
    return pixmap;
}

} // namespace

TMarkKind MarkKindOf(const TRowMark* mark) {
    if (mark == nullptr)
        return TMarkKind::None;
    if (mark->bCopyFailed)
        return TMarkKind::CopyFailed;
    if (mark->NotCopied())
        return TMarkKind::NotCopied;
    if (mark->bReplacesFile)
        return TMarkKind::ReplacesFile;
    if (mark->iRepeatsRow > 0)
        return TMarkKind::RepeatsRow;
    return TMarkKind::None;
}

QString MarkKindName(TMarkKind kind) {
    switch (kind) {
    case TMarkKind::CopyFailed:
        return QStringLiteral("copy failed");
    case TMarkKind::NotCopied:
        return QStringLiteral("not copied");
    case TMarkKind::ReplacesFile:
        return QStringLiteral("replaces a file");
    case TMarkKind::RepeatsRow:
        return QStringLiteral("repeats an earlier target");
    case TMarkKind::None:
        break;
    }
    return QString();
}

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor MarkAccent(TMarkKind kind, const QPalette& palette) {
    if (kind == TMarkKind::None)
        return QColor();
    const QColor base = palette.color(QPalette::Active, QPalette::Base);
    // Away from the base colour: darker on a light base, lighter on a dark one.
    const double step = IsLight(base) ? -0.02 : 0.02;
    double lightness = 0.5;
    QColor accent = QColor::fromHslF(float(Hue(kind)) / 360.0f, 0.8f, float(lightness));
    while (ContrastRatio(accent, base) < kAccentContrast && lightness > 0.06 && lightness < 0.94) {
        lightness += step;
        accent = QColor::fromHslF(float(Hue(kind)) / 360.0f, 0.8f, float(lightness));
    }
    return accent.toRgb();
}

QColor MarkBackground(TMarkKind kind, const QPalette& palette) {
    if (kind == TMarkKind::None)
        return QColor();
    const QColor base = palette.color(QPalette::Active, QPalette::Base);
    const QColor text = palette.color(QPalette::Active, QPalette::Text);
    const QColor hue = QColor::fromHslF(float(Hue(kind)) / 360.0f, 0.85f, 0.5f);
    double share = kTintMost;
    QColor tinted = Mix(base, hue, share);
    while (ContrastRatio(tinted, text) < kTextContrast && share > kTintLeast) {
        share -= 0.02;
        tinted = Mix(base, hue, share);
    }
    return tinted.toRgb();
}

QIcon MarkIcon(TMarkKind kind, const QPalette& palette) {
    if (kind == TMarkKind::None)
        return QIcon();
    // Painted once for each kind and base colour.
    static QHash<quint64, QIcon> cache;
    const QColor base = palette.color(QPalette::Active, QPalette::Base);
    const quint64 key = (quint64(static_cast<int>(kind)) << 32) | base.rgba();
    const auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return *it;
    const QColor accent = MarkAccent(kind, palette);
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addPixmap(IconPixmap(kind, accent, size));
    cache.insert(key, icon);
    return icon;
}

} // namespace tarnwick::ui
