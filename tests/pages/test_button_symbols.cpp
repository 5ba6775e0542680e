// The play symbols of page 3's Test button and page 4's Start and Replay
// buttons and the captions beside them, read from the pixels the pages draw:
// in the shipped translations, the built-in English and texts 1.6 times as
// long as the English ones, in every state that shows a symbol or a caption
// on those buttons, no pixel of a symbol lies in the box where a caption's
// text is drawn. The boxes of the labels laid over the buttons come from
// their geometry, the box of a button's own text from its drawn pixels; the
// symbol is what is blue inside the button.
#include "SheetTestSuite.h"
#include "platform/files/directories.h"
#include "platform/files/paths.h"
#include "platform/sound_backend.h"
#include "platform/sound_choice.h"
#include "platform/system/trace.h"
#include "platform/text/ini_file.h"
#include "platform/virtual/VirtualCard.h"
#include "resources/ProgramResources.h"
#include "texts/UiTexts.h"
#include "ui/Button.h"
#include "ui/ColorText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path SourceDir() {
    const char* dir = std::getenv("PELMORA_SOURCE_DIR");
    return dir != nullptr ? fs::path(dir) : fs::path();
}

// The text with letters repeated from its start, round after round, until it
// is 1.6 times as long (the s of a "%s" stays single).
std::string Stretched(const std::string& text) {
    const std::size_t target = (text.size() * 8 + 4) / 5;
    std::string out = text;
    bool grew = true;
    while (out.size() < target && grew) {
        grew = false;
        std::string next;
        for (std::size_t i = 0; i < out.size(); ++i) {
            next += out[i];
            const bool letter = std::isalpha(static_cast<unsigned char>(out[i])) != 0 &&
                                (i == 0 || out[i - 1] != '%');
            if (letter && next.size() + (out.size() - i - 1) < target) {
                next += out[i];
                grew = true;
            }
        }
        out = next;
    }
    return out;
}

