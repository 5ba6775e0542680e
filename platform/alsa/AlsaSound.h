// The sound backend for real hardware on Linux: the multimedia calls served
// by ALSA (which also reaches PulseAudio and PipeWire through their plugins).
//
// Mixer devices: one per card, then `default` when it is a sound-server
// plugin. Wave devices: `default` first (the wave mapper), then each card's
// PCM devices. The devices are listed when the backend is made.
#pragma once

#include "platform/sound_backend.h"

#include <memory>
#include <string>

namespace plat {

// Whether ALSA has a PCM device that answers (the automatic backend choice).
bool AlsaSoundAnswers();

// Makes the ALSA backend.
std::shared_ptr<SoundBackend> CreateAlsaBackend();

// The factory sound_choice calls for --sound=alsa and the automatic choice:
// the backend, or null with `error` set when no ALSA PCM device answers.
std::shared_ptr<SoundBackend> OpenAlsaBackend(std::string& error);

} // namespace plat
