// What the mixer mapping needs to know of one ALSA simple-mixer element: its
// name, which volumes and switches it has, their ranges and its enumeration
// items. Filled from ALSA by AlsaMixerCard, or by hand in tests.
#pragma once

#include <string>
#include <vector>

namespace plat {

struct AlsaRange {
    long min = 0;
    long max = 0;
};

struct AlsaElement {
    std::string name;
    unsigned index = 0; // the simple-element index ("Mic",1)

    bool playbackVolume = false;
    AlsaRange playbackRange;
    bool playbackSwitch = false;
    unsigned playbackChannels = 0;

    bool captureVolume = false;
    AlsaRange captureRange;
    bool captureSwitch = false;
    bool captureSwitchExclusive = false; // one switch of the card's capture group
    unsigned captureChannels = 0;

    // A gain of no direction ("Mic Boost"): not a line of its own.
    bool commonVolume = false;

    // An enumerated element ("Input Source") and whether it chooses capture.
    std::vector<std::string> enumItems;
    bool enumCapture = false;
};

// Which value of an element a mixer control reads or writes.
enum class ElementValue { PlaybackVolume, PlaybackSwitch, CaptureVolume, CaptureSwitch, EnumItem };

// Reads and writes raw element values (ALSA units, first channel read, all
// channels written). Results are 0 or a negative errno.
class CElementAccess {
public:
    virtual ~CElementAccess() = default;
    virtual int Get(std::size_t element, ElementValue what, long& value) = 0;
    virtual int Set(std::size_t element, ElementValue what, long value) = 0;
};

} // namespace plat
