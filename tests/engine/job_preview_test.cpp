// "Copy Simulation" foretells "Copy File": both job modes run on the same
// trees and give the same rows with the same marks, the simulation writes
// nothing, and no file the user had changes unless it stood at a target in a
// new folder outside the source and its row said it would be replaced.

#include "engine/new_folder_survey.h"
#include "engine/target_names.h"
#include "fixture_tree.h"
#include "platform/file_system_rules.h"
#include "platform/name_codec.h"
#include "test_job_window.h"
#include "test_mounts.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <map>
#include <sys/inotify.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct TRow {
    QString source, target;
    TNotCopied notCopied = TNotCopied::No;
    bool replaces = false;
    int repeats = 0;
    bool failed = false;
    QString reason;
};

std::vector<TRow> RowsOf(const TTestJobWindow& job) {
    std::vector<TRow> rows;
    for (int r = 1; r < job.grid.RowCount(); ++r) {
        if (job.grid.CellView(0, r).isEmpty())
            continue;
        TRow row;
        row.source = job.grid.Cell(0, r);
        row.target = job.grid.Cell(1, r);
        if (const TRowMark* m = job.grid.RowMark(r)) {
            row.notCopied = m->eNotCopied;
            row.replaces = m->bReplacesFile;
            row.repeats = m->iRepeatsRow;
            row.failed = m->bCopyFailed;
            row.reason = m->stReason;
        }
        rows.push_back(row);
    }
    return rows;
}

// Every entry below root, links not followed: a file's content, or what
// else stands there.
using TSnapshot = std::map<std::string, std::string>;

TSnapshot Snap(const std::string& root) {
    TSnapshot snap;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        const std::string rel = it->path().lexically_relative(root).string();
        if (it->is_symlink())
            snap[rel] = "link to " + fs::read_symlink(it->path()).string();
        else if (it->is_directory())
            snap[rel] = "folder";
        else if (it->is_regular_file())
            snap[rel] = TFixtureTree::Read(it->path().string());
        else
            snap[rel] = "other";
    }
    return snap;
}

struct TJob : TTestJobWindow {
    TJob(const TFixtureTree& tree, const std::string& src, const std::string& out, int mode,
         const char* ext = ".jpg") {
        source = tree.PathText(src);
        newFolder = src == out ? tree.PathText(src) + u'/' : tree.PathText(out);
        combMode = mode;
        extension = QString::fromUtf8(ext);
    }
};

// A row's path as the snapshot has it: relative to the tree, links resolved.
std::string Relative(const TFixtureTree& tree, const QString& path) {
    return fs::weakly_canonical(tarnwick::EncodeName(path))
        .lexically_relative(fs::canonical(tree.Root()));
}

// The copy's rows without those the walk adds when it meets the job's own
// copies (their source did not exist before the job) must be the
// simulation's rows, in order, with the same marks; copy failures only
// where allowed.
void ExpectSameOutcome(const TFixtureTree& tree, const TSnapshot& before,
                       const std::vector<TRow>& sim, const std::vector<TRow>& copy,
                       bool failuresAllowed = false) {
    std::map<int, int> simRowOfCopyRow; // row numbers from 1
    std::vector<const TRow*> kept;
    for (size_t i = 0; i < copy.size(); ++i) {
        if (!before.count(Relative(tree, copy[i].source)))
            continue; // one of the job's own copies, met again
        kept.push_back(&copy[i]);
        simRowOfCopyRow[static_cast<int>(i) + 1] = static_cast<int>(kept.size());
    }
    ASSERT_EQ(kept.size(), sim.size());
    for (size_t i = 0; i < sim.size(); ++i) {
        const TRow& s = sim[i];
        const TRow& c = *kept[i];
        SCOPED_TRACE(QStringLiteral("simulation row %1: %2 -> %3")
                         .arg(i + 1)
                         .arg(s.source, s.target)
                         .toStdString());
        EXPECT_EQ(c.source, s.source);
        EXPECT_EQ(c.target, s.target);
        EXPECT_EQ(c.notCopied, s.notCopied);
        EXPECT_EQ(c.replaces, s.replaces);
        EXPECT_EQ(c.repeats == 0 ? 0 : simRowOfCopyRow[c.repeats], s.repeats);
        EXPECT_FALSE(s.failed) << s.reason.toStdString();
        if (!failuresAllowed) {
            EXPECT_FALSE(c.failed) << c.reason.toStdString();
        }
        if (!c.failed) {
            EXPECT_EQ(c.reason, s.reason);
        }
    }
}

