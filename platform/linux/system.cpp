// Paths of the program and the tick count.
#include "platform/system.h"

#include <chrono>
#include <thread>
#include <unistd.h>

namespace plat {

std::string GetModuleFileName() {
    std::string buffer(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size())
        return {};
    buffer.resize(static_cast<std::size_t>(n));
    return buffer;
}

std::string GetModuleDirectory() {
    const std::string file = GetModuleFileName();
    const std::size_t slash = file.rfind(kPathSeparator);
    if (slash == std::string::npos)
        return WithTrailingSeparator(".");
    return file.substr(0, slash + 1);
}

DWORD GetTickCount() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
    return static_cast<DWORD>(static_cast<std::uint64_t>(ms));
}

void Sleep(DWORD ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void UseParentConsole() {}

bool HasTerminal() {
    return ::isatty(STDIN_FILENO) == 1 || ::isatty(STDERR_FILENO) == 1;
}

} // namespace plat
