// The sound-card test page driven through the real sheet on purpose-made
// virtual cards: the graded lines, the wizard buttons they leave, the
// snapshot, a run that waits for a busy device, and the choice of the
// microphone and the speakers.
#include "app/PropSheet.h"
#include "app/WizardApp.h"
#include "platform/files/directories.h"
#include "platform/sound_backend.h"
#include "platform/system/message_loop.h"
#include "platform/system/trace.h"
#include "platform/virtual/VirtualCard.h"
#include "tests/support/ScopedEnv.h"
#include "texts/SoundNotice.h"
#include "texts/UiTexts.h"
#include "ui/Button.h"
#include "ui/ColorText.h"
#include "ui/ComboBox.h"
#include "ui/LevelMeter.h"
#include "ui/ListCtrl.h"
#include "ui/Testing.h"
#include "ui/WinApp.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace plat;

namespace {

struct Line {
    std::string text;
    std::string result;
    int image;
    bool operator==(const Line&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Line& line) {
    return out << "{" << line.text << " | " << line.result << " | " << line.image << "}";
}

const std::string& P2(const char* key) {
    return UiText("PropP2", key);
}

Line Successful(const std::string& text) {
    return {text, P2("K13"), 1};
}
Line Soft(const std::string& text) {
    return {text, P2("K14"), 0};
}
Line Serious(const std::string& text) {
    return {text, P2("K15"), 2};
}

std::vector<PcmFormat> AllBut(const std::vector<PcmFormat>& refused) {
    std::vector<PcmFormat> formats = AllPcmFormats();
    for (const PcmFormat& f : refused)
        formats.erase(std::remove(formats.begin(), formats.end(), f), formats.end());
    return formats;
}

// The default card without the mute switches of the playback path: the
// wave-out source can then not be switched on.
VirtualCardDesc CardWithoutPlaybackSwitches() {
    VirtualCardDesc desc = DefaultCardDesc();
    VirtualLine& speakers = desc.mixers.at(0).destinations.at(0);
    auto noMute = [](std::vector<VirtualControl>& controls) {
        std::erase_if(controls, [](const VirtualControl& c) {
            return c.type == MIXERCONTROL_CONTROLTYPE_MUTE;
        });
    };
    noMute(speakers.controls);
    for (VirtualLine& source : speakers.sources)
        noMute(source.controls);
    return desc;
}

// A computer with a built-in card and a USB headset: the built-in
// microphone muted and first (the default), the headset's, and the monitor of
// the built-in output, which hears what is played.
constexpr const char* kBuiltInMic = "Built-in Audio Analog Stereo Microphone";
constexpr const char* kHeadsetMic = "USB Headset H390 Mono Microphone Input";
constexpr const char* kMonitor = "Monitor of Built-in Audio Analog Stereo";
constexpr const char* kBuiltInOut = "Built-in Audio Analog Stereo Speakers";
constexpr const char* kHeadsetOut = "USB Headset H390 Analog Stereo Headphones";

VirtualWaveDevice Device(const VirtualWaveDevice& base, const char* name, const char* id,
                         DeviceFormFactor form) {
    VirtualWaveDevice device = base;
    device.name = name;
    device.id = id;
    device.formFactor = form;
    return device;
}

VirtualCardDesc BuiltInAndHeadsetCard(bool builtInMuted, bool headsetMuted) {
    VirtualCardDesc desc = DefaultCardDesc();
    const VirtualWaveDevice in = desc.waveIn.at(0);
    const VirtualWaveDevice out = desc.waveOut.at(0);
    desc.waveIn = {Device(in, kBuiltInMic, "builtin-mic", DeviceFormFactor::BuiltIn),
                   Device(in, kHeadsetMic, "usb-mic", DeviceFormFactor::Usb),
                   Device(in, kMonitor, "builtin-monitor", DeviceFormFactor::BuiltIn)};
    desc.waveIn[0].mute = builtInMuted;
    desc.waveIn[1].mute = headsetMuted;
    desc.waveIn[2].monitor = true;
    desc.waveOut = {Device(out, kBuiltInOut, "builtin-out", DeviceFormFactor::BuiltIn),
                    Device(out, kHeadsetOut, "usb-out", DeviceFormFactor::Usb)};
    return desc;
}

Line Adjusted(const std::string& text) {
    return {text, P2("Adjusted"), 1};
}

// The control of `type` on a line of the card.
VirtualControl& ControlOf(VirtualLine& line, DWORD type) {
    for (VirtualControl& c : line.controls)
        if (c.type == type)
            return c;
    throw std::runtime_error("no such control on " + line.name);
}

// The built-in card and the headset, the built-in speakers' mixer line named
// as a mixer cuts the device's name (31 characters), muted at 3 %, their wave
// line muted, and the microphone line of the recording mixer at 3 %.
VirtualCardDesc LowAndMutedCard() {
    VirtualCardDesc desc = BuiltInAndHeadsetCard(false, false);
    VirtualLine& speakers = desc.mixers.at(0).destinations.at(0);
    speakers.name = std::string(kBuiltInOut).substr(0, 31);
    ControlOf(speakers, MIXERCONTROL_CONTROLTYPE_VOLUME).values = {1966};
    ControlOf(speakers, MIXERCONTROL_CONTROLTYPE_MUTE).values = {1};
    ControlOf(speakers.sources.at(0), MIXERCONTROL_CONTROLTYPE_MUTE).values = {1};
    for (VirtualLine& line : desc.mixers.at(0).destinations.at(1).sources)
        if (line.componentType == MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE)
            ControlOf(line, MIXERCONTROL_CONTROLTYPE_VOLUME).values = {1966};
    return desc;
}

// A card that names the devices it works on, as the sound server does.
class NamingCard : public CVirtualCard {
public:
    using CVirtualCard::CVirtualCard;
    bool ChosenDevices(std::string& m, std::string& s) override {
        m = microphone;
        s = speakers;
        return true;
    }
    std::string microphone = kHeadsetMic;
    std::string speakers = kHeadsetOut;
};

class Page2Test : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_temp = fs::temp_directory_path() / ("pelmora-page2-" + std::to_string(::getpid()));
        fs::create_directories(s_temp);
        ScopedEnv::Set(kTempDirVariable, s_temp.string().c_str());
        ScopedEnv::Clear("XDG_RUNTIME_DIR"); // the temporary directory follows TMPDIR
        s_gui = new CGuiSession();
        CWizardApp::RegisterFonts();
        s_app = new CWizardApp();
        ASSERT_TRUE(s_app->CreateImageList());
    }
    static void TearDownTestSuite() {
        delete s_app;
        delete s_gui;
        fs::remove_all(s_temp);
    }
    void SetUp() override {
        plat::SetTraceLibraryName("NoTraceForPageTests.dll");
        fs::remove(Temp("Mixer.ser"));
        fs::remove(Temp("User.wav"));
    }
    void TearDown() override {
        if (sheet && sheet->IsOpen())
            sheet->EndDialog(IDCANCEL);
        sheet.reset();
        InstallSoundBackend(std::make_shared<CVirtualCard>());
    }

