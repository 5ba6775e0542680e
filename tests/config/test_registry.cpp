// CRegistry over a private hive: navigation, typed values, REGEDIT4 export and
// import, file types, searches.
#include "config/Registry.h"
#include "platform/files/directories.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TestDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace plat;
namespace fs = std::filesystem;

namespace {

class CRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = FreshTestDir("pelmora-creg");
        RegUseHiveFile((m_dir / "hive.reg").string());
    }
    void TearDown() override {
        RegUseHiveFile("");
        fs::remove_all(m_dir);
    }
    std::string File(const char* name) const { return (m_dir / name).string(); }
    static std::string Read(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        std::ostringstream s;
        s << f.rdbuf();
        return s.str();
    }
    static void Write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    // A fresh key HKEY_CURRENT_USER\Software\T, opened for everything.
    static void MakeKey(CRegistry& reg) {
        ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, "", KEY_ALL_ACCESS));
        ASSERT_TRUE(reg.CreateSubKey("Software\\T"));
    }

    fs::path m_dir;
};

} // namespace

TEST_F(CRegistryTest, NavigationFailuresKeepThePosition) {
    CRegistry reg;
    MakeKey(reg);
    ASSERT_TRUE(reg.CreateSubKey("A\\B"));
    EXPECT_EQ("Software\\T\\A\\B", reg.GetPath());
    ASSERT_TRUE(reg.WriteString("here", "B"));

    EXPECT_FALSE(reg.OpenSubKey("Missing"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, reg.GetLastResult());
    EXPECT_EQ("Software\\T\\A\\B", reg.GetPath());
    std::string text;
    EXPECT_TRUE(reg.ReadString("here", text)) << "the previous key is still open";
    EXPECT_EQ("B", text);

    EXPECT_FALSE(reg.GoUp(9));
    EXPECT_EQ("Software\\T\\A\\B", reg.GetPath());
    ASSERT_TRUE(reg.GoUp(2));
    EXPECT_EQ("Software\\T", reg.GetPath());
    ASSERT_TRUE(reg.OpenSubKey("a\\b\\")) << "one trailing backslash is dropped, case ignored";
    EXPECT_EQ("Software\\T\\a\\b", reg.GetPath());

    // Open: a failure keeps root and path, with no key open.
    EXPECT_FALSE(reg.Open(HKEY_LOCAL_MACHINE, "Nowhere", KEY_READ));
    EXPECT_EQ("HKEY_CURRENT_USER\\", reg.GetRootName());
    EXPECT_EQ("Software\\T\\a\\b", reg.GetPath());
    EXPECT_FALSE(reg.IsOpen());
    EXPECT_FALSE(reg.Open(reinterpret_cast<HKEY>(0x1234), "", KEY_READ)) << "unknown root";

    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, "Software\\T\\A\\B\\", KEY_ALL_ACCESS));
    EXPECT_EQ("Software\\T\\A\\B", reg.GetPath());
    ASSERT_TRUE(reg.DeleteCurrentKey());
    EXPECT_EQ("Software\\T\\A", reg.GetPath());
    std::vector<std::string> subKeys;
    ASSERT_TRUE(reg.EnumSubKeys(subKeys));
    EXPECT_TRUE(subKeys.empty());
}

