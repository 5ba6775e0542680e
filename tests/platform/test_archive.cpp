#include "platform/archive/archive.h"
#include "tests/support/TestDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace plat;
namespace fs = std::filesystem;

namespace {

class ArchiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = FreshTestDir("archive_test");
        m_path = (m_dir / "file.dat").string();
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    std::vector<BYTE> Bytes() const {
        std::ifstream in(m_path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void SetBytes(const std::vector<BYTE>& bytes) const {
        std::ofstream out(m_path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    std::size_t EntriesInDir() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_dir), {}));
    }

    fs::path m_dir;
    std::string m_path;
};

TEST_F(ArchiveTest, IntegersCountsAndStringsHaveTheirByteLayout) {
    CArchiveWriter w;
    ASSERT_TRUE(w.Open(m_path));
    w.WriteByte(0xAB);
    w.WriteWord(0x1234);
    w.WriteDword(0xDEADBEEF);
    w.WriteCount(0xFFFE);
    w.WriteCount(0xFFFF);
    w.WriteString("abc");
    w.WriteString(std::string(255, 'x'));
    ASSERT_TRUE(w.Commit());

    std::vector<BYTE> expect = {0xAB, 0x34, 0x12, 0xEF, 0xBE, 0xAD, 0xDE, 0xFE, 0xFF, 0xFF, 0xFF,
                                0xFF, 0xFF, 0x00, 0x00, 3,    'a',  'b',  'c',  0xFF, 0xFF, 0x00};
    expect.insert(expect.end(), 255, 'x');
    EXPECT_EQ(Bytes(), expect);
}

TEST_F(ArchiveTest, LongStringsRoundTripAcrossTheBuffer) {
    const std::string mid(0xFFFD, 'm');
    const std::string big(0x10005, 'b');
    CArchiveWriter w;
    ASSERT_TRUE(w.Open(m_path));
    w.WriteString("");
    w.WriteString(mid);
    w.WriteString(big);
    w.WriteCount(70000);
    ASSERT_TRUE(w.Commit());

    auto bytes = Bytes();
    ASSERT_EQ(bytes.size(), 1u + 3u + mid.size() + 7u + big.size() + 6u);
    EXPECT_EQ(bytes[1], 0xFF);
    EXPECT_EQ(bytes[2], 0xFD);
    EXPECT_EQ(bytes[3], 0xFF);
    const std::size_t bigAt = 4 + mid.size();
    EXPECT_EQ(std::vector<BYTE>(bytes.begin() + bigAt, bytes.begin() + bigAt + 7),
              (std::vector<BYTE>{0xFF, 0xFF, 0xFF, 0x05, 0x00, 0x01, 0x00}));

    CArchiveReader r;
    ASSERT_TRUE(r.Open(m_path));
    std::string s;
    ASSERT_TRUE(r.ReadString(s));
    EXPECT_EQ(s, "");
    ASSERT_TRUE(r.ReadString(s));
    EXPECT_EQ(s, mid);
    ASSERT_TRUE(r.ReadString(s));
    EXPECT_EQ(s, big);
    DWORD n = 0;
    ASSERT_TRUE(r.ReadCount(n, 0));
    EXPECT_EQ(n, 70000u);
    EXPECT_EQ(r.Remaining(), 0u);
    BYTE b;
    EXPECT_FALSE(r.ReadByte(b));
}

TEST_F(ArchiveTest, ObjectTagsCountClassesAndObjects) {
    CArchiveWriter w;
    ASSERT_TRUE(w.Open(m_path));
    w.WriteObjectHeader("CFoo", 1); // class 1, object 2
    w.WriteObjectHeader("CFoo", 1); // object 3
    w.WriteObjectHeader("CBar", 7); // class 4, object 5
    w.WriteNullObject();
    w.WriteObjectHeader("CBar", 7);
    w.WriteObjectHeader("CFoo", 1);
    ASSERT_TRUE(w.Commit());

    EXPECT_EQ(Bytes(), (std::vector<BYTE>{0xFF, 0xFF, 0x01, 0x00, 0x04, 0x00, 'C',  'F',  'o', 'o',
                                          0x01, 0x80, 0xFF, 0xFF, 0x07, 0x00, 0x04, 0x00, 'C', 'B',
                                          'a',  'r',  0x00, 0x00, 0x04, 0x80, 0x01, 0x80}));

    CArchiveReader r;
    ASSERT_TRUE(r.Open(m_path));
    std::string name;
    WORD schema = 0;
    const std::pair<const char*, WORD> expect[] = {{"CFoo", 1}, {"CFoo", 1}, {"CBar", 7}};
    for (const auto& [n, sc] : expect) {
        ASSERT_EQ(r.ReadObjectHeader(name, schema), CArchiveReader::ObjectTag::Object);
        EXPECT_EQ(name, n);
        EXPECT_EQ(schema, sc);
    }
    EXPECT_EQ(r.ReadObjectHeader(name, schema), CArchiveReader::ObjectTag::Null);
    ASSERT_EQ(r.ReadObjectHeader(name, schema), CArchiveReader::ObjectTag::Object);
    EXPECT_EQ(name, "CBar");
    ASSERT_EQ(r.ReadObjectHeader(name, schema), CArchiveReader::ObjectTag::Object);
    EXPECT_EQ(name, "CFoo");
}

