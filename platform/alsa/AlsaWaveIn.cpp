#include "platform/alsa/AlsaWaveIn.h"

#include "platform/alsa/WaveHeader.h"

#include <chrono>

namespace plat {

namespace {
constexpr int kWaitMs = 100;
} // namespace

int CAlsaWaveIn::Open(const std::string& pcmName, const WAVEFORMATEX& format, WAVEINPROC callback,
                      DWORD_PTR instance, std::shared_ptr<CAlsaWaveIn>& device) {
    snd_pcm_t* pcm = nullptr;
    snd_pcm_uframes_t period = 0;
    const int err = OpenPcm(pcmName, SND_PCM_STREAM_CAPTURE, format, &pcm, period);
    if (err != 0)
        return err;
    device.reset(new CAlsaWaveIn(pcm, period, format, callback, instance));
    return 0;
}

CAlsaWaveIn::CAlsaWaveIn(snd_pcm_t* pcm, snd_pcm_uframes_t period, const WAVEFORMATEX& format,
                         WAVEINPROC callback, DWORD_PTR instance)
    : m_pcm(pcm), m_period(period), m_blockAlign(format.nBlockAlign), m_rate(format.nSamplesPerSec),
      m_callback(callback), m_instance(instance), m_scratch(period * format.nBlockAlign) {
    Deliver(WIM_OPEN, nullptr);
    m_thread = std::thread([this] { Run(); });
    m_threadId = m_thread.get_id();
}

CAlsaWaveIn::~CAlsaWaveIn() {
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

void CAlsaWaveIn::Deliver(UINT message, WAVEHDR* header) {
    if (m_callback)
        m_callback(Handle(), message, m_instance, reinterpret_cast<DWORD_PTR>(header), 0);
}

MMRESULT CAlsaWaveIn::AddBuffer(WAVEHDR* h) {
    const DWORD flags = HeaderFlags(h);
    if (!(flags & WHDR_PREPARED))
        return WAVERR_UNPREPARED;
    if (flags & WHDR_INQUEUE)
        return WAVERR_STILLPLAYING;
    h->dwBytesRecorded = 0;
    SetHeaderFlags(h, WHDR_INQUEUE, WHDR_DONE);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.push_back(h);
    }
    m_wake.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT CAlsaWaveIn::Start() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_started = true;
    }
    m_wake.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT CAlsaWaveIn::Ask(std::uint64_t& asked, const std::uint64_t& done) {
    std::unique_lock<std::mutex> lock(m_mutex);
    const std::uint64_t mine = ++asked;
    m_wake.notify_all();
    if (std::this_thread::get_id() != m_threadId)
        m_answered.wait(lock, [&] { return done >= mine; });
    return MMSYSERR_NOERROR;
}

MMRESULT CAlsaWaveIn::Stop() {
    return Ask(m_stopAsked, m_stopDone);
}
MMRESULT CAlsaWaveIn::Reset() {
    return Ask(m_resetAsked, m_resetDone);
}

MMRESULT CAlsaWaveIn::Close() {
    if (std::this_thread::get_id() == m_threadId)
        return MMSYSERR_HANDLEBUSY;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_queue.empty())
            return WAVERR_STILLPLAYING;
        m_closing = true;
    }
    m_wake.notify_all();
    m_thread.join();
    return MMSYSERR_NOERROR;
}

void CAlsaWaveIn::HandBack(std::unique_lock<std::mutex>& lock, std::deque<WAVEHDR*> headers) {
    lock.unlock();
    for (WAVEHDR* h : headers) {
        SetHeaderFlags(h, WHDR_DONE, WHDR_INQUEUE);
        Deliver(WIM_DATA, h);
    }
    lock.lock();
}

void CAlsaWaveIn::ReadChunk(std::unique_lock<std::mutex>& lock) {
    WAVEHDR* h = m_queue.empty() ? nullptr : m_queue.front();
    char* into = m_scratch.data();
    snd_pcm_uframes_t frames = m_period;
    if (h) {
        const std::size_t left = h->dwBufferLength > m_offset ? h->dwBufferLength - m_offset : 0;
        frames = std::min<snd_pcm_uframes_t>(m_period, left / m_blockAlign);
        into = h->lpData + m_offset;
    }
    if (frames > 0) {
        lock.unlock();
        // A device that delivers nothing for a while must not keep a stop,
        // a reset or a close waiting: look at the requests again.
        if (snd_pcm_state(m_pcm) == SND_PCM_STATE_PREPARED)
            snd_pcm_start(m_pcm);
        if (snd_pcm_wait(m_pcm, kWaitMs) == 0) {
            lock.lock();
            return;
        }
        snd_pcm_sframes_t n = snd_pcm_readi(m_pcm, into, frames);
        if (n < 0 && snd_pcm_recover(m_pcm, static_cast<int>(n), 1) >= 0)
            n = 0; // an overrun, recovered
        if (n < 0) {
            // The device is gone: deliver silence in real time, so the
            // caller's recording still ends.
            std::this_thread::sleep_for(
                std::chrono::microseconds(static_cast<long long>(frames) * 1000000 / m_rate));
            std::fill(into, into + frames * m_blockAlign, m_blockAlign == 1 ? char(0x80) : char(0));
            n = static_cast<snd_pcm_sframes_t>(frames);
        }
        lock.lock();
        if (h)
            m_offset += static_cast<std::size_t>(n) * m_blockAlign;
    }
    if (h &&
        h->dwBufferLength - std::min<std::size_t>(h->dwBufferLength, m_offset) < m_blockAlign) {
        h->dwBytesRecorded = static_cast<DWORD>(m_offset);
        m_queue.pop_front();
        m_offset = 0;
        HandBack(lock, {h});
    }
}

void CAlsaWaveIn::Run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        if (m_resetDone != m_resetAsked || m_stopDone != m_stopAsked) {
            const bool reset = m_resetDone != m_resetAsked;
            const std::uint64_t resetAsked = m_resetAsked, stopAsked = m_stopAsked;
            m_started = false;
            lock.unlock();
            snd_pcm_drop(m_pcm);
            snd_pcm_prepare(m_pcm);
            lock.lock();
            // Stop returns the buffer being filled; reset returns them all.
            std::deque<WAVEHDR*> back;
            if (!m_queue.empty() && (reset || m_offset > 0)) {
                m_queue.front()->dwBytesRecorded = static_cast<DWORD>(m_offset);
                back.push_back(m_queue.front());
                m_queue.pop_front();
                m_offset = 0;
            }
            if (reset) {
                back.insert(back.end(), m_queue.begin(), m_queue.end());
                m_queue.clear();
            }
            HandBack(lock, std::move(back));
            m_stopDone = stopAsked;
            if (reset)
                m_resetDone = resetAsked;
            m_answered.notify_all();
            continue;
        }
        if (m_closing)
            break;
        if (!m_started) {
            m_wake.wait(lock);
            continue;
        }
        ReadChunk(lock);
    }
    lock.unlock();
    snd_pcm_drop(m_pcm);
    snd_pcm_close(m_pcm);
    m_pcm = nullptr;
    Deliver(WIM_CLOSE, nullptr);
}

} // namespace plat
