// The conversion stream from MPEG layer III to PCM behind the MPEG reader.
#include "platform/mpeg_decoder.h"

#include <gtest/gtest.h>

#include <cstdlib>
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
    EXPECT_EQ(all, reference);
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
