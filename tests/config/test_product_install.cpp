// The installed products as the completion page uses them, on a sample
// installation built in a temporary directory; and the registry tools.
#include "config/ProductInstall.h"
#include "config/Registry.h"
#include "config/RegistryTools.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TestDir.h"

#include "platform/files/paths.h"
#include "platform/system/optical_drives.h"
#include "platform/text/ini_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#if !defined(_WIN32)
#include <unistd.h>
#endif

using namespace plat;
namespace fs = std::filesystem;

namespace {

class ProductTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = FreshTestDir("pelmora-product");
        fs::create_directories(m_dir / "Qrv");
        RegUseHiveFile((m_dir / "hive.reg").string());
        SetOpticalDriveSource([] { return std::vector<std::string>{}; });
    }
    void TearDown() override {
        SetOpticalDriveSource(nullptr);
        RegUseHiveFile("");
        fs::remove_all(m_dir);
    }
    std::string Path(const std::string& rel) const { return (m_dir / rel).string(); }
    static void Write(const std::string& path, const std::string& text) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string Read(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        std::ostringstream s;
        s << f.rdbuf();
        return s.str();
    }
    static void Register(const std::string& key, const std::string& dir) {
        CRegistry reg;
        ASSERT_TRUE(reg.Open(HKEY_LOCAL_MACHINE, "", KEY_ALL_ACCESS));
        ASSERT_TRUE(reg.CreateSubKey(key));
        ASSERT_TRUE(reg.WriteString("InstallDir", dir));
    }
    // The product with two students; Anna's file holds OutVolume 3.
    void InstallProduct() {
        Register(kProductRegistryKey, Path("Qrv") + "/");
        Write(Path("Qrv/QRV.INI"), "[Keys]\r\nKEYs_ProductTag=Qrv50\r\nKEYi_OutVolume=2\r\n");
        CUserList users;
        users.SetUser("anna01", "Anna");
        users.SetUser("bob02", "Bob");
        ASSERT_TRUE(users.Save(Path("Users")));
        Write(Path("Users/anna01/options.ini"), "[Keys]\r\nKEYi_OutVolume=3\r\n");
        Write(Path("Users/bob02/options.ini"), "[Keys]\r\nKEYs_Course=X\r\n");
    }

    fs::path m_dir;
};

} // namespace

TEST_F(ProductTest, ProductPathsComeFromTheRegistry) {
    EXPECT_EQ("", GetProductIniPath()) << "not installed";
    EXPECT_EQ("Unknown", GetProductTag(""));
    InstallProduct();
    EXPECT_EQ(Path("Qrv") + "/QRV.INI", GetProductIniPath());
    EXPECT_EQ("Qrv50", GetProductTag(GetProductIniPath()));
    Write(Path("Qrv/QRV.INI"), "[Keys]\r\nKEYs_ProductTag=\r\n");
    EXPECT_EQ("Unknown", GetProductTag(GetProductIniPath()));
}

TEST_F(ProductTest, StudentsComeFromTheUsersRootOfTheProduct) {
    InstallProduct();
    CVendrelParms parms;
    CUserList users;
    ASSERT_TRUE(LoadProductStudents(GetProductIniPath(), parms, users));
    EXPECT_EQ((std::vector<std::string>{"Anna", "Bob"}), users.GetNames());
    int v = 0;
    parms.GetInt(KEYi_OutVolume, &v);
    EXPECT_EQ(2, v) << "the product's own settings are loaded";

    // Loading again gives each student once.
    ASSERT_TRUE(LoadProductStudents(GetProductIniPath(), parms, users));
    EXPECT_EQ(2u, users.GetNames().size());
}

TEST_F(ProductTest, NoStudentListCreatesAnEmptyOne) {
    Register(kProductRegistryKey, Path("Qrv") + "/");
    Write(Path("Qrv/QRV.INI"), "[Keys]\r\nKEYs_ProductTag=Qrv50\r\n");
    CVendrelParms parms;
    CUserList users;
    EXPECT_TRUE(LoadProductStudents(GetProductIniPath(), parms, users));
    EXPECT_TRUE(users.GetNames().empty());
    EXPECT_TRUE(fs::exists(Path("Users/UserList.dat")));
}

