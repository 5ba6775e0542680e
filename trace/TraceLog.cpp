#include "TraceLog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <deque>
#include <memory>
#include <mutex>

namespace tracelib {

namespace {

// Older lines leave the memory list beyond this many; the file keeps them.
constexpr std::size_t kMaxLinesInMemory = 100000;

struct Store {
    std::mutex mutex;
    std::unique_ptr<QFile> file;
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

std::string LogFilePath() {
    return QDir(QDir::tempPath()).filePath(QStringLiteral("PelmoraTrace.log")).toStdString();
}

void OpenLog() {
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    store.lines.clear();
    store.file = std::make_unique<QFile>(QString::fromStdString(LogFilePath()));
    if (!store.file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        store.file.reset();
}

void CloseLog() {
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    store.file.reset();
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
    if (store.file) {
        store.file->write(formatted.data(), static_cast<qint64>(formatted.size()));
        store.file->write("\n", 1);
        store.file->flush();
    }
    store.lines.push_back(std::move(formatted));
    if (store.lines.size() > kMaxLinesInMemory)
        store.lines.pop_front();
}

std::vector<std::string> Lines() {
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    return {store.lines.begin(), store.lines.end()};
}

} // namespace tracelib
