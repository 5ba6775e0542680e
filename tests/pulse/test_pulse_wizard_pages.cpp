// The wizard's pages on a sound server of the test's own (a private
// PulseAudio daemon, then a private PipeWire daemon), driven as the user
// drives them on the offscreen platform: the whole walk from the welcome page
// to the recording, the music and the recording seen by the server (pactl),
// Cancel putting the server back, and the server killed while page 4 records
// and while page 3 plays. Sound runs in real time here; every wait is
// bounded.
#include "WizardServer.h"
#include "app/PropSheet.h"
#include "app/WizardApp.h"
#include "audio/AutoLevel.h"
#include "audio/RecordingVerdict.h"
#include "platform/files/directories.h"
#include "platform/system/trace.h"
#include "resources/ProgramResources.h"
#include "tests/pages/SheetTestSuite.h"
#include "texts/SoundNotice.h"
#include "texts/UiTexts.h"
#include "ui/Button.h"
#include "ui/ComboBox.h"
#include "ui/ListCtrl.h"
#include "ui/SliderCtrl.h"
#include "ui/Testing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;
using namespace wizardserver;
using ::testing::HasSubstr;

namespace {

constexpr long kFull = 65536;

template <class Server> class WizardPages : public SheetTestSuite, public WizardServer<Server> {
protected:
    static void SetUpTestSuite() {
        SheetTestSuite::SetUpTestSuite();
        RegisterProgramResources();
        s_app = new CWizardApp();
        s_app->CreateImageList();
    }
    static void TearDownTestSuite() {
        delete s_app;
        s_app = nullptr;
        SheetTestSuite::TearDownTestSuite();
    }
    void SetUp() override {
        plat::SetTraceLibraryName("NoTraceForPageTests.dll");
        uitest::SetMessageBoxHandler(
            [this](const std::string& text, const std::string&, plat::UINT) {
                m_shown.push_back(text);
                return IDOK;
            });
        std::string why;
        if (!this->StartServer(why))
            GTEST_SKIP() << "no private sound-server daemon here: " << why;
        // The user's settings before the wizard.
        SetDevice("sink", Server::kSink, 26214, true);
        SetDevice("source", Server::kSource, 19661, false);
        fs::remove(Recording());
    }
    void TearDown() override {
        if (m_sheet) {
            m_sheet->m_audioEngine.StopPlay();
            m_sheet->m_audioEngine.StopRecording();
            m_sheet->m_audioEngine.PlayResourceLoop(0);
            if (m_sheet->IsOpen())
                m_sheet->EndDialog(IDCANCEL);
            uitest::ProcessEvents(10);
            m_sheet.reset();
        }
        this->StopServer();
        uitest::SetMessageBoxHandler(nullptr);
        fs::remove(Recording());
    }

    void SetDevice(const std::string& kind, const std::string& name, long volume, bool mute) {
        this->Pactl("set-" + kind + "-volume " + name + " " + std::to_string(volume));
        this->Pactl("set-" + kind + "-mute " + name + (mute ? " 1" : " 0"));
    }
    void Open() {
        m_sheet = std::make_unique<CPropSheet>();
        ASSERT_TRUE(m_sheet->Create());
        uitest::ProcessEvents();
    }
    void Press(int id) {
        m_sheet->PressButton(id);
        uitest::ProcessEvents();
    }
    CWnd& Item(CWnd& page, int id) {
        CWnd* item = page.GetDlgItem(id);
        if (item == nullptr)
            throw std::runtime_error("no control " + std::to_string(id));
        return *item;
    }
    void Click(CWnd& page, int id) {
        uitest::Click(Item(page, id));
        uitest::ProcessEvents();
    }
    // Page 1 to the sound-card test, run, then on to page `index`.
    void WalkTo(int index) {
        ASSERT_NO_FATAL_FAILURE(Open());
        Press(ID_WIZNEXT);
        ASSERT_EQ(m_sheet->GetActiveIndex(), 1);
        Click(m_sheet->m_page2, 1065);
        ASSERT_TRUE(m_sheet->m_page2.CanGoOn());
        while (m_sheet->GetActiveIndex() < index)
            Press(ID_WIZNEXT);
        ASSERT_EQ(m_sheet->GetActiveIndex(), index);
    }
    // Runs the GUI loop until `ready` holds, for at most `ms`.
    template <class Pred> static bool WaitUntil(Pred ready, int ms = 3000) {
        for (int t = 0; t < ms && !ready(); t += 10)
            uitest::ProcessEvents(10);
        return ready();
    }
    // A stream of ours plays on the server.
    bool OursPlays() {
        return this->Pactl("list sink-inputs").find("application.name = \"Pelmora\"") !=
               std::string::npos;
    }
    static std::string Recording() { return plat::GetTempPath() + "User.wav"; }
    static std::uintmax_t RecordingSize() {
        std::error_code error;
        const std::uintmax_t size = fs::file_size(Recording(), error);
        return error ? 0 : size;
    }

    static inline CWizardApp* s_app = nullptr;
    std::unique_ptr<CPropSheet> m_sheet;
    std::vector<std::string> m_shown;
};

TYPED_TEST_SUITE(WizardPages, Servers);

} // namespace

