// Where a run takes its texts from: the language file beside the program,
// the user's own file, a shipped translation for the user's language, the
// built-in English; which file the first run leaves to translate (in the
// user's config directory, never beside the program); that a file the
// program wrote leaves the choice to the user's language while one he
// edited outranks it; and that a file that is no language file is reported
// and passed over. Each
// test has its own program, config and data directories and its own locale
// variables, put back after it.
#include "texts/LanguageFiles.h"
#include "texts/UiTexts.h"

#include "platform/files/directories.h"
#include "platform/system/user_languages.h"
#include "tests/support/OtherUser.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ShownTranslation.h"
#include "tests/support/TestDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class LanguageChainTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetUiTexts();
        m_dir = FreshTestDir("pelmora-chain");
        // The user may create his config directory in "home" (another uid
        // too, for the tests of a read-only program directory).
        fs::create_directories(m_dir / "home");
        ASSERT_EQ(::chmod((m_dir / "home").c_str(), 0777), 0);
        fs::create_directories(m_dir / "prog");
        fs::create_directories(m_dir / "data" / "pelmora" / "lang");
        Env("XDG_CONFIG_HOME", (m_dir / "home" / "config").string());
        Env("HOME", (m_dir / "home").string());
        Env("LANGUAGE", nullptr);
        Env("LC_ALL", nullptr);
        Env("LC_MESSAGES", nullptr);
        Env("LANG", nullptr);
    }
    void TearDown() override {
        ::chmod((m_dir / "prog").c_str(), 0755);
        ResetUiTexts();
        m_env.clear();
        fs::remove_all(m_dir);
    }

    void Env(const char* name, const char* value) {
        m_env.push_back(std::make_unique<ScopedEnv>(name, value));
    }
    void Env(const char* name, const std::string& value) { Env(name, value.c_str()); }

    std::string Program() const { return (m_dir / "prog" / "pelmora").string(); }
    std::string Beside() const { return Program() + ".INI"; }
    std::string UserFile() const {
        return (m_dir / "home" / "config" / "pelmora" / "pelmora.INI").string();
    }
    std::string Shipped(const std::string& language) const {
        return (m_dir / "data" / "pelmora" / "lang" / (language + ".INI")).string();
    }
    // The files of a run of the program in prog/, from the environment.
    LanguageFiles Files() const {
        return FindLanguageFiles(Program(), plat::GetConfigDirectory(),
                                 (m_dir / "data").string() + "/", plat::GetUserLanguages());
    }
    // A new run's texts.
    void Run() {
        ResetUiTexts();
        LoadUiTextsFrom(Files());
    }
    // A language file as a translator saves it: Windows-1252, CR LF.
    static void WriteFile(const std::string& path, const std::string& cancel) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            << "[PropSheet]\r\nK1=" << cancel
            << "\r\nK2=Suivant >\r\n[Verdict]\r\nGood=Tr\xE8s bien\r\n";
    }
    static std::string Mode(const fs::path& path) {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0)
            return "missing";
        char text[8];
        std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        return text;
    }
    static const std::string& Cancel() { return UiText("PropSheet", "K1"); }
    static std::string DefaultOf(const std::string& section, const std::string& key) {
        for (std::size_t i = 0; i < UiTextCount(); ++i)
            if (UiTextEntryAt(i).section == section && UiTextEntryAt(i).key == key)
                return UiTextEntryAt(i).defaultText;
        ADD_FAILURE() << section << "/" << key;
        return {};
    }

    fs::path m_dir;
    std::vector<std::unique_ptr<ScopedEnv>> m_env;
};

