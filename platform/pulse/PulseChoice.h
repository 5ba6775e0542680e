// Which of the server's devices the wizard works on. A machine may have a
// built-in card, a USB or Bluetooth headset, an HDMI screen and a webcam; the
// wizard tests and sets one microphone and one output, and says which.
//
// A headset comes first: a USB or Bluetooth card with both a microphone
// (a source that is no monitor) and an output, the one of the default sink
// or source before the others. Else the card of the default sink, with a
// microphone of the same card where it has one. Else whatever answers: the
// default source when it is no monitor, the first source that is none.
//
// The user may then choose another sink or source (ChoosePulseDevice); a
// chosen device that goes (unplugged) gives way to the server's default of
// its kind, which the choice then follows until the user chooses again
// (FollowPulseChoice).
//
// The backend shows the mixers of the chosen devices' cards and the defaults
// mixer only, and selecting the microphone on the chosen source makes it the
// server's default source and the chosen sink the default sink.
#pragma once

#include "platform/pulse/PulseMapping.h"

#include <string>
#include <vector>

namespace plat {

struct PulseChoice {
    std::string sink;     // "" when the server has no sink
    std::string source;   // "" when it has no source that is no monitor
    std::string sinkCard; // the cards of both, "" for devices of no card
    std::string sourceCard;
    // What the user reads: the card's description, else the device's.
    std::string speakers;
    std::string microphone;
    // The side's device went: it is the server's default from then on.
    bool sinkFollowsDefault = false;
    bool sourceFollowsDefault = false;
    // Every card the choice named since the wizard started ("" for the
    // devices of no card), in order: the snapshot holds their controls, so
    // their mixers stay for Cancel to put back after another choice.
    std::vector<std::string> cardsChosen;
};

PulseChoice ChoosePulseDevices(const PulseLists& lists);

// `choice` with the sink (a source when `input`) named `name` chosen by the
// user; unchanged when the lists hold no such device, or it is a monitor.
PulseChoice ChoosePulseDevice(const PulseLists& lists, PulseChoice choice, bool input,
                              const std::string& name);

// `choice` as the current lists leave it: a side whose device is gone, or
// that follows the default since, takes the server's default of its kind,
// else the first of the lists (for a microphone: the first source that is
// no monitor), "" when there is none.
PulseChoice FollowPulseChoice(const PulseLists& lists, PulseChoice choice);

// The mixers the backend shows for `choice`, from the server's current
// lists: the sink's card, the source's card when it is another, then the
// defaults. A chosen card that is gone keeps its place as a mixer without
// lines, so the mixers' numbers stay those of the snapshot. The cards chosen
// earlier follow, before the defaults, with their destinations typed as
// nothing the wizard's walk looks for: their controls are reached by id only,
// by the restore, never by a volume meant for the chosen devices.
std::vector<PulseMixerMap> MapChosenPulseMixers(const PulseLists& lists, const PulseChoice& choice);

} // namespace plat
