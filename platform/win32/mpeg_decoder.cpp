// The calls of mpeg_decoder.h over the system's MPEG layer-3 codec
// (acm_codec.h), with what the header promises and a codec need not do:
//  - every source byte is taken: bytes the codec leaves are kept here and
//    handed to it first by the next conversion;
//  - PCM that does not fit the caller's buffer is kept here and delivered
//    first by the next conversion;
//  - the PCM of every complete frame comes out now: a codec that keeps the
//    stream's first frame until it sees the next frame's header is shown a
//    copy of that header, and the next conversion starts it again from the
//    same bytes, dropping the PCM already delivered, so its state is that of
//    an uninterrupted decode;
//  - frames of another sample rate or channel count than the stream was
//    opened for are refused (the codec would deliver them in their own
//    format).
#include "platform/media/mpeg_decoder.h"

#include "platform/media/mp3_frame.h"
#include "platform/media/mpeg_format.h"
#include "platform/win32/acm_codec.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace plat {

struct HACMSTREAM__ {
    win32::AcmMpegFormat format{};
    win32::AcmCodec* codec = nullptr;
    int preparedHeaders = 0;
    bool startCodec = false; // the next conversion of the codec passes START
    bool fresh = true;       // nothing converted since the open or a START
    // Source bytes the codec has not taken yet.
    std::vector<BYTE> carried;
    // Decoded PCM that did not fit the last destination buffer.
    std::vector<BYTE> pending;
    std::size_t pendingStart = 0;
    // The first conversion's bytes, when their PCM was drawn out with a copy
    // of a header, and how much PCM they gave; PCM still to drop.
    std::vector<BYTE> replay;
    std::size_t replayPcm = 0;
    std::size_t dropPcm = 0;
};

namespace {

// Source bytes the codec gets per conversion (a second at 256 kbit/s).
constexpr std::size_t kChunk = 32768;

// Where decoded PCM goes: first what is to be dropped, then the caller's
// buffer while it has room, then the stream's pending bytes.
struct Output {
    BYTE* to;
    std::size_t room;
    std::size_t used = 0;
    std::size_t produced = 0; // by the codec, dropped bytes included

    void Put(HACMSTREAM__& s, const BYTE* bytes, std::size_t count) {
        produced += count;
        const std::size_t drop = std::min(count, s.dropPcm);
        s.dropPcm -= drop;
        bytes += drop;
        count -= drop;
        const std::size_t n = std::min(count, room - used);
        if (n > 0)
            std::memcpy(to + used, bytes, n);
        used += n;
        if (n < count)
            s.pending.insert(s.pending.end(), bytes + n, bytes + count);
    }
};

void DeliverPending(HACMSTREAM__& s, Output& out) {
    const std::size_t n = std::min(s.pending.size() - s.pendingStart, out.room - out.used);
    if (n > 0)
        std::memcpy(out.to + out.used, s.pending.data() + s.pendingStart, n);
    out.used += n;
    s.pendingStart += n;
    if (s.pendingStart == s.pending.size()) {
        s.pending.clear();
        s.pendingStart = 0;
    }
}

void ForgetHeldState(HACMSTREAM__& s) {
    s.startCodec = true;
    s.fresh = true;
    s.carried.clear();
    s.pending.clear();
    s.pendingStart = 0;
    s.replay.clear();
    s.replayPcm = 0;
    s.dropPcm = 0;
}

// Hands bytes to the codec until it takes no more and gives no more.
MMRESULT Feed(HACMSTREAM__& s, const BYTE* bytes, std::size_t count, Output& out) {
    s.carried.insert(s.carried.end(), bytes, bytes + count);
    std::size_t at = 0;
    for (;;) {
        const std::size_t chunk = std::min(kChunk, s.carried.size() - at);
        std::size_t used = 0, produced = 0;
        const unsigned char* pcm = nullptr;
        const MMRESULT r = win32::ConvertAcmCodec(s.codec, s.carried.data() + at, chunk,
                                                  s.startCodec, used, pcm, produced);
        if (r != MMSYSERR_NOERROR) {
            s.carried.clear();
            return MMSYSERR_ERROR;
        }
        s.startCodec = false;
        out.Put(s, pcm, produced);
        at += std::min(used, chunk);
        if (used == 0 && produced == 0)
            break;
    }
    s.carried.erase(s.carried.begin(), s.carried.begin() + static_cast<std::ptrdiff_t>(at));
    return MMSYSERR_NOERROR;
}

// The complete frames among the bytes: whether all are of the stream's
// format, the PCM they make, where the last one starts.
struct Frames {
    bool declared = true;
    std::size_t pcmBytes = 0;
    std::size_t last = 0;
    std::size_t count = 0;
};

Frames WalkFrames(const HACMSTREAM__& s, const BYTE* bytes, std::size_t size) {
    Frames frames;
    std::size_t at = 0;
    while (at + 4 <= size) {
        Mp3FrameInfo info;
        const WORD length = ParseMp3FrameHeader(bytes + at, info);
        if (length == 0) {
            ++at; // bytes between frames
            continue;
        }
        if (at + length > size)
            break; // the rest of a frame comes with the next conversion
        if (!info.IsLayer3() || info.sampleRate != s.format.sampleRate ||
            info.Channels() != s.format.channels) {
            frames.declared = false;
            return frames;
        }
        frames.pcmBytes += std::size_t(info.samplesPerFrame) * s.format.channels * 2;
        frames.last = at;
        ++frames.count;
        at += length;
    }
    return frames;
}

MMRESULT CheckPrepared(HACMSTREAM has, LPACMSTREAMHEADER pash) {
    if (!has)
        return MMSYSERR_INVALHANDLE;
    if (!pash || pash->cbStruct < sizeof(ACMSTREAMHEADER))
        return MMSYSERR_INVALPARAM;
    if (!(pash->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED))
        return ACMERR_UNPREPARED;
    return MMSYSERR_NOERROR;
}

win32::AcmMpegFormat CodecFormat(LPCWAVEFORMATEX src) {
    const auto* mp3 = reinterpret_cast<const MPEGLAYER3WAVEFORMAT*>(src);
    return {src->nChannels, src->nSamplesPerSec, src->nAvgBytesPerSec, mp3->wID,
            mp3->fdwFlags,  mp3->nBlockSize,     mp3->nFramesPerBlock, mp3->nCodecDelay};
}

} // namespace

