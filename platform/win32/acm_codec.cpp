#include "platform/win32/acm_codec.h"

#include "platform/win32/windows_api.h"

// The compression manager's headers need the multimedia types first.
#include <mmsystem.h>

#include <mmreg.h>
#include <msacm.h>

#include <cstring>
#include <new>
#include <vector>

namespace plat::win32 {

struct AcmCodec {
    HACMSTREAM stream = nullptr;
    ACMSTREAMHEADER header{};
    std::vector<BYTE> source;
    std::vector<BYTE> pcm;
};

namespace {

void Formats(const AcmMpegFormat& format, MPEGLAYER3WAVEFORMAT& mp3, WAVEFORMATEX& pcm) {
    mp3 = MPEGLAYER3WAVEFORMAT{};
    mp3.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    mp3.wfx.nChannels = format.channels;
    mp3.wfx.nSamplesPerSec = format.sampleRate;
    mp3.wfx.nAvgBytesPerSec = format.averageBytesPerSecond;
    mp3.wfx.nBlockAlign = 1;
    mp3.wfx.wBitsPerSample = 0;
    mp3.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    mp3.wID = format.id;
    mp3.fdwFlags = format.flags;
    mp3.nBlockSize = format.blockSize;
    mp3.nFramesPerBlock = format.framesPerBlock;
    mp3.nCodecDelay = format.codecDelay;
    pcm = WAVEFORMATEX{};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    pcm.nChannels = format.channels;
    pcm.nSamplesPerSec = format.sampleRate;
    pcm.wBitsPerSample = 16;
    pcm.nBlockAlign = static_cast<WORD>(format.channels * 2);
    pcm.nAvgBytesPerSec = pcm.nBlockAlign * format.sampleRate;
}

} // namespace

unsigned QueryAcmCodec(const AcmMpegFormat& format) {
    MPEGLAYER3WAVEFORMAT mp3;
    WAVEFORMATEX pcm;
    Formats(format, mp3, pcm);
    return acmStreamOpen(nullptr, nullptr, &mp3.wfx, &pcm, nullptr, 0, 0, ACM_STREAMOPENF_QUERY);
}

AcmCodec* OpenAcmCodec(const AcmMpegFormat& format, std::size_t chunk, unsigned& result) {
    MPEGLAYER3WAVEFORMAT mp3;
    WAVEFORMATEX pcm;
    Formats(format, mp3, pcm);
    auto* codec = new (std::nothrow) AcmCodec;
    if (codec == nullptr) {
        result = MMSYSERR_NOMEM;
        return nullptr;
    }
    result = acmStreamOpen(&codec->stream, nullptr, &mp3.wfx, &pcm, nullptr, 0, 0,
                           ACM_STREAMOPENF_NONREALTIME);
    if (result != MMSYSERR_NOERROR) {
        delete codec;
        return nullptr;
    }
    DWORD pcmSize = 0;
    result =
        acmStreamSize(codec->stream, static_cast<DWORD>(chunk), &pcmSize, ACM_STREAMSIZEF_SOURCE);
    if (result == MMSYSERR_NOERROR) {
        try {
            codec->source.assign(chunk, 0);
            codec->pcm.assign(pcmSize, 0);
        } catch (const std::bad_alloc&) {
            result = MMSYSERR_NOMEM;
        }
    }
    if (result == MMSYSERR_NOERROR) {
        codec->header.cbStruct = sizeof(ACMSTREAMHEADER);
        codec->header.pbSrc = codec->source.data();
        codec->header.cbSrcLength = static_cast<DWORD>(codec->source.size());
        codec->header.pbDst = codec->pcm.data();
        codec->header.cbDstLength = static_cast<DWORD>(codec->pcm.size());
        result = acmStreamPrepareHeader(codec->stream, &codec->header, 0);
    }
    if (result != MMSYSERR_NOERROR) {
        acmStreamClose(codec->stream, 0);
        delete codec;
        return nullptr;
    }
    return codec;
}

void CloseAcmCodec(AcmCodec* codec) {
    if (codec == nullptr)
        return;
    codec->header.cbSrcLength = static_cast<DWORD>(codec->source.size());
    codec->header.cbDstLength = static_cast<DWORD>(codec->pcm.size());
    acmStreamUnprepareHeader(codec->stream, &codec->header, 0);
    acmStreamClose(codec->stream, 0);
    delete codec;
}

unsigned ConvertAcmCodec(AcmCodec* codec, const unsigned char* source, std::size_t count,
                         bool start, std::size_t& used, const unsigned char*& pcm,
                         std::size_t& produced) {
    used = 0;
    produced = 0;
    pcm = codec->pcm.data();
    if (count > codec->source.size())
        return MMSYSERR_INVALPARAM;
    if (count > 0)
        std::memcpy(codec->source.data(), source, count);
    codec->header.cbSrcLength = static_cast<DWORD>(count);
    codec->header.cbDstLength = static_cast<DWORD>(codec->pcm.size());
    codec->header.fdwStatus &= ~ACMSTREAMHEADER_STATUSF_DONE;
    const MMRESULT result =
        acmStreamConvert(codec->stream, &codec->header, start ? ACM_STREAMCONVERTF_START : 0);
    if (result != MMSYSERR_NOERROR)
        return result;
    used = codec->header.cbSrcLengthUsed;
    produced = codec->header.cbDstLengthUsed;
    return MMSYSERR_NOERROR;
}

} // namespace plat::win32
