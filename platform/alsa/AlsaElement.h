// What the mixer mapping needs to know of one ALSA simple-mixer element, and
// the plain mapping that builds a card's mixer model from its element list.
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
// Filled from ALSA by AlsaMixerCard, or by hand in tests.
#pragma once

#include "platform/device/MixerModel.h"

#include <string>
#include <vector>

namespace plat {

struct AlsaElement {
    std::string name;
    unsigned index = 0; // the simple-element index ("Mic",1)

    bool playbackVolume = false;
    RawRange playbackRange;
    bool playbackSwitch = false;
    unsigned playbackChannels = 0;

    bool captureVolume = false;
    RawRange captureRange;
    bool captureSwitch = false;
    bool captureSwitchExclusive = false; // one switch of the card's capture group
    unsigned captureChannels = 0;

    // A gain of no direction ("Mic Boost"): not a line of its own.
    bool commonVolume = false;

    // An enumerated element ("Input Source") and whether it chooses capture.
    std::vector<std::string> enumItems;
    bool enumCapture = false;
};

MixerModel BuildMixerModel(const std::vector<AlsaElement>& elements);

// The component type a source line of this name gets ("Mic" a microphone, …).
DWORD SourceComponentType(const std::string& elementName);

} // namespace plat
