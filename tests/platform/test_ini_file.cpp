#include "platform/text/ini_file.h"
#include "tests/support/FileSizeLimit.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() / (std::string("pelmora_ini_") + info->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Write(const std::string& name, const std::string& bytes) {
        const fs::path path = m_dir / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    fs::path m_dir;
};

TEST_F(IniFileTest, OpenTrimsLinesKeepsBlankLinesAsOneBlankAndAcceptsBothLineEnds) {
    CIniFile ini;
    ASSERT_TRUE(ini.Open(Write("a.ini", "  [Main]  \r\n\tKey = value \r\n\r\n; note\nlast")));
    const std::vector<std::string> expected = {"[Main]", "Key = value", " ", "; note", "last"};
    EXPECT_EQ(ini.Lines(), expected);
}

TEST_F(IniFileTest, OpenFailureEmptiesTheLines) {
    CIniFile ini;
    ASSERT_TRUE(ini.Open(Write("a.ini", "[A]\nx=1\n")));
    EXPECT_FALSE(ini.Open(Path("missing.ini")));
    EXPECT_EQ(ini.LineCount(), 0u);
    EXPECT_EQ(ini.GetString("A", "x"), "");
    EXPECT_FALSE(ini.Open(m_dir.string())); // a directory is no file
}

TEST_F(IniFileTest, ALongLineIsOneLineWhateverItHoldsAndComesBackWhole) {
    // 6000 characters, whose part past the 5119th starts with '[': never a
    // section of its own, so the key after it stays in [A].
    const std::string longValue = std::string(5114, 'x') + "[Evil]" + std::string(880, 'y');
    const std::string text = "[A]\nLong=" + longValue + "\nAfter=1\n[B]\nz=2\n";
    CIniFile ini;
    ASSERT_TRUE(ini.Open(Write("a.ini", text)));
    ASSERT_EQ(ini.LineCount(), 5u);
    EXPECT_EQ(ini.GetString("A", "Long"), longValue);
    EXPECT_EQ(ini.GetString("A", "After"), "1");
    std::vector<std::string> sections;
    ini.GetSectionNames(sections);
    EXPECT_EQ(sections, (std::vector<std::string>{"A", "B"}));
    ASSERT_TRUE(ini.SetString("B", "z", "3"));
    ASSERT_TRUE(ini.Save(Path("a.ini")));
    EXPECT_EQ(Read(Path("a.ini")), "[A]\nLong=" + longValue + "\nAfter=1\n[B]\nz=3\n");
}

// What a product's settings file holds beside the volumes: LF line ends,
// blank and indented lines, comments, blanks at line ends, no end on the last
// line. Only the changed line and the new ones differ; a new line takes the
// file's own line end.
TEST_F(IniFileTest, AnExportChangesOnlyItsOwnLinesByteForByte) {
    const std::string before = "; written by hand\n"
                               "[Sound]\n"
                               "   OutVolume = 4000   \n"
                               "\n"
                               "\t; the microphone\n"
                               "  RecVolume=2000\n"
                               "\n"
                               "\n"
                               "[Other]  \n"
                               "  Name = Tiko  ";
    CIniFile ini;
    ASSERT_TRUE(ini.Open(Write("options.ini", before)));
    ASSERT_TRUE(ini.SetString("Sound", "RecVolume", "7000"));
    ASSERT_TRUE(ini.SetString("Sound", "Balance", "0"));
    ASSERT_TRUE(ini.SetString("New", "Key", "1"));
    ASSERT_TRUE(ini.Save(Path("options.ini")));
    EXPECT_EQ(Read(Path("options.ini")), "; written by hand\n"
                                         "[Sound]\n"
                                         "   OutVolume = 4000   \n"
                                         "\n"
                                         "\t; the microphone\n"
                                         "RecVolume=7000\n"
                                         "\n"
                                         "\n"
                                         "Balance=0\n"
                                         "[Other]  \n"
                                         "  Name = Tiko  \n"
                                         "[New]\n"
                                         "Key=1\n");
    // Untouched, a file with mixed ends and no last end comes back as it was.
    const std::string mixed = "[A]\r\nx=1\n  \r\n\ty = 2 \r\nlast";
    ASSERT_TRUE(ini.Open(Write("mixed.ini", mixed)));
    ASSERT_TRUE(ini.Save(Path("mixed.ini")));
    EXPECT_EQ(Read(Path("mixed.ini")), mixed);
    // A CR LF file's new lines end in CR LF.
    ASSERT_TRUE(ini.Open(Write("crlf.ini", "[A]\r\nx=1\r\n")));
    ASSERT_TRUE(ini.SetString("A", "y", "2"));
    ASSERT_TRUE(ini.Save(Path("crlf.ini")));
    EXPECT_EQ(Read(Path("crlf.ini")), "[A]\r\nx=1\r\ny=2\r\n");
}

