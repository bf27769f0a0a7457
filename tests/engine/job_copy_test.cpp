#include "fixture_tree.h"
#include "test_job_window.h"

#include "engine/job_start_checks.h"
#include "platform/name_codec.h"

#include <QSet>
#include <QTimer>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

struct Job : TTestJobWindow {
    Job(const TFixtureTree& tree, int mode) {
        source = tree.PathText("src");
        newFolder = tree.PathText("out");
        combMode = mode;
    }
};

const auto Names = &TFixtureTree::Names; // the folder's names, sorted

struct stat Status(const std::string& path) {
    struct stat st{};
    ::stat(path.c_str(), &st);
    return st;
}

} // namespace

TEST(CopyJob, ContentModeAndTimeReplacingExistingTargets) {
    TFixtureTree tree;
    tree.Dir("out");
    const std::string big(3 * 1024 * 1024 + 17, 'b');
    tree.File("src/a/b/big.bin", big);
    tree.File("src/tiny.txt", "tiny");
    tree.File("src/empty.dat", "");
    tree.File("out/tiny.txt", "an older, longer file that must be replaced");
    ASSERT_EQ(::chmod(tree.Path("src/tiny.txt").c_str(), 0640), 0);
    const struct timespec times[2] = {{1000000000, 0}, {1234567890, 123456789}};
    ASSERT_EQ(::utimensat(AT_FDCWD, tree.Path("src/a/b/big.bin").c_str(), times, 0), 0);

    Job job(tree, 1);
    ASSERT_TRUE(job.Run(3));
    EXPECT_EQ(job.grid.FailedCopyCount(), 0);
    EXPECT_EQ(TFixtureTree::Read(tree.Path("out/a_b_big.bin")), big);
    EXPECT_EQ(TFixtureTree::Read(tree.Path("out/tiny.txt")), "tiny");
    EXPECT_EQ(TFixtureTree::Read(tree.Path("out/empty.dat")), "");
    EXPECT_EQ(Status(tree.Path("out/tiny.txt")).st_mode & 07777, 0640u);
    const struct stat copied = Status(tree.Path("out/a_b_big.bin"));
    EXPECT_EQ(copied.st_mtim.tv_sec, 1234567890);
    EXPECT_EQ(copied.st_mtim.tv_nsec, 123456789);
    EXPECT_EQ(Names(tree.Path("out")),
              (std::vector<std::string>{"a_b_big.bin", "empty.dat", "tiny.txt"}));
}

TEST(CopyJob, SameFileIsNeverTouched) {
    TFixtureTree tree;
    tree.File("src/x.jpg", "original");
    tree.File("src/sub/y.jpg", "second");
    // The new folder is the source folder written differently.
    TTestJobWindow job;
    job.source = tree.PathText("src");
    job.newFolder = tree.PathText("src") + u'/';
    job.combMode = 1;
    ASSERT_TRUE(job.Run(3));
    EXPECT_EQ(TFixtureTree::Read(tree.Path("src/x.jpg")), "original");
    EXPECT_EQ(TFixtureTree::Read(tree.Path("src/sub_y.jpg")), "second");
    EXPECT_EQ(TFixtureTree::Read(tree.Path("src/sub/y.jpg")), "second");
    EXPECT_EQ(job.grid.FailedCopyCount(), 0);
    for (const std::string& n : Names(tree.Path("src")))
        EXPECT_EQ(n.find(".tarnwick-"), std::string::npos) << n;
}

TEST(CopyJob, FailedCopiesAreMarkedAndLeaveNoTemporaryFile) {
    TFixtureTree tree;
    tree.Dir("out/b.jpg"); // a folder where a file should go: not copied at all
    tree.File("src/a.jpg", "a");
    tree.File("src/b.jpg", "b");
    tree.Link("src/dead.jpg", tree.Path("src/gone")); // tried, and failed
    Job job(tree, 1);
    ASSERT_TRUE(job.Run(3));
    EXPECT_EQ(job.grid.RowCount(), 4);
    EXPECT_EQ(job.grid.FailedCopyCount(), 1);
    for (int row = 1; row < job.grid.RowCount(); ++row) {
        const QString source = job.grid.Cell(0, row);
        SCOPED_TRACE(source.toStdString());
        const TRowMark* mark = job.grid.RowMark(row);
        if (source.endsWith(u"/a.jpg")) {
            EXPECT_EQ(mark, nullptr);
            continue;
        }
        ASSERT_NE(mark, nullptr);
        EXPECT_FALSE(mark->stReason.isEmpty());
        EXPECT_EQ(mark->bCopyFailed, source.endsWith(u"/dead.jpg"));
        EXPECT_EQ(mark->eNotCopied,
                  source.endsWith(u"/b.jpg") ? TNotCopied::TargetIsFolder : TNotCopied::No);
    }
    EXPECT_EQ(TFixtureTree::Read(tree.Path("out/a.jpg")), "a");
    EXPECT_EQ(Names(tree.Path("out")), (std::vector<std::string>{"a.jpg", "b.jpg"}));
    EXPECT_EQ(job.enableCalls, std::vector<bool>{true});
}

