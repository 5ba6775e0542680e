// The audio level of one buffer, shared by the player and the recorder:
// trunc(10 * log10(mean square of the samples, at least 1)) * 100, so 0 for
// silence, at most 9000 for full-scale 16-bit sound, always a multiple of 100.
#pragma once

#include "platform/mmsystem.h"

// data holds length bytes of PCM in the given format (8 or 16 bits; any other
// sample size measures 0). Channels of a frame are averaged first.
int MeasureLevel(const void* data, plat::DWORD length, const plat::WAVEFORMATEX& format);

// The loudest sample of one buffer and whether it clipped, beside its level.
struct BufferPeak {
    int peak = 0;         // the largest |sample|, as 16-bit: 0..32768
    bool clipped = false; // three samples in a row of one channel at full scale
};

// The same bytes and formats as MeasureLevel; 8-bit samples count as 16-bit
// (times 256). Full scale is -32768 or 32767 (0 or 255 in 8 bits).
BufferPeak MeasurePeak(const void* data, plat::DWORD length, const plat::WAVEFORMATEX& format);

// The figures of one recorded buffer, as the automatic level reads them.
struct LevelBuffer {
    int peak = 0;         // the largest |sample|, 0..32768
    int level = 0;        // MeasureLevel's: 100 per dB, 0 for silence
    bool clipped = false; // three full-scale samples in a row in this buffer
};

// dBFS of a 16-bit peak: 0 at full scale, -96 or lower for silence.
double PeakDbfs(int peak);
