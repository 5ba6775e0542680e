// PlaySound over the installed backend's waveOut calls (playsound.cpp): what
// PlaySound does with every backend on Linux and with the virtual card on
// Windows, where the system's own PlaySound serves winmm
// (win32/playsound_system.cpp).
#pragma once

#include "platform/mmsystem.h"

namespace plat {

BOOL PlaySoundOverBackend(LPCSTR pszSound, DWORD fdwSound);

// The id of a WAVE resource named by MAKEINTRESOURCE, "#164" or "164"; false
// for any other name.
bool ResourceIdOfSound(LPCSTR name, unsigned& id);

} // namespace plat
