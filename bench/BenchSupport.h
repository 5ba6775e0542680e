// What the whole-process benchmarks share: running a program to its end with
// the kernel's account of it, CPU clocks, and medians.
#pragma once

#include <sys/time.h>
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace bench {

struct ChildRun {
    double wall = 0;   // seconds from the spawn to the end
    double cpu = 0;    // seconds of CPU, user and system
    long switches = 0; // context switches, voluntary and not
    long peakKb = 0;   // the largest resident set, in KiB
    int status = 0;    // as wait4 gives it
    bool Succeeded() const;
};

struct ChildOptions {
    std::vector<std::string> environment; // "NAME=value"; the benchmark's own when empty
    int timeoutSeconds = 0;               // killed when still running then; 0: no limit
    bool quiet = false;                   // its output and errors go to /dev/null
};

// Runs `args` (the program found on PATH when it has no slash) to its end.
// False when it could not be started.
bool RunChild(const std::vector<std::string>& args, ChildRun& run,
              const ChildOptions& options = {});
// Starts `args` as RunChild does (the timeout is not used); 0 when it could
// not be started.
pid_t SpawnChild(const std::vector<std::string>& args, const ChildOptions& options = {});
// Ends a child SpawnChild started (SIGKILL) and gives the kernel's account of
// it; `run.wall` is left as it was.
bool KillChild(pid_t pid, ChildRun& run);

double Seconds(const timeval& t);
// The CPU a running process has had so far, all its threads living now
// (from /proc, to the nanosecond); 0 when it cannot be read. The same
// count for the benchmark's own process and for a child, so two programs
// are measured alike over the same stretch.
double ProcessCpuSeconds(pid_t pid);
// The CPU of the calling thread.
double ThreadCpuSeconds();

// A process's CPU over a stretch of a steady job (recording, playing).
struct Stretch {
    double cpu = 0;  // seconds of CPU, all threads
    double wall = 0; // seconds
    double Percent() const { return wall > 0 ? 100.0 * cpu / wall : 0; }
};
// The CPU of process `pid` over `seconds` after a second of warm-up, while
// `wait(ms)` lets the time pass (the benchmark's own event loop when it is
// the process measured).
Stretch MeasureStretch(pid_t pid, int seconds, const std::function<void(int ms)>& wait);
// Starts `args` quietly, measures it over a stretch as above, kills it;
// false when it could not start or had ended before the stretch did.
bool MeasureChildStretch(const std::vector<std::string>& args, int seconds, Stretch& m);
void PrintStretch(const char* what, const Stretch& m);
double Median(std::vector<double> values);

// Prints a figure beside its goal ("goal: ratio wizard / bare dialog 1.48,
// at most 1.30: MISSED") and remembers a missed one; a figure that could not
// be measured (not above 0) misses.
bool Goal(const std::string& what, double value, double most);
// The benchmark's exit status: 0 when every goal was met, kGoalMissed when one
// was not.
inline constexpr int kGoalMissed = 3;
int GoalsStatus();

} // namespace bench
