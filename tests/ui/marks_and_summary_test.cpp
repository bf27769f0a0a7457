// How marked rows look and what the summary says: tints and icons worked out
// from light and dark palettes, the most serious mark shown, the per-kind
// counts, the stopped job and the unlisted folders.

#include "ui/job_summary.h"
#include "ui/mark_style.h"
#include "ui/path_elide_delegate.h"
#include "ui/result_grid_model.h"

#include <QImage>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <gtest/gtest.h>

namespace {

using tarnwick::ui::TMarkKind;

QPalette Palette(const QColor& base, const QColor& text) {
    QPalette palette;
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Window, base);
    palette.setColor(QPalette::WindowText, text);
    return palette;
}

const TMarkKind kKinds[] = {TMarkKind::RepeatsRow, TMarkKind::ReplacesFile, TMarkKind::NotCopied,
                            TMarkKind::CopyFailed};

TEST(MarkStyle, TintsAndIconsReadOnLightAndDarkPalettes) {
    const QPalette palettes[] = {
        Palette(Qt::white, Qt::black),                               // light
        Palette(QColor(0x2b, 0x2b, 0x2b), QColor(0xee, 0xee, 0xee)), // dark
        Palette(QColor(0x12, 0x12, 0x12), Qt::white),                // darker
        Palette(QColor(0xf0, 0xf0, 0xe8), QColor(0x20, 0x20, 0x20)),
    };
    for (const QPalette& palette : palettes) {
        const QColor base = palette.color(QPalette::Base);
        SCOPED_TRACE(base.name().toStdString());
        std::vector<QColor> tints;
        for (TMarkKind kind : kKinds) {
            const QColor tint = tarnwick::ui::MarkBackground(kind, palette);
            const QColor accent = tarnwick::ui::MarkAccent(kind, palette);
            ASSERT_TRUE(tint.isValid());
            // The text stays readable on the tint, and the tint shows.
            EXPECT_GE(tarnwick::ui::ContrastRatio(tint, palette.color(QPalette::Text)), 4.5)
                << tarnwick::ui::MarkKindName(kind).toStdString();
            EXPECT_GE(tarnwick::ui::ContrastRatio(tint, base), 1.1)
                << tarnwick::ui::MarkKindName(kind).toStdString();
            // The icon stands out from the base.
            EXPECT_GE(tarnwick::ui::ContrastRatio(accent, base), 3.0)
                << tarnwick::ui::MarkKindName(kind).toStdString();
            for (const QColor& other : tints)
                EXPECT_NE(other, tint);
            tints.push_back(tint);
        }
    }
    EXPECT_NE(tarnwick::ui::MarkBackground(TMarkKind::CopyFailed, palettes[0]),
              tarnwick::ui::MarkBackground(TMarkKind::CopyFailed, palettes[1]));
    EXPECT_FALSE(tarnwick::ui::MarkBackground(TMarkKind::None, palettes[0]).isValid());
    EXPECT_TRUE(tarnwick::ui::MarkIcon(TMarkKind::None, palettes[0]).isNull());
}

TEST(MarkStyle, EachKindHasAnIconOfItsOwnShape) {
    const QPalette light = Palette(Qt::white, Qt::black);
    std::vector<QImage> images;
    for (TMarkKind kind : kKinds) {
        const QIcon icon = tarnwick::ui::MarkIcon(kind, light);
        ASSERT_FALSE(icon.isNull());
        // Compared as shapes: the pixels of the glyph, that is, those that
        // differ clearly from the icon's accent colour, whatever the colours.
        const QColor accent = tarnwick::ui::MarkAccent(kind, light);
        QImage image = icon.pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
        QImage shape(image.size(), QImage::Format_Grayscale8);
        int glyphPixels = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                const int distance = std::abs(qRed(p) - accent.red()) +
                                     std::abs(qGreen(p) - accent.green()) +
                                     std::abs(qBlue(p) - accent.blue());
                const bool glyph = qAlpha(p) > 200 && distance > 150;
                glyphPixels += glyph ? 1 : 0;
                shape.setPixel(x, y, glyph ? 0xffffffu : 0u);
            }
        EXPECT_GT(glyphPixels, 10) << tarnwick::ui::MarkKindName(kind).toStdString();
        for (const QImage& other : images)
            EXPECT_NE(other, shape) << tarnwick::ui::MarkKindName(kind).toStdString();
        images.push_back(shape);
    }
}

TEST(MarkStyle, TheMostSeriousMarkIsShown) {
    struct Case {
        bool failed;
        TNotCopied notCopied;
        bool replaces;
        int repeats;
        TMarkKind expected;
    };
    const Case cases[] = {
        {false, TNotCopied::No, false, 0, TMarkKind::None},
        {false, TNotCopied::No, false, 2, TMarkKind::RepeatsRow},
        {false, TNotCopied::No, true, 2, TMarkKind::ReplacesFile},
        {false, TNotCopied::NameTooLong, true, 2, TMarkKind::NotCopied},
        {true, TNotCopied::No, true, 2, TMarkKind::CopyFailed},
        {true, TNotCopied::SourceFile, false, 0, TMarkKind::CopyFailed},
    };
    for (const Case& c : cases) {
        TRowMark mark;
        mark.bCopyFailed = c.failed;
        mark.eNotCopied = c.notCopied;
        mark.bReplacesFile = c.replaces;
        mark.iRepeatsRow = c.repeats;
        EXPECT_EQ(tarnwick::ui::MarkKindOf(&mark), c.expected);
    }
    EXPECT_EQ(tarnwick::ui::MarkKindOf(nullptr), TMarkKind::None);
}

