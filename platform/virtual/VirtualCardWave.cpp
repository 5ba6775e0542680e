// The wave-in and wave-out calls of the virtual card, and its device clock.
#include "platform/fixed_name.h"
#include "platform/virtual/Microphone.h"
#include "platform/virtual/Stream.h"
#include "platform/virtual/VirtualCard.h"
#include "platform/virtual/WaveData.h"
#include "platform/wave_header.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <type_traits>

namespace plat {

namespace {

constexpr std::uintptr_t kMapper = std::uintptr_t(UINT(WAVE_MAPPER));

bool Accepts(const VirtualWaveDevice& device, const WAVEFORMATEX& f) {
    if (f.wFormatTag != WAVE_FORMAT_PCM)
        return false;
    if (f.nChannels == 0 || (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) ||
        f.nBlockAlign != f.nChannels * f.wBitsPerSample / 8 ||
        f.nAvgBytesPerSec != f.nSamplesPerSec * f.nBlockAlign)
        return false;
    const PcmFormat wanted{f.nSamplesPerSec, f.wBitsPerSample, f.nChannels};
    return std::find(device.formats.begin(), device.formats.end(), wanted) != device.formats.end();
}

DWORD FormatBits(const std::vector<PcmFormat>& formats) {
    DWORD bits = 0;
    for (const PcmFormat& f : formats) {
        int rate = f.rate == 11025 ? 0 : f.rate == 22050 ? 1 : f.rate == 44100 ? 2 : -1;
        if (rate < 0 || f.channels > 2)
            continue;
        bits |= DWORD(1) << (rate * 4 + (f.bits == 16 ? 2 : 0) + (f.channels == 2 ? 1 : 0));
    }
    return bits;
}

template <typename Caps> void FillCaps(const VirtualWaveDevice& device, Caps& caps) {
    std::memset(&caps, 0, sizeof(caps));
    caps.wMid = device.mid;
    caps.wPid = device.pid;
    caps.vDriverVersion = device.version;
    CopyName(caps.szPname, device.name);
    caps.dwFormats = FormatBits(device.formats);
    caps.wChannels = device.channels;
    if constexpr (std::is_same_v<Caps, WAVEOUTCAPSA>)
        caps.dwSupport = device.support;
}

// The mapper: every format some device takes, named as a mapper.
VirtualWaveDevice Mapper(const std::vector<VirtualWaveDevice>& devices, bool input) {
    VirtualWaveDevice mapper;
    mapper.name = input ? "Virtual Sound Mapper - Input" : "Virtual Sound Mapper - Output";
    mapper.channels = 1;
    for (const VirtualWaveDevice& d : devices) {
        mapper.formats.insert(mapper.formats.end(), d.formats.begin(), d.formats.end());
        mapper.channels = std::max(mapper.channels, d.channels);
        mapper.support |= d.support;
    }
    return mapper;
}

} // namespace

UINT CVirtualCard::waveOutGetNumDevs() {
    std::lock_guard<std::mutex> lock(m_mutex);
    CountLocked("waveOutGetNumDevs");
    return UINT(m_desc.waveOut.size());
}

UINT CVirtualCard::waveInGetNumDevs() {
    std::lock_guard<std::mutex> lock(m_mutex);
    CountLocked("waveInGetNumDevs");
    return UINT(m_desc.waveIn.size());
}

template <typename Caps>
MMRESULT CVirtualCard::GetCaps(const char* call, bool input, UINT_PTR deviceId, Caps* caps,
                               UINT cb) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto& devices = input ? m_desc.waveIn : m_desc.waveOut;
    if (MMRESULT r = InjectedLocked(call, long(deviceId)))
        return r;
    if (caps == nullptr || cb < sizeof(Caps))
        return MMSYSERR_INVALPARAM;
    if (auto it = m_streams.find(deviceId); it != m_streams.end() && it->second->input == input)
        deviceId = it->second->device; // an open handle names its device
    if (deviceId == kMapper && !devices.empty()) {
        FillCaps(Mapper(devices, input), *caps);
        return MMSYSERR_NOERROR;
    }
    if (deviceId >= devices.size())
        return MMSYSERR_BADDEVICEID;
    FillCaps(devices[deviceId], *caps);
    return MMSYSERR_NOERROR;
}