TEST_F(LanguageChainTest, BesideTheProgramThenTheUsersFileThenTheTranslationThenEnglish) {
    Env("LANG", "fr_FR.UTF-8");
    WriteFile(Beside(), "beside");
    WriteFile(UserFile(), "user");
    WriteFile(Shipped("fr"), "Annuler");

    Run();
    EXPECT_EQ(Cancel(), "beside");
    EXPECT_EQ(LanguageFilePath(), Beside());
    EXPECT_EQ(UiText("PropP1", "K1"), "") << "a text the file lacks is empty, as the design has it";
    EXPECT_EQ(UiText("Verdict", "Good"), "Tr\xE8s bien");
    EXPECT_EQ(UiText("Verdict", "TooLoud"), DefaultOf("Verdict", "TooLoud")) << "added later";

    fs::remove(Beside());
    Run();
    EXPECT_EQ(Cancel(), "user");
    EXPECT_EQ(LanguageFilePath(), UserFile());
    EXPECT_FALSE(fs::exists(Beside())) << "the user's file is his language file: none is made";

    fs::remove(UserFile());
    Run();
    EXPECT_EQ(Cancel(), "Annuler");
    EXPECT_EQ(UiText("PropSheet", "K2"), "Suivant >");
    EXPECT_EQ(LanguageFilePath(), UserFile()) << "the file made from the translation";
    EXPECT_NE(FileContents(UserFile()).find("[PropSheet]\r\nK1=Annuler\r\n"), std::string::npos);

    fs::remove(UserFile());
    fs::remove(Shipped("fr"));
    Run();
    EXPECT_EQ(Cancel(), "Cancel");
    EXPECT_EQ(UiText("PropSheet", "K2"), "Next > ") << "English exactly, blanks included";
    EXPECT_EQ(LanguageFilePath(), UserFile());
    EXPECT_FALSE(fs::exists(Beside()));
    EXPECT_EQ(LanguageFileProblem(), "");
}

TEST_F(LanguageChainTest, AnUnreadableFileIsReportedPassedOverAndNotReplaced) {
    Env("LANG", "fr_FR.UTF-8");
    WriteFile(Shipped("fr"), "Annuler");
    fs::create_directories(fs::path(UserFile()).parent_path());
    fs::create_directory(fs::path(UserFile())); // a name that cannot be read as a file
    std::ofstream(Beside()) << "[PropSheet]\nK1=x\n";
    ASSERT_EQ(::chmod(Beside().c_str(), 0000), 0);
    {
        AsOrdinaryUser user;
        Run();
    }
    EXPECT_EQ(Cancel(), "Annuler") << "the user's language, as without the file";
    EXPECT_EQ(LanguageFilePath(), Shipped("fr"));
    EXPECT_NE(LanguageFileProblem().find(Beside() + " cannot be used: it cannot be read."),
              std::string::npos)
        << LanguageFileProblem();
    ::chmod(Beside().c_str(), 0644);
    EXPECT_EQ(FileContents(Beside()), "[PropSheet]\nK1=x\n");

    // A directory where the user's file would be is no file: the chain goes
    // on and nothing is reported.
    fs::remove(Beside());
    {
        AsOrdinaryUser user;
        Run();
    }
    EXPECT_EQ(Cancel(), "Annuler");
    EXPECT_EQ(LanguageFilePath(), Shipped("fr")) << "nowhere to write: the translation in use";
    EXPECT_EQ(LanguageFileProblem(), "");
}

