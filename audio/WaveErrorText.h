// The text of a failed wave call: the system's text for the code when it has
// one, else "ERROR : <call> = <code>".
#pragma once

#include "platform/mmsystem.h"

#include <string>

std::string WaveOutErrorText(plat::MMRESULT code, const char* call);
std::string WaveInErrorText(plat::MMRESULT code, const char* call);
