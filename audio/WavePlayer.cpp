#include "audio/WavePlayer.h"

#include "audio/AudioFile.h"
#include "audio/MeasureLevel.h"
#include "audio/WaveErrorText.h"
#include "platform/system/clock.h"
#include "platform/system/message_loop.h"

#include <chrono>
#include <new>
#include <utility>

using namespace plat;

namespace {

// The one player of the process; the completion callback ignores any other
// instance value.
std::atomic<CWavePlayer*> g_player{nullptr};
// Playback generations are unique across players, so an end request posted by
// a destroyed player can never match a later one.
std::atomic<std::uint64_t> g_nextGeneration{1};

// A block larger than this (50 buffers) describes no real sound format.
constexpr std::size_t kLargestBlock = 64u * 1024 * 1024;
constexpr DWORD kCloseRetryMs = 10000;

DWORD HeaderFlags(WAVEHDR& header) {
    return std::atomic_ref<DWORD>(header.dwFlags).load();
}

// How long Stop waits for the backend to let go of the buffers after a reset.
constexpr auto kHandBackWait = std::chrono::milliseconds(2000);

} // namespace

CWavePlayer::CWavePlayer() : CWavePlayer(std::make_unique<CAudioFile>()) {}

CWavePlayer::CWavePlayer(std::unique_ptr<CAudioSource> source) : m_source(std::move(source)) {
    g_player.store(this);
}

CWavePlayer::~CWavePlayer() {
    Stop();
    FreeBuffers();
    CWavePlayer* self = this;
    g_player.compare_exchange_strong(self, nullptr);
}

std::string CWavePlayer::GetLastError() const {
    std::lock_guard lock(m_errorMutex);
    return m_lastError;
}

void CWavePlayer::SetError(const std::string& text) {
    std::lock_guard lock(m_errorMutex);
    m_lastError = text;
}

void CWavePlayer::SetWaveError(MMRESULT code, const char* call) {
    SetError(WaveOutErrorText(code, call));
}

int CWavePlayer::MeasureLevel(const void* data, DWORD length) const {
    return ::MeasureLevel(data, length, m_format);
}

int CWavePlayer::GetPlayLevel() const {
    return m_playing.load() ? m_level.load() : -1;
}

void CWavePlayer::FreeBuffers() {
    m_headers.reset();
    m_block.reset();
}

CWavePlayer::OpenInfo CWavePlayer::Open(const std::string& fileName) {
    if (m_source->GetFormat() != nullptr) {
        // Already open: the open file's figures.
        OpenInfo info;
        if (m_format.nAvgBytesPerSec)
            info.durationMs = static_cast<double>(m_dataSize) / m_format.nAvgBytesPerSec * 1000.0;
        if (m_format.nBlockAlign)
            info.frames = m_dataSize / m_format.nBlockAlign;
        return info;
    }
    if (fileName.empty()) {
        SetError("No specified File Name");
        return {};
    }
    m_fileName = fileName;
    if (m_source->Open(fileName) < 0) {
        SetError(m_source->GetLastError());
        return {};
    }
    const WAVEFORMATEX* format = m_source->GetFormat();
    if (!format || format->nBlockAlign == 0 || format->nAvgBytesPerSec == 0) {
        SetError(kErrInvalidWave);
        m_source->Close();
        return {};
    }
    m_format = *format;
    m_dataSize = m_source->GetDataSize();
    if (m_dataSize / m_format.nBlockAlign == 0) {
        // An empty data chunk, or less than one sample frame: nothing to play.
        SetError(kErrNoSound);
        m_source->Close();
        return {};
    }

    const DWORD align = m_format.nBlockAlign;
    std::uint64_t size = static_cast<std::uint64_t>(m_format.nAvgBytesPerSec) * kBufferMs / 1000;
    size = (size + align - 1) / align * align;
    if (size == 0)
        size = align;
    if (size * kBufferCount > kLargestBlock) {
        SetWaveError(MMSYSERR_NOMEM, "waveOutOpen");
        m_source->Close();
        return {};
    }
    m_bufferSize = static_cast<DWORD>(size);
    // The source delivers whole sample frames only: a part frame at the end
    // of the data is never asked for, so the last read brings the rest to 0.
    m_remaining = m_dataSize - m_dataSize % align;
    m_bytesPlayed = 0;

    FreeBuffers();
    for (auto& flag : m_inFlight)
        flag = false;
    m_block.reset(new (std::nothrow) std::uint8_t[m_bufferSize * kBufferCount]());
    m_headers.reset(new (std::nothrow) WAVEHDR[kBufferCount]());
    if (!m_block || !m_headers) {
        FreeBuffers();
        SetWaveError(MMSYSERR_NOMEM, "waveOutOpen");
        m_source->Close();
        return {};
    }

    HWAVEOUT device = nullptr;
    const MMRESULT opened =
        waveOutOpen(&device, WAVE_MAPPER, &m_format, reinterpret_cast<DWORD_PTR>(&WaveOutProc),
                    reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION);
    if (opened != MMSYSERR_NOERROR) {
        SetWaveError(opened, "waveOutOpen");
        FreeBuffers();
        // Nothing stays open: a later Play must open its own file, not find
        // this one still open and play it without a device.
        m_source->Close();
        return {};
    }
    m_device = device;

    for (int i = 0; i < kBufferCount; ++i) {
        WAVEHDR& header = m_headers[i];
        header.lpData =
            reinterpret_cast<LPSTR>(m_block.get() + static_cast<std::size_t>(i) * m_bufferSize);
        header.dwBufferLength = m_bufferSize;
        const MMRESULT prepared = waveOutPrepareHeader(device, &header, sizeof(WAVEHDR));
        if (prepared != MMSYSERR_NOERROR) {
            SetWaveError(prepared, "waveOutPrepareHeader");
            Stop();
            return {};
        }
    }

    OpenInfo info;
    info.durationMs = static_cast<double>(m_dataSize) / m_format.nAvgBytesPerSec * 1000.0;
    info.frames = m_dataSize / m_format.nBlockAlign;
    return info;
}

