// The language file of a run, on the real sheet: the first run shows the
// built-in texts exactly and writes them out; the texts are read once per
// run. The only test of this program, so no other test process touches its
// language file (the program's name + ".INI" beside it) meanwhile.
#include "app/PropSheet.h"
#include "app/UiTexts.h"
#include "app/WizardApp.h"
#include "platform/IniFile.h"
#include "platform/sound_choice.h"
#include "platform/system.h"
#include "platform/system_testing.h"
#include "platform/trace.h"
#include "tests/support/ScopedEnv.h"
#include "ui/Testing.h"
#include "ui/WinApp.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

TEST(LanguageFile, FirstRunShowsTheDefaultsExactlyAndTheRunReadsTheFileOnce) {
    std::string error;
    ASSERT_TRUE(plat::SelectSoundBackend("virtual", error)) << error;
    // No trace library: its log would stay open in the folder removed below.
    plat::SetTraceLibraryName("NoTraceForPageTests.dll");
    const fs::path temp =
        fs::temp_directory_path() / ("pelmora-language-" + std::to_string(::getpid()));
    fs::create_directories(temp);
    ScopedEnv::Set(kTempDirVariable, temp.string().c_str());
    CGuiSession gui;
    CWizardApp::RegisterFonts();
    plat::SetProductVersionForTesting("9.8.7");
    const std::string file = plat::GetModuleFileName() + ".INI";
    fs::remove(file);
    ResetUiTexts();

    const std::string title = " Welcome to the audio wizard!!             Version  9.8.7";
    {
        CPropSheet sheet;
        ASSERT_TRUE(sheet.Create());
        uitest::ProcessEvents();
        EXPECT_EQ(uitest::ShownText(sheet), title);
        EXPECT_EQ(uitest::ShownText(*sheet.GetDlgItem(ID_WIZNEXT)), "Next > ");
    }
    ASSERT_TRUE(fs::exists(file)) << "the first run writes the defaults out";
    CIniFile written;
    ASSERT_TRUE(written.Open(file));
    EXPECT_EQ(written.GetString("PropP4", "K3"), "'I am testing the microphone.'");

    // A sheet initialised again in the same run keeps the texts: it does not
    // read the file the run has just written, which would trim them.
    CPropSheet sheet;
    ASSERT_TRUE(sheet.Create());
    uitest::ProcessEvents();
    EXPECT_EQ(uitest::ShownText(sheet), title);
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

    fs::remove(file);
    ResetUiTexts();
    plat::SetProductVersionForTesting(nullptr);
    ScopedEnv::Clear(kTempDirVariable);
    fs::remove_all(temp);
}

} // namespace
