// A run of the wizard as the user's language asks: with no language file
// of his own, the sheet shows the translation shipped in the build tree's
// data directory (found from the program's directory, as an installed
// program finds its own), the trace log says which file, and the file left
// beside the program holds the translation. The only test of this program,
// so no other test process touches its language file meanwhile.
#include "app/PropSheet.h"
#include "app/UiTexts.h"
#include "app/WizardApp.h"
#include "platform/IniFile.h"
#include "platform/sound_choice.h"
#include "platform/system.h"
#include "platform/system_testing.h"
#include "platform/text_encoding.h"
#include "platform/trace.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ShownTranslation.h"
#include "tests/support/TestDir.h"
#include "ui/Testing.h"
#include "ui/WinApp.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct TraceMessage {
    int severity;
    std::string module;
    std::string text;
};
std::vector<TraceMessage> g_messages;

bool Traced(const std::string& text) {
    for (const TraceMessage& m : g_messages)
        if (m.severity == 0 && m.module == "UiTexts" && m.text == text)
            return true;
    return false;
}

TEST(LanguageTranslation, TheUsersLanguageIsShownTracedAndLeftBesideTheProgramToEdit) {
    std::string error;
    ASSERT_TRUE(plat::SelectSoundBackend("virtual", error)) << error;
    const fs::path dir = FreshTestDir("pelmora-translation");
    ScopedEnv tmp(kTempDirVariable, dir.string());
    ScopedEnv runtime("XDG_RUNTIME_DIR", nullptr);
    ScopedEnv config("XDG_CONFIG_HOME", (dir / "config").string());
    ScopedEnv language("LANGUAGE", "de_CH:fr");
    CGuiSession gui;
    CWizardApp::RegisterFonts();
    plat::SetTraceListener([](int severity, const char* module, int, const char* text) {
        g_messages.push_back({severity, module, text});
    });
    plat::SetProductVersionForTesting("9.8.7");
    const std::string beside = plat::GetModuleFileName() + ".INI";
    fs::remove(beside);
    ResetUiTexts();

    const std::string shipped = plat::WithTrailingSeparator(plat::GetDataDirectory()) + "pelmora" +
                                plat::kPathSeparator + "lang" + plat::kPathSeparator + "de.INI";
    CIniFile german;
    ASSERT_TRUE(german.Open(shipped)) << shipped;
    const auto Shown = [&german](const char* section, const char* key) {
        return plat::Windows1252ToUtf8(german.GetString(section, key));
    };
    {
        CPropSheet sheet;
        ASSERT_TRUE(sheet.Create());
        uitest::ProcessEvents();
        EXPECT_EQ(uitest::ShownText(*sheet.GetDlgItem(IDCANCEL)), Shown("PropSheet", "K1"));
        EXPECT_EQ(uitest::ShownText(*sheet.GetDlgItem(ID_WIZNEXT)), Shown("PropSheet", "K2"));
        EXPECT_EQ(uitest::ShownText(sheet),
                  Shown("PropSheet", "K3") + " " + Shown("PropSheet", "K8") + " 9.8.7");
        EXPECT_EQ(LanguageFilePath(), beside);
        EXPECT_TRUE(Traced("Translation " + shipped)) << "the trace names the translation";
        EXPECT_TRUE(Traced("Language file " + beside + " created"));
    }
    EXPECT_EQ(FileContents(beside), ShownTranslation(FileContents(shipped)));
    EXPECT_FALSE(fs::exists(dir / "config")) << "the program's directory took the file";

    // The next run reads that file and says so.
    g_messages.clear();
    ResetUiTexts();
    {
        ScopedEnv english("LANGUAGE", "en");
        CPropSheet sheet;
        ASSERT_TRUE(sheet.Create());
        uitest::ProcessEvents();
        EXPECT_EQ(uitest::ShownText(*sheet.GetDlgItem(IDCANCEL)), Shown("PropSheet", "K1"))
            << "the user's file comes before his language";
        EXPECT_TRUE(Traced("Language file " + beside));
    }

    fs::remove(beside);
    ResetUiTexts();
    plat::SetProductVersionForTesting(nullptr);
    plat::SetTraceListener({});
    fs::remove_all(dir);
}

} // namespace
