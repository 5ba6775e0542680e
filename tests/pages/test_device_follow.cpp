// The wizard following the desktop's devices, driven through the real sheet
// on a virtual card whose headset is plugged and unplugged by script: the
// notice that offers a headset plugged in, on every page, what taking it
// does to page 2's lists and to the music, and the music, the recording
// and the replay ended by their device or by the sound server, in words
// that name what happened.
#include "app/PropSheet.h"
#include "app/WizardApp.h"
#include "audio/WaveRecorder.h"
#include "platform/files/directories.h"
#include "platform/sound_backend.h"
#include "platform/system/trace.h"
#include "platform/virtual/VirtualCard.h"
#include "resources/ProgramResources.h"
#include "tests/support/ScopedEnv.h"
#include "texts/SoundNotice.h"
#include "texts/UiTexts.h"
#include "ui/Button.h"
#include "ui/ComboBox.h"
#include "ui/Edit.h"
#include "ui/Testing.h"
#include "ui/WinApp.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace plat;

namespace {

constexpr const char* kBuiltInMic = "Built-in Audio Analog Stereo Microphone";
constexpr const char* kHeadsetMic = "USB Headset H390 Mono Microphone Input";
constexpr const char* kBuiltInOut = "Built-in Audio Analog Stereo Speakers";
constexpr const char* kHeadsetOut = "USB Headset H390 Analog Stereo Headphones";

VirtualWaveDevice Device(const VirtualWaveDevice& base, const char* name, const char* id,
                         DeviceFormFactor form, bool plugged) {
    VirtualWaveDevice device = base;
    device.name = name;
    device.id = id;
    device.formFactor = form;
    device.plugged = plugged;
    return device;
}

// A computer with a built-in card and a USB headset, plugged in or not.
VirtualCardDesc BuiltInAndHeadset(bool headsetPlugged) {
    VirtualCardDesc desc = DefaultCardDesc();
    const VirtualWaveDevice in = desc.waveIn.at(0);
    const VirtualWaveDevice out = desc.waveOut.at(0);
    desc.waveIn = {Device(in, kBuiltInMic, "builtin-mic", DeviceFormFactor::BuiltIn, true),
                   Device(in, kHeadsetMic, "usb-mic", DeviceFormFactor::Usb, headsetPlugged)};
    desc.waveOut = {Device(out, kBuiltInOut, "builtin-out", DeviceFormFactor::BuiltIn, true),
                    Device(out, kHeadsetOut, "usb-out", DeviceFormFactor::Usb, headsetPlugged)};
    return desc;
}

MicrophoneSignal Tone(double amplitude) {
    MicrophoneSignal signal;
    signal.kind = MicrophoneSignal::Kind::Sine;
    signal.amplitude = amplitude;
    signal.frequency = 440;
    return signal;
}

// The card as the sound server's backend would be: it can say the server
// went away.
class CServerLikeCard : public CVirtualCard {
public:
    using CVirtualCard::CVirtualCard;
    bool SoundSystemGone() override { return serverGone; }
    bool serverGone = false; // set on the GUI thread only
};

class DeviceFollowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_temp = fs::temp_directory_path() / ("pelmora-follow-" + std::to_string(::getpid()));
        fs::create_directories(s_temp);
        ScopedEnv::Set(kTempDirVariable, s_temp.string().c_str());
        ScopedEnv::Clear("XDG_RUNTIME_DIR");
        s_gui = new CGuiSession();
        CWizardApp::RegisterFonts();
        RegisterProgramResources();
        s_app = new CWizardApp();
        s_app->CreateImageList();
    }
    static void TearDownTestSuite() {
        delete s_app;
        delete s_gui;
        fs::remove_all(s_temp);
    }
    void SetUp() override { plat::SetTraceLibraryName("NoTraceForPageTests.dll"); }
    void TearDown() override {
        if (sheet && sheet->IsOpen()) {
            sheet->m_audioEngine.StopPlay();
            sheet->m_audioEngine.StopRecording();
            sheet->m_audioEngine.PlayResourceLoop(0);
            sheet->EndDialog(IDCANCEL);
            uitest::ProcessEvents(10);
        }
        sheet.reset();
        if (card)
            card->WaitCallbacks();
        InstallSoundBackend(std::make_shared<CVirtualCard>());
    }

    // Opens the wizard on the card and shows page `index`.
    void Open(VirtualCardDesc desc, int index) {
        card = std::make_shared<CServerLikeCard>(std::move(desc), CVirtualCard::Clock::Manual);
        card->SetMicrophone(Tone(8000));
        InstallSoundBackend(card);
        sheet = std::make_unique<CPropSheet>();
        ASSERT_TRUE(sheet->Create());
        uitest::ProcessEvents(); // the first paint: the sheet watches from now on
        if (index > 0) {
            sheet->SetActivePage(1);
            sheet->SetActivePage(index);
            uitest::ProcessEvents(20);
        }
        ASSERT_EQ(sheet->GetActiveIndex(), index);
    }
    void Plug(DeviceDirection direction, const char* id, bool plugged) {
        std::string error;
        ASSERT_TRUE(card->SetPlugged(direction, id, plugged, error)) << error;
        uitest::ProcessEvents(20);
    }
    void PlugHeadset(bool plugged) {
        Plug(DeviceDirection::Output, "usb-out", plugged);
        Plug(DeviceDirection::Input, "usb-mic", plugged);
    }
    void Choose(DeviceDirection direction, const char* id) {
        std::string error;
        ASSERT_TRUE(card->ChooseDevice(direction, id, error)) << error;
        uitest::ProcessEvents(20);
    }
    void ClickNotice(int id) {
        CButton* button = sheet->GetDlgItemAs<CButton>(id);
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(button->IsWindowVisible());
        uitest::Click(*button);
        uitest::ProcessEvents(20);
    }
    std::string CardDefault(DeviceDirection direction) const {
        for (const SoundDevice& device : card->ListDevices())
            if (device.direction == direction && device.isDefault)
                return device.id;
        return {};
    }
    template <class T> T& Item(CPropertyPage& page, int id) {
        T* item = page.GetDlgItemAs<T>(id);
        if (item == nullptr)
            throw std::runtime_error("no control " + std::to_string(id));
        return *item;
    }
    // Lets device time pass 20 ms at a time until pred holds, for at most 10 s.
    template <class Pred> bool AdvanceUntil(Pred pred) {
        for (int i = 0; i < 500 && !pred(); ++i) {
            card->AdvanceClock(20);
            uitest::ProcessEvents(1);
        }
        return pred();
    }
    static std::string Selected(CComboBox& box) { return box.GetLBText(box.GetCurSel()); }

    static inline fs::path s_temp;
    static inline CGuiSession* s_gui = nullptr;
    static inline CWizardApp* s_app = nullptr;
    std::shared_ptr<CServerLikeCard> card;
    std::unique_ptr<CPropSheet> sheet;
};