// Both found by fuzzing the open-save-open round trip.
TEST_F(IniFileTest, SavedFilesReadBackAsTheSameLines) {
    // A long line ending in CR LF: the CR never makes a line.
    const std::string full(5119, 'q');
    CIniFile ini;
    ASSERT_TRUE(ini.Open(Write("a.ini", "[A]\r\n" + full + "\r\nz\r\n")));
    EXPECT_EQ(ini.Lines(), (std::vector<std::string>{"[A]", full, "z"}));
    ASSERT_TRUE(ini.Save(Path("a.ini")));
    ASSERT_TRUE(ini.Open(Path("a.ini")));
    EXPECT_EQ(ini.Lines(), (std::vector<std::string>{"[A]", full, "z"}));

    // A Windows-1252 file whose first line, once trimmed, starts with the bytes
    // of a UTF-8 mark ("\xEF\xBB\xBF" is "i diaeresis, >>, inverted ?"): they
    // stay text, and the file stays Windows-1252.
    ASSERT_TRUE(ini.Open(Write("b.ini", "  \xEF\xBB\xBFK\xE9y=1\r\n")));
    ASSERT_EQ(ini.GetEncoding(), plat::TextEncoding::Windows1252);
    const std::vector<std::string> lines = ini.Lines();
    ASSERT_TRUE(ini.Save(Path("b.ini")));
    ASSERT_TRUE(ini.Open(Path("b.ini")));
    EXPECT_EQ(ini.Lines(), lines);
    EXPECT_EQ(ini.GetEncoding(), plat::TextEncoding::Windows1252);
}

TEST_F(IniFileTest, Windows1252FileKeepsItsBytes) {
    CIniFile ini;
    ASSERT_TRUE(ini.Open(Write("a.ini", "[Textes]\nK1=S\xE9lection n\xB0 1 \x80\n")));
    EXPECT_EQ(ini.GetEncoding(), plat::TextEncoding::Windows1252);
    EXPECT_EQ(ini.GetString("Textes", "K1"), "S\xE9lection n\xB0 1 \x80");
}

// A settings file as the learning product writes it: CR LF lines, accented
// values, a comment, a blank line.
const std::string kProductText = "; Param\xC3\xA8tres de l'\xC3\xA9l\xC3\xA8ve\r\n"
                                 "[Keys]\r\n"
                                 "KEYs_Course=D\xC3\xA9"
                                 "butants\r\n"
                                 "KEYs_LastStudentName=H\xC3\xA9l\xC3\xA8ne M\xC3\xBCller\r\n"
                                 "KEYi_OutVolume=3\r\n"
                                 "\r\n"
                                 "[Main]\r\n"
                                 "Title=\xE2\x80\x9C\xC5\x92uvres\xE2\x80\x9D \xE2\x82\xAC\r\n";

