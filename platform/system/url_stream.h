// Fetching a file given as an ftp, gopher, http or file URL, in binary.
//
// A transfer ends, failed, when it takes longer than its limits allow (in
// all, or below a least speed for a while), so a server that sends a byte
// now and then never keeps the user waiting. A redirection is followed only
// to the same scheme, host and port as the URL given.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace plat {

struct UrlContent {
    std::vector<std::uint8_t> bytes; // the body received
    // The Content-Length the server announced, -1 when it sent none (or for
    // services without such a header).
    std::int64_t contentLength = -1;
};

// The schemes a URL may have, as libcurl lists protocols.
inline constexpr const char* kUrlSchemes = "http,ftp,gopher,file";

struct UrlLimits {
    long connectSeconds = 15;        // to reach the server
    long overallSeconds = 300;       // for the whole transfer
    long leastBytesPerSecond = 1024; // slower than this ...
    long slowSeconds = 20;           // ... for this long ends the transfer
};

enum class UrlFetchResult {
    Ok,
    Failed,          // no connection, not found, transfer error, a refused redirection
    TooSlow,         // the transfer passed its limits in time
    NoContentLength, // requireContentLength was set and the server sent none
    TooLarge,        // the announced length or the body exceeds maxBytes
};

// Fetches url into memory, at most maxBytes: a larger announced length fails
// as soon as the response headers show it, a larger body as soon as it passes
// the bound. With requireContentLength the transfer stops as soon as the
// response headers show no Content-Length. A body longer than the length the
// server announced is cut there (libcurl reads no further).
UrlFetchResult FetchUrl(const std::string& url, bool requireContentLength, UrlContent& out,
                        std::uint64_t maxBytes = 512ull * 1024 * 1024,
                        const UrlLimits& limits = UrlLimits());

} // namespace plat