TYPED_TEST(WizardPages, TheWholeWalkRunsOnTheServerAndCancelPutsItBack) {
    const std::string sink = TypeParam::kSink, source = TypeParam::kSource;
    ASSERT_NO_FATAL_FAILURE(this->WalkTo(1));

    // Page 2: the devices the wizard works on, by the server's names.
    CListCtrl& list = dynamic_cast<CListCtrl&>(this->Item(this->m_sheet->m_page2, 1024));
    std::vector<std::string> successful;
    for (int i = 0; i < list.GetItemCount(); ++i) {
        EXPECT_NE(list.GetItemText(i, 1), UiText("PropP2", "K15")) << list.GetItemText(i, 0);
        if (list.GetItemText(i, 1) == UiText("PropP2", "K13"))
            successful.push_back(list.GetItemText(i, 0));
    }
    EXPECT_THAT(successful, ::testing::Contains(ChosenDevicesLine(TypeParam::kSourceDescription,
                                                                  TypeParam::kSinkDescription)));
    EXPECT_THAT(successful, ::testing::Contains(UiText("PropP2", "K11")));
    // The test made the chosen pair the defaults, heard.
    this->ExpectDefault("sink", sink);
    this->ExpectDefault("source", source);
    EXPECT_FALSE(this->Muted("sink", sink));

    // Page 3: the music plays on the server while the page says so.
    this->Press(ID_WIZNEXT);
    CPropPage3& page3 = this->m_sheet->m_page3;
    this->Click(page3, 1001);
    ASSERT_TRUE(page3.IsPlaying()) << this->Item(page3, 1201).GetWindowText();
    EXPECT_TRUE(this->Item(page3, 1113).IsWindowVisible()) << "Stop";
    EXPECT_TRUE(this->WaitUntil([&] { return this->OursPlays(); }));
    EXPECT_THAT(this->Pactl("list sink-inputs"), HasSubstr("media.role = \"music\""));
    uitest::DragSlider(dynamic_cast<CSliderCtrl&>(this->Item(page3, 1002)), 8000);
    EXPECT_NEAR(this->Volume("sink", sink), kFull * 8 / 10, 8);
    this->WaitUntil([] { return false; }, 500); // half a second of music
    EXPECT_TRUE(page3.IsPlaying());
    this->Click(page3, 1001);
    EXPECT_FALSE(page3.IsPlaying());
    EXPECT_TRUE(this->WaitUntil([&] { return !this->OursPlays(); }));

    // Page 4: a second of recording, replayed to its end.
    this->Press(ID_WIZNEXT);
    CPropPage4& page4 = this->m_sheet->m_page4;
    this->Click(page4, 1004);
    ASSERT_TRUE(page4.IsRecording());
    EXPECT_THAT(this->Pactl("list source-outputs"), HasSubstr("application.name = \"Pelmora\""));
    this->WaitUntil([] { return false; }, 1000);
    EXPECT_TRUE(page4.IsRecording());
    this->Click(page4, 1004);
    ASSERT_FALSE(page4.IsRecording());
    EXPECT_FALSE(this->Item(page4, 1085).IsWindowVisible())
        << this->Item(page4, 1085).GetWindowText();
    const std::uintmax_t recorded = this->RecordingSize();
    EXPECT_GE(recorded, 44u + 4 * CWaveRecorder::kBufferSize);
    this->Click(page4, 1064);
    ASSERT_TRUE(page4.IsReplaying());
    EXPECT_TRUE(this->WaitUntil([&] { return this->OursPlays(); }));
    EXPECT_TRUE(this->WaitUntil([&] { return !page4.IsReplaying(); }, 5000));
    EXPECT_FALSE(this->Item(page4, 1085).IsWindowVisible())
        << this->Item(page4, 1085).GetWindowText();

    // Cancel: the user's volumes, mutes and defaults are back.
    this->Press(IDCANCEL);
    EXPECT_FALSE(this->m_sheet->IsOpen());
    EXPECT_TRUE(this->m_shown.empty()) << this->m_shown.front();
    EXPECT_NEAR(this->Volume("sink", sink), 26214, 2);
    EXPECT_TRUE(this->Muted("sink", sink));
    EXPECT_NEAR(this->Volume("source", source), 19661, 2);
    this->ExpectDefault("sink", kOtherSink);
    this->ExpectDefault("source", kOtherSource);
    EXPECT_FALSE(fs::exists(this->Recording()));
}

