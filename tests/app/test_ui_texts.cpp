#include "texts/UiTexts.h"

#include "texts/SoundNotice.h"

#include "platform/files/paths.h"
#include "platform/system/program.h"
#include "tests/support/ScopedEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

class UiTextsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetUiTexts();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() / (std::string("pelmora_texts_") + info->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        m_path = (m_dir / "pelmora.INI").string();
    }
    void TearDown() override {
        ResetUiTexts();
        fs::remove_all(m_dir);
    }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    static std::vector<std::string> LinesOf(const std::string& path) {
        std::vector<std::string> lines;
        std::istringstream in(Read(path));
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    // Writes the language file, replacing `from` by `to` in the file made by a first run.
    void WriteEdited(const std::string& from, const std::string& to) {
        LoadUiTextsFrom(m_path);
        std::string text = Read(m_path);
        const std::size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
        std::ofstream(m_path, std::ios::binary) << text;
        ResetUiTexts();
    }

    fs::path m_dir;
    std::string m_path;
};

TEST_F(UiTextsTest, DefaultsAreExactBlanksIncluded) {
    EXPECT_EQ(DesignUiTextCount(), 89u);
    EXPECT_EQ(UiTextCount(), 152u);
    EXPECT_EQ(UiText("PropSheet", "K2"), "Next > ");
    EXPECT_EQ(UiText("PropSheet", "K3"), " Welcome to the audio wizard!!            ");
    EXPECT_EQ(UiText("PropP4", "K3"),
              "                                  'I am testing the microphone.'");
    EXPECT_EQ(UiText("PropP2", "K13"), "Successful");
    EXPECT_EQ(UiText("HeadInf", "K3"),
              "Try to keep the room as quiet as possible (close the door, turn off radio, TV or CD "
              "Player).");
    // Every entry is reachable by its name and names are unique.
    for (std::size_t i = 0; i < UiTextCount(); ++i) {
        const UiTextEntry& e = UiTextEntryAt(i);
        EXPECT_EQ(&UiText(e.section, e.key), &UiText(e.section, e.key));
        EXPECT_EQ(UiText(e.section, e.key), e.defaultText);
        for (std::size_t j = 0; j < i; ++j) {
            const UiTextEntry& o = UiTextEntryAt(j);
            EXPECT_FALSE(std::string(e.section) == o.section && std::string(e.key) == o.key)
                << e.section << "/" << e.key;
        }
    }
}

TEST_F(UiTextsTest, FirstRunCreatesTheFileAndKeepsTheDefaults) {
    LoadUiTextsFrom(m_path);
    EXPECT_EQ(LanguageFilePath(), m_path);
    EXPECT_EQ(UiText("PropSheet", "K2"), "Next > ");

    std::vector<std::string> lines = LinesOf(m_path);
    // The program's mark (the language, a check of the texts) and a note
    // for the translator come first.
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("; Pelmora wrote this file with its texts in en, check ", 0), 0u)
        << lines[0];
    EXPECT_EQ(lines[1].rfind("; Edit it to translate the wizard", 0), 0u) << lines[1];
    lines.erase(lines.begin(), lines.begin() + 2);
    std::vector<std::string> headers;
    std::size_t keyLines = 0;
    std::string section;
    std::size_t index = 0;
    for (const std::string& raw : lines) {
        ASSERT_FALSE(raw.empty());
        ASSERT_EQ(raw.back(), '\r'); // CR LF line ends
        const std::string line = raw.substr(0, raw.size() - 1);
        if (line.front() == '[') {
            headers.push_back(line);
            section = line.substr(1, line.size() - 2);
            continue;
        }
        // key=value lines, the value exactly the default; the design's in
        // table order, the later ones in their sections.
        const std::string key = line.substr(0, line.find('='));
        std::size_t at = UiTextCount();
        for (std::size_t i = 0; i < UiTextCount(); ++i)
            if (section == UiTextEntryAt(i).section && key == UiTextEntryAt(i).key)
                at = i;
        ASSERT_LT(at, UiTextCount()) << line;
        const UiTextEntry* e = &UiTextEntryAt(at);
        if (at < DesignUiTextCount()) {
            EXPECT_EQ(at, index++) << line;
        }
        EXPECT_EQ(line, std::string(e->key) + "=" + e->defaultText);
        ++keyLines;
    }
    EXPECT_EQ(headers, (std::vector<std::string>{"[PropSheet]", "[PropP1]", "[PropP2]", "[PropP3]",
                                                 "[PropP4]", "[PropP5]", "[Connect]", "[HeadInf]",
                                                 "[Verdict]", "[Recovery]"}));
    EXPECT_EQ(index, 89u);
    EXPECT_EQ(keyLines, 152u);
}

