// The program's file (/proc/self/exe) and its terminal.
#include "platform/system/program.h"

#include <csignal>
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

void UseParentConsole() {}

void FailWritesPastTheFileSizeLimit() {
    // The write then fails with EFBIG ("File too large"), which every writer
    // reports with the file's name.
    ::signal(SIGXFSZ, SIG_IGN);
}

bool HasTerminal() {
    return ::isatty(STDIN_FILENO) == 1 || ::isatty(STDERR_FILENO) == 1;
}

} // namespace plat