TYPED_TEST(WizardPages, AServerKilledWhilePageFourRecordsEndsTheRecordingSayingSo) {
    ASSERT_NO_FATAL_FAILURE(this->WalkTo(3));
    CPropPage4& page4 = this->m_sheet->m_page4;
    this->Click(page4, 1004);
    ASSERT_TRUE(page4.IsRecording());
    ASSERT_TRUE(this->WaitUntil([&] { return this->RecordingSize() > 44; }));

    ASSERT_TRUE(this->m_server.Kill());
    const std::uintmax_t atKill = this->RecordingSize();
    EXPECT_TRUE(this->WaitUntil([&] { return !page4.IsRecording(); }));
    uitest::ProcessEvents(10); // the posted wizard buttons

    // The page says the server went, not the device's code.
    CWnd& result = this->Item(page4, 1085);
    EXPECT_TRUE(result.IsWindowVisible());
    EXPECT_EQ(result.GetWindowText(), SoundServerGoneText("PropP4"));
    EXPECT_THAT(this->m_sheet->m_audioEngine.GetLastError(), HasSubstr("Connection terminated"));
    EXPECT_EQ(this->m_sheet->GetWizardButtons(), PSWIZB_BACK | PSWIZB_NEXT);
    // Nothing made up after the server went: at most what was on its way
    // (the buffer being filled and the sound the client library held), and
    // nothing more later.
    const std::uintmax_t atStop = this->RecordingSize();
    EXPECT_LE(atStop, atKill + 2 * CWaveRecorder::kBufferSize);
    this->WaitUntil([] { return false; }, 500);
    EXPECT_EQ(this->RecordingSize(), atStop);
    // Start stays on, for a server that comes back.
    EXPECT_TRUE(this->Item(page4, 1004).IsWindowEnabled());

    // Cancel cannot reach the server: the user is told where the settings
    // wait, and nothing hangs.
    this->Press(IDCANCEL);
    EXPECT_FALSE(this->m_sheet->IsOpen());
    ASSERT_EQ(this->m_shown.size(), 1u);
    EXPECT_THAT(this->m_shown[0], HasSubstr("could not be put back"));
}

TYPED_TEST(WizardPages, AServerKilledWhilePageThreePlaysEndsTheMusicSayingSo) {
    ASSERT_NO_FATAL_FAILURE(this->WalkTo(2));
    CPropPage3& page3 = this->m_sheet->m_page3;
    this->Click(page3, 1001);
    ASSERT_TRUE(page3.IsPlaying());
    ASSERT_TRUE(this->WaitUntil([&] { return this->OursPlays(); }));

    ASSERT_TRUE(this->m_server.Kill());
    EXPECT_TRUE(this->WaitUntil([&] { return !page3.IsPlaying(); }));
    uitest::ProcessEvents(10);

    CWnd& result = this->Item(page3, 1201);
    EXPECT_TRUE(result.IsWindowVisible());
    EXPECT_EQ(result.GetWindowText(), SoundServerGoneText("PropP3"));
    EXPECT_TRUE(this->Item(page3, 1109).IsWindowVisible()) << "Test, not Stop";
    EXPECT_FALSE(this->Item(page3, 1113).IsWindowVisible());
    EXPECT_FALSE(this->Item(page3, 1002).IsWindowEnabled());
    EXPECT_TRUE(this->m_sheet->GetDlgItem(ID_WIZNEXT)->IsWindowEnabled());
}

