// Registry services over the hive file: Windows call semantics, persistence of
// every value type, enumeration order, corrupt hives.
#include "platform/registry/registry.h"
#include "platform/registry/registry_batch.h"
#include "tests/support/FileSizeLimit.h"

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

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir =
            fs::temp_directory_path() /
            ("pelmora-reg-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        m_hive = (m_dir / "sub" / "registry.reg").string();
        RegUseHiveFile(m_hive);
    }
    void TearDown() override {
        RegUseHiveFile("");
        fs::remove_all(m_dir);
    }
    std::string HiveText() const {
        std::ifstream f(m_hive, std::ios::binary);
        std::ostringstream s;
        s << f.rdbuf();
        return s.str();
    }
    void WriteHive(const std::string& text) const {
        fs::create_directories(fs::path(m_hive).parent_path());
        std::ofstream(m_hive, std::ios::binary) << text;
    }
    HKEY Create(const char* path) {
        HKEY h = nullptr;
        DWORD disp = 0;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyEx(HKEY_CURRENT_USER, path, 0, nullptr, 0,
                                                KEY_ALL_ACCESS, nullptr, &h, &disp));
        return h;
    }
    static void SetString(HKEY h, const char* name, const std::string& text) {
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueEx(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                static_cast<DWORD>(text.size() + 1)));
    }

    fs::path m_dir;
    std::string m_hive;
};

std::vector<std::string> SubKeys(HKEY h) {
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD len = sizeof name;
        if (RegEnumKeyEx(h, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, len);
    }
    return names;
}

} // namespace

TEST_F(RegistryTest, CreateOpenAndDispositionFollowWindows) {
    HKEY h = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Missing", 0, KEY_READ, &h));
    EXPECT_EQ(nullptr, h);
    DWORD disp = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\Vendrel\\Qrv50", 0,
                                            nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, &disp));
    EXPECT_EQ(REG_CREATED_NEW_KEY, disp);
    RegCloseKey(h);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\vendrel\\QRV50", 0,
                                            nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, &disp));
    EXPECT_EQ(REG_OPENED_EXISTING_KEY, disp) << "key names ignore case";
    RegCloseKey(h);
    // A trailing backslash is accepted; an empty component is not.
    EXPECT_EQ(ERROR_SUCCESS,
              RegOpenKeyEx(HKEY_LOCAL_MACHINE, "software\\VENDREL\\", 0, KEY_READ, &h));
    RegCloseKey(h);
    EXPECT_EQ(ERROR_BAD_PATHNAME, RegCreateKeyEx(HKEY_LOCAL_MACHINE, "a\\\\b", 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &h, &disp));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(reinterpret_cast<HKEY>(0x12345)));
}

TEST_F(RegistryTest, QueryValueSizesAndBufferRules) {
    HKEY h = Create("Software\\Test");
    SetString(h, "Name", "hello");
    DWORD type = 0, size = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueEx(h, "name", nullptr, &type, nullptr, &size));
    EXPECT_EQ(REG_SZ, type);
    EXPECT_EQ(6u, size);
    char small[3];
    size = sizeof small;
    EXPECT_EQ(ERROR_MORE_DATA,
              RegQueryValueEx(h, "Name", nullptr, &type, reinterpret_cast<BYTE*>(small), &size));
    EXPECT_EQ(6u, size) << "a short buffer learns the size it needs";
    char buf[16];
    size = sizeof buf;
    ASSERT_EQ(ERROR_SUCCESS,
              RegQueryValueEx(h, "Name", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size));
    EXPECT_STREQ("hello", buf);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueEx(h, "Other", nullptr, &type, nullptr, &size));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValue(h, "NAME"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValue(h, "Name"));
    RegCloseKey(h);
}

TEST_F(RegistryTest, AccessMaskIsEnforced) {
    Create("Software\\Ro");
    HKEY h = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Ro", 0, KEY_READ, &h));
    const DWORD v = 1;
    EXPECT_EQ(ERROR_ACCESS_DENIED,
              RegSetValueEx(h, "x", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4));
    RegCloseKey(h);
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Ro", 0, KEY_SET_VALUE, &h));
    DWORD size = 0;
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegQueryValueEx(h, "x", nullptr, nullptr, nullptr, &size));
    RegCloseKey(h);
}

