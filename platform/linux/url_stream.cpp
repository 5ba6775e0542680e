#include "platform/system/url_stream.h"

#include "platform/system/library_functions.h"

#include <curl/curl.h>

#include <algorithm>
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

} // namespace

UrlFetchResult FetchUrl(const std::string& url, bool requireContentLength, UrlContent& out,
                        std::uint64_t maxBytes) {
    out = UrlContent{};
    const Curl& api = LoadCurl();
    if (!api.loaded)
        return UrlFetchResult::Failed;
    CURL* curl = api.easy_init();
    if (!curl)
        return UrlFetchResult::Failed;
    Transfer t;
    t.curl = curl;
    t.out = &out;
    t.maxBytes = maxBytes;
    t.requireLength = requireContentLength;
    api.easy_setopt(curl, CURLOPT_URL, url.c_str());
    api.easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,ftp,gopher,file");
    api.easy_setopt(curl, CURLOPT_WRITEFUNCTION, &OnBody);
    api.easy_setopt(curl, CURLOPT_WRITEDATA, &t);
    api.easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    api.easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    api.easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    api.easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,ftp");
    api.easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 15L);
    api.easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    api.easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, 30L);
    api.easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    api.easy_setopt(curl, CURLOPT_TRANSFERTEXT, 0L);
    // A larger announced length ends the transfer before its body.
    const auto bound = std::min<std::uint64_t>(maxBytes, std::numeric_limits<curl_off_t>::max());
    api.easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(bound));
    const CURLcode rc = api.easy_perform(curl);
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
    return rc == CURLE_OK ? UrlFetchResult::Ok : UrlFetchResult::Failed;
}

} // namespace plat