TEST_F(DeviceFollowTest, APluggedHeadsetIsOfferedOnEveryPageUntilItIsUnpluggedAgain) {
    Open(BuiltInAndHeadset(false), 0);
    EXPECT_FALSE(sheet->HasNotice());
    for (int page : {0, 1, 2, 3, 4}) {
        sheet->SetActivePage(page);
        uitest::ProcessEvents(10);
        SCOPED_TRACE(page);
        Plug(DeviceDirection::Output, "usb-out", true);
        ASSERT_TRUE(sheet->HasNotice());
        EXPECT_EQ(sheet->GetNoticeText(),
                  std::string(kHeadsetOut) + " was plugged in \u2014 use it");
        // Its microphone joins the offer, which keeps its name.
        Plug(DeviceDirection::Input, "usb-mic", true);
        EXPECT_EQ(sheet->GetNoticeText(), PluggedInNoticeText(kHeadsetOut));
        // Out again, one side after the other: the offer goes with it.
        Plug(DeviceDirection::Output, "usb-out", false);
        EXPECT_EQ(sheet->GetNoticeText(), PluggedInNoticeText(kHeadsetMic));
        Plug(DeviceDirection::Input, "usb-mic", false);
        EXPECT_FALSE(sheet->HasNotice());
        EXPECT_EQ(CardDefault(DeviceDirection::Output), "builtin-out");
    }

    // Turned down: nothing is chosen, and it stays away until the next plug.
    PlugHeadset(true);
    ClickNotice(CPropertySheet::kNoticeDismiss);
    EXPECT_FALSE(sheet->HasNotice());
    EXPECT_EQ(CardDefault(DeviceDirection::Output), "builtin-out");
    EXPECT_EQ(CardDefault(DeviceDirection::Input), "builtin-mic");
    Choose(DeviceDirection::Output, "builtin-out");
    EXPECT_FALSE(sheet->HasNotice());
    PlugHeadset(false);
    PlugHeadset(true);
    EXPECT_TRUE(sheet->HasNotice());
}

