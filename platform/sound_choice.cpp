// The --sound choice: the virtual card here, the system's own backends
// through sound_choice_system.h, and the automatic rule with its fallback.
#include "platform/sound_choice.h"

#include "platform/sound_choice_system.h"
#include "platform/virtual/VirtualCard.h"

#include <atomic>
#include <cstdio>

namespace plat {

namespace {

std::atomic<bool> g_virtualFallback{false};

} // namespace

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
    if (choice.empty()) {
        std::string why;
        if (std::shared_ptr<SoundBackend> system = OpenAnySystemSoundBackend(why)) {
            g_virtualFallback.store(false);
            InstallSoundBackend(system);
            return true;
        }
        std::fprintf(stderr, "No sound hardware answers (%s): using the virtual sound card.\n",
                     why.c_str());
        g_virtualFallback.store(true);
        InstallSoundBackend(std::make_shared<CVirtualCard>());
        return true;
    }
    bool known = false;
    std::shared_ptr<SoundBackend> system = OpenSystemSoundBackend(choice, known, error);
    if (system) {
        g_virtualFallback.store(false);
        InstallSoundBackend(system);
        return true;
    }
    if (!known)
        error = "unknown sound backend \"" + choice + "\" (use virtual, virtual:CARD.ini, " +
                SystemSoundBackendNames() + ")";
    return false;
}

} // namespace plat
