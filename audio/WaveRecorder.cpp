#include "audio/WaveRecorder.h"

#include "audio/MeasureLevel.h"
#include "audio/WaveErrorText.h"
#include "audio/WaveHeader.h"
#include "platform/files/new_file.h"
#include "platform/files/paths.h"
#include "platform/system/clock.h"
#include "platform/system/message_loop.h"
#include "platform/system/trace.h"

#include <algorithm>
#include <cerrno>

#include <cstring>
#include <new>
#include <utility>

using namespace plat;

namespace {

// The one recorder of the process; callbacks for any other instance are ignored.
std::atomic<CWaveRecorder*> g_recorder{nullptr};
std::atomic<std::uint64_t> g_nextGeneration{1};

// The data length of the header written while the recording lasts.
constexpr DWORD kProvisionalDataLength = 2;
constexpr DWORD kCloseRetryMs = 10000;

} // namespace

WAVEFORMATEX CWaveRecorder::RecordFormat() {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 1;
    f.nSamplesPerSec = 11025;
    f.wBitsPerSample = 16;
    f.nBlockAlign = 2;
    f.nAvgBytesPerSec = 22050;
    f.cbSize = 0;
    return f;
}

CWaveRecorder::CWaveRecorder() {
    g_recorder.store(this);
}

CWaveRecorder::~CWaveRecorder() {
    Stop();
    CWaveRecorder* self = this;
    g_recorder.compare_exchange_strong(self, nullptr);
}

std::string CWaveRecorder::GetLastError() const {
    std::lock_guard lock(m_errorMutex);
    return m_lastError;
}

void CWaveRecorder::SetError(const std::string& text) {
    std::lock_guard lock(m_errorMutex);
    m_lastError = text;
}

int CWaveRecorder::GetLevel() const {
    return m_recording.load() ? m_level.load() : -1;
}

int CWaveRecorder::GetPeak() const {
    return m_recording.load() ? m_peak.load() : -1;
}

void CWaveRecorder::FreeBuffers() {
    m_headers.reset();
    m_block.reset();
}

void CWaveRecorder::DiscardFile() {
    std::lock_guard lock(m_fileMutex);
    if (m_recordFile) {
        std::fclose(m_recordFile);
        m_recordFile = nullptr;
    }
    if (!m_fileName.empty())
        plat::DeleteFile(m_fileName);
}

int CWaveRecorder::Start(const std::string& fileName) {
    // The buffers of a running recording belong to its device until it is closed.
    if (m_device.load() || m_recordFile)
        Stop();

    m_stoppedByFailure = false;
    m_fileName = fileName;
    m_bytesWritten = 0;
    m_level = 0;
    m_peak = 0;
    m_clipped = false;
    m_buffers = 0;
    {
        std::lock_guard recent(m_recentMutex);
        m_recentCount = 0;
    }
    FreeBuffers();
    m_format = RecordFormat();
    {
        std::lock_guard lock(m_fileMutex);
        m_writeFailed = false;
        m_writeReason.clear();
    }

    m_block.reset(new (std::nothrow) std::uint8_t[kBufferCount * kBufferSize]());
    m_headers.reset(new (std::nothrow) WAVEHDR[kBufferCount]());
    if (!m_block || !m_headers) {
        FreeBuffers();
        SetError(kErrRecordMemory);
        return 0;
    }

    if (!m_fileName.empty()) {
        // A new file of the user's own: whatever had the name before (a link
        // included) is removed, never written through.
        std::string why;
        std::FILE* file = CreateNewFile(m_fileName, &why);
        if (file == nullptr)
            TRACE_LOG(2, "WaveRecorder", __LINE__, "%s", why.c_str());
        const bool written = file && WriteWaveHeader(file, kProvisionalDataLength, m_format) &&
                             std::fflush(file) == 0;
        if (file && !written)
            why = std::strerror(errno);
        {
            std::lock_guard lock(m_fileMutex);
            m_recordFile = file;
        }
        if (!written) {
            // A file that could not be opened is not ours to delete.
            if (file)
                DiscardFile();
            FreeBuffers();
            SetError(std::string(kErrOpeningRecordFile) + " (" + why + ")");
            return 0;
        }
    }

    const std::uint64_t generation = g_nextGeneration.fetch_add(1);
    m_generation = generation;
    HWAVEIN device = nullptr;
    MMRESULT r = waveInOpen(&device, WAVE_MAPPER, &m_format,
                            reinterpret_cast<DWORD_PTR>(&CWaveRecorder::WaveInProc),
                            reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION);
    if (r != MMSYSERR_NOERROR) {
        SetError(WaveInErrorText(r, "waveInOpen"));
        DiscardFile();
        FreeBuffers();
        return 0;
    }
    m_device = device;

    for (int i = 0; i < kBufferCount; ++i) {
        WAVEHDR& h = m_headers[i];
        h.lpData =
            reinterpret_cast<LPSTR>(m_block.get() + static_cast<std::size_t>(i) * kBufferSize);
        h.dwBufferLength = kBufferSize;
        const char* call = "waveInPrepareHeader";
        r = waveInPrepareHeader(device, &h, sizeof(WAVEHDR));
        if (r == MMSYSERR_NOERROR) {
            call = "waveInAddBuffer";
            r = waveInAddBuffer(device, &h, sizeof(WAVEHDR));
        }
        if (r != MMSYSERR_NOERROR) {
            SetError(WaveInErrorText(r, call));
            AbandonDevice(device);
            return 0;
        }
    }

    r = waveInStart(device);
    if (r != MMSYSERR_NOERROR) {
        SetError(WaveInErrorText(r, "waveInStart"));
        AbandonDevice(device);
        return 0;
    }
    m_recording = true;
    return 1;
}

