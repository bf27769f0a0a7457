// The window without a job: first start, settings loaded and stored, the
// enabling of the inputs, the mode list, the resize rules, the checks before
// a job with their notices, and the folder pickers.

#include "engine/result_grid.h"
#include "fixture_tree.h"
#include "ui/keyboard_access.h"
#include "ui/uMain_Tarnwick.h"
#include "ui_test_support.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

QSize OuterSize(const QWidget& w) {
    return w.frameGeometry().size();
}

TEST(MainWindow, FirstStartWithoutSettingsFile) {
    TFixtureTree tree;
    const QString ini = tree.PathText("tarnwick.ini");
    TFakeDialogs dialogs;
    {
        TfmTarnwickHub w(ini);
        EXPECT_EQ(w.windowTitle(), "Tarnwick");
        EXPECT_EQ(w.Edit2->text(), "");
        EXPECT_EQ(w.Edit3->text(), "");
        EXPECT_EQ(w.Edit4->text(), "");
        ASSERT_EQ(w.ComboBox1->count(), 3);
        EXPECT_EQ(w.ComboBox1->itemText(0), "MD5(hash)");
        EXPECT_EQ(w.ComboBox1->itemText(1), "Folder Name (asc)");
        EXPECT_EQ(w.ComboBox1->itemText(2), "Folder Name (desc)");
        EXPECT_EQ(w.ComboBox1->currentIndex(), 0);
        EXPECT_FALSE(w.Edit5->isVisibleTo(&w));
        EXPECT_FALSE(w.Label4->isVisibleTo(&w));
        EXPECT_EQ(w.Edit5->text(), "_");
        EXPECT_FALSE(w.Button1->isVisibleTo(&w));
        EXPECT_FALSE(w.Edit1->isVisibleTo(&w));
        EXPECT_EQ(w.Grid().RowCount(), 2);
        EXPECT_EQ(w.Grid().Cell(0, 0), "Source Folder");
        EXPECT_EQ(w.Grid().Cell(1, 0), "New Folder");
        EXPECT_EQ(w.StringGrid1->model()->headerData(0, Qt::Horizontal).toString(),
                  "Source Folder");
        EXPECT_EQ(w.StringGrid1->model()->headerData(1, Qt::Horizontal).toString(), "New Folder");
        EXPECT_EQ(w.ProgressBar1->maximum(), 500);
        EXPECT_EQ(w.ProgressBar1->value(), 0);

        w.show();
        ASSERT_TRUE(SpinUntil([&] { return w.isVisible(); }));
        QCoreApplication::processEvents();
        EXPECT_EQ(OuterSize(w), QSize(600, 300));
        EXPECT_EQ(w.frameGeometry().topLeft(), QPoint(0, 0));
        EXPECT_TRUE(dialogs.messages.empty());
    }
    const auto stored = ReadRootSection(ini);
    const std::map<QString, QString> expected = {
        {"TOP", "0"},
        {"LEFT", "0"},
        {"WIDTH", "600"},
        {"HEIGHT", "300"},
        {"SOURCE_FOLDER", ""},
        {"NEW_FOLDER", ""},
        {"FILE_EXTENSION_NAME", ""},
        {"COPY_TYPE_COMBOBOX", "0"},
    };
    EXPECT_EQ(stored, expected);
}

