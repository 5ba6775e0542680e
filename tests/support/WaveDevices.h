// What the tests of real wave devices share: PCM formats, a callback that
// keeps every completion in order, a set of prepared-size buffers and a tone.
#pragma once

#include "platform/mmsystem.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace wavetest {

inline plat::WAVEFORMATEX Pcm(plat::DWORD rate, plat::WORD bits, plat::WORD channels) {
    const auto align = static_cast<plat::WORD>(channels * bits / 8);
    return {plat::WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}

// What a device's callback saw, in order.
struct Completions {
    std::mutex mutex;
    std::vector<plat::WAVEHDR*> done;
    std::vector<plat::UINT> messages;
    std::atomic<int> doneCount{0};

    static void Callback(void*, plat::UINT message, plat::DWORD_PTR instance,
                         plat::DWORD_PTR param1, plat::DWORD_PTR) {
        auto* self = reinterpret_cast<Completions*>(instance);
        std::lock_guard<std::mutex> lock(self->mutex);
        self->messages.push_back(message);
        if (message == plat::WOM_DONE || message == plat::WIM_DATA) {
            self->done.push_back(reinterpret_cast<plat::WAVEHDR*>(param1));
            ++self->doneCount;
        }
    }
    bool WaitFor(int count, int ms = 5000) {
        for (int t = 0; t < ms && doneCount < count; t += 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return doneCount >= count;
    }
    std::vector<plat::WAVEHDR*> Done() {
        std::lock_guard<std::mutex> lock(mutex);
        return done;
    }
};

inline void OutCallback(plat::HWAVEOUT h, plat::UINT m, plat::DWORD_PTR i, plat::DWORD_PTR p1,
                        plat::DWORD_PTR p2) {
    Completions::Callback(h, m, i, p1, p2);
}
inline void InCallback(plat::HWAVEIN h, plat::UINT m, plat::DWORD_PTR i, plat::DWORD_PTR p1,
                       plat::DWORD_PTR p2) {
    Completions::Callback(h, m, i, p1, p2);
}

struct Buffers {
    std::vector<std::vector<char>> data;
    std::vector<plat::WAVEHDR> headers;
    Buffers(int count, std::size_t bytes) : data(count, std::vector<char>(bytes)), headers(count) {
        for (int i = 0; i < count; ++i) {
            headers[i] = {};
            headers[i].lpData = data[i].data();
            headers[i].dwBufferLength = static_cast<plat::DWORD>(bytes);
        }
    }
    std::vector<plat::WAVEHDR*> Order() {
        std::vector<plat::WAVEHDR*> order;
        for (plat::WAVEHDR& h : headers)
            order.push_back(&h);
        return order;
    }
};

// A 1 kHz tone at a third of full scale, 16-bit mono.
inline void FillTone(Buffers& buffers, plat::DWORD rate) {
    long n = 0;
    for (auto& block : buffers.data) {
        auto* samples = reinterpret_cast<std::int16_t*>(block.data());
        for (std::size_t i = 0; i < block.size() / 2; ++i, ++n)
            samples[i] = static_cast<std::int16_t>(10000 * std::sin(2 * M_PI * 1000.0 * n / rate));
    }
}

} // namespace wavetest
