// The mixer lines and controls one ALSA card shows through the mixer calls,
// and the plain mapping that builds them from the card's element list.
//
// Speakers destination: "Master", else "Headphone", else "PCM", else the
// first element with a playback volume; its volume and its switch (inverted)
// as mute. Every other element with a playback volume is a source line of it.
// Wave-in destination: "Capture" (capture volume, switch inverted as mute),
// or a destination without controls of its own when the card can record but
// has no such element. Its source lines: the items of an enumerated capture
// source, then every element with a capture switch or capture volume. Its
// recording-source choice: a MUX over the enumeration or over exclusive
// capture switches, a MIXER over independent ones.
//
// Control ids are numbered in walk order from 1, so the same card always
// gives the same ids. Volumes show 0..65535 whatever the element's range.
#pragma once

#include "platform/alsa/AlsaElement.h"
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
    AlsaRange range;              // volume bindings: the element's raw range

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

MixerModel BuildMixerModel(const std::vector<AlsaElement>& elements);

// The component type a source line of this name gets ("Mic" a microphone, …).
DWORD SourceComponentType(const std::string& elementName);

// Raw element value <-> the 0..65535 a volume control shows, rounded.
DWORD VolumeFromRaw(long raw, const AlsaRange& range);
long VolumeToRaw(DWORD volume, const AlsaRange& range);

} // namespace plat
