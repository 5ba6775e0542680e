// The backend that stands where a sound system is there but does not answer
// (a sound server stopped or too busy to reply): it has no devices, every
// call fails with MMSYSERR_NODRIVER, and its error text says why, so the
// wizard reports the sound system's silence instead of working on a card the
// user never chose.
#pragma once

#include "platform/sound_backend.h"

#include <memory>
#include <string>

namespace plat {

// `reason` is what the sound system's opening said ("the sound server does
// not answer in time").
std::shared_ptr<SoundBackend> MakeUnansweredSoundBackend(const std::string& reason);

} // namespace plat
