// CFileWriter's system part on Windows: a complete new copy beside the
// target, flushed, then moved over it (MoveFileEx, replacing and written
// through); see file_writer.h. A symbolic link is followed to its final file, the target
// keeps its attributes, and a file with several hard links, or one another
// handle holds open (a data file under its lock), is rewritten in place once
// a complete copy of it sits beside it.
#include "platform/files/file_writer.h"

#include "platform/files/file_writer_limits.h"
#include "platform/files/system_files.h"
#include "platform/win32/system_error.h"
#include "platform/win32/windows_api.h"

#include <fcntl.h>
#include <io.h>

namespace plat {

namespace {

constexpr ::DWORD kCopyChunk = 64 * 1024;

HANDLE HandleOf(int fd) {
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

// A new file named after `target` in its directory, created exclusively; -1
// with the system's error left in GetLastError when the directory refuses it.
int CreateBeside(const std::string& target, const char* kind, std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = files::NameBeside(target, kind);
        HANDLE file = ::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY);
            if (fd < 0) {
                ::CloseHandle(file);
                ::DeleteFileA(name.c_str());
                ::SetLastError(ERROR_TOO_MANY_OPEN_FILES);
            }
            return fd;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS)
            return -1;
    }
    ::SetLastError(ERROR_FILE_EXISTS);
    return -1;
}