int CWavePlayer::Play(const std::string& fileName) {
    // A playback that ended by itself may still hold its device until the
    // posted stop runs: stop it here as well.
    if (m_playing.load() || m_device.load() != nullptr)
        Stop();
    m_stoppedByFailure = false;
    m_endFailed = false;
    const OpenInfo info = Open(fileName);
    if (info.durationMs == 0 && info.frames == 0) {
        if (m_device.load() != nullptr)
            Stop();
        return 0;
    }
    m_generation = g_nextGeneration.fetch_add(1);
    if (m_feeder.joinable())
        m_feeder.join();
    m_playing = true;
    m_feeding = true;
    m_feeder = std::thread([this] { Feed(); });
    return 1;
}

void CWavePlayer::RequestEnd() {
    const std::uint64_t generation = m_generation.load();
    plat::PostToMainThread([generation] { EndRequested(generation); });
}

void CWavePlayer::EndRequested(std::uint64_t generation) {
    CWavePlayer* player = g_player.load();
    if (player && player->m_generation.load() == generation) {
        // The stop made here is not the caller's: a failure that ended the
        // playback waits, with its reason, for the caller's next Stop.
        const bool failed = player->m_endFailed.exchange(false);
        const std::string reason = player->GetLastError();
        player->Stop();
        if (failed) {
            player->SetError(reason);
            player->m_stoppedByFailure = true;
        }
    }
}

bool CWavePlayer::SlotBusy(DWORD slot) const {
    return (HeaderFlags(m_headers[slot]) & WHDR_INQUEUE) || m_inFlight[slot].load();
}

void CWavePlayer::WakeFeeder() {
    // The change is made; taking the lock orders it before or after the
    // feeder's look, and a feeder that looked before it is asleep by now.
    { std::lock_guard lock(m_wakeMutex); }
    m_wake.notify_all();
}

void CWavePlayer::WaitForSlot(DWORD slot) {
    std::unique_lock lock(m_wakeMutex);
    while (SlotBusy(slot) && m_playing.load()) {
        if (m_beforeSleep)
            m_beforeSleep();
        m_wake.wait_for(lock, std::chrono::milliseconds(m_safetyNetMs.load()));
        ++m_feederWakeups;
    }
}

