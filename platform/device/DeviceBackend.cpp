// The shared device backend: the mixer calls, closing and the error texts.
#include "platform/device/DeviceBackend.h"

namespace plat {

CDeviceBackend::~CDeviceBackend() {
    CloseAll();
}

void CDeviceBackend::CloseAll() {
    // Devices left open are reset and closed by their own destructors, out
    // of the lock: their last callbacks may still call us.
    OpenDevices<CPcmWaveOut> outs;
    OpenDevices<CPcmWaveIn> ins;
    std::map<const void*, std::shared_ptr<CModelMixer>> mixers;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        outs.swap(m_waveOuts);
        ins.swap(m_waveIns);
        m_deviceNames.clear();
    }
    outs.clear();
    ins.clear();
    std::lock_guard<std::mutex> call(m_mixerCall);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        mixers.swap(m_openMixers);
    }
    mixers.clear();
}

MMRESULT CDeviceBackend::Fail(int error, const std::string& device, bool input) {
    const MMRESULT code = MmResultOfErrno(error);
    Keep(code, input, device + ": " + ErrorWords(error));
    return code;
}

void CDeviceBackend::Keep(MMRESULT code, bool input, const std::string& words) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_texts[{code, input}] = words;
}

bool CDeviceBackend::GetErrorText(MMRESULT code, bool input, std::string& text) {
    text = StandardMmErrorText(code);
    if (text.empty())
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_texts.find({code, input});
    if (it != m_texts.end())
        text += " (" + it->second + ")";
    return true;
}

// ---- mixer ------------------------------------------------------------------

UINT CDeviceBackend::mixerGetNumDevs() {
    return static_cast<UINT>(MixerCount());
}

MMRESULT CDeviceBackend::mixerOpen(LPHMIXER phmx, UINT uMxId, DWORD_PTR, DWORD_PTR, DWORD) {
    if (!phmx)
        return MMSYSERR_INVALPARAM;
    *phmx = nullptr;
    if (uMxId >= MixerCount())
        return MMSYSERR_BADDEVICEID;
    int err = 0;
    std::shared_ptr<CModelMixer> mixer;
    {
        std::lock_guard<std::mutex> call(m_mixerCall);
        mixer = OpenMixer(uMxId, err);
    }
    if (!mixer)
        return Fail(err, MixerName(uMxId), false);
    std::lock_guard<std::mutex> lock(m_mutex);
    *phmx = reinterpret_cast<HMIXER>(mixer.get());
    m_openMixers[mixer.get()] = std::move(mixer);
    return MMSYSERR_NOERROR;
}

MMRESULT CDeviceBackend::mixerClose(HMIXER hmx) {
    std::shared_ptr<CModelMixer> closing;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_openMixers.find(hmx);
        if (it == m_openMixers.end())
            return MMSYSERR_INVALHANDLE;
        closing = std::move(it->second);
        m_openMixers.erase(it);
    }
    std::lock_guard<std::mutex> call(m_mixerCall);
    closing.reset();
    return MMSYSERR_NOERROR;
}

std::shared_ptr<CModelMixer> CDeviceBackend::ResolveMixer(const void* object, MMRESULT& result) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_openMixers.find(object);
        if (it != m_openMixers.end())
            return it->second;
    }
    const auto index = reinterpret_cast<UINT_PTR>(object);
    if (index >= MixerCount()) {
        result = MMSYSERR_INVALHANDLE;
        return nullptr;
    }
    int err = 0;
    std::shared_ptr<CModelMixer> mixer = OpenMixer(index, err);
    if (!mixer)
        result = Fail(err, MixerName(index), false);
    return mixer;
}

template <class Call> MMRESULT CDeviceBackend::OnMixer(const void* object, Call call) {
    std::lock_guard<std::mutex> serial(m_mixerCall);
    MMRESULT result = MMSYSERR_NOERROR;
    std::shared_ptr<CModelMixer> mixer = ResolveMixer(object, result);
    return mixer ? call(*mixer) : result;
}

MMRESULT CDeviceBackend::mixerGetDevCaps(UINT_PTR uMxId, MIXERCAPSA* pmxcaps, UINT cbmxcaps) {
    return OnMixer(reinterpret_cast<const void*>(uMxId),
                   [&](CModelMixer& m) { return m.GetDevCaps(pmxcaps, cbmxcaps); });
}

MMRESULT CDeviceBackend::mixerGetLineInfo(HMIXEROBJ hmxobj, MIXERLINEA* pmxl, DWORD fdwInfo) {
    return OnMixer(hmxobj, [&](CModelMixer& m) { return m.GetLineInfo(pmxl, fdwInfo); });
}

MMRESULT CDeviceBackend::mixerGetLineControls(HMIXEROBJ hmxobj, MIXERLINECONTROLSA* pmxlc,
                                              DWORD fdwControls) {
    return OnMixer(hmxobj, [&](CModelMixer& m) { return m.GetLineControls(pmxlc, fdwControls); });
}

MMRESULT CDeviceBackend::mixerGetControlDetails(HMIXEROBJ hmxobj, MIXERCONTROLDETAILS* pmxcd,
                                                DWORD fdwDetails) {
    return OnMixer(hmxobj, [&](CModelMixer& m) { return m.GetControlDetails(pmxcd, fdwDetails); });
}

MMRESULT CDeviceBackend::mixerSetControlDetails(HMIXEROBJ hmxobj, MIXERCONTROLDETAILS* pmxcd,
                                                DWORD fdwDetails) {
    return OnMixer(hmxobj, [&](CModelMixer& m) { return m.SetControlDetails(pmxcd, fdwDetails); });
}

MMRESULT CDeviceBackend::mixerGetVolumeCurve(HMIXEROBJ hmxobj, DWORD controlId,
                                             VolumeCurve& curve) {
    return OnMixer(hmxobj, [&](CModelMixer& m) { return m.GetVolumeCurve(controlId, curve); });
}

} // namespace plat