TEST_F(LanguageChainTest, TheTranslationFollowsLanguageThenTheLocaleVariables) {
    WriteFile(Shipped("fr"), "Annuler");
    WriteFile(Shipped("de"), "Abbrechen");
    WriteFile(Shipped("es_MX"), "Cancelar (MX)");
    struct Case {
        const char* language;
        const char* all;
        const char* messages;
        const char* lang;
        const char* shown;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, "de_DE.UTF-8", "Abbrechen"},
        {nullptr, nullptr, "fr_BE.UTF-8", "de_DE.UTF-8", "Annuler"},
        {nullptr, "de_AT.UTF-8", "fr_BE.UTF-8", "fr_FR.UTF-8", "Abbrechen"},
        {"it:pt_BR:de", nullptr, nullptr, "fr_FR.UTF-8", "Abbrechen"},
        {"it:pt", nullptr, nullptr, "fr_FR.UTF-8", "Annuler"},
        {"es_MX", nullptr, nullptr, nullptr, "Cancelar (MX)"},
        {"en_GB:de", nullptr, nullptr, "fr_FR.UTF-8", "Cancel"},
        {nullptr, "C", nullptr, "de_DE.UTF-8", "Cancel"},
        {nullptr, "POSIX", nullptr, "de_DE.UTF-8", "Cancel"},
        {nullptr, nullptr, nullptr, "it_IT.UTF-8", "Cancel"},
        {nullptr, nullptr, nullptr, nullptr, "Cancel"},
    };
    for (const Case& c : cases) {
        ScopedEnv language("LANGUAGE", c.language);
        ScopedEnv all("LC_ALL", c.all);
        ScopedEnv messages("LC_MESSAGES", c.messages);
        ScopedEnv lang("LANG", c.lang);
        Run();
        EXPECT_EQ(Cancel(), c.shown)
            << (c.language ? c.language : "-") << " " << (c.all ? c.all : "-") << " "
            << (c.messages ? c.messages : "-") << " " << (c.lang ? c.lang : "-");
        fs::remove(Beside());
    }
}

TEST_F(LanguageChainTest, NothingIsWrittenBesideTheProgramEvenInADirectoryItsUserOwns) {
    // The program's directory belongs to the user who runs it (root when the
    // tests run as root, as a system's program directory does) and he may
    // write it: the file still goes to his config directory.
    Run();
    EXPECT_EQ(LanguageFilePath(), UserFile());
    EXPECT_TRUE(fs::exists(UserFile()));
    EXPECT_TRUE(fs::is_empty(m_dir / "prog")) << "nothing beside the program";
    EXPECT_EQ(Mode(m_dir / "home" / "config"), "0700");
}

TEST_F(LanguageChainTest, AReadOnlyProgramDirectoryPutsTheFileInTheUsersPrivateConfigDirectory) {
    ASSERT_EQ(::chmod((m_dir / "prog").c_str(), 0555), 0);
    {
        AsOrdinaryUser user;
        Run();
    }
    EXPECT_FALSE(fs::exists(Beside()));
    EXPECT_EQ(LanguageFilePath(), UserFile());
    ASSERT_TRUE(fs::exists(UserFile()));
    EXPECT_EQ(Mode(m_dir / "home" / "config"), "0700");
    EXPECT_EQ(Mode(m_dir / "home" / "config" / "pelmora"), "0700");
    // The first run shows the defaults exactly and wrote them out.
    EXPECT_EQ(UiText("PropSheet", "K2"), "Next > ");
    const std::string written = FileContents(UserFile());
    EXPECT_NE(written.find("\r\nK2=Next > \r\n"), std::string::npos);
    EXPECT_NE(written.find("\r\nRight=R\r\n"), std::string::npos);

    // The next run finds it there, unchanged: the program's own, which
    // shows the same texts and is left as it is.
    {
        AsOrdinaryUser user;
        Run();
    }
    EXPECT_EQ(LanguageFilePath(), UserFile());
    EXPECT_EQ(UiText("PropSheet", "K2"), "Next > ");
    EXPECT_EQ(FileContents(UserFile()), written);
}

