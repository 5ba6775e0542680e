// The registry tree in memory, and its text form: REGEDIT4 layout with one
// section per key, strings quoted with \\ and \" escapes (and \xHH for control
// characters), dwords as dword:, and every other value as hex:/hex(n): bytes,
// so each value keeps its type and its bytes exactly.
#pragma once

#include "platform/types.h"

#include <array>
#include <map>
#include <memory>
#include <string>
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

struct Key {
    std::vector<Value> values; // in creation order
    std::map<std::string, std::unique_ptr<Key>, CaseLess> subKeys;

    Value* FindValue(const std::string& name);
    Key* FindSubKey(const std::string& name);
    // The sub-key with that name, created when missing; *created tells which.
    Key& SubKey(const std::string& name, bool* created = nullptr);
};

// The seven predefined roots, indexed by (HKEY value - 0x80000000).
inline constexpr int kRootCount = 7;
const char* RootName(int root);         // "HKEY_LOCAL_MACHINE", ...
int RootIndex(const std::string& name); // -1 when not a root name

struct Tree {
    std::array<Key, kRootCount> roots;
};

// Text form of the whole tree.
std::string Format(const Tree& tree);

// Parses the text form. On failure returns false and describes the first
// fault with its line number in *error; the tree is then left empty.
bool Parse(const std::string& text, Tree& tree, std::string* error);

} // namespace plat::hive
