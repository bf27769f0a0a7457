#include "fixture_tree.h"
#include "test_job_window.h"

#include "platform/name_codec.h"

#include <QSet>
#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Rows = std::vector<std::pair<QString, QString>>;

QSet<QString> Sources(const Rows& rows) {
    QSet<QString> s;
    for (const auto& r : rows)
        s.insert(r.first);
    return s;
}

// Names in a folder in the order the file system lists them, from ls.
std::vector<std::string> ListedOrder(const std::string& folder) {
    std::vector<std::string> names;
    FILE* p = ::popen(("ls -f -a '" + folder + "'").c_str(), "r");
    char line[4096];
    while (p && std::fgets(line, sizeof line, p)) {
        std::string n(line);
        if (!n.empty() && n.back() == '\n')
            n.pop_back();
        names.push_back(n);
    }
    if (p)
        ::pclose(p);
    return names;
}

struct Job : TTestJobWindow {
    Job(const TFixtureTree& tree, const char* src = "src", const char* out = "out") {
        source = tree.PathText(src);
        newFolder = tree.PathText(out);
    }
};

} // namespace

TEST(Walk, SelectsByKindNameAndExtension) {
    TFixtureTree tree;
    tree.Dir("out");
    tree.File("src/photo.JPG");
    tree.File("src/photo.jpeg");
    tree.File("src/photo.jpg.bak");
    tree.File("src/.jpg");
    tree.File("src/jpg");
    tree.File("src/.hidden.jpg");
    tree.File("src/a/b/y.jpg");
    tree.File("src/a.b/w.jpg");
    tree.File("src/.git/z.jpg");
    tree.File("src/.cache/deep/z.jpg");
    tree.Fifo("src/pipe.jpg");
    tree.Link("src/link.jpg", tree.Path("src/a/b/y.jpg"));
    tree.Link("src/dead.jpg", tree.Path("src/nothing-here"));
    tree.File("elsewhere/e.jpg");
    tree.Link("src/a/loop", tree.Path("src"));          // back to an ancestor
    tree.Link("src/a/b/up", "..");                       // and another
    tree.Link("src/a/other", tree.Path("elsewhere"));    // a link elsewhere is walked

    Job job(tree);
    job.extension = QStringLiteral(".JPG"); // typed in capitals: the filter is .jpg
    job.combMode = 1;
    ASSERT_TRUE(job.Run(2));
    const QString s = tree.PathText("src");
    const QSet<QString> expected = {
        s + "/photo.JPG", s + "/.jpg",        s + "/.hidden.jpg",   s + "/a/b/y.jpg",
        s + "/a.b/w.jpg", s + "/link.jpg",    s + "/dead.jpg",      s + "/a/other/e.jpg",
    };
    EXPECT_EQ(Sources(job.Rows()), expected);
    EXPECT_EQ(job.Rows().size(), size_t(expected.size())); // nothing twice
    EXPECT_FALSE(job.offMainThread);
    EXPECT_EQ(job.enableCalls, std::vector<bool>{true});
    EXPECT_EQ(job.position, 0);

    std::map<QString, QString> target;
    for (const auto& [from, to] : job.Rows())
        target[from] = to;
    const QString o = tree.PathText("out");
    EXPECT_EQ(target[s + "/a/b/y.jpg"], o + "/a_b_y.jpg");
    EXPECT_EQ(target[s + "/a/other/e.jpg"], o + "/a_other_e.jpg");
    EXPECT_EQ(target[s + "/photo.JPG"], o + "/photo.JPG");
}

TEST(Walk, ExtensionFilterForms) {
    TFixtureTree tree;
    tree.Dir("out");
    tree.File("src/a.jpg");
    tree.File("src/noext");
    tree.File("src/b.txt");
    struct Case {
        const char* filter;
        size_t rows;
    } cases[] = {{"", 3}, {"jpg", 0}, {".jpg", 1}, {".JpG", 1}, {".txt", 1}, {".", 0}};
    for (const Case& c : cases) {
        Job job(tree);
        job.extension = QString::fromUtf8(c.filter);
        ASSERT_TRUE(job.Run(2));
        EXPECT_EQ(job.Rows().size(), c.rows) << c.filter;
    }
}

