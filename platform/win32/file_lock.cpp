// CFileLock on Windows: the file opened sharing reading and writing, and a
// byte-range lock on it (LockFileEx) that other programs' locks respect.
#include "platform/file_lock.h"

#include "platform/system.h"
#include "platform/win32/windows_api.h"

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

namespace plat {

namespace {

bool Lock(int fd, bool exclusive) {
    auto file = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    OVERLAPPED at{};
    const ::DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    return ::LockFileEx(file, flags, 0, MAXDWORD, MAXDWORD, &at) != 0;
}

} // namespace

bool CFileLock::Acquire(const std::string& path, bool exclusive) {
    Release();
    const std::string native = NativePath(path);
    int fd = -1;
    if (::_sopen_s(&fd, native.c_str(), _O_RDWR | _O_CREAT | _O_BINARY | _O_NOINHERIT, _SH_DENYNO,
                   _S_IREAD | _S_IWRITE) != 0 &&
        !exclusive) // a read-only file may still be read
        ::_sopen_s(&fd, native.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT, _SH_DENYNO, 0);
    if (fd < 0)
        return false;
    if (!Lock(fd, exclusive)) {
        ::_close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

void CFileLock::Release() {
    if (m_fd >= 0) {
        OVERLAPPED at{};
        ::UnlockFileEx(reinterpret_cast<HANDLE>(::_get_osfhandle(m_fd)), 0, MAXDWORD, MAXDWORD,
                       &at);
        ::_close(m_fd);
        m_fd = -1;
    }
}

long long CFileLock::Size() const {
    if (m_fd < 0)
        return 0;
    const long long size = ::_filelengthi64(m_fd);
    return size < 0 ? 0 : size;
}

} // namespace plat