// The user chooses the other pair in page 2's lists: the test runs again on
// it, its line names it, and the recording volume goes to its microphone.
TYPED_TEST(WizardPages, ThePairChosenOnPageTwoIsNamedAndTakesTheVolumes) {
    ASSERT_NO_FATAL_FAILURE(this->WalkTo(1));
    CPropPage2& page = this->m_sheet->m_page2;
    this->SetDevice("source", kOtherSource, 13107, false);
    for (auto [id, name] :
         {std::pair{1201, kOtherSourceDescription}, std::pair{1203, kOtherSinkDescription}}) {
        CComboBox& box = dynamic_cast<CComboBox&>(this->Item(page, id));
        int index = -1;
        for (int i = 0; i < box.GetCount(); ++i)
            if (box.GetLBText(i) == name)
                index = i;
        ASSERT_GE(index, 0) << name;
        ASSERT_EQ(box.Choose(index), index);
        uitest::ProcessEvents();
    }
    CListCtrl& list = dynamic_cast<CListCtrl&>(this->Item(page, 1024));
    const std::string named = ChosenDevicesLine(kOtherSourceDescription, kOtherSinkDescription);
    EXPECT_TRUE(this->WaitUntil([&] {
        for (int i = 0; i < list.GetItemCount(); ++i)
            if (list.GetItemText(i, 0) == named)
                return !page.IsTesting();
        return false;
    })) << "no line "
        << named;
    this->ExpectDefault("source", kOtherSource);
    this->ExpectDefault("sink", kOtherSink);

    ASSERT_EQ(this->m_sheet->m_mixerSetup.SetRecordingVolume(2500), 1);
    EXPECT_NEAR(this->Volume("source", kOtherSource), 16384, 2);
    EXPECT_NEAR(this->Volume("source", TypeParam::kSource), 19661, 2) << "the first pair's stays";
}

// Speakers plugged in after the sound-card test and chosen on page 2: their
// controls join the snapshot before the wizard sets them, so Cancel puts
// their volume and mute back with both defaults.
TYPED_TEST(WizardPages, SpeakersChosenAfterTheTestAreSetBackByCancel) {
    ASSERT_NO_FATAL_FAILURE(this->WalkTo(1));
    const std::string late = "pelmora_late_sink";
    ASSERT_FALSE(this->m_server.LoadNullDevice(false, late, "Late Speakers").empty());
    this->SetDevice("sink", late, 20000, false);
    CComboBox& speakers = dynamic_cast<CComboBox&>(this->Item(this->m_sheet->m_page2, 1203));
    int index = -1;
    ASSERT_TRUE(this->WaitUntil(
        [&] {
            for (int i = 0; i < speakers.GetCount() && index < 0; ++i)
                if (speakers.GetLBText(i).find("Late Speakers") != std::string::npos)
                    index = i;
            return index >= 0;
        },
        5000))
        << "the page did not list the new speakers";
    ASSERT_NE(speakers.Choose(index), CB_ERR);
    uitest::ProcessEvents();
    // What the wizard does to the speakers it now works on.
    this->SetDevice("sink", late, 50000, true);

    this->Press(IDCANCEL);
    EXPECT_FALSE(this->m_sheet->IsOpen());
    EXPECT_TRUE(this->m_shown.empty()) << this->m_shown.front();
    EXPECT_NEAR(this->Volume("sink", late), 20000, 2);
    EXPECT_FALSE(this->Muted("sink", late));
    EXPECT_NEAR(this->Volume("sink", TypeParam::kSink), 26214, 2);
    this->ExpectDefault("sink", kOtherSink);
    this->ExpectDefault("source", kOtherSource);
}

