#include "fixture_tree.h"

#include "platform/replacing_file.h"
#include "platform/temporary_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tarnwick;

namespace {

struct stat StatusOf(const std::string& path) {
    struct stat st{};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

bool Replace(const std::string& path, const std::string& content) {
    TReplacingFile file;
    return file.Open(path) && file.Write(content) && file.Commit();
}

} // namespace

TEST(ReplacingFile, ANewFileGetsTheUsualBitsAReplacedOneKeepsItsOwn) {
    TFixtureTree tree;
    ASSERT_TRUE(Replace(tree.Path("new.ini"), "first"));
    EXPECT_EQ(StatusOf(tree.Path("new.ini")).st_mode & 07777, NewFileMode());
    EXPECT_EQ(StatusOf(tree.Path("new.ini")).st_uid, ::geteuid());
    for (const mode_t mode : {0600u, 0640u, 0664u, 0751u, 02644u}) {
        ASSERT_EQ(::chmod(tree.Path("new.ini").c_str(), mode), 0);
        ASSERT_TRUE(Replace(tree.Path("new.ini"), "again"));
        EXPECT_EQ(StatusOf(tree.Path("new.ini")).st_mode & 07777, mode) << std::oct << mode;
        EXPECT_EQ(TFixtureTree::Read(tree.Path("new.ini")), "again");
    }
    EXPECT_EQ(TFixtureTree::Names(tree.Root()), std::vector<std::string>{"new.ini"});
}

TEST(ReplacingFile, ReplacedByRootAUsersFileStaysTheirs) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can replace another user's file";
    TFixtureTree tree;
    struct Case {
        uid_t uid;
        gid_t gid;
        mode_t mode;
    } cases[] = {{65534, 65534, 0600}, {65534, 0, 0640}, {0, 65534, 0664}, {65534, 65534, 04755}};
    for (const Case& c : cases) {
        tree.File("user.ini", "theirs");
        ASSERT_EQ(::chown(tree.Path("user.ini").c_str(), c.uid, c.gid), 0);
        ASSERT_EQ(::chmod(tree.Path("user.ini").c_str(), c.mode), 0);
        ASSERT_TRUE(Replace(tree.Path("user.ini"), "written by root"));
        const struct stat st = StatusOf(tree.Path("user.ini"));
        EXPECT_EQ(st.st_uid, c.uid);
        EXPECT_EQ(st.st_gid, c.gid);
        EXPECT_EQ(st.st_mode & 07777, c.mode) << std::oct << c.mode;
        EXPECT_EQ(TFixtureTree::Read(tree.Path("user.ini")), "written by root");
    }
    EXPECT_EQ(TFixtureTree::Names(tree.Root()), std::vector<std::string>{"user.ini"});
}
