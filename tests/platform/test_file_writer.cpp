// The one file writer: what a save keeps (bytes, rights, links) and what a
// failed save leaves behind (the old file whole, no stray files, a reason).
#include "platform/files/file_writer.h"
#include "platform/system/system_testing.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/OtherUser.h"
#include "tests/support/TestDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

class FileWriterTest : public ::testing::Test {
protected:
    void SetUp() override { m_dir = FreshTestDir("pelmora_writer"); }
    void TearDown() override {
        plat::FailInPlaceRewritesForTesting(0, 0);
        std::error_code ec;
        for (const auto& entry : fs::recursive_directory_iterator(m_dir, ec))
            if (!entry.is_symlink())
                fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(m_dir);
    }

    std::string Path(const std::string& name) const { return (m_dir / name).string(); }
    std::string Write(const std::string& name, const std::string& bytes, mode_t mode = 0644) {
        const std::string path = Path(name);
        std::ofstream(path, std::ios::binary) << bytes;
        EXPECT_EQ(::chmod(path.c_str(), mode), 0);
        return path;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    static struct stat Stat(const std::string& path) {
        struct stat st {};
        EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
        return st;
    }
    static unsigned Mode(const std::string& path) { return Stat(path).st_mode & 07777; }
    // The names in a directory, sorted: a save must leave no other file.
    std::vector<std::string> Names(const std::string& sub = "") const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir / sub))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static std::string Bytes(std::size_t size, char fill) { return std::string(size, fill); }

    fs::path m_dir;
};

TEST_F(FileWriterTest, NewContentKeepsTheModeAndOwnerOfTheFileItReplaces) {
    const std::string shared = Write("Tiko.ini", "old", 0664);
    const std::string secret = Write("secret.ini", "old", 0600);
    std::string error;
    ASSERT_TRUE(plat::SaveFileContents(shared, "new content\r\n", &error)) << error;
    ASSERT_TRUE(plat::SaveFileContents(secret, "s", &error)) << error;
    EXPECT_EQ(Read(shared), "new content\r\n");
    EXPECT_EQ(Mode(shared), 0664u);
    EXPECT_EQ(Mode(secret), 0600u);

    // A file that does not exist yet gets the bits every new file gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ASSERT_TRUE(plat::SaveFileContents(Path("fresh.ini"), "f", &error)) << error;
    EXPECT_EQ(Mode(Path("fresh.ini")), 0666u & ~mask);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Tiko.ini", "fresh.ini", "secret.ini"}));

    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can hand a file to another user";
    ASSERT_EQ(::chown(shared.c_str(), kOtherUid, kOtherUid), 0);
    ASSERT_TRUE(plat::SaveFileContents(shared, "again", &error)) << error;
    EXPECT_EQ(Stat(shared).st_uid, kOtherUid);
    EXPECT_EQ(Stat(shared).st_gid, kOtherUid);
    EXPECT_EQ(Mode(shared), 0664u);
}

TEST_F(FileWriterTest, SymbolicLinksAreFollowedToTheFileTheyNameAndStayLinks) {
    fs::create_directories(m_dir / "data");
    const std::string real = Write("data/real.ini", "old", 0640);
    fs::create_symlink("data/real.ini", Path("near.ini"));   // relative
    fs::create_symlink(Path("near.ini"), Path("chain.ini")); // to a link
    fs::create_symlink("fresh.ini", Path("data/dangling.ini"));

    std::string error;
    ASSERT_TRUE(plat::SaveFileContents(Path("chain.ini"), "through two links", &error)) << error;
    EXPECT_EQ(Read(real), "through two links");
    EXPECT_EQ(Mode(real), 0640u);
    EXPECT_TRUE(fs::is_symlink(Path("chain.ini")));
    EXPECT_EQ(fs::read_symlink(Path("chain.ini")), Path("near.ini"));
    EXPECT_EQ(fs::read_symlink(Path("near.ini")), "data/real.ini");

    // A link to a file not made yet makes that file, and stays a link.
    ASSERT_TRUE(plat::SaveFileContents(Path("data/dangling.ini"), "made", &error)) << error;
    EXPECT_TRUE(fs::is_symlink(Path("data/dangling.ini")));
    EXPECT_EQ(Read(Path("data/fresh.ini")), "made");
    EXPECT_EQ(Names(), (std::vector<std::string>{"chain.ini", "data", "near.ini"}));
    EXPECT_EQ(Names("data"), (std::vector<std::string>{"dangling.ini", "fresh.ini", "real.ini"}));

    fs::create_symlink("loop-b", Path("loop-a"));
    fs::create_symlink("loop-a", Path("loop-b"));
    EXPECT_FALSE(plat::SaveFileContents(Path("loop-a"), "x", &error));
    EXPECT_NE(error.find(std::strerror(ELOOP)), std::string::npos) << error;
}