// The same file after OutVolume became 7 and Main gained RecVolume.
std::string Changed(const std::string& file) {
    std::string text = file;
    text.replace(text.find("KEYi_OutVolume=3"), 16, "KEYi_OutVolume=7");
    return text + "RecVolume=2500\r\n";
}

void ChangeAndSave(const std::string& path) {
    CIniFile ini;
    ASSERT_TRUE(ini.Open(path));
    ASSERT_TRUE(ini.SetLong("Keys", "KEYi_OutVolume", 7));
    ASSERT_TRUE(ini.SetLong("Main", "RecVolume", 2500));
    ASSERT_TRUE(ini.Save(path));
}

TEST_F(IniFileTest, Windows1252FileComesBackInItsCodePageByteForByte) {
    // Made by iconv, as another tool on the machine would convert the file.
    const std::string utf8 = Write("utf8.ini", kProductText);
    const std::string path = Path("product.ini");
    ASSERT_EQ(std::system(("iconv -f UTF-8 -t WINDOWS-1252 " + utf8 + " > " + path).c_str()), 0);
    const std::string original = Read(path);
    ASSERT_NE(original.find("D\xE9"
                            "butants"),
              std::string::npos);

    CIniFile ini;
    ASSERT_TRUE(ini.Open(path));
    EXPECT_EQ(ini.GetEncoding(), plat::TextEncoding::Windows1252);
    EXPECT_EQ(ini.GetString("Keys", "KEYs_Course"), "D\xE9"
                                                    "butants");
    ChangeAndSave(path);
    EXPECT_EQ(Read(path), Changed(original));
}

TEST_F(IniFileTest, Utf8FileWithOrWithoutMarkComesBackAsItWas) {
    for (const std::string mark : {"", "\xEF\xBB\xBF"}) {
        const std::string path = Write("product.ini", mark + kProductText);
        CIniFile ini;
        ASSERT_TRUE(ini.Open(path));
        EXPECT_EQ(ini.GetEncoding(),
                  mark.empty() ? plat::TextEncoding::Utf8 : plat::TextEncoding::Utf8WithBom);
        // The mark is not part of the first line.
        EXPECT_EQ(ini.Lines()[0], "; Param\xC3\xA8tres de l'\xC3\xA9l\xC3\xA8ve");
        ChangeAndSave(path);
        EXPECT_EQ(Read(path), mark + Changed(kProductText));
    }
    // A section right after the mark is found.
    CIniFile marked;
    ASSERT_TRUE(marked.Open(Write("m.ini", "\xEF\xBB\xBF[PropSheet]\r\nK1=Annuler\r\n")));
    EXPECT_EQ(marked.GetString("PropSheet", "K1"), "Annuler");
    ASSERT_TRUE(marked.SaveNormalised(Path("n.ini")));
    EXPECT_EQ(Read(Path("n.ini")), "\xEF\xBB\xBF\r\n[PropSheet]\r\nK1=Annuler\r\n");
}

TEST_F(IniFileTest, NewFileIsUtf8AndOpenForgetsTheEncodingOfTheFileBefore) {
    CIniFile ini;
    EXPECT_EQ(ini.GetEncoding(), plat::TextEncoding::Utf8);
    ASSERT_TRUE(ini.Open(Write("a.ini", "[A]\r\nx=\xE9\r\n")));
    ASSERT_EQ(ini.GetEncoding(), plat::TextEncoding::Windows1252);
    EXPECT_FALSE(ini.Open(Path("missing.ini")));
    EXPECT_EQ(ini.GetEncoding(), plat::TextEncoding::Utf8);
    ASSERT_TRUE(ini.Open(Write("b.ini", "\xEF\xBB\xBF[A]\r\n")));
    ASSERT_TRUE(ini.Open(Write("c.ini", "[A]\r\nx=\xC3\xA9\r\n")));
    EXPECT_EQ(ini.GetEncoding(), plat::TextEncoding::Utf8);
}

