// Why a page's music, replay or recording ended by itself, in words the user
// knows: the device it went to or came from was unplugged (named as the
// device list named it when the sound started), or the sound server stopped.
// A page notes the device when its sound starts and asks when the engine
// says the sound ended.
#pragma once

#include "pages/SheetServices.h"

#include <optional>
#include <string>

// The device of that direction the wizard works on now (the one the wave
// calls of WAVE_MAPPER use), if the sound system lists one.
std::optional<SheetDevice> CurrentDevice(CSheetServices& sheet, bool input);

// The text of the page's section ("PropP3", "PropP4") for a sound on
// `device` that ended: "The music stopped: USB Headset was unplugged." when
// the device is no longer listed, the sound server's end when it went away;
// "" when neither explains it (the engine's own error text does).
std::string StreamEndText(CSheetServices& sheet, const std::optional<SheetDevice>& device,
                          const char* page, bool replay = false);
