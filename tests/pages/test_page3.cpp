// The audio-level page driven through the real sheet on the virtual card:
// the slider shows and sets the speakers volume, Test/Stop loops the music
// and holds Next back while it plays, Back stops it.
#include "app/PropSheet.h"
#include "app/WizardApp.h"
#include "platform/embedded/resources.h"
#include "platform/sound_backend.h"
#include "platform/system/trace.h"
#include "platform/types.h"
#include "platform/virtual/VirtualCard.h"
#include "platform/virtual/WaveData.h"
#include "resources/ProgramResources.h"
#include "tests/pages/LateFailingCard.h"
#include "tests/support/ScopedEnv.h"
#include "texts/UiTexts.h"
#include "ui/Button.h"
#include "ui/ColorText.h"
#include "ui/Dialog.h"
#include "ui/SliderCtrl.h"
#include "ui/Testing.h"
#include "ui/WinApp.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace plat;

namespace {

const std::string& P3(const char* key) {
    return UiText("PropP3", key);
}

VirtualControl* SpeakersVolume(VirtualCardDesc& desc) {
    for (VirtualControl& c : desc.mixers.at(0).destinations.at(0).controls)
        if (c.type == MIXERCONTROL_CONTROLTYPE_VOLUME)
            return &c;
    return nullptr;
}

// The default card with a speakers volume on a 0..10000 scale, so mixer
// values and slider positions compare exactly.
VirtualCardDesc CardWithSpeakersAt(LONG volume) {
    VirtualCardDesc desc = DefaultCardDesc();
    VirtualControl& c = *SpeakersVolume(desc);
    c.maximum = 10000;
    c.steps = 10000;
    c.values.assign(c.values.size(), volume);
    return desc;
}

class Page3Test : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_temp = fs::temp_directory_path() / ("pelmora-page3-" + std::to_string(::getpid()));
        fs::create_directories(s_temp);
        ScopedEnv::Set(kTempDirVariable, s_temp.string().c_str());
        ScopedEnv::Clear("XDG_RUNTIME_DIR"); // the temporary directory follows TMPDIR
        s_gui = new CGuiSession();
        CWizardApp::RegisterFonts();
        RegisterProgramResources();
    }
    static void TearDownTestSuite() {
        delete s_gui;
        fs::remove_all(s_temp);
    }
    void SetUp() override { plat::SetTraceLibraryName("NoTraceForPageTests.dll"); }
    void TearDown() override {
        CDialog::SetModalHook(nullptr);
        if (sheet && sheet->IsOpen())
            sheet->EndDialog(IDCANCEL);
        sheet.reset();
        PlaySound(nullptr, nullptr, 0);
        InstallSoundBackend(std::make_shared<CVirtualCard>());
    }

    // Opens the wizard on `desc` and shows the audio-level page.
    void OpenOnPage3(VirtualCardDesc desc) {
        card = std::make_shared<CLateFailingCard>(std::move(desc), CVirtualCard::Clock::Manual);
        InstallSoundBackend(card);
        sheet = std::make_unique<CPropSheet>();
        ASSERT_TRUE(sheet->Create());
        uitest::ProcessEvents();
        ASSERT_TRUE(sheet->SetActivePage(2));
        uitest::ProcessEvents();
    }
    void Press(int id) {
        sheet->PressButton(id);
        uitest::ProcessEvents();
    }
    void ClickTest() {
        uitest::Click(Item(1001));
        uitest::ProcessEvents();
    }
    CWnd& Item(int id) const {
        CWnd* item = sheet->m_page3.GetDlgItem(id);
        if (item == nullptr)
            throw std::runtime_error("no control " + std::to_string(id));
        return *item;
    }
    CSliderCtrl& Slider() const { return dynamic_cast<CSliderCtrl&>(Item(1002)); }
    CButton& TestButton() const { return dynamic_cast<CButton&>(Item(1001)); }
    bool NextEnabled() const { return sheet->GetDlgItem(ID_WIZNEXT)->IsWindowEnabled(); }
    LONG Speakers() const {
        std::vector<LONG> values;
        card->GetControlValues(0,
                               card->FindControlId(0, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS,
                                                   MIXERCONTROL_CONTROLTYPE_VOLUME),
                               values);
        return values.empty() ? -1 : values[0];
    }

    static fs::path s_temp;
    static CGuiSession* s_gui;
    std::shared_ptr<CLateFailingCard> card;
    std::unique_ptr<CPropSheet> sheet;
};

