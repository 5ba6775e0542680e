#include "platform/win32/system_error.h"

#include "platform/win32/windows_api.h"

namespace plat {

std::string WindowsErrorText(unsigned long code) {
    char* text = nullptr;
    const ::DWORD n = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = n > 0 && text != nullptr ? std::string(text, n) : std::string();
    if (text != nullptr)
        ::LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    if (message.empty())
        message = "system error " + std::to_string(code);
    return message;
}

std::string LastErrorText() {
    return WindowsErrorText(::GetLastError());
}

} // namespace plat