    static std::string Temp(const std::string& name) { return plat::GetTempPath() + name; }

    // Opens the wizard on `desc` (on `made` when given) and goes to the
    // sound-card test page.
    void OpenOnPage2(VirtualCardDesc desc, std::shared_ptr<CVirtualCard> made = nullptr) {
        card = made ? made
                    : std::make_shared<CVirtualCard>(std::move(desc), CVirtualCard::Clock::Manual);
        InstallSoundBackend(card);
        sheet = std::make_unique<CPropSheet>();
        ASSERT_TRUE(sheet->Create());
        uitest::ProcessEvents();
        Press(ID_WIZNEXT);
        ASSERT_EQ(sheet->GetActiveIndex(), 1);
    }
    void Press(int id) {
        sheet->PressButton(id);
        uitest::ProcessEvents();
    }
    void RunTest() {
        uitest::Click(Item(1065));
        uitest::ProcessEvents();
    }
    CWnd& Item(int id) const {
        CWnd* item = sheet->m_page2.GetDlgItem(id);
        if (item == nullptr)
            throw std::runtime_error("no control " + std::to_string(id));
        return *item;
    }
    CListCtrl& List() const { return dynamic_cast<CListCtrl&>(Item(1024)); }
    std::vector<Line> Lines() const {
        std::vector<Line> lines;
        CListCtrl& list = List();
        for (int i = 0; i < list.GetItemCount(); ++i)
            lines.push_back({list.GetItemText(i, 0), list.GetItemText(i, 1), list.GetItemImage(i)});
        return lines;
    }
    CComboBox& Box(int id) const { return dynamic_cast<CComboBox&>(Item(id)); }
    CComboBox& Microphones() const { return Box(1201); }
    CComboBox& Speakers() const { return Box(1203); }
    static std::vector<std::string> Entries(const CComboBox& box) {
        std::vector<std::string> entries;
        for (int i = 0; i < box.GetCount(); ++i)
            entries.push_back(box.GetLBText(i));
        return entries;
    }
    static std::string Selected(const CComboBox& box) { return box.GetLBText(box.GetCurSel()); }
    // The id of the card's default device of a direction.
    std::string CardDefault(DeviceDirection direction) const {
        for (const SoundDevice& device : card->ListDevices())
            if (device.direction == direction && device.isDefault)
                return device.id;
        return {};
    }
    bool NextEnabled() const { return sheet->GetDlgItem(ID_WIZNEXT)->IsWindowEnabled(); }
    bool BackEnabled() const { return sheet->GetDlgItem(ID_WIZBACK)->IsWindowEnabled(); }
    std::vector<LONG> Mux() const {
        std::vector<LONG> values;
        card->GetControlValues(0,
                               card->FindControlId(0, MIXERLINE_COMPONENTTYPE_DST_WAVEIN,
                                                   MIXERCONTROL_CONTROLTYPE_MUX),
                               values);
        return values;
    }

