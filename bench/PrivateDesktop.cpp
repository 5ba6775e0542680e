#include "bench/PrivateDesktop.h"

#include "bench/WindowPinger.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <vector>

extern char** environ;

namespace bench {

namespace {

void End(pid_t& pid) {
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        pid = 0;
    }
}

} // namespace

CPrivateDesktop::~CPrivateDesktop() {
    End(m_manager);
    End(m_server);
}

bool CPrivateDesktop::Start(std::string& error) {
    // Xvfb writes the number of the display it took to descriptor 3.
    int fds[2];
    if (pipe(fds) != 0) {
        error = "no pipe for Xvfb";
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const char* xvfb[] = {"Xvfb",        "-displayfd", "3",   "-screen", "0",
                          "1280x800x24", "-nolisten",  "tcp", nullptr};
    const int spawned =
        posix_spawnp(&m_server, "Xvfb", &actions, nullptr, const_cast<char**>(xvfb), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string number;
    if (spawned == 0) {
        pollfd fd{fds[0], POLLIN, 0};
        char c = 0;
        while (poll(&fd, 1, 10000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
    }
    close(fds[0]);
    if (spawned != 0 || number.empty()) {
        m_server = spawned == 0 ? m_server : 0;
        End(m_server);
        error = "Xvfb did not start (is it installed?)";
        return false;
    }
    m_display = ":" + number;
    setenv("DISPLAY", m_display.c_str(), 1);
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    const char* openbox[] = {"openbox", nullptr};
    const int managed = posix_spawnp(&m_manager, "openbox", &actions, nullptr,
                                     const_cast<char**>(openbox), environ);
    posix_spawn_file_actions_destroy(&actions);
    CWindowPinger watcher;
    if (managed != 0 || !watcher.Connect(m_display, error) ||
        !watcher.WaitForWindowManager(std::chrono::seconds(10))) {
        m_manager = managed == 0 ? m_manager : 0;
        error = "openbox did not start on " + m_display + (error.empty() ? "" : ": " + error);
        return false;
    }
    return true;
}

} // namespace bench