TEST_F(IniFileTest, AWindows1252LongLineKeepsEveryByte) {
    // 0x80..0xBF are characters of their own in the code page; the ÿ of the
    // next line makes the file Windows-1252.
    const std::string line = std::string(6000, 'a') + "\xE9\xA9\xBF";
    CIniFile ini;
    ASSERT_TRUE(ini.Open(Write("a.ini", line + "\r\n\xFF")));
    ASSERT_EQ(ini.GetEncoding(), plat::TextEncoding::Windows1252);
    ASSERT_EQ(ini.LineCount(), 2u);
    EXPECT_EQ(ini.Lines()[0], line);
    ASSERT_TRUE(ini.Save(Path("a.ini")));
    EXPECT_EQ(Read(Path("a.ini")), line + "\r\n\xFF");
}

TEST_F(IniFileTest, LookupsMatchRegardlessOfCaseAndTrimValues) {
    CIniFile ini;
    ASSERT_TRUE(ini.Open(Write("a.ini", "[propsheet]\nk2=  Next >  \n[Other]\nK2=other\n")));
    EXPECT_EQ(ini.GetString("PropSheet", "K2"), "Next >");
    EXPECT_EQ(ini.GetString("OTHER", "k2"), "other");
    // Only the header's leading characters are compared.
    ASSERT_TRUE(ini.Open(Write("b.ini", "[Main] ; comment\nA=1\n")));
    EXPECT_EQ(ini.GetString("Main", "A"), "1");
}

TEST_F(IniFileTest, KeyMustBeFollowedDirectlyByTheEqualsSign) {
    CIniFile ini;
    ASSERT_TRUE(ini.Open(Write("a.ini", "[S]\nK1 =spaced\nK10=ten\n")));
    EXPECT_EQ(ini.GetString("S", "K1"), "");
    EXPECT_EQ(ini.GetString("S", "K10"), "ten");
    ini.SetNotFoundValue("<none>");
    EXPECT_EQ(ini.GetString("S", "K1"), "<none>");
    EXPECT_EQ(ini.GetString("Nowhere", "K10"), "<none>");
}

TEST_F(IniFileTest, ValueLookupStaysInsideTheSectionAndWrapsFromAnyStartingLine) {
    CIniFile ini;
    ASSERT_TRUE(ini.Open(Write("a.ini", "[A]\nx=a1\ny=a2\n[B]\ny=b2\nx=b1\n[C]\nz=c\n")));
    ASSERT_TRUE(ini.FindSection("B"));
    EXPECT_EQ(ini.GetValue("x"), "b1"); // current line now on x=b1
    EXPECT_EQ(ini.GetValue("y"), "b2"); // found by wrapping to the header
    EXPECT_EQ(ini.GetValue("z"), "");   // belongs to C
    // Section search starts at the current line and wraps to the top.
    EXPECT_EQ(ini.GetString("A", "y"), "a2");
    EXPECT_EQ(ini.GetString("C", "z"), "c");
    EXPECT_EQ(ini.GetString("A", "x"), "a1");
    EXPECT_FALSE(ini.FindSection("D"));
    EXPECT_EQ(ini.GetValue("x"), ""); // no section selected any more
}

TEST_F(IniFileTest, TypedGetters) {
    CIniFile ini;
    ASSERT_TRUE(
        ini.Open(Write("a.ini", "[N]\nl=-42\nj=12abc\nt=x\nd=2.5\ne=+1e3\nb=TRUE\nc=true\n")));
    EXPECT_EQ(ini.GetLong("N", "l"), -42);
    EXPECT_EQ(ini.GetLong("N", "j"), 12);
    EXPECT_EQ(ini.GetLong("N", "t"), 0);
    EXPECT_EQ(ini.GetLong("N", "missing"), 0);
    EXPECT_DOUBLE_EQ(ini.GetDouble("N", "d"), 2.5);
    EXPECT_DOUBLE_EQ(ini.GetDouble("N", "e"), 1000.0);
    EXPECT_DOUBLE_EQ(ini.GetDouble("N", "t"), 0.0);
    EXPECT_TRUE(ini.GetBool("N", "b"));
    EXPECT_FALSE(ini.GetBool("N", "c"));
    EXPECT_FALSE(ini.GetBool("N", "missing"));
}