    static fs::path s_temp;
    static CGuiSession* s_gui;
    static CWizardApp* s_app;
    std::shared_ptr<CVirtualCard> card;
    std::unique_ptr<CPropSheet> sheet;
};

fs::path Page2Test::s_temp;
CGuiSession* Page2Test::s_gui = nullptr;
CWizardApp* Page2Test::s_app = nullptr;

TEST_F(Page2Test, CleanCardGivesTwoSuccessfulLinesAndEnablesNext) {
    OpenOnPage2(DefaultCardDesc());
    CWnd& back = *sheet->GetDlgItem(ID_WIZBACK);
    EXPECT_TRUE(back.IsWindowVisible());
    EXPECT_EQ(back.GetWindowText(), P2("K9"));
    EXPECT_FALSE(NextEnabled());
    EXPECT_TRUE(Item(1031).IsWindowVisible());
    EXPECT_FALSE(Item(1094).IsWindowVisible());
    // The results frame leaves a gap for its caption.
    const std::string gap = Item(1051).GetWindowText();
    EXPECT_EQ(gap.find_first_not_of(' '), std::string::npos);
    EXPECT_GE(Item(1051).GetTextExtent(gap).cx, Item(1090).GetRectInParent().Width());

    RunTest();
    EXPECT_EQ(Lines(), (std::vector<Line>{Successful(P2("K11")), Successful(P2("K12"))}));
    EXPECT_TRUE(sheet->m_page2.CanGoOn());
    EXPECT_TRUE(NextEnabled());
    EXPECT_TRUE(BackEnabled());

    // The tested state: Test and its caption and the warning gone, the list
    // enlarged, the go-on hint shown; column 0 fits the last line.
    EXPECT_FALSE(Item(1065).IsWindowVisible());
    EXPECT_FALSE(Item(1108).IsWindowVisible());
    EXPECT_FALSE(Item(1031).IsWindowVisible());
    EXPECT_TRUE(Item(1094).IsWindowVisible());
    EXPECT_EQ(Item(1094).GetWindowText(), P2("K6"));
    EXPECT_EQ(List().GetRectInParent(), (CRect{20, 93, 465, 208}));
    EXPECT_EQ(List().GetColumnWidth(0), List().GetStringWidth(P2("K12")) + 30);

    Press(ID_WIZNEXT);
    EXPECT_EQ(sheet->GetActiveIndex(), 2);
}

TEST_F(Page2Test, SnapshotIsWrittenAndCancelRestoresTheMixerFromIt) {
    OpenOnPage2(DefaultCardDesc());
    const std::vector<LONG> before = Mux();
    ASSERT_EQ(before, (std::vector<LONG>{0, 1})); // line-in selected
    RunTest();
    EXPECT_TRUE(fs::exists(Temp("Mixer.ser")));
    EXPECT_EQ(Mux(), (std::vector<LONG>{1, 0})); // the microphone now

    Press(IDCANCEL);
    EXPECT_FALSE(sheet->IsOpen());
    EXPECT_EQ(Mux(), before);
    EXPECT_FALSE(fs::exists(Temp("Mixer.ser")));
}

TEST_F(Page2Test, WithoutAPrivateDirectoryNoSnapshotIsWrittenAndTheListSaysWhy) {
#if defined(_WIN32)
    GTEST_SKIP() << "a folder's mode is POSIX's; tests/win32 checks the Windows rule";
#endif
    OpenOnPage2(DefaultCardDesc());
    // Another user could read or replace a snapshot kept here.
    const std::string dir = plat::GetTempPath();
    ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);
    RunTest();
    ASSERT_EQ(::chmod(dir.c_str(), 0700), 0);
    const std::vector<Line> lines = Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].result, P2("K14"));
    EXPECT_NE(lines[0].text.find("mode 0755"), std::string::npos) << lines[0].text;
    EXPECT_EQ(lines[1], Successful(P2("K11")));
    EXPECT_FALSE(fs::exists(Temp("Mixer.ser")));
    EXPECT_FALSE(fs::exists(s_temp / "Mixer.ser"));
    EXPECT_TRUE(NextEnabled()) << "a soft error";
}

