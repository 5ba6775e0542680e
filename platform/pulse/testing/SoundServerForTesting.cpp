#include "platform/pulse/testing/SoundServerForTesting.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

namespace plat {

namespace {

long FirstVolume(const std::string& pactlOutput) {
    // "Volume: front-left: 32768 /  50% / ..."
    static const std::regex volume(R"(Volume:\s*[a-z-]+:\s*(\d+))");
    std::smatch m;
    return std::regex_search(pactlOutput, m, volume) ? std::stol(m[1]) : -1;
}

} // namespace

CSoundServerForTesting::~CSoundServerForTesting() {
    if (!m_dir.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
}

std::string CSoundServerForTesting::Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool CSoundServerForTesting::Run(const std::string& command, std::string* output) const {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return false;
    std::string text;
    char buffer[512];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        text.append(buffer, n);
    const int status = pclose(pipe);
    if (output)
        *output = text;
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool CSoundServerForTesting::MakeDirectory(const char* prefix, std::string& error) {
    if (!m_dir.empty())
        return true;
    std::string pattern =
        (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data())) {
        error = "cannot make a directory for the sound server";
        return false;
    }
    m_dir = pattern;
    return true;
}

bool CSoundServerForTesting::Pactl(const std::string& arguments, std::string& output) const {
    const bool ran = Run("pactl " + arguments, &output);
    while (!output.empty() && (output.back() == '\n' || output.back() == ' '))
        output.pop_back();
    return ran;
}

std::string CSoundServerForTesting::DefaultDevice(bool source, const std::string& expected) const {
    std::string name;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (Pactl(source ? "get-default-source" : "get-default-sink", name) && name != expected &&
           std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return name;
}

bool CSoundServerForTesting::SetDefaultDevice(bool source, const std::string& name) const {
    const std::string kind = source ? "source" : "sink";
    std::string out;
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (!Pactl("set-default-" + kind + " " + name, out))
            return false;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (Pactl("get-default-" + kind, out) && std::chrono::steady_clock::now() < end) {
            if (out == name)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    return false;
}

std::string CSoundServerForTesting::Diagnosis() const {
    std::string out;
    for (const pid_t child : m_children) {
        char name[64] = "";
        std::string comm;
        std::snprintf(name, sizeof name, "/proc/%d/comm", static_cast<int>(child));
        if (std::FILE* file = std::fopen(name, "r")) {
            if (std::fgets(name, sizeof name, file))
                comm = name;
            std::fclose(file);
        }
        while (!comm.empty() && comm.back() == '\n')
            comm.pop_back();
        out += "child " + std::to_string(child) + (comm.empty() ? " has ended" : " runs " + comm) +
               "\n";
    }
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir, ec)) {
        if (entry.path().extension() != ".log")
            continue;
        std::string log;
        Run("tail -c 1500 " + Quoted(entry.path().string()), &log);
        out += "--- " + entry.path().filename().string() + ":\n" + log + "\n";
    }
    return out + ServerState();
}

bool CSoundServerForTesting::Freeze(bool frozen) {
    const pid_t pid = ServerPid();
    return pid > 1 && ::kill(pid, frozen ? SIGSTOP : SIGCONT) == 0;
}

bool CSoundServerForTesting::UnloadModule(const std::string& index) const {
    std::string ignored;
    return !index.empty() && Pactl("unload-module " + index, ignored);
}

long CSoundServerForTesting::SinkVolume() const {
    std::string out;
    return Pactl(std::string("get-sink-volume ") + kSink, out) ? FirstVolume(out) : -1;
}

long CSoundServerForTesting::SourceVolume(const std::string& source) const {
    std::string out;
    return Pactl("get-source-volume " + source, out) ? FirstVolume(out) : -1;
}

bool CSoundServerForTesting::Spawn(const char* program, std::string& error) {
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

bool CSoundServerForTesting::KillLastChild() {
    if (m_children.empty())
        return false;
    const pid_t child = m_children.back();
    m_children.pop_back();
    ::kill(child, SIGKILL);
    return waitpid(child, nullptr, 0) == child;
}

void CSoundServerForTesting::StopChildren() {
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it) {
        ::kill(*it, SIGTERM);
        waitpid(*it, nullptr, 0);
    }
    m_children.clear();
}

bool CSoundServerForTesting::KillStranger(pid_t pid) {
    if (pid <= 1 || ::kill(pid, SIGKILL) != 0)
        return false;
    const std::string stat = "/proc/" + std::to_string(pid) + "/stat";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string text;
        std::getline(std::ifstream(stat), text);
        const std::size_t paren = text.rfind(')');
        if (text.empty() || (paren != std::string::npos && text.compare(paren, 3, ") Z") == 0))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

} // namespace plat
