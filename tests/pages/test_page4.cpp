// The microphone page in the real sheet, on a virtual card whose clock the
// tests step by hand: the recorder and the player only move when a test lets
// device time pass, while the page's level timer runs on the GUI loop.
#include "app/PropSheet.h"
#include "app/WizardApp.h"
#include "audio/WaveRecorder.h"
#include "pages/MeterScale.h"
#include "platform/files/directories.h"
#include "platform/sound_backend.h"
#include "platform/virtual/VirtualCard.h"
#include "tests/pages/LateFailingCard.h"
#include "tests/support/ScopedEnv.h"
#include "texts/SoundNotice.h"
#include "texts/UiTexts.h"
#include "ui/Button.h"
#include "ui/ColorText.h"
#include "ui/Dialog.h"
#include "ui/Edit.h"
#include "ui/LevelMeter.h"
#include "ui/ListCtrl.h"
#include "ui/SliderCtrl.h"
#include "ui/Testing.h"
#include "ui/WinApp.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace fs = std::filesystem;
using plat::CVirtualCard;

namespace {

// The page's texts as the sheet loaded them (the language file next to the
// test program trims them once it exists).
const std::string& Text(const char* key) {
    return UiText("PropP4", key);
}

plat::MicrophoneSignal Tone(double amplitude) {
    plat::MicrophoneSignal signal;
    signal.kind = plat::MicrophoneSignal::Kind::Sine;
    signal.amplitude = amplitude;
    signal.frequency = 440;
    return signal;
}

class Page4Test : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_temp = fs::temp_directory_path() / ("pelmora-page4-" + std::to_string(::getpid()));
        fs::create_directories(s_temp);
        ScopedEnv::Set(kTempDirVariable, s_temp.string().c_str());
        ScopedEnv::Clear("XDG_RUNTIME_DIR"); // the temporary directory follows TMPDIR
        s_gui = new CGuiSession();
        CWizardApp::RegisterFonts();
        s_app = new CWizardApp();
        s_app->CreateImageList();
    }
    static void TearDownTestSuite() {
        delete s_app;
        delete s_gui;
        fs::remove_all(s_temp);
    }

    void SetUp() override { Open(plat::DefaultCardDesc()); }

    void TearDown() override {
        if (m_sheet) {
            m_sheet->m_audioEngine.StopPlay();
            m_sheet->m_audioEngine.StopRecording();
            m_sheet->EndDialog(IDCANCEL);
            uitest::ProcessEvents(10);
        }
        m_sheet.reset();
        m_card->WaitCallbacks();
        plat::InstallSoundBackend(std::make_shared<CVirtualCard>());
        fs::remove(Recording());
    }

    // The sheet on a card of desc, past the sound-card test (microphone
    // selected for recording, recording volume `volume`), showing page 4.
    void Open(const plat::VirtualCardDesc& desc, int volume = 4500) {
        if (m_sheet) {
            m_sheet->EndDialog(IDCANCEL);
            m_sheet.reset();
        }
        m_card = std::make_shared<CLateFailingCard>(desc, CVirtualCard::Clock::Manual);
        m_card->SetMicrophone(Tone(8000));
        plat::InstallSoundBackend(m_card);
        fs::remove(Recording());
        ResetUiTexts();
        m_sheet = std::make_unique<CPropSheet>();
        ASSERT_TRUE(m_sheet->Create());
        m_sheet->m_mixerSetup.PrepareRecording();
        m_sheet->m_mixerSetup.SetRecordingVolume(volume);
        // Through page 2, so its result list exists for the warnings.
        m_sheet->SetActivePage(1);
        m_sheet->SetActivePage(3);
        uitest::ProcessEvents(20);
        ASSERT_EQ(m_sheet->GetActivePage(), &Page());
    }

    CPropPage4& Page() { return m_sheet->m_page4; }
    // The sound-card test's result list, as page 2 shows it when the user goes
    // back to it.
    CListCtrl& SoundCardResults() {
        m_sheet->SetActivePage(1);
        uitest::ProcessEvents(10);
        EXPECT_EQ(m_sheet->GetActiveIndex(), 1);
        CListCtrl* list = m_sheet->m_page2.GetDlgItemAs<CListCtrl>(1024);
        EXPECT_NE(list, nullptr);
        return *list;
    }
    template <class T> T& Item(int id) {
        T* item = Page().GetDlgItemAs<T>(id);
        EXPECT_NE(item, nullptr) << id;
        return *item;
    }
    CButton& StartButton() { return Item<CButton>(1004); }
    CButton& ReplayButton() { return Item<CButton>(1064); }
    CSliderCtrl& Slider() { return Item<CSliderCtrl>(1018); }
    CLevelMeter& Meter() { return Item<CLevelMeter>(1003); }
    CEdit& ResultLine() { return Item<CEdit>(1085); }
    CButton* SheetButton(int id) { return m_sheet->GetDlgItemAs<CButton>(id); }
    static std::string Recording() { return plat::GetTempPath() + "User.wav"; }

    // Runs the GUI loop until pred holds, for at most two seconds.
    template <class Pred> static bool WaitUntil(Pred pred) {
        for (int i = 0; i < 400 && !pred(); ++i)
            uitest::ProcessEvents(5);
        return pred();
    }
    // Lets device time pass, then gives the level timer a few ticks.
    void Run(plat::DWORD ms) {
        m_card->AdvanceClock(ms);
        uitest::ProcessEvents(70);
    }
    // Lets device time pass 20 ms at a time until pred holds (the player's
    // feeder thread queues its buffers at its own pace), for at most 10 s of
    // device time.
    template <class Pred> bool AdvanceUntil(Pred pred) {
        for (int i = 0; i < 500 && !pred(); ++i) {
            m_card->AdvanceClock(20);
            uitest::ProcessEvents(1);
        }
        return pred();
    }
    // Lets device time pass with real time, so the page's look at the other
    // microphones (a second on the GUI's timer) hears them: until pred holds,
    // for at most three seconds.
    template <class Pred> bool LookUntil(Pred pred) {
        for (int i = 0; i < 150 && !pred(); ++i) {
            m_card->AdvanceClock(20);
            uitest::ProcessEvents(20);
        }
        return pred();
    }
    // The level the meter should show now: the device clock stands still, so
    // the next tick of the level timer must bring the meter to it.
    bool MeterShows(int level) {
        return WaitUntil([&] { return Meter().GetPos() == level; });
    }
    void Record(plat::DWORD ms) {
        uitest::Click(StartButton());
        uitest::ProcessEvents(10);
        ASSERT_TRUE(Page().IsRecording());
        Run(ms);
        uitest::Click(StartButton());
        uitest::ProcessEvents(10);
        ASSERT_FALSE(Page().IsRecording());
    }

    // The microphone's volume control under the recording destination.
    int MicrophoneControlValue() {
        const plat::DWORD id = m_card->FindControlId(
            0, plat::MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, plat::MIXERCONTROL_CONTROLTYPE_VOLUME,
            plat::MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
        std::vector<plat::LONG> values;
        EXPECT_TRUE(m_card->GetControlValues(0, id, values));
        return values.empty() ? -1 : static_cast<int>(values.front());
    }
    int RecordingVolume() {
        int v = -2;
        m_sheet->m_mixerSetup.GetRecordingVolume(v);
        return v;
    }

    static inline fs::path s_temp;
    static inline CGuiSession* s_gui = nullptr;
    static inline CWizardApp* s_app = nullptr;
    std::shared_ptr<CLateFailingCard> m_card;
    std::unique_ptr<CPropSheet> m_sheet;
};

