// CRegistry: navigation and typed values.
#include "config/Registry.h"

#include "platform/archive/little_endian.h"

#include <cstring>

using namespace plat;

namespace {

struct RootEntry {
    HKEY root;
    const char* name;
};

const RootEntry kRoots[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {HKEY_USERS, "HKEY_USERS"},
    {HKEY_PERFORMANCE_DATA, "HKEY_PERFORMANCE_DATA"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
    {HKEY_DYN_DATA, "HKEY_DYN_DATA"},
};

void DropTrailingBackslash(std::string& path) {
    if (!path.empty() && path.back() == '\\')
        path.pop_back();
}

} // namespace

std::string CRegistry::RootNameOf(HKEY root) {
    for (const RootEntry& e : kRoots)
        if (e.root == root)
            return std::string(e.name) + "\\";
    return {};
}

HKEY CRegistry::RootFromName(const std::string& name) {
    for (const RootEntry& e : kRoots)
        if (name == e.name)
            return e.root;
    return nullptr;
}

CRegistry::CRegistry(HKEY root, REGSAM access)
    : m_hKey(root), m_hRoot(root), m_rootName(RootNameOf(root)), m_access(access) {}

CRegistry::~CRegistry() {
    Close();
}

void CRegistry::Close() {
    if (m_hKey != m_hRoot && m_hKey != nullptr)
        RegCloseKey(m_hKey);
    m_hKey = m_hRoot;
}

bool CRegistry::MoveTo(const std::string& path, bool create) {
    HKEY opened = nullptr;
    if (create) {
        DWORD disposition = 0;
        m_lastResult = RegCreateKeyEx(m_hRoot, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      KEY_ALL_ACCESS, nullptr, &opened, &disposition);
    } else {
        m_lastResult = RegOpenKeyEx(m_hRoot, path.c_str(), 0, m_access, &opened);
    }
    if (m_lastResult != ERROR_SUCCESS)
        return false;
    Close();
    m_hKey = opened;
    m_path = path;
    return true;
}

bool CRegistry::Open(HKEY root, const std::string& path, REGSAM access) {
    const std::string rootName = RootNameOf(root);
    if (rootName.empty()) {
        m_lastResult = ERROR_INVALID_HANDLE;
        return false;
    }
    std::string newPath = path;
    DropTrailingBackslash(newPath);
    HKEY opened = nullptr;
    m_lastResult = RegOpenKeyEx(root, newPath.c_str(), 0, access, &opened);
    Close();
    if (m_lastResult != ERROR_SUCCESS)
        return false; // previous root and path stay, no key is open
    m_hRoot = root;
    m_rootName = rootName;
    m_access = access;
    m_path = newPath;
    m_hKey = opened;
    return true;
}

std::string CRegistry::ComposePath(const std::string& name) const {
    std::string path = m_path;
    if (!path.empty() && path.back() != '\\')
        path += '\\';
    path += name;
    DropTrailingBackslash(path);
    return path;
}

bool CRegistry::OpenSubKey(const std::string& name) {
    return MoveTo(ComposePath(name), false);
}

bool CRegistry::CreateSubKey(const std::string& name) {
    return MoveTo(ComposePath(name), true);
}

bool CRegistry::GoUp(int levels) {
    std::string path = m_path;
    for (int i = 0; i < levels; ++i) {
        if (path.empty()) {
            m_lastResult = ERROR_BADKEY;
            return false;
        }
        const std::size_t slash = path.rfind('\\');
        path = slash == std::string::npos ? std::string() : path.substr(0, slash);
    }
    return MoveTo(path, false);
}

bool CRegistry::DeleteCurrentKey() {
    if (m_path.empty()) {
        m_lastResult = ERROR_ACCESS_DENIED;
        return false;
    }
    const std::size_t slash = m_path.rfind('\\');
    const std::string last = slash == std::string::npos ? m_path : m_path.substr(slash + 1);
    if (!GoUp(1))
        return false;
    m_lastResult = RegDeleteKey(m_hKey, last.c_str());
    return m_lastResult == ERROR_SUCCESS;
}

bool CRegistry::DeleteValue(const std::string& name) {
    m_lastResult = RegDeleteValue(m_hKey, name.c_str());
    return m_lastResult == ERROR_SUCCESS;
}

bool CRegistry::EnumNames(bool values, std::vector<std::string>& list) {
    DWORD count = 0;
    m_lastResult =
        RegQueryInfoKey(m_hKey, nullptr, nullptr, nullptr, values ? nullptr : &count, nullptr,
                        nullptr, values ? &count : nullptr, nullptr, nullptr, nullptr, nullptr);
    list.clear();
    if (m_lastResult != ERROR_SUCCESS)
        return false;
    for (DWORD i = 0; i < count; ++i) {
        char name[kBufferSize];
        DWORD size = kBufferSize;
        m_lastResult =
            values ? RegEnumValue(m_hKey, i, name, &size, nullptr, nullptr, nullptr, nullptr)
                   : RegEnumKeyEx(m_hKey, i, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (m_lastResult != ERROR_SUCCESS)
            return false;
        list.emplace_back(name, size);
    }
    return true;
}

bool CRegistry::EnumSubKeys(std::vector<std::string>& list) {
    return EnumNames(false, list);
}

bool CRegistry::EnumValues(std::vector<std::string>& list) {
    return EnumNames(true, list);
}

bool CRegistry::SetValue(const std::string& name, DWORD type, const void* data, DWORD size,
                         DWORD lastType) {
    m_lastType = lastType;
    m_lastSize = size;
    m_lastResult =
        RegSetValueEx(m_hKey, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    return m_lastResult == ERROR_SUCCESS;
}

bool CRegistry::QueryValue(const std::string& name, std::vector<BYTE>& data, DWORD& type) {
    DWORD size = 0;
    type = REG_NONE;
    m_lastResult = RegQueryValueEx(m_hKey, name.c_str(), nullptr, &type, nullptr, &size);
    if (m_lastResult != ERROR_SUCCESS)
        return false;
    data.resize(size);
    m_lastResult = RegQueryValueEx(m_hKey, name.c_str(), nullptr, &type, data.data(), &size);
    data.resize(size);
    m_lastType = type;
    m_lastSize = size;
    return m_lastResult == ERROR_SUCCESS;
}

bool CRegistry::WriteString(const std::string& name, const std::string& text) {
    return SetValue(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1), REG_SZ);
}

bool CRegistry::ReadString(const std::string& name, std::string& text) {
    char buffer[kBufferSize];
    DWORD size = kBufferSize;
    DWORD type = REG_NONE;
    m_lastResult = RegQueryValueEx(m_hKey, name.c_str(), nullptr, &type,
                                   reinterpret_cast<BYTE*>(buffer), &size);
    m_lastType = type;
    m_lastSize = size;
    if (m_lastResult != ERROR_SUCCESS)
        return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        m_lastResult = ERROR_INVALID_PARAMETER;
        return false;
    }
    const void* zero = std::memchr(buffer, 0, size);
    text.assign(buffer, zero ? static_cast<const char*>(zero) - buffer : size);
    return true;
}

bool CRegistry::WriteDword(const std::string& name, DWORD value) {
    BYTE bytes[4];
    PutLe32(bytes, value);
    return SetValue(name, REG_DWORD, bytes, 4, REG_DWORD);
}

bool CRegistry::ReadDword(const std::string& name, DWORD& value) {
    std::vector<BYTE> data;
    DWORD type = REG_NONE;
    if (!QueryValue(name, data, type))
        return false;
    if (type != REG_DWORD || data.size() != 4) {
        m_lastResult = ERROR_INVALID_PARAMETER;
        return false;
    }
    value = Le32(data.data());
    return true;
}

bool CRegistry::WriteBool(const std::string& name, bool flag) {
    const bool ok = WriteDword(name, flag ? 1 : 0);
    m_lastType = REG_BOOL;
    return ok;
}

bool CRegistry::ReadBool(const std::string& name, bool& flag) {
    DWORD value = 0;
    const bool ok = ReadDword(name, value);
    m_lastType = REG_BOOL;
    if (ok)
        flag = value != 0;
    return ok;
}
