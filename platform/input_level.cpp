// The default watch of an input device's level: the backend's own wave-in
// calls on that device, at a rate that costs nothing (8 kHz mono 16-bit where
// the device takes it, else the lowest it takes; three 40 ms buffers), on a
// thread of the watch. The device's callback only hands
// each filled buffer to that thread, which measures it, posts its peak to the
// main thread and queues it again: no wave call is made from a callback.
#include "platform/sound_backend.h"

#include "platform/system/message_loop.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace plat {

namespace {

// The formats asked for, the cheapest first: a device that takes none of the
// low rates (a hardware device without a converter) still gets its level.
constexpr struct {
    DWORD rate;
    WORD channels;
} kFormats[] = {{8000, 1}, {11025, 1}, {16000, 1}, {44100, 1}, {48000, 1}, {44100, 2}, {48000, 2}};
constexpr DWORD kBufferMs = 40;
constexpr std::size_t kBuffers = 3;

// The wave-in number of the input `id`: its place among the inputs of the
// list; -1 when it is not there.
int WaveInNumber(SoundBackend& backend, const std::string& id) {
    int number = 0;
    for (const SoundDevice& device : backend.ListDevices()) {
        if (device.direction != DeviceDirection::Input)
            continue;
        if (device.id == id)
            return number;
        ++number;
    }
    return -1;
}

// The loudest of `count` 16-bit samples, 0..1.
double PeakOf(const std::int16_t* samples, std::size_t count) {
    int loudest = 0;
    for (std::size_t i = 0; i < count; ++i)
        loudest = std::max(loudest, std::abs(static_cast<int>(samples[i])));
    return std::min(1.0, loudest / 32768.0);
}

class CWaveInLevelWatch final : public InputLevelWatch {
public:
    CWaveInLevelWatch(SoundBackend& backend, std::string id, InputLevelListener listener)
        : m_backend(backend), m_id(std::move(id)),
          m_listener(std::make_shared<InputLevelListener>(std::move(listener))),
          m_thread([this, heard = std::weak_ptr<InputLevelListener>(m_listener)] { Run(heard); }) {}

    ~CWaveInLevelWatch() override {
        m_listener.reset(); // readings posted meanwhile find no one
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_filled.notify_all();
        m_thread.join();
    }

private:
    static void Proc(HWAVEIN, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR) {
        if (message != WIM_DATA)
            return;
        auto* self = reinterpret_cast<CWaveInLevelWatch*>(instance);
        {
            std::lock_guard<std::mutex> lock(self->m_mutex);
            self->m_done.push_back(reinterpret_cast<WAVEHDR*>(param1));
        }
        self->m_filled.notify_all();
    }

    static void Post(const std::weak_ptr<InputLevelListener>& heard, InputLevel level) {
        PostToMainThread([heard, level = std::move(level)] {
            if (std::shared_ptr<InputLevelListener> listener = heard.lock())
                (*listener)(level);
        });
    }

    void Ended(const std::weak_ptr<InputLevelListener>& heard, std::string error) {
        InputLevel level;
        level.ended = true;
        level.error = std::move(error);
        Post(heard, std::move(level));
    }

    std::string Words(MMRESULT code) {
        std::string text;
        if (!m_backend.GetErrorText(code, true, text))
            text = "wave-in error " + std::to_string(code);
        return text;
    }

    void Run(const std::weak_ptr<InputLevelListener>& heard) {
        const int number = WaveInNumber(m_backend, m_id);
        if (number < 0) {
            Ended(heard, "there is no input device \"" + m_id + "\"");
            return;
        }
        HWAVEIN device = nullptr;
        MMRESULT result = WAVERR_BADFORMAT;
        std::size_t bufferSamples = 0;
        for (const auto& f : kFormats) {
            const WORD align = static_cast<WORD>(2 * f.channels);
            const WAVEFORMATEX format{WAVE_FORMAT_PCM, f.channels, f.rate, f.rate * align,
                                      align,           16,         0};
            result = m_backend.waveInOpen(&device, static_cast<UINT>(number), &format,
                                          reinterpret_cast<DWORD_PTR>(&Proc),
                                          reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION);
            bufferSamples = std::size_t(f.rate) * f.channels * kBufferMs / 1000;
            if (result != WAVERR_BADFORMAT)
                break;
        }
        if (result != MMSYSERR_NOERROR) {
            Ended(heard, Words(result));
            return;
        }
        std::vector<std::vector<std::int16_t>> samples(kBuffers,
                                                       std::vector<std::int16_t>(bufferSamples));
        std::array<WAVEHDR, kBuffers> headers{};
        std::size_t prepared = 0;
        for (; prepared < kBuffers && result == MMSYSERR_NOERROR; ++prepared) {
            WAVEHDR& header = headers[prepared];
            header.lpData = reinterpret_cast<char*>(samples[prepared].data());
            header.dwBufferLength = static_cast<DWORD>(bufferSamples * sizeof(std::int16_t));
            result = m_backend.waveInPrepareHeader(device, &header, sizeof header);
            if (result == MMSYSERR_NOERROR)
                result = m_backend.waveInAddBuffer(device, &header, sizeof header);
        }
        if (result == MMSYSERR_NOERROR)
            result = m_backend.waveInStart(device);
        while (result == MMSYSERR_NOERROR) {
            WAVEHDR* header = nullptr;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_filled.wait(lock, [this] { return m_stop || !m_done.empty(); });
                if (m_stop)
                    break;
                header = m_done.front();
                m_done.pop_front();
            }
            const std::size_t count =
                std::min<std::size_t>(header->dwBytesRecorded / 2, bufferSamples);
            if (count > 0)
                Post(heard, {PeakOf(reinterpret_cast<const std::int16_t*>(header->lpData), count),
                             false,
                             {}});
            result = m_backend.waveInAddBuffer(device, header, sizeof *header);
        }
        if (result != MMSYSERR_NOERROR)
            Ended(heard, Words(result));
        m_backend.waveInReset(device);
        for (std::size_t i = 0; i < prepared; ++i)
            m_backend.waveInUnprepareHeader(device, &headers[i], sizeof headers[i]);
        m_backend.waveInClose(device);
    }

    SoundBackend& m_backend;
    const std::string m_id;
    std::shared_ptr<InputLevelListener> m_listener; // the main thread's; reset first

    std::mutex m_mutex; // guards the members below
    std::condition_variable m_filled;
    std::deque<WAVEHDR*> m_done; // handed back by the device, not yet measured
    bool m_stop = false;

    std::thread m_thread; // last: it starts once everything above is made
};

} // namespace

std::unique_ptr<InputLevelWatch> SoundBackend::WatchInputLevel(const std::string& id,
                                                               InputLevelListener listener) {
    return std::make_unique<CWaveInLevelWatch>(*this, id, std::move(listener));
}

} // namespace plat
