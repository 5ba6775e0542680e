#include "audio/AutoLevel.h"

#include "audio/MeasureLevel.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kFullScale = 32767;

double Ratio(double db) {
    return std::pow(10.0, db / 20.0);
}

} // namespace

void CAutoLevel::Reset() {
    *this = CAutoLevel();
}

bool CAutoLevel::IsSpeech(const LevelBuffer& buffer) const {
    if (buffer.peak < kSpeechPeak)
        return false;
    const int floor = *std::min_element(m_levels.begin(), m_levels.end());
    return buffer.level >= floor + kSpeechAboveFloor;
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
    // Too loud is never silence: down at once.
    if (buffer.clipped || buffer.peak >= kFullScale)
        return Drop(volume, volume * Ratio(-kClipDropDb));
    const double peakDb = PeakDbfs(buffer.peak);
    if (peakDb > kTargetHighDb)
        return Drop(volume, volume * Ratio(kAimDb - peakDb));
    m_lastSpeech = IsSpeech(buffer);
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
    const double rise = std::min(kMaxRiseDb, kAimDb - PeakDbfs(m_quietPeak));
    // Speech comes in syllables; a sound that starts and stays as it is (a
    // fan switched on) is the room's new floor, not a voice.
    const bool spoken = m_quietHigh - m_quietLow >= kSpeechSwing;
    m_quietBuffers = 0;
    m_quietPeak = 0;
    return spoken ? Rise(volume, volume * Ratio(rise)) : volume;
}

int CAutoLevel::Drop(int volume, double next) {
    m_ceiling = std::min(m_ceiling, volume);
    const int to = std::max(static_cast<int>(std::lround(next)), kMinVolume);
    return to < volume ? Apply(volume, to) : volume;
}

int CAutoLevel::Rise(int volume, double next) {
    int to = std::max(static_cast<int>(std::lround(next)), kMinVolume);
    // A decibel below the volume found too loud, and never past the control.
    if (m_ceiling <= kMaxVolume)
        to = std::min(to, static_cast<int>(m_ceiling * Ratio(-1)));
    to = std::min(to, kMaxVolume);
    return to > volume ? Apply(volume, to) : volume;
}

int CAutoLevel::Apply(int volume, int next) {
    // The room's floor was heard at the old volume: it moves with the change
    // (the levels are 100 per dB), so steady noise stays below the gate.
    if (volume > 0) {
        const int shift = static_cast<int>(std::lround(2000.0 * std::log10(double(next) / volume)));
        for (int& level : m_levels)
            level = std::max(level + shift, 0);
    }
    m_quietBuffers = 0;
    m_quietPeak = 0;
    m_settle = kSettleBuffers;
    return next;
}