// No file that was there before changed, but at the target of a row that
// said it replaces a file; every copied target holds its last row's source.
void ExpectUsersFilesKept(const TFixtureTree& tree, const TSnapshot& before,
                          const TSnapshot& after, const std::vector<TRow>& copy) {
    std::map<std::string, const TRow*> lastWriter;
    std::map<std::string, bool> mayReplace;
    for (const TRow& row : copy) {
        if (row.notCopied != TNotCopied::No || row.failed || row.target.isEmpty())
            continue;
        const std::string target = Relative(tree, row.target);
        lastWriter[target] = &row;
        mayReplace[target] = mayReplace[target] || row.replaces;
    }
    for (const auto& [path, content] : before) {
        const auto now = after.find(path);
        const bool same = now != after.end() && now->second == content;
        EXPECT_TRUE(same || mayReplace[path]) << path << " changed";
    }
    for (const auto& [target, row] : lastWriter) {
        const auto source = before.find(Relative(tree, row->source));
        if (source != before.end()) {
            EXPECT_EQ(after.at(target), source->second) << target;
        }
    }
}

// Simulation, then copy, on the same tree; returns both rows.
std::pair<std::vector<TRow>, std::vector<TRow>>
SimulateThenCopy(const TFixtureTree& tree, const std::string& src, const std::string& out,
                 int mode, const char* ext = ".jpg") {
    const TSnapshot before = Snap(tree.Root());
    TJob sim(tree, src, out, mode, ext);
    EXPECT_TRUE(sim.Run(2));
    EXPECT_EQ(Snap(tree.Root()), before) << "the simulation wrote something";
    TJob copy(tree, src, out, mode, ext);
    EXPECT_TRUE(copy.Run(3));
    const std::vector<TRow> simRows = RowsOf(sim), copyRows = RowsOf(copy);
    ExpectSameOutcome(tree, before, simRows, copyRows);
    ExpectUsersFilesKept(tree, before, Snap(tree.Root()), copyRows);
    return {simRows, copyRows};
}

int Count(const std::vector<TRow>& rows, const std::function<bool(const TRow&)>& which) {
    return static_cast<int>(std::count_if(rows.begin(), rows.end(), which));
}

// The new name the job gives src/a/x.jpg in each naming mode.
std::string TargetNameOfAX(int mode) {
    const QString path =
        tarnwick::BuildTargetPath(mode, u"", u"_", u"a\\", u"x.jpg"); // "/" + new name
    return tarnwick::EncodeName(path.mid(1));
}

const char* const kModeNames[] = {"md5", "asc", "desc"};

} // namespace

// A new folder inside the source that already holds the user's files of
// the selected kind, one of them at a target: that row is not copied, and
// no file of the user's changes.
TEST(Preview, NewFolderInsideTheSourceWithTheUsersFiles) {
    for (int mode = 0; mode < 3; ++mode) {
        SCOPED_TRACE(kModeNames[mode]);
        TFixtureTree tree;
        tree.File("src/a/x.jpg", "A-X");
        tree.File("src/b/c/y.jpg", "B-C-Y");
        tree.File("src/z.jpg", "Z");
        tree.File("src/out/keep.jpg", "KEEP");
        tree.File("src/out/notes.txt", "NOTES");
        tree.File("src/out/" + TargetNameOfAX(mode), "ORIGINAL");
        const auto [sim, copy] = SimulateThenCopy(tree, "src", "src/out", mode);
        EXPECT_EQ(Count(sim, [](const TRow& r) { return r.notCopied == TNotCopied::SourceFile; }),
                  1);
        EXPECT_EQ(Count(sim, [](const TRow& r) { return r.replaces; }), 0);
        EXPECT_EQ(TFixtureTree::Read(tree.Path("src/out/" + TargetNameOfAX(mode))), "ORIGINAL");
        EXPECT_GE(copy.size(), sim.size()); // the walk may meet the job's own copies
    }
}

