#include "platform/win32/winmm_backend.h"

#include "platform/win32/winmm_calls.h"
#include "platform/win32/winmm_notify.h"
#include "platform/win32/winmm_records.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace plat {

namespace {

using namespace win32;

static_assert(sizeof(MIXERCAPSA) == kMixerCapsBytes);
static_assert(sizeof(MIXERCONTROLA) == kMixerControlBytes);
static_assert(sizeof(MIXERCONTROLDETAILS_LISTTEXTA) == kMixerListTextBytes);
static_assert(sizeof(WAVEHDR) == kWaveHeaderBytes);
static_assert(sizeof(WAVEOUTCAPSA) == kWaveOutCapsBytes);
static_assert(sizeof(WAVEINCAPSA) == kWaveInCapsBytes);
static_assert(sizeof(MIXERLINEA{}.szName) == sizeof(WinMixerLine{}.szName));
static_assert(sizeof(MIXERLINEA{}.Target.szPname) == sizeof(WinMixerLine{}.Target.szPname));

void* Object(HMIXEROBJ object) {
    return static_cast<void*>(object);
}

// A record size the caller gave, checked as the system checks its own.
bool SizeIs(DWORD given, std::size_t ours) {
    return given == ours;
}

WinMixerLine ToSystem(const MIXERLINEA& line) {
    WinMixerLine out{};
    out.cbStruct = sizeof(WinMixerLine);
    out.dwDestination = line.dwDestination;
    out.dwSource = line.dwSource;
    out.dwLineID = line.dwLineID;
    out.fdwLine = line.fdwLine;
    out.dwUser = line.dwUser;
    out.dwComponentType = line.dwComponentType;
    out.cChannels = line.cChannels;
    out.cConnections = line.cConnections;
    out.cControls = line.cControls;
    std::memcpy(out.szShortName, line.szShortName, sizeof out.szShortName);
    std::memcpy(out.szName, line.szName, sizeof out.szName);
    out.Target.dwType = line.Target.dwType;
    out.Target.dwDeviceID = line.Target.dwDeviceID;
    out.Target.wMid = line.Target.wMid;
    out.Target.wPid = line.Target.wPid;
    out.Target.vDriverVersion = line.Target.vDriverVersion;
    std::memcpy(out.Target.szPname, line.Target.szPname, sizeof out.Target.szPname);
    return out;
}

void FromSystem(const WinMixerLine& line, MIXERLINEA& out) {
    out.dwDestination = line.dwDestination;
    out.dwSource = line.dwSource;
    out.dwLineID = line.dwLineID;
    out.fdwLine = line.fdwLine;
    out.dwUser = line.dwUser;
    out.dwComponentType = line.dwComponentType;
    out.cChannels = line.cChannels;
    out.cConnections = line.cConnections;
    out.cControls = line.cControls;
    std::memcpy(out.szShortName, line.szShortName, sizeof out.szShortName);
    std::memcpy(out.szName, line.szName, sizeof out.szName);
    out.Target.dwType = line.Target.dwType;
    out.Target.dwDeviceID = line.Target.dwDeviceID;
    out.Target.wMid = line.Target.wMid;
    out.Target.wPid = line.Target.wPid;
    out.Target.vDriverVersion = line.Target.vDriverVersion;
    std::memcpy(out.Target.szPname, line.Target.szPname, sizeof out.Target.szPname);
}

WinMixerControlDetails ToSystem(const MIXERCONTROLDETAILS& details) {
    WinMixerControlDetails out{};
    out.cbStruct = sizeof(WinMixerControlDetails);
    out.dwControlID = details.dwControlID;
    out.cChannels = details.cChannels;
    out.cMultipleItems = details.cMultipleItems;
    out.cbDetails = details.cbDetails;
    out.paDetails = details.paDetails;
    return out;
}

// A wave format in the system's layout: the 18 bytes of WAVEFORMATEX and the
// cbSize extra bytes, which our record keeps after its padding.
std::vector<unsigned char> SystemFormat(LPCWAVEFORMATEX format) {
    std::vector<unsigned char> out(kWaveFormatBytes + format->cbSize);
    const auto put = [&](std::size_t at, const void* field, std::size_t size) {
        std::memcpy(out.data() + at, field, size);
    };
    put(0, &format->wFormatTag, 2);
    put(2, &format->nChannels, 2);
    put(4, &format->nSamplesPerSec, 4);
    put(8, &format->nAvgBytesPerSec, 4);
    put(12, &format->nBlockAlign, 2);
    put(14, &format->wBitsPerSample, 2);
    put(16, &format->cbSize, 2);
    if (format->cbSize > 0)
        std::memcpy(out.data() + kWaveFormatBytes,
                    reinterpret_cast<const unsigned char*>(format) + sizeof(WAVEFORMATEX),
                    format->cbSize);
    return out;
}

class CWinmmBackend final : public SoundBackend {
public:
    std::string Name() const override { return "winmm"; }