TEST_F(Page4Test, OpensIdleWithTheTrackBarAtTheRecordingVolume) {
    // The thumb shows the volume the mixer reports (4500 within its steps).
    EXPECT_EQ(Slider().GetPos(), RecordingVolume());
    EXPECT_NEAR(Slider().GetPos(), 4500, 1);
    EXPECT_FALSE(Slider().IsWindowEnabled());
    EXPECT_TRUE(Meter().IsBlank());
    EXPECT_TRUE(StartButton().IsWindowEnabled());
    EXPECT_FALSE(ReplayButton().IsWindowEnabled());
    EXPECT_FALSE(Item<CButton>(1074).IsWindowEnabled());
    EXPECT_TRUE(Item<CColorText>(1110).IsWindowVisible());
    EXPECT_FALSE(Item<CColorText>(1114).IsWindowVisible());
    EXPECT_FALSE(ResultLine().IsWindowVisible());
    EXPECT_TRUE(Item<CColorText>(1056).IsWindowVisible());

    // The group box's blanks leave room for its title.
    const CColorText& title = Item<CColorText>(1093);
    const std::string caption = Item<CWnd>(1058).GetWindowText();
    EXPECT_EQ(caption.find_first_not_of(' '), std::string::npos);
    EXPECT_GE(Item<CWnd>(1058).GetTextExtent(caption).cx, title.GetTextSize().cx);

    // Another volume is read, not assumed; a card without a recording control
    // leaves the thumb at the minimum.
    Open(plat::DefaultCardDesc(), 7300);
    EXPECT_EQ(Slider().GetPos(), RecordingVolume());
    EXPECT_NEAR(Slider().GetPos(), 7300, 1);
    plat::VirtualCardDesc noMixer = plat::DefaultCardDesc();
    noMixer.mixers.clear();
    Open(noMixer);
    EXPECT_EQ(Slider().GetPos(), 0);
}

