// What the wizard says of the sound devices it works on: that the virtual
// card stands in for missing sound hardware (plat::VirtualCardIsFallback()),
// and which microphone and speakers were chosen among several. English texts
// of their own, outside the language file's table.
#pragma once

#include <string>

// Page 1: a line under the welcome text.
inline constexpr const char* kSimulatedCardNotice =
    "No sound server or sound card answered: the sound card is simulated and\n"
    "no sound will be heard. Check the sound system with \"pelmora --report\".";

// Appended to the window title.
inline constexpr const char* kSimulatedCardTitle = " - simulated sound card, no sound";

// The sound-card test (page 2): a Soft error line.
inline constexpr const char* kNoRealDeviceLine =
    "No real sound device was found: the sound card is simulated";

// The sound-card test (page 2): a Successful line naming the devices the
// backend chose ("Microphone: USB Headset, speakers: USB Headset").
inline std::string ChosenDevicesLine(const std::string& microphone, const std::string& speakers) {
    return "Microphone: " + (microphone.empty() ? std::string("none") : microphone) +
           ", speakers: " + (speakers.empty() ? std::string("none") : speakers);
}
