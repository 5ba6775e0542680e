#include "tests/support/HostCommand.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#if defined(_WIN32)
#include <windows.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>
#else
#include <sys/wait.h>
#endif

namespace hostcmd {

std::string HostPath(const std::filesystem::path& path) {
#if defined(_WIN32)
    using UnixName = char*(__cdecl*)(const wchar_t*);
    static const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (unixName == nullptr)
        return path.string();
    char* name = unixName(std::filesystem::absolute(path).wstring().c_str());
    if (name == nullptr)
        return path.string();
    std::string result = name;
    ::HeapFree(::GetProcessHeap(), 0, name);
    return result;
#else
    return path.string();
#endif
}

int Run(const std::string& command, std::string* output) {
#if defined(_WIN32)
    namespace fs = std::filesystem;
    static std::atomic<int> s_count{0};
    const fs::path dir =
        fs::temp_directory_path() / ("pelmora-host-" + std::to_string(::GetCurrentProcessId()) +
                                     "-" + std::to_string(s_count++));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string out = HostPath(dir / "out");
    const std::string err = HostPath(dir / "err");
    const std::string status = HostPath(dir / "status");
    std::ofstream(dir / "run.sh", std::ios::binary)
        << "( " << command << " ) >'" << out << "' 2>'" << err << "'\n"
        << "echo $? >'" << status << ".part' && mv '" << status << ".part' '" << status << "'\n";
    std::string line = "/bin/sh \"" + HostPath(dir / "run.sh") + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process))
        return -1;
    if (process.hThread != nullptr)
        ::CloseHandle(process.hThread);
    if (process.hProcess != nullptr)
        ::CloseHandle(process.hProcess);
    int code = -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream file(dir / "status");
        if (file >> code)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const auto read = [&dir](const char* name) {
        std::ostringstream text;
        text << std::ifstream(dir / name, std::ios::binary).rdbuf();
        return text.str();
    };
    if (output != nullptr)
        *output = read("out");
    else
        std::cout << read("out");
    std::cerr << read("err");
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    return code;
#else
    if (output == nullptr) {
        const int status = std::system(command.c_str());
        return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return -1;
    std::string text;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, n);
    const int status = ::pclose(pipe);
    *output = text;
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

bool Have(const std::string& program) {
    std::string ignored;
    return Run("command -v " + program, &ignored) == 0;
}

} // namespace hostcmd
