// The shared device backend's wave-out and wave-in calls.
#include "platform/device/DeviceBackend.h"
#include "platform/fixed_name.h"
#include "platform/wave_header.h"

#include <algorithm>
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

std::size_t CDeviceBackend::MapperIndex(const std::vector<WaveEndpoint>& list, bool input) {
    std::string chosen;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        chosen = m_chosen[input ? 1 : 0];
    }
    for (std::size_t i = 0; i < list.size(); ++i)
        if (!chosen.empty() && list[i].name == chosen)
            return i;
    return 0;
}

std::vector<SoundDevice> CDeviceBackend::ListDevices() {
    std::vector<SoundDevice> devices;
    for (bool input : {false, true}) {
        const std::vector<WaveEndpoint> list = Endpoints(input);
        const std::size_t mapper = MapperIndex(list, input);
        for (std::size_t i = 0; i < list.size(); ++i) {
            SoundDevice d;
            d.id = list[i].name;
            d.description = list[i].displayName;
            d.direction = input ? DeviceDirection::Input : DeviceDirection::Output;
            d.formFactor = list[i].formFactor;
            d.isDefault = i == mapper;
            devices.push_back(std::move(d));
        }
    }
    return devices;
}

bool CDeviceBackend::ChooseDevice(DeviceDirection direction, const std::string& id,
                                  std::string& error) {
    const bool input = direction == DeviceDirection::Input;
    const std::vector<WaveEndpoint> list = Endpoints(input);
    if (std::none_of(list.begin(), list.end(),
                     [&](const WaveEndpoint& e) { return e.name == id; })) {
        error = "the " + Name() + " sound backend has no " + (input ? "input" : "output") +
                " device \"" + id + "\"";
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_chosen[input ? 1 : 0] = id;
    }
    DevicesChanged();
    return true;
}

std::optional<WaveEndpoint> CDeviceBackend::Endpoint(UINT deviceId, bool input, std::size_t& index,
                                                     MMRESULT& result) {
    std::vector<WaveEndpoint> list = Endpoints(input);
    if (list.empty()) {
        result = MMSYSERR_NODRIVER;
        return std::nullopt;
    }
    index = deviceId == WAVE_MAPPER ? MapperIndex(list, input) : deviceId;
    if (index >= list.size()) {
        result = MMSYSERR_BADDEVICEID;
        return std::nullopt;
    }
    return std::move(list[index]);
}

DWORD CDeviceBackend::FormatBits(const WaveEndpoint& endpoint, bool input) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_formatBits.find({endpoint.name, input});
        if (it != m_formatBits.end())
            return it->second;
    }
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
                if (QueryFormat(endpoint, input, f) == 0)
                    bits |= bit;
                bit <<= 1;
            }
    // A busy device answers nothing now; ask again next time.
    if (bits) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_formatBits[{endpoint.name, input}] = bits;
    }
    return bits;
}

// ---- shared by wave-out and wave-in -------------------------------------------

template <class Device>
std::shared_ptr<Device> CDeviceBackend::Find(const OpenDevices<Device>& devices, const void* h) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = devices.find(h);
    return it == devices.end() ? nullptr : it->second;
}

template <class Caps>
MMRESULT CDeviceBackend::GetCaps(UINT_PTR deviceId, bool input, Caps* caps, UINT cb) {
    if (!caps || cb != sizeof(Caps))
        return MMSYSERR_INVALPARAM;
    MMRESULT result = MMSYSERR_NOERROR;
    std::size_t index = 0;
    const auto endpoint = Endpoint(static_cast<UINT>(deviceId), input, index, result);
    if (!endpoint)
        return result;
    std::memset(caps, 0, sizeof *caps);
    caps->vDriverVersion = 0x0100;
    CopyName(caps->szPname, endpoint->displayName);
    caps->dwFormats = FormatBits(*endpoint, input);
    caps->wChannels = 2;
    return MMSYSERR_NOERROR;
}

template <class Device, class Handle>
MMRESULT CDeviceBackend::Open(OpenDevices<Device>& devices, bool input, Handle* handle,
                              UINT deviceId, LPCWAVEFORMATEX format, DWORD_PTR callback,
                              DWORD_PTR instance, DWORD flags) {
    using Proc = void (*)(Handle, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR);
    if (MMRESULT r = CheckWaveFormat(format))
        return r;
    if (MMRESULT r = CheckCallback(flags))
        return r;
    MMRESULT result = MMSYSERR_NOERROR;
    std::size_t index = 0;
    const auto endpoint = Endpoint(deviceId, input, index, result);
    if (!endpoint)
        return result;
    if (flags & WAVE_FORMAT_QUERY) {
        const int answer = QueryFormat(*endpoint, input, *format);
        return answer == 0  ? MMSYSERR_NOERROR
               : answer > 0 ? WAVERR_BADFORMAT
                            : Fail(answer, endpoint->name, input);
    }
    if (!handle)
        return MMSYSERR_INVALPARAM;
    *handle = nullptr;
    const auto proc = (flags & CALLBACK_TYPEMASK) == CALLBACK_FUNCTION
                          ? reinterpret_cast<Proc>(callback)
                          : nullptr;
    std::unique_ptr<CPcmChannel> channel;
    const int answer = OpenChannel(*endpoint, input, *format, channel);
    if (answer != 0)
        return answer > 0 ? WAVERR_BADFORMAT : Fail(answer, endpoint->name, input);
    std::shared_ptr<Device> device = Device::Create(std::move(channel), *format, proc, instance);
    std::lock_guard<std::mutex> lock(m_mutex);
    *handle = device->Handle();
    m_deviceNames[device.get()] = endpoint->name;
    devices[device.get()] = std::move(device);
    return MMSYSERR_NOERROR;
}