bool Intersect(const CRect& a, const CRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

std::string Show(const CRect& r) {
    std::ostringstream out;
    out << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
    return out.str();
}

int R(COLORREF c) {
    return static_cast<int>(c & 0xFF);
}
int G(COLORREF c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
int B(COLORREF c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

// The symbols are blue, enabled or faded; no caption colour (dark slate,
// green, red, grey) nor the buttons' faces are.
bool IsSymbol(COLORREF c) {
    return B(c) >= R(c) + 40 && B(c) >= G(c) + 20;
}

// Text drawn on a button: clearly darker than its face, and of no blue the
// symbols' edges take where they fade into the face.
bool IsText(COLORREF c) {
    return B(c) < R(c) + 30 && R(c) + G(c) + B(c) < 3 * 205;
}

// Where a caption's text lies on a button, and what it is.
struct Caption {
    std::string name;
    CRect box;
};

class ButtonSymbols : public SheetTestSuite, public ::testing::WithParamInterface<std::string> {
protected:
    static void SetUpTestSuite() {
        SheetTestSuite::SetUpTestSuite();
        plat::SetTraceLibraryName("NoTraceForPageTests.dll");
        RegisterProgramResources();
        s_app = new CWizardApp();
        s_app->CreateImageList();
    }
    static void TearDownTestSuite() {
        delete s_app;
        s_app = nullptr;
        SheetTestSuite::TearDownTestSuite();
    }
    void TearDown() override { ResetUiTexts(); }

    // The case's texts: a shipped translation, the built-in English, or
    // every English text stretched.
    void LoadTexts() {
        ResetUiTexts();
        const std::string& language = GetParam();
        if (language == "English")
            return;
        if (language != "Stretched") {
            const fs::path file = SourceDir() / "resources" / "lang" / (language + ".INI");
            ASSERT_TRUE(fs::exists(file)) << file;
            LoadUiTextsFrom(file.string());
            return;
        }
        CIniFile file;
        for (std::size_t i = 0; i < UiTextCount(); ++i) {
            const UiTextEntry& entry = UiTextEntryAt(i);
            ASSERT_TRUE(file.SetString(entry.section, entry.key, Stretched(entry.defaultText)));
        }
        const std::string path = (s_temp / "stretched.INI").string();
        ASSERT_TRUE(file.Save(path)) << file.GetLastError();
        LoadUiTextsFrom(path);
        // "Start" and "Replay" 1.6 times as long.
        ASSERT_EQ(UiText("PropP4", "K6"), Stretched("Start"));
        ASSERT_EQ(UiText("PropP4", "K6").size(), 8u);
        ASSERT_EQ(UiText("PropP4", "K8").size(), 10u);
    }

    // On the button `id` of the page as drawn now: the symbol's pixels lie
    // outside the text box of each caption shown on it (the labels laid over
    // it, its own text), and each caption is drawn where its box says.
    void CheckButton(const std::string& state, const CWnd& page, int id,
                     std::initializer_list<int> labels) {
        SCOPED_TRACE(GetParam() + ", " + state + ", button " + std::to_string(id));
        const auto* button = page.GetDlgItemAs<CButton>(id);
        ASSERT_NE(button, nullptr);
        const uitest::WindowPixels shot = uitest::CapturePixels(page);
        ASSERT_GT(shot.width, 0);
        const CRect place = button->GetRectInParent();
        // Inside its border and the focus colour it may take.
        const CRect inner{place.left + 2, place.top + 2, place.right - 2, place.bottom - 2};
        auto pixels = [&](const CRect& r, bool (*is)(COLORREF), CRect* bounds) {
            int count = 0;
            for (int y = std::max(r.top, inner.top); y < std::min(r.bottom, inner.bottom); ++y)
                for (int x = std::max(r.left, inner.left); x < std::min(r.right, inner.right);
                     ++x) {
                    if (!is(shot.At(x, y)))
                        continue;
                    if (bounds != nullptr) {
                        if (count == 0)
                            *bounds = CRect{x, y, x + 1, y + 1};
                        bounds->left = std::min(bounds->left, x);
                        bounds->top = std::min(bounds->top, y);
                        bounds->right = std::max(bounds->right, x + 1);
                        bounds->bottom = std::max(bounds->bottom, y + 1);
                    }
                    ++count;
                }
            return count;
        };

        CRect symbol;
        const int symbolPixels = pixels(inner, IsSymbol, &symbol);
        if (button->GetImageId() != 0) {
            EXPECT_GT(symbolPixels, 10)
                << "the symbol of picture " << button->GetImageId() << " is not seen";
        }

        std::vector<Caption> captions;
        for (int labelId : labels) {
            const auto* label = page.GetDlgItemAs<CColorText>(labelId);
            ASSERT_NE(label, nullptr) << labelId;
            if (!label->IsWindowVisible())
                continue;
            const CRect at = label->GetRectInParent();
            const CSize size = label->GetTextSize();
            const Caption caption{"label " + std::to_string(labelId),
                                  CRect{at.left, at.top, at.left + size.cx, at.top + size.cy}};
            EXPECT_GT(pixels(caption.box, IsText, nullptr), 0)
                << caption.name << " shows no text in " << Show(caption.box);
            captions.push_back(caption);
        }
        if (const std::string text = button->GetWindowText(); !text.empty()) {
            CRect drawn;
            ASSERT_GT(pixels(inner, IsText, &drawn), 0) << "its text \"" << text << "\"";
            // At least as wide as its first letter.
            EXPECT_GE(drawn.Width(), button->GetTextExtent(text.substr(0, 1)).cx - 2);
            captions.push_back({"its text \"" + text + "\"", drawn});
        }
        ASSERT_FALSE(captions.empty()) << "no caption shown";

        for (const Caption& caption : captions) {
            CRect under;
            const int count = pixels(caption.box, IsSymbol, &under);
            EXPECT_EQ(count, 0) << count << " pixels of the symbol " << Show(symbol) << " lie in "
                                << Show(under) << " under " << caption.name << " "
                                << Show(caption.box);
            if (symbolPixels > 0) {
                EXPECT_FALSE(Intersect(symbol, caption.box))
                    << "the symbol " << Show(symbol) << " and " << caption.name << " "
                    << Show(caption.box) << " overlap";
            }
        }
    }

    static inline CWizardApp* s_app = nullptr;
};

TEST_P(ButtonSymbols, NoSymbolLiesUnderACaption) {
    ASSERT_NO_FATAL_FAILURE(LoadTexts());
    std::string error;
    ASSERT_TRUE(plat::SelectSoundBackend("virtual", error)) << error;
    auto card = std::make_shared<plat::CVirtualCard>(plat::DefaultCardDesc(),
                                                     plat::CVirtualCard::Clock::Manual);
    plat::InstallSoundBackend(card);
    {
        CPropSheet sheet;
        ASSERT_TRUE(sheet.Create());
        uitest::ProcessEvents(20);

        CPropPage3& page3 = sheet.m_page3;
        sheet.SetActivePage(2);
        uitest::ProcessEvents(20);
        CheckButton("page 3", page3, 1001, {1109, 1113});
        page3.OnTest();
        uitest::ProcessEvents(20);
        CheckButton("page 3 playing", page3, 1001, {1109, 1113});
        page3.OnTest();
        uitest::ProcessEvents(20);
        ASSERT_NE(page3.GetDlgItemAs<CButton>(1001)->GetImageId(), 0);
        CheckButton("page 3 stopped", page3, 1001, {1109, 1113});

        CPropPage4& page4 = sheet.m_page4;
        sheet.SetActivePage(3);
        uitest::ProcessEvents(20);
        CheckButton("page 4", page4, 1004, {1110, 1114});
        CheckButton("page 4", page4, 1064, {});
        page4.OnStart();
        for (int ms = 0; ms < 2000; ms += 160) {
            card->AdvanceClock(160);
            uitest::ProcessEvents(2);
        }
        uitest::ProcessEvents(20);
        CheckButton("page 4 recording", page4, 1004, {1110, 1114});
        page4.OnStart();
        uitest::ProcessEvents(20);
        ASSERT_NE(page4.GetDlgItemAs<CButton>(1004)->GetImageId(), 0);
        ASSERT_TRUE(page4.GetDlgItem(1064)->IsWindowEnabled());
        CheckButton("page 4 stopped", page4, 1004, {1110, 1114});
        CheckButton("page 4 stopped", page4, 1064, {});
        page4.OnReplay();
        uitest::ProcessEvents(20);
        ASSERT_TRUE(page4.IsReplaying());
        CheckButton("page 4 replaying", page4, 1064, {});
        page4.OnReplay();
        uitest::ProcessEvents(20);

        sheet.m_audioEngine.StopPlay();
        sheet.EndDialog(IDCANCEL);
        uitest::ProcessEvents(10);
    }
    card->WaitCallbacks();
    plat::DeleteFile(CPropPage4::RecordingPath());
    if (const std::string temp = plat::GetTempPath(); !temp.empty())
        plat::DeleteFile(temp + "Mixer.ser");
    plat::InstallSoundBackend(std::make_shared<plat::CVirtualCard>());
}

INSTANTIATE_TEST_SUITE_P(Languages, ButtonSymbols,
                         ::testing::Values("fr", "de", "es", "English", "Stretched"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             return info.param;
                         });

} // namespace
