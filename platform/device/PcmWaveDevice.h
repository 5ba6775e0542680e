// What an open wave-out and an open wave-in device share: the PCM channel in
// its format, the caller's callback, the queue of buffers and the device
// thread that works it. Device is CPcmWaveOut or CPcmWaveIn, H its handle.
//
// A channel that fails for good (the device vanished, the server went away)
// ends the device: the thread hands every buffer back at once, in queue
// order, and from then on writing, adding or starting answers the failure
// (FailureWords() says why in the device's words); reset, stop and close
// still work. No sound is made up for a device that is gone.
#pragma once

#include "platform/device/PcmChannel.h"
#include "platform/wave_header.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace plat {

template <class Device, class H> class CPcmWaveDevice {
public:
    using Proc = void (*)(H, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR);

    // What a device whose channel failed answers.
    static constexpr MMRESULT kFailed = MMSYSERR_ERROR;

    // Takes the open channel; the open message is delivered before it returns.
    static std::shared_ptr<Device> Create(std::unique_ptr<CPcmChannel> channel,
                                          const WAVEFORMATEX& format, Proc callback,
                                          DWORD_PTR instance) {
        return std::shared_ptr<Device>(new Device(std::move(channel), format, callback, instance));
    }

    CPcmWaveDevice(const CPcmWaveDevice&) = delete;
    CPcmWaveDevice& operator=(const CPcmWaveDevice&) = delete;

    H Handle() { return reinterpret_cast<H>(static_cast<Device*>(this)); }

    // The channel's words for the failure that ended the device; "" while it works.
    std::string FailureWords() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_failureWords;
    }

protected:
    // The longest the device thread waits on the channel before it looks at
    // stop, reset and close again.
    static constexpr int kWaitMs = 100;
    CPcmWaveDevice(std::unique_ptr<CPcmChannel> channel, const WAVEFORMATEX& format, Proc callback,
                   DWORD_PTR instance)
        : m_channel(std::move(channel)), m_period(m_channel->PeriodFrames()),
          m_blockAlign(format.nBlockAlign), m_callback(callback), m_instance(instance) {}
    ~CPcmWaveDevice() = default;

    // Delivers the open message, then runs `run` on the device thread.
    template <class Run> void Begin(UINT openMessage, Run run) {
        Deliver(openMessage, nullptr);
        m_thread = std::thread(run);
        m_threadId = m_thread.get_id();
    }

    // For the destructor, after a reset: ends the device thread.
    void End() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_closing = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

    // WAVERR_STILLPLAYING while buffers are queued or `holding()` says the
    // device still has some; else ends the thread after the close message.
    template <class Holding> MMRESULT CloseUnless(Holding holding) {
        if (std::this_thread::get_id() == m_threadId)
            return MMSYSERR_HANDLEBUSY;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_queue.empty() || holding())
                return WAVERR_STILLPLAYING;
            m_closing = true;
        }
        m_wake.notify_all();
        m_thread.join();
        return MMSYSERR_NOERROR;
    }

    // The last step of the device thread, which holds no lock by then.
    void Finish(UINT closeMessage) {
        m_channel.reset();
        Deliver(closeMessage, nullptr);
    }

    void Deliver(UINT message, WAVEHDR* header) {
        if (m_callback)
            m_callback(Handle(), message, m_instance, reinterpret_cast<DWORD_PTR>(header), 0);
    }

    // Marks the headers done and delivers them, outside the lock.
    void HandBack(std::unique_lock<std::mutex>& lock, std::deque<WAVEHDR*> headers, UINT message) {
        lock.unlock();
        for (WAVEHDR* h : headers) {
            SetHeaderFlags(h, WHDR_DONE, WHDR_INQUEUE);
            Deliver(message, h);
        }
        lock.lock();
    }

    // Queues a header that passed CheckQueueable, unless the device failed.
    MMRESULT Enqueue(WAVEHDR* h) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_failed)
                return kFailed;
            SetHeaderFlags(h, WHDR_INQUEUE, WHDR_DONE);
            m_queue.push_back(h);
        }
        m_wake.notify_all();
        return MMSYSERR_NOERROR;
    }

    // On the device thread, with the lock held: the channel failed for good.
    // Keeps its words; the caller hands the buffers back.
    void Fail() {
        m_failed = true;
        m_failureWords = m_channel->LastError();
        if (m_failureWords.empty())
            m_failureWords = "the device failed";
    }

    // Asks the device thread for a stop or a reset and waits until it is
    // done; from inside a callback the buffers come back once it returns.
    MMRESULT Ask(std::uint64_t& asked, const std::uint64_t& done) {
        std::unique_lock<std::mutex> lock(m_mutex);
        const std::uint64_t mine = ++asked;
        m_wake.notify_all();
        if (std::this_thread::get_id() != m_threadId)
            m_answered.wait(lock, [&] { return done >= mine; });
        return MMSYSERR_NOERROR;
    }

    // Sets a flag the device thread looks at, and wakes it.
    MMRESULT Tell(bool& flag, bool value) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            flag = value;
        }
        m_wake.notify_all();
        return MMSYSERR_NOERROR;
    }

    std::unique_ptr<CPcmChannel> m_channel; // the device thread's, once it runs
    const std::size_t m_period;
    const DWORD m_blockAlign;
    const Proc m_callback;
    const DWORD_PTR m_instance;

    std::mutex m_mutex;
    std::condition_variable m_wake;     // to the device thread
    std::condition_variable m_answered; // to callers waiting for a stop or a reset
    std::deque<WAVEHDR*> m_queue;       // handed to the device, not yet done with
    std::size_t m_offset = 0;           // bytes of m_queue.front() done
    bool m_closing = false;
    bool m_failed = false; // the channel failed for good
    std::string m_failureWords;

    std::thread m_thread;
    std::thread::id m_threadId;
};

} // namespace plat
