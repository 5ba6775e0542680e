// The wizard sheet driven as the user drives it, on the offscreen platform:
// its buttons, titles, cancel clean-up, Ctrl+Alt+T and the welcome page's help
// dialogs.
#include "app/PropSheet.h"
#include "app/WizardApp.h"
#include "platform/files/directories.h"
#include "platform/sound_choice.h"
#include "platform/system/system_testing.h"
#include "platform/system/trace.h"
#include "tests/support/ScopedEnv.h"
#include "tests/trace/TestTraceEvent.h"
#include "texts/UiTexts.h"
#include "ui/Button.h"
#include "ui/ColorText.h"
#include "ui/Font.h"
#include "ui/Testing.h"
#include "ui/ToolTipTimer.h"
#include "ui/WinApp.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

// What the stand-in trace library reports.
struct TraceEvent {
    std::string kind;
    int number;
    std::string module;
    int line;
    std::string text;
};
static std::vector<TraceEvent> g_trace;

PELMORA_TEST_EXPORT void TestTraceEvent(const char* event, int number, const char* module, int line,
                                        const char* text) {
    g_trace.push_back({event, number, module, line, text});
}

namespace {

int CountTrace(const std::string& kind) {
    int n = 0;
    for (const TraceEvent& e : g_trace)
        n += e.kind == kind ? 1 : 0;
    return n;
}

class WizardSheetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        ASSERT_TRUE(plat::SelectSoundBackend("virtual", error)) << error;
        s_temp = fs::temp_directory_path() / ("pelmora-sheet-" + std::to_string(::getpid()));
        fs::create_directories(s_temp);
        ScopedEnv::Set(kTempDirVariable, s_temp.string().c_str());
        ScopedEnv::Clear("XDG_RUNTIME_DIR"); // the temporary directory follows TMPDIR
        s_gui = new CGuiSession();
        CWizardApp::RegisterFonts();
    }
    static void TearDownTestSuite() {
        delete s_gui;
        s_gui = nullptr;
        fs::remove_all(s_temp);
    }
    void SetUp() override {
        g_trace.clear();
        plat::SetTraceLibraryName("FakeTraceFull.dll");
        plat::SetProductVersionForTesting("9.8.7");
        fs::remove(Temp("User.wav"));
        fs::remove(Temp("Mixer.ser"));
    }
    void TearDown() override {
        uitest::SetMessageBoxHandler(nullptr);
        CDialog::SetModalHook(nullptr);
        plat::SetProductVersionForTesting(nullptr);
        plat::UnloadTraceLibrary();
    }

    static std::string Temp(const std::string& name) { return plat::GetTempPath() + name; }

    // Opens the wizard without a modal loop and lets the posted calls run.
    static void Open(CPropSheet& sheet) {
        ASSERT_TRUE(sheet.Create());
        uitest::ProcessEvents();
    }
    static CWnd& Item(CWnd& parent, int id) {
        CWnd* item = parent.GetDlgItem(id);
        if (item == nullptr)
            throw std::runtime_error("no control " + std::to_string(id));
        return *item;
    }
    static void Press(CPropSheet& sheet, int id) {
        uitest::Click(Item(sheet, id));
        uitest::ProcessEvents();
    }
    // Next, running the sound-card test first where the page asks for it.
    static void GoNext(CPropSheet& sheet) {
        if (!Item(sheet, ID_WIZNEXT).IsWindowEnabled()) {
            if (CWnd* test = sheet.GetActivePage()->GetDlgItem(1065)) {
                uitest::Click(*test);
                uitest::ProcessEvents();
            }
        }
        Press(sheet, ID_WIZNEXT);
    }
    static CRect Place(CWnd& parent, int id) { return Item(parent, id).GetRectInParent(); }

    static fs::path s_temp;
    static CGuiSession* s_gui;
};

fs::path WizardSheetTest::s_temp;
CGuiSession* WizardSheetTest::s_gui = nullptr;

