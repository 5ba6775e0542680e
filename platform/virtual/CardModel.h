// What a virtual sound card is made of: mixer devices with their lines and
// controls, wave devices with the PCM formats they accept, busy answers and
// injected failures. Built in code (tests, the default card) or read from a
// card description file (CardFile.h).
#pragma once

#include "platform/mmsystem.h"
#include "platform/sound_backend.h"

#include <optional>
#include <string>
#include <vector>

namespace plat {

struct VirtualListItem {
    std::string name;        // shown as list text; names a source line of the destination
    DWORD lineId = 0;        // filled when the card is built: the named line's id, or 0
    DWORD componentType = 0; // and its component type
};

struct VirtualControl {
    DWORD type = MIXERCONTROL_CONTROLTYPE_VOLUME;
    std::string shortName;
    std::string name;
    DWORD flags = 0; // MIXERCONTROL_CONTROLF_*
    LONG minimum = 0;
    LONG maximum = 65535;
    DWORD steps = 0;                    // 0: maximum - minimum
    std::vector<VirtualListItem> items; // list controls (MULTIPLE flag)
    // Values, channel-major: channel c, item i at c * max(1, items) + i. A
    // UNIFORM control keeps one channel. Missing values read as minimum.
    std::vector<LONG> values;
    DWORD id = 0; // filled when the card is built
};

struct VirtualLine {
    std::string shortName;
    std::string name;
    DWORD componentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    DWORD channels = 2;
    DWORD flags = MIXERLINE_LINEF_ACTIVE; // SOURCE is added for source lines
    DWORD targetType = MIXERLINE_TARGETTYPE_UNDEFINED;
    DWORD targetDevice = 0;
    std::vector<VirtualControl> controls;
    std::vector<VirtualLine> sources; // destinations only
    DWORD id = 0;                     // filled when the card is built
};

struct VirtualMixer {
    std::string name = "Virtual Mixer";
    WORD mid = 1;
    WORD pid = 1;
    MMVERSION version = 0x0100;
    DWORD support = 0;
    std::vector<VirtualLine> destinations;
};

struct PcmFormat {
    DWORD rate = 11025;
    WORD bits = 16;
    WORD channels = 1;
    bool operator==(const PcmFormat&) const = default;
};

// What the microphone delivers.
struct MicrophoneSignal {
    enum class Kind { Voice, Silence, Sine, Noise, File };
    Kind kind = Kind::Voice;
    double amplitude = 8000; // peak, in 16-bit sample units (sine, noise)
    double frequency = 440;  // Hz (sine)
    std::string file;        // WAVE file played in a loop (File)
};

struct VirtualWaveDevice {
    std::string name;
    WORD mid = 1;
    WORD pid = 1;
    MMVERSION version = 0x0100;
    WORD channels = 2;
    DWORD support = 0; // WAVECAPS_* (wave-out only)
    std::vector<PcmFormat> formats;
    int busyAttempts = 0; // opens (and format queries) answered MMSYSERR_ALLOCATED
    // In the device list (ListDevices): the id, "" for "waveout-N" /
    // "wavein-N" by the device's number in the description, and the form.
    std::string id;
    DeviceFormFactor formFactor = DeviceFormFactor::Unknown;
    // An unplugged device is in no list and answers no wave call until the
    // card plugs it (CVirtualCard::SetPlugged).
    bool plugged = true;
    // The device's mute as the device list shows it (unset: unknown), and
    // whether a wave-in device hears a wave-out one (a monitor).
    std::optional<bool> mute;
    bool monitor = false;
    // What the device list tells of its rate (0: nothing) and whether it is
    // a Bluetooth headset in its hands-free profile (the card file's `Rate`
    // and `HandsFree`).
    unsigned rate = 0;
    bool handsFree = false;
    // What a wave-in device hears of its own (the card file's `Microphone`
    // in its section), unscaled by the card's mixers; unset: the card's
    // microphone, through the recording mixer.
    std::optional<MicrophoneSignal> microphone;
};

// A call that fails with `code`. `device` narrows it to one device, mixer or
// control id (-1: every one); `times` is how often it fails (-1: always);
// `skip` lets that many calls pass first.
struct VirtualFailure {
    std::string call; // "waveOutOpen", "mixerSetControlDetails", ...
    MMRESULT code = MMSYSERR_ERROR;
    long device = -1;
    int times = -1;
    int skip = 0;
};

struct VirtualCardDesc {
    std::string name = "Virtual Sound Card";
    std::vector<VirtualMixer> mixers;
    std::vector<VirtualWaveDevice> waveOut;
    std::vector<VirtualWaveDevice> waveIn;
    std::vector<VirtualFailure> failures;
    MicrophoneSignal microphone;
    std::string outputFile; // what the card plays is written here on each waveOutClose
};

// The sixteen PCM formats 8000/11025/22050/44100 Hz, 8/16 bit, mono/stereo.
std::vector<PcmFormat> AllPcmFormats();

// The built-in card: one mixer with a speakers destination (volume, mute;
// wave-out, CD, line-in and microphone sources with volume and mute) and a
// wave-in destination (volume, a MUX over its sources; microphone and line-in
// sources with a volume), one wave-out and one wave-in device taking every
// format of AllPcmFormats().
VirtualCardDesc DefaultCardDesc();

} // namespace plat
