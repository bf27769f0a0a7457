// The window from the keyboard and for assistive technology: mnemonics that
// take the focus to their boxes, accessible names on every control, the
// pickers reached and pressed from the keyboard.

#include "fixture_tree.h"
#include "ui/keyboard_access.h"
#include "ui/uMain_Tarnwick.h"
#include "ui_test_support.h"

#include <QAccessible>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

TEST(Keyboard, ShownCaptionDropsTheMnemonicMarker) {
    const std::pair<QString, QString> cases[] = {
        {"&Source Folder", "Source Folder"}, {"File &Extension", "File Extension"},
        {"Save && Quit", "Save & Quit"},     {"Plain", "Plain"},
        {"Trailing&", "Trailing"},           {"", ""},
    };
    for (const auto& [caption, shown] : cases)
        EXPECT_EQ(tarnwick::ui::ShownCaption(caption), shown) << caption.toStdString();
}

TEST(Keyboard, EachLabelHasAMnemonicThatFocusesItsBox) {
    TFixtureTree tree;
    TFakeDialogs dialogs;
    TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
    w.ComboBox1->setCurrentIndex(1);
    w.ComboBox1Change(nullptr); // the delimiter box shows
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    ASSERT_NE(w.Label5, nullptr);
    const struct {
        QLabel* label;
        Qt::Key key;
        QWidget* box;
        const char* shown;
    } cases[] = {
        {w.Label1, Qt::Key_S, w.Edit2, "Source Folder"},
        {w.Label2, Qt::Key_N, w.Edit3, "New Folder"},
        {w.Label3, Qt::Key_E, w.Edit4, "File Extension"},
        {w.Label5, Qt::Key_M, w.ComboBox1, "Naming Mode"},
        {w.Label4, Qt::Key_D, w.Edit5, "Delimiter Text"},
    };
    w.StringGrid1->setFocus();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        EXPECT_EQ(c.label->buddy(), c.box);
        EXPECT_EQ(tarnwick::ui::ShownCaption(c.label), QLatin1String(c.shown));
        // The underlined letter is the key's, where the caption has it as a capital.
        const QString marked = c.label->text().mid(c.label->text().indexOf(u'&') + 1, 1);
        EXPECT_EQ(marked, QKeySequence(c.key).toString());
        EXPECT_EQ(c.box->accessibleName(), QLatin1String(c.shown));
        QTest::keyClick(&w, c.key, Qt::AltModifier);
        EXPECT_TRUE(c.box->hasFocus());
    }
    // The grid's captions and the pickers' titles show no marker.
    EXPECT_EQ(w.Grid().Cell(0, 0), "Source Folder");
    EXPECT_EQ(w.Grid().Cell(1, 0), "New Folder");
    // The mode list's label sits in the free space before the list, on the
    // labels' line, clear of the extension box.
    EXPECT_EQ(w.Label5->y(), w.Label3->y());
    EXPECT_GT(w.Label5->x(), w.Edit4->geometry().right());
    EXPECT_LT(w.Label5->geometry().right(), w.ComboBox1->x());
    EXPECT_GE(w.Label5->width(), w.Label5->sizeHint().width());
}

TEST(Keyboard, EveryControlHasAnAccessibleName) {
    TFixtureTree tree;
    TFakeDialogs dialogs;
    TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
    w.show();
    ASSERT_TRUE(SpinUntil([&] { return w.isVisible(); }));
    const QWidget* controls[] = {
        w.Button1,      w.Edit1,  w.Panel1,       w.Edit2,       w.Edit3,     w.SpeedButton1,
        w.SpeedButton2, w.Edit4,  w.ComboBox1,    w.Button2,     w.Button3,   w.Button4,
        w.Edit5,        w.Panel2, w.ProgressBar1, w.StringGrid1, w.StopButton};
    for (const QWidget* control : controls) {
        QAccessibleInterface* access =
            QAccessible::queryAccessibleInterface(const_cast<QWidget*>(control));
        ASSERT_NE(access, nullptr) << control->objectName().toStdString();
        EXPECT_FALSE(access->text(QAccessible::Name).isEmpty())
            << control->objectName().toStdString();
    }
    EXPECT_EQ(w.SpeedButton1->accessibleName(), "Select Source Folder");
    EXPECT_EQ(w.SpeedButton2->accessibleName(), "Select New Folder");
    EXPECT_EQ(w.ComboBox1->accessibleName(), "Naming Mode");
}

TEST(Keyboard, ThePickersAreReachedByTabAndPressedWithSpace) {
    TFixtureTree tree;
    tree.Dir("picked");
    TFakeDialogs dialogs;
    TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
    w.ComboBox1->setCurrentIndex(1);
    w.ComboBox1Change(nullptr);
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.Edit5->setFocus();
    QTest::keyClick(w.Edit5, Qt::Key_Tab);
    ASSERT_TRUE(w.SpeedButton1->hasFocus());
    dialogs.folderAnswers.push_back(tree.PathText("picked"));
    QTest::keyClick(w.SpeedButton1, Qt::Key_Space);
    ASSERT_EQ(dialogs.folderRequests.size(), 1u);
    EXPECT_EQ(dialogs.folderRequests[0].title, "Select Source Folder");
    EXPECT_EQ(w.Edit2->text(), tree.PathText("picked"));
    QTest::keyClick(w.SpeedButton1, Qt::Key_Tab);
    EXPECT_TRUE(w.SpeedButton2->hasFocus());
    // Stop takes no Tab stop while no job runs: next comes the grid.
    QTest::keyClick(w.SpeedButton2, Qt::Key_Tab);
    EXPECT_TRUE(w.StringGrid1->hasFocus());
}

} // namespace