TEST_F(WizardSheetTest, PageOneShowsNextOnlyWithCancelInHelpsPlace) {
    CPropSheet sheet;
    Open(sheet);
    ASSERT_EQ(sheet.GetActiveIndex(), 0);
    CWnd& back = Item(sheet, ID_WIZBACK);
    CWnd& next = Item(sheet, ID_WIZNEXT);
    CWnd& cancel = Item(sheet, IDCANCEL);
    CWnd& help = Item(sheet, IDHELP);

    // Page 1 posts Back and Next; Back is enabled by it but stays hidden.
    EXPECT_EQ(sheet.GetWizardButtons(), PSWIZB_BACK | PSWIZB_NEXT);
    EXPECT_FALSE(back.IsWindowVisible());
    EXPECT_TRUE(back.IsWindowEnabled());
    EXPECT_EQ(back.GetWindowText(), " ");
    EXPECT_TRUE(next.IsWindowVisible());
    EXPECT_TRUE(next.IsWindowEnabled());
    EXPECT_EQ(next.GetWindowText(), UiText("PropSheet", "K2"));
    EXPECT_FALSE(Item(sheet, ID_WIZFINISH).IsWindowVisible());
    EXPECT_FALSE(help.IsWindowVisible());
    EXPECT_EQ(cancel.GetWindowText(), UiText("PropSheet", "K1"));
    EXPECT_EQ(cancel.GetRectInParent(), help.GetRectInParent());
    EXPECT_GT(cancel.GetRectInParent().left, next.GetRectInParent().right);
    EXPECT_EQ(cancel.GetFont(), CFontRegistry::Get(1121, 1252));
}

TEST_F(WizardSheetTest, TitleBarShowsTheCaptionWithTheVersion) {
    CPropSheet sheet;
    Open(sheet);
    const std::string k3 = UiText("PropSheet", "K3");
    const std::string expected = k3 + " " + UiText("PropSheet", "K8") + " 9.8.7";
    EXPECT_EQ(sheet.GetWindowText(), expected);
    EXPECT_EQ(sheet.GetTabItemText(0), expected);
    // With the default texts nothing is trimmed anywhere.
    if (k3 == " Welcome to the audio wizard!!            ") {
        EXPECT_EQ(expected, " Welcome to the audio wizard!!             Version  9.8.7");
    }
}

TEST_F(WizardSheetTest, LanguageFilesInUtf8OrTheWindowsCodePageShowTheirAccents) {
    const std::string shown = "Assistant audio \xE2\x80\x93 \xC3\xA9tape \xC5\x93uvre";
    // The same texts as a translator's editor saves them: UTF-8 with or
    // without mark, or Windows-1252.
    const std::string utf8 =
        "[PropSheet]\r\nK1=Annuler\r\nK2=Suivant\r\nK3=" + shown + "\r\nK8=Version\r\n";
    const std::string cp1252 = "[PropSheet]\r\nK1=Annuler\r\nK2=Suivant\r\n"
                               "K3=Assistant audio \x96 \xE9tape \x9Cuvre\r\nK8=Version\r\n";
    const std::string path = Temp("french.INI");
    for (const std::string& file : {utf8, "\xEF\xBB\xBF" + utf8, cp1252}) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << file;
        ResetUiTexts();
        LoadUiTextsFrom(path); // the run's texts: the sheet keeps them
        CPropSheet sheet;
        Open(sheet);
        EXPECT_EQ(uitest::ShownText(sheet), shown + " Version 9.8.7");
        EXPECT_EQ(uitest::ShownText(Item(sheet, IDCANCEL)), "Annuler");
    }
    ResetUiTexts();
}

TEST_F(WizardSheetTest, WithoutVersionTheCaptionIsTheTextAndOneBlank) {
    plat::SetProductVersionForTesting("");
    CPropSheet sheet;
    Open(sheet);
    EXPECT_EQ(sheet.GetVersionText(), "");
    EXPECT_EQ(sheet.GetWindowText(), UiText("PropSheet", "K3") + " ");
}

TEST_F(WizardSheetTest, NextWalksToTheLastPageAndBackWalksBack) {
    CPropSheet sheet;
    Open(sheet);
    const char* titles[] = {nullptr, "K4", "K5", "K6", "K7"};
    for (int page = 1; page < 5; ++page) {
        GoNext(sheet);
        ASSERT_EQ(sheet.GetActiveIndex(), page);
        EXPECT_EQ(sheet.GetWindowText(), UiText("PropSheet", titles[page]));
        EXPECT_TRUE(Item(sheet, ID_WIZBACK).IsWindowVisible()) << "page " << page + 1;
    }
    // The last page offers Finish in Next's place.
    EXPECT_FALSE(Item(sheet, ID_WIZNEXT).IsWindowVisible());
    EXPECT_TRUE(Item(sheet, ID_WIZFINISH).IsWindowVisible());
    EXPECT_EQ(Place(sheet, ID_WIZFINISH), Place(sheet, ID_WIZNEXT));

    for (int page = 3; page >= 0; --page) {
        Press(sheet, ID_WIZBACK);
        ASSERT_EQ(sheet.GetActiveIndex(), page);
    }
    EXPECT_EQ(sheet.GetWindowText(), sheet.GetTabItemText(0));
    EXPECT_FALSE(Item(sheet, ID_WIZBACK).IsWindowVisible());
    EXPECT_TRUE(Item(sheet, ID_WIZNEXT).IsWindowVisible());
    EXPECT_TRUE(sheet.IsOpen());
}

