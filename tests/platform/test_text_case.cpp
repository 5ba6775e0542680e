// Names compared regardless of case, as each encoding folds them.
#include "platform/text/text_case.h"

#include <gtest/gtest.h>

namespace {

using plat::EqualNoCase;
using plat::TextEncoding;

TEST(TextCase, Windows1252FoldsEveryCapitalAndSmallLetterPairOfTheCodePage) {
    const auto cp = TextEncoding::Windows1252;
    EXPECT_TRUE(EqualNoCase("H\xC9L\xC8NE", "h\xE9l\xE8ne", cp)); // HÉLÈNE, hélène
    EXPECT_TRUE(EqualNoCase("\xC7\xC0\xD1\xD8\xDE", "\xE7\xE0\xF1\xF8\xFE", cp)); // ÇÀÑØÞ
    EXPECT_TRUE(EqualNoCase("\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF", cp)); // ŠŒŽŸ, šœžÿ
    // The multiplication and division signs share the places of a pair
    // but are no letters; nor do ß and µ have a capital in the code page.
    EXPECT_FALSE(EqualNoCase("\xD7", "\xF7", cp));
    EXPECT_EQ(plat::FoldCase("\xDF\xB5\xAA", cp), "\xDF\xB5\xAA");
    EXPECT_FALSE(EqualNoCase("H\xC9L\xC8NE", "H\xC9L\xC9NE", cp));
    // Read as UTF-8, the same bytes fold nothing but ASCII.
    EXPECT_FALSE(EqualNoCase("H\xC9L\xC8NE", "h\xE9l\xE8ne", TextEncoding::Utf8));
}

TEST(TextCase, Utf8FoldsByUnicodeSimpleCaseFolding) {
    const auto u = TextEncoding::Utf8;
    EXPECT_TRUE(EqualNoCase("H\xC3\x89L\xC3\x88NE", "h\xC3\xA9l\xC3\xA8ne", u)); // HÉLÈNE
    EXPECT_TRUE(EqualNoCase("\xC5\x81UKASZ", "\xC5\x82ukasz", u));               // Łukasz
    // Greek, with the final sigma: ΟΔΥΣΣΕΥΣ and οδυσσευς.
    EXPECT_TRUE(EqualNoCase("\xCE\x9F\xCE\x94\xCE\xA5\xCE\xA3\xCE\xA3\xCE\x95\xCE\xA5\xCE\xA3",
                            "\xCE\xBF\xCE\xB4\xCF\x85\xCF\x83\xCF\x83\xCE\xB5\xCF\x85\xCF\x82", u));
    // Cyrillic ДМИТРИЙ and дмитрий.
    EXPECT_TRUE(EqualNoCase("\xD0\x94\xD0\x9C\xD0\x98\xD0\xA2\xD0\xA0\xD0\x98\xD0\x99",
                            "\xD0\xB4\xD0\xBC\xD0\xB8\xD1\x82\xD1\x80\xD0\xB8\xD0\xB9", u));
    // Letters beyond the first plane: Deseret 𐐀 and 𐐨.
    EXPECT_TRUE(EqualNoCase("\xF0\x90\x90\x80", "\xF0\x90\x90\xA8", u));
    EXPECT_TRUE(EqualNoCase("\xE2\x84\xAA", "k", u)); // the Kelvin sign is a K
    EXPECT_FALSE(EqualNoCase("\xC3\x89lodie", "Elodie", u)) << "accents are not dropped";
    EXPECT_FALSE(EqualNoCase("stra\xC3\x9F"
                             "e",
                             "STRASSE", u))
        << "simple folding only";
    EXPECT_TRUE(EqualNoCase("", "", u));
    EXPECT_FALSE(EqualNoCase("Anna", "Ann", u));
}

TEST(TextCase, BytesThatAreNotUtf8StayAsTheyAre) {
    EXPECT_EQ(plat::FoldCase("A\xE9Z\xC3", TextEncoding::Utf8), "a\xE9z\xC3");
    EXPECT_EQ(plat::FoldCase("\xEF\xBB\xBF"
                             "ABC",
                             TextEncoding::Utf8WithBom),
              "\xEF\xBB\xBF"
              "abc");
}

} // namespace
