#include "platform/system/trace.h"

#include "platform/system/library.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

namespace plat {

namespace {

using TraceInitFn = void (*)(int);
using TraceMessageFn = void (*)(int, const char*, int, const char*);
using TraceCloseFn = void (*)();
using TraceShowTraceListFn = void (*)();

// Every piece is constructed on first use: the static channels bind the
// library during static initialisation, before this file's globals would be.
struct Binding {
    std::mutex mutex;
    std::string libraryName = "Trace.dll";
    HMODULE module = nullptr;
    TraceInitFn init = nullptr;
    std::atomic<TraceMessageFn> message{nullptr};
    TraceCloseFn close = nullptr;
    std::atomic<TraceShowTraceListFn> showList{nullptr};
    std::shared_ptr<const TraceListener> listener;
    std::atomic<bool> hasListener{false};
};

Binding& TheBinding() {
    static Binding binding;
    return binding;
}

void ClearLocked(Binding& b) {
    b.module = nullptr;
    b.init = nullptr;
    b.message.store(nullptr);
    b.close = nullptr;
    b.showList.store(nullptr);
}

template <typename Fn> Fn Entry(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(GetProcAddress(module, name));
}

} // namespace

void LoadTraceLibrary() {
    Binding& b = TheBinding();
    std::lock_guard lock(b.mutex);
    if (b.module != nullptr)
        return;
    HMODULE module = LoadLibrary(b.libraryName.c_str());
    if (module == nullptr)
        return;
    const auto init = Entry<TraceInitFn>(module, "TraceInit");
    const auto message = Entry<TraceMessageFn>(module, "TraceMessage");
    const auto close = Entry<TraceCloseFn>(module, "TraceClose");
    const auto showList = Entry<TraceShowTraceListFn>(module, "TraceShowTraceList");
    if (init == nullptr || message == nullptr || close == nullptr || showList == nullptr) {
        FreeLibrary(module);
        ClearLocked(b);
        return;
    }
    b.module = module;
    b.init = init;
    b.close = close;
    b.showList.store(showList);
    init(0);
    b.message.store(message);
}

void UnloadTraceLibrary() {
    Binding& b = TheBinding();
    std::lock_guard lock(b.mutex);
    if (b.module == nullptr)
        return;
    b.message.store(nullptr);
    b.showList.store(nullptr);
    if (b.close != nullptr)
        b.close();
    FreeLibrary(b.module);
    ClearLocked(b);
}

bool TraceBound() {
    const Binding& b = TheBinding();
    return b.message.load(std::memory_order_acquire) != nullptr ||
           b.hasListener.load(std::memory_order_acquire);
}

void TraceShowTraceList() {
    if (const auto show = TheBinding().showList.load())
        show();
}

void TraceWrite(int severity, const char* module, int line, const char* fmt, ...) {
    Binding& b = TheBinding();
    const TraceMessageFn message = b.message.load();
    std::shared_ptr<const TraceListener> listener;
    if (b.hasListener.load()) {
        std::lock_guard lock(b.mutex);
        listener = b.listener;
    }
    if (message == nullptr && !listener)
        return;

    std::string text;
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    if (needed > 0) {
        text.resize(static_cast<std::size_t>(needed));
        std::vsnprintf(text.data(), text.size() + 1, fmt, args);
    }
    va_end(args);

    const char* moduleName = module != nullptr ? module : "";
    if (message != nullptr)
        message(severity, moduleName, line, text.c_str());
    if (listener)
        (*listener)(severity, moduleName, line, text.c_str());
}

void SetTraceListener(TraceListener listener) {
    Binding& b = TheBinding();
    std::lock_guard lock(b.mutex);
    if (listener) {
        b.listener = std::make_shared<const TraceListener>(std::move(listener));
        b.hasListener.store(true);
    } else {
        b.listener.reset();
        b.hasListener.store(false);
    }
}

void SetTraceLibraryName(const char* windowsName) {
    Binding& b = TheBinding();
    std::lock_guard lock(b.mutex);
    b.libraryName = windowsName != nullptr ? windowsName : "";
}

CTraceChannel::CTraceChannel() {
    LoadTraceLibrary();
}

} // namespace plat
