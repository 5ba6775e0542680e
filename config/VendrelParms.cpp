// CVendrelParms: keyed values, validation, the keepPrevious stack.
#include "config/VendrelParms.h"

#include "platform/text/trim.h"

#include <cctype>
#include <climits>

namespace {

bool IsNumeric(const std::string& text) {
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)) && c != '-')
            return false;
    return true;
}

// Decimal reading of a numeric text: leading digits after an optional minus,
// the empty text reads as 0; out-of-range numbers saturate.
long long ReadNumber(const std::string& text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && text[i] == '-') {
        negative = true;
        ++i;
    }
    long long n = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        n = n * 10 + (text[i] - '0');
        if (n > static_cast<long long>(INT_MAX) + 1)
            n = static_cast<long long>(INT_MAX) + 1;
    }
    return negative ? -n : n;
}

// Brings a number into the key's bounds (-1: none) and the int range; false
// when it lay outside.
bool ClampToKey(const VendrelKey& key, long long& n) {
    bool inside = true;
    if (key.min != -1 && n < key.min) {
        n = key.min;
        inside = false;
    }
    if (key.max != -1 && n > key.max) {
        n = key.max;
        inside = false;
    }
    if (n > INT_MAX || n < INT_MIN) { // only without bounds
        n = n > 0 ? INT_MAX : INT_MIN;
        inside = false;
    }
    return inside;
}

} // namespace

CVendrelParms& TheVendrelParms() {
    static CVendrelParms parms;
    return parms;
}

const VendrelKey* CVendrelParms::FindKey(int id) const {
    if (m_table == nullptr || id == 0)
        return nullptr;
    for (const VendrelKey* k = m_table; k->id != 0; ++k)
        if (k->id == id)
            return k;
    return nullptr;
}

const VendrelKey* CVendrelParms::FindKey(const std::string& name) const {
    if (m_table == nullptr)
        return nullptr;
    for (const VendrelKey* k = m_table; k->id != 0; ++k)
        if (name == k->name)
            return k;
    return nullptr;
}

const std::string* CVendrelParms::Find(const std::string& name) const {
    const auto it = m_values.find(name);
    return it == m_values.end() ? nullptr : &it->second;
}

void CVendrelParms::PushPrevious(const std::string& name) {
    const auto it = m_values.find(name);
    if (it == m_values.end())
        return;
    const std::string saved = "_" + name;
    if (m_values.count(saved))
        PushPrevious(saved);
    m_values[saved] = it->second;
}

bool CVendrelParms::SetValue(const std::string& name, const std::string& text, bool keepPrevious) {
    const VendrelKey* key = FindKey(name);
    if (key == nullptr)
        return false;
    std::string stored;
    bool valid = true;
    switch (key->type) {
    case KEY_TYPE_BOOL: {
        std::string upper = text;
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (upper == "1")
            upper = "TRUE";
        else if (upper == "0")
            upper = "FALSE";
        if (upper != "TRUE" && upper != "FALSE") {
            upper = key->defaultInt == 1 ? "TRUE" : "FALSE";
            valid = false;
        }
        stored = upper;
        break;
    }
    case KEY_TYPE_INT: {
        long long n = key->defaultInt;
        if (IsNumeric(text))
            n = ReadNumber(text);
        else
            valid = false;
        if (!ClampToKey(*key, n))
            valid = false;
        stored = std::to_string(n);
        break;
    }
    case KEY_TYPE_STRING:
        stored = text;
        break;
    default:
        return false;
    }
    if (keepPrevious)
        PushPrevious(name);
    m_values[name] = stored;
    return valid;
}

bool CVendrelParms::SetBool(int id, bool value, bool keepPrevious) {
    const VendrelKey* key = FindKey(id);
    if (key == nullptr || key->type != KEY_TYPE_BOOL)
        return false;
    return SetValue(key->name, value ? "TRUE" : "FALSE", keepPrevious);
}

bool CVendrelParms::SetInt(int id, int value, bool keepPrevious) {
    const VendrelKey* key = FindKey(id);
    if (key == nullptr || key->type != KEY_TYPE_INT)
        return false;
    return SetValue(key->name, std::to_string(value), keepPrevious);
}

bool CVendrelParms::SetString(int id, const std::string& text, bool keepPrevious) {
    const VendrelKey* key = FindKey(id);
    if (key == nullptr || key->type != KEY_TYPE_STRING)
        return false;
    return SetValue(key->name, text, keepPrevious);
}

bool CVendrelParms::SetFromLine(const std::string& line, bool keepPrevious) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos)
        return false;
    return SetValue(plat::Trim(line.substr(0, eq)), plat::Trim(line.substr(eq + 1)), keepPrevious);
}

