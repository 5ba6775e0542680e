// The activation socket: a second start's request reaches the running
// program's GUI thread and its answer comes back; nobody listening, a socket
// left by a run that ended, and a GUI thread that does not answer all end in
// "no" within the time given.
#include "platform/linux/activation_socket.h"
#include "platform/system/message_loop.h"
#include "tests/support/TestDir.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <thread>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// Asks from another thread while this one, the GUI thread, runs its loop.
bool AskWhilePumping(const std::string& path, plat::DWORD timeoutMs) {
    auto answer =
        std::async(std::launch::async, [&] { return plat::RequestActivation(path, timeoutMs); });
    while (answer.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
        plat::DispatchMessages(5);
    return answer.get();
}

TEST(ActivationSocket, TheRequestIsAnsweredOnTheGuiThread) {
    const fs::path dir = FreshTestDir("pelmora-activation");
    const std::string path = (dir / "wizard.socket").string();
    const std::thread::id gui = std::this_thread::get_id();
    int asked = 0;
    bool yes = true;
    plat::CActivationListener listener;
    std::string error;
    ASSERT_TRUE(listener.Start(
        path,
        [&] {
            EXPECT_EQ(std::this_thread::get_id(), gui);
            ++asked;
            return yes;
        },
        error))
        << error;
    EXPECT_TRUE(listener.Listening());
    EXPECT_TRUE(AskWhilePumping(path, 2000));
    yes = false; // no window to show
    EXPECT_FALSE(AskWhilePumping(path, 2000));
    EXPECT_EQ(asked, 2);

    listener.Stop();
    EXPECT_FALSE(fs::exists(path));
    const auto start = Clock::now();
    EXPECT_FALSE(plat::RequestActivation(path, 2000));
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(asked, 2);
}

TEST(ActivationSocket, ASocketLeftByARunThatEndedIsReplaced) {
    const fs::path dir = FreshTestDir("pelmora-activation");
    const std::string path = (dir / "wizard.socket").string();
    // A bound socket whose program is gone: nobody accepts there.
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    ASSERT_TRUE(fs::exists(path));
    EXPECT_FALSE(plat::RequestActivation(path, 500));

    plat::CActivationListener listener;
    std::string error;
    ASSERT_TRUE(listener.Start(
        path, [] { return true; }, error))
        << error;
    EXPECT_TRUE(AskWhilePumping(path, 2000));
}

TEST(ActivationSocket, AGuiThreadThatDoesNotAnswerIsANo) {
    const fs::path dir = FreshTestDir("pelmora-activation");
    const std::string path = (dir / "wizard.socket").string();
    std::atomic<int> asked{0};
    plat::CActivationListener listener;
    std::string error;
    ASSERT_TRUE(listener.Start(
        path,
        [&] {
            ++asked;
            return true;
        },
        error));
    // This thread runs no loop while the request waits.
    const auto start = Clock::now();
    EXPECT_FALSE(plat::RequestActivation(path, 300));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    // The listener stops while its question still waits for the GUI thread:
    // the question is dropped, not answered by a listener that is gone.
    const auto stop = Clock::now();
    listener.Stop();
    EXPECT_LT(Clock::now() - stop, std::chrono::milliseconds(500));
    plat::DispatchMessages(0);
    EXPECT_EQ(asked.load(), 0);
}

TEST(ActivationSocket, APathThatCannotBeASocketIsRefused) {
    plat::CActivationListener listener;
    std::string error;
    EXPECT_FALSE(listener.Start(
        std::string(200, 'x'), [] { return true; }, error));
    EXPECT_NE(error.find("too long"), std::string::npos) << error;
    EXPECT_FALSE(listener.Start(
        "/nonexistent-dir/wizard.socket", [] { return true; }, error));
    EXPECT_NE(error.find("/nonexistent-dir/wizard.socket"), std::string::npos) << error;
    EXPECT_FALSE(listener.Listening());
}

} // namespace
