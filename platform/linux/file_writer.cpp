// CFileWriter's system part on Linux: links followed with readlink, the new
// copy created with O_EXCL and O_NOFOLLOW, given the target's owner and mode,
// synced and renamed over the target (see file_writer.h).
#include "platform/files/file_writer.h"

#include "platform/files/file_writer_limits.h"
#include "platform/files/system_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

namespace {

// Links followed before the path is taken for a loop.
constexpr int kMaxLinkHops = 40;
constexpr std::size_t kCopyChunk = 64 * 1024;

std::string Reason(int error) {
    return std::strerror(error);
}

// A user's login name, or "user <uid>" when the system has none.
std::string UserName(uid_t uid) {
    std::string buffer(4096, '\0');
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
        return found->pw_name;
    return "user " + std::to_string(uid);
}

// Creates a new file named after `target` in its directory, exclusively and
// never through a link. -1 with errno set when the directory refuses it.
int CreateBeside(const std::string& target, const char* kind, mode_t mode, std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = files::NameBeside(target, kind);
        const int fd =
            ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        // The copy's lock tells a later writer that its writer still lives.
        if (fd >= 0)
            static_cast<void>(::flock(fd, LOCK_EX | LOCK_NB) == 0);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// Gives a new file the owner, group and permission bits of `like`, as far as
// the process may set them.
void TakeOwnerAndMode(int fd, const struct stat& like) {
    struct stat own {};
    if (::fstat(fd, &own) != 0)
        return;
    bool ownerKept = own.st_uid == like.st_uid;
    if (own.st_uid != like.st_uid || own.st_gid != like.st_gid) {
        // Where the process may not give the file away, it may still keep
        // the group it is a member of; otherwise the file stays its own.
        if (::fchown(fd, like.st_uid, like.st_gid) == 0)
            ownerKept = true;
        else
            static_cast<void>(::fchown(fd, static_cast<uid_t>(-1), like.st_gid) == 0);
    }
    // Set-id bits only on a file that still has the target's owner. A file
    // system without permission bits keeps its own, which is all it can do.
    static_cast<void>(::fchmod(fd, like.st_mode & (ownerKept ? 07777 : 01777)) == 0);
}

bool WriteAll(int fd, const char* data, std::size_t size, off_t offset, int& error) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
        offset += n;
    }
    return true;
}

// Copies the whole of `from` over the start of `to` and cuts `to` to the
// same length. errno-style code in `error` on failure. `limit` bytes at most
// are written before the copy fails (-1: no limit).
bool CopyContent(int from, int to, int& error, long long limit = -1) {
    std::string buffer(kCopyChunk, '\0');
    off_t offset = 0;
    for (;;) {
        const ssize_t n = ::pread(from, buffer.data(), buffer.size(), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = errno;
            return false;
        }
        if (n == 0)
            break;
        auto size = static_cast<std::size_t>(n);
        const bool cut = limit >= 0 && offset + n > limit;
        if (cut)
            size = static_cast<std::size_t>(limit - offset);
        if (!WriteAll(to, buffer.data(), size, offset, error))
            return false;
        if (cut) {
            error = EIO;
            return false;
        }
        offset += n;
    }
    if (::ftruncate(to, offset) != 0 || ::fsync(to) != 0) {
        error = errno;
        return false;
    }
    return true;
}

void SyncDirectory(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    // A file system that cannot sync a directory (EINVAL) makes the rename
    // durable in its own way; the new content is in place either way.
    static_cast<void>(::fsync(fd) == 0);
    ::close(fd);
}

} // namespace

bool CFileWriter::FailErrno(const std::string& what, int error) {
    return Fail(what.empty() ? Reason(error) : what + ": " + Reason(error));
}

bool CFileWriter::OpenCopy() {
    struct stat st {};
    if (::lstat(m_target.c_str(), &st) == 0) {
        m_exists = true;
        if (S_ISDIR(st.st_mode))
            return FailErrno("", EISDIR);
        if (!S_ISREG(st.st_mode))
            return Fail("it is not a regular file");
        if (::faccessat(AT_FDCWD, m_target.c_str(), W_OK, AT_EACCESS) != 0)
            return FailErrno("", errno);
        m_links = static_cast<unsigned long>(st.st_nlink);
        m_device = static_cast<unsigned long long>(st.st_dev);
        m_inode = static_cast<unsigned long long>(st.st_ino);
    } else if (errno != ENOENT) {
        return FailErrno("", errno);
    }

    // A new copy of an existing file is private until it has the target's
    // bits; a new file gets the usual bits of the process (its umask).
    m_fd = CreateBeside(m_target, files::kNewCopy, m_exists ? 0600 : 0666, m_temp);
    if (m_fd < 0) {
        m_temp.clear();
        return FailErrno("no new file can be made in " + files::DirectoryName(m_target), errno);
    }
    if (m_exists)
        TakeOwnerAndMode(m_fd, st);
    return true;
}