TEST_F(Page2Test, RefusedInputFormatsAreSoftErrorsInSurveyOrder) {
    VirtualCardDesc desc = DefaultCardDesc();
    desc.waveIn.at(0).formats = AllBut({{44100, 16, 2}, {8000, 8, 1}});
    OpenOnPage2(desc);
    RunTest();
    EXPECT_EQ(Lines(),
              (std::vector<Line>{Soft(P2("K10")), Soft("8000Hz, 8bit, 1 channels"),
                                 Soft("44100Hz, 16bit, 2 channels"), Successful(P2("K12"))}));
    EXPECT_TRUE(NextEnabled());
}

TEST_F(Page2Test, FailingPlaybackPreparationKeepsTheUserHere) {
    OpenOnPage2(CardWithoutPlaybackSwitches());
    RunTest();
    const std::string error = sheet->m_mixerSetup.GetErrorText();
    ASSERT_FALSE(error.empty());
    // The later successful line does not bring Next back, and none is about
    // the speakers the error is about.
    EXPECT_EQ(Lines(), (std::vector<Line>{Serious(error), Successful(P2("K11"))}));
    EXPECT_FALSE(sheet->m_page2.CanGoOn());
    EXPECT_FALSE(NextEnabled());
    EXPECT_TRUE(BackEnabled());
    Press(ID_WIZNEXT);
    EXPECT_EQ(sheet->GetActiveIndex(), 1);
}

TEST_F(Page2Test, FailedSurveyListsWhatWasFoundBeforeTheFailure) {
    VirtualCardDesc desc = DefaultCardDesc();
    desc.waveIn.at(0).formats = AllBut({{8000, 8, 1}});
    OpenOnPage2(desc);
    // The third input query fails for good; the first was refused.
    card->AddFailure(VirtualFailure{"waveInOpen", MMSYSERR_NODRIVER, -1, -1, 2});
    RunTest();
    const std::string error = sheet->m_audioEngine.GetLastError();
    ASSERT_FALSE(error.empty());
    // What the survey did not finish is called successful neither way.
    EXPECT_EQ(Lines(), (std::vector<Line>{Serious(error), Soft(P2("K10")),
                                          Soft("8000Hz, 8bit, 1 channels")}));
    EXPECT_FALSE(NextEnabled());
}

TEST_F(Page2Test, BackAndForthKeepsTheListAndTheButtons) {
    OpenOnPage2(CardWithoutPlaybackSwitches());
    RunTest();
    const std::vector<Line> lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    std::ofstream(Temp("User.wav")) << "RIFF";

    Press(ID_WIZBACK);
    ASSERT_EQ(sheet->GetActiveIndex(), 0);
    EXPECT_FALSE(fs::exists(Temp("User.wav")));
    EXPECT_FALSE(sheet->GetDlgItem(ID_WIZBACK)->IsWindowVisible());
    EXPECT_TRUE(NextEnabled()); // page 1's own buttons

    Press(ID_WIZNEXT);
    ASSERT_EQ(sheet->GetActiveIndex(), 1);
    EXPECT_EQ(Lines(), lines);
    EXPECT_FALSE(NextEnabled());
    EXPECT_TRUE(sheet->GetDlgItem(ID_WIZBACK)->IsWindowVisible());
    EXPECT_FALSE(Item(1065).IsWindowVisible());
}

TEST_F(Page2Test, WarningOfALaterPageGoesOnTopAsASoftError) {
    OpenOnPage2(DefaultCardDesc());
    RunTest();
    sheet->m_page2.InsertWarningAtTop("Error : Writing record file");
    sheet->m_page2.SetListTextColor(0xB81818);
    EXPECT_EQ(Lines(), (std::vector<Line>{Soft("Error : Writing record file"),
                                          Successful(P2("K11")), Successful(P2("K12"))}));
    EXPECT_EQ(sheet->m_page2.GetResultCount(), 3);
    EXPECT_EQ(List().GetTextColor(), 0xB81818u);
    EXPECT_TRUE(sheet->m_page2.CanGoOn());
}