TEST(Walk, DepthFirstInListingOrder) {
    TFixtureTree tree;
    tree.Dir("out");
    for (const char* f : {"k", "c", "x", "a", "q"}) {
        tree.File(std::string("src/") + f + ".jpg");
        tree.File(std::string("src/d") + f + "/in.jpg");
        tree.File(std::string("src/d") + f + "/sub/deep.jpg");
    }
    Job job(tree);
    ASSERT_TRUE(job.Run(2));

    // Expected from the listing order that ls reports, folder by folder.
    std::vector<QString> expected;
    std::function<void(const std::string&)> walk = [&](const std::string& dir) {
        for (const std::string& n : ListedOrder(dir)) {
            struct stat st{};
            ::stat((dir + "/" + n).c_str(), &st);
            if (S_ISDIR(st.st_mode)) {
                if (n[0] != '.')
                    walk(dir + "/" + n);
            } else
                expected.push_back(tarnwick::DecodeName(dir + "/" + n));
        }
    };
    walk(tree.Path("src"));
    std::vector<QString> got;
    for (const auto& r : job.Rows())
        got.push_back(r.first);
    EXPECT_EQ(got, expected);
}

TEST(Walk, TrailingSeparatorDoublesInSourcePathsOnly) {
    TFixtureTree tree;
    tree.Dir("out");
    tree.File("src/x.jpg");
    tree.File("src/a/b/y.jpg");
    Job job(tree);
    job.source += u'/';
    job.combMode = 2;
    ASSERT_TRUE(job.Run(2));
    const QString s = tree.PathText("src"), o = tree.PathText("out");
    EXPECT_EQ(Sources(job.Rows()), (QSet<QString>{s + "//x.jpg", s + "//a/b/y.jpg"}));
    for (const auto& [from, to] : job.Rows())
        EXPECT_EQ(to, from.endsWith(u"y.jpg") ? o + "/b_a_y.jpg" : o + "/x.jpg");
}

TEST(Walk, MissingSourceAndSecondJobReset) {
    TFixtureTree tree;
    tree.Dir("out");
    for (int i = 0; i < 30; ++i)
        tree.File("src/f" + std::to_string(i) + ".jpg");
    Job job(tree);
    ASSERT_TRUE(job.Run(2));
    EXPECT_EQ(job.grid.RowCount(), 31);

    job.source = tree.PathText("no-such-folder");
    ASSERT_TRUE(job.Run(3));
    EXPECT_EQ(job.grid.RowCount(), 2);
    EXPECT_EQ(job.grid.Cell(0, 1), QString());
    EXPECT_EQ(job.grid.Cell(1, 1), QString());
    EXPECT_EQ(job.grid.Cell(0, 2), QString());
    EXPECT_EQ(job.position, 0);
    EXPECT_EQ(job.enableCalls, (std::vector<bool>{true, true}));

    job.source = QString();
    ASSERT_TRUE(job.Run(2));
    EXPECT_EQ(job.grid.RowCount(), 2);
}

TEST(Walk, ProgressWrapsToOneAtTheMaximum) {
    TFixtureTree tree;
    tree.Dir("out");
    for (int i = 0; i < 1001; ++i)
        tree.File("src/f" + std::to_string(i));
    Job job(tree);
    job.position = 77; // the constructor resets it
    ASSERT_TRUE(job.Run(2));
    ASSERT_EQ(job.positions.size(), 1001u);
    EXPECT_EQ(job.positions[0], 1);
    EXPECT_EQ(job.positions[498], 499);  // 499th file
    EXPECT_EQ(job.positions[499], 1);    // 500th file
    EXPECT_EQ(job.positions[500], 2);
    for (size_t n = 1; n <= job.positions.size(); ++n)
        ASSERT_EQ(job.positions[n - 1], int((n - 1) % 499 + 1)) << n;
    EXPECT_EQ(job.position, 0);
}

TEST(Walk, SimulationWritesNothing) {
    TFixtureTree tree;
    tree.Dir("out");
    tree.File("src/a/x.jpg");
    Job job(tree);
    ASSERT_TRUE(job.Run(2));
    EXPECT_EQ(job.Rows().size(), 1u);
    EXPECT_TRUE(ListedOrder(tree.Path("out")).size() == 2); // only . and ..
}

TEST(Walk, StopRequestEndsAtTheNextEntry) {
    TFixtureTree tree;
    tree.Dir("out");
    for (int i = 0; i < 50; ++i)
        tree.File("src/d" + std::to_string(i) + "/f.jpg");
    Job job(tree);
    job.onRowCount = [&job](int rows) {
        if (rows == 3)
            job.stop = true;
    };
    ASSERT_TRUE(job.Run(3));
    EXPECT_EQ(job.grid.RowCount(), 3);
    EXPECT_EQ(job.enableCalls, std::vector<bool>{true});
    EXPECT_EQ(ListedOrder(tree.Path("out")).size(), 2u + 2u);
}

TEST(Walk, AFailureInsideTheRunStillEndsWithTheCompletion) {
    TFixtureTree tree;
    tree.Dir("out");
    for (int i = 0; i < 10; ++i)
        tree.File("src/f" + std::to_string(i));
    Job job(tree);
    job.throwAtRow = 4;
    job.position = 9;
    ASSERT_TRUE(job.Run(2));
    EXPECT_EQ(job.grid.RowCount(), 4); // rows 1 to 3, then the walk ended
    EXPECT_EQ(job.enableCalls, std::vector<bool>{true});
    EXPECT_EQ(job.position, 0);
}

