// What the wizard says of the sound devices it works on: that the virtual
// card stands in for missing sound hardware (plat::VirtualCardIsFallback()),
// and which microphone and speakers were chosen among several. The words
// are texts of the table (texts/UiTexts.h), so a language file translates them.
#pragma once

#include "platform/text/text_encoding.h"
#include "texts/UiTexts.h"

#include <string>

// Page 1: two lines under the welcome text.
inline std::string SimulatedCardNoticeText() {
    return UiText("PropP1", "Simulated") + "\n" + UiText("PropP1", "Simulatedb");
}

// Appended to the window title.
inline std::string SimulatedCardTitleText() {
    return " - " + UiText("PropSheet", "Simulated");
}

// The sound-card test (page 2): a Soft error line.
inline const std::string& NoRealDeviceText() {
    return UiText("PropP2", "NoRealDevice");
}

// The sound-card test (page 2): a Successful line naming the devices the
// backend chose ("Microphone: USB Headset, speakers: USB Headset").
inline std::string ChosenDevicesLine(const std::string& microphone, const std::string& speakers) {
    const std::string& none = UiText("PropP2", "NoDevice");
    return FormatUiText(UiText("PropP2", "ChosenDevices"), {microphone.empty() ? none : microphone,
                                                            speakers.empty() ? none : speakers});
}

// Page 4: another microphone that hears the user, offered in the chosen
// one's place ("USB Headset Microphone hears you — use it?"). In UTF-8
// whatever the language file's encoding, as the device's name is.
inline std::string MicrophoneOfferText(const std::string& description) {
    return FormatUiText(plat::DecodeText(UiText("PropP4", "HearsYou")),
                        {plat::DecodeText(description)});
}

// The sheet's notice of a headset plugged in while the wizard runs ("USB
// Headset was plugged in — use it"), and its words when the headset cannot
// be chosen.
inline std::string PluggedInNoticeText(const std::string& device) {
    return FormatUiText(plat::DecodeText(UiText("PropSheet", "PluggedIn")),
                        {plat::DecodeText(device)});
}
inline std::string NotChosenNoticeText(const std::string& device, const std::string& why) {
    return FormatUiText(plat::DecodeText(UiText("PropSheet", "NotChosen")),
                        {plat::DecodeText(device), plat::DecodeText(why)});
}

// Why the music (page 3, "PropP3"), the recording or its replay (page 4,
// "PropP4") ended by itself: the device it used was unplugged, or the sound
// server stopped.
inline std::string UnpluggedText(const char* page, const std::string& device, bool replay = false) {
    return FormatUiText(plat::DecodeText(UiText(page, replay ? "ReplayUnplugged" : "Unplugged")),
                        {plat::DecodeText(device)});
}
inline const std::string& SoundServerGoneText(const char* page) {
    return UiText(page, "ServerGone");
}
