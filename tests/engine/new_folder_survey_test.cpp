#include "engine/new_folder_survey.h"
#include "fixture_tree.h"
#include "platform/name_codec.h"

#include <gtest/gtest.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using tarnwick::TFileSystemRules;

namespace {

bool SelectsJpg(std::string_view name) {
    return name.size() >= 4 && name.substr(name.size() - 4) == ".jpg";
}

struct Expected {
    QString name; // below the new folder; empty for a row without target
    TNotCopied notCopied = TNotCopied::No;
    bool replaces = false;
    int repeats = 0;
};

// Judges the rows in order (row numbers from 1) and compares their marks.
void ExpectMarks(TNewFolderSurvey& survey, const QString& newFolder,
                 const std::vector<Expected>& rows) {
    int row = 0;
    for (const Expected& e : rows) {
        ++row;
        const QString target = e.name.isEmpty() ? QString() : newFolder + u'/' + e.name;
        SCOPED_TRACE(QStringLiteral("row %1: %2").arg(row).arg(target.left(80)).toStdString());
        const TRowMark mark = survey.Judge(target, row);
        EXPECT_EQ(mark.eNotCopied, e.notCopied);
        EXPECT_EQ(mark.bReplacesFile, e.replaces);
        EXPECT_EQ(mark.iRepeatsRow, e.repeats);
        EXPECT_FALSE(mark.bCopyFailed);
        EXPECT_EQ(mark.stReason.isEmpty(), e.notCopied == TNotCopied::No);
    }
}

} // namespace

TEST(NewFolderSurvey, WhatStandsAtEachTarget) {
    TFixtureTree tree;
    tree.File("src/a.jpg");
    tree.File("out/a.jpg", "the user's");
    tree.File("out/notes.txt");
    tree.Dir("out/dir.jpg");
    tree.Dir("elsewhere");
    tree.Link("out/to-dir.jpg", tree.Path("elsewhere"));
    tree.Link("out/dead.jpg", tree.Path("nothing"));
    tree.Fifo("out/fifo.jpg");
    TNewFolderSurvey survey;
    const QString out = tree.PathText("out");
    survey.Examine(out, tree.PathText("src"), SelectsJpg);
    ASSERT_TRUE(survey.Listed());
    EXPECT_EQ(survey.Rules().iMaxNameBytes, 255);
    ExpectMarks(survey, out,
                {
                    {"a.jpg", TNotCopied::No, true},     // outside the source: replaced
                    {"new.jpg"},                         // nothing there
                    {"a.jpg", TNotCopied::No, false, 1}, // replaces the job's own copy of row 1
                    {"dir.jpg", TNotCopied::TargetIsFolder},
                    {"to-dir.jpg", TNotCopied::TargetIsFolder},
                    {"dead.jpg", TNotCopied::No, true},
                    {"fifo.jpg", TNotCopied::No, true},
                    {"notes.txt", TNotCopied::No, true},
                    {"dir.jpg", TNotCopied::TargetIsFolder}, // no repeat of a row not copied
                    {QString(), TNotCopied::NoNamingMode},
                    {QString(300, u'n') + ".jpg", TNotCopied::NameTooLong},
                    {"a/b.jpg", TNotCopied::RefusedCharacter},
                    {"new.jpg", TNotCopied::No, false, 2},
                    {"A.jpg"}, // letter case counts on this file system
                });
}

// The decisions of a case-insensitive file system that refuses Windows'
// characters, made through the rules on an ordinary folder.
TEST(NewFolderSurvey, UnderTheRulesOfACaseInsensitiveFileSystem) {
    TFixtureTree tree;
    tree.File("src/x.jpg");
    tree.File("out/Photo.JPG", "the user's");
    tree.Dir("out/Album");
    const TFileSystemRules vfat = TFileSystemRules::For(true, MSDOS_SUPER_MAGIC, 1530, false);
    TNewFolderSurvey survey;
    const QString out = tree.PathText("out");
    survey.Examine(out, tree.PathText("src"), SelectsJpg, vfat);
    ExpectMarks(survey, out,
                {
                    {"photo.jpg", TNotCopied::No, true},
                    {"PHOTO.JPG", TNotCopied::No, false, 1},
                    {"photo.jpg.", TNotCopied::No, false, 1}, // the trailing dot is dropped
                    {"ALBUM", TNotCopied::TargetIsFolder},
                    {"a_b.jpg"},
                    {"A_B.JPG", TNotCopied::No, false, 5},
                    {"a:b.jpg", TNotCopied::RefusedCharacter},
                    {"a.jpg ", TNotCopied::RefusedCharacter},
                    {QString(256, u'a'), TNotCopied::NameTooLong},
                    {QString(200, QChar(0x3042)) + ".jpg"}, // 604 bytes, 204 UTF-16 units
                    {tarnwick::DecodeName("caf\xE9.jpg"), TNotCopied::RefusedCharacter},
                });
}