TEST_F(IniFileTest, SetValueReplacesOrInsertsBeforeTheNextSection) {
    CIniFile ini;
    ASSERT_TRUE(ini.Open(Write("a.ini", "[A]\nx=1\n; c\n[B]\ny=2\n")));
    EXPECT_FALSE(CIniFile().SetValue("k", "v")); // nothing selected
    EXPECT_TRUE(ini.SetString("a", "X", "10"));
    EXPECT_TRUE(ini.SetString("A", "new", "n"));
    EXPECT_TRUE(ini.SetString("B", "z", "3"));
    EXPECT_TRUE(ini.SetLong("C", "w", -7));
    const std::vector<std::string> expected = {"[A]", "X=10", "; c", "new=n", "[B]",
                                               "y=2", "z=3",  "[C]", "w=-7"};
    EXPECT_EQ(ini.Lines(), expected);
    EXPECT_EQ(ini.GetString("A", "x"), "10");
}

TEST_F(IniFileTest, SaveWritesCrLfLinesAndReadsBackTheSame) {
    CIniFile ini;
    ini.SetString("Main", "OutVolume", "5000");
    ini.SetString("Main", "RecVolume", "7000");
    const std::string path = Path("out.ini");
    ASSERT_TRUE(ini.Save(path));
    EXPECT_EQ(Read(path), "[Main]\r\nOutVolume=5000\r\nRecVolume=7000\r\n");
    CIniFile back;
    ASSERT_TRUE(back.Open(path));
    EXPECT_EQ(back.Lines(), ini.Lines());
}

TEST_F(IniFileTest, FailedSaveReportsFalseAndLeavesNoFile) {
    CIniFile ini;
    ini.SetString("A", "k", "v");
    const std::string blocker = Write("file", "x");
    EXPECT_FALSE(ini.Save(blocker + "/sub/out.ini"));
    EXPECT_FALSE(ini.Save(m_dir.string())); // a directory
    EXPECT_EQ(Read(blocker), "x");
}

// A children's edition settings file as the product writes it: 200 settings
// under [Main], CR LF line ends, 10,500 bytes in all.
std::string TikoIni() {
    std::string text = "[Main]\r\n";
    for (int i = 0; i < 200; ++i)
        text += "Setting" + std::to_string(i) + "=" + std::string(38, 'a' + i % 26) + "\r\n";
    const std::size_t pad = 10500 - text.size() - std::string("Comment=\r\n").size();
    return text + "Comment=" + std::string(pad, 'c') + "\r\n";
}

TEST_F(IniFileTest, AFullDiskLeavesTheSettingsFileWholeAndTheSaveSaysWhy) {
    const std::string original = TikoIni();
    ASSERT_EQ(original.size(), 10500u);
    const std::string path = Write("Tiko.ini", original);
    CIniFile ini;
    ASSERT_TRUE(ini.Open(path));
    ini.SetLong("Main", "OutVolume", 7000);
    ini.SetLong("Main", "RecVolume", 6000);
    {
        FileSizeLimit disk(4096);
        EXPECT_FALSE(ini.Save(path));
    }
    EXPECT_EQ(Read(path), original);
    EXPECT_NE(ini.GetLastError().find(path), std::string::npos) << ini.GetLastError();
    EXPECT_NE(ini.GetLastError().find(std::strerror(EFBIG)), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);

    ASSERT_TRUE(ini.Save(path)) << ini.GetLastError();
    EXPECT_EQ(ini.GetLastError(), "");
    CIniFile back;
    ASSERT_TRUE(back.Open(path));
    EXPECT_EQ(back.GetString("Main", "Setting199"), std::string(38, 'a' + 199 % 26));
    EXPECT_EQ(back.GetString("Main", "RecVolume"), "6000");
}

