// Streams an audio file through wave-out in 50 buffers of 20 ms and measures
// the level of what it plays.
//
// Three contexts touch the player: the GUI thread (Play, Stop, GetPlayLevel),
// the feeder thread that reads the file and queues buffers, and the backend's
// completion callback. They share atomic flags and counters. Neither the
// feeder nor the callback ever stops the device themselves: the end of
// playback (last buffer done, read or write failure) clears `playing` at once
// and is carried to the GUI thread (plat::PostToMainThread), where Stop runs.
//
// The feeder sleeps while its next slot is still with the device; each
// buffer that comes back (the callback) and Stop wake it. Its sleep is
// bounded all the same (kFeederSafetyNetMs), so a wake-up a backend never
// gives costs a short delay, not the playback.
#pragma once

#include "audio/AudioSource.h"
#include "platform/mmsystem.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// The text of a file whose data holds not one whole sample frame.
inline constexpr const char* kErrNoSound = "No sound in the file";

class CWavePlayer {
public:
    static constexpr int kBufferCount = 50;
    static constexpr int kBufferMs = 20;
    // Reads that come back empty before the file counts as corrupted.
    static constexpr int kMaxEmptyReads = 10;
    // The longest the feeder sleeps before it looks at its slot again when
    // nothing woke it.
    static constexpr int kFeederSafetyNetMs = 100;

    struct OpenInfo {
        double durationMs = 0;
        plat::DWORD frames = 0;
    };

    // The player reads through a CAudioFile; tests may hand in another source.
    CWavePlayer();
    explicit CWavePlayer(std::unique_ptr<CAudioSource> source);
    ~CWavePlayer();
    CWavePlayer(const CWavePlayer&) = delete;
    CWavePlayer& operator=(const CWavePlayer&) = delete;

    // 1 when playback started.
    int Play(const std::string& fileName);
    // Stops playback and closes the device; 0 when closing the device failed.
    int Stop();
    // Opens the file and the device and prepares the buffers; zeros on failure.
    OpenInfo Open(const std::string& fileName);

    // The level of the last buffer played while playing, else -1.
    int GetPlayLevel() const;
    bool IsPlaying() const { return m_playing.load(); }
    bool IsFeeding() const { return m_feeding.load(); }
    bool IsDeviceOpen() const { return m_device.load() != nullptr; }
    plat::DWORD GetBytesPlayed() const { return m_bytesPlayed.load(); }
    plat::DWORD GetBufferSize() const { return m_bufferSize; }
    plat::DWORD GetDataSize() const { return m_dataSize; }
    std::string GetLastError() const;
    // The device of the playback, null when none is open.
    plat::HWAVEOUT GetDevice() const { return m_device.load(); }
    // How often the feeder woke from its sleep, since the player was made.
    std::uint64_t GetFeederWakeups() const { return m_feederWakeups.load(); }

    // For tests and benchmarks, before Play: the feeder's safety-net period,
    // and a function the feeder calls each time it has found its slot still
    // with the device, just before it sleeps (the wake-up lock is held then:
    // a buffer that comes back meanwhile must still wake it).
    void SetFeederSafetyNetForTesting(int ms) { m_safetyNetMs = ms; }
    void SetBeforeFeederSleepForTesting(std::function<void()> hook) {
        m_beforeSleep = std::move(hook);
    }

    int MeasureLevel(const void* data, plat::DWORD length) const;

private:
    static void WaveOutProc(plat::HWAVEOUT device, plat::UINT message, plat::DWORD_PTR instance,
                            plat::DWORD_PTR param1, plat::DWORD_PTR param2);
    static void EndRequested(std::uint64_t generation);

    void OnDone(plat::WAVEHDR* header);
    void Feed();
    // True while the slot's buffer is still queued or its completion has not
    // yet been measured.
    bool SlotBusy(plat::DWORD slot) const;
    // Sleeps until the slot is free or the playback stopped.
    void WaitForSlot(plat::DWORD slot);
    // Wakes the feeder (or Stop waiting for the buffers): the state it waits
    // on has changed.
    void WakeFeeder();
    void RequestEnd();
    void SetError(const std::string& text);
    void SetWaveError(plat::MMRESULT code, const char* call);
    void FreeBuffers();

    std::atomic<bool> m_feeding{false};
    std::unique_ptr<plat::WAVEHDR[]> m_headers;
    std::unique_ptr<std::uint8_t[]> m_block;
    std::atomic<plat::DWORD> m_remaining{0};
    std::atomic<plat::DWORD> m_bytesPlayed{0};
    plat::DWORD m_bufferSize = 0;
    plat::DWORD m_dataSize = 0;
    std::atomic<bool> m_playing{false};
    std::atomic<int> m_level{0};
    std::atomic<plat::HWAVEOUT> m_device{nullptr};
    plat::WAVEFORMATEX m_format{};
    std::string m_fileName;
    std::unique_ptr<CAudioSource> m_source;

    // Set by the feeder when it queues a slot, cleared by the completion
    // callback once it has measured it: the device marks a buffer done before
    // its callback runs, and the slot must not be refilled in between.
    std::array<std::atomic<bool>, kBufferCount> m_inFlight{};
    std::thread m_feeder;
    // The feeder's sleep. Whoever changes what it waits on (a slot's flags,
    // `playing`) changes it first, then takes the lock and notifies; the
    // feeder looks under the lock, so no wake-up falls between its look and
    // its sleep. No wave call is made while the lock is held.
    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
    std::atomic<std::uint64_t> m_feederWakeups{0};
    std::atomic<int> m_safetyNetMs{kFeederSafetyNetMs};
    std::function<void()> m_beforeSleep;
    // Identifies the current playback; a posted end request of an earlier one
    // finds a different value and does nothing.
    std::atomic<std::uint64_t> m_generation{0};
    bool m_inStop = false;
    // The device or the file ended the playback (a buffer refused, a read
    // failed): the caller's next Stop answers 0 with the reason, once.
    std::atomic<bool> m_endFailed{false};
    bool m_stoppedByFailure = false;
    mutable std::mutex m_errorMutex;
    std::string m_lastError;
};
