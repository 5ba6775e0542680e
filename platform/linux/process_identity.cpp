#include "platform/system/process_identity.h"

#include <fstream>
#include <sstream>
#include <unistd.h>

namespace plat {

namespace {

std::string BootId() {
    std::ifstream in("/proc/sys/kernel/random/boot_id");
    std::string id;
    std::getline(in, id);
    return id;
}

// The state and start time of a process from /proc/PID/stat. The command name
// (field 2) may hold blanks and parentheses, so the fields are counted from
// its last closing parenthesis.
bool ReadStat(long pid, char& state, unsigned long long& start) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(in, line))
        return false;
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos)
        return false;
    std::istringstream fields(line.substr(close + 1));
    // Field 3 is the state; the start time is field 22.
    fields >> state;
    std::string skip;
    for (int field = 4; field < 22; ++field)
        fields >> skip;
    fields >> start;
    return static_cast<bool>(fields);
}

} // namespace

ProcessIdentity CurrentProcess() {
    ProcessIdentity self;
    self.pid = static_cast<long>(::getpid());
    self.bootId = BootId();
    char state = 0;
    ReadStat(self.pid, state, self.start);
    return self;
}

bool IsProcessAlive(const ProcessIdentity& process) {
    if (process.pid <= 0 || process.bootId != BootId())
        return false;
    char state = 0;
    unsigned long long start = 0;
    if (!ReadStat(process.pid, state, start))
        return false;
    return start == process.start && state != 'Z' && state != 'X';
}

} // namespace plat