TEST_F(UiTextsTest, AFileWithoutTheLaterTextsKeepsTheirDefaultsAndTheDesignsRules) {
    // A translated file of the 89 texts, as earlier builds wrote it.
    LoadUiTextsFrom(m_path);
    std::string text = Read(m_path);
    text.erase(text.find("[Verdict]"));
    for (const char* later : {"AutoLevel=", "LeftTip=", "RightTip="}) {
        const std::size_t at = text.find(later);
        ASSERT_NE(at, std::string::npos) << later;
        text.erase(at, text.find('\n', at) + 1 - at);
    }
    text.replace(text.find("K13=Successful"), 14, "K13=R\xC3\xA9ussi");
    text.replace(text.find("K14=Soft error"), 14, "K14=");
    text += "[Verdict]\r\nGood=  Bonne prise  \r\nTooLoud=\r\n";
    std::ofstream(m_path, std::ios::binary) << text;
    ResetUiTexts();
    LoadUiTextsFrom(m_path);

    EXPECT_EQ(UiText("PropP2", "K13"), "R\xC3\xA9ussi");
    EXPECT_EQ(UiText("PropP2", "K14"), "") << "a design text keeps its rule";
    EXPECT_EQ(UiText("Verdict", "Good"), "Bonne prise");
    for (std::size_t i = DesignUiTextCount(); i < UiTextCount(); ++i) {
        const UiTextEntry& e = UiTextEntryAt(i);
        if (std::string(e.key) != "Good") {
            EXPECT_EQ(UiText(e.section, e.key), e.defaultText) << e.section << "/" << e.key;
        }
    }
    EXPECT_EQ(Read(m_path), text) << "reading never writes the file";
}

TEST_F(UiTextsTest, TheProgramsOwnFileShowsTheDefaultsAndAnEditedOneIsReadTrimmed) {
    LoadUiTextsFrom(m_path);
    const std::string firstFile = Read(m_path);
    // Unchanged, the file is the program's: the texts stay the defaults.
    ResetUiTexts();
    LoadUiTextsFrom(m_path);
    EXPECT_EQ(UiText("PropSheet", "K2"), "Next > ");
    EXPECT_EQ(Read(m_path), firstFile) << "the same texts: not written again";

    // One text changed makes it the user's, read trimmed as the design has it.
    WriteEdited("K13=Successful", "K13=Passed");
    LoadUiTextsFrom(m_path);
    EXPECT_EQ(UiText("PropSheet", "K2"), "Next >");
    EXPECT_EQ(UiText("PropSheet", "K3"), "Welcome to the audio wizard!!");
    EXPECT_EQ(UiText("PropP4", "K3"), "'I am testing the microphone.'");
    EXPECT_EQ(UiText("PropP2", "K9"), "< Back");
    EXPECT_EQ(UiText("PropP2", "K13"), "Passed");
    EXPECT_EQ(Read(m_path).find("K13=Successful"), std::string::npos)
        << "the user's file is never rewritten";
}

TEST_F(UiTextsTest, TranslatedFileReplacesTextsAndMatchesSectionsRegardlessOfCase) {
    WriteEdited("[PropP2]\r\n", "[propp2]\r\n");
    {
        std::string text = Read(m_path);
        text.replace(text.find("K13=Successful"), 14, "K13=  R\xC3\xA9ussi  ");
        std::ofstream(m_path, std::ios::binary) << text;
    }
    LoadUiTextsFrom(m_path);
    EXPECT_EQ(UiText("PropP2", "K13"), "R\xC3\xA9ussi");
    EXPECT_EQ(UiText("PropP2", "K14"), "Soft error");
}