fs::path Page3Test::s_temp;
CGuiSession* Page3Test::s_gui = nullptr;

TEST_F(Page3Test, OpensIdleWithTheThumbAtThePlaybackVolume) {
    OpenOnPage3(CardWithSpeakersAt(7500));
    EXPECT_EQ(Slider().GetPos(), 7500);

    EXPECT_FALSE(Slider().IsWindowEnabled());
    EXPECT_FALSE(Item(1074).IsWindowEnabled());
    EXPECT_FALSE(Item(1075).IsWindowEnabled());
    EXPECT_TRUE(Item(1109).IsWindowVisible());
    EXPECT_FALSE(Item(1113).IsWindowVisible());
    EXPECT_FALSE(Item(1086).IsWindowVisible());
    EXPECT_EQ(TestButton().GetTooltipText(), P3("K10"));
    EXPECT_EQ(sheet->GetWizardButtons(), PSWIZB_BACK | PSWIZB_NEXT);
    EXPECT_FALSE(sheet->m_musicStarted);
}

TEST_F(Page3Test, WithoutAVolumeControlTheThumbSitsAtZeroAndMovesNothing) {
    VirtualCardDesc desc = DefaultCardDesc();
    std::erase_if(desc.mixers.at(0).destinations.at(0).controls, [](const VirtualControl& c) {
        return c.type == MIXERCONTROL_CONTROLTYPE_VOLUME;
    });
    OpenOnPage3(desc);
    EXPECT_EQ(Slider().GetPos(), 0);
    ClickTest();
    uitest::DragSlider(Slider(), 4000);
    uitest::PageSlider(Slider(), false);
    int volume = 0;
    sheet->m_mixerSetup.GetPlaybackVolume(volume);
    EXPECT_EQ(volume, -1);
}

TEST_F(Page3Test, TestLoopsTheMusicAndHoldsNextBackUntilStop) {
    OpenOnPage3(CardWithSpeakersAt(7500));
    ClickTest();
    EXPECT_TRUE(sheet->m_page3.IsPlaying());
    EXPECT_TRUE(sheet->m_musicStarted);
    EXPECT_FALSE(Item(1109).IsWindowVisible());
    EXPECT_TRUE(Item(1113).IsWindowVisible());
    EXPECT_EQ(TestButton().GetTooltipText(), P3("K12"));
    EXPECT_TRUE(Slider().IsWindowEnabled());
    EXPECT_TRUE(Item(1074).IsWindowEnabled());
    EXPECT_FALSE(NextEnabled());
    Press(ID_WIZNEXT);
    EXPECT_EQ(sheet->GetActiveIndex(), 2);

    // What the card plays is the music, from its first sample.
    card->AdvanceClock(300);
    ResourceData resource;
    ASSERT_TRUE(FindResource("WAVE", 164, resource));
    WaveData music;
    std::string error;
    ASSERT_TRUE(ParseWave(resource.data, resource.size, music, error)) << error;
    const std::vector<std::uint8_t> played = card->CapturedOutput(0);
    ASSERT_GE(played.size(), std::size_t(music.format.nAvgBytesPerSec / 10));
    ASSERT_LE(played.size(), music.samples.size());
    EXPECT_TRUE(std::equal(played.begin(), played.end(), music.samples.begin()));

    ClickTest();
    EXPECT_FALSE(sheet->m_page3.IsPlaying());
    card->WaitCallbacks();
    EXPECT_EQ(card->OpenWaveHandles(), 0u);
    EXPECT_TRUE(Item(1109).IsWindowVisible());
    EXPECT_FALSE(Item(1113).IsWindowVisible());
    EXPECT_EQ(TestButton().GetImageId(), 182);
    EXPECT_EQ(TestButton().GetTooltipText(), P3("K10"));
    EXPECT_FALSE(Slider().IsWindowEnabled());
    EXPECT_TRUE(Item(1074).IsWindowEnabled());
    EXPECT_TRUE(Item(1075).IsWindowEnabled());
    EXPECT_TRUE(NextEnabled());
    Press(ID_WIZNEXT);
    EXPECT_EQ(sheet->GetActiveIndex(), 3);
}