bool WriteAll(HANDLE file, const char* data, std::size_t size) {
    while (size > 0) {
        const ::DWORD part = size > kCopyChunk ? kCopyChunk : static_cast<::DWORD>(size);
        ::DWORD written = 0;
        if (!::WriteFile(file, data, part, &written, nullptr))
            return false;
        if (written == 0) {
            ::SetLastError(ERROR_DISK_FULL);
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

// Copies the whole of `from` over `to` from the start and cuts `to` to the
// same length; at most `limit` bytes (-1: no limit) before it fails.
bool CopyContent(HANDLE from, HANDLE to, long long limit = -1) {
    LARGE_INTEGER zero{};
    if (!::SetFilePointerEx(from, zero, nullptr, FILE_BEGIN) ||
        !::SetFilePointerEx(to, zero, nullptr, FILE_BEGIN))
        return false;
    std::string buffer(kCopyChunk, '\0');
    long long copied = 0;
    for (;;) {
        ::DWORD n = 0;
        if (!::ReadFile(from, buffer.data(), kCopyChunk, &n, nullptr))
            return false;
        if (n == 0)
            break;
        std::size_t size = n;
        const bool cut = limit >= 0 && copied + n > limit;
        if (cut)
            size = static_cast<std::size_t>(limit - copied);
        if (!WriteAll(to, buffer.data(), size))
            return false;
        if (cut) {
            ::SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        copied += n;
    }
    return ::SetEndOfFile(to) && ::FlushFileBuffers(to);
}

} // namespace

namespace files {

// The file a link finally names ("\\?\C:\dir\file" turned into "C:\dir\file");
// the path itself when it is no link.
bool FollowLinks(const std::string& path, std::string& target, std::string& why) {
    target = path;
    const ::DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return true;
    HANDLE file =
        ::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        why = "its link cannot be followed: " + LastErrorText();
        return false;
    }
    char final[MAX_PATH * 2];
    const ::DWORD n = ::GetFinalPathNameByHandleA(file, final, sizeof final, VOLUME_NAME_DOS);
    ::CloseHandle(file);
    if (n == 0 || n >= sizeof final) {
        why = "its link cannot be followed: " + LastErrorText();
        return false;
    }
    target.assign(final, n);
    if (target.rfind("\\\\?\\", 0) == 0)
        target.erase(0, 4);
    return true;
}

void RemoveFile(const std::string& path) {
    ::DeleteFileA(path.c_str());
}

void RemoveCopyNobodyHolds(const std::string& path) {
    // A living writer keeps its copy open without sharing it: the deletion
    // then fails with a sharing violation, and the copy stays.
    const ::DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        ::DeleteFileA(path.c_str());
}

void CloseDescriptor(int fd) {
    ::_close(fd);
}

} // namespace files

bool CFileWriter::FailErrno(const std::string& what, int error) {
    const std::string reason = WindowsErrorText(static_cast<unsigned long>(error));
    return Fail(what.empty() ? reason : what + ": " + reason);
}

bool CFileWriter::OpenCopy() {
    const ::DWORD attributes = ::GetFileAttributesA(m_target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        m_exists = true;
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return Fail("it is a directory");
        if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
            return Fail("it is read-only");
        HANDLE file = ::CreateFileA(m_target.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return FailErrno("", static_cast<int>(::GetLastError()));
        BY_HANDLE_FILE_INFORMATION info{};
        if (::GetFileInformationByHandle(file, &info)) {
            m_links = info.nNumberOfLinks;
            m_device = info.dwVolumeSerialNumber;
            m_inode =
                (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        }
        ::CloseHandle(file);
    } else if (const ::DWORD why = ::GetLastError();
               why != ERROR_FILE_NOT_FOUND && why != ERROR_PATH_NOT_FOUND) {
        // A missing directory is told below, where no new file can be made.
        return FailErrno("", static_cast<int>(why));
    }
    m_fd = CreateBeside(m_target, files::kNewCopy, m_temp);
    if (m_fd < 0) {
        const int error = static_cast<int>(::GetLastError());
        m_temp.clear();
        return FailErrno("no new file can be made in " + files::DirectoryName(m_target), error);
    }
    return true;
}

bool CFileWriter::WriteCopy(const void* data, std::size_t size) {
    if (!WriteAll(HandleOf(m_fd), static_cast<const char*>(data), size))
        return FailErrno("", static_cast<int>(::GetLastError()));
    return true;
}

bool CFileWriter::SyncCopy() {
    return ::FlushFileBuffers(HandleOf(m_fd)) || FailErrno("", static_cast<int>(::GetLastError()));
}

bool CFileWriter::ReplaceTarget() {
    ::_close(m_fd);
    m_fd = -1;
    const ::DWORD attributes = m_exists ? ::GetFileAttributesA(m_target.c_str()) : 0;
    if (!::MoveFileExA(m_temp.c_str(), m_target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const ::DWORD why = ::GetLastError();
        // A file another handle holds open (a data file under its lock)
        // cannot be replaced; it is rewritten in place instead, once a
        // complete copy of it sits beside it.
        if (m_exists && (why == ERROR_ACCESS_DENIED || why == ERROR_SHARING_VIOLATION)) {
            HANDLE copy = ::CreateFileA(m_temp.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
            m_fd = copy == INVALID_HANDLE_VALUE
                       ? -1
                       : ::_open_osfhandle(reinterpret_cast<intptr_t>(copy), _O_BINARY);
            if (m_fd >= 0)
                return CommitInPlace();
            if (copy != INVALID_HANDLE_VALUE)
                ::CloseHandle(copy);
        }
        return FailErrno("the new copy cannot take its place", static_cast<int>(why));
    }
    m_temp.clear();
    if (m_exists && attributes != INVALID_FILE_ATTRIBUTES)
        ::SetFileAttributesA(m_target.c_str(), attributes);
    return true;
}

bool CFileWriter::CommitInPlace() {
    // Shared as the lock's own handle shares the file.
    HANDLE target = ::CreateFileA(m_target.c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (target == INVALID_HANDLE_VALUE)
        return FailErrno("it cannot be opened to be rewritten in place",
                         static_cast<int>(::GetLastError()));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(target, &info) || info.dwVolumeSerialNumber != m_device ||
        ((static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow) !=
            m_inode) {
        ::CloseHandle(target);
        return Fail("it was replaced by another file while it was written");
    }
    std::string backupName;
    const int backup = CreateBeside(m_target, files::kOldCopy, backupName);
    if (backup < 0) {
        const int error = static_cast<int>(::GetLastError());
        ::CloseHandle(target);
        return FailErrno("no copy of it can be made in " + files::DirectoryName(m_target), error);
    }
    if (!CopyContent(target, HandleOf(backup))) {
        const int error = static_cast<int>(::GetLastError());
        ::_close(backup);
        ::DeleteFileA(backupName.c_str());
        ::CloseHandle(target);
        return FailErrno("no complete copy of it can be made", error);
    }
    const bool ok = CopyContent(HandleOf(m_fd), target, InPlaceLimit());
    if (!ok) {
        const std::string reason = WindowsErrorText(::GetLastError());
        const bool restored = CopyContent(HandleOf(backup), target, InPlaceLimit());
        FailRewrite(reason, restored, false, backupName);
    }
    files::CloseDescriptor(backup);
    ::CloseHandle(target);
    if (!backupName.empty())
        files::RemoveFile(backupName);
    return ok;
}

} // namespace plat
