#include "platform/win32/winmm_notify.h"

#include "platform/win32/windows_api.h"

#include <mmsystem.h>

#include <map>
#include <mutex>

namespace plat::win32 {

namespace {

// Posted to the notify thread with an event to set once it is reached.
constexpr UINT kMarker = WM_APP + 1;

using WaveProc = void(CALLBACK*)(HANDLE, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR);

struct Route {
    WaveProc proc = nullptr;
    DWORD_PTR instance = 0;
};

class NotifyThread {
public:
    static NotifyThread& Get() {
        static NotifyThread thread;
        return thread;
    }

    DWORD Id() const { return m_id; }

    // Opens a device through `open`, which answers its handle, and routes
    // its notifications; the open's own notification waits for the route.
    template <typename Open> unsigned OpenRouted(Open open, void** device, Route route) {
        std::lock_guard lock(m_mutex);
        const unsigned result = open();
        if (result == MMSYSERR_NOERROR)
            m_routes[*device] = route;
        return result;
    }
    void Remove(void* device) {
        std::lock_guard lock(m_mutex);
        m_routes.erase(device);
    }

    void Drain() {
        if (m_id == 0 || ::GetCurrentThreadId() == m_id)
            return;
        const HANDLE reached = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (reached == nullptr)
            return;
        if (::PostThreadMessageA(m_id, kMarker, 0, reinterpret_cast<LPARAM>(reached)))
            ::WaitForSingleObject(reached, 10000);
        ::CloseHandle(reached);
    }

private:
    NotifyThread() {
        const HANDLE ready = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        const HANDLE thread = ::CreateThread(nullptr, 0, &Run, ready, 0, &m_id);
        if (thread == nullptr) {
            m_id = 0;
        } else {
            // Its message queue exists before any device names the thread.
            ::WaitForSingleObject(ready, INFINITE);
            ::CloseHandle(thread);
        }
        ::CloseHandle(ready);
    }

    static DWORD WINAPI Run(void* ready) {
        MSG message;
        ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
        ::SetEvent(static_cast<HANDLE>(ready));
        while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
            if (message.message == kMarker) {
                ::SetEvent(reinterpret_cast<HANDLE>(message.lParam));
                continue;
            }
            Get().Deliver(message);
        }
        return 0;
    }

    void Deliver(const MSG& message) {
        switch (message.message) {
        case MM_WOM_OPEN:
        case MM_WIM_OPEN:
        case MM_WOM_CLOSE:
        case MM_WOM_DONE:
        case MM_WIM_CLOSE:
        case MM_WIM_DATA:
            break;
        default:
            return;
        }
        void* device = reinterpret_cast<void*>(message.wParam);
        Route route;
        {
            std::lock_guard lock(m_mutex);
            const auto it = m_routes.find(device);
            if (it == m_routes.end())
                return; // a device already closed
            route = it->second;
        }
        // MM_WOM_DONE is WOM_DONE, and so on: the procedure gets the same codes.
        route.proc(static_cast<HANDLE>(device), message.message, route.instance,
                   static_cast<DWORD_PTR>(message.lParam), 0);
    }

    DWORD m_id = 0;
    std::mutex m_mutex;
    std::map<void*, Route> m_routes;
};

} // namespace

unsigned OpenNotified(bool input, void** device, unsigned id, const void* format,
                      std::uintptr_t callback, std::uintptr_t instance, std::uint32_t flags) {
    const auto open = [&](std::uintptr_t target, std::uint32_t how) -> unsigned {
        const auto* f = static_cast<const WAVEFORMATEX*>(format);
        return input
                   ? ::waveInOpen(reinterpret_cast<HWAVEIN*>(device), id, f, target, instance, how)
                   : ::waveOutOpen(reinterpret_cast<HWAVEOUT*>(device), id, f, target, instance,
                                   how);
    };
    if ((flags & CALLBACK_TYPEMASK) != CALLBACK_FUNCTION || (flags & WAVE_FORMAT_QUERY) != 0 ||
        callback == 0)
        return open(callback, flags);
    NotifyThread& thread = NotifyThread::Get();
    if (thread.Id() == 0)
        return MMSYSERR_NOMEM;
    return thread.OpenRouted(
        [&] { return open(thread.Id(), (flags & ~CALLBACK_TYPEMASK) | CALLBACK_THREAD); }, device,
        Route{reinterpret_cast<WaveProc>(callback), instance});
}

void DeliverPendingNotifications() {
    NotifyThread::Get().Drain();
}

void ForgetNotified(void* device) {
    NotifyThread::Get().Remove(device);
}

} // namespace plat::win32
