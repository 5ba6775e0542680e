// The virtual card standing in for missing hardware is never silent: the
// welcome page, the title bar and the sound-card test say so, also when the
// choice is made only once page 1 is on the screen; a virtual card that was
// asked for is used without the notice.
#include "SheetTestSuite.h"
#include "app/PropSheet.h"
#include "app/WizardApp.h"
#include "platform/sound_choice.h"
#include "platform/virtual/VirtualCard.h"
#include "texts/SoundNotice.h"
#include "ui/ListCtrl.h"
#include "ui/Testing.h"
#include "ui/WinApp.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class SimulatedCardNotice : public SheetTestSuite {
protected:
    void TearDown() override { uitest::SetMessageBoxHandler(nullptr); }

    // This program links no real backend: the automatic choice finds neither
    // a sound server nor a card and falls back to the virtual card.
    static void Choose(const std::string& choice) {
        std::string error;
        ASSERT_TRUE(plat::SelectSoundBackend(choice, error)) << error;
    }
    static CWnd& Item(CWnd& parent, int id) {
        CWnd* item = parent.GetDlgItem(id);
        if (item == nullptr)
            throw std::runtime_error("no control " + std::to_string(id));
        return *item;
    }
    // The lines of the sound-card test, run from page 2.
    static std::vector<std::string> SoundCardTestLines(CPropSheet& sheet) {
        sheet.PressButton(ID_WIZNEXT);
        uitest::ProcessEvents();
        EXPECT_EQ(sheet.GetActiveIndex(), 1);
        uitest::Click(Item(sheet.m_page2, 1065));
        uitest::ProcessEvents();
        auto& list = dynamic_cast<CListCtrl&>(Item(sheet.m_page2, 1024));
        std::vector<std::string> lines;
        for (int i = 0; i < list.GetItemCount(); ++i)
            lines.push_back(list.GetItemText(i, 1) + ": " + list.GetItemText(i, 0));
        return lines;
    }
    static bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    // Page 1's notice below its last line and on the page, the title's
    // suffix, and the sound-card test's line (which leaves page 2 showing).
    static void ExpectFallbackAnnounced(CPropSheet& sheet) {
        CWnd& notice = Item(sheet.m_page1, 1199);
        EXPECT_TRUE(notice.IsWindowVisible());
        EXPECT_EQ(notice.GetWindowText(), SimulatedCardNoticeText());
        EXPECT_GE(notice.GetRectInParent().top, Item(sheet.m_page1, 1096).GetRectInParent().bottom);
        EXPECT_LE(notice.GetRectInParent().bottom, sheet.m_page1.GetPageHeight()) << "on the page";
        EXPECT_LE(notice.GetRectInParent().right, sheet.m_page1.GetPageWidth()) << "on the page";
        const std::string title = sheet.GetWindowText();
        ASSERT_GE(title.size(), SimulatedCardTitleText().size());
        EXPECT_EQ(title.substr(title.size() - SimulatedCardTitleText().size()),
                  SimulatedCardTitleText());
        const std::vector<std::string> lines = SoundCardTestLines(sheet);
        EXPECT_TRUE(HasLine(lines, "Soft error: " + NoRealDeviceText()))
            << ::testing::PrintToString(lines);
    }
};

TEST_F(SimulatedCardNotice, AFallbackIsAnnouncedOnPageOneTheTitleAndTheSoundCardTest) {
    Choose("");
    ASSERT_TRUE(plat::VirtualCardIsFallback());
    CPropSheet sheet;
    ASSERT_TRUE(sheet.Create());
    uitest::ProcessEvents();

    ExpectFallbackAnnounced(sheet);
    EXPECT_NE(Item(sheet.m_page1, 1199).GetWindowText().find("pelmora --report"),
              std::string::npos);
    sheet.PressButton(IDCANCEL);
    uitest::ProcessEvents();
}

