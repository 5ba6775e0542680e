// Whether a recording is fit for speech recognition. The samples are cut into
// 20 ms frames; the quiet frames give the noise floor, the loud ones the
// speech level, and the peak and clipping come from MeasurePeak. Whether the
// loud frames are a voice at all is told by their pitch (each frame's
// cumulative mean normalised difference, as in YIN) and by the syllable
// rhythm of the frames' levels. Every threshold of the verdict sits in
// kVerdictLimits.
#pragma once

#include "audio/SpeechCheck.h"
#include "platform/mmsystem.h"

#include <cstddef>
#include <cstdint>
#include <ostream>
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
    // The loud frames, whose voicing is judged, lie noVoiceAboveFloorDb over
    // the floor and at most loudBelowSpeechDb under the speech's level.
    double loudBelowSpeechDb = 30;
    // A good recording peaks between these, with no clipped frame ...
    double quietPeakDbfs = -18;
    double loudPeakDbfs = -1;
    // ... and its speech this far above its noise floor.
    double minSignalToNoiseDb = 20;

    // A voice has a pitch in this range in a good share of its loud frames
    // (those noVoiceAboveFloorDb over the floor): a frame is voiced when its
    // cumulative mean normalised difference dips below voicedDip at some
    // period of the range. The pitch is sought in the samples averaged down
    // to about pitchRateHz. A fan's noise stays near 1 (white) or above
    // (brown), a hum's period lies outside the range.
    double pitchLowHz = 70;
    double pitchHighHz = 400;
    double pitchRateHz = 8000;
    double voicedDip = 0.3;
    double minVoicedShare = 0.3;
    // A played note holds its pitch: of the voiced loud frames that follow
    // one another, at most maxSteadyPitchShare keep their period within
    // steadyPitchChange of the frame before. Speech glides.
    double steadyPitchChange = 0.005;
    double maxSteadyPitchShare = 0.75;
    // ... and its level rises and falls with its syllables: peaks of the
    // frames' levels syllableDipDb above the levels on either side, between
    // syllableLowHz and syllableHighHz apart. A steady noise, a hum or a tone
    // has no such peaks.
    double syllableDipDb = 6;
    double syllableLowHz = 2;
    double syllableHighHz = 8;

    // Wide band: the loud frames' energy above wideBandHz is at most
    // narrowBandBelowDb under their whole energy. Speech through an 8 kHz
    // rate or a telephone's filter has none there.
    double wideBandHz = 4000;
    double narrowBandBelowDb = 35;
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
    double rmsDbfs = kSilenceDbfs; // RMS of every whole frame
    std::size_t loudFrames = 0;    // frames over the floor and near the speech, as the limits say
    double voicedShare = 0;        // of the loud frames, those with a pitch
    double steadyPitchShare = 0;   // of voiced loud frames in a row, those holding the pitch
    std::size_t syllables = 0;     // peaks of the levels syllableDipDb over either side
    double syllableRateHz = 0;     // syllables a second, from the first to the last
    double highBandDb = kSilenceDbfs; // loud frames' energy above wideBandHz, to their whole
    bool wideBand = false;            // highBandDb within narrowBandBelowDb
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
    // Feeds one frame's samples, mixed to one channel, to the pitch search and
    // the spectrum of its high band.
    void MeasureVoice(const std::vector<double>& mono);
    // The pitch's period of the last frame in samples at the pitch's rate, 0
    // for none.
    double FramePeriod() const;

    plat::WAVEFORMATEX m_format{};
    VerdictLimits m_limits;
    std::size_t m_frameBytes = 0;
    std::size_t m_pending = 0; // bytes of m_bytes not yet measured
    std::vector<std::uint8_t> m_bytes;
    std::vector<double> m_frameRms; // 16-bit units
    int m_peak = 0;
    std::size_t m_clippedFrames = 0;
    std::size_t m_totalBytes = 0;

    // The pitch search: samples averaged m_decimation at a time.
    std::size_t m_decimation = 1;
    double m_decimationSum = 0;
    std::size_t m_decimationCount = 0;
    std::size_t m_window = 0; // samples of the frame at the pitch's rate
    std::size_t m_minLag = 0, m_maxLag = 0;
    std::vector<double> m_pitchSamples; // the last m_window + m_maxLag + 1
    std::vector<double> m_framePeriod;
    std::size_t m_highBin = 0; // the first bin above wideBandHz; 0 for none
    std::vector<double> m_frameEnergy, m_frameHighEnergy;
};

// The figures of one block of samples.
RecordingFigures MeasureRecording(const void* data, std::size_t length,
                                  const plat::WAVEFORMATEX& format,
                                  const VerdictLimits& limits = kVerdictLimits);

Verdict JudgeRecording(const RecordingFigures& figures,
                       const VerdictLimits& limits = kVerdictLimits);

// One line for the trace log: duration, frames, floor, speech, peak,
// clipped frames, signal-to-noise ratio, voicing, rhythm and band.
std::string DescribeFigures(const RecordingFigures& figures);

struct RecordingAnalysis {
    bool ok = false;
    std::string error; // why the file could not be measured
    RecordingFigures figures;
    Verdict verdict = Verdict::NoVoice;
};

// Reads a PCM WAVE file through CWaveFileReader and judges it, from its
// skipBytes-th byte of sound on (rounded down to whole sample frames; the
// whole file where that leaves nothing).
RecordingAnalysis AnalyseRecording(const std::string& path,
                                   const VerdictLimits& limits = kVerdictLimits,
                                   std::uint32_t skipBytes = 0);

// --verdict FILE: the verdict and its figures on `out`, then what the speech
// recogniser understood of `sentence` (or that none serves its language); 0
// for Good understood at the pass mark, 1 for any other verdict, a count below
// the mark, a recogniser that failed or a file that cannot be measured (the
// reason on `err`).
int RunVerdict(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const SpeechSentence& sentence,
               const std::string& modelRoot = plat::SpeechModelRoot());
