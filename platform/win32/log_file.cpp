// CLogFile on Windows: the log is opened for appending (FILE_APPEND_DATA, so
// every write lands at the end), never through a link, and refused when it
// has other hard links; it is cut to its newest lines through the file
// writer, which its sharing allows while it is open.
#include "platform/files/log_file.h"

#include "platform/files/file_writer.h"
#include "platform/files/paths.h"
#include "platform/win32/system_error.h"
#include "platform/win32/windows_api.h"

#include <fcntl.h>
#include <io.h>

namespace plat {

namespace {

bool Fail(const std::string& path, const std::string& why, std::string* error) {
    if (error != nullptr)
        *error = "cannot write the log " + path + ": " + why;
    return false;
}

HANDLE HandleOf(int fd) {
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

long long SizeOf(int fd) {
    LARGE_INTEGER size{};
    return ::GetFileSizeEx(HandleOf(fd), &size) ? size.QuadPart : -1;
}

constexpr ::DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

} // namespace

bool CLogFile::Open(const std::string& path, std::string* error) {
    Close();
    m_path = NativePath(path);
    if (!OpenFile(error))
        return false;
    if (SizeOf(m_fd) > static_cast<long long>(m_limit) && !CutToNewest(error))
        return false;
    return true;
}

bool CLogFile::OpenFile(std::string* error) {
    const ::DWORD attributes = ::GetFileAttributesA(m_path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
            return Fail(m_path, "it is a symbolic link", error);
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return Fail(m_path, "it is not a regular file", error);
    }
    HANDLE file =
        ::CreateFileA(m_path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Fail(m_path, LastErrorText(), error);
    BY_HANDLE_FILE_INFORMATION info{};
    const char* why = nullptr;
    if (!::GetFileInformationByHandle(file, &info))
        why = "its attributes cannot be read";
    else if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        why = "it is a symbolic link";
    else if (info.nNumberOfLinks > 1)
        why = "it has other hard links";
    if (why != nullptr) {
        ::CloseHandle(file);
        return Fail(m_path, why, error);
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(file);
        return Fail(m_path, "no C library descriptor is left", error);
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
        ::DWORD written = 0;
        const ::DWORD part = left > 65536 ? 65536 : static_cast<::DWORD>(left);
        if (!::WriteFile(HandleOf(m_fd), data, part, &written, nullptr) || written == 0)
            return Fail(m_path, written == 0 ? WindowsErrorText(ERROR_DISK_FULL) : LastErrorText(),
                        error);
        data += written;
        left -= written;
    }
    if (SizeOf(m_fd) > static_cast<long long>(m_limit))
        return CutToNewest(error);
    return true;
}

bool CLogFile::CutToNewest(std::string* error) {
    const long long size = SizeOf(m_fd);
    if (size < 0)
        return Fail(m_path, LastErrorText(), error);
    const auto total = static_cast<std::size_t>(size);
    const std::size_t start = total > m_keep ? total - m_keep : 0;
    HANDLE in = ::CreateFileA(m_path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (in == INVALID_HANDLE_VALUE)
        return Fail(m_path, LastErrorText(), error);
    std::string tail(total - start, '\0');
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<long long>(start);
    std::size_t got = 0;
    if (::SetFilePointerEx(in, at, nullptr, FILE_BEGIN)) {
        while (got < tail.size()) {
            ::DWORD n = 0;
            if (!::ReadFile(in, tail.data() + got, static_cast<::DWORD>(tail.size() - got), &n,
                            nullptr) ||
                n == 0)
                break;
            got += n;
        }
    }
    ::CloseHandle(in);
    tail.resize(got);
    if (start > 0) {
        const std::size_t eol = tail.find('\n');
        if (eol != std::string::npos)
            tail.erase(0, eol + 1);
    }
    ::_close(m_fd);
    m_fd = -1;
    std::string why;
    if (!SaveFileContents(m_path, tail, &why)) {
        if (error != nullptr)
            *error = why;
        OpenFile(nullptr);
        return false;
    }
    return OpenFile(error);
}

void CLogFile::Close() {
    if (m_fd >= 0) {
        ::_close(m_fd);
        m_fd = -1;
    }
}

} // namespace plat