TEST_F(Page4Test, ControlsDoNotOverlapAndStayOnThePage) {
    const int ids[] = {1037, 1057, 1058, 1004, 1064, 1003, 1018, 1074, 1077, 1056};
    for (int id : ids) {
        const CRect r = Item<CWnd>(id).GetRectInParent();
        EXPECT_GE(r.left, 0) << id;
        EXPECT_GE(r.top, 0) << id;
        EXPECT_LE(r.right, Page().GetPageWidth()) << id;
        EXPECT_LE(r.bottom, Page().GetPageHeight()) << id;
    }
    // Neighbours that must not touch.
    const std::pair<int, int> apart[] = {{1004, 1064}, {1003, 1018}, {1064, 1077},
                                         {1061, 1003}, {1057, 1093}, {1077, 1074}};
    for (auto [a, b] : apart) {
        const CRect ra = Item<CWnd>(a).GetRectInParent();
        const CRect rb = Item<CWnd>(b).GetRectInParent();
        const bool overlap =
            ra.left < rb.right && rb.left < ra.right && ra.top < rb.bottom && rb.top < ra.bottom;
        EXPECT_FALSE(overlap) << a << " and " << b;
    }
    // The instruction is wrapped to its frame.
    EXPECT_LE(Item<CWnd>(1038).GetRectInParent().right, Item<CWnd>(1057).GetRectInParent().right);
}

TEST_F(Page4Test, RecordingDisablesNextAndTheMeterFollowsTheLevel) {
    uitest::Click(StartButton());
    uitest::ProcessEvents(20);
    EXPECT_TRUE(Page().IsRecording());
    EXPECT_TRUE(m_sheet->recordingMade);
    EXPECT_EQ(m_sheet->GetWizardButtons(), PSWIZB_BACK);
    EXPECT_FALSE(SheetButton(ID_WIZNEXT)->IsWindowEnabled());
    EXPECT_TRUE(Item<CColorText>(1114).IsWindowVisible());
    EXPECT_FALSE(Item<CColorText>(1110).IsWindowVisible());
    EXPECT_TRUE(Slider().IsWindowEnabled());
    EXPECT_TRUE(Item<CButton>(1074).IsWindowEnabled());
    EXPECT_FALSE(ReplayButton().IsWindowEnabled());
    // Coming back to the page while recording keeps Next off.
    EXPECT_TRUE(Page().OnSetActive());
    uitest::ProcessEvents(10);
    EXPECT_EQ(m_sheet->GetWizardButtons(), PSWIZB_BACK);

    Run(500);
    const int loud = m_sheet->m_audioEngine.GetRecordLevel();
    EXPECT_GT(loud, 0);
    EXPECT_TRUE(MeterShows(loud)) << Meter().GetPos() << " " << loud;
    EXPECT_FALSE(Meter().IsBlank());

    plat::MicrophoneSignal silence;
    silence.kind = plat::MicrophoneSignal::Kind::Silence;
    m_card->SetMicrophone(silence);
    Run(500);
    EXPECT_EQ(m_sheet->m_audioEngine.GetRecordLevel(), 0);
    EXPECT_TRUE(MeterShows(0)) << Meter().GetPos();

    uitest::Click(StartButton());
    uitest::ProcessEvents(20);
    EXPECT_FALSE(Page().IsRecording());
    EXPECT_FALSE(m_sheet->m_audioEngine.Recorder().IsRecording());
    EXPECT_EQ(m_sheet->GetWizardButtons(), PSWIZB_BACK | PSWIZB_NEXT);
    EXPECT_TRUE(SheetButton(ID_WIZNEXT)->IsWindowEnabled());
    EXPECT_TRUE(Meter().IsBlank());
    EXPECT_TRUE(Item<CColorText>(1110).IsWindowVisible());
    EXPECT_FALSE(Item<CColorText>(1114).IsWindowVisible());
    EXPECT_EQ(StartButton().GetTooltipText(), Text("K9"));
    EXPECT_TRUE(ReplayButton().IsWindowEnabled());
    EXPECT_FALSE(ResultLine().IsWindowVisible());

    // The file holds the whole buffers of one second of recording.
    const auto size = fs::file_size(Recording());
    EXPECT_EQ((size - 44) % CWaveRecorder::kBufferSize, 0u);
    EXPECT_GE(size, 44u + 6 * CWaveRecorder::kBufferSize);
}

TEST_F(Page4Test, HelpOpensTheRecordingConditionsWhileTheRecordingGoesOn) {
    uitest::Click(StartButton());
    uitest::ProcessEvents(10);
    int shown = 0;
    CDialog::SetModalHook([&](CDialog& dialog) {
        ++shown;
        EXPECT_EQ(dialog.GetTemplateId(), 167);
        dialog.EndDialog(IDOK);
    });
    uitest::Click(Item<CButton>(1074));
    CDialog::SetModalHook(nullptr);
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(Page().IsRecording());
    EXPECT_TRUE(m_sheet->m_audioEngine.Recorder().IsRecording());
}