TEST_F(DeviceFollowTest, DevicesThereAtTheStartAreNoNewsAndNeitherIsAHeadsetTheSystemChose) {
    Open(BuiltInAndHeadset(true), 1);
    EXPECT_FALSE(sheet->HasNotice());
    // A built-in device is never offered.
    VirtualCardDesc desc = BuiltInAndHeadset(true);
    desc.waveOut[0].plugged = false;
    TearDown();
    Open(desc, 1);
    Plug(DeviceDirection::Output, "builtin-out", true);
    EXPECT_FALSE(sheet->HasNotice());
    // A headset the sound system itself chose as it came needs no offer.
    Plug(DeviceDirection::Output, "usb-out", false);
    std::string error;
    ASSERT_TRUE(card->SetPlugged(DeviceDirection::Output, "usb-out", true, error)) << error;
    ASSERT_TRUE(card->ChooseDevice(DeviceDirection::Output, "usb-out", error)) << error;
    uitest::ProcessEvents(20);
    EXPECT_FALSE(sheet->HasNotice());
}

TEST_F(DeviceFollowTest, TakingTheOfferChoosesBothSidesAndPage2sListsFollow) {
    Open(BuiltInAndHeadset(false), 1);
    CComboBox& microphones = Item<CComboBox>(sheet->m_page2, 1201);
    CComboBox& speakers = Item<CComboBox>(sheet->m_page2, 1203);
    EXPECT_EQ(Selected(speakers), kBuiltInOut);
    PlugHeadset(true);
    EXPECT_EQ(speakers.GetCount(), 2);
    EXPECT_EQ(Selected(speakers), kBuiltInOut);

    ClickNotice(CPropertySheet::kNoticeAccept);
    EXPECT_FALSE(sheet->HasNotice());
    EXPECT_EQ(CardDefault(DeviceDirection::Output), "usb-out");
    EXPECT_EQ(CardDefault(DeviceDirection::Input), "usb-mic");
    EXPECT_EQ(Selected(speakers), kHeadsetOut);
    EXPECT_EQ(Selected(microphones), kHeadsetMic);
}

TEST_F(DeviceFollowTest, TakingTheOfferWhileTheMusicPlaysTakesTheMusicToTheHeadset) {
    Open(BuiltInAndHeadset(false), 2);
    uitest::Click(Item<CButton>(sheet->m_page3, 1001));
    uitest::ProcessEvents(10);
    ASSERT_TRUE(sheet->m_page3.IsPlaying());
    card->AdvanceClock(300);
    EXPECT_FALSE(card->CapturedOutput(0).empty());

    PlugHeadset(true);
    ClickNotice(CPropertySheet::kNoticeAccept);
    ASSERT_EQ(CardDefault(DeviceDirection::Output), "usb-out");
    EXPECT_TRUE(AdvanceUntil([&] { return card->CapturedOutput(1).size() > 10000; }));
    EXPECT_TRUE(sheet->m_page3.IsPlaying());
    EXPECT_FALSE(Item<CWnd>(sheet->m_page3, 1201).IsWindowVisible());
    uitest::Click(Item<CButton>(sheet->m_page3, 1001));
    uitest::ProcessEvents(10);
    card->WaitCallbacks();
    EXPECT_EQ(card->OpenWaveHandles(), 0u);
}

TEST_F(DeviceFollowTest, TheHeadsetUnpluggedEndsTheMusicWithItsName) {
    Open(BuiltInAndHeadset(true), 2);
    Choose(DeviceDirection::Output, "usb-out");
    uitest::Click(Item<CButton>(sheet->m_page3, 1001));
    uitest::ProcessEvents(10);
    ASSERT_TRUE(sheet->m_page3.IsPlaying());
    card->AdvanceClock(200);

    Plug(DeviceDirection::Output, "usb-out", false);
    EXPECT_TRUE(AdvanceUntil([&] {
        uitest::ProcessEvents(5);
        return !sheet->m_page3.IsPlaying();
    }));
    uitest::ProcessEvents(10);
    CWnd& line = Item<CWnd>(sheet->m_page3, 1201);
    EXPECT_TRUE(line.IsWindowVisible());
    EXPECT_EQ(line.GetWindowText(),
              "The music stopped: " + std::string(kHeadsetOut) + " was unplugged.");
    EXPECT_EQ(line.GetWindowText(), UnpluggedText("PropP3", kHeadsetOut));
    EXPECT_TRUE(sheet->GetDlgItem(ID_WIZNEXT)->IsWindowEnabled());
    card->WaitCallbacks();
    EXPECT_EQ(card->OpenWaveHandles(), 0u);

    // The next music goes to what is left.
    uitest::Click(Item<CButton>(sheet->m_page3, 1001));
    uitest::ProcessEvents(10);
    EXPECT_TRUE(sheet->m_page3.IsPlaying());
    card->AdvanceClock(300);
    EXPECT_FALSE(card->CapturedOutput(0).empty());
}

