// One open wave-in device on ALSA PCM. While started, a thread of its own
// reads period by period into the queued buffers and hands each back full
// (WHDR_DONE, WIM_DATA) in queue order; sound that finds no buffer is
// dropped. Stop hands back the buffer being filled; Reset every buffer.
#pragma once

#include "platform/alsa/AlsaPcm.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace plat {

class CAlsaWaveIn {
public:
    // 0 = open (WIM_OPEN delivered), 1 = format refused, negative errno.
    static int Open(const std::string& pcmName, const WAVEFORMATEX& format, WAVEINPROC callback,
                    DWORD_PTR instance, std::shared_ptr<CAlsaWaveIn>& device);
    ~CAlsaWaveIn();
    CAlsaWaveIn(const CAlsaWaveIn&) = delete;
    CAlsaWaveIn& operator=(const CAlsaWaveIn&) = delete;

    HWAVEIN Handle() { return reinterpret_cast<HWAVEIN>(this); }

    MMRESULT AddBuffer(WAVEHDR* header);
    MMRESULT Start();
    MMRESULT Stop();
    MMRESULT Reset();
    MMRESULT Close();

private:
    CAlsaWaveIn(snd_pcm_t* pcm, snd_pcm_uframes_t period, const WAVEFORMATEX& format,
                WAVEINPROC callback, DWORD_PTR instance);
    void Run();
    void Deliver(UINT message, WAVEHDR* header);
    void HandBack(std::unique_lock<std::mutex>& lock, std::deque<WAVEHDR*> headers);
    void ReadChunk(std::unique_lock<std::mutex>& lock);
    MMRESULT Ask(std::uint64_t& asked, const std::uint64_t& done);

    snd_pcm_t* m_pcm;
    const snd_pcm_uframes_t m_period;
    const DWORD m_blockAlign;
    const DWORD m_rate;
    const WAVEINPROC m_callback;
    const DWORD_PTR m_instance;
    std::vector<char> m_scratch; // where sound without a buffer goes

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_answered;
    std::deque<WAVEHDR*> m_queue;
    std::size_t m_offset = 0; // bytes recorded into m_queue.front()
    bool m_started = false;
    bool m_closing = false;
    std::uint64_t m_stopAsked = 0, m_stopDone = 0;
    std::uint64_t m_resetAsked = 0, m_resetDone = 0;

    std::thread m_thread;
    std::thread::id m_threadId;
};

} // namespace plat
