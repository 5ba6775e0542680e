// The product version, or the one a test set in its place.
#include "platform/system/product_version.h"
#include "platform/system/program.h"
#include "platform/system/system_testing.h"

#include <mutex>
#include <optional>

namespace plat {

namespace {

std::mutex& VersionMutex() {
    static std::mutex m;
    return m;
}

std::optional<std::string>& VersionOverride() {
    static std::optional<std::string> v;
    return v;
}

} // namespace

std::string GetProductVersion() {
    std::lock_guard lock(VersionMutex());
    if (VersionOverride())
        return *VersionOverride();
    return SystemProductVersion();
}

void SetProductVersionForTesting(const char* version) {
    std::lock_guard lock(VersionMutex());
    if (version != nullptr)
        VersionOverride() = version;
    else
        VersionOverride().reset();
}

} // namespace plat