    // The wave devices by their capabilities (SoundBackend's list), the
    // chosen one of each direction the default.
    std::vector<SoundDevice> ListDevices() override {
        std::vector<SoundDevice> list = SoundBackend::ListDevices();
        for (DeviceDirection direction : {DeviceDirection::Output, DeviceDirection::Input}) {
            const std::string chosen = Chosen(direction);
            const bool present = std::any_of(list.begin(), list.end(), [&](const SoundDevice& d) {
                return d.direction == direction && d.id == chosen;
            });
            if (present)
                for (SoundDevice& d : list)
                    if (d.direction == direction)
                        d.isDefault = d.id == chosen;
        }
        return list;
    }
    // WAVE_MAPPER opens the chosen device while it is there.
    bool ChooseDevice(DeviceDirection direction, const std::string& id,
                      std::string& error) override {
        if (DeviceNumber(direction, id) < 0) {
            error = std::string("Windows has no ") +
                    (direction == DeviceDirection::Input ? "input" : "output") + " device \"" + id +
                    "\"";
            return false;
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_chosen[direction == DeviceDirection::Input ? 1 : 0] = id;
        }
        DevicesChanged();
        return true;
    }

    UINT mixerGetNumDevs() override { return WinMixerGetNumDevs(); }
    MMRESULT mixerOpen(LPHMIXER phmx, UINT uMxId, DWORD_PTR dwCallback, DWORD_PTR dwInstance,
                       DWORD fdwOpen) override {
        return WinMixerOpen(reinterpret_cast<void**>(phmx), uMxId, dwCallback, dwInstance, fdwOpen);
    }
    MMRESULT mixerClose(HMIXER hmx) override { return WinMixerClose(hmx); }
    MMRESULT mixerGetDevCaps(UINT_PTR uMxId, MIXERCAPSA* pmxcaps, UINT cbmxcaps) override {
        return WinMixerGetDevCaps(uMxId, pmxcaps, cbmxcaps);
    }
    MMRESULT mixerGetLineInfo(HMIXEROBJ hmxobj, MIXERLINEA* pmxl, DWORD fdwInfo) override {
        if (pmxl == nullptr)
            return WinMixerGetLineInfo(Object(hmxobj), nullptr, fdwInfo);
        if (!SizeIs(pmxl->cbStruct, sizeof(MIXERLINEA)))
            return MMSYSERR_INVALPARAM;
        WinMixerLine line = ToSystem(*pmxl);
        const MMRESULT result = WinMixerGetLineInfo(Object(hmxobj), &line, fdwInfo);
        if (result == MMSYSERR_NOERROR)
            FromSystem(line, *pmxl);
        return result;
    }
    MMRESULT mixerGetLineControls(HMIXEROBJ hmxobj, MIXERLINECONTROLSA* pmxlc,
                                  DWORD fdwControls) override {
        if (pmxlc == nullptr)
            return WinMixerGetLineControls(Object(hmxobj), nullptr, fdwControls);
        if (!SizeIs(pmxlc->cbStruct, sizeof(MIXERLINECONTROLSA)))
            return MMSYSERR_INVALPARAM;
        WinMixerLineControls controls{};
        controls.cbStruct = sizeof controls;
        controls.dwLineID = pmxlc->dwLineID;
        controls.dwControlIDOrType = pmxlc->dwControlID;
        controls.cControls = pmxlc->cControls;
        controls.cbmxctrl = pmxlc->cbmxctrl;
        controls.pamxctrl = pmxlc->pamxctrl; // MIXERCONTROLA passes through
        const MMRESULT result = WinMixerGetLineControls(Object(hmxobj), &controls, fdwControls);
        if (result == MMSYSERR_NOERROR) {
            pmxlc->dwLineID = controls.dwLineID;
            pmxlc->dwControlID = controls.dwControlIDOrType;
        }
        return result;
    }
    MMRESULT mixerGetControlDetails(HMIXEROBJ hmxobj, MIXERCONTROLDETAILS* pmxcd,
                                    DWORD fdwDetails) override {
        return Details(hmxobj, pmxcd, fdwDetails, WinMixerGetControlDetails);
    }
    MMRESULT mixerSetControlDetails(HMIXEROBJ hmxobj, MIXERCONTROLDETAILS* pmxcd,
                                    DWORD fdwDetails) override {
        return Details(hmxobj, pmxcd, fdwDetails, WinMixerSetControlDetails);
    }

