// The level of one of the server's sources as desktop volume tools show it:
// a record stream on that source (never moved to another one) with the
// server's peak detection, float samples at 25 a second, one a fragment, so
// each sample is the peak of the last 40 ms and costs the server nothing. The
// stream lives on the connection's context and main loop; making it and
// ending it only take the loop's lock, never wait for the server. The source
// removed or the server gone ends the stream, and the watch says so once.
#pragma once

#include "platform/sound_backend.h"

#include <memory>
#include <string>

namespace plat {

class CPulseConnection;

std::unique_ptr<InputLevelWatch> WatchPulseLevel(std::shared_ptr<CPulseConnection> connection,
                                                 const std::string& source,
                                                 InputLevelListener listener);

} // namespace plat
