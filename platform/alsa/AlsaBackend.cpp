// The ALSA backend: construction, the mixer calls and the error texts.
#include "platform/alsa/AlsaBackend.h"

#include <alsa/asoundlib.h>

namespace plat {

namespace {

// ALSA would print its complaints on stderr; we report them as results.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

void SilenceAlsaOnce() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(&QuietAlsa); });
}

} // namespace

bool AlsaSoundAnswers() {
    SilenceAlsaOnce();
    if (AlsaDefaultPcmAnswers())
        return true;
    int card = -1;
    return snd_card_next(&card) >= 0 && card >= 0;
}

std::shared_ptr<SoundBackend> CreateAlsaBackend() {
    return std::make_shared<CAlsaBackend>();
}

std::shared_ptr<SoundBackend> OpenAlsaBackend(std::string& error) {
    if (!AlsaSoundAnswers()) {
        error = "no ALSA sound device answers";
        return nullptr;
    }
    return CreateAlsaBackend();
}

CAlsaBackend::CAlsaBackend() {
    SilenceAlsaOnce();
    m_mixers = EnumerateAlsaMixers();
    m_outs = EnumerateAlsaPcms(SND_PCM_STREAM_PLAYBACK);
    m_ins = EnumerateAlsaPcms(SND_PCM_STREAM_CAPTURE);
}

CAlsaBackend::~CAlsaBackend() {
    // Devices left open are reset and closed by their own destructors, out
    // of the lock: their last callbacks may still call us.
    std::map<const void*, std::shared_ptr<CAlsaWaveOut>> outs;
    std::map<const void*, std::shared_ptr<CAlsaWaveIn>> ins;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        outs.swap(m_waveOuts);
        ins.swap(m_waveIns);
    }
    outs.clear();
    ins.clear();
}

MMRESULT CAlsaBackend::Fail(int alsaError, const std::string& device, bool input) {
    const MMRESULT code = MmResultOfAlsa(alsaError);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_alsaTexts[{code, input}] = device + ": " + snd_strerror(alsaError);
    return code;
}

bool CAlsaBackend::GetErrorText(MMRESULT code, bool input, std::string& text) {
    text = StandardMmErrorText(code);
    if (text.empty())
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_alsaTexts.find({code, input});
    if (it != m_alsaTexts.end())
        text += " (" + it->second + ")";
    return true;
}

// ---- mixer ------------------------------------------------------------------

UINT CAlsaBackend::mixerGetNumDevs() {
    return static_cast<UINT>(m_mixers.size());
}

MMRESULT CAlsaBackend::mixerOpen(LPHMIXER phmx, UINT uMxId, DWORD_PTR, DWORD_PTR, DWORD) {
    if (!phmx)
        return MMSYSERR_INVALPARAM;
    *phmx = nullptr;
    if (uMxId >= m_mixers.size())
        return MMSYSERR_BADDEVICEID;
    int err = 0;
    std::shared_ptr<CModelMixer> mixer;
    {
        std::lock_guard<std::mutex> call(m_mixerCall);
        mixer = OpenAlsaMixer(m_mixers[uMxId], err);
    }
    if (!mixer)
        return Fail(err, m_mixers[uMxId].ctlName, false);
    std::lock_guard<std::mutex> lock(m_mutex);
    *phmx = reinterpret_cast<HMIXER>(mixer.get());
    m_openMixers[mixer.get()] = std::move(mixer);
    return MMSYSERR_NOERROR;
}

MMRESULT CAlsaBackend::mixerClose(HMIXER hmx) {
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

std::shared_ptr<CModelMixer> CAlsaBackend::ResolveMixer(const void* object, MMRESULT& result) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_openMixers.find(object);
        if (it != m_openMixers.end())
            return it->second;
    }
    const auto index = reinterpret_cast<UINT_PTR>(object);
    if (index >= m_mixers.size()) {
        result = MMSYSERR_INVALHANDLE;
        return nullptr;
    }
    int err = 0;
    std::shared_ptr<CModelMixer> mixer = OpenAlsaMixer(m_mixers[index], err);
    if (!mixer)
        result = Fail(err, m_mixers[index].ctlName, false);
    return mixer;
}

template <class Call> MMRESULT CAlsaBackend::OnMixer(const void* object, Call call) {
    std::lock_guard<std::mutex> serial(m_mixerCall);
    MMRESULT result = MMSYSERR_NOERROR;
    std::shared_ptr<CModelMixer> mixer = ResolveMixer(object, result);
    return mixer ? call(*mixer) : result;
}

MMRESULT CAlsaBackend::mixerGetDevCaps(UINT_PTR uMxId, MIXERCAPSA* pmxcaps, UINT cbmxcaps) {
    return OnMixer(reinterpret_cast<const void*>(uMxId),
                   [&](CModelMixer& m) { return m.GetDevCaps(pmxcaps, cbmxcaps); });
}

MMRESULT CAlsaBackend::mixerGetLineInfo(HMIXEROBJ hmxobj, MIXERLINEA* pmxl, DWORD fdwInfo) {
    return OnMixer(hmxobj, [&](CModelMixer& m) { return m.GetLineInfo(pmxl, fdwInfo); });
}

MMRESULT CAlsaBackend::mixerGetLineControls(HMIXEROBJ hmxobj, MIXERLINECONTROLSA* pmxlc,
                                            DWORD fdwControls) {
    return OnMixer(hmxobj, [&](CModelMixer& m) { return m.GetLineControls(pmxlc, fdwControls); });
}

MMRESULT CAlsaBackend::mixerGetControlDetails(HMIXEROBJ hmxobj, MIXERCONTROLDETAILS* pmxcd,
                                              DWORD fdwDetails) {
    return OnMixer(hmxobj, [&](CModelMixer& m) { return m.GetControlDetails(pmxcd, fdwDetails); });
}

MMRESULT CAlsaBackend::mixerSetControlDetails(HMIXEROBJ hmxobj, MIXERCONTROLDETAILS* pmxcd,
                                              DWORD fdwDetails) {
    return OnMixer(hmxobj, [&](CModelMixer& m) { return m.SetControlDetails(pmxcd, fdwDetails); });
}

} // namespace plat