TEST_F(Page3Test, TheSliderDrivesTheSpeakersVolume) {
    OpenOnPage3(CardWithSpeakersAt(7500));
    ClickTest();
    // Every step of a drag is applied at once, before the thumb is let go.
    sheet->m_page3.OnHScroll(TB_THUMBTRACK, 3000, &Slider());
    EXPECT_EQ(Speakers(), 3000);
    sheet->m_page3.OnHScroll(TB_THUMBTRACK, 3500, &Slider());
    EXPECT_EQ(Speakers(), 3500);

    uitest::DragSlider(Slider(), 8000);
    EXPECT_EQ(Slider().GetPos(), 8000);
    EXPECT_EQ(Speakers(), 8000);

    // A click on the channel moves a page of 1000 and applies it.
    uitest::PageSlider(Slider(), false);
    EXPECT_EQ(Slider().GetPos(), 9000);
    EXPECT_EQ(Speakers(), 9000);
    uitest::PageSlider(Slider(), true);
    EXPECT_EQ(Speakers(), 8000);

    // A key move applies nothing itself; its end of track does.
    Slider().SetPos(2000);
    sheet->m_page3.OnHScroll(TB_LINEDOWN, 0, &Slider());
    EXPECT_EQ(Speakers(), 8000);
    sheet->m_page3.OnHScroll(TB_ENDTRACK, 0, &Slider());
    EXPECT_EQ(Speakers(), 2000);
}

TEST_F(Page3Test, BackWhilePlayingStopsTheMusicAndHelpStaysOn) {
    OpenOnPage3(CardWithSpeakersAt(7500));
    ClickTest();
    card->AdvanceClock(100);
    ASSERT_EQ(card->OpenWaveHandles(), 1u);

    Press(ID_WIZBACK);
    EXPECT_EQ(sheet->GetActiveIndex(), 1);
    EXPECT_FALSE(sheet->m_page3.IsPlaying());
    card->WaitCallbacks();
    // The music's device is closed: the one open is the microphone whose
    // level page 2 shows.
    EXPECT_FALSE(sheet->m_page2.LevelDeviceId().empty());
    for (int i = 0; i < 200 && card->OpenWaveHandles() != 1u; ++i)
        uitest::ProcessEvents(5);
    EXPECT_EQ(card->OpenWaveHandles(), 1u);

    ASSERT_TRUE(sheet->SetActivePage(2));
    uitest::ProcessEvents();
    EXPECT_TRUE(Item(1074).IsWindowEnabled());
    EXPECT_TRUE(Item(1075).IsWindowEnabled());
    EXPECT_FALSE(Slider().IsWindowEnabled());
    EXPECT_TRUE(Item(1109).IsWindowVisible());
    EXPECT_EQ(sheet->GetWizardButtons(), PSWIZB_BACK | PSWIZB_NEXT);
}

TEST_F(Page3Test, HelpOpensTheConnectionsDialog) {
    OpenOnPage3(CardWithSpeakersAt(7500));
    ClickTest();
    int shown = 0;
    CDialog::SetModalHook([&](CDialog& dialog) {
        shown = dialog.GetTemplateId();
        dialog.EndDialog(IDOK);
    });
    uitest::Click(Item(1074));
    uitest::ProcessEvents();
    EXPECT_EQ(shown, 166);
    EXPECT_TRUE(sheet->m_page3.IsPlaying());
}

} // namespace

// ---- music that cannot start or whose device fails while it plays --------

namespace {

template <class Pred> bool WaitUntil(Pred pred) {
    for (int i = 0; i < 400 && !pred(); ++i)
        uitest::ProcessEvents(5);
    return pred();
}

const std::string& P4(const char* key) {
    return UiText("PropP4", key);
}

} // namespace

