#include "mixer/MixerErrorText.h"

#include "platform/sound_backend.h"

using namespace plat;

namespace {

// "mixer 1 "USB Headset"", the name left out when the device gives none.
std::string MixerNamed(UINT mixer) {
    std::string text = "mixer " + std::to_string(mixer);
    MIXERCAPS caps{};
    if (mixerGetDevCaps(mixer, &caps, sizeof(caps)) == MMSYSERR_NOERROR) {
        std::size_t n = 0;
        while (n < sizeof(caps.szPname) && caps.szPname[n] != '\0')
            ++n;
        if (n > 0)
            text += " \"" + std::string(caps.szPname, n) + "\"";
    }
    return text;
}

} // namespace

std::string MixerNameDetail(UINT mixer) {
    return " (" + MixerNamed(mixer) + ")";
}

std::string MixerFailureDetail(UINT mixer, MMRESULT code) {
    const std::string text = " (" + MixerNamed(mixer);
    // The backend's own words first: they may say more than the standard text.
    char own[MAXERRORLENGTH] = {};
    std::string meaning;
    if (waveOutGetErrorText(code, own, MAXERRORLENGTH) == MMSYSERR_NOERROR)
        meaning = own;
    if (meaning.empty())
        meaning = StandardMmErrorText(code);
    if (meaning.empty())
        meaning = "unknown result code";
    return text + ": " + meaning + ")";
}
