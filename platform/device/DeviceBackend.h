// What the backends for real sound devices share (ALSA, the sound server):
// the mixer calls answered by CModelMixer, the wave calls answered by
// CPcmWaveOut / CPcmWaveIn on PCM channels, the handles, the format bits and
// the error texts. A backend fills in a few hooks: its mixers, its wave
// endpoints, the format query, opening a channel, and its words for an errno.
#pragma once

#include "platform/device/ModelMixer.h"
#include "platform/device/PcmChannel.h"
#include "platform/device/PcmWaveIn.h"
#include "platform/device/PcmWaveOut.h"
#include "platform/sound_backend.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace plat {

class CDeviceBackend : public SoundBackend {
public:
    ~CDeviceBackend() override;

    UINT mixerGetNumDevs() override;
    MMRESULT mixerOpen(LPHMIXER phmx, UINT uMxId, DWORD_PTR dwCallback, DWORD_PTR dwInstance,
                       DWORD fdwOpen) override;
    MMRESULT mixerClose(HMIXER hmx) override;
    MMRESULT mixerGetDevCaps(UINT_PTR uMxId, MIXERCAPSA* pmxcaps, UINT cbmxcaps) override;
    MMRESULT mixerGetLineInfo(HMIXEROBJ hmxobj, MIXERLINEA* pmxl, DWORD fdwInfo) override;
    MMRESULT mixerGetLineControls(HMIXEROBJ hmxobj, MIXERLINECONTROLSA* pmxlc,
                                  DWORD fdwControls) override;
    MMRESULT mixerGetControlDetails(HMIXEROBJ hmxobj, MIXERCONTROLDETAILS* pmxcd,
                                    DWORD fdwDetails) override;
    MMRESULT mixerSetControlDetails(HMIXEROBJ hmxobj, MIXERCONTROLDETAILS* pmxcd,
                                    DWORD fdwDetails) override;
    MMRESULT mixerGetVolumeCurve(HMIXEROBJ hmxobj, DWORD controlId, VolumeCurve& curve) override;

    UINT waveOutGetNumDevs() override;
    MMRESULT waveOutGetDevCaps(UINT_PTR uDeviceID, WAVEOUTCAPSA* pwoc, UINT cbwoc) override;
    MMRESULT waveOutOpen(LPHWAVEOUT phwo, UINT uDeviceID, LPCWAVEFORMATEX pwfx,
                         DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen) override;
    MMRESULT waveOutClose(HWAVEOUT hwo) override;
    MMRESULT waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) override;
    MMRESULT waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) override;
    MMRESULT waveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) override;
    MMRESULT waveOutPause(HWAVEOUT hwo) override;
    MMRESULT waveOutRestart(HWAVEOUT hwo) override;
    MMRESULT waveOutReset(HWAVEOUT hwo) override;

    UINT waveInGetNumDevs() override;
    MMRESULT waveInGetDevCaps(UINT_PTR uDeviceID, WAVEINCAPSA* pwic, UINT cbwic) override;
    MMRESULT waveInOpen(LPHWAVEIN phwi, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback,
                        DWORD_PTR dwInstance, DWORD fdwOpen) override;
    MMRESULT waveInClose(HWAVEIN hwi) override;
    MMRESULT waveInPrepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) override;
    MMRESULT waveInUnprepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) override;
    MMRESULT waveInAddBuffer(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) override;
    MMRESULT waveInStart(HWAVEIN hwi) override;
    MMRESULT waveInStop(HWAVEIN hwi) override;
    MMRESULT waveInReset(HWAVEIN hwi) override;

    // The wave endpoints of both directions, by their names; choosing one
    // makes it the endpoint WAVE_MAPPER opens.
    std::vector<SoundDevice> ListDevices() override;
    bool ChooseDevice(DeviceDirection direction, const std::string& id,
                      std::string& error) override;

    // The usual text, followed by the device's own words for the last
    // failure that gave this code ("(default: Connection refused)").
    bool GetErrorText(MMRESULT code, bool input, std::string& text) override;

