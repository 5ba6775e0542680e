#include "platform/files/log_file.h"

#include "platform/files/file_writer.h"
#include "platform/files/paths.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

namespace {

bool Fail(const std::string& path, const std::string& why, std::string* error) {
    if (error != nullptr)
        *error = "cannot write the log " + path + ": " + why;
    return false;
}

} // namespace

bool CLogFile::Open(const std::string& path, std::string* error) {
    Close();
    m_path = NativePath(path);
    if (!OpenFile(error))
        return false;
    struct stat st {};
    if (::fstat(m_fd, &st) == 0 && static_cast<std::size_t>(st.st_size) > m_limit &&
        !CutToNewest(error))
        return false;
    return true;
}

bool CLogFile::OpenFile(std::string* error) {
    const int fd =
        ::open(m_path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return Fail(m_path, errno == ELOOP ? "it is a symbolic link" : std::strerror(errno), error);
    struct stat st {};
    const char* why = nullptr;
    if (::fstat(fd, &st) != 0)
        why = std::strerror(errno);
    else if (!S_ISREG(st.st_mode))
        why = "it is not a regular file";
    else if (st.st_nlink > 1)
        why = "it has other hard links";
    else if (st.st_uid != ::geteuid())
        why = "it belongs to another user";
    if (why != nullptr) {
        ::close(fd);
        return Fail(m_path, why, error);
    }
    m_fd = fd;
    return true;
}

bool CLogFile::Append(std::string_view text, std::string* error) {
    if (m_fd < 0)
        return Fail(m_path, "it is not open", error);
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Fail(m_path, std::strerror(n < 0 ? errno : ENOSPC), error);
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    struct stat st {};
    if (::fstat(m_fd, &st) == 0 && static_cast<std::size_t>(st.st_size) > m_limit)
        return CutToNewest(error);
    return true;
}

// Keeps the newest lines that fit in m_keep bytes, starting after the first
// line end within them, and writes them as the whole log.
bool CLogFile::CutToNewest(std::string* error) {
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        return Fail(m_path, std::strerror(errno), error);
    const auto size = static_cast<std::size_t>(st.st_size);
    const std::size_t start = size > m_keep ? size - m_keep : 0;
    const int in = ::open(m_path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0)
        return Fail(m_path, std::strerror(errno), error);
    std::string tail(size - start, '\0');
    std::size_t got = 0;
    while (got < tail.size()) {
        const ssize_t n =
            ::pread(in, tail.data() + got, tail.size() - got, static_cast<off_t>(start + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(in);
    tail.resize(got);
    if (start > 0) {
        const std::size_t eol = tail.find('\n');
        // A line longer than the whole part kept is kept cut.
        if (eol != std::string::npos)
            tail.erase(0, eol + 1);
    }
    std::string why;
    if (!SaveFileContents(m_path, tail, &why)) {
        if (error != nullptr)
            *error = why;
        return false;
    }
    ::close(m_fd);
    m_fd = -1;
    return OpenFile(error);
}

void CLogFile::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

} // namespace plat
