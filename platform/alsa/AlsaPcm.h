// ALSA PCM for the wave devices: the device list, the format query, and a
// device opened for a wave format as a PCM channel.
#pragma once

#include "platform/device/PcmChannel.h"

#include <alsa/asoundlib.h>

#include <memory>
#include <string>
#include <vector>

namespace plat {

// `default` first when it answers (it is the wave mapper), then every PCM
// device of every card, through the converting plug layer; the endpoint's
// name is the PCM name ("default", "plughw:CARD=Intel,DEV=0").
std::vector<WaveEndpoint> EnumerateAlsaPcms(snd_pcm_stream_t stream);

// Whether `default` opens (or answers busy) for playback.
bool AlsaDefaultPcmAnswers();

// Asks the device whether it takes the format, without keeping it open:
// 0 = accepted, 1 = refused, negative errno = no answer.
int QueryPcmFormat(const std::string& pcmName, snd_pcm_stream_t stream, const WAVEFORMATEX& format);

// Opens the device for the format with a short buffer (200 ms, periods of
// 25 ms; playback starts by itself once half of it is written).
// 0 = open, 1 = the device refuses the format, negative errno = failure.
int OpenAlsaChannel(const std::string& pcmName, snd_pcm_stream_t stream, const WAVEFORMATEX& format,
                    std::unique_ptr<CPcmChannel>& channel);

} // namespace plat
