#include "platform/alsa/AlsaWaveOut.h"

#include "platform/alsa/WaveHeader.h"

#include <chrono>

namespace plat {

namespace {
constexpr int kWaitMs = 100;
} // namespace

int CAlsaWaveOut::Open(const std::string& pcmName, const WAVEFORMATEX& format, WAVEOUTPROC callback,
                       DWORD_PTR instance, std::shared_ptr<CAlsaWaveOut>& device) {
    snd_pcm_t* pcm = nullptr;
    snd_pcm_uframes_t period = 0;
    const int err = OpenPcm(pcmName, SND_PCM_STREAM_PLAYBACK, format, &pcm, period);
    if (err != 0)
        return err;
    device.reset(new CAlsaWaveOut(pcm, period, format, callback, instance));
    return 0;
}

CAlsaWaveOut::CAlsaWaveOut(snd_pcm_t* pcm, snd_pcm_uframes_t period, const WAVEFORMATEX& format,
                           WAVEOUTPROC callback, DWORD_PTR instance)
    : m_pcm(pcm), m_period(period), m_blockAlign(format.nBlockAlign), m_rate(format.nSamplesPerSec),
      m_callback(callback), m_instance(instance) {
    Deliver(WOM_OPEN, nullptr);
    m_thread = std::thread([this] { Run(); });
    m_threadId = m_thread.get_id();
}

CAlsaWaveOut::~CAlsaWaveOut() {
    if (m_thread.joinable()) {
        Reset();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_closing = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
}

void CAlsaWaveOut::Deliver(UINT message, WAVEHDR* header) {
    if (m_callback)
        m_callback(Handle(), message, m_instance, reinterpret_cast<DWORD_PTR>(header), 0);
}

MMRESULT CAlsaWaveOut::Write(WAVEHDR* h) {
    const DWORD flags = HeaderFlags(h);
    if (!(flags & WHDR_PREPARED))
        return WAVERR_UNPREPARED;
    if (flags & WHDR_INQUEUE)
        return WAVERR_STILLPLAYING;
    SetHeaderFlags(h, WHDR_INQUEUE, WHDR_DONE);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.push_back(h);
    }
    m_wake.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT CAlsaWaveOut::Pause() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_paused = true;
    }
    m_wake.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT CAlsaWaveOut::Restart() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_paused = false;
    }
    m_wake.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT CAlsaWaveOut::Reset() {
    std::unique_lock<std::mutex> lock(m_mutex);
    const std::uint64_t asked = ++m_resetAsked;
    m_wake.notify_all();
    // From inside a callback the buffers come back once it returns.
    if (std::this_thread::get_id() != m_threadId)
        m_answered.wait(lock, [&] { return m_resetDone >= asked; });
    return MMSYSERR_NOERROR;
}

MMRESULT CAlsaWaveOut::Close() {
    if (std::this_thread::get_id() == m_threadId)
        return MMSYSERR_HANDLEBUSY;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_queue.empty() || !m_playing.empty())
            return WAVERR_STILLPLAYING;
        m_closing = true;
    }
    m_wake.notify_all();
    m_thread.join();
    return MMSYSERR_NOERROR;
}

void CAlsaWaveOut::HandBack(std::unique_lock<std::mutex>& lock, std::deque<WAVEHDR*> headers) {
    lock.unlock();
    for (WAVEHDR* h : headers) {
        SetHeaderFlags(h, WHDR_DONE, WHDR_INQUEUE);
        Deliver(WOM_DONE, h);
    }
    lock.lock();
}