TEST_F(WizardSheetTest, CancelOnPageThreeRestoresTheMixerRemovesTheRecordingAndCloses) {
    CPropSheet sheet;
    Open(sheet);
    GoNext(sheet);
    GoNext(sheet);
    ASSERT_EQ(sheet.GetActiveIndex(), 2);

    int before = -1;
    ASSERT_EQ(sheet.m_mixerSetup.GetPlaybackVolume(before), 1);
    ASSERT_EQ(sheet.m_mixerSetup.SaveSnapshot(Temp("Mixer.ser")), 1);
    const int changed = before == 2000 ? 7000 : 2000;
    ASSERT_EQ(sheet.m_mixerSetup.SetPlaybackVolume(changed), 1);
    std::ofstream(Temp("User.wav")) << "RIFF";
    fs::create_directories(Temp("keep"));
    ASSERT_TRUE(CToolTipTimer::IsRunning());

    Press(sheet, IDCANCEL);

    EXPECT_FALSE(sheet.IsOpen());
    EXPECT_EQ(sheet.GetResult(), IDCANCEL);
    EXPECT_FALSE(sheet.IsWindowVisible());
    int after = -1;
    ASSERT_EQ(sheet.m_mixerSetup.GetPlaybackVolume(after), 1);
    EXPECT_NEAR(after, before, 10);
    EXPECT_FALSE(fs::exists(Temp("Mixer.ser")));
    EXPECT_FALSE(fs::exists(Temp("User.wav")));
    EXPECT_TRUE(fs::is_directory(Temp("keep")));
    EXPECT_FALSE(CToolTipTimer::IsRunning());
}

TEST_F(WizardSheetTest, EscapeAndTheCloseBoxCountAsCancel) {
    {
        CPropSheet sheet;
        Open(sheet);
        Press(sheet, ID_WIZNEXT);
        std::ofstream(Temp("User.wav")) << "RIFF";
        uitest::PressKey(*sheet.GetActivePage(), VK_ESCAPE);
        uitest::ProcessEvents();
        EXPECT_FALSE(sheet.IsOpen());
        EXPECT_EQ(sheet.GetResult(), IDCANCEL);
        EXPECT_FALSE(fs::exists(Temp("User.wav")));
    }
    {
        CPropSheet sheet;
        Open(sheet);
        std::ofstream(Temp("User.wav")) << "RIFF";
        uitest::CloseWindow(sheet);
        uitest::ProcessEvents();
        EXPECT_FALSE(sheet.IsOpen());
        EXPECT_EQ(sheet.GetResult(), IDCANCEL);
        EXPECT_FALSE(fs::exists(Temp("User.wav")));
    }
}

TEST_F(WizardSheetTest, CtrlAltTShowsTheTraceListExactlyOnceOnEveryPage) {
    CPropSheet sheet;
    // The sheet's start-up line.
    ASSERT_EQ(CountTrace("message"), 1);
    EXPECT_EQ(g_trace.back().number, 0);
    EXPECT_EQ(g_trace.back().module, "PropSheet");
    EXPECT_EQ(g_trace.back().line, 28);
    EXPECT_EQ(g_trace.back().text.rfind("Lancement de Pelmora ", 0), 0u);
    EXPECT_GT(g_trace.back().text.size(), std::string("Lancement de Pelmora ").size());

    Open(sheet);
    for (int page = 0; page < 5; ++page) {
        if (page > 0)
            GoNext(sheet);
        ASSERT_EQ(sheet.GetActiveIndex(), page);
        const int shown = CountTrace("show");
        uitest::PressKey(*sheet.GetActivePage(), 'T', true, true);
        uitest::ProcessEvents();
        EXPECT_EQ(CountTrace("show"), shown + 1) << "page " << page + 1;
        // Other combinations do nothing.
        uitest::PressKey(*sheet.GetActivePage(), 'T', true, false);
        uitest::PressKey(*sheet.GetActivePage(), 'T', false, true);
        uitest::PressKey(Item(sheet, IDCANCEL), 'T', true, true, true);
        uitest::ProcessEvents();
        EXPECT_EQ(CountTrace("show"), shown + 1) << "page " << page + 1;
        EXPECT_EQ(sheet.GetActiveIndex(), page);
        EXPECT_TRUE(sheet.IsOpen());
    }

    // Also while a help dialog of page 1 is open.
    while (sheet.GetActiveIndex() > 0)
        Press(sheet, ID_WIZBACK);
    int inDialog = -1;
    CDialog::SetModalHook([&](CDialog& dialog) {
        const int shown = CountTrace("show");
        uitest::PressKey(dialog, 'T', true, true);
        inDialog = CountTrace("show") - shown;
        dialog.EndDialog(IDOK);
    });
    uitest::Click(Item(sheet.m_page1, 1066));
    EXPECT_EQ(inDialog, 1);
}