// A busy device is retried every 500 ms while the window keeps handling
// input: a second click on Test, Back and Next all arrive during the wait and
// must not disturb the run.
TEST_F(Page2Test, InputDuringABusyRetryDoesNotDisturbTheRun) {
    OpenOnPage2(DefaultCardDesc());
    card->SetBusy(true, 0, 2);
    bool sawRun = false;
    DWORD buttonsDuringRun = 0xFFFF;
    int pageDuringRun = -1;
    // Posted twice, so it runs after the run's own posted button change.
    PostToMainThread([&] {
        PostToMainThread([&] {
            sawRun = sheet->m_page2.IsTesting();
            buttonsDuringRun = sheet->GetWizardButtons();
            uitest::Click(Item(1065));
            sheet->m_page2.OnTest();
            sheet->PressButton(ID_WIZBACK);
            sheet->PressButton(ID_WIZNEXT);
            pageDuringRun = sheet->GetActiveIndex();
        });
    });
    RunTest();
    EXPECT_TRUE(sawRun);
    EXPECT_EQ(buttonsDuringRun, 0u);
    EXPECT_EQ(pageDuringRun, 1);
    EXPECT_EQ(card->BusyAttemptsLeft(true, 0), 0);
    EXPECT_EQ(Lines(), (std::vector<Line>{Successful(P2("K11")), Successful(P2("K12"))}));
    EXPECT_TRUE(NextEnabled());
    EXPECT_FALSE(sheet->m_page2.IsTesting());
}

// Cancel while the survey waits: the wizard closes with the mixer restored,
// and the rest of the run leaves it so.
TEST_F(Page2Test, CancelDuringABusyRetryRestoresTheMixer) {
    OpenOnPage2(DefaultCardDesc());
    const std::vector<LONG> before = Mux();
    card->SetBusy(false, 0, 2);
    PostToMainThread([&] { PostToMainThread([&] { sheet->PressButton(IDCANCEL); }); });
    RunTest();
    EXPECT_FALSE(sheet->IsOpen());
    EXPECT_FALSE(sheet->m_page2.IsTesting());
    EXPECT_EQ(card->BusyAttemptsLeft(false, 0), 0);
    EXPECT_EQ(Mux(), before);
    EXPECT_FALSE(fs::exists(Temp("Mixer.ser")));
}

} // namespace

TEST_F(Page2Test, DeviceListsShowEveryDeviceByItsFullNameAndNoMonitorAsAMicrophone) {
    OpenOnPage2(BuiltInAndHeadsetCard(true, false));
    EXPECT_EQ(Entries(Microphones()), (std::vector<std::string>{kBuiltInMic, kHeadsetMic}));
    EXPECT_EQ(Entries(Speakers()), (std::vector<std::string>{kBuiltInOut, kHeadsetOut}));
    // Each list is wide enough for its longest name beside the arrow, and
    // stays within the page.
    for (const CComboBox* box : {&Microphones(), &Speakers()}) {
        const CRect rect = box->GetRectInParent();
        for (const std::string& entry : Entries(*box))
            EXPECT_GE(rect.Width(), box->GetTextExtent(entry).cx + 20) << entry;
        EXPECT_LE(rect.right, sheet->m_page2.GetPageWidth());
        EXPECT_TRUE(box->IsWindowEnabled());
    }
    // Each list is named by its label, placed on its left.
    EXPECT_EQ(Item(1200).GetWindowText(), P2("Microphone"));
    EXPECT_EQ(Item(1202).GetWindowText(), P2("Speakers"));
    EXPECT_LT(Item(1200).GetRectInParent().right, Microphones().GetRectInParent().left);
}

TEST_F(Page2Test, PreselectionPrefersAnUnmutedMicrophoneThenAHeadsetOne) {
    // The muted built-in default gives way to the headset's microphone, on
    // the card as well as in the list.
    OpenOnPage2(BuiltInAndHeadsetCard(true, false));
    EXPECT_EQ(Selected(Microphones()), kHeadsetMic);
    EXPECT_EQ(CardDefault(DeviceDirection::Input), "usb-mic");
    EXPECT_EQ(Selected(Speakers()), kBuiltInOut);
    EXPECT_EQ(CardDefault(DeviceDirection::Output), "builtin-out");
    TearDown();

    // Unmuted before headset: the muted headset loses to the built-in one.
    OpenOnPage2(BuiltInAndHeadsetCard(false, true));
    EXPECT_EQ(Selected(Microphones()), kBuiltInMic);
    EXPECT_EQ(CardDefault(DeviceDirection::Input), "builtin-mic");
    TearDown();

    // Both unmuted: the headset's.
    OpenOnPage2(BuiltInAndHeadsetCard(false, false));
    EXPECT_EQ(Selected(Microphones()), kHeadsetMic);
    EXPECT_EQ(CardDefault(DeviceDirection::Input), "usb-mic");
}

