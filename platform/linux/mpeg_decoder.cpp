// The MPEG decoder on Linux: libmpg123 in feed mode.
#include "platform/media/mpeg_codec.h"

#include <mpg123.h>

#include <mutex>
#include <new>

namespace plat::media {

struct MpegCodec {
    mpg123_handle* decoder = nullptr;
    long rate = 0;
    int channels = 0;
};

namespace {

bool LibraryReady() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = mpg123_init() == MPG123_OK; });
    return ready;
}

// A fresh feed-mode decoder that delivers exactly `channels` channels of
// 16-bit little-endian PCM at `rate`, decoding every frame it is fed
// (an encoder's info frame included, no gapless trimming).
MMRESULT StartDecoder(MpegCodec& s) {
    if (s.decoder) {
        mpg123_close(s.decoder);
    } else {
        int err = MPG123_OK;
        s.decoder = mpg123_new(nullptr, &err);
        if (!s.decoder)
            return err == MPG123_OUT_OF_MEM ? MMSYSERR_NOMEM : MMSYSERR_ERROR;
        // Whole frames are fed, so a frame is decoded as soon as it is there,
        // without waiting for the next header to confirm the stream.
        long flags =
            MPG123_QUIET | MPG123_IGNORE_INFOFRAME | MPG123_FORCE_ENDIAN | MPG123_NO_READAHEAD;
        flags |= s.channels == 1 ? MPG123_MONO_MIX : MPG123_FORCE_STEREO;
        if (mpg123_param(s.decoder, MPG123_FLAGS, flags, 0) != MPG123_OK ||
            mpg123_format_none(s.decoder) != MPG123_OK)
            return MMSYSERR_ERROR;
        // Every rate is allowed here and a stream that changes rate is refused
        // at its first frame (MPG123_NEW_FORMAT), quietly.
        const long* rates = nullptr;
        size_t count = 0;
        mpg123_rates(&rates, &count);
        for (size_t i = 0; i < count; ++i)
            if (mpg123_format(s.decoder, rates[i], s.channels == 1 ? MPG123_MONO : MPG123_STEREO,
                              MPG123_ENC_SIGNED_16) != MPG123_OK)
                return MMSYSERR_ERROR;
    }
    return mpg123_open_feed(s.decoder) == MPG123_OK ? MMSYSERR_NOERROR : MMSYSERR_ERROR;
}

// Decodes every complete frame fed so far.
MMRESULT DecodeAvailable(MpegCodec& s, PcmOutput& out) {
    for (;;) {
        off_t frameNum = 0;
        unsigned char* audio = nullptr;
        size_t bytes = 0;
        const int ret = mpg123_decode_frame(s.decoder, &frameNum, &audio, &bytes);
        if (ret == MPG123_NEW_FORMAT) {
            long rate = 0;
            int channels = 0, encoding = 0;
            mpg123_getformat(s.decoder, &rate, &channels, &encoding);
            if (rate != s.rate || channels != s.channels || encoding != MPG123_ENC_SIGNED_16)
                return MMSYSERR_ERROR;
            continue;
        }
        if (ret == MPG123_NEED_MORE || ret == MPG123_DONE)
            return MMSYSERR_NOERROR;
        if (ret != MPG123_OK)
            return MMSYSERR_ERROR;
        if (audio && bytes > 0)
            out.Put(audio, bytes);
    }
}

} // namespace

MMRESULT QueryMpegCodec(LPCWAVEFORMATEX /*source*/, LPCWAVEFORMATEX /*pcm*/) {
    return LibraryReady() ? MMSYSERR_NOERROR : MMSYSERR_ERROR;
}

MpegCodec* OpenMpegCodec(LPCWAVEFORMATEX /*source*/, LPCWAVEFORMATEX pcm, MMRESULT& result) {
    if (!LibraryReady()) {
        result = MMSYSERR_ERROR;
        return nullptr;
    }
    auto* codec = new (std::nothrow) MpegCodec;
    if (!codec) {
        result = MMSYSERR_NOMEM;
        return nullptr;
    }
    codec->rate = static_cast<long>(pcm->nSamplesPerSec);
    codec->channels = pcm->nChannels;
    result = StartDecoder(*codec);
    if (result != MMSYSERR_NOERROR) {
        CloseMpegCodec(codec);
        return nullptr;
    }
    return codec;
}

void CloseMpegCodec(MpegCodec* codec) {
    if (codec->decoder) {
        mpg123_close(codec->decoder);
        mpg123_delete(codec->decoder);
    }
    delete codec;
}

MMRESULT RestartMpegCodec(MpegCodec& codec) {
    return StartDecoder(codec);
}

MMRESULT ConvertMpeg(MpegCodec& codec, const BYTE* source, std::size_t size, PcmOutput& out) {
    if (size > 0 && mpg123_feed(codec.decoder, source, size) != MPG123_OK)
        return MMSYSERR_ERROR;
    return DecodeAvailable(codec, out);
}

} // namespace plat::media
