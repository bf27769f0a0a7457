#include "engine/folder_walk.h"
#include "fixture_tree.h"

#include "platform/name_codec.h"

#include <cstdio>
#include <algorithm>
#include <functional>
#include <map>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tarnwick;

namespace {

// Records what the walk hands over: "path/name" for files, and the folders
// it could not list.
struct TRecorder : TFolderWalkVisitor {
    std::vector<std::string> files;
    std::vector<std::pair<std::string, QString>> unlisted;
    std::function<void(const std::string&)> onFile; // test hook, after recording

    bool WalkStopRequested() const override { return false; }
    void WalkFile(const TWalkedFolder& folder, std::string_view name) override {
        // The descriptor is the folder the path names.
        struct stat st{};
        EXPECT_EQ(::fstat(folder.fd, &st), 0);
        EXPECT_EQ(std::uint64_t(st.st_ino), folder.inode);
        EXPECT_EQ(name.data()[name.size()], '\0');
        files.push_back(EncodeName(folder.path) + "/" + std::string(name) + " @" +
                        EncodeName(folder.relativeFolder));
        if (onFile)
            onFile(files.back());
    }
    void WalkUnlistedFolder(const QString& path, const QString& reason) override {
        unlisted.emplace_back(EncodeName(path), reason);
    }
};

// Names in a folder in the order the file system lists them.
std::vector<std::string> ListedOrder(const std::string& folder) {
    std::vector<std::string> names;
    FILE* p = ::popen(("ls -f -a '" + folder + "'").c_str(), "r");
    char line[4096];
    while (p && std::fgets(line, sizeof line, p)) {
        std::string n(line);
        if (!n.empty() && n.back() == '\n')
            n.pop_back();
        if (n != "." && n != "..")
            names.push_back(n);
    }
    if (p)
        ::pclose(p);
    return names;
}

} // namespace

TEST(FolderWalk, FewOpenFoldersWalkTheSameAsMany) {
    // Deep enough that most folders are closed and opened again on the way
    // back, through ".." and, below a link, down from the source folder.
    TFixtureTree tree;
    std::string deep = "src";
    for (int level = 0; level < 8; ++level) {
        deep += "/l" + std::to_string(level);
        tree.File(deep + "/f.txt");
        tree.File(deep + "/side/g.txt");
    }
    tree.File("elsewhere/e1/e2/e3/e.txt");
    tree.File("elsewhere/e1/x.txt");
    tree.Link("src/l0/l1/l2/far", tree.Path("elsewhere/e1"));
    tree.Link("src/l0/l1/l2/l3/back", "../.."); // a cycle: not entered again
    TRecorder many, few;
    WalkFolders(tree.RootText() + "/src", many);
    WalkFolders(tree.RootText() + "/src", few, 2);
    EXPECT_EQ(few.files, many.files);
    EXPECT_EQ(many.files.size(), 8u * 2 + 2);
    EXPECT_TRUE(many.unlisted.empty());
    EXPECT_TRUE(few.unlisted.empty());
    const std::string far = tree.Path("src/l0/l1/l2/far/e2/e3/e.txt @l0\\l1\\l2\\far\\e2\\e3\\");
    EXPECT_NE(std::find(few.files.begin(), few.files.end(), far), few.files.end());
}

TEST(FolderWalk, FoldersThatGoAwayWhileTheWalkRunsAreReported) {
    TFixtureTree tree;
    tree.File("src/first/a.txt");
    tree.File("src/gone/b.txt");
    tree.File("src/file-now/c.txt");
    tree.File("src/kept/d.txt");
    tree.File("src/top.txt");
    TRecorder walk;
    bool changed = false;
    walk.onFile = [&](const std::string&) {
        if (changed)
            return;
        changed = true;
        // The source folder's entries are read: change what is not walked yet.
        for (const char* name : {"gone", "file-now"}) {
            if (walk.files.back().find(std::string("/") + name + "/") != std::string::npos)
                continue;
            ASSERT_EQ(std::system(("rm -rf '" + tree.Path("src/") + name + "'").c_str()), 0);
        }
        if (!TFixtureTree::Exists(tree.Path("src/file-now")))
            tree.File("src/file-now", "a file in the folder's place");
    };
    WalkFolders(tree.RootText() + "/src", walk);
    // Whatever came first, the rest was walked and each folder that was gone
    // or had become a file was reported with its reason.
    std::map<std::string, QString> reported(walk.unlisted.begin(), walk.unlisted.end());
    std::string first = walk.files.front();
    for (const char* name : {"gone", "file-now"}) {
        const std::string path = tree.Path("src/") + name;
        if (first.rfind(path + "/", 0) == 0)
            continue; // walked before the change
        ASSERT_EQ(reported.count(path), 1u) << path;
        EXPECT_EQ(reported[path], std::string(name) == "gone" ? "No such file or directory"
                                                                : "Not a directory");
    }
    for (const char* file : {"src/first/a.txt", "src/kept/d.txt", "src/top.txt"}) {
        const std::string path = tree.Path(file);
        EXPECT_TRUE(std::any_of(walk.files.begin(), walk.files.end(),
                                [&](const std::string& f) { return f.rfind(path + " @", 0) == 0; }))
            << file;
    }
}

TEST(FolderWalk, AFolderReplacedWhileTheWalkIsBelowItIsReportedOnTheWayBack) {
    // With two open folders, a folder left through a link is opened again
    // by name from the source folder, and checked to be the same folder.
    TFixtureTree tree;
    for (int i = 0; i < 30; ++i)
        tree.File("src/a/file" + std::to_string(i) + ".txt");
    tree.File("elsewhere/inner/deep.txt");
    tree.Link("src/a/link", tree.Path("elsewhere"));
    // The files of src/a that the listing gives after the link.
    std::vector<std::string> after;
    bool seen = false;
    for (const std::string& name : ListedOrder(tree.Path("src/a"))) {
        if (seen)
            after.push_back(tree.Path("src/a/") + name);
        seen = seen || name == "link";
    }
    TRecorder walk;
    walk.onFile = [&](const std::string& file) {
        if (file.find("/deep.txt") == std::string::npos)
            return;
        ASSERT_EQ(::rename(tree.Path("src/a").c_str(), tree.Path("src/a-moved").c_str()), 0);
        tree.Dir("src/a");
    };
    WalkFolders(tree.RootText() + "/src", walk, 2);
    for (const std::string& file : after)
        EXPECT_TRUE(std::none_of(walk.files.begin(), walk.files.end(),
                                 [&](const std::string& f) { return f.rfind(file + " @", 0) == 0; }))
            << file;
    if (after.empty()) {
        EXPECT_TRUE(walk.unlisted.empty()); // nothing was left to read in it
    } else {
        ASSERT_EQ(walk.unlisted.size(), 1u);
        EXPECT_EQ(walk.unlisted[0].first, tree.Path("src/a"));
        EXPECT_EQ(walk.unlisted[0].second,
                  QStringLiteral("it was moved or replaced while the walk was in it"));
    }
    EXPECT_EQ(walk.files.size(), 30 - after.size() + 1);
}
