// The bounded log: it keeps its newest whole lines and never writes through
// a link.
#include "platform/files/log_file.h"
#include "tests/support/TestDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kLimit = 4096;
constexpr std::size_t kKeep = 2048;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string Line(int n) {
    return "line " + std::to_string(n) + " of the trace, long enough to count\n";
}

TEST(LogFile, StaysBoundedAndKeepsTheNewestWholeLines) {
    const fs::path dir = FreshTestDir("pelmora_log");
    const fs::path path = dir / "PelmoraTrace.log";
    plat::CLogFile log(kLimit, kKeep);
    std::string error;
    ASSERT_TRUE(log.Open(path.string(), &error)) << error;
    std::size_t largest = 0;
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(log.Append(Line(i), &error)) << error;
        largest = std::max<std::size_t>(largest, fs::file_size(path));
    }
    EXPECT_LE(largest, kLimit);
    const std::string text = Read(path);
    EXPECT_LE(text.size(), kLimit);
    EXPECT_GE(text.size(), kKeep - Line(999).size());
    EXPECT_EQ(text.rfind(Line(999)), text.size() - Line(999).size());
    EXPECT_EQ(text.rfind("line ", 0), 0u) << "starts at a line";
    EXPECT_EQ(text.back(), '\n');
    log.Close();

    // A log left too long by an earlier run is cut when it is opened.
    std::ofstream(path, std::ios::binary) << std::string(3 * kLimit, 'x') + "\n" + Line(7);
    ASSERT_TRUE(log.Open(path.string(), &error)) << error;
    EXPECT_EQ(Read(path), Line(7));
    log.Close();
    fs::remove_all(dir);
}

TEST(LogFile, ALinkInItsPlaceIsRefusedAndItsTargetUntouched) {
    const fs::path dir = FreshTestDir("pelmora_log");
    const fs::path victim = dir / "victim.txt";
    std::ofstream(victim) << "precious";
    plat::CLogFile log(kLimit, kKeep);
    std::string error;
    std::error_code noLink;
    fs::create_symlink(victim, dir / "PelmoraTrace.log", noLink);
#if defined(_WIN32)
    // Wine makes no symbolic links; the hard link below still is one.
    if (!noLink)
#else
    ASSERT_FALSE(noLink) << noLink.message();
#endif
    {
        EXPECT_FALSE(log.Open((dir / "PelmoraTrace.log").string(), &error));
        EXPECT_NE(error.find("symbolic link"), std::string::npos) << error;
        EXPECT_FALSE(log.Append("x\n"));
        EXPECT_EQ(Read(victim), "precious");
        fs::remove(dir / "PelmoraTrace.log");
    }

    fs::create_hard_link(victim, dir / "PelmoraTrace.log");
    EXPECT_FALSE(log.Open((dir / "PelmoraTrace.log").string(), &error));
    EXPECT_NE(error.find("hard links"), std::string::npos) << error;
    EXPECT_EQ(Read(victim), "precious");
    fs::remove_all(dir);
}

} // namespace
