// CUserList: the bytes of UserList.dat, bad files, the lock retry.
#include "config/UserList.h"

#include "platform/files/file_lock.h"
#include "platform/files/paths.h"
#include "platform/winerror.h"
#include "tests/support/HostCommand.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace plat;
namespace fs = std::filesystem;

namespace {

class UserListTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = fs::temp_directory_path() /
                 (std::string("pelmora-users-") +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
    }
    void TearDown() override { fs::remove_all(m_root); }
    std::string Root() const { return m_root.string() + kPathSeparator; }
    std::string Dat() const { return (m_root / "UserList.dat").string(); }
    void WriteDat(const std::string& bytes) const {
        fs::create_directories(m_root);
        std::ofstream(Dat(), std::ios::binary) << bytes;
    }
    std::string ReadDat() const {
        std::ifstream f(Dat(), std::ios::binary);
        std::ostringstream s;
        s << f.rdbuf();
        return s.str();
    }

    fs::path m_root;
};

} // namespace

TEST_F(UserListTest, WritesAndReadsTheArchiveLayout) {
    CUserList list;
    list.SetUser("u1", "Anna");
    list.SetUser("u2", std::string(300, 'n')); // a length beyond one byte
    ASSERT_TRUE(list.Save(Root()));
    std::string expected("\x02\x00"
                         "\x02u1\x04"
                         "Anna"
                         "\x02u2\xff\x2c\x01",
                         16);
    expected += std::string(300, 'n');
    EXPECT_EQ(expected, ReadDat());

    CUserList again;
    ASSERT_TRUE(again.Load(m_root.string()));
    EXPECT_EQ(list.Users(), again.Users());
    EXPECT_EQ(Root(), again.GetRoot()) << "the root gets its trailing separator";
}

TEST_F(UserListTest, ReadsEveryWidthOfCountsAndLengths) {
    // Count 0xFFFF + 32-bit 1; key with 0xFF 0xFFFF + 32-bit length; value
    // as a wide string (0xFF 0xFFFE marker, UTF-16LE).
    std::string bytes("\xff\xff\x01\x00\x00\x00"
                      "\xff\xff\xff\x03\x00\x00\x00"
                      "abc"
                      "\xff\xfe\xff\x02\xe9\x00\x76\x00",
                      24);
    WriteDat(bytes);
    CUserList list;
    ASSERT_TRUE(list.Load(Root())) << list.GetErrorText();
    ASSERT_EQ(1u, list.Users().size());
    EXPECT_EQ("abc", list.Users()[0].first);
    EXPECT_EQ("\xc3\xa9v", list.Users()[0].second);
}

TEST_F(UserListTest, FindsStudentsIgnoringCaseInListOrder) {
    CUserList list;
    list.SetUser("z1", "\xc3\x89lodie Martin"); // É
    list.SetUser("a2", "Bob");
    list.SetUser("a3", "BOB");
    ASSERT_TRUE(list.Save(Root()));
    CUserList loaded;
    ASSERT_TRUE(loaded.Load(Root()));
    std::string dir;
    EXPECT_TRUE(loaded.FindUser("bob", &dir));
    EXPECT_EQ(Root() + "a2", dir) << "the first match in list order";
    EXPECT_TRUE(loaded.FindUser("\xc3\xa9LODIE martin", &dir));
    EXPECT_EQ(Root() + "z1", dir);
    EXPECT_FALSE(loaded.FindUser("Bo", &dir));
    EXPECT_EQ((std::vector<std::string>{"\xc3\x89lodie Martin", "Bob", "BOB"}), loaded.GetNames());
}

TEST_F(UserListTest, MissingFileCreatesRootAndEmptyList) {
    const fs::path deep = m_root / "a" / "b";
    CUserList list;
    ASSERT_TRUE(list.Load(deep.string()));
    EXPECT_TRUE(list.Users().empty());
    EXPECT_TRUE(fs::exists(deep / "UserList.dat"));
    EXPECT_EQ(0u, fs::file_size(deep / "UserList.dat"));

    // A root that cannot be made: a file is in the way.
    WriteDat("");
    CUserList blocked;
    const std::string users = Dat() + kPathSeparator + "users";
    EXPECT_FALSE(blocked.Load(users));
    EXPECT_EQ(ERROR_CANNOT_MAKE, blocked.GetLastError());
    EXPECT_EQ(users + kPathSeparator, blocked.GetErrorText());
}

