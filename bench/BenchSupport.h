// What the whole-process benchmarks share: running a program to its end with
// the kernel's account of it, CPU clocks, and medians.
#pragma once

#include <sys/time.h>

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

// Runs `args` (the program found on PATH when it has no slash) to its end
// with `environment` ("NAME=value" entries; the benchmark's own when empty).
// A program still running after `timeoutSeconds` (0: no limit) is killed.
// False when it could not be started.
bool RunChild(const std::vector<std::string>& args, ChildRun& run,
              const std::vector<std::string>& environment = {}, int timeoutSeconds = 0);

double Seconds(const timeval& t);
// The CPU of the calling thread.
double ThreadCpuSeconds();
double Median(std::vector<double> values);

} // namespace bench
