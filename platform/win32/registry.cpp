// The registry calls on Windows are the system's own (advapi32); our keys
// and the predefined roots are the system's HKEY values. A batch has
// nothing to hold: the system keeps the registry.
#include "platform/registry/registry.h"
#include "platform/registry/registry_batch.h"
#include "platform/registry/registry_hive.h"

#include "platform/win32/registry_calls.h"

#include <string_view>
#include <vector>

namespace plat {

namespace {

void* Key(HKEY key) {
    return static_cast<void*>(key);
}
void** KeyOut(PHKEY key) {
    return reinterpret_cast<void**>(key);
}

} // namespace

LONG RegOpenKeyEx(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult) {
    return win32::RegOpenKeyExA(Key(hKey), lpSubKey, ulOptions, samDesired, KeyOut(phkResult));
}

LONG RegCreateKeyEx(HKEY hKey, LPCSTR lpSubKey, DWORD /*Reserved*/, LPSTR lpClass, DWORD dwOptions,
                    REGSAM samDesired, const void* lpSecurityAttributes, PHKEY phkResult,
                    DWORD* lpdwDisposition) {
    return win32::RegCreateKeyExA(Key(hKey), lpSubKey, lpClass, dwOptions, samDesired,
                                  lpSecurityAttributes, KeyOut(phkResult), lpdwDisposition);
}

LONG RegQueryValueEx(HKEY hKey, LPCSTR lpValueName, DWORD* /*lpReserved*/, DWORD* lpType,
                     BYTE* lpData, DWORD* lpcbData) {
    return win32::RegQueryValueExA(Key(hKey), lpValueName, lpType, lpData, lpcbData);
}

LONG RegSetValueEx(HKEY hKey, LPCSTR lpValueName, DWORD /*Reserved*/, DWORD dwType,
                   const BYTE* lpData, DWORD cbData) {
    return win32::RegSetValueExA(Key(hKey), lpValueName, dwType, lpData, cbData);
}

LONG RegEnumKeyEx(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD* lpcchName, DWORD* /*lpReserved*/,
                  LPSTR lpClass, DWORD* lpcchClass, FILETIME* lpftLastWriteTime) {
    return win32::RegEnumKeyExA(Key(hKey), dwIndex, lpName, lpcchName, lpClass, lpcchClass,
                                lpftLastWriteTime);
}

LONG RegEnumValue(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, DWORD* lpcchValueName,
                  DWORD* /*lpReserved*/, DWORD* lpType, BYTE* lpData, DWORD* lpcbData) {
    return win32::RegEnumValueA(Key(hKey), dwIndex, lpValueName, lpcchValueName, lpType, lpData,
                                lpcbData);
}

LONG RegQueryInfoKey(HKEY hKey, LPSTR lpClass, DWORD* lpcchClass, DWORD* /*lpReserved*/,
                     DWORD* lpcSubKeys, DWORD* lpcbMaxSubKeyLen, DWORD* lpcbMaxClassLen,
                     DWORD* lpcValues, DWORD* lpcbMaxValueNameLen, DWORD* lpcbMaxValueLen,
                     DWORD* lpcbSecurityDescriptor, FILETIME* lpftLastWriteTime) {
    return win32::RegQueryInfoKeyA(Key(hKey), lpClass, lpcchClass, lpcSubKeys, lpcbMaxSubKeyLen,
                                   lpcbMaxClassLen, lpcValues, lpcbMaxValueNameLen, lpcbMaxValueLen,
                                   lpcbSecurityDescriptor, lpftLastWriteTime);
}

LONG RegDeleteKey(HKEY hKey, LPCSTR lpSubKey) {
    return win32::RegDeleteKeyA(Key(hKey), lpSubKey);
}

LONG RegDeleteValue(HKEY hKey, LPCSTR lpValueName) {
    return win32::RegDeleteValueA(Key(hKey), lpValueName);
}

LONG RegCloseKey(HKEY hKey) {
    return win32::RegCloseKey(Key(hKey));
}

std::string RegHivePath() {
    return "the system registry";
}

void RegUseHiveFile(const std::string& /*path*/) {}

std::string RegHiveError() {
    return {};
}

RegBatch::RegBatch() : m_held(true) {}

RegBatch::~RegBatch() {
    End();
}

LONG RegBatch::End() {
    m_ended = true;
    return ERROR_SUCCESS;
}

} // namespace plat