TEST_F(Page4Test, TrackBarDrivesTheMicrophoneVolumeOnlyWhileRecording) {
    const int before = MicrophoneControlValue();
    uitest::Click(StartButton());
    uitest::ProcessEvents(10);
    Run(320);
    const int levelAt4500 = m_sheet->m_audioEngine.GetRecordLevel();
    EXPECT_TRUE(MeterShows(levelAt4500));

    uitest::DragSlider(Slider(), 9000);
    EXPECT_NEAR(RecordingVolume(), 9000, 10);
    EXPECT_GT(MicrophoneControlValue(), before);
    Run(320);
    const int levelAt9000 = m_sheet->m_audioEngine.GetRecordLevel();
    EXPECT_GT(levelAt9000, levelAt4500);
    EXPECT_TRUE(MeterShows(levelAt9000));

    // The thumb's position while dragged is applied at once, before it is let
    // go: the volume follows the message's position, not the track bar's.
    Page().OnHScroll(TB_THUMBTRACK, 2000, &Slider());
    EXPECT_NEAR(RecordingVolume(), 2000, 10);
    Page().OnHScroll(TB_THUMBTRACK, 3000, &Slider());
    EXPECT_NEAR(RecordingVolume(), 3000, 10);
    // Keyboard and line moves wait for the end of the move.
    Page().OnHScroll(TB_LINEDOWN, 0, &Slider());
    EXPECT_NEAR(RecordingVolume(), 3000, 10);
    Page().OnHScroll(TB_ENDTRACK, 0, &Slider());
    EXPECT_NEAR(RecordingVolume(), Slider().GetPos(), 10);

    // A click on the channel moves by a page and applies it.
    uitest::PageSlider(Slider(), true);
    EXPECT_EQ(Slider().GetPos(), 8000);
    EXPECT_NEAR(RecordingVolume(), 8000, 10);

    uitest::Click(StartButton());
    uitest::ProcessEvents(10);
    EXPECT_FALSE(Slider().IsWindowEnabled());
    uitest::DragSlider(Slider(), 1000);
    EXPECT_EQ(Slider().GetPos(), 8000);
    EXPECT_NEAR(RecordingVolume(), 8000, 10);
}

// A recording volume the mixer answered at once that the sound system failed
// afterwards shows in the result line, once; the recording and the buttons
// go on as they were.
TEST_F(Page4Test, AVolumeWriteThatFailedAfterItWasAnsweredShowsInTheResultLine) {
    uitest::Click(StartButton());
    uitest::ProcessEvents(10);
    Run(320);
    Page().OnHScroll(TB_THUMBTRACK, 6000, &Slider());
    EXPECT_FALSE(ResultLine().IsWindowVisible());

    m_card->lateFailure = "the sound server refused the volume of pelmora_source: Access denied";
    Page().OnHScroll(TB_THUMBTRACK, 7000, &Slider());
    EXPECT_NEAR(RecordingVolume(), 7000, 10);
    EXPECT_TRUE(ResultLine().IsWindowVisible());
    EXPECT_EQ(ResultLine().GetWindowText(),
              Text("K12") + " the last asynchronous write failed: " + m_card->lateFailure);
    EXPECT_TRUE(StartButton().IsWindowEnabled()) << "Stop stays at hand";
    EXPECT_TRUE(Slider().IsWindowEnabled());

    uitest::Click(StartButton());
    uitest::ProcessEvents(10);
    EXPECT_TRUE(StartButton().IsWindowEnabled());
}

TEST_F(Page4Test, RecordingShorterThanOneBufferWarnsAndLeavesNoFile) {
    const int lines = m_sheet->m_page2.GetResultCount();
    uitest::Click(StartButton());
    uitest::ProcessEvents(10);
    ASSERT_TRUE(fs::exists(Recording()));
    Run(100);
    uitest::Click(StartButton());
    uitest::ProcessEvents(20);

    EXPECT_FALSE(fs::exists(Recording()));
    EXPECT_FALSE(Page().IsRecording());
    EXPECT_TRUE(ResultLine().IsWindowVisible());
    EXPECT_EQ(ResultLine().GetWindowText(), Text("K12") + " " + kErrWritingRecordFile);
    EXPECT_FALSE(Item<CColorText>(1056).IsWindowVisible());
    EXPECT_FALSE(StartButton().IsWindowEnabled());
    EXPECT_FALSE(ReplayButton().IsWindowEnabled());
    EXPECT_EQ(m_sheet->GetWizardButtons(), PSWIZB_BACK | PSWIZB_NEXT);

    // The warning heads the sound-card test's result list as a soft error,
    // once, when that page is shown.
    for (int shown = 0; shown < 2; ++shown) {
        CListCtrl& list = SoundCardResults();
        ASSERT_EQ(list.GetItemCount(), lines + 1);
        EXPECT_EQ(list.GetItemText(0, 0), kErrWritingRecordFile);
        EXPECT_EQ(list.GetItemText(0, 1), UiText("PropP2", "K14"));
        EXPECT_EQ(list.GetTextColor(), 0xB80000u) << "only a failed replay colours it";
    }
    m_sheet->SetActivePage(3);
    uitest::ProcessEvents(10);

    // Start stays off for the rest of the run, even after going back and
    // coming again; Replay has nothing to play.
    uitest::Click(StartButton());
    uitest::ProcessEvents(10);
    EXPECT_FALSE(Page().IsRecording());
    m_sheet->PressButton(ID_WIZBACK);
    uitest::ProcessEvents(10);
    m_sheet->SetActivePage(3);
    uitest::ProcessEvents(10);
    EXPECT_FALSE(StartButton().IsWindowEnabled());
    EXPECT_FALSE(ReplayButton().IsWindowEnabled());
}

