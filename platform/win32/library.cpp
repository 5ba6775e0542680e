// Libraries loaded at run time: the program's own beside the program first
// ("Trace.dll"), system libraries from the system directory only.
#include "platform/system/library.h"
#include "platform/files/paths.h"
#include "platform/system/program.h"
#include "platform/win32/system_error.h"
#include "platform/win32/windows_api.h"

namespace plat {

HMODULE LoadLibrary(const char* name) {
    if (name == nullptr || name[0] == '\0')
        return nullptr;
    const std::string native = NativePath(name);
    HMODULE__* handle = nullptr;
    if (native.find_first_of("\\/:") == std::string::npos) {
        const std::string beside = GetModuleDirectory() + native;
        if (FileExists(beside))
            handle = reinterpret_cast<HMODULE__*>(
                ::LoadLibraryExA(beside.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    }
    if (handle == nullptr)
        handle = reinterpret_cast<HMODULE__*>(::LoadLibraryA(native.c_str()));
    return handle;
}

HMODULE LoadSystemLibrary(const char* file, std::string& error) {
    auto* handle =
        reinterpret_cast<HMODULE__*>(::LoadLibraryExA(file, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (handle == nullptr)
        error = std::string(file) + ": " + LastErrorText();
    return handle;
}

void* GetProcAddress(HMODULE module, const char* name) {
    if (module == nullptr || name == nullptr)
        return nullptr;
    return reinterpret_cast<void*>(::GetProcAddress(reinterpret_cast<::HMODULE>(module), name));
}

BOOL FreeLibrary(HMODULE module) {
    if (module == nullptr)
        return 0;
    return ::FreeLibrary(reinterpret_cast<::HMODULE>(module)) ? 1 : 0;
}

} // namespace plat
