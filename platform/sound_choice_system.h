// The system's own sound backends, behind the choice of sound_choice.cpp,
// which knows the default backend handed to it and the automatic rule: one file for each
// system (linux/sound_choice_system.cpp: the sound server, then ALSA;
// win32/sound_choice_system.cpp: winmm).
#pragma once

#include "platform/sound_backend.h"

#include <memory>
#include <string>

namespace plat {

// Opens the system backend named `choice`; `known` is false when the system
// has none of that name. Null with `error` set when it cannot be made.
std::shared_ptr<SoundBackend> OpenSystemSoundBackend(const std::string& choice, bool& known,
                                                     std::string& error);

// The automatic choice among the system's backends, in order; null with `why`
// set (the last reason) when none answers. `unanswered` is set when a sound
// system is there but does not answer: the choice must end there, since
// the next one (the cards it owns, the virtual card) is not what the user
// has.
std::shared_ptr<SoundBackend> OpenAnySystemSoundBackend(std::string& why, bool& unanswered);

// The system backends' names as the choice's error lists them ("pulse or alsa").
std::string SystemSoundBackendNames();

} // namespace plat