// The user's report: sub_a.jpg holding "ORIGINAL" beside sub/a.jpg, copied
// in mode asc into the source folder written with a trailing "/" (the
// window and the command line refuse that; the job keeps the file anyway)
// or into a folder inside it.
TEST(Preview, TheOriginalNextToItsNamesakeIsNeverChanged) {
    for (const char* out : {"x/src", "x/src/out"}) {
        for (int mode = 0; mode < 3; ++mode) {
            SCOPED_TRACE(std::string(out) + ", " + kModeNames[mode]);
            TFixtureTree tree;
            tree.File("x/src/sub_a.jpg", "ORIGINAL");
            tree.File("x/src/sub/a.jpg", "SUB-A");
            if (std::string(out) != "x/src")
                tree.Dir(out);
            const auto [sim, copy] = SimulateThenCopy(tree, "x/src", out, mode);
            EXPECT_EQ(TFixtureTree::Read(tree.Path("x/src/sub_a.jpg")), "ORIGINAL");
            EXPECT_EQ(TFixtureTree::Read(tree.Path("x/src/sub/a.jpg")), "SUB-A");
            const bool collides = mode != 0 && std::string(out) == "x/src";
            EXPECT_EQ(Count(sim, [](const TRow& r) { return r.notCopied == TNotCopied::SourceFile; }),
                      collides ? 2 : 0); // both rows have sub_a.jpg as their target
        }
    }
}

// A new folder outside the source reached through a link in the source, or
// through a bind mount there: its files are the job's sources too.
TEST(Preview, NewFolderReachedThroughALinkOrABindMount) {
    for (const bool bind : {false, true}) {
        SCOPED_TRACE(bind ? "bind mount" : "link");
        TFixtureTree tree;
        tree.File("src/x.jpg", "SRC-X");
        tree.File("out/x.jpg", "OUT-X");
        std::optional<TTestMount> mount;
        if (bind) {
            tree.Dir("src/mnt");
            mount.emplace(TTestMount::Bind(tree.Path("out"), tree.Path("src/mnt")));
            if (!mount->Mounted())
                GTEST_SKIP() << mount->WhyNot();
        } else {
            tree.Link("src/to-out", "../out");
        }
        const auto [sim, copy] = SimulateThenCopy(tree, "src", "out", 1);
        EXPECT_EQ(TFixtureTree::Read(tree.Path("out/x.jpg")), "OUT-X");
        EXPECT_EQ(Count(sim, [](const TRow& r) { return r.notCopied == TNotCopied::SourceFile; }),
                  1);
    }
}