bool CFileWriter::WriteCopy(const void* data, std::size_t size) {
    const off_t end = ::lseek(m_fd, 0, SEEK_END);
    int error = 0;
    if (end < 0 || !WriteAll(m_fd, static_cast<const char*>(data), size, end, error))
        return FailErrno("", end < 0 ? errno : error);
    return true;
}

bool CFileWriter::SyncCopy() {
    return ::fsync(m_fd) == 0 || FailErrno("", errno);
}

bool CFileWriter::ReplaceTarget() {
    // The copy stays open, and so locked, until it has the target's name: a
    // writer to the same file meanwhile takes it for one of a living writer.
    if (::rename(m_temp.c_str(), m_target.c_str()) != 0) {
        const int error = errno;
        ::close(m_fd);
        m_fd = -1;
        return FailErrno("the new copy cannot take its place", error);
    }
    m_temp.clear();
    // Synced already: a close that fails now loses nothing.
    ::close(m_fd);
    m_fd = -1;
    SyncDirectory(files::DirectoryName(m_target));
    return true;
}

// Every name of a hard-linked file must see the new content, so the file
// itself is rewritten; its old content is first copied beside it in full.
bool CFileWriter::CommitInPlace() {
    const int target = ::open(m_target.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (target < 0)
        return FailErrno("", errno);
    struct stat st {};
    if (::fstat(target, &st) != 0 || static_cast<unsigned long long>(st.st_dev) != m_device ||
        static_cast<unsigned long long>(st.st_ino) != m_inode) {
        ::close(target);
        return Fail("it was replaced by another file while it was written");
    }

    std::string backupName;
    const int backup = CreateBeside(m_target, files::kOldCopy, 0600, backupName);
    if (backup < 0) {
        const int error = errno;
        ::close(target);
        return FailErrno("no copy of it can be made in " + files::DirectoryName(m_target), error);
    }
    TakeOwnerAndMode(backup, st);
    int error = 0;
    if (!CopyContent(target, backup, error)) {
        ::close(backup);
        ::unlink(backupName.c_str());
        ::close(target);
        return FailErrno("no complete copy of it can be made", error);
    }

    const bool ok = CopyContent(m_fd, target, error, InPlaceLimit());
    if (!ok) {
        int restoreError = 0;
        const bool restored = CopyContent(backup, target, restoreError, InPlaceLimit());
        // Otherwise the old content stays under the target's name, as a file
        // of its own.
        const bool renamedBack = !restored && ::rename(backupName.c_str(), m_target.c_str()) == 0;
        FailRewrite(Reason(error), restored, renamedBack, backupName);
    }
    ::close(backup);
    ::close(target);
    if (!backupName.empty())
        files::RemoveFile(backupName);
    return ok;
}

namespace files {

// The file `path` finally names: each symbolic link is replaced by what it
// points to (relative to the link's directory). A missing file is a file to
// be created there. A link is followed only to a file of its own owner (or,
// for a file still to be made, into a directory of its owner): whoever may
// plant a link must not choose a file of another user to be written.
bool FollowLinks(const std::string& path, std::string& target, std::string& why) {
    target = path;
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0) {
            if (errno == ENOENT)
                return true;
            why = Reason(errno);
            return false;
        }
        if (!S_ISLNK(st.st_mode))
            return true;
        std::string link(4096, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0 || static_cast<std::size_t>(n) >= link.size()) {
            why = n < 0 ? "its link cannot be read: " + Reason(errno) : "its link is too long";
            return false;
        }
        link.resize(static_cast<std::size_t>(n));
        const std::string next = link[0] == '/' ? link : DirectoryPrefix(target) + link;
        // What the link's owner is compared with: the file it leads to, or
        // the directory a missing one would be made in. When neither can be
        // looked at, the next step says why.
        struct stat to {};
        std::string owned = next;
        bool known = ::lstat(next.c_str(), &to) == 0;
        if (!known && errno == ENOENT) {
            owned = DirectoryName(next);
            known = !owned.empty() && ::stat(owned.c_str(), &to) == 0;
        }
        if (known && to.st_uid != st.st_uid) {
            why = "the link " + target + " of " + UserName(st.st_uid) + " leads to " + owned +
                  " of " + UserName(to.st_uid) +
                  ", and a link is followed only to a file of its own owner";
            return false;
        }
        target = next;
    }
    why = Reason(ELOOP);
    return false;
}

void CloseDescriptor(int fd) {
    ::close(fd);
}

void RemoveFile(const std::string& path) {
    ::unlink(path.c_str());
}

void RemoveCopyNobodyHolds(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat held {
    }, named{};
    // Still the same file under that name once the lock is had: nobody's.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) &&
        ::lstat(path.c_str(), &named) == 0 && named.st_ino == held.st_ino &&
        named.st_dev == held.st_dev)
        ::unlink(path.c_str());
    ::close(fd);
}

} // namespace files

} // namespace plat
