// The raw-value scale of volume controls and the lookups of the mixer model.
#include "platform/device/MixerModel.h"

#include <algorithm>
#include <cmath>

namespace plat {

namespace {

constexpr DWORD VOLUME_MAX = 0xFFFF;

} // namespace

DWORD VolumeFromRaw(long raw, const RawRange& range) {
    if (range.max <= range.min)
        return 0;
    raw = std::clamp(raw, range.min, range.max);
    const double span = static_cast<double>(range.max) - static_cast<double>(range.min);
    return static_cast<DWORD>(
        std::lround((static_cast<double>(raw) - range.min) * VOLUME_MAX / span));
}

long VolumeToRaw(DWORD volume, const RawRange& range) {
    volume = std::min(volume, VOLUME_MAX);
    const double span = static_cast<double>(range.max) - static_cast<double>(range.min);
    return range.min + std::lround(volume * span / VOLUME_MAX);
}

const ModelLine* MixerModel::FindLine(DWORD lineId) const {
    for (const ModelLine& dest : destinations) {
        if (dest.id == lineId)
            return &dest;
        for (const ModelLine& src : dest.sources)
            if (src.id == lineId)
                return &src;
    }
    return nullptr;
}

const ModelControl* MixerModel::FindControl(DWORD controlId, const ModelLine** line) const {
    auto search = [&](const ModelLine& l) -> const ModelControl* {
        for (const ModelControl& c : l.controls)
            if (c.id == controlId) {
                if (line)
                    *line = &l;
                return &c;
            }
        return nullptr;
    };
    for (const ModelLine& dest : destinations) {
        if (auto c = search(dest))
            return c;
        for (const ModelLine& src : dest.sources)
            if (auto c = search(src))
                return c;
    }
    return nullptr;
}

} // namespace plat
