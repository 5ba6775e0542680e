// PlaySound on top of the waveOut calls, so it serves every backend (on
// Windows winmm has the system's own, win32/playsound_system.cpp). One
// sound plays at a time on the wave mapper, fed by its own thread through four
// short buffers; a new call or a null name stops it.
#include "platform/playsound_backend.h"

#include "platform/embedded/resources.h"
#include "platform/mmsystem.h"
#include "platform/virtual/WaveData.h"

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace plat {

namespace {

constexpr int kBuffers = 4;
constexpr BOOL kTrue = 1;
constexpr BOOL kFalse = 0;

class CSoundPlayer {
public:
    CSoundPlayer(WaveData wave, bool loop) : m_wave(std::move(wave)), m_loop(loop) {}
    ~CSoundPlayer() { Stop(); }

    // Opens the wave mapper here, so a device that cannot play is reported
    // to the caller; the feeding runs on the player's own thread.
    bool Start() {
        if (waveOutOpen(&m_device, WAVE_MAPPER, &m_wave.format, reinterpret_cast<DWORD_PTR>(&Done),
                        reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION) != MMSYSERR_NOERROR)
            return false;
        const std::size_t block = m_wave.format.nBlockAlign;
        const std::size_t size =
            std::max<std::size_t>(block, m_wave.format.nAvgBytesPerSec / 10 / block * block);
        for (int i = 0; i < kBuffers; ++i) {
            m_data[i].resize(size);
            std::memset(&m_headers[i], 0, sizeof(WAVEHDR));
            m_headers[i].lpData = m_data[i].data();
            m_headers[i].dwBufferLength = DWORD(size);
            if (waveOutPrepareHeader(m_device, &m_headers[i], sizeof(WAVEHDR)) !=
                MMSYSERR_NOERROR) {
                Close(i);
                return false;
            }
        }
        m_full = DWORD(size);
        Pump(); // the sound starts before the call returns
        m_thread = std::thread([this] { Run(); });
        return true;
    }

    void Stop() {
        m_stop.store(true);
        Signal();
        std::lock_guard<std::mutex> lock(m_joinMutex);
        if (m_thread.joinable())
            m_thread.join();
    }

    // The failed wave call that ended the sound, if one did.
    MMRESULT DeviceError(const char** call) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (call != nullptr)
            *call = m_failedCall;
        return m_deviceError;
    }

    bool Finished() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_finished;
    }

    void WaitFinished() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait(lock, [&] { return m_finished; });
    }

private:
    static void Done(HWAVEOUT, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR) {
        if (message == WOM_DONE)
            reinterpret_cast<CSoundPlayer*>(instance)->Signal();
    }

    void Signal() {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_signals;
        m_cv.notify_all();
    }

    // Fills a buffer from the sound; false when the sound is over.
    bool Fill(WAVEHDR& header) {
        const std::vector<std::uint8_t>& samples = m_wave.samples;
        std::size_t filled = 0;
        while (filled < header.dwBufferLength) {
            if (m_position >= samples.size()) {
                if (!m_loop || samples.empty())
                    break;
                m_position = 0;
            }
            const std::size_t n =
                std::min<std::size_t>(header.dwBufferLength - filled, samples.size() - m_position);
            std::memcpy(header.lpData + filled, samples.data() + m_position, n);
            filled += n;
            m_position += n;
        }
        if (filled == 0)
            return false;
        header.dwBufferLength = DWORD(filled);
        return true;
    }

    // Refills and queues every buffer the device has handed back; the number
    // of buffers still queued.
    int Pump() {
        int busy = 0;
        for (int i = 0; i < kBuffers; ++i) {
            WAVEHDR& header = m_headers[i];
            if (m_written[i] && !(std::atomic_ref<DWORD>(header.dwFlags).load() & WHDR_DONE)) {
                ++busy;
                continue;
            }
            m_written[i] = false;
            if (m_over)
                continue;
            header.dwBufferLength = m_full;
            if (!Fill(header)) {
                m_over = true;
                continue;
            }
            const MMRESULT written = waveOutWrite(m_device, &header, sizeof(WAVEHDR));
            if (written != MMSYSERR_NOERROR) {
                // The device ends the sound, not its end: the caller learns why.
                m_over = true;
                std::lock_guard<std::mutex> lock(m_mutex);
                m_deviceError = written;
                m_failedCall = "waveOutWrite";
                continue;
            }
            m_written[i] = true;
            ++busy;
        }
        return busy;
    }

    void Run() {
        while (!m_stop.load()) {
            std::uint64_t seen;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                seen = m_signals;
            }
            if (Pump() == 0 && m_over)
                break;
            std::unique_lock<std::mutex> lock(m_mutex);
            m_cv.wait_for(lock, std::chrono::milliseconds(200),
                          [&] { return m_signals != seen || m_stop.load(); });
        }
        Close(kBuffers);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_finished = true;
        m_cv.notify_all();
    }

    void Close(int prepared) {
        waveOutReset(m_device);
        for (int i = 0; i < prepared; ++i) {
            m_headers[i].dwBufferLength = DWORD(m_data[i].size());
            waveOutUnprepareHeader(m_device, &m_headers[i], sizeof(WAVEHDR));
        }
        for (int attempt = 0; attempt < 50; ++attempt) {
            if (waveOutClose(m_device) != WAVERR_STILLPLAYING)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        m_device = nullptr;
    }

    WaveData m_wave;
    bool m_loop;
    HWAVEOUT m_device = nullptr;
    WAVEHDR m_headers[kBuffers]{};
    std::vector<char> m_data[kBuffers];
    std::size_t m_position = 0;
    DWORD m_full = 0; // the size of a buffer when full
    bool m_written[kBuffers] = {};
    bool m_over = false; // the whole sound has been queued
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::uint64_t m_signals = 0;
    bool m_finished = false;
    MMRESULT m_deviceError = MMSYSERR_NOERROR; // guarded by m_mutex
    const char* m_failedCall = nullptr;        // guarded by m_mutex
    std::mutex m_joinMutex;
    std::thread m_thread;
};