    UINT waveOutGetNumDevs() override { return WinWaveOutGetNumDevs(); }
    MMRESULT waveOutGetDevCaps(UINT_PTR uDeviceID, WAVEOUTCAPSA* pwoc, UINT cbwoc) override {
        return WinWaveOutGetDevCaps(uDeviceID, pwoc, cbwoc);
    }
    MMRESULT waveOutOpen(LPHWAVEOUT phwo, UINT uDeviceID, LPCWAVEFORMATEX pwfx,
                         DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen) override {
        return Open(false, reinterpret_cast<void**>(phwo), Mapped(false, uDeviceID), pwfx,
                    dwCallback, dwInstance, fdwOpen);
    }
    MMRESULT waveOutClose(HWAVEOUT hwo) override { return Closed(hwo, WinWaveOutClose(hwo)); }
    MMRESULT waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) override {
        return WinWaveOutPrepareHeader(hwo, pwh, cbwh);
    }
    MMRESULT waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) override {
        return WinWaveOutUnprepareHeader(hwo, pwh, cbwh);
    }
    MMRESULT waveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) override {
        return WinWaveOutWrite(hwo, pwh, cbwh);
    }
    MMRESULT waveOutPause(HWAVEOUT hwo) override { return WinWaveOutPause(hwo); }
    MMRESULT waveOutRestart(HWAVEOUT hwo) override { return WinWaveOutRestart(hwo); }
    MMRESULT waveOutReset(HWAVEOUT hwo) override { return Delivered(WinWaveOutReset(hwo)); }

    UINT waveInGetNumDevs() override { return WinWaveInGetNumDevs(); }
    MMRESULT waveInGetDevCaps(UINT_PTR uDeviceID, WAVEINCAPSA* pwic, UINT cbwic) override {
        return WinWaveInGetDevCaps(uDeviceID, pwic, cbwic);
    }
    MMRESULT waveInOpen(LPHWAVEIN phwi, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback,
                        DWORD_PTR dwInstance, DWORD fdwOpen) override {
        return Open(true, reinterpret_cast<void**>(phwi), Mapped(true, uDeviceID), pwfx, dwCallback,
                    dwInstance, fdwOpen);
    }
    MMRESULT waveInClose(HWAVEIN hwi) override { return Closed(hwi, WinWaveInClose(hwi)); }
    MMRESULT waveInPrepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) override {
        return WinWaveInPrepareHeader(hwi, pwh, cbwh);
    }
    MMRESULT waveInUnprepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) override {
        return WinWaveInUnprepareHeader(hwi, pwh, cbwh);
    }
    MMRESULT waveInAddBuffer(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) override {
        return WinWaveInAddBuffer(hwi, pwh, cbwh);
    }
    MMRESULT waveInStart(HWAVEIN hwi) override { return WinWaveInStart(hwi); }
    MMRESULT waveInStop(HWAVEIN hwi) override { return Delivered(WinWaveInStop(hwi)); }
    MMRESULT waveInReset(HWAVEIN hwi) override { return Delivered(WinWaveInReset(hwi)); }

    bool GetErrorText(MMRESULT code, bool input, std::string& text) override {
        char buffer[MAXERRORLENGTH] = {};
        const MMRESULT result = input ? WinWaveInGetErrorText(code, buffer, sizeof buffer)
                                      : WinWaveOutGetErrorText(code, buffer, sizeof buffer);
        if (result != MMSYSERR_NOERROR)
            return false;
        text = buffer;
        return true;
    }

