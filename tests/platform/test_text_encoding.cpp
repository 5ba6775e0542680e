#include "platform/text/text_encoding.h"
#include "tests/support/HostCommand.h"
#include "tests/support/TestDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

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

namespace {

std::string AllBytes() {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    return all;
}

// What iconv, the converter every system has, makes of the bytes.
std::string Iconv(const std::string& from, const std::string& to, const std::string& bytes) {
    const std::filesystem::path input = FreshTestDir("pelmora-iconv") / "input";
    std::ofstream(input, std::ios::binary) << bytes;
    const std::string command =
        "iconv -f " + from + " -t " + to + " '" + hostcmd::HostPath(input) + "'";
    std::string out;
    EXPECT_EQ(hostcmd::Run(command, &out), 0) << command;
    std::filesystem::remove_all(input.parent_path());
    return out;
}

TEST(TextEncoding, DetectsTheMarkThenUtf8ThenWindows1252) {
    using plat::TextEncoding;
    EXPECT_EQ(plat::DetectTextEncoding(""), TextEncoding::Utf8);
    EXPECT_EQ(plat::DetectTextEncoding("[Keys]\r\nKEYs_Course=D\xC3\xA9"
                                       "butants"),
              TextEncoding::Utf8);
    EXPECT_EQ(plat::DetectTextEncoding("\xEF\xBB\xBF[Keys]"), TextEncoding::Utf8WithBom);
    EXPECT_EQ(plat::DetectTextEncoding("\xEF\xBB\xBF"), TextEncoding::Utf8WithBom);
    EXPECT_EQ(plat::DetectTextEncoding("KEYs_Course=D\xE9"
                                       "butants"),
              TextEncoding::Windows1252);
    // A mark cut short is no mark; its bytes are not UTF-8 either.
    EXPECT_EQ(plat::DetectTextEncoding("\xEF\xBB[Keys]"), TextEncoding::Windows1252);
}

TEST(TextEncoding, Windows1252AgreesWithIconvBothWays) {
    // iconv refuses the five bytes the code page leaves undefined.
    std::string defined;
    for (const char b : AllBytes())
        if (std::string("\x81\x8D\x8F\x90\x9D").find(b) == std::string::npos)
            defined += b;
    const std::string utf8 = Iconv("WINDOWS-1252", "UTF-8", defined);
    ASSERT_GT(utf8.size(), defined.size()) << "iconv did not run";
    EXPECT_EQ(plat::Windows1252ToUtf8(defined), utf8);
    std::string back;
    ASSERT_TRUE(plat::Utf8ToWindows1252(utf8, &back));
    EXPECT_EQ(back, defined);
    EXPECT_EQ(Iconv("UTF-8", "WINDOWS-1252", utf8), back);
    // And the undefined bytes come back as themselves.
    ASSERT_TRUE(plat::Utf8ToWindows1252(plat::Windows1252ToUtf8(AllBytes()), &back));
    EXPECT_EQ(back, AllBytes());
}

TEST(TextEncoding, TextTheCodePageCannotHoldIsRefusedAndNothingWritten) {
    std::string out = "untouched";
    EXPECT_FALSE(plat::Utf8ToWindows1252("Micha\xC5\x82", &out)); // ł
    EXPECT_FALSE(plat::Utf8ToWindows1252("\xF0\x9F\x8E\xA7", &out));
    EXPECT_FALSE(plat::Utf8ToWindows1252("H\xE9l\xE8ne", &out)); // not UTF-8 at all
    EXPECT_FALSE(plat::EncodeText("Micha\xC5\x82", plat::TextEncoding::Windows1252, &out));
    EXPECT_FALSE(plat::EncodeText("H\xE9l\xE8ne", plat::TextEncoding::Utf8, &out));
    EXPECT_EQ(out, "untouched");

    ASSERT_TRUE(plat::EncodeText("H\xC3\xA9l\xC3\xA8ne", plat::TextEncoding::Windows1252, &out));
    EXPECT_EQ(out, "H\xE9l\xE8ne");
    for (const auto encoding : {plat::TextEncoding::Utf8, plat::TextEncoding::Utf8WithBom}) {
        ASSERT_TRUE(plat::EncodeText("Micha\xC5\x82", encoding, &out));
        EXPECT_EQ(out, "Micha\xC5\x82");
    }
}

#if defined(_WIN32)
TEST(TextEncoding, FileNamesBecomeTheCodePageOfTheSystemCalls) {
    EXPECT_EQ(plat::FileNameFromText("\xC9l\xE8ves\\h\xE9l\xE8ne", plat::TextEncoding::Windows1252),
              "\xC9l\xE8ves\\h\xE9l\xE8ne");
    EXPECT_EQ(plat::FileNameFromText("\xC3\x89l\xC3\xA8ves", plat::TextEncoding::Utf8),
              "\xC9l\xE8ves");
    // A name the code page cannot hold is kept as it was.
    EXPECT_EQ(plat::FileNameFromText("Micha\xC5\x82", plat::TextEncoding::Utf8), "Micha\xC5\x82");
    EXPECT_EQ(plat::FileNameFromText("anna01", plat::TextEncoding::Utf8WithBom), "anna01");
}
#else
TEST(TextEncoding, FileNamesOfWindows1252FilesBecomeUtf8) {
    EXPECT_EQ(plat::FileNameFromText("\xC9l\xE8ves\\h\xE9l\xE8ne", plat::TextEncoding::Windows1252),
              "\xC3\x89l\xC3\xA8ves\\h\xC3\xA9l\xC3\xA8ne");
    EXPECT_EQ(plat::FileNameFromText("\xC3\x89l\xC3\xA8ves", plat::TextEncoding::Utf8),
              "\xC3\x89l\xC3\xA8ves");
    EXPECT_EQ(plat::FileNameFromText("anna01", plat::TextEncoding::Utf8WithBom), "anna01");
}
#endif

} // namespace