// Outside the source: a file at a target is replaced and said so; a
// folder at a target is left alone; repeats name their first row; a name
// too long for the file system is not copied; no naming mode copies nothing.
TEST(Preview, NewFolderOutsideTheSource) {
    for (int mode = -1; mode < 3; ++mode) {
        SCOPED_TRACE(mode < 0 ? "no naming mode" : kModeNames[mode]);
        TFixtureTree tree;
        tree.File("src/a/x.jpg", "A-X");
        tree.File("src/a_b/c.jpg", "A_B-C");
        tree.File("src/a/b/c.jpg", "A-B-C");
        tree.File("src/" + std::string(200, 'd') + "/" + std::string(60, 'n') + ".jpg", "LONG");
        tree.File("src/folder.jpg", "F");
        tree.File("out/" + TargetNameOfAX(mode < 0 ? 1 : mode), "THE USER'S");
        tree.Dir("out/folder.jpg");
        tree.File("out/folder.jpg/inside.txt", "INSIDE");
        const auto [sim, copy] = SimulateThenCopy(tree, "src", "out", mode);
        auto count = [&](const std::function<bool(const TRow&)>& f) { return Count(sim, f); };
        const int rows = static_cast<int>(sim.size());
        ASSERT_EQ(rows, 5);
        if (mode < 0) {
            EXPECT_EQ(count([](const TRow& r) { return r.notCopied == TNotCopied::NoNamingMode; }),
                      rows);
            EXPECT_EQ(TFixtureTree::Read(tree.Path("out/" + TargetNameOfAX(1))), "THE USER'S");
            continue;
        }
        EXPECT_EQ(count([](const TRow& r) { return r.replaces; }), 1);
        EXPECT_EQ(TFixtureTree::Read(tree.Path("out/" + TargetNameOfAX(mode))), "A-X");
        EXPECT_EQ(count([](const TRow& r) { return r.notCopied == TNotCopied::TargetIsFolder; }),
                  mode == 0 ? 0 : 1);
        EXPECT_EQ(TFixtureTree::Read(tree.Path("out/folder.jpg/inside.txt")), "INSIDE");
        EXPECT_EQ(count([](const TRow& r) { return r.notCopied == TNotCopied::NameTooLong; }),
                  mode == 0 ? 0 : 1); // 200 + 1 + 64 bytes
        EXPECT_EQ(count([](const TRow& r) { return r.repeats > 0; }), mode == 1 ? 1 : 0);
    }
}

// Names that differ only in letter case, and characters a USB stick
// refuses, judged under a vfat file system's rules.
TEST(Preview, UnderTheRulesOfACaseInsensitiveFileSystem) {
    const tarnwick::TFileSystemRules vfat =
        tarnwick::TFileSystemRules::For(true, MSDOS_SUPER_MAGIC, 1530, false);
    tarnwick::SetFileSystemRulesOverride(&vfat);
    struct Reset {
        ~Reset() { tarnwick::SetFileSystemRulesOverride(nullptr); }
    } reset;
    TFixtureTree tree;
    tree.File("src/Photo.jpg", "UPPER");
    tree.File("src/sub/photo.JPG", "LOWER");
    tree.File("src/sub/other.jpg", "OTHER");
    tree.File("src/a:b.jpg", "COLON");
    tree.File("out/SUB_OTHER.JPG", "THE USER'S");
    const auto [sim, copy] = SimulateThenCopy(tree, "src", "out", 1);
    ASSERT_EQ(sim.size(), 4u);
    EXPECT_EQ(Count(sim, [](const TRow& r) { return r.repeats > 0; }), 0);
    EXPECT_EQ(Count(sim, [](const TRow& r) { return r.replaces; }), 1);
    EXPECT_EQ(
        Count(sim, [](const TRow& r) { return r.notCopied == TNotCopied::RefusedCharacter; }), 1);

    // Two rows whose names differ only in case: the second repeats the first.
    TFixtureTree second;
    second.File("src/Photo.jpg", "UPPER");
    second.File("src/PHOTO.jpg", "LOWER");
    second.Dir("out");
    const auto [sim2, copy2] = SimulateThenCopy(second, "src", "out", 1);
    ASSERT_EQ(sim2.size(), 2u);
    EXPECT_EQ(sim2[1].repeats, 1);
}

// The same on a real vfat image, where the machine can mount one.
TEST(Preview, OnARealVfatImage) {
    TFixtureTree tree;
    tree.File("src/Photo.jpg", "UPPER");
    tree.File("src/PHOTO.jpg", "LOWER");
    tree.File("src/a:b.jpg", "COLON");
    tree.Dir("out");
    const TTestMount stick = TTestMount::VfatImage(tree.Path("vfat.img"), tree.Path("out"), "utf8");
    if (!stick.Mounted())
        GTEST_SKIP() << stick.WhyNot();
    ASSERT_EQ(::system(("echo -n STICK > '" + tree.Path("out/photo.JPG") + "'").c_str()), 0);
    const auto [sim, copy] = SimulateThenCopy(tree, "src", "out", 1);
    ASSERT_EQ(sim.size(), 3u);
    EXPECT_EQ(Count(sim, [](const TRow& r) { return r.replaces; }), 1);
    EXPECT_EQ(Count(sim, [](const TRow& r) { return r.repeats == 1 || r.repeats == 2; }), 1);
    EXPECT_EQ(
        Count(sim, [](const TRow& r) { return r.notCopied == TNotCopied::RefusedCharacter; }), 1);
}

