// The log's file on Linux: opened with O_APPEND, never through a link
// (O_NOFOLLOW), and only when it is a plain file of the user's own with no
// other hard links.
#include "platform/files/system_files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat::files {

int OpenLogForAppending(const std::string& native, std::string& why) {
    const int fd =
        ::open(native.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        why = errno == ELOOP ? "it is a symbolic link" : std::strerror(errno);
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        why = std::strerror(errno);
    else if (!S_ISREG(st.st_mode))
        why = "it is not a regular file";
    else if (st.st_nlink > 1)
        why = "it has other hard links";
    else if (st.st_uid != ::geteuid())
        why = "it belongs to another user";
    else
        return fd;
    ::close(fd);
    return -1;
}

long long LogSize(int fd, std::string& why) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        why = std::strerror(errno);
        return -1;
    }
    return static_cast<long long>(st.st_size);
}

bool AppendToLog(int fd, std::string_view text, std::string& why) {
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            why = std::strerror(n < 0 ? errno : ENOSPC);
            return false;
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

bool ReadLogPart(const std::string& native, std::size_t start, std::size_t count,
                 std::string& bytes, std::string& why) {
    const int in = ::open(native.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0) {
        why = std::strerror(errno);
        return false;
    }
    bytes.assign(count, '\0');
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n =
            ::pread(in, bytes.data() + got, count - got, static_cast<off_t>(start + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(in);
    bytes.resize(got);
    return true;
}

} // namespace plat::files
