#include "platform/registry/registry_hive.h"

#include "platform/archive/little_endian.h"
#include "platform/registry/registry.h"
#include "platform/text/text_case.h"

#include <cstdio>
#include <cstring>

namespace plat::hive {

namespace {

const char* const kRootNames[kRootCount] = {
    "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};

constexpr char kHex[] = "0123456789abcdef";

void AppendEscaped(std::string& out, const char* s, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7f) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
}

// A REG_SZ can be written as a quoted string when its bytes are a text
// followed by exactly one terminating zero.
bool IsPlainString(const Value& v) {
    if (v.type != 1 || v.data.empty() || v.data.back() != 0)
        return false;
    return std::memchr(v.data.data(), 0, v.data.size() - 1) == nullptr;
}

void AppendHex(std::string& out, const std::vector<BYTE>& data, std::size_t column) {
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i > 0) {
            out += ',';
            ++column;
            if (column > 76) {
                out += "\\\n  ";
                column = 2;
            }
        }
        out += kHex[data[i] >> 4];
        out += kHex[data[i] & 15];
        column += 2;
    }
}

// One key's section: its path line and its values. A key without values is
// written only when `always` is set (a leaf, so that it is not lost).
void FormatSection(std::string& out, const Key& key, const std::string& path, bool always) {
    if (!always && key.Values().empty())
        return;
    out += '[';
    out += path;
    out += "]\n";
    for (const Value& v : key.Values()) {
        const std::size_t start = out.size();
        if (v.name.empty()) {
            out += "@=";
        } else {
            out += '"';
            AppendEscaped(out, v.name.data(), v.name.size());
            out += "\"=";
        }
        if (IsPlainString(v)) {
            out += '"';
            AppendEscaped(out, reinterpret_cast<const char*>(v.data.data()), v.data.size() - 1);
            out += '"';
        } else if (v.type == 4 && v.data.size() == 4) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "dword:%08x", Le32(v.data.data()));
            out += buf;
        } else {
            if (v.type == 3) {
                out += "hex:";
            } else {
                char buf[24];
                std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(v.type));
                out += buf;
            }
            AppendHex(out, v.data, out.size() - start);
        }
        out += '\n';
    }
    out += '\n';
}

// The sections of a root and of every key below it, depth first. One path
// buffer grows and shrinks as the walk goes down and up, and the walk keeps
// its own stack, so neither the time nor the stack depends on how deep the
// tree is.
void FormatRoot(std::string& out, const Key& root, const char* rootName) {
    struct Level {
        const Key* key;
        Key::SubKeyMap::const_iterator next;
        std::size_t pathLength;
    };
    std::string path = rootName;
    FormatSection(out, root, path, false);
    std::vector<Level> stack{{&root, root.subKeys.begin(), path.size()}};
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.next == level.key->subKeys.end()) {
            stack.pop_back();
            continue;
        }
        const std::string& name = level.next->first;
        const Key& sub = *level.next->second;
        ++level.next;
        path.resize(level.pathLength);
        path += '\\';
        path += name;
        FormatSection(out, sub, path, sub.Values().empty() && sub.subKeys.empty());
        stack.push_back(Level{&sub, sub.subKeys.begin(), path.size()});
    }
}

// ---- parsing ----------------------------------------------------------------

struct Parser {
    const std::string& text;
    std::size_t pos = 0;
    int lineNo = 0;
    std::string error;
    bool hexTypes = false; // the n of hex(n) is hexadecimal (see Parse)