namespace {

// Every file below the folder open as dir, depth first in listing order,
// not entering folders whose name begins with a dot: path (relative to the
// walk's start) and content, read relative to open descriptors.
void ListTree(int dir, const std::string& relative,
              std::vector<std::pair<std::string, std::string>>& files) {
    std::vector<std::pair<std::string, bool>> entries;
    DIR* d = ::fdopendir(::dup(dir));
    ASSERT_NE(d, nullptr);
    while (const dirent* e = ::readdir(d)) {
        struct stat st{};
        ASSERT_EQ(::fstatat(dir, e->d_name, &st, 0), 0);
        entries.emplace_back(e->d_name, S_ISDIR(st.st_mode));
    }
    ::closedir(d);
    for (const auto& [name, isDir] : entries) {
        if (isDir) {
            if (name[0] == '.')
                continue;
            const int sub = ::openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY);
            ASSERT_GE(sub, 0);
            ListTree(sub, relative + "/" + name, files);
            ::close(sub);
        } else {
            const int f = ::openat(dir, name.c_str(), O_RDONLY);
            ASSERT_GE(f, 0);
            char buffer[256];
            const ssize_t n = ::read(f, buffer, sizeof buffer);
            ::close(f);
            files.emplace_back(relative + "/" + name, std::string(buffer, size_t(std::max<ssize_t>(n, 0))));
        }
    }
}

} // namespace

TEST(Walk, PathsLongerThanTheSystemTakesAreWalkedAndCopied) {
    // 170 folders of 99-byte names: the deepest paths pass 16,000 bytes,
    // four times what the system takes in one path.
    TFixtureTree tree;
    tree.Dir("out");
    tree.Dir("src");
    int at = ::open(tree.Path("src").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(at, 0);
    const int top = ::dup(at);
    for (int level = 0; level < 170; ++level) {
        const std::string name = std::to_string(level) + std::string(99 - std::to_string(level).size(), 'n');
        ASSERT_EQ(::mkdirat(at, name.c_str(), 0755), 0);
        if (level % 20 == 0 || level == 169) {
            const std::string file = "file" + std::to_string(level) + ".dat";
            const int f = ::openat(at, file.c_str(), O_WRONLY | O_CREAT, 0644);
            const std::string content = "content of level " + std::to_string(level);
            ASSERT_EQ(::write(f, content.data(), content.size()), ssize_t(content.size()));
            ::close(f);
        }
        const int next = ::openat(at, name.c_str(), O_RDONLY | O_DIRECTORY);
        ASSERT_GE(next, 0);
        ::close(at);
        at = next;
    }
    ::close(at);
    std::vector<std::pair<std::string, std::string>> expected;
    ListTree(top, "", expected);
    ::close(top);
    ASSERT_EQ(expected.size(), 10u);

    Job job(tree);
    ASSERT_TRUE(job.Run(3));
    EXPECT_TRUE(job.unlisted.empty());
    const Rows rows = job.Rows();
    ASSERT_EQ(rows.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const auto& [source, target] = rows[i];
        EXPECT_EQ(source, tree.PathText("src") + tarnwick::DecodeName(expected[i].first)) << i;
        EXPECT_EQ(job.grid.RowMark(int(i) + 1), nullptr) << i;
        EXPECT_EQ(TFixtureTree::Read(tarnwick::EncodeName(target)), expected[i].second) << i;
    }
    qsizetype longest = 0;
    for (const auto& row : rows)
        longest = std::max(longest, row.first.size());
    EXPECT_GT(longest, 16000);
}

TEST(Walk, AMissingSourceIsReportedAndTheJobEndsWithNoRow) {
    TFixtureTree tree;
    tree.Dir("out");
    tree.File("plain.jpg");
    for (const char* source : {"missing", "plain.jpg"}) {
        Job job(tree, source);
        ASSERT_TRUE(job.Run(3));
        EXPECT_EQ(job.grid.RowCount(), 2);
        ASSERT_EQ(job.unlisted.size(), 1u) << source;
        EXPECT_EQ(job.unlisted[0].first, tree.PathText(source));
        EXPECT_FALSE(job.unlisted[0].second.isEmpty());
        ASSERT_EQ(job.ends.size(), 1u);
        EXPECT_EQ(job.ends[0].iRows, 0);
        EXPECT_FALSE(job.ends[0].bStopped);
        EXPECT_EQ(job.enableCalls, std::vector<bool>{true});
        EXPECT_FALSE(job.offMainThread);
    }
}
