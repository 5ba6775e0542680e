// Streams an audio file through wave-out in 50 buffers of 20 ms and measures
// the level of what it plays.
//
// Three contexts touch the player: the GUI thread (Play, Stop, GetPlayLevel),
// the feeder thread that reads the file and queues buffers, and the backend's
// completion callback. They share atomic flags and counters. Neither the
// feeder nor the callback ever stops the device themselves: the end of
// playback (last buffer done, read or write failure) clears `playing` at once
// and is carried to the GUI thread (plat::PostToMainThread), where Stop runs.
#pragma once

#include "audio/AudioSource.h"
#include "platform/mmsystem.h"

#include <array>
#include <atomic>
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

    int MeasureLevel(const void* data, plat::DWORD length) const;

private:
    static void WaveOutProc(plat::HWAVEOUT device, plat::UINT message, plat::DWORD_PTR instance,
                            plat::DWORD_PTR param1, plat::DWORD_PTR param2);
    static void EndRequested(std::uint64_t generation);

    void OnDone(plat::WAVEHDR* header);
    void Feed();
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
