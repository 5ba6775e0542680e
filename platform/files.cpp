// File helpers that accept Windows-style paths.
#include "platform/system.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace plat {

std::string NativePath(const std::string& path) {
    std::string native = path;
    std::replace(native.begin(), native.end(), '\\', kPathSeparator);
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

} // namespace plat