// The same under the rules of a case-folded ext4 folder: Unicode folding.
TEST(NewFolderSurvey, UnderTheRulesOfACaseFoldedFolder) {
    TFixtureTree tree;
    tree.File("src/x.jpg");
    tree.File("out/\xC3\x89t\xC3\xA9.jpg"); // "Été.jpg", composed
    const TFileSystemRules folded = TFileSystemRules::For(true, 0xEF53, 255, true);
    TNewFolderSurvey survey;
    const QString out = tree.PathText("out");
    survey.Examine(out, tree.PathText("src"), SelectsJpg, folded);
    ExpectMarks(survey, out,
                {
                    {QString::fromUtf8("e\u0301te\u0301.JPG"), TNotCopied::No, true},
                    {QString::fromUtf8("STRASSE.jpg")},
                    {QString::fromUtf8("stra\u00DFe.jpg"), TNotCopied::No, false, 2},
                    {"a:b.jpg"},
                    {QString(256, u'a'), TNotCopied::NameTooLong},
                });
}

// A file the job reads as a source is never a target: the new folder lies
// where the walk comes, and the file's extension is selected.
TEST(NewFolderSurvey, TheJobsSourceFilesAreKept) {
    TFixtureTree tree;
    tree.File("src/out/x.jpg", "the user's");
    tree.File("src/out/notes.txt", "the user's");
    tree.File("src/.cache/out/x.jpg", "not walked");
    tree.File("else/x.jpg", "reached through a link");
    tree.Link("src/to-else", tree.Path("else"));
    struct Case {
        const char* newFolder;
        Expected row;
    } cases[] = {
        {"src/out", {"x.jpg", TNotCopied::SourceFile}},
        {"src/out", {"notes.txt", TNotCopied::No, true}}, // not selected: no source
        {"src/.cache/out", {"x.jpg", TNotCopied::No, true}},
        {"else", {"x.jpg", TNotCopied::SourceFile}},
        {"src", {"to-else", TNotCopied::TargetIsFolder}},
    };
    for (const Case& c : cases) {
        TNewFolderSurvey survey;
        const QString out = tree.PathText(c.newFolder);
        survey.Examine(out, tree.PathText("src"), SelectsJpg);
        ExpectMarks(survey, out, {c.row});
    }
    // With every file selected, the text file is a source too.
    TNewFolderSurvey all;
    all.Examine(tree.PathText("src/out"), tree.PathText("src"),
                [](std::string_view) { return true; });
    ExpectMarks(all, tree.PathText("src/out"), {{"notes.txt", TNotCopied::SourceFile}});
}

TEST(NewFolderSurvey, ReasonsNameTheRuleAndTheFileSystem) {
    const TFileSystemRules vfat = TFileSystemRules::For(true, MSDOS_SUPER_MAGIC, 1530, false);
    const TFileSystemRules ext4 = TFileSystemRules::For(true, 0xEF53, 255, false);
    tarnwick::TNameCheck tooLong;
    tooLong.kind = tarnwick::TNameCheck::TooLong;
    tooLong.length = 300;
    tooLong.limit = 255;
    EXPECT_EQ(tarnwick::NotCopiedReason(TNotCopied::NameTooLong, tooLong, ext4),
              "the name is 300 bytes long; the new folder's file system (ext4) "
              "takes at most 255");
    tarnwick::TNameCheck colon;
    colon.kind = tarnwick::TNameCheck::RefusedCharacter;
    colon.character = u':';
    EXPECT_EQ(tarnwick::NotCopiedReason(TNotCopied::RefusedCharacter, colon, vfat),
              "the name holds \":\", which the new folder's file system (vfat) "
              "refuses");
    colon.character = u'\t';
    EXPECT_EQ(tarnwick::NotCopiedReason(TNotCopied::RefusedCharacter, colon, vfat),
              "the name holds the control character U+0009, which the new "
              "folder's file system (vfat) refuses");
}

// A new folder that may be written but not read (mode 0333): each row looks
// its own name up, and the verdicts are the same as from a listing.
TEST(NewFolderSurvey, ANewFolderThatCannotBeListed) {
    TFixtureTree tree;
    tree.File("src/x.jpg");
    tree.File("out/a.jpg", "the user's");
    tree.Dir("out/dir.jpg");
    ASSERT_EQ(::chmod(tree.Root().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(tree.Path("src").c_str(), 0755), 0);
    ASSERT_EQ(::chmod(tree.Path("out").c_str(), 0333), 0);
    // Root reads every folder: judge as an ordinary user, in a child process.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        TNewFolderSurvey survey;
        const QString out = tree.PathText("out");
        survey.Examine(out, tree.PathText("src"), SelectsJpg);
        if (survey.Listed() || survey.Folder() < 0)
            ::_exit(3);
        const TRowMark a = survey.Judge(out + "/a.jpg", 1);
        const TRowMark fresh = survey.Judge(out + "/new.jpg", 2);
        const TRowMark again = survey.Judge(out + "/a.jpg", 3);
        const TRowMark dir = survey.Judge(out + "/dir.jpg", 4);
        const bool right = a.bReplacesFile && !a.NotCopied() && fresh.IsEmpty() &&
                           again.iRepeatsRow == 1 && !again.bReplacesFile &&
                           dir.eNotCopied == TNotCopied::TargetIsFolder;
        ::_exit(right ? 0 : 4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2)
        GTEST_SKIP() << "cannot become an ordinary user here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
