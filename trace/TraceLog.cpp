#include "TraceLog.h"

#include "platform/files/directories.h"
#include "platform/files/log_file.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <deque>
#include <mutex>

namespace tracelib {

namespace {

// Older lines leave the memory list beyond this many (the file keeps its own
// newest lines, see kLogLimit).
constexpr std::size_t kMaxLinesInMemory = 100000;

struct Store {
    std::mutex mutex;
    plat::CLogFile file{kLogLimit, kLogKept};
    bool fileFailed = false; // one warning line per failure, not one per line
    std::deque<std::string> lines;
};

Store& TheStore() {
    static Store store;
    return store;
}

// "2026-12-08 14:20:59.123", the local time now.
std::string LocalTimeText() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    char text[32];
    const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(text + n, sizeof text - n, ".%03d", static_cast<int>(millis));
    return text;
}

const char* SeverityName(int severity) {
    switch (severity) {
    case 0:
        return "I";
    case 1:
        return "W";
    case 2:
        return "E";
    default:
        return "?";
    }
}

} // namespace

std::string LogFilePath(std::string* error) {
    const std::string dir = plat::GetTempPath(error);
    return dir.empty() ? std::string() : dir + "PelmoraTrace.log";
}

void OpenLog() {
    std::string why;
    const std::string path = LogFilePath(&why);
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    store.lines.clear();
    store.fileFailed = false;
    if (!path.empty() && store.file.Open(path, &why))
        return;
    store.fileFailed = true;
    store.lines.push_back(FormatLine(1, "Trace", __LINE__, ("no trace log: " + why).c_str()));
}

void CloseLog() {
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    store.file.Close();
    store.lines.clear();
}

std::string FormatLine(int severity, const char* module, int line, const char* text) {
    std::string out = LocalTimeText();
    out += "  ";
    out += SeverityName(severity);
    out += "  ";
    out += module != nullptr ? module : "";
    out += ":";
    out += std::to_string(line);
    out += "  ";
    out += text != nullptr ? text : "";
    return out;
}

void AppendLine(int severity, const char* module, int line, const char* text) {
    std::string formatted = FormatLine(severity, module, line, text);
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    std::string why;
    const bool failed = store.file.IsOpen() && !store.file.Append(formatted + "\n", &why);
    store.lines.push_back(std::move(formatted));
    if (failed && !store.fileFailed)
        store.lines.push_back(FormatLine(1, "Trace", __LINE__, ("trace log: " + why).c_str()));
    store.fileFailed = failed;
    if (store.lines.size() > kMaxLinesInMemory)
        store.lines.pop_front();
}

std::vector<std::string> Lines() {
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    return {store.lines.begin(), store.lines.end()};
}

} // namespace tracelib
