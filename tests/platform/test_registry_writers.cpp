// Two processes writing the same hive at once lose none of each other's values.
#include "platform/registry/registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace plat;
namespace fs = std::filesystem;

namespace {

constexpr int kValuesPerWriter = 150;

// Adds kValuesPerWriter values named prefix + index; returns the failures.
int Writer(const std::string& prefix) {
    int failures = 0;
    for (int i = 0; i < kValuesPerWriter; ++i) {
        HKEY h = nullptr;
        if (RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Shared", 0, nullptr, 0, KEY_ALL_ACCESS,
                           nullptr, &h, nullptr) != ERROR_SUCCESS) {
            ++failures;
            continue;
        }
        const DWORD v = static_cast<DWORD>(i);
        const std::string name = prefix + std::to_string(i);
        if (RegSetValueEx(h, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4) !=
            ERROR_SUCCESS)
            ++failures;
        RegCloseKey(h);
    }
    return failures;
}

} // namespace

TEST(RegistryWriters, TwoProcessesWritingAtOnceKeepEveryValue) {
    const fs::path dir =
        fs::temp_directory_path() / ("pelmora-reg-writers-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    const std::string hive = (dir / "registry.reg").string();
    RegUseHiveFile(hive);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        ::_exit(Writer("child") == 0 ? 0 : 1);
    const int parentFailures = Writer("parent");
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(0, parentFailures);

    HKEY h = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Shared", 0, KEY_READ, &h));
    DWORD values = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKey(h, nullptr, nullptr, nullptr, nullptr, nullptr,
                                             nullptr, &values, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(2u * kValuesPerWriter, values);
    for (const char* prefix : {"child", "parent"}) {
        for (int i = 0; i < kValuesPerWriter; i += 37) {
            DWORD v = 0xFFFFFFFF, size = 4;
            const std::string name = prefix + std::to_string(i);
            EXPECT_EQ(ERROR_SUCCESS, RegQueryValueEx(h, name.c_str(), nullptr, nullptr,
                                                     reinterpret_cast<BYTE*>(&v), &size));
            EXPECT_EQ(static_cast<DWORD>(i), v);
        }
    }
    RegCloseKey(h);
    RegUseHiveFile("");
    fs::remove_all(dir);
}