template <class Device>
MMRESULT CDeviceBackend::Close(OpenDevices<Device>& devices, const void* h) {
    auto device = Find(devices, h);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (MMRESULT r = device->Close())
        return r;
    std::lock_guard<std::mutex> lock(m_mutex);
    devices.erase(h);
    m_deviceNames.erase(h);
    return MMSYSERR_NOERROR;
}

template <class Device>
void CDeviceBackend::KeepFailure(Device& device, MMRESULT code, bool input, const void* h) {
    if (code != Device::kFailed)
        return;
    const std::string words = device.FailureWords();
    if (words.empty())
        return;
    std::string name;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_deviceNames.find(h);
        if (it != m_deviceNames.end())
            name = it->second;
    }
    Keep(code, input, name + ": " + words);
}

template <class Device>
MMRESULT CDeviceBackend::Queue(OpenDevices<Device>& devices, bool input, const void* h,
                               LPWAVEHDR header, UINT cb, MMRESULT (Device::*queue)(WAVEHDR*)) {
    auto device = Find(devices, h);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (MMRESULT r = CheckHeader(header, cb))
        return r;
    const MMRESULT r = (*device.*queue)(header);
    if (r != MMSYSERR_NOERROR)
        KeepFailure(*device, r, input, h);
    return r;
}

template <class Device>
MMRESULT CDeviceBackend::OnWave(OpenDevices<Device>& devices, bool input, const void* h,
                                MMRESULT (Device::*call)()) {
    auto device = Find(devices, h);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    const MMRESULT r = (*device.*call)();
    if (r != MMSYSERR_NOERROR)
        KeepFailure(*device, r, input, h);
    return r;
}

// ---- wave-out -----------------------------------------------------------------

UINT CDeviceBackend::waveOutGetNumDevs() {
    return static_cast<UINT>(Endpoints(false).size());
}

MMRESULT CDeviceBackend::waveOutGetDevCaps(UINT_PTR uDeviceID, WAVEOUTCAPSA* pwoc, UINT cbwoc) {
    return GetCaps(uDeviceID, false, pwoc, cbwoc);
}

MMRESULT CDeviceBackend::waveOutOpen(LPHWAVEOUT phwo, UINT uDeviceID, LPCWAVEFORMATEX pwfx,
                                     DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen) {
    return Open(m_waveOuts, false, phwo, uDeviceID, pwfx, dwCallback, dwInstance, fdwOpen);
}

MMRESULT CDeviceBackend::waveOutClose(HWAVEOUT hwo) {
    return Close(m_waveOuts, hwo);
}

MMRESULT CDeviceBackend::waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    return Find(m_waveOuts, hwo) ? Prepare(pwh, cbwh) : MMSYSERR_INVALHANDLE;
}

MMRESULT CDeviceBackend::waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    return Find(m_waveOuts, hwo) ? Unprepare(pwh, cbwh) : MMSYSERR_INVALHANDLE;
}

MMRESULT CDeviceBackend::waveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    return Queue(m_waveOuts, false, hwo, pwh, cbwh, &CPcmWaveOut::Write);
}

MMRESULT CDeviceBackend::waveOutPause(HWAVEOUT hwo) {
    return OnWave(m_waveOuts, false, hwo, &CPcmWaveOut::Pause);
}

MMRESULT CDeviceBackend::waveOutRestart(HWAVEOUT hwo) {
    return OnWave(m_waveOuts, false, hwo, &CPcmWaveOut::Restart);
}

MMRESULT CDeviceBackend::waveOutReset(HWAVEOUT hwo) {
    return OnWave(m_waveOuts, false, hwo, &CPcmWaveOut::Reset);
}

// ---- wave-in ------------------------------------------------------------------

UINT CDeviceBackend::waveInGetNumDevs() {
    return static_cast<UINT>(Endpoints(true).size());
}

MMRESULT CDeviceBackend::waveInGetDevCaps(UINT_PTR uDeviceID, WAVEINCAPSA* pwic, UINT cbwic) {
    return GetCaps(uDeviceID, true, pwic, cbwic);
}

MMRESULT CDeviceBackend::waveInOpen(LPHWAVEIN phwi, UINT uDeviceID, LPCWAVEFORMATEX pwfx,
                                    DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen) {
    return Open(m_waveIns, true, phwi, uDeviceID, pwfx, dwCallback, dwInstance, fdwOpen);
}

MMRESULT CDeviceBackend::waveInClose(HWAVEIN hwi) {
    return Close(m_waveIns, hwi);
}

MMRESULT CDeviceBackend::waveInPrepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
    return Find(m_waveIns, hwi) ? Prepare(pwh, cbwh) : MMSYSERR_INVALHANDLE;
}

MMRESULT CDeviceBackend::waveInUnprepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
    return Find(m_waveIns, hwi) ? Unprepare(pwh, cbwh) : MMSYSERR_INVALHANDLE;
}

MMRESULT CDeviceBackend::waveInAddBuffer(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
    return Queue(m_waveIns, true, hwi, pwh, cbwh, &CPcmWaveIn::AddBuffer);
}

MMRESULT CDeviceBackend::waveInStart(HWAVEIN hwi) {
    return OnWave(m_waveIns, true, hwi, &CPcmWaveIn::Start);
}

MMRESULT CDeviceBackend::waveInStop(HWAVEIN hwi) {
    return OnWave(m_waveIns, true, hwi, &CPcmWaveIn::Stop);
}

MMRESULT CDeviceBackend::waveInReset(HWAVEIN hwi) {
    return OnWave(m_waveIns, true, hwi, &CPcmWaveIn::Reset);
}

} // namespace plat
