// The raw values behind the mixer model's controls: an element of the
// backend's device (an ALSA simple-mixer element, a sound-server sink or
// source) has a playback and a capture volume in its own units, switches and
// enumeration items, which the mixer calls read and write through this.
#pragma once

#include "platform/volume_curve.h"

#include <cstddef>

namespace plat {

// The range of an element's raw volume.
struct RawRange {
    long min = 0;
    long max = 0;
};

// Which value of an element a mixer control reads or writes.
enum class ElementValue { PlaybackVolume, PlaybackSwitch, CaptureVolume, CaptureSwitch, EnumItem };

// Reads and writes raw element values (the backend's units, first channel
// read, all channels written). Results are 0 or a negative errno.
class CElementAccess {
public:
    virtual ~CElementAccess() = default;
    virtual int Get(std::size_t element, ElementValue what, long& value) = 0;
    virtual int Set(std::size_t element, ElementValue what, long value) = 0;
    // How a volume of the element over range maps to gain; false where the
    // element does not tell (a linear amplitude is then assumed).
    virtual bool VolumeCurveOf(std::size_t /*element*/, ElementValue /*what*/,
                               const RawRange& /*range*/, VolumeCurve& /*curve*/) {
        return false;
    }
};

} // namespace plat
