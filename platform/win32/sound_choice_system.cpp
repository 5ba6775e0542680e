// The sound backend of Windows: winmm, when the system has a wave device.
#include "platform/sound_choice_system.h"

#include "platform/win32/winmm_backend.h"

namespace plat {

std::shared_ptr<SoundBackend> OpenSystemSoundBackend(const std::string& choice, bool& known,
                                                     std::string& error) {
    known = choice == "winmm";
    if (!known)
        return nullptr;
    return OpenWinmmBackend(error);
}

std::shared_ptr<SoundBackend> OpenAnySystemSoundBackend(std::string& why, bool& unanswered) {
    unanswered = false;
    return OpenWinmmBackend(why);
}

std::string SystemSoundBackendNames() {
    return "winmm";
}

} // namespace plat