TEST(MainWindow, SettingsAreLoadedAndStoredBack) {
    TFixtureTree tree;
    tree.Dir("photos");
    const QString ini = tree.PathText("tarnwick.ini");
    const QString photos = tree.PathText("photos");
    const QString gone = tree.PathText("deleted-since");
    WriteSettings(ini, {"TOP=40", "LEFT=30", "WIDTH=700", "HEIGHT=450", "SOURCE_FOLDER=" + photos,
                        "NEW_FOLDER=" + gone, "FILE_EXTENSION_NAME=.JPG", "COPY_TYPE_COMBOBOX=2"});
    TFakeDialogs dialogs;
    {
        TfmTarnwickHub w(ini);
        EXPECT_EQ(w.Edit2->text(), photos);
        EXPECT_EQ(w.Edit3->text(), gone); // shown whether or not it exists
        EXPECT_EQ(w.Edit4->text(), ".JPG");
        EXPECT_EQ(w.ComboBox1->currentIndex(), 2);
        EXPECT_TRUE(w.Edit5->isVisibleTo(&w));
        EXPECT_EQ(w.frameGeometry(), QRect(30, 40, 700, 450));
        w.Edit5->setText("-"); // the delimiter is never stored
        w.Edit4->setText(".png");
    }
    auto stored = ReadRootSection(ini);
    EXPECT_EQ(stored["SOURCE_FOLDER"], photos);
    EXPECT_EQ(stored["NEW_FOLDER"], gone);
    EXPECT_EQ(stored["FILE_EXTENSION_NAME"], ".png");
    EXPECT_EQ(stored["COPY_TYPE_COMBOBOX"], "2");
    EXPECT_EQ(stored["WIDTH"], "700");
    EXPECT_EQ(stored["HEIGHT"], "450");
    EXPECT_EQ(stored.count("DELIMITER"), 0u);
    {
        TfmTarnwickHub w(ini);
        EXPECT_EQ(w.Edit5->text(), "_");
    }
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST(MainWindow, StoredSourceFolderThatIsGoneStartsEmptyAndIsStoredEmpty) {
    TFixtureTree tree;
    const QString ini = tree.PathText("tarnwick.ini");
    WriteSettings(ini, {"SOURCE_FOLDER=" + tree.PathText("no-such-folder"),
                        "NEW_FOLDER=", "FILE_EXTENSION_NAME=", "COPY_TYPE_COMBOBOX=0"});
    TFakeDialogs dialogs;
    {
        TfmTarnwickHub w(ini);
        EXPECT_EQ(w.Edit2->text(), "");
    }
    EXPECT_EQ(ReadRootSection(ini)["SOURCE_FOLDER"], "");
}

TEST(MainWindow, StoredModeDecidesTheSelectionAndTheDelimiterBox) {
    struct Case {
        const char* stored;
        int selected;
        bool delimiterShown;
        const char* storedBack;
    };
    const Case cases[] = {
        {"0", 0, false, "0"},  {"1", 1, true, "1"},    {"2", 2, true, "2"},
        {"3", -1, true, "-1"}, {"-1", -1, true, "-1"},
    };
    TFakeDialogs dialogs;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        TFixtureTree tree;
        const QString ini = tree.PathText("tarnwick.ini");
        WriteSettings(ini, {"SOURCE_FOLDER=", "NEW_FOLDER=", "FILE_EXTENSION_NAME=",
                            QStringLiteral("COPY_TYPE_COMBOBOX=%1").arg(QLatin1String(c.stored))});
        {
            TfmTarnwickHub w(ini);
            EXPECT_EQ(w.ComboBox1->currentIndex(), c.selected);
            EXPECT_EQ(w.Edit5->isVisibleTo(&w), c.delimiterShown);
            EXPECT_EQ(w.Label4->isVisibleTo(&w), c.delimiterShown);
        }
        EXPECT_EQ(ReadRootSection(ini)["COPY_TYPE_COMBOBOX"], QLatin1String(c.storedBack));
    }
}

TEST(MainWindow, ButtonEnableFindsControlsByName) {
    TFixtureTree tree;
    TFakeDialogs dialogs;
    TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
    // Controls added beside the designed ones: the names 1 to 11 count.
    auto* button11 = new QPushButton(w.Panel1);
    button11->setObjectName("Button11");
    auto* button12 = new QPushButton(w.Panel1);
    button12->setObjectName("Button12");
    auto* edit0 = new QLineEdit(&w);
    edit0->setObjectName("Edit0");

    const std::vector<QWidget*> switched = {
        w.Button1, w.Button2, w.Button3,      w.Button4,      w.Edit1,     w.Edit2,  w.Edit3,
        w.Edit4,   w.Edit5,   w.SpeedButton1, w.SpeedButton2, w.ComboBox1, button11,
    };
    const std::vector<QWidget*> untouched = {
        w.Label1, w.Label2,       w.Label3,      w.Label4, w.Panel1,
        w.Panel2, w.ProgressBar1, w.StringGrid1, button12, edit0,
    };
    w.ButtonEnable(false);
    for (QWidget* c : switched)
        EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
    for (QWidget* c : untouched)
        EXPECT_TRUE(c->isEnabled()) << c->objectName().toStdString();
    w.ButtonEnable(true);
    for (QWidget* c : switched)
        EXPECT_TRUE(c->isEnabled()) << c->objectName().toStdString();
}

