// A run of the wizard as the user's language asks: with no language file
// of his own, the sheet and its help dialogs show the translation shipped
// in the build tree's data directory (found from the program's directory,
// as an installed program finds its own), the trace log says which file,
// and the file left in the user's config directory holds the translation;
// the next run in another language follows that language.
#include "app/PropSheet.h"
#include "app/WizardApp.h"
#include "pages/ConnectionsDlg.h"
#include "pages/HeadsetDlg.h"
#include "platform/files/directories.h"
#include "platform/files/paths.h"
#include "platform/sound_choice.h"
#include "platform/system/program.h"
#include "platform/system/system_testing.h"
#include "platform/system/trace.h"
#include "platform/text/ini_file.h"
#include "platform/text/text_encoding.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ShownTranslation.h"
#include "tests/support/TestDir.h"
#include "texts/UiTexts.h"
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

TEST(LanguageTranslation, TheUsersLanguageIsShownTracedAndLeftInHisConfigDirectoryToEdit) {
    std::string error;
    ASSERT_TRUE(plat::SelectSoundBackend("virtual", error)) << error;
    const fs::path dir = FreshTestDir("pelmora-translation");
    ScopedEnv tmp(kTempDirVariable, dir.string());
    ScopedEnv runtime("XDG_RUNTIME_DIR", nullptr);
#if defined(_WIN32)
    ScopedEnv config("APPDATA", (dir / "config").string());
#else
    ScopedEnv config("XDG_CONFIG_HOME", (dir / "config").string());
#endif
    ScopedEnv language("LANGUAGE", "de_CH:fr");
    CGuiSession gui;
    CWizardApp::RegisterFonts();
    plat::SetTraceListener([](int severity, const char* module, int, const char* text) {
        g_messages.push_back({severity, module, text});
    });
    plat::SetProductVersionForTesting("9.8.7");
    const std::string beside = plat::GetModuleFileName() + ".INI";
    fs::remove(beside);
    const std::string made = plat::GetConfigDirectory() + "pelmora" + plat::kPathSeparator +
                             fs::path(plat::GetModuleFileName()).filename().string() + ".INI";
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
        EXPECT_EQ(LanguageFilePath(), made);
        EXPECT_TRUE(Traced("Translation " + shipped)) << "the trace names the translation";
        EXPECT_TRUE(Traced("Language file " + made + " created"));
        // The help dialogs' titles are translated too.
        CConnectionsDlg connections(&sheet.m_page1);
        ASSERT_TRUE(connections.CreateIndirect(&sheet.m_page1, false));
        EXPECT_EQ(uitest::ShownText(connections), Shown("Connect", "Title"));
        CHeadsetDlg headset(&sheet.m_page1);
        ASSERT_TRUE(headset.CreateIndirect(&sheet.m_page1, false));
        EXPECT_EQ(uitest::ShownText(headset), Shown("HeadInf", "Title"));
        EXPECT_NE(Shown("Connect", "Title"), "Connections");
    }
    const std::string bytes = FileContents(made);
    const std::string shippedBytes = ShownTranslation(FileContents(shipped));
    ASSERT_GT(bytes.size(), shippedBytes.size());
    EXPECT_EQ(bytes.substr(bytes.size() - shippedBytes.size()), shippedBytes);
    EXPECT_FALSE(fs::exists(beside)) << "nothing beside the program";

    // The next run in English: the file the program wrote leaves the
    // choice to the user's language, and follows it.
    g_messages.clear();
    ResetUiTexts();
    {
        ScopedEnv english("LANGUAGE", "en");
        CPropSheet sheet;
        ASSERT_TRUE(sheet.Create());
        uitest::ProcessEvents();
        EXPECT_EQ(uitest::ShownText(*sheet.GetDlgItem(IDCANCEL)), "Cancel");
        EXPECT_TRUE(Traced("Language file " + made + " brought up to date"));
        CConnectionsDlg connections(&sheet.m_page1);
        ASSERT_TRUE(connections.CreateIndirect(&sheet.m_page1, false));
        EXPECT_EQ(uitest::ShownText(connections), "Connections");
    }
    CIniFile english;
    ASSERT_TRUE(english.Open(made));
    EXPECT_EQ(english.GetString("PropSheet", "K1"), "Cancel");

    fs::remove(beside);
    ResetUiTexts();
    plat::SetProductVersionForTesting(nullptr);
    plat::SetTraceListener({});
    fs::remove_all(dir);
}

} // namespace
