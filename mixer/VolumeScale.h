// The volume scale of the wizard: 0..10000, 0 at a control's minimum and 10000
// at its maximum, with truncating division.
#pragma once

#include "platform/types.h"

constexpr plat::DWORD VOLUME_SCALE = 10000;

// Whether a control with these bounds can carry a volume at all.
constexpr bool VolumeScalable(plat::DWORD min, plat::DWORD max) {
    return max > min;
}

// raw = min + v * (max - min) / 10000 (v above 10000 counts as 10000). The
// product is formed in 64 bits so that wide controls do not wrap.
constexpr plat::DWORD VolumeToRaw(plat::DWORD v, plat::DWORD min, plat::DWORD max) {
    const std::uint64_t span = max - min;
    const std::uint64_t scaled = (v > VOLUME_SCALE ? VOLUME_SCALE : v) * span / VOLUME_SCALE;
    return min + static_cast<plat::DWORD>(scaled);
}

// v = (raw - min) * 10000 / (max - min), raw clamped to the bounds.
constexpr int RawToVolume(plat::DWORD raw, plat::DWORD min, plat::DWORD max) {
    if (raw <= min)
        return 0;
    if (raw >= max)
        return static_cast<int>(VOLUME_SCALE);
    const std::uint64_t span = max - min;
    return static_cast<int>((raw - min) * std::uint64_t{VOLUME_SCALE} / span);
}
