// The user's private temporary directory: where it is, how it is made, and
// which directories are refused.
#include "platform/files/directories.h"
#include "tests/support/OtherUser.h"
#include "tests/support/TestDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Sets or clears an environment variable for one test.
class EnvVar {
public:
    EnvVar(const char* name, const std::optional<std::string>& value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~EnvVar() {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    EnvVar(const EnvVar&) = delete;
    EnvVar& operator=(const EnvVar&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

class TempDirectoryTest : public ::testing::Test {
protected:
    void TearDown() override { fs::remove_all(m_dir); }

    // Where the rule puts the directory when TMPDIR is m_dir.
    std::string Private() const {
        return (m_dir / ("pelmora-" + std::to_string(::geteuid()))).string();
    }
    static unsigned Mode(const std::string& path) {
        struct stat st {};
        EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
        return st.st_mode & 07777;
    }
    // The answer of GetTempPath when it refuses, with its reason.
    std::string Refusal() const {
        std::string error;
        EXPECT_EQ(plat::GetTempPath(&error), "");
        EXPECT_NE(error.find(Private()), std::string::npos) << error;
        return error;
    }

    fs::path m_dir = FreshTestDir("pelmora_tempdir");
    EnvVar m_runtime{"XDG_RUNTIME_DIR", std::nullopt};
    EnvVar m_tmp{"TMPDIR", m_dir.string()};
};

TEST_F(TempDirectoryTest, RuntimeDirectoryFirstThenTmpdirThenTmp) {
    std::string error = "stale";
    EXPECT_EQ(plat::GetTempPath(&error), Private() + "/");
    EXPECT_EQ(error, "");
    EXPECT_TRUE(fs::is_directory(Private()));
    EXPECT_EQ(Mode(Private()), 0700u);

    {
        const fs::path runtime = m_dir / "run";
        fs::create_directories(runtime);
        EnvVar set("XDG_RUNTIME_DIR", runtime.string() + "/");
        EXPECT_EQ(plat::GetTempPath(), (runtime / "pelmora").string() + "/");
        EXPECT_EQ(Mode((runtime / "pelmora").string()), 0700u);
    }
    {
        // A relative name is no place to rely on.
        EnvVar relative("XDG_RUNTIME_DIR", "run");
        EXPECT_EQ(plat::GetTempPath(), Private() + "/");
    }
    {
        EnvVar unset("TMPDIR", std::nullopt);
        EXPECT_EQ(plat::GetTempPath(), "/tmp/pelmora-" + std::to_string(::geteuid()) + "/");
    }
}

TEST_F(TempDirectoryTest, ADirectoryMadeUnderAStrictUmaskStillBelongsToItsUser) {
    const mode_t old = ::umask(0277);
    const std::string dir = plat::GetTempPath();
    ::umask(old);
    EXPECT_EQ(dir, Private() + "/");
    EXPECT_EQ(Mode(Private()), 0700u);
}

TEST_F(TempDirectoryTest, ADirectoryOthersMayEnterIsNotUsed) {
    fs::create_directories(Private());
    ASSERT_EQ(::chmod(Private().c_str(), 0755), 0);
    EXPECT_NE(Refusal().find("mode 0755"), std::string::npos);
    EXPECT_EQ(Mode(Private()), 0755u) << "it is not changed either";
}

TEST_F(TempDirectoryTest, ALinkOrAFileInItsPlaceIsNotUsed) {
    const fs::path elsewhere = m_dir / "elsewhere";
    fs::create_directories(elsewhere);
    ASSERT_EQ(::chmod(elsewhere.c_str(), 0700), 0);
    fs::create_directory_symlink(elsewhere, Private());
    EXPECT_NE(Refusal().find("symbolic link"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(elsewhere));

    fs::remove(Private());
    std::ofstream(Private()) << "x";
    EXPECT_NE(Refusal().find("not a directory"), std::string::npos);
}

TEST_F(TempDirectoryTest, ADirectoryOfAnotherUserIsNotUsed) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can make a directory for another user";
    fs::create_directories(Private());
    ASSERT_EQ(::chmod(Private().c_str(), 0700), 0);
    ASSERT_EQ(::chown(Private().c_str(), kOtherUid, kOtherUid), 0);
    EXPECT_NE(Refusal().find("another user (uid 65534)"), std::string::npos);
}

} // namespace