TEST_F(IniFileTest, SaveKeepsTheModeTheLinkAndTheOtherNamesOfTheFile) {
    fs::create_directories(m_dir / "edition");
    const std::string real = Write("edition/Tiko.ini", "[Main]\r\nOutVolume=1\r\n");
    ASSERT_EQ(::chmod(real.c_str(), 0664), 0);
    fs::create_hard_link(real, Path("edition/Tiko-copy.ini"));
    fs::create_symlink("edition/Tiko.ini", Path("Tiko.ini"));

    CIniFile ini;
    ASSERT_TRUE(ini.Open(Path("Tiko.ini")));
    ini.SetLong("Main", "OutVolume", 7000);
    ASSERT_TRUE(ini.Save(Path("Tiko.ini"))) << ini.GetLastError();

    const std::string expected = "[Main]\r\nOutVolume=7000\r\n";
    EXPECT_TRUE(fs::is_symlink(Path("Tiko.ini")));
    EXPECT_EQ(Read(real), expected);
    EXPECT_EQ(Read(Path("edition/Tiko-copy.ini")), expected);
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0664u);
    EXPECT_EQ(st.st_nlink, 2u);
}

TEST_F(IniFileTest, SectionAndKeyNamesAndNormalisedSaveKeepTheCurrentPosition) {
    CIniFile ini;
    ASSERT_TRUE(ini.Open(Write("a.ini", "; head\n[A]\nx = 1\n;c=no\ny=2\n[B]\nz=3\n[Broken\n")));
    std::vector<std::string> names;
    ini.GetSectionNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B"}));

    ASSERT_TRUE(ini.FindSection("B"));
    std::vector<std::string> keys;
    ini.GetKeyNames("A", keys);
    EXPECT_EQ(keys, (std::vector<std::string>{"x ", "y"}));
    ini.GetKeyNames(keys); // still B
    EXPECT_EQ(keys, (std::vector<std::string>{"z"}));

    const std::string path = Path("norm.ini");
    ASSERT_TRUE(ini.SaveNormalised(path));
    // Comments and the unclosed header are dropped; key names keep their blanks.
    EXPECT_EQ(Read(path), "\r\n[A]\r\nx =1\r\ny=2\r\n\r\n[B]\r\nz=3\r\n");
    EXPECT_EQ(ini.GetValue("z"), "3");
}

TEST_F(IniFileTest, StepAndWrapMoveTheCurrentLineWithinBounds) {
    CIniFile ini;
    ASSERT_TRUE(ini.Open(Write("a.ini", "[A]\nx=1\n[B]\ny=2\n")));
    ASSERT_TRUE(ini.FindSection("A"));
    ini.StepInSection(); // onto x=1
    ini.StepInSection(); // [B] -> back to the header of A
    EXPECT_EQ(ini.GetValue("x"), "1");
    ASSERT_TRUE(ini.FindSection("B"));
    ini.StepInSection();
    ini.StepInSection(); // past the end -> header of B
    EXPECT_EQ(ini.GetValue("y"), "2");
    EXPECT_TRUE(ini.IsKeyLine("x=1"));
    EXPECT_FALSE(ini.IsKeyLine("[A]"));
}

TEST_F(IniFileTest, EmptyFileFindsNothing) {
    CIniFile ini;
    ASSERT_TRUE(ini.Open(Write("a.ini", "")));
    EXPECT_EQ(ini.LineCount(), 0u);
    EXPECT_FALSE(ini.FindSection("A"));
    EXPECT_TRUE(CIniFile(Write("b.ini", "[A]")).IsOpen());
    EXPECT_FALSE(CIniFile(Path("none.ini")).IsOpen());
}

} // namespace