private:
    std::string Chosen(DeviceDirection direction) {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_chosen[direction == DeviceDirection::Input ? 1 : 0];
    }
    // The number of the device `id` now, -1 when it is not there.
    int DeviceNumber(DeviceDirection direction, const std::string& id) {
        int number = 0;
        for (const SoundDevice& d : SoundBackend::ListDevices()) {
            if (d.direction != direction)
                continue;
            if (d.id == id)
                return number;
            ++number;
        }
        return -1;
    }
    // WAVE_MAPPER as the chosen device's number while it is there.
    UINT Mapped(bool input, UINT id) {
        if (id != WAVE_MAPPER)
            return id;
        const DeviceDirection direction = input ? DeviceDirection::Input : DeviceDirection::Output;
        const std::string chosen = Chosen(direction);
        const int number = chosen.empty() ? -1 : DeviceNumber(direction, chosen);
        return number < 0 ? id : static_cast<UINT>(number);
    }

    std::mutex m_mutex;
    std::string m_chosen[2]; // output, input: the ids ChooseDevice chose

    // An open with the format in the system's layout and the procedure
    // served from the notify thread.
    static MMRESULT Open(bool input, void** device, UINT id, LPCWAVEFORMATEX pwfx,
                         DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
        const std::vector<unsigned char> format =
            pwfx != nullptr ? SystemFormat(pwfx) : std::vector<unsigned char>();
        return OpenNotified(input, device, id, pwfx != nullptr ? format.data() : nullptr, callback,
                            instance, flags);
    }
    // A reset, stop or close returns after the buffers it gave back were
    // reported to the device's procedure, as with the system's own callback.
    static MMRESULT Delivered(MMRESULT result) {
        DeliverPendingNotifications();
        return result;
    }
    static MMRESULT Closed(void* device, MMRESULT result) {
        DeliverPendingNotifications();
        if (result == MMSYSERR_NOERROR)
            ForgetNotified(device);
        return result;
    }

    using DetailsCall = unsigned (*)(void*, void*, std::uint32_t);

    static MMRESULT Details(HMIXEROBJ object, MIXERCONTROLDETAILS* details, DWORD flags,
                            DetailsCall call) {
        if (details == nullptr)
            return call(Object(object), nullptr, flags);
        if (!SizeIs(details->cbStruct, sizeof(MIXERCONTROLDETAILS)))
            return MMSYSERR_INVALPARAM;
        // The value and list-text records behind paDetails pass through.
        WinMixerControlDetails system = ToSystem(*details);
        return call(Object(object), &system, flags);
    }
};

} // namespace

std::shared_ptr<SoundBackend> OpenWinmmBackend(std::string& error) {
    if (WinWaveOutGetNumDevs() == 0 && WinWaveInGetNumDevs() == 0) {
        error = "the system has no wave-out or wave-in device";
        return nullptr;
    }
    return std::make_shared<CWinmmBackend>();
}

bool IsWinmmBackend(const SoundBackend& backend) {
    return dynamic_cast<const CWinmmBackend*>(&backend) != nullptr;
}

} // namespace plat
