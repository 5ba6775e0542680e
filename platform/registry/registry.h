// The registry services, with the names, argument order, types, access masks
// and result codes of their Windows namesakes.
//
// On POSIX the registry is a hive kept in one text file in REGEDIT4 layout:
// $PELMORA_REGISTRY when set, else $XDG_DATA_HOME/pelmora/registry.reg, else
// ~/.local/share/pelmora/registry.reg. Every value keeps its type and bytes.
// Sub-keys enumerate in alphabetical order ignoring case, values in creation
// order. Each change re-reads the hive under an exclusive lock (a ".lock" file
// beside it), so two processes may write at the same time, and is written
// atomically (a new file beside the hive renamed over it); a RegBatch
// (registry_batch.h) makes many calls read and write the hive once. A hive
// that cannot be parsed is never overwritten: every call answers ERROR_BADDB
// and RegHiveError() tells which file and line are at fault.
#pragma once

#include "platform/types.h"
#include "platform/winerror.h"

#include <cstddef>
#include <string>

namespace plat {

struct HKEY__;
using HKEY = HKEY__*;
using REGSAM = DWORD;
using PHKEY = HKEY*;

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

// Predefined root keys.
inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(0x80000000u);
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(0x80000001u);
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(0x80000002u);
inline HKEY const HKEY_USERS = reinterpret_cast<HKEY>(0x80000003u);
inline HKEY const HKEY_PERFORMANCE_DATA = reinterpret_cast<HKEY>(0x80000004u);
inline HKEY const HKEY_CURRENT_CONFIG = reinterpret_cast<HKEY>(0x80000005u);
inline HKEY const HKEY_DYN_DATA = reinterpret_cast<HKEY>(0x80000006u);

// Value types.
inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_DWORD_BIG_ENDIAN = 5;
inline constexpr DWORD REG_LINK = 6;
inline constexpr DWORD REG_MULTI_SZ = 7;

// Access masks.
inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_CREATE_LINK = 0x0020;
inline constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
inline constexpr REGSAM KEY_WOW64_32KEY = 0x0200;
inline constexpr REGSAM READ_CONTROL = 0x00020000;
inline constexpr REGSAM KEY_READ = 0x00020019;
inline constexpr REGSAM KEY_WRITE = 0x00020006;
inline constexpr REGSAM KEY_EXECUTE = 0x00020019;
inline constexpr REGSAM KEY_ALL_ACCESS = 0x000F003F;

// Options and dispositions of RegCreateKeyEx. Volatile keys are kept like the
// others.
inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_OPTION_VOLATILE = 1;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

LONG RegOpenKeyEx(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult);
LONG RegCreateKeyEx(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                    REGSAM samDesired, const void* lpSecurityAttributes, PHKEY phkResult,
                    DWORD* lpdwDisposition);
LONG RegQueryValueEx(HKEY hKey, LPCSTR lpValueName, DWORD* lpReserved, DWORD* lpType, BYTE* lpData,
                     DWORD* lpcbData);
LONG RegSetValueEx(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                   DWORD cbData);
LONG RegEnumKeyEx(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD* lpcchName, DWORD* lpReserved,
                  LPSTR lpClass, DWORD* lpcchClass, FILETIME* lpftLastWriteTime);
LONG RegEnumValue(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, DWORD* lpcchValueName,
                  DWORD* lpReserved, DWORD* lpType, BYTE* lpData, DWORD* lpcbData);
LONG RegQueryInfoKey(HKEY hKey, LPSTR lpClass, DWORD* lpcchClass, DWORD* lpReserved,
                     DWORD* lpcSubKeys, DWORD* lpcbMaxSubKeyLen, DWORD* lpcbMaxClassLen,
                     DWORD* lpcValues, DWORD* lpcbMaxValueNameLen, DWORD* lpcbMaxValueLen,
                     DWORD* lpcbSecurityDescriptor, FILETIME* lpftLastWriteTime);
// Deletes a key that has no sub-keys (ERROR_ACCESS_DENIED otherwise).
LONG RegDeleteKey(HKEY hKey, LPCSTR lpSubKey);
LONG RegDeleteValue(HKEY hKey, LPCSTR lpValueName);
LONG RegCloseKey(HKEY hKey);

// ---- key paths ----------------------------------------------------------------
// The registry's limits: a key name has at most 255 characters, and a key lies
// at most 512 levels below its root. RegCreateKeyEx refuses a path beyond them
// with ERROR_INVALID_PARAMETER, and a hive file holding one is corrupt.
inline constexpr std::size_t kMaxKeyNameLength = 255;
inline constexpr std::size_t kMaxKeyLevels = 512;
// Why `subKey`, the names of a key below a root separated by backslashes (one
// trailing backslash allowed, "" for the root itself), cannot name a key:
// "empty key name at level 3", "key name of 300 characters at level 2 (at
// most 255)", "key path of more than 512 levels"; empty when it can. Reads the
// path once, whatever its length, and keeps nothing of it.
std::string RegKeyPathFault(const std::string& subKey);

// ---- the hive file ----------------------------------------------------------
// Path of the hive file in use.
std::string RegHivePath();
// Uses the given hive file from now on (tests, the command-line tools); an
// empty path goes back to $PELMORA_REGISTRY or the user's data directory.
void RegUseHiveFile(const std::string& path);
// Why the last call failed with ERROR_BADDB, ERROR_CANTREAD or
// ERROR_CANTWRITE ("registry hive /x/registry.reg line 12: ..."), or was
// refused a key path beyond the limits above; empty after a call that reached
// the hive without trouble.
std::string RegHiveError();

} // namespace plat