TEST_F(WizardSheetTest, HelpDialogsOpenFromTheirButtonsAndLeaveThePageAsItWas) {
    CPropSheet sheet;
    Open(sheet);
    CPropPage1& page = sheet.m_page1;
    const std::vector<int> ids = {1047, 1010, 1011, 1013, 1017, 1012, 1067, 1087, 1066, 1088, 1096};
    std::map<int, CRect> layout;
    for (int id : ids)
        layout[id] = Place(page, id);

    // The two buttons meet around x 234, each 20 pixels wider than its label,
    // the labels inset by 10 pixels.
    auto& labelK4 = dynamic_cast<CColorText&>(Item(page, 1087));
    auto& labelK5 = dynamic_cast<CColorText&>(Item(page, 1088));
    EXPECT_EQ(layout[1067].right, 224);
    EXPECT_EQ(layout[1066].left, 244);
    EXPECT_EQ(layout[1067].Width(), labelK4.GetTextSize().cx + 20);
    EXPECT_EQ(layout[1066].Width(), labelK5.GetTextSize().cx + 20);
    EXPECT_EQ(layout[1087].left, layout[1067].left + 10);
    EXPECT_EQ(layout[1088].left, layout[1066].left + 10);
    EXPECT_EQ(labelK4.GetText(), UiText("PropP1", "K4"));
    EXPECT_EQ(labelK4.GetColor(), 0xAF37AFu);
    // The second text block holds two lines and its frame follows it.
    auto& blockK2 = dynamic_cast<CColorText&>(Item(page, 1013));
#if !defined(_WIN32)
    // Two lines in the tests' faces; Wine's stand-in for Arial is wider.
    EXPECT_EQ(blockK2.GetTextSize().cy, 2 * CFontRegistry::Get(1121)->GetLineHeight());
#endif
    EXPECT_EQ(layout[1011].Height(), blockK2.GetTextSize().cy + 20);
    auto& connections = dynamic_cast<CButton&>(Item(page, 1067));
    EXPECT_EQ(connections.GetTooltipText(), UiText("PropP1", "K8"));
    EXPECT_EQ(dynamic_cast<CButton&>(Item(page, 1066)).GetTooltipText(), UiText("PropP1", "K7"));

    struct Opened {
        int templateId = 0;
        std::string caption;
        int count = 0;
        CRect frame;
        int frameExpectedHeight = 0;
        bool underlinedTitle = false;
    } opened;
    CDialog::SetModalHook([&](CDialog& dialog) {
        ++opened.count;
        opened.templateId = dialog.GetTemplateId();
        opened.caption = dialog.GetWindowText();
        EXPECT_TRUE(dialog.IsWindowVisible());
        if (dialog.GetTemplateId() == 166) {
            auto* where = dialog.GetDlgItemAs<CColorText>(1115);
            auto* title = dialog.GetDlgItemAs<CColorText>(1079);
            if (where != nullptr && title != nullptr && dialog.GetDlgItem(1083) != nullptr) {
                opened.frame = dialog.GetDlgItem(1083)->GetRectInParent();
                opened.frameExpectedHeight = where->GetTextSize().cy + 40;
                opened.underlinedTitle =
                    title->GetFont() != nullptr && title->GetFont()->GetLogFont().lfUnderline;
            }
        }
        dialog.EndDialog(IDOK);
    });

    uitest::Click(Item(page, 1067)); // through the label laid over it
    EXPECT_EQ(opened.count, 1);
    EXPECT_EQ(opened.templateId, 166);
    EXPECT_EQ(opened.frame, (CRect{10, 110, 500, 110 + opened.frameExpectedHeight}));
    EXPECT_TRUE(opened.underlinedTitle);

    uitest::Click(Item(page, 1066));
    EXPECT_EQ(opened.count, 2);
    EXPECT_EQ(opened.templateId, 167);

    uitest::ProcessEvents();
    for (int id : ids)
        EXPECT_EQ(Place(page, id), layout[id]) << "control " << id;
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
    EXPECT_TRUE(Item(page, 1087).IsWindowVisible());
    EXPECT_TRUE(Item(page, 1088).IsWindowVisible());
}

} // namespace
