// The wizard walked by the mouse from the welcome page to Finish on the
// system's own sound devices (winmm; under Wine, its devices over an ALSA
// null device), as the program runs it: the sound-card test, the music, a
// recording and its replay, then Finish. Each page is photographed as it
// stands before Next into PELMORA_WALK_SHOTS (default: the suite's
// temporary folder), page1.png ... page5.png.
#include "tests/pages/SheetTestSuite.h"

#include "app/PropSheet.h"
#include "platform/sound_backend.h"
#include "platform/system/trace.h"
#include "platform/win32/winmm_backend.h"
#include "resources/ProgramResources.h"
#include "tests/support/TestDir.h"
#include "ui/CheckBox.h"
#include "ui/ComboBox.h"
#include "ui/Dialog.h"
#include "ui/Render.h"
#include "ui/Testing.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace plat;

namespace {

class WizardWalkTest : public SheetTestSuite {
protected:
    void SetUp() override {
        SetTraceLibraryName("NoTraceForPageTests.dll");
        RegisterProgramResources();
        std::string error;
        backend = OpenWinmmBackend(error);
        ASSERT_TRUE(backend) << error;
        InstallSoundBackend(backend);
        const char* shots = std::getenv("PELMORA_WALK_SHOTS");
        shotDir = shots != nullptr && *shots != '\0' ? fs::path(shots) : s_temp / "shots";
        fs::create_directories(shotDir);
        uitest::SetMessageBoxHandler([this](const std::string& text, const std::string&, UINT) {
            messages.push_back(text);
            return IDOK;
        });
        sheet = std::make_unique<CPropSheet>();
        ASSERT_TRUE(sheet->Create());
        uitest::ProcessEvents();
    }
    void TearDown() override {
        CloseSheet(sheet);
        uitest::SetMessageBoxHandler(nullptr);
        InstallSoundBackend(nullptr);
    }

    // Real time passes while the page's timers and the devices run.
    static void Run(int ms) { uitest::RunEventLoop(ms); }
    // Runs the loop until done() holds, for up to ms milliseconds.
    template <typename Done> static bool RunUntil(Done done, int ms) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!done() && std::chrono::steady_clock::now() < deadline)
            Run(20);
        return done();
    }
    void Click(int id) {
        CWnd* page = sheet->GetActivePage();
        ASSERT_NE(page, nullptr);
        CWnd* control = page->GetDlgItem(id);
        ASSERT_NE(control, nullptr) << "control " << id;
        ASSERT_TRUE(control->IsWindowEnabled()) << "control " << id;
        uitest::Click(*control);
        uitest::ProcessEvents();
    }
    void Next() {
        uitest::Click(*sheet->GetDlgItem(ID_WIZNEXT));
        uitest::ProcessEvents();
    }
    // The sheet as it stands, into shotDir/pageN.png.
    void Shot(int page) {
        uitest::ProcessEvents(50);
        const fs::path file = shotDir / ("page" + std::to_string(page) + ".png");
        std::string error;
        ASSERT_TRUE(RenderWindowToPng(*sheet, file.string(), error)) << error;
        shots.push_back(FileContents(file));
    }

    std::shared_ptr<SoundBackend> backend;
    std::unique_ptr<CPropSheet> sheet;
    fs::path shotDir;
    std::vector<std::string> shots;
    std::vector<std::string> messages;
};

TEST_F(WizardWalkTest, FromTheWelcomePageToFinishOnTheSystemsDevices) {
    ASSERT_TRUE(IsWinmmBackend(CurrentSoundBackend()));
    ASSERT_EQ(sheet->GetActiveIndex(), 0);
    Shot(1);
    Next();
    ASSERT_EQ(sheet->GetActiveIndex(), 1);

    // Page 2: the speakers' list holds the system's wave devices by their
    // names; the last one chosen there is the device the wave calls of
    // WAVE_MAPPER use from then on.
    CComboBox& speakers = dynamic_cast<CComboBox&>(*sheet->m_page2.GetDlgItem(1203));
    std::vector<SoundDevice> outputs;
    for (const SoundDevice& d : backend->ListDevices())
        if (d.direction == DeviceDirection::Output)
            outputs.push_back(d);
    ASSERT_EQ(speakers.GetCount(), static_cast<int>(outputs.size()));
    for (int i = 0; i < speakers.GetCount(); ++i)
        EXPECT_EQ(speakers.GetLBText(i), outputs[i].description);
    const int last = speakers.GetCount() - 1;
    ASSERT_EQ(speakers.Choose(last), last);
    uitest::ProcessEvents();
    int chosen = -1;
    outputs.clear();
    for (const SoundDevice& d : backend->ListDevices())
        if (d.direction == DeviceDirection::Output)
            outputs.push_back(d);
    for (int i = 0; i < static_cast<int>(outputs.size()); ++i)
        if (outputs[i].isDefault)
            chosen = i;
    EXPECT_EQ(chosen, last) << speakers.GetLBText(last);

    // The sound-card test on the devices, to its end.
    Click(1065);
    ASSERT_TRUE(RunUntil([&] { return !sheet->m_page2.IsTesting(); }, 30000));
    EXPECT_GT(sheet->m_page2.GetResultCount(), 0);
    ASSERT_TRUE(sheet->m_page2.CanGoOn());
    Shot(2);
    Next();
    ASSERT_EQ(sheet->GetActiveIndex(), 2);

    // Page 3: the music plays for a while, and stops.
    Click(1001);
    ASSERT_TRUE(sheet->m_page3.IsPlaying());
    Run(1500);
    EXPECT_TRUE(sheet->m_page3.IsPlaying());
    Shot(3);
    Click(1001);
    EXPECT_FALSE(sheet->m_page3.IsPlaying());
    Next();
    ASSERT_EQ(sheet->GetActiveIndex(), 3);

    // Page 4: a recording from the device, then its replay to the end.
    Click(1004);
    ASSERT_TRUE(sheet->m_page4.IsRecording());
    Run(1500);
    Click(1004);
    ASSERT_FALSE(sheet->m_page4.IsRecording());
    ASSERT_TRUE(sheet->recordingMade);
    Click(1064);
    EXPECT_TRUE(sheet->m_page4.IsReplaying());
    EXPECT_TRUE(RunUntil([&] { return !sheet->m_page4.IsReplaying(); }, 30000))
        << "the replay ends by itself";
    Shot(4);
    Next();
    ASSERT_EQ(sheet->GetActiveIndex(), 4);

    // Page 5: nothing is installed; Finish keeps the volumes.
    Shot(5);
    uitest::Click(*sheet->GetDlgItem(ID_WIZFINISH));
    uitest::ProcessEvents();
    EXPECT_FALSE(sheet->IsOpen());
    EXPECT_EQ(sheet->GetResult(), ID_WIZFINISH);
    EXPECT_TRUE(messages.empty()) << messages.front();

    // Five pictures, each of another page.
    ASSERT_EQ(shots.size(), 5u);
    for (size_t i = 0; i < shots.size(); ++i) {
        EXPECT_GT(shots[i].size(), 1000u) << "page " << i + 1;
        if (i > 0) {
            EXPECT_NE(shots[i], shots[i - 1]) << "pages " << i << " and " << i + 1;
        }
    }
}

} // namespace
