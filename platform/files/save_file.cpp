// SaveFileContents: the whole content of a file through the one file writer.
#include "platform/files/file_writer.h"

namespace plat {

bool SaveFileContents(const std::string& path, std::string_view bytes, std::string* error) {
    CFileWriter writer;
    const bool ok = writer.Open(path) && writer.Write(bytes) && writer.Commit();
    if (error != nullptr)
        *error = ok ? std::string() : writer.GetError();
    return ok;
}

} // namespace plat
