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
    // Every buffer since quiet speech began, pauses and soft sounds too.
    if (m_quietBuffers > 0) {
        m_quietLow = std::min(m_quietLow, buffer.level);
        m_quietHigh = std::max(m_quietHigh, buffer.level);
    }
    const double gain = GainDb(volume);
    // Too loud is never silence: down at once.
    if (buffer.clipped || buffer.peak >= kFullScale)
        return Drop(volume, gain - kClipDropDb);
    const double peakDb = PeakDbfs(buffer.peak);
    if (peakDb > kTargetHighDb)
        return Drop(volume, gain + kAimDb - peakDb);
    m_loudestPeak = std::max(m_loudestPeak, buffer.peak);
    m_lastSpeech = IsSpeech(buffer, gain);
    if (!m_lastSpeech)
        return volume;
    if (peakDb >= kTargetLowDb) {
        // In the band: the count of quiet speech starts again.
        m_quietBuffers = 0;
        m_quietPeak = 0;
        return volume;
    }
    m_quietPeak = std::max(m_quietPeak, buffer.peak);
    if (m_quietBuffers == 0)
        m_quietLow = m_quietHigh = buffer.level;
    if (++m_quietBuffers < kQuietBuffersBeforeRise)
        return volume;
    // Up to where the loudest sound heard at this volume lands at the aim:
    // a sentence's soft words are no reason to push its loud ones out of the
    // band.
    const double rise =
        std::min(kMaxRiseDb, kAimDb - PeakDbfs(std::max(m_quietPeak, m_loudestPeak)));
    // Speech comes in syllables; a sound that starts and stays as it is (a
    // fan switched on) is the room's new floor, not a voice.
    const bool spoken = m_quietHigh - m_quietLow >= kSpeechSwing;
    m_quietBuffers = 0;
    m_quietPeak = 0;
    return spoken && rise >= kLeastRiseDb ? Rise(volume, gain + rise) : volume;
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
    m_quietBuffers = 0;
    m_quietPeak = 0;
    m_loudestPeak = 0;
    m_settle = kSettleBuffers;
    return next;
}