TEST_F(Page4Test, FailedStartWarnsAndTheTimerReturnsThePageToIdle) {
    m_card->FailCall("waveInOpen", plat::MMSYSERR_ALLOCATED, 1);
    uitest::Click(StartButton());
    EXPECT_TRUE(WaitUntil([&] { return !Page().IsRecording(); }));
    uitest::ProcessEvents(10); // the posted wizard buttons

    EXPECT_FALSE(Page().IsRecording());
    EXPECT_FALSE(fs::exists(Recording()));
    const std::string text = ResultLine().GetWindowText();
    EXPECT_EQ(text, Text("K12") + " " + m_sheet->m_audioEngine.GetLastError());
    EXPECT_FALSE(m_sheet->m_audioEngine.GetLastError().empty());
    EXPECT_FALSE(StartButton().IsWindowEnabled());
    EXPECT_FALSE(ReplayButton().IsWindowEnabled());
    EXPECT_TRUE(Item<CColorText>(1110).IsWindowVisible());
    EXPECT_FALSE(Slider().IsWindowEnabled());
    EXPECT_EQ(m_sheet->GetWizardButtons(), PSWIZB_BACK | PSWIZB_NEXT);
}

TEST_F(Page4Test, WithoutAPrivateDirectoryTheVoiceIsNotRecordedAndThePageSaysWhy) {
#if defined(_WIN32)
    GTEST_SKIP() << "a folder's mode is POSIX's; tests/win32 checks the Windows rule";
#endif
    const std::string dir = plat::GetTempPath();
    ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);
    uitest::Click(StartButton());
    uitest::ProcessEvents(10);
    ASSERT_EQ(::chmod(dir.c_str(), 0700), 0);

    EXPECT_FALSE(Page().IsRecording());
    EXPECT_EQ(m_sheet->m_audioEngine.GetRecordLevel(), -1) << "not recording";
    EXPECT_EQ(m_card->OpenWaveHandles(), 0u);
    EXPECT_FALSE(fs::exists(Recording()));
    const std::string text = ResultLine().GetWindowText();
    EXPECT_EQ(text.find(Text("K12") + " the temporary directory " + dir.substr(0, dir.size() - 1)),
              0u)
        << text;
    EXPECT_NE(text.find("mode 0755"), std::string::npos) << text;
    EXPECT_FALSE(StartButton().IsWindowEnabled());
}

TEST_F(Page4Test, ReplayShowsThePlaybackLevelAndEndsByItself) {
    Record(1000);
    ASSERT_TRUE(ReplayButton().IsWindowEnabled());

    const auto replayStart = m_card->ClockMs();
    const auto recorded = fs::file_size(Recording()) - 44;
    uitest::Click(ReplayButton());
    uitest::ProcessEvents(10);
    EXPECT_TRUE(Page().IsReplaying());
    EXPECT_TRUE(Page().IsWatchingPlayback());
    EXPECT_EQ(ReplayButton().GetImageId(), 182);
    EXPECT_EQ(ReplayButton().GetTooltipText(), Text("K14"));
    EXPECT_TRUE(AdvanceUntil([&] { return m_sheet->m_audioEngine.GetPlayLevel() > 0; }));
    const int level = m_sheet->m_audioEngine.GetPlayLevel();
    EXPECT_TRUE(MeterShows(level)) << Meter().GetPos() << " " << level;
    // The recorder is idle: the meter reads the player.
    EXPECT_EQ(m_sheet->m_audioEngine.GetRecordLevel(), -1);

    // The end of the file puts the page back to idle ...
    EXPECT_TRUE(AdvanceUntil([&] { return !Page().IsReplaying(); }));
    // ... once the whole recording was played.
    EXPECT_GE(m_card->ClockMs() - replayStart, recorded * 1000 / 22050);
    EXPECT_FALSE(Page().IsWatchingPlayback());
    EXPECT_EQ(m_sheet->m_audioEngine.GetPlayLevel(), -1);
    EXPECT_TRUE(Meter().IsBlank());
    EXPECT_EQ(ReplayButton().GetImageId(), 185);
    EXPECT_EQ(ReplayButton().GetTooltipText(), Text("K11"));
    EXPECT_TRUE(ReplayButton().IsWindowEnabled());

    // Replay again, and stop it by hand.
    uitest::Click(ReplayButton());
    Run(100);
    EXPECT_TRUE(Page().IsReplaying());
    uitest::Click(ReplayButton());
    uitest::ProcessEvents(10);
    EXPECT_FALSE(Page().IsReplaying());
    EXPECT_FALSE(m_sheet->m_audioEngine.Player().IsPlaying());
}