    bool NextLine(std::string& line) {
        if (pos >= text.size())
            return false;
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        line.assign(text, pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        pos = end + 1;
        ++lineNo;
        return true;
    }

    bool Fail(const std::string& what) {
        error = "line " + std::to_string(lineNo) + ": " + what;
        return false;
    }
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = AsciiLower(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Reads a quoted, escaped text starting at line[i] == '"'; i ends after the
// closing quote.
bool ReadQuoted(const std::string& line, std::size_t& i, std::string& out) {
    if (i >= line.size() || line[i] != '"')
        return false;
    ++i;
    out.clear();
    while (i < line.size()) {
        const char c = line[i++];
        if (c == '"')
            return true;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (i >= line.size())
            return false;
        const char e = line[i++];
        if (e == '\\' || e == '"') {
            out += e;
        } else if (e == 'x' && i + 1 < line.size() && HexDigit(line[i]) >= 0 &&
                   HexDigit(line[i + 1]) >= 0) {
            out += static_cast<char>(HexDigit(line[i]) * 16 + HexDigit(line[i + 1]));
            i += 2;
        } else {
            return false;
        }
    }
    return false;
}

bool ParseHexBytes(Parser& p, std::string data, std::vector<BYTE>& out) {
    // Gather continuation lines: a line ending in a backslash goes on.
    while (!data.empty() && data.back() == '\\') {
        data.pop_back();
        std::string next;
        if (!p.NextLine(next))
            return p.Fail("hex value continues past the end of the file");
        data += next;
    }
    out.clear();
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < data.size() && (data[i] == ' ' || data[i] == '\t'))
            ++i;
    };
    skipBlanks();
    if (i == data.size())
        return true;
    for (;;) {
        skipBlanks();
        if (i + 1 >= data.size() || HexDigit(data[i]) < 0 || HexDigit(data[i + 1]) < 0)
            return p.Fail("bad hex byte");
        out.push_back(static_cast<BYTE>(HexDigit(data[i]) * 16 + HexDigit(data[i + 1])));
        i += 2;
        skipBlanks();
        if (i == data.size())
            return true;
        if (data[i] != ',')
            return p.Fail("bad hex byte list");
        ++i;
    }
}

// The n of hex(n): up to eight hexadecimal digits, or in a hive of an earlier
// build (no kHexTypesLine) up to ten decimal digits when it has no letter.
bool ReadType(std::string_view digits, bool hexTypes, DWORD& type) {
    if (digits.empty())
        return false;
    bool decimal = !hexTypes;
    for (char c : digits) {
        if (HexDigit(c) < 0)
            return false;
        if (c < '0' || c > '9')
            decimal = false;
    }
    const unsigned base = decimal ? 10 : 16;
    if (digits.size() > (decimal ? 10u : 8u))
        return false;
    unsigned long long t = 0;
    for (char c : digits)
        t = t * base + static_cast<unsigned>(HexDigit(c));
    if (t > 0xFFFFFFFFull)
        return false;
    type = static_cast<DWORD>(t);
    return true;
}

bool ParseValue(Parser& p, const std::string& line, Value& v) {
    std::size_t i = 0;
    if (line[0] == '@') {
        v.name.clear();
        i = 1;
    } else if (!ReadQuoted(line, i, v.name)) {
        return p.Fail("bad value name");
    }
    if (i >= line.size() || line[i] != '=')
        return p.Fail("'=' expected after the value name");
    ++i;
    const std::string data = line.substr(i);
    if (!data.empty() && data[0] == '"') {
        std::size_t j = 0;
        std::string s;
        if (!ReadQuoted(data, j, s) || j != data.size())
            return p.Fail("bad string value");
        v.type = 1;
        v.data.assign(s.begin(), s.end());
        v.data.push_back(0);
        return true;
    }
    if (data.compare(0, 6, "dword:") == 0) {
        const std::string digits = data.substr(6);
        if (digits.empty() || digits.size() > 8)
            return p.Fail("bad dword value");
        DWORD d = 0;
        for (char c : digits) {
            if (HexDigit(c) < 0)
                return p.Fail("bad dword value");
            d = d * 16 + static_cast<DWORD>(HexDigit(c));
        }
        v.type = 4;
        v.data.assign(4, 0);
        PutLe32(v.data.data(), d);
        return true;
    }
    if (data.compare(0, 4, "hex:") == 0) {
        v.type = 3;
        return ParseHexBytes(p, data.substr(4), v.data);
    }
    if (data.compare(0, 4, "hex(") == 0) {
        const std::size_t close = data.find("):");
        if (close == std::string::npos ||
            !ReadType(std::string_view(data).substr(4, close - 4), p.hexTypes, v.type))
            return p.Fail("bad value type");
        return ParseHexBytes(p, data.substr(close + 2), v.data);
    }
    return p.Fail("unknown value form");
}

} // namespace

