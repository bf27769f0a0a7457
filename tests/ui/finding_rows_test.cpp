// Finding rows in the grid: F8 and Shift+F8 through the marked rows, a
// click on the summary to the first one, Ctrl+C as tab-separated text, and
// the row menu with its two paths and their folders.

#include "fixture_tree.h"
#include "platform/name_codec.h"
#include "ui/desktop_seam.h"
#include "ui/grid_clipboard.h"
#include "ui/grid_row_menu.h"
#include "ui/marked_row_navigation.h"
#include "ui/result_grid_model.h"
#include "ui/uMain_Tarnwick.h"
#include "ui_test_support.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using tarnwick::ui::NextMarkedRow;

TEST(MarkedRows, NextAndPreviousWrapAroundAndSkipRowsNotOnShow) {
    // Rows 3, 7 and 9 are marked; row 12 is written just past the end of an
    // 11-row grid (rows 1 to 10 on show).
    const std::vector<int> marked = {3, 7, 9, 12};
    struct Case {
        int from;
        bool forward;
        int expected;
    };
    const Case cases[] = {
        {0, true, 3},  {3, true, 7},  {5, true, 7},  {9, true, 3},  {10, true, 3}, {11, false, 9},
        {9, false, 7}, {7, false, 3}, {3, false, 9}, {1, false, 9}, {8, false, 7},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NextMarkedRow(marked, 11, c.from, c.forward), c.expected)
            << c.from << (c.forward ? " forward" : " back");
    EXPECT_EQ(NextMarkedRow({}, 11, 0, true), -1);
    EXPECT_EQ(NextMarkedRow({12}, 11, 0, true), -1);
    EXPECT_EQ(NextMarkedRow({5}, 11, 5, true), 5); // the only one, again
}

// A window whose grid holds rows rows, of which those in marks are marked.
void FillGrid(TfmTarnwickHub& w, int rows, const std::vector<int>& failed,
              const std::vector<int>& repeats) {
    for (int r = 1; r <= rows; ++r) {
        w.SetGridCell(0, r, QStringLiteral("/src/d%1/f%2.jpg").arg(r % 9).arg(r));
        w.SetGridCell(1, r, QStringLiteral("/out/d%1_f%2.jpg").arg(r % 9).arg(r));
    }
    w.SetGridRowCount(rows + 1);
    for (int r : failed) {
        TRowMark mark;
        mark.bCopyFailed = true;
        mark.stReason = "disk full";
        w.SetGridRowMark(r, mark);
    }
    for (int r : repeats) {
        w.SetGridCell(1, r, w.Grid().Cell(1, 1));
        TRowMark mark;
        mark.iRepeatsRow = 1;
        w.SetGridRowMark(r, mark);
    }
}

int SelectedGridRow(const TfmTarnwickHub& w) {
    const QModelIndexList rows = w.StringGrid1->selectionModel()->selectedRows();
    return rows.size() == 1 ? rows[0].row() + 1 : -1;
}

bool RowInView(const TfmTarnwickHub& w, int gridRow) {
    const QRect cell = w.StringGrid1->visualRect(w.GridModel()->index(gridRow - 1, 0));
    return w.StringGrid1->viewport()->rect().contains(cell);
}

TEST(MarkedRows, F8AndShiftF8SelectTheMarkedRowsAndScrollToThem) {
    TFixtureTree tree;
    TFakeDialogs dialogs;
    TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    FillGrid(w, 400, {120, 390}, {250});
    w.Edit2->setFocus();

    QTest::keyClick(w.Edit2, Qt::Key_F8);
    EXPECT_EQ(SelectedGridRow(w), 120);
    EXPECT_TRUE(w.StringGrid1->hasFocus());
    QTest::keyClick(w.StringGrid1, Qt::Key_F8);
    EXPECT_EQ(SelectedGridRow(w), 250);
    QCoreApplication::processEvents();
    EXPECT_TRUE(RowInView(w, 250));
    QTest::keyClick(w.StringGrid1, Qt::Key_F8);
    EXPECT_EQ(SelectedGridRow(w), 390);
    QCoreApplication::processEvents();
    EXPECT_TRUE(RowInView(w, 390));
    QTest::keyClick(w.StringGrid1, Qt::Key_F8); // past the last: back to the first
    EXPECT_EQ(SelectedGridRow(w), 120);
    QTest::keyClick(w.StringGrid1, Qt::Key_F8, Qt::ShiftModifier); // before the first: the last
    EXPECT_EQ(SelectedGridRow(w), 390);
    QTest::keyClick(w.StringGrid1, Qt::Key_F8, Qt::ShiftModifier);
    EXPECT_EQ(SelectedGridRow(w), 250);
    // Both cells of the row are selected.
    EXPECT_EQ(w.StringGrid1->selectionModel()->selectedIndexes().size(), 2);

    // From a row in between, the next one after it.
    w.StringGrid1->setCurrentIndex(w.GridModel()->index(299, 1));
    QTest::keyClick(w.StringGrid1, Qt::Key_F8);
    EXPECT_EQ(SelectedGridRow(w), 390);
    EXPECT_EQ(w.StringGrid1->currentIndex().column(), 1); // the column stays

    // A click on the bottom bar goes to the first.
    QTest::mouseClick(w.ProgressBar1, Qt::LeftButton);
    EXPECT_EQ(SelectedGridRow(w), 120);
    QCoreApplication::processEvents();
    EXPECT_TRUE(RowInView(w, 120));
}

