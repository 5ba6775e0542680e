// Files made from nothing (the recording): never written through a link or
// into another file that had the name.
#include "platform/files/new_file.h"
#include "tests/support/TestDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// Creates the file, writes `text` and closes it; the error when it fails.
std::string Make(const fs::path& path, const std::string& text) {
    std::string error;
    std::FILE* file = plat::CreateNewFile(path.string(), &error);
    if (file == nullptr)
        return error;
    EXPECT_EQ(std::fwrite(text.data(), 1, text.size(), file), text.size());
    EXPECT_EQ(std::fclose(file), 0);
    return "";
}

TEST(NewFile, WhateverHadTheNameIsReplacedNeverWrittenThrough) {
    const fs::path dir = FreshTestDir("pelmora_newfile");
    const fs::path victim = dir / "victim.txt";
    std::ofstream(victim) << "precious";
    const fs::path wav = dir / "User.wav";

    fs::create_symlink(victim, wav);
    EXPECT_EQ(Make(wav, "RIFF one"), "");
    EXPECT_FALSE(fs::is_symlink(wav));
    EXPECT_EQ(FileContents(wav), "RIFF one");
    EXPECT_EQ(FileContents(victim), "precious");

    fs::remove(wav);
    fs::create_hard_link(victim, wav);
    EXPECT_EQ(Make(wav, "RIFF two"), "");
    EXPECT_EQ(FileContents(wav), "RIFF two");
    EXPECT_EQ(FileContents(victim), "precious");

    // The recording of a voice is the user's alone.
    struct stat st {};
    ASSERT_EQ(::lstat(wav.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(st.st_nlink, 1u);
    fs::remove_all(dir);
}

TEST(NewFile, ADirectoryOrAMissingFolderIsReportedWithTheName) {
    const fs::path dir = FreshTestDir("pelmora_newfile");
    fs::create_directories(dir / "User.wav");
    const std::string inPlace = Make(dir / "User.wav", "x");
    EXPECT_NE(inPlace.find((dir / "User.wav").string()), std::string::npos) << inPlace;
    EXPECT_NE(inPlace.find(std::strerror(EISDIR)), std::string::npos) << inPlace;
    EXPECT_TRUE(fs::is_directory(dir / "User.wav"));
    const std::string missing = Make(dir / "no" / "User.wav", "x");
    EXPECT_NE(missing.find(std::strerror(ENOENT)), std::string::npos) << missing;
    fs::remove_all(dir);
}

} // namespace
