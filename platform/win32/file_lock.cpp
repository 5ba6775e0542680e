// The lock of a data file on Windows: the file opened sharing reading,
// writing and deleting, and a byte-range lock on it (LockFileEx) that other
// programs' locks respect.
#include "platform/files/system_files.h"
#include "platform/win32/system_error.h"
#include "platform/win32/windows_api.h"

#include <fcntl.h>
#include <io.h>

namespace plat::files {

namespace {

// The lock is one byte far past any content a data file has: the locks of
// other programs meet it, and the file's own bytes stay free to read and to
// replace for whoever holds it (a range lock on the content would refuse
// even the holder's other handles).
constexpr ::DWORD kLockOffsetHigh = 0x7FFFFFFF;

HANDLE HandleOf(int fd) {
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

} // namespace

int OpenLocked(const std::string& native, bool exclusive, bool followLinks, bool& busy,
               std::string& why) {
    busy = false;
    if (!followLinks) {
        const ::DWORD attributes = ::GetFileAttributesA(native.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            why = "it is a link, and it is not followed";
            return -1;
        }
    }
    // Shared for deleting too, so the file writer may still move a new copy
    // over the file while the lock is held, as rename does on POSIX.
    const ::DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE file = ::CreateFileA(native.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && !exclusive) // a read-only file may still be read
        file = ::CreateFileA(native.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        why = LastErrorText();
        return -1;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY);
    if (fd < 0) {
        why = "no descriptor is left for it";
        ::CloseHandle(file);
        return -1;
    }
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    const ::DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    if (!::LockFileEx(HandleOf(fd), flags, 0, 1, 0, &at)) {
        busy = ::GetLastError() == ERROR_LOCK_VIOLATION;
        why = busy ? "another program holds it" : LastErrorText();
        ::_close(fd);
        return -1;
    }
    return fd;
}

void UnlockAndClose(int fd) {
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    ::UnlockFileEx(HandleOf(fd), 0, 1, 0, &at);
    ::_close(fd);
}

long long LockedSize(int fd) {
    const long long size = ::_filelengthi64(fd);
    return size < 0 ? 0 : size;
}

} // namespace plat::files
