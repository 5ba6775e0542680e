// The program's file, the tick count, sleeping and the product version on
// Windows: kernel32 and the version resource (version.dll).
#include "platform/system.h"
#include "platform/system_testing.h"
#include "platform/win32/windows_api.h"

#include <mutex>
#include <optional>
#include <vector>

#ifndef PELMORA_VERSION
#define PELMORA_VERSION ""
#endif

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

namespace {

std::mutex& VersionMutex() {
    static std::mutex m;
    return m;
}
std::optional<std::string>& VersionOverride() {
    static std::optional<std::string> v;
    return v;
}

// ProductVersion of the program's version resource in its first language;
// empty when the program has none.
std::string ResourceProductVersion() {
    const std::string file = GetModuleFileName();
    ::DWORD handle = 0;
    const ::DWORD size = ::GetFileVersionInfoSizeA(file.c_str(), &handle);
    if (size == 0)
        return {};
    std::vector<char> info(size);
    if (!::GetFileVersionInfoA(file.c_str(), 0, size, info.data()))
        return {};
    struct Translation {
        ::WORD language;
        ::WORD codePage;
    };
    Translation* translations = nullptr;
    UINT length = 0;
    if (!::VerQueryValueA(info.data(), "\\VarFileInfo\\Translation",
                          reinterpret_cast<void**>(&translations), &length) ||
        length < sizeof(Translation))
        return {};
    char key[64];
    wsprintfA(key, "\\StringFileInfo\\%04x%04x\\ProductVersion", translations[0].language,
              translations[0].codePage);
    char* text = nullptr;
    if (!::VerQueryValueA(info.data(), key, reinterpret_cast<void**>(&text), &length) ||
        length == 0)
        return {};
    return std::string(text, ::strnlen(text, length));
}

} // namespace

std::string GetProductVersion() {
    std::lock_guard lock(VersionMutex());
    if (VersionOverride())
        return *VersionOverride();
    const std::string version = ResourceProductVersion();
    return version.empty() ? PELMORA_VERSION : version;
}

void SetProductVersionForTesting(const char* version) {
    std::lock_guard lock(VersionMutex());
    if (version != nullptr)
        VersionOverride() = version;
    else
        VersionOverride().reset();
}

} // namespace plat
