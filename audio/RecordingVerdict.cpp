#include "audio/RecordingVerdict.h"

#include "audio/MeasureLevel.h"
#include "audio/WaveFileReader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <numbers>

using namespace plat;

namespace {

// A run of full-scale samples is three long: a frame is measured with the two
// sample frames after it, so a run that starts in its last two is seen there.
constexpr std::size_t kLookAheadFrames = 2;
// The band above 4 kHz is measured on at most this many samples of each frame
// (all 20 ms up to 12.8 kHz): the spectrum's cost stays that of a slow rate.
constexpr std::size_t kSpectrumSamples = 256;
// The file is read in pieces of this size, whatever its length.
constexpr DWORD kReadBytes = 64 * 1024;

double RmsDbfs(double rms) {
    return rms <= 0 ? kSilenceDbfs : std::max(kSilenceDbfs, 20.0 * std::log10(rms / 32768.0));
}

// Nearest rank: the smallest value that at least p percent of the values
// do not exceed.
double Percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const double rank = std::ceil(p / 100.0 * static_cast<double>(values.size()));
    const auto index = static_cast<std::size_t>(std::clamp(rank, 1.0, double(values.size())));
    return values[index - 1];
}

// The syllables: peaks of the frames' levels (in dB, over three frames) that
// stand dipDb above the lowest level on either side before a higher peak or
// the end. A step up and a steady sound have none, each syllable one.
// Returns the peaks' frames.
std::vector<std::size_t> FindSyllables(const std::vector<double>& rms, double dipDb) {
    const std::size_t n = rms.size();
    std::vector<double> db(n);
    for (std::size_t i = 0; i < n; ++i) {
        double sum = 0;
        std::size_t count = 0;
        for (std::size_t j = i > 0 ? i - 1 : 0; j <= std::min(n - 1, i + 1); ++j, ++count)
            sum += RmsDbfs(rms[j]);
        db[i] = sum / static_cast<double>(count);
    }
    std::vector<std::size_t> peaks;
    for (std::size_t i = 1; i + 1 < n; ++i) {
        if (!(db[i] > db[i - 1] && db[i] >= db[i + 1]))
            continue;
        double left = db[i], right = db[i];
        for (std::size_t j = i; j-- > 0 && db[j] <= db[i];)
            left = std::min(left, db[j]);
        for (std::size_t j = i + 1; j < n && db[j] <= db[i]; ++j)
            right = std::min(right, db[j]);
        if (db[i] - left >= dipDb && db[i] - right >= dipDb)
            peaks.push_back(i);
    }
    return peaks;
}

} // namespace

const char* VerdictKey(Verdict verdict) {
    switch (verdict) {
    case Verdict::NoVoice:
        return "NoVoice";
    case Verdict::TooQuiet:
        return "TooQuiet";
    case Verdict::TooLoud:
        return "TooLoud";
    case Verdict::TooNoisy:
        return "TooNoisy";
    case Verdict::Good:
        return "Good";
    }
    return "NoVoice";
}

CRecordingMeter::CRecordingMeter(const WAVEFORMATEX& format, const VerdictLimits& limits)
    : m_format(format), m_limits(limits) {
    const bool pcm = format.wBitsPerSample == 8 || format.wBitsPerSample == 16;
    const std::size_t block = std::size_t(format.nChannels) * (format.wBitsPerSample / 8);
    const std::size_t frame = std::size_t(format.nSamplesPerSec) * limits.frameMs / 1000;
    if (pcm && block > 0 && frame > 0)
        m_frameBytes = frame * block;
    if (m_frameBytes == 0)
        return;
    const double rate = format.nSamplesPerSec;
    m_decimation = std::max<std::size_t>(1, static_cast<std::size_t>(rate / limits.pitchRateHz));
    const double pitchRate = rate / static_cast<double>(m_decimation);
    m_window = std::max<std::size_t>(1, frame / m_decimation);
    m_minLag = std::max<std::size_t>(1, static_cast<std::size_t>(pitchRate / limits.pitchHighHz));
    m_maxLag = std::max(m_minLag, static_cast<std::size_t>(pitchRate / limits.pitchLowHz));
    m_pitchSamples.assign(m_window + m_maxLag + 1, 0.0);

    // The high band's first bin of a frame's spectrum (none at 8 kHz or less).
    if (rate > 2 * limits.wideBandHz)
        m_highBin = static_cast<std::size_t>(
            std::ceil(limits.wideBandHz * double(std::min(frame, kSpectrumSamples)) / rate));
}