MMRESULT CVirtualCard::waveOutGetDevCaps(UINT_PTR uDeviceID, WAVEOUTCAPSA* pwoc, UINT cbwoc) {
    return GetCaps("waveOutGetDevCaps", false, uDeviceID, pwoc, cbwoc);
}

MMRESULT CVirtualCard::waveInGetDevCaps(UINT_PTR uDeviceID, WAVEINCAPSA* pwic, UINT cbwic) {
    return GetCaps("waveInGetDevCaps", true, uDeviceID, pwic, cbwic);
}

// ---- opening and closing -------------------------------------------------

// The device an open is counted against for injected failures: the one the
// mapper would take, so "@0" also hits opens through WAVE_MAPPER.
long CVirtualCard::FailureDeviceLocked(bool input, UINT deviceId, LPCWAVEFORMATEX pwfx) const {
    const auto& devices = input ? m_desc.waveIn : m_desc.waveOut;
    if (deviceId != WAVE_MAPPER || pwfx == nullptr)
        return long(deviceId);
    for (std::size_t d : MapperOrderLocked(input))
        if (Accepts(devices[d], *pwfx))
            return long(d);
    return long(deviceId);
}

MMRESULT CVirtualCard::OpenLocked(bool input, std::uintptr_t& handle, UINT deviceId,
                                  LPCWAVEFORMATEX pwfx, DWORD_PTR callback, DWORD_PTR instance,
                                  DWORD flags) {
    auto& devices = input ? m_desc.waveIn : m_desc.waveOut;
    if (pwfx == nullptr)
        return MMSYSERR_INVALPARAM;
    const DWORD callbackType = flags & CALLBACK_TYPEMASK;
    const bool query = (flags & WAVE_FORMAT_QUERY) != 0;
    if (!query && callbackType != CALLBACK_NULL && callbackType != CALLBACK_FUNCTION)
        return MMSYSERR_NOTSUPPORTED; // only callback functions reach a caller here
    if (!query && callbackType == CALLBACK_FUNCTION && callback == 0)
        return MMSYSERR_INVALPARAM;

    // The mapper takes the first device that accepts the format, the chosen
    // one first.
    std::size_t device = deviceId;
    if (deviceId == WAVE_MAPPER) {
        if (devices.empty())
            return MMSYSERR_NODRIVER;
        device = devices.size();
        for (std::size_t d : MapperOrderLocked(input))
            if (device == devices.size() && Accepts(devices[d], *pwfx))
                device = d;
        if (device == devices.size())
            return WAVERR_BADFORMAT;
    } else if (device >= devices.size()) {
        return MMSYSERR_BADDEVICEID;
    }
    VirtualWaveDevice& d = devices[device];
    if (d.busyAttempts > 0) {
        --d.busyAttempts;
        return MMSYSERR_ALLOCATED;
    }
    if (!Accepts(d, *pwfx))
        return WAVERR_BADFORMAT;
    if (query)
        return MMSYSERR_NOERROR;
    auto stream = std::make_unique<Stream>();
    stream->handle = m_nextHandle++;
    stream->input = input;
    stream->device = UINT(device);
    stream->id = d.id;
    stream->format = *pwfx;
    stream->format.cbSize = 0;
    stream->proc = callbackType == CALLBACK_FUNCTION ? callback : 0;
    stream->instance = instance;
    stream->running = !input; // wave-out plays as soon as data comes; wave-in waits for Start
    handle = stream->handle;
    if (!input) {
        Capture& capture = m_captures[UINT(device)];
        capture.format = stream->format;
        capture.bytes.clear();
    }
    Stream& s = *stream;
    m_streams[handle] = std::move(stream);
    PostLocked(s, input ? WIM_OPEN : WOM_OPEN, 0);
    return MMSYSERR_NOERROR;
}

