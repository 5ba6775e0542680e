// FetchUrl on Windows: ftp, gopher and http through WinINet
// (InternetOpenUrl), file URLs read from the file they name.
#include "platform/system/url_stream.h"

#include "platform/win32/windows_api.h"

#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace plat {

namespace {

class InternetHandle {
public:
    explicit InternetHandle(HINTERNET handle) : m_handle(handle) {}
    ~InternetHandle() {
        if (m_handle != nullptr)
            ::InternetCloseHandle(m_handle);
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    HINTERNET get() const { return m_handle; }

private:
    HINTERNET m_handle;
};

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    for (std::size_t i = 0; prefix[i] != '\0'; ++i) {
        if (i >= text.size())
            return false;
        const char a = static_cast<char>(text[i] >= 'A' && text[i] <= 'Z' ? text[i] + 32 : text[i]);
        if (a != prefix[i])
            return false;
    }
    return true;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "file:///C:/dir/a%20b.mp3" -> "C:\dir\a b.mp3"; "file://server/share/x"
// -> "\\server\share\x".
std::string FilePathOfUrl(const std::string& url) {
    std::string rest = url.substr(7); // after "file://"
    std::string path;
    if (!rest.empty() && rest[0] == '/')
        rest.erase(0, 1);
    else
        path = "\\\\"; // a host: a share of another machine
    for (std::size_t i = 0; i < rest.size(); ++i) {
        char c = rest[i];
        if (c == '%' && i + 2 < rest.size() && HexValue(rest[i + 1]) >= 0 &&
            HexValue(rest[i + 2]) >= 0) {
            c = static_cast<char>(HexValue(rest[i + 1]) * 16 + HexValue(rest[i + 2]));
            i += 2;
        }
        path.push_back(c == '/' ? '\\' : c);
    }
    return path;
}

UrlFetchResult FetchFile(const std::string& url, UrlContent& out, std::uint64_t maxBytes) {
    std::FILE* file = std::fopen(FilePathOfUrl(url).c_str(), "rb");
    if (file == nullptr)
        return UrlFetchResult::Failed;
    // A file's length is known before its bytes, as a server's announced one.
    if (::_fseeki64(file, 0, SEEK_END) == 0)
        out.contentLength = ::_ftelli64(file);
    ::_fseeki64(file, 0, SEEK_SET);
    if (out.contentLength >= 0 && static_cast<std::uint64_t>(out.contentLength) > maxBytes) {
        std::fclose(file);
        return UrlFetchResult::TooLarge;
    }
    char buffer[65536];
    UrlFetchResult result = UrlFetchResult::Ok;
    for (;;) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, file);
        if (n == 0)
            break;
        if (out.bytes.size() + n > maxBytes) {
            result = UrlFetchResult::TooLarge;
            break;
        }
        out.bytes.insert(out.bytes.end(), buffer, buffer + n);
    }
    if (std::ferror(file) != 0)
        result = UrlFetchResult::Failed;
    std::fclose(file);
    return result;
}

// The number a header holds, -1 when the response has no such header.
std::int64_t HeaderNumber(HINTERNET request, ::DWORD header) {
    char text[32];
    ::DWORD size = sizeof text;
    if (!::HttpQueryInfoA(request, header, text, &size, nullptr))
        return -1;
    text[size < sizeof text ? size : sizeof text - 1] = '\0';
    char* end = nullptr;
    const long long value = std::strtoll(text, &end, 10);
    return end != text && value >= 0 ? value : -1;
}

// Whether the URL's scheme is one of kUrlSchemes ("http:" but not "https:").
bool SchemeAllowed(const std::string& url) {
    const std::size_t colon = url.find(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    std::string scheme = url.substr(0, colon);
    for (char& c : scheme)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    const std::string list = std::string(",") + kUrlSchemes + ",";
    return list.find("," + scheme + ",") != std::string::npos;
}

// Scheme, host and port of a URL ("3 example.org 80"); empty when it cannot
// be read.
std::string Origin(const std::string& url) {
    char host[INTERNET_MAX_HOST_NAME_LENGTH + 1] = {};
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof host;
    if (!::InternetCrackUrlA(url.c_str(), 0, 0, &parts))
        return std::string();
    std::string name = host;
    for (char& c : name)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return std::to_string(parts.nScheme) + " " + name + " " + std::to_string(parts.nPort);
}

// Where a redirection leads, made absolute against the URL it came from.
std::string RedirectionOf(HINTERNET request, const std::string& from) {
    char location[INTERNET_MAX_URL_LENGTH];
    ::DWORD size = sizeof location;
    if (!::HttpQueryInfoA(request, HTTP_QUERY_LOCATION, location, &size, nullptr))
        return std::string();
    char combined[INTERNET_MAX_URL_LENGTH];
    ::DWORD length = sizeof combined;
    if (!::InternetCombineUrlA(from.c_str(), location, combined, &length, ICU_NO_ENCODE))
        return std::string();
    return std::string(combined, length);
}

constexpr int kMostRedirections = 5;

} // namespace

