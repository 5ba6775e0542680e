// Wave notifications on a thread of our own. The system calls a
// CALLBACK_FUNCTION procedure where it may call almost nothing (no wave
// call, no file: the documented list is a few kernel and timer calls), yet
// the recorder queues its buffer again from there, as every other backend
// lets it. A device opened here therefore asks winmm for CALLBACK_THREAD
// messages, and one notify thread calls the caller's procedure for each, in
// order, where any call is allowed.
#pragma once

#include <cstdint>

namespace plat::win32 {

// waveInOpen/waveOutOpen with the caller's CALLBACK_FUNCTION procedure
// served from the notify thread; other kinds of callback and format queries
// go to the system as they are.
unsigned OpenNotified(bool input, void** device, unsigned id, const void* format,
                      std::uintptr_t callback, std::uintptr_t instance, std::uint32_t flags);
// Returns once every notification the system sent so far has reached its
// procedure, so a reset or close returns, as the system's own callbacks do,
// after the buffers it gave back were reported (at once on the notify thread
// itself).
void DeliverPendingNotifications();
// After a device is closed: no more notifications for its handle.
void ForgetNotified(void* device);

} // namespace plat::win32