TEST_F(ProductTest, StudentVolumeIsWrittenOnlyWhenItChanges) {
    InstallProduct();
    CVendrelParms parms;
    CUserList users;
    ASSERT_TRUE(LoadProductStudents(GetProductIniPath(), parms, users));
    std::string dir;
    ASSERT_TRUE(users.FindUser("ANNA", &dir));

    const std::string anna = NativePath(dir + "/options.ini");

    EXPECT_TRUE(ExportStudentVolume(parms, dir, 7999));
    EXPECT_EQ("[Keys]\r\nKEYi_OutVolume=7\r\n", Read(anna));
    // The same volume again: the file is not rewritten.
    fs::last_write_time(anna, fs::file_time_type{});
    EXPECT_FALSE(ExportStudentVolume(parms, dir, 7000));
    EXPECT_EQ(fs::file_time_type{}, fs::last_write_time(anna));

    // No volume control: level 0 for the student.
    EXPECT_EQ(0, StudentVolumeLevel(-1));
    EXPECT_EQ(10, StudentVolumeLevel(10000));
    EXPECT_TRUE(ExportStudentVolume(parms, dir, -1));
    EXPECT_EQ("[Keys]\r\nKEYi_OutVolume=0\r\n", Read(anna));

    // Bob's file has no OutVolume line: SaveIni adds none.
    ASSERT_TRUE(users.FindUser("bob", &dir));
    ExportStudentVolume(parms, dir, 5000);
    EXPECT_EQ("[Keys]\r\nKEYs_Course=X\r\n", Read(NativePath(dir + "/options.ini")));
}

TEST_F(ProductTest, TikoEditionsGetBothRawVolumes) {
    bool any = true;
    EXPECT_TRUE(GetTikoIniList(&any).empty());
    EXPECT_FALSE(any);
    Register("SOFTWARE\\Vendrel\\TIKO_CM", Path("cm"));
    Register("SOFTWARE\\Vendrel\\TIKO_CP", Path("cp") + "/");
    Register("SOFTWARE\\Vendrel\\TIKO_CE", Path("ce-missing"));
    EXPECT_TRUE(GetTikoIniList(&any).empty()) << "no Tiko.ini yet";
    EXPECT_TRUE(any) << "but editions are installed";
    Write(Path("cp/Tiko.ini"), "; edition\r\n[Main]\r\nOutVolume=1\r\nOther=x\r\n");
    Write(Path("cm/Tiko.ini"), "[Other]\r\nA=1\r\n");
    const auto list = GetTikoIniList(&any);
    ASSERT_EQ((std::vector<std::string>{Path("cp") + "/Tiko.ini", Path("cm") + "/Tiko.ini"}), list);
    ExportTikoVolumes(list, -1, 6500);
    EXPECT_EQ("; edition\r\n[Main]\r\nOutVolume=-1\r\nOther=x\r\nRecVolume=6500\r\n",
              Read(list[0]));
    CIniFile cm;
    ASSERT_TRUE(cm.Open(list[1]));
    EXPECT_EQ("-1", cm.GetString("Main", "OutVolume"));
    EXPECT_EQ("6500", cm.GetString("Main", "RecVolume"));
    EXPECT_EQ("1", cm.GetString("Other", "A"));
}

// An edition that keeps its Tiko.ini behind a link: its owner's link is
// followed and the file it names gets the volumes; a link to another user's
// file is refused with both named, and that file is left as it was.
#if !defined(_WIN32) // the links are POSIX ones
TEST_F(ProductTest, TheExportFollowsAProductsLinkOnlyToAFileOfTheLinksOwner) {
    Register("SOFTWARE\\Vendrel\\TIKO_CP", Path("cp") + "/");
    Write(Path("shared/Tiko.ini"), "[Main]\r\nOutVolume=1\r\n");
    fs::create_directories(Path("cp"));
    fs::create_symlink(Path("shared/Tiko.ini"), Path("cp/Tiko.ini"));
    std::string error;
    ASSERT_TRUE(ExportTikoVolumes({Path("cp/Tiko.ini")}, 4000, 6500, &error)) << error;
    EXPECT_EQ("[Main]\r\nOutVolume=4000\r\nRecVolume=6500\r\n", Read(Path("shared/Tiko.ini")));
    EXPECT_TRUE(fs::is_symlink(Path("cp/Tiko.ini")));

    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give a file to another user";
    ASSERT_EQ(::chown(Path("shared/Tiko.ini").c_str(), 65534, 65534), 0);
    const std::string before = Read(Path("shared/Tiko.ini"));
    EXPECT_FALSE(ExportTikoVolumes({Path("cp/Tiko.ini")}, 1000, 2000, &error));
    EXPECT_NE(error.find(Path("cp/Tiko.ini")), std::string::npos) << error;
    EXPECT_NE(error.find(Path("shared/Tiko.ini")), std::string::npos) << error;
    EXPECT_EQ(before, Read(Path("shared/Tiko.ini")));
}
#endif

