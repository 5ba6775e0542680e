#include "platform/virtual/CardFile.h"

namespace plat {

bool ReadCardFile(const std::string& path, VirtualCardDesc& /*card*/, std::string& error) {
    error = path + ": card description files are not readable yet";
    return false;
}

} // namespace plat
