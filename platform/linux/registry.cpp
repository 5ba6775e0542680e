// Registry services over the hive file (see registry.h); the hive's cache,
// lock and batch are in registry_state.h.

#include "platform/registry/registry.h"

#include "platform/linux/registry_state.h"
#include "platform/registry/registry_hive.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <mutex>
#include <string_view>
#include <vector>

namespace plat {

namespace {

using hive::Key;
using hive::Value;
using reg::kRootBase;
using reg::OpenKey;
using reg::State;
using reg::WithHive;

// Resolved location of a key handle.
struct Where {
    int root = -1;
    std::vector<std::string> path;
    REGSAM access = 0;
};

LONG Resolve(State& s, HKEY h, Where& w) {
    const auto v = reinterpret_cast<std::uintptr_t>(h);
    if (v >= kRootBase && v < kRootBase + hive::kRootCount) {
        w.root = static_cast<int>(v - kRootBase);
        w.path.clear();
        w.access = KEY_ALL_ACCESS;
        return ERROR_SUCCESS;
    }
    const auto it = s.handles.find(v);
    if (it == s.handles.end())
        return ERROR_INVALID_HANDLE;
    w.root = it->second.root;
    w.path = it->second.path;
    w.access = it->second.access;
    return ERROR_SUCCESS;
}

// Splits a sub-key path below a key `depth` levels deep at backslashes; one
// trailing backslash is allowed. A path beyond the registry's limits is
// refused with the reason in `why`.
LONG SplitSubKey(LPCSTR sub, std::size_t depth, std::vector<std::string>& parts, std::string& why) {
    parts.clear();
    if (sub == nullptr || *sub == 0)
        return ERROR_SUCCESS;
    std::string_view text(sub);
    if (text.back() == '\\')
        text.remove_suffix(1);
    std::vector<std::string_view> names;
    const hive::PathCheck check = hive::SplitKeyPath(text, depth, names);
    if (check.fault == hive::PathFault::kEmptyName)
        return ERROR_BAD_PATHNAME;
    if (check.fault != hive::PathFault::kNone) {
        why = "registry key path refused: " + check.Describe();
        return ERROR_INVALID_PARAMETER;
    }
    for (std::string_view name : names)
        for (char c : name)
            if (static_cast<unsigned char>(c) < 0x20)
                return ERROR_INVALID_PARAMETER;
    parts.assign(names.begin(), names.end());
    return ERROR_SUCCESS;
}

// The handle's location and the parts of a sub-key path below it.
LONG ResolveSubKey(State& s, HKEY h, LPCSTR sub, Where& w, std::vector<std::string>& parts) {
    const LONG r = Resolve(s, h, w);
    return r != ERROR_SUCCESS ? r : SplitSubKey(sub, w.path.size(), parts, s.lastError);
}

Key* Walk(State& s, int root, const std::vector<std::string>& path) {
    Key* k = &s.tree.roots[root];
    for (const std::string& part : path) {
        k = k->FindSubKey(part);
        if (k == nullptr)
            return nullptr;
    }
    return k;
}

// The key a handle refers to, in the up-to-date tree.
LONG KeyOf(State& s, HKEY h, REGSAM need, Key*& key) {
    Where w;
    LONG r = Resolve(s, h, w);
    if (r != ERROR_SUCCESS)
        return r;
    if ((w.access & need) != need)
        return ERROR_ACCESS_DENIED;
    key = Walk(s, w.root, w.path);
    return key ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

HKEY NewHandle(State& s, int root, std::vector<std::string> path, REGSAM access) {
    const std::uintptr_t id = s.nextHandle;
    s.nextHandle += 4;
    s.handles[id] = OpenKey{root, std::move(path), access};
    return reinterpret_cast<HKEY>(id);
}

// A name and its length (without the terminating zero) into a buffer of
// *cch characters.
LONG CopyName(const std::string& name, LPSTR out, DWORD* cch) {
    if (name.size() + 1 > *cch)
        return ERROR_MORE_DATA;
    std::memcpy(out, name.c_str(), name.size() + 1);
    *cch = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

// A value's type and data into the caller's optional outputs.
LONG CopyValue(const Value& v, DWORD* lpType, BYTE* lpData, DWORD* lpcbData) {
    if (lpType)
        *lpType = v.type;
    const auto size = static_cast<DWORD>(v.data.size());
    if (lpData != nullptr) {
        if (*lpcbData < size) {
            *lpcbData = size;
            return ERROR_MORE_DATA;
        }
        if (size > 0)
            std::memcpy(lpData, v.data.data(), size);
    }
    if (lpcbData)
        *lpcbData = size;
    return ERROR_SUCCESS;
}

// The sub-key at `index` (< the count) in enumeration order: one step on from
// the last one asked for when that was the one before it, else counted from
// the nearer of the first and the last.
Key::SubKeyMap::const_iterator SubKeyAt(State& s, const Key& key, DWORD index) {
    reg::EnumCursor& c = s.cursor;
    Key::SubKeyMap::const_iterator it;
    if (c.key == &key && c.generation == s.generation && c.index <= index) {
        it = c.at;
        std::advance(it, index - c.index);
    } else if (index <= key.subKeys.size() / 2) {
        it = key.subKeys.begin();
        std::advance(it, index);
    } else {
        it = key.subKeys.end();
        std::advance(it, -static_cast<std::ptrdiff_t>(key.subKeys.size() - index));
    }
    c = reg::EnumCursor{&key, index, it, s.generation};
    return it;
}

// Keys have no class: an empty one.
void NoClass(LPSTR lpClass, DWORD* lpcchClass) {
    if (lpClass && lpcchClass && *lpcchClass > 0)
        *lpClass = 0;
    if (lpcchClass)
        *lpcchClass = 0;
}

} // namespace

LONG RegOpenKeyEx(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
    if (phkResult == nullptr)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    return WithHive(false, [&](State& s, bool&) {
        Where w;
        std::vector<std::string> parts;
        if (LONG r = ResolveSubKey(s, hKey, lpSubKey, w, parts); r != ERROR_SUCCESS)
            return r == ERROR_BAD_PATHNAME ? ERROR_FILE_NOT_FOUND : r;
        Key* k = Walk(s, w.root, w.path);
        if (k == nullptr)
            return ERROR_KEY_DELETED;
        std::vector<std::string> full = w.path;
        for (const std::string& part : parts) {
            const auto it = k->subKeys.find(part);
            if (it == k->subKeys.end())
                return ERROR_FILE_NOT_FOUND;
            full.push_back(it->first); // the stored spelling
            k = it->second.get();
        }
        *phkResult = NewHandle(s, w.root, std::move(full), samDesired);
        return ERROR_SUCCESS;
    });
}

LONG RegCreateKeyEx(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM samDesired, const void*,
                    PHKEY phkResult, DWORD* lpdwDisposition) {
    if (phkResult == nullptr)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    return WithHive(true, [&](State& s, bool& changed) {
        Where w;
        std::vector<std::string> parts;
        if (LONG r = ResolveSubKey(s, hKey, lpSubKey, w, parts); r != ERROR_SUCCESS)
            return r;
        Key* k = Walk(s, w.root, w.path);
        if (k == nullptr)
            return ERROR_KEY_DELETED;
        bool createdAny = false;
        std::vector<std::string> full = w.path;
        for (const std::string& part : parts) {
            auto it = k->subKeys.find(part);
            if (it == k->subKeys.end()) {
                if ((w.access & KEY_CREATE_SUB_KEY) == 0)
                    return ERROR_ACCESS_DENIED;
                it = k->subKeys.emplace(part, std::make_unique<Key>()).first;
                createdAny = true;
            }
            full.push_back(it->first);
            k = it->second.get();
        }
        changed = createdAny;
        if (lpdwDisposition)
            *lpdwDisposition = createdAny ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
        *phkResult = NewHandle(s, w.root, std::move(full), samDesired);
        return ERROR_SUCCESS;
    });
}

LONG RegQueryValueEx(HKEY hKey, LPCSTR lpValueName, DWORD*, DWORD* lpType, BYTE* lpData,
                     DWORD* lpcbData) {
    if (lpData != nullptr && lpcbData == nullptr)
        return ERROR_INVALID_PARAMETER;
    return WithHive(false, [&](State& s, bool&) {
        Key* k = nullptr;
        LONG r = KeyOf(s, hKey, KEY_QUERY_VALUE, k);
        if (r != ERROR_SUCCESS)
            return r;
        const Value* v = k->FindValue(lpValueName ? lpValueName : "");
        if (v == nullptr)
            return ERROR_FILE_NOT_FOUND;
        return CopyValue(*v, lpType, lpData, lpcbData);
    });
}

LONG RegSetValueEx(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData,
                   DWORD cbData) {
    if (lpData == nullptr && cbData != 0)
        return ERROR_INVALID_PARAMETER;
    return WithHive(true, [&](State& s, bool& changed) {
        Key* k = nullptr;
        LONG r = KeyOf(s, hKey, KEY_SET_VALUE, k);
        if (r != ERROR_SUCCESS)
            return r;
        const std::string name = lpValueName ? lpValueName : "";
        std::vector<BYTE> data(lpData, lpData + cbData);
        Value* v = k->FindValue(name);
        if (v == nullptr) {
            k->AddValue(Value{name, dwType, std::move(data)});
            changed = true;
        } else if (v->type != dwType || v->data != data) {
            v->type = dwType;
            v->data = std::move(data);
            changed = true;
        }
        return ERROR_SUCCESS;
    });
}

LONG RegEnumKeyEx(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD* lpcchName, DWORD*, LPSTR lpClass,
                  DWORD* lpcchClass, FILETIME* lpftLastWriteTime) {
    if (lpName == nullptr || lpcchName == nullptr)
        return ERROR_INVALID_PARAMETER;
    return WithHive(false, [&](State& s, bool&) {
        Key* k = nullptr;
        LONG r = KeyOf(s, hKey, KEY_ENUMERATE_SUB_KEYS, k);
        if (r != ERROR_SUCCESS)
            return r;
        if (dwIndex >= k->subKeys.size())
            return ERROR_NO_MORE_ITEMS;
        const auto it = SubKeyAt(s, *k, dwIndex);
        if ((r = CopyName(it->first, lpName, lpcchName)) != ERROR_SUCCESS)
            return r;
        NoClass(lpClass, lpcchClass);
        if (lpftLastWriteTime)
            *lpftLastWriteTime = FILETIME{0, 0};
        return ERROR_SUCCESS;
    });
}

LONG RegEnumValue(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, DWORD* lpcchValueName, DWORD*,
                  DWORD* lpType, BYTE* lpData, DWORD* lpcbData) {
    if (lpValueName == nullptr || lpcchValueName == nullptr ||
        (lpData != nullptr && lpcbData == nullptr))
        return ERROR_INVALID_PARAMETER;
    return WithHive(false, [&](State& s, bool&) {
        Key* k = nullptr;
        LONG r = KeyOf(s, hKey, KEY_QUERY_VALUE, k);
        if (r != ERROR_SUCCESS)
            return r;
        if (dwIndex >= k->Values().size())
            return ERROR_NO_MORE_ITEMS;
        const Value& v = k->Values()[dwIndex];
        if ((r = CopyName(v.name, lpValueName, lpcchValueName)) != ERROR_SUCCESS)
            return r;
        return CopyValue(v, lpType, lpData, lpcbData);
    });
}

LONG RegQueryInfoKey(HKEY hKey, LPSTR lpClass, DWORD* lpcchClass, DWORD*, DWORD* lpcSubKeys,
                     DWORD* lpcbMaxSubKeyLen, DWORD* lpcbMaxClassLen, DWORD* lpcValues,
                     DWORD* lpcbMaxValueNameLen, DWORD* lpcbMaxValueLen,
                     DWORD* lpcbSecurityDescriptor, FILETIME* lpftLastWriteTime) {
    return WithHive(false, [&](State& s, bool&) {
        Key* k = nullptr;
        LONG r = KeyOf(s, hKey, KEY_QUERY_VALUE, k);
        if (r != ERROR_SUCCESS)
            return r;
        DWORD maxSub = 0, maxName = 0, maxData = 0;
        for (const auto& entry : k->subKeys)
            maxSub = std::max(maxSub, static_cast<DWORD>(entry.first.size()));
        for (const Value& v : k->Values()) {
            maxName = std::max(maxName, static_cast<DWORD>(v.name.size()));
            maxData = std::max(maxData, static_cast<DWORD>(v.data.size()));
        }
        NoClass(lpClass, lpcchClass);
        if (lpcSubKeys)
            *lpcSubKeys = static_cast<DWORD>(k->subKeys.size());
        if (lpcbMaxSubKeyLen)
            *lpcbMaxSubKeyLen = maxSub;
        if (lpcbMaxClassLen)
            *lpcbMaxClassLen = 0;
        if (lpcValues)
            *lpcValues = static_cast<DWORD>(k->Values().size());
        if (lpcbMaxValueNameLen)
            *lpcbMaxValueNameLen = maxName;
        if (lpcbMaxValueLen)
            *lpcbMaxValueLen = maxData;
        if (lpcbSecurityDescriptor)
            *lpcbSecurityDescriptor = 0;
        if (lpftLastWriteTime)
            *lpftLastWriteTime = FILETIME{0, 0};
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteKey(HKEY hKey, LPCSTR lpSubKey) {
    return WithHive(true, [&](State& s, bool& changed) {
        Where w;
        std::vector<std::string> parts;
        if (LONG r = ResolveSubKey(s, hKey, lpSubKey, w, parts); r != ERROR_SUCCESS)
            return r == ERROR_BAD_PATHNAME ? ERROR_FILE_NOT_FOUND : r;
        std::vector<std::string> full = w.path;
        full.insert(full.end(), parts.begin(), parts.end());
        if (full.empty())
            return ERROR_ACCESS_DENIED; // a root cannot be deleted
        Key* victim = Walk(s, w.root, full);
        if (victim == nullptr)
            return parts.empty() ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
        if (!victim->subKeys.empty())
            return ERROR_ACCESS_DENIED;
        const std::string last = full.back();
        full.pop_back();
        Walk(s, w.root, full)->subKeys.erase(last);
        changed = true;
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteValue(HKEY hKey, LPCSTR lpValueName) {
    return WithHive(true, [&](State& s, bool& changed) {
        Key* k = nullptr;
        LONG r = KeyOf(s, hKey, KEY_SET_VALUE, k);
        if (r != ERROR_SUCCESS)
            return r;
        if (!k->RemoveValue(lpValueName ? lpValueName : ""))
            return ERROR_FILE_NOT_FOUND;
        changed = true;
        return ERROR_SUCCESS;
    });
}

LONG RegCloseKey(HKEY hKey) {
    State& s = reg::S();
    std::lock_guard<std::mutex> guard(s.mu);
    const auto v = reinterpret_cast<std::uintptr_t>(hKey);
    if (v >= kRootBase && v < kRootBase + hive::kRootCount)
        return ERROR_SUCCESS;
    return s.handles.erase(v) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

std::string RegHivePath() {
    State& s = reg::S();
    std::lock_guard<std::mutex> guard(s.mu);
    return reg::CurrentPath(s);
}

void RegUseHiveFile(const std::string& path) {
    State& s = reg::S();
    std::lock_guard<std::mutex> guard(s.mu);
    s.overridePath = path;
    // A batch keeps its hive to its end; the next call after it sees that the
    // path changed and reads the new file.
    if (!s.batch.active)
        s.cached = false;
}

std::string RegHiveError() {
    State& s = reg::S();
    std::lock_guard<std::mutex> guard(s.mu);
    return s.lastError;
}

} // namespace plat