void CWaveRecorder::AbandonDevice(HWAVEIN device) {
    {
        std::lock_guard lock(m_fileMutex);
        m_device = nullptr;
    }
    waveInReset(device);
    for (int i = 0; i < kBufferCount; ++i)
        if (m_headers[i].lpData)
            waveInUnprepareHeader(device, &m_headers[i], sizeof(WAVEHDR));
    waveInClose(device);
    DiscardFile();
    FreeBuffers();
}

void CWaveRecorder::WaveInProc(HWAVEIN device, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                               DWORD_PTR) {
    CWaveRecorder* recorder = g_recorder.load();
    if (message != WIM_DATA || recorder == nullptr ||
        instance != reinterpret_cast<DWORD_PTR>(recorder))
        return;
    recorder->OnData(device, reinterpret_cast<WAVEHDR*>(param1));
}

std::uint64_t CWaveRecorder::RecentBuffers(std::uint64_t seen,
                                           std::vector<LevelBuffer>& buffers) const {
    std::lock_guard recent(m_recentMutex);
    buffers.clear();
    if (seen > m_recentCount)
        seen = 0; // a count of an earlier recording
    for (std::uint64_t n =
             std::max(seen, m_recentCount > kRecentBuffers ? m_recentCount - kRecentBuffers
                                                           : std::uint64_t{0});
         n < m_recentCount; ++n)
        buffers.push_back(m_recent[n % kRecentBuffers]);
    return m_recentCount;
}

void CWaveRecorder::OnData(HWAVEIN device, WAVEHDR* header) {
    std::lock_guard lock(m_fileMutex);
    // A cleared device means Stop has begun: the buffer returned by its reset
    // is neither written nor queued again.
    if (device == nullptr || device != m_device.load() || header == nullptr)
        return;

    const DWORD recorded = header->dwBytesRecorded;
    if (recorded > 0) {
        const int level = MeasureLevel(header->lpData, recorded, m_format);
        const BufferPeak peak = MeasurePeak(header->lpData, recorded, m_format);
        m_level = level;
        m_peak = peak.peak;
        if (peak.clipped)
            m_clipped = true;
        {
            std::lock_guard recent(m_recentMutex);
            m_recent[m_recentCount % kRecentBuffers] = {peak.peak, level, peak.clipped};
            ++m_recentCount;
        }
        ++m_buffers;
    }

    if (m_recordFile) {
        if (std::fwrite(header->lpData, 1, recorded, m_recordFile) != recorded) {
            // The recording can no longer be kept; Stop reports it.
            m_writeReason = std::strerror(errno);
            std::fclose(m_recordFile);
            m_recordFile = nullptr;
            m_writeFailed = true;
            return;
        }
        m_bytesWritten += recorded;
    }

    const MMRESULT r = waveInAddBuffer(device, header, sizeof(WAVEHDR));
    if (r != MMSYSERR_NOERROR) {
        SetError(WaveInErrorText(r, "waveInAddBuffer"));
        // The device cannot be stopped from its own callback: the GUI thread
        // does it.
        const std::uint64_t generation = m_generation.load();
        plat::PostToMainThread([generation] { StopRequested(generation); });
    }
}

void CWaveRecorder::StopRequested(std::uint64_t generation) {
    CWaveRecorder* recorder = g_recorder.load();
    if (recorder && recorder->m_generation.load() == generation && recorder->m_device.load()) {
        // Stop keeps the re-queue failure as the reason unless closing fails too.
        const std::string reason = recorder->GetLastError();
        if (recorder->Stop())
            recorder->SetError(reason);
        recorder->m_stoppedByFailure = true;
    }
}

int CWaveRecorder::Stop() {
    int result = std::exchange(m_stoppedByFailure, false) ? 0 : 1;
    HWAVEIN device = nullptr;
    {
        std::lock_guard lock(m_fileMutex);
        device = m_device.exchange(nullptr);
        m_level = 0;
    }
    if (device) {
        waveInReset(device);
        m_recording = false;
        for (int i = 0; i < kBufferCount; ++i)
            waveInUnprepareHeader(device, &m_headers[i], sizeof(WAVEHDR));
        const DWORD start = GetTickCount();
        MMRESULT r = waveInClose(device);
        while (r == WAVERR_STILLPLAYING && GetTickCount() - start < kCloseRetryMs) {
            plat::Sleep(10);
            r = waveInClose(device);
        }
        if (r != MMSYSERR_NOERROR) {
            SetError(WaveInErrorText(r, "waveInClose"));
            result = 0;
        }
    }
    m_recording = false;

    bool discard = false;
    std::string why;
    {
        std::lock_guard lock(m_fileMutex);
        if (m_recordFile) {
            // A recording without a buffer fails with no word of the system.
            errno = 0;
            const bool written = std::fseek(m_recordFile, 0, SEEK_SET) == 0 &&
                                 WriteWaveHeader(m_recordFile, m_bytesWritten.load(), m_format);
            if (!written && errno != 0)
                why = std::strerror(errno);
            const bool closed = std::fclose(m_recordFile) == 0;
            if (written && !closed)
                why = std::strerror(errno);
            m_recordFile = nullptr;
            discard = !written || !closed;
        } else if (m_writeFailed) {
            // A buffer could not be appended: what is on disk is no recording.
            discard = true;
            why = m_writeReason;
        }
        m_writeFailed = false;
    }
    if (discard) {
        DiscardFile();
        SetError(why.empty() ? std::string(kErrWritingRecordFile)
                             : std::string(kErrWritingRecordFile) + " (" + why + ")");
        result = 0;
    }
    FreeBuffers();
    return result;
}
