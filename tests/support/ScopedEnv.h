// Sets or clears an environment variable for one block and puts back what it
// was when the object goes.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

// The variable the system's temporary directory follows: TMPDIR, on Windows
// TMP (the first one GetTempPath reads).
#if defined(_WIN32)
inline constexpr const char* kTempDirVariable = "TMP";
#else
inline constexpr const char* kTempDirVariable = "TMPDIR";
#endif

class ScopedEnv {
public:
    // The C library's own calls: setenv/unsetenv, or _putenv_s on Windows,
    // where an empty value removes the variable.
    static void Set(const char* name, const char* value) {
#if defined(_WIN32)
        ::_putenv_s(name, value);
#else
        ::setenv(name, value, 1);
#endif
    }
    static void Clear(const char* name) {
#if defined(_WIN32)
        ::_putenv_s(name, "");
#else
        ::unsetenv(name);
#endif
    }

    // A null value clears the variable.
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value != nullptr)
            Set(name, value);
        else
            Clear(name);
    }
    ScopedEnv(const char* name, const std::string& value) : ScopedEnv(name, value.c_str()) {}
    ~ScopedEnv() {
        if (m_old)
            Set(m_name.c_str(), m_old->c_str());
        else
            Clear(m_name.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};
