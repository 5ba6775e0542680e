// The GUI thread's message loop: hooks the user interface installs, and the
// default that runs tasks posted with PostToMainThread.
#include "platform/system/message_loop.h"
#include "platform/system/clock.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace plat {

namespace {

struct Loop {
    std::mutex mutex;
    std::condition_variable posted;
    std::deque<std::function<void()>> tasks;
    MessagePump pump;
    MainThreadPoster poster;
};

Loop& TheLoop() {
    static Loop loop;
    return loop;
}

// Runs the tasks queued when it is called, however long they take; then
// the tasks posted while running, for what is left of maxMs milliseconds.
void RunPostedTasks(DWORD maxMs) {
    Loop& loop = TheLoop();
    const DWORD start = GetTickCount();
    std::size_t pending = 0;
    {
        std::lock_guard lock(loop.mutex);
        pending = loop.tasks.size();
    }
    for (std::size_t ran = 0;; ++ran) {
        if (ran >= pending && GetTickCount() - start > maxMs)
            return;
        std::function<void()> task;
        {
            std::lock_guard lock(loop.mutex);
            if (loop.tasks.empty())
                return;
            task = std::move(loop.tasks.front());
            loop.tasks.pop_front();
        }
        task();
    }
}

} // namespace

void SetMessagePump(MessagePump pump) {
    std::lock_guard lock(TheLoop().mutex);
    TheLoop().pump = std::move(pump);
}

void DispatchMessages(DWORD maxMs) {
    MessagePump pump;
    {
        std::lock_guard lock(TheLoop().mutex);
        pump = TheLoop().pump;
    }
    // Tasks posted before the user interface installed its hooks still run.
    RunPostedTasks(maxMs);
    if (pump)
        pump(maxMs);
}

void WaitDispatching(DWORD ms) {
    Loop& loop = TheLoop();
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= ms)
            break;
        const DWORD remaining = ms - elapsed;
        DispatchMessages(remaining);
        std::unique_lock lock(loop.mutex);
        const auto slice =
            std::chrono::milliseconds(loop.pump ? std::min<DWORD>(remaining, 5) : remaining);
        loop.posted.wait_for(lock, slice, [&] { return !loop.tasks.empty(); });
    }
    DispatchMessages(0);
}

void SetMainThreadPoster(MainThreadPoster poster) {
    std::lock_guard lock(TheLoop().mutex);
    TheLoop().poster = std::move(poster);
}

void PostToMainThread(std::function<void()> fn) {
    Loop& loop = TheLoop();
    MainThreadPoster poster;
    {
        std::lock_guard lock(loop.mutex);
        poster = loop.poster;
        if (!poster) {
            loop.tasks.push_back(std::move(fn));
            loop.posted.notify_all();
            return;
        }
    }
    poster(std::move(fn));
}

} // namespace plat
