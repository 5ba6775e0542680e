// The sound server's wave streams as PCM channels, on the connection's
// context and main loop: playback on the default sink and capture from the
// default source (no device named, so a stream follows the defaults as the
// user changes them when it starts), a short buffer (80 ms to play, 20 ms fragments to
// record) so completions and the level meter are prompt, and the stream's
// media.role set ("music" for playback; "production" for capture, since
// "phone" would make a role-cork module pause our own music). The
// application's name and icon come from the context.
//
// The server may not move a stream (PA_STREAM_DONT_MOVE): a stream
// started on a device stays on it, and ends when the device goes, rather
// than going on, unasked, on another one; the next stream starts on the
// default of then.
//
// Every wait is bounded: the loop's lock is taken only for a request or a
// look at the stream, and the wait itself happens on a condition variable
// the stream's callbacks notify. A stream the server ends or a server that
// goes away fails the channel with the server's words.
#pragma once

#include "platform/device/PcmChannel.h"

#include <memory>
#include <string>

namespace plat {

class CPulseConnection;

// 0 = open, 1 = the server cannot carry the format, negative errno = the
// stream did not come up (PulseErrorWords says why).
int OpenPulseStream(const std::shared_ptr<CPulseConnection>& connection, bool capture,
                    const WAVEFORMATEX& format, std::unique_ptr<CPcmChannel>& channel);

// Whether the server carries the format (it converts rates, sample formats
// and channels itself): 0 = yes, 1 = no, -EIO when the server is gone.
int QueryPulseFormat(CPulseConnection& connection, const WAVEFORMATEX& format);

// The negative errno for an error code of libpulse, and the server's words
// for a negative errno given by a stream or the connection.
int ErrnoOfPulseError(int pulseError);
std::string PulseErrorWords(int error);

} // namespace plat
