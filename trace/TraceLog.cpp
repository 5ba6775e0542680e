#include "TraceLog.h"

#include "platform/log_file.h"
#include "platform/system.h"

#include <QDateTime>

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
    const QString time =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    std::string out = time.toStdString();
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
