// The advapi32 registry calls (the A functions) behind plain types, for
// win32/registry.cpp, which sees our registry.h and never Windows' headers:
// keys are the system's HKEYs as void*, results the system's error codes.
#pragma once

#include <cstdint>

namespace plat::win32 {

long RegOpenKeyExA(void* key, const char* subKey, std::uint32_t options, std::uint32_t access,
                   void** result);
long RegCreateKeyExA(void* key, const char* subKey, char* className, std::uint32_t options,
                     std::uint32_t access, const void* security, void** result,
                     std::uint32_t* disposition);
long RegQueryValueExA(void* key, const char* name, std::uint32_t* type, std::uint8_t* data,
                      std::uint32_t* size);
long RegSetValueExA(void* key, const char* name, std::uint32_t type, const std::uint8_t* data,
                    std::uint32_t size);
long RegEnumKeyExA(void* key, std::uint32_t index, char* name, std::uint32_t* nameLength,
                   char* className, std::uint32_t* classLength, void* lastWrite);
long RegEnumValueA(void* key, std::uint32_t index, char* name, std::uint32_t* nameLength,
                   std::uint32_t* type, std::uint8_t* data, std::uint32_t* size);
long RegQueryInfoKeyA(void* key, char* className, std::uint32_t* classLength,
                      std::uint32_t* subKeys, std::uint32_t* maxSubKeyLength,
                      std::uint32_t* maxClassLength, std::uint32_t* values,
                      std::uint32_t* maxValueNameLength, std::uint32_t* maxValueLength,
                      std::uint32_t* securityDescriptor, void* lastWrite);
long RegDeleteKeyA(void* key, const char* subKey);
long RegDeleteValueA(void* key, const char* name);
long RegCloseKey(void* key);

} // namespace plat::win32
