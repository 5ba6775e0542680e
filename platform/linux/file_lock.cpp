// The lock of a data file on Linux: flock, advisory, on the file opened for
// reading and writing (for reading only when a reader may not write it).
#include "platform/files/system_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat::files {

int OpenLocked(const std::string& native, bool exclusive) {
    int fd = ::open(native.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 && !exclusive)
        fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC); // a read-only file may still be read
    if (fd < 0)
        return -1;
    if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
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