TEST_F(ArchiveTest, ReaderRejectsUnknownTagsAndTruncatedData) {
    std::string name;
    WORD schema = 0;
    {
        SetBytes({0x01, 0x80}); // a class index never defined
        CArchiveReader r;
        ASSERT_TRUE(r.Open(m_path));
        EXPECT_EQ(r.ReadObjectHeader(name, schema), CArchiveReader::ObjectTag::Fail);
    }
    {
        SetBytes({0xFF, 0xFF, 0x01, 0x00, 0x04, 0x00, 'C', 'F'}); // name cut short
        CArchiveReader r;
        ASSERT_TRUE(r.Open(m_path));
        EXPECT_EQ(r.ReadObjectHeader(name, schema), CArchiveReader::ObjectTag::Fail);
    }
    {
        SetBytes({0xFF, 0xFF, 0x01, 0x00, 0x01, 0x00, 'C', 0x02, 0x00}); // back reference
        CArchiveReader r;
        ASSERT_TRUE(r.Open(m_path));
        ASSERT_EQ(r.ReadObjectHeader(name, schema), CArchiveReader::ObjectTag::Object);
        EXPECT_EQ(r.ReadObjectHeader(name, schema), CArchiveReader::ObjectTag::Fail);
    }
    {
        SetBytes({0x12, 0x34, 0x56}); // dword cut short
        CArchiveReader r;
        ASSERT_TRUE(r.Open(m_path));
        DWORD d = 0;
        EXPECT_FALSE(r.ReadDword(d));
    }
}

TEST_F(ArchiveTest, HugeCountsAndLengthsFailBeforeAllocation) {
    std::string s;
    DWORD n = 0;
    {
        // A 4-gigabyte string claimed by a 7-byte file.
        SetBytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF});
        CArchiveReader r;
        ASSERT_TRUE(r.Open(m_path));
        EXPECT_FALSE(r.ReadString(s));
    }
    {
        SetBytes({0xFF, 0xFF, 0x00, 0x00, 0x00, 0x40, 1, 2, 3, 4});
        CArchiveReader r;
        ASSERT_TRUE(r.Open(m_path));
        EXPECT_FALSE(r.ReadCount(n, 4));
    }
    {
        // Two items of four bytes are there: a count of 2 passes, 3 does not.
        SetBytes({0x02, 0x00, 1, 2, 3, 4, 5, 6, 7, 8});
        CArchiveReader r;
        ASSERT_TRUE(r.Open(m_path));
        EXPECT_TRUE(r.ReadCount(n, 4));
        SetBytes({0x03, 0x00, 1, 2, 3, 4, 5, 6, 7, 8});
        CArchiveReader r2;
        ASSERT_TRUE(r2.Open(m_path));
        EXPECT_FALSE(r2.ReadCount(n, 4));
    }
}

TEST_F(ArchiveTest, WideStringsAreReadAsUtf8) {
    // 0xFF 0xFFFE marks UTF-16LE; "é€😀" = 00E9, 20AC, D83D DE00.
    SetBytes({0xFF, 0xFE, 0xFF, 0x04, 0xE9, 0x00, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE});
    CArchiveReader r;
    ASSERT_TRUE(r.Open(m_path));
    std::string s;
    ASSERT_TRUE(r.ReadString(s));
    EXPECT_EQ(s, "é€😀");
    EXPECT_EQ(r.Remaining(), 0u);
}

TEST_F(ArchiveTest, TargetIsReplacedOnlyByACommittedFile) {
    SetBytes({'o', 'l', 'd'});
    {
        CArchiveWriter w;
        ASSERT_TRUE(w.Open(m_path));
        w.WriteString("new");
        // Destroyed without Commit: the old file stays, nothing is left beside it.
    }
    EXPECT_EQ(Bytes(), (std::vector<BYTE>{'o', 'l', 'd'}));
    EXPECT_EQ(EntriesInDir(), 1u);

    CArchiveWriter w;
    ASSERT_TRUE(w.Open(m_path));
    w.WriteByte(7);
    ASSERT_TRUE(w.Commit());
    EXPECT_EQ(Bytes(), (std::vector<BYTE>{7}));
    EXPECT_EQ(EntriesInDir(), 1u);
    EXPECT_FALSE(w.Commit()); // nothing open any more
}

TEST_F(ArchiveTest, FailedWritesLeaveTheTargetAlone) {
    SetBytes({1, 2, 3});
    {
        // A file-size limit stands in for a full disk: writes past it fail.
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit small = old;
        small.rlim_cur = 1000;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        CArchiveWriter w;
        const bool opened = w.Open(m_path);
        for (int i = 0; i < 5000; ++i)
            w.WriteDword(static_cast<DWORD>(i));
        const bool committed = w.Commit();
        ::setrlimit(RLIMIT_FSIZE, &old);
        EXPECT_TRUE(opened);
        EXPECT_FALSE(committed);
    }
    EXPECT_EQ(Bytes(), (std::vector<BYTE>{1, 2, 3}));
    EXPECT_EQ(EntriesInDir(), 1u);

    CArchiveWriter w;
    EXPECT_FALSE(w.Open((m_dir / "missing" / "x.dat").string()));
    w.WriteDword(1);
    EXPECT_FALSE(w.Ok());
    EXPECT_FALSE(w.Commit());

    CArchiveReader r;
    EXPECT_FALSE(r.Open((m_dir / "nope.dat").string()));
    EXPECT_FALSE(r.Open(m_dir.string())); // a directory is not an archive
}

} // namespace
