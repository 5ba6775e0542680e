// CFileLock: the lock's descriptor is the system's (system_files.h).
#include "platform/files/file_lock.h"

#include "platform/files/paths.h"
#include "platform/files/system_files.h"

namespace plat {

bool CFileLock::Acquire(const std::string& path, bool exclusive) {
    Release();
    const std::string native = NativePath(path);
    m_error.clear();
    m_fd =
        files::OpenLocked(native, exclusive, !files::InPrivateDirectory(native), m_busy, m_error);
    return m_fd >= 0;
}

void CFileLock::Release() {
    if (m_fd >= 0) {
        files::UnlockAndClose(m_fd);
        m_fd = -1;
    }
}

long long CFileLock::Size() const {
    return m_fd < 0 ? 0 : files::LockedSize(m_fd);
}

} // namespace plat
