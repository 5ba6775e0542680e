// The mixer lines and controls one mixer shows through the mixer calls, bound
// to the raw values of a backend's elements (ElementAccess.h): a backend builds
// the model from what its device has (ALSA's simple mixer in platform/alsa/
// MixerMapping.cpp, the sound server's cards in platform/pulse/PulseMapping.cpp).
//
// Control ids are numbered in walk order from 1, so the same device always
// gives the same ids. Volumes show 0..65535 whatever the element's range.
#pragma once

#include "platform/device/ElementAccess.h"
#include "platform/mmsystem.h"

#include <string>
#include <vector>

namespace plat {

enum class ControlBinding {
    PlaybackVolume,
    PlaybackMute, // the playback switch, inverted
    CaptureVolume,
    CaptureMute, // the capture switch, inverted
    SwitchList,  // one capture switch per item
    EnumList,    // one enumeration item per item
};

struct ModelControl {
    DWORD id = 0;
    DWORD type = 0;
    DWORD flags = 0;
    std::string shortName;
    std::string name;
    ControlBinding binding = ControlBinding::PlaybackVolume;
    std::size_t element = 0;               // volume, mute and enumeration bindings
    std::vector<std::size_t> itemElements; // SwitchList: the element of each item
    std::vector<std::string> items;        // list controls: the item names
    std::vector<DWORD> itemLines; // list controls: the line id named by each item (0: none)
    std::vector<DWORD> itemTypes; // list controls: that line's component type
    RawRange range;               // volume bindings: the element's raw range

    DWORD ItemCount() const { return static_cast<DWORD>(items.size()); }
};

struct ModelLine {
    DWORD id = 0;
    DWORD componentType = 0;
    DWORD targetType = MIXERLINE_TARGETTYPE_UNDEFINED;
    DWORD channels = 1;
    std::string shortName;
    std::string name;
    std::vector<ModelControl> controls;
    std::vector<ModelLine> sources; // destinations only
};

struct MixerModel {
    std::vector<ModelLine> destinations;

    const ModelLine* FindLine(DWORD lineId) const;
    const ModelControl* FindControl(DWORD controlId, const ModelLine** line = nullptr) const;
};

// Raw element value <-> the 0..65535 a volume control shows, rounded.
DWORD VolumeFromRaw(long raw, const RawRange& range);
long VolumeToRaw(DWORD volume, const RawRange& range);

} // namespace plat