double CRecordingMeter::FramePeriod() const {
    // d(t): the squared difference of the window and the window t later;
    // d'(t) = d(t) / mean(d(1..t)). A period shows as a dip well below 1:
    // the first that reaches under voicedDip, at its lowest (the later dips
    // at its multiples are no deeper), between samples by a parabola.
    const std::vector<double>& x = m_pitchSamples;
    std::vector<double> dip(m_maxLag + 2, 1.0);
    double total = 0;
    for (std::size_t lag = 1; lag <= m_maxLag + 1 && lag + m_window <= x.size(); ++lag) {
        double d = 0;
        for (std::size_t n = 0; n < m_window; ++n) {
            const double diff = x[n] - x[n + lag];
            d += diff * diff;
        }
        total += d;
        dip[lag] = total > 0 ? d * static_cast<double>(lag) / total : 1.0;
    }
    for (std::size_t lag = m_minLag; lag <= m_maxLag; ++lag) {
        if (dip[lag] >= m_limits.voicedDip)
            continue;
        while (lag < m_maxLag && dip[lag + 1] < dip[lag])
            ++lag;
        const double left = dip[lag - 1], right = dip[lag + 1];
        const double curve = left - 2 * dip[lag] + right;
        const double shift = curve > 0 ? 0.5 * (left - right) / curve : 0;
        return static_cast<double>(lag) + std::clamp(shift, -0.5, 0.5);
    }
    return 0;
}

void CRecordingMeter::MeasureVoice(const std::vector<double>& mono) {
    // The energy above wideBandHz: the spectrum of the frame's start through
    // a Hann window, whose side lobes keep the voice's strong low band out of
    // the high bins; Parseval gives the whole.
    const std::size_t n = std::min(mono.size(), kSpectrumSamples);
    std::vector<double> windowed(n);
    double energy = 0, high = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * double(i) / double(n));
        windowed[i] = w * mono[i];
        energy += windowed[i] * windowed[i];
    }
    for (std::size_t k = m_highBin; m_highBin > 0 && k <= n / 2; ++k) {
        // Goertzel's recurrence: the bin's power for one multiplication a sample.
        const double coefficient = 2 * std::cos(2 * std::numbers::pi * double(k) / double(n));
        double s1 = 0, s2 = 0;
        for (double v : windowed) {
            const double s0 = v + coefficient * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
        // Both halves of the spectrum but the Nyquist bin, which has one.
        high += (2 * k == n ? 1 : 2) * power / double(n);
    }
    for (double v : mono) {
        m_decimationSum += v;
        if (++m_decimationCount == m_decimation) {
            m_pitchSamples.erase(m_pitchSamples.begin());
            m_pitchSamples.push_back(m_decimationSum / static_cast<double>(m_decimation));
            m_decimationSum = 0;
            m_decimationCount = 0;
        }
    }
    m_frameEnergy.push_back(energy);
    m_frameHighEnergy.push_back(high);
    m_framePeriod.push_back(FramePeriod());
}

