// The GUI thread's message loop. The user interface installs these hooks when
// it starts; without them (tests without a display, command-line use) the
// defaults below apply.
#pragma once

#include "platform/types.h"

#include <functional>

namespace plat {

// Handles pending messages (paint, timers, clicks) for at most maxMs
// milliseconds, and returns at once when there are none. Default: runs the
// tasks posted with PostToMainThread.
using MessagePump = std::function<void(DWORD maxMs)>;
void SetMessagePump(MessagePump pump);
void DispatchMessages(DWORD maxMs = 0);

// Waits ms milliseconds while dispatching messages (window stays responsive).
void WaitDispatching(DWORD ms);

// Runs fn later on the GUI thread; callable from any thread (a completion
// callback uses it to carry work out of the backend's thread).
using MainThreadPoster = std::function<void(std::function<void()>)>;
void SetMainThreadPoster(MainThreadPoster poster);
void PostToMainThread(std::function<void()> fn);

} // namespace plat
