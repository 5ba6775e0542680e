// CFileLock on Windows: the file opened sharing reading, writing and
// deleting, and a byte-range lock on it (LockFileEx) that other programs'
// locks respect.
#include "platform/files/file_lock.h"

#include "platform/files/paths.h"
#include "platform/win32/windows_api.h"

#include <fcntl.h>
#include <io.h>

namespace plat {

namespace {

// The lock is one byte far past any content a data file has: the locks of
// other programs meet it, and the file's own bytes stay free to read and to
// replace for whoever holds it (a range lock on the content would refuse
// even the holder's other handles).
constexpr ::DWORD kLockOffsetHigh = 0x7FFFFFFF;

bool Lock(int fd, bool exclusive) {
    auto file = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    const ::DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    return ::LockFileEx(file, flags, 0, 1, 0, &at) != 0;
}

} // namespace

bool CFileLock::Acquire(const std::string& path, bool exclusive) {
    Release();
    const std::string native = NativePath(path);
    // Shared for deleting too, so the file writer may still move a new copy
    // over the file while the lock is held, as rename does on POSIX.
    const ::DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE file = ::CreateFileA(native.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && !exclusive) // a read-only file may still be read
        file = ::CreateFileA(native.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(file);
        return false;
    }
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
        at.OffsetHigh = kLockOffsetHigh;
        ::UnlockFileEx(reinterpret_cast<HANDLE>(::_get_osfhandle(m_fd)), 0, 1, 0, &at);
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