void CRecordingMeter::MeasureFrame(const std::uint8_t* frame, std::size_t frameBytes,
                                   std::size_t lookAhead) {
    const BufferPeak peak =
        MeasurePeak(frame, static_cast<DWORD>(frameBytes + lookAhead), m_format);
    m_peak = std::max(m_peak, peak.peak);
    if (peak.clipped)
        ++m_clippedFrames;
    if (frameBytes < m_frameBytes)
        return; // a partial frame: too short for a level
    double sum = 0;
    const std::size_t channels = m_format.nChannels;
    const std::size_t samples = frameBytes / (m_format.wBitsPerSample / 8);
    std::vector<double> mono(samples / channels, 0.0);
    for (std::size_t i = 0; i < samples; ++i) {
        const double v = m_format.wBitsPerSample == 16
                             ? static_cast<std::int16_t>(frame[2 * i] | (frame[2 * i + 1] << 8))
                             : (frame[i] - 128) * 256.0;
        sum += v * v;
        mono[i / channels] += v / static_cast<double>(channels);
    }
    m_frameRms.push_back(std::sqrt(sum / static_cast<double>(samples)));
    MeasureVoice(mono);
}

void CRecordingMeter::Add(const void* data, std::size_t length) {
    if (!Supported() || data == nullptr || length == 0)
        return;
    m_totalBytes += length;
    // Only whole sample frames are kept in m_bytes past what was measured.
    m_bytes.erase(m_bytes.begin(), m_bytes.end() - static_cast<std::ptrdiff_t>(m_pending));
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    m_bytes.insert(m_bytes.end(), bytes, bytes + length);
    const std::size_t lookAhead = kLookAheadFrames * m_format.nBlockAlign;
    std::size_t at = 0;
    while (m_bytes.size() - at >= m_frameBytes + lookAhead) {
        MeasureFrame(m_bytes.data() + at, m_frameBytes, lookAhead);
        at += m_frameBytes;
    }
    m_pending = m_bytes.size() - at;
}

RecordingFigures CRecordingMeter::Figures() const {
    // What is left: at most a whole frame and a partial one, without a look-ahead
    // beyond the end.
    CRecordingMeter rest(*this);
    const std::uint8_t* tail = rest.m_bytes.data() + (rest.m_bytes.size() - rest.m_pending);
    std::size_t left = rest.m_pending;
    const std::size_t block = m_format.nBlockAlign ? m_format.nBlockAlign : 1;
    left -= left % block;
    while (left > 0) {
        const std::size_t frame = std::min(left, m_frameBytes);
        rest.MeasureFrame(tail, frame, std::min(left - frame, kLookAheadFrames * block));
        tail += frame;
        left -= frame;
    }

    RecordingFigures f;
    if (m_format.nAvgBytesPerSec)
        f.seconds = double(m_totalBytes) / m_format.nAvgBytesPerSec;
    f.frames = rest.m_frameRms.size();
    f.peak = rest.m_peak;
    f.peakDbfs = PeakDbfs(rest.m_peak);
    f.clippedFrames = rest.m_clippedFrames;
    if (!rest.m_frameRms.empty()) {
        f.floorDbfs = RmsDbfs(Percentile(rest.m_frameRms, m_limits.floorPercentile));
        f.speechDbfs = RmsDbfs(Percentile(rest.m_frameRms, m_limits.speechPercentile));
    }
    f.signalToNoiseDb = f.speechDbfs - f.floorDbfs;
    if (rest.m_frameRms.empty())
        return f;

    double energy = 0;
    for (double rms : rest.m_frameRms)
        energy += rms * rms;
    f.rmsDbfs = RmsDbfs(std::sqrt(energy / static_cast<double>(rest.m_frameRms.size())));
    // The loud frames: their pitch and their high band.
    // Over digital silence every breath and fading tail is far above the
    // floor; those within loudBelowSpeechDb of the speech's level count.
    const double loud = std::max(Percentile(rest.m_frameRms, m_limits.floorPercentile) *
                                     std::pow(10.0, m_limits.noVoiceAboveFloorDb / 20),
                                 Percentile(rest.m_frameRms, m_limits.speechPercentile) *
                                     std::pow(10.0, -m_limits.loudBelowSpeechDb / 20));
    std::size_t voiced = 0;
    double loudEnergy = 0, highEnergy = 0;
    for (std::size_t i = 0; i < rest.m_frameRms.size(); ++i) {
        if (rest.m_frameRms[i] < loud || rest.m_frameRms[i] <= 0)
            continue;
        ++f.loudFrames;
        voiced += rest.m_framePeriod[i] > 0 ? 1 : 0;
        loudEnergy += rest.m_frameEnergy[i];
        highEnergy += rest.m_frameHighEnergy[i];
    }
    // A note holds its pitch from frame to frame, a voice glides.
    std::size_t pairs = 0, steady = 0;
    for (std::size_t i = 1; i < rest.m_frameRms.size(); ++i) {
        const double now = rest.m_framePeriod[i], before = rest.m_framePeriod[i - 1];
        if (rest.m_frameRms[i] < loud || rest.m_frameRms[i - 1] < loud || now <= 0 || before <= 0)
            continue;
        ++pairs;
        if (std::abs(now - before) / now < m_limits.steadyPitchChange)
            ++steady;
    }
    if (pairs > 0)
        f.steadyPitchShare = static_cast<double>(steady) / static_cast<double>(pairs);
    if (f.loudFrames > 0)
        f.voicedShare = static_cast<double>(voiced) / static_cast<double>(f.loudFrames);
    if (f.loudFrames == 0) {
        // No loud frame: the band of the whole recording.
        for (std::size_t i = 0; i < rest.m_frameRms.size(); ++i) {
            loudEnergy += rest.m_frameEnergy[i];
            highEnergy += rest.m_frameHighEnergy[i];
        }
    }
    if (highEnergy > 0 && loudEnergy > 0)
        f.highBandDb = std::max(kSilenceDbfs, 10 * std::log10(highEnergy / loudEnergy));
    f.wideBand = f.highBandDb >= -m_limits.narrowBandBelowDb;
    // The syllables' rate from the median time between one and the next, so
    // that pauses between sentences do not slow it; one syllable has none.
    const std::vector<std::size_t> peaks = FindSyllables(rest.m_frameRms, m_limits.syllableDipDb);
    f.syllables = peaks.size();
    if (peaks.size() > 1) {
        std::vector<double> gaps;
        for (std::size_t i = 1; i < peaks.size(); ++i)
            gaps.push_back(static_cast<double>(peaks[i] - peaks[i - 1]));
        f.syllableRateHz = 1000.0 / (Percentile(gaps, 50) * m_limits.frameMs);
    }
    return f;
}

