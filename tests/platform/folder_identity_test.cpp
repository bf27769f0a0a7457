#include "fixture_tree.h"
#include "platform/folder_handle.h"
#include "platform/folder_identity.h"
#include "test_mounts.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>

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

TEST(FolderHandle, EntriesWithWhatARenameWouldMeet) {
    TFixtureTree tree;
    tree.Dir("d/sub");
    tree.File("d/file");
    tree.Dir("d/.dotdir");
    tree.Fifo("d/fifo");
    tree.Link("d/to-sub", "sub");
    tree.Link("d/to-file", "file");
    tree.Link("d/dead", "nothing");
    int err = 0;
    const TFolderHandle d = OpenFolder(tree.Path("d"), err);
    ASSERT_TRUE(d.IsOpen());
    std::vector<TTypedEntry> entries;
    ASSERT_TRUE(ListEntries(d, entries, err));
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
    for (const auto& [name, type] : expected)
        EXPECT_EQ(EntryTypeAt(d, name, err), type) << name;
    EXPECT_FALSE(EntryTypeAt(d, "nothing", err).has_value());
    EXPECT_EQ(err, ENOENT);

    // The handle keeps to its folder when the path is given to another.
    ASSERT_EQ(::rename(tree.Path("d").c_str(), tree.Path("moved").c_str()), 0);
    tree.Dir("d");
    ASSERT_TRUE(ListEntries(d, entries, err));
    EXPECT_EQ(entries.size(), expected.size());
    const TFolderHandle sub = OpenFolderAt(d, "to-sub", err);
    EXPECT_EQ(IdentityOf(sub), FolderIdentityOf(tree.Path("moved/sub")));
    EXPECT_FALSE(OpenFolderAt(d, "file", err).IsOpen());
    EXPECT_EQ(err, ENOTDIR);
}