TEST(MarkedRows, NoMarkedRowLeavesTheSelectionAlone) {
    TFixtureTree tree;
    TFakeDialogs dialogs;
    TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
    FillGrid(w, 20, {}, {});
    w.StringGrid1->setCurrentIndex(w.GridModel()->index(4, 0));
    EXPECT_FALSE(w.Navigation()->Next());
    EXPECT_FALSE(w.Navigation()->First());
    EXPECT_EQ(w.StringGrid1->currentIndex().row(), 4);
}

TEST(TabSeparated, CellsThatWouldSplitAreQuoted) {
    const std::pair<QString, QString> cases[] = {
        {"/src/a.jpg", "/src/a.jpg"}, {"", ""},
        {"a\tb", "\"a\tb\""},         {"line\nbreak", "\"line\nbreak\""},
        {"cr\rhere", "\"cr\rhere\""}, {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"it's, fine", "it's, fine"},
    };
    for (const auto& [cell, expected] : cases)
        EXPECT_EQ(tarnwick::ui::TabSeparatedCell(cell), expected) << cell.toStdString();
}

// Reads tab-separated text the way spreadsheets do: a cell that starts with
// a quotation mark runs to the next lone one, with doubled ones standing for one.
std::vector<QStringList> ReadTabSeparated(const QString& text) {
    std::vector<QStringList> rows;
    QStringList row;
    QString cell;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                cell += c;
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == u'"' && cell.isEmpty()) {
            quoted = true;
        } else if (c == u'\t') {
            row << cell;
            cell.clear();
        } else if (c == u'\n') {
            row << cell;
            rows.push_back(row);
            row.clear();
            cell.clear();
        } else {
            cell += c;
        }
    }
    return rows;
}

TEST(TabSeparated, ASelectionIsItsRectangleAndReadsBackCellForCell) {
    QStandardItemModel model(4, 3);
    const QString texts[4][3] = {
        {"a1", "b1", "c1"},
        {"a2", "tab\there", "c2"},
        {"a3", "two\nlines", "\"quoted\""},
        {"a4", "b4", "c4"},
    };
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            model.setItem(r, c, new QStandardItem(texts[r][c]));

    QItemSelection block(model.index(1, 1), model.index(2, 2));
    const QString text = tarnwick::ui::SelectionAsTabSeparated(model, block);
    EXPECT_EQ(ReadTabSeparated(text),
              (std::vector<QStringList>{{"tab\there", "c2"}, {"two\nlines", "\"quoted\""}}));

    // Two separate cells: their rectangle, the cells between them empty.
    QItemSelection apart;
    apart.select(model.index(0, 0), model.index(0, 0));
    apart.select(model.index(1, 2), model.index(1, 2));
    EXPECT_EQ(tarnwick::ui::SelectionAsTabSeparated(model, apart), "a1\t\t\n\t\tc2\n");
    EXPECT_EQ(tarnwick::ui::SelectionAsTabSeparated(model, QItemSelection()), "");
}