TEST_F(RegistryTest, SubKeysSortIgnoringCaseValuesKeepCreationOrder) {
    HKEY h = Create("Software\\Order");
    for (const char* name : {"beta", "Alpha", "gamma", "ALPHA2", "Delta"}) {
        HKEY sub = nullptr;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegCreateKeyEx(h, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr));
        RegCloseKey(sub);
    }
    EXPECT_EQ((std::vector<std::string>{"Alpha", "ALPHA2", "beta", "Delta", "gamma"}), SubKeys(h));
    for (const char* name : {"z", "a", "m"})
        SetString(h, name, name);
    std::vector<std::string> values;
    for (DWORD i = 0;; ++i) {
        char name[16];
        DWORD len = sizeof name;
        if (RegEnumValue(h, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        values.emplace_back(name);
    }
    EXPECT_EQ((std::vector<std::string>{"z", "a", "m"}), values);
    DWORD subKeys = 0, valueCount = 0, maxSub = 0;
    ASSERT_EQ(ERROR_SUCCESS,
              RegQueryInfoKey(h, nullptr, nullptr, nullptr, &subKeys, &maxSub, nullptr, &valueCount,
                              nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(5u, subKeys);
    EXPECT_EQ(6u, maxSub);
    EXPECT_EQ(3u, valueCount);
    char tiny[3];
    DWORD len = sizeof tiny;
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumKeyEx(h, 0, tiny, &len, nullptr, nullptr, nullptr, nullptr));
    len = sizeof tiny;
    EXPECT_EQ(ERROR_NO_MORE_ITEMS,
              RegEnumKeyEx(h, 5, tiny, &len, nullptr, nullptr, nullptr, nullptr));
    RegCloseKey(h);
}

TEST_F(RegistryTest, ManyValuesAndSubKeysAreFoundAndEnumeratedThroughDeletions) {
    constexpr int kCount = 300;
    HKEY h = Create("Software\\Many");
    {
        RegBatch batch; // one writing of the hive for the setup
        for (int i = 0; i < kCount; ++i) {
            const std::string name = "v" + std::to_string(i);
            SetString(h, name.c_str(), "data " + std::to_string(i));
            HKEY sub = nullptr;
            ASSERT_EQ(ERROR_SUCCESS,
                      RegCreateKeyEx(h, ("k" + std::to_string(i)).c_str(), 0, nullptr, 0,
                                     KEY_ALL_ACCESS, nullptr, &sub, nullptr));
            RegCloseKey(sub);
        }
        for (int i = 0; i < kCount; i += 3)
            ASSERT_EQ(ERROR_SUCCESS, RegDeleteValue(h, ("V" + std::to_string(i)).c_str()));
        ASSERT_EQ(ERROR_SUCCESS, batch.End()) << RegHiveError();
    }
    SetString(h, "v0", "back"); // a name deleted before comes back last
    std::vector<std::string> expected;
    for (int i = 1; i < kCount; ++i)
        if (i % 3 != 0)
            expected.push_back("v" + std::to_string(i));
    expected.push_back("v0");
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
        char name[16];
        DWORD len = sizeof name;
        if (RegEnumValue(h, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name);
    }
    EXPECT_EQ(expected, names);
    for (int i = 0; i < kCount; ++i) {
        char data[32] = {};
        DWORD size = sizeof data;
        const LONG r = RegQueryValueEx(h, ("V" + std::to_string(i)).c_str(), nullptr, nullptr,
                                       reinterpret_cast<BYTE*>(data), &size);
        if (i == 0) {
            EXPECT_EQ(std::string(data), "back");
        } else if (i % 3 == 0) {
            EXPECT_EQ(ERROR_FILE_NOT_FOUND, r) << i;
        } else {
            EXPECT_EQ(ERROR_SUCCESS, r) << i;
            EXPECT_EQ(std::string(data), "data " + std::to_string(i));
        }
    }

    // Sub-keys by index, forwards, backwards and across a change.
    std::vector<std::string> sorted = SubKeys(h);
    ASSERT_EQ(static_cast<std::size_t>(kCount), sorted.size());
    EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end()));
    auto at = [&](DWORD index) {
        char name[16];
        DWORD len = sizeof name;
        const LONG r = RegEnumKeyEx(h, index, name, &len, nullptr, nullptr, nullptr, nullptr);
        return r == ERROR_SUCCESS ? std::string(name) : "(error " + std::to_string(r) + ")";
    };
    for (DWORD i = kCount; i-- > 0;)
        ASSERT_EQ(sorted[i], at(i)) << i;
    ASSERT_EQ(sorted[10], at(10));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKey(h, sorted[5].c_str()));
    EXPECT_EQ(sorted[12], at(11)) << "the key before it went";
    HKEY sub = Create("Software\\Many\\k0a");
    RegCloseKey(sub);
    EXPECT_EQ("k0a", at(1));
    EXPECT_EQ(sorted[1], at(2));
    RegCloseKey(h);
}

