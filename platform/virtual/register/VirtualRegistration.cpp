// Linked into the program and the tests: makes the virtual card the default
// sound backend (sound_backend.h) before main runs — the card made when no
// backend was chosen, `--sound=virtual` and `--sound=virtual:CARD.ini`, and
// the automatic choice's fallback. The platform core so names no backend.
#include "platform/sound_backend.h"
#include "platform/virtual/VirtualCard.h"

namespace {

std::shared_ptr<plat::SoundBackend> OpenVirtualCard(const std::string* cardFile,
                                                    std::string& error) {
    if (cardFile == nullptr)
        return std::make_shared<plat::CVirtualCard>();
    if (cardFile->empty()) {
        error = "--sound=virtual: needs a card description file after the colon";
        return nullptr;
    }
    return plat::CVirtualCard::FromFile(*cardFile, error);
}

const bool g_registered = [] {
    plat::InstallDefaultSoundBackend({"virtual", "virtual, virtual:CARD.ini", &OpenVirtualCard});
    return true;
}();

} // namespace
