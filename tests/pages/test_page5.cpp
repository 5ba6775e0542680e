// The completion page on a copy of the sample installation (examples/sample)
// registered in a hive of its own: the student's listening level on Update,
// the children's editions' volumes and the mixer restore on Finish.
#include "app/PropSheet.h"
#include "app/WizardApp.h"
#include "config/ProductInstall.h"
#include "config/RegistryTools.h"
#include "mixer/MixerSetup.h"
#include "platform/files/directories.h"
#include "platform/files/paths.h"
#include "platform/registry/registry.h"
#include "platform/sound_backend.h"
#include "platform/text/ini_file.h"
#include "platform/virtual/VirtualCard.h"
#include "texts/UiTexts.h"
#if !defined(_WIN32)
#include "tests/support/FileSizeLimit.h"
#endif
#include "tests/support/HostCommand.h"
#include "tests/support/RegistryTree.h"
#include "tests/support/ScopedEnv.h"
#include "ui/Button.h"
#include "ui/CheckBox.h"
#include "ui/ComboBox.h"
#include "ui/Testing.h"
#include "ui/WinApp.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct ShownMessage {
    std::string text;
    std::string caption;
    plat::UINT type;
};

// The sample installation, wherever the tests run from.
fs::path SampleDir() {
    if (const char* source = std::getenv("PELMORA_SOURCE_DIR"))
        return fs::path(source) / "examples" / "sample";
    return fs::path(__FILE__).parent_path().parent_path().parent_path() / "examples" / "sample";
}

std::string Read(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void Write(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Every file of a tree with its content, to see that nothing was written.
std::map<std::string, std::string> Contents(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), root).string()] = Read(entry.path());
    return files;
}

std::string IniValue(const fs::path& path, const char* section, const char* key) {
    CIniFile ini;
    if (!ini.Open(path.string()))
        return "(no file)";
    ini.SetNotFoundValue("(none)");
    return ini.GetString(section, key);
}

// The default card without any volume control.
plat::VirtualCardDesc CardWithoutVolumes() {
    plat::VirtualCardDesc desc = plat::DefaultCardDesc();
    const auto strip = [](plat::VirtualLine& line) {
        std::erase_if(line.controls, [](const plat::VirtualControl& c) {
            return c.type == plat::MIXERCONTROL_CONTROLTYPE_VOLUME;
        });
    };
    for (plat::VirtualMixer& mixer : desc.mixers)
        for (plat::VirtualLine& destination : mixer.destinations) {
            strip(destination);
            for (plat::VirtualLine& source : destination.sources)
                strip(source);
        }
    return desc;
}