// A headset plugged in while page 3 plays ("USB Headset 2", a null sink of
// the headset form loaded with pactl): the sheet offers it, taking the offer
// makes it the default sink and the music goes there; unloaded, it ends the
// music, which the server does not move to another sink, and the page names
// it.
TYPED_TEST(WizardPages, AHeadsetPluggedInWhileTheMusicPlaysIsOfferedTakenAndUnplugged) {
    ASSERT_NO_FATAL_FAILURE(this->WalkTo(2));
    CPropPage3& page3 = this->m_sheet->m_page3;
    this->Click(page3, 1001);
    ASSERT_TRUE(page3.IsPlaying());
    ASSERT_TRUE(this->WaitUntil([&] { return this->OursPlays(); }));
    EXPECT_FALSE(this->m_sheet->HasNotice());

    const std::string module =
        this->m_server.LoadNullDevice(false, "pelmora_headset2", "USB Headset 2", "headset");
    ASSERT_FALSE(module.empty());
    ASSERT_TRUE(this->WaitUntil([&] { return this->m_sheet->HasNotice(); }, 5000));
    EXPECT_EQ(this->m_sheet->GetNoticeText(), "USB Headset 2 was plugged in \u2014 use it");
    EXPECT_TRUE(page3.IsPlaying());

    this->Click(*this->m_sheet, CPropertySheet::kNoticeAccept);
    EXPECT_FALSE(this->m_sheet->HasNotice());
    this->ExpectDefault("sink", "pelmora_headset2");
    // The music starts again on the headset.
    const std::string headsetIndex = [&] {
        const std::string sinks = this->Pactl("list short sinks");
        const std::size_t at = sinks.find("pelmora_headset2");
        const std::size_t line = sinks.rfind('\n', at);
        const std::size_t from = line == std::string::npos ? 0 : line + 1;
        return sinks.substr(from, sinks.find('\t', from) - from);
    }();
    EXPECT_TRUE(this->WaitUntil([&] {
        uitest::ProcessEvents(10);
        return this->Pactl("list short sink-inputs").find("\t" + headsetIndex + "\t") !=
               std::string::npos;
    })) << this->Pactl("list short sink-inputs");
    EXPECT_TRUE(page3.IsPlaying());

    ASSERT_TRUE(this->m_server.UnloadModule(module));
    EXPECT_TRUE(this->WaitUntil([&] { return !page3.IsPlaying(); }));
    uitest::ProcessEvents(10);
    EXPECT_EQ(this->Item(page3, 1201).GetWindowText(),
              "The music stopped: USB Headset 2 was unplugged.");
    EXPECT_TRUE(this->WaitUntil([&] { return !this->OursPlays(); }))
        << this->Pactl("list sink-inputs");
    EXPECT_FALSE(this->m_sheet->HasNotice());
    EXPECT_TRUE(this->m_sheet->GetDlgItem(ID_WIZNEXT)->IsWindowEnabled());
}

