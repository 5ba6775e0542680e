// The wizard on a real X display under a window manager (tests/desktop/
// x-desktop.sh), clicked as a user clicks: xdotool moves the server's pointer
// and presses its button, and the X server hands the events to whatever
// window lies under the pointer. Nothing here calls a control directly: what
// the window manager, the toolkit and our controls do with a click on a
// check box's text is what is tested.
#include "app/PropSheet.h"
#include "mixer/MixerSetup.h"
#include "platform/files/directories.h"
#include "platform/sound_backend.h"
#include "platform/virtual/VirtualCard.h"
#include "texts/UiTexts.h"
#include "ui/CheckBox.h"
#include "ui/Testing.h"

#include "../pages/SheetTestSuite.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace fs = std::filesystem;
using plat::CVirtualCard;

namespace {

constexpr int kEndOutcomeLine = 1130;
constexpr int kKeepLine = 1119;
constexpr int kKeepBox = 1120;

// Runs the events until `done` holds, for at most five seconds: the pointer's
// events travel through the X server and the window manager first.
bool WaitFor(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        uitest::ProcessEvents(20);
    }
    return true;
}

// A click of the first mouse button at a point of the screen.
void ClickAt(int x, int y) {
    const std::string command =
        "xdotool mousemove --sync " + std::to_string(x) + " " + std::to_string(y) + " click 1";
    ASSERT_EQ(0, std::system(command.c_str())) << command;
}

// The screen point `dx` pixels into the window from its left, at half its
// height (dx < 0: from its right).
void ClickInto(const CWnd& wnd, int dx) {
    CRect r;
    wnd.GetWindowRect(r);
    ClickAt(dx >= 0 ? r.left + dx : r.right + dx, (r.top + r.bottom) / 2);
}

class MouseClicksTest : public SheetTestSuite {
protected:
    static void SetUpTestSuite() {
        if (std::getenv("DISPLAY") == nullptr)
            GTEST_SKIP() << "runs on an X display: tests/desktop/x-desktop.sh";
        SheetTestSuite::SetUpTestSuite();
        s_app = new CWizardApp();
    }
    static void TearDownTestSuite() {
        delete s_app;
        s_app = nullptr;
        if (s_gui != nullptr)
            SheetTestSuite::TearDownTestSuite();
    }

    void SetUp() override {
        ScopedEnv::Set("PELMORA_REGISTRY", (s_temp / "registry.reg").string().c_str());
        m_card =
            std::make_shared<CVirtualCard>(plat::DefaultCardDesc(), CVirtualCard::Clock::Manual);
        plat::InstallSoundBackend(m_card);
        ResetUiTexts();
    }
    void TearDown() override {
        CloseSheet(m_sheet);
        if (m_card)
            m_card->WaitCallbacks();
        plat::InstallSoundBackend(nullptr);
        ScopedEnv::Clear("PELMORA_REGISTRY");
    }

    // The sheet on page `index`, after the sound-card test's snapshot, shown
    // on the desktop and drawn.
    void Open(int index) {
        m_sheet = std::make_unique<CPropSheet>();
        ASSERT_TRUE(m_sheet->Create());
        ASSERT_EQ(1, m_sheet->m_mixerSetup.SaveSnapshot(Snapshot()));
        for (int page = 1; page <= index; ++page)
            ASSERT_TRUE(m_sheet->SetActivePage(page));
        // The window manager maps the window and gives it its place.
        uitest::ProcessEvents(500);
    }

    CWnd& Item(int id) const {
        CWnd* item = m_sheet->GetActivePage()->GetDlgItem(id);
        if (item == nullptr)
            item = m_sheet->GetDlgItem(id);
        EXPECT_NE(item, nullptr) << id;
        return *item;
    }
    bool Checked(int id) const {
        return dynamic_cast<CCheckBox&>(Item(id)).GetCheck() == BST_CHECKED;
    }
    int Playback() const {
        int volume = -1;
        m_sheet->m_mixerSetup.GetPlaybackVolume(volume);
        return volume;
    }
    static std::string Snapshot() { return plat::GetTempPath() + "Mixer.ser"; }

    static inline CWizardApp* s_app = nullptr;
    std::shared_ptr<CVirtualCard> m_card;
    std::unique_ptr<CPropSheet> m_sheet;
};

TEST_F(MouseClicksTest, AClickOnTheKeepLinesTextTicksItsBoxAndEndKeepsTheSettings) {
    Open(4);
    ASSERT_EQ(1, m_sheet->m_mixerSetup.SetPlaybackVolume(2000));
    const int set = Playback();
    ASSERT_FALSE(Checked(kKeepBox));
    EXPECT_EQ(UiText("PropP5", "EndRestores"), uitest::ShownText(Item(kEndOutcomeLine)));

    // On the line's first words.
    ClickInto(Item(kKeepLine), 30);
    EXPECT_TRUE(WaitFor([&] { return Checked(kKeepBox); })) << "the click on the text";
    EXPECT_EQ(UiText("PropP5", "EndKeeps"), uitest::ShownText(Item(kEndOutcomeLine)));
    EXPECT_EQ(&Item(kKeepBox), uitest::FocusedWindow());

    // Just before the box, past the text's end: the line reaches its box.
    ClickInto(Item(kKeepLine), -3);
    EXPECT_TRUE(WaitFor([&] { return !Checked(kKeepBox); })) << "the click before the box";
    EXPECT_EQ(UiText("PropP5", "EndRestores"), uitest::ShownText(Item(kEndOutcomeLine)));
    // And on the box itself.
    ClickInto(Item(kKeepBox), 7);
    ASSERT_TRUE(WaitFor([&] { return Checked(kKeepBox); })) << "the click on the box";

    ClickInto(Item(ID_WIZFINISH), 20);
    ASSERT_TRUE(WaitFor([&] { return !m_sheet->IsOpen(); })) << "End";
    EXPECT_EQ(set, Playback()) << "the level the user set is kept";
    EXPECT_TRUE(fs::exists(Snapshot())) << "kept settings leave the snapshot for later";
}

TEST_F(MouseClicksTest, WithTheBoxLeftUnticked_EndPutsTheMixerBack) {
    Open(4);
    const int original = Playback();
    ASSERT_EQ(1, m_sheet->m_mixerSetup.SetPlaybackVolume(original == 2000 ? 3000 : 2000));
    // A click on the page beside the line (left of its text) ticks nothing.
    CRect line;
    Item(kKeepLine).GetWindowRect(line);
    ClickAt(line.left - 6, (line.top + line.bottom) / 2);
    uitest::ProcessEvents(200);
    EXPECT_FALSE(Checked(kKeepBox));
    ClickInto(Item(ID_WIZFINISH), 20);
    ASSERT_TRUE(WaitFor([&] { return !m_sheet->IsOpen(); })) << "End";
    EXPECT_EQ(original, Playback());
    EXPECT_FALSE(fs::exists(Snapshot()));
}

TEST_F(MouseClicksTest, AClickOnTheAutomaticLevelLineTurnsItOffAndOn) {
    Open(3);
    const int box = CPropPage4::kAutoLevelBox;
    const int label = CPropPage4::kAutoLevelLabel;
    ASSERT_TRUE(Checked(box));
    ClickInto(Item(label), 20);
    EXPECT_TRUE(WaitFor([&] { return !Checked(box); }));
    ClickInto(Item(label), -4);
    EXPECT_TRUE(WaitFor([&] { return Checked(box); }));
}

} // namespace
