// Opens an ALSA control device ("hw:0", "default") as a simple mixer, reads
// its element list for the mapping and gives element access to the mixer
// calls. The only file that speaks to the ALSA mixer.
#pragma once

#include "platform/alsa/AlsaElement.h"
#include "platform/device/ModelMixer.h"

#include <memory>
#include <string>
#include <vector>

namespace plat {

struct AlsaMixerEndpoint {
    std::string ctlName;     // "hw:0", "default"
    std::string displayName; // the card's name, as the mixer device's name
};

// The mixer devices of this machine: one per card, then `default` when it is
// a sound-server plugin rather than one of the cards.
std::vector<AlsaMixerEndpoint> EnumerateAlsaMixers();

// Opens the endpoint and maps it; null and a negative errno on failure.
std::unique_ptr<CModelMixer> OpenAlsaMixer(const AlsaMixerEndpoint& endpoint, int& alsaError);

} // namespace plat
