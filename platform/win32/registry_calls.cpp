#include "platform/win32/registry_calls.h"

#include "platform/win32/windows_api.h"

static_assert(sizeof(DWORD) == sizeof(std::uint32_t));

namespace plat::win32 {

namespace {

HKEY Key(void* key) {
    return static_cast<HKEY>(key);
}
DWORD* Dw(std::uint32_t* p) {
    return reinterpret_cast<DWORD*>(p);
}

} // namespace

long RegOpenKeyExA(void* key, const char* subKey, std::uint32_t options, std::uint32_t access,
                   void** result) {
    return ::RegOpenKeyExA(Key(key), subKey, options, access, reinterpret_cast<HKEY*>(result));
}

long RegCreateKeyExA(void* key, const char* subKey, char* className, std::uint32_t options,
                     std::uint32_t access, const void* security, void** result,
                     std::uint32_t* disposition) {
    return ::RegCreateKeyExA(Key(key), subKey, 0, className, options, access,
                             static_cast<LPSECURITY_ATTRIBUTES>(const_cast<void*>(security)),
                             reinterpret_cast<HKEY*>(result), Dw(disposition));
}

long RegQueryValueExA(void* key, const char* name, std::uint32_t* type, std::uint8_t* data,
                      std::uint32_t* size) {
    return ::RegQueryValueExA(Key(key), name, nullptr, Dw(type), data, Dw(size));
}

long RegSetValueExA(void* key, const char* name, std::uint32_t type, const std::uint8_t* data,
                    std::uint32_t size) {
    return ::RegSetValueExA(Key(key), name, 0, type, data, size);
}

long RegEnumKeyExA(void* key, std::uint32_t index, char* name, std::uint32_t* nameLength,
                   char* className, std::uint32_t* classLength, void* lastWrite) {
    return ::RegEnumKeyExA(Key(key), index, name, Dw(nameLength), nullptr, className,
                           Dw(classLength), static_cast<PFILETIME>(lastWrite));
}

long RegEnumValueA(void* key, std::uint32_t index, char* name, std::uint32_t* nameLength,
                   std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) {
    return ::RegEnumValueA(Key(key), index, name, Dw(nameLength), nullptr, Dw(type), data,
                           Dw(size));
}

long RegQueryInfoKeyA(void* key, char* className, std::uint32_t* classLength,
                      std::uint32_t* subKeys, std::uint32_t* maxSubKeyLength,
                      std::uint32_t* maxClassLength, std::uint32_t* values,
                      std::uint32_t* maxValueNameLength, std::uint32_t* maxValueLength,
                      std::uint32_t* securityDescriptor, void* lastWrite) {
    return ::RegQueryInfoKeyA(Key(key), className, Dw(classLength), nullptr, Dw(subKeys),
                              Dw(maxSubKeyLength), Dw(maxClassLength), Dw(values),
                              Dw(maxValueNameLength), Dw(maxValueLength), Dw(securityDescriptor),
                              static_cast<PFILETIME>(lastWrite));
}

long RegDeleteKeyA(void* key, const char* subKey) {
    return ::RegDeleteKeyA(Key(key), subKey);
}

long RegDeleteValueA(void* key, const char* name) {
    return ::RegDeleteValueA(Key(key), name);
}

long RegCloseKey(void* key) {
    return ::RegCloseKey(Key(key));
}

} // namespace plat::win32
