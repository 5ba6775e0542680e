// FetchUrl on Windows: ftp, gopher and http through WinINet
// (InternetOpenUrl), file URLs read from the file they name.
#include "platform/system/url_stream.h"

#include "platform/win32/windows_api.h"

#include <wininet.h>

#include <cstdio>
#include <cstdlib>

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

} // namespace

UrlFetchResult FetchUrl(const std::string& url, bool requireContentLength, UrlContent& out,
                        std::uint64_t maxBytes) {
    out = UrlContent{};
    if (StartsWithNoCase(url, "file://"))
        return FetchFile(url, out, maxBytes);
    InternetHandle session(
        ::InternetOpenA("Pelmora", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (session.get() == nullptr)
        return UrlFetchResult::Failed;
    InternetHandle request(::InternetOpenUrlA(
        session.get(), url.c_str(), nullptr, 0,
        INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI, 0));
    if (request.get() == nullptr)
        return UrlFetchResult::Failed;
    const bool http = StartsWithNoCase(url, "http");
    if (http) {
        const std::int64_t status = HeaderNumber(request.get(), HTTP_QUERY_STATUS_CODE);
        if (status >= 400)
            return UrlFetchResult::Failed;
        out.contentLength = HeaderNumber(request.get(), HTTP_QUERY_CONTENT_LENGTH);
    }
    if (requireContentLength && out.contentLength < 0)
        return UrlFetchResult::NoContentLength;
    if (out.contentLength >= 0 && static_cast<std::uint64_t>(out.contentLength) > maxBytes)
        return UrlFetchResult::TooLarge;
    char buffer[65536];
    for (;;) {
        ::DWORD n = 0;
        if (!::InternetReadFile(request.get(), buffer, sizeof buffer, &n))
            return UrlFetchResult::Failed;
        if (n == 0)
            break;
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
