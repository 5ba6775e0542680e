#include "platform/pulse/testing/PipeWireServerForTesting.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace plat {

namespace {

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace

CPipeWireServerForTesting::~CPipeWireServerForTesting() {
    Stop();
    if (!m_dir.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
}

bool CPipeWireServerForTesting::Run(const std::string& command, std::string* output) const {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return false;
    std::string text;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe))
        text += buffer;
    const int status = pclose(pipe);
    if (output)
        *output = text;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool CPipeWireServerForTesting::Pactl(const std::string& arguments, std::string& output) const {
    return Run("pactl " + arguments, &output);
}

std::string CPipeWireServerForTesting::LoadNullDevice(bool source, const std::string& name,
                                                      const std::string& description) const {
    // A source is a null sink of the source class: what it records is silence.
    std::string index;
    if (!Pactl(std::string("load-module module-null-sink ") +
                   (source ? "media.class=Audio/Source/Virtual " : "") +
                   "sink_name=" + Quoted(name) + " " +
                   Quoted("sink_properties='device.description=\"" + description + "\"'"),
               index))
        return "";
    while (!index.empty() && (index.back() == '\n' || index.back() == ' '))
        index.pop_back();
    return index;
}

long CPipeWireServerForTesting::SinkVolume() const {
    std::string out;
    if (!Pactl(std::string("get-sink-volume ") + kSink, out))
        return -1;
    // "Volume: front-left: 32768 /  50% / ..."
    const std::size_t colon = out.find(": ", out.find("front-left"));
    return colon == std::string::npos ? -1 : std::atol(out.c_str() + colon + 2);
}

bool CPipeWireServerForTesting::Spawn(const char* program, std::string& error) {
    const pid_t pid = fork();
    if (pid < 0) {
        error = std::string("cannot start ") + program;
        return false;
    }
    if (pid == 0) {
        const std::string log = m_dir + "/" + program + ".log";
        if (std::freopen(log.c_str(), "w", stdout) && std::freopen(log.c_str(), "a", stderr))
            execlp(program, program, static_cast<char*>(nullptr));
        _exit(127);
    }
    m_children.push_back(pid);
    return true;
}

bool CPipeWireServerForTesting::Start(std::string& error) {
    for (const char* program : {"pipewire", "wireplumber", "pipewire-pulse", "dbus-daemon"})
        if (!Run(std::string("command -v ") + program, nullptr)) {
            error = std::string(program) + " is not installed";
            return false;
        }
    std::string pattern =
        (std::filesystem::temp_directory_path() / "pelmora-pipewire-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        error = "no temporary directory";
        return false;
    }
    m_dir = pattern;
    const std::string runtime = m_dir + "/run";
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    setenv("HOME", m_dir.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (m_dir + "/config").c_str(), 1);
    setenv("XDG_STATE_HOME", (m_dir + "/state").c_str(), 1);
    setenv("PULSE_SERVER", ("unix:" + runtime + "/pulse/native").c_str(), 1);

    std::string bus;
    if (!Run("dbus-daemon --session --fork --print-address=1 --print-pid=1", &bus)) {
        error = "the private D-Bus session bus did not start: " + bus;
        return false;
    }
    const std::size_t newline = bus.find('\n');
    m_bus = static_cast<pid_t>(std::atol(bus.c_str() + newline + 1));
    setenv("DBUS_SESSION_BUS_ADDRESS", bus.substr(0, newline).c_str(), 1);

    if (!Spawn("pipewire", error))
        return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    if (!Spawn("wireplumber", error) || !Spawn("pipewire-pulse", error))
        return false;
    std::string out;
    bool answers = false;
    for (int i = 0; i < 50 && !answers; ++i) {
        answers = Pactl("info", out);
        if (!answers)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!answers) {
        error = "pipewire-pulse does not answer: " + out;
        return false;
    }
    if (LoadNullDevice(false, kSink, kSinkDescription).empty() ||
        LoadNullDevice(true, kSource, kSourceDescription).empty()) {
        error = "null devices cannot be loaded";
        return false;
    }
    // The devices appear once the session manager has seen them, and it
    // makes them the defaults a little later (until then the server names
    // its defaults "@DEFAULT_SINK@" and "@DEFAULT_SOURCE@").
    std::string sink, source;
    for (int i = 0; i < 100; ++i) {
        if (Pactl("list short sources", out) && out.find(kSource) != std::string::npos &&
            out.find(std::string(kSink) + ".monitor") != std::string::npos &&
            Pactl("get-default-sink", sink) && sink.find(kSink) == 0 &&
            Pactl("get-default-source", source) && source.find(kSource) == 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    error = "the null devices did not appear as the defaults: " + out + sink + source;
    return false;
}

bool CPipeWireServerForTesting::Kill() {
    if (m_children.size() < 3)
        return false;
    const pid_t pulse = m_children.back(); // started last
    m_children.pop_back();
    ::kill(pulse, SIGKILL);
    return waitpid(pulse, nullptr, 0) == pulse;
}

void CPipeWireServerForTesting::Stop() {
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it) {
        kill(*it, SIGTERM);
        waitpid(*it, nullptr, 0);
    }
    m_children.clear();
    if (m_bus > 0)
        kill(m_bus, SIGTERM);
    m_bus = 0;
}

} // namespace plat
