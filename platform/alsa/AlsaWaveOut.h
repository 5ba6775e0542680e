// One open wave-out device on ALSA PCM. A thread of its own writes the queued
// buffers period by period and hands each back (WHDR_DONE, WOM_DONE) once the
// device has played it, in queue order; Reset hands back every buffer.
#pragma once

#include "platform/alsa/AlsaPcm.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace plat {

class CAlsaWaveOut {
public:
    // 0 = open (WOM_OPEN delivered), 1 = format refused, negative errno.
    static int Open(const std::string& pcmName, const WAVEFORMATEX& format, WAVEOUTPROC callback,
                    DWORD_PTR instance, std::shared_ptr<CAlsaWaveOut>& device);
    ~CAlsaWaveOut();
    CAlsaWaveOut(const CAlsaWaveOut&) = delete;
    CAlsaWaveOut& operator=(const CAlsaWaveOut&) = delete;

    HWAVEOUT Handle() { return reinterpret_cast<HWAVEOUT>(this); }

    MMRESULT Write(WAVEHDR* header);
    MMRESULT Pause();
    MMRESULT Restart();
    MMRESULT Reset();
    // WAVERR_STILLPLAYING while buffers are queued; else ends the thread
    // after WOM_CLOSE.
    MMRESULT Close();

private:
    struct Played {
        WAVEHDR* header;
        std::uint64_t endFrame;
    };

    CAlsaWaveOut(snd_pcm_t* pcm, snd_pcm_uframes_t period, const WAVEFORMATEX& format,
                 WAVEOUTPROC callback, DWORD_PTR instance);
    void Run();
    void Deliver(UINT message, WAVEHDR* header);
    void HandBack(std::unique_lock<std::mutex>& lock, std::deque<WAVEHDR*> headers);
    void DeliverPlayed(std::unique_lock<std::mutex>& lock);
    void WriteChunk(std::unique_lock<std::mutex>& lock);

    snd_pcm_t* m_pcm;
    const snd_pcm_uframes_t m_period;
    const DWORD m_blockAlign;
    const DWORD m_rate;
    const WAVEOUTPROC m_callback;
    const DWORD_PTR m_instance;

    std::mutex m_mutex;
    std::condition_variable m_wake;     // to the device thread
    std::condition_variable m_answered; // to callers waiting for a reset
    std::deque<WAVEHDR*> m_queue;       // not yet fully written
    std::deque<Played> m_playing;       // written, not yet played
    std::size_t m_offset = 0;           // bytes of m_queue.front() written
    std::uint64_t m_resetAsked = 0;
    std::uint64_t m_resetDone = 0;
    bool m_paused = false;
    bool m_closing = false;

    // Device-thread only.
    std::uint64_t m_written = 0;
    bool m_pcmPaused = false;

    std::thread m_thread;
    std::thread::id m_threadId;
};

} // namespace plat
