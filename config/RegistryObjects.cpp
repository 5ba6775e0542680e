// CRegistry: values holding archived objects (REG_BINARY).
//
// An object is archived in memory on its way to or from the registry, so a
// value is written and read wherever the registry itself can be.
#include "config/Registry.h"

#include <iterator>

using namespace plat;

namespace {

// Reads count strings into an output iterator; the archive checks the count
// against the bytes that are really there.
template <class Out> bool ReadStrings(CArchiveReader& ar, Out out) {
    DWORD count = 0;
    if (!ar.ReadCount(count, 1))
        return false;
    for (DWORD i = 0; i < count; ++i) {
        std::string s;
        if (!ar.ReadString(s))
            return false;
        *out++ = std::move(s);
    }
    return true;
}

template <class Strings> void WriteStrings(CArchiveWriter& ar, const Strings& strings) {
    ar.WriteCount(static_cast<DWORD>(strings.size()));
    for (const std::string& s : strings)
        ar.WriteString(s);
}

// Reads a vector or a list of strings; `strings` keeps its items on failure.
template <class Strings>
bool ReadStringsObject(CRegistry& reg, const std::string& name, Strings& strings) {
    Strings read;
    if (!reg.ReadObject(
            name, [&](CArchiveReader& ar) { return ReadStrings(ar, std::back_inserter(read)); }))
        return false;
    strings = std::move(read);
    return true;
}

} // namespace

bool CRegistry::WriteObject(const std::string& name, const ObjectWriter& save) {
    CArchiveWriter ar;
    ar.OpenMemory();
    save(ar);
    if (!ar.Commit()) {
        m_lastResult = ERROR_INVALID_DATA; // a string too long for the layout
        return false;
    }
    const std::vector<BYTE>& bytes = ar.Memory();
    return SetValue(name, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()), REG_BINARY);
}

bool CRegistry::ReadObject(const std::string& name, const ObjectReader& load) {
    std::vector<BYTE> bytes;
    DWORD type = REG_NONE;
    if (!QueryValue(name, bytes, type))
        return false;
    if (type != REG_BINARY) {
        m_lastResult = ERROR_INVALID_PARAMETER;
        return false;
    }
    CArchiveReader ar;
    ar.OpenMemory(bytes.data(), bytes.size());
    const bool ok = load(ar);
    if (!ok)
        m_lastResult = ERROR_INVALID_DATA;
    return ok;
}

bool CRegistry::WriteObject(const std::string& name, const std::vector<std::string>& array) {
    return WriteObject(name, [&](CArchiveWriter& ar) { WriteStrings(ar, array); });
}

bool CRegistry::ReadObject(const std::string& name, std::vector<std::string>& array) {
    return ReadStringsObject(*this, name, array);
}

bool CRegistry::WriteObject(const std::string& name, const std::list<std::string>& list) {
    return WriteObject(name, [&](CArchiveWriter& ar) { WriteStrings(ar, list); });
}

bool CRegistry::ReadObject(const std::string& name, std::list<std::string>& list) {
    return ReadStringsObject(*this, name, list);
}

bool CRegistry::WriteObject(const std::string& name,
                            const std::map<std::string, std::string>& map) {
    return WriteObject(name, [&](CArchiveWriter& ar) {
        ar.WriteCount(static_cast<DWORD>(map.size()));
        for (const auto& [key, value] : map) {
            ar.WriteString(key);
            ar.WriteString(value);
        }
    });
}

bool CRegistry::ReadObject(const std::string& name, std::map<std::string, std::string>& map) {
    std::map<std::string, std::string> read;
    if (!ReadObject(name, [&](CArchiveReader& ar) {
            DWORD count = 0;
            if (!ar.ReadCount(count, 2))
                return false;
            for (DWORD i = 0; i < count; ++i) {
                std::string key, value;
                if (!ar.ReadString(key) || !ar.ReadString(value))
                    return false;
                read[key] = std::move(value);
            }
            return true;
        }))
        return false;
    map = std::move(read);
    return true;
}

bool CRegistry::WriteIntArray(const std::string& name, const DWORD (&items)[5], DWORD lastType) {
    const bool ok = WriteObject(name, [&](CArchiveWriter& ar) {
        ar.WriteCount(5);
        for (DWORD v : items)
            ar.WriteDword(v);
    });
    m_lastType = lastType;
    return ok;
}

bool CRegistry::ReadIntArray(const std::string& name, DWORD (&items)[5], DWORD minCount,
                             DWORD lastType) {
    DWORD read[5] = {};
    const bool ok = ReadObject(name, [&](CArchiveReader& ar) {
        DWORD count = 0;
        if (!ar.ReadCount(count, 4) || count < minCount)
            return false;
        for (DWORD i = 0; i < count; ++i) {
            DWORD v = 0;
            if (!ar.ReadDword(v))
                return false;
            if (i < 5)
                read[i] = v;
        }
        return true;
    });
    m_lastType = lastType;
    if (ok)
        std::copy(std::begin(read), std::end(read), std::begin(items));
    return ok;
}

bool CRegistry::WriteRect(const std::string& name, const Rect& rect) {
    const DWORD items[5] = {static_cast<DWORD>(rect.top), static_cast<DWORD>(rect.bottom),
                            static_cast<DWORD>(rect.left), static_cast<DWORD>(rect.right), 0};
    return WriteIntArray(name, items, REG_RECT);
}

bool CRegistry::ReadRect(const std::string& name, Rect& rect) {
    DWORD items[5] = {};
    if (!ReadIntArray(name, items, 4, REG_RECT))
        return false;
    rect.top = static_cast<LONG>(items[0]);
    rect.bottom = static_cast<LONG>(items[1]);
    rect.left = static_cast<LONG>(items[2]);
    rect.right = static_cast<LONG>(items[3]);
    return true;
}

bool CRegistry::WritePoint(const std::string& name, const Point& point) {
    const DWORD items[5] = {static_cast<DWORD>(point.x), static_cast<DWORD>(point.y), 0, 0, 0};
    return WriteIntArray(name, items, REG_POINT);
}

bool CRegistry::ReadPoint(const std::string& name, Point& point) {
    DWORD items[5] = {};
    if (!ReadIntArray(name, items, 2, REG_POINT))
        return false;
    point.x = static_cast<LONG>(items[0]);
    point.y = static_cast<LONG>(items[1]);
    return true;
}
