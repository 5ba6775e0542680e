#include "audio/WaveErrorText.h"

#include <cstdio>

using namespace plat;

namespace {
std::string Fallback(MMRESULT code, const char* call) {
    char text[128];
    std::snprintf(text, sizeof text, "ERROR : %s = %d", call, static_cast<int>(code));
    return text;
}
} // namespace

std::string WaveOutErrorText(MMRESULT code, const char* call) {
    char text[MAXERRORLENGTH] = {};
    if (waveOutGetErrorText(code, text, MAXERRORLENGTH) == MMSYSERR_NOERROR)
        return text;
    return Fallback(code, call);
}

std::string WaveInErrorText(MMRESULT code, const char* call) {
    char text[MAXERRORLENGTH] = {};
    if (waveInGetErrorText(code, text, MAXERRORLENGTH) == MMSYSERR_NOERROR)
        return text;
    return Fallback(code, call);
}
