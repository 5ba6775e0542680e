// The registry tree in memory, and its text form: REGEDIT4 layout with one
// section per key, strings quoted with \\ and \" escapes (and \xHH for control
// characters), dwords as dword:, and every other value as hex:/hex(n): bytes,
// so each value keeps its type and its bytes exactly. The n of hex(n) is the
// type in hexadecimal, as in every REGEDIT4 file (hex(b): is type 11).
#pragma once

#include "platform/types.h"

#include <array>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace plat::hive {

// Orders names as the registry does: alphabetically, ignoring ASCII case.
struct CaseLess {
    bool operator()(const std::string& a, const std::string& b) const;
};
bool EqualNoCase(const std::string& a, const std::string& b);

struct Value {
    std::string name; // empty for the key's default value
    DWORD type = 0;
    std::vector<BYTE> data;
};

class Key {
public:
    using SubKeyMap = std::map<std::string, std::unique_ptr<Key>, CaseLess>;

    // The values in creation order.
    const std::vector<Value>& Values() const { return m_values; }
    // The value of that name (regardless of ASCII case), found through the
    // key's index of names; null when there is none.
    Value* FindValue(const std::string& name);
    // Adds a value after the others; the key holds none of that name yet.
    Value& AddValue(Value value);
    // Removes the value of that name; false when there is none.
    bool RemoveValue(const std::string& name);

    SubKeyMap subKeys;

    Key* FindSubKey(const std::string& name);
    // The sub-key with that name, created when missing; *created tells which.
    Key& SubKey(const std::string& name, bool* created = nullptr);

private:
    std::vector<Value> m_values;
    std::map<std::string, std::size_t, CaseLess> m_valueIndex; // name -> position
};

// The seven predefined roots, indexed by (HKEY value - 0x80000000).
inline constexpr int kRootCount = 7;
const char* RootName(int root);         // "HKEY_LOCAL_MACHINE", ...
int RootIndex(const std::string& name); // -1 when not a root name

// A tree is never deeper than kMaxKeyLevels (registry.h): Parse and the
// registry calls refuse deeper paths, so destroying a Key, which recurses
// through its sub-keys, stays within a few hundred calls.
struct Tree {
    std::array<Key, kRootCount> roots;
};

// Why a key path breaks the registry's limits (registry.h).
enum class PathFault { kNone, kEmptyName, kLongName, kTooDeep };
struct PathCheck {
    PathFault fault = PathFault::kNone;
    std::size_t level = 0;  // level of the faulty name below the root
    std::size_t length = 0; // its length, for kLongName
    // "empty key name at level 3", "key name of 300 characters at level 2
    // (at most 255)", "key path of more than 512 levels"; empty for kNone.
    std::string Describe() const;
};

// Splits `path` at its backslashes into the names of a key path that starts
// `depth` levels below the root (an empty text is one empty name). Stops at the
// first name that breaks the limits; `names` then holds the names before it.
// The views point into `path`.
PathCheck SplitKeyPath(std::string_view path, std::size_t depth,
                       std::vector<std::string_view>& names);

// The line after "REGEDIT4" that marks a hive whose hex(n) types are
// hexadecimal. Builds before it wrote n in decimal; see Parse.
inline constexpr char kHexTypesLine[] = "; hex(n) value types are hexadecimal";

// Text form of the whole tree, with kHexTypesLine.
std::string Format(const Tree& tree);

// Parses the text form. On failure returns false and describes the first
// fault with its line number in *error; the tree is then left empty.
//
// The n of hex(n) is hexadecimal when kHexTypesLine comes before the first key.
// A hive without that line was written by an earlier build, which wrote n in
// decimal and never wrote a letter there: in such a file an n of decimal
// digits only is read as decimal (hex(11): is type 11), one with a letter a-f
// as hexadecimal (a hand-edited line). Types 0 to 9 read the same either way.
bool Parse(const std::string& text, Tree& tree, std::string* error);

} // namespace plat::hive
