#include "platform/files/file_lock.h"

#include "platform/files/paths.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

bool CFileLock::Acquire(const std::string& path, bool exclusive) {
    Release();
    const std::string native = NativePath(path);
    int fd = ::open(native.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 && !exclusive)
        fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC); // a read-only file may still be read
    if (fd < 0)
        return false;
    if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

void CFileLock::Release() {
    if (m_fd >= 0) {
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
        m_fd = -1;
    }
}

long long CFileLock::Size() const {
    struct stat st;
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0)
        return 0;
    return static_cast<long long>(st.st_size);
}

} // namespace plat