RecordingFigures MeasureRecording(const void* data, std::size_t length, const WAVEFORMATEX& format,
                                  const VerdictLimits& limits) {
    CRecordingMeter meter(format, limits);
    meter.Add(data, length);
    return meter.Figures();
}

Verdict JudgeRecording(const RecordingFigures& f, const VerdictLimits& limits) {
    if (f.peakDbfs < limits.noVoicePeakDbfs || f.signalToNoiseDb < limits.noVoiceAboveFloorDb ||
        f.voicedShare < limits.minVoicedShare || f.steadyPitchShare > limits.maxSteadyPitchShare ||
        f.syllableRateHz < limits.syllableLowHz || f.syllableRateHz > limits.syllableHighHz)
        return Verdict::NoVoice;
    if (f.clippedFrames > 0 || f.peakDbfs > limits.loudPeakDbfs)
        return Verdict::TooLoud;
    if (f.peakDbfs < limits.quietPeakDbfs)
        return Verdict::TooQuiet;
    if (f.signalToNoiseDb < limits.minSignalToNoiseDb)
        return Verdict::TooNoisy;
    return Verdict::Good;
}

std::string DescribeFigures(const RecordingFigures& f) {
    char text[400];
    std::snprintf(text, sizeof text,
                  "%.2f s, %zu frames: noise floor %.1f dBFS, speech %.1f dBFS, peak %.1f dBFS "
                  "(%d), %zu clipped frames, signal-to-noise %.1f dB, RMS %.1f dBFS, "
                  "%zu loud frames %.0f%% voiced (%.0f%% steady), %zu syllables at %.1f Hz, high "
                  "band %.1f dB (%s)",
                  f.seconds, f.frames, f.floorDbfs, f.speechDbfs, f.peakDbfs, f.peak,
                  f.clippedFrames, f.signalToNoiseDb, f.rmsDbfs, f.loudFrames, 100 * f.voicedShare,
                  100 * f.steadyPitchShare, f.syllables, f.syllableRateHz, f.highBandDb,
                  f.wideBand ? "wide band" : "narrow band");
    return text;
}

