// A window manager's view of a program starting: the benchmark's own X
// connection waits for the program's top-level window to be managed (listed
// in the window manager's _NET_CLIENT_LIST with the program's _NET_WM_PID),
// then pings it as a window manager does (_NET_WM_PING), each ping after the
// last answer. A window answers only when its GUI thread gets to its events,
// so the answers say when the window is usable, not merely shown.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>

struct xcb_connection_t;

namespace bench {

class CWindowPinger {
public:
    using Clock = std::chrono::steady_clock;

    CWindowPinger() = default;
    CWindowPinger(const CWindowPinger&) = delete;
    CWindowPinger& operator=(const CWindowPinger&) = delete;
    ~CWindowPinger();

    // Connects to `display` (":93"); false with `error` set when it cannot.
    bool Connect(const std::string& display, std::string& error);
    // True once a window manager announces itself on the display
    // (_NET_SUPPORTING_WM_CHECK), within `timeout`.
    bool WaitForWindowManager(std::chrono::milliseconds timeout);

    struct Usable {
        Clock::time_point managed;  // the window listed by the window manager
        Clock::time_point answered; // the last ping answered
        std::string title;          // its _NET_WM_NAME
    };
    // Waits for a window of process `pid` to be managed, then pings it
    // `pings` times; false with `error` set when that does not happen
    // before `deadline`.
    bool WaitUsable(pid_t pid, int pings, Clock::time_point deadline, Usable& usable,
                    std::string& error);

private:
    unsigned Atom(const char* name);
    unsigned FindWindowOf(pid_t pid);
    std::string TitleOf(unsigned window);
    // Waits for the next event until `deadline`; false when none came. The
    // event is freed by the caller.
    bool NextEvent(Clock::time_point deadline, void** event);

    xcb_connection_t* m_connection = nullptr;
    unsigned m_root = 0;
    unsigned m_clientList = 0, m_pid = 0, m_protocols = 0, m_ping = 0, m_name = 0, m_utf8 = 0,
             m_check = 0;
    unsigned m_serial = 0;
};

} // namespace bench
