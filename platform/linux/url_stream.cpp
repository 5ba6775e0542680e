#include "platform/system/url_stream.h"

#include "platform/system/library_functions.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <limits>

namespace plat {

namespace {

// libcurl, loaded at the first transfer: linked to the program, it and the
// libraries it needs would be loaded at every start, for a service few runs
// use.
struct Curl {
    decltype(&curl_global_init) global_init = nullptr;
    decltype(&curl_easy_init) easy_init = nullptr;
    decltype(&curl_easy_setopt) easy_setopt = nullptr;
    decltype(&curl_easy_perform) easy_perform = nullptr;
    decltype(&curl_easy_getinfo) easy_getinfo = nullptr;
    decltype(&curl_easy_cleanup) easy_cleanup = nullptr;
    decltype(&curl_url) url = nullptr;
    decltype(&curl_url_set) url_set = nullptr;
    decltype(&curl_url_get) url_get = nullptr;
    decltype(&curl_url_cleanup) url_cleanup = nullptr;
    decltype(&curl_free) free = nullptr;
    bool loaded = false;
};

const Curl& LoadCurl() {
    static const Curl curl = [] {
        Curl c;
        std::string error;
        HMODULE library = LoadSystemLibrary("libcurl.so.4", error);
        c.loaded = library != nullptr &&
                   BindFunction(library, "curl_global_init", c.global_init, error) &&
                   BindFunction(library, "curl_easy_init", c.easy_init, error) &&
                   BindFunction(library, "curl_easy_setopt", c.easy_setopt, error) &&
                   BindFunction(library, "curl_easy_perform", c.easy_perform, error) &&
                   BindFunction(library, "curl_easy_getinfo", c.easy_getinfo, error) &&
                   BindFunction(library, "curl_easy_cleanup", c.easy_cleanup, error) &&
                   BindFunction(library, "curl_url", c.url, error) &&
                   BindFunction(library, "curl_url_set", c.url_set, error) &&
                   BindFunction(library, "curl_url_get", c.url_get, error) &&
                   BindFunction(library, "curl_url_cleanup", c.url_cleanup, error) &&
                   BindFunction(library, "curl_free", c.free, error) &&
                   c.global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
        return c;
    }();
    return curl;
}

struct Transfer {
    CURL* curl = nullptr;
    UrlContent* out = nullptr;
    std::uint64_t maxBytes = 0;
    bool requireLength = false;
    bool started = false;
    bool missingLength = false;
    bool tooLarge = false;
};

// The Content-Length of the response, -1 when none was announced.
std::int64_t AnnouncedLength(CURL* curl) {
    curl_off_t length = -1;
    if (LoadCurl().easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK)
        return -1;
    return length;
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    long status = 0;
    if (LoadCurl().easy_getinfo(t->curl, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK &&
        status >= 300 && status <= 399)
        return n; // the page of a redirection is not the file
    if (!t->started) {
        t->started = true;
        const std::int64_t length = AnnouncedLength(t->curl);
        t->out->contentLength = length;
        if (t->requireLength && length < 0) {
            t->missingLength = true;
            return 0; // aborts the transfer
        }
    }
    if (t->out->bytes.size() + n > t->maxBytes) {
        t->tooLarge = true;
        return 0;
    }
    t->out->bytes.insert(t->out->bytes.end(), data, data + n);
    return n;
}

// Scheme, host and port of a URL, as libcurl reads it ("http", "example.org",
// "80"); empty when it cannot be read.
std::string Origin(const std::string& url) {
    const Curl& api = LoadCurl();
    CURLU* parsed = api.url();
    std::string origin;
    if (parsed && api.url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK) {
        for (CURLUPart part : {CURLUPART_SCHEME, CURLUPART_HOST, CURLUPART_PORT}) {
            char* text = nullptr;
            if (api.url_get(parsed, part, &text, CURLU_DEFAULT_PORT) != CURLUE_OK || !text) {
                origin.clear();
                break;
            }
            std::string piece = text;
            api.free(text);
            std::transform(piece.begin(), piece.end(), piece.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            origin += piece + " ";
        }
    }
    if (parsed)
        api.url_cleanup(parsed);
    return origin;
}

// Redirections followed before the URL is given up.
constexpr int kMostRedirections = 5;

} // namespace

UrlFetchResult FetchUrl(const std::string& url, bool requireContentLength, UrlContent& out,
                        std::uint64_t maxBytes, const UrlLimits& limits) {
    out = UrlContent{};
    const Curl& api = LoadCurl();
    if (!api.loaded)
        return UrlFetchResult::Failed;
    CURL* curl = api.easy_init();
    if (!curl)
        return UrlFetchResult::Failed;
    api.easy_setopt(curl, CURLOPT_PROTOCOLS_STR, kUrlSchemes);
    api.easy_setopt(curl, CURLOPT_WRITEFUNCTION, &OnBody);
    api.easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    // Redirections are followed here, each checked against the URL given.
    api.easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    api.easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, limits.connectSeconds);
    api.easy_setopt(curl, CURLOPT_TIMEOUT, limits.overallSeconds);
    api.easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, limits.leastBytesPerSecond);
    api.easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, limits.slowSeconds);
    api.easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    api.easy_setopt(curl, CURLOPT_TRANSFERTEXT, 0L);
    // A larger announced length ends the transfer before its body.
    const auto bound = std::min<std::uint64_t>(maxBytes, std::numeric_limits<curl_off_t>::max());
    api.easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(bound));

    const std::string origin = Origin(url);
    std::string next = url;
    Transfer t;
    CURLcode rc = CURLE_OK;
    for (int hop = 0;; ++hop) {
        out = UrlContent{};
        t = Transfer{};
        t.curl = curl;
        t.out = &out;
        t.maxBytes = maxBytes;
        t.requireLength = requireContentLength;
        api.easy_setopt(curl, CURLOPT_URL, next.c_str());
        api.easy_setopt(curl, CURLOPT_WRITEDATA, &t);
        rc = api.easy_perform(curl);
        char* location = nullptr;
        long status = 0;
        if (rc != CURLE_OK || api.easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK ||
            status < 300 || status > 399 ||
            api.easy_getinfo(curl, CURLINFO_REDIRECT_URL, &location) != CURLE_OK || !location)
            break;
        // Elsewhere than the URL's own scheme, host and port, or too often:
        // not followed.
        next = location;
        if (hop + 1 > kMostRedirections || origin.empty() || Origin(next) != origin) {
            api.easy_cleanup(curl);
            out = UrlContent{};
            return UrlFetchResult::Failed;
        }
    }
    if (rc == CURLE_OK && !t.started) {
        // An empty body never reaches the write callback.
        out.contentLength = AnnouncedLength(curl);
        if (requireContentLength && out.contentLength < 0)
            t.missingLength = true;
    }
    api.easy_cleanup(curl);
    if (t.missingLength)
        return UrlFetchResult::NoContentLength;
    if (t.tooLarge || rc == CURLE_FILESIZE_EXCEEDED)
        return UrlFetchResult::TooLarge;
    if (rc == CURLE_OPERATION_TIMEDOUT)
        return UrlFetchResult::TooSlow;
    return rc == CURLE_OK ? UrlFetchResult::Ok : UrlFetchResult::Failed;
}

} // namespace plat
