// The hive file behind the registry calls: where it is, its cache, its lock
// and the batch (see registry_state.h).
#include "platform/linux/registry_state.h"

#include "platform/files/file_writer.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace plat::reg {

namespace {

Stamp StampOf(const struct stat& st) {
    return Stamp{st.st_dev, st.st_ino, st.st_size,
                 static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

std::string DefaultHivePath() {
    if (const char* p = std::getenv("PELMORA_REGISTRY"); p && *p)
        return p;
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x)
        return std::string(x) + "/pelmora/registry.reg";
    if (const char* h = std::getenv("HOME"); h && *h)
        return std::string(h) + "/.local/share/pelmora/registry.reg";
    return "./pelmora/registry.reg";
}

bool MakeDirectories(const std::string& dir) {
    if (dir.empty())
        return true;
    struct stat st;
    if (::stat(dir.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    const std::size_t slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirectories(dir.substr(0, slash)))
        return false;
    return ::mkdir(dir.c_str(), 0777) == 0 || errno == EEXIST;
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

LONG CannotRead(State& s, const std::string& path, int err) {
    s.lastError = "registry hive " + path + ": " + std::strerror(err);
    return ERROR_CANTREAD;
}

} // namespace

State& S() {
    static State state;
    return state;
}

std::string CurrentPath(State& s) {
    return s.overridePath.empty() ? DefaultHivePath() : s.overridePath;
}

LONG Refresh(State& s, const std::string& path) {
    if (s.cachedPath != path) {
        s.cached = false;
        s.cachedPath = path;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT)
            return CannotRead(s, path, errno);
        if (!s.cached || s.stamp != Stamp{}) {
            s.tree = hive::Tree{};
            ++s.generation;
            s.stamp = Stamp{};
            s.corrupt.clear();
            s.cached = true;
        }
        return ERROR_SUCCESS;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return CannotRead(s, path, err);
    }
    const Stamp stamp = StampOf(st);
    if (s.cached && s.stamp == stamp) {
        ::close(fd);
    } else {
        std::string text;
        char buf[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                const int err = errno;
                ::close(fd);
                return CannotRead(s, path, err);
            }
            if (n == 0)
                break;
            text.append(buf, static_cast<std::size_t>(n));
        }
        ::close(fd);
        std::string why;
        s.corrupt.clear();
        ++s.generation;
        if (!hive::Parse(text, s.tree, &why))
            s.corrupt = "registry hive " + path + " is corrupt (" + why + "); it is left as it is";
        s.stamp = stamp;
        s.cached = true;
    }
    if (!s.corrupt.empty()) {
        s.lastError = s.corrupt;
        return ERROR_BADDB;
    }
    return ERROR_SUCCESS;
}

LONG Store(State& s, const std::string& path) {
    // The text is made before the writer creates its new file, so nothing is
    // left behind when making it fails.
    const std::string text = hive::Format(s.tree);
    std::string why;
    const bool ok = SaveFileContents(path, text, &why);
    // The lock is held, so the file now is the one just written: the cache
    // stands for it under its new stamp. Without a stamp, or after a failed
    // write, the next call reads the file again.
    s.cached = false;
    struct stat st;
    if (ok && ::stat(path.c_str(), &st) == 0) {
        s.stamp = StampOf(st);
        s.cached = true;
    }
    if (!ok) {
        s.lastError = "registry hive not saved: " + why;
        return ERROR_CANTWRITE;
    }
    return ERROR_SUCCESS;
}

WriteLock::WriteLock(const std::string& hivePath) {
    if (!MakeDirectories(DirectoryOf(hivePath)))
        return;
    m_fd = ::open((hivePath + ".lock").c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (m_fd < 0)
        return;
    while (::flock(m_fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(m_fd);
            m_fd = -1;
            return;
        }
    }
}

WriteLock::~WriteLock() {
    if (m_fd >= 0) {
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
    }
}

LONG OutOfMemory(State& s) {
    s.cached = false;
    ++s.generation;
    s.lastError = "registry hive " + CurrentPath(s) + ": out of memory";
    if (s.batch.active && s.batch.failure == ERROR_SUCCESS) {
        s.batch.failure = ERROR_OUTOFMEMORY;
        s.batch.failureText = s.lastError + "; the batch's changes are not stored";
        s.lastError = s.batch.failureText;
    }
    return ERROR_OUTOFMEMORY;
}

bool BeginBatch() {
    State& s = S();
    std::unique_lock<std::mutex> guard(s.mu);
    const std::thread::id self = std::this_thread::get_id();
    if (s.batch.active && s.batch.owner == self) {
        ++s.batch.depth;
        return true;
    }
    s.batchEnded.wait(guard, [&] { return !s.batch.active; });
    const std::string path = CurrentPath(s);
    s.lastError.clear();
    auto lock = std::make_unique<WriteLock>(path);
    if (!lock->Held()) {
        s.lastError = "registry hive " + path +
                      " cannot be locked for writing: " + std::string(std::strerror(errno));
        return false;
    }
    State::Batch& b = s.batch;
    b.active = true;
    b.owner = self;
    b.depth = 1;
    b.path = path;
    b.lock = std::move(lock);
    b.dirty = false;
    b.failure = ERROR_SUCCESS;
    b.failureText.clear();
    try {
        Refresh(s, path); // what it finds is answered to each call
    } catch (const std::bad_alloc&) {
        OutOfMemory(s);
    }
    return true;
}

LONG EndBatch() {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.mu);
    State::Batch& b = s.batch;
    if (!b.active || b.owner != std::this_thread::get_id())
        return ERROR_SUCCESS;
    if (--b.depth > 0)
        return ERROR_SUCCESS;
    LONG r = ERROR_SUCCESS;
    if (b.failure != ERROR_SUCCESS) {
        s.lastError = b.failureText;
        r = b.failure;
    } else if (b.dirty) {
        s.lastError.clear();
        try {
            r = Store(s, b.path);
        } catch (const std::bad_alloc&) {
            r = OutOfMemory(s);
        }
    }
    if (r != ERROR_SUCCESS) {
        // The tree in memory holds changes the file does not: read it again.
        s.cached = false;
        ++s.generation;
    }
    b.lock.reset();
    b.active = false;
    b.dirty = false;
    b.failure = ERROR_SUCCESS;
    b.failureText.clear();
    s.batchEnded.notify_all();
    return r;
}

} // namespace plat::reg