// A product may keep its settings behind a link; the link is followed only
// to a file of its own owner, so a link another user planted never chooses
// the file written. The refusal names the link and where it leads.
TEST_F(FileWriterTest, ALinkIsFollowedOnlyToAFileOfItsOwnOwner) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give files and links to another user";
    fs::create_directories(m_dir / "other");
    const std::string theirs = Write("other/Tiko.ini", "theirs");
    ASSERT_EQ(::chown(theirs.c_str(), kOtherUid, kOtherUid), 0);
    fs::create_symlink(theirs, Path("Tiko.ini"));
    std::string error;
    EXPECT_FALSE(plat::SaveFileContents(Path("Tiko.ini"), "mine", &error));
    EXPECT_NE(error.find(Path("Tiko.ini")), std::string::npos) << error;
    EXPECT_NE(error.find(theirs), std::string::npos) << error;
    EXPECT_NE(error.find("nobody"), std::string::npos) << error;
    EXPECT_EQ(Read(theirs), "theirs");

    // The same link made by that user is that user's choice.
    ASSERT_EQ(::lchown(Path("Tiko.ini").c_str(), kOtherUid, kOtherUid), 0);
    ASSERT_TRUE(plat::SaveFileContents(Path("Tiko.ini"), "mine", &error)) << error;
    EXPECT_EQ(Read(theirs), "mine");

    // A link to a file still to be made counts the directory it would be in.
    fs::create_symlink(m_dir / "other" / "new.ini", Path("new.ini"));
    ASSERT_EQ(::chown((m_dir / "other").c_str(), kOtherUid, kOtherUid), 0);
    EXPECT_FALSE(plat::SaveFileContents(Path("new.ini"), "x", &error));
    EXPECT_NE(error.find((m_dir / "other").string()), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(m_dir / "other" / "new.ini"));
}

// A write killed before its copy took the target's place leaves the copy;
// the next write to the same file removes it. The copy of a writer that
// still lives (it holds it locked) stays, and so does a copy of an old
// content, which may be the only whole one.
TEST_F(FileWriterTest, CopiesOfDeadWritersGoAtTheNextWriteAndOthersStay) {
    const std::string target = Write("hive.reg", "old");
    const std::string dead = Write(".hive.reg.new-0a1b2c3d", std::string(100000, 'x'));
    const std::string kept = Write(".hive.reg.old-0a1b2c3d", "the only whole content");
    const std::string unrelated = Write(".other.reg.new-0a1b2c3d", "another file's");
    const std::string living = Write(".hive.reg.new-zzzzzzzz", "being written");
    int pipes[2];
    ASSERT_EQ(::pipe(pipes), 0);
    const pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        const int fd = ::open(living.c_str(), O_RDWR);
        const bool locked = fd >= 0 && ::flock(fd, LOCK_EX) == 0;
        const char ready = locked ? 'y' : 'n';
        static_cast<void>(::write(pipes[1], &ready, 1) == 1);
        ::pause();
        ::_exit(0);
    }
    char ready = 0;
    ASSERT_EQ(::read(pipes[0], &ready, 1), 1);
    ASSERT_EQ(ready, 'y');

    std::string error;
    ASSERT_TRUE(plat::SaveFileContents(target, "new", &error)) << error;
    ::kill(writer, SIGKILL);
    ::waitpid(writer, nullptr, 0);
    ::close(pipes[0]);
    ::close(pipes[1]);
    EXPECT_EQ(Read(target), "new");
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_TRUE(fs::exists(living)) << "a living writer's copy was removed";
    EXPECT_TRUE(fs::exists(kept));
    EXPECT_TRUE(fs::exists(unrelated));

    // Its writer gone, the copy goes at the next write.
    ASSERT_TRUE(plat::SaveFileContents(target, "again", &error)) << error;
    EXPECT_FALSE(fs::exists(living));
}