MMRESULT acmStreamOpen(LPHACMSTREAM phas, HACMDRIVER had, LPCWAVEFORMATEX pwfxSrc,
                       LPCWAVEFORMATEX pwfxDst, const void* pwfltr, DWORD_PTR dwCallback,
                       DWORD_PTR /*dwInstance*/, DWORD fdwOpen) {
    const bool query = (fdwOpen & ACM_STREAMOPENF_QUERY) != 0;
    if (phas)
        *phas = nullptr;
    if (!pwfxSrc || !pwfxDst || (!query && !phas) || had || pwfltr || dwCallback ||
        (fdwOpen & ACM_STREAMOPENF_ASYNC))
        return MMSYSERR_INVALPARAM;
    if (!MpegConversionPossible(pwfxSrc, pwfxDst))
        return ACMERR_NOTPOSSIBLE;
    const win32::AcmMpegFormat format = CodecFormat(pwfxSrc);
    if (query)
        return win32::QueryAcmCodec(format);

    auto* s = new (std::nothrow) HACMSTREAM__;
    if (!s)
        return MMSYSERR_NOMEM;
    s->format = format;
    unsigned r = MMSYSERR_NOERROR;
    s->codec = win32::OpenAcmCodec(format, kChunk, r);
    if (!s->codec) {
        delete s;
        return r;
    }
    *phas = s;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamClose(HACMSTREAM has, DWORD /*fdwClose*/) {
    if (!has)
        return MMSYSERR_INVALHANDLE;
    if (has->preparedHeaders > 0)
        return ACMERR_BUSY;
    win32::CloseAcmCodec(has->codec);
    delete has;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamPrepareHeader(HACMSTREAM has, LPACMSTREAMHEADER pash, DWORD /*fdwPrepare*/) {
    if (!has)
        return MMSYSERR_INVALHANDLE;
    if (!pash || pash->cbStruct < sizeof(ACMSTREAMHEADER) || !pash->pbSrc || !pash->pbDst)
        return MMSYSERR_INVALPARAM;
    if (pash->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED)
        return MMSYSERR_NOERROR;
    pash->fdwStatus = ACMSTREAMHEADER_STATUSF_PREPARED;
    ++has->preparedHeaders;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamUnprepareHeader(HACMSTREAM has, LPACMSTREAMHEADER pash, DWORD /*fdwUnprepare*/) {
    if (MMRESULT r = CheckPrepared(has, pash))
        return r;
    pash->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_PREPARED;
    --has->preparedHeaders;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamConvert(HACMSTREAM has, LPACMSTREAMHEADER pash, DWORD fdwConvert) {
    if (MMRESULT r = CheckPrepared(has, pash))
        return r;
    HACMSTREAM__& s = *has;
    pash->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_DONE;
    pash->cbSrcLengthUsed = 0;
    pash->cbDstLengthUsed = 0;
    if (fdwConvert & ACM_STREAMCONVERTF_START)
        ForgetHeldState(s);

    const BYTE* source = pash->pbSrc;
    const std::size_t size = pash->cbSrcLength;
    const Frames frames = WalkFrames(s, source, size);
    if (!frames.declared)
        return MMSYSERR_ERROR;

    Output out{pash->pbDst, pash->cbDstLength};
    DeliverPending(s, out);
    if (!s.replay.empty() && size > 0) {
        // The codec has seen a header that is not in the stream: start it
        // again from the stream's first bytes, whose PCM is out already.
        const std::vector<BYTE> replay = std::move(s.replay);
        s.replay.clear();
        s.carried.clear();
        s.startCodec = true;
        s.dropPcm = s.replayPcm;
        if (MMRESULT r = Feed(s, replay.data(), replay.size(), out))
            return r;
    }
    const bool first = s.fresh && size > 0;
    const std::size_t before = out.produced;
    if (MMRESULT r = Feed(s, source, size, out))
        return r;
    if (first) {
        s.fresh = false;
        if (frames.count > 0 && out.produced - before < frames.pcmBytes) {
            BYTE header[4];
            std::memcpy(header, source + frames.last, sizeof header);
            if (MMRESULT r = Feed(s, header, sizeof header, out))
                return r;
            s.replay.assign(source, source + size);
            s.replayPcm = out.produced - before;
        }
    }
    pash->cbSrcLengthUsed = static_cast<DWORD>(size);
    pash->cbDstLengthUsed = static_cast<DWORD>(out.used);
    pash->fdwStatus |= ACMSTREAMHEADER_STATUSF_DONE;
    return MMSYSERR_NOERROR;
}

} // namespace plat