TEST_F(Page2Test, ChoosingAnotherPairChoosesItAndRunsTheTestAgain) {
    OpenOnPage2(BuiltInAndHeadsetCard(true, false));
    // Every format query the mapper puts to the built-in microphone is
    // refused: its test differs from the headset's.
    card->FailCall("waveInOpen", WAVERR_BADFORMAT, -1, 0);
    RunTest();
    const std::vector<Line> headset = Lines();
    EXPECT_EQ(headset, (std::vector<Line>{Successful(P2("K11")), Successful(P2("K12"))}));

    Microphones().Choose(0);
    uitest::ProcessEvents();
    EXPECT_EQ(CardDefault(DeviceDirection::Input), "builtin-mic");
    EXPECT_EQ(Selected(Microphones()), kBuiltInMic);
    const std::vector<Line> builtIn = Lines();
    ASSERT_GE(builtIn.size(), 2u);
    EXPECT_EQ(builtIn.front(), Soft(P2("K10")));
    EXPECT_EQ(builtIn.back(), Successful(P2("K12")));
    EXPECT_EQ(std::count(builtIn.begin(), builtIn.end(), Successful(P2("K11"))), 0);

    Speakers().Choose(1);
    uitest::ProcessEvents();
    EXPECT_EQ(CardDefault(DeviceDirection::Output), "usb-out");
    EXPECT_EQ(Selected(Speakers()), kHeadsetOut);
    // The pair stays chosen on the way to the next pages.
    Press(ID_WIZNEXT);
    Press(ID_WIZBACK);
    EXPECT_EQ(Selected(Microphones()), kBuiltInMic);
    EXPECT_EQ(Selected(Speakers()), kHeadsetOut);
    EXPECT_EQ(CardDefault(DeviceDirection::Input), "builtin-mic");
}

TEST_F(Page2Test, UnpluggingTheChosenMicrophoneUpdatesTheListAndTestsAgain) {
    OpenOnPage2(BuiltInAndHeadsetCard(true, false));
    card->FailCall("waveInOpen", WAVERR_BADFORMAT, -1, 0);
    RunTest();
    ASSERT_EQ(Lines().front(), Successful(P2("K11")));

    std::string error;
    ASSERT_TRUE(card->SetPlugged(DeviceDirection::Input, "usb-mic", false, error)) << error;
    uitest::ProcessEvents();
    EXPECT_EQ(Entries(Microphones()), (std::vector<std::string>{kBuiltInMic}));
    EXPECT_EQ(Selected(Microphones()), kBuiltInMic);
    EXPECT_EQ(Lines().front(), Soft(P2("K10")));

    ASSERT_TRUE(card->SetPlugged(DeviceDirection::Input, "usb-mic", true, error)) << error;
    uitest::ProcessEvents();
    EXPECT_EQ(Entries(Microphones()), (std::vector<std::string>{kBuiltInMic, kHeadsetMic}));
}

TEST_F(Page2Test, WithoutAMicrophoneOneSeriousLineSaysSo) {
    // Only the monitor of the output records: no microphone.
    VirtualCardDesc desc = BuiltInAndHeadsetCard(false, false);
    desc.waveIn.erase(desc.waveIn.begin(), desc.waveIn.begin() + 2);
    OpenOnPage2(desc);
    EXPECT_EQ(Microphones().GetCount(), 0);
    EXPECT_FALSE(Microphones().IsWindowEnabled());
    RunTest();
    EXPECT_EQ(Lines(), (std::vector<Line>{Serious(P2("NoMicrophone")), Successful(P2("K12"))}));
    EXPECT_FALSE(NextEnabled());
    EXPECT_FALSE(Microphones().IsWindowEnabled());
    // Not "Click on Next", which is off: what to do instead.
    EXPECT_TRUE(Item(1094).IsWindowVisible());
    EXPECT_EQ(Item(1094).GetWindowText(), P2("ChooseOther"));
    const CSize hint =
        Item(1094).GetTextExtent(P2("ChooseOther"), sheet->m_page2.GetPageWidth() - 12);
    EXPECT_GE(Item(1094).GetRectInParent().Height(), hint.cy);
    TearDown();

    // Nothing records at all: the survey stops at its first question, about
    // an input, and nothing is called successful.
    desc.waveIn.clear();
    OpenOnPage2(desc);
    RunTest();
    EXPECT_EQ(Lines(), (std::vector<Line>{Serious(P2("NoMicrophone"))}));
    EXPECT_FALSE(NextEnabled());
}