class Page5Test : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Each test points TMPDIR into its own directory; they all live here.
        s_base = fs::temp_directory_path();
        s_gui = new CGuiSession();
        CWizardApp::RegisterFonts();
    }
    static void TearDownTestSuite() {
        delete s_gui;
        s_gui = nullptr;
    }

    void SetUp() override {
        m_dir = s_base / ("pelmora-page5-" + std::to_string(::getpid()) + "-" +
                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "tmp");
        fs::copy(SampleDir(), m_dir / "sample", fs::copy_options::recursive);
        ScopedEnv::Set(kTempDirVariable, (m_dir / "tmp").string().c_str());
        ScopedEnv::Clear("XDG_RUNTIME_DIR"); // the temporary directory follows TMPDIR
        ScopedEnv::Set("PELMORA_REGISTRY", (m_dir / "registry.reg").string().c_str());
        plat::RegUseHiveFile("");
        EXPECT_TRUE(DeleteKeyTree(plat::HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendrel"));
        UseCard(plat::DefaultCardDesc());
        uitest::SetMessageBoxHandler(
            [this](const std::string& text, const std::string& caption, plat::UINT type) {
                m_messages.push_back({text, caption, type});
                return IDOK;
            });
        SetCurrentStudentDirectory("");
    }
    void TearDown() override {
        m_sheet.reset();
        uitest::SetMessageBoxHandler(nullptr);
        plat::InstallSoundBackend(nullptr);
        ScopedEnv::Clear("PELMORA_REGISTRY");
        ScopedEnv::Set(kTempDirVariable, s_base.string().c_str());
        EXPECT_TRUE(DeleteKeyTree(plat::HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendrel"));
        plat::RegUseHiveFile("");
        fs::remove_all(m_dir);
    }

    void UseCard(plat::VirtualCardDesc desc) {
        m_card = std::make_shared<plat::CVirtualCard>(std::move(desc),
                                                      plat::CVirtualCard::Clock::Manual);
        plat::InstallSoundBackend(m_card);
    }

    // Registers the copy as the sample's install script does: the product's
    // directory with its trailing separator, two of the three editions.
    void Install() {
        const std::string root = (m_dir / "sample").string() + plat::kPathSeparator;
        const auto installDir = [](const std::string& path) {
            std::string quoted = "\"InstallDir\"=\"";
            for (char c : path) {
                if (c == '\\' || c == '"')
                    quoted += '\\';
                quoted += c;
            }
            return quoted + "\"\r\n\r\n";
        };
        const std::string reg =
            "REGEDIT4\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendrel\\Qrv50]\r\n" +
            installDir(root + "Qrv" + plat::kPathSeparator) +
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendrel\\TIKO_CP]\r\n" + installDir(root + "TikoCP") +
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendrel\\TIKO_CE]\r\n" + installDir(root + "TikoCE");
        Write(m_dir / "sample.reg", reg);
        std::ostringstream out, err;
        ASSERT_EQ(0, ImportRegistryFile((m_dir / "sample.reg").string(), out, err)) << err.str();
    }

    // The wizard on page 5, after the sound-card test took its snapshot.
    CPropPage5& OpenPage5() {
        m_sheet = std::make_unique<CPropSheet>();
        EXPECT_TRUE(m_sheet->Create());
        uitest::ProcessEvents();
        EXPECT_EQ(1, m_sheet->m_mixerSetup.SaveSnapshot(Temp("Mixer.ser")));
        EXPECT_TRUE(m_sheet->SetActivePage(4));
        uitest::ProcessEvents();
        return m_sheet->m_page5;
    }

    CWnd& Item(int id) const {
        CWnd* item = m_sheet->m_page5.GetDlgItem(id);
        if (item == nullptr)
            item = m_sheet->GetDlgItem(id);
        if (item == nullptr)
            throw std::runtime_error("no control " + std::to_string(id));
        return *item;
    }
    CComboBox& Students() const { return dynamic_cast<CComboBox&>(Item(1104)); }
    void Click(int id) {
        uitest::Click(Item(id));
        uitest::ProcessEvents();
    }
    void Finish() {
        Click(ID_WIZFINISH);
        EXPECT_FALSE(m_sheet->IsOpen());
    }
    void Update(const std::string& typed) {
        Students().SetWindowText(typed);
        Click(1102);
    }
    bool Checked(int id) const {
        return dynamic_cast<CCheckBox&>(Item(id)).GetCheck() == BST_CHECKED;
    }
    bool StudentControlsShown() const {
        const bool shown = Item(1104).IsWindowVisible();
        EXPECT_EQ(shown, Item(1102).IsWindowVisible());
        EXPECT_EQ(shown, Item(1106).IsWindowVisible());
        return shown;
    }
    // The student list replaced, written by the sample's own writer in the
    // given encoding (cp1252: as the learning product writes it).
    void WriteStudents(const std::vector<std::string>& entries, const std::string& encoding) {
        std::string command = "python3 '" +
                              hostcmd::HostPath(SampleDir().parent_path() / "make-userlist.py") +
                              "' --encoding=" + encoding + " '" +
                              hostcmd::HostPath(Sample("Users/UserList.dat")) + "'";
        for (const std::string& entry : entries)
            command += " '" + entry + "'";
        ASSERT_EQ(0, hostcmd::Run(command)) << command;
    }
    // A settings file converted to the product's code page by iconv.
    void WriteWindows1252(const fs::path& path, const std::string& utf8) {
        fs::create_directories(path.parent_path());
        Write(m_dir / "utf8.txt", utf8);
        const std::string command = "iconv -f UTF-8 -t WINDOWS-1252 '" +
                                    hostcmd::HostPath(m_dir / "utf8.txt") + "' > '" +
                                    hostcmd::HostPath(path) + "'";
        ASSERT_EQ(0, hostcmd::Run(command)) << command;
    }
    std::vector<std::string> ListedStudents() const {
        std::vector<std::string> names;
        for (int i = 0; i < Students().GetCount(); ++i)
            names.push_back(Students().GetLBText(i));
        return names;
    }

    int Playback() {
        int v = -2;
        m_sheet->m_mixerSetup.GetPlaybackVolume(v);
        return v;
    }
    // Not every volume is a step of the card's master control: the lowest
    // control value that reads back as `volume`.
    void SetPlaybackExactly(int volume) {
        const plat::DWORD id = m_card->FindControlId(0, plat::MIXERLINE_COMPONENTTYPE_DST_SPEAKERS,
                                                     plat::MIXERCONTROL_CONTROLTYPE_VOLUME);
        std::vector<plat::LONG> values;
        ASSERT_TRUE(m_card->GetControlValues(0, id, values));
        const auto set = [&](plat::LONG raw) {
            std::fill(values.begin(), values.end(), raw);
            m_card->SetControlValues(0, id, values);
        };
        plat::LONG low = 0;
        plat::LONG high = 65535;
        while (low < high) {
            const plat::LONG middle = (low + high) / 2;
            set(middle);
            if (Playback() < volume)
                low = middle + 1;
            else
                high = middle;
        }
        set(low);
    }
    std::string Temp(const std::string& name) const { return plat::GetTempPath() + name; }
    fs::path Sample(const std::string& rel) const { return m_dir / "sample" / rel; }

    static CGuiSession* s_gui;
    static fs::path s_base;
    fs::path m_dir;
    std::shared_ptr<plat::CVirtualCard> m_card;
    std::unique_ptr<CPropSheet> m_sheet;
    std::vector<ShownMessage> m_messages;
};

CGuiSession* Page5Test::s_gui = nullptr;
fs::path Page5Test::s_base;

TEST_F(Page5Test, OpensWithEveryExportOffAndEndInFinishsPlace) {
    Install();
    OpenPage5();
    EXPECT_EQ(PSWIZB_BACK | PSWIZB_FINISH, m_sheet->GetWizardButtons());
    EXPECT_EQ(UiText("PropP5", "K10"), Item(ID_WIZFINISH).GetWindowText());
    EXPECT_TRUE(Item(ID_WIZFINISH).IsWindowVisible());
    for (int box : {1006, 1118, 1120}) {
        EXPECT_FALSE(Checked(box)) << box;
        EXPECT_TRUE(Item(box).IsWindowEnabled()) << box;
    }
    EXPECT_FALSE(StudentControlsShown());
    EXPECT_FALSE(Item(1097).IsWindowVisible());
    EXPECT_FALSE(Item(1105).IsWindowVisible());
    EXPECT_EQ(UiText("PropP5", "K9"), dynamic_cast<CButton&>(Item(1102)).GetTooltipText());
    // The Update caption lies on the button; the two outcome lines share one
    // place below the frame.
    const CRect button = Item(1102).GetRectInParent();
    const CRect caption = Item(1106).GetRectInParent();
    EXPECT_TRUE(caption.left >= button.left && caption.right <= button.right &&
                caption.top >= button.top && caption.bottom <= button.bottom);
    // Everything shows whole: the introduction within the page, the student
    // box above the outcome line, the closing line on the page.
    const CRect intro = Item(1042).GetRectInParent();
    EXPECT_LE(intro.right, m_sheet->m_page5.GetPageWidth());
    std::string introText = Item(1042).GetWindowText();
    std::replace(introText.begin(), introText.end(), '\n', ' ');
    EXPECT_EQ(UiText("PropP5", "K1"), introText);
    EXPECT_LE(Item(1104).GetRectInParent().bottom, Item(1097).GetRectInParent().top);
    EXPECT_LE(Item(1044).GetRectInParent().bottom, m_sheet->m_page5.GetPageHeight());
    EXPECT_EQ(Item(1097).GetRectInParent().left, Item(1105).GetRectInParent().left);
    EXPECT_EQ(Item(1097).GetRectInParent().top, Item(1105).GetRectInParent().top);
}

TEST_F(Page5Test, FinishWithNoBoxTickedRestoresTheMixerAndWritesNothing) {
    Install();
    const auto before = Contents(m_dir / "sample");
    OpenPage5();
    const int original = Playback();
    ASSERT_EQ(1, m_sheet->m_mixerSetup.SetPlaybackVolume(original == 2000 ? 3000 : 2000));
    Finish();
    EXPECT_EQ(original, Playback());
    EXPECT_FALSE(fs::exists(Temp("Mixer.ser"))) << "the restore deletes the snapshot";
    EXPECT_EQ(before, Contents(m_dir / "sample"));
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(Page5Test, KeepingTheSettingsForWindowsLeavesMixerAndSnapshot) {
    Install();
    OpenPage5();
    ASSERT_EQ(1, m_sheet->m_mixerSetup.SetPlaybackVolume(2000));
    const int set = Playback();
    Click(1120);
    EXPECT_TRUE(m_sheet->m_page5.m_keepWindows);
    Finish();
    EXPECT_EQ(set, Playback());
    EXPECT_TRUE(fs::exists(Temp("Mixer.ser")));
}

TEST_F(Page5Test, EditionsGetBothRawVolumesOnFinish) {
    Install();
    OpenPage5();
    ASSERT_EQ(1, m_sheet->m_mixerSetup.SetPlaybackVolume(6500));
    ASSERT_EQ(1, m_sheet->m_mixerSetup.SetRecordingVolume(3000));
    int recording = -2;
    m_sheet->m_mixerSetup.GetRecordingVolume(recording);
    const std::string playback = std::to_string(Playback());
    Click(1118);
    Click(1118);
    EXPECT_FALSE(m_sheet->m_page5.m_exportTiko) << "unticked again";
    Click(1118);
    EXPECT_TRUE(m_sheet->m_page5.m_exportTiko);
    Click(1120); // keeps the volumes in force while they are written
    Finish();
    for (const char* edition : {"TikoCP/Tiko.ini", "TikoCE/Tiko.ini"}) {
        EXPECT_EQ(playback, IniValue(Sample(edition), "Main", "OutVolume")) << edition;
        EXPECT_EQ(std::to_string(recording), IniValue(Sample(edition), "Main", "RecVolume"));
    }
    EXPECT_EQ("ANG", IniValue(Sample("TikoCP/Tiko.ini"), "Main", "Language"));
    EXPECT_EQ(0u, Read(Sample("TikoCE/Tiko.ini")).find("; Children's edition, early readers"));
}

// A settings file as large as the product makes them: 200 settings, 10,500
// bytes, CR LF line ends.
[[maybe_unused]] std::string LargeSettings(const std::string& section,
                                           const std::string& firstLine) {
    std::string text = "[" + section + "]\r\n" + firstLine + "\r\n";
    for (int i = 0; text.size() < 10500 - 60; ++i)
        text += "Setting" + std::to_string(i) + "=" + std::string(38, 'a' + i % 26) + "\r\n";
    return text + "Comment=" + std::string(10500 - text.size() - 10, 'c') + "\r\n";
}

TEST_F(Page5Test, AnEditionFileThatCannotBeWrittenIsShownAndLeftAsItWas) {
#if defined(_WIN32)
    GTEST_SKIP() << "a full disk is made with POSIX's RLIMIT_FSIZE; tests/win32 fails a write";
#else
    Install();
    const fs::path cp = Sample("TikoCP/Tiko.ini");
    const std::string large = LargeSettings("Main", "OutVolume=1");
    ASSERT_EQ(large.size(), 10500u);
    Write(cp, large);
    OpenPage5();
    Click(1118);
    Click(1120);
    {
        FileSizeLimit disk(4096); // a full disk
        Finish();
    }
    EXPECT_EQ(large, Read(cp));
    ASSERT_EQ(1u, m_messages.size());
    EXPECT_NE(m_messages[0].text.find(cp.string()), std::string::npos) << m_messages[0].text;
    EXPECT_NE(m_messages[0].text.find(std::strerror(EFBIG)), std::string::npos);
    EXPECT_EQ(UiText("PropP5", "K12"), m_messages[0].caption);
    EXPECT_EQ(MB_ICONEXCLAMATION, m_messages[0].type);
    // The other edition's file fits and is written.
    EXPECT_EQ(std::to_string(Playback()), IniValue(Sample("TikoCE/Tiko.ini"), "Main", "OutVolume"));
#endif
}

TEST_F(Page5Test, AStudentFileThatCannotBeWrittenIsShownAndKept) {
#if defined(_WIN32)
    GTEST_SKIP() << "a full disk is made with POSIX's RLIMIT_FSIZE; tests/win32 fails a write";
#else
    Install();
    const fs::path bruno = Sample("Users/bruno02/options.ini");
    const std::string large = LargeSettings("Keys", "KEYi_OutVolume=3");
    Write(bruno, large);
    OpenPage5();
    ASSERT_EQ(1, m_sheet->m_mixerSetup.SetPlaybackVolume(9000));
    Click(1006);
    {
        FileSizeLimit disk(4096);
        Update("Bruno Keller");
    }
    EXPECT_EQ(large, Read(bruno));
    ASSERT_EQ(1u, m_messages.size());
    EXPECT_NE(
        m_messages[0].text.find("Users/bruno02/options.ini: " + std::string(std::strerror(EFBIG))),
        std::string::npos)
        << m_messages[0].text;
    EXPECT_EQ(UiText("PropP5", "K12"), m_messages[0].caption);
    EXPECT_FALSE(Item(1097).IsWindowVisible());
    EXPECT_TRUE(Item(1105).IsWindowVisible()) << "the product keeps its parameters";
#endif
}

TEST_F(Page5Test, UpdateStoresTheListeningLevelOfTheStudentNamedInAnyCase) {
    Install();
    OpenPage5();
    SetPlaybackExactly(7999);
    ASSERT_EQ(7999, Playback());
    Click(1006);
    ASSERT_TRUE(StudentControlsShown());
    EXPECT_EQ((std::vector<std::string>{"Anna Martin", "Bruno Keller"}), ListedStudents());
    EXPECT_EQ("Anna Martin", Students().GetWindowText());

    const fs::path bruno = Sample("Users/bruno02/options.ini");
    const std::string anna = Read(Sample("Users/anna01/options.ini"));
    Update("bRUNO keller  ");
    EXPECT_EQ("7", IniValue(bruno, "Keys", "KEYi_OutVolume"));
    EXPECT_EQ("Beginners", IniValue(bruno, "Keys", "KEYs_Course"));
    EXPECT_EQ(anna, Read(Sample("Users/anna01/options.ini")));
    EXPECT_TRUE(Item(1097).IsWindowVisible());
    EXPECT_FALSE(Item(1105).IsWindowVisible());
    EXPECT_FALSE(Item(1006).IsWindowEnabled()) << "the list can no longer be re-read";
    EXPECT_TRUE(
        fs::equivalent(plat::NativePath(GetCurrentStudentDirectory()), Sample("Users/bruno02")))
        << GetCurrentStudentDirectory();

    // The same volume again: the product keeps its parameters and the file
    // is not rewritten.
    const fs::file_time_type yesterday = fs::last_write_time(bruno) - std::chrono::hours(24);
    fs::last_write_time(bruno, yesterday);
    Update("Bruno Keller");
    EXPECT_FALSE(Item(1097).IsWindowVisible());
    EXPECT_TRUE(Item(1105).IsWindowVisible());
    EXPECT_EQ(yesterday, fs::last_write_time(bruno));

    // Another student can still be configured.
    Update("anna martin");
    EXPECT_EQ("7", IniValue(Sample("Users/anna01/options.ini"), "Keys", "KEYi_OutVolume"));
    EXPECT_TRUE(Item(1097).IsWindowVisible());
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(Page5Test, WithoutVolumeControlTheStudentGetsZeroAndTheEditionsMinusOne) {
    UseCard(CardWithoutVolumes());
    Install();
    OpenPage5();
    ASSERT_EQ(-1, Playback());
    Click(1006);
    Update("Anna Martin");
    EXPECT_EQ("0", IniValue(Sample("Users/anna01/options.ini"), "Keys", "KEYi_OutVolume"));
    Click(1118);
    Click(1120);
    Finish();
    EXPECT_EQ("-1", IniValue(Sample("TikoCP/Tiko.ini"), "Main", "OutVolume"));
    EXPECT_EQ("-1", IniValue(Sample("TikoCE/Tiko.ini"), "Main", "RecVolume"));
}

TEST_F(Page5Test, NamesNotInTheListAreRefused) {
    Install();
    OpenPage5();
    Click(1006);
    const auto before = Contents(m_dir / "sample");
    Update("   ");
    EXPECT_TRUE(m_messages.empty()) << "no name, nothing done";
    Update("Carla");
    ASSERT_EQ(1u, m_messages.size());
    EXPECT_EQ(UiText("PropP5", "K13"), m_messages[0].text);
    EXPECT_EQ(UiText("PropP5", "K12"), m_messages[0].caption);
    EXPECT_EQ(MB_ICONEXCLAMATION, m_messages[0].type);
    EXPECT_EQ(before, Contents(m_dir / "sample"));
    EXPECT_TRUE(Item(1006).IsWindowEnabled());
    EXPECT_FALSE(Item(1097).IsWindowVisible());
    EXPECT_FALSE(Item(1105).IsWindowVisible());
    EXPECT_EQ("", GetCurrentStudentDirectory());
}

TEST_F(Page5Test, TickingTheProductBoxAgainListsEachStudentOnce) {
    Install();
    OpenPage5();
    Click(1006);
    Click(1006);
    EXPECT_FALSE(StudentControlsShown());
    Click(1006);
    EXPECT_TRUE(StudentControlsShown());
    EXPECT_EQ((std::vector<std::string>{"Anna Martin", "Bruno Keller"}), ListedStudents());
}

TEST_F(Page5Test, MissingStudentListIsCreatedEmptyAndReported) {
    Install();
    fs::remove_all(Sample("Users"));
    OpenPage5();
    Click(1006);
    ASSERT_EQ(1u, m_messages.size());
    EXPECT_EQ(UiText("PropP5", "K11"), m_messages[0].text);
    EXPECT_EQ(UiText("PropP5", "K12"), m_messages[0].caption);
    EXPECT_EQ(MB_ICONEXCLAMATION, m_messages[0].type);
    EXPECT_TRUE(fs::is_regular_file(Sample("Users/UserList.dat")));
    EXPECT_EQ(0u, fs::file_size(Sample("Users/UserList.dat")));
    EXPECT_FALSE(StudentControlsShown());
    EXPECT_FALSE(Item(1006).IsWindowEnabled());
}

// A list cut short (a copy that stopped half-way) is said to be unreadable,
// naming the file, and is left as it was: its users are still registered.
TEST_F(Page5Test, ADamagedStudentListIsReportedAsUnreadableAndLeftAlone) {
    Install();
    const fs::path list = Sample("Users/UserList.dat");
    std::ifstream in(list, std::ios::binary);
    const std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(whole.size(), 9u);
    const std::string cut = whole.substr(0, whole.size() - 5);
    Write(list, cut);
    OpenPage5();
    Click(1006);
    ASSERT_EQ(1u, m_messages.size());
    EXPECT_NE(UiText("PropP5", "K11"), m_messages[0].text);
    const std::string words = FormatUiText(UiText("PropP5", "UsersUnreadable"), {""});
    ASSERT_EQ(m_messages[0].text.rfind(words, 0), 0u) << m_messages[0].text;
    std::error_code error;
    EXPECT_TRUE(fs::equivalent(m_messages[0].text.substr(words.size()), list, error))
        << m_messages[0].text;
    EXPECT_EQ(MB_ICONEXCLAMATION, m_messages[0].type);
    EXPECT_FALSE(StudentControlsShown());
    std::ifstream again(list, std::ios::binary);
    EXPECT_EQ(cut, std::string((std::istreambuf_iterator<char>(again)),
                               std::istreambuf_iterator<char>()));
}

TEST_F(Page5Test, StudentFileWithoutVolumeLineIsNotReportedAsConfigured) {
    Install();
    const fs::path bruno = Sample("Users/bruno02/options.ini");
    Write(bruno, "[Keys]\r\nKEYs_Course=Beginners\r\n");
    OpenPage5();
    ASSERT_EQ(1, m_sheet->m_mixerSetup.SetPlaybackVolume(9000));
    Click(1006);
    Update("Bruno Keller");
    EXPECT_EQ("[Keys]\r\nKEYs_Course=Beginners\r\n", Read(bruno));
    EXPECT_FALSE(Item(1097).IsWindowVisible());
    EXPECT_TRUE(Item(1105).IsWindowVisible());
}

TEST_F(Page5Test, StudentsOfAWindows1252ListShowWithTheirAccents) {
    Install();
    WriteStudents({"helene=H\xC3\xA9l\xC3\xA8ne Dupr\xC3\xA9", "zoe=Zo\xC3\xA9 \xC5\x92uvray"},
                  "cp1252");
    OpenPage5();
    Click(1006);
    ASSERT_TRUE(StudentControlsShown());
    EXPECT_EQ(
        (std::vector<std::string>{"H\xC3\xA9l\xC3\xA8ne Dupr\xC3\xA9", "Zo\xC3\xA9 \xC5\x92uvray"}),
        ListedStudents());
    EXPECT_EQ("H\xC3\xA9l\xC3\xA8ne Dupr\xC3\xA9", uitest::ShownText(Students()));
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(Page5Test, UpdateTakesTheStudentPickedInTheBox) {
    Install();
    // Two students of one name: the one picked is the one configured.
    WriteStudents({"zoe1=Zo\xC3\xA9", "zoe2=Zo\xC3\xA9", "anna01=Anna Martin"}, "cp1252");
    for (const char* folder : {"Users/zoe1", "Users/zoe2"}) {
        fs::create_directories(Sample(folder));
        Write(Sample(folder) / "options.ini", "[Keys]\r\nKEYi_OutVolume=1\r\n");
    }
    OpenPage5();
    ASSERT_EQ(1, m_sheet->m_mixerSetup.SetPlaybackVolume(9000));
    const std::string level = std::to_string(Playback() / 1000);
    Click(1006);
    ASSERT_EQ(3, Students().GetCount());
    int second = -1;
    for (int i = 0; i < Students().GetCount(); ++i)
        if (Students().GetLBText(i) == "Zo\xC3\xA9")
            second = i; // the last of the two
    ASSERT_EQ(2, second);
    Students().SetCurSel(second);
    Click(1102);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ("1", IniValue(Sample("Users/zoe1/options.ini"), "Keys", "KEYi_OutVolume"));
    EXPECT_EQ(level, IniValue(Sample("Users/zoe2/options.ini"), "Keys", "KEYi_OutVolume"));
    EXPECT_TRUE(
        fs::equivalent(plat::NativePath(GetCurrentStudentDirectory()), Sample("Users/zoe2")));
}

TEST_F(Page5Test, TypedNameFindsTheStudentInAnyCaseAccentsIncluded) {
    Install();
    WriteStudents({"helene=H\xC3\x89L\xC3\x88NE", "anna01=Anna Martin"}, "cp1252");
    fs::create_directories(Sample("Users/helene"));
    Write(Sample("Users/helene/options.ini"), "[Keys]\r\nKEYi_OutVolume=1\r\n");
    OpenPage5();
    ASSERT_EQ(1, m_sheet->m_mixerSetup.SetPlaybackVolume(9000));
    Click(1006);
    Update("h\xC3\xA9l\xC3\xA8ne"); // typed: hélène
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(std::to_string(Playback() / 1000),
              IniValue(Sample("Users/helene/options.ini"), "Keys", "KEYi_OutVolume"));
    // A letter the list's code page cannot hold is no student's name.
    Update("h\xC3\xA9l\xC3\xA8n\xC4\x99");
    ASSERT_EQ(1u, m_messages.size());
    EXPECT_EQ(UiText("PropP5", "K13"), m_messages[0].text);
}

TEST_F(Page5Test, ProductFilesInTheirCodePageComeBackByteForByteButTheVolumes) {
    Install();
    WriteStudents({"anna01=Anna Martin"}, "cp1252");
    const fs::path anna = Sample("Users/anna01/options.ini");
    WriteWindows1252(anna, "; R\xC3\xA9glages de l'\xC3\xA9l\xC3\xA8ve\r\n[Keys]\r\n"
                           "KEYs_Course=D\xC3\xA9"
                           "butants\r\nKEYi_OutVolume=1\r\n");
    const fs::path tiko = Sample("TikoCP/Tiko.ini");
    WriteWindows1252(tiko, "; \xC3\x89"
                           "dition des petits\r\n[Main]\r\nOutVolume=5000\r\n"
                           "RecVolume=5000\r\n[Keys]\r\nKEYs_Course=D\xC3\xA9"
                           "butants\r\n");
    const std::string annaBefore = Read(anna);
    const std::string tikoBefore = Read(tiko);

    OpenPage5();
    SetPlaybackExactly(7999);
    ASSERT_EQ(1, m_sheet->m_mixerSetup.SetRecordingVolume(3000));
    int recording = -2;
    m_sheet->m_mixerSetup.GetRecordingVolume(recording);
    Click(1006);
    Update("Anna Martin");
    Click(1118);
    Click(1120);
    Finish();

    std::string annaAfter = annaBefore;
    annaAfter.replace(annaAfter.find("KEYi_OutVolume=1"), 16, "KEYi_OutVolume=7");
    EXPECT_EQ(annaAfter, Read(anna));
    std::string tikoAfter = tikoBefore;
    tikoAfter.replace(tikoAfter.find("OutVolume=5000"), 14, "OutVolume=7999");
    tikoAfter.replace(tikoAfter.find("RecVolume=5000"), 14,
                      "RecVolume=" + std::to_string(recording));
    EXPECT_EQ(tikoAfter, Read(tiko));
    EXPECT_NE(std::string::npos, Read(tiko).find("KEYs_Course=D\xE9"
                                                 "butants\r\n"));
}

TEST_F(Page5Test, StudentFolderOutsideTheUsersRootIsRefusedAndNothingWritten) {
    Install();
    // A settings file outside the users root, where "../outside" and an
    // absolute folder point.
    const fs::path outside = Sample("outside/options.ini");
    fs::create_directories(outside.parent_path());
    Write(outside, "[Keys]\r\nKEYi_OutVolume=1\r\n");
    WriteStudents({"../outside=Eve", outside.parent_path().string() + "=Mallory"}, "utf-8");
    const auto before = Contents(m_dir / "sample");
    OpenPage5();
    ASSERT_EQ(1, m_sheet->m_mixerSetup.SetPlaybackVolume(9000));
    Click(1006);
    for (const char* name : {"Eve", "mallory"}) {
        m_messages.clear();
        Update(name);
        ASSERT_EQ(1u, m_messages.size()) << name;
        EXPECT_NE(std::string::npos, m_messages[0].text.find("does not lie inside"))
            << m_messages[0].text;
        EXPECT_EQ(UiText("PropP5", "K12"), m_messages[0].caption);
        EXPECT_EQ(MB_ICONEXCLAMATION, m_messages[0].type);
    }
    EXPECT_EQ(before, Contents(m_dir / "sample"));
    EXPECT_EQ("", GetCurrentStudentDirectory());
    EXPECT_TRUE(Item(1006).IsWindowEnabled());
}

TEST_F(Page5Test, NothingInstalledDisablesBothProductBoxes) {
    OpenPage5();
    EXPECT_FALSE(Item(1006).IsWindowEnabled());
    EXPECT_FALSE(Item(1118).IsWindowEnabled());
    EXPECT_TRUE(Item(1120).IsWindowEnabled());
    EXPECT_FALSE(StudentControlsShown());
    Finish();
    EXPECT_FALSE(fs::exists(Temp("Mixer.ser")));
    EXPECT_TRUE(m_messages.empty());
}

} // namespace
