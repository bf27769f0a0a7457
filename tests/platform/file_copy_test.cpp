// The copy's content paths: holes kept, clones where the file system shares
// blocks, the live byte counters.

#include "fixture_tree.h"
#include "test_mount.h"

#include "platform/file_copy.h"
#include "platform/folder_listing.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

using namespace tarnwick;

namespace {

constexpr off_t kMiB = off_t(1) << 20;

// A file of size bytes holding the given pieces of data and holes elsewhere.
void MakeSparse(const std::string& path, off_t size,
                const std::vector<std::pair<off_t, std::string>>& pieces) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    for (const auto& [at, data] : pieces)
        ASSERT_EQ(::pwrite(fd, data.data(), data.size(), at), ssize_t(data.size()));
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);
}

struct stat StatusOf(const std::string& path) {
    struct stat st{};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

// Copies folder/name to toFolder/name.
TCopyOutcome Copy(const std::string& folder, const std::string& toFolder, const char* name,
                  const TCopyOptions& options = {}) {
    TUniqueFd from, to;
    EXPECT_EQ(OpenFolder(folder, from), 0);
    EXPECT_EQ(OpenFolder(toFolder, to), 0);
    TCopySource source;
    const TCopyOutcome opened = OpenCopySource(from.Get(), name, source);
    if (!opened.Ok())
        return opened;
    return CopyFileReplacing(source, to.Get(), name, options);
}

// Reads the bytes [at, at + n) of a file.
std::string ReadAt(const std::string& path, off_t at, size_t n) {
    std::string data(n, '\0');
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const ssize_t got = ::pread(fd, data.data(), n, at);
    ::close(fd);
    data.resize(size_t(std::max<ssize_t>(got, 0)));
    return data;
}

std::string RandomBytes(size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::string data(n, '\0');
    for (char& c : data)
        c = static_cast<char>(random());
    return data;
}

} // namespace

TEST(SparseCopy, HolesStayHolesAndTheContentIsTheSame) {
    TFixtureTree tree;
    tree.Dir("out");
    const std::string a = RandomBytes(5000, 1), b = RandomBytes(70000, 2);
    const off_t size = 64 * kMiB + 123; // ends in a hole
    MakeSparse(tree.Path("sparse.bin"), size, {{0, a}, {20 * kMiB + 7, b}});
    std::atomic<std::uint64_t> copied{0}, done{0};
    TCopyOptions options;
    options.bytesCopied = &copied;
    options.fileDone = &done;
    const TCopyOutcome r = Copy(tree.Root(), tree.Path("out"), "sparse.bin", options);
    ASSERT_EQ(r.status, TCopyOutcome::Copied) << r.reason.toStdString();

    const struct stat source = StatusOf(tree.Path("sparse.bin"));
    const struct stat copy = StatusOf(tree.Path("out/sparse.bin"));
    EXPECT_EQ(copy.st_size, size);
    EXPECT_LE(copy.st_blocks, source.st_blocks + 64); // the data's blocks, not 64 MiB of them
    EXPECT_LT(copy.st_blocks * 512, 2 * kMiB);
    EXPECT_EQ(ReadAt(tree.Path("out/sparse.bin"), 0, a.size()), a);
    EXPECT_EQ(ReadAt(tree.Path("out/sparse.bin"), 20 * kMiB + 7, b.size()), b);
    EXPECT_EQ(ReadAt(tree.Path("out/sparse.bin"), 10 * kMiB, 4096), std::string(4096, '\0'));
    EXPECT_EQ(ReadAt(tree.Path("out/sparse.bin"), size - 100, 200), std::string(100, '\0'));
    // The counters: every byte of data once, and the whole length reached.
    EXPECT_GE(copied.load(), a.size() + b.size());
    EXPECT_LT(copied.load(), std::uint64_t(2 * kMiB));
    EXPECT_EQ(done.load(), std::uint64_t(size));
}