// The delegate's view of a cell, as it is about to be drawn.
class TOpenDelegate : public tarnwick::ui::TPathElideDelegate {
public:
    using TPathElideDelegate::TPathElideDelegate;
    QStyleOptionViewItem Option(const QModelIndex& index, const QPalette& palette) const {
        QStyleOptionViewItem option;
        option.palette = palette;
        option.rect = QRect(0, 0, 200, 20);
        initStyleOption(&option, index);
        return option;
    }
};

TEST(GridCells, PathsLoseTheirMiddleAndMarkedRowsTakeTheViewsPalette) {
    TResultGridModel model;
    model.SetGridCell(0, 1, "/photos/2024/summer/a/very/long/folder/IMG_0001.jpg");
    model.SetGridCell(1, 1, "/sorted/IMG_0001.jpg");
    model.SetGridCell(0, 2, "/photos/b.jpg");
    model.SetGridCell(1, 2, "/sorted/IMG_0001.jpg");
    model.SetGridRowCount(3);
    TRowMark repeat;
    repeat.iRepeatsRow = 1;
    model.SetGridRowMark(2, repeat);
    TOpenDelegate delegate;

    const QPalette light = Palette(Qt::white, Qt::black);
    const QPalette dark = Palette(QColor(0x2b, 0x2b, 0x2b), QColor(0xee, 0xee, 0xee));
    const QStyleOptionViewItem plain = delegate.Option(model.index(0, 0), light);
    EXPECT_EQ(plain.textElideMode, Qt::ElideMiddle);
    EXPECT_EQ(plain.backgroundBrush.style(), Qt::NoBrush);
    EXPECT_FALSE(plain.features & QStyleOptionViewItem::HasDecoration);

    for (const QPalette& palette : {light, dark}) {
        const QStyleOptionViewItem first = delegate.Option(model.index(1, 0), palette);
        const QStyleOptionViewItem second = delegate.Option(model.index(1, 1), palette);
        const QColor tint = tarnwick::ui::MarkBackground(TMarkKind::RepeatsRow, palette);
        EXPECT_EQ(first.backgroundBrush.color(), tint);
        EXPECT_EQ(second.backgroundBrush.color(), tint);
        // The icon goes into the first cell only.
        EXPECT_TRUE(first.features & QStyleOptionViewItem::HasDecoration);
        EXPECT_FALSE(first.icon.isNull());
        EXPECT_FALSE(second.features & QStyleOptionViewItem::HasDecoration);
    }
}

TEST(Summary, CountsEachKindAndSaysWhereAJobStopped) {
    using tarnwick::ui::TJobFacts;
    struct Case {
        TJobFacts facts;
        QString expected;
    };
    TJobFacts simulation;
    simulation.iFiles = 1;
    TJobFacts everything;
    everything.iJobMode = 3;
    everything.iFiles = 20006;
    everything.marks = {1, 2, 3, 4};
    everything.iUnlisted = 2;
    TJobFacts singles = everything;
    singles.marks = {2, 1, 1, 1};
    singles.iUnlisted = 1;
    TJobFacts stopped;
    stopped.iJobMode = 3;
    stopped.iFiles = 57;
    stopped.bStopped = true;
    stopped.iStoppedAfter = 57;
    stopped.marks.iCopyFailed = 1;
    TJobFacts stoppedAtOne = stopped;
    stoppedAtOne.iStoppedAfter = 1;
    stoppedAtOne.marks = {};
    TJobFacts stoppedInACopy = stopped;
    stoppedInACopy.marks = {};
    stoppedInACopy.marks.iCopyCancelled = 1;
    const Case cases[] = {
        {simulation, "Copy Simulation: 1 file"},
        {everything, "Copy File: 20006 files, 1 failed copy, 2 not copied, 3 replace files, "
                     "4 repeated targets, 2 folders not listed"},
        {singles, "Copy File: 20006 files, 2 failed copies, 1 not copied, 1 replaces a file, "
                  "1 repeated target, 1 folder not listed"},
        {stopped, "Copy File: stopped after 57 rows, 1 failed copy"},
        {stoppedAtOne, "Copy File: stopped after 1 row"},
        {stoppedInACopy, "Copy File: stopped after 57 rows, 1 copy cancelled"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(tarnwick::ui::JobSummaryText(c.facts), c.expected);
}

TEST(Summary, TheTooltipNamesTheFirstUnlistedFoldersWithTheirReasons) {
    tarnwick::ui::TJobFacts facts;
    facts.iFiles = 3;
    facts.iUnlisted = 7;
    for (int i = 0; i < tarnwick::ui::kUnlistedNamed; ++i)
        facts.unlisted.push_back({QStringLiteral("/src/locked%1").arg(i), "Permission denied"});
    const QString tip = tarnwick::ui::JobSummaryToolTip(facts);
    EXPECT_TRUE(tip.contains("the first 5 of 7")) << tip.toStdString();
    for (int i = 0; i < tarnwick::ui::kUnlistedNamed; ++i)
        EXPECT_TRUE(tip.contains(QStringLiteral("/src/locked%1: Permission denied").arg(i)));

    facts.iUnlisted = 1;
    facts.unlisted.resize(1);
    const QString one = tarnwick::ui::JobSummaryToolTip(facts);
    EXPECT_FALSE(one.contains("the first")) << one.toStdString();
    EXPECT_TRUE(one.contains("/src/locked0: Permission denied"));
}

} // namespace
