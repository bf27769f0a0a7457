#include "engine/csv_export.h"
#include "engine/result_grid.h"
#include "fixture_tree.h"
#include "platform/name_codec.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace tarnwick;

TEST(JoinCsvRow, CellsAndRows) {
    struct Case {
        QStringList cells;
        const char* line;
    } cases[] = {
        {{"a.jpg"}, "a.jpg"},
        {{"New Folder"}, "\"New Folder\""},
        {{"Tokyo, Kyoto"}, "\"Tokyo, Kyoto\""},
        {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
        {{""}, "\"\""},
        {{}, ""},
        {{"", ""}, ","},
        {{"a", "", "b"}, "a,,b"},
        {{"tab\there", "line\nbreak"}, "\"tab\there\",\"line\nbreak\""},
        {{"\u6F22\u3000\u00E9\u007F"}, "\u6F22\u3000\u00E9\u007F"}, // no quotes above code 32
        {{"Source Folder", "New Folder"}, "\"Source Folder\",\"New Folder\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JoinCsvRow(c.cells), QString::fromUtf8(c.line)) << c.line;
}

// A line's bytes are its row join encoded as a name, whichever way the
// line is written: cells of ASCII on the short path, the rest joined.
TEST(AppendCsvLine, TheRowJoinAsBytes) {
    const QString cells[] = {
        QString(),
        QStringLiteral("/s/a/b.jpg"),
        QStringLiteral("a,b"),
        QStringLiteral("a b"),
        QStringLiteral("\"q\""),
        QStringLiteral("/s/folder 056/say \"hi\", x.jpg"),
        QString(QChar(0x7F)),
        QString(QChar(0x80)),
        QString(1, QChar(0)),
        QStringLiteral("\u65E5\u672C"),
        QStringLiteral("x") + QChar(0xDCE9),
        QString(QChar(0xD83D)),
        QString(QChar(0xDE00)) + QStringLiteral("tail"),
        QString(5000, u'z'),
    };
    for (const QString& a : cells)
        for (const QString& b : cells) {
            std::string out = "kept";
            AppendCsvLine(out, a, b);
            const std::string want = "kept" + EncodeName(JoinCsvRow({a, b})) + "\r\n";
            EXPECT_EQ(out, want) << a.toStdString() << " | " << b.toStdString();
        }
}

TEST(CsvFileName, ExtensionRule) {
    struct Case {
        const char* chosen;
        const char* file;
    } cases[] = {
        {"/out/list", "/out/list.csv"},     {"/out/list.txt", "/out/list.txt"},
        {"/my.data/list", "/my.data/list.csv"}, {"/out/list.", "/out/list."},
        {"/out/a.b:c", "/out/a.b:c.csv"},   {"list", "list.csv"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CsvFileName(QString::fromUtf8(c.chosen)), QString::fromUtf8(c.file));
}

namespace {
TResultGrid WorkedExampleGrid() {
    TResultGrid grid;
    grid.SetCell(0, 0, u"Source Folder");
    grid.SetCell(1, 0, u"New Folder");
    grid.SetCell(0, 1, u"/Photos/2014/a.jpg");
    grid.SetCell(1, 1, u"/Sorted/2014_a.jpg");
    grid.SetCell(0, 2, u"/Photos/Tokyo, Kyoto/b.jpg");
    grid.SetCell(1, 2, u"/Sorted/Tokyo, Kyoto_b.jpg");
    grid.SetRowCount(3);
    return grid;
}
} // namespace

TEST(CsvBytes, WorkedExampleAndEmptyGrid) {
    EXPECT_EQ(CsvBytes(WorkedExampleGrid(), false),
              QByteArray("\"Source Folder\",\"New Folder\"\r\n"
                         "/Photos/2014/a.jpg,/Sorted/2014_a.jpg\r\n"
                         "\"/Photos/Tokyo, Kyoto/b.jpg\",\"/Sorted/Tokyo, Kyoto_b.jpg\"\r\n"));
    TResultGrid empty;
    empty.SetCell(0, 0, u"Source Folder");
    empty.SetCell(1, 0, u"New Folder");
    EXPECT_EQ(CsvBytes(empty, true),
              QByteArray("\xEF\xBB\xBF\"Source Folder\",\"New Folder\"\r\n,\r\n"));
}

TEST(CsvBytes, NamesThatAreNotUtf8KeepTheirBytes) {
    TResultGrid grid;
    grid.SetCell(0, 1, QStringLiteral("/src/a") + QChar(0xDCFF) + QStringLiteral("\u00E9.jpg"));
    EXPECT_EQ(CsvBytes(grid, false), QByteArray(",\r\n/src/a\xFF\xC3\xA9.jpg,\r\n"));
}

TEST(CsvBytes, LatinOneAndWiderCellsMixed) {
    // Each row's two cells and its line; cells wholly below U+0100 and
    // wider ones side by side, quoted and not.
    struct Case {
        QString cell0;
        QString cell1;
        QByteArray line;
    } cases[] = {
        {"/a.jpg", "/b.jpg", "/a.jpg,/b.jpg"},
        {"caf\u00E9", "\u00FF\u00A0", "caf\xC3\xA9,\xC3\xBF\xC2\xA0"},
        {"say \"\u00E9\"", "x", "\"say \"\"\xC3\xA9\"\"\",x"},
        {"\u6F22\"q\"", "a,\u00E9", "\"\xE6\xBC\xA2\"\"q\"\"\",\"a,\xC3\xA9\""},
        {"tab\there", "\u0100", "\"tab\there\",\xC4\x80"},
        {"", "\u00E9 \u00E9", ",\"\xC3\xA9 \xC3\xA9\""},
        {QStringLiteral("/a") + QChar(0xDC80) + QChar(0xDCFF), "\u007F\u0080",
         "/a\x80\xFF,\x7F\xC2\x80"},
        {QString(QChar(0xD800)) + "x", "\U0001F600", "\xEF\xBF\xBDx,\xF0\x9F\x98\x80"},
        {QString(QChar(0)) + "z", "\"", QByteArray("\0z,\"\"\"\"", 7)},
    };
    TResultGrid grid;
    QByteArray expected;
    int row = 0;
    for (const Case& c : cases) {
        grid.SetCell(0, row, c.cell0);
        grid.SetCell(1, row, c.cell1);
        grid.SetRowCount(++row);
        expected += c.line + "\r\n";
        // The same bytes as the row join written as a name.
        EXPECT_EQ(QByteArray::fromStdString(EncodeName(JoinCsvRow({c.cell0, c.cell1}))), c.line)
            << c.line.toStdString();
    }
    EXPECT_EQ(CsvBytes(grid, false), expected);
}

TEST(WriteCsvFile, WritesWholeFileAndKeepsOldOneOnFailure) {
    TFixtureTree tree;
    const QString path = tree.PathText("list.csv");
    ASSERT_TRUE(WriteCsvFile(path, WorkedExampleGrid()));
    const std::string first = TFixtureTree::Read(tree.Path("list.csv"));
    EXPECT_EQ(first.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(QByteArray::fromStdString(first.substr(3)), CsvBytes(WorkedExampleGrid(), false));

    // Replaced without a question.
    TResultGrid empty;
    ASSERT_TRUE(WriteCsvFile(path, empty));
    EXPECT_EQ(TFixtureTree::Read(tree.Path("list.csv")), "\xEF\xBB\xBF,\r\n,\r\n");

    // A folder that does not exist: failure with a reason, nothing written.
    QString why;
    EXPECT_FALSE(WriteCsvFile(tree.PathText("nowhere/list.csv"), empty, &why));
    EXPECT_FALSE(why.isEmpty());

    // A path below a regular file: failure, and that file is left alone.
    tree.File("blocker", "old");
    EXPECT_FALSE(WriteCsvFile(tree.PathText("blocker/list.csv"), empty, &why));
    EXPECT_EQ(TFixtureTree::Read(tree.Path("blocker")), "old");

    // The chosen name is a folder.
    tree.Dir("folder.csv");
    EXPECT_FALSE(WriteCsvFile(tree.PathText("folder.csv"), empty, &why));
    struct stat st{};
    ASSERT_EQ(::stat(tree.Path("folder.csv").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
}

TEST(WriteCsvFile, AFullDiskLeavesTheEarlierFileAsItWas) {
    TFixtureTree tree;
    tree.File("list.csv", "earlier export");
    TResultGrid grid;
    for (int row = 1; row <= 2000; ++row) {
        grid.SetCell(0, row, QStringLiteral("/src/some/long/folder/name/file%1.jpg").arg(row));
        grid.SetCell(1, row, QStringLiteral("/out/some_long_folder_name_file%1.jpg").arg(row));
        grid.SetRowCount(row + 1);
    }
    // A file size limit stands for a full disk, for root too.
    struct rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 16384;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    QString why;
    const bool written = WriteCsvFile(tree.PathText("list.csv"), grid, &why);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    EXPECT_FALSE(why.isEmpty());
    EXPECT_EQ(TFixtureTree::Read(tree.Path("list.csv")), "earlier export");
    // No temporary file left.
    EXPECT_EQ(TFixtureTree::Names(tree.Root()), std::vector<std::string>{"list.csv"});

    // Without the limit the same grid is written, through a link to the file too.
    tree.Link("link.csv", tree.Path("list.csv"));
    ASSERT_TRUE(WriteCsvFile(tree.PathText("link.csv"), grid));
    EXPECT_EQ(QByteArray::fromStdString(TFixtureTree::Read(tree.Path("list.csv"))),
              CsvBytes(grid, true));
}

TEST(WriteCsvFile, ANameThatIsNotUtf8IsUsedExactly) {
    TFixtureTree tree;
    TResultGrid grid;
    ASSERT_TRUE(WriteCsvFile(tree.PathText("caf\xE9.csv"), grid));
    EXPECT_EQ(TFixtureTree::Read(tree.Path("caf\xE9.csv")), "\xEF\xBB\xBF,\r\n,\r\n");
}

TEST(WriteCsvFile, AFileReplacedByRootStaysItsOwners) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can replace another user's file";
    TFixtureTree tree;
    tree.File("list.csv", "the user's earlier export");
    ASSERT_EQ(::chown(tree.Path("list.csv").c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(tree.Path("list.csv").c_str(), 0664), 0);
    const TResultGrid grid = WorkedExampleGrid();
    ASSERT_TRUE(WriteCsvFile(tree.PathText("list.csv"), grid));
    struct stat st {};
    ASSERT_EQ(::stat(tree.Path("list.csv").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
    EXPECT_EQ(st.st_mode & 07777, 0664u);
    EXPECT_EQ(QByteArray::fromStdString(TFixtureTree::Read(tree.Path("list.csv"))),
              CsvBytes(grid, true));
    EXPECT_EQ(TFixtureTree::Names(tree.Root()), std::vector<std::string>{"list.csv"});
}
