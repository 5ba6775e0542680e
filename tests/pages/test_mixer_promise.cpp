// Cancel puts the sound settings back as they were: on the sheet, with a
// snapshot another run left behind, with a mixer that fails during the
// restore, and at the start after a run that ended without putting them back.
#include "SheetTestSuite.h"
#include "app/PropSheet.h"
#include "app/RunStart.h"
#include "app/WizardApp.h"
#include "mixer/MixerRun.h"
#include "platform/sound_backend.h"
#include "platform/text/ini_file.h"
#include "platform/types.h"
#include "platform/virtual/VirtualCard.h"
#include "tests/support/TestDir.h"
#include "texts/UiTexts.h"
#include "ui/Testing.h"
#include "ui/WinApp.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

class MixerPromise : public SheetTestSuite {
protected:
    void SetUp() override {
        m_card = std::make_shared<plat::CVirtualCard>();
        plat::InstallSoundBackend(m_card);
        m_path = MixerSnapshotPath();
        ASSERT_FALSE(m_path.empty());
        fs::remove(m_path);
        fs::remove(RunRecordPath(m_path));
        uitest::SetMessageBoxHandler(
            [this](const std::string& text, const std::string&, plat::UINT type) {
                m_shown.push_back(text);
                if ((type & 0x0F) != MB_YESNOCANCEL)
                    return IDOK;
                m_buttons = uitest::MessageBoxButtonTexts();
                return m_press.empty() ? m_answer : uitest::MessageBoxButtonId(m_press);
            });
    }
    void TearDown() override { uitest::SetMessageBoxHandler(nullptr); }

    int Playback() {
        CMixerSetup mixer;
        int v = -1;
        EXPECT_EQ(mixer.GetPlaybackVolume(v), 1) << mixer.GetErrorText();
        return v;
    }
    void SetPlayback(int v) {
        CMixerSetup mixer;
        ASSERT_EQ(mixer.SetPlaybackVolume(v), 1) << mixer.GetErrorText();
    }
    static void Open(CPropSheet& sheet) {
        ASSERT_TRUE(sheet.Create());
        uitest::ProcessEvents();
    }
    static void Press(CWnd& parent, int id) {
        CWnd* item = parent.GetDlgItem(id);
        ASSERT_NE(item, nullptr) << id;
        uitest::Click(*item);
        uitest::ProcessEvents();
    }
    // The snapshot file of a run that finished keeping its changes, taken at
    // `volume`: inert, never to be applied by another run.
    void LeaveFinishedRunAt(int volume) {
        SetPlayback(volume);
        CMixerSetup earlier;
        ASSERT_EQ(earlier.SaveSnapshot(m_path), 1) << earlier.GetErrorText();
        earlier.KeepChanges(m_path);
    }

    std::shared_ptr<plat::CVirtualCard> m_card;
    std::string m_path;
    std::vector<std::string> m_shown;
    int m_answer = IDCANCEL;
    std::string m_press;                // the caption pressed, when given
    std::vector<std::string> m_buttons; // the last question's captions
};

TEST_F(MixerPromise, CancelBeforeTheTestAppliesNoSnapshotOfAnotherRun) {
    for (int page = 0; page < 2; ++page) {
        SCOPED_TRACE(page + 1);
        LeaveFinishedRunAt(9000);
        const std::string leftover = FileContents(m_path);
        SetPlayback(2500);
        CPropSheet sheet;
        Open(sheet);
        if (page == 1)
            Press(sheet, ID_WIZNEXT);
        ASSERT_EQ(sheet.GetActiveIndex(), page);
        Press(sheet, IDCANCEL);
        EXPECT_FALSE(sheet.IsOpen());
        EXPECT_NEAR(Playback(), 2500, 10);
        EXPECT_EQ(FileContents(m_path), leftover);
        EXPECT_TRUE(m_shown.empty());
    }
}

