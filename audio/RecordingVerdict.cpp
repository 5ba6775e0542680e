#include "audio/RecordingVerdict.h"

#include "audio/MeasureLevel.h"
#include "audio/WaveFileReader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

using namespace plat;

namespace {

// A run of full-scale samples is three long: a frame is measured with the two
// sample frames after it, so a run that starts in its last two is seen there.
constexpr std::size_t kLookAheadFrames = 2;
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
    std::size_t samples = 0;
    if (m_format.wBitsPerSample == 16) {
        samples = frameBytes / 2;
        for (std::size_t i = 0; i < samples; ++i) {
            const double v = static_cast<std::int16_t>(frame[2 * i] | (frame[2 * i + 1] << 8));
            sum += v * v;
        }
    } else {
        samples = frameBytes;
        for (std::size_t i = 0; i < samples; ++i) {
            const double v = (frame[i] - 128) * 256.0;
            sum += v * v;
        }
    }
    m_frameRms.push_back(std::sqrt(sum / static_cast<double>(samples)));
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
    return f;
}

RecordingFigures MeasureRecording(const void* data, std::size_t length, const WAVEFORMATEX& format,
                                  const VerdictLimits& limits) {
    CRecordingMeter meter(format, limits);
    meter.Add(data, length);
    return meter.Figures();
}

Verdict JudgeRecording(const RecordingFigures& f, const VerdictLimits& limits) {
    if (f.peakDbfs < limits.noVoicePeakDbfs || f.signalToNoiseDb < limits.noVoiceAboveFloorDb)
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
    char text[256];
    std::snprintf(text, sizeof text,
                  "%.2f s, %zu frames: noise floor %.1f dBFS, speech %.1f dBFS, peak %.1f dBFS "
                  "(%d), %zu clipped frames, signal-to-noise %.1f dB",
                  f.seconds, f.frames, f.floorDbfs, f.speechDbfs, f.peakDbfs, f.peak,
                  f.clippedFrames, f.signalToNoiseDb);
    return text;
}

RecordingAnalysis AnalyseRecording(const std::string& path, const VerdictLimits& limits) {
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
    while (left > 0) {
        DWORD got = 0;
        if (reader.Read(std::min(left, kReadBytes), buffer.data(), got) != S_OK) {
            result.error = path + ": " + reader.GetLastError();
            return result;
        }
        if (got == 0)
            break;
        meter.Add(buffer.data(), got);
        left -= got;
    }
    result.figures = meter.Figures();
    result.verdict = JudgeRecording(result.figures, limits);
    result.ok = true;
    return result;
}
