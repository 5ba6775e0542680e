// The dwFlags word of a queued WAVEHDR is shared with the caller's threads:
// it is only touched through std::atomic_ref.
#pragma once

#include "platform/mmsystem.h"

#include <atomic>

namespace plat {

inline DWORD HeaderFlags(const WAVEHDR* h) {
    return std::atomic_ref<DWORD>(const_cast<WAVEHDR*>(h)->dwFlags).load();
}

inline void SetHeaderFlags(WAVEHDR* h, DWORD set, DWORD clear) {
    std::atomic_ref<DWORD> flags(h->dwFlags);
    DWORD old = flags.load();
    while (!flags.compare_exchange_weak(old, (old & ~clear) | set)) {
    }
}

// Checks a header handed to a prepare, unprepare, write or add-buffer call.
inline MMRESULT CheckHeader(const WAVEHDR* h, UINT cb) {
    if (!h || cb != sizeof(WAVEHDR) || !h->lpData)
        return MMSYSERR_INVALPARAM;
    return MMSYSERR_NOERROR;
}

// Checks that a header handed to a write or add-buffer call can be queued.
inline MMRESULT CheckQueueable(const WAVEHDR* h) {
    const DWORD flags = HeaderFlags(h);
    if (!(flags & WHDR_PREPARED))
        return WAVERR_UNPREPARED;
    if (flags & WHDR_INQUEUE)
        return WAVERR_STILLPLAYING;
    return MMSYSERR_NOERROR;
}

} // namespace plat
