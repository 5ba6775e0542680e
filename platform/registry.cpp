// Registry services over the hive file (see registry.h).
//
// Readers take no lock: the hive is only ever replaced whole by a rename, so a
// reader sees either the old or the new file. Writers hold an exclusive flock
// on "<hive>.lock", re-read the hive when it changed since it was cached, make
// their change and write the hive anew through CFileWriter (a complete copy
// beside it, renamed over it).

#include "platform/registry.h"

#include "platform/file_writer.h"
#include "platform/registry_hive.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <map>
#include <mutex>
#include <new>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace plat {

namespace {

using hive::Key;
using hive::Value;

struct Stamp {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = -1;
    long long mtimeNs = -1;
    bool operator==(const Stamp&) const = default;
};

Stamp StampOf(const struct stat& st) {
    return Stamp{st.st_dev, st.st_ino, st.st_size,
                 static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

struct OpenKey {
    int root = 0;
    std::vector<std::string> path;
    REGSAM access = 0;
};

struct State {
    std::mutex mu;
    std::string overridePath;
    // The cache of the hive file.
    std::string cachedPath;
    bool cached = false;
    Stamp stamp;
    hive::Tree tree;
    std::string corrupt; // why the cached file cannot be used
    std::string lastError;
    std::map<std::uintptr_t, OpenKey> handles;
    std::uintptr_t nextHandle = 0x1000;
};

State& S() {
    static State state;
    return state;
}

constexpr std::uintptr_t kRootBase = 0x80000000u;

std::string DefaultHivePath() {
    if (const char* p = std::getenv("PELMORA_REGISTRY"); p && *p)
        return p;
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x)
        return std::string(x) + "/pelmora/registry.reg";
    if (const char* h = std::getenv("HOME"); h && *h)
        return std::string(h) + "/.local/share/pelmora/registry.reg";
    return "./pelmora/registry.reg";
}

std::string CurrentPath(State& s) {
    return s.overridePath.empty() ? DefaultHivePath() : s.overridePath;
}

bool MakeDirectories(const std::string& dir) {
    if (dir.empty())
        return true;
    struct stat st;
    if (::stat(dir.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    const std::size_t slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirectories(dir.substr(0, slash)))
        return false;
    return ::mkdir(dir.c_str(), 0777) == 0 || errno == EEXIST;
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

LONG CannotRead(State& s, const std::string& path, int err) {
    s.lastError = "registry hive " + path + ": " + std::strerror(err);
    return ERROR_CANTREAD;
}

// Brings the cached tree up to date with the hive file.
LONG Refresh(State& s, const std::string& path) {
    if (s.cachedPath != path) {
        s.cached = false;
        s.cachedPath = path;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT)
            return CannotRead(s, path, errno);
        if (!s.cached || s.stamp != Stamp{}) {
            s.tree = hive::Tree{};
            s.stamp = Stamp{};
            s.corrupt.clear();
            s.cached = true;
        }
        return ERROR_SUCCESS;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return CannotRead(s, path, err);
    }
    const Stamp stamp = StampOf(st);
    if (s.cached && s.stamp == stamp) {
        ::close(fd);
    } else {
        std::string text;
        char buf[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                const int err = errno;
                ::close(fd);
                return CannotRead(s, path, err);
            }
            if (n == 0)
                break;
            text.append(buf, static_cast<std::size_t>(n));
        }
        ::close(fd);
        std::string why;
        s.corrupt.clear();
        if (!hive::Parse(text, s.tree, &why))
            s.corrupt = "registry hive " + path + " is corrupt (" + why + "); it is left as it is";
        s.stamp = stamp;
        s.cached = true;
    }
    if (!s.corrupt.empty()) {
        s.lastError = s.corrupt;
        return ERROR_BADDB;
    }
    return ERROR_SUCCESS;
}

LONG Store(State& s, const std::string& path) {
    // The text is made before the writer creates its new file, so nothing is
    // left behind when making it fails.
    const std::string text = hive::Format(s.tree);
    std::string why;
    const bool ok = SaveFileContents(path, text, &why);
    s.cached = false; // re-read (and re-stamp) on the next call
    if (!ok) {
        s.lastError = "registry hive not saved: " + why;
        return ERROR_CANTWRITE;
    }
    return ERROR_SUCCESS;
}

class WriteLock {
public:
    explicit WriteLock(const std::string& path) {
        if (!MakeDirectories(DirectoryOf(path)))
            return;
        m_fd = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (m_fd < 0)
            return;
        while (::flock(m_fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                ::close(m_fd);
                m_fd = -1;
                return;
            }
        }
    }
    ~WriteLock() {
        if (m_fd >= 0) {
            ::flock(m_fd, LOCK_UN);
            ::close(m_fd);
        }
    }
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;
    bool Held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

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

template <class Op> LONG WithHiveLocked(State& s, bool write, Op& op) {
    const std::string path = CurrentPath(s);
    s.lastError.clear();
    if (!write) {
        const LONG r = Refresh(s, path);
        if (r != ERROR_SUCCESS)
            return r;
        bool changed = false;
        return op(s, changed);
    }
    WriteLock lock(path);
    if (!lock.Held()) {
        s.lastError =
            "registry hive " + path + " cannot be locked for writing: " + std::strerror(errno);
        return ERROR_CANTWRITE;
    }
    LONG r = Refresh(s, path);
    if (r != ERROR_SUCCESS)
        return r;
    bool changed = false;
    r = op(s, changed);
    if (r == ERROR_SUCCESS && changed)
        r = Store(s, path);
    return r;
}

// Runs op on the current tree. A writer holds the hive lock, and the tree is
// stored when op reports a change and succeeded. Memory running out ends the
// call with ERROR_OUTOFMEMORY; the tree, perhaps half changed, is then read
// again from the file on the next call.
template <class Op> LONG WithHive(bool write, Op op) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.mu);
    try {
        return WithHiveLocked(s, write, op);
    } catch (const std::bad_alloc&) {
        s.cached = false;
        s.lastError = "registry hive " + CurrentPath(s) + ": out of memory";
        return ERROR_OUTOFMEMORY;
    }
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
            k->values.push_back(Value{name, dwType, std::move(data)});
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
        auto it = k->subKeys.begin();
        std::advance(it, dwIndex);
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
        if (dwIndex >= k->values.size())
            return ERROR_NO_MORE_ITEMS;
        const Value& v = k->values[dwIndex];
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
        for (const Value& v : k->values) {
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
            *lpcValues = static_cast<DWORD>(k->values.size());
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
        const std::string name = lpValueName ? lpValueName : "";
        for (auto it = k->values.begin(); it != k->values.end(); ++it) {
            if (hive::EqualNoCase(it->name, name)) {
                k->values.erase(it);
                changed = true;
                return ERROR_SUCCESS;
            }
        }
        return ERROR_FILE_NOT_FOUND;
    });
}

LONG RegCloseKey(HKEY hKey) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.mu);
    const auto v = reinterpret_cast<std::uintptr_t>(hKey);
    if (v >= kRootBase && v < kRootBase + hive::kRootCount)
        return ERROR_SUCCESS;
    return s.handles.erase(v) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

std::string RegKeyPathFault(const std::string& subKey) {
    if (subKey.empty())
        return {};
    std::string_view text(subKey);
    if (text.back() == '\\')
        text.remove_suffix(1);
    std::vector<std::string_view> names;
    return hive::SplitKeyPath(text, 0, names).Describe();
}

std::string RegHivePath() {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.mu);
    return CurrentPath(s);
}

void RegUseHiveFile(const std::string& path) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.mu);
    s.overridePath = path;
    s.cached = false;
}

std::string RegHiveError() {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.mu);
    return s.lastError;
}

} // namespace plat
