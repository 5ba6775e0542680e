// REGEDIT4 import through the command-line tool, on files as installers and
// other tools write them: the hive's value types stay what they are over many
// imports, a deeply nested key path is refused with its line named before
// anything changes and in bounded memory, a path at the limits goes through,
// a hive that cannot be written takes none of the file.
#include "config/Registry.h"
#include "config/RegistryTools.h"
#include "tests/support/BoundedChild.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TestDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace plat;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kChildLimit = 256u << 20;
constexpr long kPeakLimitKb = 128 * 1024;

class RegistryImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = FreshTestDir("pelmora-reg-import");
        m_hive = File("hive.reg");
        RegUseHiveFile(m_hive);
    }
    void TearDown() override {
        RegUseHiveFile("");
        fs::remove_all(m_dir);
    }
    std::string File(const std::string& name) const { return (m_dir / name).string(); }
    static std::string Read(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        std::ostringstream s;
        s << f.rdbuf();
        return s.str();
    }
    static void Write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // Runs --import-registry's code; the exit code, with the error text in *err.
    static int Import(const std::string& path, std::string* err = nullptr) {
        std::ostringstream out, errors;
        const int code = ImportRegistryFile(path, out, errors);
        if (err != nullptr)
            *err = errors.str();
        return code;
    }

    fs::path m_dir;
    std::string m_hive;
};

// A key path below a root: `levels` names "k0\k1\...".
std::string DeepPath(std::size_t levels) {
    std::string path;
    for (std::size_t i = 0; i < levels; ++i)
        path += (i > 0 ? "\\k" : "k") + std::to_string(i);
    return path;
}

// The type and bytes of a value, or type 0xFFFFFFFF when it cannot be read.
std::pair<DWORD, std::vector<BYTE>> Value(HKEY root, const char* path, const char* name) {
    HKEY h = nullptr;
    DWORD type = 0xFFFFFFFF, size = 0;
    std::vector<BYTE> data;
    if (RegOpenKeyEx(root, path, 0, KEY_READ, &h) == ERROR_SUCCESS) {
        if (RegQueryValueEx(h, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
            data.resize(size);
            RegQueryValueEx(h, name, nullptr, &type, data.data(), &size);
        }
        RegCloseKey(h);
    }
    return {type, data};
}

} // namespace

TEST_F(RegistryImportTest, HiveTypesStayOverTenImportsOfOtherKeys) {
    HKEY h = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Kept", 0, nullptr, 0,
                                            KEY_ALL_ACCESS, nullptr, &h, nullptr));
    const std::vector<BYTE> qword = {0x10, 0x32, 0x54, 0x76, 0x98, 0xba, 0xdc, 0xfe};
    const std::vector<BYTE> expand = {'%', 'T', '%', 0};
    const std::vector<BYTE> multi = {'a', 0, 'b', 0, 0};
    RegSetValueEx(h, "Stamp", 0, 11, qword.data(), 8);
    RegSetValueEx(h, "Home", 0, REG_EXPAND_SZ, expand.data(), 4);
    RegSetValueEx(h, "List", 0, REG_MULTI_SZ, multi.data(), 5);
    RegCloseKey(h);

    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE("import " + std::to_string(round));
        // Each import changes something, so each one rewrites the hive.
        const std::string reg = File("install" + std::to_string(round) + ".reg");
        Write(reg, "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendrel\\Qrv50]\r\n"
                   "\"InstallDir\"=\"/opt/qrv" +
                       std::to_string(round) + "/\"\r\n\"Run\"=dword:0000000" +
                       std::to_string(round) + "\r\n");
        std::string err;
        ASSERT_EQ(0, Import(reg, &err)) << err;
        EXPECT_EQ(std::make_pair(DWORD{11}, qword),
                  Value(HKEY_CURRENT_USER, "Software\\Kept", "Stamp"));
        EXPECT_EQ(std::make_pair(REG_EXPAND_SZ, expand),
                  Value(HKEY_CURRENT_USER, "Software\\Kept", "Home"));
        EXPECT_EQ(std::make_pair(REG_MULTI_SZ, multi),
                  Value(HKEY_CURRENT_USER, "Software\\Kept", "List"));
        EXPECT_EQ(static_cast<BYTE>(round),
                  Value(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendrel\\Qrv50", "Run").second.at(0));
    }
}

TEST_F(RegistryImportTest, DeeplyNestedFileIsRefusedWithItsLineAndNothingChanges) {
    CRegistry reg;
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, "", KEY_ALL_ACCESS));
    ASSERT_TRUE(reg.CreateSubKey("Software\\Before"));
    ASSERT_TRUE(reg.WriteString("kept", "yes"));
    const std::string hiveBefore = Read(m_hive);

    // 40 KB and 200 KB of "\a": an ordinary section first, which must not be
    // applied either.
    for (const std::size_t levels : {20000u, 100000u}) {
        SCOPED_TRACE(levels);
        std::string path;
        for (std::size_t i = 0; i < levels; ++i)
            path += "\\a";
        const std::string reg = File("deep.reg");
        Write(reg, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\First]\r\n\"x\"=\"1\"\r\n\r\n"
                   "[HKEY_CURRENT_USER" +
                       path + "]\r\n\"v\"=\"deep\"\r\n");
        const std::vector<std::string> filesBefore = Files();
        const ChildOutcome child =
            RunBoundedChild(kChildLimit, [&](std::string& text) { return Import(reg, &text); });
        EXPECT_TRUE(child.exited) << "ended by signal " << child.signal;
        EXPECT_EQ(1, child.code);
        EXPECT_EQ("pelmora: " + reg +
                      " line 6: key path of more than 512 levels; nothing was imported\n",
                  child.text);
        EXPECT_LT(child.peakKb, kPeakLimitKb);
        EXPECT_EQ(hiveBefore, Read(m_hive));
        EXPECT_EQ(filesBefore, Files()) << "no temporary file is left behind";
    }

    Write(File("long.reg"), "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\" + std::string(256, 'n') +
                                "]\r\n\"v\"=\"1\"\r\n");
    std::string why;
    EXPECT_FALSE(CRegistry::ImportRegFile(File("long.reg"), &why));
    EXPECT_EQ("line 2: key name of 256 characters at level 2 (at most 255); nothing was imported",
              why);
    EXPECT_EQ(hiveBefore, Read(m_hive));
}

