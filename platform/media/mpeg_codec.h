// The system's MPEG layer-3 decoder behind the calls of mpeg_decoder.h:
// libmpg123 on Linux (linux/mpeg_decoder.cpp), the system's codec through the
// compression manager on Windows (win32/mpeg_decoder.cpp). mpeg_decoder.cpp
// keeps the calls' rules: the arguments, the prepared headers, and the PCM
// that does not fit a destination.
#pragma once

#include "platform/media/mpeg_decoder.h"

#include <cstddef>
#include <vector>

namespace plat::media {

// Where decoded PCM goes: the caller's buffer while it has room, then the
// stream's pending bytes. The PCM pending from earlier conversions comes out
// before any new PCM.
class PcmOutput {
public:
    PcmOutput(BYTE* to, std::size_t room, std::vector<BYTE>& pending, std::size_t& pendingStart)
        : m_to(to), m_room(room), m_pending(pending), m_pendingStart(pendingStart) {}

    // Hands out the PCM kept from earlier conversions, as far as it fits.
    void DeliverPending();
    void Put(const BYTE* bytes, std::size_t count);
    std::size_t Used() const { return m_used; }

private:
    BYTE* m_to;
    std::size_t m_room;
    std::size_t m_used = 0;
    bool m_pendingDelivered = false;
    std::vector<BYTE>& m_pending;
    std::size_t& m_pendingStart;
};

struct MpegCodec;

// Whether a decoder for the conversion can be had (acmStreamOpen's query).
MMRESULT QueryMpegCodec(LPCWAVEFORMATEX source, LPCWAVEFORMATEX pcm);
// A decoder for the conversion; null with `result` set when there is none.
MpegCodec* OpenMpegCodec(LPCWAVEFORMATEX source, LPCWAVEFORMATEX pcm, MMRESULT& result);
void CloseMpegCodec(MpegCodec* codec);
// Forgets everything the decoder holds (ACM_STREAMCONVERTF_START).
MMRESULT RestartMpegCodec(MpegCodec& codec);
// Takes every source byte and puts the PCM of every complete frame so far.
MMRESULT ConvertMpeg(MpegCodec& codec, const BYTE* source, std::size_t size, PcmOutput& out);

} // namespace plat::media
