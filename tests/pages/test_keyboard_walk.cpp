// The wizard driven by the keyboard alone on the virtual card, as a user
// without a mouse drives it: Tab to a control, Space or Enter to press it,
// arrows and Page Up/Down on the sliders, Escape and Enter in the help
// dialogs, from the welcome page to Finish; and Tab's way through each page.
#include "SheetTestSuite.h"

#include "app/PropSheet.h"
#include "platform/sound_backend.h"
#include "platform/system/trace.h"
#include "platform/types.h"
#include "platform/virtual/VirtualCard.h"
#include "resources/ProgramResources.h"
#include "ui/CheckBox.h"
#include "ui/Dialog.h"
#include "ui/SliderCtrl.h"
#include "ui/Testing.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace plat;

namespace {

VirtualControl* VolumeOf(VirtualLine& line) {
    for (VirtualControl& c : line.controls)
        if (c.type == MIXERCONTROL_CONTROLTYPE_VOLUME)
            return &c;
    return nullptr;
}

// The default card with its volumes on a 0..10000 scale, so slider positions
// and mixer values compare exactly.
VirtualCardDesc CardOnTheSlidersScale() {
    VirtualCardDesc desc = DefaultCardDesc();
    for (VirtualMixer& mixer : desc.mixers)
        for (VirtualLine& destination : mixer.destinations) {
            std::vector<VirtualLine*> lines{&destination};
            for (VirtualLine& source : destination.sources)
                lines.push_back(&source);
            for (VirtualLine* line : lines)
                if (VirtualControl* c = VolumeOf(*line)) {
                    c->maximum = 10000;
                    c->steps = 10000;
                    c->values.assign(c->values.size(), 5000);
                }
        }
    return desc;
}

// Page Up raises the toolkit's slider by a page (10 %); the system's track
// bar on Windows moves its thumb toward the minimum instead (TB_PAGEUP), as
// its users know it. Page Down does the opposite.
#if defined(_WIN32)
constexpr int kPageUpStep = -1000;
#else
constexpr int kPageUpStep = 1000;
#endif

MicrophoneSignal Tone() {
    MicrophoneSignal signal;
    signal.kind = MicrophoneSignal::Kind::Sine;
    signal.amplitude = 6000;
    signal.frequency = 440;
    return signal;
}

class KeyboardWalkTest : public SheetTestSuite {
protected:
    void SetUp() override {
        SetTraceLibraryName("NoTraceForPageTests.dll");
        RegisterProgramResources();
        card = std::make_shared<CVirtualCard>(CardOnTheSlidersScale(), CVirtualCard::Clock::Manual);
        card->SetMicrophone(Tone());
        InstallSoundBackend(card);
        sheet = std::make_unique<CPropSheet>();
        ASSERT_TRUE(sheet->Create());
        uitest::ProcessEvents();
    }
    void TearDown() override {
        CloseSheet(sheet);
        card->WaitCallbacks();
        InstallSoundBackend(std::make_shared<CVirtualCard>());
    }

    static void Key(UINT vk, bool shift = false) {
        uitest::PressFocusedKey(vk, false, false, shift);
        uitest::ProcessEvents();
    }
    static int Focused() {
        const CWnd* focused = uitest::FocusedWindow();
        return focused == nullptr ? 0 : focused->GetDlgCtrlID();
    }
    // Tab until the control id has the focus; false when a whole round
    // never reached it.
    static bool TabTo(int id) {
        for (int i = 0; i < 20 && Focused() != id; ++i)
            Key(VK_TAB);
        return Focused() == id;
    }
    // The ids Tab visits from the focused control until it comes back.
    static std::vector<int> TabRound() {
        std::vector<int> round{Focused()};
        for (int i = 0; i < 20; ++i) {
            Key(VK_TAB);
            if (Focused() == round.front())
                break;
            round.push_back(Focused());
        }
        return round;
    }
    // Lets device time pass while the page's timers run.
    void Run(DWORD ms) {
        for (DWORD done = 0; done < ms; done += 20) {
            card->AdvanceClock(20);
            uitest::ProcessEvents(2);
        }
    }
    int Volume(bool recording) const {
        int v = -1;
        if (recording)
            sheet->m_mixerSetup.GetRecordingVolume(v);
        else
            sheet->m_mixerSetup.GetPlaybackVolume(v);
        return v;
    }
    CSliderCtrl& Slider(CWnd& page, int id) const {
        return dynamic_cast<CSliderCtrl&>(*page.GetDlgItem(id));
    }