TEST_F(CRegistryTest, TypedValuesRoundTripWithTheirTypes) {
    CRegistry reg;
    MakeKey(reg);
    ASSERT_TRUE(reg.WriteString("s", "text"));
    EXPECT_EQ(5u, reg.GetLastSize());
    ASSERT_TRUE(reg.WriteDword("d", 0xDEADBEEF));
    ASSERT_TRUE(reg.WriteBool("b", true));
    EXPECT_EQ(CRegistry::REG_BOOL, reg.GetLastType());
    ASSERT_TRUE(reg.WriteRect("r", CRegistry::Rect{-1, 2, 300, 400}));
    EXPECT_EQ(CRegistry::REG_RECT, reg.GetLastType());
    EXPECT_EQ(22u, reg.GetLastSize()) << "count word and five 32-bit elements";
    ASSERT_TRUE(reg.WritePoint("p", CRegistry::Point{7, -8}));
    ASSERT_TRUE(reg.WriteObject("arr", std::vector<std::string>{"one", std::string(300, 'x')}));
    ASSERT_TRUE(reg.WriteObject("map", std::map<std::string, std::string>{{"k", "v"}}));

    CRegistry again(HKEY_CURRENT_USER, KEY_READ);
    ASSERT_TRUE(again.Open(HKEY_CURRENT_USER, "Software\\T", KEY_READ));
    std::string s;
    DWORD d = 0;
    bool b = false;
    CRegistry::Rect r;
    CRegistry::Point p;
    std::vector<std::string> arr;
    std::map<std::string, std::string> map;
    EXPECT_TRUE(again.ReadString("s", s));
    EXPECT_EQ("text", s);
    EXPECT_TRUE(again.ReadDword("d", d));
    EXPECT_EQ(0xDEADBEEFu, d);
    EXPECT_TRUE(again.ReadBool("b", b));
    EXPECT_TRUE(b);
    EXPECT_TRUE(again.ReadRect("r", r));
    EXPECT_EQ((CRegistry::Rect{-1, 2, 300, 400}), r);
    EXPECT_TRUE(again.ReadPoint("p", p));
    EXPECT_EQ((CRegistry::Point{7, -8}), p);
    EXPECT_TRUE(again.ReadObject("arr", arr));
    EXPECT_EQ((std::vector<std::string>{"one", std::string(300, 'x')}), arr);
    EXPECT_TRUE(again.ReadObject("map", map));
    EXPECT_EQ("v", map["k"]);

    // Wrong types are refused, not misread.
    EXPECT_FALSE(again.ReadDword("s", d));
    EXPECT_FALSE(again.ReadString("d", s));
    EXPECT_FALSE(again.ReadObject("d", arr));
    // A binary that is not an archive of strings fails cleanly.
    ASSERT_TRUE(reg.WriteObject("junk", [](CArchiveWriter& ar) { ar.WriteCount(50000); }));
    EXPECT_FALSE(again.ReadObject("junk", arr));
    EXPECT_EQ(2u, arr.size()) << "a failed read leaves the list as it was";
}

// Rectangles, points and objects are archived in memory: they are written
// and read where no temporary directory can be used (its place is a file).
TEST_F(CRegistryTest, ObjectValuesNeedNoTemporaryDirectory) {
    Write(File("not-a-directory"), "x");
    ScopedEnv runtime("XDG_RUNTIME_DIR", nullptr);
    ScopedEnv temp(kTempDirVariable, File("not-a-directory"));
    ASSERT_EQ(plat::GetTempPath(), "");
    CRegistry reg;
    MakeKey(reg);
    const std::vector<std::string> strings = {std::string(5000, 'a'), "", std::string(300, 'z')};
    ASSERT_TRUE(reg.WriteRect("r", CRegistry::Rect{-1, 2, 300, 400})) << reg.GetLastResult();
    ASSERT_TRUE(reg.WritePoint("p", CRegistry::Point{7, -8})) << reg.GetLastResult();
    ASSERT_TRUE(reg.WriteObject("arr", strings)) << reg.GetLastResult();
    CRegistry::Rect r;
    CRegistry::Point p;
    std::vector<std::string> arr;
    EXPECT_TRUE(reg.ReadRect("r", r));
    EXPECT_EQ((CRegistry::Rect{-1, 2, 300, 400}), r);
    EXPECT_TRUE(reg.ReadPoint("p", p));
    EXPECT_EQ((CRegistry::Point{7, -8}), p);
    EXPECT_TRUE(reg.ReadObject("arr", arr));
    EXPECT_EQ(strings, arr);
}

TEST_F(CRegistryTest, ReadStringRefusesTextsLongerThanItsBuffer) {
    CRegistry reg;
    MakeKey(reg);
    ASSERT_TRUE(reg.WriteString("long", std::string(300, 'a')));
    ASSERT_TRUE(reg.WriteString("fits", std::string(199, 'b')));
    std::string text = "unchanged";
    EXPECT_FALSE(reg.ReadString("long", text));
    EXPECT_EQ(ERROR_MORE_DATA, reg.GetLastResult());
    EXPECT_EQ("unchanged", text);
    EXPECT_TRUE(reg.ReadString("fits", text));
    EXPECT_EQ(199u, text.size());
}