// A row that is not copied is not tried: nothing is created in the new
// folder for it, not even for a moment.
TEST(Preview, RowsNotCopiedAreNotTried) {
    TFixtureTree tree;
    tree.File("src/" + std::string(250, 'd') + "/x.jpg", std::string(4 << 20, 'L'));
    tree.File("src/big.jpg", std::string(4 << 20, 'B'));
    tree.File("src/fine.jpg", "FINE");
    tree.Dir("out/big.jpg");
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, tree.Path("out").c_str(), IN_CREATE | IN_MOVED_TO), 0);
    TJob job(tree, "src", "out", 1);
    ASSERT_TRUE(job.Run(3));
    int creates = 0, moves = 0;
    alignas(inotify_event) char buffer[1 << 16];
    for (ssize_t n; (n = ::read(watch, buffer, sizeof buffer)) > 0;) {
        for (char* p = buffer; p < buffer + n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(p);
            creates += (e->mask & IN_CREATE) ? 1 : 0;
            moves += (e->mask & IN_MOVED_TO) ? 1 : 0;
            p += sizeof(inotify_event) + e->len;
        }
    }
    ::close(watch);
    const std::vector<TRow> rows = RowsOf(job);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(Count(rows, [](const TRow& r) { return r.notCopied != TNotCopied::No; }), 2);
    EXPECT_LE(creates, 1); // the one copy's temporary file, if it has a name
    EXPECT_LE(moves, 1);
    EXPECT_EQ(TFixtureTree::Read(tree.Path("out/fine.jpg")), "FINE");
}

// The new folder goes away, or turns read-only, while the job runs: the
// rows after that fail with their reason, the job goes on to the end, and
// nothing of the user's changes.
TEST(Preview, NewFolderVanishesOrTurnsReadOnlyDuringTheJob) {
    for (const bool vanish : {true, false}) {
        SCOPED_TRACE(vanish ? "vanishes" : "turns read-only");
        TFixtureTree tree;
        for (int i = 0; i < 6; ++i)
            tree.File("src/f" + std::to_string(i) + ".jpg", "F" + std::to_string(i));
        tree.File("src/out/keep.jpg", "KEEP");
        tree.Dir("out");
        std::optional<TTestMount> ram;
        if (!vanish) {
            ram.emplace(TTestMount::Tmpfs(tree.Path("out")));
            if (!ram->Mounted())
                GTEST_SKIP() << ram->WhyNot();
            tree.File("out/theirs.jpg", "THEIRS");
        }
        const TSnapshot source = Snap(tree.Path("src"));
        TJob job(tree, "src", "out", 1);
        job.onRowCount = [&](int rowCount) {
            if (rowCount != 3) // after the second row
                return;
            if (vanish)
                fs::remove_all(tree.Path("out"));
            else
                ASSERT_TRUE(ram->MakeReadOnly());
        };
        ASSERT_TRUE(job.Run(3));
        const std::vector<TRow> rows = RowsOf(job);
        ASSERT_EQ(rows.size(), 7u);
        for (size_t i = 0; i < rows.size(); ++i) {
            SCOPED_TRACE(rows[i].source.toStdString());
            EXPECT_EQ(rows[i].failed, i >= 2);
            EXPECT_EQ(rows[i].reason.isEmpty(), i < 2);
        }
        EXPECT_EQ(Snap(tree.Path("src")), source);
        if (!vanish) {
            EXPECT_EQ(TFixtureTree::Read(tree.Path("out/theirs.jpg")), "THEIRS");
        }
        EXPECT_EQ(job.enableCalls, std::vector<bool>{true});
    }
}
