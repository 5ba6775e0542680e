// Paths and the plain file operations on them: every path may use '\' as
// well as '/' as separator.
#pragma once

#include <string>

namespace plat {

// The platform's directory separator ('/' on POSIX, '\\' on Windows).
#if defined(_WIN32)
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

std::string NativePath(const std::string& path);
bool FileExists(const std::string& path); // exists and is not a directory
bool DirectoryExists(const std::string& path);
bool DeleteFile(const std::string& path);
bool CreateDirectories(const std::string& path); // every missing level
// Every missing level with mode 0700 (only the user may enter); levels that
// exist are left as they are. True when the path is a directory after.
bool CreatePrivateDirectories(const std::string& path);
// Appends the separator when the text does not already end in one.
std::string WithTrailingSeparator(const std::string& dir);
// True when `relative`, joined to a directory, names something inside that
// directory: it is not empty, not absolute (no separator first, no drive or
// other colon as in "C:"), has no ".." part between separators ('/' or '\',
// nor a part of blanks and two or more dots, which Windows reads as "..") and no
// NUL byte.
bool StaysInsideDirectory(const std::string& relative);

} // namespace plat