// The export after Finish on files as a product and its users keep them: LF
// line ends, blank and indented lines, a 6000-character line whose part past
// the 5119th starts with '[', no end on the last line. Every line but the
// volumes comes back byte for byte; a new line takes the file's line end.
TEST_F(ProductTest, TheExportLeavesEveryOtherLineOfAProductsFilesAsItWas) {
    const std::string tail = std::string(5110, 'n') + "[Keys]" + std::string(884, 'n');
    const std::string tiko = Path("cp/Tiko.ini");
    Write(tiko, "; edition\n\n  [Main]\n\tNotes=" + tail + "\nOutVolume=1\n   Other = x   \n" +
                    "\n[Keys]\nA=1");
    ExportTikoVolumes({tiko}, 7000, 6500);
    EXPECT_EQ("; edition\n\n  [Main]\n\tNotes=" + tail + "\nOutVolume=7000\n   Other = x   \n" +
                  "\nRecVolume=6500\n[Keys]\nA=1",
              Read(tiko));

    InstallProduct();
    const std::string anna = Path("Users/anna01/options.ini");
    fs::create_directories(fs::path(anna).parent_path());
    const std::string before = "; options\n[Keys]\n  KEYs_Notes=" + tail +
                               "\n\n\tKEYi_OutVolume=3\n\n  keyb_soundgood=TRUE  \n";
    Write(anna, before);
    CVendrelParms parms;
    CUserList users;
    ASSERT_TRUE(LoadProductStudents(GetProductIniPath(), parms, users));
    std::string dir;
    ASSERT_TRUE(users.FindUser("Anna", &dir));
    EXPECT_TRUE(ExportStudentVolume(parms, dir, 6000));
    std::string expected = before;
    expected.replace(expected.find("\tKEYi_OutVolume=3"), 17, "KEYi_OutVolume=6");
    EXPECT_EQ(expected, Read(anna));
}

// Settings the product wrote in its code page, converted with iconv from the
// UTF-8 text.
void WriteWindows1252(const std::string& path, const std::string& utf8) {
    fs::create_directories(fs::path(path).parent_path());
    const std::string source = path + ".utf8";
    std::ofstream(source, std::ios::binary) << utf8;
    ASSERT_EQ(0, std::system(
                     ("iconv -f UTF-8 -t WINDOWS-1252 '" + source + "' > '" + path + "'").c_str()));
    fs::remove(source);
}

TEST_F(ProductTest, StudentSettingsInTheProductsCodePageKeepEveryOtherByte) {
    InstallProduct();
    const std::string anna = Path("Users/anna01/options.ini");
    WriteWindows1252(anna, "; R\xC3\xA9glages de l'\xC3\xA9l\xC3\xA8ve\r\n"
                           "[Keys]\r\n"
                           "KEYs_Course=D\xC3\xA9"
                           "butants\r\n"
                           "KEYs_LastStudentName=  Ana\xC3\xAFs  M\xC3\xBCller\r\n"
                           "KEYi_OutVolume=3\r\n"
                           "keyb_soundgood=TRUE\r\n");
    const std::string before = Read(anna);
    ASSERT_NE(std::string::npos, before.find("D\xE9"
                                             "butants"));

    CVendrelParms parms;
    CUserList users;
    ASSERT_TRUE(LoadProductStudents(GetProductIniPath(), parms, users));
    std::string dir;
    ASSERT_TRUE(users.FindUser("Anna", &dir));
    EXPECT_TRUE(ExportStudentVolume(parms, dir, 6000));
    std::string expected = before;
    expected.replace(expected.find("KEYi_OutVolume=3"), 16, "KEYi_OutVolume=6");
    // Lines that keep their value are not rewritten: blanks after "=" and a
    // key written in another case stay as the file had them.
    EXPECT_EQ(expected, Read(anna));
}

