// An open wave device of the virtual card (private to the card).
#pragma once

#include "platform/virtual/VirtualCard.h"

#include <deque>
#include <string>

namespace plat {

struct CVirtualCard::Stream {
    std::uintptr_t handle = 0;
    bool input = false;
    UINT device = 0;
    WAVEFORMATEX format{};
    DWORD_PTR proc = 0; // CALLBACK_FUNCTION, else 0
    DWORD_PTR instance = 0;
    std::deque<WAVEHDR*> queue;
    std::size_t position = 0; // bytes done in the first queued buffer (wave-out)
    std::uint64_t credit = 0; // device time not yet turned into bytes, in bytes x 1000
    std::uint64_t frames = 0; // frames recorded so far (the microphone's position)
    bool running = false;     // wave-out: not paused; wave-in: started
    std::string id;           // the device's id, which outlives its number
    bool unplugged = false;   // the device went: every call but closing fails
};

} // namespace plat
