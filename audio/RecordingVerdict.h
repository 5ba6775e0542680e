// Whether a recording is fit for speech recognition. The samples are cut into
// 20 ms frames; the quiet frames give the noise floor, the loud ones the
// speech level, and the peak and clipping come from MeasurePeak. Every
// threshold of the verdict sits in kVerdictLimits.
#pragma once

#include "platform/mmsystem.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct VerdictLimits {
    unsigned frameMs = 20;
    // Nearest-rank percentiles of the frames' RMS levels: the floor is what
    // the quietest tenth of the frames reaches, the speech what the loudest
    // twentieth reaches, so a sentence filling a twentieth of the recording
    // is heard.
    double floorPercentile = 10;
    double speechPercentile = 95;
    // No voice: the loudest sample below this, or the loud frames less than
    // this far above the floor (a steady hum or hiss, no words in it).
    double noVoicePeakDbfs = -40;
    double noVoiceAboveFloorDb = 6;
    // A good recording peaks between these, with no clipped frame ...
    double quietPeakDbfs = -18;
    double loudPeakDbfs = -1;
    // ... and its speech this far above its noise floor.
    double minSignalToNoiseDb = 20;
};
inline constexpr VerdictLimits kVerdictLimits{};

enum class Verdict { NoVoice, TooQuiet, TooLoud, TooNoisy, Good };

// The key of the verdict's text in the UI text section "Verdict".
const char* VerdictKey(Verdict verdict);

// Levels are dBFS: 0 for a full-scale square wave (so a full-scale sine's RMS
// is -3 dBFS), kSilenceDbfs for digital silence.
inline constexpr double kSilenceDbfs = -120;

struct RecordingFigures {
    double seconds = 0;
    std::size_t frames = 0;           // whole frames measured
    double floorDbfs = kSilenceDbfs;  // RMS of the quiet frames
    double speechDbfs = kSilenceDbfs; // RMS of the loud frames
    int peak = 0;                     // the largest |sample|, 0..32768
    double peakDbfs = kSilenceDbfs;   // PeakDbfs(peak)
    std::size_t clippedFrames =
        0;                      // frames holding three full-scale samples in a row, or their start
    double signalToNoiseDb = 0; // speechDbfs - floorDbfs
};

// The frames' figures of a stream of PCM (8 or 16 bits, any channel count)
// handed over in pieces of any size; a run of full-scale samples across two
// pieces counts as one run.
class CRecordingMeter {
public:
    explicit CRecordingMeter(const plat::WAVEFORMATEX& format,
                             const VerdictLimits& limits = kVerdictLimits);
    // False for a format it cannot measure (not 8 or 16 bits, no channels
    // or rate); Add then ignores the bytes.
    bool Supported() const { return m_frameBytes > 0; }
    void Add(const void* data, std::size_t length);
    // The figures of everything added; a last partial frame counts for the peak
    // and the clipping only.
    RecordingFigures Figures() const;

private:
    void MeasureFrame(const std::uint8_t* frame, std::size_t frameBytes, std::size_t lookAhead);

    plat::WAVEFORMATEX m_format{};
    VerdictLimits m_limits;
    std::size_t m_frameBytes = 0;
    std::size_t m_pending = 0; // bytes of m_bytes not yet measured
    std::vector<std::uint8_t> m_bytes;
    std::vector<double> m_frameRms; // 16-bit units
    int m_peak = 0;
    std::size_t m_clippedFrames = 0;
    std::size_t m_totalBytes = 0;
};

// The figures of one block of samples.
RecordingFigures MeasureRecording(const void* data, std::size_t length,
                                  const plat::WAVEFORMATEX& format,
                                  const VerdictLimits& limits = kVerdictLimits);

Verdict JudgeRecording(const RecordingFigures& figures,
                       const VerdictLimits& limits = kVerdictLimits);

// One line for the trace log: duration, frames, floor, speech, peak,
// clipped frames, signal-to-noise ratio.
std::string DescribeFigures(const RecordingFigures& figures);

struct RecordingAnalysis {
    bool ok = false;
    std::string error; // why the file could not be measured
    RecordingFigures figures;
    Verdict verdict = Verdict::NoVoice;
};

// Reads a PCM WAVE file through CWaveFileReader and judges it.
RecordingAnalysis AnalyseRecording(const std::string& path,
                                   const VerdictLimits& limits = kVerdictLimits);
