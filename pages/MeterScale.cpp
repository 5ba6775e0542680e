#include "pages/MeterScale.h"

#include "audio/MeasureLevel.h"

#include <algorithm>
#include <cmath>

namespace {

// 20 log10 32768 x 100: full scale on the meter's scale.
constexpr double kFullScale = 9030.9;

} // namespace

int MeterPosOfDbfs(double dbfs) {
    return std::max(0, static_cast<int>(std::lround(kFullScale + 100.0 * dbfs)));
}

int MeterPosOfPeak(int peak) {
    return peak <= 0 ? 0 : MeterPosOfDbfs(PeakDbfs(peak));
}

MeterZone SpeechMeterZone() {
    return {MeterPosOfDbfs(kTargetPeakLowDbfs - kSpeechCrestDb),
            MeterPosOfDbfs(kTargetPeakHighDbfs - kSpeechCrestDb)};
}
