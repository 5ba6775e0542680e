// The ALSA backend's wave-out and wave-in calls.
#include "platform/alsa/AlsaBackend.h"
#include "platform/fixed_name.h"
#include "platform/wave_header.h"

#include <cstring>

namespace plat {

namespace {

MMRESULT CheckCallback(DWORD fdwOpen) {
    const DWORD type = fdwOpen & CALLBACK_TYPEMASK;
    return type == CALLBACK_NULL || type == CALLBACK_FUNCTION ? MMSYSERR_NOERROR
                                                              : MMSYSERR_INVALFLAG;
}

MMRESULT Prepare(WAVEHDR* h, UINT cb) {
    if (MMRESULT r = CheckHeader(h, cb))
        return r;
    SetHeaderFlags(h, WHDR_PREPARED, 0);
    return MMSYSERR_NOERROR;
}

MMRESULT Unprepare(WAVEHDR* h, UINT cb) {
    if (MMRESULT r = CheckHeader(h, cb))
        return r;
    if (HeaderFlags(h) & WHDR_INQUEUE)
        return WAVERR_STILLPLAYING;
    SetHeaderFlags(h, 0, WHDR_PREPARED);
    return MMSYSERR_NOERROR;
}

} // namespace

std::optional<std::size_t> CAlsaBackend::PcmIndex(UINT deviceId, bool input,
                                                  MMRESULT& result) const {
    const auto& list = input ? m_ins : m_outs;
    if (list.empty()) {
        result = MMSYSERR_NODRIVER;
        return std::nullopt;
    }
    if (deviceId == WAVE_MAPPER)
        return 0;
    if (deviceId >= list.size()) {
        result = MMSYSERR_BADDEVICEID;
        return std::nullopt;
    }
    return deviceId;
}

DWORD CAlsaBackend::FormatBits(std::size_t index, bool input) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_formatBits.find({index, input});
        if (it != m_formatBits.end())
            return it->second;
    }
    const std::string& name = (input ? m_ins : m_outs)[index].pcmName;
    DWORD bits = 0, bit = WAVE_FORMAT_1M08;
    for (DWORD rate : {11025u, 22050u, 44100u})
        for (WORD bytes : {1, 2})
            for (WORD channels : {1, 2}) {
                WAVEFORMATEX f{WAVE_FORMAT_PCM,
                               channels,
                               rate,
                               rate * channels * bytes,
                               static_cast<WORD>(channels * bytes),
                               static_cast<WORD>(8 * bytes),
                               0};
                if (QueryPcmFormat(name, input ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK,
                                   f) == 0)
                    bits |= bit;
                bit <<= 1;
            }
    // A busy device answers nothing now; ask again next time.
    if (bits) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_formatBits[{index, input}] = bits;
    }
    return bits;
}

// ---- shared by wave-out and wave-in -------------------------------------------

template <class Device>
std::shared_ptr<Device> CAlsaBackend::Find(const OpenDevices<Device>& devices, const void* h) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = devices.find(h);
    return it == devices.end() ? nullptr : it->second;
}

template <class Caps>
MMRESULT CAlsaBackend::GetCaps(UINT_PTR deviceId, bool input, Caps* caps, UINT cb) {
    if (!caps || cb != sizeof(Caps))
        return MMSYSERR_INVALPARAM;
    MMRESULT result = MMSYSERR_NOERROR;
    const auto index = PcmIndex(static_cast<UINT>(deviceId), input, result);
    if (!index)
        return result;
    std::memset(caps, 0, sizeof *caps);
    caps->vDriverVersion = 0x0100;
    CopyName(caps->szPname, (input ? m_ins : m_outs)[*index].displayName);
    caps->dwFormats = FormatBits(*index, input);
    caps->wChannels = 2;
    return MMSYSERR_NOERROR;
}

template <class Device, class Handle>
MMRESULT CAlsaBackend::Open(OpenDevices<Device>& devices, bool input, Handle* handle, UINT deviceId,
                            LPCWAVEFORMATEX format, DWORD_PTR callback, DWORD_PTR instance,
                            DWORD flags) {
    using Proc = void (*)(Handle, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR);
    if (MMRESULT r = CheckWaveFormat(format))
        return r;
    if (MMRESULT r = CheckCallback(flags))
        return r;
    MMRESULT result = MMSYSERR_NOERROR;
    const auto index = PcmIndex(deviceId, input, result);
    if (!index)
        return result;
    const std::string& name = (input ? m_ins : m_outs)[*index].pcmName;
    if (flags & WAVE_FORMAT_QUERY) {
        const int answer =
            QueryPcmFormat(name, input ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK, *format);
        return answer == 0  ? MMSYSERR_NOERROR
               : answer > 0 ? WAVERR_BADFORMAT
                            : Fail(answer, name, input);
    }
    if (!handle)
        return MMSYSERR_INVALPARAM;
    *handle = nullptr;
    const auto proc = (flags & CALLBACK_TYPEMASK) == CALLBACK_FUNCTION
                          ? reinterpret_cast<Proc>(callback)
                          : nullptr;
    std::shared_ptr<Device> device;
    const int answer = Device::Open(name, *format, proc, instance, device);
    if (answer != 0)
        return answer > 0 ? WAVERR_BADFORMAT : Fail(answer, name, input);
    std::lock_guard<std::mutex> lock(m_mutex);
    *handle = device->Handle();
    devices[device.get()] = std::move(device);
    return MMSYSERR_NOERROR;
}