template <typename Handle>
MMRESULT CVirtualCard::OpenStream(const char* call, bool input, Handle* handle, UINT deviceId,
                                  LPCWAVEFORMATEX pwfx, DWORD_PTR callback, DWORD_PTR instance,
                                  DWORD flags) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (MMRESULT r = InjectedLocked(call, FailureDeviceLocked(input, deviceId, pwfx)))
        return r;
    if (handle == nullptr && !(flags & WAVE_FORMAT_QUERY))
        return MMSYSERR_INVALPARAM;
    std::uintptr_t opened = 0;
    const MMRESULT r = OpenLocked(input, opened, deviceId, pwfx, callback, instance, flags);
    if (r == MMSYSERR_NOERROR && opened != 0)
        *handle = reinterpret_cast<Handle>(opened);
    return r;
}

MMRESULT CVirtualCard::waveOutOpen(LPHWAVEOUT phwo, UINT uDeviceID, LPCWAVEFORMATEX pwfx,
                                   DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen) {
    return OpenStream("waveOutOpen", false, phwo, uDeviceID, pwfx, dwCallback, dwInstance, fdwOpen);
}

MMRESULT CVirtualCard::waveInOpen(LPHWAVEIN phwi, UINT uDeviceID, LPCWAVEFORMATEX pwfx,
                                  DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen) {
    return OpenStream("waveInOpen", true, phwi, uDeviceID, pwfx, dwCallback, dwInstance, fdwOpen);
}

CVirtualCard::Stream* CVirtualCard::StreamLocked(bool input, std::uintptr_t handle) {
    auto it = m_streams.find(handle);
    if (it == m_streams.end() || it->second->input != input)
        return nullptr;
    return it->second.get();
}

CVirtualCard::Stream* CVirtualCard::CallStreamLocked(const char* call, bool input,
                                                     std::uintptr_t handle, MMRESULT& result) {
    Stream* stream = StreamLocked(input, handle);
    result = InjectedLocked(call, stream ? long(stream->device) : -1);
    if (result == MMSYSERR_NOERROR && stream == nullptr)
        result = MMSYSERR_INVALHANDLE;
    return result == MMSYSERR_NOERROR ? stream : nullptr;
}

MMRESULT CVirtualCard::CloseStream(bool input, std::uintptr_t handle) {
    std::unique_lock<std::mutex> lock(m_mutex);
    MMRESULT result = MMSYSERR_NOERROR;
    Stream* stream =
        CallStreamLocked(input ? "waveInClose" : "waveOutClose", input, handle, result);
    if (stream == nullptr)
        return result;
    if (!stream->queue.empty())
        return WAVERR_STILLPLAYING;
    const UINT device = stream->device;
    const bool unplugged = stream->unplugged;
    PostLocked(*stream, input ? WIM_CLOSE : WOM_CLOSE, 0);
    m_streams.erase(handle);
    if (!input && !unplugged)
        WriteOutputFileLocked(device);
    // The caller may free its callback's data once the close returns.
    WaitHandleIdle(lock, handle);
    return MMSYSERR_NOERROR;
}

MMRESULT CVirtualCard::waveOutClose(HWAVEOUT hwo) {
    return CloseStream(false, reinterpret_cast<std::uintptr_t>(hwo));
}
MMRESULT CVirtualCard::waveInClose(HWAVEIN hwi) {
    return CloseStream(true, reinterpret_cast<std::uintptr_t>(hwi));
}

void CVirtualCard::WriteOutputFileLocked(UINT device) {
    if (m_desc.outputFile.empty())
        return;
    const Capture& capture = m_captures[device];
    std::string error;
    if (!WriteWaveFile(m_desc.outputFile, capture.format, capture.bytes, error))
        std::fprintf(stderr, "virtual sound card: %s\n", error.c_str());
}