TEST(MainWindow, ModeListShowsTheDelimiterOnlyForFolderNameModes) {
    TFixtureTree tree;
    TFakeDialogs dialogs;
    TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
    w.Edit5->setText("--");
    const std::pair<int, bool> choices[] = {{1, true}, {0, false}, {2, true}, {0, false}};
    for (const auto& [index, shown] : choices) {
        w.ComboBox1->setCurrentIndex(index);
        emit w.ComboBox1->activated(index); // as when the user picks the item
        EXPECT_EQ(w.Edit5->isVisibleTo(&w), shown) << index;
        EXPECT_EQ(w.Label4->isVisibleTo(&w), shown) << index;
        EXPECT_EQ(w.Edit5->text(), "--");
    }
    // Selecting from code does not run the handler; calling it does.
    w.ComboBox1->setCurrentIndex(1);
    EXPECT_FALSE(w.Edit5->isVisibleTo(&w));
    w.ComboBox1->setCurrentIndex(-1);
    w.ComboBox1Change(nullptr);
    EXPECT_TRUE(w.Edit5->isVisibleTo(&w));
}

TEST(MainWindow, ResizeKeepsTheFloorAndLaysOutTheBoxes) {
    TFixtureTree tree;
    TFakeDialogs dialogs;
    TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
    w.show();
    ASSERT_TRUE(SpinUntil([&] { return w.isVisible(); }));
    struct Case {
        QSize asked;
        QSize expected;
    };
    const Case cases[] = {
        {{500, 200}, {600, 300}}, {{800, 500}, {800, 500}}, {{599, 700}, {600, 700}},
        {{900, 299}, {900, 300}}, {{600, 300}, {600, 300}},
    };
    // Sizes are outer sizes (frame included); the boxes follow the client width.
    const QSize frame = OuterSize(w) - w.size();
    for (const Case& c : cases) {
        w.resize(c.asked - frame);
        ASSERT_TRUE(SpinUntil([&] { return OuterSize(w) == c.expected; }))
            << c.asked.width() << "x" << c.asked.height() << " gave " << OuterSize(w).width() << "x"
            << OuterSize(w).height();
        QCoreApplication::processEvents();
        const int cw = w.width();
        const int ch = w.height();
        EXPECT_EQ(w.Edit2->geometry(), QRect(104, 13, cw - 154, 21));
        EXPECT_EQ(w.Edit3->geometry(), QRect(104, 40, cw - 154, 21));
        EXPECT_EQ(w.SpeedButton1->geometry(), QRect(cw - 48, 12, 23, 22));
        EXPECT_EQ(w.SpeedButton2->geometry(), QRect(cw - 48, 40, 23, 22));
        EXPECT_EQ(w.Panel1->geometry(), QRect(0, 0, cw, 137));
        EXPECT_EQ(w.Panel2->geometry(), QRect(0, ch - 20, cw, 20));
        EXPECT_EQ(w.ProgressBar1->geometry(), QRect(2, 2, cw - 4, 17));
        EXPECT_EQ(w.StringGrid1->geometry(), QRect(3, 140, cw - 6, ch - 137 - 20 - 6));
        EXPECT_EQ(w.StringGrid1->horizontalHeader()->sectionSize(0), (cw - 6) / 2);
        EXPECT_EQ(w.StringGrid1->horizontalHeader()->sectionSize(1), (cw - 6) / 2);
        // Nothing else moves.
        EXPECT_EQ(w.Edit4->geometry(), QRect(104, 68, 81, 21));
        EXPECT_EQ(w.ComboBox1->geometry(), QRect(282, 68, 145, 21));
        EXPECT_EQ(w.Edit5->geometry(), QRect(521, 68, 32, 21));
        EXPECT_EQ(w.Button2->geometry(), QRect(16, 104, 120, 25));
        EXPECT_EQ(w.Button3->geometry(), QRect(153, 104, 120, 25));
        EXPECT_EQ(w.Button4->geometry(), QRect(296, 104, 120, 25));
    }
}

