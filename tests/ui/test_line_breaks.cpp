// The line rules without a toolkit (ui/LineBreaks.h), on a font whose every
// character is 10 pixels wide and whose characters are code points with the
// combining marks after them: where lines break, what they keep, how wide
// they count.
#include "ui/LineBreaks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::u16string>;

uiimpl::LineMetrics Monospace() {
    uiimpl::LineMetrics m;
    m.width = [](std::u16string_view text) {
        int width = 0;
        for (const char16_t c : text)
            if (!(c >= 0xDC00 && c < 0xE000) && !(c >= 0x0300 && c < 0x0370))
                width += 10;
        return width;
    };
    m.characterEnds = [](std::u16string_view text) {
        std::vector<std::size_t> ends;
        for (std::size_t i = 0; i < text.size();) {
            ++i;
            if (text[i - 1] >= 0xD800 && text[i - 1] < 0xDC00 && i < text.size())
                ++i;
            while (i < text.size() && text[i] >= 0x0300 && text[i] < 0x0370)
                ++i;
            ends.push_back(i);
        }
        return ends;
    };
    return m;
}

Lines Break(std::u16string_view text, int width) {
    return uiimpl::BreakLines(Monospace(), text, width);
}

TEST(LineBreaks, LineFeedsStartLinesAndCarriageReturnsTakeNoPlace) {
    EXPECT_EQ(Break(u"one\r\ntwo\n\nfour", 0), (Lines{u"one", u"two", u"", u"four"}));
    EXPECT_EQ(Break(u"", 0), (Lines{u""}));
    EXPECT_EQ(Break(u"end\n", 50), (Lines{u"end", u""}));
    // Without a width a long line stays whole.
    EXPECT_EQ(Break(u"a rather long line", 0), (Lines{u"a rather long line"}));
}

TEST(LineBreaks, LinesBreakAtBlanksThatGoWithTheBreak) {
    // 10 characters a line.
    EXPECT_EQ(Break(u"the quick brown fox jumps", 100),
              (Lines{u"the quick", u"brown fox", u"jumps"}));
    // Several blanks at a break all go; a line that fits with its trailing
    // blanks trimmed stays one line.
    EXPECT_EQ(Break(u"abcde   fghij", 100), (Lines{u"abcde", u"fghij"}));
    EXPECT_EQ(Break(u"abcdefghij   ", 100), (Lines{u"abcdefghij   "}));
    // Tabs are blanks too; the text's own lines wrap each on its own.
    EXPECT_EQ(Break(u"ab\tcdefghijk\nxy", 100), (Lines{u"ab", u"cdefghijk", u"xy"}));
}

TEST(LineBreaks, AnIndentStaysWithTheFirstWord) {
    EXPECT_EQ(Break(u"  indented words here", 100), (Lines{u"  indented", u"words here"}));
}

TEST(LineBreaks, AWordWiderThanTheWidthBreaksBetweenItsCharacters) {
    EXPECT_EQ(Break(u"abcdefghijklmnop", 50), (Lines{u"abcde", u"fghij", u"klmno", u"p"}));
    // After an indent the first piece is shorter.
    EXPECT_EQ(Break(u"  abcdefgh", 50), (Lines{u"  abc", u"defgh"}));
    // A width below one character still takes one character a line.
    EXPECT_EQ(Break(u"abc", 5), (Lines{u"a", u"b", u"c"}));
}

TEST(LineBreaks, NoCharacterIsCutInHalf) {
    // e with a combining acute, and a character outside the 16-bit plane.
    const std::u16string accented = u"e\u0301e\u0301e\u0301";
    EXPECT_EQ(Break(accented, 20), (Lines{u"e\u0301e\u0301", u"e\u0301"}));
    const std::u16string astral = u"\U0001F600\U0001F600\U0001F600";
    EXPECT_EQ(Break(astral, 20), (Lines{u"\U0001F600\U0001F600", u"\U0001F600"}));
}

TEST(LineBreaks, TrailingBlanksNeverWidenALineBeyondTheWrapWidth) {
    const uiimpl::LineMetrics m = Monospace();
    EXPECT_EQ(uiimpl::BrokenLineWidth(m, u"abc", 100), 30);
    EXPECT_EQ(uiimpl::BrokenLineWidth(m, u"abcdefghij   ", 100), 100);
    EXPECT_EQ(uiimpl::BrokenLineWidth(m, u"abcdefghij   ", 0), 130);
    // A line wider than the width by its characters keeps its width.
    EXPECT_EQ(uiimpl::BrokenLineWidth(m, u"abcdefghijkl", 100), 120);
}

} // namespace
