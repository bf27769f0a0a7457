#include "engine/walk_ahead.h"
#include "fixture_tree.h"

#include "platform/name_codec.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <grp.h>
#include <optional>
#include <sys/wait.h>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace tarnwick;

namespace {

// Records the walk's calls, files and unlisted folders in one sequence.
struct TCalls : TFolderWalkVisitor {
    std::vector<std::string> calls;
    std::atomic<bool> stop{false};
    std::function<void()> onFile; // after recording
    std::thread::id thread = std::this_thread::get_id();

    bool WalkStopRequested() const override { return stop.load(); }
    void WalkFile(const TWalkedFolder& folder, std::string_view name) override {
        EXPECT_EQ(std::this_thread::get_id(), thread);
        EXPECT_EQ(name.data()[name.size()], '\0');
        calls.push_back("file " + EncodeName(folder.path) + "/" + std::string(name) + " @" +
                        EncodeName(folder.relativeFolder) + " #" + std::to_string(folder.inode));
        if (onFile)
            onFile();
    }
    void WalkUnlistedFolder(const QString& path, const QString& reason) override {
        EXPECT_EQ(std::this_thread::get_id(), thread);
        calls.push_back("unlisted " + EncodeName(path) + ": " + reason.toStdString());
    }
};

// body's answer, asked as an ordinary user (in a child process) when the
// tests run as root, so that folders without rights cannot be listed.
// Nullopt when the user cannot be changed.
std::optional<bool> AsOrdinaryUser(const std::function<bool()>& body) {
    if (::geteuid() != 0)
        return body();
    const pid_t pid = ::fork();
    if (pid < 0)
        return std::nullopt;
    if (pid == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
            ::setresuid(65534, 65534, 65534) != 0)
            ::_exit(3);
        ::_exit(body() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 3)
        return std::nullopt;
    return WEXITSTATUS(status) == 0;
}

// src/f0 .. src/f<folders-1>, each with files n0 .. n<files-1>.
QString MakeFolders(const TFixtureTree& tree, int folders, int files) {
    for (int f = 0; f < folders; ++f)
        for (int i = 0; i < files; ++i)
            tree.File("src/f" + std::to_string(f) + "/n" + std::to_string(i));
    return tree.RootText() + "/src";
}

bool EndsWithTxt(std::string_view name) {
    return name.size() >= 4 && name.substr(name.size() - 4) == ".txt";
}

} // namespace

// The walk run ahead makes the same calls as the plain walk, in the same
// order, on the caller's thread: files of many folders (more than one batch),
// folders that cannot be listed between them, names that are not UTF-8, and
// only the files the selection takes.
TEST(WalkAhead, TheSameCallsAsThePlainWalk) {
    TFixtureTree tree;
    for (int f = 0; f < 40; ++f)
        for (int i = 0; i < 150; ++i)
            tree.File("src/f" + std::to_string(f) + "/n" + std::to_string(i) +
                      (i % 3 == 0 ? ".jpg" : ".txt"));
    tree.File("src/caf\xe9/x.txt");
    tree.File("src/locked/hidden.txt");
    tree.File("src/f7/locked2/hidden.txt");
    ASSERT_EQ(::chmod(tree.Path("src/locked").c_str(), 0), 0);
    ASSERT_EQ(::chmod(tree.Path("src/f7/locked2").c_str(), 0), 0);
    ASSERT_EQ(::chmod(tree.Path("").c_str(), 0755), 0);
    const QString source = tree.RootText() + "/src";

    for (const bool selecting : {false, true}) {
        const std::optional<bool> same = AsOrdinaryUser([&] {
            struct TSelected : TCalls {
                bool selecting = false;
                void WalkFile(const TWalkedFolder& folder, std::string_view name) override {
                    if (!selecting || EndsWithTxt(name))
                        TCalls::WalkFile(folder, name);
                }
            } plain;
            plain.selecting = selecting;
            WalkFolders(source, plain);
            TCalls ahead;
            WalkFoldersAhead(source, ahead,
                             selecting ? std::function<bool(std::string_view)>(EndsWithTxt)
                                       : std::function<bool(std::string_view)>());
            EXPECT_EQ(ahead.calls, plain.calls);
            size_t unlisted = 0;
            for (const std::string& call : plain.calls)
                unlisted += call.rfind("unlisted ", 0) == 0;
            EXPECT_EQ(unlisted, 2u);
            EXPECT_EQ(plain.calls.size(), (selecting ? 40u * 100 : 40u * 150) + 1 + 2);
            return !::testing::Test::HasFailure();
        });
        if (!same)
            GTEST_SKIP() << "cannot run as an ordinary user, whom folders without rights refuse";
        EXPECT_TRUE(*same) << (selecting ? "selecting" : "every file");
    }
    ::chmod(tree.Path("src/locked").c_str(), 0755);
    ::chmod(tree.Path("src/f7/locked2").c_str(), 0755);
}

