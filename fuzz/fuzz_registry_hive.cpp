// The registry hive's text form on any bytes: what parses is written, read
// back and compared; every key, value, type and byte must come back, and the
// second writing must equal the first.
#include "fuzz/FuzzSupport.h"
#include "platform/registry/registry_hive.h"

namespace {

using plat::hive::Key;
using plat::hive::Tree;

constexpr const char* kName = "fuzz_registry_hive";

// The first difference between two keys, as a path and a reason; empty when
// they are the same.
std::string Difference(const Key& a, const Key& b, const std::string& path) {
    if (a.Values().size() != b.Values().size())
        return path + ": " + std::to_string(a.Values().size()) + " values become " +
               std::to_string(b.Values().size());
    for (std::size_t i = 0; i < a.Values().size(); ++i) {
        const auto& x = a.Values()[i];
        const auto& y = b.Values()[i];
        const std::string where = path + " value \"" + x.name + "\"";
        if (x.name != y.name)
            return where + ": the name becomes \"" + y.name + "\"";
        if (x.type != y.type)
            return where + ": type " + std::to_string(x.type) + " becomes " +
                   std::to_string(y.type);
        if (x.data != y.data)
            return where + ": " + std::to_string(x.data.size()) + " bytes become " +
                   std::to_string(y.data.size()) + " different bytes";
    }
    if (a.subKeys.size() != b.subKeys.size())
        return path + ": " + std::to_string(a.subKeys.size()) + " sub-keys become " +
               std::to_string(b.subKeys.size());
    for (auto x = a.subKeys.begin(), y = b.subKeys.begin(); x != a.subKeys.end(); ++x, ++y) {
        if (x->first != y->first)
            return path + ": sub-key \"" + x->first + "\" becomes \"" + y->first + "\"";
        std::string inner = Difference(*x->second, *y->second, path + "\\" + x->first);
        if (!inner.empty())
            return inner;
    }
    return {};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Tree read;
    std::string error;
    if (!plat::hive::Parse(text, read, &error)) {
        if (error.empty())
            fuzz::Fail(kName, "the text is refused without a reason");
        return 0;
    }
    const std::string written = plat::hive::Format(read);
    Tree back;
    if (!plat::hive::Parse(written, back, &error))
        fuzz::Fail(kName, "the written hive does not read back: " + error);
    for (int r = 0; r < plat::hive::kRootCount; ++r) {
        const std::string difference =
            Difference(read.roots[r], back.roots[r], plat::hive::RootName(r));
        if (!difference.empty())
            fuzz::Fail(kName, "written and read back, " + difference);
    }
    if (plat::hive::Format(back) != written)
        fuzz::Fail(kName, "the hive read back is written differently");
    return 0;
}
