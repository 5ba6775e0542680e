#include "config/RegistryTools.h"

#include "config/Registry.h"
#include "platform/files/paths.h"

#include <fstream>

using namespace plat;

namespace {

HKEY RootOf(const std::string& name) {
    static const std::pair<const char*, HKEY> shortNames[] = {{"HKLM", HKEY_LOCAL_MACHINE},
                                                              {"HKCU", HKEY_CURRENT_USER},
                                                              {"HKCR", HKEY_CLASSES_ROOT},
                                                              {"HKU", HKEY_USERS},
                                                              {"HKCC", HKEY_CURRENT_CONFIG}};
    for (const auto& [shortName, root] : shortNames)
        if (name == shortName)
            return root;
    return CRegistry::RootFromName(name);
}

std::string HiveDetail() {
    const std::string why = RegHiveError();
    return why.empty() ? std::string() : " (" + why + ")";
}

} // namespace

int ImportRegistryFile(const std::string& path, std::ostream& out, std::ostream& err) {
    std::ifstream in(NativePath(path), std::ios::binary);
    if (!in) {
        err << "pelmora: cannot open " << path << "\n";
        return 1;
    }
    std::string first;
    std::getline(in, first);
    while (!first.empty() && (first.back() == '\r' || first.back() == ' ' || first.back() == '\t'))
        first.pop_back();
    if (first.find("REGEDIT4") == std::string::npos) {
        err << "pelmora: " << path << " is not a REGEDIT4 file (its first line must be REGEDIT4)\n";
        return 1;
    }
    std::string why;
    if (!CRegistry::ImportRegFile(path, &why)) {
        if (why.empty())
            err << "pelmora: " << path << " was not imported completely" << HiveDetail() << "\n";
        else
            err << "pelmora: " << path << " " << why << "\n";
        return 1;
    }
    out << "Imported " << path << " into " << RegHivePath() << "\n";
    return 0;
}

int ExportRegistryKey(const std::string& key, const std::string& path, std::ostream& out,
                      std::ostream& err) {
    std::string text = key;
    for (char& c : text)
        if (c == '/')
            c = '\\';
    const std::size_t slash = text.find('\\');
    const HKEY root = RootOf(text.substr(0, slash));
    if (root == nullptr) {
        err << "pelmora: " << key << " does not start with a root key such as HKEY_LOCAL_MACHINE\n";
        return 1;
    }
    const std::string sub = slash == std::string::npos ? std::string() : text.substr(slash + 1);
    CRegistry reg(root, KEY_READ);
    if (!reg.Open(root, sub, KEY_READ)) {
        err << "pelmora: no registry key " << key << HiveDetail() << "\n";
        return 1;
    }
    if (!reg.ExportRegFile(path)) {
        const std::string why = reg.GetFileError();
        err << "pelmora: cannot export " << key << " to " << path
            << (why.empty() ? HiveDetail() : " (" + why + ")") << "\n";
        return 1;
    }
    out << "Exported " << reg.GetRootName() << reg.GetPath() << " to " << path << "\n";
    return 0;
}