TEST_F(Page2Test, WhatTheTestChangedOnTheDevicesIsOneLineADevice) {
    OpenOnPage2(LowAndMutedCard());
    RunTest();
    // The microphone's line is no device of the list: its own name; the
    // speakers' line and their wave line are the built-in speakers, whose
    // whole name the list shows.
    EXPECT_EQ(Lines(), (std::vector<Line>{Adjusted("Microphone: volume 3 % \xE2\x86\x92 50 %"),
                                          Adjusted(std::string(kBuiltInOut) +
                                                   ": unmuted, volume 3 % \xE2\x86\x92 50 %"),
                                          Successful(P2("K11")), Successful(P2("K12"))}));
    EXPECT_TRUE(NextEnabled()) << "information, not a failure";
    EXPECT_EQ(List().GetColumnWidth(0), List().GetStringWidth(Lines()[1].text) + 30)
        << "column 0 fits the widest line, not the last";

    // Run again: nothing is left to change.
    sheet->m_page2.OnTest();
    uitest::ProcessEvents();
    EXPECT_EQ(Lines(), (std::vector<Line>{Successful(P2("K11")), Successful(P2("K12"))}));
    EXPECT_EQ(List().GetColumnWidth(0), List().GetStringWidth(P2("K12")) + 30);
}

TEST_F(Page2Test, AMicrophoneOfTheTelephoneBandIsNamedWithWhatToDo) {
    // The headset's microphone runs at 8 kHz: it hears up to 4 kHz.
    VirtualCardDesc desc = BuiltInAndHeadsetCard(true, false);
    desc.waveIn[1].rate = 8000;
    OpenOnPage2(desc);
    RunTest();
    const Line advice = Soft(P2("NarrowBandAdvice"));
    EXPECT_EQ(Lines(), (std::vector<Line>{Soft(std::string(kHeadsetMic) +
                                               " hears only up to 4 kHz, as a telephone: the "
                                               "speech recogniser will understand you less well."),
                                          advice, Successful(P2("K11")), Successful(P2("K12"))}));
    EXPECT_TRUE(NextEnabled()) << "a warning, not a failure";

    // The built-in microphone, whose rate is not told, has none.
    Microphones().Choose(0);
    uitest::ProcessEvents();
    const std::vector<Line> builtIn = Lines();
    EXPECT_EQ(std::count(builtIn.begin(), builtIn.end(), advice), 0);
    TearDown();

    // A hands-free headset whose rate the sound system does not tell is
    // taken as its profile's 8 kHz; at 16 kHz (wide-band speech) it is fine.
    desc.waveIn[1].rate = 0;
    desc.waveIn[1].handsFree = true;
    desc.waveIn[1].formFactor = DeviceFormFactor::Bluetooth;
    OpenOnPage2(desc);
    RunTest();
    ASSERT_GE(Lines().size(), 2u);
    EXPECT_EQ(Lines()[0].text, std::string(kHeadsetMic) +
                                   " is a Bluetooth headset in its hands-free profile, which hears "
                                   "only up to 4 kHz: the speech recogniser will understand you "
                                   "less well.");
    EXPECT_EQ(Lines()[1], advice);
    TearDown();
    desc.waveIn[1].rate = 16000;
    OpenOnPage2(desc);
    RunTest();
    EXPECT_EQ(Lines(), (std::vector<Line>{Successful(P2("K11")), Successful(P2("K12"))}));
}

TEST_F(Page2Test, ASeriousLineAboutTheRecordingLeavesNothingThereSuccessful) {
    // The recording mixer has nothing to select the microphone with.
    VirtualCardDesc desc = BuiltInAndHeadsetCard(false, false);
    desc.mixers.at(0).destinations.at(1).controls.clear();
    auto naming = std::make_shared<NamingCard>(desc, CVirtualCard::Clock::Manual);
    OpenOnPage2({}, naming);
    RunTest();
    const std::string error = sheet->m_mixerSetup.GetErrorText();
    EXPECT_EQ(error, "Source not Set !");
    // Neither the devices' line nor the input formats' is called successful.
    EXPECT_EQ(Lines(), (std::vector<Line>{Serious(error), Successful(P2("K12"))}));
    EXPECT_EQ(Item(1094).GetWindowText(), P2("ChooseOther"));
    TearDown();

    // The sound system works on no microphone though the list offers some:
    // one serious line says so, and the devices' line is not shown.
    naming = std::make_shared<NamingCard>(BuiltInAndHeadsetCard(false, false),
                                          CVirtualCard::Clock::Manual);
    naming->microphone = "";
    OpenOnPage2({}, naming);
    RunTest();
    EXPECT_EQ(Lines(), (std::vector<Line>{Serious(P2("NoMicrophone")), Successful(P2("K12"))}));
    EXPECT_FALSE(NextEnabled());
    TearDown();

    // All well: the devices are named.
    naming = std::make_shared<NamingCard>(BuiltInAndHeadsetCard(false, false),
                                          CVirtualCard::Clock::Manual);
    OpenOnPage2({}, naming);
    RunTest();
    EXPECT_EQ(Lines(), (std::vector<Line>{Successful(ChosenDevicesLine(kHeadsetMic, kHeadsetOut)),
                                          Successful(P2("K11")), Successful(P2("K12"))}));
}

