// The audio level of one buffer, shared by the player and the recorder:
// trunc(10 * log10(mean square of the samples, at least 1)) * 100, so 0 for
// silence, at most 9000 for full-scale 16-bit sound, always a multiple of 100.
#pragma once

#include "platform/mmsystem.h"

// data holds length bytes of PCM in the given format (8 or 16 bits; any other
// sample size measures 0). Channels of a frame are averaged first.
int MeasureLevel(const void* data, plat::DWORD length, const plat::WAVEFORMATEX& format);
