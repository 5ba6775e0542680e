// Chooses the sound backend from the --sound option.
#pragma once

#include "platform/sound_backend.h"

#include <memory>
#include <string>

namespace plat {

// Installs the backend named by `choice`:
//   "virtual"           the built-in default virtual card
//   "virtual:CARD.ini"  a virtual card read from a card description file
//   "pulse"             Linux: the desktop's sound server (PulseAudio, or
//                       PipeWire's PulseAudio server)
//   "alsa"              Linux: the ALSA backend
//   "winmm"             Windows: the system's own multimedia calls
//   ""                  automatic: on Linux the sound server when one answers,
//                       else ALSA when a PCM device answers; on Windows winmm
//                       when it has a wave-out or wave-in device; else the
//                       default virtual card (with a one-line notice on stderr);
//                       a sound server that is there but does not answer
//                       ends the choice with an error, never with the
//                       virtual card
// False with `error` set when the choice is unknown or cannot be made; the
// installed backend is then unchanged.
bool SelectSoundBackend(const std::string& choice, std::string& error);

// The automatic choice, left for the first use of the sound system (see
// InstallSoundBackendOnFirstUse): the wizard shows its first page, then
// chooses. When the choice fails (a sound server that does not answer), a
// backend without devices whose error text gives the reason stands in
// (platform/unanswered_backend.h), so the wizard reports it.
void SelectSoundBackendOnFirstUse();

// True when the last successful choice was automatic and found neither a
// sound server nor a card, so the virtual card stands in without being asked
// for; the wizard then tells the user that no sound will be heard.
bool VirtualCardIsFallback();

// The hook for the ALSA backend: returns the backend, or null with `error`
// set when no ALSA PCM device answers. Until the ALSA backend registers a
// factory, ALSA is reported as unavailable.
using AlsaBackendFactory = std::shared_ptr<SoundBackend> (*)(std::string& error);
void RegisterAlsaBackendFactory(AlsaBackendFactory factory);

// The same hook for the sound-server backend: the backend, or null with
// `error` set when no server answers; `unanswered` is set when a server is
// there but does not answer in time.
using PulseBackendFactory = std::shared_ptr<SoundBackend> (*)(std::string& error, bool* unanswered);
void RegisterPulseBackendFactory(PulseBackendFactory factory);

} // namespace plat
