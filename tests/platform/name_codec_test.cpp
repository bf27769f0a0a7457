#include "platform/name_codec.h"

#include <gtest/gtest.h>

using namespace tarnwick;

TEST(NameCodec, DecodesUtf8AndKeepsStrayBytesAsSurrogates) {
    struct Case {
        std::string bytes;
        QString text;
    } cases[] = {
        {"plain.jpg", QStringLiteral("plain.jpg")},
        {"caf\xC3\xA9", QStringLiteral("caf\u00E9")},
        {"\xE6\xBC\xA2", QStringLiteral("\u6F22")},
        {"\xF0\x9F\x98\x80", QString::fromUcs4(U"\U0001F600")},
        {"caf\xE9", QStringLiteral("caf") + QChar(0xDCE9)},             // Latin-1 byte
        {"\xC0\xAF", QString(QChar(0xDCC0)) + QChar(0xDCAF)},          // overlong '/'
        {"\xED\xA0\x80", QString(QChar(0xDCED)) + QChar(0xDCA0) + QChar(0xDC80)}, // surrogate
        {"\xF4\x90\x80\x80", QString(QChar(0xDCF4)) + QChar(0xDC90) + QChar(0xDC80) + QChar(0xDC80)},
        {"\xE6\xBC", QString(QChar(0xDCE6)) + QChar(0xDCBC)},          // cut short
        {"\xFF\xFEx", QString(QChar(0xDCFF)) + QChar(0xDCFE) + u'x'},
        {std::string(), QString()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecodeName(c.bytes), c.text) << c.bytes;
        EXPECT_EQ(EncodeName(c.text), c.bytes) << c.bytes;
        EXPECT_TRUE(RoundTripsAsName(c.text));
    }
}

TEST(NameCodec, EveryByteStringRoundTrips) {
    // All two-byte strings, and a sample of longer ones built from them.
    for (int a = 0; a < 256; ++a) {
        for (int b = 1; b < 256; ++b) {
            const std::string s{char(a ? a : 'z'), char(b)};
            ASSERT_EQ(EncodeName(DecodeName(s)), s) << a << " " << b;
        }
    }
    const std::string mixed = "\xE2\x82\xAC\x80\xC3\xF0\x9F\x98\xE2\x82\xACok\xF5";
    EXPECT_EQ(EncodeName(DecodeName(mixed)), mixed);
}

TEST(NameCodec, TextsNoNameDecodesTo) {
    // A high surrogate alone, or a low one below U+DC80, is not a name's text.
    const QString lone = QString(QChar(0xD800)) + u'a';
    EXPECT_FALSE(RoundTripsAsName(lone));
    EXPECT_EQ(EncodeName(lone), std::string("\xEF\xBF\xBD" "a"));
    EXPECT_FALSE(RoundTripsAsName(QString(QChar(0xDC41))));
}
