#include "platform/alsa/AlsaWaveOut.h"

#include <chrono>

namespace plat {

CAlsaWaveOut::CAlsaWaveOut(snd_pcm_t* pcm, snd_pcm_uframes_t period, const WAVEFORMATEX& format,
                           WAVEOUTPROC callback, DWORD_PTR instance)
    : CAlsaWaveDevice(pcm, period, format, callback, instance) {
    Begin(WOM_OPEN, [this] { Run(); });
}

CAlsaWaveOut::~CAlsaWaveOut() {
    if (m_thread.joinable()) {
        Reset();
        End();
    }
}

MMRESULT CAlsaWaveOut::Write(WAVEHDR* h) {
    if (MMRESULT r = CheckQueueable(h))
        return r;
    Enqueue(h);
    return MMSYSERR_NOERROR;
}

MMRESULT CAlsaWaveOut::Pause() {
    return Tell(m_paused, true);
}

MMRESULT CAlsaWaveOut::Restart() {
    return Tell(m_paused, false);
}

MMRESULT CAlsaWaveOut::Reset() {
    return Ask(m_resetAsked, m_resetDone);
}

MMRESULT CAlsaWaveOut::Close() {
    return CloseUnless([this] { return !m_playing.empty(); });
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
        HandBack(lock, std::move(done), WOM_DONE);
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
            WaitOut(frames);
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
            HandBack(lock, std::move(back), WOM_DONE);
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
    Finish(WOM_CLOSE);
}

} // namespace plat