TEST_F(RegistryImportTest, PathOfFiveHundredTwelveLevelsImportsAndRoundTrips) {
    // Two levels of Software\Deep and 510 more: the deepest key allowed.
    const std::string path = "Software\\Deep\\" + DeepPath(510);
    Write(File("in.reg"), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" + path +
                              "]\r\n\"Leaf\"=\"bottom\"\r\n\"n\"=dword:00000200\r\n");
    std::string err;
    ASSERT_EQ(0, Import(File("in.reg"), &err)) << err;
    CRegistry reg(HKEY_CURRENT_USER, KEY_READ);
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, path, KEY_READ));
    std::string leaf;
    EXPECT_TRUE(reg.ReadString("Leaf", leaf));
    EXPECT_EQ("bottom", leaf);
    EXPECT_FALSE(reg.CreateSubKey("one-more")) << "level 513";

    std::ostringstream out;
    ASSERT_EQ(0, ExportRegistryKey("HKCU\\Software\\Deep", File("a.reg"), out, out)) << out.str();
    const std::string exported = Read(File("a.reg"));
    EXPECT_NE(std::string::npos, exported.find("[HKEY_CURRENT_USER\\" + path +
                                               "]\r\n\"Leaf\"=\"bottom\"\r\n"
                                               "\"n\"=dword:00000200\r\n"));
    RegUseHiveFile(File("second.reg"));
    ASSERT_EQ(0, Import(File("a.reg"), &err)) << err;
    ASSERT_EQ(0, ExportRegistryKey("HKCU\\Software\\Deep", File("b.reg"), out, out)) << out.str();
    EXPECT_EQ(exported, Read(File("b.reg")));
}

TEST_F(RegistryImportTest, SectionsThatCannotBeAppliedAreNamedByLine) {
    Write(File("in.reg"), "REGEDIT4\r\n"
                          "; comment\r\n"
                          "[HKEY_CURRENT_USER\\Software\\Good]\r\n"
                          "\"a\"=\"1\"\r\n"
                          "[HKEY_NOWHERE\\x]\r\n"
                          "\"b\"=\"2\"\r\n"
                          "[HKEY_CURRENT_USER\\Software\\Bad\x01Name]\r\n"
                          "[HKEY_CURRENT_USER\\Software\\Later]\r\n"
                          "\"c\"=\"3\"\r\n");
    std::string err;
    EXPECT_EQ(1, Import(File("in.reg"), &err));
    EXPECT_EQ("pelmora: " + File("in.reg") +
                  " line 5: unknown root key; that section was left out\n",
              err);
    std::string why;
    EXPECT_FALSE(CRegistry::ImportRegFile(File("in.reg"), &why));
    EXPECT_EQ("line 5: unknown root key; that section was left out", why);
    EXPECT_EQ(REG_SZ, Value(HKEY_CURRENT_USER, "Software\\Good", "a").first);
    EXPECT_EQ(REG_SZ, Value(HKEY_CURRENT_USER, "Software\\Later", "c").first)
        << "the sections after a bad one are still applied";

    Write(File("ctl.reg"), "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Bad\x01Name]\r\n");
    EXPECT_FALSE(CRegistry::ImportRegFile(File("ctl.reg"), &why));
    EXPECT_EQ("line 2: the key cannot be created (error 87); that section was left out", why);
}

TEST_F(RegistryImportTest, AHiveThatCannotBeWrittenTakesNothingOfTheFileAndSaysWhy) {
    CRegistry reg;
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, "", KEY_ALL_ACCESS));
    ASSERT_TRUE(reg.CreateSubKey("Software\\Before"));
    ASSERT_TRUE(reg.WriteString("kept", "yes"));
    const std::string hiveBefore = Read(m_hive);
    std::string text = "REGEDIT4\r\n\r\n";
    for (int i = 0; i < 300; ++i)
        text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendrel\\Product" + std::to_string(i) +
                "]\r\n\"InstallDir\"=\"/opt/product" + std::to_string(i) + "/\"\r\n\r\n";
    Write(File("install.reg"), text);
    const std::vector<std::string> filesBefore = Files();
    std::string err;
    {
        FileSizeLimit disk(4096);
        EXPECT_EQ(1, Import(File("install.reg"), &err));
    }
    EXPECT_EQ(0u, err.find("pelmora: " + File("install.reg") + " was not imported (")) << err;
    EXPECT_NE(std::string::npos, err.find(std::strerror(EFBIG))) << err;
    EXPECT_EQ(hiveBefore, Read(m_hive));
    EXPECT_EQ(filesBefore, Files()) << "no temporary file is left behind";
    EXPECT_EQ(0xFFFFFFFF,
              Value(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendrel\\Product0", "InstallDir").first);

    ASSERT_EQ(0, Import(File("install.reg"), &err)) << err;
    EXPECT_EQ(REG_SZ,
              Value(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendrel\\Product299", "InstallDir").first);
    EXPECT_EQ(REG_SZ, Value(HKEY_CURRENT_USER, "Software\\Before", "kept").first);
}
