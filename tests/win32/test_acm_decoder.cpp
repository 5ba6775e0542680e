// What the decoder over the system's codec refuses where the codec itself
// would deliver PCM of another format than the stream's.
#include "platform/media/mpeg_decoder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

using namespace plat;
using Bytes = std::vector<BYTE>;

namespace {

Bytes Load(const char* name) {
    const char* root = std::getenv("PELMORA_SOURCE_DIR");
    std::ifstream in(std::filesystem::path(root ? root : ".") / "tests" / "data" / "mpeg" / name,
                     std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// The PCM of the first `bytes` of a file in a stream opened for `channels`
// and `rate`, and the conversion's result.
MMRESULT Convert(const char* name, std::size_t bytes, WORD channels, DWORD rate, DWORD& produced) {
    Bytes source = Load(name), destination(400000);
    EXPECT_GE(source.size(), bytes) << name;
    MPEGLAYER3WAVEFORMAT src{};
    src.wfx = {WAVE_FORMAT_MPEGLAYER3, channels, rate, 16000, 1, 0, MPEGLAYER3_WFX_EXTRA_BYTES};
    src.wID = MPEGLAYER3_ID_MPEG;
    src.fdwFlags = MPEGLAYER3_FLAG_PADDING_OFF;
    src.nBlockSize = 1;
    src.nFramesPerBlock = 1;
    src.nCodecDelay = 1393;
    const WORD align = static_cast<WORD>(channels * 2);
    const WAVEFORMATEX dst = {WAVE_FORMAT_PCM, channels, rate, rate * align, align, 16, 0};
    HACMSTREAM stream = nullptr;
    EXPECT_EQ(acmStreamOpen(&stream, nullptr, &src.wfx, &dst, nullptr, 0, 0, 0), MMSYSERR_NOERROR);
    ACMSTREAMHEADER header{};
    header.cbStruct = sizeof header;
    header.pbSrc = source.data();
    header.cbSrcLength = static_cast<DWORD>(bytes);
    header.pbDst = destination.data();
    header.cbDstLength = static_cast<DWORD>(destination.size());
    EXPECT_EQ(acmStreamPrepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
    const MMRESULT result = acmStreamConvert(stream, &header, 0);
    produced = header.cbDstLengthUsed;
    EXPECT_EQ(acmStreamUnprepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(acmStreamClose(stream, 0), MMSYSERR_NOERROR);
    return result;
}

} // namespace

TEST(SystemMpegCodec, FramesOfAnotherChannelCountThanTheStreamsAreRefused) {
    DWORD produced = 1;
    // Ten stereo frames of 384 bytes in a mono stream.
    EXPECT_EQ(Convert("stereo48.snf", 3840, 1, 48000, produced), MMSYSERR_ERROR);
    EXPECT_EQ(produced, 0u);
    EXPECT_EQ(Convert("stereo48.snf", 3840, 2, 48000, produced), MMSYSERR_NOERROR);
    EXPECT_EQ(produced, 10u * 1152 * 2 * 2);
    // Mono frames in a stereo stream.
    EXPECT_EQ(Convert("tone128.mp3", 417 + 418, 2, 44100, produced), MMSYSERR_ERROR);
    EXPECT_EQ(produced, 0u);
}
