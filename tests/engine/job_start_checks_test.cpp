#include "engine/job_start_checks.h"
#include "fixture_tree.h"
#include "test_mounts.h"

#include <gtest/gtest.h>

using namespace tarnwick;

TEST(CheckJobStart, OrderAndNotices) {
    TFixtureTree tree;
    tree.Dir("src");
    tree.Dir("out");
    tree.File("plain.txt");
    const QString src = tree.PathText("src"), out = tree.PathText("out");
    struct Case {
        QString source, newFolder;
        int mode;
        QString delimiter;
        int notice;
    } cases[] = {
        {QString(), QString(), 0, "_", kNoticeSameFolders}, // both empty: 1, not 2
        {src, src, 1, "/", kNoticeSameFolders},
        {src, QString(), 1, "/", kNoticeNoNewFolder},
        {src, tree.PathText("missing"), 1, "/", kNoticeNewFolderMissing},
        {src, tree.PathText("plain.txt"), 0, "_", kNoticeNewFolderMissing},
        {src, out, 0, "/", kJobMayStart},  // mode 0 does not check the delimiter
        {src, out, -1, "|", kJobMayStart}, // nor does "no mode selected"
        {src, out, 1, "/", kNoticeBadDelimiter},
        {src, out, 2, ":", kNoticeBadDelimiter},
        {src, out, 2, "a\tb", kNoticeBadDelimiter},
        {src, out, 2, "\\", kNoticeBadDelimiter},
        {src, out, 2, "-", kJobMayStart},
        {src, out, 2, " ", kJobMayStart},
        {src, out, 2, ".", kJobMayStart},
        {src, out, 2, "", kJobMayStart},
        {src, out, 1, "\u3000\u00E9", kJobMayStart},
        {src, src + "/", 1, "_", kNoticeSameFolders},    // one folder, written twice
        {QString(), out, 1, "_", kJobMayStart},          // an empty source still starts
        {src, out + "/inside", 1, "_", kNoticeNewFolderMissing},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckJobStart(c.source, c.newFolder, c.mode, c.delimiter), c.notice)
            << c.source.toStdString() << " | " << c.newFolder.toStdString() << " | "
            << c.delimiter.toStdString();
}

// Check 1 compares folders, not only texts: the same folder written three
// ways is refused, before the other checks.
TEST(CheckJobStart, TheSameFolderWrittenThreeWays) {
    TFixtureTree tree;
    tree.Dir("src/sub");
    tree.Dir("mirror");
    tree.Link("to-src", tree.Path("src"));
    const QString src = tree.PathText("src");
    const QString ways[] = {src + "/", tree.PathText("to-src"), tree.PathText("src/sub/..")};
    for (const QString& way : ways) {
        EXPECT_EQ(CheckJobStart(src, way, 1, "/"), kNoticeSameFolders) << way.toStdString();
        EXPECT_EQ(CheckJobStart(way, src, 1, "/"), kNoticeSameFolders) << way.toStdString();
        EXPECT_TRUE(SameFolders(src, way));
    }
    EXPECT_EQ(CheckJobStart(src, tree.PathText("src/sub"), 0, "_"), kJobMayStart);
    // A source that does not exist is never the same folder as the new one.
    EXPECT_EQ(CheckJobStart(tree.PathText("gone"), src, 0, "_"), kJobMayStart);

    const TTestMount bind = TTestMount::Bind(tree.Path("src"), tree.Path("mirror"));
    if (!bind.Mounted())
        GTEST_SKIP() << bind.WhyNot();
    EXPECT_EQ(CheckJobStart(src, tree.PathText("mirror"), 0, "_"), kNoticeSameFolders);
}

TEST(RefusedDelimiterChars, ExactlyFortyOne) {
    QString refused;
    for (char16_t c = 0; c < 0x80; ++c)
        if (IsRefusedDelimiterChar(c))
            refused.append(QChar(c));
    QString expected;
    for (char16_t c = 0; c < 0x20; ++c)
        expected.append(QChar(c));
    expected += QStringLiteral("\"*/:<>?\\|");
    EXPECT_EQ(refused, expected);
    EXPECT_FALSE(IsRefusedDelimiterChar(0x7F));
    EXPECT_FALSE(IsRefusedDelimiterChar(0xFF0F)); // fullwidth solidus is allowed
}