template <class Device> MMRESULT CAlsaBackend::Close(OpenDevices<Device>& devices, const void* h) {
    auto device = Find(devices, h);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (MMRESULT r = device->Close())
        return r;
    std::lock_guard<std::mutex> lock(m_mutex);
    devices.erase(h);
    return MMSYSERR_NOERROR;
}

template <class Device>
MMRESULT CAlsaBackend::Queue(OpenDevices<Device>& devices, const void* h, LPWAVEHDR header, UINT cb,
                             MMRESULT (Device::*queue)(WAVEHDR*)) {
    auto device = Find(devices, h);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (MMRESULT r = CheckHeader(header, cb))
        return r;
    return (*device.*queue)(header);
}

template <class Device>
MMRESULT CAlsaBackend::OnWave(OpenDevices<Device>& devices, const void* h,
                              MMRESULT (Device::*call)()) {
    auto device = Find(devices, h);
    return device ? (*device.*call)() : MMSYSERR_INVALHANDLE;
}

// ---- wave-out -----------------------------------------------------------------

UINT CAlsaBackend::waveOutGetNumDevs() {
    return static_cast<UINT>(m_outs.size());
}

MMRESULT CAlsaBackend::waveOutGetDevCaps(UINT_PTR uDeviceID, WAVEOUTCAPSA* pwoc, UINT cbwoc) {
    return GetCaps(uDeviceID, false, pwoc, cbwoc);
}

MMRESULT CAlsaBackend::waveOutOpen(LPHWAVEOUT phwo, UINT uDeviceID, LPCWAVEFORMATEX pwfx,
                                   DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen) {
    return Open(m_waveOuts, false, phwo, uDeviceID, pwfx, dwCallback, dwInstance, fdwOpen);
}

MMRESULT CAlsaBackend::waveOutClose(HWAVEOUT hwo) {
    return Close(m_waveOuts, hwo);
}

MMRESULT CAlsaBackend::waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    return Find(m_waveOuts, hwo) ? Prepare(pwh, cbwh) : MMSYSERR_INVALHANDLE;
}

MMRESULT CAlsaBackend::waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    return Find(m_waveOuts, hwo) ? Unprepare(pwh, cbwh) : MMSYSERR_INVALHANDLE;
}

MMRESULT CAlsaBackend::waveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    return Queue(m_waveOuts, hwo, pwh, cbwh, &CAlsaWaveOut::Write);
}

MMRESULT CAlsaBackend::waveOutPause(HWAVEOUT hwo) {
    return OnWave(m_waveOuts, hwo, &CAlsaWaveOut::Pause);
}

MMRESULT CAlsaBackend::waveOutRestart(HWAVEOUT hwo) {
    return OnWave(m_waveOuts, hwo, &CAlsaWaveOut::Restart);
}

MMRESULT CAlsaBackend::waveOutReset(HWAVEOUT hwo) {
    return OnWave(m_waveOuts, hwo, &CAlsaWaveOut::Reset);
}

// ---- wave-in ------------------------------------------------------------------

UINT CAlsaBackend::waveInGetNumDevs() {
    return static_cast<UINT>(m_ins.size());
}

MMRESULT CAlsaBackend::waveInGetDevCaps(UINT_PTR uDeviceID, WAVEINCAPSA* pwic, UINT cbwic) {
    return GetCaps(uDeviceID, true, pwic, cbwic);
}

MMRESULT CAlsaBackend::waveInOpen(LPHWAVEIN phwi, UINT uDeviceID, LPCWAVEFORMATEX pwfx,
                                  DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen) {
    return Open(m_waveIns, true, phwi, uDeviceID, pwfx, dwCallback, dwInstance, fdwOpen);
}

MMRESULT CAlsaBackend::waveInClose(HWAVEIN hwi) {
    return Close(m_waveIns, hwi);
}

MMRESULT CAlsaBackend::waveInPrepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
    return Find(m_waveIns, hwi) ? Prepare(pwh, cbwh) : MMSYSERR_INVALHANDLE;
}

MMRESULT CAlsaBackend::waveInUnprepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
    return Find(m_waveIns, hwi) ? Unprepare(pwh, cbwh) : MMSYSERR_INVALHANDLE;
}

MMRESULT CAlsaBackend::waveInAddBuffer(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
    return Queue(m_waveIns, hwi, pwh, cbwh, &CAlsaWaveIn::AddBuffer);
}

MMRESULT CAlsaBackend::waveInStart(HWAVEIN hwi) {
    return OnWave(m_waveIns, hwi, &CAlsaWaveIn::Start);
}

MMRESULT CAlsaBackend::waveInStop(HWAVEIN hwi) {
    return OnWave(m_waveIns, hwi, &CAlsaWaveIn::Stop);
}

MMRESULT CAlsaBackend::waveInReset(HWAVEIN hwi) {
    return OnWave(m_waveIns, hwi, &CAlsaWaveIn::Reset);
}

} // namespace plat