TEST_F(Page4Test, StartWhileReplayingStopsTheReplayAndRecords) {
    Record(1000);
    uitest::Click(ReplayButton());
    Run(100);
    ASSERT_TRUE(m_sheet->m_audioEngine.Player().IsPlaying());

    uitest::Click(StartButton());
    uitest::ProcessEvents(10);
    EXPECT_FALSE(Page().IsReplaying());
    EXPECT_FALSE(m_sheet->m_audioEngine.Player().IsPlaying());
    EXPECT_TRUE(Page().IsRecording());
    EXPECT_TRUE(m_sheet->m_audioEngine.Recorder().IsRecording());
    EXPECT_FALSE(ReplayButton().IsWindowEnabled());
    EXPECT_EQ(ReplayButton().GetImageId(), 185);
    // The timer now reads the recorder.
    Run(320);
    EXPECT_GT(m_sheet->m_audioEngine.GetRecordLevel(), 0);
    EXPECT_TRUE(MeterShows(m_sheet->m_audioEngine.GetRecordLevel()));
}

TEST_F(Page4Test, FailedReplayWarnsAndColoursTheResultList) {
    Record(500);
    fs::remove(Recording());
    uitest::Click(ReplayButton());
    EXPECT_TRUE(WaitUntil([&] { return !Page().IsReplaying(); }));

    EXPECT_FALSE(Page().IsReplaying());
    EXPECT_TRUE(ResultLine().IsWindowVisible());
    EXPECT_EQ(ResultLine().GetWindowText(),
              Text("K12") + " " + m_sheet->m_audioEngine.GetLastError());
    EXPECT_FALSE(StartButton().IsWindowEnabled());
    EXPECT_FALSE(ReplayButton().IsWindowEnabled());
    const std::string error = m_sheet->m_audioEngine.GetLastError();
    CListCtrl& list = SoundCardResults();
    EXPECT_EQ(list.GetItemText(0, 0), error);
    EXPECT_EQ(list.GetTextColor(), 0xB81818u);
}

TEST_F(Page4Test, BackDuringARecordingStopsItAndLeavesReplayEnabled) {
    uitest::Click(StartButton());
    uitest::ProcessEvents(10);
    Run(1000);
    m_sheet->PressButton(ID_WIZBACK);
    uitest::ProcessEvents(20);

    EXPECT_EQ(m_sheet->GetActiveIndex(), 2);
    EXPECT_FALSE(Page().IsRecording());
    EXPECT_FALSE(m_sheet->m_audioEngine.Recorder().IsRecording());
    ASSERT_TRUE(fs::exists(Recording()));
    EXPECT_GT(fs::file_size(Recording()), 44u);

    m_sheet->PressButton(ID_WIZNEXT);
    uitest::ProcessEvents(20);
    ASSERT_EQ(m_sheet->GetActivePage(), &Page());
    EXPECT_TRUE(ReplayButton().IsWindowEnabled());
    EXPECT_TRUE(Item<CButton>(1074).IsWindowEnabled());
    EXPECT_TRUE(Item<CColorText>(1077).IsWindowEnabled());
    EXPECT_EQ(m_sheet->GetWizardButtons(), PSWIZB_BACK | PSWIZB_NEXT);
}

TEST_F(Page4Test, NextStopsEverySound) {
    Record(1000);
    uitest::Click(ReplayButton());
    Run(100);
    m_sheet->PressButton(ID_WIZNEXT);
    uitest::ProcessEvents(20);
    EXPECT_EQ(m_sheet->GetActiveIndex(), 4);
    EXPECT_FALSE(m_sheet->m_audioEngine.Player().IsPlaying());
    EXPECT_FALSE(Page().IsReplaying());
    EXPECT_EQ(ReplayButton().GetImageId(), 185);
}

TEST_F(Page4Test, BackFromTheSoundCardTestAndCancelDeleteTheRecording) {
    Record(500);
    ASSERT_TRUE(fs::exists(Recording()));
    m_sheet->SetActivePage(1);
    uitest::ProcessEvents(10);
    m_sheet->PressButton(ID_WIZBACK);
    uitest::ProcessEvents(10);
    EXPECT_EQ(m_sheet->GetActiveIndex(), 0);
    EXPECT_FALSE(fs::exists(Recording()));

    m_sheet->SetActivePage(3);
    Record(500);
    ASSERT_TRUE(fs::exists(Recording()));
    m_sheet->PressButton(IDCANCEL);
    uitest::ProcessEvents(10);
    EXPECT_FALSE(fs::exists(Recording()));
    EXPECT_FALSE(m_sheet->IsOpen());
}

// ---- the meter: level, peak and clip from the recorder -------------------

