// Value types in the hive file: hex(n) is written and read in hexadecimal, so
// a type stays what it was however often the hive is rewritten, and hives of
// earlier builds, which wrote n in decimal, are read as they were meant.
#include "platform/registry/registry.h"
#include "platform/registry/registry_hive.h"
#include "tests/support/TestDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace plat;
namespace fs = std::filesystem;

namespace {

constexpr DWORD kQword = 11; // REG_QWORD

class HiveTypesTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = FreshTestDir("pelmora-hive-types");
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
    static HKEY Create(const char* path) {
        HKEY h = nullptr;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyEx(HKEY_CURRENT_USER, path, 0, nullptr, 0,
                                                KEY_ALL_ACCESS, nullptr, &h, nullptr));
        return h;
    }
    static void Set(HKEY h, const char* name, DWORD type, const std::vector<BYTE>& data) {
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueEx(h, name, 0, type, data.data(), static_cast<DWORD>(data.size())));
    }
    // The type and bytes of a value of HKEY_CURRENT_USER\<path>, read afresh.
    static std::pair<DWORD, std::vector<BYTE>> Get(const char* path, const char* name) {
        HKEY h = nullptr;
        if (RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, KEY_READ, &h) != ERROR_SUCCESS) {
            ADD_FAILURE() << path << " cannot be opened: " << RegHiveError();
            return {};
        }
        DWORD type = 0, size = 0;
        EXPECT_EQ(ERROR_SUCCESS, RegQueryValueEx(h, name, nullptr, &type, nullptr, &size)) << name;
        std::vector<BYTE> data(size);
        RegQueryValueEx(h, name, nullptr, &type, data.data(), &size);
        RegCloseKey(h);
        return {type, data};
    }

    fs::path m_dir;
    std::string m_hive;
};

const std::vector<BYTE> kEight = {1, 2, 3, 4, 5, 6, 7, 8};
const std::vector<BYTE> kExpand = {'%', 'H', '%', 0};

} // namespace

TEST_F(HiveTypesTest, TypesStayTheSameOverTenRewritesOfTheHive) {
    HKEY h = Create("Software\\Types");
    Set(h, "q", kQword, kEight);
    Set(h, "e", REG_EXPAND_SZ, kExpand);
    Set(h, "m", REG_MULTI_SZ, {'a', 0, 0});
    Set(h, "ten", 10, {9});
    Set(h, "big", 0x10, {7});
    Set(h, "top", 0xFFFFFFFFu, {});
    Set(h, "short", REG_DWORD, {1, 2}); // not four bytes: written as hex(4):
    RegCloseKey(h);

    for (int round = 0; round < 10; ++round) {
        // An unrelated change rewrites the whole hive, which is then read
        // again from the file by the next call.
        HKEY other = Create("Software\\Other");
        Set(other, "round", REG_DWORD, {static_cast<BYTE>(round), 0, 0, 0});
        RegCloseKey(other);
        SCOPED_TRACE("round " + std::to_string(round));
        EXPECT_EQ(std::make_pair(kQword, kEight), Get("Software\\Types", "q"));
        EXPECT_EQ(std::make_pair(REG_EXPAND_SZ, kExpand), Get("Software\\Types", "e"));
        EXPECT_EQ(REG_MULTI_SZ, Get("Software\\Types", "m").first);
        EXPECT_EQ(10u, Get("Software\\Types", "ten").first);
        EXPECT_EQ(0x10u, Get("Software\\Types", "big").first);
        EXPECT_EQ(0xFFFFFFFFu, Get("Software\\Types", "top").first);
        EXPECT_EQ(std::make_pair(REG_DWORD, std::vector<BYTE>{1, 2}),
                  Get("Software\\Types", "short"));
    }
    const std::string text = HiveText();
    EXPECT_NE(std::string::npos, text.find("\"q\"=hex(b):01,02,03,04,05,06,07,08\n")) << text;
    EXPECT_NE(std::string::npos, text.find("\"e\"=hex(2):25,48,25,00\n"));
    EXPECT_NE(std::string::npos, text.find("\"ten\"=hex(a):09\n"));
    EXPECT_NE(std::string::npos, text.find("\"big\"=hex(10):07\n"));
    EXPECT_NE(std::string::npos, text.find("\"top\"=hex(ffffffff):\n"));
    EXPECT_NE(std::string::npos, text.find("\"short\"=hex(4):01,02\n"));
}

