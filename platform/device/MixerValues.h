// Reading and writing the value of a mapped mixer control through the card's
// elements: one value per item for list controls, one otherwise. Volumes are
// 0..65535, mutes and list items 0 or 1.
#pragma once

#include "platform/device/MixerModel.h"

#include <vector>

namespace plat {

// Results are MMSYSERR_NOERROR, MIXERR_INVALVALUE for a value the control
// cannot take, or the negative errno of a failed element access in alsaError
// with MMSYSERR_ERROR.
MMRESULT ReadControlValues(const ModelControl& control, CElementAccess& access,
                           std::vector<DWORD>& values, int& alsaError);
MMRESULT WriteControlValues(const ModelControl& control, CElementAccess& access,
                            const std::vector<DWORD>& values, int& alsaError);

} // namespace plat
