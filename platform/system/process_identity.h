// Who a process is, in a form that survives the process: its id, the boot it
// ran in and its start time. A process id alone is reused; the three together
// name one process for good, so a record left by a process that is gone is
// never taken for a living one that happens to have the same id.
#pragma once

#include <string>

namespace plat {

struct ProcessIdentity {
    long pid = 0;
    std::string bootId;           // the kernel's random id of this boot
    unsigned long long start = 0; // start time, in clock ticks since boot
};

// The running process.
ProcessIdentity CurrentProcess();

// True while the named process runs: same boot, the id in use and started at
// the recorded time. A zombie counts as gone.
bool IsProcessAlive(const ProcessIdentity& process);

} // namespace plat
