#include "platform/device/PcmWaveIn.h"

#include <algorithm>

namespace plat {

CPcmWaveIn::CPcmWaveIn(std::unique_ptr<CPcmChannel> channel, const WAVEFORMATEX& format,
                       WAVEINPROC callback, DWORD_PTR instance)
    : CPcmWaveDevice(std::move(channel), format, callback, instance),
      m_scratch(m_period * format.nBlockAlign) {
    Begin(WIM_OPEN, [this] { Run(); });
}

CPcmWaveIn::~CPcmWaveIn() {
    if (m_thread.joinable()) {
        Reset();
        End();
    }
}

MMRESULT CPcmWaveIn::AddBuffer(WAVEHDR* h) {
    if (MMRESULT r = CheckQueueable(h))
        return r;
    h->dwBytesRecorded = 0;
    return Enqueue(h);
}

MMRESULT CPcmWaveIn::Start() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_failed)
            return kFailed;
    }
    return Tell(m_started, true);
}

MMRESULT CPcmWaveIn::Stop() {
    return Ask(m_stopAsked, m_stopDone);
}
MMRESULT CPcmWaveIn::Reset() {
    return Ask(m_resetAsked, m_resetDone);
}

MMRESULT CPcmWaveIn::Close() {
    return CloseUnless([] { return false; });
}

void CPcmWaveIn::ReadChunk(std::unique_lock<std::mutex>& lock) {
    WAVEHDR* h = m_queue.empty() ? nullptr : m_queue.front();
    char* into = m_scratch.data();
    std::size_t frames = m_period;
    if (h) {
        const std::size_t left = h->dwBufferLength > m_offset ? h->dwBufferLength - m_offset : 0;
        frames = std::min<std::size_t>(m_period, left / m_blockAlign);
        into = h->lpData + m_offset;
    }
    if (frames > 0) {
        lock.unlock();
        // A device that delivers nothing for a while must not keep a stop,
        // a reset or a close waiting: look at the requests again.
        const long n = m_channel->Read(into, frames, kWaitMs);
        lock.lock();
        if (n < 0) {
            // The device is gone: the recording ends here, every buffer
            // comes back with what it holds.
            Fail();
            m_started = false;
            std::deque<WAVEHDR*> back;
            back.swap(m_queue);
            if (h)
                h->dwBytesRecorded = static_cast<DWORD>(m_offset);
            m_offset = 0;
            HandBack(lock, std::move(back), WIM_DATA);
            return;
        }
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

void CPcmWaveIn::Run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        if (m_resetDone != m_resetAsked || m_stopDone != m_stopAsked) {
            const bool reset = m_resetDone != m_resetAsked;
            const std::uint64_t resetAsked = m_resetAsked, stopAsked = m_stopAsked;
            m_started = false;
            lock.unlock();
            m_channel->Drop();
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
