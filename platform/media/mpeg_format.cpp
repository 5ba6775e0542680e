#include "platform/media/mpeg_format.h"

#include <algorithm>
#include <iterator>

namespace plat {

bool IsMpegSampleRate(DWORD rate) {
    static constexpr DWORD kRates[] = {44100, 48000, 32000, 22050, 24000,
                                       16000, 11025, 12000, 8000};
    return std::find(std::begin(kRates), std::end(kRates), rate) != std::end(kRates);
}

bool MpegConversionPossible(LPCWAVEFORMATEX src, LPCWAVEFORMATEX dst) {
    if (src->wFormatTag != WAVE_FORMAT_MPEGLAYER3 || src->cbSize < MPEGLAYER3_WFX_EXTRA_BYTES)
        return false;
    const auto* mp3 = reinterpret_cast<const MPEGLAYER3WAVEFORMAT*>(src);
    if (mp3->wID != MPEGLAYER3_ID_MPEG || !IsMpegSampleRate(src->nSamplesPerSec))
        return false;
    if (src->nChannels != 1 && src->nChannels != 2)
        return false;
    if (dst->wFormatTag != WAVE_FORMAT_PCM || dst->wBitsPerSample != 16)
        return false;
    if (dst->nChannels != src->nChannels || dst->nSamplesPerSec != src->nSamplesPerSec)
        return false;
    return dst->nBlockAlign == dst->nChannels * 2 &&
           dst->nAvgBytesPerSec == dst->nBlockAlign * dst->nSamplesPerSec;
}

} // namespace plat
