// An X desktop of the benchmark's own: Xvfb on a free display (it picks the
// number and says it) with openbox managing its windows, ended with the
// object. What the programs timed on it meet is what they meet on a user's
// small desktop: a real X server and a window manager that reparents,
// decorates and pings.
#pragma once

#include <sys/types.h>

#include <string>

namespace bench {

class CPrivateDesktop {
public:
    CPrivateDesktop() = default;
    CPrivateDesktop(const CPrivateDesktop&) = delete;
    CPrivateDesktop& operator=(const CPrivateDesktop&) = delete;
    ~CPrivateDesktop();

    // False with `error` set when Xvfb or openbox cannot start here.
    bool Start(std::string& error);
    const std::string& Display() const { return m_display; } // ":93"

private:
    pid_t m_server = 0;
    pid_t m_manager = 0;
    std::string m_display;
};

} // namespace bench