TEST_F(MixerPromise, RestoreThatFailsOnCancelKeepsTheSnapshotAndTellsHowToGetItBack) {
    SetPlayback(3000);
    CPropSheet sheet;
    Open(sheet);
    Press(sheet, ID_WIZNEXT);
    Press(*sheet.GetActivePage(), 1065); // Test
    ASSERT_TRUE(fs::exists(m_path));
    Press(sheet, ID_WIZNEXT);
    ASSERT_EQ(sheet.m_mixerSetup.SetPlaybackVolume(8000), 1);

    m_card->FailCall("mixerOpen", plat::MMSYSERR_NODRIVER);
    Press(sheet, IDCANCEL);
    EXPECT_FALSE(sheet.IsOpen());
    ASSERT_EQ(m_shown.size(), 1u);
    EXPECT_THAT(m_shown[0], HasSubstr("could not be put back"));
    EXPECT_THAT(m_shown[0], HasSubstr("Error opening mixer device : 6"));
    EXPECT_THAT(m_shown[0], HasSubstr(m_path));
    EXPECT_THAT(m_shown[0], HasSubstr("pelmora --restore-mixer"));
    EXPECT_TRUE(fs::exists(m_path));
    EXPECT_TRUE(fs::exists(RunRecordPath(m_path)));

    // The record names this process, which still runs: it is this run's own,
    // offered only once the process is gone (MixerRun tests).
    m_card->ClearFailures();
    EXPECT_EQ(FindSnapshotOwner(m_path), SnapshotOwner::ThisRun);
}

// A record naming a process that is gone, beside a snapshot at 3000, with
// the mixer at 9500 since.
void LeaveEndedRun(const std::string& path, const std::function<void(int)>& setPlayback) {
    DiscardWaitingSnapshot(path);
    setPlayback(3000);
    CMixerSetup ended;
    ASSERT_EQ(ended.SaveSnapshot(path), 1);
    CIniFile record;
    ASSERT_TRUE(record.Open(RunRecordPath(path)));
    record.SetString("Run", "Start", "1"); // started at another time: gone
    ASSERT_TRUE(record.Save(RunRecordPath(path)));
    setPlayback(9500);
}

TEST_F(MixerPromise, TheStartOffersTheSnapshotOfAnEndedRun) {
    struct Case {
        const char* press;
        int volume;   // afterwards
        bool waiting; // the snapshot still waits
    };
    for (const Case c : {Case{"Ask me later", 9500, true}, Case{"Keep as it is", 9500, false},
                         Case{"Put back", 3000, false}}) {
        SCOPED_TRACE(c.press);
        LeaveEndedRun(m_path, [&](int v) { SetPlayback(v); });
        m_press = c.press;
        m_shown.clear();
        CRunLock lock;
        EXPECT_TRUE(StartRun(lock));
        EXPECT_TRUE(lock.Held());
        ASSERT_EQ(m_shown.size(), 1u);
        EXPECT_THAT(m_shown[0], HasSubstr("ended before it could put your sound settings back"));
        EXPECT_THAT(m_shown[0], HasSubstr("Put the sound settings back"));
        // The buttons say what they do: no legend of Yes, No and Cancel.
        EXPECT_THAT(m_shown[0], Not(HasSubstr("Cancel:")));
        EXPECT_EQ(m_buttons,
                  (std::vector<std::string>{"Put back", "Keep as it is", "Ask me later"}));
        EXPECT_NEAR(Playback(), c.volume, 10);
        EXPECT_EQ(FindSnapshotOwner(m_path) == SnapshotOwner::EndedRun, c.waiting);
        EXPECT_EQ(fs::exists(m_path), c.waiting);
    }
}

TEST_F(MixerPromise, TheStartAsksInTheUsersLanguage) {
    // The run's texts, loaded before the question (the question loads them
    // itself otherwise): the shipped German.
    const fs::path dir = FreshTestDir("pelmora-recovery");
    fs::copy_file(fs::path(std::getenv("PELMORA_SOURCE_DIR")) / "resources" / "lang" / "de.INI",
                  dir / "pelmora.INI");
    LoadUiTextsFrom((dir / "pelmora.INI").string());
    LeaveEndedRun(m_path, [&](int v) { SetPlayback(v); });
    m_press = "So lassen";
    {
        CRunLock lock;
        EXPECT_TRUE(StartRun(lock));
    }
    ResetUiTexts();
    ASSERT_EQ(m_shown.size(), 1u);
    // The file's bytes (Windows-1252).
    EXPECT_THAT(m_shown[0], HasSubstr("Die Toneinstellungen so wiederherstellen"));
    EXPECT_EQ(m_buttons,
              (std::vector<std::string>{"Wiederherstellen", "So lassen", "Sp\xE4ter fragen"}));
    EXPECT_FALSE(fs::exists(m_path)); // kept as it is: the snapshot is gone
    EXPECT_NEAR(Playback(), 9500, 10);
}

TEST_F(MixerPromise, ASecondWizardIsRefused) {
    CRunLock first;
    ASSERT_TRUE(StartRun(first));
    EXPECT_TRUE(m_shown.empty());
    CRunLock second;
    EXPECT_FALSE(StartRun(second));
    ASSERT_EQ(m_shown.size(), 1u);
    EXPECT_THAT(m_shown[0], HasSubstr("already running"));
}

} // namespace
