#include "fixture_tree.h"
#include "platform/ascii_conversion.h"
#include "platform/directory_test.h"
#include "platform/executable_path.h"
#include "platform/file_copy.h"
#include "platform/folder_listing.h"

#include <QFileInfo>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace tarnwick;

TEST(DirectoryTest, Table) {
    TFixtureTree tree;
    tree.Dir("d");
    tree.File("f");
    tree.Link("to-d", tree.Path("d"));
    tree.Link("to-f", tree.Path("f"));
    tree.Link("dead", tree.Path("missing"));
    tree.Link("loop", tree.Path("loop"));
    struct Case {
        QString path;
        bool yes;
    } cases[] = {
        {QString(), false},
        {tree.PathText("d"), true},
        {tree.PathText("d") + u'/', true},
        {tree.PathText("f"), false},
        {tree.PathText("to-d"), true},
        {tree.PathText("to-f"), false},
        {tree.PathText("dead"), false},
        {tree.PathText("loop"), false},
        {tree.PathText("missing"), false},
        {tree.PathText("f/below"), false}, // ENOTDIR
        {QStringLiteral("/") + QString(5000, u'a'), false}, // ENAMETOOLONG
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsDirectory(c.path), c.yes) << c.path.left(80).toStdString();
}

TEST(FolderListing, KindsAndPassedOverEntries) {
    TFixtureTree tree;
    tree.Dir("d/sub");
    tree.File("d/file");
    tree.File("d/.dotfile");
    tree.Dir("d/.dotdir");
    tree.Fifo("d/fifo");
    tree.Link("d/to-sub", "sub");
    tree.Link("d/to-file", "file");
    tree.Link("d/dead", "nothing");
    tree.Link("d/to-fifo", "fifo");
    std::vector<FolderEntry> entries;
    ASSERT_TRUE(ListFolder(tree.Path("d"), entries));
    std::map<std::string, EntryKind> kinds;
    for (const FolderEntry& e : entries)
        kinds[e.name] = e.kind;
    const std::map<std::string, EntryKind> expected = {
        {".", EntryKind::Folder},       {"..", EntryKind::Folder},   {"sub", EntryKind::Folder},
        {".dotdir", EntryKind::Folder}, {"to-sub", EntryKind::Folder}, {"file", EntryKind::File},
        {".dotfile", EntryKind::File},  {"to-file", EntryKind::File}, {"dead", EntryKind::File},
    };
    EXPECT_EQ(kinds, expected);
    EXPECT_EQ(entries.size(), expected.size());
    EXPECT_FALSE(ListFolder(tree.Path("missing"), entries));
    EXPECT_FALSE(ListFolder(tree.Path("d/file"), entries));
}

TEST(FileCopy, CopiesReplacesAndRefusesTheSameFile) {
    TFixtureTree tree;
    tree.File("src", "new content");
    tree.File("dst", "old content that is longer");
    ASSERT_EQ(::chmod(tree.Path("src").c_str(), 0754), 0);
    CopyOutcome r = CopyFileReplacing(tree.Path("src"), tree.Path("dst"));
    EXPECT_EQ(r.status, CopyOutcome::Copied);
    EXPECT_EQ(TFixtureTree::Read(tree.Path("dst")), "new content");
    struct stat st{};
    ::stat(tree.Path("dst").c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0754u);

    // Every permission bit comes along, also those the creation mask would drop.
    for (const mode_t mode : {0666u, 0600u, 0444u, 04755u, 0u}) {
        ASSERT_EQ(::chmod(tree.Path("src").c_str(), mode), 0);
        ASSERT_EQ(CopyFileReplacing(tree.Path("src"), tree.Path("dst")).status,
                  CopyOutcome::Copied) << std::oct << mode;
        ::stat(tree.Path("dst").c_str(), &st);
        EXPECT_EQ(st.st_mode & 07777, mode) << std::oct << mode;
        EXPECT_EQ(TFixtureTree::Read(tree.Path("dst")), "new content");
    }
    ASSERT_EQ(::chmod(tree.Path("src").c_str(), 0644), 0);

    // Same file through another spelling and through a link: nothing is written.
    tree.Link("alias", tree.Path("src"));
    for (const std::string& target : {tree.Path("src"), tree.Root() + "//src", tree.Path("alias")}) {
        r = CopyFileReplacing(tree.Path("src"), target);
        EXPECT_EQ(r.status, CopyOutcome::SameFile) << target;
        EXPECT_EQ(TFixtureTree::Read(tree.Path("src")), "new content");
    }
}