// A missing source folder is one unlisted folder and nothing else.
TEST(WalkAhead, AMissingSourceIsReported) {
    TFixtureTree tree;
    TCalls ahead;
    WalkFoldersAhead(tree.RootText() + "/nowhere", ahead, nullptr);
    ASSERT_EQ(ahead.calls.size(), 1u);
    EXPECT_EQ(ahead.calls[0].rfind("unlisted " + tree.Path("nowhere") + ": ", 0), 0u)
        << ahead.calls[0];
}

// A stop after the first file ends the walk there, however far the listing
// has run ahead; a visitor that throws ends it too. Either way the listing
// thread is gone when the call returns.
TEST(WalkAhead, StopAndThrowEndTheWalk) {
    TFixtureTree tree;
    const QString source = MakeFolders(tree, 20, 300);

    TCalls stopped;
    stopped.onFile = [&] { stopped.stop = true; };
    WalkFoldersAhead(source, stopped, nullptr);
    EXPECT_EQ(stopped.calls.size(), 1u);

    TCalls throwing;
    throwing.onFile = [&] {
        if (throwing.calls.size() == 5000)
            throw std::runtime_error("visitor gave up");
    };
    EXPECT_THROW(WalkFoldersAhead(source, throwing, nullptr), std::runtime_error);
    EXPECT_EQ(throwing.calls.size(), 5000u);
}

// A visitor that prepares: every file arrives once, in the walk's order, with
// what was prepared for that very file, or with nothing when the listing left
// it to the reader; the reader here is slow at first, so that the listing
// runs ahead and prepares, then fast.
TEST(WalkAhead, PreparedWorkArrivesWithItsFile) {
    TFixtureTree tree;
    const QString source = MakeFolders(tree, 30, 200);
    TCalls plain;
    WalkFolders(source, plain);

    struct TPreparing : TAheadWalkVisitor {
        TCalls calls;
        size_t prepared = 0, unprepared = 0;
        bool WalkStopRequested() const override { return false; }
        void WalkFile(const TWalkedFolder&, std::string_view) override {
            ADD_FAILURE() << "a preparing visitor gets WalkPreparedFile";
        }
        void WalkUnlistedFolder(const QString& path, const QString& reason) override {
            calls.WalkUnlistedFolder(path, reason);
        }
        QString PrepareFile(const TWalkedFolder& folder, std::string_view name) const override {
            return folder.path + u'/' + QString::fromUtf8(name.data(), qsizetype(name.size()));
        }
        void WalkPreparedFile(const TWalkedFolder& folder, std::string_view name,
                              QString&& text) override {
            if (calls.calls.size() < 3000)
                std::this_thread::sleep_for(std::chrono::microseconds(50));
            if (text.isNull()) {
                ++unprepared;
            } else {
                ++prepared;
                EXPECT_EQ(text, folder.path + u'/' + QString::fromUtf8(name.data(), qsizetype(name.size())));
            }
            calls.WalkFile(folder, name);
        }
    } ahead;
    WalkFoldersAhead(source, ahead, nullptr);
    EXPECT_EQ(ahead.calls.calls, plain.calls);
    EXPECT_GT(ahead.prepared, 0u);
    EXPECT_EQ(ahead.prepared + ahead.unprepared, 30u * 200);
}

// What the listing thread throws (here the preparing, as out of memory would)
// comes out of the walk on the calling thread, after the files before it.
TEST(WalkAhead, WhatTheListingThrowsReachesTheCaller) {
    TFixtureTree tree;
    const QString source = MakeFolders(tree, 20, 300);
    struct TThrowing : TAheadWalkVisitor {
        size_t handled = 0;
        mutable size_t prepared = 0;
        bool WalkStopRequested() const override { return false; }
        void WalkFile(const TWalkedFolder&, std::string_view) override { ++handled; }
        void WalkUnlistedFolder(const QString&, const QString&) override {}
        QString PrepareFile(const TWalkedFolder&, std::string_view) const override {
            if (++prepared == 1000)
                throw std::runtime_error("no memory left");
            return QStringLiteral("x");
        }
        void WalkPreparedFile(const TWalkedFolder&, std::string_view, QString&&) override {
            // Slow enough that the listing runs ahead and prepares.
            std::this_thread::sleep_for(std::chrono::microseconds(50));
            ++handled;
        }
    } visitor;
    EXPECT_THROW(WalkFoldersAhead(source, visitor, nullptr), std::runtime_error);
    EXPECT_EQ(visitor.prepared, 1000u);
    EXPECT_LT(visitor.handled, 6000u);
}
