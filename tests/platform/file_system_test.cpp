#include "fixture_tree.h"
#include "platform/ascii_conversion.h"
#include "platform/directory_test.h"
#include "platform/error_text.h"
#include "platform/executable_path.h"
#include "platform/file_copy.h"
#include "platform/folder_listing.h"
#include "platform/temporary_file.h"

#include <QFileInfo>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <thread>
#include <unistd.h>

using namespace tarnwick;

namespace {

// Copies the file at path from to path to, through the folder-relative copy.
TCopyOutcome CopyPath(const std::string& from, const std::string& to,
                      const TCopyOptions& options = {}) {
    auto split = [](const std::string& path, TUniqueFd& folder, std::string& name) {
        const size_t slash = path.rfind('/');
        name = path.substr(slash + 1);
        return OpenFolder(slash == 0 ? "/" : path.substr(0, slash), folder);
    };
    TUniqueFd fromFolder, toFolder;
    std::string fromName, toName;
    if (const int err = split(from, fromFolder, fromName))
        return {TCopyOutcome::Failed, ErrorText(err)};
    split(to, toFolder, toName);
    TCopySource source;
    const TCopyOutcome opened = OpenCopySource(fromFolder.Get(), fromName.c_str(), source);
    if (!opened.Ok())
        return opened;
    return CopyFileReplacing(source, toFolder.Get(), toName.c_str(), options);
}

// Entries of the folder at path by kind, or false when it cannot be listed.
bool ListPath(const std::string& path, std::map<std::string, TEntryKind>& kinds) {
    TUniqueFd folder;
    if (OpenFolder(path, folder) != 0)
        return false;
    kinds.clear();
    return ListFolder(folder.Get(), [&](std::string_view name, TEntryKind kind) {
               kinds[std::string(name)] = kind;
           }) == 0;
}

} // namespace

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

TEST(DirectoryTest, AFolderPastThePathLimitIsAFolder) {
    TFixtureTree tree;
    const std::string deep = tree.DeepDir("d", 60, 99); // about 6,000 bytes
    tree.Dir("plain");
    ASSERT_GT(tree.Path(deep).size(), 4096u);
    EXPECT_TRUE(IsDirectory(tree.PathText(deep)));
    EXPECT_TRUE(IsDirectory(tree.PathText(deep) + u'/'));
    EXPECT_FALSE(IsDirectory(tree.PathText(deep) + QStringLiteral("/missing")));
    TUniqueFd folder;
    EXPECT_EQ(OpenFolder(tree.Path(deep), folder), 0);
    // A relative path and one that climbs back up are followed the same way.
    std::string climb = tree.Path(deep);
    for (int i = 0; i < 60; ++i)
        climb += "/..";
    climb += "/../plain";
    EXPECT_TRUE(IsDirectory(QString::fromStdString(climb)));
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
    std::map<std::string, TEntryKind> kinds;
    ASSERT_TRUE(ListPath(tree.Path("d"), kinds));
    const std::map<std::string, TEntryKind> expected = {
        {".", TEntryKind::Folder},       {"..", TEntryKind::Folder},
        {"sub", TEntryKind::Folder},     {".dotdir", TEntryKind::Folder},
        {"to-sub", TEntryKind::Folder},  {"file", TEntryKind::File},
        {".dotfile", TEntryKind::File},  {"to-file", TEntryKind::File},
        {"dead", TEntryKind::File},
    };
    EXPECT_EQ(kinds, expected);
    TUniqueFd folder;
    EXPECT_EQ(OpenFolder(tree.Path("missing"), folder), ENOENT);
    EXPECT_EQ(OpenFolder(tree.Path("d/file"), folder), ENOTDIR);
    EXPECT_EQ(OpenFolder("", folder), ENOENT);
    EXPECT_FALSE(folder.IsOpen());
}

