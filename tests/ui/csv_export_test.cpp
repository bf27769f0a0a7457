// "CSV File Output" from the window: the bytes of the file, the file name
// rule, the dialog's starting folder, file types and remembered choice, and
// notice 4 when the file cannot be written.

#include "fixture_tree.h"
#include "ui/uMain_Tarnwick.h"
#include "ui_test_support.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

const std::string kBom = "\xEF\xBB\xBF";
const QString kNotice4 = QStringLiteral("ファイルが保存できませんでした");

TEST(CsvExport, BeforeAnyJobTheFileHoldsTheHeaderAndAnEmptyRow) {
    TFixtureTree tree;
    TFakeDialogs dialogs;
    TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
    dialogs.saveAnswers.push_back(std::pair{tree.PathText("grid.csv"), 0});
    w.Button4->click();
    EXPECT_EQ(TFixtureTree::Read(tree.Path("grid.csv")),
              kBom + "\"Source Folder\",\"New Folder\"\r\n,\r\n");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST(CsvExport, RowsAfterAJobAreJoinedAndQuotedWhereNeeded) {
    TFixtureTree tree;
    // One file only, so the order of the rows is known.
    tree.File("src/Tokyo, Kyoto/say \"hi\" 東京.jpg", "x");
    tree.Dir("out");
    TFakeDialogs dialogs;
    TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
    w.Edit2->setText(tree.PathText("src"));
    w.Edit3->setText(tree.PathText("out"));
    w.ComboBox1->setCurrentIndex(1);
    w.Button2->click();
    ASSERT_TRUE(SpinUntil([&] { return !w.JobRunning(); }));
    ASSERT_EQ(w.Grid().RowCount(), 2);

    dialogs.saveAnswers.push_back(std::pair{tree.PathText("list.csv"), 0});
    w.Button4->click();
    const std::string root = tree.Root();
    const std::string expected = kBom + "\"Source Folder\",\"New Folder\"\r\n" + "\"" + root +
                                 "/src/Tokyo, Kyoto/say \"\"hi\"\" 東京.jpg\",\"" + root +
                                 "/out/Tokyo, Kyoto_say \"\"hi\"\" 東京.jpg\"\r\n";
    EXPECT_EQ(TFixtureTree::Read(tree.Path("list.csv")), expected);

    // A cell without blank, comma, quote or control character is not quoted,
    // whatever it holds above code 255.
    w.SetGridCell(0, 1, QStringLiteral("/p/東京\u3000x.jpg"));
    w.SetGridCell(1, 1, "/q/tab\there");
    dialogs.saveAnswers.push_back(std::pair{tree.PathText("list.csv"), 0});
    w.Button4->click();
    EXPECT_EQ(TFixtureTree::Read(tree.Path("list.csv")),
              kBom + "\"Source Folder\",\"New Folder\"\r\n/p/東京\u3000x.jpg,\"/q/tab\there\"\r\n");
}

TEST(CsvExport, FileNameRule) {
    struct Case {
        const char* chosen;
        int type; // 0 CSV File, 1 TEXT File
        const char* written;
    };
    const Case cases[] = {
        {"list", 1, "list.csv"},
        {"list", 0, "list.csv"},
        {"list.txt", 0, "list.txt"},
        {"list.txt", 1, "list.txt"},
        {"my.data/list", 0, "my.data/list.csv"},
        {"list.", 0, "list."},
        {"archive.tar.gz", 1, "archive.tar.gz"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        TFixtureTree tree;
        tree.Dir("my.data");
        TFakeDialogs dialogs;
        TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
        dialogs.saveAnswers.push_back(std::pair{tree.PathText(c.chosen), c.type});
        w.Button4->click();
        EXPECT_TRUE(dialogs.messages.empty());
        EXPECT_EQ(TFixtureTree::Read(tree.Path(c.written)),
                  kBom + "\"Source Folder\",\"New Folder\"\r\n,\r\n");
        if (std::string(c.chosen) != c.written) {
            EXPECT_FALSE(TFixtureTree::Exists(tree.Path(c.chosen)));
        }
    }
}

TEST(CsvExport, StartingFolderFromTheNewFolderBox) {
    const std::pair<const char*, const char*> cases[] = {
        {"/data/out/", "/data/out"},
        {"/data/out", "/data/out"},
        {"/", "/"},
        {"//", "/"},
        {"", ""},
        {"c:/", "c:/"},
        {"/data/out//", "/data/out/"},
    };
    TFakeDialogs dialogs;
    TFixtureTree tree;
    TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
    for (const auto& [box, start] : cases) {
        w.Edit3->setText(QLatin1String(box));
        w.Button4->click(); // cancelled: nothing written, nothing shown
        ASSERT_FALSE(dialogs.saveRequests.empty());
        EXPECT_EQ(dialogs.saveRequests.back().initialDir, QLatin1String(start)) << box;
    }
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST(CsvExport, FileTypesAndTheRememberedChoice) {
    TFixtureTree tree;
    TFakeDialogs dialogs;
    TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
    dialogs.saveAnswers.push_back(std::pair{tree.PathText("first"), 1});
    w.Button4->click();
    dialogs.saveAnswers.push_back(std::nullopt); // cancelled: the choice stays
    w.Button4->click();
    w.Button4->click();
    ASSERT_EQ(dialogs.saveRequests.size(), 3u);
    const QStringList types = {"CSV File (*.csv)", "TEXT File (*.txt)"};
    EXPECT_EQ(dialogs.saveRequests[0].filters, types);
    EXPECT_EQ(dialogs.saveRequests[0].filterIndex, 0);
    EXPECT_EQ(dialogs.saveRequests[0].fileName, "");
    for (int i : {1, 2}) {
        EXPECT_EQ(dialogs.saveRequests[i].filters, types);
        EXPECT_EQ(dialogs.saveRequests[i].filterIndex, 1);
        EXPECT_EQ(dialogs.saveRequests[i].fileName, tree.PathText("first"));
    }
    EXPECT_TRUE(TFixtureTree::Exists(tree.Path("first.csv")));
}

TEST(CsvExport, ExistingFileIsReplacedWithoutAQuestion) {
    TFixtureTree tree;
    tree.File("list.csv", "an older, longer file that must go completely\r\n");
    TFakeDialogs dialogs;
    TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
    dialogs.saveAnswers.push_back(std::pair{tree.PathText("list.csv"), 0});
    w.Button4->click();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(TFixtureTree::Read(tree.Path("list.csv")),
              kBom + "\"Source Folder\",\"New Folder\"\r\n,\r\n");
}

TEST(CsvExport, Notice4WhenTheFileCannotBeWritten) {
    TFixtureTree tree;
    tree.File("plain-file", "I am a file");
    tree.File("taken.csv/inside", "a folder stands at the chosen name");
    const char* chosen[] = {"no-such-folder/list.csv", "plain-file/list.csv", "taken.csv"};
    for (const char* name : chosen) {
        SCOPED_TRACE(name);
        TFakeDialogs dialogs;
        TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
        dialogs.saveAnswers.push_back(std::pair{tree.PathText(name), 0});
        w.Button4->click();
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].text, kNotice4);
        EXPECT_EQ(dialogs.messages[0].icon, QMessageBox::Critical);
        EXPECT_EQ(dialogs.messages[0].title, "Tarnwick");
    }
    // What stood there is as it was.
    EXPECT_EQ(TFixtureTree::Read(tree.Path("plain-file")), "I am a file");
    EXPECT_EQ(TFixtureTree::Read(tree.Path("taken.csv/inside")),
              "a folder stands at the chosen name");
    EXPECT_FALSE(TFixtureTree::Exists(tree.Path("no-such-folder")));
}

} // namespace