bool CaseLess::operator()(const std::string& a, const std::string& b) const {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char x = AsciiLower(a[i]);
        const char y = AsciiLower(b[i]);
        if (x != y)
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    return a.size() < b.size();
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

Value* Key::FindValue(const std::string& name) {
    const auto it = m_valueIndex.find(name);
    return it == m_valueIndex.end() ? nullptr : &m_values[it->second];
}

Value& Key::AddValue(Value value) {
    m_valueIndex.emplace(value.name, m_values.size());
    m_values.push_back(std::move(value));
    return m_values.back();
}

bool Key::RemoveValue(const std::string& name) {
    const auto it = m_valueIndex.find(name);
    if (it == m_valueIndex.end())
        return false;
    const std::size_t position = it->second;
    m_valueIndex.erase(it);
    m_values.erase(m_values.begin() + static_cast<std::ptrdiff_t>(position));
    for (auto& entry : m_valueIndex)
        if (entry.second > position)
            --entry.second;
    return true;
}

Key* Key::FindSubKey(const std::string& name) {
    const auto it = subKeys.find(name);
    return it == subKeys.end() ? nullptr : it->second.get();
}

Key& Key::SubKey(const std::string& name, bool* created) {
    auto it = subKeys.find(name);
    if (created)
        *created = it == subKeys.end();
    if (it == subKeys.end())
        it = subKeys.emplace(name, std::make_unique<Key>()).first;
    return *it->second;
}

const char* RootName(int root) {
    return root >= 0 && root < kRootCount ? kRootNames[root] : "";
}

int RootIndex(const std::string& name) {
    for (int i = 0; i < kRootCount; ++i)
        if (name == kRootNames[i])
            return i;
    return -1;
}

std::string PathCheck::Describe() const {
    switch (fault) {
    case PathFault::kNone:
        return {};
    case PathFault::kEmptyName:
        return "empty key name at level " + std::to_string(level);
    case PathFault::kLongName:
        return "key name of " + std::to_string(length) + " characters at level " +
               std::to_string(level) + " (at most " + std::to_string(kMaxKeyNameLength) + ")";
    case PathFault::kTooDeep:
        return "key path of more than " + std::to_string(kMaxKeyLevels) + " levels";
    }
    return {};
}

PathCheck SplitKeyPath(std::string_view path, std::size_t depth,
                       std::vector<std::string_view>& names) {
    names.clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t level = depth + names.size() + 1;
        if (level > kMaxKeyLevels)
            return PathCheck{PathFault::kTooDeep, level, 0};
        const std::size_t end = path.find('\\', start);
        const std::string_view name = path.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (name.empty())
            return PathCheck{PathFault::kEmptyName, level, 0};
        if (name.size() > kMaxKeyNameLength)
            return PathCheck{PathFault::kLongName, level, name.size()};
        names.push_back(name);
        if (end == std::string_view::npos)
            return PathCheck{};
        start = end + 1;
    }
}

std::string Format(const Tree& tree) {
    std::string out = "REGEDIT4\n";
    out += kHexTypesLine;
    out += "\n\n";
    for (int r = 0; r < kRootCount; ++r)
        FormatRoot(out, tree.roots[r], kRootNames[r]);
    return out;
}

bool Parse(const std::string& text, Tree& tree, std::string* error) {
    tree = Tree{};
    Parser p{text, 0, 0, {}, false};
    std::string line;
    bool sawHeader = false;
    bool sawKey = false;
    std::vector<std::string_view> names;
    Key* current = nullptr;
    bool ok = true;
    while (ok && p.NextLine(line)) {
        if (line.empty())
            continue;
        if (!sawHeader) {
            if (line != "REGEDIT4") {
                ok = p.Fail("the file does not start with REGEDIT4");
                break;
            }
            sawHeader = true;
            continue;
        }
        if (line == kHexTypesLine && !sawKey) {
            p.hexTypes = true;
            continue;
        }
        if (line[0] == ';') {
            ok = p.Fail("a comment line, which the hive would not keep");
            break;
        }
        if (line[0] == '[') {
            if (line.back() != ']' || line.size() < 3) {
                ok = p.Fail("bad key line");
                break;
            }
            sawKey = true;
            const std::string_view path = std::string_view(line).substr(1, line.size() - 2);
            const std::size_t slash = path.find('\\');
            const int root = RootIndex(std::string(path.substr(0, slash)));
            if (root < 0) {
                ok = p.Fail("unknown root key");
                break;
            }
            current = &tree.roots[root];
            if (slash == std::string_view::npos)
                continue;
            const PathCheck check = SplitKeyPath(path.substr(slash + 1), 0, names);
            if (check.fault != PathFault::kNone) {
                ok = p.Fail(check.Describe());
                break;
            }
            for (std::string_view name : names)
                current = &current->SubKey(std::string(name));
            continue;
        }
        if (current == nullptr) {
            ok = p.Fail("value outside any key");
            break;
        }
        Value v;
        if (!ParseValue(p, line, v)) {
            ok = false;
            break;
        }
        if (current->FindValue(v.name) != nullptr) {
            ok = p.Fail("value \"" + v.name + "\" appears twice");
            break;
        }
        current->AddValue(std::move(v));
    }
    if (ok && !sawHeader && !text.empty()) {
        // Only blank lines: treat like an empty file.
        for (char c : text)
            if (c != '\n' && c != '\r') {
                ok = p.Fail("the file does not start with REGEDIT4");
                break;
            }
    }
    if (!ok) {
        if (error)
            *error = p.error;
        tree = Tree{};
    }
    return ok;
}

} // namespace plat::hive

namespace plat {

// The registry call's check of a key path, for callers that name the path in
// their own messages (the REGEDIT4 import).
std::string RegKeyPathFault(const std::string& subKey) {
    if (subKey.empty())
        return {};
    std::string_view text(subKey);
    if (text.back() == '\\')
        text.remove_suffix(1);
    std::vector<std::string_view> names;
    return hive::SplitKeyPath(text, 0, names).Describe();
}

} // namespace plat
