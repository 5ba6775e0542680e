// CRegistry: one open registry key (a root, a sub-key path below it and the
// open handle) with typed reads and writes of its values, navigation, a
// REGEDIT4 export and import, file-type registration and searches.
#pragma once

#include "platform/archive/archive.h"
#include "platform/registry/registry.h"

#include <functional>
#include <list>
#include <map>
#include <string>
#include <vector>

class CRegistry {
public:
    // Value types of this class beyond the registry's own (lastType).
    static constexpr plat::DWORD REG_BOOL = 11;  // stored as REG_DWORD
    static constexpr plat::DWORD REG_RECT = 12;  // stored as REG_BINARY
    static constexpr plat::DWORD REG_POINT = 13; // stored as REG_BINARY
    // Buffer of ReadString and of the name enumerations, in bytes.
    static constexpr plat::DWORD kBufferSize = 200;

    struct Rect {
        plat::LONG left = 0, top = 0, right = 0, bottom = 0;
        bool operator==(const Rect&) const = default;
    };
    struct Point {
        plat::LONG x = 0, y = 0;
        bool operator==(const Point&) const = default;
    };

    explicit CRegistry(plat::HKEY root = plat::HKEY_CURRENT_USER,
                       plat::REGSAM access = plat::KEY_ALL_ACCESS);
    ~CRegistry();
    CRegistry(const CRegistry&) = delete;
    CRegistry& operator=(const CRegistry&) = delete;

    // ---- navigation: a failure keeps the previous position -----------------
    bool Open(plat::HKEY root, const std::string& path, plat::REGSAM access);
    bool OpenSubKey(const std::string& name);
    bool CreateSubKey(const std::string& name);
    bool GoUp(int levels = 1);
    bool DeleteCurrentKey();
    bool DeleteValue(const std::string& name);
    bool EnumSubKeys(std::vector<std::string>& list);
    bool EnumValues(std::vector<std::string>& list);
    // Closes the open key; the position goes back to the root.
    void Close();

    // ---- values of the open key --------------------------------------------
    bool WriteString(const std::string& name, const std::string& text);
    bool ReadString(const std::string& name, std::string& text);
    bool WriteDword(const std::string& name, plat::DWORD value);
    bool ReadDword(const std::string& name, plat::DWORD& value);
    bool WriteBool(const std::string& name, bool flag);
    bool ReadBool(const std::string& name, bool& flag);

    // A REG_BINARY holding what `save` writes to the archive; `load` reads it
    // back and fails on bad bytes.
    using ObjectWriter = std::function<void(plat::CArchiveWriter&)>;
    using ObjectReader = std::function<bool(plat::CArchiveReader&)>;
    bool WriteObject(const std::string& name, const ObjectWriter& save);
    bool ReadObject(const std::string& name, const ObjectReader& load);
    // The collections: a string array, a string list (both a count and the
    // strings) and a string-to-string map (a count and key/value pairs).
    bool WriteObject(const std::string& name, const std::vector<std::string>& array);
    bool ReadObject(const std::string& name, std::vector<std::string>& array);
    bool WriteObject(const std::string& name, const std::list<std::string>& list);
    bool ReadObject(const std::string& name, std::list<std::string>& list);
    bool WriteObject(const std::string& name, const std::map<std::string, std::string>& map);
    bool ReadObject(const std::string& name, std::map<std::string, std::string>& map);

    // A 5-element array of 32-bit integers: top, bottom, left, right, 0.
    bool WriteRect(const std::string& name, const Rect& rect);
    bool ReadRect(const std::string& name, Rect& rect);
    // The same array holding x, y, 0, 0, 0.
    bool WritePoint(const std::string& name, const Point& point);
    bool ReadPoint(const std::string& name, Point& point);

    // ---- files and searches ------------------------------------------------
    // Writes the open key and everything below it as REGEDIT4 text. A file
    // that cannot be written is left as it was and GetFileError() says why.
    bool ExportRegFile(const std::string& path);
    // Applies the strings and dwords of a REGEDIT4 file; hex values are skipped.
    // A section with an unknown root, or whose key or value cannot be stored,
    // is reported and the others are still applied; a key path beyond the
    // registry's limits refuses the whole file before anything changes. On
    // false, *why (when given) names the line of the first problem: "line 3:
    // key path of more than 512 levels; nothing was imported".
    static bool ImportRegFile(const std::string& path, std::string* why = nullptr);
    static bool RegisterFileType(const std::string& extension, const std::string& programPath,
                                 const std::string& typeName, bool overwrite);
    static void FindKeysWithValue(plat::HKEY root, const std::string& path,
                                  const std::string& valueName, const std::string& wanted,
                                  std::vector<std::string>& list);
    static std::string FindFirstKeyWithValue(plat::HKEY root, const std::string& path,
                                             const std::string& valueName,
                                             const std::string& wanted);

    // The root's name with a trailing backslash; empty for an unknown root.
    static std::string RootNameOf(plat::HKEY root);
    // The root whose import name is `name` ("HKEY_LOCAL_MACHINE"); null if none.
    static plat::HKEY RootFromName(const std::string& name);

    plat::LONG GetLastResult() const { return m_lastResult; }
    plat::DWORD GetLastType() const { return m_lastType; }
    plat::DWORD GetLastSize() const { return m_lastSize; }
    const std::string& GetPath() const { return m_path; }
    const std::string& GetRootName() const { return m_rootName; }
    plat::HKEY GetRoot() const { return m_hRoot; }
    bool IsOpen() const { return m_hKey != m_hRoot; }
    // Why the last export could not write its file; empty when it could.
    const std::string& GetFileError() const { return m_fileError; }

private:
    // Opens root\path and makes it the position; the old key is closed only
    // when the new one opened, so a failure leaves everything as it was.
    bool MoveTo(const std::string& path, bool create);
    std::string ComposePath(const std::string& name) const;
    // The names of the sub-keys, or of the values, of the current key.
    bool EnumNames(bool values, std::vector<std::string>& list);
    bool SetValue(const std::string& name, plat::DWORD type, const void* data, plat::DWORD size,
                  plat::DWORD lastType);
    bool QueryValue(const std::string& name, std::vector<plat::BYTE>& data, plat::DWORD& type);
    bool WriteIntArray(const std::string& name, const plat::DWORD (&items)[5],
                       plat::DWORD lastType);
    bool ReadIntArray(const std::string& name, plat::DWORD (&items)[5], plat::DWORD minCount,
                      plat::DWORD lastType);
    bool ExportKey(std::string& out);

    plat::LONG m_lastResult = 0;
    plat::DWORD m_lastType = 0;
    plat::DWORD m_lastSize = 0;
    plat::HKEY m_hKey;
    plat::HKEY m_hRoot;
    std::string m_rootName;
    std::string m_path;
    plat::REGSAM m_access;
    std::string m_fileError;
};
