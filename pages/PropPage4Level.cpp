// The microphone page's automatic level: the controller fed from the recorder
// while a recording runs, and the level mended after one it left wrong.
#include "pages/PropPage4.h"
#include "pages/RecordingVerdictLine.h"
#include "pages/SheetServices.h"
#include "platform/system/trace.h"

#include <vector>

void CPropPage4::StartAutoLevel() {
    // How the recording volume maps to gain on the device in use; a linear
    // amplitude where the mixer cannot tell.
    plat::VolumeCurve curve;
    if (!Sheet()->Mixer().GetRecordingCurve(curve))
        curve = plat::VolumeCurve{};
    m_autoLevel.SetCurve(curve);
    m_autoLevel.Reset();
    const CWaveRecorder& recorder = Sheet()->AudioEngine().Recorder();
    m_autoLevelBuffers = recorder.GetBufferCount();
    m_autoLevelStart = m_autoLevelBuffers;
    m_autoLevelMoved = 0;
    m_autoLevelLastMove = 0;
    m_autoLevelActive = true;
}

void CPropPage4::AdjustLevel() {
    if (!m_autoLevelActive)
        return;
    // Every buffer since the last tick, in order: a server may hand over
    // several at once.
    std::vector<LevelBuffer> fresh;
    const std::uint64_t seen = m_autoLevelBuffers;
    m_autoLevelBuffers = Sheet()->AudioEngine().Recorder().RecentBuffers(seen, fresh);
    for (const LevelBuffer& buffer : fresh) {
        const int volume = m_volume.GetPos();
        const int next = m_autoLevel.OnBuffer(buffer, volume);
        if (next == volume)
            continue;
        // Without a recording control to move there is nothing to adjust.
        if (!SetRecordingVolume(next)) {
            m_autoLevelActive = false;
            return;
        }
        m_volume.SetPos(next);
        m_autoLevelLastMove = next > volume ? 1 : -1;
        // The buffers handed over with this one were recorded before the
        // change: none of them is judged.
        m_autoLevelMoved = m_autoLevelBuffers - m_autoLevelStart;
        return;
    }
}

std::uint32_t CPropPage4::UnsettledBytes() const {
    if (m_autoLevelMoved == 0)
        return 0;
    // The buffers up to the last change, and those it took to reach the
    // samples; judged alone, too short a rest says less than the whole.
    constexpr std::uint64_t kShortestJudged = 12; // about 2 s
    const std::uint64_t recorded =
        Sheet()->AudioEngine().Recorder().GetBufferCount() - m_autoLevelStart;
    const std::uint64_t unsettled = m_autoLevelMoved + CAutoLevel::kSettleBuffers + 1;
    if (recorded < unsettled + kShortestJudged)
        return 0;
    return static_cast<std::uint32_t>(unsettled * CWaveRecorder::kBufferSize);
}

void CPropPage4::MendLevel(const RecordingAnalysis& analysis, bool judgedSettled) {
    const bool loud = analysis.verdict == Verdict::TooLoud;
    if (!loud && analysis.verdict != Verdict::TooQuiet)
        return;
    const int volume = m_volume.GetPos();
    int next = volume;
    if (m_autoLevelMoved == 0 || judgedSettled) {
        // All that was judged was recorded at this volume.
        next = m_autoLevel.MendedVolume(analysis.figures.peakDbfs,
                                        analysis.figures.clippedFrames > 0, volume);
        // Only a move the verdict asks for: a bound reached leaves its words.
        if (loud ? next >= volume : next <= volume)
            return;
        if (!SetRecordingVolume(next))
            return;
        m_volume.SetPos(next);
        TRACE_LOG(0, "PropPage4", __LINE__, "Automatic level mended: volume %d -> %d", volume,
                  next);
    } else if (m_autoLevelLastMove != (loud ? -1 : 1)) {
        // Recorded at several volumes, too little after the last change to
        // judge it alone: the level already moved the way the verdict asks,
        // which is said; a move the other way leaves the verdict's words.
        return;
    }
    ShowVerdictText(m_verdict, m_finishLabel,
                    MendedVerdictText(analysis, (next * 100 + CAutoLevel::kMaxVolume / 2) /
                                                    CAutoLevel::kMaxVolume));
}
