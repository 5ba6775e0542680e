// The program's file, the tick count, sleeping and the console of the shell
// on Windows (kernel32).
#include "platform/system.h"
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

std::string GetModuleDirectory() {
    const std::string file = GetModuleFileName();
    const std::size_t slash = file.find_last_of("\\/");
    if (slash == std::string::npos)
        return WithTrailingSeparator(".");
    return file.substr(0, slash + 1);
}

DWORD GetTickCount() {
    return static_cast<::DWORD>(::GetTickCount64());
}

void Sleep(DWORD ms) {
    ::Sleep(ms);
}

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