void CAlsaWaveOut::DeliverPlayed(std::unique_lock<std::mutex>& lock) {
    if (m_playing.empty())
        return;
    std::uint64_t played = m_written;
    snd_pcm_sframes_t delay = 0;
    const snd_pcm_state_t state = snd_pcm_state(m_pcm);
    if (state != SND_PCM_STATE_XRUN && snd_pcm_delay(m_pcm, &delay) >= 0 && delay > 0)
        played = m_written - std::min<std::uint64_t>(m_written, static_cast<std::uint64_t>(delay));
    if (state == SND_PCM_STATE_PREPARED && m_queue.empty()) // a short sound: start it now
        snd_pcm_start(m_pcm);
    std::deque<WAVEHDR*> done;
    while (!m_playing.empty() && m_playing.front().endFrame <= played) {
        done.push_back(m_playing.front().header);
        m_playing.pop_front();
    }
    if (!done.empty())
        HandBack(lock, std::move(done));
}

void CAlsaWaveOut::WriteChunk(std::unique_lock<std::mutex>& lock) {
    WAVEHDR* h = m_queue.front();
    const std::size_t left = h->dwBufferLength > m_offset ? h->dwBufferLength - m_offset : 0;
    const snd_pcm_uframes_t frames = std::min<snd_pcm_uframes_t>(m_period, left / m_blockAlign);
    if (frames > 0) {
        const char* data = h->lpData + m_offset;
        lock.unlock();
        // A device that takes nothing for a while must not keep a reset or
        // a close waiting: look at the requests again.
        if (snd_pcm_wait(m_pcm, kWaitMs) == 0) {
            lock.lock();
            return;
        }
        snd_pcm_sframes_t n = snd_pcm_writei(m_pcm, data, frames);
        if (n < 0 && snd_pcm_recover(m_pcm, static_cast<int>(n), 1) >= 0)
            n = 0; // an underrun, recovered: write the chunk again
        if (n < 0) {
            // The device is gone: let the buffer run out in real time so
            // the caller still gets it back.
            std::this_thread::sleep_for(
                std::chrono::microseconds(static_cast<long long>(frames) * 1000000 / m_rate));
            n = static_cast<snd_pcm_sframes_t>(frames);
        }
        lock.lock();
        if (m_resetDone != m_resetAsked)
            return;
        m_offset += static_cast<std::size_t>(n) * m_blockAlign;
        m_written += static_cast<std::uint64_t>(n);
    }
    if (h->dwBufferLength - std::min<std::size_t>(h->dwBufferLength, m_offset) < m_blockAlign) {
        m_playing.push_back({h, m_written});
        m_queue.pop_front();
        m_offset = 0;
    }
}

void CAlsaWaveOut::Run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        if (m_resetDone != m_resetAsked) {
            const std::uint64_t asked = m_resetAsked;
            std::deque<WAVEHDR*> back;
            for (const Played& p : m_playing)
                back.push_back(p.header);
            back.insert(back.end(), m_queue.begin(), m_queue.end());
            m_playing.clear();
            m_queue.clear();
            m_offset = 0;
            lock.unlock();
            snd_pcm_drop(m_pcm);
            snd_pcm_prepare(m_pcm);
            m_written = 0;
            m_pcmPaused = false;
            lock.lock();
            HandBack(lock, std::move(back));
            m_resetDone = asked;
            m_answered.notify_all();
            continue;
        }
        if (m_closing)
            break;
        if (m_paused) {
            if (!m_pcmPaused && snd_pcm_state(m_pcm) == SND_PCM_STATE_RUNNING)
                m_pcmPaused = snd_pcm_pause(m_pcm, 1) >= 0;
            m_wake.wait(lock);
            continue;
        }
        if (m_pcmPaused) {
            snd_pcm_pause(m_pcm, 0);
            m_pcmPaused = false;
        }
        if (!m_queue.empty())
            WriteChunk(lock);
        DeliverPlayed(lock);
        if (m_queue.empty() && m_resetDone == m_resetAsked && !m_closing && !m_paused) {
            if (m_playing.empty())
                m_wake.wait(lock);
            else
                m_wake.wait_for(lock, std::chrono::milliseconds(10));
        }
    }
    lock.unlock();
    snd_pcm_drop(m_pcm);
    snd_pcm_close(m_pcm);
    m_pcm = nullptr;
    Deliver(WOM_CLOSE, nullptr);
}

} // namespace plat