TEST(CopyJob, NoNamingModeCopiesNothing) {
    TFixtureTree tree;
    tree.Dir("out");
    tree.File("src/a.jpg");
    Job job(tree, -1);
    ASSERT_TRUE(job.Run(3));
    ASSERT_EQ(job.grid.RowCount(), 2);
    EXPECT_EQ(job.grid.Cell(1, 1), QString());
    ASSERT_NE(job.grid.RowMark(1), nullptr);
    EXPECT_EQ(job.grid.RowMark(1)->eNotCopied, TNotCopied::NoNamingMode);
    EXPECT_FALSE(job.grid.RowMark(1)->bCopyFailed);
    EXPECT_TRUE(Names(tree.Path("out")).empty());
}

TEST(CopyJob, RepeatedTargetsAreMarkedAndTheLastCopyWins) {
    TFixtureTree tree;
    tree.Dir("out");
    tree.File("src/a_b/c.jpg", "from a_b");
    tree.File("src/a/b/c.jpg", "from a/b");
    tree.File("src/z.jpg", "z");
    Job job(tree, 1);
    ASSERT_TRUE(job.Run(3));
    ASSERT_EQ(job.grid.RowCount(), 4);
    EXPECT_EQ(job.grid.RepeatedTargetCount(), 1);
    int first = 0, repeat = 0;
    for (int row = 1; row < 4; ++row) {
        if (!job.grid.Cell(1, row).endsWith(u"/a_b_c.jpg"))
            continue;
        (first ? repeat : first) = row;
    }
    ASSERT_NE(repeat, 0);
    ASSERT_NE(job.grid.RowMark(repeat), nullptr);
    EXPECT_EQ(job.grid.RowMark(repeat)->iRepeatsRow, first);
    const bool abLast = job.grid.Cell(0, repeat).endsWith(u"a_b/c.jpg");
    EXPECT_EQ(TFixtureTree::Read(tree.Path("out/a_b_c.jpg")), abLast ? "from a_b" : "from a/b");
}

TEST(CopyJob, NamesThatAreNotUtf8KeepTheirBytes) {
    TFixtureTree tree;
    tree.Dir("out");
    tree.File("src/caf\xE9/\xFF\xFEx.jpg", "latin");
    Job job(tree, 2);
    ASSERT_TRUE(job.Run(3));
    ASSERT_EQ(job.grid.RowCount(), 2);
    EXPECT_EQ(job.grid.FailedCopyCount(), 0);
    EXPECT_EQ(TFixtureTree::Read(tree.Path("out/caf\xE9_\xFF\xFEx.jpg")), "latin");
    EXPECT_EQ(job.grid.Cell(0, 1), tree.PathText("src/caf\xE9/\xFF\xFEx.jpg"));
    EXPECT_TRUE(job.grid.Cell(0, 1).contains(QChar(0xDCE9)));
}

TEST(CopyJob, NewFolderInsideTheSourceEnds) {
    TFixtureTree tree;
    tree.File("src/x.jpg", "x");
    tree.File("src/sub/y.jpg", "y");
    tree.Dir("src/out");
    TTestJobWindow job;
    job.source = tree.PathText("src");
    job.newFolder = tree.PathText("src/out");
    job.combMode = 1;
    ASSERT_TRUE(job.Run(3));
    EXPECT_GE(job.grid.RowCount(), 3);
    EXPECT_EQ(TFixtureTree::Read(tree.Path("src/x.jpg")), "x");
    EXPECT_EQ(TFixtureTree::Read(tree.Path("src/sub/y.jpg")), "y");
    EXPECT_EQ(TFixtureTree::Read(tree.Path("src/out/sub_y.jpg")), "y");
}