protected:
    CDeviceBackend() = default;

    // The hooks. Results are 0 or a negative errno; ErrorWords gives the
    // backend's words for such an errno.
    virtual std::size_t MixerCount() = 0;
    virtual std::string MixerName(std::size_t index) = 0; // names it in error texts
    virtual std::shared_ptr<CModelMixer> OpenMixer(std::size_t index, int& error) = 0;
    // The wave devices of a direction; the first is the wave mapper's.
    virtual std::vector<WaveEndpoint> Endpoints(bool input) = 0;
    // 0 = the endpoint takes the format, 1 = it refuses it, negative errno =
    // no answer. Only formats CheckWaveFormat accepts are asked about.
    virtual int QueryFormat(const WaveEndpoint& endpoint, bool input,
                            const WAVEFORMATEX& format) = 0;
    // 0 = open, 1 = the endpoint refuses the format, negative errno = failure.
    virtual int OpenChannel(const WaveEndpoint& endpoint, bool input, const WAVEFORMATEX& format,
                            std::unique_ptr<CPcmChannel>& channel) = 0;
    virtual std::string ErrorWords(int error) = 0;

    // Resets and closes the devices and mixers left open. A backend whose
    // channels need what it owns calls it from its own destructor.
    void CloseAll();

private:
    // An open HMIXER of ours, or a mixer index opened for this one call.
    std::shared_ptr<CModelMixer> ResolveMixer(const void* object, MMRESULT& result);
    template <class Call> MMRESULT OnMixer(const void* object, Call call);

    // Keeps the backend's words for a failure and gives its result code.
    MMRESULT Fail(int error, const std::string& device, bool input);
    void Keep(MMRESULT code, bool input, const std::string& words);
    // Keeps the words of a device whose channel failed, for the code it gave.
    template <class Device>
    void KeepFailure(Device& device, MMRESULT code, bool input, const void* h);
    std::optional<WaveEndpoint> Endpoint(UINT deviceId, bool input, std::size_t& index,
                                         MMRESULT& result);
    DWORD FormatBits(const WaveEndpoint& endpoint, bool input);
    // The endpoint WAVE_MAPPER opens: the chosen one while it is listed, else
    // the first.
    std::size_t MapperIndex(const std::vector<WaveEndpoint>& list, bool input);

    // The wave-out and wave-in calls share these; `input` picks the device
    // list, and Device is CPcmWaveOut or CPcmWaveIn.
    template <class Device> using OpenDevices = std::map<const void*, std::shared_ptr<Device>>;
    template <class Device>
    std::shared_ptr<Device> Find(const OpenDevices<Device>& devices, const void* h);
    template <class Caps> MMRESULT GetCaps(UINT_PTR deviceId, bool input, Caps* caps, UINT cb);
    template <class Device, class Handle>
    MMRESULT Open(OpenDevices<Device>& devices, bool input, Handle* handle, UINT deviceId,
                  LPCWAVEFORMATEX format, DWORD_PTR callback, DWORD_PTR instance, DWORD flags);
    template <class Device> MMRESULT Close(OpenDevices<Device>& devices, const void* h);
    template <class Device>
    MMRESULT Queue(OpenDevices<Device>& devices, bool input, const void* h, LPWAVEHDR header,
                   UINT cb, MMRESULT (Device::*queue)(WAVEHDR*));
    template <class Device>
    MMRESULT OnWave(OpenDevices<Device>& devices, bool input, const void* h,
                    MMRESULT (Device::*call)());

    std::mutex m_mutex;     // guards everything below
    std::mutex m_mixerCall; // one mixer call at a time
    std::map<const void*, std::shared_ptr<CModelMixer>> m_openMixers;
    OpenDevices<CPcmWaveOut> m_waveOuts;
    OpenDevices<CPcmWaveIn> m_waveIns;
    std::map<const void*, std::string> m_deviceNames; // the endpoint of each open device
    std::map<std::pair<MMRESULT, bool>, std::string> m_texts;
    std::map<std::pair<std::string, bool>, DWORD> m_formatBits; // by endpoint name
    std::string m_chosen[2]; // output, input: the endpoint ChooseDevice chose
};

} // namespace plat