TEST(TabSeparated, CtrlCOnTheGridCopiesTheSelection) {
    TFixtureTree tree;
    TFakeDialogs dialogs;
    TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    FillGrid(w, 3, {}, {});
    w.SetGridCell(0, 2, "/src/odd\tname\n.jpg");
    w.StringGrid1->setFocus();

    QTest::keyClick(w.StringGrid1, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(w.StringGrid1, Qt::Key_C, Qt::ControlModifier);
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_EQ(ReadTabSeparated(copied),
              (std::vector<QStringList>{{w.Grid().Cell(0, 1), w.Grid().Cell(1, 1)},
                                        {"/src/odd\tname\n.jpg", w.Grid().Cell(1, 2)},
                                        {w.Grid().Cell(0, 3), w.Grid().Cell(1, 3)}}));

    // One column of two rows.
    w.StringGrid1->selectionModel()->select(
        QItemSelection(w.GridModel()->index(1, 1), w.GridModel()->index(2, 1)),
        QItemSelectionModel::ClearAndSelect);
    QTest::keyClick(w.StringGrid1, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              w.Grid().Cell(1, 2) + "\n" + w.Grid().Cell(1, 3) + "\n");
}

class TFakeDesktop : public tarnwick::ui::TDesktopSeam {
public:
    TFakeDesktop() : FGuard(this) {}
    std::vector<QUrl> opened;
    bool OpenUrl(const QUrl& url) override {
        opened.push_back(url);
        return true;
    }

private:
    tarnwick::ui::TScopedDesktopSeam FGuard;
};

QAction* ActionNamed(QMenu* menu, const QString& caption) {
    for (QAction* action : menu->actions())
        if (action->text().remove(u'&') == caption)
            return action;
    return nullptr;
}

TEST(RowMenu, CopiesEitherPathAndOpensEitherFolder) {
    TFixtureTree tree;
    TFakeDialogs dialogs;
    TFakeDesktop desktop;
    TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
    w.show();
    FillGrid(w, 5, {}, {});
    w.SetGridCell(0, 3, "/src/with space/photo #1.jpg");
    w.SetGridCell(1, 3, "/new/photo #1.jpg");
    QCoreApplication::processEvents();

    // A right click on row 3.
    const QRect cell = w.StringGrid1->visualRect(w.GridModel()->index(2, 1));
    QContextMenuEvent click(QContextMenuEvent::Mouse, cell.center(),
                            w.StringGrid1->viewport()->mapToGlobal(cell.center()));
    QCoreApplication::sendEvent(w.StringGrid1->viewport(), &click);
    QMenu* menu = w.RowMenu()->Shown();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(w.StringGrid1->currentIndex().row(), 2);

    ActionNamed(menu, "Copy Source Path")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "/src/with space/photo #1.jpg");
    ActionNamed(menu, "Copy Target Path")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "/new/photo #1.jpg");
    ActionNamed(menu, "Open Source Folder")->trigger();
    ActionNamed(menu, "Open Target Folder")->trigger();
    ASSERT_EQ(desktop.opened.size(), 2u);
    EXPECT_EQ(desktop.opened[0].toLocalFile(), "/src/with space");
    EXPECT_EQ(desktop.opened[1].toLocalFile(), "/new");
    menu->close();

    // From the keyboard: the menu of the current row.
    w.StringGrid1->setCurrentIndex(w.GridModel()->index(4, 0));
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(5, 5),
                          w.StringGrid1->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(w.StringGrid1, &key);
    menu = w.RowMenu()->Shown();
    ASSERT_NE(menu, nullptr);
    ActionNamed(menu, "Copy Source Path")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), w.Grid().Cell(0, 5));
    menu->close();
}

TEST(RowMenu, ARowWithoutTargetOffersNoTargetActions) {
    TFixtureTree tree;
    TFakeDialogs dialogs;
    TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
    w.SetGridCell(0, 1, "/src/a.jpg");
    w.SetGridRowCount(2);
    std::unique_ptr<QMenu> menu(w.RowMenu()->MenuFor(1, nullptr));
    EXPECT_TRUE(ActionNamed(menu.get(), "Copy Source Path")->isEnabled());
    EXPECT_TRUE(ActionNamed(menu.get(), "Open Source Folder")->isEnabled());
    EXPECT_FALSE(ActionNamed(menu.get(), "Copy Target Path")->isEnabled());
    EXPECT_FALSE(ActionNamed(menu.get(), "Open Target Folder")->isEnabled());
}

TEST(RowMenu, FolderUrlsNameTheFileSystemsBytes) {
    using tarnwick::ui::FolderOfPath;
    using tarnwick::ui::LocalFileUrl;
    EXPECT_EQ(FolderOfPath("/src/a/b.jpg"), "/src/a");
    EXPECT_EQ(FolderOfPath("/b.jpg"), "/");
    EXPECT_EQ(FolderOfPath("/src//b.jpg"), "/src/"); // a folder typed with a trailing "/"
    EXPECT_EQ(FolderOfPath("b.jpg"), "");
    // A name that is not UTF-8 keeps its byte; "#" and "%" are not taken as URL syntax.
    const QString odd = tarnwick::DecodeName(std::string("/src/caf\xe9 #1%"));
    EXPECT_EQ(LocalFileUrl(odd).toEncoded(), QByteArray("file:///src/caf%E9%20%231%25"));
    EXPECT_EQ(LocalFileUrl("/src/été").toLocalFile(), "/src/été");
    EXPECT_TRUE(LocalFileUrl("rel/dir").toLocalFile().endsWith("/rel/dir"));
    EXPECT_TRUE(LocalFileUrl("rel/dir").toLocalFile().startsWith("/"));
}

} // namespace