TEST_F(RegistryTest, DeleteKeyRefusesKeysWithChildrenAndStalesHandles) {
    HKEY parent = Create("Software\\Del");
    HKEY child = Create("Software\\Del\\Child");
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKey(HKEY_CURRENT_USER, "Software\\Del"));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKey(parent, "child"));
    SetString(parent, "still", "here");
    EXPECT_EQ(ERROR_KEY_DELETED,
              RegSetValueEx(child, "x", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKey(parent, "child"));
    RegCloseKey(child);
    RegCloseKey(parent);
}

TEST_F(RegistryTest, EveryValueTypeSurvivesTheHiveFile) {
    HKEY h = Create("Software\\Types");
    const std::string tricky = "C:\\Path \"quoted\"\ttab";
    SetString(h, "", tricky); // the default value
    SetString(h, "we\"ird\\name", "x");
    const DWORD d = 0x12345;
    RegSetValueEx(h, "D", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&d), 4);
    std::vector<BYTE> bin(300);
    for (std::size_t i = 0; i < bin.size(); ++i)
        bin[i] = static_cast<BYTE>(i * 7);
    RegSetValueEx(h, "Bin", 0, REG_BINARY, bin.data(), static_cast<DWORD>(bin.size()));
    const char multi[] = "one\0two\0";
    RegSetValueEx(h, "Multi", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi), sizeof multi);
    const char unterminated[] = {'a', 'b'};
    RegSetValueEx(h, "Raw", 0, REG_SZ, reinterpret_cast<const BYTE*>(unterminated), 2);
    RegSetValueEx(h, "Empty", 0, REG_BINARY, nullptr, 0);
    Create("Software\\Types\\EmptyKey");
    RegCloseKey(h);

    // Another file, then back: the values must come from the file, not memory.
    const std::string text = HiveText();
    EXPECT_EQ(0u, text.rfind("REGEDIT4\n", 0));
    RegUseHiveFile((m_dir / "other.reg").string());
    RegUseHiveFile(m_hive);

    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Types", 0, KEY_READ, &h));
    auto read = [&](const char* name, DWORD expectType) {
        DWORD type = 0, size = 0;
        EXPECT_EQ(ERROR_SUCCESS, RegQueryValueEx(h, name, nullptr, &type, nullptr, &size)) << name;
        std::vector<BYTE> data(size);
        RegQueryValueEx(h, name, nullptr, &type, data.data(), &size);
        EXPECT_EQ(expectType, type) << name;
        return data;
    };
    const auto def = read("", REG_SZ);
    EXPECT_EQ(tricky, std::string(def.begin(), def.end() - 1));
    EXPECT_EQ(2u, read("we\"ird\\name", REG_SZ).size());
    EXPECT_EQ((std::vector<BYTE>{0x45, 0x23, 0x01, 0x00}), read("D", REG_DWORD));
    EXPECT_EQ(bin, read("Bin", REG_BINARY));
    EXPECT_EQ(std::vector<BYTE>(multi, multi + sizeof multi), read("Multi", REG_MULTI_SZ));
    EXPECT_EQ((std::vector<BYTE>{'a', 'b'}), read("Raw", REG_SZ));
    EXPECT_TRUE(read("Empty", REG_BINARY).empty());
    EXPECT_EQ((std::vector<std::string>{"EmptyKey"}), SubKeys(h));
    RegCloseKey(h);
}