TEST_F(DeviceFollowTest, TheHeadsetUnpluggedEndsTheRecordingWithItsNameAndTheVoiceBeforeIsKept) {
    Open(BuiltInAndHeadset(true), 3);
    Choose(DeviceDirection::Input, "usb-mic");
    CPropPage4& page = sheet->m_page4;
    uitest::Click(Item<CButton>(page, 1004));
    uitest::ProcessEvents(10);
    ASSERT_TRUE(page.IsRecording());
    card->AdvanceClock(500);
    uitest::ProcessEvents(20);

    Plug(DeviceDirection::Input, "usb-mic", false);
    EXPECT_TRUE(AdvanceUntil([&] { return !page.IsRecording(); }));
    uitest::ProcessEvents(10);
    CEdit& line = Item<CEdit>(page, 1085);
    EXPECT_TRUE(line.IsWindowVisible());
    EXPECT_EQ(line.GetWindowText(),
              "The recording stopped: " + std::string(kHeadsetMic) + " was unplugged.");
    // Ready for the next recording, and what was said before can be heard.
    EXPECT_TRUE(Item<CButton>(page, 1004).IsWindowEnabled());
    EXPECT_TRUE(Item<CButton>(page, 1064).IsWindowEnabled());
    EXPECT_GT(fs::file_size(plat::GetTempPath() + "User.wav"), 44u + CWaveRecorder::kBufferSize);
    EXPECT_TRUE(sheet->m_laterWarnings.empty());
    card->WaitCallbacks();
    EXPECT_LE(card->OpenWaveHandles(), 1u)
        << "the recorder's is closed; the live level's may be open";

    // The next one records from the built-in microphone.
    uitest::Click(Item<CButton>(page, 1004));
    uitest::ProcessEvents(10);
    EXPECT_TRUE(page.IsRecording());
    card->AdvanceClock(400);
    uitest::ProcessEvents(20);
    EXPECT_TRUE(page.IsRecording());
}

TEST_F(DeviceFollowTest, TheSpeakersUnpluggedEndTheReplayWithTheirName) {
    Open(BuiltInAndHeadset(true), 3);
    Choose(DeviceDirection::Output, "usb-out");
    CPropPage4& page = sheet->m_page4;
    uitest::Click(Item<CButton>(page, 1004));
    uitest::ProcessEvents(10);
    card->AdvanceClock(3000);
    uitest::ProcessEvents(20);
    uitest::Click(Item<CButton>(page, 1004));
    uitest::ProcessEvents(10);
    ASSERT_FALSE(page.IsRecording());

    uitest::Click(Item<CButton>(page, 1064));
    uitest::ProcessEvents(10);
    ASSERT_TRUE(page.IsReplaying());
    card->AdvanceClock(200);
    Plug(DeviceDirection::Output, "usb-out", false);
    EXPECT_TRUE(AdvanceUntil([&] { return !page.IsReplaying(); }));
    uitest::ProcessEvents(10);
    EXPECT_EQ(Item<CEdit>(page, 1085).GetWindowText(),
              "The replay stopped: " + std::string(kHeadsetOut) + " was unplugged.");
    EXPECT_TRUE(Item<CButton>(page, 1004).IsWindowEnabled());
}

TEST_F(DeviceFollowTest, TheSoundServerGoneEndsTheMusicAndTheRecordingWithThatSaid) {
    Open(BuiltInAndHeadset(false), 2);
    uitest::Click(Item<CButton>(sheet->m_page3, 1001));
    uitest::ProcessEvents(10);
    ASSERT_TRUE(sheet->m_page3.IsPlaying());
    // The server goes: every stream fails, the devices it listed stay listed.
    card->serverGone = true;
    card->FailCall("waveOutWrite", MMSYSERR_ERROR);
    card->FailCall("waveInAddBuffer", MMSYSERR_ERROR);
    EXPECT_TRUE(AdvanceUntil([&] {
        uitest::ProcessEvents(5);
        return !sheet->m_page3.IsPlaying();
    }));
    EXPECT_EQ(Item<CWnd>(sheet->m_page3, 1201).GetWindowText(), SoundServerGoneText("PropP3"));
    EXPECT_EQ(SoundServerGoneText("PropP3").find("The sound server stopped"), 0u);

    card->serverGone = false;
    card->ClearFailures();
    sheet->SetActivePage(3);
    uitest::ProcessEvents(10);
    CPropPage4& page = sheet->m_page4;
    uitest::Click(Item<CButton>(page, 1004));
    uitest::ProcessEvents(10);
    ASSERT_TRUE(page.IsRecording());
    card->AdvanceClock(300);
    card->serverGone = true;
    card->FailCall("waveInAddBuffer", MMSYSERR_ERROR);
    EXPECT_TRUE(AdvanceUntil([&] { return !page.IsRecording(); }));
    uitest::ProcessEvents(10);
    EXPECT_EQ(Item<CEdit>(page, 1085).GetWindowText(), SoundServerGoneText("PropP4"));
}

} // namespace
