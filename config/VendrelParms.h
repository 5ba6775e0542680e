// CVendrelParms: the product's typed parameter store. Values are kept as text
// under their key names, checked against the key table, read from and written
// to the "Keys" section of an INI file, and path values expand the macros
// $EXEDIR$, $WINDOWSTEMPDIR$, $QRVDIR$ and $CD$.
#pragma once

#include "config/VendrelKeys.h"
#include "platform/archive/archive.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

class CIniFile;

class CVendrelParms {
public:
    // Run-time class name, used as the class tag when archived as an object.
    static constexpr const char* kClassName = "CVendrelParms";

    CVendrelParms() = default;

    // Builds the macros, binds the table and counts its keys; with
    // setDefaults stores every default. False when the map then does not hold
    // exactly one entry per key.
    bool Init(const VendrelKey* table, bool setDefaults, const std::string& productName);

    bool LoadIni(const std::string& path, bool allowMissing);
    // Both leave the file as it was on failure; GetLastError() then names the
    // file and the reason.
    bool SaveIni(const std::string& path);
    bool WriteIni(const std::string& path);
    const std::string& GetLastError() const { return m_lastError; }

    bool GetBool(int id, bool* value, bool* defaultValue = nullptr) const;
    bool GetInt(int id, int* value, int* min = nullptr, int* max = nullptr,
                int* defaultValue = nullptr) const;
    bool GetString(int id, std::string* value, bool expand,
                   std::string* defaultValue = nullptr) const;

    bool SetBool(int id, bool value, bool keepPrevious = false);
    bool SetInt(int id, int value, bool keepPrevious = false);
    bool SetString(int id, const std::string& text, bool keepPrevious = false);
    bool SetValue(const std::string& name, const std::string& text, bool keepPrevious = false);
    bool SetFromLine(const std::string& line, bool keepPrevious = false);
    bool SetFromText(const std::string& text, bool keepPrevious = false);
    bool SetDefault(int id);
    void Reset(int id);
    bool HasValue(int id) const;
    bool Undo(int id);

    std::string GetKeyName(int id) const;
    int FindKeyId(const std::string& text) const;
    // Iterates the values as "name=value" lines, in name order.
    bool GetFirstLine(std::string* line);
    bool GetNextLine(std::string* line);

    void RemoveAll() { m_values.clear(); }
    void CopyFrom(const CVendrelParms& other) { m_values = other.m_values; }
    void Merge(const CVendrelParms& a, const CVendrelParms& b);
    bool IsSubsetOf(const CVendrelParms& other) const;
    bool Equals(const CVendrelParms& other) const;

    bool Dump(const std::string& path, bool withTable) const;

    // The value map in the archive: a count, then each name and value.
    void Serialize(plat::CArchiveWriter& ar) const;
    // Replaces the map; false (map unchanged) on bad or missing bytes.
    bool Deserialize(plat::CArchiveReader& ar);

    // Expands the macros in a text (see the class comment); one text may
    // give several paths, joined with ";".
    std::string Expand(const std::string& text) const;

    const std::vector<std::pair<std::string, std::string>>& Macros() const { return m_macros; }
    int KeyCount() const { return m_keyCount; }
    std::size_t ValueCount() const { return m_values.size(); }

private:
    const VendrelKey* FindKey(int id) const;
    const VendrelKey* FindKey(const std::string& name) const;
    const std::string* Find(const std::string& name) const;
    void PushPrevious(const std::string& name);
    bool Saved(const CIniFile& ini, const std::string& path);

    std::vector<std::pair<std::string, std::string>> m_macros;
    std::map<std::string, std::string> m_values;
    const VendrelKey* m_table = nullptr;
    int m_keyCount = 0;
    std::string m_iterLast; // name of the last line handed out
    bool m_iterStarted = false;
    std::string m_lastError;
};

// The process-wide parameter store.
CVendrelParms& TheVendrelParms();
