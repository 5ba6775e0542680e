// Removes a registry key with everything below it, quietly when it is not
// there. On POSIX each test has a hive of its own; on Windows the products
// are registered in the system's registry, which every test shares, so a
// test that registers them removes them again.
#pragma once

#include "platform/registry/registry.h"

#include <string>
#include <vector>

inline bool DeleteKeyTree(plat::HKEY root, const std::string& path) {
    plat::HKEY key = nullptr;
    if (plat::RegOpenKeyEx(root, path.c_str(), 0, plat::KEY_ALL_ACCESS, &key) !=
        plat::ERROR_SUCCESS)
        return true;
    std::vector<std::string> children;
    char name[256];
    plat::DWORD length = sizeof name;
    for (plat::DWORD i = 0; plat::RegEnumKeyEx(key, i, name, &length, nullptr, nullptr, nullptr,
                                               nullptr) == plat::ERROR_SUCCESS;
         ++i, length = sizeof name)
        children.emplace_back(name, length);
    plat::RegCloseKey(key);
    bool ok = true;
    for (const std::string& child : children)
        ok = DeleteKeyTree(root, path + "\\" + child) && ok;
    return plat::RegDeleteKey(root, path.c_str()) == plat::ERROR_SUCCESS && ok;
}