    std::shared_ptr<CVirtualCard> card;
    std::unique_ptr<CPropSheet> sheet;
};

TEST_F(KeyboardWalkTest, FromTheWelcomePageToFinishWithTheKeyboardAlone) {
    // Page 1: each help dialog opens from its button and closes by a key,
    // one by Escape, the other by Enter on its OK button.
    ASSERT_EQ(Focused(), 1067);
    std::vector<int> opened;
    std::vector<int> focusInDialog;
    CDialog::SetModalHook([&](CDialog& dialog) {
        uitest::ProcessEvents();
        opened.push_back(dialog.GetTemplateId());
        focusInDialog.push_back(Focused());
        if (Focused() != IDOK) {
            dialog.EndDialog(IDCANCEL); // the keys would reach the page below
            return;
        }
        Key(opened.size() == 1 ? VK_ESCAPE : VK_RETURN);
    });
    Key(VK_RETURN);
    EXPECT_EQ(sheet->GetActiveIndex(), 0) << "Enter on the help button opens its dialog only";
    EXPECT_EQ(Focused(), 1067) << "the focus comes back to the button";
    ASSERT_TRUE(TabTo(1066));
    Key(VK_SPACE);
    CDialog::SetModalHook(nullptr);
    EXPECT_EQ(opened, (std::vector<int>{166, 167}));
    EXPECT_EQ(focusInDialog, (std::vector<int>{IDOK, IDOK}));
    EXPECT_EQ(Focused(), 1066) << "the focus comes back to the button";
    ASSERT_TRUE(TabTo(ID_WIZNEXT));
    Key(VK_RETURN);
    ASSERT_EQ(sheet->GetActiveIndex(), 1);

    // Page 2: the sound-card test, then Enter on the result list is Next.
    EXPECT_EQ(Focused(), 1065);
    Key(VK_SPACE);
    EXPECT_GT(sheet->m_page2.GetResultCount(), 0);
    ASSERT_TRUE(sheet->m_page2.CanGoOn());
    ASSERT_TRUE(TabTo(1024));
    Key(VK_RETURN);
    ASSERT_EQ(sheet->GetActiveIndex(), 2);

    // Page 3: the music, the listening volume by arrows: 2 % a key.
    EXPECT_EQ(Focused(), 1001);
    Key(VK_SPACE);
    ASSERT_TRUE(sheet->m_page3.IsPlaying());
    Key(VK_TAB);
    ASSERT_EQ(Focused(), 1002);
    const int before = Volume(false);
    Key(VK_RIGHT);
    EXPECT_EQ(Volume(false), before + 200);
    Key(VK_RIGHT);
    Key(VK_LEFT);
    EXPECT_EQ(Volume(false), before + 200);
    Key(0x21); // Page Up: 10 %
    EXPECT_EQ(Volume(false), before + 200 + kPageUpStep);
    const int listening = Volume(false);
    Key(VK_TAB, true);
    ASSERT_EQ(Focused(), 1001);
    Key(VK_RETURN);
    EXPECT_FALSE(sheet->m_page3.IsPlaying());
    ASSERT_TRUE(TabTo(ID_WIZNEXT));
    Key(VK_SPACE);
    ASSERT_EQ(sheet->GetActiveIndex(), 3);

    // Page 4: a recording, the recording volume down a page while it runs,
    // Stop, then the replay to its end.
    EXPECT_EQ(Focused(), 1004);
    Key(VK_SPACE);
    ASSERT_TRUE(sheet->m_page4.IsRecording());
    Run(400);
    ASSERT_TRUE(TabTo(1018));
    const int position = Slider(sheet->m_page4, 1018).GetPos();
    Key(0x22); // Page Down
    EXPECT_EQ(Slider(sheet->m_page4, 1018).GetPos(), position - kPageUpStep);
    EXPECT_NEAR(Volume(true), position - kPageUpStep, 10);
    Run(600);
    ASSERT_TRUE(TabTo(1004));
    Key(VK_RETURN);
    ASSERT_FALSE(sheet->m_page4.IsRecording());
    ASSERT_TRUE(sheet->recordingMade);
    Key(VK_TAB);
    ASSERT_EQ(Focused(), 1064);
    Key(VK_RETURN);
    ASSERT_TRUE(sheet->m_page4.IsReplaying());
    for (int i = 0; i < 100 && sheet->m_page4.IsReplaying(); ++i)
        Run(100);
    EXPECT_FALSE(sheet->m_page4.IsReplaying()) << "the replay ends by itself";
    ASSERT_TRUE(TabTo(CPropPage4::kAutoLevelBox));
    Key(VK_RETURN);
    ASSERT_EQ(sheet->GetActiveIndex(), 4);

    // Page 5: nothing is installed, so the focus starts on the Windows box;
    // Space ticks it and Enter is Finish, which keeps the new volumes.
    EXPECT_EQ(Focused(), 1120);
    Key(VK_SPACE);
    EXPECT_TRUE(sheet->m_page5.m_keepWindows);
    EXPECT_EQ(dynamic_cast<CCheckBox&>(*sheet->m_page5.GetDlgItem(1120)).GetCheck(), BST_CHECKED);
    Key(VK_RETURN);
    EXPECT_FALSE(sheet->IsOpen());
    EXPECT_EQ(sheet->GetResult(), ID_WIZFINISH);
    EXPECT_EQ(Volume(false), listening);
}

TEST_F(KeyboardWalkTest, TabGoesThroughEachPageInReadingOrderThenTheSheetsButtons) {
    EXPECT_EQ(TabRound(), (std::vector<int>{1067, 1066, ID_WIZNEXT, IDCANCEL}));

    sheet->SetActivePage(1);
    uitest::ProcessEvents();
    // The device lists follow the results, microphone first.
    EXPECT_EQ(TabRound(), (std::vector<int>{1065, 1024, 1201, 1203, ID_WIZBACK, IDCANCEL}));

    sheet->SetActivePage(2);
    uitest::ProcessEvents();
    EXPECT_EQ(TabRound(), (std::vector<int>{1001, CPropPage3::kLeftButton, CPropPage3::kRightButton,
                                            ID_WIZBACK, ID_WIZNEXT, IDCANCEL}));
    Key(VK_SPACE); // the music: the slider and the help button wake, Next sleeps
    EXPECT_EQ(TabRound(), (std::vector<int>{1001, 1002, 1074, ID_WIZBACK, IDCANCEL}));
    Key(VK_SPACE);

    sheet->SetActivePage(3);
    uitest::ProcessEvents();
    EXPECT_EQ(TabRound(), (std::vector<int>{1004, CPropPage4::kAutoLevelBox, ID_WIZBACK, ID_WIZNEXT,
                                            IDCANCEL}));
    Key(VK_SPACE); // recording
    EXPECT_EQ(TabRound(), (std::vector<int>{1004, 1018, 1074, CPropPage4::kAutoLevelBox, ID_WIZBACK,
                                            IDCANCEL}));
    Run(400);
    Key(VK_SPACE);
    EXPECT_EQ(TabRound(), (std::vector<int>{1004, 1064, 1074, CPropPage4::kAutoLevelBox, ID_WIZBACK,
                                            ID_WIZNEXT, IDCANCEL}));

    sheet->SetActivePage(4);
    uitest::ProcessEvents();
    EXPECT_EQ(TabRound(), (std::vector<int>{1120, ID_WIZBACK, ID_WIZFINISH, IDCANCEL}));
}

} // namespace
