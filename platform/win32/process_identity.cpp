// Who a process is on Windows: its id and its creation time, an absolute
// time that no later process with the same id shares, whatever boot it ran
// in. The boot id is the system's name for that clock.
#include "platform/system/process_identity.h"

#include "platform/win32/windows_api.h"

namespace plat {

namespace {

constexpr const char* kBootId = "windows-creation-time";

bool CreationTime(HANDLE process, unsigned long long& start) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user))
        return false;
    start = (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
    return true;
}

} // namespace

ProcessIdentity CurrentProcess() {
    ProcessIdentity self;
    self.pid = static_cast<long>(::GetCurrentProcessId());
    self.bootId = kBootId;
    CreationTime(::GetCurrentProcess(), self.start);
    return self;
}

bool IsProcessAlive(const ProcessIdentity& process) {
    if (process.pid <= 0 || process.bootId != kBootId)
        return false;
    HANDLE handle =
        ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<::DWORD>(process.pid));
    if (handle == nullptr)
        return false;
    ::DWORD code = 0;
    unsigned long long start = 0;
    const bool alive = ::GetExitCodeProcess(handle, &code) && code == STILL_ACTIVE &&
                       CreationTime(handle, start) && start == process.start;
    ::CloseHandle(handle);
    return alive;
}

} // namespace plat
