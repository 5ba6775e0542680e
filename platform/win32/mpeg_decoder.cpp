// The MPEG decoder on Windows: the system's MPEG layer-3 codec (acm_codec.h),
// with what mpeg_decoder.h promises and a codec need not do:
//  - every source byte is taken: bytes the codec leaves are kept here and
//    handed to it first by the next conversion;
//  - the PCM of every complete frame comes out now: a codec that keeps the
//    stream's first frame until it sees the next frame's header is shown a
//    copy of that header, and the next conversion starts it again from the
//    same bytes, dropping the PCM already delivered, so its state is that of
//    an uninterrupted decode;
//  - frames of another sample rate or channel count than the stream was
//    opened for are refused (the codec would deliver them in their own
//    format).
// PCM that does not fit the caller's buffer is kept by mpeg_decoder.cpp.
#include "platform/media/mp3_frame.h"
#include "platform/media/mpeg_codec.h"
#include "platform/win32/acm_codec.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace plat::media {

struct MpegCodec {
    win32::AcmMpegFormat format{};
    win32::AcmCodec* codec = nullptr;
    bool startCodec = false; // the next conversion of the codec passes START
    bool fresh = true;       // nothing converted since the open or a START
    // Source bytes the codec has not taken yet.
    std::vector<BYTE> carried;
    // The first conversion's bytes, when their PCM was drawn out with a copy
    // of a header, and how much PCM they gave; PCM still to drop.
    std::vector<BYTE> replay;
    std::size_t replayPcm = 0;
    std::size_t dropPcm = 0;
};

namespace {

// Source bytes the codec gets per conversion (a second at 256 kbit/s).
constexpr std::size_t kChunk = 32768;

// The PCM the codec gave, counted in `produced`, what is to be dropped left
// out.
void Put(MpegCodec& s, PcmOutput& out, const BYTE* bytes, std::size_t count,
         std::size_t& produced) {
    produced += count;
    const std::size_t drop = std::min(count, s.dropPcm);
    s.dropPcm -= drop;
    out.Put(bytes + drop, count - drop);
}

// Hands bytes to the codec until it takes no more and gives no more.
MMRESULT Feed(MpegCodec& s, const BYTE* bytes, std::size_t count, PcmOutput& out,
              std::size_t& produced) {
    s.carried.insert(s.carried.end(), bytes, bytes + count);
    std::size_t at = 0;
    for (;;) {
        const std::size_t chunk = std::min(kChunk, s.carried.size() - at);
        std::size_t used = 0, given = 0;
        const unsigned char* pcm = nullptr;
        const MMRESULT r = win32::ConvertAcmCodec(s.codec, s.carried.data() + at, chunk,
                                                  s.startCodec, used, pcm, given);
        if (r != MMSYSERR_NOERROR) {
            s.carried.clear();
            return MMSYSERR_ERROR;
        }
        s.startCodec = false;
        Put(s, out, pcm, given, produced);
        at += std::min(used, chunk);
        if (used == 0 && given == 0)
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

Frames WalkFrames(const MpegCodec& s, const BYTE* bytes, std::size_t size) {
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

win32::AcmMpegFormat CodecFormat(LPCWAVEFORMATEX src) {
    const auto* mp3 = reinterpret_cast<const MPEGLAYER3WAVEFORMAT*>(src);
    return {src->nChannels, src->nSamplesPerSec, src->nAvgBytesPerSec, mp3->wID,
            mp3->fdwFlags,  mp3->nBlockSize,     mp3->nFramesPerBlock, mp3->nCodecDelay};
}

} // namespace

MMRESULT QueryMpegCodec(LPCWAVEFORMATEX source, LPCWAVEFORMATEX /*pcm*/) {
    return win32::QueryAcmCodec(CodecFormat(source));
}

MpegCodec* OpenMpegCodec(LPCWAVEFORMATEX source, LPCWAVEFORMATEX /*pcm*/, MMRESULT& result) {
    auto* s = new (std::nothrow) MpegCodec;
    if (!s) {
        result = MMSYSERR_NOMEM;
        return nullptr;
    }
    s->format = CodecFormat(source);
    unsigned r = MMSYSERR_NOERROR;
    s->codec = win32::OpenAcmCodec(s->format, kChunk, r);
    if (!s->codec) {
        delete s;
        result = r;
        return nullptr;
    }
    return s;
}

void CloseMpegCodec(MpegCodec* codec) {
    win32::CloseAcmCodec(codec->codec);
    delete codec;
}

MMRESULT RestartMpegCodec(MpegCodec& s) {
    s.startCodec = true;
    s.fresh = true;
    s.carried.clear();
    s.replay.clear();
    s.replayPcm = 0;
    s.dropPcm = 0;
    return MMSYSERR_NOERROR;
}

MMRESULT ConvertMpeg(MpegCodec& s, const BYTE* source, std::size_t size, PcmOutput& out) {
    const Frames frames = WalkFrames(s, source, size);
    if (!frames.declared)
        return MMSYSERR_ERROR;
    std::size_t produced = 0;
    if (!s.replay.empty() && size > 0) {
        // The codec has seen a header that is not in the stream: start it
        // again from the stream's first bytes, whose PCM is out already.
        const std::vector<BYTE> replay = std::move(s.replay);
        s.replay.clear();
        s.carried.clear();
        s.startCodec = true;
        s.dropPcm = s.replayPcm;
        if (MMRESULT r = Feed(s, replay.data(), replay.size(), out, produced))
            return r;
    }
    const bool first = s.fresh && size > 0;
    const std::size_t before = produced;
    if (MMRESULT r = Feed(s, source, size, out, produced))
        return r;
    if (first) {
        s.fresh = false;
        if (frames.count > 0 && produced - before < frames.pcmBytes) {
            BYTE header[4];
            std::memcpy(header, source + frames.last, sizeof header);
            if (MMRESULT r = Feed(s, header, sizeof header, out, produced))
                return r;
            s.replay.assign(source, source + size);
            s.replayPcm = produced - before;
        }
    }
    return MMSYSERR_NOERROR;
}

} // namespace plat::media
