#include "platform/files/new_file.h"

#include "platform/files/paths.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    struct stat st {};
    if (::lstat(native.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return Fail(path, std::strerror(EISDIR), error);
        if (::unlink(native.c_str()) != 0 && errno != ENOENT)
            return Fail(path,
                        std::string("the old file cannot be removed: ") + std::strerror(errno),
                        error);
    }
    const int fd =
        ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return Fail(path, std::strerror(errno), error);
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        const int why = errno;
        ::close(fd);
        ::unlink(native.c_str());
        return Fail(path, std::strerror(why), error);
    }
    return file;
}

} // namespace plat
