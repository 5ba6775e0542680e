// Texts wrapped within a width, as DrawText with DT_WORDBREAK lays them: where
// lines break, what they measure, what a text control draws, and the face a
// font is drawn in.
#include "ui/ColorText.h"
#include "ui/Dialog.h"
#include "ui/Font.h"
#include "ui/Testing.h"
#include "ui/WinApp.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr int kLine = 14;

class Host : public CDialog {
public:
    Host() : CDialog(501) { SetTemplate("Host", 400, 200, false); }
};

class TextWrapTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_gui = new CGuiSession();
        LOGFONT lf;
        lf.lfHeight = kLine;
        lf.lfFaceName = "Arial";
        CFontRegistry::Register(1121, 1252, lf);
    }
    static void TearDownTestSuite() {
        CFontRegistry::Clear();
        delete s_gui;
        s_gui = nullptr;
    }
    void TearDown() override { CFontRegistry::SetFaceSubstitute("Arial", ""); }

    static const CFont& Font() { return *CFontRegistry::Get(1121); }
    static int Width(const std::string& text) { return Font().GetTextExtent(text).cx; }
    // The number of lines text takes within width.
    static int Lines(const std::string& text, int width) {
        return Font().GetTextExtent(text, width).cy / kLine;
    }
    static CGuiSession* s_gui;
};
CGuiSession* TextWrapTest::s_gui = nullptr;

TEST_F(TextWrapTest, LinesBreakAtTheLastBlankThatFits) {
    const std::string text = "word word word word word word";
    // Room for two words: three lines of two, as wide as two words.
    const int two = Width("word word");
    EXPECT_EQ(Font().GetTextExtent(text, two), (CSize{two, 3 * kLine}));
    // A pixel less: one word a line.
    EXPECT_EQ(Font().GetTextExtent(text, two - 1), (CSize{Width("word"), 6 * kLine}));
    // Room enough: the text as it is.
    EXPECT_EQ(Font().GetTextExtent(text, Width(text)), Font().GetTextExtent(text));
    EXPECT_EQ(Font().GetTextExtent(text, 0), Font().GetTextExtent(text));
    // The text's own line feeds stay, each line wrapping on its own.
    EXPECT_EQ(Lines("word\nword word word", two), 3);
    EXPECT_EQ(Lines("word word\n\nword", two), 3);
}

TEST_F(TextWrapTest, BlanksAtABreakTakeNoRoomAndAnIndentStays) {
    const int one = Width("word");
    // However many blanks the break falls on, they go with it.
    EXPECT_EQ(Font().GetTextExtent("word    word  word", one), (CSize{one, 3 * kLine}));
    // Blanks before the first word stay with it.
    const int indented = Width("   word");
    EXPECT_EQ(Font().GetTextExtent("   word word", indented), (CSize{indented, 2 * kLine}));
    // Blanks at the end never make a line wider than the width.
    const int two = Width("word word");
    ASSERT_GT(Width("word word   "), two);
    EXPECT_EQ(Font().GetTextExtent("word word   ", two), (CSize{two, kLine}));
}

TEST_F(TextWrapTest, AWordWiderThanTheWidthBreaksBetweenItsCharacters) {
    const int three = Width("mmm");
    EXPECT_EQ(Font().GetTextExtent("mmmmmmmmmm", three), (CSize{three, 4 * kLine}));
    // After the broken word the next one starts a line of its own.
    EXPECT_EQ(Lines("mmmmmm mm", three), 3);
    // Not even one character fits: one a line, never none.
    EXPECT_EQ(Lines("abc", 1), 3);
    // A character is never cut in two: accented letters in UTF-8 and in the
    // Windows code page.
    const std::string e = "\xC3\xA9"; // é
    const int twoE = Width(e + e);
    EXPECT_EQ(Font().GetTextExtent(e + e + e + e + e, twoE), (CSize{twoE, 3 * kLine}));
    EXPECT_EQ(Font().GetTextExtent("\xE9\xE9\xE9\xE9\xE9", twoE), (CSize{twoE, 3 * kLine}));
}

TEST_F(TextWrapTest, ATextControlDrawsTheLinesItMeasures) {
    Host host;
    ASSERT_TRUE(host.CreateIndirect());
    host.ShowWindow(SW_SHOW);
    CColorText label;
    ASSERT_TRUE(label.Create(&host, 10));
    label.SetFontId(1121);
    label.SetColor(RGB(0, 0, 0));
    label.SetText("word word word");
    const int two = Width("word word");
    label.SetWrapWidth(two);
    EXPECT_EQ(label.GetWrapWidth(), two);
    const CSize size = label.GetTextSize();
    EXPECT_EQ(size, (CSize{two, 2 * kLine}));
    EXPECT_EQ(label.GetWindowText(), "word word word") << "the text itself is not changed";
    label.MoveWindow(10, 10, size.cx, size.cy);
    EXPECT_EQ(label.GetRectInParent().Height(), 2 * kLine);
    uitest::ProcessEvents();

    // Ink on the second line, where "word" is drawn, none after it (looked
    // at on the dialog, which the label lets show through).
    auto inked = [&](int left, int top, int right, int bottom) {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) {
                const COLORREF c = uitest::PixelAt(host, 10 + x, 10 + y);
                if (GetRValue(c) < 128 && GetGValue(c) < 128 && GetBValue(c) < 128)
                    return true;
            }
        return false;
    };
    EXPECT_TRUE(inked(0, kLine, Width("word"), 2 * kLine));
    EXPECT_FALSE(inked(Width("word") + 2, kLine, size.cx, 2 * kLine));

    // Without a wrap width the text is one line again.
    label.SetWrapWidth(0);
    EXPECT_EQ(label.GetTextSize(), Font().GetTextExtent("word word word"));
}

TEST_F(TextWrapTest, ASubstituteFaceIsUsedWhereInstalledAndGetTextFaceSaysWhich) {
    // Arial's stand-in where Arial itself is missing.
    ASSERT_EQ(Font().GetTextFace(), "Liberation Sans");
    const int liberation = Width("Wiedergabelautst\xC3\xA4rke");
    CFontRegistry::SetFaceSubstitute("Arial", "DejaVu Sans");
    EXPECT_EQ(Font().GetTextFace(), "DejaVu Sans");
    // The measures follow the face: DejaVu Sans is the wider one.
    EXPECT_GT(Width("Wiedergabelautst\xC3\xA4rke"), liberation);
    // A substitute that is not installed changes nothing.
    CFontRegistry::SetFaceSubstitute("Arial", "No Such Face Anywhere");
    EXPECT_EQ(Font().GetTextFace(), "Liberation Sans");
    CFontRegistry::SetFaceSubstitute("Arial", "");
    EXPECT_EQ(Font().GetTextFace(), "Liberation Sans");
    EXPECT_EQ(Width("Wiedergabelautst\xC3\xA4rke"), liberation);
}

} // namespace
