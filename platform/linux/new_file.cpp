// A new file on Linux: an old file or link of the name is unlinked, then the
// file is created with O_EXCL and O_NOFOLLOW, mode 0600.
#include "platform/files/system_files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat::files {

std::FILE* CreateNewFileAt(const std::string& native, std::string& why) {
    struct stat st {};
    if (::lstat(native.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            why = std::strerror(EISDIR);
            return nullptr;
        }
        if (::unlink(native.c_str()) != 0 && errno != ENOENT) {
            why = std::string("the old file cannot be removed: ") + std::strerror(errno);
            return nullptr;
        }
    }
    const int fd =
        ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        why = std::strerror(errno);
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        why = std::strerror(errno);
        ::close(fd);
        ::unlink(native.c_str());
    }
    return file;
}

} // namespace plat::files
