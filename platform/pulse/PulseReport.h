// The lines of the device report for the sound server: the server, then
// every card, sink and source with its ports, by their real names.
#pragma once

#include "platform/pulse/PulseLists.h"

#include <string>
#include <vector>

namespace plat {

// `server` is "PulseAudio 16.1" or "PipeWire 0.3.65".
std::vector<std::string> DescribePulseServer(const std::string& server, const PulseLists& lists);

} // namespace plat
