// The plain mapping of the server's lists onto mixer devices, lines and
// controls.
//
// One mixer per card, named by the card's description, in the order of the
// cards' names; then one for the sinks and sources that belong to no card;
// then one for the server's defaults. Each sink is a speakers destination
// with the sink's volume and mute, and a wave-out source line carrying the
// sink's volume again. Each source that is no monitor is a wave-in
// destination with the source's volume and mute and a MUX over its ports
// (one source line per port, a microphone port typed as a microphone); a
// source without ports is a one-item MUX over itself. The defaults mixer has
// one destination whose two MUX controls choose the default sink and the
// default source, so the snapshot saves and restores them.
//
// Control ids are derived from the device's name and the control's job, so
// a device keeps its ids whatever the order of the server's lists. Volumes
// show 0..65535 for the server's 0..100 %; the amplified range above it is
// not reachable through a control.
#pragma once

#include "platform/device/MixerModel.h"
#include "platform/pulse/PulseLists.h"

#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// The server's 100 % volume (its "normal" volume).
constexpr long kPulseVolumeNorm = 0x10000;

enum class PulseTarget { Sink, Source, DefaultSink, DefaultSource };

// What the element index of a mapped control stands for: a sink or a source
// by name (its volume, mute and active port), or one of the defaults, whose
// items are `choices` (device names, in the order of the control's items).
struct PulseElement {
    PulseTarget target = PulseTarget::Sink;
    std::string device;
    std::vector<std::string> choices;
    // The source the wizard records from: choosing its microphone also makes
    // it the default source, and `pairedSink` ("" for none) the default sink.
    bool chosenInput = false;
    std::string pairedSink;
};

struct PulseMixerMap {
    std::string name;
    std::string card; // the card's name; "" for the card-less and defaults mixers
    MixerModel model;
    std::vector<PulseElement> elements;
};

constexpr const char* kPulseOtherDevices = "Other Sound Devices";
constexpr const char* kPulseDefaults = "Default Sound Devices";

// `firstSink` and `firstSource` name devices whose destinations come first
// in their mixer (the mixer calls find the first destination of a kind).
std::vector<PulseMixerMap> MapPulseMixers(const PulseLists& lists,
                                          const std::string& firstSink = "",
                                          const std::string& firstSource = "");

// The component type of a source's port ("analog-input-mic" a microphone).
DWORD PulsePortComponentType(const PulsePort& port);

// A control id of 31 bits, never 0, from a device name and a control's job.
DWORD PulseControlId(const std::string& device, const char* job);

} // namespace plat