TEST_F(CRegistryTest, ExportWritesRegedit4WithExactLayout) {
    CRegistry reg;
    MakeKey(reg);
    ASSERT_TRUE(reg.WriteString("", "default"));
    ASSERT_TRUE(reg.WriteDword("d", 0x12345));
    std::vector<BYTE> bytes(30);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<BYTE>(i == 0 ? 5 : i == 1 ? 0 : 0xA0 + i);
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\T", 0, KEY_ALL_ACCESS, &key));
    RegSetValueEx(key, "b", 0, REG_BINARY, bytes.data(), 30);
    const BYTE multi[] = {'a', 0, 0};
    RegSetValueEx(key, "m", 0, REG_MULTI_SZ, multi, 3);
    RegCloseKey(key);
    ASSERT_TRUE(reg.CreateSubKey("Sub"));
    ASSERT_TRUE(reg.WriteString("path", "C:\\x"));
    ASSERT_TRUE(reg.GoUp(1));

    ASSERT_TRUE(reg.ExportRegFile(File("out.reg")));
    EXPECT_EQ("Software\\T", reg.GetPath()) << "the export comes back to where it started";
    const std::string expected =
        "REGEDIT4\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\T]\r\n"
        "@=\"default\"\r\n"
        "\"d\"=dword:00012345\r\n"
        "\"b\"=hex:05,00,a2,a3,a4,a5,a6,a7,a8,a9,aa,ab,ac,ad,ae,af,b0,b1,b2,b3,b4,b5,b6,\\\r\n"
        "  b7,b8,b9,ba,bb,bc,bd\r\n"
        "\"m\"=hex(7):61,00,00\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\T\\Sub]\r\n"
        "\"path\"=\"C:\\x\"\r\n"
        "\r\n";
    EXPECT_EQ(expected, Read(File("out.reg")));
}

TEST_F(CRegistryTest, ExportWritesValueTypesInHexadecimal) {
    CRegistry reg;
    MakeKey(reg);
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\T", 0, KEY_ALL_ACCESS, &key));
    const BYTE qword[8] = {1, 0, 0, 0, 0, 0, 0, 0};
    RegSetValueEx(key, "q", 0, 11, qword, 8);
    const BYTE expand[] = "%P%";
    RegSetValueEx(key, "e", 0, REG_EXPAND_SZ, expand, sizeof expand);
    std::vector<BYTE> bytes(30);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<BYTE>(i);
    RegSetValueEx(key, "w", 0, 0x100, bytes.data(), 30);
    RegCloseKey(key);
    ASSERT_TRUE(reg.ExportRegFile(File("out.reg")));
    EXPECT_EQ(
        "REGEDIT4\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\T]\r\n"
        "\"q\"=hex(b):01,00,00,00,00,00,00,00\r\n"
        "\"e\"=hex(2):25,50,25,00\r\n"
        "\"w\"=hex(100):00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
        "  16,17,18,19,1a,1b,1c,1d\r\n"
        "\r\n",
        Read(File("out.reg")));
}

TEST_F(CRegistryTest, ImportStoresStringsAndDwordsSkipsHex) {
    Write(File("in.reg"), "  REGEDIT4  \r\n\r\n"
                          "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendrel\\Qrv50]\r\n"
                          "\"InstallDir\"=\"/opt/qrv/\"\r\n"
                          "\"Count\"=dword:0000ff0a\r\n"
                          "\"Blob\"=hex:01,02,\\\r\n"
                          "  03\r\n"
                          "@=\"def\"\r\n"
                          "[HKEY_NOWHERE\\x]\r\n"
                          "\"lost\"=\"1\"\r\n");
    EXPECT_FALSE(CRegistry::ImportRegFile(File("in.reg"))) << "an unknown root is reported";
    CRegistry reg(HKEY_LOCAL_MACHINE, KEY_READ);
    ASSERT_TRUE(reg.Open(HKEY_LOCAL_MACHINE, "Software\\Vendrel\\Qrv50", KEY_READ));
    std::string s;
    DWORD d = 0;
    EXPECT_TRUE(reg.ReadString("InstallDir", s));
    EXPECT_EQ("/opt/qrv/", s);
    EXPECT_TRUE(reg.ReadDword("Count", d));
    EXPECT_EQ(0xff0au, d);
    EXPECT_TRUE(reg.ReadString("", s));
    EXPECT_EQ("def", s);
    std::vector<std::string> values;
    reg.EnumValues(values);
    EXPECT_EQ((std::vector<std::string>{"InstallDir", "Count", ""}), values);
}

TEST_F(CRegistryTest, ImportRefusesFilesThatAreNotRegedit4) {
    for (const char* first : {"REGEDIT5", "", "Windows Registry Editor Version 5.00"}) {
        Write(File("bad.reg"),
              std::string(first) + "\r\n[HKEY_CURRENT_USER\\Software\\Bad]\r\n\"a\"=\"b\"\r\n");
        EXPECT_FALSE(CRegistry::ImportRegFile(File("bad.reg"))) << first;
        CRegistry reg;
        EXPECT_FALSE(reg.Open(HKEY_CURRENT_USER, "Software\\Bad", KEY_READ)) << first;
    }
    EXPECT_FALSE(CRegistry::ImportRegFile(File("missing.reg")));
    // A section beyond 32767 bytes stops the import.
    std::string big = "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Big]\r\n";
    for (int i = 0; i < 400; ++i)
        big += "\"v" + std::to_string(i) + "\"=\"" + std::string(80, 'x') + "\"\r\n";
    Write(File("big.reg"), big);
    EXPECT_FALSE(CRegistry::ImportRegFile(File("big.reg")));
}

