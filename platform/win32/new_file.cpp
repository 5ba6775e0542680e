// A new file on Windows: an old file or link of the name is deleted (a link
// itself, never what it names), then the file is created with CREATE_NEW, so
// a name taken in between makes the call fail.
#include "platform/files/system_files.h"
#include "platform/win32/system_error.h"
#include "platform/win32/windows_api.h"

#include <fcntl.h>
#include <io.h>

namespace plat::files {

std::FILE* CreateNewFileAt(const std::string& native, std::string& why) {
    const ::DWORD attributes = ::GetFileAttributesA(native.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
            (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
            why = "it is a directory";
            return nullptr;
        }
        const bool removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                                 ? ::RemoveDirectoryA(native.c_str())
                                 : ::DeleteFileA(native.c_str());
        if (!removed && ::GetLastError() != ERROR_FILE_NOT_FOUND) {
            why = "the old file cannot be removed: " + LastErrorText();
            return nullptr;
        }
    }
    HANDLE file = ::CreateFileA(native.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        why = LastErrorText();
        return nullptr;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(file);
        ::DeleteFileA(native.c_str());
        why = "no C library descriptor is left";
        return nullptr;
    }
    std::FILE* stream = ::_fdopen(fd, "wb");
    if (stream == nullptr) {
        ::_close(fd);
        ::DeleteFileA(native.c_str());
        why = "no C library stream is left";
    }
    return stream;
}

} // namespace plat::files