TEST_F(HiveTypesTest, HiveOfAnEarlierBuildIsReadWithItsDecimalTypes) {
    // Byte for byte what the earlier build wrote: REGEDIT4, a blank line, and
    // the types of hex(n) in decimal (it could not read back its own 10-digit
    // type; that is read now too).
    WriteHive("REGEDIT4\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Old]\n"
              "\"q\"=hex(11):01,02,03,04,05,06,07,08\n"
              "\"e\"=hex(2):25,48,25,00\n"
              "\"sixteen\"=hex(16):07\n"
              "\"top\"=hex(4294967295):\n"
              "\"edited\"=hex(b):05\n"
              "\n");
    EXPECT_EQ(std::make_pair(kQword, kEight), Get("Software\\Old", "q"));
    EXPECT_EQ(std::make_pair(REG_EXPAND_SZ, kExpand), Get("Software\\Old", "e"));
    EXPECT_EQ(16u, Get("Software\\Old", "sixteen").first);
    EXPECT_EQ(0xFFFFFFFFu, Get("Software\\Old", "top").first);
    EXPECT_EQ(kQword, Get("Software\\Old", "edited").first)
        << "the earlier build never wrote a letter there: a hand-edited hexadecimal type";

    // The first change writes the new form, which reads back the same.
    HKEY h = Create("Software\\New");
    RegCloseKey(h);
    const std::string text = HiveText();
    EXPECT_EQ(0u, text.rfind(std::string("REGEDIT4\n") + hive::kHexTypesLine + "\n", 0)) << text;
    EXPECT_NE(std::string::npos, text.find("\"q\"=hex(b):"));
    EXPECT_NE(std::string::npos, text.find("\"sixteen\"=hex(10):"));
    EXPECT_NE(std::string::npos, text.find("\"edited\"=hex(b):"));
    EXPECT_EQ(std::make_pair(kQword, kEight), Get("Software\\Old", "q"));
    EXPECT_EQ(16u, Get("Software\\Old", "sixteen").first);
    EXPECT_EQ(0xFFFFFFFFu, Get("Software\\Old", "top").first);

    // Out-of-range types are refused, and the file is left alone: beyond 32
    // bits in decimal or in hexadecimal, more than eight hexadecimal digits.
    const std::string marked = std::string("REGEDIT4\n") + hive::kHexTypesLine + "\n";
    for (const std::string& head : {std::string("REGEDIT4\n") + "hex(4294967296)",
                                    std::string("REGEDIT4\n") + "hex(12345678901)",
                                    marked + "hex(100000000)", marked + "hex(4294967296)"}) {
        const std::size_t cut = head.rfind('\n') + 1;
        const std::string hiveText =
            head.substr(0, cut) + "[HKEY_CURRENT_USER\\x]\n\"v\"=" + head.substr(cut) + ":00\n";
        WriteHive(hiveText);
        HKEY k = nullptr;
        EXPECT_EQ(ERROR_BADDB, RegOpenKeyEx(HKEY_CURRENT_USER, "x", 0, KEY_READ, &k)) << hiveText;
        EXPECT_NE(std::string::npos, RegHiveError().find("line ")) << RegHiveError();
        EXPECT_EQ(hiveText, HiveText());
    }
}

TEST_F(HiveTypesTest, MarkedHiveReadsDecimalLookingTypesAsHexadecimal) {
    WriteHive(std::string("REGEDIT4\n") + hive::kHexTypesLine +
              "\n\n[HKEY_CURRENT_USER\\Software\\M]\n\"v\"=hex(11):00\n");
    EXPECT_EQ(0x11u, Get("Software\\M", "v").first);
    // The mark counts only before the first key: after it, it is a comment,
    // which a hive cannot keep.
    const std::string late =
        std::string("REGEDIT4\n[HKEY_CURRENT_USER\\a]\n") + hive::kHexTypesLine + "\n";
    WriteHive(late);
    HKEY k = nullptr;
    EXPECT_EQ(ERROR_BADDB, RegOpenKeyEx(HKEY_CURRENT_USER, "a", 0, KEY_READ, &k));
    EXPECT_NE(std::string::npos, RegHiveError().find("line 3")) << RegHiveError();
    EXPECT_EQ(late, HiveText());
}

TEST_F(HiveTypesTest, HiveTextRoundTripsExactly) {
    HKEY h = Create("Software\\R\\Deeper\\Leaf");
    Set(h, "", kQword, kEight);
    std::vector<BYTE> many(200);
    for (std::size_t i = 0; i < many.size(); ++i)
        many[i] = static_cast<BYTE>(i);
    Set(h, "wrapped", 0x1234, many);
    Set(h, "s", REG_SZ, {'x', 0});
    Set(h, "d", REG_DWORD, {1, 0, 0, 0});
    RegCloseKey(h);
    RegCloseKey(Create("Software\\R\\Empty"));
    const std::string text = HiveText();
    hive::Tree tree;
    std::string why;
    ASSERT_TRUE(hive::Parse(text, tree, &why)) << why;
    EXPECT_EQ(text, hive::Format(tree));
    EXPECT_EQ(std::make_pair(DWORD{0x1234}, many), Get("Software\\R\\Deeper\\Leaf", "wrapped"));
}