TEST_F(LanguageChainTest, NoWritableDirectoryLeavesTheTextsInUseAndNoFile) {
    Env("LANGUAGE", "de");
    WriteFile(Shipped("de"), "Abbrechen");
    ASSERT_EQ(::chmod((m_dir / "prog").c_str(), 0555), 0);
    ASSERT_EQ(::chmod((m_dir / "home").c_str(), 0555), 0);
    {
        AsOrdinaryUser user;
        Run();
    }
    EXPECT_EQ(Cancel(), "Abbrechen");
    EXPECT_EQ(LanguageFilePath(), Shipped("de"));
    EXPECT_FALSE(fs::exists(m_dir / "home" / "config"));

    // No config directory at all (neither XDG_CONFIG_HOME nor HOME), English.
    ScopedEnv language("LANGUAGE", nullptr);
    ScopedEnv config("XDG_CONFIG_HOME", nullptr);
    ScopedEnv home("HOME", nullptr);
    EXPECT_EQ(Files().userFile, "");
    {
        AsOrdinaryUser user;
        Run();
    }
    EXPECT_EQ(Cancel(), "Cancel");
    EXPECT_EQ(UiText("PropSheet", "K2"), "Next > ");
    EXPECT_EQ(LanguageFilePath(), "");
    ::chmod((m_dir / "home").c_str(), 0777);
    EXPECT_FALSE(fs::exists(Beside()));
}

// Every text of a run, in table order.
std::vector<std::string> AllTexts() {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < UiTextCount(); ++i)
        texts.push_back(UiText(UiTextEntryAt(i).section, UiTextEntryAt(i).key));
    return texts;
}

TEST_F(LanguageChainTest, TheSecondRunShowsWhatTheFirstShowedWithAShippedTranslation) {
    const fs::path shipped = fs::path(std::getenv("PELMORA_SOURCE_DIR")) / "resources" / "lang";
    for (const char* language : {"fr", "de", "es"}) {
        fs::copy_file(shipped / (std::string(language) + ".INI"), Shipped(language),
                      fs::copy_options::overwrite_existing);
        ScopedEnv lang("LANG", std::string(language) + "_XX.UTF-8");
        for (const bool readOnly : {false, true}) {
            // Writable for the other uid too when the tests run as root.
            ASSERT_EQ(::chmod((m_dir / "prog").c_str(), readOnly ? 0555 : 0777), 0);
            std::vector<std::string> first, second;
            std::string made;
            {
                AsOrdinaryUser user;
                Run();
                first = AllTexts();
                made = LanguageFilePath();
                Run();
                second = AllTexts();
            }
            EXPECT_EQ(made, UserFile()) << language;
            EXPECT_FALSE(fs::exists(Beside()));
            EXPECT_EQ(LanguageFilePath(), made) << "the second run finds the file the first made";
            EXPECT_EQ(first, second) << language << (readOnly ? " read-only" : "");
            EXPECT_NE(first[0], "Cancel") << language;
            const std::string bytes = FileContents(made);
            const std::string shippedBytes = ShownTranslation(FileContents(Shipped(language)));
            EXPECT_EQ(bytes.rfind(std::string("; Pelmora wrote this file with its texts in ") +
                                      language + ", check ",
                                  0),
                      0u);
            ASSERT_GE(bytes.size(), shippedBytes.size());
            EXPECT_EQ(bytes.substr(bytes.size() - shippedBytes.size()), shippedBytes)
                << "after the mark the file made holds the translation's bytes, in its order";
            fs::remove(made);
        }
    }
}

// The shipped translations of the source tree, in the test's data directory.
void ShipTranslations(const std::function<std::string(const std::string&)>& shipped) {
    const fs::path source = fs::path(std::getenv("PELMORA_SOURCE_DIR")) / "resources" / "lang";
    for (const char* language : {"fr", "de", "es"})
        fs::copy_file(source / (std::string(language) + ".INI"), shipped(language),
                      fs::copy_options::overwrite_existing);
}

std::string MarkOf(const std::string& bytes) {
    return bytes.substr(0, bytes.find("\r\n"));
}

constexpr const char* kMarkStart = "; Pelmora wrote this file with its texts in ";

class WrittenLanguageFileTest : public LanguageChainTest {
protected:
    void SetUp() override {
        LanguageChainTest::SetUp();
        ShipTranslations([this](const std::string& language) { return Shipped(language); });
    }
};