void CWavePlayer::Feed() {
    const HWAVEOUT device = m_device.load();
    DWORD n = 0;
    int empty = 0;
    bool failed = false;
    while (m_remaining.load() > 0 && empty < kMaxEmptyReads) {
        const DWORD slot = n % kBufferCount;
        WAVEHDR& header = m_headers[slot];
        WaitForSlot(slot);
        if (!m_playing.load() || m_source->GetFormat() == nullptr)
            break;

        DWORD request = m_bufferSize;
        header.dwUser = slot;
        const DWORD remaining = m_remaining.load();
        if (remaining <= m_bufferSize) {
            request = remaining;
            header.dwUser = 99; // the last buffer
        }
        DWORD got = 0;
        if (m_source->Read(request, header.lpData, got) < 0) {
            SetError(m_source->GetLastError());
            failed = true;
            break;
        }
        header.dwBufferLength = got;
        m_remaining -= got;
        if (got == 0)
            ++empty;
        m_inFlight[slot] = true;
        const MMRESULT written = waveOutWrite(device, &header, sizeof(WAVEHDR));
        if (written != MMSYSERR_NOERROR) {
            m_inFlight[slot] = false;
            SetWaveError(written, "waveOutWrite");
            failed = true;
            break;
        }
        ++n;
    }
    if (!failed && empty >= kMaxEmptyReads) {
        SetError("Corrupted File");
        failed = true;
    }
    if (failed && m_playing.exchange(false)) {
        m_endFailed = true;
        RequestEnd();
    }
    m_feeding = false;
}

void CWavePlayer::WaveOutProc(HWAVEOUT device, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                              DWORD_PTR) {
    CWavePlayer* player = g_player.load();
    if (message != WOM_DONE || player == nullptr ||
        instance != reinterpret_cast<DWORD_PTR>(player) || device != player->m_device.load())
        return;
    player->OnDone(reinterpret_cast<WAVEHDR*>(param1));
}

void CWavePlayer::OnDone(WAVEHDR* header) {
    if (!header)
        return;
    m_bytesPlayed += header->dwBufferLength;
    m_level = MeasureLevel(header->lpData, header->dwBufferLength);
    const bool last = header->dwUser > static_cast<DWORD_PTR>(kBufferCount);
    const std::ptrdiff_t slot = m_headers ? header - m_headers.get() : -1;
    if (slot >= 0 && slot < kBufferCount)
        m_inFlight[static_cast<std::size_t>(slot)] = false;
    if (last && m_playing.exchange(false))
        RequestEnd();
    WakeFeeder();
}

int CWavePlayer::Stop() {
    if (m_inStop)
        return 1;
    m_inStop = true;
    m_generation = 0; // end requests still queued find nothing to stop
    const bool endFailed = m_endFailed.exchange(false);
    const bool reportFailure = std::exchange(m_stoppedByFailure, false) || endFailed;
    int result = 1;
    const HWAVEOUT device = m_device.load();

    m_playing = false;
    WakeFeeder();
    if (m_feeder.joinable())
        m_feeder.join(); // the feeder leaves its loop as soon as it sees `playing` clear
    m_feeding = false;

    if (device != nullptr) {
        waveOutReset(device);
        m_source->Close();

        // The reset hands every buffer back; wait (bounded) until the backend
        // has let go of them before they are unprepared and freed. Each
        // buffer's callback wakes this wait as it wakes the feeder.
        if (m_headers) {
            std::unique_lock lock(m_wakeMutex);
            m_wake.wait_for(lock, kHandBackWait, [&] {
                for (int i = 0; i < kBufferCount; ++i)
                    if (HeaderFlags(m_headers[i]) & WHDR_INQUEUE)
                        return false;
                return true;
            });
        }

        for (int i = 0; i < kBufferCount && m_headers; ++i) {
            if (!(HeaderFlags(m_headers[i]) & WHDR_PREPARED))
                continue;
            const MMRESULT unprepared =
                waveOutUnprepareHeader(device, &m_headers[i], sizeof(WAVEHDR));
            if (unprepared != MMSYSERR_NOERROR)
                SetWaveError(unprepared, "waveOutUnprepareHeader");
        }

        MMRESULT closed = waveOutClose(device);
        if (closed == WAVERR_STILLPLAYING) {
            const DWORD first = GetTickCount();
            while (closed == WAVERR_STILLPLAYING && GetTickCount() - first < kCloseRetryMs) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                closed = waveOutClose(device);
            }
            if (closed != MMSYSERR_NOERROR) {
                // The device still holds the buffers: keep them until it lets go.
                SetWaveError(closed, "waveOutClose");
                result = 0;
            }
        }
        if (result == 1) {
            // Freed only once the device is closed, so it never writes into freed memory.
            FreeBuffers();
            m_device = nullptr;
            m_level = 0;
        }
    }
    m_source->Close();
    m_inStop = false;
    return reportFailure ? 0 : result;
}
