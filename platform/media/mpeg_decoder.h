// The compression-manager calls the MPEG audio reader uses: a conversion
// stream from MPEG layer III (MPEGLAYER3WAVEFORMAT) to 16-bit PCM, opened with
// acmStreamOpen, fed whole frames through a prepared ACMSTREAMHEADER with
// acmStreamConvert, and closed with acmStreamClose. Names, argument order,
// flags and result codes are those of the Windows calls; the decoding itself
// is done by libmpg123 on Linux and by the system's MPEG layer-3 codec through
// the compression manager on Windows (win32/mpeg_decoder.cpp, which keeps
// the promises below where the codec behaves otherwise).
//
// A conversion consumes every source byte it is given and delivers the PCM of
// every complete frame among them. PCM that does not fit the destination is
// kept by the stream and delivered first by the next conversion.
// ACM_STREAMCONVERTF_START forgets everything the stream held (use it after
// moving to another place in the file).
#pragma once

#include "platform/mmsystem.h"

namespace plat {

struct HACMSTREAM__;
struct HACMDRIVER__;
using HACMSTREAM = HACMSTREAM__*;
using HACMDRIVER = HACMDRIVER__*;
using LPHACMSTREAM = HACMSTREAM*;

// Result codes besides the MMSYSERR_* ones.
constexpr MMRESULT ACMERR_BASE = 512;
constexpr MMRESULT ACMERR_NOTPOSSIBLE = ACMERR_BASE + 0;
constexpr MMRESULT ACMERR_BUSY = ACMERR_BASE + 1;
constexpr MMRESULT ACMERR_UNPREPARED = ACMERR_BASE + 2;
constexpr MMRESULT ACMERR_CANCELED = ACMERR_BASE + 3;

// acmStreamOpen
constexpr DWORD ACM_STREAMOPENF_QUERY = 0x00000001;
constexpr DWORD ACM_STREAMOPENF_ASYNC = 0x00000002;
constexpr DWORD ACM_STREAMOPENF_NONREALTIME = 0x00000004;

// acmStreamConvert
constexpr DWORD ACM_STREAMCONVERTF_BLOCKALIGN = 0x00000004;
constexpr DWORD ACM_STREAMCONVERTF_START = 0x00000010;
constexpr DWORD ACM_STREAMCONVERTF_END = 0x00000020;

// ACMSTREAMHEADER.fdwStatus
constexpr DWORD ACMSTREAMHEADER_STATUSF_DONE = 0x00010000;
constexpr DWORD ACMSTREAMHEADER_STATUSF_PREPARED = 0x00020000;
constexpr DWORD ACMSTREAMHEADER_STATUSF_INQUEUE = 0x00100000;

struct ACMSTREAMHEADER {
    DWORD cbStruct;
    DWORD fdwStatus;
    DWORD_PTR dwUser;
    BYTE* pbSrc;
    DWORD cbSrcLength;
    DWORD cbSrcLengthUsed;
    DWORD_PTR dwSrcUser;
    BYTE* pbDst;
    DWORD cbDstLength;
    DWORD cbDstLengthUsed;
    DWORD_PTR dwDstUser;
    DWORD dwReservedDriver[10];
};
using LPACMSTREAMHEADER = ACMSTREAMHEADER*;

// Opens (or, with ACM_STREAMOPENF_QUERY, only checks) a conversion from
// pwfxSrc to pwfxDst. The source must be WAVE_FORMAT_MPEGLAYER3 with at least
// the 12 extra bytes of MPEGLAYER3WAVEFORMAT (pass &format.wfx); the
// destination must be 16-bit PCM with the source's rate and 1 or 2 channels,
// block alignment channels x 2 and the matching byte rate. had, pwfltr and the
// callback must be null/0 (ACM_STREAMOPENF_ASYNC is not offered).
// ACMERR_NOTPOSSIBLE when the pair cannot be converted, MMSYSERR_INVALPARAM
// for bad arguments, MMSYSERR_NOMEM / MMSYSERR_ERROR when the decoder cannot
// be created.
MMRESULT acmStreamOpen(LPHACMSTREAM phas, HACMDRIVER had, LPCWAVEFORMATEX pwfxSrc,
                       LPCWAVEFORMATEX pwfxDst, const void* pwfltr, DWORD_PTR dwCallback,
                       DWORD_PTR dwInstance, DWORD fdwOpen);
MMRESULT acmStreamClose(HACMSTREAM has, DWORD fdwClose);

// cbStruct must be at least sizeof(ACMSTREAMHEADER) and both buffers set.
MMRESULT acmStreamPrepareHeader(HACMSTREAM has, LPACMSTREAMHEADER pash, DWORD fdwPrepare);
MMRESULT acmStreamUnprepareHeader(HACMSTREAM has, LPACMSTREAMHEADER pash, DWORD fdwUnprepare);

// Decodes cbSrcLength bytes from pbSrc into pbDst (at most cbDstLength
// bytes); sets cbSrcLengthUsed, cbDstLengthUsed and the DONE status bit.
// ACMERR_UNPREPARED for a header that was not prepared, MMSYSERR_ERROR when
// the decoder fails (a source that is not the declared format).
MMRESULT acmStreamConvert(HACMSTREAM has, LPACMSTREAMHEADER pash, DWORD fdwConvert);

} // namespace plat
