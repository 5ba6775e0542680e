// Key paths keep to the registry's limits (names of at most 255 characters,
// at most 512 levels): a path beyond them is refused with a clear error, in
// bounded memory and without a temporary file left behind, whether it comes
// through the registry calls or stands in the hive file; a path at the limits
// works and survives the hive file.
#include "platform/registry/registry.h"
#include "platform/registry/registry_hive.h"
#include "tests/support/BoundedChild.h"
#include "tests/support/TestDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace plat;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kChildLimit = 256u << 20; // address space of a child
constexpr long kPeakLimitKb = 128 * 1024;       // what it may keep resident

class RegistryLimitsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = FreshTestDir("pelmora-reg-limits");
        m_hive = (m_dir / "registry.reg").string();
        RegUseHiveFile(m_hive);
    }
    void TearDown() override {
        RegUseHiveFile("");
        fs::remove_all(m_dir);
    }
    std::string HiveText() const { return FileContents(m_hive); }
    void WriteHive(const std::string& text) const {
        std::ofstream(m_hive, std::ios::binary) << text;
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path m_dir;
    std::string m_hive;
};

// `levels` names joined by backslashes: "k0\k1\..." or, with a width, names
// of that many characters.
std::string DeepPath(std::size_t levels, std::size_t width = 0) {
    std::string path;
    for (std::size_t i = 0; i < levels; ++i) {
        if (i > 0)
            path += '\\';
        std::string name = "k" + std::to_string(i);
        if (width > name.size())
            name.append(width - name.size(), 'x');
        path += name;
    }
    return path;
}

LONG CreateKey(HKEY parent, const std::string& path, HKEY* out = nullptr) {
    HKEY h = nullptr;
    const LONG r =
        RegCreateKeyEx(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr);
    if (out != nullptr)
        *out = h;
    else if (h != nullptr)
        RegCloseKey(h);
    return r;
}

} // namespace

TEST_F(RegistryLimitsTest, NamesAndDepthBeyondTheLimitsAreRefused) {
    ASSERT_EQ(ERROR_SUCCESS, CreateKey(HKEY_CURRENT_USER, std::string(255, 'n')));
    const std::string before = HiveText();
    EXPECT_EQ(ERROR_INVALID_PARAMETER, CreateKey(HKEY_CURRENT_USER, "a\\" + std::string(256, 'n')));
    EXPECT_NE(std::string::npos,
              RegHiveError().find("key name of 256 characters at level 2 (at most 255)"))
        << RegHiveError();
    EXPECT_EQ(ERROR_INVALID_PARAMETER, CreateKey(HKEY_CURRENT_USER, DeepPath(513)));
    EXPECT_NE(std::string::npos, RegHiveError().find("more than 512 levels")) << RegHiveError();
    EXPECT_EQ(before, HiveText()) << "a refused path changes nothing";

    // Levels count from the root, through handles too.
    HKEY mid = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, CreateKey(HKEY_CURRENT_USER, DeepPath(500), &mid));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, CreateKey(mid, DeepPath(13)));
    HKEY leaf = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, CreateKey(mid, DeepPath(12), &leaf));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, CreateKey(leaf, "x"));
    HKEY opened = nullptr;
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegOpenKeyEx(leaf, "x", 0, KEY_READ, &opened))
        << "nothing can lie below level 512";
    RegCloseKey(leaf);
    RegCloseKey(mid);
    EXPECT_EQ("", RegKeyPathFault(DeepPath(512) + "\\"));
    EXPECT_EQ("", RegKeyPathFault(""));
    EXPECT_EQ("key path of more than 512 levels", RegKeyPathFault(DeepPath(100000)));
    EXPECT_EQ("empty key name at level 2", RegKeyPathFault("a\\\\b"));
    for (const auto& entry : fs::directory_iterator(m_dir))
        EXPECT_EQ(std::string::npos, entry.path().string().find(".new."));
}

TEST_F(RegistryLimitsTest, PathAtTheLimitsSurvivesTheHiveFile) {
    // 512 levels of 255-character names: a key line of 131,000 characters.
    const std::string path = DeepPath(512, 255);
    HKEY h = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, CreateKey(HKEY_LOCAL_MACHINE, path, &h));
    const BYTE q[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueEx(h, "leaf", 0, 11, q, sizeof q));
    RegCloseKey(h);

    // Another hive, then back: the key comes from the file.
    RegUseHiveFile((m_dir / "other.reg").string());
    RegUseHiveFile(m_hive);
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &h))
        << RegHiveError();
    DWORD type = 0;
    BYTE back[8] = {};
    DWORD size = sizeof back;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueEx(h, "leaf", nullptr, &type, back, &size));
    EXPECT_EQ(11u, type);
    EXPECT_EQ(0, std::memcmp(q, back, sizeof q));
    RegCloseKey(h);

    const std::string text = HiveText();
    EXPECT_NE(std::string::npos, text.find("[HKEY_LOCAL_MACHINE\\" + path + "]\n"));
    hive::Tree tree;
    std::string why;
    ASSERT_TRUE(hive::Parse(text, tree, &why)) << why;
    EXPECT_EQ(text, hive::Format(tree));
}

