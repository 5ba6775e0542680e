// The log's file on Windows: opened for appending (FILE_APPEND_DATA, so every
// write lands at the end), never through a link, and refused when it has
// other hard links; shared so the file writer may cut it while it is open.
#include "platform/files/system_files.h"
#include "platform/win32/system_error.h"
#include "platform/win32/windows_api.h"

#include <fcntl.h>
#include <io.h>

#include <utility>

namespace plat::files {

namespace {

HANDLE HandleOf(int fd) {
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

constexpr ::DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

int Refused(std::string& why, std::string reason) {
    why = std::move(reason);
    return -1;
}

} // namespace

int OpenLogForAppending(const std::string& native, std::string& why) {
    const ::DWORD attributes = ::GetFileAttributesA(native.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
            return Refused(why, "it is a symbolic link");
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return Refused(why, "it is not a regular file");
    }
    HANDLE file =
        ::CreateFileA(native.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Refused(why, LastErrorText());
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file, &info))
        why = "its attributes cannot be read";
    else if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        why = "it is a symbolic link";
    else if (info.nNumberOfLinks > 1)
        why = "it has other hard links";
    else if (const int fd =
                 ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
             fd >= 0)
        return fd;
    else
        why = "no C library descriptor is left";
    ::CloseHandle(file);
    return -1;
}

long long LogSize(int fd, std::string& why) {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(HandleOf(fd), &size)) {
        why = LastErrorText();
        return -1;
    }
    return size.QuadPart;
}

bool AppendToLog(int fd, std::string_view text, std::string& why) {
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        ::DWORD written = 0;
        const ::DWORD part = left > 65536 ? 65536 : static_cast<::DWORD>(left);
        if (!::WriteFile(HandleOf(fd), data, part, &written, nullptr) || written == 0) {
            why = written == 0 ? WindowsErrorText(ERROR_DISK_FULL) : LastErrorText();
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

bool ReadLogPart(const std::string& native, std::size_t start, std::size_t count,
                 std::string& bytes, std::string& why) {
    HANDLE in = ::CreateFileA(native.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (in == INVALID_HANDLE_VALUE) {
        why = LastErrorText();
        return false;
    }
    bytes.assign(count, '\0');
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<long long>(start);
    std::size_t got = 0;
    if (::SetFilePointerEx(in, at, nullptr, FILE_BEGIN)) {
        while (got < count) {
            ::DWORD n = 0;
            if (!::ReadFile(in, bytes.data() + got, static_cast<::DWORD>(count - got), &n,
                            nullptr) ||
                n == 0)
                break;
            got += n;
        }
    }
    ::CloseHandle(in);
    bytes.resize(got);
    return true;
}

} // namespace plat::files
