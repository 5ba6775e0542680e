// The sound backend on Windows itself: every mixer, wave-out and wave-in call
// goes to winmm, the records as they are where their layouts agree and copied
// field by field where the system packs them otherwise (winmm_records.h), the
// callbacks handed to winmm unchanged. Error texts are the system's.
#pragma once

#include "platform/sound_backend.h"

#include <memory>
#include <string>

namespace plat {

// The winmm backend, or null with `error` set when the system has neither a
// wave-out nor a wave-in device.
std::shared_ptr<SoundBackend> OpenWinmmBackend(std::string& error);

// True for the backend OpenWinmmBackend makes.
bool IsWinmmBackend(const SoundBackend& backend);

} // namespace plat