TEST_F(WrittenLanguageFileTest, TheFileAFirstRunWroteFollowsTheUsersLanguage) {
    Run();
    EXPECT_EQ(Cancel(), "Cancel");
    ASSERT_EQ(LanguageFilePath(), UserFile());
    EXPECT_EQ(MarkOf(FileContents(UserFile())).rfind(std::string(kMarkStart) + "en, check ", 0),
              0u);
    {
        ScopedEnv language("LANGUAGE", "de");
        Run();
        EXPECT_EQ(Cancel(), "Abbrechen");
        EXPECT_EQ(UiText("Connect", "Title"), "Anschl\xFC"
                                              "sse");
        EXPECT_EQ(LanguageFilePath(), UserFile()) << "brought up to date";
        const std::string bytes = FileContents(UserFile());
        EXPECT_EQ(MarkOf(bytes).rfind(std::string(kMarkStart) + "de, check ", 0), 0u);
        EXPECT_NE(bytes.find("\r\nK1=Abbrechen\r\n"), std::string::npos);
    }
    // Its languages as a list, as LANGUAGE gives them.
    {
        ScopedEnv language("LANGUAGE", "it:es:de");
        Run();
        EXPECT_EQ(Cancel(), "Cancelar");
        EXPECT_EQ(UiText("HeadInf", "Title"), "Auriculares");
    }
    Run();
    EXPECT_EQ(Cancel(), "Cancel") << "English again";
    EXPECT_EQ(UiText("PropSheet", "K2"), "Next > ");
    EXPECT_EQ(MarkOf(FileContents(UserFile())).rfind(std::string(kMarkStart) + "en, check ", 0),
              0u);
    EXPECT_FALSE(fs::exists(Beside()));
    EXPECT_EQ(LanguageFileProblem(), "");
}

TEST_F(WrittenLanguageFileTest, AnEditedFileOutranksTheUsersLanguageAndIsNeverRewritten) {
    {
        ScopedEnv language("LANGUAGE", "de");
        Run();
    }
    std::string bytes = FileContents(UserFile());
    // A comment of the user's changes no text: the file stays the program's.
    const std::string commented = bytes + "; meine Notiz\r\n";
    std::ofstream(UserFile(), std::ios::binary | std::ios::trunc) << commented;
    {
        ScopedEnv language("LANGUAGE", "fr");
        Run();
        EXPECT_EQ(Cancel(), "Annuler");
    }
    bytes = FileContents(UserFile());
    const std::size_t at = bytes.find("\r\nK1=Annuler\r\n");
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 14, "\r\nK1=Laisser tomber\r\n");
    std::ofstream(UserFile(), std::ios::binary | std::ios::trunc) << bytes;
    for (const char* language : {"de", "en", "es"}) {
        ScopedEnv variable("LANGUAGE", language);
        Run();
        EXPECT_EQ(Cancel(), "Laisser tomber") << language;
        EXPECT_EQ(UiText("PropSheet", "K2"), "Suivant >") << "the file as it is";
        EXPECT_EQ(LanguageFilePath(), UserFile());
        EXPECT_EQ(FileContents(UserFile()), bytes) << "never rewritten";
    }

    // Beside the program, an edited file outranks the user's one too.
    WriteFile(Beside(), "Beside");
    Run();
    EXPECT_EQ(Cancel(), "Beside");
}