TEST(FileCopy, FailuresSayWhyAndLeaveNothingBehind) {
    TFixtureTree tree;
    tree.File("src", "data");
    tree.Dir("out/taken");
    tree.Fifo("pipe");
    struct Case {
        std::string source, target;
    } cases[] = {
        {tree.Path("missing"), tree.Path("out/a")},
        {tree.Path("src"), tree.Path("out/taken")},
        {tree.Path("src"), tree.Path("no-folder/a")},
        {tree.Path("src"), ""},
        {tree.Path("pipe"), tree.Path("out/p")}, // never blocks on a FIFO
    };
    for (const Case& c : cases) {
        const CopyOutcome r = CopyFileReplacing(c.source, c.target);
        EXPECT_EQ(r.status, CopyOutcome::Failed) << c.target;
        EXPECT_FALSE(r.reason.isEmpty()) << c.target;
    }
    std::vector<FolderEntry> entries;
    ASSERT_TRUE(ListFolder(tree.Path("out"), entries));
    EXPECT_EQ(entries.size(), 3u); // ., .., taken
}

TEST(FileCopy, StopCancelsAndRemovesTheTemporaryFile) {
    TFixtureTree tree;
    tree.File("big", std::string(64u << 20, 'z'));
    tree.Dir("out");
    tree.File("out/big", "previous");
    std::atomic<bool> stop{true};
    const CopyOutcome r = CopyFileReplacing(tree.Path("big"), tree.Path("out/big"), &stop);
    EXPECT_EQ(r.status, CopyOutcome::Stopped);
    EXPECT_EQ(TFixtureTree::Read(tree.Path("out/big")), "previous");
    std::vector<FolderEntry> entries;
    ASSERT_TRUE(ListFolder(tree.Path("out"), entries));
    EXPECT_EQ(entries.size(), 3u);
}

TEST(AsciiConversion, BestFitTable) {
    struct Case {
        QString text;
        QByteArray bytes;
    } cases[] = {
        {QStringLiteral("abc\\ 123"), "abc\\ 123"},
        {QString(QChar(0)) + QChar(0x7F), QByteArray("\0\x7F", 2)},
        {QStringLiteral("\u00E9\u00C5\u00F1"), "eAn"},
        {QStringLiteral("\uFF21\uFF42"), "Ab"},          // fullwidth
        {QStringLiteral("\u6F22\u3042"), "??"},          // no substitute
        {QStringLiteral("\u00DF\u00E6"), "??"},          // no decomposition
        {QString::fromUcs4(U"\U0001D400"), "A"},        // one character, two code units
        {QString(QChar(0xD800)), "?"},
        {QString(QChar(0xDCE9)), "?"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ToAsciiBestFit(c.text), c.bytes) << c.text.toStdString();
}

TEST(ExecutablePath, NamesThisTestProgram) {
    const QString path = ExecutablePath();
    EXPECT_TRUE(path.startsWith(u'/'));
    EXPECT_TRUE(QFileInfo(path).isExecutable());
    EXPECT_TRUE(path.endsWith(u"/platform_tests"));
}

TEST(FileCopy, FallsBackToReadAndWriteWhereTheKernelCannotCopy) {
    // /proc files are regular files of size 0 on another file system: the
    // kernel's copy refuses them, the plain read and write copies their text.
    TFixtureTree tree;
    const std::string expected = TFixtureTree::Read("/proc/version");
    ASSERT_FALSE(expected.empty());
    const CopyOutcome r = CopyFileReplacing("/proc/version", tree.Path("version"));
    ASSERT_EQ(r.status, CopyOutcome::Copied) << r.reason.toStdString();
    EXPECT_EQ(TFixtureTree::Read(tree.Path("version")), expected);
}
