// Records from the default wave-in device in 11025 Hz 16-bit mono, in 50
// buffers of 160 ms, measures the level of every buffer and appends the
// samples to a WAVE file ("User.wav" for the microphone page) unless started
// without a file name.
//
// The backend's completion callback measures the buffer, appends it to the
// file and hands it back to the device. The GUI thread reads the level and
// stops the recording. The file is shared under a mutex, so Stop never
// finalises it while a buffer is being written; the device handle is an
// atomic, and Stop clears it before resetting the device, so the buffers the
// reset returns are neither written nor queued again.
#pragma once

#include "platform/mmsystem.h"

#include "audio/MeasureLevel.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CWaveRecorder {
public:
    static constexpr int kBufferCount = 50;
    // channels x (rate x 20 x bits) / 1000 bytes: 1764 samples, 160 ms.
    static constexpr plat::DWORD kBufferSize = 1 * (11025u * 20u * 16u) / 1000u;
    static_assert(kBufferSize == 3528);

    CWaveRecorder();
    ~CWaveRecorder();
    CWaveRecorder(const CWaveRecorder&) = delete;
    CWaveRecorder& operator=(const CWaveRecorder&) = delete;

    // Starts recording into fileName (created or truncated; "" records
    // without a file). 1 when the device is recording, else 0 with the reason
    // in GetLastError(); a failed start leaves no file behind. A recording
    // still running is stopped first.
    int Start(const std::string& fileName);
    // Stops the device and writes the final header. 0 when closing the device
    // or finishing the file failed; an unfinished file is deleted.
    int Stop();
    // The level of the last buffer recorded while recording, else -1.
    int GetLevel() const;
    // The peak of the last buffer recorded (0..32768) while recording, else -1.
    int GetPeak() const;
    // Whether any buffer since Start clipped (three full-scale samples in a
    // row); stays set after Stop, until the next Start.
    bool HasClipped() const { return m_clipped.load(); }
    // Counts the buffers recorded since Start, so a reader can tell a new
    // buffer's figures from the last one's.
    std::uint64_t GetBufferCount() const { return m_buffers.load(); }
    // The figures of the buffers recorded after the first `seen` of this
    // recording, oldest first (the last kRecentBuffers at most: a device that
    // hands over several at once is followed buffer by buffer); answers the
    // count they reach, for the next call.
    std::uint64_t RecentBuffers(std::uint64_t seen, std::vector<LevelBuffer>& buffers) const;
    static constexpr std::size_t kRecentBuffers = 64;

    bool IsRecording() const { return m_recording.load(); }
    plat::DWORD GetBytesWritten() const { return m_bytesWritten.load(); }
    const plat::WAVEFORMATEX& GetFormat() const { return m_format; }
    std::string GetLastError() const;

    // The fixed recording format.
    static plat::WAVEFORMATEX RecordFormat();

private:
    static void WaveInProc(plat::HWAVEIN device, plat::UINT message, plat::DWORD_PTR instance,
                           plat::DWORD_PTR param1, plat::DWORD_PTR param2);
    static void StopRequested(std::uint64_t generation);

    void OnData(plat::HWAVEIN device, plat::WAVEHDR* header);
    void SetError(const std::string& text);
    // Resets, unprepares and closes a device that failed to start.
    void AbandonDevice(plat::HWAVEIN device);
    // Closes the record file and deletes it from disk.
    void DiscardFile();
    void FreeBuffers();

    std::atomic<bool> m_recording{false};
    std::atomic<int> m_level{0};
    std::atomic<int> m_peak{0};
    std::atomic<bool> m_clipped{false};
    std::atomic<std::uint64_t> m_buffers{0};
    std::atomic<plat::HWAVEIN> m_device{nullptr};
    std::unique_ptr<plat::WAVEHDR[]> m_headers;
    std::unique_ptr<std::uint8_t[]> m_block;
    std::FILE* m_recordFile = nullptr; // guarded by m_fileMutex
    bool m_writeFailed = false;        // guarded by m_fileMutex
    std::string m_writeReason;         // the system's words for it; guarded by m_fileMutex
    // The recorder stopped itself on a device failure; the next Stop reports
    // it, so the caller learns why the recording ended. GUI thread only.
    bool m_stoppedByFailure = false;
    std::atomic<plat::DWORD> m_bytesWritten{0};
    plat::WAVEFORMATEX m_format{};
    std::string m_fileName;

    // Held by the callback while it handles a buffer, and by Stop while it
    // clears the device and while it finishes the file.
    std::mutex m_fileMutex;
    std::atomic<std::uint64_t> m_generation{0};
    // The figures of the last buffers, buffer n at n % kRecentBuffers.
    mutable std::mutex m_recentMutex;
    std::array<LevelBuffer, kRecentBuffers> m_recent{};
    std::uint64_t m_recentCount = 0; // guarded by m_recentMutex
    mutable std::mutex m_errorMutex;
    std::string m_lastError;
};

// Error texts of the recorder besides the wave-call texts.
inline constexpr const char* kErrRecordMemory = "Error : Memory Allocation";
inline constexpr const char* kErrOpeningRecordFile = "Error : Opening record file";
inline constexpr const char* kErrWritingRecordFile = "Error : Writing record file";
