#include "platform/media/mpeg_decoder.h"

#include "platform/media/mpeg_format.h"

#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

namespace plat {

struct HACMSTREAM__ {
    mpg123_handle* decoder = nullptr;
    long rate = 0;
    int channels = 0;
    int preparedHeaders = 0;
    // Decoded PCM that did not fit the last destination buffer.
    std::vector<unsigned char> pending;
    std::size_t pendingStart = 0;
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
MMRESULT StartDecoder(HACMSTREAM__& s) {
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
    s.pending.clear();
    s.pendingStart = 0;
    return mpg123_open_feed(s.decoder) == MPG123_OK ? MMSYSERR_NOERROR : MMSYSERR_ERROR;
}

void DestroyStream(HACMSTREAM__* s) {
    if (s->decoder) {
        mpg123_close(s->decoder);
        mpg123_delete(s->decoder);
    }
    delete s;
}

// Where decoded PCM goes: the caller's buffer while it has room, then the
// stream's pending bytes.
struct Output {
    BYTE* to;
    std::size_t room;
    std::size_t used = 0;

    void Put(HACMSTREAM__& s, const unsigned char* bytes, std::size_t count) {
        const std::size_t n = std::min(count, room - used);
        if (n > 0)
            std::memcpy(to + used, bytes, n);
        used += n;
        if (n < count)
            s.pending.insert(s.pending.end(), bytes + n, bytes + count);
    }
};

// Hands out the PCM kept from earlier conversions.
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

// Decodes every complete frame fed so far.
MMRESULT DecodeAvailable(HACMSTREAM__& s, Output& out) {
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
            out.Put(s, audio, bytes);
    }
}

// Checks the stream and the prepared header handed to an unprepare or a
// convert call.
MMRESULT CheckPrepared(HACMSTREAM has, LPACMSTREAMHEADER pash) {
    if (!has)
        return MMSYSERR_INVALHANDLE;
    if (!pash || pash->cbStruct < sizeof(ACMSTREAMHEADER))
        return MMSYSERR_INVALPARAM;
    if (!(pash->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED))
        return ACMERR_UNPREPARED;
    return MMSYSERR_NOERROR;
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
    if (!LibraryReady())
        return MMSYSERR_ERROR;
    if (query)
        return MMSYSERR_NOERROR;

    auto* s = new (std::nothrow) HACMSTREAM__;
    if (!s)
        return MMSYSERR_NOMEM;
    s->rate = static_cast<long>(pwfxDst->nSamplesPerSec);
    s->channels = pwfxDst->nChannels;
    const MMRESULT r = StartDecoder(*s);
    if (r != MMSYSERR_NOERROR) {
        DestroyStream(s);
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
    DestroyStream(has);
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
    pash->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_DONE;
    pash->cbSrcLengthUsed = 0;
    pash->cbDstLengthUsed = 0;

    if (fdwConvert & ACM_STREAMCONVERTF_START) {
        const MMRESULT r = StartDecoder(*has);
        if (r != MMSYSERR_NOERROR)
            return r;
    }
    if (pash->cbSrcLength > 0) {
        if (mpg123_feed(has->decoder, pash->pbSrc, pash->cbSrcLength) != MPG123_OK)
            return MMSYSERR_ERROR;
        pash->cbSrcLengthUsed = pash->cbSrcLength;
    }
    Output out{pash->pbDst, pash->cbDstLength};
    DeliverPending(*has, out);
    const MMRESULT r = DecodeAvailable(*has, out);
    if (r != MMSYSERR_NOERROR)
        return r;
    pash->cbDstLengthUsed = static_cast<DWORD>(out.used);
    pash->fdwStatus |= ACMSTREAMHEADER_STATUSF_DONE;
    return MMSYSERR_NOERROR;
}

} // namespace plat