TEST_F(Page2Test, ColumnZeroFitsTheWidestLineWhereverItStands) {
    VirtualCardDesc desc = DefaultCardDesc();
    desc.waveIn.at(0).formats = AllBut({{8000, 8, 1}});
    OpenOnPage2(desc);
    RunTest();
    ASSERT_EQ(Lines().back(), Successful(P2("K12")));
    EXPECT_EQ(List().GetColumnWidth(0), List().GetStringWidth(P2("K10")) + 30);
    // A later page's warning on top, wider than every line.
    const std::string warning(120, 'W');
    sheet->m_page2.InsertWarningAtTop(warning);
    EXPECT_EQ(List().GetColumnWidth(0), List().GetStringWidth(warning) + 30);
}

TEST_F(Page2Test, ANameTooLongForTheFrameIsShownWholeInTheListsToolTip) {
    const std::string longName = std::string(kHeadsetMic) +
                                 " with Noise Cancelling and a Very Long Vendor Name That Goes On";
    VirtualCardDesc desc = BuiltInAndHeadsetCard(true, false);
    desc.waveIn.at(1).name = longName;
    OpenOnPage2(desc);
    ASSERT_EQ(Selected(Microphones()), longName);
    // Capped where its level beside it leaves the frame's edge, the
    // tool-tip names it whole.
    const CRect box = Microphones().GetRectInParent();
    const CRect meter = Item(1204).GetRectInParent();
    EXPECT_LT(box.right, meter.left);
    EXPECT_EQ(meter.right, Item(1051).GetRectInParent().right);
    EXPECT_GT(Microphones().GetTextExtent(longName).cx, box.Width());
    EXPECT_EQ(Microphones().GetTooltipText(), longName);
    // A name that fits needs none.
    EXPECT_EQ(Speakers().GetTooltipText(), "");
    Microphones().Choose(0);
    uitest::ProcessEvents();
    EXPECT_EQ(Selected(Microphones()), kBuiltInMic);
    EXPECT_EQ(Microphones().GetTooltipText(), "");
}

TEST_F(Page2Test, TheChosenMicrophonesLevelShowsBesideItsListAndFollowsTheChoice) {
    VirtualCardDesc desc = BuiltInAndHeadsetCard(false, false);
    plat::MicrophoneSignal tone;
    tone.kind = plat::MicrophoneSignal::Kind::Sine;
    tone.amplitude = 16000;
    desc.waveIn[1].microphone = tone; // the headset hears a tone, the built-in one silence
    desc.microphone.kind = plat::MicrophoneSignal::Kind::Silence;
    OpenOnPage2(desc);
    CLevelMeter& level = dynamic_cast<CLevelMeter&>(Item(1204));
    EXPECT_EQ(sheet->m_page2.LevelDeviceId(), "usb-mic");
    // Beside the microphone's list, on its row.
    const CRect box = Microphones().GetRectInParent();
    const CRect meter = level.GetRectInParent();
    EXPECT_GT(meter.left, box.right);
    EXPECT_GE(meter.top, box.top);
    EXPECT_LE(meter.bottom, box.bottom);
    auto moves = [&] {
        for (int i = 0; i < 200 && !level.HasPeak(); ++i) {
            card->AdvanceClock(20);
            uitest::ProcessEvents(1);
        }
        return level.HasPeak();
    };
    EXPECT_TRUE(moves()) << "the headset's tone never reached the meter";

    // The test has the microphone to itself, and gives it back.
    RunTest();
    EXPECT_EQ(sheet->m_page2.LevelDeviceId(), "usb-mic");
    // Another microphone chosen: its level, silence, shows.
    Microphones().Choose(0);
    uitest::ProcessEvents();
    EXPECT_EQ(sheet->m_page2.LevelDeviceId(), "builtin-mic");
    EXPECT_TRUE(level.IsBlank());
    EXPECT_FALSE(moves());
    // Leaving the page frees it.
    Press(ID_WIZNEXT);
    EXPECT_EQ(sheet->m_page2.LevelDeviceId(), "");
}