TEST(SparseCopy, AGibibyteOfHolesFitsIntoFiftyMebibytes) {
    TScratchFileSystem small("tmpfs", 50 * kMiB);
    if (!small.Mounted())
        GTEST_SKIP() << small.Why();
    TFixtureTree tree;
    const std::string head = RandomBytes(4096, 3), tail = RandomBytes(4096, 4);
    const off_t size = 1024 * kMiB;
    MakeSparse(tree.Path("huge.img"), size, {{0, head}, {size - 4096, tail}});
    // Another file system: the kernel cannot copy across, the copy reads and
    // writes the data by hand and leaves the holes.
    const TCopyOutcome r = Copy(tree.Root(), small.Root(), "huge.img");
    ASSERT_EQ(r.status, TCopyOutcome::Copied) << r.reason.toStdString();
    const struct stat copy = StatusOf(small.Root() + "/huge.img");
    EXPECT_EQ(copy.st_size, size);
    EXPECT_LT(copy.st_blocks * 512, kMiB);
    EXPECT_EQ(ReadAt(small.Root() + "/huge.img", 0, 4096), head);
    EXPECT_EQ(ReadAt(small.Root() + "/huge.img", size - 4096, 4096), tail);
}

TEST(SparseCopy, AFullFileSystemFailsTheCopyAndLeavesNothing) {
    TScratchFileSystem small("tmpfs", 4 * kMiB);
    if (!small.Mounted())
        GTEST_SKIP() << small.Why();
    TFixtureTree tree;
    tree.File("big.bin", RandomBytes(size_t(8 * kMiB), 5));
    ASSERT_EQ(::mkdir((small.Root() + "/out").c_str(), 0755), 0);
    const TCopyOutcome r = Copy(tree.Root(), small.Root() + "/out", "big.bin");
    EXPECT_EQ(r.status, TCopyOutcome::Failed);
    EXPECT_TRUE(r.reason.contains(QStringLiteral("No space left on device")))
        << r.reason.toStdString();
    EXPECT_TRUE(TFixtureTree::Names(small.Root() + "/out").empty());
}

TEST(CloneCopy, AFileSystemThatSharesBlocksCopiesWithoutTakingSpace) {
    TScratchFileSystem btrfs("btrfs", 128 * kMiB);
    if (!btrfs.Mounted())
        GTEST_SKIP() << btrfs.Why();
    const std::string folder = btrfs.Root();
    ASSERT_EQ(::mkdir((folder + "/out").c_str(), 0755), 0);
    struct statvfs fs{};
    ASSERT_EQ(::statvfs(folder.c_str(), &fs), 0);
    // More than half the free space: a copy of its blocks would not fit.
    const size_t size = size_t(fs.f_bavail * fs.f_frsize * 6 / 10) & ~size_t(4095);
    const std::string data = RandomBytes(size, 6);
    {
        const int fd = ::open((folder + "/photo.raw").c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, data.data(), data.size()), ssize_t(data.size()));
        ASSERT_EQ(::fsync(fd), 0);
        ::close(fd);
    }
    const TCopyOutcome r = Copy(folder, folder + "/out", "photo.raw");
    ASSERT_EQ(r.status, TCopyOutcome::Copied) << r.reason.toStdString();
    EXPECT_EQ(ReadAt(folder + "/out/photo.raw", 0, size), data);
}

#if __has_include("platform/copy_verify.h")
#include "platform/copy_verify.h"

TEST(VerifiedCopy, ACopyThatDiffersFromItsSourceNeverReplacesTheTarget) {
    TFixtureTree tree;
    tree.Dir("out");
    tree.File("photo.jpg", RandomBytes(300000, 7));
    tree.File("out/photo.jpg", "the earlier file");
    TCopyOptions options;
    options.verify = true;
    // A copy that reads back as written passes.
    ASSERT_EQ(Copy(tree.Root(), tree.Path("out"), "photo.jpg", options).status,
              TCopyOutcome::Copied);
    EXPECT_EQ(TFixtureTree::Read(tree.Path("out/photo.jpg")),
              TFixtureTree::Read(tree.Path("photo.jpg")));
    // One whose blocks come back different fails, and the target stays.
    tree.File("out/photo.jpg", "the earlier file");
    SetVerifyReadBackHook([](int copyFd) {
        char byte = 0;
        ASSERT_EQ(::pread(copyFd, &byte, 1, 1234), 1);
        byte = static_cast<char>(~byte);
        ASSERT_EQ(::pwrite(copyFd, &byte, 1, 1234), 1);
    });
    const TCopyOutcome r = Copy(tree.Root(), tree.Path("out"), "photo.jpg", options);
    SetVerifyReadBackHook(nullptr);
    EXPECT_EQ(r.status, TCopyOutcome::Failed);
    EXPECT_FALSE(r.reason.isEmpty());
    EXPECT_EQ(TFixtureTree::Read(tree.Path("out/photo.jpg")), "the earlier file");
    EXPECT_EQ(TFixtureTree::Names(tree.Path("out")), std::vector<std::string>{"photo.jpg"});
}
#endif
