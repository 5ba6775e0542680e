// The lock of a data file on Linux: flock, advisory, on the file opened for
// reading and writing (for reading only when a reader may not write it).
#include "platform/files/system_files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat::files {

int OpenLocked(const std::string& native, bool exclusive, bool followLinks, bool& busy,
               std::string& why) {
    busy = false;
    const int noLinks = followLinks ? 0 : O_NOFOLLOW;
    int fd = ::open(native.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | noLinks, 0644);
    if (fd < 0 && !exclusive && errno != ELOOP) // a read-only file may still be read
        fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | noLinks);
    if (fd < 0) {
        why = errno == ELOOP && !followLinks ? "it is a link, and it is not followed"
                                             : std::strerror(errno);
        return -1;
    }
    if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        busy = errno == EWOULDBLOCK;
        why = busy ? "another program holds it" : std::strerror(errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

void UnlockAndClose(int fd) {
    ::flock(fd, LOCK_UN);
    ::close(fd);
}

long long LockedSize(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? static_cast<long long>(st.st_size) : 0;
}

} // namespace plat::files
