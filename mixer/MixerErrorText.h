// What a bare mixer result code means to a person: appended to the wizard's
// error texts that end in a code, so "... : 4" goes on with the device it
// concerns and what the code says.
#pragma once

#include "platform/mmsystem.h"

#include <string>

// " (mixer 1 "USB Headset": The specified device is already in use. ...)";
// the name is left out when the device gives none.
std::string MixerFailureDetail(plat::UINT mixer, plat::MMRESULT code);
// " (mixer 1 "USB Headset")", for a failure that has no result code.
std::string MixerNameDetail(plat::UINT mixer);
