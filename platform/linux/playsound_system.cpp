// PlaySound on Linux: over the installed backend's waveOut calls.
#include "platform/playsound_backend.h"

namespace plat {

BOOL PlaySound(LPCSTR pszSound, HMODULE /*hmod*/, DWORD fdwSound) {
    return PlaySoundOverBackend(pszSound, fdwSound);
}

} // namespace plat
