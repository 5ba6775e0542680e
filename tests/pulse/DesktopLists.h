// The lists of typical desktops as the sound server reports them, a server
// that keeps them in memory, and the mixer calls on a mapped mixer: shared by
// the mapping and the device-choice tests.
#pragma once

#include "platform/device/ModelMixer.h"
#include "platform/pulse/PulseElementAccess.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string>
#include <vector>

namespace plat::testing_lists {

inline PulsePort Port(const char* name, const char* description) {
    return {name, description};
}

inline PulseDevice Device(const char* name, const char* description, const char* card,
                          std::vector<PulsePort> ports = {}, bool monitor = false) {
    PulseDevice d;
    d.name = name;
    d.description = description;
    d.card = card;
    d.ports = std::move(ports);
    d.activePort = d.ports.empty() ? "" : d.ports.front().name;
    d.monitor = monitor;
    return d;
}

inline PulseCard Card(const char* name, const char* description, const char* bus,
                      std::vector<std::string> profiles, std::string active) {
    return {0, name, description, bus, std::move(profiles), std::move(active)};
}

// A laptop with built-in audio (speakers and headphone jack, internal and
// headset microphone) and a USB headset plugged in.
inline PulseLists Laptop() {
    PulseLists l;
    l.cards = {Card("alsa_card.pci-0000_00_1f.3", "Built-in Audio", "pci",
                    {"output:analog-stereo+input:analog-stereo"},
                    "output:analog-stereo+input:analog-stereo"),
               Card("alsa_card.usb-Logitech_USB_Headset-00", "USB Headset", "usb",
                    {"output:analog-stereo+input:mono-fallback"},
                    "output:analog-stereo+input:mono-fallback")};
    l.sinks = {Device("alsa_output.pci-0000_00_1f.3.analog-stereo", "Built-in Audio Analog Stereo",
                      "alsa_card.pci-0000_00_1f.3",
                      {Port("analog-output-speaker", "Speakers"),
                       Port("analog-output-headphones", "Headphones")}),
               Device("alsa_output.usb-Logitech_USB_Headset-00.analog-stereo",
                      "USB Headset Analog Stereo", "alsa_card.usb-Logitech_USB_Headset-00")};
    l.sources = {Device("alsa_output.pci-0000_00_1f.3.analog-stereo.monitor",
                        "Monitor of Built-in Audio", "alsa_card.pci-0000_00_1f.3", {}, true),
                 Device("alsa_input.pci-0000_00_1f.3.analog-stereo", "Built-in Audio Analog Stereo",
                        "alsa_card.pci-0000_00_1f.3",
                        {Port("analog-input-internal-mic", "Internal Microphone"),
                         Port("analog-input-headset-mic", "Headset Microphone")}),
                 Device("alsa_input.usb-Logitech_USB_Headset-00.mono-fallback", "USB Headset Mono",
                        "alsa_card.usb-Logitech_USB_Headset-00",
                        {Port("analog-input-mic", "Microphone")})};
    l.defaultSink = l.sinks[0].name;
    l.defaultSource = l.sources[0].name; // a monitor, as on many fresh desktops
    return l;
}

// A desktop with HDMI output and an analog card with line-in and microphone.
inline PulseLists Desktop() {
    PulseLists l;
    l.cards = {Card("alsa_card.pci-0000_01_00.1", "HDA NVidia", "pci", {"output:hdmi-stereo"},
                    "output:hdmi-stereo"),
               Card("alsa_card.pci-0000_00_14.2", "Built-in Audio", "pci",
                    {"output:analog-stereo+input:analog-stereo"}, "")};
    l.sinks = {Device("alsa_output.pci-0000_01_00.1.hdmi-stereo", "HDMI Audio",
                      "alsa_card.pci-0000_01_00.1", {Port("hdmi-output-0", "HDMI / DisplayPort")}),
               Device("alsa_output.pci-0000_00_14.2.analog-stereo", "Built-in Audio Analog Stereo",
                      "alsa_card.pci-0000_00_14.2", {Port("analog-output-lineout", "Line Out")})};
    l.sources = {Device("alsa_input.pci-0000_00_14.2.analog-stereo", "Built-in Audio Analog Stereo",
                        "alsa_card.pci-0000_00_14.2",
                        {Port("analog-input-linein", "Line In"),
                         Port("analog-input-rear-mic", "Rear Microphone")})};
    l.defaultSink = l.sinks[0].name;
    l.defaultSource = l.sources[0].name;
    return l;
}

// A Bluetooth headset: high-quality playback only, or the headset profile
// with a microphone.
inline PulseLists Bluetooth(bool headsetProfile) {
    PulseLists l;
    l.cards = {Card("bluez_card.00_1B_66_AA_BB_CC", "WH-Headset", "bluetooth",
                    {"a2dp-sink", "headset-head-unit"},
                    headsetProfile ? "headset-head-unit" : "a2dp-sink")};
    l.sinks = {Device(headsetProfile ? "bluez_sink.00_1B_66_AA_BB_CC.handsfree_head_unit"
                                     : "bluez_sink.00_1B_66_AA_BB_CC.a2dp_sink",
                      "WH-Headset", "bluez_card.00_1B_66_AA_BB_CC",
                      {Port(headsetProfile ? "headset-output" : "headphone-output", "Headset")})};
    l.sources = {Device("bluez_sink.00_1B_66_AA_BB_CC.monitor", "Monitor of WH-Headset",
                        "bluez_card.00_1B_66_AA_BB_CC", {}, true)};
    if (headsetProfile)
        l.sources.push_back(Device("bluez_source.00_1B_66_AA_BB_CC.handsfree_head_unit",
                                   "WH-Headset", "bluez_card.00_1B_66_AA_BB_CC",
                                   {Port("headset-input", "Headset Microphone")}));
    l.defaultSink = l.sinks[0].name;
    l.defaultSource = l.sources.back().name;
    return l;
}

inline const PulseMixerMap* Mixer(const std::vector<PulseMixerMap>& mixers,
                                  const std::string& name) {
    for (const PulseMixerMap& m : mixers)
        if (m.name == name)
            return &m;
    return nullptr;
}

inline const ModelLine* Destination(const PulseMixerMap& m, DWORD type) {
    for (const ModelLine& d : m.model.destinations)
        if (d.componentType == type)
            return &d;
    return nullptr;
}

inline const ModelControl* ControlOf(const ModelLine& line, DWORD type) {
    for (const ModelControl& c : line.controls)
        if (c.type == type)
            return &c;
    return nullptr;
}

// A server that keeps its lists in memory and counts the requests.
class CFakeServer : public CPulseServerControls {
public:
    explicit CFakeServer(PulseLists l) : lists(std::move(l)) {}
    PulseLists Lists() override { return lists; }
    int SetVolume(bool source, const std::string& device, long volume) override {
        ++requests;
        PulseDevice* d = Find(source, device);
        return d ? (d->volume = volume, 0) : -ENODEV;
    }
    int SetMute(bool source, const std::string& device, bool mute) override {
        ++requests;
        PulseDevice* d = Find(source, device);
        return d ? (d->mute = mute, 0) : -ENODEV;
    }
    int SetPort(bool source, const std::string& device, const std::string& port) override {
        ++requests;
        PulseDevice* d = Find(source, device);
        return d ? (d->activePort = port, 0) : -ENODEV;
    }
    int SetDefault(bool source, const std::string& device) override {
        ++requests;
        (source ? lists.defaultSource : lists.defaultSink) = device;
        return 0;
    }
    PulseDevice* Find(bool source, const std::string& name) {
        for (PulseDevice& d : source ? lists.sources : lists.sinks)
            if (d.name == name)
                return &d;
        return nullptr;
    }
    PulseLists lists;
    int requests = 0;
};

inline CModelMixer Open(const PulseMixerMap& map, CFakeServer& server) {
    return CModelMixer(map.name, map.model,
                       std::make_unique<CPulseElementAccess>(map.elements, server));
}

inline MIXERCONTROLDETAILS Details(const ModelControl& c, std::vector<DWORD>& values) {
    MIXERCONTROLDETAILS d{};
    d.cbStruct = sizeof d;
    d.dwControlID = c.id;
    d.cChannels = 1;
    d.cMultipleItems = c.items.empty() ? 0 : c.ItemCount();
    d.cbDetails = sizeof(DWORD);
    d.paDetails = values.data();
    return d;
}

inline MMRESULT SetValues(CModelMixer& mixer, const ModelControl& c, std::vector<DWORD> values) {
    MIXERCONTROLDETAILS d = Details(c, values);
    return mixer.SetControlDetails(&d, MIXER_SETCONTROLDETAILSF_VALUE);
}

inline std::vector<DWORD> GetValues(CModelMixer& mixer, const ModelControl& c, MMRESULT& result) {
    std::vector<DWORD> values(c.items.empty() ? 1 : c.items.size(), 0xDEAD);
    MIXERCONTROLDETAILS d = Details(c, values);
    result = mixer.GetControlDetails(&d, MIXER_GETCONTROLDETAILSF_VALUE);
    return values;
}

inline std::vector<DWORD> ControlIds(const PulseMixerMap& mixer) {
    std::vector<DWORD> out;
    for (const ModelLine& d : mixer.model.destinations) {
        for (const ModelControl& c : d.controls)
            out.push_back(c.id);
        for (const ModelLine& s : d.sources)
            for (const ModelControl& c : s.controls)
                out.push_back(c.id);
    }
    return out;
}

} // namespace plat::testing_lists
