#include "platform/sound_choice.h"

#include "platform/virtual/VirtualCard.h"

#include <atomic>
#include <cstdio>

namespace plat {

namespace {

std::atomic<AlsaBackendFactory> g_alsaFactory{nullptr};
std::atomic<PulseBackendFactory> g_pulseFactory{nullptr};
std::atomic<bool> g_virtualFallback{false};

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

void SelectSoundBackendOnFirstUse() {
    InstallSoundBackendOnFirstUse([] {
        std::string error;
        SelectSoundBackend("", error);
    });
}

bool VirtualCardIsFallback() {
    return g_virtualFallback.load();
}

bool SelectSoundBackend(const std::string& choice, std::string& error) {
    // A failed choice leaves the installed backend, and what is said of it,
    // unchanged; every successful one below sets the flag.
    const std::string virtualPrefix = "virtual:";
    if (choice == "virtual") {
        g_virtualFallback.store(false);
        InstallSoundBackend(std::make_shared<CVirtualCard>());
        return true;
    }
    if (choice.compare(0, virtualPrefix.size(), virtualPrefix) == 0) {
        const std::string path = choice.substr(virtualPrefix.size());
        if (path.empty()) {
            error = "--sound=virtual: needs a card description file after the colon";
            return false;
        }
        std::shared_ptr<CVirtualCard> card = CVirtualCard::FromFile(path, error);
        if (!card)
            return false;
        g_virtualFallback.store(false);
        InstallSoundBackend(card);
        return true;
    }
    if (choice == "alsa" || choice == "pulse") {
        std::shared_ptr<SoundBackend> backend =
            choice == "alsa" ? OpenAlsa(error) : OpenPulse(error);
        if (!backend)
            return false;
        g_virtualFallback.store(false);
        InstallSoundBackend(backend);
        return true;
    }
    if (choice.empty()) {
        // The sound server owns the cards where it runs: ALSA only without one.
        std::string whyNoServer;
        if (std::shared_ptr<SoundBackend> pulse = OpenPulse(whyNoServer)) {
            g_virtualFallback.store(false);
            InstallSoundBackend(pulse);
            return true;
        }
        std::string why;
        if (std::shared_ptr<SoundBackend> alsa = OpenAlsa(why)) {
            g_virtualFallback.store(false);
            InstallSoundBackend(alsa);
            return true;
        }
        std::fprintf(stderr, "No sound hardware answers (%s): using the virtual sound card.\n",
                     why.c_str());
        g_virtualFallback.store(true);
        InstallSoundBackend(std::make_shared<CVirtualCard>());
        return true;
    }
    error =
        "unknown sound backend \"" + choice + "\" (use virtual, virtual:CARD.ini, pulse or alsa)";
    return false;
}

} // namespace plat
