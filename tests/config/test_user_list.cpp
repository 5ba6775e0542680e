// CUserList: the bytes of UserList.dat, bad files, the lock retry.
#include "config/UserList.h"

#include "platform/file_lock.h"
#include "platform/winerror.h"

#include <gtest/gtest.h>

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
    std::string Root() const { return m_root.string() + "/"; }
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
    EXPECT_FALSE(blocked.Load(Dat() + "/users"));
    EXPECT_EQ(ERROR_CANNOT_MAKE, blocked.GetLastError());
    EXPECT_EQ(Dat() + "/users/", blocked.GetErrorText());
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
