#include "fixture_tree.h"
#include "platform/folder_entry_types.h"
#include "platform/folder_listing.h"
#include "platform/folder_identity.h"
#include "test_mounts.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tarnwick;

TEST(FolderIdentity, OneFolderWrittenManyWays) {
    TFixtureTree tree;
    tree.Dir("src/sub");
    tree.Dir("other");
    tree.File("file");
    tree.Link("to-src", tree.Path("src"));
    tree.Link("rel-to-src", "src");
    tree.Link("to-file", tree.Path("file"));
    const QString src = tree.PathText("src");
    struct Case {
        QString a, b;
        bool same;
    } cases[] = {
        {src, src + "/", true},
        {src, src + "//", true},
        {src, tree.PathText("to-src"), true},
        {src, tree.PathText("rel-to-src") + "/", true},
        {src, tree.PathText("src/sub/.."), true},
        {src, tree.PathText("src/./"), true},
        {src, tree.PathText("src/sub"), false},
        {src, tree.PathText("other"), false},
        {tree.PathText("file"), tree.PathText("to-file"), false}, // a file is no folder
        {tree.PathText("missing"), tree.PathText("missing"), false},
        {QString(), QString(), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SameExistingFolder(c.a, c.b), c.same) << c.a.toStdString() << " | "
                                                        << c.b.toStdString();
}

TEST(FolderIdentity, ABindMountIsTheSameFolder) {
    TFixtureTree tree;
    tree.File("src/x.jpg");
    tree.Dir("mirror");
    const TTestMount bind = TTestMount::Bind(tree.Path("src"), tree.Path("mirror"));
    if (!bind.Mounted())
        GTEST_SKIP() << bind.WhyNot();
    EXPECT_TRUE(SameExistingFolder(tree.PathText("src"), tree.PathText("mirror")));
    EXPECT_TRUE(TFixtureTree::Exists(tree.Path("mirror/x.jpg")));
}

TEST(FolderEntryTypes, WhatARenameWouldMeet) {
    TFixtureTree tree;
    tree.Dir("d/sub");
    tree.File("d/file");
    tree.Dir("d/.dotdir");
    tree.Fifo("d/fifo");
    tree.Link("d/to-sub", "sub");
    tree.Link("d/to-file", "file");
    tree.Link("d/dead", "nothing");
    TUniqueFd d;
    ASSERT_EQ(OpenFolderToFill(tree.Path("d"), d), 0);
    std::vector<TTypedEntry> entries;
    ASSERT_EQ(ListEntryTypes(d.Get(), entries), 0);
    std::map<std::string, TEntryType> types;
    for (const TTypedEntry& e : entries)
        types[e.name] = e.type;
    const std::map<std::string, TEntryType> expected = {
        {"sub", TEntryType::Folder},    {".dotdir", TEntryType::Folder},
        {"to-sub", TEntryType::Folder}, {"file", TEntryType::File},
        {"to-file", TEntryType::File},  {"dead", TEntryType::File},
        {"fifo", TEntryType::Other},
    };
    EXPECT_EQ(types, expected);
    int err = 0;
    for (const auto& [name, type] : expected)
        EXPECT_EQ(EntryTypeAt(d.Get(), name, err), type) << name;
    EXPECT_FALSE(EntryTypeAt(d.Get(), "nothing", err).has_value());
    EXPECT_EQ(err, ENOENT);

    // The open folder stays the folder it was when its path leads elsewhere.
    ASSERT_EQ(::rename(tree.Path("d").c_str(), tree.Path("moved").c_str()), 0);
    tree.Dir("d");
    ASSERT_EQ(ListEntryTypes(d.Get(), entries), 0);
    EXPECT_EQ(entries.size(), expected.size());
    EXPECT_EQ(IdentityOfFolder(d.Get()), FolderIdentityOf(tree.Path("moved")));
    EXPECT_NE(IdentityOfFolder(d.Get()), FolderIdentityOf(tree.Path("d")));
}

// A folder one may write in but not read is opened all the same, as a place
// to make files in; its listing then fails, and its names can be looked up.
TEST(FolderEntryTypes, AFolderThatCannotBeRead) {
    TFixtureTree tree;
    tree.File("w/there", "x");
    ASSERT_EQ(::chmod(tree.Root().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(tree.Path("w").c_str(), 0333), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        TUniqueFd w;
        std::vector<TTypedEntry> entries;
        int err = 0;
        const bool right = OpenFolderToFill(tree.Path("w"), w) == 0 &&
                           ListEntryTypes(w.Get(), entries) == EACCES &&
                           EntryTypeAt(w.Get(), "there", err) == TEntryType::File &&
                           IdentityOfFolder(w.Get()) == FolderIdentityOf(tree.Path("w"));
        ::_exit(right ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2)
        GTEST_SKIP() << "cannot become an ordinary user here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
