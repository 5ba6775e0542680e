// CVendrelParms: validation, the keepPrevious stack, macro expansion and the
// INI files, on the product's own key table.
#include "config/Registry.h"
#include "config/VendrelParms.h"
#include "tests/support/RegistryTree.h"
#include "tests/support/TestDir.h"

#include "platform/files/paths.h"
#include "platform/system/optical_drives.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace plat;
namespace fs = std::filesystem;

namespace {

class ParmsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = FreshTestDir("pelmora-parms");
        RegUseHiveFile((m_dir / "hive.reg").string());
        EXPECT_TRUE(DeleteKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendrel"));
        SetOpticalDriveSource([] { return std::vector<std::string>{}; });
    }
    void TearDown() override {
        SetOpticalDriveSource(nullptr);
        EXPECT_TRUE(DeleteKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendrel"));
        RegUseHiveFile("");
        fs::remove_all(m_dir);
    }
    static void Install(const std::string& product, const std::string& dir) {
        CRegistry reg;
        ASSERT_TRUE(reg.Open(HKEY_LOCAL_MACHINE, "", KEY_ALL_ACCESS));
        ASSERT_TRUE(reg.CreateSubKey("SOFTWARE\\Vendrel\\" + product));
        ASSERT_TRUE(reg.WriteString("InstallDir", dir));
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

    fs::path m_dir;
};

std::string Stored(CVendrelParms& p, const std::string& name) {
    std::string line;
    for (bool more = p.GetFirstLine(&line); more; more = p.GetNextLine(&line))
        if (line.compare(0, name.size() + 1, name + "=") == 0)
            return line.substr(name.size() + 1);
    return "<none>";
}

} // namespace

TEST_F(ParmsTest, InitStoresEveryDefaultOnce) {
    CVendrelParms p;
    ASSERT_TRUE(p.Init(g_vendrelKeys, true, "Qrv50"));
    EXPECT_EQ(103, p.KeyCount());
    EXPECT_EQ(103u, p.ValueCount()) << "key names and ids are unique";
    int v = 0, lo = 0, hi = 0, def = 0;
    EXPECT_TRUE(p.GetInt(KEYi_OutVolume, &v, &lo, &hi, &def));
    EXPECT_EQ(-5, v);
    EXPECT_EQ(-10, lo);
    EXPECT_EQ(10, hi);
    EXPECT_EQ("KEYs_CoursePath", p.GetKeyName(KEYs_CoursePath));
    EXPECT_EQ("", p.GetKeyName(4242));
    EXPECT_EQ(KEYi_OutVolume, p.FindKeyId("  KEYi_OutVolume = 3"));
    EXPECT_EQ(0, p.FindKeyId("keyi_outvolume=3")) << "names are case-sensitive";

    // Two keys sharing a name make Init report the table as broken.
    const VendrelKey twice[] = {{1, "KEYi_A", KEY_TYPE_INT, 0, 9, 1, nullptr},
                                {2, "KEYi_A", KEY_TYPE_INT, 0, 9, 2, nullptr},
                                {0, "KEY_NULL", 0, 0, 0, 0, nullptr}};
    CVendrelParms q;
    EXPECT_FALSE(q.Init(twice, true, "Qrv50"));
}

TEST_F(ParmsTest, IntegerValuesAreCheckedAndClamped) {
    CVendrelParms p;
    p.Init(g_vendrelKeys, false, "Qrv50");
    EXPECT_FALSE(p.SetValue("KEYi_OutVolume", "12"));
    EXPECT_EQ("10", Stored(p, "KEYi_OutVolume"));
    EXPECT_TRUE(p.SetValue("KEYi_OutVolume", "-5"));
    EXPECT_EQ("-5", Stored(p, "KEYi_OutVolume"));
    EXPECT_TRUE(p.SetValue("KEYi_OutVolume", "7"));
    EXPECT_FALSE(p.SetValue("KEYi_OutVolume", "abc"));
    EXPECT_EQ("-5", Stored(p, "KEYi_OutVolume")) << "not numeric: the default";
    EXPECT_FALSE(p.SetValue("KEYi_OutVolume", "-99999999999999"));
    EXPECT_EQ("-10", Stored(p, "KEYi_OutVolume"));
    EXPECT_TRUE(p.SetValue("KEYi_TrackingSavedDays", ""));
    EXPECT_EQ("0", Stored(p, "KEYi_TrackingSavedDays")) << "the empty text reads as 0";
    EXPECT_FALSE(p.SetValue("KEYi_TrackingSavedDays", "99999999999"));
    EXPECT_EQ("2147483647", Stored(p, "KEYi_TrackingSavedDays"));
    EXPECT_FALSE(p.SetValue("KEYi_Unknown", "1"));
    EXPECT_FALSE(p.SetInt(KEYb_AdaptMixer, 1)) << "SetInt only for integer keys";
    EXPECT_FALSE(p.SetBool(KEYi_OutVolume, true));

    int v = 0;
    p.Reset(KEYi_OutVolume);
    EXPECT_FALSE(p.GetInt(KEYi_OutVolume, &v));
    EXPECT_EQ(-5, v) << "no value: the default";
    EXPECT_FALSE(p.GetInt(9999, &v));
    EXPECT_EQ(-1, v);
}

TEST_F(ParmsTest, BooleanTextsAreNormalised) {
    CVendrelParms p;
    p.Init(g_vendrelKeys, false, "Qrv50");
    bool b = false, def = false;
    EXPECT_TRUE(p.SetValue("KEYb_UseMixerLineIn", "true"));
    EXPECT_EQ("TRUE", Stored(p, "KEYb_UseMixerLineIn"));
    EXPECT_TRUE(p.SetValue("KEYb_UseMixerLineIn", "0"));
    EXPECT_EQ("FALSE", Stored(p, "KEYb_UseMixerLineIn"));
    EXPECT_TRUE(p.SetValue("KEYb_UseMixerLineIn", "1"));
    EXPECT_TRUE(p.GetBool(KEYb_UseMixerLineIn, &b, &def));
    EXPECT_TRUE(b);
    EXPECT_FALSE(def);
    EXPECT_FALSE(p.SetValue("KEYb_UseMixerLineIn", "yes"));
    EXPECT_EQ("FALSE", Stored(p, "KEYb_UseMixerLineIn")) << "an unknown word: the default";
    EXPECT_TRUE(p.SetFromLine("  KEYb_AdaptMixer =  false  "));
    EXPECT_EQ("FALSE", Stored(p, "KEYb_AdaptMixer"));
    EXPECT_FALSE(p.SetFromLine("KEYb_AdaptMixer"));
}

TEST_F(ParmsTest, KeepPreviousStacksAndUndoUnwinds) {
    CVendrelParms p;
    p.Init(g_vendrelKeys, false, "Qrv50");
    p.SetString(KEYs_StudentLang, "A");
    p.SetString(KEYs_StudentLang, "B", true);
    p.SetString(KEYs_StudentLang, "C", true);
    EXPECT_EQ("B", Stored(p, "_KEYs_StudentLang"));
    EXPECT_EQ("A", Stored(p, "__KEYs_StudentLang"));
    std::string s;
    ASSERT_TRUE(p.Undo(KEYs_StudentLang));
    p.GetString(KEYs_StudentLang, &s, false);
    EXPECT_EQ("B", s);
    ASSERT_TRUE(p.Undo(KEYs_StudentLang));
    p.GetString(KEYs_StudentLang, &s, false);
    EXPECT_EQ("A", s);
    EXPECT_EQ("A", Stored(p, "__KEYs_StudentLang")) << "the deepest value stays";
    EXPECT_FALSE(p.Undo(KEYs_Course)) << "nothing kept";
}

TEST_F(ParmsTest, SetFromTextAppliesSettingsUntilOneFails) {
    CVendrelParms p;
    p.Init(g_vendrelKeys, false, "Qrv50");
    EXPECT_TRUE(p.SetFromText("junk KEYi_OutVolume=3; noise KEYs_Course = Eng1 ;KEYb_SoundBad=0"));
    int v = 0;
    p.GetInt(KEYi_OutVolume, &v);
    EXPECT_EQ(3, v);
    EXPECT_EQ("Eng1", Stored(p, "KEYs_Course"));
    EXPECT_EQ("FALSE", Stored(p, "KEYb_SoundBad")) << "the last setting needs no ';'";
    EXPECT_FALSE(p.SetFromText("KEYi_Nope=1;KEYi_OutVolume=4;"));
    p.GetInt(KEYi_OutVolume, &v);
    EXPECT_EQ(3, v) << "later lines are not applied after a failure";
    EXPECT_FALSE(p.SetFromText("no keys here"));
}

TEST_F(ParmsTest, UsersRootPathExpandsTheInstallDirectory) {
    Install("Qrv50", "F:\\Prog\\");
    CVendrelParms p;
    p.Init(g_vendrelKeys, true, "Qrv50");
    std::string s;
    EXPECT_TRUE(p.GetString(KEYs_UsersRootPath, &s, true));
    EXPECT_EQ(std::string("F:\\Prog") + kPathSeparator + "..\\Users\\", s);

    CVendrelParms none;
    none.Init(g_vendrelKeys, true, "NotInstalled");
    EXPECT_TRUE(none.GetString(KEYs_UsersRootPath, &s, true));
    EXPECT_EQ("..\\Users\\", s) << "no install directory: a relative path";
    EXPECT_TRUE(none.GetString(KEYs_CoursePath, &s, true));
    EXPECT_EQ("$CD$\\kordata\\;..\\Course\\", s) << "no optical disc: $CD$ stays";
    none.Reset(KEYs_UsersRootPath);
    EXPECT_FALSE(none.GetString(KEYs_UsersRootPath, &s, true));
    EXPECT_EQ("$QRVDIR$\\..\\Users\\", s) << "the default is not expanded";
}

TEST_F(ParmsTest, CoursePathGivesFourPathsWithTwoDrives) {
    Install("Qrv50", "/opt/Prog");
    SetOpticalDriveSource([] { return std::vector<std::string>{"/media/cd0", "/media/cd1/"}; });
    CVendrelParms p;
    p.Init(g_vendrelKeys, true, "Qrv50");
    ASSERT_EQ(5u, p.Macros().size());
    std::string s;
    EXPECT_TRUE(p.GetString(KEYs_CoursePath, &s, true));
    // A directory without its trailing separator gets this platform's.
    const std::string sep(1, kPathSeparator);
    EXPECT_EQ("/media/cd0" + sep + "kordata\\;/opt/Prog" + sep + "..\\Course\\;" +
                  "/media/cd1/kordata\\;/opt/Prog" + sep + "..\\Course\\",
              s);
    // Every occurrence is replaced; an unknown macro stays as written.
    EXPECT_EQ("/opt/Prog" + sep + "a;/opt/Prog" + sep + "b;$NOPE$",
              p.Expand("$QRVDIR$\\a;$QRVDIR$/b;$NOPE$"));
}

TEST_F(ParmsTest, MacroValuesNamingMacrosDoNotRunAway) {
    Install("Qrv50", "/x/$QRVDIR$/$CD$");
    SetOpticalDriveSource([] { return std::vector<std::string>{"/cd/$CD$", "/cd2/$CD$"}; });
    CVendrelParms p;
    p.Init(g_vendrelKeys, true, "Qrv50");
    const std::string out = p.Expand("$QRVDIR$\\y");
    EXPECT_EQ(0u, out.rfind("/x/", 0)) << "the expansion ends";
}

TEST_F(ParmsTest, LoadIniCorrectsValuesAndSaveIniNeverAddsKeys) {
    Write(File("opts.ini"), "; student settings\r\n[Other]\r\nKEYi_OutVolume=9\r\n"
                            "[Keys]\r\nKEYi_OutVolume=15\r\nKEYs_Course=Eng\r\nUnrelated=1\r\n");
    CVendrelParms p;
    p.Init(g_vendrelKeys, false, "Qrv50");
    EXPECT_FALSE(p.LoadIni(File("opts.ini"), false)) << "values missing from the map";
    ASSERT_TRUE(p.LoadIni(File("opts.ini"), true));
    int v = 0;
    EXPECT_TRUE(p.GetInt(KEYi_OutVolume, &v));
    EXPECT_EQ(10, v) << "15 is clamped on loading";
    EXPECT_FALSE(p.LoadIni(File("missing.ini"), true));

    p.SetInt(KEYi_OutVolume, 4);
    p.SetBool(KEYb_SoundBad, false); // not in the file
    ASSERT_TRUE(p.SaveIni(File("opts.ini")));
    EXPECT_EQ("; student settings\r\n[Other]\r\nKEYi_OutVolume=9\r\n"
              "[Keys]\r\nKEYi_OutVolume=4\r\nKEYs_Course=Eng\r\nUnrelated=1\r\n",
              Read(File("opts.ini")));
    EXPECT_FALSE(p.SaveIni(File("missing.ini")));
    EXPECT_FALSE(fs::exists(File("missing.ini")));

    ASSERT_TRUE(p.WriteIni(File("fresh.ini")));
    EXPECT_EQ("[Keys]\r\nKEYs_Course=Eng\r\nKEYi_OutVolume=4\r\nKEYb_SoundBad=FALSE\r\n",
              Read(File("fresh.ini")));
    CVendrelParms unbound;
    EXPECT_FALSE(unbound.WriteIni(File("never.ini")));
}

TEST_F(ParmsTest, MapCopiesCompareAndSurviveTheArchive) {
    CVendrelParms a, b, both;
    a.Init(g_vendrelKeys, false, "Qrv50");
    b.Init(g_vendrelKeys, false, "Qrv50");
    a.SetInt(KEYi_OutVolume, 3);
    a.SetString(KEYs_StudentLang, "FRA");
    b.SetString(KEYs_Course, "X");
    b.SetInt(KEYi_OutVolume, 4);
    both.Merge(a, b);
    EXPECT_FALSE(a.IsSubsetOf(both)) << "OutVolume differs";
    EXPECT_TRUE(b.IsSubsetOf(both));
    EXPECT_FALSE(b.Equals(both));
    both.CopyFrom(b);
    EXPECT_TRUE(both.Equals(b));

    CArchiveWriter w;
    ASSERT_TRUE(w.Open(File("map.bin")));
    b.Serialize(w);
    ASSERT_TRUE(w.Commit());
    CVendrelParms c;
    CArchiveReader r;
    ASSERT_TRUE(r.Open(File("map.bin")));
    ASSERT_TRUE(c.Deserialize(r));
    EXPECT_TRUE(c.Equals(b));

    // A count the file cannot hold is refused before anything is read.
    Write(File("huge.bin"), std::string("\xff\xff\xff\xff\xff\x7f", 6));
    CArchiveReader h;
    ASSERT_TRUE(h.Open(File("huge.bin")));
    EXPECT_FALSE(c.Deserialize(h));
    EXPECT_TRUE(c.Equals(b)) << "a failed read leaves the map as it was";
}

TEST_F(ParmsTest, DumpListsValuesAndTheTable) {
    const VendrelKey table[] = {{7, "KEYi_N", KEY_TYPE_INT, 1, 5, 2, nullptr},
                                {8, "KEYs_S", KEY_TYPE_STRING, -1, -1, 0, "d"},
                                {0, "KEY_NULL", 0, 0, 0, 0, nullptr}};
    CVendrelParms p;
    p.Init(table, true, "Qrv50");
    ASSERT_TRUE(p.Dump(File("dump.txt"), true));
    EXPECT_EQ("KEYi_N = 2\nKEYs_S = d\n______\n\n"
              "KEYi_N(7):\ttype 1 | (null) | 2(1,5)\n"
              "KEYs_S(8):\ttype 2 | d | 0(-1,-1)\n",
              Read(File("dump.txt")));
}

TEST(OpticalDrives, MountTableGivesTheOpticalDiscsOnly) {
    const std::string table = "/dev/sda1 / ext4 rw 0 0\n"
                              "/dev/sr0 /media/u/My\\040Disc iso9660 ro,nosuid 0 0\n"
                              "proc /proc proc rw 0 0\n"
                              "/dev/sr1 /mnt/dvd udf ro 0 0\n"
                              "garbage\n";
    EXPECT_EQ((std::vector<std::string>{"/media/u/My Disc", "/mnt/dvd"}),
              ParseOpticalMounts(table));
    EXPECT_TRUE(ParseOpticalMounts("").empty());
}