TEST_F(UiTextsTest, WindowsCodePageFileKeepsItsBytesForTheFrameworkToShow) {
    WriteEdited("K7= no error", "K7=Pas d'erreur \xE0 signaler, n\xB0 1");
    LoadUiTextsFrom(m_path);
    EXPECT_EQ(UiText("PropP4", "K7"), "Pas d'erreur \xE0 signaler, n\xB0 1");
}

TEST_F(UiTextsTest, KeyWithBlankBeforeEqualsOrMissingKeyEmptiesOnlyThatText) {
    WriteEdited("K6=Start\r\n", "K6 =Start\r\n");
    {
        std::string text = Read(m_path);
        text.erase(text.find("K12=Error\r\n"), 11);
        std::ofstream(m_path, std::ios::binary) << text;
    }
    LoadUiTextsFrom(m_path);
    EXPECT_EQ(UiText("PropP4", "K6"), "");
    EXPECT_EQ(UiText("PropP5", "K12"), "");
    EXPECT_EQ(UiText("PropP4", "K5"), "Click on Next to finish.");
    EXPECT_EQ(UiText("PropP4", "K8"), "Replay");
    EXPECT_EQ(UiText("PropP5", "K13"), "This is not a user name");
}

TEST_F(UiTextsTest, MissingSectionEmptiesItsTextsOnly) {
    WriteEdited("[HeadInf]", "[HeadInfo]");
    LoadUiTextsFrom(m_path);
    EXPECT_EQ(UiText("HeadInf", "K1"), "");
    EXPECT_EQ(UiText("HeadInf", "K3"), "");
    EXPECT_EQ(UiText("Connect", "K5a"), "Note:");
}

TEST_F(UiTextsTest, UncreatableFileKeepsTheDefaultsSilently) {
    const std::string blocker = (m_dir / "plain-file").string();
    std::ofstream(blocker) << "x";
    // As root no directory is read-only; a path below a regular file cannot be created either.
    const std::string path = blocker + "/pelmora.INI";
    LoadUiTextsFrom(path);
    EXPECT_FALSE(plat::FileExists(path));
    EXPECT_EQ(UiText("PropSheet", "K2"), "Next > ");
    EXPECT_EQ(UiText("PropP4", "K3"),
              "                                  'I am testing the microphone.'");
}

TEST_F(UiTextsTest, ValuesFillATextsDirectivesInOrderAndNothingElseOfIt) {
    EXPECT_EQ(FormatUiText("Mikrofon: %s, Lautsprecher: %s", {"USB", "HDMI"}),
              "Mikrofon: USB, Lautsprecher: HDMI");
    EXPECT_EQ(FormatUiText("100%% %s%%", {"sur", "de trop"}), "100% sur%");
    // A translator's slip never reaches printf: what has no value stays.
    EXPECT_EQ(FormatUiText("%s %s %n %d %x 50%", {"%s"}), "%s %s %n %d %x 50%");

    WriteEdited("ChosenDevices=Microphone: %s, speakers: %s", "ChosenDevices=Mikro %s / Boxen %s");
    {
        std::string text = Read(m_path);
        text.replace(text.find("NoDevice=none"), 13, "NoDevice=keines");
        std::ofstream(m_path, std::ios::binary) << text;
    }
    LoadUiTextsFrom(m_path);
    EXPECT_EQ(ChosenDevicesLine("", "HDMI Audio"), "Mikro keines / Boxen HDMI Audio");
    EXPECT_EQ(ChosenDevicesLine("USB Headset", ""), "Mikro USB Headset / Boxen keines");
}

TEST_F(UiTextsTest, LanguageFileIsNamedAfterTheProgramInTheUsersConfigDirectory) {
    // The variable the user's config directory follows.
#if defined(_WIN32)
    ScopedEnv config("APPDATA", m_dir.string());
#else
    ScopedEnv config("XDG_CONFIG_HOME", m_dir.string());
#endif
    const std::string program = plat::GetModuleFileName();
    const std::string expected =
        (m_dir / "pelmora" / fs::path(program).filename()).string() + ".INI";
    const bool besideBefore = fs::exists(program + ".INI");
    LoadUiTexts();
    EXPECT_EQ(LanguageFilePath(), expected);
    EXPECT_TRUE(plat::FileExists(expected));
    EXPECT_EQ(fs::exists(program + ".INI"), besideBefore) << "nothing written beside the program";
}

} // namespace
