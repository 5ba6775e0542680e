// The activation socket: a listening Unix-domain socket served by a thread of
// its own, whose requests are answered on the GUI thread.
#include "platform/linux/activation_socket.h"

#include "platform/system/message_loop.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace plat {

namespace {

constexpr char kRequest[] = "activate\n";
constexpr char kYes[] = "ok\n";
constexpr char kNo[] = "no\n";
// How long the listener waits for a request's line, and for the GUI thread.
constexpr int kReadMs = 1000;
constexpr auto kAnswerTime = std::chrono::seconds(3);

bool Address(const std::string& path, sockaddr_un& address, std::string& error) {
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path)) {
        error = "the socket path \"" + path + "\" is empty or too long";
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// Up to the first newline, or what came within ms milliseconds.
std::string ReadLine(int fd, int ms) {
    std::string line;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (line.size() < 64 && line.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              end - std::chrono::steady_clock::now())
                              .count();
        pollfd p{fd, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0)
            break;
        char buffer[64];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        line.append(buffer, static_cast<std::size_t>(n));
    }
    return line;
}

void Send(int fd, const char* text) {
    (void)::send(fd, text, std::strlen(text), MSG_NOSIGNAL);
}

} // namespace

struct CActivationListener::State {
    std::string path;
    int listenFd = -1;
    int wake[2] = {-1, -1};
    std::thread thread;
    std::function<bool()> answer; // used on the GUI thread only
    bool stopped = false;         // likewise

    // Between the serving thread and the GUI thread: the answer to the
    // request waiting, and whether the listener is closing.
    std::mutex mutex;
    std::condition_variable changed;
    bool closing = false;

    struct Pending {
        bool answered = false;
        bool result = false;
    };

    static void Serve(std::shared_ptr<State> state) {
        for (;;) {
            pollfd p[2] = {{state->listenFd, POLLIN, 0}, {state->wake[0], POLLIN, 0}};
            if (::poll(p, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                return;
            }
            if (p[1].revents != 0)
                return;
            const int client = ::accept4(state->listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            const bool asked = ReadLine(client, kReadMs) == kRequest;
            Send(client, asked && AskGuiThread(state) ? kYes : kNo);
            ::close(client);
        }
    }

    // The GUI thread's answer; no when it does not come in time or the
    // listener closes meanwhile.
    static bool AskGuiThread(const std::shared_ptr<State>& state) {
        auto pending = std::make_shared<Pending>();
        PostToMainThread([state, pending] {
            const bool result = !state->stopped && state->answer && state->answer();
            std::lock_guard lock(state->mutex);
            pending->result = result;
            pending->answered = true;
            state->changed.notify_all();
        });
        std::unique_lock lock(state->mutex);
        state->changed.wait_for(lock, kAnswerTime,
                                [&] { return pending->answered || state->closing; });
        return pending->answered && pending->result;
    }
};

CActivationListener::CActivationListener() = default;

CActivationListener::~CActivationListener() {
    Stop();
}

bool CActivationListener::Listening() const {
    return m_state != nullptr;
}

bool CActivationListener::Start(const std::string& path, std::function<bool()> answer,
                                std::string& error) {
    Stop();
    sockaddr_un address;
    if (!Address(path, address, error))
        return false;
    auto state = std::make_shared<State>();
    state->path = path;
    state->answer = std::move(answer);
    state->listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (state->listenFd < 0 || ::pipe2(state->wake, O_CLOEXEC) != 0) {
        error = std::string("cannot make a socket: ") + std::strerror(errno);
        if (state->listenFd >= 0)
            ::close(state->listenFd);
        return false;
    }
    // A socket left by a run that ended: nobody listens there any more.
    ::unlink(path.c_str());
    if (::bind(state->listenFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(state->listenFd, 4) != 0) {
        error = "cannot listen at " + path + ": " + std::strerror(errno);
        ::close(state->listenFd);
        ::close(state->wake[0]);
        ::close(state->wake[1]);
        return false;
    }
    state->thread = std::thread(&State::Serve, state);
    m_state = std::move(state);
    return true;
}

void CActivationListener::Stop() {
    if (!m_state)
        return;
    State& s = *m_state;
    s.stopped = true;
    {
        std::lock_guard lock(s.mutex);
        s.closing = true;
        s.changed.notify_all();
    }
    // One byte wakes the listening thread's poll; only a signal stops it.
    while (::write(s.wake[1], "x", 1) < 0 && errno == EINTR) {
    }
    s.thread.join();
    ::close(s.listenFd);
    ::close(s.wake[0]);
    ::close(s.wake[1]);
    ::unlink(s.path.c_str());
    m_state.reset();
}

bool RequestActivation(const std::string& path, DWORD timeoutMs) {
    sockaddr_un address;
    std::string error;
    if (!Address(path, address, error))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    bool yes = false;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        Send(fd, kRequest);
        yes = ReadLine(fd, static_cast<int>(timeoutMs)) == kYes;
    }
    ::close(fd);
    return yes;
}

} // namespace plat
