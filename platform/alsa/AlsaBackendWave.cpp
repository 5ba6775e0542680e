// The ALSA backend's wave-out and wave-in calls.
#include "platform/alsa/AlsaBackend.h"
#include "platform/alsa/WaveHeader.h"

#include <cstring>

namespace plat {

namespace {

template <std::size_t N> void CopyName(char (&to)[N], const std::string& from) {
    std::memset(to, 0, N);
    std::memcpy(to, from.data(), std::min(from.size(), N - 1));
}

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

// ---- wave-out -----------------------------------------------------------------

UINT CAlsaBackend::waveOutGetNumDevs() {
    return static_cast<UINT>(m_outs.size());
}

MMRESULT CAlsaBackend::waveOutGetDevCaps(UINT_PTR uDeviceID, WAVEOUTCAPSA* pwoc, UINT cbwoc) {
    if (!pwoc || cbwoc != sizeof(WAVEOUTCAPSA))
        return MMSYSERR_INVALPARAM;
    MMRESULT result = MMSYSERR_NOERROR;
    const auto index = PcmIndex(static_cast<UINT>(uDeviceID), false, result);
    if (!index)
        return result;
    std::memset(pwoc, 0, sizeof *pwoc);
    pwoc->vDriverVersion = 0x0100;
    CopyName(pwoc->szPname, m_outs[*index].displayName);
    pwoc->dwFormats = FormatBits(*index, false);
    pwoc->wChannels = 2;
    return MMSYSERR_NOERROR;
}

std::shared_ptr<CAlsaWaveOut> CAlsaBackend::WaveOut(HWAVEOUT h) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_waveOuts.find(h);
    return it == m_waveOuts.end() ? nullptr : it->second;
}

MMRESULT CAlsaBackend::waveOutOpen(LPHWAVEOUT phwo, UINT uDeviceID, LPCWAVEFORMATEX pwfx,
                                   DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen) {
    if (MMRESULT r = CheckWaveFormat(pwfx))
        return r;
    if (MMRESULT r = CheckCallback(fdwOpen))
        return r;
    MMRESULT result = MMSYSERR_NOERROR;
    const auto index = PcmIndex(uDeviceID, false, result);
    if (!index)
        return result;
    const std::string& name = m_outs[*index].pcmName;
    if (fdwOpen & WAVE_FORMAT_QUERY) {
        const int answer = QueryPcmFormat(name, SND_PCM_STREAM_PLAYBACK, *pwfx);
        return answer == 0  ? MMSYSERR_NOERROR
               : answer > 0 ? WAVERR_BADFORMAT
                            : Fail(answer, name, false);
    }
    if (!phwo)
        return MMSYSERR_INVALPARAM;
    *phwo = nullptr;
    const auto callback = (fdwOpen & CALLBACK_TYPEMASK) == CALLBACK_FUNCTION
                              ? reinterpret_cast<WAVEOUTPROC>(dwCallback)
                              : nullptr;
    std::shared_ptr<CAlsaWaveOut> device;
    const int answer = CAlsaWaveOut::Open(name, *pwfx, callback, dwInstance, device);
    if (answer != 0)
        return answer > 0 ? WAVERR_BADFORMAT : Fail(answer, name, false);
    std::lock_guard<std::mutex> lock(m_mutex);
    *phwo = device->Handle();
    m_waveOuts[device.get()] = std::move(device);
    return MMSYSERR_NOERROR;
}

MMRESULT CAlsaBackend::waveOutClose(HWAVEOUT hwo) {
    auto device = WaveOut(hwo);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (MMRESULT r = device->Close())
        return r;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_waveOuts.erase(hwo);
    return MMSYSERR_NOERROR;
}

MMRESULT CAlsaBackend::waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    return WaveOut(hwo) ? Prepare(pwh, cbwh) : MMSYSERR_INVALHANDLE;
}

MMRESULT CAlsaBackend::waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    return WaveOut(hwo) ? Unprepare(pwh, cbwh) : MMSYSERR_INVALHANDLE;
}

MMRESULT CAlsaBackend::waveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    auto device = WaveOut(hwo);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (MMRESULT r = CheckHeader(pwh, cbwh))
        return r;
    return device->Write(pwh);
}

MMRESULT CAlsaBackend::waveOutPause(HWAVEOUT hwo) {
    auto device = WaveOut(hwo);
    return device ? device->Pause() : MMSYSERR_INVALHANDLE;
}

MMRESULT CAlsaBackend::waveOutRestart(HWAVEOUT hwo) {
    auto device = WaveOut(hwo);
    return device ? device->Restart() : MMSYSERR_INVALHANDLE;
}