// A laptop with a USB headset: the built-in pair (its microphone muted and
// the default) beside the headset's. Both are listed by their whole names;
// the heard headset microphone is preselected over the muted built-in one;
// the speakers the user chooses take the music and the microphone he
// chooses back takes the recording (the server's own streams say so).
TYPED_TEST(WizardPages, ALaptopAndAHeadsetAreListedWholeAndTheStreamsFollowTheChoice) {
    struct Device {
        bool source;
        const char* name;
        const char* description;
        const char* form;
    };
    const Device devices[] = {
        {false, "pelmora_builtin_sink", "Built-in Audio Analog Stereo", "internal"},
        {true, "pelmora_builtin_source", "Built-in Audio Analog Stereo Microphone", ""},
        {false, "pelmora_usb_sink", "USB Headset Analog Stereo", "headset"},
        {true, "pelmora_usb_source", "USB Headset Mono Microphone", ""},
    };
    for (const Device& d : devices)
        ASSERT_FALSE(
            this->m_server.LoadNullDevice(d.source, d.name, d.description, d.form).empty());
    ASSERT_TRUE(this->Eventually([&] {
        return this->Pactl("list short sources").find("pelmora_usb_source") != std::string::npos;
    }));
    this->SetDefaults("pelmora_builtin_sink", "pelmora_builtin_source");
    this->SetDevice("source", "pelmora_builtin_source", 30000, true);
    // The daemon's own microphones are muted too: the headset's is the one heard.
    this->SetDevice("source", TypeParam::kSource, 19661, true);
    this->SetDevice("source", kOtherSource, 19661, true);
    this->ExpectDefault("source", "pelmora_builtin_source");
    // The server's number of a sink or source, as its short lists show it.
    auto indexOf = [&](const std::string& kind, const std::string& name) {
        const std::string list = this->Pactl("list short " + kind + "s");
        const std::size_t at = list.find("\t" + name + "\t");
        const std::size_t line = at == std::string::npos ? 0 : list.rfind('\n', at);
        const std::size_t from =
            line == std::string::npos || at == std::string::npos ? 0 : line + 1;
        return list.substr(from, list.find('\t', from) - from);
    };
    // Whether a stream of the kind ("sink-input") runs on that device.
    auto streamOn = [&](const std::string& kind, const std::string& device, const std::string& of) {
        const std::string index = indexOf(device, of);
        return this->Pactl("list short " + kind + "s").find("\t" + index + "\t") !=
               std::string::npos;
    };

    ASSERT_NO_FATAL_FAILURE(this->Open());
    this->Press(ID_WIZNEXT);
    CPropPage2& page2 = this->m_sheet->m_page2;
    CComboBox& microphones = dynamic_cast<CComboBox&>(this->Item(page2, 1201));
    CComboBox& speakers = dynamic_cast<CComboBox&>(this->Item(page2, 1203));
    auto entries = [](CComboBox& box) {
        std::vector<std::string> names;
        for (int i = 0; i < box.GetCount(); ++i)
            names.push_back(box.GetLBText(i));
        return names;
    };
    auto choose = [&](CComboBox& box, const std::string& name) {
        const std::vector<std::string> names = entries(box);
        const auto it = std::find(names.begin(), names.end(), name);
        ASSERT_NE(it, names.end()) << name;
        const int index = static_cast<int>(it - names.begin());
        ASSERT_EQ(box.Choose(index), index);
        uitest::ProcessEvents();
    };
    EXPECT_THAT(entries(microphones), ::testing::IsSupersetOf(std::vector<std::string>{
                                          devices[1].description, devices[3].description}));
    EXPECT_THAT(entries(speakers), ::testing::IsSupersetOf(std::vector<std::string>{
                                       devices[0].description, devices[2].description}));
    for (const std::string& name : entries(microphones))
        EXPECT_EQ(name.find(".monitor"), std::string::npos) << "a monitor offered: " << name;
    EXPECT_EQ(microphones.GetLBText(microphones.GetCurSel()), devices[3].description);
    this->ExpectDefault("source", "pelmora_usb_source");
    EXPECT_EQ(speakers.GetLBText(speakers.GetCurSel()), devices[0].description);

    // The user takes the headset's speakers and the built-in microphone.
    ASSERT_NO_FATAL_FAILURE(choose(speakers, devices[2].description));
    this->ExpectDefault("sink", "pelmora_usb_sink");
    this->Click(page2, 1065);
    ASSERT_TRUE(this->WaitUntil([&] { return !page2.IsTesting(); }, 10000));
    ASSERT_NO_FATAL_FAILURE(choose(microphones, devices[1].description));
    ASSERT_TRUE(this->WaitUntil([&] { return !page2.IsTesting(); }, 10000));
    this->ExpectDefault("source", "pelmora_builtin_source");
    EXPECT_FALSE(this->Muted("source", "pelmora_builtin_source")) << "the test unmuted it";
    ASSERT_TRUE(page2.CanGoOn());

    this->Press(ID_WIZNEXT);
    CPropPage3& page3 = this->m_sheet->m_page3;
    this->Click(page3, 1001);
    ASSERT_TRUE(page3.IsPlaying());
    EXPECT_TRUE(this->WaitUntil([&] { return streamOn("sink-input", "sink", "pelmora_usb_sink"); }))
        << this->Pactl("list short sink-inputs");
    this->Click(page3, 1001);

    this->Press(ID_WIZNEXT);
    CPropPage4& page4 = this->m_sheet->m_page4;
    this->Click(page4, 1004);
    ASSERT_TRUE(page4.IsRecording());
    EXPECT_TRUE(this->WaitUntil([&] {
        return streamOn("source-output", "source", "pelmora_builtin_source");
    })) << this->Pactl("list short source-outputs");
    this->Click(page4, 1004);

    // Cancel: the built-in microphone is muted again and both defaults back.
    this->Press(IDCANCEL);
    EXPECT_TRUE(this->Muted("source", "pelmora_builtin_source"));
    this->ExpectDefault("sink", "pelmora_builtin_sink");
    this->ExpectDefault("source", "pelmora_builtin_source");
}

