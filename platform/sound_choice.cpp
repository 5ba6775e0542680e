// The --sound choice: the default backend handed to the platform (the
// virtual card), the system's own backends through sound_choice_system.h,
// and the automatic rule with its fallback.
#include "platform/sound_choice.h"

#include "platform/sound_choice_system.h"
#include "platform/unanswered_backend.h"

#include <atomic>
#include <cstdio>

namespace plat {

namespace {

std::atomic<bool> g_virtualFallback{false};

std::shared_ptr<SoundBackend> OpenDefault(const std::string* argument, std::string& error) {
    const DefaultSoundBackend& fallback = InstalledDefaultSoundBackend();
    if (!fallback.open) {
        error = "no default sound backend was installed in this program";
        return nullptr;
    }
    return fallback.open(argument, error);
}

} // namespace

void SelectSoundBackendOnFirstUse() {
    InstallSoundBackendOnFirstUse([] {
        std::string error;
        if (!SelectSoundBackend("", error)) {
            std::fprintf(stderr, "pelmora: %s: no sound device is used.\n", error.c_str());
            g_virtualFallback.store(false);
            InstallSoundBackend(MakeUnansweredSoundBackend(error));
        }
    });
}

bool VirtualCardIsFallback() {
    return g_virtualFallback.load();
}

bool SelectSoundBackend(const std::string& choice, std::string& error) {
    // A failed choice leaves the installed backend, and what is said of it,
    // unchanged; every successful one below sets the flag.
    const std::string& name = InstalledDefaultSoundBackend().name;
    const bool bare = !name.empty() && choice == name;
    if (bare || (!name.empty() && choice.compare(0, name.size() + 1, name + ":") == 0)) {
        const std::string argument = bare ? "" : choice.substr(name.size() + 1);
        std::shared_ptr<SoundBackend> backend = OpenDefault(bare ? nullptr : &argument, error);
        if (!backend)
            return false;
        g_virtualFallback.store(false);
        InstallSoundBackend(backend);
        return true;
    }
    if (choice.empty()) {
        std::string why;
        bool unanswered = false;
        if (std::shared_ptr<SoundBackend> system = OpenAnySystemSoundBackend(why, unanswered)) {
            g_virtualFallback.store(false);
            InstallSoundBackend(system);
            return true;
        }
        if (unanswered) {
            error = why;
            return false;
        }
        std::shared_ptr<SoundBackend> fallback = OpenDefault(nullptr, error);
        if (!fallback)
            return false;
        std::fprintf(stderr, "No sound hardware answers (%s): using the virtual sound card.\n",
                     why.c_str());
        g_virtualFallback.store(true);
        InstallSoundBackend(fallback);
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
        error = "unknown sound backend \"" + choice + "\" (use " +
                InstalledDefaultSoundBackend().usage + ", " + SystemSoundBackendNames() + ")";
    return false;
}

} // namespace plat