TEST_F(RegistryTest, AHiveThatCannotBeWrittenStaysAsItWasAndTheReasonIsKept) {
    HKEY h = Create("Software\\Kept");
    SetString(h, "a", "first");
    const std::string before = HiveText();
    {
        FileSizeLimit disk(before.size() + 16); // a full disk
        const std::string big(4000, 'x');
        EXPECT_EQ(ERROR_CANTWRITE,
                  RegSetValueEx(h, "b", 0, REG_SZ, reinterpret_cast<const BYTE*>(big.c_str()),
                                static_cast<DWORD>(big.size() + 1)));
    }
    EXPECT_EQ(before, HiveText());
    EXPECT_NE(std::string::npos, RegHiveError().find(m_hive)) << RegHiveError();
    EXPECT_NE(std::string::npos, RegHiveError().find(std::strerror(EFBIG))) << RegHiveError();
    for (const auto& entry : fs::directory_iterator(fs::path(m_hive).parent_path()))
        EXPECT_TRUE(entry.path() == m_hive || entry.path().extension() == ".lock")
            << entry.path() << " is left behind";
    RegCloseKey(h);
}

TEST_F(RegistryTest, CorruptHiveIsReportedAndNeverOverwritten) {
    const std::string bad = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software]\n\"a\"=dword:xyz\n";
    WriteHive(bad);
    HKEY h = nullptr;
    EXPECT_EQ(ERROR_BADDB, RegOpenKeyEx(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &h));
    EXPECT_NE(std::string::npos, RegHiveError().find("line 4")) << RegHiveError();
    EXPECT_NE(std::string::npos, RegHiveError().find(m_hive));
    DWORD disp = 0;
    EXPECT_EQ(ERROR_BADDB, RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\New", 0, nullptr, 0,
                                          KEY_ALL_ACCESS, nullptr, &h, &disp));
    EXPECT_EQ(bad, HiveText());

    WriteHive("[HKEY_CURRENT_USER\\Software]\n");
    EXPECT_EQ(ERROR_BADDB, RegOpenKeyEx(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &h))
        << "a hive must start with REGEDIT4";
    WriteHive("REGEDIT4\n[HKEY_NOWHERE\\x]\n");
    EXPECT_EQ(ERROR_BADDB, RegOpenKeyEx(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &h));
    WriteHive("REGEDIT4\n[HKEY_CURRENT_USER\\x]\n\"b\"=hex:01,02,\\\n");
    EXPECT_EQ(ERROR_BADDB, RegOpenKeyEx(HKEY_CURRENT_USER, "x", 0, KEY_READ, &h))
        << "a continuation past the end of the file";

    // Repaired by hand: usable again, and the error text is gone.
    WriteHive("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n\"a\"=dword:0000002a\r\n");
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyEx(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &h));
    EXPECT_EQ("", RegHiveError());
    DWORD v = 0, size = 4;
    EXPECT_EQ(ERROR_SUCCESS,
              RegQueryValueEx(h, "a", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size));
    EXPECT_EQ(42u, v);
    RegCloseKey(h);
}

TEST_F(RegistryTest, MissingHiveReadsEmptyAndWritingCreatesIt) {
    HKEY h = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyEx(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &h));
    EXPECT_FALSE(fs::exists(m_hive)) << "reading never creates the hive";
    h = Create("Software");
    EXPECT_TRUE(fs::exists(m_hive));
    for (const auto& entry : fs::directory_iterator(fs::path(m_hive).parent_path()))
        EXPECT_EQ(std::string::npos, entry.path().string().find(".new."))
            << "no temporary file is left behind";
    RegCloseKey(h);
}