RecordingAnalysis AnalyseRecording(const std::string& path, const VerdictLimits& limits,
                                   std::uint32_t skipBytes) {
    RecordingAnalysis result;
    CWaveFileReader reader;
    if (reader.Open(path) != S_OK) {
        result.error = path + ": " + reader.GetLastError();
        return result;
    }
    CRecordingMeter meter(*reader.GetFormat(), limits);
    if (!meter.Supported()) {
        result.error = path + ": only 8- and 16-bit PCM can be measured, not " +
                       std::to_string(reader.GetFormat()->wBitsPerSample) + "-bit";
        return result;
    }
    std::vector<std::uint8_t> buffer(kReadBytes);
    DWORD left = reader.GetDataSize();
    const DWORD block = std::max<DWORD>(reader.GetFormat()->nBlockAlign, 1);
    DWORD skip = skipBytes / block * block;
    if (skip >= left)
        skip = 0;
    while (left > 0) {
        DWORD got = 0;
        const DWORD want = std::min(left, skip > 0 ? std::min(skip, kReadBytes) : kReadBytes);
        if (reader.Read(want, buffer.data(), got) != S_OK) {
            result.error = path + ": " + reader.GetLastError();
            return result;
        }
        if (got == 0)
            break;
        if (skip > 0)
            skip -= got;
        else
            meter.Add(buffer.data(), got);
        left -= got;
    }
    result.figures = meter.Figures();
    result.verdict = JudgeRecording(result.figures, limits);
    result.ok = true;
    return result;
}

int RunVerdict(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const SpeechSentence& sentence, const std::string& modelRoot) {
    const RecordingAnalysis a = AnalyseRecording(args.at(0));
    if (!a.ok) {
        err << "pelmora: " << a.error << "\n";
        return 1;
    }
    const RecordingFigures& f = a.figures;
    char text[800];
    std::snprintf(text, sizeof text,
                  "verdict: %s\n"
                  "duration: %.2f s\n"
                  "noise floor: %.1f dBFS\n"
                  "speech level: %.1f dBFS\n"
                  "RMS level: %.1f dBFS\n"
                  "peak: %.1f dBFS\n"
                  "clipped frames: %zu\n"
                  "signal-to-noise: %.1f dB\n"
                  "voiced share: %.0f%% of %zu loud frames, %.0f%% holding their pitch\n"
                  "syllables: %zu at %.1f Hz\n"
                  "above %.0f kHz: %.1f dB (%s)\n",
                  VerdictKey(a.verdict), f.seconds, f.floorDbfs, f.speechDbfs, f.rmsDbfs,
                  f.peakDbfs, f.clippedFrames, f.signalToNoiseDb, 100 * f.voicedShare, f.loudFrames,
                  100 * f.steadyPitchShare, f.syllables, f.syllableRateHz,
                  kVerdictLimits.wideBandHz / 1000, f.highBandDb,
                  f.wideBand ? "wide band" : "narrow band");
    out << text;
    if (a.verdict != Verdict::NoVoice && !f.wideBand)
        out << "note: no sound above " << kVerdictLimits.wideBandHz / 1000
            << " kHz, as through a telephone or a Bluetooth headset's hands-free profile: a "
               "speech recogniser understands it less well\n";
    const SpeechResult speech = CheckSpeechFile(args.at(0), sentence, modelRoot);
    out << "speech recogniser: " << DescribeSpeech(speech) << "\n";
    const bool understood = speech.outcome == SpeechOutcome::Understood ||
                            speech.outcome == SpeechOutcome::NoRecogniser;
    return a.verdict == Verdict::Good && understood ? 0 : 1;
}
