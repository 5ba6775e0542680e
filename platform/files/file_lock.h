// A lock on a data file shared with other programs: readers share it, a writer
// holds it alone. The lock is advisory (flock); the programs that share the
// file take it before they touch the file.
#pragma once

#include <string>

namespace plat {

class CFileLock {
public:
    CFileLock() = default;
    ~CFileLock() { Release(); }
    CFileLock(const CFileLock&) = delete;
    CFileLock& operator=(const CFileLock&) = delete;

    // Opens the file, creating it empty when missing and never truncating it,
    // and takes the lock without waiting: shared for readers (other writers
    // denied), exclusive for a writer. False when the file cannot be opened
    // or created, or another program holds a conflicting lock.
    // A file of the private directory (GetTempPath) is never opened through
    // a link.
    bool Acquire(const std::string& path, bool exclusive);
    void Release();
    bool Held() const { return m_fd >= 0; }
    // After a failed Acquire: whether another program held a conflicting
    // lock, and the reason in words.
    bool WasBusy() const { return m_busy; }
    const std::string& GetError() const { return m_error; }
    // Size of the locked file in bytes (0 when not held).
    long long Size() const;

private:
    int m_fd = -1;
    bool m_busy = false;
    std::string m_error;
};

} // namespace plat
