// File helpers that accept either separator: a path is made native by
// turning the other separator into the system's. Private directories are the
// system's own (linux/paths.cpp, win32/paths.cpp); so are the temporary
// directory's checks, refused in the words both share here.
#include "platform/files/paths.h"
#include "platform/files/system_files.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace plat {

std::string NativePath(const std::string& path) {
    std::string native = path;
    std::replace(native.begin(), native.end(), kPathSeparator == '/' ? '\\' : '/', kPathSeparator);
    return native;
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(NativePath(path), ec);
    return !ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

bool DirectoryExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(NativePath(path), ec) && !ec;
}

bool DeleteFile(const std::string& path) {
    if (!FileExists(path))
        return false;
    std::error_code ec;
    return std::filesystem::remove(NativePath(path), ec) && !ec;
}

bool CreateDirectories(const std::string& path) {
    const std::string native = NativePath(path);
    if (native.empty())
        return false;
    std::error_code ec;
    std::filesystem::create_directories(native, ec);
    return !ec && std::filesystem::is_directory(native, ec);
}

std::string WithTrailingSeparator(const std::string& dir) {
    if (!dir.empty() && (dir.back() == kPathSeparator || dir.back() == '\\'))
        return dir;
    return dir + kPathSeparator;
}

bool StaysInsideDirectory(const std::string& relative) {
    if (relative.empty() || relative.front() == '/' || relative.front() == '\\')
        return false;
    if (relative.find(':') != std::string::npos || relative.find('\0') != std::string::npos)
        return false;
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t end = relative.find_first_of("/\\", start);
        if (end == std::string::npos)
            end = relative.size();
        // ".." climbs out; Windows also reads "...", ". ." and the like, dots
        // and blanks only, as "..".
        const std::string part = relative.substr(start, end - start);
        if (part.find_first_not_of(". ") == std::string::npos &&
            std::count(part.begin(), part.end(), '.') >= 2)
            return false;
        start = end + 1;
    }
    return true;
}

namespace files {

bool RefuseTempDirectory(const std::string& dir, const std::string& why, std::string* error) {
    if (error != nullptr)
        *error = "the temporary directory " + dir + " is not used: " + why;
    return false;
}

} // namespace files

} // namespace plat
