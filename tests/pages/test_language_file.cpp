// The language file of a run, on the real sheet: the first run shows the
// built-in texts exactly and writes them out in the user's config
// directory, never beside the program; the texts are read once per run; a
// file that is no language file is shown in a message box before the
// wizard, which shows its own texts. Each test has its own config directory.
#include "app/PropSheet.h"
#include "app/WizardApp.h"
#include "platform/files/directories.h"
#include "platform/files/paths.h"
#include "platform/sound_choice.h"
#include "platform/system/program.h"
#include "platform/system/system_testing.h"
#include "platform/system/trace.h"
#include "platform/text/ini_file.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TestDir.h"
#include "texts/UiTexts.h"
#include "ui/Testing.h"
#include "ui/WinApp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The variable the user's config directory follows.
#if defined(_WIN32)
constexpr const char* kConfigVariable = "APPDATA";
#else
constexpr const char* kConfigVariable = "XDG_CONFIG_HOME";
#endif

class LanguageFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(plat::SelectSoundBackend("virtual", error)) << error;
        // No trace library: its log would stay open in the folder removed below.
        plat::SetTraceLibraryName("NoTraceForPageTests.dll");
        m_dir = FreshTestDir("pelmora-language");
        ScopedEnv::Set(kTempDirVariable, m_dir.string().c_str());
        m_config = std::make_unique<ScopedEnv>(kConfigVariable, (m_dir / "config").string());
        m_gui = std::make_unique<CGuiSession>();
        CWizardApp::RegisterFonts();
        plat::SetProductVersionForTesting("9.8.7");
        m_file = plat::GetConfigDirectory() + "pelmora" + plat::kPathSeparator +
                 fs::path(plat::GetModuleFileName()).filename().string() + ".INI";
        ResetUiTexts();
    }
    void TearDown() override {
        uitest::SetMessageBoxHandler(nullptr);
        ResetUiTexts();
        plat::SetProductVersionForTesting(nullptr);
        m_gui.reset();
        m_config.reset();
        ScopedEnv::Clear(kTempDirVariable);
        fs::remove_all(m_dir);
    }

    fs::path m_dir;
    std::string m_file; // the user's language file of this program
    std::unique_ptr<ScopedEnv> m_config;
    std::unique_ptr<CGuiSession> m_gui;
};

const std::string kTitle = " Welcome to the audio wizard!!             Version  9.8.7";

TEST_F(LanguageFile, FirstRunShowsTheDefaultsExactlyAndTheRunReadsTheFileOnce) {
    const std::string beside = plat::GetModuleFileName() + ".INI";
    fs::remove(beside);
    {
        CPropSheet sheet;
        ASSERT_TRUE(sheet.Create());
        uitest::ProcessEvents();
        EXPECT_EQ(uitest::ShownText(sheet), kTitle);
        EXPECT_EQ(uitest::ShownText(*sheet.GetDlgItem(ID_WIZNEXT)), "Next > ");
    }
    ASSERT_TRUE(fs::exists(m_file)) << "the first run writes the defaults out";
    EXPECT_FALSE(fs::exists(beside)) << "nothing is written beside the program";
    CIniFile written;
    ASSERT_TRUE(written.Open(m_file));
    EXPECT_EQ(written.GetString("PropP4", "K3"), "'I am testing the microphone.'");

    // A sheet initialised again in the same run keeps the texts.
    CPropSheet sheet;
    ASSERT_TRUE(sheet.Create());
    uitest::ProcessEvents();
    EXPECT_EQ(uitest::ShownText(sheet), kTitle);
    // Page 4's sentence keeps its leading blanks (page 2 runs its test first).
    uitest::Click(*sheet.GetDlgItem(ID_WIZNEXT));
    uitest::ProcessEvents();
    uitest::Click(*sheet.GetActivePage()->GetDlgItem(1065));
    uitest::ProcessEvents();
    for (int page = 1; page < 3; ++page) {
        uitest::Click(*sheet.GetDlgItem(ID_WIZNEXT));
        uitest::ProcessEvents();
    }
    ASSERT_EQ(sheet.GetActiveIndex(), 3);
    EXPECT_EQ(uitest::ShownText(*sheet.GetActivePage()->GetDlgItem(1107)),
              "                                  'I am testing the microphone.'");
}

TEST_F(LanguageFile, AFileThatIsNoLanguageFileIsShownInAMessageBoxOnce) {
    // Random bytes where the user's file goes.
    std::random_device random;
    std::string noise(4096, '\0');
    for (char& byte : noise)
        byte = static_cast<char>(random() & 0xFF);
    fs::create_directories(fs::path(m_file).parent_path());
    std::ofstream(m_file, std::ios::binary) << noise;

    struct Box {
        std::string text;
        plat::UINT type;
    };
    std::vector<Box> boxes;
    uitest::SetMessageBoxHandler([&](const std::string& text, const std::string&, plat::UINT type) {
        boxes.push_back({text, type});
        return IDOK;
    });
    for (int run = 0; run < 2; ++run) {
        CPropSheet sheet;
        ASSERT_TRUE(sheet.Create());
        uitest::ProcessEvents();
        EXPECT_EQ(uitest::ShownText(sheet), kTitle) << "the built-in texts";
        EXPECT_EQ(uitest::ShownText(*sheet.GetDlgItem(IDCANCEL)), "Cancel");
    }
    ASSERT_EQ(boxes.size(), 1u) << "told once per run";
    EXPECT_EQ(boxes[0].text, "The language file " + m_file +
                                 " cannot be used: it holds bytes that are not text in UTF-8 or "
                                 "Windows-1252. The wizard shows its own texts instead.");
    EXPECT_EQ(boxes[0].type & 0xF0, static_cast<plat::UINT>(MB_ICONWARNING));
    EXPECT_EQ(FileContents(m_file), noise) << "the file is left as it is";
}

} // namespace
