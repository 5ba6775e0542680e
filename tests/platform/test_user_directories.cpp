// The user's settings directory, the installation's data directory, the
// user's languages from the locale's variables, and private directories.
#include "platform/files/directories.h"
#include "platform/files/paths.h"
#include "platform/system/user_languages.h"

#include "tests/support/OtherUser.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TestDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Languages = std::vector<std::string>;

namespace {

TEST(ConfigDirectory, XdgConfigHomeThenHomesConfigAndOnlyAbsolutePaths) {
    ScopedEnv home("HOME", "/home/anna");
    {
        ScopedEnv config("XDG_CONFIG_HOME", "/srv/anna/settings");
        EXPECT_EQ(plat::GetConfigDirectory(), "/srv/anna/settings/");
    }
    {
        ScopedEnv config("XDG_CONFIG_HOME", "/srv/anna/settings/");
        EXPECT_EQ(plat::GetConfigDirectory(), "/srv/anna/settings/");
    }
    for (const char* unusable : {"", "settings", "./settings"}) {
        ScopedEnv config("XDG_CONFIG_HOME", unusable);
        EXPECT_EQ(plat::GetConfigDirectory(), "/home/anna/.config/") << "'" << unusable << "'";
    }
    ScopedEnv config("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(plat::GetConfigDirectory(), "/home/anna/.config/");
    {
        ScopedEnv slash("HOME", "/home/anna/");
        EXPECT_EQ(plat::GetConfigDirectory(), "/home/anna/.config/");
    }
    {
        ScopedEnv relative("HOME", "anna");
        EXPECT_EQ(plat::GetConfigDirectory(), "");
    }
    ScopedEnv none("HOME", nullptr);
    EXPECT_EQ(plat::GetConfigDirectory(), "");
}

TEST(DataDirectory, TheBuildTreeHoldsTheShippedTranslationsWhereTheProgramLooks) {
    // Tests run from the build tree's bin/, as the program of the build tree.
    const fs::path lang = fs::path(plat::GetDataDirectory()) / "pelmora" / "lang";
    const fs::path sources = fs::path(std::getenv("PELMORA_SOURCE_DIR")) / "resources" / "lang";
    std::size_t count = 0;
    for (const auto& shipped : fs::directory_iterator(sources)) {
        const fs::path copy = lang / shipped.path().filename();
        EXPECT_TRUE(fs::exists(copy)) << copy;
        EXPECT_EQ(FileContents(copy), FileContents(shipped.path())) << copy;
        ++count;
    }
    EXPECT_GE(count, 3u);
}

// The languages for LANGUAGE, LC_ALL, LC_MESSAGES and LANG as given (null:
// unset).
Languages LanguagesFor(const char* language, const char* all, const char* messages,
                       const char* lang) {
    ScopedEnv a("LANGUAGE", language);
    ScopedEnv b("LC_ALL", all);
    ScopedEnv c("LC_MESSAGES", messages);
    ScopedEnv d("LANG", lang);
    return plat::GetUserLanguages();
}

TEST(UserLanguages, EachVariableInItsPlaceWithTheBareLanguageAfterTheTerritory) {
    EXPECT_EQ(LanguagesFor(nullptr, nullptr, nullptr, nullptr), Languages{});
    EXPECT_EQ(LanguagesFor(nullptr, nullptr, nullptr, "de_DE.UTF-8"), (Languages{"de_DE", "de"}));
    EXPECT_EQ(LanguagesFor(nullptr, nullptr, "fr_CA.UTF-8", "de_DE.UTF-8"),
              (Languages{"fr_CA", "fr"}));
    EXPECT_EQ(LanguagesFor(nullptr, "es_ES@euro", "fr_CA.UTF-8", "de_DE.UTF-8"),
              (Languages{"es_ES", "es"}));
    // An empty variable counts as unset.
    EXPECT_EQ(LanguagesFor(nullptr, "", "", "de"), (Languages{"de"}));
    // LANGUAGE's list first, then the locale.
    EXPECT_EQ(LanguagesFor("pt_BR:fr", nullptr, nullptr, "de_DE.UTF-8"),
              (Languages{"pt_BR", "pt", "fr", "de_DE", "de"}));
    EXPECT_EQ(LanguagesFor("", nullptr, nullptr, "es_MX.UTF-8"), (Languages{"es_MX", "es"}));
    EXPECT_EQ(LanguagesFor("::fr::", nullptr, nullptr, nullptr), (Languages{"fr"}));
}

TEST(UserLanguages, TheCLocaleIsEnglishAndNoNameComesTwiceOrEscapesItsDirectory) {
    EXPECT_EQ(LanguagesFor(nullptr, "C", nullptr, "de_DE.UTF-8"), (Languages{"en"}));
    EXPECT_EQ(LanguagesFor(nullptr, nullptr, nullptr, "C.UTF-8"), (Languages{"en"}));
    EXPECT_EQ(LanguagesFor(nullptr, nullptr, "POSIX", nullptr), (Languages{"en"}));
    EXPECT_EQ(LanguagesFor("de_AT:de_CH:de", nullptr, nullptr, "de_DE.UTF-8"),
              (Languages{"de_AT", "de", "de_CH", "de_DE"}));
    EXPECT_EQ(LanguagesFor("../../etc/passwd:de/x:fr", nullptr, nullptr, "a b"), (Languages{"fr"}));
}

TEST(PrivateDirectories, EveryMissingLevelIsTheUsersAloneAndThoseThatExistStayAsTheyWere) {
    const fs::path dir = FreshTestDir("pelmora-private");
    fs::create_directories(dir / "open");
    ASSERT_EQ(::chmod((dir / "open").c_str(), 0755), 0);

    const fs::path made = dir / "open" / "config" / "pelmora";
    ASSERT_TRUE(plat::CreatePrivateDirectories(made.string()));
    for (const fs::path& level : {made.parent_path(), made}) {
        struct stat st {};
        ASSERT_EQ(::stat(level.c_str(), &st), 0) << level;
        EXPECT_EQ(st.st_mode & 07777, 0700u) << level;
    }
    struct stat st {};
    ASSERT_EQ(::stat((dir / "open").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
    EXPECT_TRUE(plat::CreatePrivateDirectories(made.string() + "/")) << "it exists: nothing to do";

    std::ofstream((dir / "file").string()) << "x";
    EXPECT_FALSE(plat::CreatePrivateDirectories((dir / "file" / "below").string()));
    EXPECT_FALSE(plat::CreatePrivateDirectories((dir / "file").string()));
    fs::create_directories(dir / "closed");
    ASSERT_EQ(::chmod((dir / "closed").c_str(), 0555), 0);
    {
        AsOrdinaryUser user;
        EXPECT_FALSE(plat::CreatePrivateDirectories((dir / "closed" / "pelmora").string()));
    }
    EXPECT_FALSE(fs::exists(dir / "closed" / "pelmora"));
    fs::remove_all(dir);
}

} // namespace
