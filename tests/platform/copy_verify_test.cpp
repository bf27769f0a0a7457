#include "fixture_tree.h"
#include "platform/copy_verify.h"

#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <string>
#include <sys/mman.h>
#include <sys/statfs.h>
#include <unistd.h>

using namespace tarnwick;

namespace {

constexpr std::uint64_t kBlock = std::uint64_t(4) << 20; // the check's read size

std::string Content(std::uint64_t size) {
    std::string s(size, '\0');
    std::uint32_t x = 12345;
    for (char& c : s) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 24);
    }
    return s;
}

// A source file and its copy, both open; the copy read and write.
struct Pair {
    TFixtureTree tree;
    int source = -1, copy = -1;
    explicit Pair(const std::string& content, int copyFlags = O_RDWR) {
        tree.File("source", content);
        tree.File("copy", content);
        source = ::open(tree.Path("source").c_str(), O_RDONLY | O_CLOEXEC);
        copy = ::open(tree.Path("copy").c_str(), copyFlags | O_CLOEXEC);
    }
    ~Pair() {
        ::close(source);
        ::close(copy);
    }
};

// The hook the tests install: whatever the current test puts here.
std::function<void(int)> gAlter;
void CallAlter(int fd) {
    if (gAlter)
        gAlter(fd);
}

struct HookGuard {
    explicit HookGuard(std::function<void(int)> alter) {
        gAlter = std::move(alter);
        SetVerifyReadBackHook(&CallAlter);
    }
    ~HookGuard() {
        SetVerifyReadBackHook(nullptr);
        gAlter = nullptr;
    }
};

void WriteAt(int fd, std::uint64_t offset, const std::string& bytes) {
    ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)),
              static_cast<ssize_t>(bytes.size()));
}

} // namespace

TEST(CopyVerify, EqualCopiesPassAtEverySize) {
    for (const std::uint64_t size : {std::uint64_t(0), std::uint64_t(1), kBlock - 1, kBlock,
                                     kBlock + 1, 2 * kBlock + 4097}) {
        Pair p(Content(size));
        EXPECT_EQ(VerifyCopy(p.source, p.copy, size, nullptr), QString()) << size;
    }
}

TEST(CopyVerify, AnAlteredCopyFailsWithWhereItDiffers) {
    const std::uint64_t size = 2 * kBlock + 100;
    for (const std::uint64_t at : {std::uint64_t(0), std::uint64_t(4096), kBlock - 1, kBlock,
                                   size - 1}) {
        Pair p(Content(size));
        HookGuard hook([at](int fd) {
            char c = 0;
            ASSERT_EQ(::pread(fd, &c, 1, static_cast<off_t>(at)), 1);
            WriteAt(fd, at, std::string(1, static_cast<char>(c ^ 0x20)));
        });
        const QString why = VerifyCopy(p.source, p.copy, size, nullptr);
        EXPECT_TRUE(why.contains(QStringLiteral("differs"))) << why.toStdString();
        EXPECT_TRUE(why.endsWith(QStringLiteral("byte %1").arg(at))) << why.toStdString();
    }
}

TEST(CopyVerify, SizesThatDoNotMatchFail) {
    const std::uint64_t size = kBlock + 10;
    struct Case {
        const char* what;
        std::function<void(Pair&)> alter; // after the copy, before the check
        const char* reason;
    } cases[] = {
        {"copy cut short", [](Pair& p) { ASSERT_EQ(::ftruncate(p.copy, 5), 0); }, "shorter"},
        {"copy longer", [size](Pair& p) { WriteAt(p.copy, size, "more"); }, "copy is longer"},
        {"source cut short", [](Pair& p) { ASSERT_EQ(::truncate(p.tree.Path("source").c_str(), 7), 0); },
         "source became shorter"},
        {"source grew", [size](Pair& p) {
             const int fd = ::open(p.tree.Path("source").c_str(), O_WRONLY | O_APPEND);
             ASSERT_GE(fd, 0);
             ASSERT_EQ(::write(fd, "z", 1), 1);
             ::close(fd);
         }, "source grew"},
        {"source changed in place", [](Pair& p) {
             const int fd = ::open(p.tree.Path("source").c_str(), O_WRONLY);
             ASSERT_GE(fd, 0);
             WriteAt(fd, 3, "changed");
             ::close(fd);
         }, "differs from its source at byte 3"},
    };
    for (const Case& c : cases) {
        Pair p(Content(size));
        c.alter(p);
        const QString why = VerifyCopy(p.source, p.copy, size, nullptr);
        EXPECT_TRUE(why.contains(QLatin1String(c.reason))) << c.what << ": " << why.toStdString();
    }
}

TEST(CopyVerify, ACopyThatCannotBeReadBackFails) {
    Pair p(Content(1000), O_WRONLY); // written, but not readable through this descriptor
    const QString why = VerifyCopy(p.source, p.copy, 1000, nullptr);
    EXPECT_TRUE(why.startsWith(QStringLiteral("cannot read the copy back"))) << why.toStdString();
}

TEST(CopyVerify, AStopEndsTheCheckWithAReason) {
    Pair p(Content(3 * kBlock));
    const std::atomic<bool> stop{true};
    EXPECT_TRUE(VerifyCopy(p.source, p.copy, 3 * kBlock, &stop).contains(QStringLiteral("cancelled")));
}

// What is compared is read from the disk: when the check is about to read the
// copy back, none of the copy's pages is in the page cache any more.
TEST(CopyVerify, TheCopyIsReadBackFromTheDiskNotFromMemory) {
    TFixtureTree probe;
    struct statfs fs{};
    ASSERT_EQ(::statfs(probe.Root().c_str(), &fs), 0);
    if (fs.f_type == TMPFS_MAGIC || fs.f_type == RAMFS_MAGIC)
        GTEST_SKIP() << "the test folder lies in memory (tmpfs): its pages are its storage";

    const std::uint64_t size = 8 << 20;
    Pair p(Content(size)); // just written: its pages are in the cache and dirty
    long resident = -1;
    HookGuard hook([&resident, size](int fd) {
        void* map = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
        ASSERT_NE(map, MAP_FAILED);
        const long pageSize = ::sysconf(_SC_PAGESIZE);
        std::vector<unsigned char> pages((size + pageSize - 1) / pageSize);
        ASSERT_EQ(::mincore(map, size, pages.data()), 0);
        resident = 0;
        for (const unsigned char v : pages)
            resident += v & 1;
        ::munmap(map, size);
    });
    EXPECT_EQ(VerifyCopy(p.source, p.copy, size, nullptr), QString());
    EXPECT_EQ(resident, 0);
}
