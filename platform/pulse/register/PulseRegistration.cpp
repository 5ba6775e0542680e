// Linked into the program only: makes the sound-server backend available to
// the backend choice (--sound=pulse and the automatic choice) before main
// runs. The platform library itself stays free of libpulse, so the tests of
// the layers above it run on the virtual card alone.
#include "platform/pulse/PulseBackend.h"
#include "platform/sound_choice.h"

namespace {

const bool g_registered = [] {
    plat::RegisterPulseBackendFactory(&plat::OpenPulseBackend);
    return true;
}();

} // namespace