TEST_F(Page4Test, ClippingLatchesTheClipSignUntilTheNextStart) {
    // A microphone far beyond full scale: the card clips it to the sample
    // range, so whole runs of samples sit at full scale.
    m_card->SetMicrophone(Tone(200000));
    uitest::Click(StartButton());
    uitest::ProcessEvents(10);
    EXPECT_FALSE(Meter().IsClipShown());
    Run(500);
    ASSERT_TRUE(m_sheet->m_audioEngine.HasRecordClipped());
    EXPECT_TRUE(WaitUntil([&] { return Meter().IsClipShown(); }));
    // The tick holds the recorder's peak, at the right end of the scale.
    EXPECT_TRUE(Meter().HasPeak());
    EXPECT_EQ(Meter().PeakPos(), MeterPosOfPeak(m_sheet->m_audioEngine.GetRecordPeak()));
    EXPECT_GE(Meter().PeakPos(), CPropPage4::kMeterMax - 1);

    // Quiet again: the sign stays, the bar falls rather than jumps.
    plat::MicrophoneSignal silence;
    silence.kind = plat::MicrophoneSignal::Kind::Silence;
    m_card->SetMicrophone(silence);
    Run(320);
    EXPECT_TRUE(MeterShows(0));
    EXPECT_GT(Meter().ShownPos(), 0) << "the bar fell to empty at once";
    Run(1000);
    EXPECT_TRUE(Meter().IsClipShown());

    // Stop empties the bar and takes the tick; the sign stays, through a
    // replay too.
    uitest::Click(StartButton());
    uitest::ProcessEvents(10);
    EXPECT_TRUE(Meter().IsBlank());
    EXPECT_FALSE(Meter().HasPeak());
    EXPECT_TRUE(Meter().IsClipShown());
    uitest::Click(ReplayButton());
    Run(200);
    EXPECT_TRUE(Meter().IsClipShown());
    uitest::Click(ReplayButton());
    uitest::ProcessEvents(10);

    // The next Start clears it, and a quiet recording does not bring it back.
    uitest::Click(StartButton());
    uitest::ProcessEvents(10);
    EXPECT_FALSE(Meter().IsClipShown());
    Run(500);
    EXPECT_FALSE(m_sheet->m_audioEngine.HasRecordClipped());
    EXPECT_FALSE(Meter().IsClipShown());
    EXPECT_FALSE(Meter().HasPeak());
    uitest::Click(StartButton());
    uitest::ProcessEvents(10);
}

TEST_F(Page4Test, TheMeterMarksTheSpeechZone) {
    const MeterZone zone = SpeechMeterZone();
    EXPECT_EQ(Meter().GetZoneLow(), zone.low);
    EXPECT_EQ(Meter().GetZoneHigh(), zone.high);
    EXPECT_TRUE(Meter().HasTargetZone());
}

} // namespace

// ---- a device that dies during the recording or the replay ---------------

TEST_F(Page4Test, ARecordingWhoseDeviceDiesStopsItselfAndThePageSaysWhy) {
    uitest::Click(StartButton());
    uitest::ProcessEvents(10);
    ASSERT_TRUE(Page().IsRecording());
    Run(500); // three buffers of 160 ms
    // The device takes no more buffers back: what follows is not the voice.
    m_card->FailCall("waveInAddBuffer", plat::MMSYSERR_NODRIVER);
    EXPECT_TRUE(AdvanceUntil([&] { return !Page().IsRecording(); }));
    uitest::ProcessEvents(10);
    m_card->ClearFailures();

    // The recorder's device is closed. (The idle page watches the
    // microphone's level again: that watch's open may have met the failure
    // too, and ended.)
    EXPECT_EQ(Page().LevelDeviceId(), "wavein-0");
    EXPECT_LE(m_card->OpenWaveHandles(), 1u);
    // Nothing was written once the device died but the buffer that brought
    // the failure to light: the voice of before, and no silence after it.
    const auto after = fs::file_size(Recording());
    EXPECT_EQ(after, 44u + 4 * CWaveRecorder::kBufferSize);
    Run(2000);
    EXPECT_EQ(fs::file_size(Recording()), after);
    EXPECT_TRUE(ResultLine().IsWindowVisible());
    const std::string text = ResultLine().GetWindowText();
    EXPECT_EQ(text, Text("K12") + " " + m_sheet->m_audioEngine.GetLastError());
    EXPECT_GT(text.size(), Text("K12").size() + 1) << "the device's reason";
    EXPECT_EQ(m_sheet->GetWizardButtons(), PSWIZB_BACK | PSWIZB_NEXT);
}

TEST_F(Page4Test, AReplayThatTheDeviceEndsShowsThePlayersError) {
    Record(3000);
    plat::VirtualFailure gone;
    gone.call = "waveOutWrite";
    gone.code = plat::MMSYSERR_NODRIVER;
    gone.skip = 6;
    m_card->AddFailure(gone);
    uitest::Click(ReplayButton());
    uitest::ProcessEvents(10);
    ASSERT_TRUE(Page().IsReplaying());
    EXPECT_TRUE(AdvanceUntil([&] { return !Page().IsReplaying(); }));
    uitest::ProcessEvents(10);

    EXPECT_TRUE(ResultLine().IsWindowVisible());
    const std::string error = m_sheet->m_audioEngine.GetLastError();
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ResultLine().GetWindowText(), Text("K12") + " " + error);
    // The player's device is closed: the one open is the microphone whose
    // live level the idle page shows again.
    EXPECT_EQ(Page().LevelDeviceId(), "wavein-0");
    EXPECT_TRUE(WaitUntil([&] { return m_card->OpenWaveHandles() == 1u; }));
}

// ---- the live level before Start, and the offer of another microphone ----

