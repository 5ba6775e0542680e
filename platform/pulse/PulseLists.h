// What the sound server tells of its devices, as the mixer mapping needs it:
// cards with their profiles, sinks and sources with their ports, and the
// default sink and source. Filled from the server's information replies,
// or by hand in tests.
#pragma once

#include <string>
#include <vector>

namespace plat {

struct PulsePort {
    std::string name;        // "analog-input-mic"
    std::string description; // "Microphone"
    bool available = true;   // false when the server knows nothing is plugged in
};

struct PulseCard {
    unsigned index = 0;      // the server's index of it
    std::string name;        // "alsa_card.usb-Logitech_USB_Headset-00"
    std::string description; // "USB Headset"
    std::string bus;         // "pci", "usb", "bluetooth", "" when unknown
    std::vector<std::string> profiles;
    std::string activeProfile;
};

// A sink or a source.
struct PulseDevice {
    std::string name;        // "alsa_output.pci-0000_00_1f.3.analog-stereo"
    std::string description; // "Built-in Audio Analog Stereo"
    std::string card;        // the name of its card, "" when it belongs to none
    unsigned channels = 2;
    std::vector<PulsePort> ports;
    std::string activePort; // "" when it has no ports
    bool monitor = false;   // a source that hears a sink
    unsigned index = 0;     // the server's index of it
    long volume = 0x10000;  // the first channel's, 0x10000 being 100 %
    bool mute = false;
    std::string formFactor; // device.form_factor: "headset", "internal", "" when unknown
    std::string bus;        // device.bus: "usb", "bluetooth", "pci", "" when unknown
    unsigned rate = 0;      // the rate it runs at, 0 when unknown
    // A Bluetooth device's profile as the server names it ("headset_head_unit",
    // "headset-head-unit-cvsd", "a2dp_sink"), "" for other devices.
    std::string bluetoothProfile;
};

struct PulseLists {
    std::vector<PulseCard> cards;
    std::vector<PulseDevice> sinks;
    std::vector<PulseDevice> sources;
    std::string defaultSink;
    std::string defaultSource;

    const PulseDevice* FindSink(const std::string& name) const;
    const PulseDevice* FindSource(const std::string& name) const;
    const PulseCard* FindCard(const std::string& name) const;
};

} // namespace plat
