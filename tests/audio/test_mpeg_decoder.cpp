// The conversion stream from MPEG layer III to PCM behind the MPEG reader.
#include "platform/media/mp3_frame.h"
#include "platform/media/mpeg_decoder.h"
#include "tests/support/MpegReference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

using namespace plat;
namespace fs = std::filesystem;
using Bytes = std::vector<BYTE>;

namespace {

fs::path DataDir() {
    if (const char* root = std::getenv("PELMORA_SOURCE_DIR"))
        return fs::path(root) / "tests" / "data" / "mpeg";
    return fs::path(__FILE__).parent_path().parent_path() / "data" / "mpeg";
}

Bytes Load(const char* name) {
    std::ifstream in(DataDir() / name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

MPEGLAYER3WAVEFORMAT Mp3Format(WORD channels, DWORD rate) {
    MPEGLAYER3WAVEFORMAT f{};
    f.wfx = {WAVE_FORMAT_MPEGLAYER3, channels, rate, 16000, 1, 0, MPEGLAYER3_WFX_EXTRA_BYTES};
    f.wID = MPEGLAYER3_ID_MPEG;
    f.fdwFlags = MPEGLAYER3_FLAG_PADDING_OFF;
    f.nBlockSize = 1;
    f.nFramesPerBlock = 1;
    f.nCodecDelay = 1393;
    return f;
}

WAVEFORMATEX Pcm(WORD channels, DWORD rate, WORD bits = 16) {
    const WORD align = static_cast<WORD>(channels * bits / 8);
    return {WAVE_FORMAT_PCM, channels, rate, align * rate, align, bits, 0};
}

// An open stream for the mono 44100 Hz test tone, with a prepared header.
struct Conversion {
    Conversion(Bytes& source, Bytes& destination) {
        const MPEGLAYER3WAVEFORMAT src = Mp3Format(1, 44100);
        const WAVEFORMATEX dst = Pcm(1, 44100);
        EXPECT_EQ(acmStreamOpen(&stream, nullptr, &src.wfx, &dst, nullptr, 0, 0,
                                ACM_STREAMOPENF_NONREALTIME),
                  MMSYSERR_NOERROR);
        header.cbStruct = sizeof header;
        header.pbSrc = source.data();
        header.cbSrcLength = static_cast<DWORD>(source.size());
        header.pbDst = destination.data();
        header.cbDstLength = static_cast<DWORD>(destination.size());
        EXPECT_EQ(acmStreamPrepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
    }
    ~Conversion() {
        acmStreamUnprepareHeader(stream, &header, 0);
        acmStreamClose(stream, 0);
    }
    HACMSTREAM stream = nullptr;
    ACMSTREAMHEADER header{};
};

// How far a sample may be from the reference decode: on Linux not at all.
constexpr int kSampleTolerance = kMpegCodecExtraSteps;

std::vector<std::int16_t> Samples(const Bytes& pcm) {
    std::vector<std::int16_t> samples(pcm.size() / 2);
    std::memcpy(samples.data(), pcm.data(), samples.size() * 2);
    return samples;
}

void ExpectSamePcm(const Bytes& decoded, const Bytes& reference) {
    ASSERT_EQ(decoded.size(), reference.size());
    const std::vector<std::int16_t> a = Samples(decoded), b = Samples(reference);
    int worst = 0;
    std::size_t at = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::abs(a[i] - b[i]) > worst) {
            worst = std::abs(a[i] - b[i]);
            at = i;
        }
    EXPECT_LE(worst, kSampleTolerance) << "sample " << at;
}

// The starts of the frames of an MPEG file, and where the last one ends.
std::vector<std::size_t> FrameStarts(const Bytes& file) {
    std::vector<std::size_t> starts;
    std::size_t at = 0;
    Mp3FrameInfo info;
    while (at + 4 <= file.size()) {
        const WORD length = ParseMp3FrameHeader(&file[at], info);
        if (length == 0 || at + length > file.size())
            break;
        starts.push_back(at);
        at += length;
    }
    starts.push_back(at);
    return starts;
}

// The PCM of a whole file, converted in pieces of `frames` frames each, with
// an empty conversion after the first when `pause` is set.
Bytes DecodeInPieces(const Bytes& file, WORD channels, DWORD rate, std::size_t frames,
                     bool pause = false) {
    Bytes source = file, destination(4000000), all;
    const MPEGLAYER3WAVEFORMAT src = Mp3Format(channels, rate);
    const WAVEFORMATEX dst = Pcm(channels, rate);
    HACMSTREAM stream = nullptr;
    EXPECT_EQ(acmStreamOpen(&stream, nullptr, &src.wfx, &dst, nullptr, 0, 0, 0), MMSYSERR_NOERROR);
    if (!stream)
        return all;
    ACMSTREAMHEADER header{};
    header.cbStruct = sizeof header;
    header.pbSrc = source.data();
    header.cbSrcLength = static_cast<DWORD>(source.size());
    header.pbDst = destination.data();
    header.cbDstLength = static_cast<DWORD>(destination.size());
    EXPECT_EQ(acmStreamPrepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
    const std::vector<std::size_t> starts = FrameStarts(file);
    for (std::size_t first = 0; first + 1 < starts.size(); first += frames) {
        const std::size_t last = std::min(first + frames, starts.size() - 1);
        std::memcpy(source.data(), file.data() + starts[first], starts[last] - starts[first]);
        header.cbSrcLength = static_cast<DWORD>(starts[last] - starts[first]);
        EXPECT_EQ(acmStreamConvert(stream, &header, 0), MMSYSERR_NOERROR);
        EXPECT_EQ(header.cbSrcLengthUsed, header.cbSrcLength);
        all.insert(all.end(), destination.begin(), destination.begin() + header.cbDstLengthUsed);
        if (pause && first == 0) {
            header.cbSrcLength = 0;
            EXPECT_EQ(acmStreamConvert(stream, &header, 0), MMSYSERR_NOERROR);
            all.insert(all.end(), destination.begin(),
                       destination.begin() + header.cbDstLengthUsed);
        }
    }
    acmStreamUnprepareHeader(stream, &header, 0);
    acmStreamClose(stream, 0);
    return all;
}

// The level of 16-bit PCM in dB below full scale (a full-scale sine: -3 dB).
double LevelDb(const Bytes& pcm) {
    double sum = 0;
    const std::vector<std::int16_t> samples = Samples(pcm);
    for (std::int16_t sample : samples)
        sum += double(sample) * sample;
    return 20 * std::log10(std::sqrt(sum / double(samples.size())) / 32768.0);
}

} // namespace

TEST(MpegDecoder, OpensOnlyConversionsItCanMake) {
    const MPEGLAYER3WAVEFORMAT mono = Mp3Format(1, 44100);
    const WAVEFORMATEX pcm = Pcm(1, 44100);
    EXPECT_EQ(
        acmStreamOpen(nullptr, nullptr, &mono.wfx, &pcm, nullptr, 0, 0, ACM_STREAMOPENF_QUERY),
        MMSYSERR_NOERROR);

    const WAVEFORMATEX wrong[] = {Pcm(2, 44100),
                                  Pcm(1, 48000),
                                  Pcm(1, 44100, 8),
                                  {WAVE_FORMAT_PCM, 1, 44100, 88200, 4, 16, 0}};
    for (const WAVEFORMATEX& dst : wrong)
        EXPECT_EQ(
            acmStreamOpen(nullptr, nullptr, &mono.wfx, &dst, nullptr, 0, 0, ACM_STREAMOPENF_QUERY),
            ACMERR_NOTPOSSIBLE)
            << dst.nChannels << " " << dst.nSamplesPerSec << " " << dst.wBitsPerSample;
    // PCM is no MPEG source, nor is a format without the MPEG extra bytes.
    EXPECT_EQ(acmStreamOpen(nullptr, nullptr, &pcm, &pcm, nullptr, 0, 0, ACM_STREAMOPENF_QUERY),
              ACMERR_NOTPOSSIBLE);
    MPEGLAYER3WAVEFORMAT shortFormat = mono;
    shortFormat.wfx.cbSize = 0;
    EXPECT_EQ(acmStreamOpen(nullptr, nullptr, &shortFormat.wfx, &pcm, nullptr, 0, 0,
                            ACM_STREAMOPENF_QUERY),
              ACMERR_NOTPOSSIBLE);

    HACMSTREAM stream = reinterpret_cast<HACMSTREAM>(1);
    const WAVEFORMATEX stereo = Pcm(2, 44100);
    EXPECT_EQ(acmStreamOpen(&stream, nullptr, &mono.wfx, &stereo, nullptr, 0, 0, 0),
              ACMERR_NOTPOSSIBLE);
    EXPECT_EQ(stream, nullptr);
    EXPECT_EQ(acmStreamOpen(nullptr, nullptr, &mono.wfx, &pcm, nullptr, 0, 0, 0),
              MMSYSERR_INVALPARAM);
}

TEST(MpegDecoder, HeadersMustBePreparedAndReleasedBeforeClosing) {
    Bytes src = Load("tone128.mp3"), dst(100000);
    const MPEGLAYER3WAVEFORMAT mono = Mp3Format(1, 44100);
    const WAVEFORMATEX pcm = Pcm(1, 44100);
    HACMSTREAM stream = nullptr;
    ASSERT_EQ(acmStreamOpen(&stream, nullptr, &mono.wfx, &pcm, nullptr, 0, 0, 0), MMSYSERR_NOERROR);
    ACMSTREAMHEADER header{};
    header.cbStruct = sizeof header;
    header.pbSrc = src.data();
    header.cbSrcLength = 417;
    header.pbDst = dst.data();
    header.cbDstLength = static_cast<DWORD>(dst.size());
    EXPECT_EQ(acmStreamConvert(stream, &header, 0), ACMERR_UNPREPARED);
    ASSERT_EQ(acmStreamPrepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(acmStreamClose(stream, 0), ACMERR_BUSY);
    EXPECT_EQ(acmStreamConvert(stream, &header, 0), MMSYSERR_NOERROR);
    EXPECT_TRUE(header.fdwStatus & ACMSTREAMHEADER_STATUSF_DONE);
    EXPECT_EQ(header.cbSrcLengthUsed, 417u);
    EXPECT_EQ(header.cbDstLengthUsed, 1152u * 2);
    EXPECT_EQ(acmStreamUnprepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(acmStreamUnprepareHeader(stream, &header, 0), ACMERR_UNPREPARED);
    EXPECT_EQ(acmStreamClose(stream, 0), MMSYSERR_NOERROR);
}

TEST(MpegDecoder, PcmThatDoesNotFitIsDeliveredByTheNextConversions) {
    Bytes src = Load("tone128.mp3"), dst(1000);
    const Bytes reference = Load("tone128.pcm");
    Conversion c(src, dst);
    Bytes all;
    ASSERT_EQ(acmStreamConvert(c.stream, &c.header, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(c.header.cbDstLengthUsed, dst.size());
    all.insert(all.end(), dst.begin(), dst.begin() + c.header.cbDstLengthUsed);
    c.header.cbSrcLength = 0;
    for (;;) {
        ASSERT_EQ(acmStreamConvert(c.stream, &c.header, 0), MMSYSERR_NOERROR);
        if (c.header.cbDstLengthUsed == 0)
            break;
        all.insert(all.end(), dst.begin(), dst.begin() + c.header.cbDstLengthUsed);
    }
    ExpectSamePcm(all, reference);
}

TEST(MpegDecoder, PiecesOfEverySizeDecodeAsTheWholeFile) {
    const Bytes file = Load("tone128.mp3");
    const Bytes whole = DecodeInPieces(file, 1, 44100, 1000);
    ExpectSamePcm(whole, Load("tone128.pcm"));
    for (std::size_t frames : {1, 2, 5, 38})
        EXPECT_EQ(DecodeInPieces(file, 1, 44100, frames), whole) << frames << " frames a piece";
    EXPECT_EQ(DecodeInPieces(file, 1, 44100, 1, true), whole) << "an empty conversion between";
}

TEST(MpegDecoder, EveryFrameOfEveryLayoutGivesItsSamplesAtTheLevelEncoded) {
    // Sines at half of full scale (-9 dB), stereo at 48 kHz and MPEG-2 at
    // 22050 Hz; frames of 1152 and 576 samples.
    struct Case {
        const char* file;
        WORD channels;
        DWORD rate;
        std::size_t samplesPerFrame;
    };
    for (const Case& c : {Case{"stereo48.snf", 2, 48000, 1152}, Case{"lsf22.mp3", 1, 22050, 576},
                          Case{"tone128.mp3", 1, 44100, 1152}}) {
        const Bytes file = Load(c.file);
        const std::size_t frames = FrameStarts(file).size() - 1;
        ASSERT_GT(frames, 10u) << c.file;
        const Bytes pcm = DecodeInPieces(file, c.channels, c.rate, 7);
        EXPECT_EQ(pcm.size(), frames * c.samplesPerFrame * c.channels * 2) << c.file;
        // The encoder's delay and the first frames' silence keep the mean
        // level a little below the sine's.
        EXPECT_NEAR(LevelDb(pcm), -9.0, 1.0) << c.file;
    }
}

TEST(MpegDecoder, StartForgetsWhatTheStreamHeld) {
    Bytes src = Load("tone128.mp3"), dst(200000);
    Conversion c(src, dst);
    // Frames 0..9 of the tone, twice; the second time from a fresh start.
    c.header.cbSrcLength = 417 + 9 * 418;
    ASSERT_EQ(acmStreamConvert(c.stream, &c.header, 0), MMSYSERR_NOERROR);
    const Bytes first(dst.begin(), dst.begin() + c.header.cbDstLengthUsed);
    ASSERT_EQ(first.size(), 10u * 1152 * 2);
    ASSERT_EQ(acmStreamConvert(c.stream, &c.header, ACM_STREAMCONVERTF_START), MMSYSERR_NOERROR);
    EXPECT_EQ(Bytes(dst.begin(), dst.begin() + c.header.cbDstLengthUsed), first);
}

TEST(MpegDecoder, FramesOfAnotherRateThanDeclaredAreRefused) {
    Bytes src = Load("tone128.mp3"), dst(100000);
    const MPEGLAYER3WAVEFORMAT declared = Mp3Format(1, 48000);
    const WAVEFORMATEX pcm = Pcm(1, 48000);
    HACMSTREAM stream = nullptr;
    ASSERT_EQ(acmStreamOpen(&stream, nullptr, &declared.wfx, &pcm, nullptr, 0, 0, 0),
              MMSYSERR_NOERROR);
    ACMSTREAMHEADER header{};
    header.cbStruct = sizeof header;
    header.pbSrc = src.data();
    header.cbSrcLength = 417 + 418;
    header.pbDst = dst.data();
    header.cbDstLength = static_cast<DWORD>(dst.size());
    ASSERT_EQ(acmStreamPrepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(acmStreamConvert(stream, &header, 0), MMSYSERR_ERROR);
    EXPECT_EQ(header.cbDstLengthUsed, 0u);
    acmStreamUnprepareHeader(stream, &header, 0);
    EXPECT_EQ(acmStreamClose(stream, 0), MMSYSERR_NOERROR);
}
