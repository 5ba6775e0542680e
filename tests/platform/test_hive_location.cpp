// Where the registry hive lives when no file is chosen in code: the variables
// a user or a technician sets, each taking the place of the next.
#include "platform/registry/registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

using namespace plat;

namespace {

// Sets or clears an environment variable for one test and puts it back after.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

} // namespace

TEST(HiveLocation, EachVariableTakesThePlaceOfTheNext) {
    RegUseHiveFile("");
    {
        ScopedEnv registry("PELMORA_REGISTRY", "/srv/lab/registry.reg");
        ScopedEnv data("XDG_DATA_HOME", "/data/anna");
        ScopedEnv home("HOME", "/home/anna");
        EXPECT_EQ(RegHivePath(), "/srv/lab/registry.reg");
    }
    {
        ScopedEnv registry("PELMORA_REGISTRY", "");
        ScopedEnv data("XDG_DATA_HOME", "/data/anna");
        ScopedEnv home("HOME", "/home/anna");
        EXPECT_EQ(RegHivePath(), "/data/anna/pelmora/registry.reg");
    }
    {
        ScopedEnv registry("PELMORA_REGISTRY", nullptr);
        ScopedEnv data("XDG_DATA_HOME", "");
        ScopedEnv home("HOME", "/home/anna");
        EXPECT_EQ(RegHivePath(), "/home/anna/.local/share/pelmora/registry.reg");
    }
    {
        ScopedEnv registry("PELMORA_REGISTRY", nullptr);
        ScopedEnv data("XDG_DATA_HOME", nullptr);
        ScopedEnv home("HOME", nullptr);
        EXPECT_EQ(RegHivePath(), "./pelmora/registry.reg");
    }
}

TEST(HiveLocation, AFileChosenInCodeComesFirstUntilItIsCleared) {
    ScopedEnv registry("PELMORA_REGISTRY", "/srv/lab/registry.reg");
    RegUseHiveFile("/tmp/chosen.reg");
    EXPECT_EQ(RegHivePath(), "/tmp/chosen.reg");
    RegUseHiveFile("");
    EXPECT_EQ(RegHivePath(), "/srv/lab/registry.reg");
}
