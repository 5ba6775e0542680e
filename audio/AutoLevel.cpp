#include "audio/AutoLevel.h"

#include "audio/MeasureLevel.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kFullScale = 32767;

} // namespace

void CAutoLevel::Reset() {
    const plat::VolumeCurve curve = std::move(m_curve);
    *this = CAutoLevel();
    m_curve = curve;
}

double CAutoLevel::GainDb(int volume) const {
    return plat::CurveGainDb(m_curve, static_cast<double>(volume) / kMaxVolume);
}

int CAutoLevel::VolumeAtMost(double db) const {
    const double fraction = plat::CurveFractionFor(m_curve, db);
    int volume = static_cast<int>(std::floor(fraction * kMaxVolume + 1e-9));
    // The fraction reaches db; the step below it is the last not to pass it.
    while (volume > kMinVolume && GainDb(volume) > db + 1e-9)
        --volume;
    return std::clamp(volume, kMinVolume, kMaxVolume);
}

int CAutoLevel::MendedVolume(double peakDbfs, bool clipped, int volume) const {
    if (volume < 0)
        return volume;
    const double gain = GainDb(volume);
    return VolumeAtMost(clipped ? gain - kClipDropDb : gain + kAimDb - peakDbfs);
}

bool CAutoLevel::IsSpeech(const LevelBuffer& buffer, double gainDb) const {
    if (PeakDbfs(buffer.peak) - gainDb < kSpeechPeakDb)
        return false;
    const int floor = *std::min_element(m_levels.begin(), m_levels.end());
    return buffer.level >= floor + (floor == 0 ? kSpeechAboveSilence : kSpeechAboveFloor);
}

int CAutoLevel::OnBuffer(const LevelBuffer& buffer, int volume) {
    m_lastSpeech = false;
    if (volume < 0)
        return volume;
    if (m_settle > 0) {
        --m_settle;
        return volume;
    }
    m_levels.push_back(buffer.level);
    if (m_levels.size() > kFloorBuffers)
        m_levels.pop_front();
    m_heard.push_back(buffer);
    if (m_heard.size() > kFloorBuffers)
        m_heard.pop_front();
    const double gain = GainDb(volume);
    // Too loud is never silence: down at once.
    if (buffer.clipped || buffer.peak >= kFullScale)
        return Drop(volume, gain - kClipDropDb);
    const double peakDb = PeakDbfs(buffer.peak);
    if (peakDb > kTargetHighDb)
        return Drop(volume, gain + kAimDb - peakDb);
    m_lastSpeech = IsSpeech(buffer, gain);

    // What was heard since the last change, judged against the floor as it
    // stands now: a recording that starts in the middle of a sentence learns
    // the room's floor only at the first pause, and the words before it count
    // from then on.
    std::size_t speech = 0;
    int loudest = 0;
    int low = 0, high = 0;
    bool begun = false;
    for (const LevelBuffer& heard : m_heard) {
        loudest = std::max(loudest, heard.peak);
        const bool spoken = IsSpeech(heard, gain);
        if (spoken && !begun) {
            begun = true;
            low = high = heard.level;
        }
        if (!begun)
            continue;
        // Every buffer since the first word, pauses and soft sounds too.
        low = std::min(low, heard.level);
        high = std::max(high, heard.level);
        speech += spoken ? 1 : 0;
    }
    if (speech < kQuietBuffersBeforeRise)
        return volume;
    // Speech comes in syllables; a sound that starts and stays as it is (a
    // fan switched on) is the room's new floor, not a voice. Words said
    // without a break are heard on until a pause shows their syllables.
    if (high - low < kSpeechSwing)
        return volume;
    // Up to where the loudest sound heard at this volume lands at the aim,
    // and only while nothing heard reached the band: a sentence's soft words
    // are no reason to push its loud ones out of it.
    if (PeakDbfs(loudest) >= kTargetLowDb)
        return volume;
    const double rise = std::min(kMaxRiseDb, kAimDb - PeakDbfs(loudest));
    return rise >= kLeastRiseDb ? Rise(volume, gain + rise) : volume;
}

int CAutoLevel::Drop(int volume, double gainDb) {
    m_ceilingDb = std::min(m_ceilingDb, GainDb(volume));
    const int to = VolumeAtMost(gainDb);
    return to < volume ? Apply(volume, to) : volume;
}

int CAutoLevel::Rise(int volume, double gainDb) {
    // A decibel below the gain found too loud, and never past the control.
    const int to = VolumeAtMost(std::min(gainDb, m_ceilingDb - 1));
    return to > volume ? Apply(volume, to) : volume;
}

int CAutoLevel::Apply(int volume, int next) {
    // The room's floor was heard at the old gain: it moves with the change
    // (the levels are 100 per dB), so steady noise stays below the gate.
    const int shift = static_cast<int>(std::lround(100 * (GainDb(next) - GainDb(volume))));
    for (int& level : m_levels)
        level = std::max(level + shift, 0);
    m_heard.clear();
    m_settle = kSettleBuffers;
    return next;
}