TEST(FileCopy, CopiesReplacesAndRefusesTheSameFile) {
    TFixtureTree tree;
    tree.File("src", "new content");
    tree.File("dst", "old content that is longer");
    ASSERT_EQ(::chmod(tree.Path("src").c_str(), 0754), 0);
    TCopyOutcome r = CopyPath(tree.Path("src"), tree.Path("dst"));
    EXPECT_EQ(r.status, TCopyOutcome::Copied);
    EXPECT_EQ(TFixtureTree::Read(tree.Path("dst")), "new content");
    struct stat st{};
    ::stat(tree.Path("dst").c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0754u);

    // Every permission bit comes along, also those the creation mask would drop.
    for (const mode_t mode : {0666u, 0600u, 0444u, 04755u, 0u}) {
        ASSERT_EQ(::chmod(tree.Path("src").c_str(), mode), 0);
        ASSERT_EQ(CopyPath(tree.Path("src"), tree.Path("dst")).status,
                  TCopyOutcome::Copied) << std::oct << mode;
        ::stat(tree.Path("dst").c_str(), &st);
        EXPECT_EQ(st.st_mode & 07777, mode) << std::oct << mode;
        EXPECT_EQ(TFixtureTree::Read(tree.Path("dst")), "new content");
    }
    ASSERT_EQ(::chmod(tree.Path("src").c_str(), 0644), 0);

    // Same file through another spelling and through a link: nothing is written.
    tree.Link("alias", tree.Path("src"));
    for (const std::string& target : {tree.Path("src"), tree.Root() + "//src", tree.Path("alias")}) {
        r = CopyPath(tree.Path("src"), target);
        EXPECT_EQ(r.status, TCopyOutcome::SameFile) << target;
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
        const TCopyOutcome r = CopyPath(c.source, c.target);
        EXPECT_EQ(r.status, TCopyOutcome::Failed) << c.target;
        EXPECT_FALSE(r.reason.isEmpty()) << c.target;
    }
    EXPECT_EQ(TFixtureTree::Names(tree.Path("out")), std::vector<std::string>{"taken"});
}

TEST(FileCopy, StopCancelsAndRemovesTheTemporaryFile) {
    TFixtureTree tree;
    tree.File("big", std::string(64u << 20, 'z'));
    tree.Dir("out");
    tree.File("out/big", "previous");
    std::atomic<bool> stop{true};
    TCopyOptions options;
    options.stop = &stop;
    const TCopyOutcome r = CopyPath(tree.Path("big"), tree.Path("out/big"), options);
    EXPECT_EQ(r.status, TCopyOutcome::Stopped);
    EXPECT_EQ(TFixtureTree::Read(tree.Path("out/big")), "previous");
    EXPECT_EQ(TFixtureTree::Names(tree.Path("out")), std::vector<std::string>{"big"});
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
    const TCopyOutcome r = CopyPath("/proc/version", tree.Path("version"));
    ASSERT_EQ(r.status, TCopyOutcome::Copied) << r.reason.toStdString();
    EXPECT_EQ(TFixtureTree::Read(tree.Path("version")), expected);
}

// A copy's file stands in the new folder only once it is whole: written
// without a name (where the file system allows it), it takes its target's
// name at the end, replacing a file that stands there by then; given up, it
// leaves nothing.
TEST(TemporaryFile, AnUnnamedFileAppearsOnlyWhenNamed) {
    TFixtureTree tree;
    tree.Dir("out");
    TUniqueFd out;
    ASSERT_EQ(OpenFolder(tree.Path("out"), out), 0);
    struct Case {
        const char* standing; // a file at the target when the copy is named, or null
        bool named;           // the copy is named, not given up
    } cases[] = {{nullptr, true}, {"old", true}, {nullptr, false}, {"old", false}};
    for (const Case& c : cases) {
        TTemporaryFile temp;
        ASSERT_EQ(temp.CreateUnnamed(out.Get(), 0640), 0);
        ASSERT_EQ(::write(temp.Fd(), "whole", 5), 5);
        // The usual Linux file systems all write it without a name.
        struct statfs fs{};
        ASSERT_EQ(::fstatfs(out.Get(), &fs), 0);
        if (fs.f_type == EXT4_SUPER_MAGIC || fs.f_type == TMPFS_MAGIC ||
            fs.f_type == XFS_SUPER_MAGIC || fs.f_type == BTRFS_SUPER_MAGIC) {
            EXPECT_TRUE(temp.Unnamed());
        }
        const std::vector<std::string> whileWriting = TFixtureTree::Names(tree.Path("out"));
        if (temp.Unnamed()) {
            EXPECT_TRUE(whileWriting.empty()) << whileWriting.front();
        }
        if (c.standing)
            tree.File("out/target", c.standing);
        if (c.named) {
            ASSERT_EQ(temp.Close(), 0);
            ASSERT_EQ(temp.RenameOver("target"), 0);
            EXPECT_EQ(TFixtureTree::Read(tree.Path("out/target")), "whole");
            struct stat st{};
            ASSERT_EQ(::stat(tree.Path("out/target").c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, 0640u);
            EXPECT_EQ(st.st_nlink, 1u);
        } else {
            temp.Abandon();
            if (c.standing) {
                EXPECT_EQ(TFixtureTree::Read(tree.Path("out/target")), c.standing);
            }
        }
        const std::vector<std::string> after = TFixtureTree::Names(tree.Path("out"));
        EXPECT_EQ(after, (c.named || c.standing ? std::vector<std::string>{"target"}
                                                 : std::vector<std::string>{}));
        ::unlink(tree.Path("out/target").c_str());
    }
}
