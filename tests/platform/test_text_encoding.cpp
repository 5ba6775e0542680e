#include "platform/text_encoding.h"

#include <gtest/gtest.h>

namespace {

TEST(TextEncoding, RecognisesWellFormedUtf8Only) {
    EXPECT_TRUE(plat::IsValidUtf8(""));
    EXPECT_TRUE(plat::IsValidUtf8("S\xC3\xA9lection n\xC2\xB0"));
    EXPECT_TRUE(plat::IsValidUtf8("\xE2\x82\xAC \xF0\x9F\x8E\xA7"));
    EXPECT_FALSE(plat::IsValidUtf8("S\xE9lection"));     // Windows-1252 é
    EXPECT_FALSE(plat::IsValidUtf8("\xC3"));             // truncated
    EXPECT_FALSE(plat::IsValidUtf8("\xC0\xAF"));         // overlong '/'
    EXPECT_FALSE(plat::IsValidUtf8("\xE0\x80\xAF"));     // overlong
    EXPECT_FALSE(plat::IsValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(plat::IsValidUtf8("\xF4\x90\x80\x80")); // above U+10FFFF
    EXPECT_FALSE(plat::IsValidUtf8("\x80"));             // lone continuation
    EXPECT_FALSE(plat::IsValidUtf8("\xE2\x82 "));        // broken sequence
}

TEST(TextEncoding, Windows1252MapsEveryByte) {
    EXPECT_EQ(plat::Windows1252ToUtf8("abc"), "abc");
    EXPECT_EQ(plat::Windows1252ToUtf8("\xE9\xB0\xFF"), "\xC3\xA9\xC2\xB0\xC3\xBF");
    EXPECT_EQ(plat::Windows1252ToUtf8("\x80\x92\x9C"), "\xE2\x82\xAC\xE2\x80\x99\xC5\x93");
    EXPECT_EQ(plat::Windows1252ToUtf8("\x81\x9D"), "\xC2\x81\xC2\x9D");
    EXPECT_EQ(plat::Windows1252ToUtf8(std::string("\0x", 2)), std::string("\0x", 2));
    // Every byte decodes to valid UTF-8.
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_TRUE(plat::IsValidUtf8(plat::Windows1252ToUtf8(all)));
}

TEST(TextEncoding, DecodeKeepsUtf8DropsItsMarkAndFallsBackToWindows1252) {
    EXPECT_EQ(plat::DecodeText("n\xC2\xB0"), "n\xC2\xB0");
    EXPECT_EQ(plat::DecodeText("\xEF\xBB\xBF[A]"), "[A]");
    // One bad byte makes the whole file Windows-1252, including the mark bytes.
    EXPECT_EQ(plat::DecodeText("\xC3\xA9 \xE9"), "\xC3\x83\xC2\xA9 \xC3\xA9");
}

} // namespace
