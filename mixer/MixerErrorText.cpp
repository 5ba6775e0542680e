#include "mixer/MixerErrorText.h"

#include "platform/sound_backend.h"

using namespace plat;

std::string MixerFailureDetail(UINT mixer, MMRESULT code) {
    std::string text = " (mixer " + std::to_string(mixer);
    MIXERCAPS caps{};
    if (mixerGetDevCaps(mixer, &caps, sizeof(caps)) == MMSYSERR_NOERROR) {
        std::size_t n = 0;
        while (n < sizeof(caps.szPname) && caps.szPname[n] != '\0')
            ++n;
        if (n > 0)
            text += " \"" + std::string(caps.szPname, n) + "\"";
    }
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
