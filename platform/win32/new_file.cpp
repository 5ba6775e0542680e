// CreateNewFile on Windows: an old file or link of the name is deleted (a
// link itself, never what it names), then the file is created with
// CREATE_NEW, so a name taken in between makes the call fail.
#include "platform/files/new_file.h"

#include "platform/files/paths.h"
#include "platform/win32/system_error.h"
#include "platform/win32/windows_api.h"

#include <fcntl.h>
#include <io.h>

namespace plat {

namespace {

std::FILE* Fail(const std::string& path, const std::string& why, std::string* error) {
    if (error != nullptr)
        *error = "cannot create " + path + ": " + why;
    return nullptr;
}

} // namespace

std::FILE* CreateNewFile(const std::string& path, std::string* error) {
    const std::string native = NativePath(path);
    if (native.empty())
        return Fail(path, "no file name was given", error);
    const ::DWORD attributes = ::GetFileAttributesA(native.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
            (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
            return Fail(path, "it is a directory", error);
        const bool removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                                 ? ::RemoveDirectoryA(native.c_str())
                                 : ::DeleteFileA(native.c_str());
        if (!removed && ::GetLastError() != ERROR_FILE_NOT_FOUND)
            return Fail(path, "the old file cannot be removed: " + LastErrorText(), error);
    }
    HANDLE file = ::CreateFileA(native.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Fail(path, LastErrorText(), error);
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(file);
        ::DeleteFileA(native.c_str());
        return Fail(path, "no C library descriptor is left", error);
    }
    std::FILE* stream = ::_fdopen(fd, "wb");
    if (stream == nullptr) {
        ::_close(fd);
        ::DeleteFileA(native.c_str());
        return Fail(path, "no C library stream is left", error);
    }
    return stream;
}

} // namespace plat
