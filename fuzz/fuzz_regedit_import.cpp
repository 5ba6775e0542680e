// REGEDIT4 import on any bytes, into a hive of its own: whether the file is
// taken or refused, the hive left behind reads back, and nothing but the hive
// and its lock file stays beside it.
#include "config/Registry.h"
#include "fuzz/FuzzSupport.h"
#include "platform/registry/registry_hive.h"

#include <sys/stat.h>

namespace {

constexpr const char* kName = "fuzz_regedit_import";
constexpr const char* kHiveDir = "hive";

std::string HivePath() {
    return fuzz::ScratchDir() + kHiveDir + "/registry.reg";
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    plat::RegUseHiveFile(HivePath());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::RemoveEntry(kHiveDir);
    ::mkdir((fuzz::ScratchDir() + kHiveDir).c_str(), 0700);
    const std::string path = fuzz::WriteInput("import.reg", data, size);
    CRegistry::ImportRegFile(path);

    const std::string left = fuzz::ListDirectory(kHiveDir);
    if (left != "" && left != "registry.reg.lock" && left != "registry.reg registry.reg.lock")
        fuzz::Fail(kName, "the import leaves these files beside the hive: " + left);
    std::string text;
    if (fuzz::ReadWholeFile(HivePath(), text)) {
        plat::hive::Tree tree;
        std::string error;
        if (!plat::hive::Parse(text, tree, &error))
            fuzz::Fail(kName, "the hive written by the import does not read back: " + error);
    }
    return 0;
}
