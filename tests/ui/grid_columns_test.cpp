// The grid's columns share its visible width: no horizontal scroll bar while
// the paths fit, also once the vertical scroll bar shows; a dragged column
// keeps its width until the window's width changes.

#include "fixture_tree.h"
#include "ui/uMain_Tarnwick.h"
#include "ui_test_support.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <gtest/gtest.h>

namespace {

void AddRows(TfmTarnwickHub& w, int rows) {
    for (int r = 1; r <= rows; ++r) {
        w.SetGridCell(0, r, QStringLiteral("/src/f%1.jpg").arg(r));
        w.SetGridCell(1, r, QStringLiteral("/out/f%1.jpg").arg(r));
    }
    w.SetGridRowCount(rows + 1);
}

int Section(const TfmTarnwickHub& w, int col) {
    return w.StringGrid1->horizontalHeader()->sectionSize(col);
}

TEST(GridColumns, HalfTheVisibleWidthWithOrWithoutTheVerticalScrollBar) {
    TFixtureTree tree;
    TFakeDialogs dialogs;
    TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
    w.show();
    ASSERT_TRUE(SpinUntil([&] { return w.isVisible(); }));
    const QScrollBar* across = w.StringGrid1->horizontalScrollBar();
    const QScrollBar* down = w.StringGrid1->verticalScrollBar();

    EXPECT_EQ(Section(w, 0), w.StringGrid1->viewport()->width() / 2);
    // Enough rows for the vertical scroll bar: the columns make room for it.
    AddRows(w, 300);
    ASSERT_TRUE(SpinUntil([&] { return down->isVisible(); }));
    QCoreApplication::processEvents();
    const int visible = w.StringGrid1->viewport()->width();
    EXPECT_LT(visible, w.StringGrid1->width());
    EXPECT_EQ(Section(w, 0), visible / 2);
    EXPECT_EQ(Section(w, 1), visible / 2);
    EXPECT_FALSE(across->isVisible());

    // A new width: both columns take half of what is visible.
    w.resize(w.width() + 101, w.height());
    ASSERT_TRUE(SpinUntil([&] { return w.StringGrid1->viewport()->width() / 2 == Section(w, 0); }));
    EXPECT_EQ(Section(w, 1), Section(w, 0));
    EXPECT_FALSE(across->isVisible());

    // A dragged column keeps its width when the scroll bar goes ...
    w.StringGrid1->horizontalHeader()->resizeSection(0, 150);
    w.SetGridRowCount(2);
    ASSERT_TRUE(SpinUntil([&] { return !down->isVisible(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(Section(w, 0), 150);
    // ... until the width changes.
    w.resize(w.width() - 50, w.height());
    ASSERT_TRUE(SpinUntil([&] { return Section(w, 0) != 150; }));
    EXPECT_EQ(Section(w, 0), w.StringGrid1->viewport()->width() / 2);
}

} // namespace