TEST_F(CRegistryTest, ExportThenImportRoundTripsStringsAndDwords) {
    CRegistry reg;
    MakeKey(reg);
    ASSERT_TRUE(reg.WriteString("Name", "Pelmora \"quoted\" C:\\dir\\"));
    ASSERT_TRUE(reg.WriteDword("Flags", 0x80000001));
    ASSERT_TRUE(reg.CreateSubKey("Deep\\Er"));
    ASSERT_TRUE(reg.WriteString("", ""));
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, "Software\\T", KEY_ALL_ACCESS));
    ASSERT_TRUE(reg.ExportRegFile(File("a.reg")));

    RegUseHiveFile(File("second.reg"));
    ASSERT_TRUE(CRegistry::ImportRegFile(File("a.reg")));
    CRegistry copy;
    ASSERT_TRUE(copy.Open(HKEY_CURRENT_USER, "Software\\T", KEY_ALL_ACCESS));
    ASSERT_TRUE(copy.ExportRegFile(File("b.reg")));
    EXPECT_EQ(Read(File("a.reg")), Read(File("b.reg")));
}

TEST_F(CRegistryTest, RegisterFileTypeWritesTheShellKeys) {
    ASSERT_TRUE(CRegistry::RegisterFileType("qrv", "/opt/q/run", "Qrv.Doc", false));
    CRegistry reg(HKEY_CLASSES_ROOT, KEY_READ);
    std::string s;
    ASSERT_TRUE(reg.Open(HKEY_CLASSES_ROOT, ".qrv", KEY_READ));
    EXPECT_TRUE(reg.ReadString("", s));
    EXPECT_EQ("Qrv.Doc", s);
    ASSERT_TRUE(reg.Open(HKEY_CLASSES_ROOT, "Qrv.Doc\\DefaultIcon", KEY_READ));
    EXPECT_TRUE(reg.ReadString("", s));
    EXPECT_EQ("/opt/q/run, 1", s);
    for (const char* verb : {"Open", "OpenAs"}) {
        ASSERT_TRUE(reg.Open(HKEY_CLASSES_ROOT,
                             std::string("Qrv.Doc\\shell\\") + verb + "\\command", KEY_READ));
        EXPECT_TRUE(reg.ReadString("", s));
        EXPECT_EQ("\"/opt/q/run\" \"%1\"", s);
    }
    EXPECT_FALSE(CRegistry::RegisterFileType("qrv", "/other", "Other", false));
    EXPECT_TRUE(CRegistry::RegisterFileType("qrv", "/other", "Other", true));
}

TEST_F(CRegistryTest, SearchesFindKeysDepthFirstIgnoringCase) {
    CRegistry reg;
    MakeKey(reg);
    ASSERT_TRUE(reg.CreateSubKey("b\\deep"));
    ASSERT_TRUE(reg.WriteString("Kind", "Tiko"));
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, "Software\\T", KEY_ALL_ACCESS));
    ASSERT_TRUE(reg.CreateSubKey("A"));
    ASSERT_TRUE(reg.WriteString("Kind", "TIKO"));
    ASSERT_TRUE(reg.GoUp(1));
    ASSERT_TRUE(reg.CreateSubKey("c"));
    ASSERT_TRUE(reg.WriteString("Kind", "other"));
    ASSERT_TRUE(reg.GoUp(1));
    ASSERT_TRUE(reg.WriteDword("Kind", 1)); // not a string: never matches

    std::vector<std::string> found;
    CRegistry::FindKeysWithValue(HKEY_CURRENT_USER, "Software\\T", "Kind", "tiko", found);
    EXPECT_EQ((std::vector<std::string>{"Software\\T\\A", "Software\\T\\b\\deep"}), found);
    EXPECT_EQ("Software\\T\\A",
              CRegistry::FindFirstKeyWithValue(HKEY_CURRENT_USER, "Software", "Kind", "Tiko"));
    EXPECT_EQ("", CRegistry::FindFirstKeyWithValue(HKEY_CURRENT_USER, "Software", "Kind", "x"));
    EXPECT_EQ("", CRegistry::FindFirstKeyWithValue(HKEY_CURRENT_USER, "Nowhere", "Kind", "x"));
}
