// The Windows realisation's own rules: texts cross the window calls as
// UTF-16 (the code page's bytes shown as their characters, typed text handed
// back as UTF-8), the combo box keeps its own order, and a window's picture
// is written as a PNG that holds what the window shows.
#include "ui/ColorText.h"
#include "ui/ComboBox.h"
#include "ui/Dialog.h"
#include "ui/Edit.h"
#include "ui/Font.h"
#include "ui/Render.h"
#include "ui/Testing.h"
#include "ui/WinApp.h"
#include "ui/win32/Native.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

namespace {

class Host : public CDialog {
public:
    Host() : CDialog(700) { SetTemplate("Host", 600, 200, false); }
};

class NativeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_gui = new CGuiSession(); }
    static void TearDownTestSuite() {
        delete s_gui;
        s_gui = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(host.CreateIndirect()); }
    Host host;
    static CGuiSession* s_gui;
};
CGuiSession* NativeTest::s_gui = nullptr;

TEST(NativeText, TextsBecomeUtf16AndComeBackAsUtf8) {
    using uiimpl::Q;
    using uiimpl::S;
    // Windows-1252 bytes (a file's), the same in UTF-8, and the euro sign.
    EXPECT_EQ(Q("caf\xE9"), u"caf\u00E9");
    EXPECT_EQ(Q("caf\xC3\xA9"), u"caf\u00E9");
    EXPECT_EQ(Q("\x80"), u"\u20AC");
    // Beyond 16 bits: a surrogate pair there and back.
    EXPECT_EQ(Q("\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(S(u"\U0001F600 \u00E9"), "\xF0\x9F\x98\x80 \xC3\xA9");
    // A lone surrogate is no character: it shows as the replacement sign.
    EXPECT_EQ(S(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST_F(NativeTest, TypedTextIsHandedBackAsUtf8WhateverItWasGivenIn) {
    CEdit edit;
    ASSERT_TRUE(edit.Create(&host, 10, "Jos\xE9"));
    EXPECT_EQ(edit.GetWindowText(), "Jos\xC3\xA9");
    CColorText label;
    ASSERT_TRUE(label.Create(&host, 11, "Gr\xFC\xDF"));
    // A label answers the bytes it was given and shows their characters.
    EXPECT_EQ(label.GetWindowText(), "Gr\xFC\xDF");
    EXPECT_EQ(uitest::ShownText(label), "Gr\xC3\xBC\xC3\x9F");
}

TEST_F(NativeTest, TheComboBoxSortsAccentedCapitalsWithTheirSmallLetters) {
    CComboBox combo;
    ASSERT_TRUE(combo.Create(&host, 12));
    combo.AddString("\xE9mile"); // émile, Windows-1252
    combo.AddString("zoe");
    combo.AddString("\xC9mile"); // Émile: equal ignoring case, so after it
    combo.AddString("Anna");
    ASSERT_EQ(combo.GetCount(), 4);
    EXPECT_EQ(combo.GetLBText(0), "Anna");
    EXPECT_EQ(combo.GetLBText(1), "zoe");
    EXPECT_EQ(combo.GetLBText(2), "\xC3\xA9mile");
    EXPECT_EQ(combo.GetLBText(3), "\xC3\x89mile");
}

// The pixels of a PNG of 8-bit RGB in stored deflate blocks, as written.
bool ReadStoredPng(const std::string& png, int& width, int& height, std::string& rgb) {
    auto be32 = [&png](std::size_t at) {
        return (static_cast<unsigned>(static_cast<unsigned char>(png[at])) << 24) |
               (static_cast<unsigned>(static_cast<unsigned char>(png[at + 1])) << 16) |
               (static_cast<unsigned>(static_cast<unsigned char>(png[at + 2])) << 8) |
               static_cast<unsigned>(static_cast<unsigned char>(png[at + 3]));
    };
    if (png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0)
        return false;
    std::string z;
    for (std::size_t at = 8; at + 8 <= png.size();) {
        const std::size_t length = be32(at);
        const std::string type = png.substr(at + 4, 4);
        if (type == "IHDR") {
            width = static_cast<int>(be32(at + 8));
            height = static_cast<int>(be32(at + 12));
        } else if (type == "IDAT") {
            z += png.substr(at + 8, length);
        }
        at += 12 + length;
    }
    std::string raw;
    for (std::size_t at = 2; at + 5 <= z.size();) {
        const bool last = (z[at] & 1) != 0;
        const std::size_t n =
            static_cast<unsigned char>(z[at + 1]) |
            (static_cast<std::size_t>(static_cast<unsigned char>(z[at + 2])) << 8);
        raw += z.substr(at + 5, n);
        at += 5 + n;
        if (last)
            break;
    }
    rgb.clear();
    const std::size_t row = 1 + 3 * static_cast<std::size_t>(width);
    if (raw.size() != row * static_cast<std::size_t>(height))
        return false;
    for (int y = 0; y < height; ++y)
        rgb += raw.substr(static_cast<std::size_t>(y) * row + 1, row - 1);
    return true;
}

TEST_F(NativeTest, TheWindowsPictureHoldsWhatItShows) {
    CColorText label;
    ASSERT_TRUE(label.Create(&host, 13, "\xA0\xA0\xA0\xA0\xA0\xA0"));
    host.ShowWindow(SW_SHOW);
    uitest::ProcessEvents(50);
    char name[64];
    std::snprintf(name, sizeof name, "native_test_%u.png", static_cast<unsigned>(win::TickCount()));
    std::string error;
    ASSERT_TRUE(RenderWindowToPng(host, name, error)) << error;
    std::ifstream file(name, std::ios::binary);
    const std::string png((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    file.close();
    std::remove(name);
    int width = 0;
    int height = 0;
    std::string rgb;
    ASSERT_TRUE(ReadStoredPng(png, width, height, rgb));
    CRect client;
    host.GetClientRect(client);
    EXPECT_EQ(width, client.Width());
    EXPECT_EQ(height, client.Height());
    for (const auto& [x, y] :
         {std::pair{0, 0}, std::pair{150, 100}, std::pair{width - 1, height - 1}}) {
        const std::size_t at = 3 * (static_cast<std::size_t>(y) * width + x);
        const COLORREF shown = uitest::PixelAt(host, x, y);
        EXPECT_EQ(RGB(static_cast<unsigned char>(rgb[at]), static_cast<unsigned char>(rgb[at + 1]),
                      static_cast<unsigned char>(rgb[at + 2])),
                  shown)
            << x << "," << y;
    }
    // The page's colour, not black or white: the picture is the window's.
    EXPECT_EQ(uitest::PixelAt(host, 150, 100), uiimpl::kPageColor);
    // A window that is gone has no picture.
    Host never;
    EXPECT_FALSE(RenderWindowToPng(never, name, error));
    EXPECT_FALSE(error.empty());
}

// A label's text ends within the width it reports, which the pages place
// the next control by: one long line, and the same text wrapped.
TEST_F(NativeTest, ALabelIsDrawnWithinTheSizeItReports) {
    LOGFONT lf;
    lf.lfHeight = 14;
    lf.lfWeight = 400;
    lf.lfCharSet = 1;
    lf.lfFaceName = "Arial";
    CFontRegistry::Register(4242, 1252, lf);
    const std::string text =
        "If you wish to configure Parlendo with these parameters, please click here:";
    for (int wrap : {0, 400, 280}) {
        CColorText label;
        ASSERT_TRUE(label.Create(&host, 14, ""));
        label.SetFontId(4242, 1252);
        label.SetColor(RGB(0, 0, 0));
        label.SetText(text);
        label.SetWrapWidth(wrap);
        const CSize size = label.GetTextSize();
        // Room to the right, where nothing may be drawn.
        label.MoveWindow(0, 0, size.cx + 40, size.cy);
        host.ShowWindow(SW_SHOW);
        uitest::ProcessEvents(50);
        const std::string name = "native_label_" + std::to_string(wrap) + ".png";
        std::string error;
        ASSERT_TRUE(RenderWindowToPng(host, name, error)) << error;
        std::ifstream file(name, std::ios::binary);
        const std::string png((std::istreambuf_iterator<char>(file)),
                              std::istreambuf_iterator<char>());
        file.close();
        std::remove(name.c_str());
        int width = 0;
        int height = 0;
        std::string rgb;
        ASSERT_TRUE(ReadStoredPng(png, width, height, rgb));
        int right = -1;
        for (int y = 0; y < std::min(height, size.cy); ++y)
            for (int x = 0; x < std::min(width, size.cx + 40); ++x) {
                const std::size_t at = 3 * (static_cast<std::size_t>(y) * width + x);
                if (RGB(static_cast<unsigned char>(rgb[at]),
                        static_cast<unsigned char>(rgb[at + 1]),
                        static_cast<unsigned char>(rgb[at + 2])) != uiimpl::kPageColor)
                    right = std::max(right, x);
            }
        EXPECT_LT(right, size.cx) << "wrap width " << wrap;
        EXPECT_GE(right, size.cx - 4) << "wrap width " << wrap << ": the text was drawn";
    }
}

} // namespace