TEST(MainWindow, ChangingTheWidthResetsDraggedColumns) {
    TFixtureTree tree;
    TFakeDialogs dialogs;
    TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
    w.show();
    ASSERT_TRUE(SpinUntil([&] { return w.isVisible(); }));
    QHeaderView* header = w.StringGrid1->horizontalHeader();
    EXPECT_EQ(header->sectionResizeMode(0), QHeaderView::Interactive);
    header->resizeSection(0, 100); // as the user drags the divider
    EXPECT_EQ(header->sectionSize(0), 100);
    w.resize(701, 320);
    ASSERT_TRUE(SpinUntil([&] { return w.width() == 701; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(w.StringGrid1->width(), 695);
    EXPECT_EQ(header->sectionSize(0), 347);
    EXPECT_EQ(header->sectionSize(1), 347);
    // A height change leaves the bottom bar's width, and so the columns, alone.
    header->resizeSection(1, 120);
    w.resize(701, 420);
    ASSERT_TRUE(SpinUntil([&] { return w.height() == 420; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(header->sectionSize(1), 120);
}

TEST(MainWindow, ControlsCarryTheirNamesCaptionsAndTabOrder) {
    TFixtureTree tree;
    TFakeDialogs dialogs;
    TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
    const std::pair<const char*, const char*> captions[] = {
        {"Button1", "Button1"},       {"Button2", "Copy Simulation"},
        {"Button3", "Copy File"},     {"Button4", "CSV File Output"},
        {"Label1", "Source Folder"},  {"Label2", "New Folder"},
        {"Label3", "File Extension"}, {"Label4", "Delimiter Text"},
        {"SpeedButton1", "..."},      {"SpeedButton2", "..."},
        {"Edit1", "Edit1"},
    };
    for (const auto& [name, caption] : captions) {
        QObject* control = w.findChild<QObject*>(QLatin1String(name));
        ASSERT_NE(control, nullptr) << name;
        // Labels carry a mnemonic marker that is not shown.
        const QString text = tarnwick::ui::ShownCaption(control->property("text").toString());
        EXPECT_EQ(text, QLatin1String(caption)) << name;
    }
    for (const char* name : {"Panel1", "Panel2", "ProgressBar1", "StringGrid1", "SaveDialog1",
                             "ComboBox1", "Edit2", "Edit3", "Edit4", "Edit5"})
        EXPECT_NE(w.findChild<QObject*>(QLatin1String(name)), nullptr) << name;

    // The designed tab stops in their order, then the pickers and Stop, then the grid.
    const std::vector<QWidget*> order = {
        w.Edit2,   w.Edit3, w.Edit4,        w.ComboBox1,    w.Button2,    w.Button3,
        w.Button4, w.Edit5, w.SpeedButton1, w.SpeedButton2, w.StopButton, w.StringGrid1};
    // The next control that Tab reaches: the next one in the focus chain
    // that takes focus by Tab.
    const auto nextTabStop = [](QWidget* from) {
        QWidget* next = from->nextInFocusChain();
        while (next != from && !(next->focusPolicy() & Qt::TabFocus))
            next = next->nextInFocusChain();
        return next;
    };
    for (size_t i = 0; i + 1 < order.size(); ++i)
        EXPECT_EQ(nextTabStop(order[i]), order[i + 1]) << order[i]->objectName().toStdString();
    EXPECT_EQ(nextTabStop(w.Edit1), w.Edit2);
    // A click on a picker leaves the focus in its box.
    EXPECT_EQ(w.SpeedButton1->focusPolicy(), Qt::TabFocus);
    EXPECT_EQ(w.Edit2->maxLength(), std::numeric_limits<int>::max());
}

TEST(MainWindow, HiddenButtonPutsTheDigestOfTheTestTextIntoEdit1) {
    TFixtureTree tree;
    TFakeDialogs dialogs;
    TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
    w.Button1->click();
    // MD5 of the five bytes 61 5C 30 30 31.
    EXPECT_EQ(w.Edit1->text(), "7B15C32E36AE424609BFB27B4D27A679");
}

// The checks before a job, in their order, and the notice each shows.
TEST(JobStart, FailedChecksShowTheirNoticeAndEnableTheInputsAgain) {
    TFixtureTree tree;
    tree.Dir("src/inside");
    tree.Dir("out");
    tree.File("file.txt");
    const QString src = tree.PathText("src");
    const QString out = tree.PathText("out");
    const QString notice1 =
        QStringLiteral("Source Folderと New Folderはフォルダ名を別名にしてください");
    const QString notice2 = QStringLiteral("New Folderを指定してください");
    const QString notice3 = QStringLiteral("New Folderが見つかりません");
    const QString notice5 = QStringLiteral("Delimiterに使えない文字が含まれています");
    struct Case {
        QString source, newFolder;
        int mode;
        QString delimiter;
        QString notice; // empty: the job starts
        QMessageBox::Icon icon;
    };
    const Case cases[] = {
        {src, src, 0, "_", notice1, QMessageBox::Critical},
        {"", "", 1, "/", notice1, QMessageBox::Critical},
        {src, "", 1, "/", notice2, QMessageBox::Information},
        {src, tree.PathText("missing"), 1, "/", notice3, QMessageBox::Information},
        {src, tree.PathText("file.txt"), 0, "_", notice3, QMessageBox::Information},
        {src, out, 1, "a/b", notice5, QMessageBox::Critical},
        {src, out, 2, ":", notice5, QMessageBox::Critical},
        {src, out, 2, "\t", notice5, QMessageBox::Critical},
        {src, out, 1, "\\", notice5, QMessageBox::Critical},
        {src, out, 0, "a/b", "", QMessageBox::NoIcon},
        {src, out, -1, "|", "", QMessageBox::NoIcon},
        {src, out, 2, "", "", QMessageBox::NoIcon},
        {src, out, 2, " .-", "", QMessageBox::NoIcon},
        {src, src + "/", 0, "_", notice1, QMessageBox::Critical}, // the same folder
        {src, src + "/inside", 0, "_", "", QMessageBox::NoIcon}, // inside the source: fine
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.source + " | " + c.newFolder + " | " + c.delimiter).toStdString());
        TFakeDialogs dialogs;
        TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
        // A previous result that a failed check must leave alone.
        w.SetGridCell(0, 1, "earlier");
        w.SetGridCell(0, 2, "earlier too");
        w.SetGridRowCount(3);
        w.Edit2->setText(c.source);
        w.Edit3->setText(c.newFolder);
        w.ComboBox1->setCurrentIndex(c.mode);
        w.Edit5->setText(c.delimiter);
        w.Button2->click();
        if (c.notice.isEmpty()) {
            EXPECT_TRUE(dialogs.messages.empty());
            ASSERT_TRUE(SpinUntil([&] { return !w.JobRunning(); }));
            EXPECT_EQ(w.Grid().RowCount(), 2); // the job reset the grid
        } else {
            ASSERT_EQ(dialogs.messages.size(), 1u);
            EXPECT_EQ(dialogs.messages[0].text, c.notice);
            EXPECT_EQ(dialogs.messages[0].icon, c.icon);
            EXPECT_EQ(dialogs.messages[0].title, "Tarnwick");
            EXPECT_FALSE(w.JobRunning());
            EXPECT_EQ(w.Grid().RowCount(), 3);
            EXPECT_EQ(w.Grid().Cell(0, 2), "earlier too");
        }
        for (QWidget* input : {static_cast<QWidget*>(w.Button2), static_cast<QWidget*>(w.Button3),
                               static_cast<QWidget*>(w.Edit2), static_cast<QWidget*>(w.ComboBox1),
                               static_cast<QWidget*>(w.SpeedButton1)})
            EXPECT_TRUE(input->isEnabled()) << input->objectName().toStdString();
    }
}

TEST(Notices, TheFiveNoticesAndNothingElse) {
    TFixtureTree tree;
    TFakeDialogs dialogs;
    TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
    w.ShowNotice(0);
    w.ShowNotice(6);
    w.ShowNotice(-1);
    EXPECT_TRUE(dialogs.messages.empty());
    w.setWindowTitle("Renamed");
    w.ShowNotice(4);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("ファイルが保存できませんでした"));
    EXPECT_EQ(dialogs.messages[0].icon, QMessageBox::Critical);
    EXPECT_EQ(dialogs.messages[0].title, "Renamed"); // the caption at that moment
}

TEST(FolderPickers, TitlesInitialFolderAndResult) {
    TFixtureTree tree;
    tree.Dir("src");
    tree.Dir("out");
    TFakeDialogs dialogs;
    TfmTarnwickHub w(tree.PathText("tarnwick.ini"));

    w.Edit2->setText(tree.PathText("src"));
    dialogs.folderAnswers.push_back(tree.PathText("out/picked"));
    w.SpeedButton1->click();
    ASSERT_EQ(dialogs.folderRequests.size(), 1u);
    EXPECT_EQ(dialogs.folderRequests[0].title, "Select Source Folder");
    EXPECT_EQ(dialogs.folderRequests[0].initialFolder, tree.PathText("src"));
    EXPECT_EQ(w.Edit2->text(), tree.PathText("out/picked"));

    // A box that names no directory opens the picker without a folder;
    // cancelling keeps the text.
    w.Edit3->setText(tree.PathText("nowhere"));
    w.SpeedButton2->click();
    ASSERT_EQ(dialogs.folderRequests.size(), 2u);
    EXPECT_EQ(dialogs.folderRequests[1].title, "Select New Folder");
    EXPECT_EQ(dialogs.folderRequests[1].initialFolder, "");
    EXPECT_EQ(w.Edit3->text(), tree.PathText("nowhere"));
    EXPECT_TRUE(dialogs.messages.empty());

    // A sender whose name gives no picker number does nothing.
    QPushButton other;
    other.setObjectName("SpeedButtonX");
    w.SpButtonClick(&other);
    other.setObjectName("SpeedButton0");
    w.SpButtonClick(&other);
    EXPECT_EQ(dialogs.folderRequests.size(), 2u);
}

TEST(FolderPickers, NewFolderEqualToTheSourceIsClearedWithNotice1) {
    TFixtureTree tree;
    tree.Dir("src");
    TFakeDialogs dialogs;
    TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
    w.Edit2->setText(tree.PathText("src"));
    w.Edit3->setText("before");
    dialogs.folderAnswers.push_back(tree.PathText("src"));
    w.SpeedButton2->click();
    EXPECT_EQ(w.Edit3->text(), "");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("Source Folderと New Folderはフォルダ名を別名にしてください"));

    // The source picker makes no such comparison.
    w.Edit3->setText(tree.PathText("src"));
    w.Edit2->setText("x");
    dialogs.folderAnswers.push_back(tree.PathText("src"));
    w.SpeedButton1->click();
    EXPECT_EQ(w.Edit2->text(), tree.PathText("src"));
    EXPECT_EQ(w.Edit3->text(), tree.PathText("src"));
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

// The picker compares folders as check 1 does: the source folder chosen
// through a link or with a trailing "/" is the source folder.
TEST(FolderPickers, TheSourceFolderWrittenAnotherWayIsCleared) {
    TFixtureTree tree;
    tree.Dir("src/sub");
    tree.Link("to-src", tree.Path("src"));
    TFakeDialogs dialogs;
    TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
    w.Edit2->setText(tree.PathText("src"));
    for (const QString& chosen : {tree.PathText("to-src"), tree.PathText("src") + u'/'}) {
        w.Edit3->setText("before");
        dialogs.folderAnswers.push_back(chosen);
        w.SpeedButton2->click();
        EXPECT_EQ(w.Edit3->text(), "") << chosen.toStdString();
    }
    EXPECT_EQ(dialogs.messages.size(), 2u);
    dialogs.folderAnswers.push_back(tree.PathText("src/sub"));
    w.SpeedButton2->click();
    EXPECT_EQ(w.Edit3->text(), tree.PathText("src/sub"));
    EXPECT_EQ(dialogs.messages.size(), 2u);
}

} // namespace