// ---- headers ----------------------------------------------------------------

MMRESULT CVirtualCard::PrepareStream(bool input, std::uintptr_t handle, LPWAVEHDR pwh, UINT cbwh,
                                     bool prepare) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const char* call = prepare ? (input ? "waveInPrepareHeader" : "waveOutPrepareHeader")
                               : (input ? "waveInUnprepareHeader" : "waveOutUnprepareHeader");
    MMRESULT result = MMSYSERR_NOERROR;
    Stream* stream = CallStreamLocked(call, input, handle, result);
    if (stream == nullptr)
        return result;
    if (pwh == nullptr || cbwh != sizeof(WAVEHDR) || (prepare && pwh->lpData == nullptr))
        return MMSYSERR_INVALPARAM;
    const DWORD flags = HeaderFlags(pwh);
    if (prepare) {
        if (!(flags & WHDR_PREPARED))
            SetHeaderFlags(pwh, WHDR_PREPARED, 0);
        return MMSYSERR_NOERROR;
    }
    if (flags & WHDR_INQUEUE)
        return WAVERR_STILLPLAYING;
    SetHeaderFlags(pwh, 0, WHDR_PREPARED);
    return MMSYSERR_NOERROR;
}

MMRESULT CVirtualCard::waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    return PrepareStream(false, reinterpret_cast<std::uintptr_t>(hwo), pwh, cbwh, true);
}
MMRESULT CVirtualCard::waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    return PrepareStream(false, reinterpret_cast<std::uintptr_t>(hwo), pwh, cbwh, false);
}
MMRESULT CVirtualCard::waveInPrepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
    return PrepareStream(true, reinterpret_cast<std::uintptr_t>(hwi), pwh, cbwh, true);
}
MMRESULT CVirtualCard::waveInUnprepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
    return PrepareStream(true, reinterpret_cast<std::uintptr_t>(hwi), pwh, cbwh, false);
}

MMRESULT CVirtualCard::QueueBuffer(bool input, std::uintptr_t handle, LPWAVEHDR pwh, UINT cbwh) {
    std::lock_guard<std::mutex> lock(m_mutex);
    MMRESULT result = MMSYSERR_NOERROR;
    Stream* stream =
        CallStreamLocked(input ? "waveInAddBuffer" : "waveOutWrite", input, handle, result);
    if (stream == nullptr)
        return result;
    if (stream->unplugged)
        return MMSYSERR_NODRIVER;
    if (MMRESULT r = CheckHeader(pwh, cbwh))
        return r;
    if (MMRESULT r = CheckQueueable(pwh))
        return r;
    if (input)
        pwh->dwBytesRecorded = 0;
    SetHeaderFlags(pwh, WHDR_INQUEUE, WHDR_DONE);
    stream->queue.push_back(pwh);
    m_wake.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT CVirtualCard::waveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    return QueueBuffer(false, reinterpret_cast<std::uintptr_t>(hwo), pwh, cbwh);
}
MMRESULT CVirtualCard::waveInAddBuffer(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
    return QueueBuffer(true, reinterpret_cast<std::uintptr_t>(hwi), pwh, cbwh);
}

// ---- running, pausing, resetting -------------------------------------------

