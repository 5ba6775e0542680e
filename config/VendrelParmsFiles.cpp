// CVendrelParms: the "Keys" section of INI files, the dump, the archive.
#include "config/VendrelParms.h"

#include "platform/files/file_writer.h"
#include "platform/text/ini_file.h"
#include "platform/types.h"

#include <cstdio>
#include <sstream>

namespace {

constexpr const char* kNotFound = "!!!INI ERROR!!!";
constexpr const char* kSection = "Keys";

} // namespace

bool CVendrelParms::LoadIni(const std::string& path, bool allowMissing) {
    CIniFile ini;
    ini.SetNotFoundValue(kNotFound);
    if (!ini.Open(path))
        return false;
    for (int i = 0; i < m_keyCount; ++i) {
        const VendrelKey& key = m_table[i];
        if (!allowMissing && Find(key.name) == nullptr)
            return false;
        const std::string text = ini.GetString(kSection, key.name);
        if (text != kNotFound)
            SetValue(key.name, text, false);
    }
    return true;
}

bool CVendrelParms::SaveIni(const std::string& path) {
    CIniFile ini;
    ini.SetNotFoundValue(kNotFound);
    if (!ini.Open(path)) {
        m_lastError = "cannot read " + path;
        return false;
    }
    if (ini.FindSection(kSection)) {
        for (int i = 0; i < m_keyCount; ++i) {
            const VendrelKey& key = m_table[i];
            const std::string* value = Find(key.name);
            const std::string text = value ? *value : std::string();
            // A line that holds the value already is left as it is.
            const std::string held = ini.GetValue(key.name);
            if (held != kNotFound && held != text)
                ini.SetValue(key.name, text);
        }
    }
    return Saved(ini, path);
}

bool CVendrelParms::WriteIni(const std::string& path) {
    if (m_table == nullptr) {
        m_lastError = "no key table to write " + path + " with";
        return false;
    }
    CIniFile ini;
    ini.SetNotFoundValue(kNotFound);
    ini.AddSection(kSection);
    for (int i = 0; i < m_keyCount; ++i) {
        const VendrelKey& key = m_table[i];
        if (const std::string* value = Find(key.name))
            ini.SetValue(key.name, *value);
    }
    return Saved(ini, path);
}

bool CVendrelParms::Saved(const CIniFile& ini, const std::string& path) {
    if (!ini.Save(path)) {
        m_lastError = ini.GetLastError();
        return false;
    }
    m_lastError.clear();
    return true;
}

bool CVendrelParms::Dump(const std::string& path, bool withTable) const {
    std::ostringstream out;
    for (const auto& [name, text] : m_values)
        out << name << " = " << text << "\n";
    if (withTable && m_table != nullptr) {
        out << "______\n\n";
        for (int i = 0; i < m_keyCount; ++i) {
            const VendrelKey& k = m_table[i];
            char line[512];
            std::snprintf(line, sizeof line, "%s(%d):\ttype %d | %s | %d(%d,%d)\n", k.name, k.id,
                          k.type, k.defaultString ? k.defaultString : "(null)", k.defaultInt, k.min,
                          k.max);
            out << line;
        }
    }
    return plat::SaveFileContents(path, out.str(), nullptr);
}

void CVendrelParms::Serialize(plat::CArchiveWriter& ar) const {
    ar.WriteCount(static_cast<plat::DWORD>(m_values.size()));
    for (const auto& [name, text] : m_values) {
        ar.WriteString(name);
        ar.WriteString(text);
    }
}

bool CVendrelParms::Deserialize(plat::CArchiveReader& ar) {
    plat::DWORD count = 0;
    if (!ar.ReadCount(count, 2))
        return false;
    std::map<std::string, std::string> values;
    for (plat::DWORD i = 0; i < count; ++i) {
        std::string name, text;
        if (!ar.ReadString(name) || !ar.ReadString(text))
            return false;
        values[name] = std::move(text);
    }
    m_values = std::move(values);
    return true;
}
