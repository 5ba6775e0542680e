#include "platform/embedded/resources.h"
#include "platform/files/directories.h"
#include "platform/files/paths.h"
#include "platform/system/clock.h"
#include "platform/system/library.h"
#include "platform/system/message_loop.h"
#include "platform/system/program.h"
#include "platform/system/system_testing.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

TEST(System, PathsOfTheProgramAndTheTemporaryDirectory) {
    // The user's private directory (test_temp_directory.cpp covers the rule).
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const char* env = std::getenv("TMPDIR");
    const std::string base = env != nullptr && env[0] == '/' ? env : "/tmp";
    const fs::path expected = runtime != nullptr && runtime[0] == '/'
                                  ? fs::path(runtime) / "pelmora"
                                  : fs::path(base) / ("pelmora-" + std::to_string(::geteuid()));
    const std::string temp = plat::GetTempPath();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), '/');
    EXPECT_EQ(fs::path(temp), expected / "");

    const std::string program = plat::GetModuleFileName();
    EXPECT_EQ(fs::path(program).filename(), "test_platform_system");
    EXPECT_EQ(plat::GetModuleDirectory(), fs::path(program).parent_path().string() + "/");
}

TEST(System, WindowsStylePathsAndFileHelpers) {
    EXPECT_EQ(plat::NativePath("a\\b/c\\d.ini"), "a/b/c/d.ini");
    EXPECT_EQ(plat::WithTrailingSeparator("/x"), "/x/");
    EXPECT_EQ(plat::WithTrailingSeparator("/x/"), "/x/");
    EXPECT_EQ(plat::WithTrailingSeparator("C:\\x\\"), "C:\\x\\");

    const fs::path root = fs::temp_directory_path() / "pelmora_system_files";
    fs::remove_all(root);
    const std::string nested = root.string() + "\\one\\two";
    EXPECT_TRUE(plat::CreateDirectories(nested));
    EXPECT_TRUE(plat::DirectoryExists(nested));
    EXPECT_FALSE(plat::FileExists(nested));       // a directory is not a file
    EXPECT_TRUE(plat::CreateDirectories(nested)); // already there

    const std::string file = nested + "\\f.txt";
    std::ofstream(plat::NativePath(file)) << "x";
    EXPECT_TRUE(plat::FileExists(file));
    EXPECT_FALSE(plat::DirectoryExists(file));
    EXPECT_FALSE(plat::CreateDirectories(file + "\\below")); // under a file
    EXPECT_FALSE(plat::DeleteFile(nested));                  // not a file
    EXPECT_TRUE(plat::DeleteFile(file));
    EXPECT_FALSE(plat::FileExists(file));
    EXPECT_FALSE(plat::DeleteFile(file));
    fs::remove_all(root);
}

TEST(System, RelativePathsThatLeaveTheirDirectoryAreRefused) {
    for (const char* inside :
         {"anna01", "sub/anna", "sub\\anna\\", "./anna", "a..b", "..anna", "anna..", "\xC9lodie"})
        EXPECT_TRUE(plat::StaysInsideDirectory(inside)) << inside;
    for (const std::string& outside : std::vector<std::string>{
             "", "..", "../x", "..\\x", "a/../../b", "a\\..", "/etc", "\\etc", "\\\\server\\share",
             "C:\\Users", "c:x", "x/C:/y", "...", ". .", "a/.. /b", std::string("a\0/../x", 7)})
        EXPECT_FALSE(plat::StaysInsideDirectory(outside)) << outside;
}

TEST(System, TickCountAdvancesWithSleep) {
    const plat::DWORD before = plat::GetTickCount();
    plat::Sleep(20);
    const plat::DWORD elapsed = plat::GetTickCount() - before;
    EXPECT_GE(elapsed, 19u);
    EXPECT_LT(elapsed, 5000u);
}

TEST(System, ProductVersionComesFromTheBuildAndCanBeRemovedForTests) {
    const std::string built = plat::GetProductVersion();
    EXPECT_FALSE(built.empty());
    plat::SetProductVersionForTesting("");
    EXPECT_EQ(plat::GetProductVersion(), "");
    plat::SetProductVersionForTesting(nullptr);
    EXPECT_EQ(plat::GetProductVersion(), built);
}