TEST_F(UserListTest, CorruptOrTruncatedFilesAreRefusedCleanly) {
    const std::string cases[] = {
        std::string("\x01", 1),               // half a count
        std::string("\x02\x00\x01x\x01y", 6), // second entry missing
        std::string("\x01\x00\x05"
                    "ab",
                    5),                                         // string shorter than its length
        std::string("\xff\xff\xff\xff\xff\x7f", 6),             // two thousand million entries
        std::string("\x01\x00\xff\xff\xff\xff\xff\xff\x7f", 9), // a 2 GB string
        std::string("\x01\x00\xff\xfe\xff\x03\x00\xd8", 8),     // wide string cut short
    };
    for (const std::string& bytes : cases) {
        WriteDat(bytes);
        CUserList list;
        list.SetUser("keep", "me");
        EXPECT_FALSE(list.Load(Root()));
        EXPECT_EQ(ERROR_FILE_CORRUPT, list.GetLastError());
        EXPECT_EQ(Dat(), list.GetErrorText());
        EXPECT_TRUE(list.Users().empty());
        EXPECT_EQ(bytes, ReadDat()) << "the file is left as it was";
    }
}

TEST_F(UserListTest, RetriesWhileAnotherProgramWritesTheFile) {
    WriteDat(std::string("\x01\x00\x01u\x01N", 6));
    CFileLock writer;
    ASSERT_TRUE(writer.Acquire(Dat(), true));

    CUserList list;
    int waits = 0;
    list.SetRetry(100, 10000, [&](DWORD ms) {
        EXPECT_EQ(100u, ms);
        if (++waits == 3)
            writer.Release();
    });
    ASSERT_TRUE(list.Load(Root()));
    EXPECT_EQ(3, waits);
    EXPECT_EQ(1u, list.Users().size());

    ASSERT_TRUE(writer.Acquire(Dat(), true));
    waits = 0;
    list.SetRetry(100, 10000, [&](DWORD) { ++waits; });
    EXPECT_FALSE(list.Load(Root()));
    EXPECT_EQ(ERROR_OPEN_FAILED, list.GetLastError());
    EXPECT_EQ(Dat(), list.GetErrorText());
    EXPECT_EQ(100, waits) << "every 100 ms for 10 s";

    CFileLock reader;
    writer.Release();
    ASSERT_TRUE(reader.Acquire(Dat(), false));
    EXPECT_TRUE(list.Load(Root())) << "readers share the file";
    list.SetRetry(100, 300, [](DWORD) {});
    EXPECT_FALSE(list.Save()) << "a writer waits for readers";
}

namespace {

// The student list as the learning product writes it (Windows-1252), made
// with the sample's own writer.
void MakeList(const std::string& path, const std::vector<std::string>& entries,
              const std::string& encoding) {
    const fs::path writer = fs::path(PELMORA_SOURCE_DIR_BUILT) / "examples" / "make-userlist.py";
    std::string command = "python3 '" + hostcmd::HostPath(writer) + "' --encoding=" + encoding +
                          " '" + hostcmd::HostPath(path) + "'";
    for (const std::string& entry : entries)
        command += " '" + entry + "'";
    ASSERT_EQ(0, hostcmd::Run(command)) << command;
}

} // namespace

