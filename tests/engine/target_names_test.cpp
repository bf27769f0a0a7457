#include "engine/comma_text.h"
#include "engine/target_names.h"
#include "engine/tarnwick_hub_thread.h"

#include <gtest/gtest.h>

using namespace tarnwick;

namespace {

// Digests from an independent MD5 of the ASCII bytes.
const QString kPhoto = QStringLiteral("9F87D99ED73D393098A887DF7F2F489F");    // \photo.jpg
const QString kABPhoto = QStringLiteral("042D59064CFD6B118BB480201D99CC1E");  // a\b\\photo.jpg
const QString kTrip = QStringLiteral("345D3113D3DF7892E2536627DE91C0D6");     // My Photos\2020 Trip\\x.jpg
const QString kComma = QStringLiteral("E812DE5EB42484A5F8A180DDB48E4B3F");    // a,b\c\\y.jpg

} // namespace

TEST(MakeHashName, KnownDigests) {
    struct Case {
        QString text;
        const char* digest;
    } cases[] = {
        {QStringLiteral("a\\001"), "7B15C32E36AE424609BFB27B4D27A679"},
        {QString(), "D41D8CD98F00B204E9800998ECF8427E"},
        {QStringLiteral("\\photo.jpg"), "9F87D99ED73D393098A887DF7F2F489F"},
        // Best-fit ASCII: é -> e, fullwidth Ａ -> A; no substitute -> '?'.
        {QStringLiteral("\\\u00E9.jpg"), "240C91B5E85F4BD2E33B53A5BA99D286"},
        {QStringLiteral("\\\uFF21.jpg"), "E489DD6D72F9FA2C8257420CFAE13D9D"},
        {QStringLiteral("\\\u6F22.jpg"), "84990B115B85B9D2731A0DEFF991C2F0"},
        {QStringLiteral("\\") + QChar(0xDCFF) + QStringLiteral(".jpg"),
         "84990B115B85B9D2731A0DEFF991C2F0"},
        {QStringLiteral("\\") + QString::fromUcs4(U"\U0001F600") + QStringLiteral(".jpg"),
         "84990B115B85B9D2731A0DEFF991C2F0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TTarnwickHubThread::MakeHashName(c.text), QString::fromLatin1(c.digest))
            << c.text.toStdString();
}

TEST(BuildTargetPath, WorkedExamplesInAllModes) {
    struct Case {
        const char* relative;
        const char* name;
        QString md5;
        const char* asc;
        const char* desc;
    } cases[] = {
        {"", "photo.jpg", "/out/" + kPhoto + ".jpg", "/out/photo.jpg", "/out/photo.jpg"},
        {"a\\b\\", "photo.jpg", "/out/" + kABPhoto + ".jpg", "/out/a_b_photo.jpg",
         "/out/b_a_photo.jpg"},
        {"My Photos\\2020 Trip\\", "x.jpg", "/out/" + kTrip + ".jpg",
         "/out/My Photos_2020 Trip_x.jpg", "/out/2020 Trip_My Photos_x.jpg"},
        {"a,b\\c\\", "y.jpg", "/out/" + kComma + ".jpg", "/out/a,b_c_y.jpg",
         "/out/c_b_a_y.jpg"},
    };
    const QString out = QStringLiteral("/out"), d = QStringLiteral("_");
    for (const Case& c : cases) {
        const QString rel = QString::fromUtf8(c.relative), name = QString::fromUtf8(c.name);
        EXPECT_EQ(BuildTargetPath(0, out, d, rel, name), c.md5) << c.relative;
        EXPECT_EQ(BuildTargetPath(1, out, d, rel, name), QString::fromUtf8(c.asc)) << c.relative;
        EXPECT_EQ(BuildTargetPath(2, out, d, rel, name), QString::fromUtf8(c.desc)) << c.relative;
        EXPECT_EQ(BuildTargetPath(-1, out, d, rel, name), QString()) << c.relative;
        EXPECT_EQ(BuildTargetPath(3, out, d, rel, name), QString()) << c.relative;
    }
}

TEST(BuildTargetPath, EdgeCases) {
    const QString out = QStringLiteral("/out");
    // Collisions nothing detects.
    EXPECT_EQ(BuildTargetPath(1, out, u"_", u"a_b\\", u"c.jpg"),
              BuildTargetPath(1, out, u"_", u"a\\b\\", u"c.jpg"));
    EXPECT_EQ(BuildTargetPath(1, out, u"_", u"", u"a_c.jpg"),
              BuildTargetPath(1, out, u"_", u"a\\", u"c.jpg"));
    EXPECT_EQ(BuildTargetPath(2, out, u"_", u"b_a\\", u"c.jpg"), QStringLiteral("/out/b_a_c.jpg"));
    EXPECT_EQ(BuildTargetPath(2, out, u"_", u"a\\b\\", u"c.jpg"), QStringLiteral("/out/b_a_c.jpg"));
    // Equally many characters without an ASCII substitute hash alike.
    EXPECT_EQ(BuildTargetPath(0, out, u"_", u"\u6F22\u5B57\\", u"p.jpg"),
              BuildTargetPath(0, out, u"_", u"\u4EEE\u540D\\", u"p.jpg"));
    // No extension: the bare digest.
    EXPECT_EQ(BuildTargetPath(0, out, u"_", u"", u"README").size(), 4 + 1 + 32);
    // Empty delimiter, new folder used as typed, delimiter ignored by mode 0.
    EXPECT_EQ(BuildTargetPath(1, out, u"", u"a\\b\\", u"photo.jpg"),
              QStringLiteral("/out/abphoto.jpg"));
    EXPECT_EQ(BuildTargetPath(1, u"/out/", u"-", u"a\\", u"p.jpg"), QStringLiteral("/out//a-p.jpg"));
    EXPECT_EQ(BuildTargetPath(0, out, u"-", u"a\\b\\", u"photo.jpg"),
              BuildTargetPath(0, out, u"_", u"a\\b\\", u"photo.jpg"));
}

TEST(MakeReverseName, TokensColonsAndEmptyItems) {
    struct Case {
        const char* relative;
        const char* delimiter;
        const char* expected;
    } cases[] = {
        {"", "_", ""},
        {"a\\b\\", "_", "b_a_"},
        {"a\\b\\", "", "ba"},
        {"My Photos\\", "-", "My Photos-"},
        {"C:x\\y\\", "_", "y_Cx_"},                  // colons go
        {"a<#_SPACE_#>b\\", "_", "a b_"},            // the token in a name becomes a blank
        {"a\\", "<#_SPACE_#>", "a "},                // and in the delimiter too
        {"a,,b\\", "_", "b_a_"},                     // empty items skipped
        {"\"q\"\\", "_", "q_"},                      // a quoted item loses its quotes
        {"tab\there\\", "+", "here+tab+"},           // a control character separates items
    };
    for (const Case& c : cases)
        EXPECT_EQ(MakeReverseName(QString::fromUtf8(c.relative), QString::fromUtf8(c.delimiter)),
                  QString::fromUtf8(c.expected))
            << c.relative;
}

TEST(SplitCommaText, Table) {
    struct Case {
        const char* text;
        QStringList items;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a,,b", {"a", "", "b"}},
        {",a", {"", "a"}},
        {"a,", {"a", ""}},
        {"  a , b  ", {"a", "b"}},
        {"a b", {"a", "b"}},
        {"\"x, y\",z", {"x, y", "z"}},
        {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
        {"\"open", {"open"}},
        {"a\"b", {"a\"b"}},
        {",", {"", ""}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitCommaText(QString::fromUtf8(c.text)), c.items) << c.text;
}
