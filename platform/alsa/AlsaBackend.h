// The ALSA backend; the program and tests make it through AlsaSound.h.
#pragma once

#include "platform/alsa/AlsaMixerCard.h"
#include "platform/alsa/AlsaPcm.h"
#include "platform/alsa/AlsaSound.h"
#include "platform/alsa/AlsaWaveIn.h"
#include "platform/alsa/AlsaWaveOut.h"

#include <map>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace plat {

class CAlsaBackend : public SoundBackend {
public:
    CAlsaBackend();
    ~CAlsaBackend() override;

    std::string Name() const override { return "alsa"; }

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

    // The usual text, followed by ALSA's own words for the last failure
    // that gave this code.
    bool GetErrorText(MMRESULT code, bool input, std::string& text) override;

private:
    // An open HMIXER of ours, or a mixer index opened for this one call.
    std::shared_ptr<CModelMixer> ResolveMixer(const void* object, MMRESULT& result);
    template <class Call> MMRESULT OnMixer(const void* object, Call call);

    // Keeps ALSA's text for a failure and gives its result code.
    MMRESULT Fail(int alsaError, const std::string& device, bool input);
    std::optional<std::size_t> PcmIndex(UINT deviceId, bool input, MMRESULT& result) const;
    DWORD FormatBits(std::size_t index, bool input);

    // The wave-out and wave-in calls share these; `input` picks the device
    // list, and Device is CAlsaWaveOut or CAlsaWaveIn.
    template <class Device> using OpenDevices = std::map<const void*, std::shared_ptr<Device>>;
    template <class Device>
    std::shared_ptr<Device> Find(const OpenDevices<Device>& devices, const void* h);
    template <class Caps> MMRESULT GetCaps(UINT_PTR deviceId, bool input, Caps* caps, UINT cb);
    template <class Device, class Handle>
    MMRESULT Open(OpenDevices<Device>& devices, bool input, Handle* handle, UINT deviceId,
                  LPCWAVEFORMATEX format, DWORD_PTR callback, DWORD_PTR instance, DWORD flags);
    template <class Device> MMRESULT Close(OpenDevices<Device>& devices, const void* h);
    template <class Device>
    MMRESULT Queue(OpenDevices<Device>& devices, const void* h, LPWAVEHDR header, UINT cb,
                   MMRESULT (Device::*queue)(WAVEHDR*));
    template <class Device>
    MMRESULT OnWave(OpenDevices<Device>& devices, const void* h, MMRESULT (Device::*call)());

    std::vector<AlsaMixerEndpoint> m_mixers;
    std::vector<AlsaPcmEndpoint> m_outs;
    std::vector<AlsaPcmEndpoint> m_ins;

    std::mutex m_mutex;     // guards everything below
    std::mutex m_mixerCall; // one mixer call at a time
    std::map<const void*, std::shared_ptr<CModelMixer>> m_openMixers;
    OpenDevices<CAlsaWaveOut> m_waveOuts;
    OpenDevices<CAlsaWaveIn> m_waveIns;
    std::map<std::pair<MMRESULT, bool>, std::string> m_alsaTexts;
    std::map<std::pair<std::size_t, bool>, DWORD> m_formatBits;
};

} // namespace plat
