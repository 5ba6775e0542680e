#include "fuzz/FuzzSupport.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fuzz {

namespace {

std::string MakeScratchDir() {
    std::string base = "/dev/shm";
    struct stat st;
    if (::stat(base.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
        ::access(base.c_str(), W_OK) != 0) {
        const char* tmp = std::getenv("TMPDIR");
        base = tmp && *tmp ? tmp : "/tmp";
    }
    std::string pattern = base + "/pelmora-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::fprintf(stderr, "fuzz: cannot make a scratch directory in %s: %s\n", base.c_str(),
                     std::strerror(errno));
        std::abort();
    }
    return pattern + "/";
}

void RemoveScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(ScratchDir(), ec);
}

} // namespace

const std::string& ScratchDir() {
    // Never destroyed: the exit handler that removes the directory runs after
    // the destructors of function statics made before it was registered.
    static const std::string* const dir = [] {
        const auto* made = new std::string(MakeScratchDir());
        std::atexit(RemoveScratchDir);
        return made;
    }();
    return *dir;
}

std::string WriteInput(const std::string& name, const std::uint8_t* data, std::size_t size) {
    const std::string path = ScratchDir() + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    bool ok = f != nullptr;
    if (ok) {
        ok = size == 0 || std::fwrite(data, 1, size, f) == size;
        ok = std::fclose(f) == 0 && ok;
    }
    if (!ok)
        Fail("fuzz", "cannot write the input to " + path);
    return path;
}

void RemoveEntry(const std::string& name) {
    std::error_code ec;
    std::filesystem::remove_all(ScratchDir() + name, ec);
}

std::string ListDirectory(const std::string& dir) {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(ScratchDir() + dir, ec))
        names.insert(entry.path().filename().string());
    std::string list;
    for (const std::string& name : names)
        list += (list.empty() ? "" : " ") + name;
    return list;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

void Fail(const char* target, const std::string& what) {
    std::fprintf(stderr, "%s: %s\n", target, what.c_str());
    std::fflush(stderr);
    std::abort();
}

} // namespace fuzz