TEST_F(WrittenLanguageFileTest, AnUnmarkedFileOfTheBuiltInEnglishIsTakenForTheProgramsOwn) {
    // The file earlier versions wrote: the English texts without the mark,
    // and without the texts added since (the verdicts).
    Run();
    std::string english = FileContents(UserFile());
    english.erase(0, english.find("\r\n[") + 2);
    english.erase(english.find("[Verdict]"));
    // They named Windows as the system page 5 configures, on every system.
    const std::string system = "configure this computer with";
    if (const std::size_t at = english.find(system); at != std::string::npos)
        english.replace(at, system.size(), "configure Windows with");
    // Left beside the program by a run as root, and in the user's directory.
    std::ofstream(Beside(), std::ios::binary) << english;
    std::ofstream(UserFile(), std::ios::binary | std::ios::trunc) << english;
    {
        ScopedEnv language("LANGUAGE", "de");
        Run();
    }
    EXPECT_EQ(Cancel(), "Abbrechen");
    EXPECT_EQ(FileContents(Beside()), english) << "beside the program: left as it is";
    EXPECT_EQ(MarkOf(FileContents(UserFile())).rfind(std::string(kMarkStart) + "de, check ", 0), 0u)
        << "the user's: brought up to date";

    // One text that is not the built-in one makes it the user's.
    std::string edited = english;
    edited.replace(edited.find("\r\nK1=Cancel\r\n"), 13, "\r\nK1=Quit\r\n");
    std::ofstream(Beside(), std::ios::binary | std::ios::trunc) << edited;
    {
        ScopedEnv language("LANGUAGE", "de");
        Run();
    }
    EXPECT_EQ(Cancel(), "Quit");
    EXPECT_EQ(LanguageFilePath(), Beside());
}

std::string RandomBytes(std::size_t count) {
    std::string bytes(count, '\0');
    std::ifstream("/dev/urandom", std::ios::binary).read(bytes.data(), std::streamsize(count));
    return bytes;
}

TEST_F(WrittenLanguageFileTest, AFileThatIsNoLanguageFileIsReportedAndLeftAsItIs) {
    struct Case {
        std::string bytes;
        std::string reason;
    };
    const std::string notText = "it holds bytes that are not text in UTF-8 or Windows-1252";
    const std::string noTexts = "it holds none of the wizard's texts";
    std::string utf16;
    for (const char c : std::string("[PropSheet]\r\nK1=Annuler\r\n"))
        utf16 += std::string(1, c) + '\0';
    const Case cases[] = {
        {RandomBytes(4096), notText},
        {"\xFF\xFE" + utf16, notText}, // saved as "Unicode"
        {"[Fenster]\r\nBreite=640\r\n; K1=Annuler\r\n", noTexts},
        {"", noTexts},
    };
    for (const std::string& path : {Beside(), UserFile()}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(path + ": " + c.reason);
            std::ofstream(path, std::ios::binary | std::ios::trunc) << c.bytes;
            Run();
            EXPECT_EQ(Cancel(), "Cancel");
            EXPECT_EQ(UiText("PropSheet", "K2"), "Next > ") << "the built-in texts, whole";
            EXPECT_EQ(LanguageFileProblem(), "The language file " + path +
                                                 " cannot be used: " + c.reason +
                                                 ". The wizard shows its own texts instead.");
            EXPECT_EQ(FileContents(path), c.bytes) << "left as it is";
            EXPECT_EQ(LanguageFilePath(), path == Beside() ? UserFile() : "");
            fs::remove(Beside());
            fs::remove(UserFile());
        }
    }

    // In the user's language, the translation and its message.
    ScopedEnv language("LANGUAGE", "de");
    const std::string noise = RandomBytes(4096);
    std::ofstream(UserFile(), std::ios::binary) << noise;
    Run();
    EXPECT_EQ(Cancel(), "Abbrechen");
    EXPECT_EQ(
        LanguageFileProblem().rfind("Die Sprachdatei " + UserFile() +
                                        " kann nicht verwendet werden: sie enth\xC3\xA4lt Bytes",
                                    0),
        0u)
        << LanguageFileProblem();
    EXPECT_EQ(FileContents(UserFile()), noise);
    // A shipped translation that is no language file: English, reported.
    std::ofstream(Shipped("de"), std::ios::binary | std::ios::trunc) << noise;
    fs::remove(UserFile());
    Run();
    EXPECT_EQ(Cancel(), "Cancel");
    EXPECT_NE(LanguageFileProblem().find(Shipped("de")), std::string::npos);
}

} // namespace
