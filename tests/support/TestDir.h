// A fresh, empty folder in the temporary directory for the running test,
// named after the prefix, the process and the test, so tests that run at the
// same time never share one. Whatever an earlier run left there is removed.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

inline std::filesystem::path FreshTestDir(const std::string& prefix) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() /
                         (prefix + "-" + std::to_string(::getpid()) + "-" +
                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

// Every byte of a file; empty when it cannot be read.
inline std::string FileContents(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}
