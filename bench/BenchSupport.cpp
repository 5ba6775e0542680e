#include "bench/BenchSupport.h"

#include <cstdio>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <thread>

extern char** environ;

namespace bench {

namespace {

std::vector<char*> Pointers(const std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (const std::string& s : strings)
        pointers.push_back(const_cast<char*>(s.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

bool ChildRun::Succeeded() const {
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

pid_t SpawnChild(const std::vector<std::string>& args, const ChildOptions& options) {
    if (args.empty())
        return 0;
    std::vector<char*> argv = Pointers(args);
    std::vector<char*> envp = Pointers(options.environment);
    char** env = options.environment.empty() ? environ : envp.data();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (options.quiet) {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    }
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), env);
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : 0;
}

namespace {

void Account(const rusage& usage, ChildRun& run) {
    run.cpu = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    run.switches = usage.ru_nvcsw + usage.ru_nivcsw;
    run.peakKb = usage.ru_maxrss;
}

} // namespace

bool KillChild(pid_t pid, ChildRun& run) {
    kill(pid, SIGKILL);
    rusage usage{};
    if (wait4(pid, &run.status, 0, &usage) != pid)
        return false;
    Account(usage, run);
    return true;
}

bool RunChild(const std::vector<std::string>& args, ChildRun& run, const ChildOptions& options) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = SpawnChild(args, options);
    if (pid == 0)
        return false;
    const int timeoutSeconds = options.timeoutSeconds;
    // The watchdog sleeps beside the waiting, so the time taken is the
    // program's alone.
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    std::thread watchdog;
    if (timeoutSeconds > 0)
        watchdog = std::thread([&] {
            std::unique_lock<std::mutex> lock(mutex);
            if (!ended.wait_for(lock, std::chrono::seconds(timeoutSeconds), [&] { return done; }))
                kill(pid, SIGKILL);
        });
    rusage usage{};
    const pid_t waited = wait4(pid, &run.status, 0, &usage);
    if (watchdog.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            done = true;
        }
        ended.notify_one();
        watchdog.join();
    }
    if (waited != pid)
        return false;
    run.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    Account(usage, run);
    return true;
}

double Seconds(const timeval& t) {
    return t.tv_sec + t.tv_usec / 1e6;
}

double ProcessCpuSeconds(pid_t pid) {
    namespace fs = std::filesystem;
    double seconds = 0;
    std::error_code ec;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        std::FILE* file = std::fopen((task.path() / "schedstat").c_str(), "r");
        if (file == nullptr)
            continue;
        unsigned long long ns = 0;
        if (std::fscanf(file, "%llu", &ns) == 1)
            seconds += ns / 1e9;
        std::fclose(file);
    }
    return seconds;
}

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

Stretch MeasureStretch(pid_t pid, int seconds, const std::function<void(int ms)>& wait) {
    wait(1000);
    const double cpu = ProcessCpuSeconds(pid);
    const auto start = std::chrono::steady_clock::now();
    wait(seconds * 1000);
    Stretch m;
    m.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.cpu = ProcessCpuSeconds(pid) - cpu;
    return m;
}

bool MeasureChildStretch(const std::vector<std::string>& args, int seconds, Stretch& m) {
    ChildOptions options;
    options.quiet = true;
    const pid_t pid = SpawnChild(args, options);
    if (pid == 0)
        return false;
    m = MeasureStretch(pid, seconds,
                       [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); });
    int status = 0;
    const bool running = waitpid(pid, &status, WNOHANG) == 0;
    ChildRun run;
    KillChild(pid, run);
    return running;
}

void PrintStretch(const char* what, const Stretch& m) {
    std::printf("%-44s %6.3f %% of a core  (%.3f s CPU in %.2f s)\n", what, m.Percent(), m.cpu,
                m.wall);
}

namespace {
bool g_goalMissed = false;
} // namespace

bool Goal(const std::string& what, double value, double most) {
    const bool met = value > 0 && value <= most;
    std::printf("goal: %s %.2f, at most %.2f: %s\n", what.c_str(), value, most,
                met ? "met" : "MISSED");
    g_goalMissed = g_goalMissed || !met;
    return met;
}

int GoalsStatus() {
    return g_goalMissed ? kGoalMissed : 0;
}

double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace bench