TEST_F(RegistryLimitsTest, DeepPathThroughTheCallsIsRefusedInBoundedMemory) {
    // Paths of 40 KB and 200 KB, as a deeply nested .reg file would hand them
    // over: refused at once, nothing written, in a child whose address space
    // is limited.
    for (const std::size_t levels : {20000u, 100000u}) {
        SCOPED_TRACE(levels);
        const ChildOutcome child = RunBoundedChild(kChildLimit, [&](std::string& text) {
            const std::string path = DeepPath(levels);
            const LONG r = CreateKey(HKEY_CURRENT_USER, path);
            text = RegHiveError();
            return r == ERROR_INVALID_PARAMETER ? 0 : 1;
        });
        EXPECT_TRUE(child.exited) << "ended by signal " << child.signal;
        EXPECT_EQ(0, child.code) << child.text;
        EXPECT_NE(std::string::npos, child.text.find("more than 512 levels")) << child.text;
        EXPECT_LT(child.peakKb, kPeakLimitKb);
        EXPECT_FALSE(fs::exists(m_hive));
        for (const std::string& name : Files())
            EXPECT_EQ(std::string::npos, name.find(".new.")) << name;
    }
}

TEST_F(RegistryLimitsTest, DeepPathInTheHiveFileMakesItCorruptNotACrash) {
    for (const std::size_t levels : {513u, 20000u, 100000u}) {
        SCOPED_TRACE(levels);
        const std::string text =
            "REGEDIT4\n\n[HKEY_CURRENT_USER\\" + DeepPath(levels) + "]\n\"v\"=dword:00000001\n";
        WriteHive(text);
        const ChildOutcome child = RunBoundedChild(kChildLimit, [&](std::string& why) {
            HKEY h = nullptr;
            const LONG read = RegOpenKeyEx(HKEY_CURRENT_USER, "k0", 0, KEY_READ, &h);
            why = RegHiveError();
            const LONG write = CreateKey(HKEY_CURRENT_USER, "Other");
            return read == ERROR_BADDB && write == ERROR_BADDB ? 0 : 1;
        });
        EXPECT_TRUE(child.exited) << "ended by signal " << child.signal;
        EXPECT_EQ(0, child.code) << child.text;
        EXPECT_NE(std::string::npos, child.text.find("line 3: key path of more than 512 levels"))
            << child.text;
        EXPECT_LT(child.peakKb, kPeakLimitKb);
        EXPECT_EQ(text, HiveText()) << "a corrupt hive is never overwritten";
    }
    WriteHive("REGEDIT4\n[HKEY_CURRENT_USER\\a\\" + std::string(256, 'b') + "]\n");
    HKEY h = nullptr;
    EXPECT_EQ(ERROR_BADDB, RegOpenKeyEx(HKEY_CURRENT_USER, "a", 0, KEY_READ, &h));
    EXPECT_NE(std::string::npos, RegHiveError().find("line 2: key name of 256 characters"))
        << RegHiveError();
}

TEST_F(RegistryLimitsTest, RunningOutOfMemoryWhileSavingIsAnErrorAndLeavesNoFileBehind) {
#ifdef PELMORA_TEST_ASAN
    GTEST_SKIP() << "the address space cannot be limited under AddressSanitizer";
#endif
    HKEY h = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, CreateKey(HKEY_CURRENT_USER, "Software\\Big", &h));
    RegCloseKey(h);
    const std::string before = HiveText();
    // A 60 MB value takes 180 MB as text: more than the child may have.
    const ChildOutcome child = RunBoundedChild(kChildLimit, [&](std::string& text) {
        HKEY key = nullptr;
        if (RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Big", 0, KEY_ALL_ACCESS, &key) != 0)
            return 2;
        std::vector<BYTE> data(60u << 20, 0x5a);
        const LONG r =
            RegSetValueEx(key, "blob", 0, REG_BINARY, data.data(), static_cast<DWORD>(data.size()));
        text = RegHiveError();
        return r == ERROR_OUTOFMEMORY ? 0 : 1;
    });
    EXPECT_TRUE(child.exited) << "ended by signal " << child.signal;
    EXPECT_EQ(0, child.code) << child.text;
    EXPECT_NE(std::string::npos, child.text.find("out of memory")) << child.text;
    EXPECT_EQ(before, HiveText());
    for (const std::string& name : Files())
        EXPECT_EQ(std::string::npos, name.find(".new.")) << name;
}
