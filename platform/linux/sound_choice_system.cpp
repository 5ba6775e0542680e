// The sound backends of Linux: the desktop's sound server and ALSA, each
// registered by its own library (platform_pulse, platform_alsa).
#include "platform/sound_choice_system.h"

#include "platform/sound_choice.h"

#include <atomic>

namespace plat {

namespace {

std::atomic<AlsaBackendFactory> g_alsaFactory{nullptr};
std::atomic<PulseBackendFactory> g_pulseFactory{nullptr};

std::string NotInThisBuild(const char* what) {
    return std::string("the ") + what + " sound backend is not available in this build";
}

std::shared_ptr<SoundBackend> OpenAlsa(std::string& error) {
    const AlsaBackendFactory factory = g_alsaFactory.load();
    if (factory == nullptr) {
        error = NotInThisBuild("ALSA");
        return nullptr;
    }
    return factory(error);
}

std::shared_ptr<SoundBackend> OpenPulse(std::string& error, bool* unanswered = nullptr) {
    const PulseBackendFactory factory = g_pulseFactory.load();
    if (factory == nullptr) {
        error = NotInThisBuild("sound-server");
        return nullptr;
    }
    return factory(error, unanswered);
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

std::shared_ptr<SoundBackend> OpenAnySystemSoundBackend(std::string& why, bool& unanswered) {
    // The sound server owns the cards where it runs: ALSA only without one.
    // One that is there but silent still owns them (its ALSA plugin would
    // wait on it too).
    std::string whyNoServer;
    unanswered = false;
    if (std::shared_ptr<SoundBackend> pulse = OpenPulse(whyNoServer, &unanswered))
        return pulse;
    if (unanswered) {
        why = whyNoServer;
        return nullptr;
    }
    return OpenAlsa(why);
}

std::string SystemSoundBackendNames() {
    return "pulse or alsa";
}

} // namespace plat