namespace {

// A talker at a headset microphone: the test sentence (espeak-ng's voice,
// peaking at -3 dBFS) read again and again, 6 dB hot, into a null sink
// whose monitor a remap source turns into a microphone; the server applies
// that source's volume to its samples, cubically and a little late, as it
// does to a real microphone's.
class Talker {
public:
    static constexpr const char* kRoom = "pelmora_room";
    static constexpr const char* kMicrophone = "pelmora_talker_mic";
    static constexpr const char* kMicrophoneDescription = "Talker Headset Microphone";

    template <class Server> bool Load(const Server& server, std::string& why) {
        if (server.LoadNullDevice(false, kRoom, "Talker Room").empty()) {
            why = "no room sink";
            return false;
        }
        const std::string load = std::string("load-module module-remap-source source_name=") +
                                 kMicrophone + " master=" + kRoom + ".monitor";
        std::string index;
        for (int i = 0;
             i < 300 && (!server.Pactl("list short sources", index) ||
                         index.find(std::string(kRoom) + ".monitor") == std::string::npos);
             ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        // pactl is run by a shell: the module's arguments in double quotes,
        // the properties in the module's own single quotes.
        if (!server.Pactl(load + " \"source_properties='device.description=\\\"" +
                              kMicrophoneDescription + "\\\" device.form_factor=headset'\"",
                          index)) {
            why = "no remap source: " + index;
            return false;
        }
        return true;
    }
    // Starts the reading in a process group of its own: the sentence and
    // 0.8 s of silence, a hundred times over in one file made by sox (the
    // server keeps its pace however busy the machine), played again at its
    // end. False where sox cannot make it.
    bool Start(const std::string& directory) {
        const char* root = std::getenv("PELMORA_SOURCE_DIR");
        const std::string reading = directory + "reading.wav";
        const std::string make = std::string("sox -V1 '") + (root ? root : ".") +
                                 "/resources/voice/voice.wav' '" + reading +
                                 "' pad 0 0.8 repeat 99";
        if (std::system(make.c_str()) != 0)
            return false;
        const std::string loop = std::string("while :; do paplay --volume=82000 --device=") +
                                 kRoom + " '" + reading + "'; done";
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
        const char* argv[] = {"sh", "-c", loop.c_str(), nullptr};
        const bool started = posix_spawnp(&m_loop, "sh", nullptr, &attributes,
                                          const_cast<char**>(argv), environ) == 0;
        posix_spawnattr_destroy(&attributes);
        return started;
    }
    ~Talker() {
        if (m_loop > 0) {
            ::kill(-m_loop, SIGTERM);
            ::waitpid(m_loop, nullptr, 0);
        }
    }

    // One sentence and its pause (4.06 s), and a little more.
    static constexpr int kSentenceMs = 4400;

private:
    pid_t m_loop = 0;
};

} // namespace

// The automatic level on the server's microphone: from 10 % (-60 dB, the
// sentence a few steps of the 16-bit scale) and from 100 % (clipping), it
// ends with the peaks of the next whole sentence inside its band, and the
// verdict, which judges what was recorded once it settled, is Good. The runs
// start at other places of the sentence; PELMORA_AUTO_LEVEL_RUNS sets how
// many from each start (1 by default; the level was checked with 9).
TYPED_TEST(WizardPages, TheAutomaticLevelEndsInsideItsBandOnTheServersMicrophone) {
    Talker talker;
    std::string why;
    ASSERT_TRUE(talker.Load(this->m_server, why)) << why;
    this->SetDevice("source", Talker::kMicrophone, kFull, false);
    ASSERT_TRUE(talker.Start(plat::GetTempPath())) << "sox could not make the reading";

    ASSERT_NO_FATAL_FAILURE(this->Open());
    this->Press(ID_WIZNEXT);
    CComboBox& microphones = dynamic_cast<CComboBox&>(this->Item(this->m_sheet->m_page2, 1201));
    int listed = -1;
    ASSERT_TRUE(this->WaitUntil(
        [&] {
            for (int i = 0; i < microphones.GetCount(); ++i)
                if (microphones.GetLBText(i) == Talker::kMicrophoneDescription)
                    listed = i;
            return listed >= 0;
        },
        5000))
        << this->Pactl("list sources");
    if (microphones.GetCurSel() != listed) {
        ASSERT_EQ(microphones.Choose(listed), listed);
        uitest::ProcessEvents();
    }
    ASSERT_TRUE(this->WaitUntil([&] { return !this->m_sheet->m_page2.IsTesting(); }, 10000));
    this->ExpectDefault("source", Talker::kMicrophone);
    this->Click(this->m_sheet->m_page2, 1065);
    ASSERT_TRUE(this->WaitUntil([&] { return !this->m_sheet->m_page2.IsTesting(); }, 10000));
    ASSERT_TRUE(this->m_sheet->m_page2.CanGoOn());
    this->Press(ID_WIZNEXT);
    this->Press(ID_WIZNEXT);
    CPropPage4& page4 = this->m_sheet->m_page4;
    ASSERT_EQ(this->m_sheet->GetActiveIndex(), 3);
    CSliderCtrl& slider = dynamic_cast<CSliderCtrl&>(this->Item(page4, 1018));
    const CWaveRecorder& recorder = this->m_sheet->m_audioEngine.Recorder();

    const char* asked = std::getenv("PELMORA_AUTO_LEVEL_RUNS");
    const int runs = asked ? std::max(1, std::atoi(asked)) : 1;
    for (int run = 0; run < 2 * runs; ++run) {
        const int start = run % 2 ? 10000 : 1000;
        SCOPED_TRACE(testing::Message() << "run " << run << " from " << start / 100 << " %");
        // Where the user left the slider (it moves while a recording runs).
        ASSERT_EQ(this->m_sheet->m_mixerSetup.SetRecordingVolume(start), 1);
        slider.SetPos(start);
        EXPECT_NEAR(this->Volume("source", Talker::kMicrophone), kFull * start / 10000, 8);
        // Somewhere else in the sentence each time.
        this->WaitUntil([] { return false; }, 700 * run % Talker::kSentenceMs);
        this->Click(page4, 1004);
        ASSERT_TRUE(page4.IsRecording());
        ASSERT_TRUE(page4.IsAutoLevelActive());
        const std::uint64_t first = recorder.GetBufferCount();
        // Until a whole sentence was recorded with the volume where it is
        // (counted in the recorder's buffers: a server may start late and
        // hand over several at once).
        constexpr std::uint64_t kSentenceBuffers = Talker::kSentenceMs / 160;
        int volume = slider.GetPos();
        std::uint64_t since = first;
        ASSERT_TRUE(this->WaitUntil(
            [&] {
                if (slider.GetPos() != volume) {
                    volume = slider.GetPos();
                    since = recorder.GetBufferCount();
                }
                return recorder.GetBufferCount() >= since + kSentenceBuffers;
            },
            40000))
            << "the level never settled";
        // The next whole sentence.
        const std::uint64_t settled = recorder.GetBufferCount();
        ASSERT_TRUE(this->WaitUntil(
            [&] { return recorder.GetBufferCount() >= settled + kSentenceBuffers; }, 10000));
        EXPECT_EQ(slider.GetPos(), volume) << "moved again";
        this->Click(page4, 1004);
        ASSERT_FALSE(page4.IsRecording());
        const RecordingAnalysis next = AnalyseRecording(
            this->Recording(), kVerdictLimits,
            static_cast<std::uint32_t>((settled - first) * CWaveRecorder::kBufferSize));
        ASSERT_TRUE(next.ok) << next.error;
        EXPECT_GE(next.figures.peakDbfs, CAutoLevel::kTargetLowDb) << "at " << volume;
        EXPECT_LE(next.figures.peakDbfs, CAutoLevel::kTargetHighDb) << "at " << volume;
        EXPECT_EQ(next.figures.clippedFrames, 0u);
        EXPECT_EQ(this->Item(page4, 1210).GetWindowText(), UiText("Verdict", "Good"))
            << DescribeFigures(next.figures);
        EXPECT_EQ(slider.GetPos(), volume) << "the verdict mended a level that was right";
    }
}
