// CreateNewFile: the name checked and the failure told here; the file is made
// by the system (system_files.h).
#include "platform/files/new_file.h"

#include "platform/files/paths.h"
#include "platform/files/system_files.h"

namespace plat {

std::FILE* CreateNewFile(const std::string& path, std::string* error) {
    const std::string native = NativePath(path);
    std::string why = "no file name was given";
    std::FILE* file = native.empty() ? nullptr : files::CreateNewFileAt(native, why);
    if (file == nullptr && error != nullptr)
        *error = "cannot create " + path + ": " + why;
    return file;
}

} // namespace plat
