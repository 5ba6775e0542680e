// The sound backends of Linux: the desktop's sound server and ALSA, each
// registered by its own library (platform_pulse, platform_alsa).
#include "platform/sound_choice_system.h"

#include "platform/sound_choice.h"

#include <atomic>

namespace plat {

namespace {

std::atomic<AlsaBackendFactory> g_alsaFactory{nullptr};
std::atomic<PulseBackendFactory> g_pulseFactory{nullptr};

std::shared_ptr<SoundBackend> Open(AlsaBackendFactory factory, const char* what,
                                   std::string& error) {
    if (factory == nullptr) {
        error = std::string("the ") + what + " sound backend is not available in this build";
        return nullptr;
    }
    return factory(error);
}

std::shared_ptr<SoundBackend> OpenAlsa(std::string& error) {
    return Open(g_alsaFactory.load(), "ALSA", error);
}

std::shared_ptr<SoundBackend> OpenPulse(std::string& error) {
    return Open(g_pulseFactory.load(), "sound-server", error);
}

} // namespace

void RegisterAlsaBackendFactory(AlsaBackendFactory factory) {
    g_alsaFactory.store(factory);
}

void RegisterPulseBackendFactory(PulseBackendFactory factory) {
    g_pulseFactory.store(factory);
}

std::shared_ptr<SoundBackend> OpenSystemSoundBackend(const std::string& choice, bool& known,
                                                     std::string& error) {
    known = choice == "alsa" || choice == "pulse";
    if (!known)
        return nullptr;
    return choice == "alsa" ? OpenAlsa(error) : OpenPulse(error);
}

std::shared_ptr<SoundBackend> OpenAnySystemSoundBackend(std::string& why) {
    // The sound server owns the cards where it runs: ALSA only without one.
    std::string whyNoServer;
    if (std::shared_ptr<SoundBackend> pulse = OpenPulse(whyNoServer))
        return pulse;
    return OpenAlsa(why);
}

std::string SystemSoundBackendNames() {
    return "pulse or alsa";
}

} // namespace plat