// A volume write the mixer answered at once that the sound system failed
// afterwards shows in the warning line once the slider moves or the music
// ticks, once per failure.
TEST_F(Page3Test, AVolumeWriteThatFailedAfterItWasAnsweredShowsInTheWarningLine) {
    OpenOnPage3(CardWithSpeakersAt(7500));
    ClickTest();
    sheet->m_page3.OnHScroll(TB_THUMBTRACK, 3000, &Slider());
    EXPECT_FALSE(Item(1201).IsWindowVisible());

    card->lateFailure = "the sound server refused the volume of pelmora_sink: Access denied";
    sheet->m_page3.OnHScroll(TB_THUMBTRACK, 3500, &Slider());
    EXPECT_TRUE(Item(1201).IsWindowVisible());
    EXPECT_FALSE(Item(1025).IsWindowVisible());
    EXPECT_EQ(Item(1201).GetWindowText(),
              P4("K12") + " the last asynchronous write failed: " + card->lateFailure);
    EXPECT_TRUE(sheet->m_page3.IsPlaying()) << "the music goes on";
    EXPECT_EQ(Speakers(), 3500);

    // A later failure is told by the music's timer, without a move.
    card->lateFailure = "the sound server has not answered the volume of pelmora_sink for 2 s";
    card->AdvanceClock(300);
    sheet->m_page3.OnTimer(1); // the music's tick
    EXPECT_TRUE(sheet->m_page3.IsPlaying());
    EXPECT_EQ(Item(1201).GetWindowText(),
              P4("K12") + " the last asynchronous write failed: " + card->lateFailure);
}

TEST_F(Page3Test, MusicThatCannotStartIsShownAndThePageStaysIdle) {
    OpenOnPage3(CardWithSpeakersAt(7500));
    card->FailCall("waveOutOpen", MMSYSERR_ALLOCATED, 1);
    EXPECT_FALSE(Item(1201).IsWindowVisible());
    ClickTest();

    EXPECT_FALSE(sheet->m_page3.IsPlaying());
    EXPECT_TRUE(Item(1109).IsWindowVisible()) << "Test, not Stop over silence";
    EXPECT_FALSE(Item(1113).IsWindowVisible());
    EXPECT_FALSE(Slider().IsWindowEnabled());
    EXPECT_TRUE(NextEnabled());
    EXPECT_TRUE(Item(1074).IsWindowEnabled()) << "the help on connections";
    EXPECT_TRUE(Item(1201).IsWindowVisible());
    EXPECT_FALSE(Item(1025).IsWindowVisible());
    EXPECT_EQ(Item(1201).GetWindowText(), P4("K12") + " " + sheet->m_audioEngine.GetLastError());

    // The device answers again: the music plays and the warning goes.
    ClickTest();
    EXPECT_TRUE(sheet->m_page3.IsPlaying());
    EXPECT_FALSE(Item(1201).IsWindowVisible());
    EXPECT_TRUE(Item(1025).IsWindowVisible());
}

TEST_F(Page3Test, ADeviceThatFailsWhileTheMusicPlaysEndsItAndThePageSaysWhy) {
    OpenOnPage3(CardWithSpeakersAt(7500));
    // The first buffers are accepted, then the device is gone.
    VirtualFailure gone;
    gone.call = "waveOutWrite";
    gone.code = MMSYSERR_NODRIVER;
    gone.skip = 6;
    card->AddFailure(gone);
    ClickTest();
    ASSERT_TRUE(sheet->m_page3.IsPlaying());

    EXPECT_TRUE(WaitUntil([&] {
        card->AdvanceClock(100);
        return !sheet->m_page3.IsPlaying();
    }));
    uitest::ProcessEvents(10); // the posted wizard buttons
    EXPECT_TRUE(Item(1109).IsWindowVisible());
    EXPECT_FALSE(Item(1113).IsWindowVisible());
    EXPECT_FALSE(Slider().IsWindowEnabled());
    EXPECT_TRUE(NextEnabled());
    const std::string text = Item(1201).GetWindowText();
    EXPECT_TRUE(Item(1201).IsWindowVisible());
    EXPECT_EQ(text.find(P4("K12") + " "), 0u) << text;
    EXPECT_GT(text.size(), P4("K12").size() + 1) << "the device's reason";
    card->WaitCallbacks();
    EXPECT_EQ(card->OpenWaveHandles(), 0u);
}