// Pause, restart and start: a running device plays or records on the clock.
MMRESULT CVirtualCard::SetRunning(const char* call, bool input, std::uintptr_t handle,
                                  bool running) {
    std::lock_guard<std::mutex> lock(m_mutex);
    MMRESULT result = MMSYSERR_NOERROR;
    Stream* stream = CallStreamLocked(call, input, handle, result);
    if (stream == nullptr)
        return result;
    if (stream->unplugged)
        return running ? MMSYSERR_NODRIVER : MMSYSERR_NOERROR;
    stream->running = running;
    if (running)
        m_wake.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT CVirtualCard::waveOutPause(HWAVEOUT hwo) {
    return SetRunning("waveOutPause", false, reinterpret_cast<std::uintptr_t>(hwo), false);
}
MMRESULT CVirtualCard::waveOutRestart(HWAVEOUT hwo) {
    return SetRunning("waveOutRestart", false, reinterpret_cast<std::uintptr_t>(hwo), true);
}
MMRESULT CVirtualCard::waveInStart(HWAVEIN hwi) {
    return SetRunning("waveInStart", true, reinterpret_cast<std::uintptr_t>(hwi), true);
}

MMRESULT CVirtualCard::waveInStop(HWAVEIN hwi) {
    std::lock_guard<std::mutex> lock(m_mutex);
    MMRESULT result = MMSYSERR_NOERROR;
    Stream* stream =
        CallStreamLocked("waveInStop", true, reinterpret_cast<std::uintptr_t>(hwi), result);
    if (stream == nullptr)
        return result;
    stream->running = false;
    stream->credit = 0;
    // The buffer being filled comes back with what it holds; empty ones stay queued.
    if (!stream->queue.empty() && stream->queue.front()->dwBytesRecorded > 0) {
        WAVEHDR* header = stream->queue.front();
        stream->queue.pop_front();
        CompleteLocked(*stream, header);
    }
    return MMSYSERR_NOERROR;
}

MMRESULT CVirtualCard::ResetStream(bool input, std::uintptr_t handle) {
    std::unique_lock<std::mutex> lock(m_mutex);
    MMRESULT result = MMSYSERR_NOERROR;
    Stream* stream =
        CallStreamLocked(input ? "waveInReset" : "waveOutReset", input, handle, result);
    if (stream == nullptr)
        return result;
    if (input)
        stream->running = false;
    ReturnQueueLocked(*stream);
    // Every buffer has been handed back once the reset returns.
    WaitHandleIdle(lock, handle);
    return MMSYSERR_NOERROR;
}

MMRESULT CVirtualCard::waveOutReset(HWAVEOUT hwo) {
    return ResetStream(false, reinterpret_cast<std::uintptr_t>(hwo));
}
MMRESULT CVirtualCard::waveInReset(HWAVEIN hwi) {
    return ResetStream(true, reinterpret_cast<std::uintptr_t>(hwi));
}

// ---- completion and the device clock ----------------------------------------

void CVirtualCard::CompleteLocked(Stream& stream, WAVEHDR* header) {
    SetHeaderFlags(header, WHDR_DONE, WHDR_INQUEUE);
    PostLocked(stream, stream.input ? WIM_DATA : WOM_DONE, reinterpret_cast<DWORD_PTR>(header));
}

void CVirtualCard::ReturnQueueLocked(Stream& stream) {
    stream.credit = 0;
    stream.position = 0;
    while (!stream.queue.empty()) {
        WAVEHDR* header = stream.queue.front();
        stream.queue.pop_front();
        CompleteLocked(stream, header);
    }
}

void CVirtualCard::PostLocked(const Stream& stream, UINT message, DWORD_PTR param1) {
    if (stream.proc == 0)
        return;
    EnsureThreadLocked();
    m_events.push_back(
        {stream.handle, stream.input, stream.proc, stream.instance, message, param1});
    ++m_pending[stream.handle];
    m_wake.notify_all();
}

bool CVirtualCard::AnyStreamActiveLocked() const {
    for (const auto& [handle, stream] : m_streams) {
        (void)handle;
        if (stream->running && (stream->input || !stream->queue.empty()))
            return true;
    }
    return false;
}

std::uint64_t CVirtualCard::MsUntilNextBufferLocked() const {
    std::uint64_t due = kLongestSleepMs;
    for (const auto& [handle, stream] : m_streams) {
        (void)handle;
        if (!stream->running || stream->queue.empty() || stream->format.nAvgBytesPerSec == 0)
            continue;
        const WAVEHDR* header = stream->queue.front();
        const std::uint64_t left = header->dwBufferLength -
                                   std::min<std::size_t>(stream->position, header->dwBufferLength);
        const std::uint64_t owed = left * 1000 > stream->credit ? left * 1000 - stream->credit : 0;
        const std::uint64_t rate = stream->format.nAvgBytesPerSec;
        due = std::min(due, (owed + rate - 1) / rate);
    }
    return std::max<std::uint64_t>(due, 1);
}

void CVirtualCard::AdvanceLocked(std::uint64_t ms) {
    m_clockMs += ms;
    for (auto& [handle, stream] : m_streams) {
        (void)handle;
        if (!stream->running)
            continue;
        if (stream->input)
            RecordLocked(*stream, ms);
        else
            PlayLocked(*stream, ms);
    }
}

void CVirtualCard::PlayLocked(Stream& stream, std::uint64_t ms) {
    const std::size_t block = std::max<std::size_t>(1, stream.format.nBlockAlign);
    stream.credit += ms * stream.format.nAvgBytesPerSec;
    Capture& capture = m_captures[stream.device];
    while (!stream.queue.empty()) {
        WAVEHDR* header = stream.queue.front();
        const std::size_t remaining =
            header->dwBufferLength - std::min<std::size_t>(stream.position, header->dwBufferLength);
        std::size_t take = std::size_t(stream.credit / 1000);
        take = take >= remaining ? remaining : take - take % block;
        if (take == 0 && remaining > 0)
            break;
        const std::size_t room = m_captureLimit - std::min(m_captureLimit, capture.bytes.size());
        const std::uint8_t* from =
            reinterpret_cast<const std::uint8_t*>(header->lpData) + stream.position;
        capture.bytes.insert(capture.bytes.end(), from, from + std::min(room, take));
        stream.position += take;
        stream.credit -= std::uint64_t(take) * 1000;
        if (stream.position >= header->dwBufferLength) {
            stream.queue.pop_front();
            stream.position = 0;
            CompleteLocked(stream, header);
        }
    }
    if (stream.queue.empty())
        stream.credit = 0; // an idle device does not bank time
}

void CVirtualCard::RecordLocked(Stream& stream, std::uint64_t ms) {
    const std::size_t block = std::max<std::size_t>(1, stream.format.nBlockAlign);
    stream.credit += ms * stream.format.nAvgBytesPerSec;
    // A device with a microphone of its own is not heard through the mixer.
    const auto own = stream.device < m_desc.waveIn.size()
                         ? m_ownMicrophones.find(m_desc.waveIn[stream.device].id)
                         : m_ownMicrophones.end();
    const CMicrophone& microphone = own != m_ownMicrophones.end() ? *own->second : *m_microphone;
    const double gain = own != m_ownMicrophones.end() ? 1.0 : InputGainLocked();
    while (!stream.queue.empty()) {
        WAVEHDR* header = stream.queue.front();
        const std::size_t filled = std::min(header->dwBytesRecorded, header->dwBufferLength);
        const std::size_t room = (header->dwBufferLength - filled) / block * block;
        const std::size_t available = std::size_t(stream.credit / 1000) / block * block;
        const std::size_t take = std::min(room, available);
        if (room > 0 && take == 0)
            break;
        auto* to = reinterpret_cast<std::uint8_t*>(header->lpData) + filled;
        microphone.Fill(stream.format, stream.frames, to, take / block, gain);
        stream.frames += take / block;
        stream.credit -= std::uint64_t(take) * 1000;
        header->dwBytesRecorded = DWORD(filled + take);
        if (take == room) { // full (a tail shorter than a frame stays unused)
            stream.queue.pop_front();
            CompleteLocked(stream, header);
        }
    }
    if (stream.queue.empty())
        stream.credit = 0; // no buffer: the sound is lost, as on a real card
}

} // namespace plat
