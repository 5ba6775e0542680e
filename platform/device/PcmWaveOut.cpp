#include "platform/device/PcmWaveOut.h"

#include <algorithm>
#include <chrono>

namespace plat {

CPcmWaveOut::CPcmWaveOut(std::unique_ptr<CPcmChannel> channel, const WAVEFORMATEX& format,
                         WAVEOUTPROC callback, DWORD_PTR instance)
    : CPcmWaveDevice(std::move(channel), format, callback, instance) {
    Begin(WOM_OPEN, [this] { Run(); });
}

CPcmWaveOut::~CPcmWaveOut() {
    if (m_thread.joinable()) {
        Reset();
        End();
    }
}

MMRESULT CPcmWaveOut::Write(WAVEHDR* h) {
    if (MMRESULT r = CheckQueueable(h))
        return r;
    return Enqueue(h);
}

MMRESULT CPcmWaveOut::Pause() {
    return Tell(m_paused, true);
}

MMRESULT CPcmWaveOut::Restart() {
    return Tell(m_paused, false);
}

MMRESULT CPcmWaveOut::Reset() {
    return Ask(m_resetAsked, m_resetDone);
}

MMRESULT CPcmWaveOut::Close() {
    return CloseUnless([this] { return !m_playing.empty(); });
}

std::deque<WAVEHDR*> CPcmWaveOut::TakeAll() {
    std::deque<WAVEHDR*> all;
    for (const Played& p : m_playing)
        all.push_back(p.header);
    all.insert(all.end(), m_queue.begin(), m_queue.end());
    m_playing.clear();
    m_queue.clear();
    m_offset = 0;
    return all;
}

void CPcmWaveOut::Failed(std::unique_lock<std::mutex>& lock) {
    Fail();
    HandBack(lock, TakeAll(), WOM_DONE);
}

void CPcmWaveOut::DeliverPlayed(std::unique_lock<std::mutex>& lock) {
    if (m_playing.empty())
        return;
    std::uint64_t delay = 0;
    if (m_channel->Delay(delay) < 0) {
        Failed(lock);
        return;
    }
    const std::uint64_t played = m_written - std::min(m_written, delay);
    if (m_queue.empty()) // a short sound: start it now
        m_channel->Start();
    std::deque<WAVEHDR*> done;
    while (!m_playing.empty() && m_playing.front().endFrame <= played) {
        done.push_back(m_playing.front().header);
        m_playing.pop_front();
    }
    if (!done.empty())
        HandBack(lock, std::move(done), WOM_DONE);
}

void CPcmWaveOut::WriteChunk(std::unique_lock<std::mutex>& lock) {
    WAVEHDR* h = m_queue.front();
    const std::size_t left = h->dwBufferLength > m_offset ? h->dwBufferLength - m_offset : 0;
    const std::size_t frames = std::min<std::size_t>(m_period, left / m_blockAlign);
    if (frames > 0) {
        const char* data = h->lpData + m_offset;
        lock.unlock();
        // A device that takes nothing for a while must not keep a reset or
        // a close waiting: look at the requests again.
        const long n = m_channel->Write(data, frames, kWaitMs);
        lock.lock();
        if (m_resetDone != m_resetAsked)
            return;
        if (n < 0) {
            Failed(lock);
            return;
        }
        m_offset += static_cast<std::size_t>(n) * m_blockAlign;
        m_written += static_cast<std::uint64_t>(n);
    }
    if (h->dwBufferLength - std::min<std::size_t>(h->dwBufferLength, m_offset) < m_blockAlign) {
        m_playing.push_back({h, m_written});
        m_queue.pop_front();
        m_offset = 0;
    }
}

void CPcmWaveOut::Run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        if (m_resetDone != m_resetAsked) {
            const std::uint64_t asked = m_resetAsked;
            std::deque<WAVEHDR*> back = TakeAll();
            lock.unlock();
            m_channel->Drop();
            m_written = 0;
            m_channelPaused = false;
            lock.lock();
            HandBack(lock, std::move(back), WOM_DONE);
            m_resetDone = asked;
            m_answered.notify_all();
            continue;
        }
        if (m_closing)
            break;
        if (m_paused) {
            if (!m_channelPaused)
                m_channelPaused = m_channel->Pause();
            m_wake.wait(lock);
            continue;
        }
        if (m_channelPaused) {
            m_channel->Resume();
            m_channelPaused = false;
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