TEST_F(FileWriterTest, HardLinkedFilesAreRewrittenInPlaceSoEveryNameSeesTheNewContent) {
    const std::string first = Write("Tiko.ini", "old content", 0664);
    fs::create_hard_link(first, Path("other-name.ini"));
    const ino_t inode = Stat(first).st_ino;

    std::string error;
    ASSERT_TRUE(plat::SaveFileContents(first, "new", &error)) << error;
    EXPECT_EQ(Read(Path("other-name.ini")), "new");
    EXPECT_EQ(Stat(first).st_ino, inode);
    EXPECT_EQ(Stat(first).st_nlink, 2u);
    EXPECT_EQ(Mode(first), 0664u);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Tiko.ini", "other-name.ini"}));
}

TEST_F(FileWriterTest, AFailedInPlaceRewritePutsTheOldContentBack) {
    const std::string old = Bytes(9000, 'o');
    const std::string first = Write("Tiko.ini", old);
    fs::create_hard_link(first, Path("other-name.ini"));

    // The disk fails after 100 bytes of the rewrite: the complete copy made
    // beforehand goes back into the file, under both names.
    plat::FailInPlaceRewritesForTesting(1, 100);
    std::string error;
    EXPECT_FALSE(plat::SaveFileContents(first, Bytes(12000, 'n'), &error));
    EXPECT_NE(error.find(first), std::string::npos) << error;
    EXPECT_NE(error.find(std::strerror(EIO)), std::string::npos) << error;
    EXPECT_NE(error.find("left as it was"), std::string::npos) << error;
    EXPECT_EQ(Read(first), old);
    EXPECT_EQ(Read(Path("other-name.ini")), old);
    EXPECT_EQ(Stat(first).st_nlink, 2u);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Tiko.ini", "other-name.ini"}));

    // When even putting it back fails, the copy takes the name, so the file
    // named keeps its content; the message says what became of the others.
    plat::FailInPlaceRewritesForTesting(2, 100);
    EXPECT_FALSE(plat::SaveFileContents(first, Bytes(12000, 'n'), &error));
    EXPECT_NE(error.find("other hard links"), std::string::npos) << error;
    EXPECT_EQ(Read(first), old);
    EXPECT_EQ(Stat(first).st_nlink, 1u);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Tiko.ini", "other-name.ini"}));
}

TEST_F(FileWriterTest, AFullDiskLeavesTheFileWholeAndSaysWhy) {
    const std::string old = Bytes(10500, 'o');
    const std::string plain = Write("Tiko.ini", old);
    fs::create_directories(m_dir / "linked");
    const std::string linked = Write("linked/a.ini", old);
    fs::create_hard_link(linked, Path("linked/b.ini"));
    std::string plainError, linkedError;
    {
        FileSizeLimit disk(4096);
        EXPECT_FALSE(plat::SaveFileContents(plain, Bytes(10600, 'n'), &plainError));
        // A short new content fits, but the copy of the old one does not: the
        // file is not touched.
        EXPECT_FALSE(plat::SaveFileContents(linked, "short", &linkedError));
    }
    EXPECT_EQ(Read(plain), old);
    EXPECT_NE(plainError.find(plain), std::string::npos) << plainError;
    EXPECT_NE(plainError.find(std::strerror(EFBIG)), std::string::npos) << plainError;
    EXPECT_EQ(Read(linked), old);
    EXPECT_EQ(Read(Path("linked/b.ini")), old);
    EXPECT_NE(linkedError.find(std::strerror(EFBIG)), std::string::npos) << linkedError;
    EXPECT_EQ(Names(), (std::vector<std::string>{"Tiko.ini", "linked"}));
    EXPECT_EQ(Names("linked"), (std::vector<std::string>{"a.ini", "b.ini"}));
}

