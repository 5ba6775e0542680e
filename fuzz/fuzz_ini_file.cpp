// CIniFile on any bytes: the file opens, every key of every section can be
// looked up, and what is saved reads back as the same lines.
#include "fuzz/FuzzSupport.h"
#include "platform/text/ini_file.h"

#include <algorithm>

namespace {

constexpr const char* kName = "fuzz_ini_file";
// Lookups scan the lines, so a file of many sections is looked at in part.
constexpr std::size_t kLookups = 64;

std::string Quoted(const std::string& line) {
    std::string out = "\"";
    for (const char c : line.substr(0, 200)) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u >= 0x7f || c == '"' || c == '\\') {
            static const char hex[] = "0123456789abcdef";
            out += "\\x";
            out += hex[u >> 4];
            out += hex[u & 15];
        } else {
            out += c;
        }
    }
    return out + (line.size() > 200 ? "\"..." : "\"");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::WriteInput("input.ini", data, size);
    CIniFile ini;
    if (!ini.Open(path))
        fuzz::Fail(kName, "a readable file does not open");

    std::vector<std::string> sections;
    ini.GetSectionNames(sections);
    for (std::size_t s = 0; s < std::min(sections.size(), kLookups); ++s) {
        std::vector<std::string> keys;
        ini.GetKeyNames(sections[s], keys);
        for (std::size_t k = 0; k < std::min(keys.size(), kLookups); ++k)
            ini.GetString(sections[s], keys[k]);
    }

    const std::string saved = fuzz::ScratchDir() + "saved.ini";
    if (!ini.Save(saved))
        fuzz::Fail(kName, "saving to " + saved + " failed");
    // Nothing was changed: the file comes back byte for byte.
    std::string bytes;
    if (!fuzz::ReadWholeFile(saved, bytes) ||
        bytes != std::string(reinterpret_cast<const char*>(data), size))
        fuzz::Fail(kName, "saved unchanged, the file's bytes differ");
    CIniFile back;
    if (!back.Open(saved))
        fuzz::Fail(kName, "the saved file does not open");
    const auto& before = ini.Lines();
    const auto& after = back.Lines();
    if (before != after) {
        std::size_t i = 0;
        while (i < before.size() && i < after.size() && before[i] == after[i])
            ++i;
        fuzz::Fail(kName, "saved and read back, line " + std::to_string(i + 1) + " of " +
                              std::to_string(before.size()) + " changes from " +
                              (i < before.size() ? Quoted(before[i]) : "(none)") + " to " +
                              (i < after.size() ? Quoted(after[i]) : "(none)"));
    }
    return 0;
}