MMRESULT CAlsaBackend::waveOutReset(HWAVEOUT hwo) {
    auto device = WaveOut(hwo);
    return device ? device->Reset() : MMSYSERR_INVALHANDLE;
}

// ---- wave-in ------------------------------------------------------------------

UINT CAlsaBackend::waveInGetNumDevs() {
    return static_cast<UINT>(m_ins.size());
}

MMRESULT CAlsaBackend::waveInGetDevCaps(UINT_PTR uDeviceID, WAVEINCAPSA* pwic, UINT cbwic) {
    if (!pwic || cbwic != sizeof(WAVEINCAPSA))
        return MMSYSERR_INVALPARAM;
    MMRESULT result = MMSYSERR_NOERROR;
    const auto index = PcmIndex(static_cast<UINT>(uDeviceID), true, result);
    if (!index)
        return result;
    std::memset(pwic, 0, sizeof *pwic);
    pwic->vDriverVersion = 0x0100;
    CopyName(pwic->szPname, m_ins[*index].displayName);
    pwic->dwFormats = FormatBits(*index, true);
    pwic->wChannels = 2;
    return MMSYSERR_NOERROR;
}

std::shared_ptr<CAlsaWaveIn> CAlsaBackend::WaveIn(HWAVEIN h) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_waveIns.find(h);
    return it == m_waveIns.end() ? nullptr : it->second;
}

MMRESULT CAlsaBackend::waveInOpen(LPHWAVEIN phwi, UINT uDeviceID, LPCWAVEFORMATEX pwfx,
                                  DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen) {
    if (MMRESULT r = CheckWaveFormat(pwfx))
        return r;
    if (MMRESULT r = CheckCallback(fdwOpen))
        return r;
    MMRESULT result = MMSYSERR_NOERROR;
    const auto index = PcmIndex(uDeviceID, true, result);
    if (!index)
        return result;
    const std::string& name = m_ins[*index].pcmName;
    if (fdwOpen & WAVE_FORMAT_QUERY) {
        const int answer = QueryPcmFormat(name, SND_PCM_STREAM_CAPTURE, *pwfx);
        return answer == 0  ? MMSYSERR_NOERROR
               : answer > 0 ? WAVERR_BADFORMAT
                            : Fail(answer, name, true);
    }
    if (!phwi)
        return MMSYSERR_INVALPARAM;
    *phwi = nullptr;
    const auto callback = (fdwOpen & CALLBACK_TYPEMASK) == CALLBACK_FUNCTION
                              ? reinterpret_cast<WAVEINPROC>(dwCallback)
                              : nullptr;
    std::shared_ptr<CAlsaWaveIn> device;
    const int answer = CAlsaWaveIn::Open(name, *pwfx, callback, dwInstance, device);
    if (answer != 0)
        return answer > 0 ? WAVERR_BADFORMAT : Fail(answer, name, true);
    std::lock_guard<std::mutex> lock(m_mutex);
    *phwi = device->Handle();
    m_waveIns[device.get()] = std::move(device);
    return MMSYSERR_NOERROR;
}

MMRESULT CAlsaBackend::waveInClose(HWAVEIN hwi) {
    auto device = WaveIn(hwi);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (MMRESULT r = device->Close())
        return r;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_waveIns.erase(hwi);
    return MMSYSERR_NOERROR;
}

MMRESULT CAlsaBackend::waveInPrepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
    return WaveIn(hwi) ? Prepare(pwh, cbwh) : MMSYSERR_INVALHANDLE;
}

MMRESULT CAlsaBackend::waveInUnprepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
    return WaveIn(hwi) ? Unprepare(pwh, cbwh) : MMSYSERR_INVALHANDLE;
}

MMRESULT CAlsaBackend::waveInAddBuffer(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
    auto device = WaveIn(hwi);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (MMRESULT r = CheckHeader(pwh, cbwh))
        return r;
    return device->AddBuffer(pwh);
}

MMRESULT CAlsaBackend::waveInStart(HWAVEIN hwi) {
    auto device = WaveIn(hwi);
    return device ? device->Start() : MMSYSERR_INVALHANDLE;
}

MMRESULT CAlsaBackend::waveInStop(HWAVEIN hwi) {
    auto device = WaveIn(hwi);
    return device ? device->Stop() : MMSYSERR_INVALHANDLE;
}

MMRESULT CAlsaBackend::waveInReset(HWAVEIN hwi) {
    auto device = WaveIn(hwi);
    return device ? device->Reset() : MMSYSERR_INVALHANDLE;
}

} // namespace plat