TEST(System, LibrariesThatDoNotExistGiveNull) {
    EXPECT_EQ(plat::LoadLibrary("NoSuchLibraryAnywhere.dll"), nullptr);
    EXPECT_EQ(plat::LoadLibrary(""), nullptr);
    EXPECT_EQ(plat::GetProcAddress(nullptr, "x"), nullptr);
    EXPECT_EQ(plat::FreeLibrary(nullptr), 0);
}

// Which build of a probe library LoadLibrary finds (tests/platform/probe).
std::string LoadedProbe(const char* name) {
    const plat::HMODULE module = plat::LoadLibrary(name);
    if (module == nullptr)
        return "not found";
    using ProbePlace = const char* (*)();
    const auto place = reinterpret_cast<ProbePlace>(plat::GetProcAddress(module, "ProbePlace"));
    const std::string found = place != nullptr ? place() : "no ProbePlace";
    plat::FreeLibrary(module);
    return found;
}

TEST(System, LibrariesAreFoundBesideTheProgramFirstThenInItsLibraryDirectory) {
    // Built beside the test programs and in the install library directory:
    // the build tree's copy wins.
    EXPECT_EQ(LoadedProbe("PelmoraProbe.dll"), "beside the program");
    // Only in the install library directory (bin/../lib/pelmora or the
    // like), not on the default search path.
    EXPECT_EQ(LoadedProbe("PelmoraProbeInstalled.dll"), "library directory");
    EXPECT_EQ(LoadedProbe("libPelmoraProbeInstalled.so"), "library directory");
}

TEST(MessageLoop, TasksPostedFromOtherThreadsRunOnDispatchInOrder) {
    std::vector<int> order;
    std::thread poster([&] {
        for (int i = 0; i < 5; ++i)
            plat::PostToMainThread([&order, i] { order.push_back(i); });
    });
    poster.join();
    EXPECT_TRUE(order.empty()); // nothing runs before the loop dispatches
    plat::DispatchMessages();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(MessageLoop, WaitDispatchingRunsTasksWhileItWaits) {
    std::atomic<bool> ran{false};
    std::thread poster([&] {
        plat::Sleep(10);
        plat::PostToMainThread([&ran] { ran = true; });
    });
    const plat::DWORD before = plat::GetTickCount();
    plat::WaitDispatching(60);
    poster.join();
    EXPECT_TRUE(ran);
    EXPECT_GE(plat::GetTickCount() - before, 59u);
}

TEST(MessageLoop, InstalledHooksReplaceTheDefaults) {
    int pumped = 0;
    std::vector<std::function<void()>> queued;
    plat::SetMessagePump([&](plat::DWORD) {
        ++pumped;
        for (auto& fn : queued)
            fn();
        queued.clear();
    });
    plat::SetMainThreadPoster([&](std::function<void()> fn) { queued.push_back(std::move(fn)); });
    bool ran = false;
    plat::PostToMainThread([&] { ran = true; });
    EXPECT_EQ(queued.size(), 1u);
    plat::DispatchMessages(0);
    EXPECT_TRUE(ran);
    EXPECT_EQ(pumped, 1);
    plat::WaitDispatching(20);
    EXPECT_GT(pumped, 1);
    plat::SetMessagePump(nullptr);
    plat::SetMainThreadPoster(nullptr);
}

TEST(Resources, RegisteredBlocksAreFoundByTypeAndId) {
    static const std::uint8_t first[] = {1, 2, 3};
    static const std::uint8_t second[] = {9};
    plat::ResourceData found;
    EXPECT_FALSE(plat::FindResource("WAVE", 900, found));
    plat::RegisterResource("WAVE", 900, first, sizeof first);
    ASSERT_TRUE(plat::FindResource("WAVE", 900, found));
    EXPECT_EQ(found.data, first);
    EXPECT_EQ(found.size, 3u);
    EXPECT_FALSE(plat::FindResource("WAVE", 901, found));
    EXPECT_FALSE(plat::FindResource("BITMAP", 900, found));
    plat::RegisterResource("WAVE", 900, second, sizeof second);
    ASSERT_TRUE(plat::FindResource("WAVE", 900, found));
    EXPECT_EQ(found.data, second);
}

} // namespace
