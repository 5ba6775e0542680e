// Which conversions the MPEG decoder of mpeg_decoder.h makes, on every
// system: MPEG layer III at one of its sample rates, mono or stereo, to
// 16-bit PCM with the same rate and channels.
#pragma once

#include "platform/mmsystem.h"

namespace plat {

bool IsMpegSampleRate(DWORD rate);

// The pair acmStreamOpen accepts; `src` has at least the 12 extra bytes of
// MPEGLAYER3WAVEFORMAT when its cbSize says so.
bool MpegConversionPossible(LPCWAVEFORMATEX src, LPCWAVEFORMATEX dst);

} // namespace plat