TEST_F(FileWriterTest, FilesTheUserMayNotReplaceAreLeftAsTheyWere) {
    fs::create_directories(m_dir / "closed");
    const std::string inClosed = Write("closed/Tiko.ini", "old", 0666);
    ASSERT_EQ(::chmod((m_dir / "closed").c_str(), 0555), 0);
    fs::create_directories(m_dir / "open");
    ASSERT_EQ(::chmod((m_dir / "open").c_str(), 0777), 0);
    const std::string readOnly = Write("open/Tiko.ini", "old", 0444);

    std::string closedError, readOnlyError;
    {
        AsOrdinaryUser user;
        // The directory refuses the new copy: the file is not truncated and
        // written in place instead.
        EXPECT_FALSE(plat::SaveFileContents(inClosed, "new", &closedError));
        EXPECT_FALSE(plat::SaveFileContents(readOnly, "new", &readOnlyError));
    }
    EXPECT_EQ(Read(inClosed), "old");
    EXPECT_NE(closedError.find(inClosed), std::string::npos) << closedError;
    EXPECT_NE(closedError.find(std::strerror(EACCES)), std::string::npos) << closedError;
    EXPECT_EQ(Read(readOnly), "old");
    EXPECT_NE(readOnlyError.find(std::strerror(EACCES)), std::string::npos) << readOnlyError;
    EXPECT_EQ(Names("closed"), (std::vector<std::string>{"Tiko.ini"}));
    EXPECT_EQ(Names("open"), (std::vector<std::string>{"Tiko.ini"}));
}

TEST_F(FileWriterTest, NamesThatAreNoFileAreRefused) {
    fs::create_directories(m_dir / "folder");
    const std::string file = Write("file", "x");
    std::string error;
    EXPECT_FALSE(plat::SaveFileContents(Path("folder"), "x", &error));
    EXPECT_NE(error.find(std::strerror(EISDIR)), std::string::npos) << error;
    EXPECT_FALSE(plat::SaveFileContents(file + "/below.ini", "x", &error));
    EXPECT_NE(error.find(std::strerror(ENOTDIR)), std::string::npos) << error;
    EXPECT_FALSE(plat::SaveFileContents(Path("missing/x.ini"), "x", &error));
    EXPECT_NE(error.find(std::strerror(ENOENT)), std::string::npos) << error;
    EXPECT_FALSE(plat::SaveFileContents("", "x", &error));
    EXPECT_EQ(Read(file), "x");
    EXPECT_EQ(Names(), (std::vector<std::string>{"file", "folder"}));
}

TEST_F(FileWriterTest, AWriterThatIsNotCommittedChangesNothing) {
    const std::string path = Write("Mixer.ser", "old");
    {
        plat::CFileWriter writer;
        ASSERT_TRUE(writer.Open(path)) << writer.GetError();
        ASSERT_TRUE(writer.Write("new bytes"));
    }
    EXPECT_EQ(Read(path), "old");
    EXPECT_EQ(Names(), (std::vector<std::string>{"Mixer.ser"}));

    plat::CFileWriter writer;
    ASSERT_TRUE(writer.Open(path));
    ASSERT_TRUE(writer.Write("part one, "));
    ASSERT_TRUE(writer.Write("part two"));
    ASSERT_TRUE(writer.Commit()) << writer.GetError();
    EXPECT_EQ(Read(path), "part one, part two");
    EXPECT_FALSE(writer.Write("late")); // committed: nothing more goes in
    EXPECT_FALSE(writer.Commit());
    EXPECT_EQ(Read(path), "part one, part two");
}

} // namespace