bool CVendrelParms::SetFromText(const std::string& text, bool keepPrevious) {
    std::size_t pos = text.find("KEY");
    if (pos == std::string::npos)
        return false;
    std::string rest = text.substr(pos) + ";";
    bool ok = true;
    while ((pos = rest.find("KEY")) != std::string::npos) {
        rest.erase(0, pos);
        const std::size_t semi = rest.find(';');
        if (ok)
            ok = SetFromLine(rest.substr(0, semi), keepPrevious);
        rest.erase(0, semi == std::string::npos ? rest.size() : semi + 1);
    }
    return ok;
}

bool CVendrelParms::SetDefault(int id) {
    const VendrelKey* key = FindKey(id);
    if (key == nullptr)
        return false;
    switch (key->type) {
    case KEY_TYPE_BOOL:
        return SetValue(key->name, key->defaultInt == 1 ? "TRUE" : "FALSE");
    case KEY_TYPE_INT:
        return SetValue(key->name, std::to_string(key->defaultInt));
    case KEY_TYPE_STRING:
        return SetValue(key->name, key->defaultString ? key->defaultString : "");
    default:
        return false;
    }
}

void CVendrelParms::Reset(int id) {
    if (const VendrelKey* key = FindKey(id))
        m_values.erase(key->name);
}

bool CVendrelParms::HasValue(int id) const {
    const VendrelKey* key = FindKey(id);
    return key != nullptr && Find(key->name) != nullptr;
}

bool CVendrelParms::Undo(int id) {
    const VendrelKey* key = FindKey(id);
    if (key == nullptr)
        return false;
    std::string upper = key->name;
    std::string saved = "_" + upper;
    if (!Find(upper) || !Find(saved))
        return false;
    while (const std::string* below = Find(saved)) {
        m_values[upper] = *below;
        upper = saved;
        saved = "_" + saved;
    }
    return true;
}

bool CVendrelParms::GetBool(int id, bool* value, bool* defaultValue) const {
    const VendrelKey* key = FindKey(id);
    if (key == nullptr)
        return false;
    const bool def = key->defaultInt == 1;
    if (defaultValue)
        *defaultValue = def;
    const std::string* text = Find(key->name);
    if (text && (*text == "TRUE" || *text == "FALSE")) {
        if (value)
            *value = *text == "TRUE";
        return true;
    }
    if (value)
        *value = def;
    return false;
}

bool CVendrelParms::GetInt(int id, int* value, int* min, int* max, int* defaultValue) const {
    if (value)
        *value = -1;
    const VendrelKey* key = FindKey(id);
    if (key == nullptr)
        return false;
    if (min)
        *min = key->min;
    if (max)
        *max = key->max;
    if (defaultValue)
        *defaultValue = key->defaultInt;
    const std::string* text = Find(key->name);
    if (text == nullptr) {
        if (value)
            *value = key->defaultInt;
        return false;
    }
    long long n = ReadNumber(*text);
    const bool ok = ClampToKey(*key, n);
    if (value)
        *value = static_cast<int>(n);
    return ok;
}

bool CVendrelParms::GetString(int id, std::string* value, bool expand,
                              std::string* defaultValue) const {
    if (value)
        value->clear();
    const VendrelKey* key = FindKey(id);
    if (key == nullptr)
        return false;
    const std::string def = key->defaultString ? key->defaultString : "";
    if (defaultValue)
        *defaultValue = def;
    const std::string* text = Find(key->name);
    if (text == nullptr) {
        if (value)
            *value = def;
        return false;
    }
    if (value)
        *value = expand ? Expand(*text) : *text;
    return true;
}

std::string CVendrelParms::GetKeyName(int id) const {
    const VendrelKey* key = FindKey(id);
    return key ? key->name : std::string();
}

int CVendrelParms::FindKeyId(const std::string& text) const {
    const VendrelKey* key = FindKey(plat::Trim(text.substr(0, text.find('='))));
    return key ? key->id : 0;
}

bool CVendrelParms::GetFirstLine(std::string* line) {
    m_iterStarted = false;
    return GetNextLine(line);
}

bool CVendrelParms::GetNextLine(std::string* line) {
    const auto it = m_iterStarted ? m_values.upper_bound(m_iterLast) : m_values.begin();
    if (it == m_values.end())
        return false;
    m_iterStarted = true;
    m_iterLast = it->first;
    if (line)
        *line = it->first + "=" + it->second;
    return true;
}

void CVendrelParms::Merge(const CVendrelParms& a, const CVendrelParms& b) {
    for (const auto& [name, text] : a.m_values)
        m_values[name] = text;
    for (const auto& [name, text] : b.m_values)
        m_values[name] = text;
}

bool CVendrelParms::IsSubsetOf(const CVendrelParms& other) const {
    if (m_values.size() > other.m_values.size())
        return false;
    for (const auto& [name, text] : m_values) {
        const std::string* theirs = other.Find(name);
        if (theirs == nullptr || *theirs != text)
            return false;
    }
    return true;
}

bool CVendrelParms::Equals(const CVendrelParms& other) const {
    return m_values.size() == other.m_values.size() && IsSubsetOf(other);
}
