#include "platform/alsa/AlsaWaveIn.h"

#include <algorithm>

namespace plat {

CAlsaWaveIn::CAlsaWaveIn(snd_pcm_t* pcm, snd_pcm_uframes_t period, const WAVEFORMATEX& format,
                         WAVEINPROC callback, DWORD_PTR instance)
    : CAlsaWaveDevice(pcm, period, format, callback, instance),
      m_scratch(period * format.nBlockAlign) {
    Begin(WIM_OPEN, [this] { Run(); });
}

CAlsaWaveIn::~CAlsaWaveIn() {
    if (m_thread.joinable()) {
        Reset();
        End();
    }
}

MMRESULT CAlsaWaveIn::AddBuffer(WAVEHDR* h) {
    if (MMRESULT r = CheckQueueable(h))
        return r;
    h->dwBytesRecorded = 0;
    Enqueue(h);
    return MMSYSERR_NOERROR;
}

MMRESULT CAlsaWaveIn::Start() {
    return Tell(m_started, true);
}

MMRESULT CAlsaWaveIn::Stop() {
    return Ask(m_stopAsked, m_stopDone);
}
MMRESULT CAlsaWaveIn::Reset() {
    return Ask(m_resetAsked, m_resetDone);
}

MMRESULT CAlsaWaveIn::Close() {
    return CloseUnless([] { return false; });
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
            WaitOut(frames);
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
        HandBack(lock, {h}, WIM_DATA);
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
            HandBack(lock, std::move(back), WIM_DATA);
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
    Finish(WIM_CLOSE);
}

} // namespace plat
