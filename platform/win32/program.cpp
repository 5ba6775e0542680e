// The program's file and the console of the shell on Windows (kernel32).
#include "platform/system/program.h"
#include "platform/win32/windows_api.h"

#include <cstdio>

namespace plat {

std::string GetModuleFileName() {
    std::string buffer(MAX_PATH, '\0');
    for (;;) {
        const ::DWORD n =
            ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<::DWORD>(buffer.size()));
        if (n == 0)
            return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

void FailWritesPastTheFileSizeLimit() {}

void UseParentConsole() {
    const auto given = [](::DWORD which) {
        const ::HANDLE handle = ::GetStdHandle(which);
        return handle != nullptr && handle != INVALID_HANDLE_VALUE;
    };
    const bool out = given(STD_OUTPUT_HANDLE);
    const bool err = given(STD_ERROR_HANDLE);
    if ((out && err) || !::AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    // std::cout and std::cerr write through stdout and stderr.
    if (!out)
        std::freopen("CONOUT$", "w", stdout);
    if (!err)
        std::freopen("CONOUT$", "w", stderr);
}

bool HasTerminal() {
    return ::GetConsoleWindow() != nullptr;
}

} // namespace plat
