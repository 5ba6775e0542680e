// Run-time loading of shared libraries under their Windows names.
#include "platform/system/library.h"
#include "platform/files/paths.h"
#include "platform/system/program.h"

#include <dlfcn.h>

#include <string>
#include <vector>

// Where an installed program keeps its own libraries, relative to the
// program's directory (from the build: "../lib/pelmora" or the like), so an
// installed tree can be moved as a whole.
#ifndef PELMORA_LIBRARY_DIR_FROM_PROGRAM
#define PELMORA_LIBRARY_DIR_FROM_PROGRAM ""
#endif

namespace plat {

namespace {

// The program's own places for a library, in the order they are searched:
// beside the program (the build tree), then its install library directory.
std::vector<std::string> ProgramLibraryDirectories() {
    const std::string programDir = GetModuleDirectory();
    std::vector<std::string> dirs{programDir};
    const std::string fromProgram = PELMORA_LIBRARY_DIR_FROM_PROGRAM;
    if (!programDir.empty() && !fromProgram.empty())
        dirs.push_back(WithTrailingSeparator(programDir + fromProgram));
    return dirs;
}

// "Trace.dll" -> "libTrace.so"; other names are used as they stand.
std::string SharedLibraryFileName(const std::string& name) {
    const std::string suffix = ".dll";
    if (name.size() > suffix.size()) {
        std::string tail = name.substr(name.size() - suffix.size());
        for (char& c : tail)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (tail == suffix)
            return "lib" + name.substr(0, name.size() - suffix.size()) + ".so";
    }
    return name;
}

} // namespace

HMODULE LoadLibrary(const char* name) {
    if (name == nullptr || name[0] == '\0')
        return nullptr;
    const std::string native = NativePath(name);
    const std::size_t slash = native.rfind(kPathSeparator);
    const std::string dir =
        slash == std::string::npos ? std::string() : native.substr(0, slash + 1);
    const std::string file = SharedLibraryFileName(native.substr(dir.size()));

    void* handle = nullptr;
    if (!dir.empty()) {
        handle = ::dlopen((dir + file).c_str(), RTLD_NOW | RTLD_LOCAL);
    } else {
        for (const std::string& programDir : ProgramLibraryDirectories()) {
            const std::string candidate = programDir + file;
            if (FileExists(candidate))
                handle = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (handle != nullptr)
                break;
        }
        if (handle == nullptr)
            handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    return static_cast<HMODULE>(handle);
}

HMODULE LoadSystemLibrary(const char* file, std::string& error) {
    void* handle = ::dlopen(file, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = ::dlerror();
        error = reason != nullptr ? reason : std::string(file) + " cannot be loaded";
    }
    return static_cast<HMODULE>(handle);
}

void* GetProcAddress(HMODULE module, const char* name) {
    if (module == nullptr || name == nullptr)
        return nullptr;
    ::dlerror();
    return ::dlsym(module, name);
}

BOOL FreeLibrary(HMODULE module) {
    if (module == nullptr)
        return 0;
    return ::dlclose(module) == 0 ? 1 : 0;
}

} // namespace plat