UrlFetchResult FetchUrl(const std::string& url, bool requireContentLength, UrlContent& out,
                        std::uint64_t maxBytes, const UrlLimits& limits) {
    out = UrlContent{};
    if (!SchemeAllowed(url))
        return UrlFetchResult::Failed;
    if (StartsWithNoCase(url, "file://"))
        return FetchFile(url, out, maxBytes);
    InternetHandle session(
        ::InternetOpenA("Pelmora", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (session.get() == nullptr)
        return UrlFetchResult::Failed;
    ::DWORD connect = static_cast<::DWORD>(limits.connectSeconds * 1000);
    ::DWORD quiet = static_cast<::DWORD>(limits.slowSeconds * 1000);
    ::InternetSetOptionA(session.get(), INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    ::InternetSetOptionA(session.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &quiet, sizeof quiet);
    const ::DWORD start = ::GetTickCount();
    auto elapsedMs = [start] { return static_cast<long long>(::GetTickCount() - start); };

    const std::string origin = Origin(url);
    std::string next = url;
    std::unique_ptr<InternetHandle> request;
    for (int hop = 0;; ++hop) {
        request = std::make_unique<InternetHandle>(
            ::InternetOpenUrlA(session.get(), next.c_str(), nullptr, 0,
                               INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                   INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_AUTO_REDIRECT,
                               0));
        if (request->get() == nullptr)
            return UrlFetchResult::Failed;
        if (!StartsWithNoCase(next, "http"))
            break;
        const std::int64_t status = HeaderNumber(request->get(), HTTP_QUERY_STATUS_CODE);
        if (status < 300 || status > 399)
            break;
        // Elsewhere than the URL's own scheme, host and port, or too often:
        // not followed.
        next = RedirectionOf(request->get(), next);
        if (hop + 1 > kMostRedirections || next.empty() || origin.empty() || Origin(next) != origin)
            return UrlFetchResult::Failed;
    }
    const bool http = StartsWithNoCase(next, "http");
    if (http) {
        const std::int64_t status = HeaderNumber(request->get(), HTTP_QUERY_STATUS_CODE);
        if (status >= 400)
            return UrlFetchResult::Failed;
        out.contentLength = HeaderNumber(request->get(), HTTP_QUERY_CONTENT_LENGTH);
    }
    if (requireContentLength && out.contentLength < 0)
        return UrlFetchResult::NoContentLength;
    if (out.contentLength >= 0 && static_cast<std::uint64_t>(out.contentLength) > maxBytes)
        return UrlFetchResult::TooLarge;
    char buffer[65536];
    // The bytes of the current stretch of slowSeconds, for the least speed.
    long long stretchStart = 0;
    std::uint64_t stretchBytes = 0;
    for (;;) {
        // What is there now, so a server that drips is measured as it drips.
        ::DWORD ready = 0;
        if (!::InternetQueryDataAvailable(request->get(), &ready, 0, 0))
            return ::GetLastError() == ERROR_INTERNET_TIMEOUT ? UrlFetchResult::TooSlow
                                                              : UrlFetchResult::Failed;
        ::DWORD n = 0;
        const ::DWORD want = ready == 0 || ready > sizeof buffer ? sizeof buffer : ready;
        if (!::InternetReadFile(request->get(), buffer, want, &n))
            return UrlFetchResult::Failed;
        if (n == 0)
            break;
        const long long now = elapsedMs();
        if (now > limits.overallSeconds * 1000)
            return UrlFetchResult::TooSlow;
        stretchBytes += n;
        if (now - stretchStart >= quiet) {
            if (stretchBytes < static_cast<std::uint64_t>(limits.leastBytesPerSecond) *
                                   static_cast<std::uint64_t>(limits.slowSeconds))
                return UrlFetchResult::TooSlow;
            stretchStart = now;
            stretchBytes = 0;
        }
        std::size_t take = n;
        // A body longer than the length announced is cut there.
        if (out.contentLength >= 0 &&
            out.bytes.size() + take > static_cast<std::uint64_t>(out.contentLength))
            take = static_cast<std::size_t>(out.contentLength) - out.bytes.size();
        if (out.bytes.size() + take > maxBytes)
            return UrlFetchResult::TooLarge;
        out.bytes.insert(out.bytes.end(), buffer, buffer + take);
        if (take < n)
            break;
    }
    return UrlFetchResult::Ok;
}

} // namespace plat
