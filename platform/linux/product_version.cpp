// The version the build recorded.
#include "platform/system/product_version.h"

#ifndef PELMORA_VERSION
#define PELMORA_VERSION ""
#endif

namespace plat {

std::string SystemProductVersion() {
    return PELMORA_VERSION;
}

} // namespace plat
