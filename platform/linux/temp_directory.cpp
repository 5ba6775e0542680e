// The user's private directory for temporary files (see GetTempPath in
// files/directories.h). The trace library builds this file too, so its log lives by the
// same rule.
#include "platform/files/directories.h"
#include "platform/files/system_files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

namespace {

// An environment variable that names an absolute directory; a relative or
// empty one is taken as unset.
const char* AbsoluteDirectory(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] == '/' ? value : nullptr;
}

std::string WithoutTrailingSlashes(std::string dir) {
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir;
}

std::string PrivateDirectoryName() {
    if (const char* runtime = AbsoluteDirectory("XDG_RUNTIME_DIR"))
        return WithoutTrailingSlashes(runtime) + "/pelmora";
    const char* tmp = AbsoluteDirectory("TMPDIR");
    std::string base = WithoutTrailingSlashes(tmp != nullptr ? tmp : "/tmp");
    if (base != "/")
        base += '/';
    return base + "pelmora-" + std::to_string(::geteuid());
}

std::string Octal(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

using files::RefuseTempDirectory;

// Creates the directory when missing and checks that only this user can
// enter it.
bool MakePrivateDirectory(const std::string& dir, std::string* error) {
    const bool created = ::mkdir(dir.c_str(), 0700) == 0;
    if (!created && errno != EEXIST)
        return RefuseTempDirectory(
            dir, std::string("it cannot be created: ") + std::strerror(errno), error);

    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0)
        return RefuseTempDirectory(dir, std::strerror(errno), error);
    if (S_ISLNK(st.st_mode))
        return RefuseTempDirectory(dir, "it is a symbolic link", error);
    if (!S_ISDIR(st.st_mode))
        return RefuseTempDirectory(dir, "it is not a directory", error);

    // The checks below are made on the directory that was opened, not on a
    // name that could be swapped in between.
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return RefuseTempDirectory(dir, std::strerror(errno), error);
    bool ok = ::fstat(fd, &st) == 0;
    // A directory made just now under a strict umask still needs its owner's
    // rights.
    if (ok && created && (st.st_mode & 07777) != 0700 && ::fchmod(fd, 0700) == 0)
        ok = ::fstat(fd, &st) == 0;
    ::close(fd);
    if (!ok)
        return RefuseTempDirectory(dir, std::strerror(errno), error);
    if (st.st_uid != ::geteuid())
        return RefuseTempDirectory(
            dir, "it belongs to another user (uid " + std::to_string(st.st_uid) + ")", error);
    if ((st.st_mode & 077) != 0)
        return RefuseTempDirectory(dir, "other users may enter it (mode " + Octal(st.st_mode) + ")",
                                   error);
    return true;
}

} // namespace

std::string GetTempPath(std::string* error) {
    const std::string dir = PrivateDirectoryName();
    if (!MakePrivateDirectory(dir, error))
        return {};
    if (error != nullptr)
        error->clear();
    return dir + '/';
}

} // namespace plat
