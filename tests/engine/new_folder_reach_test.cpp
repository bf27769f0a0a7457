#include "engine/new_folder_reach.h"
#include "fixture_tree.h"
#include "platform/folder_identity.h"
#include "platform/name_codec.h"
#include "test_mounts.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

struct Layout {
    const char* what;
    std::string source, newFolder; // relative to the tree
    bool reached;
    bool quick; // known without walking the source's folders
};

void Expect(const TFixtureTree& tree, const Layout& l) {
    SCOPED_TRACE(l.what);
    TNewFolderReach reach;
    reach.Reset(tree.PathText(l.source), tree.PathText(l.newFolder),
                tarnwick::FolderIdentityOf(tree.Path(l.newFolder)));
    const TNewFolderReach::TAnswer quick = reach.Quick();
    EXPECT_EQ(quick != TNewFolderReach::TAnswer::Unknown, l.quick);
    EXPECT_EQ(reach.Reached(), l.reached);
    if (l.quick) {
        EXPECT_EQ(reach.FoldersWalked(), 0);
    }
}

} // namespace

TEST(NewFolderReach, PathsLinksAndDotFolders) {
    TFixtureTree tree;
    tree.Dir("src/a/out");
    tree.Dir("src/.cache/out");
    tree.Dir("src/b/c");
    tree.Dir("else/out");
    tree.Dir("apart/out");
    tree.Dir("hidden/out");
    tree.Dir("deep/x/y/out");
    tree.Link("src/b/c/to-else", tree.Path("else"));
    tree.Link("src/.dotlink", tree.Path("hidden"));
    tree.Link("src/b/up", tree.Path("src")); // a cycle, never entered twice
    tree.Link("src/to-deep", "../deep");
    tree.Link("lnk", tree.Path("src/a"));
    const Layout layouts[] = {
        {"the source itself", "src", "src", true, true},
        {"the source itself, with a trailing /", "src", "src/", true, true},
        {"inside the source", "src", "src/a/out", true, true},
        {"inside, written through a link", "src", "lnk/out", true, true},
        {"inside, below a dot folder", "src", "src/.cache/out", false, false},
        {"outside, reached through a link in the tree", "src", "else/out", true, false},
        {"outside, reached through a relative link", "src", "deep/x/y/out", true, false},
        {"outside, linked only from a dot name", "src", "hidden/out", false, false},
        {"outside, apart", "src", "apart/out", false, false},
        {"the source is missing", "nothing", "apart/out", false, true},
        {"the new folder is missing", "src", "nothing", false, true},
        {"the new folder holds the source", "src/a", "src", false, false},
    };
    for (const Layout& l : layouts)
        Expect(tree, l);
}

TEST(NewFolderReach, BindMounts) {
    TFixtureTree tree;
    tree.Dir("src/mnt");
    tree.Dir("else/out");
    tree.Dir("mirror");
    const TTestMount elsewhere = TTestMount::Bind(tree.Path("else"), tree.Path("src/mnt"));
    if (!elsewhere.Mounted())
        GTEST_SKIP() << elsewhere.WhyNot();
    const TTestMount mirror = TTestMount::Bind(tree.Path("src"), tree.Path("mirror"));
    ASSERT_TRUE(mirror.Mounted()) << mirror.WhyNot();
    const Layout layouts[] = {
        {"a folder mounted inside the source", "src", "else/out", true, false},
        {"the same, written through the mount", "src", "src/mnt/out", true, true},
        // The bind mount of the source shows the folder that the first mount
        // hides in the source: the walk never comes to it.
        {"under a mount, seen through the source mounted elsewhere", "src", "mirror/mnt", false,
         false},
        {"the source mounted elsewhere", "src", "mirror", true, true},
    };
    for (const Layout& l : layouts)
        Expect(tree, l);
}

TEST(NewFolderReach, AStopRequestKeepsTheFiles) {
    TFixtureTree tree;
    tree.Dir("src/a/b");
    tree.Dir("else");
    std::atomic<bool> stop{true};
    TNewFolderReach reach;
    reach.Reset(tree.PathText("src"), tree.PathText("else"),
                tarnwick::FolderIdentityOf(tree.Path("else")), &stop);
    EXPECT_TRUE(reach.Reached());
}