TEST_F(ProductTest, EditionSettingsInTheProductsCodePageKeepEveryOtherByte) {
    const std::string tiko = Path("cp/Tiko.ini");
    WriteWindows1252(tiko, "; \xC3\x89"
                           "dition pour les petits\r\n"
                           "[Main]\r\n"
                           "OutVolume=1\r\n"
                           "Title=L'\xC3\xA9t\xC3\xA9 de Zo\xC3\xA9 \xE2\x80\x93 \xE2\x82\xAC\r\n"
                           "[Keys]\r\n"
                           "KEYs_Course=D\xC3\xA9"
                           "butants\r\n");
    const std::string before = Read(tiko);
    ExportTikoVolumes({tiko}, 7000, -1);
    std::string expected = before;
    expected.replace(expected.find("OutVolume=1"), 11, "OutVolume=7000");
    expected.insert(expected.find("[Keys]"), "RecVolume=-1\r\n");
    EXPECT_EQ(expected, Read(tiko));
}

TEST_F(ProductTest, UsersRootNamedInTheProductsCodePageIsFoundOnThisSystem) {
    Register(kProductRegistryKey, Path("Qrv") + "/");
    WriteWindows1252(Path("Qrv/QRV.INI"),
                     "[Keys]\r\nKEYs_ProductTag=Qrv50\r\n"
                     "KEYs_UsersRootPath=$QRVDIR$\\..\\\xC3\x89l\xC3\xA8ves\\\r\n");
    CUserList made;
    made.SetUser("anna01", "Anna");
    ASSERT_TRUE(made.Save(Path("\xC3\x89l\xC3\xA8ves"))); // Élèves, as this system names it
    CVendrelParms parms;
    CUserList users;
    ASSERT_TRUE(LoadProductStudents(GetProductIniPath(), parms, users)) << users.GetErrorText();
    EXPECT_EQ((std::vector<std::string>{"Anna"}), users.GetNames());
    EXPECT_TRUE(fs::equivalent(NativePath(users.GetRoot()), Path("\xC3\x89l\xC3\xA8ves")));
}

TEST_F(ProductTest, CommandLineImportAndExport) {
    Write(Path("in.reg"), "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendrel\\Qrv50]\r\n"
                          "\"InstallDir\"=\"/opt/qrv/\"\r\n");
    std::ostringstream out, err;
    EXPECT_EQ(0, ImportRegistryFile(Path("in.reg"), out, err)) << err.str();
    EXPECT_EQ("/opt/qrv/QRV.INI", GetProductIniPath());
    EXPECT_EQ(0, ExportRegistryKey("HKLM/SOFTWARE/Vendrel", Path("out.reg"), out, err));
    EXPECT_EQ("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendrel]\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendrel\\Qrv50]\r\n"
              "\"InstallDir\"=\"/opt/qrv/\"\r\n\r\n",
              Read(Path("out.reg")));

    err.str("");
    EXPECT_EQ(1, ImportRegistryFile(Path("missing.reg"), out, err));
    EXPECT_NE(std::string::npos, err.str().find("cannot open"));
    Write(Path("bad.reg"), "REGEDIT5\r\n");
    EXPECT_EQ(1, ImportRegistryFile(Path("bad.reg"), out, err));
    EXPECT_EQ(1, ExportRegistryKey("HKEY_NOWHERE\\x", Path("o.reg"), out, err));
    EXPECT_EQ(1, ExportRegistryKey("HKCU\\Missing", Path("o.reg"), out, err));
    EXPECT_FALSE(fs::exists(Path("o.reg")));

    // An export that cannot be written leaves the earlier one whole and says
    // why.
    const std::string earlier = Read(Path("out.reg"));
    err.str("");
    {
        FileSizeLimit disk(64);
        EXPECT_EQ(1, ExportRegistryKey("HKLM/SOFTWARE/Vendrel", Path("out.reg"), out, err));
    }
    EXPECT_EQ(earlier, Read(Path("out.reg")));
    EXPECT_NE(std::string::npos, err.str().find("cannot write " + Path("out.reg")));
    EXPECT_NE(std::string::npos, err.str().find(std::strerror(EFBIG))) << err.str();
}