// Never destroyed, like the backend: a sound looping at exit is left to the
// end of the process instead of being stopped against a backend gone.
std::mutex& PlayerMutex() {
    static auto* mutex = new std::mutex;
    return *mutex;
}
std::shared_ptr<CSoundPlayer>& CurrentPlayer() { // guarded by PlayerMutex()
    static auto* player = new std::shared_ptr<CSoundPlayer>;
    return *player;
}

bool LoadSound(LPCSTR name, DWORD flags, WaveData& wave) {
    std::string error;
    if ((flags & SND_RESOURCE) == SND_RESOURCE) {
        unsigned id = 0;
        if (!ResourceIdOfSound(name, id))
            return false;
        ResourceData resource;
        return FindResource("WAVE", id, resource) &&
               ParseWave(resource.data, resource.size, wave, error);
    }
    if (flags & SND_MEMORY)
        return false; // an image of unknown length cannot be read safely
    if (IS_INTRESOURCE(name))
        return false;
    return ReadWaveFile(name, wave, error);
}

} // namespace

bool ResourceIdOfSound(LPCSTR name, unsigned& id) {
    if (IS_INTRESOURCE(name)) {
        id = LOWORD(DWORD(reinterpret_cast<UINT_PTR>(name)));
        return true;
    }
    const char* digits = name[0] == '#' ? name + 1 : name;
    char* end = nullptr;
    const unsigned long value = std::strtoul(digits, &end, 10);
    if (end == digits || *end != '\0' || value > 0xFFFF)
        return false;
    id = unsigned(value);
    return true;
}

MMRESULT PlaySoundDeviceError(const char** call) {
    std::shared_ptr<CSoundPlayer> player;
    {
        std::lock_guard<std::mutex> lock(PlayerMutex());
        player = CurrentPlayer();
    }
    if (call != nullptr)
        *call = nullptr;
    return player ? player->DeviceError(call) : MMSYSERR_NOERROR;
}

BOOL PlaySoundOverBackend(LPCSTR pszSound, DWORD fdwSound) {
    std::shared_ptr<CSoundPlayer> previous;
    {
        std::lock_guard<std::mutex> lock(PlayerMutex());
        if ((fdwSound & SND_NOSTOP) && pszSound != nullptr && CurrentPlayer() &&
            !CurrentPlayer()->Finished())
            return kFalse;
        previous = std::move(CurrentPlayer());
    }
    if (previous)
        previous->Stop();
    previous.reset();
    if (pszSound == nullptr)
        return kTrue;

    WaveData wave;
    if (!LoadSound(pszSound, fdwSound, wave))
        return kFalse;
    auto player = std::make_shared<CSoundPlayer>(std::move(wave), (fdwSound & SND_LOOP) != 0);
    if (!player->Start())
        return kFalse;
    {
        std::lock_guard<std::mutex> lock(PlayerMutex());
        CurrentPlayer() = player;
    }
    // A looping sound always plays asynchronously.
    if (!(fdwSound & SND_ASYNC) && !(fdwSound & SND_LOOP))
        player->WaitFinished();
    return kTrue;
}

} // namespace plat