TEST_F(UserListTest, Windows1252ListIsTakenAsTheProductWroteItAndWrittenBackTheSame) {
    fs::create_directories(m_root);
    // Folder "h\xE9l\xE8ne" (hélène) holds HÉLÈNE, "zoe" holds Zoé Lefèvre.
    MakeList(Dat(), {"h\xC3\xA9l\xC3\xA8ne=H\xC3\x89L\xC3\x88NE", "zoe=Zo\xC3\xA9 Lef\xC3\xA8vre"},
             "cp1252");
    const std::string original = ReadDat();
    ASSERT_EQ(std::string("\x02\x00\x06h\xE9l\xE8ne\x06H\xC9L\xC8NE", 16), original.substr(0, 16));

    CUserList list;
    ASSERT_TRUE(list.Load(Root())) << list.GetErrorText();
    EXPECT_EQ(TextEncoding::Windows1252, list.GetEncoding());
    EXPECT_EQ((std::vector<std::string>{"H\xC9L\xC8NE", "Zo\xE9 Lef\xE8vre"}), list.GetNames());
    // Any case, as the code page pairs its letters.
    EXPECT_EQ(0u, list.FindUserIndex("h\xE9l\xE8ne"));
    EXPECT_EQ(1u, list.FindUserIndex("ZO\xC9 LEF\xC8VRE"));
    EXPECT_EQ(CUserList::npos, list.FindUserIndex("H\xC3\xA9l\xC3\xA8ne"))
        << "UTF-8 is not the list's";
    // The folder is named as this platform names files.
    std::string dir;
    ASSERT_TRUE(list.FindUser("h\xE9l\xE8ne", &dir));
#if defined(_WIN32)
    EXPECT_EQ(Root() + "h\xE9l\xE8ne", dir) << "the code page of the system calls";
#else
    EXPECT_EQ(Root() + "h\xC3\xA9l\xC3\xA8ne", dir) << "UTF-8";
#endif

    ASSERT_TRUE(list.Save());
    EXPECT_EQ(original, ReadDat());
}

TEST_F(UserListTest, Utf8ListFoldsNamesOfEveryAlphabet) {
    fs::create_directories(m_root);
    MakeList(Dat(),
             {"h1=H\xC3\x89L\xC3\x88NE", "l2=\xC5\x81ukasz",
              "g3=\xCE\x9F\xCE\x94\xCE\xA5\xCE\xA3\xCE\xA3\xCE\x95\xCE\xA5\xCE\xA3"},
             "utf-8");
    CUserList list;
    ASSERT_TRUE(list.Load(Root()));
    EXPECT_EQ(TextEncoding::Utf8, list.GetEncoding());
    EXPECT_EQ(0u, list.FindUserIndex("h\xC3\xA9l\xC3\xA8ne"));
    EXPECT_EQ(1u, list.FindUserIndex("\xC5\x82UKASZ"));
    EXPECT_EQ(2u,
              list.FindUserIndex(
                  "\xCE\xBF\xCE\xB4\xCF\x85\xCF\x83\xCF\x83\xCE\xB5\xCF\x85\xCF\x82")); // final ς
    EXPECT_EQ(CUserList::npos, list.FindUserIndex("helene"));
}

TEST_F(UserListTest, FoldersOutsideTheUsersRootAreRefusedWithTheirName) {
    fs::create_directories(m_root);
    const std::vector<std::string> bad = {"../x",    "..\\x",       "/etc", "\\\\server\\share",
                                          "C:\\Tmp", "sub/../../x", ""};
    std::vector<std::string> entries;
    for (std::size_t i = 0; i < bad.size(); ++i)
        entries.push_back(bad[i] + "=Student " + std::to_string(i));
    entries.push_back("sub\\anna=Anna");
    MakeList(Dat(), entries, "utf-8");

    CUserList list;
    ASSERT_TRUE(list.Load(Root())) << "the list itself reads; its bad folders are refused on use";
    ASSERT_EQ(bad.size() + 1, list.Users().size());
    for (std::size_t i = 0; i < bad.size(); ++i) {
        std::string dir = "unchanged";
        std::string error;
        EXPECT_FALSE(list.GetUserDirectory(i, &dir, &error)) << bad[i];
        EXPECT_EQ("unchanged", dir);
        EXPECT_NE(std::string::npos, error.find("\"" + bad[i] + "\"")) << error;
        EXPECT_NE(std::string::npos, error.find("does not lie inside " + Root())) << error;
        EXPECT_FALSE(list.FindUser("student " + std::to_string(i), &dir)) << bad[i];
    }
    std::string dir;
    std::string error;
    ASSERT_TRUE(list.GetUserDirectory(bad.size(), &dir, &error));
    EXPECT_EQ(Root() + "sub\\anna", dir);
    EXPECT_FALSE(list.GetUserDirectory(bad.size() + 1, &dir, &error)) << "no such student";
    EXPECT_FALSE(error.empty());
}
