// What an open wave-out and an open wave-in device on ALSA PCM share: the PCM
// in its format, the caller's callback, the queue of buffers and the device
// thread that works it. Device is CAlsaWaveOut or CAlsaWaveIn, H its handle.
#pragma once

#include "platform/alsa/AlsaPcm.h"
#include "platform/wave_header.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace plat {

template <class Device, class H> class CAlsaWaveDevice {
public:
    using Proc = void (*)(H, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR);

    // 0 = open (the open message delivered), 1 = format refused, negative errno.
    static int Open(const std::string& pcmName, const WAVEFORMATEX& format, Proc callback,
                    DWORD_PTR instance, std::shared_ptr<Device>& device) {
        snd_pcm_t* pcm = nullptr;
        snd_pcm_uframes_t period = 0;
        const int err = OpenPcm(pcmName, Device::kStream, format, &pcm, period);
        if (err != 0)
            return err;
        device.reset(new Device(pcm, period, format, callback, instance));
        return 0;
    }

    CAlsaWaveDevice(const CAlsaWaveDevice&) = delete;
    CAlsaWaveDevice& operator=(const CAlsaWaveDevice&) = delete;

    H Handle() { return reinterpret_cast<H>(static_cast<Device*>(this)); }

protected:
    // The longest the device thread waits on the device before it looks at
    // stop, reset and close again.
    static constexpr int kWaitMs = 100;

    CAlsaWaveDevice(snd_pcm_t* pcm, snd_pcm_uframes_t period, const WAVEFORMATEX& format,
                    Proc callback, DWORD_PTR instance)
        : m_pcm(pcm), m_period(period), m_blockAlign(format.nBlockAlign),
          m_rate(format.nSamplesPerSec), m_callback(callback), m_instance(instance) {}
    ~CAlsaWaveDevice() = default;

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
        snd_pcm_drop(m_pcm);
        snd_pcm_close(m_pcm);
        m_pcm = nullptr;
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

    // Queues a header that passed CheckQueueable.
    void Enqueue(WAVEHDR* h) {
        SetHeaderFlags(h, WHDR_INQUEUE, WHDR_DONE);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_queue.push_back(h);
        }
        m_wake.notify_all();
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

    // A device that is gone takes `frames` in real time, so the caller's
    // buffers still come back.
    void WaitOut(snd_pcm_uframes_t frames) const {
        std::this_thread::sleep_for(
            std::chrono::microseconds(static_cast<long long>(frames) * 1000000 / m_rate));
    }

    snd_pcm_t* m_pcm;
    const snd_pcm_uframes_t m_period;
    const DWORD m_blockAlign;
    const DWORD m_rate;
    const Proc m_callback;
    const DWORD_PTR m_instance;

    std::mutex m_mutex;
    std::condition_variable m_wake;     // to the device thread
    std::condition_variable m_answered; // to callers waiting for a stop or a reset
    std::deque<WAVEHDR*> m_queue;       // handed to the device, not yet done with
    std::size_t m_offset = 0;           // bytes of m_queue.front() done
    bool m_closing = false;

    std::thread m_thread;
    std::thread::id m_threadId;
};

} // namespace plat
