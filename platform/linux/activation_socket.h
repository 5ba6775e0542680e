// One wizard per user, and a second start brings it to the front: the running
// program listens on a Unix-domain socket in the user's private directory,
// and a second start sends "activate" there. POSIX only (on Windows the
// second start finds the window itself).
#pragma once

#include "platform/types.h"

#include <functional>
#include <memory>
#include <string>

namespace plat {

class CActivationListener {
public:
    CActivationListener();
    ~CActivationListener(); // stops listening and removes the socket
    CActivationListener(const CActivationListener&) = delete;
    CActivationListener& operator=(const CActivationListener&) = delete;

    // Listens at `path` (a socket left there by a run that ended is replaced:
    // the caller holds the run's lock). Each request runs `answer` on the GUI
    // thread (PostToMainThread) and sends its result back. False with `error`
    // set when the socket cannot be made.
    bool Start(const std::string& path, std::function<bool()> answer, std::string& error);
    void Stop();
    bool Listening() const;

    struct State;

private:
    std::shared_ptr<State> m_state;
};

// Asks the program listening at `path` to bring its window to the front. True
// when it answered, within timeoutMs, that it did; false when nobody listens,
// it said no, or it did not answer in time.
bool RequestActivation(const std::string& path, DWORD timeoutMs);

} // namespace plat
