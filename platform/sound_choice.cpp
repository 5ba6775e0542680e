#include "platform/sound_choice.h"

#include "platform/virtual/VirtualCard.h"

#include <atomic>
#include <cstdio>

namespace plat {

namespace {

std::atomic<AlsaBackendFactory> g_alsaFactory{nullptr};

std::shared_ptr<SoundBackend> OpenAlsa(std::string& error) {
    AlsaBackendFactory factory = g_alsaFactory.load();
    if (factory == nullptr) {
        error = "the ALSA sound backend is not available in this build";
        return nullptr;
    }
    return factory(error);
}

} // namespace

void RegisterAlsaBackendFactory(AlsaBackendFactory factory) {
    g_alsaFactory.store(factory);
}

bool SelectSoundBackend(const std::string& choice, std::string& error) {
    const std::string virtualPrefix = "virtual:";
    if (choice == "virtual") {
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
        InstallSoundBackend(card);
        return true;
    }
    if (choice == "alsa") {
        std::shared_ptr<SoundBackend> alsa = OpenAlsa(error);
        if (!alsa)
            return false;
        InstallSoundBackend(alsa);
        return true;
    }
    if (choice.empty()) {
        std::string why;
        if (std::shared_ptr<SoundBackend> alsa = OpenAlsa(why)) {
            InstallSoundBackend(alsa);
            return true;
        }
        std::fprintf(stderr, "No sound hardware answers (%s): using the virtual sound card.\n",
                     why.c_str());
        InstallSoundBackend(std::make_shared<CVirtualCard>());
        return true;
    }
    error = "unknown sound backend \"" + choice + "\" (use virtual, virtual:CARD.ini or alsa)";
    return false;
}

} // namespace plat
