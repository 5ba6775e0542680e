// ALSA PCM helpers shared by wave-out and wave-in: the device list, the
// format check and query, opening a device configured for a wave format, and
// the translation of ALSA errors into multimedia result codes.
#pragma once

#include "platform/mmsystem.h"

#include <alsa/asoundlib.h>

#include <string>
#include <vector>

namespace plat {

struct AlsaPcmEndpoint {
    std::string pcmName;     // "default", "plughw:CARD=Intel,DEV=0"
    std::string displayName; // shown as the device's szPname
};

// `default` first when it answers (it is the wave mapper), then every PCM
// device of every card, through the converting plug layer.
std::vector<AlsaPcmEndpoint> EnumerateAlsaPcms(snd_pcm_stream_t stream);

// Whether `default` opens (or answers busy) for playback.
bool AlsaDefaultPcmAnswers();

// MMSYSERR_NOERROR for a PCM format the backend can carry, WAVERR_BADFORMAT
// for any other, MMSYSERR_INVALPARAM for a null format.
MMRESULT CheckWaveFormat(const WAVEFORMATEX* format);

// Asks the device whether it takes the format, without keeping it open:
// 0 = accepted, 1 = refused, negative errno = no answer.
int QueryPcmFormat(const std::string& pcmName, snd_pcm_stream_t stream, const WAVEFORMATEX& format);

// Opens the device for the format with a short buffer; period in frames.
// 0 = open, 1 = the device refuses the format, negative errno = failure.
int OpenPcm(const std::string& pcmName, snd_pcm_stream_t stream, const WAVEFORMATEX& format,
            snd_pcm_t** pcm, snd_pcm_uframes_t& period);

// The nearest multimedia result of a negative errno.
MMRESULT MmResultOfAlsa(int alsaError);

} // namespace plat