namespace {

// The default card with a USB headset's microphone beside the built-in one,
// hearing a signal of its own (not through the card's mixer); muted, so page
// 2 keeps the built-in one.
plat::VirtualCardDesc CardWithHeadset(const plat::MicrophoneSignal& headset) {
    plat::VirtualCardDesc desc = plat::DefaultCardDesc();
    plat::VirtualWaveDevice usb = desc.waveIn.at(0);
    usb.name = "USB Headset Microphone";
    usb.id = "usb-mic";
    usb.formFactor = plat::DeviceFormFactor::Usb;
    usb.microphone = headset;
    usb.mute = true;
    desc.waveIn.push_back(usb);
    return desc;
}

plat::MicrophoneSignal Voice() {
    return plat::MicrophoneSignal{};
}

plat::MicrophoneSignal Silence() {
    plat::MicrophoneSignal signal;
    signal.kind = plat::MicrophoneSignal::Kind::Silence;
    return signal;
}

} // namespace

TEST_F(Page4Test, TheMeterShowsTheChosenMicrophoneBeforeStartAndBetweenRecordings) {
    EXPECT_EQ(Page().LevelDeviceId(), "wavein-0");
    // The tone moves the bar and the tick with no recording running.
    ASSERT_TRUE(AdvanceUntil([&] { return Meter().HasPeak(); })) << "the meter stayed still";
    EXPECT_FALSE(Meter().IsBlank());
    const int livePeak = Meter().PeakPos();
    EXPECT_FALSE(fs::exists(Recording())) << "the live level records nothing";

    // Recording, the recorder has the microphone; its peak stands where the
    // live level's did, on the same scale.
    uitest::Click(StartButton());
    uitest::ProcessEvents(10);
    EXPECT_EQ(Page().LevelDeviceId(), "");
    EXPECT_EQ(m_card->OpenWaveHandles(), 1u); // the recorder's
    Run(1000);
    EXPECT_NEAR(livePeak, MeterPosOfPeak(m_sheet->m_audioEngine.GetRecordPeak()), 30);
    uitest::Click(StartButton());
    uitest::ProcessEvents(10);
    EXPECT_EQ(Page().LevelDeviceId(), "wavein-0");
    ASSERT_TRUE(AdvanceUntil([&] { return Meter().HasPeak(); }));

    // Leaving the page frees the microphone.
    m_sheet->SetActivePage(4);
    uitest::ProcessEvents(10);
    EXPECT_EQ(Page().LevelDeviceId(), "");
    m_card->WaitCallbacks();
    EXPECT_EQ(m_card->OpenWaveHandles(), 0u);
}

TEST_F(Page4Test, ASilentRecordingOffersAnotherMicrophoneThatHearsTheUser) {
    Open(CardWithHeadset(Voice()));
    m_card->SetMicrophone(Silence());
    Record(2000);
    ASSERT_EQ(Item<CColorText>(1210).GetText(), UiText("Verdict", "NoVoice"));
    // About a second of the headset's level, then the offer.
    CButton& offer = Item<CButton>(CPropPage4::kOffer);
    EXPECT_TRUE(LookUntil([&] { return offer.IsWindowVisible(); }));
    EXPECT_EQ(offer.GetWindowText(), MicrophoneOfferText("USB Headset Microphone"));
    EXPECT_NE(offer.GetWindowText().find("\xE2\x80\x94"), std::string::npos) << "the em dash";
    ASSERT_TRUE(Page().OfferedDevice());
    EXPECT_EQ(Page().OfferedDevice()->id, "usb-mic");

    // Accepted, the headset is the microphone of the next recording.
    uitest::Click(offer);
    uitest::ProcessEvents(10);
    EXPECT_FALSE(offer.IsWindowVisible());
    EXPECT_EQ(Page().LevelDeviceId(), "usb-mic");
    const auto devices = m_card->ListDevices();
    const auto usb = std::find_if(devices.begin(), devices.end(),
                                  [](const plat::SoundDevice& d) { return d.id == "usb-mic"; });
    ASSERT_NE(usb, devices.end());
    EXPECT_TRUE(usb->isDefault);
    Record(4000);
    EXPECT_NE(Item<CColorText>(1210).GetText(), UiText("Verdict", "NoVoice"));
    EXPECT_FALSE(offer.IsWindowVisible());
}

TEST_F(Page4Test, NoOfferWhenNoOtherMicrophoneHearsAVoice) {
    Open(CardWithHeadset(Silence()));
    m_card->SetMicrophone(Silence());
    Record(2000);
    ASSERT_EQ(Item<CColorText>(1210).GetText(), UiText("Verdict", "NoVoice"));
    CButton& offer = Item<CButton>(CPropPage4::kOffer);
    LookUntil([] { return false; }); // past the look
    EXPECT_FALSE(offer.IsWindowVisible());
    EXPECT_FALSE(Page().OfferedDevice());
    // The look is over: only the chosen microphone's level is open.
    EXPECT_EQ(m_card->OpenWaveHandles(), 1u);
}