TEST(CopyJob, AFileReplacedByAFifoOrAFolderDuringTheJobFailsItsRow) {
    TFixtureTree tree;
    tree.Dir("out");
    // One folder: its entries are all read before the first is copied.
    tree.File("src/a/first.jpg", "first");
    tree.File("src/a/pipe.jpg", "becomes a FIFO");
    tree.File("src/a/folder.jpg", "becomes a folder");
    Job job(tree, 1);
    QSet<QString> replaced;
    job.onRowCount = [&](int rows) {
        if (rows != 2 || job.positions.size() != 1 || !replaced.isEmpty())
            return;
        // After the first row: every file but the one copied already takes
        // another kind.
        for (const char* path : {"src/a/pipe.jpg", "src/a/folder.jpg"}) {
            if (job.grid.Cell(0, 1) == tree.PathText(path))
                continue;
            ASSERT_EQ(::unlink(tree.Path(path).c_str()), 0);
            if (std::string(path).find("pipe") != std::string::npos)
                tree.Fifo(path);
            else
                tree.Dir(path);
            replaced.insert(tree.PathText(path));
        }
    };
    ASSERT_TRUE(job.Run(3, 60000)); // a copy that read from the FIFO would never end
    ASSERT_EQ(job.grid.RowCount(), 4);
    ASSERT_FALSE(replaced.isEmpty());
    for (int row = 1; row < 4; ++row) {
        const TRowMark* mark = job.grid.RowMark(row);
        const bool wasReplaced = replaced.contains(job.grid.Cell(0, row));
        EXPECT_EQ(mark != nullptr && mark->bCopyFailed, wasReplaced) << row;
        if (mark) {
            EXPECT_FALSE(mark->stReason.isEmpty());
        }
    }
    // The copies of the files that stayed, and no temporary file.
    EXPECT_EQ(Names(tree.Path("out")).size(), size_t(3 - replaced.size()));
}

TEST(CopyJob, AStopDuringALargeCopyRemovesItsTemporaryFile) {
    TFixtureTree tree;
    tree.Dir("out");
    tree.File("src/large.bin", std::string(256u << 20, 'L'));
    Job job(tree, 1);
    // Raised by the main thread as soon as the job names the large file.
    QString named;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (job.progress.uFileSize.load() > 0 && !job.stop) {
            named = job.progress.LargeFile();
            job.stop = true;
        }
    });
    poll.start(1);
    ASSERT_TRUE(job.Run(3));
    EXPECT_EQ(named, tree.PathText("src/large.bin"));
    ASSERT_EQ(job.ends.size(), 1u);
    EXPECT_TRUE(job.ends[0].bStopped);
    EXPECT_TRUE(Names(tree.Path("out")).empty()); // no copy, no temporary file
    EXPECT_EQ(job.progress.uFileSize.load(), 0u); // the large file is no longer named
    EXPECT_LT(job.progress.uBytesCopied.load(), std::uint64_t(256u << 20));
}

TEST(CopyJob, ANewFolderPastThePathLimitPassesTheChecksAndTakesTheCopies) {
    TFixtureTree tree;
    tree.File("src/a/photo.jpg", "photo");
    tree.File("src/b.jpg", "b");
    const std::string deep = tree.DeepDir("out", 60, 99);
    Job job(tree, 1);
    job.newFolder = tree.PathText(deep);
    ASSERT_GT(job.newFolder.size(), 4096);
    EXPECT_EQ(tarnwick::CheckJobStart(job.source, job.newFolder, 1, job.delimiter),
              tarnwick::kJobMayStart);
    ASSERT_TRUE(job.Run(3));
    EXPECT_EQ(job.grid.FailedCopyCount(), 0);
    EXPECT_EQ(job.Rows().size(), 2u);
    // Read back relative to the deep folder.
    const int folder = ::open(tree.Path("out").c_str(), O_RDONLY | O_DIRECTORY);
    int at = folder;
    for (size_t start = 4; start < deep.size();) {
        const size_t slash = std::min(deep.find('/', start), deep.size());
        const int next = ::openat(at, deep.substr(start, slash - start).c_str(), O_RDONLY | O_DIRECTORY);
        ASSERT_GE(next, 0);
        ::close(at);
        at = next;
        start = slash + 1;
    }
    char buffer[16] = {};
    const int f = ::openat(at, "a_photo.jpg", O_RDONLY);
    ASSERT_GE(f, 0);
    EXPECT_EQ(::read(f, buffer, sizeof buffer), 5);
    EXPECT_EQ(std::string(buffer), "photo");
    ::close(f);
    ::close(at);
}
