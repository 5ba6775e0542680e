// The acm* calls of mpeg_decoder.h: their arguments, the prepared headers and
// the PCM kept for the next conversion; the decoding is the system's
// (mpeg_codec.h).
#include "platform/media/mpeg_decoder.h"

#include "platform/media/mpeg_codec.h"
#include "platform/media/mpeg_format.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace plat {

struct HACMSTREAM__ {
    media::MpegCodec* codec = nullptr;
    int preparedHeaders = 0;
    // Decoded PCM that did not fit the last destination buffer.
    std::vector<BYTE> pending;
    std::size_t pendingStart = 0;
};

namespace media {

void PcmOutput::DeliverPending() {
    if (m_pendingDelivered)
        return;
    m_pendingDelivered = true;
    const std::size_t n = std::min(m_pending.size() - m_pendingStart, m_room - m_used);
    if (n > 0)
        std::memcpy(m_to + m_used, m_pending.data() + m_pendingStart, n);
    m_used += n;
    m_pendingStart += n;
    if (m_pendingStart == m_pending.size()) {
        m_pending.clear();
        m_pendingStart = 0;
    }
}

void PcmOutput::Put(const BYTE* bytes, std::size_t count) {
    DeliverPending();
    const std::size_t n = std::min(count, m_room - m_used);
    if (n > 0)
        std::memcpy(m_to + m_used, bytes, n);
    m_used += n;
    if (n < count)
        m_pending.insert(m_pending.end(), bytes + n, bytes + count);
}

} // namespace media

namespace {

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
    if (query)
        return media::QueryMpegCodec(pwfxSrc, pwfxDst);

    auto* s = new (std::nothrow) HACMSTREAM__;
    if (!s)
        return MMSYSERR_NOMEM;
    MMRESULT r = MMSYSERR_NOERROR;
    s->codec = media::OpenMpegCodec(pwfxSrc, pwfxDst, r);
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
    media::CloseMpegCodec(has->codec);
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
    pash->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_DONE;
    pash->cbSrcLengthUsed = 0;
    pash->cbDstLengthUsed = 0;
    if (fdwConvert & ACM_STREAMCONVERTF_START) {
        has->pending.clear();
        has->pendingStart = 0;
        if (MMRESULT r = media::RestartMpegCodec(*has->codec))
            return r;
    }
    media::PcmOutput out(pash->pbDst, pash->cbDstLength, has->pending, has->pendingStart);
    if (MMRESULT r = media::ConvertMpeg(*has->codec, pash->pbSrc, pash->cbSrcLength, out))
        return r;
    out.DeliverPending();
    pash->cbSrcLengthUsed = pash->cbSrcLength;
    pash->cbDstLengthUsed = static_cast<DWORD>(out.Used());
    pash->fdwStatus |= ACMSTREAMHEADER_STATUSF_DONE;
    return MMSYSERR_NOERROR;
}

} // namespace plat