TEST_F(SimulatedCardNotice, TheChoiceLeftUntilPageOneIsOnTheScreenIsMadeAndAnnouncedThen) {
    Choose("virtual");
    plat::SelectSoundBackendOnFirstUse();
    CPropSheet sheet;
    ASSERT_TRUE(sheet.Create());
    // Page 1 is built and laid out without the sound system: nothing was
    // chosen on the way, so nothing is announced yet.
    EXPECT_FALSE(plat::VirtualCardIsFallback());
    CWnd& notice = Item(sheet.m_page1, 1199);
    EXPECT_FALSE(notice.IsWindowVisible());
    // Right after the first painting the choice is made: no server, no card.
    for (int i = 0; i < 100 && !plat::VirtualCardIsFallback(); ++i)
        uitest::ProcessEvents(10);
    uitest::ProcessEvents();
    ASSERT_TRUE(plat::VirtualCardIsFallback());
    EXPECT_FALSE(plat::MakePendingSoundBackend()) << "made once";
    ExpectFallbackAnnounced(sheet);
    sheet.PressButton(IDCANCEL);
    uitest::ProcessEvents();
    Choose("virtual");
}

TEST_F(SimulatedCardNotice, AVirtualCardAskedForIsUsedWithoutTheNotice) {
    Choose("");
    Choose("virtual");
    ASSERT_FALSE(plat::VirtualCardIsFallback());
    CPropSheet sheet;
    ASSERT_TRUE(sheet.Create());
    uitest::ProcessEvents();

    EXPECT_FALSE(Item(sheet.m_page1, 1199).IsWindowVisible());
    EXPECT_EQ(sheet.GetWindowText().find(SimulatedCardTitleText()), std::string::npos);
    const std::vector<std::string> lines = SoundCardTestLines(sheet);
    EXPECT_FALSE(HasLine(lines, "Soft error: " + NoRealDeviceText()))
        << ::testing::PrintToString(lines);
    sheet.PressButton(IDCANCEL);
    uitest::ProcessEvents();
}

TEST_F(SimulatedCardNotice, AFailedChoiceKeepsWhatIsSaidOfTheInstalledCard) {
    Choose("");
    std::string error;
    EXPECT_FALSE(plat::SelectSoundBackend("alsa", error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(plat::VirtualCardIsFallback());
    Choose("virtual");
    EXPECT_FALSE(plat::SelectSoundBackend("virtual:", error));
    EXPECT_FALSE(plat::VirtualCardIsFallback());
}

// A card that chose its devices among several, as the sound server does.
class CChoosingCard : public plat::CVirtualCard {
public:
    bool ChosenDevices(std::string& microphone, std::string& speakers) override {
        microphone = "USB Headset";
        speakers = "HDMI Audio";
        return true;
    }
};

TEST_F(SimulatedCardNotice, DevicesChosenAmongSeveralAreNamedByTheSoundCardTest) {
    Choose("virtual");
    const std::string line = "Successful: Microphone: USB Headset, speakers: HDMI Audio";
    {
        CPropSheet sheet;
        ASSERT_TRUE(sheet.Create());
        uitest::ProcessEvents();
        EXPECT_FALSE(HasLine(SoundCardTestLines(sheet), line)) << "the virtual card chose none";
        sheet.PressButton(IDCANCEL);
        uitest::ProcessEvents();
    }
    plat::InstallSoundBackend(std::make_shared<CChoosingCard>());
    CPropSheet sheet;
    ASSERT_TRUE(sheet.Create());
    uitest::ProcessEvents();
    const std::vector<std::string> lines = SoundCardTestLines(sheet);
    EXPECT_TRUE(HasLine(lines, line)) << ::testing::PrintToString(lines);
    EXPECT_TRUE(sheet.m_page2.CanGoOn()) << "a line of information, not an error";
    sheet.PressButton(IDCANCEL);
    uitest::ProcessEvents();
    Choose("virtual");
}

} // namespace
