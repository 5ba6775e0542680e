// Linked into the program only: makes the ALSA backend available to the
// backend choice (--sound=alsa and the automatic choice) before main runs.
// The platform library itself stays free of ALSA, so the tests of the
// layers above it run on the virtual card alone.
#include "platform/alsa/AlsaSound.h"
#include "platform/sound_choice.h"

namespace {

const bool g_registered = [] {
    plat::RegisterAlsaBackendFactory(&plat::OpenAlsaBackend);
    return true;
}();

} // namespace
