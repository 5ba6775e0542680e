// The user's private directory for temporary files on Windows (see
// GetTempPath in files/directories.h): "pelmora" in the user's own temporary directory
// (GetTempPathA, inside the profile, whose access list only the user and the
// system share), refused when it is a link or junction or not a directory.
// The trace library builds this file too, so its log lives by the same rule.
#include "platform/files/directories.h"
#include "platform/files/paths.h"
#include "platform/files/system_files.h"
#include "platform/win32/system_error.h"
#include "platform/win32/windows_api.h"

namespace plat {

namespace {

using files::RefuseTempDirectory;

} // namespace

std::string GetTempPath(std::string* error) {
    char base[MAX_PATH + 1];
    const ::DWORD n = ::GetTempPathA(sizeof base, base);
    if (n == 0 || n > MAX_PATH)
        return RefuseTempDirectory("%TEMP%", "the system names none", error), std::string();
    const std::string dir = WithTrailingSeparator(std::string(base, n)) + "pelmora";
    if (!::CreateDirectoryA(dir.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
        return RefuseTempDirectory(dir, "it cannot be created: " + LastErrorText(), error),
               std::string();
    const ::DWORD attributes = ::GetFileAttributesA(dir.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return RefuseTempDirectory(dir, LastErrorText(), error), std::string();
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return RefuseTempDirectory(dir, "it is a symbolic link or junction", error), std::string();
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return RefuseTempDirectory(dir, "it is not a directory", error), std::string();
    if (error != nullptr)
        error->clear();
    return dir + kPathSeparator;
}

} // namespace plat
